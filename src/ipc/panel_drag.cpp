#include "ipc/panel_drag.h"

#include "window/main_window.h"

namespace velotap {

PanelDrag::PanelDrag(WindowHost& host, Desktop* desktop,
                     std::function<void(bool hovering)> hoverChanged, std::function<void()> dock)
    : host_(host),
      desktop_(desktop),
      hoverChanged_(std::move(hoverChanged)),
      dock_(std::move(dock)) {}

void PanelDrag::Begin() {
    if (dragging_) return;
    std::optional<Rect> window = host_.FrameRect();
    if (!window) return;
    mainWindow_.reset();
    if (desktop_) {
        mainWindow_ = desktop_->FindTopLevel(
            [](const std::string& title) { return title == kMainWindowTitle; });
    }
    hovering_ = false;
    std::optional<Point> cursor = host_.BeginPointerDrag(
        {[this](Point p) { return Moved(p); }, [this](bool released) { Ended(released); }});
    if (!cursor) return;
    startCursor_ = *cursor;
    startWindow_ = *window;
    dragging_ = true;
}

std::optional<Point> PanelDrag::Moved(Point cursor) {
    if (!dragging_) return std::nullopt;
    if (mainWindow_) {
        std::optional<Rect> main = desktop_->FrameRect(*mainWindow_);
        const bool over = main && main->Contains(cursor.x, cursor.y);
        if (over != hovering_) {
            hovering_ = over;
            hoverChanged_(over);
        }
    }
    return Point{startWindow_.left + (cursor.x - startCursor_.x),
                 startWindow_.top + (cursor.y - startCursor_.y)};
}

void PanelDrag::Ended(bool released) {
    if (!dragging_) return;
    dragging_ = false;
    const bool wasHovering = hovering_;
    if (hovering_) {
        hovering_ = false;
        hoverChanged_(false);
    }
    if (released && wasHovering) dock_();
}

}  // namespace velotap
