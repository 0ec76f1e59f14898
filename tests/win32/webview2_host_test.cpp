// The real WebView2 host against the loader's test double beside this program, and the real
// program with the double and without any runtime.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "app/timeline_role.h"
#include "bridge/page_bridge.h"
#include "engine/busy_notice.h"
#include "fake_webview2_loader/fake_webview2_loader.h"
#include "ipc/panels.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_webview2_runtime.h"
#include "support/subprocess.h"
#include "support/wait_for.h"
#include "themes/theme_notice.h"
#include "timeline/timeline_exchange.h"
#include "window/main_window.h"
#include "window/page_assembly.h"

namespace velotap {

namespace {

namespace fs = std::filesystem;
using namespace std::string_view_literals;

constexpr const char* kHardening[] = {
    "Settings.put_AreDefaultContextMenusEnabled 0 @ui",
    "Settings.put_AreDevToolsEnabled 0 @ui",
    "Settings.put_IsZoomControlEnabled 0 @ui",
    "Settings.put_IsStatusBarEnabled 0 @ui",
    "Settings.put_AreBrowserAcceleratorKeysEnabled 0 @ui",
    "Settings.put_IsPinchZoomEnabled 0 @ui",
    "Settings.put_IsSwipeNavigationEnabled 0 @ui",
};

std::unique_ptr<WindowHost> StartHost(const std::string& title) {
    FakeWebView2Reset(S_OK);
    std::string error;
    std::unique_ptr<WindowHost> host = CreateWindowHost({}, error);
    EXPECT_TRUE(host) << error;
    if (host) host->SetTitle(title);
    return host;
}

// A drop as the shell hands it over: a DROPFILES block followed by the wide paths.
HDROP ShellDrop(std::wstring_view paths) {
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (paths.size() + 1) * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(drop + 1, paths.data(), paths.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : "|") + item;
    return out;
}

fs::path ThisProgramFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

// "left,top widthxheight"
std::string FrameOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// "widthxheight" of the page's room.
std::string ClientOf(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return std::to_string(r.right) + "x" + std::to_string(r.bottom);
}

// The window that holds the pointer for `window`'s thread.
HWND CaptureOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndCapture;
}

// The primary button held down as a user's hand would, for as long as it lives.
class PrimaryButtonDown {
  public:
    PrimaryButtonDown() { Send(MOUSEEVENTF_LEFTDOWN); }
    ~PrimaryButtonDown() { Send(MOUSEEVENTF_LEFTUP); }
    PrimaryButtonDown(const PrimaryButtonDown&) = delete;
    PrimaryButtonDown& operator=(const PrimaryButtonDown&) = delete;

  private:
    static void Send(DWORD flags) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        SendInput(1, &input, sizeof input);
    }
};

// The program copied with the loader's double beside it (and its page folder when `withPage`),
// run on a thread of the test, which plays its page through the double.
class ProgramCopy {
  public:
    explicit ProgramCopy(bool withPage) {
        fs::copy_file(AppPath(), program_);
        fs::copy_file(ThisProgramFolder() / "WebView2Loader.dll", folder() / "WebView2Loader.dll");
        if (withPage) {
            fs::copy(fs::path(AppPath()).parent_path() / "ui", folder() / "ui",
                     fs::copy_options::recursive);
        }
        fs::create_directories(fs::path(data_.path()) / "Velotap");
    }
    // A test that failed half-way still ends the program.
    ~ProgramCopy() {
        if (!runner_.joinable()) return;
        if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
        runner_.join();
    }

    const TempDir& data() const { return data_; }
    fs::path folder() const { return program_.parent_path(); }
    std::string Log() const { return ReadWholeFile(log_); }
    std::string Page() const { return ReadWholeFile(log_ + ".page"); }

