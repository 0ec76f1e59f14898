#include "app/main_timeline.h"

#include <algorithm>

#include "app/main_app.h"
#include "base/json.h"
#include "bridge/page_poster.h"
#include "engine/busy_notice.h"
#include "macro/event_list.h"
#include "platform/desktop.h"
#include "timeline/timeline_main.h"

namespace velotap {

namespace {

TimelineMainView TimelineViewOf(MainApp& app) {
    return {app.timeline, app.profiles, app.engine.state, app.capture.keyNames.get(),
            app.dataFolder};
}

}  // namespace

bool BringEditorForward() {
    std::unique_ptr<Desktop> desktop = ConnectDesktop();
    if (!desktop) return false;
    std::optional<WindowHandle> window = desktop->FindTopLevel(
        [](const std::string& title) { return title == kTimelineEditorTitle; });
    if (!window) return false;
    if (desktop->IsMinimized(*window)) desktop->Restore(*window);
    desktop->ForceForeground(*window);
    return true;
}

Binding OpenTimelineEditorBinding(EditorLauncher& launcher) {
    return {"openTimelineEditor", [&launcher](const std::string&) {
                if (BringEditorForward()) return std::string();
                std::lock_guard lock(launcher.lock);
                std::erase_if(launcher.started,
                              [](const std::unique_ptr<ChildProcess>& p) { return !p->Running(); });
                std::unique_ptr<ChildProcess> editor =
                    StartChildProcess(ExecutablePath(), {"--timeline"});
                if (!editor) return JsonEscape("Couldn't open the Timeline Editor.");
                launcher.started.push_back(std::move(editor));
                return std::string();
            }};
}

std::vector<PipeCommand> TimelineCommands(MainApp& app) {
    std::vector<PipeCommand> commands;
    commands.push_back({"timelineExport", [&app](const std::string& nonce) {
                            ExportTimeline(TimelineViewOf(app), nonce);
                        }});
    commands.push_back({"applyTimelineEdit", [&app](const std::string& nonce) {
                            std::optional<TimelineOutcome> outcome =
                                ApplyTimelineEdit(TimelineViewOf(app), nonce);
                            if (!outcome || !outcome->ok) return;
                            RefreshMacroEvents(app.capture.EventListView());
                            app.page.Post(
                                "if (typeof refreshExpertList === 'function') "
                                "refreshExpertList();");
                        }});
    return commands;
}

}  // namespace velotap
