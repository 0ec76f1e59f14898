// The real WebView2 host against the loader's test double beside this program, and the real
// program with the double and without any runtime.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <filesystem>
#include <thread>

#include "bridge/page_bridge.h"
#include "fake_webview2_loader/fake_webview2_loader.h"
#include "platform/win32/win32_webview2_runtime.h"
#include "support/subprocess.h"
#include "support/wait_for.h"
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
    TempDir install, data;
    const fs::path program = fs::path(install.path()) / "VelotapApp.exe";
    fs::copy_file(AppPath(), program);
    fs::copy_file(ThisProgramFolder() / "WebView2Loader.dll",
                  program.parent_path() / "WebView2Loader.dll");
    fs::copy(fs::path(AppPath()).parent_path() / "ui", program.parent_path() / "ui",
             fs::copy_options::recursive);
    fs::create_directories(fs::path(data.path()) / "Velotap");
    const std::string settings = (fs::path(data.path()) / "Velotap" / "appsettings.txt").string();
    // Remembered larger than any screen: restored clipped to the work area, saved when it closes.
    data.Write("Velotap/appsettings.txt",
               "windowX=100\r\nwindowY=50\r\nwindowWidth=5000\r\nwindowHeight=4000\r\n");
    const std::string log = data.File("webview2.log");

    ProcessResult result = RunProcess(
        program.string(), {}, {{"LOCALAPPDATA", data.path()}, {"VELOTAP_FAKE_WEBVIEW2_LOG", log}});
    EXPECT_EQ(result.exitCode, 0);

    const std::string record = ReadWholeFile(log);
    for (const char* line : kHardening)
        EXPECT_NE(record.find(std::string(line) + "\n"), std::string::npos) << line;
    EXPECT_NE(record.find("window.__velotap.settle(\"e2e\",0,\"{"), std::string::npos) << record;
    EXPECT_NE(record.find("Controller.Close @ui\n"), std::string::npos);
    const std::string ui = (program.parent_path() / "ui").string();
    EXPECT_EQ(ReadWholeFile(log + ".page"),
              AssemblePage(ReadWholeFile(ui + "/index.html"),
                           UiFolderReader(program.parent_path().string())));

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

}  // namespace velotap
