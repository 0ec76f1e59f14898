#pragma once
// Top-level windows of other processes on this desktop: found by title and brought forward.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/geometry.h"

namespace velotap {

using WindowHandle = std::uint64_t;

class Desktop {
  public:
    virtual ~Desktop() = default;
    // The first top-level window whose title satisfies `matches`.
    virtual std::optional<WindowHandle> FindTopLevel(
        const std::function<bool(const std::string& title)>& matches) = 0;
    virtual bool IsMinimized(WindowHandle window) = 0;
    virtual void Restore(WindowHandle window) = 0;
    virtual void ForceForeground(WindowHandle window) = 0;
    // The window's rectangle on the screen; none when it is gone.
    virtual std::optional<Rect> FrameRect(WindowHandle window) = 0;
    // True when the window has the focus.
    virtual bool IsForeground(WindowHandle window) = 0;
    // Draws the user's attention to a window that could not be brought to the front, until it
    // comes there (win32: the caption and taskbar button flash; X11: the urgency hint).
    virtual void Flash(WindowHandle window) = 0;
    // The first visible top-level window of the process `pid`.
    virtual std::optional<WindowHandle> FindVisibleTopLevelOfProcess(uint32_t pid) = 0;
};

// Null when the desktop cannot be reached (for example no X display).
std::unique_ptr<Desktop> ConnectDesktop();

}  // namespace velotap
