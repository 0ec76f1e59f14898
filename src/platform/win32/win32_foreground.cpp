#include "platform/win32/win32_foreground.h"

namespace velotap {

void BringToForeground(HWND window) {
    HWND foreground = GetForegroundWindow();
    DWORD self = GetCurrentThreadId();
    DWORD other = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    bool attached = other && other != self && AttachThreadInput(self, other, TRUE);
    BringWindowToTop(window);
    SetForegroundWindow(window);
    SetFocus(window);
    if (attached) AttachThreadInput(self, other, FALSE);
}

}  // namespace velotap
