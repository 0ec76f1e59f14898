#pragma once
// State of the main process, owned by the main role and passed to every subsystem explicitly.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app_settings.h"
#include "app/main_timeline.h"
#include "base/event.h"
#include "bridge/page_poster.h"
#include "capture/capture_service.h"
#include "engine/engine.h"
#include "ipc/panel_record.h"
#include "platform/command_pipe.h"
#include "platform/file_dialog.h"
#include "platform/folder_watch.h"
#include "profiles/macro_import.h"
#include "profiles/session_store.h"
#include "themes/hand_over.h"
#include "themes/theme_store.h"
#include "timeline/timeline_exchange.h"
#include "update/update_install.h"

namespace velotap {

class WindowHost;

// The main role's worker threads; shut-down joins them in the order JoinAll uses.
struct MainThreads {
    std::thread clickSpammer, keySpammer, capture, player, autosave, commandProcessor, pipeServer,
        busyNotifier, updateCheck;
    std::thread themeWatcher;  // joined last
    void JoinAll();
};

struct MainApp {
    std::atomic<uint8_t> running{1};
    Event quit{EventReset::Manual};
    Event command{EventReset::Auto};
    Event clickWake{EventReset::Auto};
    Event keySpamWake{EventReset::Auto};
    Event playWake{EventReset::Auto};
    Event timelineAck{EventReset::Auto};

    std::string dataFolder;
    std::string executableFolder;
    std::string sessionPath;
    std::string updateManifest;
    std::string themeToOpen;
    std::string macroToOpen;

    AppSettings settings;
    std::string appSettingsPath;

    Engine engine;
    // The engine's view of this process: its state, events and flags.
    EngineContext EngineView();

    // Every profile and macro, under the macro lock.
    ProfileList profiles;
    SessionStore session;  // saves of the file at sessionPath

    CaptureService capture{engine.state, profiles};
    // The capture subsystem's view of this process.
    CaptureView CaptureViewOf();

    // The macro import the risk scan holds for the page, and the dialogs that pick macro files.
    HeldImport heldImport;
    std::unique_ptr<FileDialogs> fileDialogs = CreateFileDialogs();
    // The import and export's view of this process.
    MacroImportContext MacroImportView();

    // The command pipe's server (null when it could not start: then the unavailable flag is set)
    // and the pop-out panels it serves.
    std::unique_ptr<PipeServer> pipe;
    Flag pipeUnavailable{0};
    PanelRecord panels;
    std::mutex panelSettingsMutex;
    std::string panelSettings;  // what "panelsettings.txt" holds, as last written

    // What the timeline editor exported last, and the editors this process started.
    TimelineSnapshot timeline;
    EditorLauncher editors;

    // The theme store, made once the data folder is known; the watch that wakes its watcher.
    std::unique_ptr<ThemeStore> themes;
    std::unique_ptr<FolderWatch> themeWatch;
    // Dropped and handed-over files' view of this process.
    HandOverContext HandOverView();

    // The theme notice to every pop-out panel.
    void NotifyPanelsOfTheme();

    PagePoster page;
    WindowHost* window = nullptr;  // set while the main window exists (UI thread only)
    // "startUpdate", made with the main window; shut-down stops and joins its worker.
    std::unique_ptr<Updater> updater;
    MainThreads threads;

    // getPendingThemeAlert returns it once and clears it.
    void SetPendingAlert(std::string message);
    // Adds a sentence to what is pending, after what is there already.
    void AddPendingAlert(const std::string& message);
    std::string TakePendingAlert();

  private:
    std::mutex alertMutex_;
    std::string pendingAlert_;
};

}  // namespace velotap
