#pragma once
// The program's own Xlib connections (capture, synthesis, desktop, messages, key names).
//
// Xlib has one error handler for the whole process, and without one an error ends the process.
// GTK installs its own for its connection and hands errors of other connections to the handler it
// replaced. Errors on our connections are expected races (a window of another program vanished, a
// device went away) and are answered by return values, so they are always ignored here. The
// handler is installed once; no thread ever swaps it, which would race with GTK's.
#include <X11/Xlib.h>

namespace velotap {

// XOpenDisplay(nullptr) for a connection whose errors are ignored; null when it cannot be opened.
Display* OpenOwnDisplay();
void CloseOwnDisplay(Display* display);

}  // namespace velotap
