// Global capture on Windows: low-level keyboard and mouse hooks, raw mouse input and session
// notifications on a message-only window, all on the capture thread's message loop.
#include <windows.h>
#include <wtsapi32.h>

#include <atomic>
#include <string>

#include "platform/capture_input.h"

namespace velotap {

namespace {

// Hook procedures carry no context; only the capture thread installs them, once.
CaptureHandler* g_handler = nullptr;

const wchar_t kClassName[] = L"RawInputHiddenWindow";

int32_t ButtonOf(WPARAM message, DWORD mouseData, bool& press) {
    press = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
            message == WM_XBUTTONDOWN;
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            return 1;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            return 2;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            return 4;
        case WM_XBUTTONDOWN:
        case WM_XBUTTONUP:
            return HIWORD(mouseData) == 1 ? 5 : 6;
        default:
            return 0;
    }
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && g_handler) {
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        if (!(k->flags & LLKHF_INJECTED)) {
            const bool press = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
            if (g_handler->Key(k->vkCode, press, false) == Verdict::Swallow) return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && g_handler) {
        const auto* m = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        const bool injected = (m->flags & LLMHF_INJECTED) != 0;
        const int32_t x = m->pt.x, y = m->pt.y;
        bool press = false;
        if (wParam == WM_MOUSEMOVE) {
            g_handler->Move(x, y, injected);
        } else if (wParam == WM_MOUSEWHEEL) {
            g_handler->Wheel(static_cast<int16_t>(HIWORD(m->mouseData)), injected);
        } else if (const int32_t button = ButtonOf(wParam, m->mouseData, press)) {
            if (g_handler->Button(button, press, x, y, injected) == Verdict::Swallow) return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INPUT && g_handler) {
        RAWINPUT input{};
        UINT size = sizeof(input);
        if (GetRawInputData(reinterpret_cast<HRAWINPUT>(lParam), RID_INPUT, &input, &size,
                            sizeof(RAWINPUTHEADER)) != static_cast<UINT>(-1) &&
            input.header.dwType == RIM_TYPEMOUSE &&
            !(input.data.mouse.usFlags & MOUSE_MOVE_ABSOLUTE)) {
            g_handler->RawMotion(input.data.mouse.lLastX, input.data.mouse.lLastY);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_WTSSESSION_CHANGE && g_handler &&
        (wParam == WTS_CONSOLE_DISCONNECT || wParam == WTS_REMOTE_DISCONNECT ||
         wParam == WTS_SESSION_LOCK)) {
        g_handler->SessionLocked();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring ImagePath(HANDLE process) {
    wchar_t path[260];
    DWORD size = 260;
    if (!QueryFullProcessImageNameW(process, 0, path, &size)) return {};
    return std::wstring(path, size);
}

class HookCapture final : public CaptureBackend {
  public:
    void Run(CaptureHandler& handler) override;
    void Stop() override {
        stop_.store(true);
        if (const DWORD id = threadId_.load()) PostThreadMessageW(id, WM_QUIT, 0, 0);
    }
    // The hooks see every event; nothing to re-arm, and no hotkey can be taken by another program.
    void Refresh() override {}
    CaptureStatus Snapshot() override {
        CaptureStatus status;
        status.observing = hooked_.load();
        return status;
    }
    bool Settle() override { return true; }
    bool IsOwnWindowAt(int32_t x, int32_t y) override;

  private:
    std::atomic<bool> stop_{false};
    std::atomic<DWORD> threadId_{0};
    std::atomic<bool> hooked_{false};
    std::wstring ownPath_;
};

void HookCapture::Run(CaptureHandler& handler) {
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue exists from here
    threadId_.store(GetCurrentThreadId());
    if (stop_.load()) return;
    g_handler = &handler;

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = HiddenWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    const ATOM atom = RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  instance, nullptr);
    bool session = false;
    if (window) {
        RAWINPUTDEVICE device{};
        device.usUsagePage = 1;
        device.usUsage = 2;
        device.dwFlags = RIDEV_INPUTSINK;
        device.hwndTarget = window;
        RegisterRawInputDevices(&device, 1, sizeof(device));
        session = WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION) != FALSE;
    }
    HHOOK mouse = SetWindowsHookExW(WH_MOUSE_LL, MouseProc, nullptr, 0);
    HHOOK keyboard = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardProc, nullptr, 0);
    hooked_.store(mouse && keyboard);
    if (!mouse || !keyboard) {
        handler.Report(
            "Global hotkeys and recording are unavailable: the input hooks could not "
            "be installed.");
    }

    while (!stop_.load() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    hooked_.store(false);
    if (keyboard) UnhookWindowsHookEx(keyboard);
    if (mouse) UnhookWindowsHookEx(mouse);
    if (session) WTSUnRegisterSessionNotification(window);
    if (window) DestroyWindow(window);
    if (atom) UnregisterClassW(kClassName, instance);
    g_handler = nullptr;
}

bool HookCapture::IsOwnWindowAt(int32_t x, int32_t y) {
    HWND window = WindowFromPoint(POINT{x, y});
    if (!window) return false;
    HWND root = GetAncestor(window, GA_ROOT);
    DWORD pid = 0;
    GetWindowThreadProcessId(root ? root : window, &pid);
    if (pid == 0) return false;
    if (pid == GetCurrentProcessId()) return true;
    if (ownPath_.empty()) {
        wchar_t path[260];
        const DWORD n = GetModuleFileNameW(nullptr, path, 260);
        ownPath_.assign(path, n);
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return false;
    const std::wstring other = ImagePath(process);
    CloseHandle(process);
    return !other.empty() &&
           CompareStringOrdinal(other.c_str(), static_cast<int>(other.size()), ownPath_.c_str(),
                                static_cast<int>(ownPath_.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::unique_ptr<CaptureBackend> ConnectCapture(std::string&) {
    return std::make_unique<HookCapture>();
}

}  // namespace velotap
