#pragma once
// The "--child" role: one pop-out panel of the page in a small frameless window, with no state of
// its own.
#include <string>
#include <vector>

#include "app/main_timeline.h"
#include "bridge/bindings.h"
#include "ipc/command_pipe.h"
#include "ipc/panel_drag.h"
#include "themes/theme_store.h"

namespace velotap {

// Runs the panel described by `params` (the text after "--child ") until its window closes;
// returns the exit code.
int RunPanelRole(const std::string& params);

// The panel window's bound functions in their binding order: state changes go to the main process
// through the pipe of `pipeName`, state is read from the files in the data folder of `themes`,
// the panel's own view of the themes folder.
std::vector<Binding> PanelBindings(WindowHost& host, PanelDrag& drag, EditorLauncher& editors,
                                   ThemeStore& themes, const std::string& pipeName = kPipeName);

}  // namespace velotap
