#pragma once
// The themes folder watcher thread of the main process: a change in the folder is followed by
// three rescans (300, 200 and 200 ms after it, so a file still being copied is picked up), the
// pending-apply marker, and the notices to the page and the pop-out panels.
#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/folder_watch.h"
#include "themes/hand_over.h"

namespace velotap {

inline constexpr const char* kThemeFolderChangedScript =
    "if (window.onThemeFolderChanged) window.onThemeFolderChanged();";

struct ThemeWatcherContext {
    FolderWatch& watch;
    std::atomic<uint8_t>& running;
    HandOverContext handOver;
    // Brings the main window to the front after a hand-over was applied.
    std::function<void()> bringMainWindowForward;
};

// Returns when the watch is stopped or fails, or the running flag is clear after a round.
void RunThemeWatcher(ThemeWatcherContext context);

}  // namespace velotap
