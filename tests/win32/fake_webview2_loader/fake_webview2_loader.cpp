// The test double of WebView2Loader.dll (see the header), implementing the interfaces as the
// program declares them.
#define FAKE_WEBVIEW2_LOADER
#include "fake_webview2_loader/fake_webview2_loader.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>

#include "platform/win32/win32_webview2_abi.h"

namespace {

namespace wv = velotap::webview2;

std::string record;
std::string recordCopy;
std::wstring page;
HRESULT nextEnvironmentError = S_OK;
DWORD uiThread = 0;
HWND laterWindow = nullptr;
std::deque<std::function<void()>> later;
wv::WebMessageReceivedHandler* messageHandler = nullptr;
wv::NavigationStartingHandler* navigationHandler = nullptr;
wv::NewWindowRequestedHandler* newWindowHandler = nullptr;

std::string Utf8(const wchar_t* text) {
    if (!text) return "(null)";
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

// Set when the double drives a whole program.
const char* ProgramLog() {
    const char* path = std::getenv("VELOTAP_FAKE_WEBVIEW2_LOG");
    return path && *path ? path : nullptr;
}

void AppendToFile(const std::string& path, const std::string& text, const char* mode) {
    if (FILE* f = std::fopen(path.c_str(), mode)) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

void Record(const std::string& line) {
    std::string entry = line + (GetCurrentThreadId() == uiThread ? " @ui\n" : " @other\n");
    record += entry;
    if (const char* log = ProgramLog()) AppendToFile(log, entry, "ab");
}

void PostAsPage(const wchar_t* text);

// Runs `work` from the UI thread's message loop, as the runtime answers its asynchronous calls,
// and takes page messages from other processes.
LRESULT CALLBACK LaterProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        const std::wstring text(static_cast<const wchar_t*>(data->lpData),
                                data->cbData / sizeof(wchar_t));
        PostAsPage(text.c_str());
        return TRUE;
    }
    if (message != WM_APP) return DefWindowProcW(window, message, wp, lp);
    std::function<void()> work = std::move(later.front());
    later.pop_front();
    work();
    return 0;
}

void Later(std::function<void()> work) {
    if (!laterWindow) {
        WNDCLASSW c{};
        c.lpfnWndProc = LaterProc;
        c.hInstance = GetModuleHandleW(nullptr);
        c.lpszClassName = kFakeWebView2WindowClass;
        RegisterClassW(&c);
        laterWindow = CreateWindowW(c.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    c.hInstance, nullptr);
    }
    later.push_back(std::move(work));
    PostMessageW(laterWindow, WM_APP, 0, 0);
}

// The runtime's objects live for the whole test process; their references are not counted.
template <class T>
HRESULT STDMETHODCALLTYPE QueryNothing(T*, REFIID, void** out) {
    *out = nullptr;
    return E_NOINTERFACE;
}
template <class T>
ULONG STDMETHODCALLTYPE Count(T*) {
    return 1;
}
template <class T>
constexpr wv::UnknownSlots<T> kUnknown{QueryNothing<T>, Count<T>, Count<T>};

wv::Settings settings;
wv::WebView webView;
wv::Controller controller;
wv::Environment environment;

// Settings.
HRESULT STDMETHODCALLTYPE QuerySettings(wv::Settings* self, REFIID iid, void** out) {
    for (const GUID* known :
         {&wv::kIidSettings, &wv::kIidSettings3, &wv::kIidSettings5, &wv::kIidSettings6}) {
        if (iid == *known) {
            *out = self;
            return S_OK;
        }
    }
    *out = nullptr;
    return E_NOINTERFACE;
}
#define FAKE_SETTING(Name)                                      \
    HRESULT STDMETHODCALLTYPE Name(wv::Settings*, BOOL value) { \
        Record("Settings." #Name " " + std::to_string(value));  \
        return S_OK;                                            \
    }
FAKE_SETTING(put_IsStatusBarEnabled)
FAKE_SETTING(put_AreDevToolsEnabled)
FAKE_SETTING(put_AreDefaultContextMenusEnabled)
FAKE_SETTING(put_IsZoomControlEnabled)
FAKE_SETTING(put_AreBrowserAcceleratorKeysEnabled)
FAKE_SETTING(put_IsPinchZoomEnabled)
FAKE_SETTING(put_IsSwipeNavigationEnabled)
#undef FAKE_SETTING

wv::SettingsSlots MakeSettingsSlots() {
    wv::SettingsSlots s{};
    s.unknown = {QuerySettings, Count<wv::Settings>, Count<wv::Settings>};
    s.put_IsStatusBarEnabled = put_IsStatusBarEnabled;
    s.put_AreDevToolsEnabled = put_AreDevToolsEnabled;
    s.put_AreDefaultContextMenusEnabled = put_AreDefaultContextMenusEnabled;
    s.put_IsZoomControlEnabled = put_IsZoomControlEnabled;
    s.put_AreBrowserAcceleratorKeysEnabled = put_AreBrowserAcceleratorKeysEnabled;
    s.put_IsPinchZoomEnabled = put_IsPinchZoomEnabled;
    s.put_IsSwipeNavigationEnabled = put_IsSwipeNavigationEnabled;
    return s;
}
const wv::SettingsSlots kSettingsSlots = MakeSettingsSlots();

// The web view.
HRESULT STDMETHODCALLTYPE GetSettings(wv::WebView*, wv::Settings** out) {
    *out = &settings;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE NavigateToString(wv::WebView*, LPCWSTR html) {
    page = html;
    if (const char* log = ProgramLog()) AppendToFile(std::string(log) + ".page", Utf8(html), "wb");
    Record("WebView.NavigateToString " + std::to_string(page.size()) + " characters");
    return S_OK;
}
HRESULT STDMETHODCALLTYPE AddNavigationStarting(wv::WebView*, wv::NavigationStartingHandler* h,
                                                wv::EventToken* token) {
    Record("WebView.add_NavigationStarting");
    navigationHandler = h;
    token->value = 1;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE AddStartScript(wv::WebView*, LPCWSTR script,
                                         wv::AddScriptCompletedHandler* done) {
    Record("WebView.AddScriptToExecuteOnDocumentCreated " + Utf8(script));
    if (done) Later([done] { done->vtbl->Invoke(done, S_OK, L"script"); });
    return S_OK;
}
HRESULT STDMETHODCALLTYPE ExecuteScript(wv::WebView*, LPCWSTR script,
                                        wv::ExecuteScriptCompletedHandler* done) {
    Record("WebView.ExecuteScript " + Utf8(script));
    if (done) Later([done] { done->vtbl->Invoke(done, S_OK, L"null"); });
    return S_OK;
}
HRESULT STDMETHODCALLTYPE AddWebMessageReceived(wv::WebView*, wv::WebMessageReceivedHandler* h,
                                                wv::EventToken* token) {
    Record("WebView.add_WebMessageReceived");
    messageHandler = h;
    token->value = 2;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE AddNewWindowRequested(wv::WebView*, wv::NewWindowRequestedHandler* h,
                                                wv::EventToken* token) {
    Record("WebView.add_NewWindowRequested");
    newWindowHandler = h;
    token->value = 3;
    return S_OK;
}
wv::WebViewSlots MakeWebViewSlots() {
    wv::WebViewSlots s{};
    s.unknown = kUnknown<wv::WebView>;
    s.get_Settings = GetSettings;
    s.NavigateToString = NavigateToString;
    s.add_NavigationStarting = AddNavigationStarting;
    s.AddScriptToExecuteOnDocumentCreated = AddStartScript;
    s.ExecuteScript = ExecuteScript;
    s.add_WebMessageReceived = AddWebMessageReceived;
    s.add_NewWindowRequested = AddNewWindowRequested;
    return s;
}
const wv::WebViewSlots kWebViewSlots = MakeWebViewSlots();

// The controller.
HRESULT STDMETHODCALLTYPE PutIsVisible(wv::Controller*, BOOL visible) {
    Record("Controller.put_IsVisible " + std::to_string(visible));
    return S_OK;
}
HRESULT STDMETHODCALLTYPE PutBounds(wv::Controller*, RECT r) {
    Record("Controller.put_Bounds " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top));
    return S_OK;
}
HRESULT STDMETHODCALLTYPE MoveFocus(wv::Controller*, int reason) {
    Record("Controller.MoveFocus " + std::to_string(reason));
    return S_OK;
}
HRESULT STDMETHODCALLTYPE Close(wv::Controller*) {
    Record("Controller.Close");
    return S_OK;
}
HRESULT STDMETHODCALLTYPE GetCoreWebView2(wv::Controller*, wv::WebView** out) {
    *out = &webView;
    return S_OK;
}
wv::ControllerSlots MakeControllerSlots() {
    wv::ControllerSlots s{};
    s.unknown = kUnknown<wv::Controller>;
    s.put_IsVisible = PutIsVisible;
    s.put_Bounds = PutBounds;
    s.MoveFocus = MoveFocus;
    s.Close = Close;
    s.get_CoreWebView2 = GetCoreWebView2;
    return s;
}
const wv::ControllerSlots kControllerSlots = MakeControllerSlots();

// The environment.
HRESULT STDMETHODCALLTYPE CreateController(wv::Environment*, HWND,
                                           wv::ControllerCompletedHandler* done) {
    Record("Environment.CreateCoreWebView2Controller");
    Later([done] { done->vtbl->Invoke(done, S_OK, &controller); });
    return S_OK;
}
const wv::EnvironmentSlots kEnvironmentSlots{kUnknown<wv::Environment>, CreateController};

// Event arguments, made for one event.
struct MessageArgs {
    wv::WebMessageReceivedArgs com;
    const wchar_t* text;
};
HRESULT STDMETHODCALLTYPE TryGetString(wv::WebMessageReceivedArgs* self, LPWSTR* out) {
    const wchar_t* text = reinterpret_cast<MessageArgs*>(self)->text;
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    memcpy(*out, text, bytes);
    return S_OK;
}
const wv::WebMessageReceivedArgsSlots kMessageArgsSlots{kUnknown<wv::WebMessageReceivedArgs>,
                                                        nullptr, nullptr, TryGetString};

struct NavigationArgs {
    wv::NavigationStartingArgs com;
    const wchar_t* uri;
    BOOL cancel;
};
HRESULT STDMETHODCALLTYPE GetUri(wv::NavigationStartingArgs* self, LPWSTR* out) {
    const wchar_t* uri = reinterpret_cast<NavigationArgs*>(self)->uri;
    const size_t bytes = (wcslen(uri) + 1) * sizeof(wchar_t);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    memcpy(*out, uri, bytes);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE PutCancel(wv::NavigationStartingArgs* self, BOOL cancel) {
    reinterpret_cast<NavigationArgs*>(self)->cancel = cancel;
    return S_OK;
}
wv::NavigationStartingArgsSlots MakeNavigationSlots() {
    wv::NavigationStartingArgsSlots s{};
    s.unknown = kUnknown<wv::NavigationStartingArgs>;
    s.get_Uri = GetUri;
    s.put_Cancel = PutCancel;
    return s;
}
const wv::NavigationStartingArgsSlots kNavigationSlots = MakeNavigationSlots();

struct NewWindowArgs {
    wv::NewWindowRequestedArgs com;
    BOOL handled;
};
HRESULT STDMETHODCALLTYPE PutHandled(wv::NewWindowRequestedArgs* self, BOOL handled) {
    reinterpret_cast<NewWindowArgs*>(self)->handled = handled;
    return S_OK;
}
wv::NewWindowRequestedArgsSlots MakeNewWindowSlots() {
    wv::NewWindowRequestedArgsSlots s{};
    s.unknown = kUnknown<wv::NewWindowRequestedArgs>;
    s.put_Handled = PutHandled;
    return s;
}
const wv::NewWindowRequestedArgsSlots kNewWindowSlots = MakeNewWindowSlots();

void PostAsPage(const wchar_t* text) {
    if (!messageHandler) return;
    MessageArgs args{{&kMessageArgsSlots}, text};
    messageHandler->vtbl->Invoke(messageHandler, &webView, &args.com);
}

struct Wiring {
    Wiring() {
        settings.vtbl = &kSettingsSlots;
        webView.vtbl = &kWebViewSlots;
        controller.vtbl = &kControllerSlots;
        environment.vtbl = &kEnvironmentSlots;
    }
} wiring;

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT STDAPICALLTYPE
    CreateCoreWebView2EnvironmentWithOptions(LPCWSTR browserFolder, LPCWSTR userDataFolder,
                                             IUnknown*, wv::EnvironmentCompletedHandler* done) {
    uiThread = GetCurrentThreadId();
    Record("Loader.CreateCoreWebView2EnvironmentWithOptions " + Utf8(browserFolder) + " " +
           Utf8(userDataFolder));
    const HRESULT error = nextEnvironmentError;
    nextEnvironmentError = S_OK;
    Later([done, error] {
        done->vtbl->Invoke(done, error, SUCCEEDED(error) ? &environment : nullptr);
    });
    return S_OK;
}

const char* FakeWebView2Record() {
    recordCopy = record;
    return recordCopy.c_str();
}

const wchar_t* FakeWebView2Page() {
    return page.c_str();
}

void FakeWebView2Reset(HRESULT nextError) {
    record.clear();
    page.clear();
    nextEnvironmentError = nextError;
    messageHandler = nullptr;
    navigationHandler = nullptr;
    newWindowHandler = nullptr;
}

void FakeWebView2PostMessage(const wchar_t* text) {
    PostAsPage(text);
}

BOOL FakeWebView2Navigate(const wchar_t* uri) {
    NavigationArgs args{{&kNavigationSlots}, uri, FALSE};
    if (navigationHandler) navigationHandler->vtbl->Invoke(navigationHandler, &webView, &args.com);
    return args.cancel;
}

BOOL FakeWebView2OpenWindow(const wchar_t*) {
    NewWindowArgs args{{&kNewWindowSlots}, FALSE};
    if (newWindowHandler) newWindowHandler->vtbl->Invoke(newWindowHandler, &webView, &args.com);
    return args.handled;
}
}
