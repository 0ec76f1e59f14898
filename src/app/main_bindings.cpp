#include "app/main_bindings.h"

#include "app/bindings.h"
#include "app/main_panels.h"
#include "base/args.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "window/main_window.h"

namespace velotap {

namespace {

void SaveSettings(MainApp& app) {
    SaveAppSettings(app.appSettingsPath, app.settings);
}

}  // namespace

const char* LinkAddress(const std::string& key) {
    if (key == "docs") return "https://velotap.app/docs";
    if (key == "discord") return "https://velotap.app/community";
    return nullptr;
}

std::vector<Binding> MainBindings(MainApp& app) {
    std::vector<Binding> b;
    b.push_back({"resizeWindow", [&app](const std::string& args) {
                     if (app.window) ResizeWindowCall(*app.window, args);
                     return std::string();
                 }});
    b.push_back(PopOutPanelBinding(app));
    for (Binding& tool : ToolBindings(app.EngineView()))
        b.push_back(std::move(tool));
    for (Binding& theme :
         ThemeBindings({*app.themes, *app.fileDialogs, [&app] { app.NotifyPanelsOfTheme(); },
                        [&app] { return app.TakePendingAlert(); }}))
        b.push_back(std::move(theme));
    b.push_back(
        {"getAppSettings", [&app](const std::string&) { return AppSettingsJson(app.settings); }});
    b.push_back({"markWarningSeen", [&app](const std::string& args) {
                     if (MarkWarningSeen(app.settings, FlattenArgs(args))) SaveSettings(app);
                     return std::string();
                 }});
    b.push_back({"setAppSetting", [&app](const std::string& args) {
                     AppSettingEffect effect = SetAppSetting(app.settings, FlattenArgs(args));
                     if (effect.applyTopmost && app.window) {
                         app.window->SetTopmost(app.settings.alwaysOnTop);
                     }
                     if (effect.applyLaunchOnStartup) {
                         ApplyLaunchOnStartup(app.settings.launchOnStartup, ExecutablePath());
                     }
                     if (effect.save) SaveSettings(app);
                     // The hotkeys that act may have changed with the setting.
                     if (app.capture.backend) app.capture.backend->Refresh();
                     return std::string();
                 }});
    b.push_back({"setPanelOrder", [&app](const std::string& args) {
                     if (SetPanelOrder(app.settings, FlattenArgs(args))) SaveSettings(app);
                     return std::string();
                 }});
    const CaptureView capture = app.CaptureViewOf();
    b.push_back(ResetHotkeysBinding(capture));
    b.push_back({"openLink", [](const std::string& args) {
                     if (const char* uri = LinkAddress(FlattenArgs(args))) OpenUri(uri);
                     return std::string();
                 }});
    for (Binding& recorder : RecorderBindings(capture))
        b.push_back(std::move(recorder));
    for (Binding& playback : PlaybackBindings(app.EngineView()))
        b.push_back(std::move(playback));
    const MacroEditView macroEdit = app.capture.EventListView();
    b.push_back(OptimizeMacroBinding(macroEdit));
    b.push_back(OpenTimelineEditorBinding(app.editors));
    b.push_back(PanelTrackerStatusBinding(app));
    for (Binding& list : MacroListBindings(macroEdit))
        b.push_back(std::move(list));
    for (Binding& profile : ProfileBindings(app.profiles, app.engine.state))
        b.push_back(std::move(profile));
    for (Binding& macroFile : MacroImportBindings(app.MacroImportView()))
        b.push_back(std::move(macroFile));
    b.push_back({"startUpdate", nullptr, [&app](const std::string& id, const std::string&) {
                     if (app.updater) app.updater->Start(id);
                 }});
    b.push_back(GetSettingsBinding(app.EngineView()));
    b.push_back(ReassignKeyBinding(capture));
    b.push_back(SendTimingBinding(app.EngineView()));
    // Beyond the specified list: what works on this display.
    b.push_back({"getCapabilities", [&app](const std::string&) {
                     CapabilityFacts facts = app.capture.Facts();
                     facts.synthesisConnected = app.engine.input != nullptr;
                     facts.realtime = static_cast<RealtimeGrant>(app.engine.realtime.load());
                     return CapabilitiesDocument(facts);
                 }});
    return b;
}

}  // namespace velotap