    // Started as the program starts its own windows: the arguments after the quoted path.
    void Start(const std::string& arguments) {
        runner_ = std::thread([this, arguments] {
            exitCode_ = RunCommandLine(
                            "\"" + program_.string() + "\" " + arguments,
                            {{"LOCALAPPDATA", data_.path()}, {"VELOTAP_FAKE_WEBVIEW2_LOG", log_}})
                            .exitCode;
            ended_ = true;
        });
    }
    // The exit code once the program ended by itself; none when it did not within the limit.
    std::optional<int> Wait() {
        if (!WaitFor([&] { return ended_.load(); }, std::chrono::seconds(120))) return std::nullopt;
        runner_.join();
        return exitCode_;
    }
    bool WaitForLog(const std::string& text) {
        return WaitFor([&] { return Log().find(text) != std::string::npos; },
                       std::chrono::seconds(120));
    }
    // The program's window titled `title`, once its page was handed over; null when none came.
    HWND ShownWindow(const std::string& title) {
        WaitFor(
            [&] {
                window_ = FindWindowW(L"VelotapWebViewWindow", Widen(title).c_str());
                return window_ && Log().find("WebView.NavigateToString") != std::string::npos;
            },
            std::chrono::seconds(120));
        return window_;
    }
    // The page in the program posts `text`; back once the program handled it.
    void PostAsPage(std::wstring_view text) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window_, &pid);
        HWND page = nullptr;
        DWORD owner = 0;
        while ((page = FindWindowExW(HWND_MESSAGE, page, kFakeWebView2WindowClass, nullptr)) &&
               (GetWindowThreadProcessId(page, &owner), owner != pid)) {
        }
        ASSERT_TRUE(page);
        COPYDATASTRUCT data{0, static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                            const_cast<wchar_t*>(text.data())};
        SendMessageW(page, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    }

  private:
    TempDir install_, data_;
    fs::path program_ = fs::path(install_.path()) / "VelotapApp.exe";
    std::string log_ = data_.File("webview2.log");
    std::thread runner_;
    int exitCode_ = -1;
    std::atomic<bool> ended_{false};
    HWND window_ = nullptr;
};

}  // namespace

TEST(WebView2Host, HardensBridgesAndRunsEverythingOnTheUiThread) {
    FakeWebView2Reset(S_OK);
    WindowHostOptions options;
    options.webViewDataFolder = "C:\\Velotap Data\\WebView2";
    std::string error;
    std::unique_ptr<WindowHost> host = CreateWindowHost(options, error);
    ASSERT_TRUE(host) << error;

    std::thread resolver;
    {
        PageBridge bridge(*host);
        bridge.Bind("echo", [](const std::string& args) { return args; });
        bridge.BindAsync("later", [&](const std::string& id, const std::string&) {
            resolver = std::thread([&bridge, &host, id] {
                bridge.Resolve(id, 0, "42");
                host->Terminate();
            });
        });
        host->SetHtml("<!doctype html><title>Größe ✓</title>");
        std::thread([&] { host->Dispatch([&] { host->Eval("posted()"); }); }).join();
        host->Dispatch([] {
            FakeWebView2PostMessage(LR"({"id":"1","method":"echo","params":[420,"a"]})");
            FakeWebView2PostMessage(LR"({"id":"2","method":"later","params":[]})");
        });
        host->Run();
        resolver.join();
    }

    EXPECT_EQ(std::wstring(FakeWebView2Page()), L"<!doctype html><title>Größe ✓</title>");
    const std::string record = FakeWebView2Record();
    std::vector<std::string> expected(std::begin(kHardening), std::end(kHardening));
    expected.insert(
        expected.end(),
        {
            "Loader.CreateCoreWebView2EnvironmentWithOptions (null) "
            "C:\\Velotap Data\\WebView2 @ui",
            "Controller.put_IsVisible 1 @ui",
            "WebView.AddScriptToExecuteOnDocumentCreated " +
                PageBridgeScript(host->PagePostFunction()) + " @ui",
            "WebView.ExecuteScript posted() @ui",
            "WebView.ExecuteScript " + ReplyScript("1", ReplyStatus::Resolved, "[420,\"a\"]") +
                " @ui",
            "WebView.ExecuteScript " + ReplyScript("2", ReplyStatus::Resolved, "42") + " @ui",
        });
    for (const std::string& line : expected)
        EXPECT_NE(record.find(line + "\n"), std::string::npos) << line << "\nin\n" << record;
    EXPECT_EQ(record.find("@other"), std::string::npos) << record;
}

