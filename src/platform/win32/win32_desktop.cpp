#include <windows.h>

#include "platform/desktop.h"
#include "platform/win32/win32_foreground.h"
#include "platform/win32/win32_text.h"

namespace velotap {

namespace {

HWND AsHwnd(WindowHandle handle) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
}

struct Search {
    const std::function<bool(const std::string&)>* matches;
    HWND found = nullptr;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    // Not GetWindowText: for a window of this process it sends WM_GETTEXT and waits for the
    // window's thread, which may be the one waiting for this search to end.
    wchar_t title[256];
    int n = InternalGetWindowText(window, title, 256);
    if ((*search->matches)(Narrow(std::wstring_view(title, n > 0 ? n : 0)))) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct ProcessSearch {
    DWORD pid;
    HWND found = nullptr;
};

BOOL CALLBACK VisitProcessWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ProcessSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->pid && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

class Win32Desktop final : public Desktop {
  public:
    std::optional<WindowHandle> FindTopLevel(
        const std::function<bool(const std::string&)>& matches) override {
        Search search{&matches};
        EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) return std::nullopt;
        return static_cast<WindowHandle>(reinterpret_cast<uintptr_t>(search.found));
    }

    bool IsMinimized(WindowHandle window) override { return IsIconic(AsHwnd(window)); }

    void Restore(WindowHandle window) override { ShowWindow(AsHwnd(window), SW_RESTORE); }

    void ForceForeground(WindowHandle handle) override { BringToForeground(AsHwnd(handle)); }

    std::optional<Rect> FrameRect(WindowHandle window) override {
        RECT r;
        if (!GetWindowRect(AsHwnd(window), &r)) return std::nullopt;
        return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
    }

    bool IsForeground(WindowHandle window) override {
        return GetForegroundWindow() == AsHwnd(window);
    }

    void Flash(WindowHandle window) override {
        FLASHWINFO flash{};
        flash.cbSize = sizeof flash;
        flash.hwnd = AsHwnd(window);
        flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
        flash.uCount = 3;
        FlashWindowEx(&flash);
    }

    std::optional<WindowHandle> FindVisibleTopLevelOfProcess(uint32_t pid) override {
        ProcessSearch search{pid};
        EnumWindows(VisitProcessWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) return std::nullopt;
        return static_cast<WindowHandle>(reinterpret_cast<uintptr_t>(search.found));
    }
};

}  // namespace

std::unique_ptr<Desktop> ConnectDesktop() {
    return std::make_unique<Win32Desktop>();
}

}  // namespace velotap
