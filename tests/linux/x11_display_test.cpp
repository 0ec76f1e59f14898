// The display the program meets: X11 itself, XWayland under a Wayland session, or nothing; what
// the capability probe says about each and how the windows are placed on it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/capabilities.h"
#include "platform/window_host.h"
#include "support/xvfb.h"

namespace velotap {

namespace {

TEST(Display, ProbeAndChoiceFollowTheSession) {
    PrivateXServer server;
    ASSERT_TRUE(server.ok());
    struct Case {
        const char* display;  // nullptr: the private server
        const char* wayland;  // WAYLAND_DISPLAY, or nullptr
        const char* server;
        bool usable, notice;
    };
    const Case cases[] = {
        {nullptr, nullptr, "x11", true, false},
        {nullptr, "velotap-test-wayland", "xwayland", true, true},
        {"", "velotap-test-wayland", "none", false, false},
    };
    for (const Case& c : cases) {
        setenv("DISPLAY", c.display ? c.display : server.display().c_str(), 1);
        if (c.wayland) {
            setenv("WAYLAND_DISPLAY", c.wayland, 1);
        } else {
            unsetenv("WAYLAND_DISPLAY");
        }
        const PlatformCapabilities caps = ProbeCapabilities();
        EXPECT_EQ(caps.displayServer, c.server);
        EXPECT_EQ(caps.synthesis.available, c.usable);
        EXPECT_EQ(caps.capture.available, c.usable);
        if (c.usable) {
            EXPECT_GE(caps.capture.version, "2.2");
        }
        const DisplayChoice choice = ChooseDisplay();
        EXPECT_EQ(choice.usable, c.usable) << c.server;
        EXPECT_EQ(!choice.notice.empty(), c.notice) << c.server;
        EXPECT_EQ(choice.error.empty(), c.usable) << c.server;
    }
    unsetenv("WAYLAND_DISPLAY");
    setenv("DISPLAY", server.display().c_str(), 1);
}

}  // namespace

}  // namespace velotap
