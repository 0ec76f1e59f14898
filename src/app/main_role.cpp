#include "app/main_role.h"

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "app/data_folder.h"
#include "app/file_types.h"
#include "app/main_app.h"
#include "app/main_bindings.h"
#include "app/main_panels.h"
#include "app/migration.h"
#include "app/panel_role.h"
#include "app/timeline_role.h"
#include "base/event.h"
#include "base/file_read.h"
#include "bridge/page_bridge.h"
#include "macro/event_list.h"
#include "macro/player.h"
#include "platform/clock.h"
#include "platform/crash_save.h"
#include "platform/desktop.h"
#include "platform/folder_watch.h"
#include "platform/instance_lock.h"
#include "platform/pointer_settings.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/update_files.h"
#include "platform/window_host.h"
#include "profiles/profile_settings.h"
#include "profiles/session_store.h"
#include "themes/hand_over.h"
#include "themes/theme_watcher.h"
#include "update/update_check_thread.h"
#include "window/icon.h"
#include "window/main_window.h"
#include "window/page_assembly.h"

namespace velotap {

namespace {

// A second start brings the running window forward and hands it the file it was given through
// the themes folder, where the running program's watcher finds it.
void HandOverToRunningInstance(const WindowChoice& choice) {
    if (std::unique_ptr<Desktop> desktop = ConnectDesktop()) {
        BringMainWindowForward(*desktop, false);
    }
    if (choice.themeToOpen.empty() && choice.macroToOpen.empty()) return;
    const std::string themesFolder = ThemeStore(GetDataFolder()).folder;
    for (const std::string& path : {choice.themeToOpen, choice.macroToOpen}) {
        if (path.empty()) continue;
        if (CopyAndMark(themesFolder, path) == CopyAndMarkResult::NamesTaken) {
            ShowErrorBox("Velotap", kThemeNamesTakenMessage);
        }
    }
}

void RunThemeWatcherThread(MainApp& app) {
    RunThemeWatcher({*app.themeWatch, app.running, app.HandOverView(), [] {
                         if (std::unique_ptr<Desktop> desktop = ConnectDesktop()) {
                             BringMainWindowForward(*desktop, true);
                         }
                     }});
}

bool AutomationRequested(int argc, char** argv) {
    // Both triggers must be present: the WebDriver passes the switch and sets the inspector
    // server address; neither alone opens the web view to automation.
    bool flag = false;
    for (int i = 1; i < argc; ++i)
        flag = flag || std::strcmp(argv[i], "--automation") == 0;
    return flag && EnvironmentVariable("WEBKIT_INSPECTOR_SERVER").has_value();
}

SessionSources SessionOf(MainApp& app) {
    return {app.engine.state, app.capture.slots, app.profiles};
}

std::unique_ptr<Updater> MakeUpdater(MainApp& app, WindowHost& host, PageBridge& bridge) {
    UpdateContext context;
    context.check = [&app] { return CheckForUpdate(app.updateManifest); };
    context.pageExists = [&app] { return app.page.Attached(); };
    context.postScript = [&app](std::string script) { app.page.Post(std::move(script)); };
    context.resolve = [&bridge](const std::string& id, const std::string& json) {
        bridge.Resolve(id, 0, json);
    };
    context.dispatch = [&host](std::function<void()> work) { host.Dispatch(std::move(work)); };
    context.saveSession = [&app] { SaveSession(app.session, app.sessionPath, SessionOf(app)); };
    context.endPanels = [&app] { app.panels.TerminateAll(); };
    context.quit = [&host] { host.Terminate(); };
    return std::make_unique<Updater>(std::move(context));
}

// Creates the window, binds the page's functions, loads the page and shows the window.
void OpenMainWindow(MainApp& app, WindowHost& host, PageBridge& bridge) {
    app.window = &host;
    app.page.Attach(&host);
    app.updater = MakeUpdater(app, host, bridge);
    host.SetTitle(kMainWindowTitle);
    host.SetIcons(DrawAppIcon(32), DrawAppIcon(16));
    host.SetClientSize(420, 560);
    for (const std::string& name : BindAll(bridge, MainBindings(app)))
        ShowErrorBox("Velotap", "The page function " + name + " is bound twice.");

    const std::string pagePath = app.executableFolder + "/ui/index.html";
    if (std::string html; ReadWholeFile(pagePath, html) == FileReadStatus::Ok) {
        host.SetHtml(AssemblePage(html, UiFolderReader(app.executableFolder)));
    } else {
        ShowErrorBox("UI Error", "Failed to read:\n" + pagePath);
    }

    host.OnFilesDropped([&app](const std::vector<std::string>& paths) {
        HandOverContext handOver = app.HandOverView();
        InstallDroppedFiles(handOver, paths);
    });
    RestoreGeometry(host, app.settings);
    host.OnPlacementSettled([&app](const WindowPlacement& p) {
        app.settings.windowX = p.normal.left;
        app.settings.windowY = p.normal.top;
        app.settings.windowWidth = p.normal.width;
        app.settings.windowHeight = p.normal.height;
        app.settings.windowMaximized = p.maximized;
        app.settings.geometryValid = true;
        SaveAppSettings(app.appSettingsPath, app.settings);
    });
    ShowMainWindow(host, app.settings);
}

void RunAutosaveThread(MainApp& app) {
    // Wakes every 5 s, or at once when shut-down sets the quit event.
    while (app.running.load()) {
        WaitAny({&app.quit}, std::chrono::seconds(5));
        if (app.running.load()) SaveSession(app.session, app.sessionPath, SessionOf(app));
    }
}

void ShutDown(MainApp& app) {
    SaveSession(app.session, app.sessionPath, SessionOf(app));
    app.running.exchange(0);
    app.quit.Set();
    if (app.themeWatch) app.themeWatch->Stop();
    if (app.capture.backend) app.capture.backend->Stop();
    if (app.pipe) app.pipe->Stop();
    app.threads.JoinAll();
    if (app.updater) app.updater->Shutdown();
    app.panels.TerminateAll();
}

int RunMainRole(const WindowChoice& choice, const std::string& updateManifest,
                const std::string& displayNotice, int argc, char** argv) {
    bool heldElsewhere = false;
    std::unique_ptr<InstanceLock> lock =
        TryAcquireInstanceLock("Local\\VelotapUI_SingleInstance", heldElsewhere);
    if (heldElsewhere) {
        HandOverToRunningInstance(choice);
        return 0;
    }

    MainApp app;
    app.updateManifest = updateManifest;
    app.themeToOpen = choice.themeToOpen;
    app.macroToOpen = choice.macroToOpen;
    app.dataFolder = GetDataFolder();
    app.executableFolder = ExecutableFolder();
    app.sessionPath = MigrateDataFiles(app.dataFolder, app.executableFolder);
    MakeDataFilesOwnerOnly(app.dataFolder);
    RemoveStaleUpdateFolders();
    const std::unique_ptr<CrashSave> crashSave = InstallCrashSave(
        [&app] { SaveSessionAfterCrash(app.session, app.sessionPath, SessionOf(app)); });
    LoadSession(app.session, app.sessionPath, SessionOf(app));

    app.appSettingsPath = DataFile("appsettings.txt");
    LoadAppSettings(app.appSettingsPath, app.settings);
    ApplyLaunchOnStartup(app.settings.launchOnStartup, ExecutablePath());

    // The theme, the themes folder, a hand-over that arrived while no instance ran, and a theme
    // named on the command line.
    app.themes = std::make_unique<ThemeStore>(app.dataFolder);
    LoadCurrentTheme(*app.themes);
    RescanThemes(*app.themes);
    CheckFileTypes(app.executableFolder,
                   [&app](std::string message) { app.SetPendingAlert(std::move(message)); });
    {
        HandOverContext handOver = app.HandOverView();
        ProcessMarker(handOver);
        if (!app.themeToOpen.empty()) OpenStartupTheme(handOver, app.themeToOpen);
    }
    // A macro file named on the command line is imported like one picked in the dialog: a risky
    // one waits for the page to confirm it.
    if (!app.macroToOpen.empty()) {
        MacroImportContext imports = app.MacroImportView();
        std::string alert = ImportStartupMacro(imports, app.macroToOpen);
        if (!alert.empty()) app.SetPendingAlert(std::move(alert));
    }

    TimerPrecision timerPrecision;
    std::string inputError;
    // Without synthesis the tools run and send nothing, and without capture no hotkey works and
    // nothing is recorded; the page shows why once.
    app.engine.Connect(inputError);
    app.capture.statusPath = DataFile("status.txt");
    app.capture.eventsPath = DataFile(kMacroEventsFileName);
    std::string captureError;
    app.capture.Connect(captureError);
    // Added to, not in place of, what the macro file named on the command line reported.
    for (const std::string& problem : {displayNotice, inputError, captureError}) {
        if (!problem.empty()) app.AddPendingAlert(problem);
    }
    app.capture.InstallHooks(app.engine.hooks);
    app.engine.hooks.copySettingsToProfile = [&app] {
        CopySettingsToProfile(app.profiles, app.engine.state);
    };
    const EngineContext engine = app.EngineView();
    app.threads.clickSpammer = std::thread(RunClickSpammerThread, engine);
    app.threads.keySpammer = std::thread(RunKeySpammerThread, engine);
    app.threads.capture = std::thread(RunCaptureThread, app.CaptureViewOf());
    app.threads.player = std::thread(RunPlayerThread, engine, std::ref(app.profiles));
    app.threads.autosave = std::thread(RunAutosaveThread, std::ref(app));
    app.threads.commandProcessor = std::thread(RunCommandProcessorThread, engine);
    // Made here rather than on its thread, so popOutPanel never sees a server that is not yet
    // decided, and shut-down always has the server to stop.
    app.pipe = CreatePipeServer(kPipeName);
    if (!app.pipe) app.pipeUnavailable.exchange(1);
    app.threads.pipeServer = std::thread(RunPipeServerThread, std::ref(app));
    app.threads.busyNotifier = std::thread(RunBusyNotifierThread, engine);
    app.threads.updateCheck = std::thread([&app] {
        RunUpdateCheckThread(app.running, app.updateManifest,
                             [&app](const std::string& script) { app.page.Post(script); });
    });

    // Without a watch (the folder cannot be opened) hand-overs wait for the next start.
    app.themeWatch = WatchFolder(app.themes->folder);
    if (app.themeWatch)
        app.threads.themeWatcher = std::thread(RunThemeWatcherThread, std::ref(app));

    // The hotkeys work from the moment the window shows.
    if (app.capture.backend) app.capture.backend->Settle();

    WindowHostOptions options;
    options.automation = AutomationRequested(argc, argv);
    options.webViewDataFolder = DataFile("WebView2");
    std::string error;
    std::unique_ptr<WindowHost> host = CreateWindowHost(options, error);
    if (!host) {
        ShowErrorBox("Velotap", error);
        ShutDown(app);
        return 1;
    }
    app.capture.recorder.SetDoubleClickTimeMs(DoubleClickTimeMs());  // the toolkit is up now
    PageBridge bridge(*host);
    OpenMainWindow(app, *host, bridge);
    host->Run();

    ShutDown(app);
    app.page.Detach();
    app.window = nullptr;
    return 0;
}

}  // namespace

int RunWindowRole(const WindowChoice& choice, const std::string& updateManifest, int argc,
                  char** argv) {
    const DisplayChoice display = ChooseDisplay();
    if (!display.usable) {
        ShowErrorBox("Velotap", display.error);
        return 1;
    }
    if (choice.role == WindowRole::Panel) return RunPanelRole(choice.panelParams);
    if (choice.role == WindowRole::Timeline) return RunTimelineEditorWindow();
    return RunMainRole(choice, updateManifest, display.notice, argc, argv);
}

}  // namespace velotap
