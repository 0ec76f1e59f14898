// Global capture on X11. Two connections: `grab_` holds synchronous passive grabs on the hotkeys
// (and active grabs while a reassignment or a location pick waits for its press) and answers each
// grabbed press at once with swallow (XIAsyncDevice) or pass on (XIReplayDevice); `raw_` never
// grabs and sees one raw event per physical action of every device. A connection that holds a
// grab does not get the raw events of the grabbed device, hence the split.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <gio/gio.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "platform/capture_input.h"
#include "platform/linux/gio_session_lock.h"
#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_key_map.h"

namespace velotap {

namespace {

constexpr int kPollMs = 50;

std::string ExePath(long pid) {
    char path[PATH_MAX];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const ssize_t n = readlink(link.c_str(), path, sizeof(path) - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

// X button numbers to the program's button codes; 0 for the wheel and unknown buttons.
int32_t ButtonCode(int xButton) {
    switch (xButton) {
        case 1:
            return 1;
        case 2:
            return 4;
        case 3:
            return 2;
        case 8:
            return 5;
        case 9:
            return 6;
        default:
            return 0;
    }
}

int XButton(int32_t code) {
    switch (code) {
        case 1:
            return 1;
        case 2:
            return 3;
        case 4:
            return 2;
        case 5:
            return 8;
        case 6:
            return 9;
        default:
            return 0;
    }
}

bool IsButtonCode(int32_t code) {
    return XButton(code) != 0;
}

class XiCapture final : public CaptureBackend {
  public:
    XiCapture(Display* grab, Display* raw, int opcode, int wake)
        : grab_(grab), raw_(raw), opcode_(opcode), wake_(wake) {}
    ~XiCapture() override {
        CloseOwnDisplay(grab_);
        CloseOwnDisplay(raw_);
        close(wake_);
    }

    void Run(CaptureHandler& handler) override;
    void Stop() override {
        stop_.store(true);
        Wake();
    }
    void Refresh() override { Wake(); }
    bool Settle() override;
    bool IsOwnWindowAt(int32_t x, int32_t y) override;

  private:
    void Wake() {
        const uint64_t one = 1;
        (void)!write(wake_, &one, sizeof(one));
    }
    void SelectRaw();
    void ReadXtestDevices();
    std::vector<int> grabKeyboards_;  // master keyboards the key grabs were made on
    uint32_t VkOf(int keycode);
    void UpdateGrabs(CaptureHandler& handler);
    std::set<int> KeycodesOf(const HotkeySet& codes);
    void UngrabHotkeys();
    void GrabHotkeys(CaptureHandler& handler, const HotkeySet& codes);
    void SetActiveCapture(bool on);
    void HandleGrabEvent(CaptureHandler& handler, XEvent& event);
    void HandleRawEvent(CaptureHandler& handler, XEvent& event);
    void DrainRaw(CaptureHandler& handler);
    void PointerPosition(int32_t& x, int32_t& y);
    long WindowPid(Window window, int depth);

    Display* grab_;
    Display* raw_;
    int opcode_;
    int wake_;
    std::atomic<bool> stop_{false};
    // Settle: calls take tickets; a pass of UpdateGrabs begun after a ticket was taken serves it.
    std::mutex settleMutex_;
    std::condition_variable settled_;
    uint64_t ticketsTaken_ = 0, ticketsServed_ = 0;
    std::set<int> xtestDevices_;
    HotkeySet grabbedCodes_{};
    bool grabsValid_ = false;
    bool mappingChanged_ = false;
    std::set<int> grabbedKeycodes_;
    std::set<int> grabbedButtons_;  // X button numbers
    bool activeCapture_ = false;
    std::string ownExe_;
};

void XiCapture::SelectRaw() {
    unsigned char rawMask[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(rawMask, XI_RawKeyPress);
    XISetMask(rawMask, XI_RawKeyRelease);
    XISetMask(rawMask, XI_RawButtonPress);
    XISetMask(rawMask, XI_RawButtonRelease);
    XISetMask(rawMask, XI_RawMotion);
    unsigned char hierarchyMask[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(hierarchyMask, XI_HierarchyChanged);
    XIEventMask masks[2] = {{XIAllMasterDevices, sizeof(rawMask), rawMask},
                            {XIAllDevices, sizeof(hierarchyMask), hierarchyMask}};
    XISelectEvents(raw_, DefaultRootWindow(raw_), masks, 2);
    XSync(raw_, False);
}

// Injected input is what arrives from an XTEST device.
void XiCapture::ReadXtestDevices() {
    xtestDevices_.clear();
    const Atom property = XInternAtom(raw_, "XTEST Device", True);
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(raw_, XIAllDevices, &count);
    for (int i = 0; i < count; ++i) {
        const XIDeviceInfo& d = devices[i];
        if (d.use != XISlaveKeyboard && d.use != XISlavePointer) continue;
        bool xtest = std::strstr(d.name, "XTEST") != nullptr;
        if (property != None) {
            Atom type = None;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            if (XIGetProperty(raw_, d.deviceid, property, 0, 1, False, AnyPropertyType, &type,
                              &format, &items, &after, &data) == Success &&
                type != None) {
                xtest = true;
            }
            if (data) XFree(data);
        }
        if (xtest) xtestDevices_.insert(d.deviceid);
    }
    XIFreeDeviceInfo(devices);
}

uint32_t XiCapture::VkOf(int keycode) {
    const KeySym keysym = XkbKeycodeToKeysym(raw_, static_cast<KeyCode>(keycode), 0, 0);
    return keysym == NoSymbol ? 0 : KeysymToVk(keysym);
}

void XiCapture::UngrabHotkeys() {
    const Window root = DefaultRootWindow(grab_);
    XIGrabModifiers any{static_cast<int>(XIAnyModifier), 0};
    for (int keycode : grabbedKeycodes_) {
        for (int keyboard : grabKeyboards_)
            XIUngrabKeycode(grab_, keyboard, keycode, root, 1, &any);
    }
    for (int button : grabbedButtons_)
        XIUngrabButton(grab_, XIAllMasterDevices, button, root, 1, &any);
    grabbedKeycodes_.clear();
    grabbedButtons_.clear();
}

void XiCapture::GrabHotkeys(CaptureHandler& handler, const HotkeySet& codes) {
    const Window root = DefaultRootWindow(grab_);
    // Key grabs name each master keyboard: the server takes the modes of a grab on the
    // all-master-devices pseudo device in pointer order, which froze the pointer (not the
    // keyboard) until the hotkey was released.
    grabKeyboards_.clear();
    int count = 0;
    if (XIDeviceInfo* devices = XIQueryDevice(grab_, XIAllMasterDevices, &count)) {
        for (int i = 0; i < count; ++i) {
            if (devices[i].use == XIMasterKeyboard) grabKeyboards_.push_back(devices[i].deviceid);
        }
        XIFreeDeviceInfo(devices);
    }
    unsigned char keyMask[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(keyMask, XI_KeyPress);
    XISetMask(keyMask, XI_KeyRelease);
    unsigned char buttonMask[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(buttonMask, XI_ButtonPress);
    XISetMask(buttonMask, XI_ButtonRelease);
    for (int32_t code : codes) {
        if (code == 0) continue;
        XIGrabModifiers any{static_cast<int>(XIAnyModifier), 0};
        int failed = 0;
        if (IsButtonCode(code)) {
            const int button = XButton(code);
            if (grabbedButtons_.count(button)) continue;
            XIEventMask mask{XIAllMasterDevices, sizeof(buttonMask), buttonMask};
            failed = XIGrabButton(grab_, XIAllMasterDevices, button, root, None, XIGrabModeSync,
                                  XIGrabModeAsync, False, &mask, 1, &any);
            if (failed == 0) grabbedButtons_.insert(button);
        } else {
            const KeySym keysym = VkToKeysym(static_cast<uint32_t>(code));
            const KeyCode keycode = keysym ? XKeysymToKeycode(grab_, keysym) : 0;
            if (keycode == 0) {
                handler.Report("Hotkey unavailable: key " + std::to_string(code) +
                               " has no key on this keyboard layout.");
                continue;
            }
            if (grabbedKeycodes_.count(keycode)) continue;
            size_t made = 0;
            for (; made < grabKeyboards_.size() && failed == 0; ++made) {
                XIEventMask mask{grabKeyboards_[made], sizeof(keyMask), keyMask};
                failed = XIGrabKeycode(grab_, grabKeyboards_[made], keycode, root, XIGrabModeSync,
                                       XIGrabModeAsync, False, &mask, 1, &any);
            }
            if (failed == 0) {
                grabbedKeycodes_.insert(keycode);
            } else {
                for (size_t k = 0; k + 1 < made; ++k) {
                    XIUngrabKeycode(grab_, grabKeyboards_[k], keycode, root, 1, &any);
                }
            }
        }
        if (failed != 0) {
            handler.Report("Hotkey unavailable: another program already uses key " +
                           std::to_string(code) + ".");
        }
    }
    XSync(grab_, False);
}

void XiCapture::SetActiveCapture(bool on) {
    if (on == activeCapture_) return;
    const Window root = DefaultRootWindow(grab_);
    if (on) {
        XGrabKeyboard(grab_, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        XGrabPointer(grab_, root, False, ButtonPressMask | ButtonReleaseMask, GrabModeAsync,
                     GrabModeAsync, None, None, CurrentTime);
    } else {
        XUngrabKeyboard(grab_, CurrentTime);
        XUngrabPointer(grab_, CurrentTime);
    }
    XFlush(grab_);
    activeCapture_ = on;
}

std::set<int> XiCapture::KeycodesOf(const HotkeySet& codes) {
    std::set<int> keycodes;
    for (int32_t code : codes) {
        if (code == 0 || IsButtonCode(code)) continue;
        const KeySym keysym = VkToKeysym(static_cast<uint32_t>(code));
        if (const KeyCode keycode = keysym ? XKeysymToKeycode(grab_, keysym) : 0)
            keycodes.insert(keycode);
    }
    return keycodes;
}

bool XiCapture::Settle() {
    std::unique_lock lock(settleMutex_);
    const uint64_t ticket = ++ticketsTaken_;
    Wake();
    return settled_.wait_for(lock, std::chrono::seconds(10),
                             [&] { return ticketsServed_ >= ticket; });
}

void XiCapture::UpdateGrabs(CaptureHandler& handler) {
    uint64_t serving = 0, served = 0;
    {
        std::lock_guard lock(settleMutex_);
        serving = ticketsTaken_;
        served = ticketsServed_;
    }
    const HotkeySet codes = handler.HotkeyCodes();
    if (mappingChanged_) {
        mappingChanged_ = false;
        if (KeycodesOf(codes) != grabbedKeycodes_) grabsValid_ = false;
    }
    if (!grabsValid_ || codes != grabbedCodes_) {
        UngrabHotkeys();
        GrabHotkeys(handler, codes);
        grabbedCodes_ = codes;
        grabsValid_ = true;
    }
    SetActiveCapture(handler.CaptureWanted());
    if (serving == served) return;
    XSync(grab_, False);  // in effect at the server before anyone is told so
    {
        std::lock_guard lock(settleMutex_);
        ticketsServed_ = serving;
    }
    settled_.notify_all();
}

void XiCapture::PointerPosition(int32_t& x, int32_t& y) {
    Window rootReturn = None, child = None;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    if (XQueryPointer(raw_, DefaultRootWindow(raw_), &rootReturn, &child, &rx, &ry, &wx, &wy,
                      &mask)) {
        x = rx;
        y = ry;
    }
}

// The grabbed presses: decide at once from memory, then thaw the keyboard or pointer.
void XiCapture::HandleGrabEvent(CaptureHandler& handler, XEvent& event) {
    if (event.type == MappingNotify) {
        // Sent on every switch between keyboards too; only a hotkey that moved to another
        // keycode needs a new grab.
        XRefreshKeyboardMapping(&event.xmapping);
        mappingChanged_ = true;
        return;
    }
    if (event.type != GenericEvent || event.xcookie.extension != opcode_) return;
    if (!XGetEventData(grab_, &event.xcookie)) return;
    const auto* e = static_cast<XIDeviceEvent*>(event.xcookie.data);
    const bool injected = xtestDevices_.count(e->sourceid) != 0;
    Verdict verdict = Verdict::Pass;
    bool answer = false;
    // While a swallowed hotkey is held its grab takes the whole keyboard; the other keys it
    // brings here were seen on the raw connection already.
    switch (event.xcookie.evtype) {
        case XI_KeyPress:
            if (!grabbedKeycodes_.count(e->detail)) break;
            verdict = handler.Key(VkOf(e->detail), true, injected);
            answer = true;
            break;
        case XI_ButtonPress:
            if (!grabbedButtons_.count(e->detail)) break;
            verdict = handler.Button(ButtonCode(e->detail), true, static_cast<int32_t>(e->root_x),
                                     static_cast<int32_t>(e->root_y), injected);
            answer = true;
            break;
        default:
            break;  // releases are seen on the raw connection
    }
    if (answer) {
        // The event's own time: a replay stamped CurrentTime is not delivered on to the focus.
        XIAllowEvents(grab_, e->deviceid,
                      verdict == Verdict::Swallow ? XIAsyncDevice : XIReplayDevice, e->time);
        XFlush(grab_);
    }
    XFreeEventData(grab_, &event.xcookie);
}

void XiCapture::DrainRaw(CaptureHandler& handler) {
    while (XPending(raw_) > 0) {
        XEvent event;
        XNextEvent(raw_, &event);
        HandleRawEvent(handler, event);
    }
}

void XiCapture::HandleRawEvent(CaptureHandler& handler, XEvent& event) {
    if (event.type != GenericEvent || event.xcookie.extension != opcode_) return;
    if (!XGetEventData(raw_, &event.xcookie)) return;
    const int type = event.xcookie.evtype;
    if (type == XI_HierarchyChanged) {
        ReadXtestDevices();
        XFreeEventData(raw_, &event.xcookie);
        return;
    }
    const auto* e = static_cast<XIRawEvent*>(event.xcookie.data);
    const bool injected = xtestDevices_.count(e->sourceid) != 0;
    switch (type) {
        case XI_RawKeyPress:
            // Presses of grabbed keys were decided on the grab connection, except while an
            // active capture grab holds the keyboard (then no passive grab fires).
            if (activeCapture_ || !grabbedKeycodes_.count(e->detail)) {
                if (const uint32_t vk = VkOf(e->detail)) handler.Key(vk, true, injected);
            }
            break;
        case XI_RawKeyRelease:
            if (const uint32_t vk = VkOf(e->detail)) handler.Key(vk, false, injected);
            break;
        case XI_RawButtonPress:
        case XI_RawButtonRelease: {
            const bool press = type == XI_RawButtonPress;
            if (e->detail == 4 || e->detail == 5) {
                if (press) handler.Wheel(e->detail == 4 ? 120 : -120, injected);
                break;
            }
            const int32_t code = ButtonCode(e->detail);
            if (code == 0) break;
            if (press && !activeCapture_ && grabbedButtons_.count(e->detail)) break;
            int32_t x = 0, y = 0;
            PointerPosition(x, y);
            handler.Button(code, press, x, y, injected);
            break;
        }
        case XI_RawMotion: {
            double values[2] = {0, 0};
            const double* raw = e->raw_values;
            for (int axis = 0; axis < 2 && axis < e->valuators.mask_len * 8; ++axis) {
                if (XIMaskIsSet(e->valuators.mask, axis)) values[axis] = *raw++;
            }
            int32_t x = 0, y = 0;
            PointerPosition(x, y);
            handler.Move(x, y, injected);
            handler.RawMotion(static_cast<int32_t>(values[0]), static_cast<int32_t>(values[1]));
            break;
        }
        default:
            break;
    }
    XFreeEventData(raw_, &event.xcookie);
    // A captured press ends the pending capture; let the keyboard go at once.
    if (activeCapture_ && !handler.CaptureWanted()) SetActiveCapture(false);
}

void XiCapture::Run(CaptureHandler& handler) {
    SelectRaw();
    ReadXtestDevices();
    SessionLockWatch lockWatch([&handler] { handler.SessionLocked(); });
    while (!stop_.load()) {
        UpdateGrabs(handler);
        pollfd fds[3] = {{ConnectionNumber(grab_), POLLIN, 0},
                         {ConnectionNumber(raw_), POLLIN, 0},
                         {wake_, POLLIN, 0}};
        if (XPending(grab_) == 0 && XPending(raw_) == 0) poll(fds, 3, kPollMs);
        if (fds[2].revents & POLLIN) {
            uint64_t count = 0;
            (void)!read(wake_, &count, sizeof(count));
        }
        while (XPending(grab_) > 0) {
            XEvent event;
            XNextEvent(grab_, &event);
            // The keyboard stays frozen until this press is answered, so what the raw connection
            // holds now happened before it (a quick tap's release): handle that first, or the
            // next tap would look like auto-repeat of a key still down.
            XSync(raw_, False);
            DrainRaw(handler);
            HandleGrabEvent(handler, event);
        }
        DrainRaw(handler);
        lockWatch.Dispatch();
    }
    SetActiveCapture(false);
    UngrabHotkeys();
    XSync(grab_, False);
}

long XiCapture::WindowPid(Window window, int depth) {
    static_cast<void>(depth);
    const Atom pidAtom = XInternAtom(raw_, "_NET_WM_PID", True);
    if (pidAtom == None) return -1;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(raw_, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                           &after, &data) == Success &&
        data && items == 1 && format == 32) {
        pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data) XFree(data);
    if (pid != -1 || depth >= 2) return pid;
    // A window manager's frame: the client window is among its children.
    Window rootReturn = None, parent = None, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(raw_, window, &rootReturn, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && pid == -1; ++i)
            pid = WindowPid(children[count - 1 - i], depth + 1);
        if (children) XFree(children);
    }
    return pid;
}

bool XiCapture::IsOwnWindowAt(int32_t x, int32_t y) {
    const Window root = DefaultRootWindow(raw_);
    Window top = None;
    int tx = 0, ty = 0;
    if (!XTranslateCoordinates(raw_, root, root, x, y, &tx, &ty, &top) || top == None) return false;
    const long pid = WindowPid(top, 0);
    if (pid <= 0) return false;
    if (pid == static_cast<long>(getpid())) return true;
    if (ownExe_.empty()) ownExe_ = ExePath(static_cast<long>(getpid()));
    const std::string other = ExePath(pid);
    return !other.empty() && other == ownExe_;
}

}  // namespace

std::unique_ptr<CaptureBackend> ConnectCapture(std::string& error) {
    Display* grab = OpenOwnDisplay();
    Display* raw = grab ? OpenOwnDisplay() : nullptr;
    if (!grab || !raw) {
        if (grab) CloseOwnDisplay(grab);
        error = "Global hotkeys and recording are unavailable: the X display cannot be opened.";
        return nullptr;
    }
    int opcode = 0, event = 0, errorBase = 0, major = 2, minor = 2;
    const bool hasXi = XQueryExtension(raw, "XInputExtension", &opcode, &event, &errorBase) &&
                       XIQueryVersion(raw, &major, &minor) == Success &&
                       XIQueryVersion(grab, &major, &minor) == Success;
    int xtestEvent = 0, xtestError = 0, xtestMajor = 0, xtestMinor = 0;
    const bool hasXtest =
        XTestQueryExtension(raw, &xtestEvent, &xtestError, &xtestMajor, &xtestMinor);
    if (!hasXi || !hasXtest) {
        CloseOwnDisplay(grab);
        CloseOwnDisplay(raw);
        error = hasXi ? "Global hotkeys and recording are unavailable: the X server has no XTEST "
                        "extension, so the program's own input cannot be told apart."
                      : "Global hotkeys and recording are unavailable: the X server has no "
                        "XInput 2.2 extension.";
        return nullptr;
    }
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        CloseOwnDisplay(grab);
        CloseOwnDisplay(raw);
        error = "Global hotkeys and recording are unavailable: no wake-up descriptor.";
        return nullptr;
    }
    return std::make_unique<XiCapture>(grab, raw, opcode, wake);
}

}  // namespace velotap
