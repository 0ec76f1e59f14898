#pragma once
// Finding the WebView2 runtime without the SDK: the loader a distributor ships beside the program,
// else the Evergreen runtime installed for the machine or for the user.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/win32/win32_webview2_abi.h"

namespace velotap {

// What the program says when neither is there.
inline constexpr const char* kWebView2Missing =
    "Velotap needs the Microsoft Edge WebView2 Runtime to show its window, and it is not "
    "installed on this computer.\n\nInstall the Evergreen WebView2 Runtime from "
    "https://developer.microsoft.com/microsoft-edge/webview2/ and start Velotap again.";

class WebView2Runtime {
  public:
    // The runtime for a program in `programFolder`; none when there is neither a loader there nor
    // an installed runtime.
    static std::optional<WebView2Runtime> Find(const std::wstring& programFolder);

    WebView2Runtime(WebView2Runtime&& other) noexcept;
    WebView2Runtime& operator=(WebView2Runtime&&) = delete;
    ~WebView2Runtime();

    // Starts creating an environment whose profile lives in `userDataFolder` (null: the runtime's
    // default); `done` is called later from this thread's message loop.
    HRESULT CreateEnvironment(LPCWSTR userDataFolder,
                              webview2::EnvironmentCompletedHandler* done) const;

  private:
    WebView2Runtime() = default;

    HMODULE module_ = nullptr;  // kept loaded while any object of it lives
    webview2::CreateEnvironmentWithOptions loader_ = nullptr;
    webview2::CreateEnvironmentInternal embedded_ = nullptr;
};

}  // namespace velotap
