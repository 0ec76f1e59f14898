// The window host over WebView2, driven through our own declarations of its COM interfaces.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <utility>

#include "platform/dispatch_queue.h"
#include "platform/win32/win32_foreground.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_webview2_runtime.h"
#include "platform/window_host.h"

namespace velotap {

namespace {

namespace wv = webview2;

constexpr wchar_t kWindowClass[] = L"VelotapWebViewWindow";
constexpr UINT kDispatchMessage = WM_USER + 1;
// Messages other processes of the program post (the theme and busy notices).
constexpr UINT kFirstForeignMessage = WM_APP, kLastForeignMessage = 0xBFFF;
constexpr DWORD kFramedStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr UINT kCopyGlobalData = 0x0049;

constexpr GUID kIidUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Owns one reference to a WebView2 object.
template <class T>
class ComRef {
  public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { Reset(); }

    // Takes a reference the caller was lent.
    void Hold(T* object) {
        if (object) object->vtbl->unknown.AddRef(object);
        Reset();
        object_ = object;
    }
    T** Put() {
        Reset();
        return &object_;
    }
    T* Get() const { return object_; }
    void Reset() {
        if (object_) object_->vtbl->unknown.Release(object_);
        object_ = nullptr;
    }

  private:
    T* object_ = nullptr;
};

// One of our handler objects. They live inside the host, which closes the web view before they
// go, so the runtime's references need no counting.
template <class Interface, class... Args>
struct Handler {
    Interface com;  // first: the runtime sees only this
    const GUID* iid;
    void* context;
    HRESULT (*call)(void* context, Args...);

    Handler(const GUID& id, void* owner, HRESULT (*fn)(void*, Args...))
        : com{&kSlots}, iid(&id), context(owner), call(fn) {}

    static HRESULT STDMETHODCALLTYPE QueryInterface(Interface* self, REFIID riid, void** out) {
        if (riid == kIidUnknown || riid == *reinterpret_cast<Handler*>(self)->iid) {
            *out = self;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    static ULONG STDMETHODCALLTYPE AddRef(Interface*) { return 2; }
    static ULONG STDMETHODCALLTYPE Release(Interface*) { return 1; }
    static HRESULT STDMETHODCALLTYPE Invoke(Interface* self, Args... args) {
        auto* handler = reinterpret_cast<Handler*>(self);
        return handler->call(handler->context, args...);
    }
    static constexpr wv::HandlerSlots<Interface, Args...> kSlots{{QueryInterface, AddRef, Release},
                                                                 Invoke};
};

// A string the runtime allocated for us.
struct RuntimeString {
    LPWSTR text = nullptr;
    ~RuntimeString() { CoTaskMemFree(text); }
    std::wstring_view View() const { return text ? std::wstring_view(text) : std::wstring_view(); }
};

struct IconHandle {
    HICON icon = nullptr;
    IconHandle() = default;
    IconHandle(const IconHandle&) = delete;
    IconHandle& operator=(const IconHandle&) = delete;
    ~IconHandle() { Reset(nullptr); }
    void Reset(HICON next) {
        if (icon) DestroyIcon(icon);
        icon = next;
    }
};

HICON IconFromImage(const IconImage& image) {
    const int size = image.size;
    if (size <= 0 || image.rgba.size() != static_cast<size_t>(size) * size * 4) return nullptr;
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = size;
    header.bV5Height = -size;  // top row first
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP color = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                     &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!color) return nullptr;
    auto* out = static_cast<unsigned char*>(bits);
    for (size_t i = 0; i < image.rgba.size(); i += 4) {
        out[i] = image.rgba[i + 2];
        out[i + 1] = image.rgba[i + 1];
        out[i + 2] = image.rgba[i];
        out[i + 3] = image.rgba[i + 3];
    }
    std::vector<unsigned char> opaque(static_cast<size_t>((size + 15) / 16) * 2 * size, 0);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, opaque.data());
    ICONINFO info{TRUE, 0, 0, mask, color};
    HICON icon = mask ? CreateIconIndirect(&info) : nullptr;
    if (mask) DeleteObject(mask);
    DeleteObject(color);
    return icon;
}

Rect FromRect(const RECT& r) {
    return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::optional<Rect> WorkAreaOf(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoW(monitor, &info)) return std::nullopt;
    return FromRect(info.rcWork);
}

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// "file:///C:/My%20Themes/a.vtptheme" is C:\My Themes\a.vtptheme, "file://server/share/a" is
// \\server\share\a; the escapes are UTF-8 bytes. Empty for anything else.
std::string PathFromFileUri(std::wstring_view uri) {
    constexpr std::wstring_view kLocal = L"file:///", kShared = L"file://";
    std::string path;
    if (StartsWith(uri, kLocal)) {
        uri.remove_prefix(kLocal.size());
    } else if (StartsWith(uri, kShared)) {
        uri.remove_prefix(kShared.size());
        path = "\\\\";
    } else {
        return {};
    }
    std::string rest = Narrow(uri);
    for (size_t i = 0; i < rest.size(); ++i) {
        char c = rest[i];
        if (c == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 &&
            HexValue(rest[i + 2]) >= 0) {
            c = static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
            i += 2;
        } else if (c == '/') {
            c = '\\';
        }
        path += c;
    }
    return path;
}

class WebView2Host final : public WindowHost {
  public:
    WebView2Host(WebView2Runtime runtime, const WindowHostOptions& options)
        : runtime_(std::move(runtime)),
          uiThread_(GetCurrentThreadId()),
          minWidth_(options.minWidth),
          minHeight_(options.minHeight) {
        // Made as an ordinary window even when frameless, so that the system picks its position
        // (it does not for pop-up windows).
        const bool sized = options.width > 0 && options.height > 0;
        SIZE size{options.width, options.height};
        if (sized && !options.frameless) size = FrameSize({kFramedStyle, 0}, size);
        window_ = CreateWindowExW(0, WindowClass(), Widen(options.title).c_str(), kFramedStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, sized ? size.cx : CW_USEDEFAULT,
                                  sized ? size.cy : CW_USEDEFAULT, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), this);
        if (!window_) return;
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (options.frameless) {
            // No caption, system menu, sizing frame or min/max boxes; a thin border.
            LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
            style &= ~static_cast<LONG_PTR>(WS_DLGFRAME | WS_SYSMENU | WS_THICKFRAME |
                                            WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
            style |= static_cast<LONG_PTR>(WS_POPUP | WS_BORDER);
            SetWindowLongPtrW(window_, GWL_STYLE, style);
            flags |= SWP_FRAMECHANGED;
        }
        if (options.position) {
            SetWindowPos(window_, nullptr, options.position->x, options.position->y, size.cx,
                         size.cy, flags | (sized ? 0 : SWP_NOSIZE));
        } else {
            SetWindowPos(window_, nullptr, 0, 0, 0, 0, flags | SWP_NOMOVE | SWP_NOSIZE);
        }
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
    }

