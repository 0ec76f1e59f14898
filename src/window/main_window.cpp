#include "window/main_window.h"

#include <algorithm>

#include "base/args.h"

namespace velotap {

bool IsMainWindowTitle(std::string_view title) {
    constexpr std::string_view prefix = "Velotap (";
    if (title.starts_with(prefix) &&
        title.find(" Version ", prefix.size()) != std::string_view::npos) {
        return true;
    }
    return title == kClassicWindowTitle;
}

bool BringMainWindowForward(Desktop& desktop, bool flashWhenRefused) {
    std::optional<WindowHandle> window =
        desktop.FindTopLevel([](const std::string& title) { return IsMainWindowTitle(title); });
    if (!window) return false;
    if (desktop.IsMinimized(*window)) desktop.Restore(*window);
    desktop.ForceForeground(*window);
    if (flashWhenRefused && !desktop.IsForeground(*window)) desktop.Flash(*window);
    return true;
}

void RestoreGeometry(WindowHost& host, const MainWindowSettings& s) {
    if (!s.geometryValid) return;
    std::optional<Rect> area = host.WorkAreaAt(s.windowX, s.windowY);
    if (!area) return;
    host.MoveResize(Rect{s.windowX, s.windowY, std::min(area->width, s.windowWidth),
                         std::min(area->height, s.windowHeight)});
}

void ShowMainWindow(WindowHost& host, const MainWindowSettings& s) {
    if (s.windowMaximized && !s.startMinimized) host.Maximize();
    if (s.alwaysOnTop) host.SetTopmost(true);
    if (s.startMinimized) {
        host.Minimize();
    } else {
        host.ForceForeground();
    }
}

void FitToWorkArea(WindowHost& host, int width, int height) {
    if (width < 1 || height < 1) return;
    std::optional<Rect> area = host.WorkAreaNearest();
    if (!area) return;
    const int available = area->height - 20;
    if (available <= 0) return;
    host.SetClientSize(width, height);
    std::optional<Rect> frame = host.FrameRect();
    if (!frame) return;
    if (frame->height > available) {
        int scaled = static_cast<int>(static_cast<double>(available) / frame->height * height);
        if (scaled > 0) {
            host.SetClientSize(width, scaled);
            frame = host.FrameRect();
            if (!frame) return;
        }
    }
    if (frame->bottom() > area->bottom()) {
        host.MoveTo(frame->left,
                    std::max(area->top, frame->top - (frame->bottom() - area->bottom())));
    }
}

void ResizeWindowCall(WindowHost& host, const std::string& args) {
    std::vector<std::string> fields = SplitString(FlattenArgs(args), ',');
    if (fields.size() < 2) return;
    std::optional<long long> w = ToInteger(fields[0]), h = ToInteger(fields[1]);
    if (!w || !h || *w > 1 << 20 || *h > 1 << 20) return;
    FitToWorkArea(host, static_cast<int>(*w), static_cast<int>(*h));
}

}  // namespace velotap
