// Other programs' top-level windows through a plain Xlib connection of our own.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop.h"
#include "platform/linux/x11_connection.h"

namespace velotap {

namespace {

// Window operations on foreign windows may race with their destruction; such errors are expected
// and ignored (see x11_connection.h). Syncing at the end of an operation settles them before the
// next one starts.
class ErrorTrap {
  public:
    explicit ErrorTrap(Display* display) : display_(display) {}
    ~ErrorTrap() { XSync(display_, False); }

  private:
    Display* display_;
};

class XDesktop final : public Desktop {
  public:
    explicit XDesktop(Display* display) : display_(display) {}
    ~XDesktop() override { CloseOwnDisplay(display_); }

    // The busy notice searches every 15 ms: the titles are kept from the server's notifications,
    // so a search while nothing changes makes no round trip.
    std::optional<WindowHandle> FindTopLevel(
        const std::function<bool(const std::string&)>& matches) override {
        std::lock_guard lock(mutex_);
        if (!watching_) {
            ErrorTrap trap(display_);
            XSelectInput(display_, DefaultRootWindow(display_),
                         SubstructureNotifyMask | PropertyChangeMask);
            Resync();
            watching_ = true;
        }
        if (XPending(display_)) {
            ErrorTrap trap(display_);
            while (XPending(display_))
                Handle();
        }
        for (const auto& [window, title] : titles_) {
            if (matches(title)) return static_cast<WindowHandle>(window);
        }
        return std::nullopt;
    }

    bool IsMinimized(WindowHandle handle) override {
        ErrorTrap trap(display_);
        Window w = static_cast<Window>(handle);
        Atom type;
        int format;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        bool iconic = false;
        Atom wmState = XInternAtom(display_, "WM_STATE", False);
        if (XGetWindowProperty(display_, w, wmState, 0, 2, False, wmState, &type, &format, &count,
                               &after, &data) == Success &&
            data && count >= 1 && format == 32) {
            iconic = reinterpret_cast<long*>(data)[0] == IconicState;
        }
        if (data) XFree(data);
        return iconic;
    }

    void Restore(WindowHandle handle) override {
        ErrorTrap trap(display_);
        XMapRaised(display_, static_cast<Window>(handle));
        Activate(static_cast<Window>(handle));
    }

    void ForceForeground(WindowHandle handle) override {
        ErrorTrap trap(display_);
        Window w = static_cast<Window>(handle);
        Activate(w);
        XRaiseWindow(display_, w);
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display_, w, &attributes) && attributes.map_state == IsViewable) {
            XSetInputFocus(display_, w, RevertToParent, CurrentTime);
        }
    }

    std::optional<Rect> FrameRect(WindowHandle handle) override {
        std::lock_guard lock(mutex_);
        ErrorTrap trap(display_);
        Window w = static_cast<Window>(handle), root, child;
        int x = 0, y = 0, left = 0, top = 0;
        unsigned int width = 0, height = 0, border = 0, depth = 0;
        if (!XGetGeometry(display_, w, &root, &x, &y, &width, &height, &border, &depth) ||
            !XTranslateCoordinates(display_, w, root, 0, 0, &left, &top, &child)) {
            return std::nullopt;
        }
        return Rect{left, top, static_cast<int>(width), static_cast<int>(height)};
    }

    bool IsForeground(WindowHandle handle) override {
        ErrorTrap trap(display_);
        const Window w = static_cast<Window>(handle);
        const Window root = DefaultRootWindow(display_);
        std::vector<long> active =
            Property(root, XInternAtom(display_, "_NET_ACTIVE_WINDOW", False), XA_WINDOW, 1);
        if (!active.empty()) return static_cast<Window>(active[0]) == w;
        // No window manager: the focus is in the window or one of its children.
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        while (focus != None && focus != PointerRoot && focus != root) {
            if (focus == w) return true;
            Window parent = 0, rootReturn = 0, *children = nullptr;
            unsigned int n = 0;
            if (!XQueryTree(display_, focus, &rootReturn, &parent, &children, &n)) break;
            if (children) XFree(children);
            focus = parent;
        }
        return false;
    }

    // The urgency hint (kept until the program clears it when the window gets the focus), and
    // the window manager's demands-attention state, which it clears itself.
    void Flash(WindowHandle handle) override {
        ErrorTrap trap(display_);
        const Window w = static_cast<Window>(handle);
        XWMHints* hints = XGetWMHints(display_, w);
        XWMHints fresh{};
        XWMHints* h = hints ? hints : &fresh;
        h->flags |= XUrgencyHint;
        XSetWMHints(display_, w, h);
        if (hints) XFree(hints);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = w;
        event.xclient.message_type = XInternAtom(display_, "_NET_WM_STATE", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = 1;  // add
        event.xclient.data.l[1] =
            static_cast<long>(XInternAtom(display_, "_NET_WM_STATE_DEMANDS_ATTENTION", False));
        event.xclient.data.l[3] = 2;
        XSendEvent(display_, DefaultRootWindow(display_), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
    }

    std::optional<WindowHandle> FindVisibleTopLevelOfProcess(uint32_t pid) override {
        std::lock_guard lock(mutex_);
        ErrorTrap trap(display_);
        const Atom netPid = XInternAtom(display_, "_NET_WM_PID", False);
        for (Window w : TopLevels()) {
            std::vector<long> owner = Property(w, netPid, XA_CARDINAL, 1);
            if (owner.empty() || static_cast<uint32_t>(owner[0]) != pid) continue;
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display_, w, &attributes) &&
                attributes.map_state == IsViewable) {
                return static_cast<WindowHandle>(w);
            }
        }
        return std::nullopt;
    }