    ~WebView2Host() override {
        onPlacement_ = nullptr;
        onDrop_ = nullptr;
        onMessage_ = nullptr;
        onWindowMessage_ = nullptr;
        if (!destroyed_ && window_) DestroyWindow(window_);
        CloseWebView();
    }

    // Creates the web view in the window, waiting for the runtime on this thread's message loop.
    bool Start(const std::string& dataFolder, std::string& error) {
        if (!window_) {
            error = "The window could not be created.";
            return false;
        }
        const std::wstring folder = Widen(dataFolder);
        startResult_ = runtime_.CreateEnvironment(folder.empty() ? nullptr : folder.c_str(),
                                                  &environmentDone_.com);
        MSG msg;
        while (SUCCEEDED(startResult_) && !webView_.Get() && !destroyed_ &&
               GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (webView_.Get()) return true;
        if (destroyed_) {
            error = "The window was closed before its page could be shown.";
            return false;
        }
        char text[96];
        snprintf(text, sizeof text,
                 "The Microsoft Edge WebView2 Runtime could not be started (error 0x%08lX).",
                 static_cast<unsigned long>(startResult_));
        error = text;
        return false;
    }

    void SetTitle(const std::string& title) override {
        SetWindowTextW(window_, Widen(title).c_str());
    }

    void SetHtml(const std::string& html) override {
        if (!Live()) return;
        ++ownPagesPending_;
        if (FAILED(webView_.Get()->vtbl->NavigateToString(webView_.Get(), Widen(html).c_str()))) {
            --ownPagesPending_;
        }
    }

    void AddStartScript(const std::string& script) override {
        if (!Live()) return;
        webView_.Get()->vtbl->AddScriptToExecuteOnDocumentCreated(
            webView_.Get(), Widen(script).c_str(), &scriptAdded_.com);
    }

    std::string PagePostFunction() const override {
        return "function (text) { window.chrome.webview.postMessage(text); }";
    }

    void OnPageMessage(std::function<void(const std::string&)> fn) override {
        onMessage_ = std::move(fn);
    }

    void Dispatch(std::function<void()> work) override {
        dispatched_.Push(std::move(work));
        PostMessageW(window_, kDispatchMessage, 0, 0);
    }

    void Eval(const std::string& script) override {
        if (!Live()) return;
        webView_.Get()->vtbl->ExecuteScript(webView_.Get(), Widen(script).c_str(),
                                            &scriptDone_.com);
    }

    // Until the window is closed (its WM_DESTROY posts the quit) or Terminate.
    void Run() override {
        if (destroyed_) return;
        running_ = true;
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        running_ = false;
    }

    void Terminate() override {
        if (GetCurrentThreadId() == uiThread_) {
            PostQuitMessage(0);
        } else {
            Dispatch([] { PostQuitMessage(0); });
        }
    }

    void SetClientSize(int width, int height) override {
        const SIZE frame = FrameSize(Style(), SIZE{width, height});
        SetWindowPos(window_, nullptr, 0, 0, frame.cx, frame.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    std::optional<Rect> FrameRect() override {
        RECT r;
        if (!GetWindowRect(window_, &r)) return std::nullopt;
        return FromRect(r);
    }

    void MoveTo(int left, int top) override {
        SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void MoveResize(const Rect& frame) override {
        SetWindowPos(window_, nullptr, frame.left, frame.top, frame.width, frame.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // The normal rectangle comes in workspace coordinates (the work area's top left is 0,0);
    // stored as they are, a taskbar at the top or left would shift the window on every start.
    std::optional<WindowPlacement> Placement() override {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (!GetWindowPlacement(window_, &placement)) return std::nullopt;
        WindowPlacement p;
        p.normal = FromRect(placement.rcNormalPosition);
        p.maximized = placement.showCmd == SW_SHOWMAXIMIZED;
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &info)) {
            p.normal.left += info.rcWork.left - info.rcMonitor.left;
            p.normal.top += info.rcWork.top - info.rcMonitor.top;
        }
        return p;
    }

    std::optional<Rect> WorkAreaAt(int x, int y) override {
        return WorkAreaOf(MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTONULL));
    }

    std::optional<Rect> WorkAreaNearest() override {
        if (auto area = WorkAreaOf(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST))) {
            return area;
        }
        return Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }

    void Maximize() override { ShowWindow(window_, SW_MAXIMIZE); }
    void Minimize() override { ShowWindow(window_, SW_MINIMIZE); }

    void SetTopmost(bool topmost) override {
        SetWindowPos(window_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE);
    }

    void ForceForeground() override { BringToForeground(window_); }

    void SetIcons(const IconImage& big, const IconImage& small) override {
        bigIcon_.Reset(IconFromImage(big));
        smallIcon_.Reset(IconFromImage(small));
        if (bigIcon_.icon) {
            SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.icon));
        }
        if (smallIcon_.icon) {
            SendMessageW(window_, WM_SETICON, ICON_SMALL,
                         reinterpret_cast<LPARAM>(smallIcon_.icon));
        }
    }

