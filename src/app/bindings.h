#pragma once
// The page functions of the main window, grouped by the subsystem they drive. Each group is placed
// by MainBindings at its place in the binding order; the subsystems themselves know nothing of the
// page.
#include <functional>
#include <string>
#include <vector>

#include "bridge/bindings.h"
#include "capture/capture_service.h"
#include "engine/engine.h"
#include "macro/event_list.h"
#include "macro/profile_list.h"
#include "platform/file_dialog.h"
#include "profiles/macro_import.h"
#include "themes/theme_store.h"

namespace velotap {

// A function that raises one engine request and returns nothing.
Binding RequestBinding(std::string name, Flag& request, Event& command);

// updateSpammer to setHoldMode, in binding order.
std::vector<Binding> ToolBindings(EngineContext context);
// startPlayback and stopPlayback.
std::vector<Binding> PlaybackBindings(EngineContext context);
Binding GetSettingsBinding(EngineContext context);
// Beyond the specified list: the spammers' achieved timing for the page's meter.
Binding SendTimingBinding(EngineContext context);

Binding ResetHotkeysBinding(CaptureView view);
// updateTracker, startRecording, stopRecording, continueRecording, undoContinueRecording.
std::vector<Binding> RecorderBindings(CaptureView view);
Binding ReassignKeyBinding(CaptureView view);

Binding OptimizeMacroBinding(MacroEditView view);
// getMacroEvents, deleteEvent, updateEventTime.
std::vector<Binding> MacroListBindings(MacroEditView view);
// getMacroEvents of a process other than the main one.
Binding MirroredMacroEventsBinding(std::string mirrorPath);

// clearProfile, addProfile, deleteProfile, switchProfile, getProfiles.
std::vector<Binding> ProfileBindings(ProfileList& list, EngineState& state);
// exportProfile, importProfile, confirmMacroImport, cancelMacroImport, getPendingMacroImport.
std::vector<Binding> MacroImportBindings(MacroImportContext context);

// What the theme functions need from the main process.
struct ThemeBindingView {
    ThemeStore& store;
    FileDialogs& dialogs;
    std::function<void()> notifyPanels;
    std::function<std::string()> takePendingAlert;
};
// setTheme, getSharedTheme, getCustomThemes, getSkinPiece, getSkinFont, importTheme, deleteTheme,
// getPendingThemeAlert.
std::vector<Binding> ThemeBindings(ThemeBindingView view);

}  // namespace velotap
