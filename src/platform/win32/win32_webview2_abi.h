#pragma once
// The part of the WebView2 COM interface the window host uses, declared here because the SDK is
// not available to this build. Every interface is a pointer to a table of functions; the tables
// below list the published method order, with the methods we never call kept as untyped slots so
// that every slot we do call sits at its published index (checked at the end of this file).
// Interfaces that add methods in later revisions (Settings3, 5, 6) extend the same table; the
// object is asked for the revision's IID before its slots are used.
#include <windows.h>
#include <objbase.h>

#include <cstddef>

namespace velotap::webview2 {

// A slot this program never calls.
using Unused = void*;

struct EventToken {
    INT64 value;
};

template <class Self>
struct UnknownSlots {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(Self*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* AddRef)(Self*);
    ULONG(STDMETHODCALLTYPE* Release)(Self*);
};

// The handlers this program implements: IUnknown, then Invoke.
template <class Self, class... Args>
struct HandlerSlots {
    UnknownSlots<Self> unknown;
    HRESULT(STDMETHODCALLTYPE* Invoke)(Self*, Args...);
};

struct Environment;
struct Controller;
struct WebView;
struct Settings;
struct WebMessageReceivedArgs;
struct NavigationStartingArgs;
struct NewWindowRequestedArgs;

#define VELOTAP_WEBVIEW2_HANDLER(Name, ...)              \
    struct Name;                                         \
    using Name##Slots = HandlerSlots<Name, __VA_ARGS__>; \
    struct Name {                                        \
        const Name##Slots* vtbl;                         \
    }
VELOTAP_WEBVIEW2_HANDLER(EnvironmentCompletedHandler, HRESULT, Environment*);
VELOTAP_WEBVIEW2_HANDLER(ControllerCompletedHandler, HRESULT, Controller*);
VELOTAP_WEBVIEW2_HANDLER(WebMessageReceivedHandler, WebView*, WebMessageReceivedArgs*);
VELOTAP_WEBVIEW2_HANDLER(NavigationStartingHandler, WebView*, NavigationStartingArgs*);
VELOTAP_WEBVIEW2_HANDLER(NewWindowRequestedHandler, WebView*, NewWindowRequestedArgs*);
VELOTAP_WEBVIEW2_HANDLER(AddScriptCompletedHandler, HRESULT, LPCWSTR);
VELOTAP_WEBVIEW2_HANDLER(ExecuteScriptCompletedHandler, HRESULT, LPCWSTR);
#undef VELOTAP_WEBVIEW2_HANDLER

// ICoreWebView2Environment.
struct EnvironmentSlots {
    UnknownSlots<Environment> unknown;
    HRESULT(STDMETHODCALLTYPE* CreateCoreWebView2Controller)
    (Environment*, HWND parent, ControllerCompletedHandler*);
};
struct Environment {
    const EnvironmentSlots* vtbl;
};

// ICoreWebView2Controller.
struct ControllerSlots {
    UnknownSlots<Controller> unknown;
    Unused get_IsVisible;
    HRESULT(STDMETHODCALLTYPE* put_IsVisible)(Controller*, BOOL);
    Unused get_Bounds;
    HRESULT(STDMETHODCALLTYPE* put_Bounds)(Controller*, RECT);
    Unused get_ZoomFactor, put_ZoomFactor, add_ZoomFactorChanged, remove_ZoomFactorChanged,
        SetBoundsAndZoomFactor;
    HRESULT(STDMETHODCALLTYPE* MoveFocus)(Controller*, int reason);
    Unused add_MoveFocusRequested, remove_MoveFocusRequested, add_GotFocus, remove_GotFocus,
        add_LostFocus, remove_LostFocus, add_AcceleratorKeyPressed, remove_AcceleratorKeyPressed,
        get_ParentWindow, put_ParentWindow, NotifyParentWindowPositionChanged;
    HRESULT(STDMETHODCALLTYPE* Close)(Controller*);
    HRESULT(STDMETHODCALLTYPE* get_CoreWebView2)(Controller*, WebView**);
};
struct Controller {
    const ControllerSlots* vtbl;
};
inline constexpr int kMoveFocusProgrammatic = 0;

// ICoreWebView2.
struct WebViewSlots {
    UnknownSlots<WebView> unknown;
    HRESULT(STDMETHODCALLTYPE* get_Settings)(WebView*, Settings**);
    Unused get_Source, Navigate;
    HRESULT(STDMETHODCALLTYPE* NavigateToString)(WebView*, LPCWSTR html);
    HRESULT(STDMETHODCALLTYPE* add_NavigationStarting)
    (WebView*, NavigationStartingHandler*, EventToken*);
    Unused remove_NavigationStarting, add_ContentLoading, remove_ContentLoading, add_SourceChanged,
        remove_SourceChanged, add_HistoryChanged, remove_HistoryChanged, add_NavigationCompleted,
        remove_NavigationCompleted, add_FrameNavigationStarting, remove_FrameNavigationStarting,
        add_FrameNavigationCompleted, remove_FrameNavigationCompleted, add_ScriptDialogOpening,
        remove_ScriptDialogOpening, add_PermissionRequested, remove_PermissionRequested,
        add_ProcessFailed, remove_ProcessFailed;
    HRESULT(STDMETHODCALLTYPE* AddScriptToExecuteOnDocumentCreated)
    (WebView*, LPCWSTR script, AddScriptCompletedHandler*);
    Unused RemoveScriptToExecuteOnDocumentCreated;
    HRESULT(STDMETHODCALLTYPE* ExecuteScript)
    (WebView*, LPCWSTR script, ExecuteScriptCompletedHandler*);
    Unused CapturePreview, Reload, PostWebMessageAsJson, PostWebMessageAsString;
    HRESULT(STDMETHODCALLTYPE* add_WebMessageReceived)
    (WebView*, WebMessageReceivedHandler*, EventToken*);
    Unused remove_WebMessageReceived, CallDevToolsProtocolMethod, get_BrowserProcessId,
        get_CanGoBack, get_CanGoForward, GoBack, GoForward, GetDevToolsProtocolEventReceiver, Stop;
    HRESULT(STDMETHODCALLTYPE* add_NewWindowRequested)
    (WebView*, NewWindowRequestedHandler*, EventToken*);
};
struct WebView {
    const WebViewSlots* vtbl;
};

// ICoreWebView2Settings and its revisions 2 to 6, which only add slots at the end.
struct SettingsSlots {
    UnknownSlots<Settings> unknown;
    Unused get_IsScriptEnabled, put_IsScriptEnabled, get_IsWebMessageEnabled,
        put_IsWebMessageEnabled, get_AreDefaultScriptDialogsEnabled,
        put_AreDefaultScriptDialogsEnabled, get_IsStatusBarEnabled;
    HRESULT(STDMETHODCALLTYPE* put_IsStatusBarEnabled)(Settings*, BOOL);
    Unused get_AreDevToolsEnabled;
    HRESULT(STDMETHODCALLTYPE* put_AreDevToolsEnabled)(Settings*, BOOL);
    Unused get_AreDefaultContextMenusEnabled;
    HRESULT(STDMETHODCALLTYPE* put_AreDefaultContextMenusEnabled)(Settings*, BOOL);
    Unused get_AreHostObjectsAllowed, put_AreHostObjectsAllowed, get_IsZoomControlEnabled;
    HRESULT(STDMETHODCALLTYPE* put_IsZoomControlEnabled)(Settings*, BOOL);
    Unused get_IsBuiltInErrorPageEnabled, put_IsBuiltInErrorPageEnabled;
    // Settings2.
    Unused get_UserAgent, put_UserAgent;
    // Settings3.
    Unused get_AreBrowserAcceleratorKeysEnabled;
    HRESULT(STDMETHODCALLTYPE* put_AreBrowserAcceleratorKeysEnabled)(Settings*, BOOL);
    // Settings4.
    Unused get_IsPasswordAutosaveEnabled, put_IsPasswordAutosaveEnabled,
        get_IsGeneralAutofillEnabled, put_IsGeneralAutofillEnabled;
    // Settings5.
    Unused get_IsPinchZoomEnabled;
    HRESULT(STDMETHODCALLTYPE* put_IsPinchZoomEnabled)(Settings*, BOOL);
    // Settings6.
    Unused get_IsSwipeNavigationEnabled;
    HRESULT(STDMETHODCALLTYPE* put_IsSwipeNavigationEnabled)(Settings*, BOOL);
};
struct Settings {
    const SettingsSlots* vtbl;
};

// ICoreWebView2WebMessageReceivedEventArgs.
struct WebMessageReceivedArgsSlots {
    UnknownSlots<WebMessageReceivedArgs> unknown;
    Unused get_Source, get_WebMessageAsJson;
    HRESULT(STDMETHODCALLTYPE* TryGetWebMessageAsString)(WebMessageReceivedArgs*, LPWSTR*);
};
struct WebMessageReceivedArgs {
    const WebMessageReceivedArgsSlots* vtbl;
};

// ICoreWebView2NavigationStartingEventArgs.
struct NavigationStartingArgsSlots {
    UnknownSlots<NavigationStartingArgs> unknown;
    HRESULT(STDMETHODCALLTYPE* get_Uri)(NavigationStartingArgs*, LPWSTR*);
    Unused get_IsUserInitiated, get_IsRedirected, get_RequestHeaders, get_Cancel;
    HRESULT(STDMETHODCALLTYPE* put_Cancel)(NavigationStartingArgs*, BOOL);
};
struct NavigationStartingArgs {
    const NavigationStartingArgsSlots* vtbl;
};

// ICoreWebView2NewWindowRequestedEventArgs.
struct NewWindowRequestedArgsSlots {
    UnknownSlots<NewWindowRequestedArgs> unknown;
    Unused get_Uri, put_NewWindow, get_NewWindow;
    HRESULT(STDMETHODCALLTYPE* put_Handled)(NewWindowRequestedArgs*, BOOL);
};
struct NewWindowRequestedArgs {
    const NewWindowRequestedArgsSlots* vtbl;
};

// The loader's export, and the embedded browser's that an installed runtime offers instead.
using CreateEnvironmentWithOptions = HRESULT(STDAPICALLTYPE*)(LPCWSTR browserFolder,
                                                              LPCWSTR userDataFolder,
                                                              IUnknown* options,
                                                              EnvironmentCompletedHandler*);
using CreateEnvironmentInternal = HRESULT(STDAPICALLTYPE*)(bool checkRunningInstance,
                                                           int runtimeType, LPCWSTR userDataFolder,
                                                           IUnknown* options,
                                                           EnvironmentCompletedHandler*);
inline constexpr const char* kLoaderExport = "CreateCoreWebView2EnvironmentWithOptions";
inline constexpr const char* kEmbeddedBrowserExport = "CreateWebViewEnvironmentWithOptionsInternal";

inline constexpr GUID kIidEnvironmentCompletedHandler = {
    0x4e8a3389, 0xc9d8, 0x4bd2, {0xb6, 0xb5, 0x12, 0x4f, 0xee, 0x6c, 0xc1, 0x4d}};
inline constexpr GUID kIidControllerCompletedHandler = {
    0x6c4819f3, 0xc9b7, 0x4260, {0x81, 0x27, 0xc9, 0xf5, 0xbd, 0xe7, 0xf6, 0x8c}};
inline constexpr GUID kIidWebMessageReceivedHandler = {
    0x57213f19, 0x00e6, 0x49fa, {0x8e, 0x07, 0x89, 0x8e, 0xa0, 0x1e, 0xcb, 0xd2}};
inline constexpr GUID kIidNavigationStartingHandler = {
    0x9adbe429, 0xf36d, 0x432b, {0x9d, 0xdc, 0xf8, 0x88, 0x1f, 0xbd, 0x76, 0xe3}};
inline constexpr GUID kIidNewWindowRequestedHandler = {
    0xd4c185fe, 0xc81c, 0x4989, {0x97, 0xaf, 0x2d, 0x3f, 0xa7, 0xab, 0x56, 0x51}};
inline constexpr GUID kIidAddScriptCompletedHandler = {
    0xb99369f3, 0x9b11, 0x47b5, {0xbc, 0x6f, 0x8e, 0x78, 0x95, 0xfc, 0xea, 0x17}};
inline constexpr GUID kIidExecuteScriptCompletedHandler = {
    0x49511172, 0xcc67, 0x4bca, {0x99, 0x23, 0x13, 0x71, 0x12, 0xf4, 0xc4, 0xcc}};
inline constexpr GUID kIidSettings = {
    0xe562e4f0, 0xd7fa, 0x43ac, {0x8d, 0x71, 0xc0, 0x51, 0x50, 0x49, 0x9f, 0x00}};
inline constexpr GUID kIidSettings3 = {
    0xfdb5ab74, 0xaf33, 0x4854, {0x84, 0xf0, 0x0a, 0x63, 0x1d, 0xeb, 0x5e, 0xba}};
inline constexpr GUID kIidSettings5 = {
    0x183e7052, 0x1d03, 0x43a0, {0xab, 0x99, 0x98, 0xe0, 0x43, 0xb6, 0x6b, 0x39}};
inline constexpr GUID kIidSettings6 = {
    0x11cb3acd, 0x9bc8, 0x43b8, {0x83, 0xbf, 0xf4, 0x07, 0x53, 0x71, 0x4f, 0x87}};

// Each slot we call, at its published index (IUnknown holds 0 to 2).
#define VELOTAP_WEBVIEW2_SLOT(Table, Method, Index) \
    static_assert(offsetof(Table, Method) == (Index) * sizeof(void*), #Table "::" #Method)
VELOTAP_WEBVIEW2_SLOT(EnvironmentCompletedHandlerSlots, Invoke, 3);
VELOTAP_WEBVIEW2_SLOT(ControllerCompletedHandlerSlots, Invoke, 3);
VELOTAP_WEBVIEW2_SLOT(WebMessageReceivedHandlerSlots, Invoke, 3);
VELOTAP_WEBVIEW2_SLOT(NavigationStartingHandlerSlots, Invoke, 3);
VELOTAP_WEBVIEW2_SLOT(NewWindowRequestedHandlerSlots, Invoke, 3);
VELOTAP_WEBVIEW2_SLOT(AddScriptCompletedHandlerSlots, Invoke, 3);
VELOTAP_WEBVIEW2_SLOT(ExecuteScriptCompletedHandlerSlots, Invoke, 3);
VELOTAP_WEBVIEW2_SLOT(EnvironmentSlots, CreateCoreWebView2Controller, 3);
VELOTAP_WEBVIEW2_SLOT(ControllerSlots, put_IsVisible, 4);
VELOTAP_WEBVIEW2_SLOT(ControllerSlots, put_Bounds, 6);
VELOTAP_WEBVIEW2_SLOT(ControllerSlots, MoveFocus, 12);
VELOTAP_WEBVIEW2_SLOT(ControllerSlots, Close, 24);
VELOTAP_WEBVIEW2_SLOT(ControllerSlots, get_CoreWebView2, 25);
VELOTAP_WEBVIEW2_SLOT(WebViewSlots, get_Settings, 3);
VELOTAP_WEBVIEW2_SLOT(WebViewSlots, NavigateToString, 6);
VELOTAP_WEBVIEW2_SLOT(WebViewSlots, add_NavigationStarting, 7);
VELOTAP_WEBVIEW2_SLOT(WebViewSlots, AddScriptToExecuteOnDocumentCreated, 27);
VELOTAP_WEBVIEW2_SLOT(WebViewSlots, ExecuteScript, 29);
VELOTAP_WEBVIEW2_SLOT(WebViewSlots, add_WebMessageReceived, 34);
VELOTAP_WEBVIEW2_SLOT(WebViewSlots, add_NewWindowRequested, 44);
VELOTAP_WEBVIEW2_SLOT(SettingsSlots, put_IsStatusBarEnabled, 10);
VELOTAP_WEBVIEW2_SLOT(SettingsSlots, put_AreDevToolsEnabled, 12);
VELOTAP_WEBVIEW2_SLOT(SettingsSlots, put_AreDefaultContextMenusEnabled, 14);
VELOTAP_WEBVIEW2_SLOT(SettingsSlots, put_IsZoomControlEnabled, 18);
VELOTAP_WEBVIEW2_SLOT(SettingsSlots, put_AreBrowserAcceleratorKeysEnabled, 24);
VELOTAP_WEBVIEW2_SLOT(SettingsSlots, put_IsPinchZoomEnabled, 30);
VELOTAP_WEBVIEW2_SLOT(SettingsSlots, put_IsSwipeNavigationEnabled, 32);
VELOTAP_WEBVIEW2_SLOT(WebMessageReceivedArgsSlots, TryGetWebMessageAsString, 5);
VELOTAP_WEBVIEW2_SLOT(NavigationStartingArgsSlots, get_Uri, 3);
VELOTAP_WEBVIEW2_SLOT(NavigationStartingArgsSlots, put_Cancel, 8);
VELOTAP_WEBVIEW2_SLOT(NewWindowRequestedArgsSlots, put_Handled, 6);
#undef VELOTAP_WEBVIEW2_SLOT

}  // namespace velotap::webview2