    void OnPlacementSettled(std::function<void(const WindowPlacement&)> fn) override {
        onPlacement_ = std::move(fn);
    }

    // The program runs elevated: drops from ordinary processes reach it only through the filter.
    void OnFilesDropped(std::function<void(const std::vector<std::string>&)> fn) override {
        onDrop_ = std::move(fn);
        DragAcceptFiles(window_, TRUE);
        for (UINT message :
             {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kCopyGlobalData}) {
            ChangeWindowMessageFilterEx(window_, message, MSGFLT_ALLOW, nullptr);
        }
    }

    void OnWindowMessage(
        std::function<bool(uint32_t message, uint64_t wparam, int64_t lparam)> fn) override {
        onWindowMessage_ = std::move(fn);
    }

    void Close() override { PostMessageW(window_, WM_CLOSE, 0, 0); }

    void OnCloseRequested(std::function<bool()> fn) override { onClose_ = std::move(fn); }

    std::optional<Point> BeginPointerDrag(PointerDrag drag) override {
        POINT cursor;
        if (destroyed_ || dragging_ || !GetCursorPos(&cursor)) return std::nullopt;
        SetCapture(window_);
        // The page asks for the drag after its button press has travelled through the web view; a
        // quick click is over by then, and a drag without the button down would follow the
        // pointer until the next click. Asked after the capture, so a release from now on is ours.
        // The async state is of the physical buttons: the primary one is the right when swapped.
        const int primary = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
        if (!(GetAsyncKeyState(primary) & 0x8000)) {
            ReleaseCapture();
            return std::nullopt;
        }
        drag_ = std::move(drag);
        dragging_ = true;
        return Point{cursor.x, cursor.y};
    }