TEST(WebView2Host, ShowsOnlyItsPageAndHandsOverDropsAndNotices) {
    std::unique_ptr<WindowHost> host = StartHost("Velotap drop test");
    ASSERT_TRUE(host);
    std::vector<std::string> dropped;
    host->OnFilesDropped([&](const std::vector<std::string>& paths) {
        dropped.insert(dropped.end(), paths.begin(), paths.end());
    });
    host->SetHtml("<p>page</p>");

    struct Case {
        const wchar_t* uri;
        bool cancelled;
        const char* dropped;
    };
    const Case cases[] = {
        {L"data:text/html;charset=utf-8;base64,PHA+cGFnZTwvcD4=", false, ""},  // the page set
        {L"data:text/html;charset=utf-8;base64,PHA+cGFnZTwvcD4=", true, ""},   // once only
        {L"https://example.com/", true, ""},
        {L"about:blank", true, ""},
        {L"file:///C:/Themes/Neon%20Blue.vtptheme", true, "C:\\Themes\\Neon Blue.vtptheme"},
        {L"file:///C:/%C3%9Cber/a.vtpmacro", true, "C:\\Über\\a.vtpmacro"},
        {L"file://server/share/b.vtptheme", true, "\\\\server\\share\\b.vtptheme"},
    };
    for (const Case& c : cases) {
        dropped.clear();
        EXPECT_EQ(FakeWebView2Navigate(c.uri) != FALSE, c.cancelled) << c.dropped;
        EXPECT_EQ(Join(dropped), c.dropped);
    }
    EXPECT_TRUE(FakeWebView2OpenWindow(L"https://example.com/"));

    HWND window = FindWindowW(nullptr, L"Velotap drop test");
    ASSERT_TRUE(window);
    dropped.clear();
    SendMessageW(window, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(ShellDrop(L"C:\\a.vtptheme\0C:\\b.vtpmacro\0"sv)), 0);
    EXPECT_EQ(Join(dropped), "C:\\a.vtptheme|C:\\b.vtpmacro");

    std::vector<uint32_t> notices;
    host->OnWindowMessage([&](uint32_t message, uint64_t, int64_t) {
        notices.push_back(message);
        return true;
    });
    for (UINT message : {WM_USER + 7, 0x8064, 0x8065})
        SendMessageW(window, message, 0, 0);
    EXPECT_EQ(notices, (std::vector<uint32_t>{0x8064, 0x8065}));
}

TEST(WebView2Host, ARuntimeThatCannotStartIsReported) {
    FakeWebView2Reset(E_ACCESSDENIED);
    std::string error;
    EXPECT_FALSE(CreateWindowHost({}, error));
    EXPECT_NE(error.find("could not be started (error 0x80070005)"), std::string::npos) << error;
    EXPECT_FALSE(FindWindowW(L"VelotapWebViewWindow", nullptr));
}

