// XTest for synthesis and XInput 2.2 or later for observation, on the X server DISPLAY names; an
// X server run by a Wayland compositor (XWayland) passes input only between X11 clients.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>

#include "platform/capabilities.h"
#include "platform/linux/x11_connection.h"

namespace velotap {

PlatformCapabilities ProbeCapabilities() {
    PlatformCapabilities c;
    c.platform = "linux";
    c.synthesis.name = "XTest";
    c.capture.name = "XInput2";
    Display* display = OpenOwnDisplay();
    if (!display) {
        c.displayServer = "none";
        return c;
    }
    int opcode = 0, event = 0, error = 0;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool xwayland =
        XQueryExtension(display, "XWAYLAND", &opcode, &event, &error) || (wayland && *wayland);
    c.displayServer = xwayland ? "xwayland" : "x11";
    int major = 0, minor = 0;
    if (XTestQueryExtension(display, &event, &error, &major, &minor)) {
        c.synthesis.available = true;
        c.synthesis.version = std::to_string(major) + "." + std::to_string(minor);
    }
    major = 2;
    minor = 4;
    if (XQueryExtension(display, "XInputExtension", &opcode, &event, &error) &&
        XIQueryVersion(display, &major, &minor) == Success) {
        c.capture.available = major > 2 || (major == 2 && minor >= 2);
        c.capture.version = std::to_string(major) + "." + std::to_string(minor);
    }
    CloseOwnDisplay(display);
    return c;
}

}  // namespace velotap
