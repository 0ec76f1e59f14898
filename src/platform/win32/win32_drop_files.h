#pragma once
// Files dropped on the main window: the window host calls these from its window procedure and
// hands the paths to the handler set with WindowHost::OnFilesDropped.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace velotap {

// Accepts dropped files, also from processes of a lower integrity level (WM_DROPFILES,
// WM_COPYDATA and WM_COPYGLOBALDATA pass the message filter).
void AcceptDroppedFiles(HWND window);

// The paths of a WM_DROPFILES drop in drop order; releases the drop. A path that a 260-character
// buffer cannot hold is returned whole, so the drop handler can refuse it by name.
std::vector<std::string> TakeDroppedFiles(HDROP drop);

}  // namespace velotap
