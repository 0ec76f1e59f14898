#include "themes/theme_watcher.h"

namespace velotap {

void RunThemeWatcher(ThemeWatcherContext context) {
    using std::chrono::milliseconds;
    HandOverContext& handOver = context.handOver;
    while (context.running.load()) {
        if (context.watch.WaitForChange() != FolderWatch::Wake::Changed) return;
        for (milliseconds pause : {milliseconds(300), milliseconds(200), milliseconds(200)}) {
            if (!context.watch.Pause(pause)) return;
            RescanThemes(handOver.store);
        }
        if (ProcessMarker(handOver)) {
            context.bringMainWindowForward();
        } else if (handOver.pageExists()) {
            handOver.post(kThemeFolderChangedScript);
        }
        handOver.notifyPanels();
    }
}

}  // namespace velotap
