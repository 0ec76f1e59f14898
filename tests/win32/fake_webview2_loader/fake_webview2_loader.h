#pragma once
// The test double of WebView2Loader.dll: its one real export hands out a fake environment,
// controller, web view and settings that record every call. The functions below let a test read
// the record and act as the page and the browser; they run on the thread that created the
// environment (the host's UI thread).
//
// With VELOTAP_FAKE_WEBVIEW2_LOG set (a file path) the double serves a whole program: every record
// line is appended to that file, and the page goes to the same path + ".page" before its
// NavigateToString line is. Another process plays that program's page by sending WM_COPYDATA with
// a message text (UTF-16, as the page posts it) to the double's message-only window of class
// kFakeWebView2WindowClass in the program.
#include <windows.h>

inline constexpr wchar_t kFakeWebView2WindowClass[] = L"FakeWebView2Later";

#ifdef FAKE_WEBVIEW2_LOADER
#define FAKE_WEBVIEW2_API __declspec(dllexport)
#else
#define FAKE_WEBVIEW2_API __declspec(dllimport)
#endif

extern "C" {

// Every call so far, one line each: "Object.Method arguments @ui" (or "@other" when it came from
// another thread). Valid until the next call into the double.
FAKE_WEBVIEW2_API const char* FakeWebView2Record();
// The last page handed over with NavigateToString.
FAKE_WEBVIEW2_API const wchar_t* FakeWebView2Page();
// Forgets the record; the next environment creation fails with `error` when it is not S_OK.
FAKE_WEBVIEW2_API void FakeWebView2Reset(HRESULT nextEnvironmentError);
// The page posts `text` with window.chrome.webview.postMessage.
FAKE_WEBVIEW2_API void FakeWebView2PostMessage(const wchar_t* text);
// The browser is about to show `uri`; true when the host cancelled it.
FAKE_WEBVIEW2_API BOOL FakeWebView2Navigate(const wchar_t* uri);
// The page asks for a new window; true when the host handled (refused) it.
FAKE_WEBVIEW2_API BOOL FakeWebView2OpenWindow(const wchar_t* uri);
}
