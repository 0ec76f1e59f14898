#pragma once
// Include after GoogleTest: Xlib's macros clash with its names.
#include <X11/Xlib.h>

#include <vector>

namespace velotap {

// A plain window covering the screen that keeps the button and key events it receives.
struct ClientWindow {
    Display* display = nullptr;
    Window window = 0;
    std::vector<XEvent> events;
    bool keepButtonReleases = false;

    bool Open(int width, int height) {
        display = XOpenDisplay(nullptr);
        if (!display) return false;
        window =
            XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 0, 0);
        XSelectInput(display, window,
                     ButtonPressMask | ButtonReleaseMask | KeyPressMask | KeyReleaseMask |
                         StructureNotifyMask);
        XMapWindow(display, window);
        for (XEvent e;;) {
            XNextEvent(display, &e);
            if (e.type == MapNotify) break;
        }
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        XSync(display, False);
        return true;
    }
    ~ClientWindow() {
        if (display) XCloseDisplay(display);
    }
    void Collect() {
        while (XPending(display)) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == ButtonPress || e.type == KeyPress || e.type == KeyRelease ||
                (e.type == ButtonRelease && keepButtonReleases)) {
                events.push_back(e);
            }
        }
    }
    int Count(int type) {
        int n = 0;
        for (const XEvent& e : events)
            n += e.type == type;
        return n;
    }
};

}  // namespace velotap
