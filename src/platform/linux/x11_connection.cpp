#include "platform/linux/x11_connection.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace velotap {

namespace {

using ErrorHandler = int (*)(Display*, XErrorEvent*);

std::mutex g_mutex;
std::vector<Display*> g_own;
ErrorHandler g_previous = nullptr;

int RouteError(Display* display, XErrorEvent* error) {
    ErrorHandler previous;
    {
        std::lock_guard lock(g_mutex);
        if (std::find(g_own.begin(), g_own.end(), display) != g_own.end()) return 0;
        previous = g_previous;
    }
    return previous ? previous(display, error) : 0;
}

}  // namespace

Display* OpenOwnDisplay() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        ErrorHandler previous = XSetErrorHandler(RouteError);
        std::lock_guard lock(g_mutex);
        g_previous = previous;
    });
    Display* display = XOpenDisplay(nullptr);
    if (display) {
        std::lock_guard lock(g_mutex);
        g_own.push_back(display);
    }
    return display;
}

void CloseOwnDisplay(Display* display) {
    if (!display) return;
    {
        std::lock_guard lock(g_mutex);
        g_own.erase(std::remove(g_own.begin(), g_own.end(), display), g_own.end());
    }
    XCloseDisplay(display);
}

}  // namespace velotap
