#pragma once
// Posting a small message (message, wparam, lparam) to another program's top-level window.
// win32: PostMessageW; linux: a ClientMessage of type VELOTAP_WINDOW_MESSAGE with the three values.
#include <cstdint>
#include <memory>

#include "platform/desktop.h"

namespace velotap {

class WindowMessenger {
  public:
    virtual ~WindowMessenger() = default;
    virtual bool Post(WindowHandle window, uint32_t message, uint64_t wparam, int64_t lparam) = 0;
};

// Null when the desktop cannot be reached.
std::unique_ptr<WindowMessenger> ConnectWindowMessenger();

}  // namespace velotap
