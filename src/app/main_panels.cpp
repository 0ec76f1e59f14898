#include "app/main_panels.h"

#include <algorithm>

#include "app/data_folder.h"
#include "app/main_bindings.h"
#include "app/main_timeline.h"
#include "base/args.h"
#include "base/json.h"
#include "engine/engine_calls.h"
#include "ipc/panels.h"
#include "platform/file_replace.h"
#include "platform/process.h"
#include "themes/theme_store.h"

namespace velotap {

namespace {

// Commands that do exactly what the main window's function of the same name does, with the
// value as the function's flattened argument.
constexpr const char* kAsTheMainWindowDoes[] = {
    "updateSpammer",     "updateKeySpam",         "startSpammer",        "stopSpammer",
    "startKeySpam",      "stopKeySpam",           "removeKeySpamTarget", "setKeySpamChordMode",
    "updateTracker",     "setHoldMode",           "startRecording",      "stopRecording",
    "continueRecording", "undoContinueRecording", "startPlayback",       "stopPlayback",
    "setTheme",          "deleteEvent",           "updateEventTime",     "optimizeMacro"};

SyncBinding FindBinding(const std::vector<Binding>& bindings, std::string_view name) {
    auto found = std::find_if(bindings.begin(), bindings.end(),
                              [name](const Binding& b) { return b.name == name && b.sync; });
    return found == bindings.end() ? nullptr : found->sync;
}

// Panels read the tool settings from this file; it is written when a panel starts and, while
// panels are open, whenever the settings change.
void WritePanelSettings(MainApp& app, bool always) {
    std::string settings = SettingsDocument(app.engine.state);
    std::lock_guard lock(app.panelSettingsMutex);
    if (!always && settings == app.panelSettings) return;
    ReplaceFileContents(DataFile(kPanelSettingsFileName), settings);
    app.panelSettings = std::move(settings);
}

}  // namespace

std::vector<PipeCommand> PipeCommands(MainApp& app) {
    const std::vector<Binding> bound = MainBindings(app);
    std::vector<PipeCommand> commands;
    for (const char* name : kAsTheMainWindowDoes) {
        // A function this build does not bind has no command either.
        if (SyncBinding run = FindBinding(bound, name)) {
            commands.push_back({name, [run](const std::string& value) { run(value); }});
        }
    }
    commands.push_back({"panelHover", [&app](const std::string& value) {
                            app.panels.hover.exchange(value == "1" ? 1 : 0);
                        }});
    if (SyncBinding reassign = FindBinding(bound, "reassignKey")) {
        commands.push_back({"reassignKey", [reassign, &app](const std::string& value) {
                                reassign(value);
                                app.command.Set();
                            }});
    }
    commands.push_back({"timelineAck", [&app](const std::string& value) {
                            if (std::optional<uint32_t> sequence = TimelineAckSequence(value)) {
                                AcknowledgeBusyNotice(app.engine.notice, *sequence,
                                                      app.timelineAck);
                            }
                        }});
    for (PipeCommand& timeline : TimelineCommands(app))
        commands.push_back(std::move(timeline));
    return commands;
}

void RunPipeServerThread(MainApp& app) {
    if (!app.pipe) return;
    const std::vector<PipeCommand> commands = PipeCommands(app);
    ServePipe(*app.pipe, app.running, [&](const PipeMessage& message) {
        DispatchPipeMessage(commands, message);
        // A panel that changed a setting sees it in its next read.
        WritePanelSettings(app, false);
    });
}

Binding PopOutPanelBinding(MainApp& app) {
    return {"popOutPanel", [&app](const std::string& args) {
                if (app.pipeUnavailable.load()) return JsonEscape(kPanelsUnavailable);
                const std::string flattened = FlattenArgs(args);
                const std::vector<std::string> fields = SplitString(flattened, '|');
                // Without an id the panel would show nothing, and nothing could track or end it.
                if (fields.size() < 2) return std::string();
                WritePanelSettings(app, true);
                std::unique_ptr<ChildProcess> panel = StartChildProcess(
                    ExecutablePath(),
                    PanelArguments(flattened, app.themes ? CurrentTheme(*app.themes)
                                                         : ReadThemeTxt(DataFile("theme.txt"))));
                if (panel) app.panels.Add(fields[1], std::move(panel));
                return std::string();
            }};
}

Binding PanelTrackerStatusBinding(MainApp& app) {
    const CaptureView capture = app.CaptureViewOf();
    return {"getTrackerStatus", [&app, capture](const std::string&) {
                std::vector<std::string> restore = app.panels.Live();
                if (!restore.empty()) WritePanelSettings(app, false);
                const bool hover = app.panels.hover.load() != 0;
                return TrackerStatus(capture, std::move(restore), hover);
            }};
}

}  // namespace velotap
