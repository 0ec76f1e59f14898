// X errors on the program's own connections never end the process, also once GTK has installed
// its handler and while another thread is busy on a connection of its own.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/desktop.h"
#include "support/xvfb.h"

// Xlib's macros clash with GoogleTest's names, so they come last.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

#include "platform/linux/x11_connection.h"

namespace velotap {

namespace {

// Runs `body` in a child process; its exit status (-1 when it did not exit normally).
template <class Body>
int InChild(Body body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int ProvokeError(Display* display) {
    XMapWindow(display, static_cast<Window>(0x7ffffff0));  // no such window: BadWindow
    XSync(display, False);
    return 0;
}

}  // namespace

TEST(XConnection, ErrorsOnOwnConnectionsAreIgnoredAndGtkKeepsItsOwn) {
    PrivateXServer x;
    ASSERT_TRUE(x.ok());
    const int status = InChild([] {
        // Another thread searches windows while GTK starts and works, as the busy notifier does.
        std::atomic<bool> stop{false};
        std::thread searcher([&] {
            std::unique_ptr<Desktop> desktop = ConnectDesktop();
            while (desktop && !stop.load())
                desktop->FindTopLevel([](const std::string&) { return false; });
        });
        if (!gtk_init_check(nullptr, nullptr)) return 2;
        GdkDisplay* gdk = gdk_display_get_default();
        Display* own = OpenOwnDisplay();
        if (!own) return 3;
        int untrapped = 0;
        for (int i = 0; i < 300; ++i) {
            ProvokeError(own);
            // GTK traps the errors it expects; its handler must still be the one that answers.
            gdk_x11_display_error_trap_push(gdk);
            ProvokeError(GDK_DISPLAY_XDISPLAY(gdk));
            if (gdk_x11_display_error_trap_pop(gdk) == 0) ++untrapped;
        }
        stop.store(true);
        searcher.join();
        CloseOwnDisplay(own);
        return untrapped == 0 ? 0 : 4;
    });
    EXPECT_EQ(status, 0);
}

// Our desktop and a client of another program on a private server.
class XDesktop : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok());
        desktop = ConnectDesktop();
        ASSERT_TRUE(desktop);
        client = XOpenDisplay(nullptr);
        ASSERT_TRUE(client);
    }
    void TearDown() override {
        if (client) XCloseDisplay(client);
    }
    PrivateXServer x;
    std::unique_ptr<Desktop> desktop;
    Display* client = nullptr;
};

TEST_F(XDesktop, SearchFollowsWindowsAndTitlesAsTheyChange) {
    auto find = [&](const std::string& title) {
        return desktop->FindTopLevel([&](const std::string& t) { return t == title; });
    };
    // The desktop hears of each change a moment after the client's request was made.
    auto eventually = [&](const std::string& title, bool present) {
        for (int i = 0; i < 2000; ++i) {
            if (find(title).has_value() == present) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    };
    Window early = XCreateSimpleWindow(client, DefaultRootWindow(client), 0, 0, 10, 10, 0, 0, 0);
    XStoreName(client, early, "Early");
    XSync(client, False);
    EXPECT_TRUE(eventually("Early", true));  // known from the first search
    Window w = XCreateSimpleWindow(client, DefaultRootWindow(client), 0, 0, 10, 10, 0, 0, 0);
    XStoreName(client, w, "First");
    XSync(client, False);
    EXPECT_TRUE(eventually("First", true));
    XStoreName(client, w, "Second");
    XSync(client, False);
    EXPECT_TRUE(eventually("Second", true));
    EXPECT_TRUE(eventually("First", false));
    XDestroyWindow(client, w);
    XSync(client, False);
    EXPECT_TRUE(eventually("Second", false));
    EXPECT_TRUE(find("Early").has_value());
}

TEST_F(XDesktop, ProcessWindowsForegroundAndAttention) {
    auto window = [&](long pid, bool mapped) {
        Window w = XCreateSimpleWindow(client, DefaultRootWindow(client), 0, 0, 10, 10, 0, 0, 0);
        XChangeProperty(client, w, XInternAtom(client, "_NET_WM_PID", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
        XWMHints hints{};
        hints.flags = InputHint;
        hints.input = True;
        XSetWMHints(client, w, &hints);
        if (mapped) XMapWindow(client, w);
        XSync(client, False);
        return static_cast<WindowHandle>(w);
    };
    const WindowHandle a = window(4242, true), hidden = window(4343, false), b = window(4444, true);
    EXPECT_EQ(desktop->FindVisibleTopLevelOfProcess(4242), a);
    EXPECT_EQ(desktop->FindVisibleTopLevelOfProcess(4343), std::nullopt);
    EXPECT_EQ(desktop->FindVisibleTopLevelOfProcess(1), std::nullopt);

    desktop->ForceForeground(a);
    EXPECT_TRUE(desktop->IsForeground(a));
    EXPECT_FALSE(desktop->IsForeground(hidden));
    desktop->ForceForeground(b);
    EXPECT_FALSE(desktop->IsForeground(a));

    desktop->Flash(a);
    XWMHints* hints = XGetWMHints(client, static_cast<Window>(a));
    ASSERT_TRUE(hints);
    EXPECT_TRUE(hints->flags & XUrgencyHint);
    EXPECT_TRUE((hints->flags & InputHint) && hints->input);  // the window's own hints stay
    XFree(hints);
}

}  // namespace velotap
