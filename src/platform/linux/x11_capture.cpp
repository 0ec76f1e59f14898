// Global capture on X11. Two connections: `grab_` holds passive synchronous grabs on what the
// decisions may swallow (the hotkeys; any key or the picking buttons while a reassignment or a
// location pick waits) and answers each grabbed press at once; `raw_` never grabs and sees one raw
// event per physical action of every device. A connection that holds a grab does not get the raw
// events of the grabbed device, hence the split.
//
// A grabbed press activates its grab, and an active grab takes every event of that master device.
// So a press that goes on is replayed, which lets the grab go; a captured press (a reassignment, a
// pick) is dropped by letting the grab go at once, so its release and everything after it reach
// the applications; and a swallowed hotkey keeps the grab one event at a time (XISyncDevice): its
// repeats and its release are swallowed, and the first other event is replayed, which lets the
// grab go. Raw events carry no auto-repeat, so the repeats of a held key that is not grabbed are
// derived from the server's own repeat controls.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <gio/gio.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/capture_input.h"
#include "platform/clock.h"
#include "platform/linux/gio_session_lock.h"
#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_grabs.h"
#include "platform/linux/x11_key_map.h"
#include "platform/linux/x11_key_repeat.h"

namespace velotap {

namespace {

constexpr int kPollMs = 50;
constexpr int kUngrab = -1;  // answer: drop the grabbed event and let the grab go

std::string ExePath(long pid) {
    char path[PATH_MAX];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const ssize_t n = readlink(link.c_str(), path, sizeof(path) - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

class XiCapture final : public CaptureBackend {
  public:
    XiCapture(Display* grab, Display* raw, int opcode, int xkbEvent, int wake)
        : grab_(grab), raw_(raw), opcode_(opcode), xkbEvent_(xkbEvent), wake_(wake), grabs_(grab) {}
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
    CaptureStatus Snapshot() override {
        std::lock_guard lock(statusMutex_);
        return status_;
    }

  private:
    void Wake() {
        const uint64_t one = 1;
        (void)!write(wake_, &one, sizeof(one));
    }
    void SelectRaw();
    void ReadXtestDevices();
    void ReadRepeatControls();
    uint32_t VkOf(int keycode);
    void UpdateGrabs(CaptureHandler& handler);
    void HoldGrabs(CaptureHandler& handler);
    void HandleGrabEvent(CaptureHandler& handler, XEvent& event);
    int Decide(CaptureHandler& handler, const XIDeviceEvent& e, std::set<int>& held);
    void HandleRawEvent(CaptureHandler& handler, XEvent& event);
    void DrainRaw(CaptureHandler& handler);
    void Repeat(CaptureHandler& handler, int keycode, int count);
    void RepeatHeldKeys(CaptureHandler& handler);
    int64_t NextRepeat() const;
    void PointerPosition(int32_t& x, int32_t& y);
    long WindowPid(Window window, int depth);

    Display* grab_;
    Display* raw_;
    int opcode_;
    int xkbEvent_;
    int wake_;
    std::atomic<bool> stop_{false};
    // Settle: calls take tickets; a pass of UpdateGrabs begun after a ticket was taken serves it.
    std::mutex settleMutex_;
    std::condition_variable settled_;
    uint64_t ticketsTaken_ = 0, ticketsServed_ = 0;
    std::set<int> xtestDevices_;
    XGrabs grabs_;
    bool grabsValid_ = false;
    bool mappingChanged_ = false;
    // Per master device: presses swallowed as hotkeys whose grab is kept until their release.
    std::map<int, std::set<int>> held_;
    KeyRepeatControls repeatControls_;
    std::map<int, KeyRepeatClock> repeats_;  // per physical keyboard
    std::mutex statusMutex_;
    CaptureStatus status_;
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
    XkbSelectEvents(raw_, XkbUseCoreKbd, XkbControlsNotifyMask, XkbControlsNotifyMask);
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

void XiCapture::ReadRepeatControls() {
    XkbDescPtr desc = XkbAllocKeyboard();
    if (!desc) return;
    if (XkbGetControls(raw_, XkbRepeatKeysMask | XkbPerKeyRepeatMask | XkbControlsEnabledMask,
                       desc) == Success &&
        desc->ctrls) {
        const XkbControlsRec& c = *desc->ctrls;
        repeatControls_.enabled = (c.enabled_ctrls & XkbRepeatKeysMask) != 0;
        repeatControls_.delayMs = c.repeat_delay;
        repeatControls_.intervalMs = c.repeat_interval;
        std::copy(std::begin(c.per_key_repeat), std::end(c.per_key_repeat),
                  repeatControls_.perKey.begin());
    }
    XkbFreeKeyboard(desc, 0, True);
}

uint32_t XiCapture::VkOf(int keycode) {
    const KeySym keysym = XkbKeycodeToKeysym(raw_, static_cast<KeyCode>(keycode), 0, 0);
    return keysym == NoSymbol ? 0 : KeysymToVk(keysym);
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
    HoldGrabs(handler);
    if (serving == served) return;
    XSync(grab_, False);  // in effect at the server before anyone is told so
    {
        std::lock_guard lock(settleMutex_);
        ticketsServed_ = serving;
    }
    settled_.notify_all();
}

void XiCapture::HoldGrabs(CaptureHandler& handler) {
    const CaptureGrabs want = handler.WantedGrabs();
    if (mappingChanged_) {
        // Sent on every switch between keyboards too; only a hotkey that moved to another
        // keycode needs a new grab.
        mappingChanged_ = false;
        if (grabs_.KeycodesMoved()) grabsValid_ = false;
    }
    if (grabsValid_ && want == grabs_.Held()) return;
    const XGrabs::Outcome outcome = grabs_.Hold(want);
    grabsValid_ = true;
    for (int32_t code : outcome.unmapped) {
        handler.Report("Hotkey unavailable: key " + std::to_string(code) +
                       " has no key on this keyboard layout.");
    }
    if (!outcome.heldByOthers.empty()) {
        std::string names;
        for (const std::string& name : outcome.heldByOthers) {
            if (!names.empty()) names += ", ";
            names += name;
        }
        handler.Report(
            "While a hotkey is being assigned, keys that another program holds still "
            "reach that program: " +
            names + ".");
    }
    if (outcome.refused != CaptureGrabs{}) handler.GrabsRefused(outcome.refused);
    std::lock_guard lock(statusMutex_);
    status_ = {true, want, grabs_.Ungrabbed()};
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

// The answer to one grabbed event; decided at once from memory while the device is frozen.
int XiCapture::Decide(CaptureHandler& handler, const XIDeviceEvent& e, std::set<int>& held) {
    const bool key = e.evtype == XI_KeyPress || e.evtype == XI_KeyRelease;
    const bool press = e.evtype == XI_KeyPress || e.evtype == XI_ButtonPress;
    const bool injected = xtestDevices_.count(e.sourceid) != 0;
    if (!press) {
        // Only a kept grab brings releases: the held hotkey's own is swallowed with the grab.
        if (held.erase(e.detail)) return held.empty() ? kUngrab : XISyncDevice;
        held.clear();
        return XIReplayDevice;
    }
    const bool repeat = held.count(e.detail) != 0;
    if (!repeat && !(key ? grabs_.TakesKeycode(e.detail) : grabs_.TakesButton(e.detail))) {
        held.clear();
        return XIReplayDevice;  // anything else goes on, and with it the grab
    }
    const int32_t code = key ? static_cast<int32_t>(VkOf(e.detail)) : ButtonCodeOfX(e.detail);
    const Verdict verdict = key ? handler.Key(static_cast<uint32_t>(code), true, injected)
                                : handler.Button(code, true, static_cast<int32_t>(e.root_x),
                                                 static_cast<int32_t>(e.root_y), injected);
    if (verdict == Verdict::Pass) {
        held.clear();
        return XIReplayDevice;
    }
    if (!handler.ReleaseSwallowed(code, !key)) {
        held.clear();
        return kUngrab;
    }
    held.insert(e.detail);
    return XISyncDevice;
}

void XiCapture::HandleGrabEvent(CaptureHandler& handler, XEvent& event) {
    if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        mappingChanged_ = true;
        return;
    }
    if (event.type != GenericEvent || event.xcookie.extension != opcode_) return;
    if (!XGetEventData(grab_, &event.xcookie)) return;
    const auto* e = static_cast<XIDeviceEvent*>(event.xcookie.data);
    switch (event.xcookie.evtype) {
        case XI_KeyPress:
        case XI_KeyRelease:
        case XI_ButtonPress:
        case XI_ButtonRelease: {
            const int answer = Decide(handler, *e, held_[e->deviceid]);
            // The event's own time: a replay stamped CurrentTime is not delivered on to the focus.
            if (answer == kUngrab) {
                XIUngrabDevice(grab_, e->deviceid, e->time);
            } else {
                XIAllowEvents(grab_, e->deviceid, answer, e->time);
            }
            XFlush(grab_);
            break;
        }
        default:
            break;
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

// `count` further presses of a key held down, as the server repeated it.
void XiCapture::Repeat(CaptureHandler& handler, int keycode, int count) {
    // A grabbed key's repeats reach the grab connection themselves.
    if (count <= 0 || grabs_.TakesKeycode(keycode)) return;
    if (const uint32_t vk = VkOf(keycode)) {
        for (int i = 0; i < count; ++i)
            handler.Key(vk, true, false);
    }
}

int64_t XiCapture::NextRepeat() const {
    int64_t next = INT64_MAX;
    for (const auto& [device, clock] : repeats_)
        next = std::min(next, clock.NextAt());
    return next;
}

void XiCapture::RepeatHeldKeys(CaptureHandler& handler) {
    if (NextRepeat() > MonotonicNanos()) return;
    // A release the server has already made comes first: it may end the repeating.
    XSync(raw_, False);
    DrainRaw(handler);
    const int64_t now = MonotonicNanos();
    for (auto& [device, clock] : repeats_)
        Repeat(handler, clock.Key(), clock.Take(now));
}

void XiCapture::HandleRawEvent(CaptureHandler& handler, XEvent& event) {
    if (event.type == xkbEvent_) {
        if (reinterpret_cast<XkbAnyEvent&>(event).xkb_type == XkbControlsNotify)
            ReadRepeatControls();
        return;
    }
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
        case XI_RawKeyPress: {
            if (!injected) {
                KeyRepeatClock& clock = repeats_[e->sourceid];
                Repeat(handler, clock.Key(), clock.Owed(e->time));
                clock.Press(e->detail, e->time, MonotonicNanos(), repeatControls_);
            }
            // Grabbed presses are decided on the grab connection.
            if (!grabs_.TakesKeycode(e->detail)) {
                if (const uint32_t vk = VkOf(e->detail)) handler.Key(vk, true, injected);
            }
            break;
        }
        case XI_RawKeyRelease:
            if (!injected) {
                KeyRepeatClock& clock = repeats_[e->sourceid];
                Repeat(handler, clock.Key(), clock.Owed(e->time));
                clock.Release(e->detail);
            }
            if (const uint32_t vk = VkOf(e->detail)) handler.Key(vk, false, injected);
            break;
        case XI_RawButtonPress:
        case XI_RawButtonRelease: {
            const bool press = type == XI_RawButtonPress;
            if (e->detail == 4 || e->detail == 5) {
                if (press) handler.Wheel(e->detail == 4 ? 120 : -120, injected);
                break;
            }
            const int32_t code = ButtonCodeOfX(e->detail);
            if (code == 0) break;
            if (press && grabs_.TakesButton(e->detail)) break;
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
}

void XiCapture::Run(CaptureHandler& handler) {
    SelectRaw();
    ReadXtestDevices();
    ReadRepeatControls();
    SessionLockWatch lockWatch([&handler] { handler.SessionLocked(); });
    while (!stop_.load()) {
        UpdateGrabs(handler);
        int timeout = kPollMs;
        if (const int64_t next = NextRepeat(); next != INT64_MAX) {
            const int64_t ms = (next - MonotonicNanos() + 999'999) / 1'000'000;
            timeout = static_cast<int>(std::clamp<int64_t>(ms, 0, kPollMs));
        }
        pollfd fds[3] = {{ConnectionNumber(grab_), POLLIN, 0},
                         {ConnectionNumber(raw_), POLLIN, 0},
                         {wake_, POLLIN, 0}};
        if (XPending(grab_) == 0 && XPending(raw_) == 0) poll(fds, 3, timeout);
        if (fds[2].revents & POLLIN) {
            uint64_t count = 0;
            (void)!read(wake_, &count, sizeof(count));
        }
        while (XPending(grab_) > 0) {
            XEvent event;
            XNextEvent(grab_, &event);
            // The device stays frozen until this event is answered, so what the raw connection
            // holds now happened before it (a quick tap's release): handle that first, or the
            // next tap would look like auto-repeat of a key still down.
            XSync(raw_, False);
            DrainRaw(handler);
            HandleGrabEvent(handler, event);
        }
        DrainRaw(handler);
        RepeatHeldKeys(handler);
        lockWatch.Dispatch();
    }
    grabs_.Release();
    for (auto& [device, held] : held_) {
        if (!held.empty()) XIUngrabDevice(grab_, device, CurrentTime);
    }
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
    int xkbOpcode = 0, xkbEvent = 0, xkbError = 0, xkbMajor = XkbMajorVersion,
        xkbMinor = XkbMinorVersion;
    if (!XkbQueryExtension(raw, &xkbOpcode, &xkbEvent, &xkbError, &xkbMajor, &xkbMinor))
        xkbEvent = -1;  // no repeat controls to follow: the defaults stand
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        CloseOwnDisplay(grab);
        CloseOwnDisplay(raw);
        error = "Global hotkeys and recording are unavailable: no wake-up descriptor.";
        return nullptr;
    }
    return std::make_unique<XiCapture>(grab, raw, opcode, xkbEvent, wake);
}

}  // namespace velotap
