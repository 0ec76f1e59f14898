#include "platform/win32/win32_webview2_runtime.h"

namespace velotap {

namespace {

// The Evergreen runtime's client-state key; its "EBWebView" value names the installed version's
// folder. The updater is a 32-bit program, so the key lives in the 32-bit registry view.
constexpr wchar_t kClientStateKey[] =
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";

#if defined(__aarch64__) || defined(_M_ARM64)
constexpr wchar_t kArchitecture[] = L"arm64";
#elif defined(__x86_64__) || defined(_M_X64)
constexpr wchar_t kArchitecture[] = L"x64";
#else
constexpr wchar_t kArchitecture[] = L"x86";
#endif

std::wstring InstalledVersionFolder(HKEY root) {
    wchar_t folder[MAX_PATH * 2];
    DWORD size = sizeof folder;
    if (RegGetValueW(root, kClientStateKey, L"EBWebView", RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY,
                     nullptr, folder, &size) != ERROR_SUCCESS) {
        return {};
    }
    return folder;
}

HMODULE LoadFrom(const std::wstring& path) {
    return LoadLibraryExW(path.c_str(), nullptr,
                          LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

}  // namespace

std::optional<WebView2Runtime> WebView2Runtime::Find(const std::wstring& programFolder) {
    WebView2Runtime runtime;
    if (HMODULE loader = LoadFrom(programFolder + L"\\WebView2Loader.dll")) {
        runtime.module_ = loader;
        runtime.loader_ = reinterpret_cast<webview2::CreateEnvironmentWithOptions>(
            reinterpret_cast<void*>(GetProcAddress(loader, webview2::kLoaderExport)));
        if (runtime.loader_) return runtime;
        FreeLibrary(loader);
        runtime.module_ = nullptr;
    }
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        std::wstring folder = InstalledVersionFolder(root);
        if (folder.empty()) continue;
        if (folder.back() != L'\\') folder += L'\\';
        HMODULE browser =
            LoadFrom(folder + L"EBWebView\\" + kArchitecture + L"\\EmbeddedBrowserWebView.dll");
        if (!browser) continue;
        runtime.embedded_ = reinterpret_cast<webview2::CreateEnvironmentInternal>(
            reinterpret_cast<void*>(GetProcAddress(browser, webview2::kEmbeddedBrowserExport)));
        if (runtime.embedded_) {
            runtime.module_ = browser;
            return runtime;
        }
        FreeLibrary(browser);
    }
    return std::nullopt;
}

WebView2Runtime::WebView2Runtime(WebView2Runtime&& other) noexcept
    : module_(other.module_), loader_(other.loader_), embedded_(other.embedded_) {
    other.module_ = nullptr;
}

WebView2Runtime::~WebView2Runtime() {
    if (module_) FreeLibrary(module_);
}

HRESULT WebView2Runtime::CreateEnvironment(LPCWSTR userDataFolder,
                                           webview2::EnvironmentCompletedHandler* done) const {
    if (loader_) return loader_(nullptr, userDataFolder, nullptr, done);
    // An installed runtime (type 0), joining a browser process already running for this profile.
    return embedded_(true, 0, userDataFolder, nullptr, done);
}

}  // namespace velotap
