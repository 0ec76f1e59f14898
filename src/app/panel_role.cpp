#include "app/panel_role.h"

#include "app/bindings.h"
#include "app/data_folder.h"
#include "app/migration.h"
#include "base/args.h"
#include "base/file_read.h"
#include "base/json.h"
#include "bridge/page_bridge.h"
#include "bridge/page_poster.h"
#include "capture/tracker_status.h"
#include "ipc/panels.h"
#include "macro/event_list.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "themes/theme_notice.h"
#include "window/icon.h"
#include "window/main_window.h"
#include "window/page_assembly.h"

namespace velotap {

namespace {

// Sends the command with the flattened argument as its value, or with an empty value, and returns
// at once: the main process acts on it later, or never when it is not running.
Binding Forward(const std::string& name, bool withValue, const std::string& pipeName) {
    return {name, [name, withValue, pipeName](const std::string& args) {
                SendPipeCommand(name, withValue ? FlattenArgs(args) : std::string(), pipeName);
                return std::string();
            }};
}

}  // namespace

std::vector<Binding> PanelBindings(WindowHost& host, PanelDrag& drag, EditorLauncher& editors,
                                   ThemeStore& themes, const std::string& pipeName) {
    const std::string folder = themes.dataFolder + "/";
    auto forward = [&pipeName](const char* name, bool withValue = false) {
        return Forward(name, withValue, pipeName);
    };
    std::vector<Binding> b;
    b.push_back(forward("updateSpammer", true));
    b.push_back(forward("startSpammer"));
    b.push_back(forward("stopSpammer"));
    b.push_back(forward("updateKeySpam", true));
    b.push_back(forward("startKeySpam"));
    b.push_back(forward("stopKeySpam"));
    b.push_back(forward("removeKeySpamTarget", true));
    b.push_back(forward("setKeySpamChordMode", true));
    b.push_back(forward("setHoldMode", true));
    b.push_back(forward("updateTracker", true));
    b.push_back(forward("setTheme", true));
    // The main process writes "theme.txt" on every change, so each call follows it.
    b.push_back({"getSharedTheme", [&themes](const std::string&) {
                     return JsonEscape(ReadThemeTxt(themes.themeTxtPath));
                 }});
    b.push_back(
        {"getCustomThemes", [&themes](const std::string&) { return CustomThemesJson(themes); }});
    b.push_back({"getSkinPiece", [&themes](const std::string& args) {
                     return SkinPieceJson(themes, FlattenArgs(args));
                 }});
    b.push_back({"getSkinFont", [&themes](const std::string& args) {
                     return SkinFontJson(themes, FlattenArgs(args));
                 }});
    b.push_back(forward("startRecording"));
    b.push_back(forward("stopRecording"));
    b.push_back(forward("continueRecording"));
    b.push_back(forward("undoContinueRecording"));
    b.push_back(forward("startPlayback"));
    b.push_back(forward("stopPlayback"));
    b.push_back({"getTrackerStatus", [folder](const std::string&) {
                     std::string text;
                     const bool read =
                         ReadWholeFile(folder + "status.txt", text) == FileReadStatus::Ok;
                     return StatusFromFileText(read ? &text : nullptr);
                 }});
    b.push_back({"getSettings", [folder](const std::string&) {
                     return ReadPanelSettings(folder + kPanelSettingsFileName);
                 }});
    b.push_back(MirroredMacroEventsBinding(folder + kMacroEventsFileName));
    b.push_back(forward("deleteEvent", true));
    b.push_back(forward("updateEventTime", true));
    b.push_back(forward("optimizeMacro"));
    b.push_back(OpenTimelineEditorBinding(editors));
    b.push_back(forward("reassignKey", true));
    b.push_back({"resizeWindow", [&host](const std::string& args) {
                     ResizeWindowCall(host, args);
                     return std::string();
                 }});
    b.push_back({"beginWindowDrag", [&drag](const std::string&) {
                     drag.Begin();
                     return std::string();
                 }});
    b.push_back({"closeThisWindow", [&host](const std::string&) {
                     host.Terminate();
                     return std::string();
                 }});
    return b;
}

int RunPanelRole(const std::string& text) {
    const PanelParams params = ParsePanelParams(text);
    const std::string dataFolder = GetDataFolder();
    const std::string executableFolder = ExecutableFolder();
    MigrateThemeAndSettings(dataFolder, executableFolder);
    ThemeStore themes(dataFolder);
    RescanThemes(themes);
    // No WebDriver drives a panel: an inspector address inherited from the main process must not
    // open this page to anyone.
    UnsetEnvironmentVariable("WEBKIT_INSPECTOR_SERVER");

    WindowHostOptions options;
    options.title = PanelWindowTitle(params.title);
    options.width = kPanelWidth;
    options.height = kPanelHeight;
    options.frameless = true;
    if (params.position) options.position = PanelWindowPosition(*params.position);
    std::string error;
    std::unique_ptr<WindowHost> host = CreateWindowHost(options, error);
    if (!host) {
        ShowErrorBox("Velotap", error);
        return 1;
    }
    host->SetIcons(DrawAppIcon(32), DrawAppIcon(16));

    PagePoster page;
    page.Attach(host.get());
    host->OnWindowMessage([&page, &themes](uint32_t message, uint64_t, int64_t) {
        if (message != kThemeNoticeMessage) return false;
        RescanThemes(themes);
        page.Post(GuardedCall("onThemeFolderChanged", ""));
        return true;
    });
    std::unique_ptr<Desktop> desktop = ConnectDesktop();
    WindowHost& window = *host;
    PanelDrag drag(
        window, desktop.get(),
        [](bool hovering) { SendPipeCommand("panelHover", hovering ? "1" : "0"); },
        [&window] { window.Terminate(); });
    PageBridge bridge(window);
    EditorLauncher editors;
    for (const std::string& name : BindAll(bridge, PanelBindings(window, drag, editors, themes)))
        ShowErrorBox("Velotap", "The page function " + name + " is bound twice.");

    const std::string pagePath = executableFolder + "/ui/index.html";
    if (std::string html; ReadWholeFile(pagePath, html) == FileReadStatus::Ok) {
        html = InsertBeforeBodyEnd(std::move(html), PanelStartScript(params.theme, params.id));
        window.SetHtml(AssemblePage(std::move(html), UiFolderReader(executableFolder)));
    } else {
        window.SetHtml(kPanelErrorPage);
    }
    window.Run();
    page.Detach();
    return 0;
}

}  // namespace velotap