  private:
    // Up to `count` 32-bit items of a property; empty when it is missing.
    std::vector<long> Property(Window w, Atom property, Atom type, long count) {
        std::vector<long> items;
        Atom actual;
        int format;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, w, property, 0, count, False, type, &actual, &format, &n,
                               &after, &data) == Success &&
            data && format == 32) {
            const long* values = reinterpret_cast<const long*>(data);
            items.assign(values, values + n);
        }
        if (data) XFree(data);
        return items;
    }

    // With a window manager, ask it to activate (source 2: a pager, so focus stealing prevention
    // lets it through); without one this is simply ignored.
    void Activate(Window w) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = w;
        event.xclient.message_type = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, DefaultRootWindow(display_), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XFlush(display_);
    }

    // One notification about the top-level windows or their titles.
    void Handle() {
        XEvent e;
        XNextEvent(display_, &e);
        const Window root = DefaultRootWindow(display_);
        switch (e.type) {
            case CreateNotify:
                if (e.xcreatewindow.parent == root && !managed_) Watch(e.xcreatewindow.window);
                break;
            case ReparentNotify:
                if (managed_) break;
                if (e.xreparent.parent == root)
                    Watch(e.xreparent.window);
                else
                    Forget(e.xreparent.window);
                break;
            case DestroyNotify:
                Forget(e.xdestroywindow.window);
                break;
            case PropertyNotify:
                if (e.xproperty.window == root) {
                    if (e.xproperty.atom == XInternAtom(display_, "_NET_CLIENT_LIST", False)) {
                        Resync();
                    }
                } else if (e.xproperty.atom == XA_WM_NAME ||
                           e.xproperty.atom == XInternAtom(display_, "_NET_WM_NAME", False)) {
                    for (auto& entry : titles_) {
                        if (entry.first == e.xproperty.window) entry.second = Title(entry.first);
                    }
                }
                break;
        }
    }

    void Resync() {
        std::vector<std::pair<Window, std::string>> old = std::move(titles_);
        titles_.clear();
        for (Window w : TopLevels()) {
            auto known =
                std::find_if(old.begin(), old.end(), [w](auto& e) { return e.first == w; });
            if (known != old.end())
                titles_.push_back(std::move(*known));
            else
                Watch(w);
        }
    }

    void Watch(Window w) {
        Forget(w);
        XSelectInput(display_, w, PropertyChangeMask);  // before reading: no change is missed
        titles_.emplace_back(w, Title(w));
    }

    void Forget(Window w) {
        std::erase_if(titles_, [w](auto& e) { return e.first == w; });
    }

    std::vector<Window> TopLevels() {
        std::vector<Window> windows;
        Atom type;
        int format;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        Atom clientList = XInternAtom(display_, "_NET_CLIENT_LIST", False);
        if (XGetWindowProperty(display_, DefaultRootWindow(display_), clientList, 0, 65536, False,
                               XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
            data && format == 32 && count > 0) {
            auto* list = reinterpret_cast<Window*>(data);
            windows.assign(list, list + count);
        }
        if (data) XFree(data);
        managed_ = !windows.empty();
        if (managed_) return windows;
        // No window manager: the top-level windows are the root's children.
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &n)) {
            windows.assign(children, children + n);
            if (children) XFree(children);
        }
        return windows;
    }

    std::string Title(Window w) {
        std::string title;
        Atom type;
        int format;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        Atom netName = XInternAtom(display_, "_NET_WM_NAME", False);
        Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
        if (XGetWindowProperty(display_, w, netName, 0, 256, False, utf8, &type, &format, &count,
                               &after, &data) == Success &&
            data && format == 8) {
            title.assign(reinterpret_cast<char*>(data), count);
        }
        if (data) XFree(data);
        if (!title.empty()) return title;
        char* name = nullptr;
        if (XFetchName(display_, w, &name) && name) {
            title = name;
            XFree(name);
        }
        return title;
    }

    Display* display_;
    std::mutex mutex_;
    bool watching_ = false;
    bool managed_ = false;  // a window manager lists the top-level windows
    std::vector<std::pair<Window, std::string>> titles_;
};

}  // namespace

std::unique_ptr<Desktop> ConnectDesktop() {
    Display* display = OpenOwnDisplay();
    if (!display) return nullptr;
    return std::make_unique<XDesktop>(display);
}

}  // namespace velotap
