#pragma once
// The "--timeline" role: the timeline editor's window. It edits a copy of the current macro that
// it asks the main process for, and hands the edited macro back; it owns no profile itself.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "bridge/bindings.h"
#include "ipc/command_pipe.h"
#include "themes/theme_store.h"

namespace velotap {

inline constexpr const char* kTimelineEditorLock = "Local\\VelotapTimelineEditor";
inline constexpr int kTimelineEditorWidth = 1000, kTimelineEditorHeight = 680;
inline constexpr int kTimelineEditorMinWidth = 640, kTimelineEditorMinHeight = 420;

struct TimelineEditorState {
    std::atomic<bool> dirty{false};
    std::atomic<bool> busy{false};  // the main process is recording, playing or key spamming
};

extern const char kTimelineCloseRequestedScript[];
extern const char kTimelineMasterGoneScript[];
// The busy notice for the page; a page without its handler acknowledges at once.
std::string TimelineAutomationScript(bool busy, int64_t sequence);

// The editor window's functions in binding order: requests go to the main process through the
// pipe of `pipeName`, answers are read from the files in the data folder of `themes`, the editor's
// own view of the themes folder.
std::vector<Binding> TimelineEditorBindings(TimelineEditorState& state, WindowHost& host,
                                            ThemeStore& themes,
                                            const std::string& pipeName = kPipeName);

// Runs the editor until its window closes; returns the exit code. A second editor brings the
// first one forward and returns at once.
int RunTimelineEditorWindow();

}  // namespace velotap
