#pragma once
// Small services of the desktop shell.
#include <string>

namespace velotap {

// Opens a web address with the user's default handler.
void OpenUri(const std::string& uri);

// A modal error message with one OK button and no owner window.
void ShowErrorBox(const std::string& caption, const std::string& text);

// Makes the program start at log-in (or no longer start) for the current user. `executable` is
// the full path of the program. False when the entry could not be written or removed.
bool ApplyLaunchOnStartup(bool enable, const std::string& executable);

}  // namespace velotap