TEST(VelotapApp, ExplainsAMissingRuntimeAndExitsWithAnError) {
    TempDir data;
    std::wstring boxText;
    std::thread watcher([&] {
        HWND box = nullptr;
        WaitFor(
            [&] {
                box = FindWindowW(reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(32770)),
                                  L"Velotap");
                return box != nullptr;
            },
            std::chrono::seconds(120));
        if (!box) return;
        EnumChildWindows(
            box,
            [](HWND child, LPARAM text) {
                wchar_t buffer[1024];
                int n = GetWindowTextW(child, buffer, 1024);
                if (n > 0) *reinterpret_cast<std::wstring*>(text) += std::wstring(buffer, n) + L"|";
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&boxText));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    ProcessResult result = RunProcess(AppPath(), {}, {{"LOCALAPPDATA", data.path()}});
    watcher.join();

    const std::wstring missing(kWebView2Missing, kWebView2Missing + strlen(kWebView2Missing));
    EXPECT_NE(boxText.find(missing), std::wstring::npos);
    EXPECT_EQ(result.exitCode, 1);
}

TEST(VelotapApp, OpensItsAssembledPageThroughTheLoaderAndKeepsItsPlace) {
    ProgramCopy app(true);
    const std::string settings = app.data().File("Velotap/appsettings.txt");
    // Remembered larger than any screen: restored clipped to the work area, saved when it closes.
    app.data().Write("Velotap/appsettings.txt",
                     "windowX=100\r\nwindowY=50\r\nwindowWidth=5000\r\nwindowHeight=4000\r\n");
    app.Start("");
    HWND window = app.ShownWindow(kMainWindowTitle);
    ASSERT_TRUE(window) << app.Log();
    app.PostAsPage(LR"({"id":"e2e","method":"getAppSettings","params":[]})");
    EXPECT_TRUE(app.WaitForLog("window.__velotap.settle(\"e2e\",0,\"{")) << app.Log();
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.Wait(), 0);

    const std::string record = app.Log();
    for (const char* line : kHardening)
        EXPECT_NE(record.find(std::string(line) + "\n"), std::string::npos) << line;
    EXPECT_NE(record.find("Controller.Close @ui\n"), std::string::npos);
    EXPECT_EQ(app.Page(), AssemblePage(ReadWholeFile((app.folder() / "ui" / "index.html").string()),
                                       UiFolderReader(app.folder().string())));

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{100, 50}, MONITOR_DEFAULTTONULL), &monitor));
    const std::string saved = ReadWholeFile(settings);
    for (const std::string& line :
         {std::string("windowX=100"), std::string("windowY=50"),
          "windowWidth=" + std::to_string(monitor.rcWork.right - monitor.rcWork.left),
          "windowHeight=" + std::to_string(monitor.rcWork.bottom - monitor.rcWork.top)}) {
        EXPECT_NE(saved.find(line + "\r\n"), std::string::npos) << line << " in\n" << saved;
    }
}