  private:
    static const wchar_t* WindowClass() {
        static const ATOM atom = [] {
            WNDCLASSEXW c{};
            c.cbSize = sizeof c;
            c.lpfnWndProc = WindowProc;
            c.hInstance = GetModuleHandleW(nullptr);
            c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
            c.lpszClassName = kWindowClass;
            return RegisterClassExW(&c);
        }();
        return atom ? kWindowClass : nullptr;
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* host = reinterpret_cast<WebView2Host*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (host) {
            if (std::optional<LRESULT> handled = host->Handle(message, wp, lp)) return *handled;
        }
        return DefWindowProcW(window, message, wp, lp);
    }

    std::optional<LRESULT> Handle(UINT message, WPARAM wp, LPARAM lp) {
        switch (message) {
            case kDispatchMessage:
                if (std::function<void()> work = dispatched_.Take()) work();
                return 0;
            case WM_SIZE:
                FitWebView();
                return std::nullopt;
            case WM_GETMINMAXINFO:
                if (minWidth_ > 0 && minHeight_ > 0) {
                    // The least room for the page, as the size given at creation is.
                    const SIZE frame = FrameSize(Style(), SIZE{minWidth_, minHeight_});
                    auto* info = reinterpret_cast<MINMAXINFO*>(lp);
                    info->ptMinTrackSize.x = frame.cx;
                    info->ptMinTrackSize.y = frame.cy;
                    return 0;
                }
                return std::nullopt;
            case WM_CLOSE:
                // A refused close keeps the window; DefWindowProc destroys it otherwise.
                if (onClose_ && !onClose_()) return 0;
                return std::nullopt;
            case WM_SETFOCUS:
                if (controller_.Get()) {
                    controller_.Get()->vtbl->MoveFocus(controller_.Get(),
                                                       wv::kMoveFocusProgrammatic);
                }
                return std::nullopt;
            case WM_EXITSIZEMOVE:
                Settle();
                return std::nullopt;
            case WM_MOUSEMOVE:
                if (!dragging_) return std::nullopt;
                if (POINT cursor; drag_.moved && GetCursorPos(&cursor)) {
                    if (std::optional<Point> to = drag_.moved(Point{cursor.x, cursor.y})) {
                        SetWindowPos(window_, nullptr, to->x, to->y, 0, 0,
                                     SWP_NOSIZE | SWP_NOZORDER);
                    }
                }
                return 0;
            case WM_LBUTTONUP:
                if (!dragging_) return std::nullopt;
                EndDrag(true);
                return 0;
            case WM_CAPTURECHANGED:
                EndDrag(false);
                return std::nullopt;
            case WM_DROPFILES:
                Dropped(reinterpret_cast<HDROP>(wp));
                return 0;
            case WM_DESTROY:
                Settle();
                CloseWebView();
                destroyed_ = true;
                if (running_) PostQuitMessage(0);
                return std::nullopt;
            default:
                if (message >= kFirstForeignMessage && message <= kLastForeignMessage &&
                    onWindowMessage_ && onWindowMessage_(message, wp, static_cast<int64_t>(lp))) {
                    return 0;
                }
                return std::nullopt;
        }
    }

    bool Live() const { return !destroyed_ && webView_.Get(); }

