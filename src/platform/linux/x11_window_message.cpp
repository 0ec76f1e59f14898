// ClientMessage events stand in for posted window messages between our processes.
#include <X11/Xlib.h>

#include <mutex>

#include "platform/linux/x11_connection.h"
#include "platform/window_message.h"

namespace velotap {

namespace {

class XWindowMessenger final : public WindowMessenger {
  public:
    explicit XWindowMessenger(Display* display)
        : display_(display), type_(XInternAtom(display, "VELOTAP_WINDOW_MESSAGE", False)) {}
    ~XWindowMessenger() override { CloseOwnDisplay(display_); }

    bool Post(WindowHandle window, uint32_t message, uint64_t wparam, int64_t lparam) override {
        std::lock_guard lock(mutex_);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = static_cast<Window>(window);
        event.xclient.message_type = type_;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(message);
        event.xclient.data.l[1] = static_cast<long>(wparam);
        event.xclient.data.l[2] = static_cast<long>(lparam);
        // The window may vanish between its search and this post: the error is ignored.
        Status sent = XSendEvent(display_, static_cast<Window>(window), False, NoEventMask, &event);
        XSync(display_, False);
        return sent != 0;
    }

  private:
    std::mutex mutex_;
    Display* display_;
    Atom type_;
};

}  // namespace

std::unique_ptr<WindowMessenger> ConnectWindowMessenger() {
    Display* display = OpenOwnDisplay();
    if (!display) return nullptr;
    return std::make_unique<XWindowMessenger>(display);
}

}  // namespace velotap