// A panel of the real program: frameless where it was popped out, its page turned into the one
// panel, the main process's theme notice reaching the page, a drag that follows the pointer, and
// a drop onto the main window that docks it back (the panel closes).
TEST(VelotapApp, PanelFollowsADragAndDocksOnTheMainWindow) {
    // Where the main window would be: the panel finds it by its title.
    HWND main =
        CreateWindowExW(0, L"STATIC", Widen(kMainWindowTitle).c_str(), WS_POPUP | WS_VISIBLE, 700,
                        100, 200, 200, nullptr, nullptr, nullptr, nullptr);
    ProgramCopy app(true);
    app.Start("--child Clicks|clicker|300|200|midnight");
    HWND panel = app.ShownWindow("Velotap - Clicks");
    ASSERT_TRUE(panel) << app.Log();

    constexpr LONG kFrame =
        WS_DLGFRAME | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(GetWindowLongW(panel, GWL_STYLE) & (kFrame | WS_POPUP | WS_BORDER),
              static_cast<LONG>(WS_POPUP | WS_BORDER));
    EXPECT_EQ(FrameOf(panel), "150,180 450x400");
    const std::string index = ReadWholeFile((app.folder() / "ui" / "index.html").string());
    EXPECT_EQ(app.Page(),
              AssemblePage(InsertBeforeBodyEnd(index, PanelStartScript("midnight", "clicker")),
                           UiFolderReader(app.folder().string())));
    // The start script asks for the one panel's size: a client area inside the thin border.
    app.PostAsPage(LR"({"id":"r","method":"resizeWindow","params":[420,300]})");
    EXPECT_EQ(FrameOf(panel), "150,180 422x302");

    DWORD pid = 0;
    GetWindowThreadProcessId(panel, &pid);
    SendThemeNotice({static_cast<uint32_t>(pid)});
    EXPECT_TRUE(
        app.WaitForLog("WebView.ExecuteScript if (window.onThemeFolderChanged) "
                       "window.onThemeFolderChanged(); @ui"))
        << app.Log();

    struct Drag {
        POINT from, to;
        const char* frame;  // where the panel follows the pointer to
        UINT end;           // the button let go, or the hold taken away
    };
    const Drag drags[] = {
        {{300, 200}, {340, 260}, "190,240 422x302", WM_LBUTTONUP},       // beside the main window
        {{340, 260}, {750, 150}, "600,130 422x302", WM_CAPTURECHANGED},  // over it, not let go
        {{750, 150}, {760, 160}, "610,140 422x302", WM_LBUTTONUP},       // let go over it: docks
    };
    const auto beginDrag = [&] {
        app.PostAsPage(LR"({"id":"d","method":"beginWindowDrag","params":[""]})");
    };
    // A quick click is over before the page asks: nothing is held, and the panel stays put.
    SetCursorPos(300, 200);
    beginDrag();
    EXPECT_EQ(CaptureOf(panel), nullptr);
    SetCursorPos(340, 260);
    SendMessageW(panel, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(FrameOf(panel), "150,180 422x302");

    PrimaryButtonDown pressed;
    for (const Drag& d : drags) {
        SetCursorPos(d.from.x, d.from.y);
        // The program may learn of the press a moment after it was made.
        EXPECT_TRUE(WaitFor(
            [&] {
                beginDrag();
                return CaptureOf(panel) == panel;
            },
            std::chrono::seconds(20)));
        SetCursorPos(d.to.x, d.to.y);
        SendMessageW(panel, WM_MOUSEMOVE, 0, 0);
        EXPECT_EQ(FrameOf(panel), d.frame);
        SendMessageW(panel, d.end, 0, 0);
        if (&d != std::end(drags) - 1) {
            EXPECT_EQ(FrameOf(panel), d.frame);  // stays where the drag ended
            EXPECT_EQ(CaptureOf(panel), nullptr);
        }
    }
    EXPECT_EQ(app.Wait(), 0);
    EXPECT_NE(app.Log().find("Controller.Close @ui\n"), std::string::npos);
    DestroyWindow(main);
}

TEST(VelotapApp, PanelWithoutItsPageShowsTheErrorPage) {
    ProgramCopy app(false);
    app.Start("--child");
    HWND panel = app.ShownWindow("Velotap - Panel");
    ASSERT_TRUE(panel) << app.Log();
    EXPECT_EQ(app.Page(), kPanelErrorPage);
    PostMessageW(panel, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.Wait(), 0);
}

// The timeline editor of the real program: its page, the room it leaves the page, one editor at a
// time, the main program's busy notice reaching the page, a close refused over unsaved edits, and
// the place it was left in.
TEST(VelotapApp, TimelineEditorKeepsUnsavedEditsAndItsPlace) {
    // Without a main window the editor would close itself.
    HWND main = CreateWindowExW(0, L"STATIC", Widen(kMainWindowTitle).c_str(), WS_POPUP, 0, 0, 10,
                                10, nullptr, nullptr, nullptr, nullptr);
    ProgramCopy app(true);
    app.Start("--timeline");
    HWND editor = app.ShownWindow(kTimelineEditorTitle);
    ASSERT_TRUE(editor) << app.Log();
    EXPECT_EQ(app.Page(),
              AssemblePage(ReadWholeFile((app.folder() / "ui" / "timeline.html").string()),
                           UiFolderReader(app.folder().string())));
    EXPECT_EQ(ClientOf(editor), "1000x680");
    SetWindowPos(editor, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ClientOf(editor), "640x420");

    ProgramCopy second(false);
    second.Start("--timeline");
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(FindWindowExW(nullptr, editor, L"VelotapWebViewWindow",
                            Widen(kTimelineEditorTitle).c_str()),
              nullptr);

    EngineState engine;
    engine.playing = 1;
    std::unique_ptr<Desktop> desktop = ConnectDesktop();
    std::unique_ptr<WindowMessenger> messenger = ConnectWindowMessenger();
    BusyNotice notice;
    notice.desktop = desktop.get();
    notice.messenger = messenger.get();
    SendBusyNotice(notice, engine, nullptr);
    EXPECT_TRUE(app.WaitForLog("WebView.ExecuteScript " + TimelineAutomationScript(true, 1)))
        << app.Log();

    app.PostAsPage(LR"({"id":"d","method":"tlSetDirty","params":["1"]})");
    PostMessageW(editor, WM_CLOSE, 0, 0);
    EXPECT_TRUE(
        app.WaitForLog(std::string("WebView.ExecuteScript ") + kTimelineCloseRequestedScript))
        << app.Log();
    SendMessageW(editor, WM_NULL, 0, 0);  // the close request was answered
    EXPECT_TRUE(IsWindowVisible(editor));

    RECT normal{};
    GetWindowRect(editor, &normal);
    ShowWindow(editor, SW_MAXIMIZE);
    app.PostAsPage(LR"({"id":"c","method":"tlCloseWindow","params":[""]})");
    EXPECT_EQ(app.Wait(), 0);
    EXPECT_EQ(ReadWholeFile(app.data().File(std::string("Velotap/") + kTimelinePlacementFile)),
              std::to_string(normal.right - normal.left) + " " +
                  std::to_string(normal.bottom - normal.top) + " max");
    DestroyWindow(main);
}

// The editor follows the main program: when its window is gone, the editor closes, or with unsaved
// edits tells its page once and leaves the closing to the user.
TEST(VelotapApp, TimelineEditorFollowsTheMainProgramAway) {
    for (const bool dirty : {true, false}) {
        HWND main = CreateWindowExW(0, L"STATIC", Widen(kMainWindowTitle).c_str(), WS_POPUP, 0, 0,
                                    10, 10, nullptr, nullptr, nullptr, nullptr);
        ProgramCopy app(true);
        // Left larger than any screen and maximised: it opens so again, clipped to the work area.
        app.data().Write(std::string("Velotap/") + kTimelinePlacementFile, "5000 5000 max");
        app.Start("--timeline");
        HWND editor = app.ShownWindow(kTimelineEditorTitle);
        ASSERT_TRUE(editor) << app.Log();
        EXPECT_TRUE(IsZoomed(editor));
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(editor, MONITOR_DEFAULTTONEAREST), &monitor);

        if (dirty) app.PostAsPage(LR"({"id":"d","method":"tlSetDirty","params":["1"]})");
        DestroyWindow(main);
        if (dirty) {
            EXPECT_TRUE(
                app.WaitForLog(std::string("WebView.ExecuteScript ") + kTimelineMasterGoneScript))
                << app.Log();
            SendMessageW(editor, WM_NULL, 0, 0);
            EXPECT_TRUE(IsWindowVisible(editor));
            PostMessageW(editor, WM_CLOSE, 0, 0);  // the notice took the unsaved flag away
        }
        EXPECT_EQ(app.Wait(), 0) << dirty;
        // Its normal size was the work area's (Wine reads another process's placement wrongly).
        const RECT& work = monitor.rcWork;
        EXPECT_EQ(ReadWholeFile(app.data().File(std::string("Velotap/") + kTimelinePlacementFile)),
                  std::to_string(work.right - work.left) + " " +
                      std::to_string(work.bottom - work.top) + " max");
    }
}

}  // namespace velotap
