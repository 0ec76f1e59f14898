#pragma once
// A pop-out panel's window dragged by its header: it follows the pointer, tells the main process
// whether the pointer is over the main window, and docks back (closes) when dropped there.
#include <functional>
#include <optional>

#include "platform/desktop.h"
#include "platform/window_host.h"

namespace velotap {

class PanelDrag {
  public:
    // `desktop` finds the main window (none: no hover and no docking); `hoverChanged` reports the
    // pointer entering or leaving it; `dock` closes the panel.
    PanelDrag(WindowHost& host, Desktop* desktop, std::function<void(bool hovering)> hoverChanged,
              std::function<void()> dock);

    // beginWindowDrag: from the pointer's position now, until the left button is let go.
    void Begin();
    bool dragging() const { return dragging_; }

  private:
    std::optional<Point> Moved(Point cursor);
    void Ended(bool released);

    WindowHost& host_;
    Desktop* desktop_;
    std::function<void(bool)> hoverChanged_;
    std::function<void()> dock_;
    bool dragging_ = false, hovering_ = false;
    Point startCursor_;
    Rect startWindow_;
    std::optional<WindowHandle> mainWindow_;
};

}  // namespace velotap
