#pragma once
#include <windows.h>

namespace velotap {

// Brings `window` to the front even while another process has the focus: Windows refuses
// SetForegroundWindow to a process without the focus unless its input is attached to the thread
// that has it.
void BringToForeground(HWND window);

}  // namespace velotap