    struct WindowStyle {
        DWORD style, exStyle;
    };
    WindowStyle Style() const {
        return {static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)),
                static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE))};
    }
    // The window's size for a client area of `client`.
    static SIZE FrameSize(WindowStyle style, SIZE client) {
        RECT r{0, 0, client.cx, client.cy};
        AdjustWindowRectEx(&r, style.style, FALSE, style.exStyle);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }

    // The drag is over before the capture goes, so the WM_CAPTURECHANGED that releasing it sends
    // does not end it twice.
    void EndDrag(bool released) {
        if (!dragging_) return;
        dragging_ = false;
        if (GetCapture() == window_) ReleaseCapture();
        PointerDrag drag = std::move(drag_);
        drag_ = {};
        if (drag.ended) drag.ended(released);
    }

    void FitWebView() {
        RECT client;
        if (controller_.Get() && GetClientRect(window_, &client)) {
            controller_.Get()->vtbl->put_Bounds(controller_.Get(), client);
        }
    }

    void Settle() {
        if (!onPlacement_) return;
        if (auto p = Placement()) onPlacement_(*p);
    }

    void Dropped(HDROP drop) {
        std::vector<std::string> paths;
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring path(DragQueryFileW(drop, i, nullptr, 0), L'\0');
            DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size() + 1));
            paths.push_back(Narrow(path));
        }
        DragFinish(drop);
        if (onDrop_ && !paths.empty()) onDrop_(paths);
    }

    void CloseWebView() {
        if (controller_.Get()) controller_.Get()->vtbl->Close(controller_.Get());
        webView_.Reset();
        controller_.Reset();
        environment_.Reset();
    }

    static HRESULT OnEnvironment(void* self, HRESULT result, wv::Environment* environment) {
        auto* host = static_cast<WebView2Host*>(self);
        if (SUCCEEDED(result) && !environment) result = E_POINTER;
        if (SUCCEEDED(result) && !host->destroyed_) {
            host->environment_.Hold(environment);
            result = environment->vtbl->CreateCoreWebView2Controller(environment, host->window_,
                                                                     &host->controllerDone_.com);
        }
        host->startResult_ = result;
        return S_OK;
    }

    static HRESULT OnController(void* self, HRESULT result, wv::Controller* controller) {
        auto* host = static_cast<WebView2Host*>(self);
        if (SUCCEEDED(result) && !controller) result = E_POINTER;
        if (SUCCEEDED(result) && !host->destroyed_) {
            host->controller_.Hold(controller);
            result = controller->vtbl->get_CoreWebView2(controller, host->webView_.Put());
            if (SUCCEEDED(result) && !host->webView_.Get()) result = E_POINTER;
        }
        if (SUCCEEDED(result) && host->webView_.Get()) {
            host->Prepare();
        } else {
            host->webView_.Reset();
        }
        host->startResult_ = result;
        return S_OK;
    }

    void Prepare() {
        wv::Controller* controller = controller_.Get();
        wv::WebView* view = webView_.Get();
        controller->vtbl->put_IsVisible(controller, TRUE);
        FitWebView();
        Harden(view);
        wv::EventToken token;
        view->vtbl->add_WebMessageReceived(view, &messageReceived_.com, &token);
        view->vtbl->add_NavigationStarting(view, &navigationStarting_.com, &token);
        view->vtbl->add_NewWindowRequested(view, &newWindowRequested_.com, &token);
    }

    // Only the page: no browser menus, tools, keys, zoom, status bar or history gestures. The
    // later settings need a newer runtime; each is set where the runtime has it.
    static void Harden(wv::WebView* view) {
        ComRef<wv::Settings> settings;
        if (FAILED(view->vtbl->get_Settings(view, settings.Put())) || !settings.Get()) return;
        wv::Settings* s = settings.Get();
        s->vtbl->put_AreDefaultContextMenusEnabled(s, FALSE);
        s->vtbl->put_AreDevToolsEnabled(s, FALSE);
        s->vtbl->put_IsZoomControlEnabled(s, FALSE);
        s->vtbl->put_IsStatusBarEnabled(s, FALSE);
        using PutFn = HRESULT(STDMETHODCALLTYPE*)(wv::Settings*, BOOL);
        using Put = PutFn wv::SettingsSlots::*;
        const std::pair<const GUID*, Put> kLater[] = {
            {&wv::kIidSettings3, &wv::SettingsSlots::put_AreBrowserAcceleratorKeysEnabled},
            {&wv::kIidSettings5, &wv::SettingsSlots::put_IsPinchZoomEnabled},
            {&wv::kIidSettings6, &wv::SettingsSlots::put_IsSwipeNavigationEnabled},
        };
        for (const auto& [iid, put] : kLater) {
            ComRef<wv::Settings> revision;
            if (SUCCEEDED(s->vtbl->unknown.QueryInterface(
                    s, *iid, reinterpret_cast<void**>(revision.Put()))) &&
                revision.Get()) {
                (revision.Get()->vtbl->*put)(revision.Get(), FALSE);
            }
        }
    }

    static HRESULT OnWebMessage(void* self, wv::WebView*, wv::WebMessageReceivedArgs* args) {
        auto* host = static_cast<WebView2Host*>(self);
        RuntimeString text;
        if (FAILED(args->vtbl->TryGetWebMessageAsString(args, &text.text)) || !text.text) {
            return S_OK;  // our page posts only strings
        }
        if (host->onMessage_) host->onMessage_(Narrow(text.View()));
        return S_OK;
    }

    // Only our own page is shown. A file dropped on the view would be opened as a page; it is
    // handed to the drop handler instead.
    static HRESULT OnNavigationStarting(void* self, wv::WebView*,
                                        wv::NavigationStartingArgs* args) {
        auto* host = static_cast<WebView2Host*>(self);
        RuntimeString uri;
        args->vtbl->get_Uri(args, &uri.text);
        const std::wstring_view target = uri.View();
        if (host->ownPagesPending_ > 0 &&
            (StartsWith(target, L"data:text/html") || target == L"about:blank")) {
            --host->ownPagesPending_;
            return S_OK;
        }
        args->vtbl->put_Cancel(args, TRUE);
        if (host->onDrop_) {
            std::string path = PathFromFileUri(target);
            if (!path.empty()) host->onDrop_({path});
        }
        return S_OK;
    }

    static HRESULT OnNewWindowRequested(void*, wv::WebView*, wv::NewWindowRequestedArgs* args) {
        args->vtbl->put_Handled(args, TRUE);  // no second browser window
        return S_OK;
    }

    static HRESULT Ignore(void*, HRESULT, LPCWSTR) { return S_OK; }

    WebView2Runtime runtime_;  // first: unloaded after every object of it is released
    DWORD uiThread_;
    HWND window_ = nullptr;
    ComRef<wv::Environment> environment_;
    ComRef<wv::Controller> controller_;
    ComRef<wv::WebView> webView_;
    HRESULT startResult_ = S_OK;
    bool destroyed_ = false;
    bool running_ = false;
    int ownPagesPending_ = 0;

    Handler<wv::EnvironmentCompletedHandler, HRESULT, wv::Environment*> environmentDone_{
        wv::kIidEnvironmentCompletedHandler, this, OnEnvironment};
    Handler<wv::ControllerCompletedHandler, HRESULT, wv::Controller*> controllerDone_{
        wv::kIidControllerCompletedHandler, this, OnController};
    Handler<wv::WebMessageReceivedHandler, wv::WebView*, wv::WebMessageReceivedArgs*>
        messageReceived_{wv::kIidWebMessageReceivedHandler, this, OnWebMessage};
    Handler<wv::NavigationStartingHandler, wv::WebView*, wv::NavigationStartingArgs*>
        navigationStarting_{wv::kIidNavigationStartingHandler, this, OnNavigationStarting};
    Handler<wv::NewWindowRequestedHandler, wv::WebView*, wv::NewWindowRequestedArgs*>
        newWindowRequested_{wv::kIidNewWindowRequestedHandler, this, OnNewWindowRequested};
    Handler<wv::AddScriptCompletedHandler, HRESULT, LPCWSTR> scriptAdded_{
        wv::kIidAddScriptCompletedHandler, this, Ignore};
    Handler<wv::ExecuteScriptCompletedHandler, HRESULT, LPCWSTR> scriptDone_{
        wv::kIidExecuteScriptCompletedHandler, this, Ignore};

    DispatchQueue dispatched_;  // one posted message per work
    IconHandle bigIcon_, smallIcon_;
    std::function<void(const std::string&)> onMessage_;
    std::function<void(const WindowPlacement&)> onPlacement_;
    std::function<void(const std::vector<std::string>&)> onDrop_;
    std::function<bool(uint32_t, uint64_t, int64_t)> onWindowMessage_;
    std::function<bool()> onClose_;
    int minWidth_ = 0, minHeight_ = 0;
    PointerDrag drag_;
    bool dragging_ = false;
};

std::wstring ProgramFolder() {
    wchar_t path[32768];
    DWORD n = GetModuleFileNameW(nullptr, path, 32768);
    std::wstring_view full(path, n < 32768 ? n : 0);
    size_t cut = full.find_last_of(L"\\/");
    return std::wstring(cut == std::wstring_view::npos ? L"." : full.substr(0, cut));
}

}  // namespace

std::unique_ptr<WindowHost> CreateWindowHost(const WindowHostOptions& options, std::string& error) {
    std::optional<WebView2Runtime> runtime = WebView2Runtime::Find(ProgramFolder());
    if (!runtime) {
        error = kWebView2Missing;
        return nullptr;
    }
    auto host = std::make_unique<WebView2Host>(std::move(*runtime), options);
    if (!host->Start(options.webViewDataFolder, error)) return nullptr;
    return host;
}

DisplayChoice ChooseDisplay() {
    return {};
}

}  // namespace velotap
