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
};

// Null when the desktop cannot be reached (for example no X display).
std::unique_ptr<Desktop> ConnectDesktop();

}  // namespace velotap
