#pragma once
// The main process's side of the command pipe and the pop-out panels.
#include <vector>

#include "app/main_app.h"
#include "bridge/bindings.h"
#include "ipc/command_pipe.h"

namespace velotap {

// What the main process does for each command another process sends.
std::vector<PipeCommand> PipeCommands(MainApp& app);

// Thread 7 of the main role: serves the pipe until shut-down stops it.
void RunPipeServerThread(MainApp& app);

// popOutPanel: starts a panel process for the page's "title|id|x|y".
Binding PopOutPanelBinding(MainApp& app);

// getTrackerStatus with the panels that still run as "restore"; while any does, their settings
// file follows the tool settings.
Binding PanelTrackerStatusBinding(MainApp& app);

}  // namespace velotap
