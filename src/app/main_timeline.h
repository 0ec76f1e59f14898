#pragma once
// The main process's side of the timeline editor: opening it, and its export and apply requests.
#include <memory>
#include <mutex>
#include <vector>

#include "bridge/bindings.h"
#include "ipc/command_pipe.h"
#include "platform/process.h"

namespace velotap {

struct MainApp;

// Editors this process started, kept until they have ended so none is left as a zombie. An editor
// outlives the process that started it when it still holds unsaved edits.
struct EditorLauncher {
    std::mutex lock;
    std::vector<std::unique_ptr<ChildProcess>> started;
};

// Restores and brings forward the running editor's window; false when there is none.
bool BringEditorForward();

// openTimelineEditor: brings the running editor forward or starts one; the JSON string
// "Couldn't open the Timeline Editor." when it cannot start.
Binding OpenTimelineEditorBinding(EditorLauncher& launcher);

// timelineExport and applyTimelineEdit; an applied edit refreshes the main page's event list.
std::vector<PipeCommand> TimelineCommands(MainApp& app);

}  // namespace velotap
