#include "app/main_app.h"

#include <utility>

#include "profiles/global_settings.h"
#include "themes/theme_notice.h"

namespace velotap {

void MainThreads::JoinAll() {
    for (std::thread* t : {&clickSpammer, &keySpammer, &capture, &player, &commandProcessor,
                           &pipeServer, &busyNotifier, &autosave, &updateCheck, &themeWatcher}) {
        if (t->joinable()) t->join();
    }
}

void MainApp::SetPendingAlert(std::string message) {
    std::lock_guard lock(alertMutex_);
    pendingAlert_ = std::move(message);
}

void MainApp::AddPendingAlert(const std::string& message) {
    std::lock_guard lock(alertMutex_);
    pendingAlert_ += (pendingAlert_.empty() ? "" : " ") + message;
}

std::string MainApp::TakePendingAlert() {
    std::lock_guard lock(alertMutex_);
    return std::exchange(pendingAlert_, std::string());
}

EngineContext MainApp::EngineView() {
    return {engine,      running,  settings.stopToolsWithMacro,
            quit,        command,  clickWake,
            keySpamWake, playWake, timelineAck};
}

CaptureView MainApp::CaptureViewOf() {
    return {capture,
            engine.state,
            settings,
            command,
            [this](const std::string& message) { AddPendingAlert(message); },
            [this] {
                if (engine.hooks.copySettingsToProfile) engine.hooks.copySettingsToProfile();
            }};
}

MacroImportContext MainApp::MacroImportView() {
    return {profiles,
            engine.state,
            heldImport,
            *fileDialogs,
            [this] { return GlobalSettingsLine(engine.state, capture.slots); },
            [this](const std::string& script) { page.Post(script); }};
}

void MainApp::NotifyPanelsOfTheme() {
    SendThemeNotice(panels.ProcessIds());
}

HandOverContext MainApp::HandOverView() {
    return {*themes,
            [this] { return page.Attached(); },
            [this](const std::string& script) { page.Post(script); },
            [this](const std::string& message) { SetPendingAlert(message); },
            [this] { NotifyPanelsOfTheme(); },
            [this](const std::string& path) {
                MacroImportContext imports = MacroImportView();
                ImportOutcome outcome = ImportMacroPath(imports, path, ImportSource::HandedOver);
                switch (outcome.kind) {
                    case ImportOutcome::Kind::Imported:
                        return MacroHandOver{MacroHandOver::Kind::Imported, {}};
                    case ImportOutcome::Kind::Held:
                        return MacroHandOver{MacroHandOver::Kind::Held, outcome.document};
                    default:
                        return MacroHandOver{MacroHandOver::Kind::Unreadable, {}};
                }
            }};
}

}  // namespace velotap
