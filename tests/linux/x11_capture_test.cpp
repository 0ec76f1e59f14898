// The XInput2 capture backend with the real capture decisions on a private Xvfb. Physical input
// goes through Xvfb's own "Xvfb keyboard" and "Xvfb mouse" devices, so it arrives from devices
// that are not XTEST devices; a client window with the focus shows what applications receive.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "base/event.h"
#include "capture/capture_core.h"
#include "capture/tracker_status.h"
#include "macro/recorder.h"
#include "platform/clock.h"
#include "platform/key_names.h"
#include "support/wait_for.h"
#include "support/xvfb.h"

// Xlib's macros clash with GoogleTest's names, so it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

namespace velotap {

namespace {

XDevice* OpenDeviceNamed(Display* display, const char* name) {
    int count = 0;
    XDeviceInfo* devices = XListInputDevices(display, &count);
    XID id = 0;
    for (int i = 0; i < count; ++i)
        if (std::string(devices[i].name) == name) id = devices[i].id;
    XFreeDeviceList(devices);
    return id ? XOpenDevice(display, id) : nullptr;
}

struct Desk {
    PrivateXServer server;
    Display* display = nullptr;  // the test's client: a focused window and the physical devices
    Window window = 0;
    XDevice* keyboard = nullptr;
    XDevice* mouse = nullptr;
    std::vector<XEvent> seen;

    bool Open() {
        if (!server.ok()) return false;
        display = XOpenDisplay(nullptr);
        if (!display) return false;
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400, 300, 0, 0, 0);
        XSelectInput(display, window,
                     KeyPressMask | KeyReleaseMask | ButtonPressMask | StructureNotifyMask);
        XMapWindow(display, window);
        for (XEvent e;;) {
            XNextEvent(display, &e);
            if (e.type == MapNotify) break;
        }
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        keyboard = OpenDeviceNamed(display, "Xvfb keyboard");
        mouse = OpenDeviceNamed(display, "Xvfb mouse");
        XSync(display, False);
        return keyboard && mouse;
    }
    ~Desk() {
        if (keyboard) XCloseDevice(display, keyboard);
        if (mouse) XCloseDevice(display, mouse);
        if (display) XCloseDisplay(display);
    }
    // Marks the window as this process's own, as the toolkit does for the program's windows.
    void MarkOwn() {
        const Atom pid = XInternAtom(display, "_NET_WM_PID", False);
        const unsigned long value = static_cast<unsigned long>(getpid());
        XChangeProperty(display, window, pid, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
        XSync(display, False);
    }
    void Key(KeySym keysym, bool press) {
        XTestFakeDeviceKeyEvent(display, keyboard, XKeysymToKeycode(display, keysym), press,
                                nullptr, 0, CurrentTime);
        XSync(display, False);
    }
    void Button(unsigned button, bool press) {
        XTestFakeDeviceButtonEvent(display, mouse, button, press, nullptr, 0, CurrentTime);
        XSync(display, False);
    }
    void MoveBy(int dx, int dy) {
        int axes[2] = {dx, dy};
        XTestFakeDeviceMotionEvent(display, mouse, True, 0, axes, 2, CurrentTime);
        XSync(display, False);
    }
    // Key presses the window received for `keysym` so far.
    int PressesOf(KeySym keysym) {
        while (XPending(display)) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == KeyPress) seen.push_back(e);
        }
        const KeyCode code = XKeysymToKeycode(display, keysym);
        int n = 0;
        for (const XEvent& e : seen)
            if (e.xkey.keycode == code) ++n;
        return n;
    }
};

struct CaptureRig {
    EngineState engine;
    HotkeySlots slots;
    Flag lockOn{0}, lockChanged{0}, unlocked{1}, enabled{1};
    Event command{EventReset::Auto};
    ProfileList store;
    Recorder recorder{store, engine, CounterNow, CounterFrequency()};
    std::unique_ptr<CaptureBackend> backend;
    std::unique_ptr<CaptureCore> core;
    std::thread thread;
    std::mutex reportMutex;
    std::vector<std::string> reports;

    bool Start() {
        std::string error;
        backend = ConnectCapture(error);
        if (!backend) return false;
        CaptureBackend* b = backend.get();
        core = std::make_unique<CaptureCore>(CaptureContext{
            engine, HotkeyContext{engine, slots, lockOn, lockChanged, unlocked, &command}, enabled,
            &recorder, [b](int32_t x, int32_t y) { return b->IsOwnWindowAt(x, y); }, nullptr,
            [this](const std::string& message) {
                std::lock_guard<std::mutex> lock(reportMutex);
                reports.push_back(message);
            }});
        thread = std::thread([this] { backend->Run(*core); });
        return backend->Settle();
    }
    ~CaptureRig() {
        if (backend) backend->Stop();
        if (thread.joinable()) thread.join();
    }
    size_t Events() {
        std::lock_guard<std::recursive_mutex> lock(store.lock);
        return store.CurrentMacro().size();
    }
    // Whether a release of `vk` has been recorded: the sentinel after input that must leave no
    // trace, since the capture thread handles input in the order it happened.
    bool Recorded(uint32_t vk) {
        std::lock_guard<std::recursive_mutex> lock(store.lock);
        for (const UnifiedEvent& e : store.CurrentMacro())
            if (e.type == EventType::Key && e.vk == vk && !e.down) return true;
        return false;
    }
};

TEST(XiCapture, HotkeysAreSwallowedLockedAndHeld) {
    Desk desk;
    ASSERT_TRUE(desk.Open());
    CaptureRig rig;
    ASSERT_TRUE(rig.Start());

    desk.Key(XK_F6, true);
    desk.Key(XK_F6, false);
    EXPECT_TRUE(WaitFor([&] { return rig.engine.requests.toggleClick.load() != 0; }));
    desk.Key(XK_a, true);
    desk.Key(XK_a, false);
    EXPECT_TRUE(WaitFor([&] { return desk.PressesOf(XK_a) == 1; })) << "plain keys go on";
    EXPECT_EQ(desk.PressesOf(XK_F6), 0) << "the hotkey never reaches the focused window";

    // Hold mode: start on the press, stop on the release.
    rig.engine.holdAuto.exchange(1);
    desk.Key(XK_F6, true);
    EXPECT_TRUE(WaitFor([&] { return rig.engine.requests.startClick.load() != 0; }));
    EXPECT_EQ(rig.engine.requests.stopClick.load(), 0);
    desk.Key(XK_F6, false);
    EXPECT_TRUE(WaitFor([&] { return rig.engine.requests.stopClick.load() != 0; }));

    // Lock on: F10 locks, then F6 reaches the window.
    rig.lockOn.exchange(1);
    rig.backend->Refresh();  // the unlock key becomes a hotkey
    ASSERT_TRUE(rig.backend->Settle());
    desk.Key(XK_F10, true);
    desk.Key(XK_F10, false);
    EXPECT_TRUE(WaitFor([&] { return rig.unlocked.load() == 0; }));
    ASSERT_TRUE(rig.backend->Settle());  // locked keys are let go
    rig.engine.requests.startClick.exchange(0);
    desk.Key(XK_F6, true);
    desk.Key(XK_F6, false);
    EXPECT_TRUE(WaitFor([&] { return desk.PressesOf(XK_F6) == 1; }));
    EXPECT_EQ(rig.engine.requests.startClick.load(), 0);
    EXPECT_EQ(desk.PressesOf(XK_F10), 0);
}

TEST(XiCapture, RecordsPhysicalInputButNotInjectedOrOwnClicks) {
    Desk desk;
    ASSERT_TRUE(desk.Open());
    CaptureRig rig;
    ASSERT_TRUE(rig.Start());
    rig.recorder.StartFresh();

    desk.Key(XK_b, true);
    desk.Key(XK_b, false);
    desk.MoveBy(600, 500);  // away from the test's window (relative: the Xvfb mouse)
    int px = 0, py = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    Window root = 0, child = 0;
    XQueryPointer(desk.display, DefaultRootWindow(desk.display), &root, &child, &px, &py, &wx, &wy,
                  &mask);
    desk.Button(1, true);
    desk.Button(1, false);
    desk.Key(XK_f, true);
    desk.Key(XK_f, false);
    ASSERT_TRUE(WaitFor([&] { return rig.Recorded('F'); }));
    const size_t before = rig.Events();
    // Injected input (the core XTEST devices) is not recorded.
    XTestFakeButtonEvent(desk.display, 3, True, CurrentTime);
    XTestFakeButtonEvent(desk.display, 3, False, CurrentTime);
    XTestFakeKeyEvent(desk.display, XKeysymToKeycode(desk.display, XK_c), True, CurrentTime);
    XTestFakeKeyEvent(desk.display, XKeysymToKeycode(desk.display, XK_c), False, CurrentTime);
    XSync(desk.display, False);
    // A click on a window of this program is not recorded either.
    desk.MarkOwn();
    XTestFakeMotionEvent(desk.display, 0, 100, 100, CurrentTime);
    XSync(desk.display, False);
    desk.Button(1, true);
    desk.Button(1, false);
    desk.Key(XK_e, true);
    desk.Key(XK_e, false);
    ASSERT_TRUE(WaitFor([&] { return rig.Recorded('E'); }));
    rig.recorder.Stop();

    std::string types;
    for (const UnifiedEvent& e : rig.store.Current())
        types += std::to_string(e.type);
    EXPECT_EQ(rig.store.Current().size(), before + 2) << types << ": only the sentinel's key";
    EXPECT_NE(types.find("33"), std::string::npos) << types;
    EXPECT_NE(types.find('0'), std::string::npos) << types;
    EXPECT_NE(types.find("22"), std::string::npos) << types;
    for (const UnifiedEvent& e : rig.store.Current()) {
        if (e.type == EventType::MouseButton) {
            EXPECT_EQ(e.x, px);
            EXPECT_EQ(e.y, py);
        }
        EXPECT_NE(e.vk, static_cast<uint32_t>('C')) << "injected key recorded";
    }
    EXPECT_EQ(rig.store.Current().front().time, 0.0);
}

TEST(XiCapture, KeysTypedWhileAHotkeyIsHeldAreRecordedOnce) {
    Desk desk;
    ASSERT_TRUE(desk.Open());
    CaptureRig rig;
    ASSERT_TRUE(rig.Start());
    rig.engine.holdAuto.exchange(1);
    rig.recorder.StartFresh();
    desk.Key(XK_F6, true);
    ASSERT_TRUE(WaitFor([&] { return rig.engine.requests.startClick.load() != 0; }));
    desk.Key(XK_d, true);
    desk.Key(XK_d, false);
    desk.Key(XK_F6, false);
    ASSERT_TRUE(WaitFor([&] { return rig.engine.requests.stopClick.load() != 0; }));
    desk.Key(XK_g, true);
    desk.Key(XK_g, false);
    ASSERT_TRUE(WaitFor([&] { return rig.Recorded('G'); }));
    std::lock_guard<std::recursive_mutex> lock(rig.store.lock);
    int downs = 0, hotkeyEvents = 0;
    for (const UnifiedEvent& e : rig.store.Current()) {
        if (e.type == EventType::Key && e.vk == 'D' && e.down) ++downs;
        if (e.type == EventType::Key && e.vk == 117) ++hotkeyEvents;
    }
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(hotkeyEvents, 0) << "the hotkey itself is not recorded";
}

TEST(XiCapture, AHotkeyHeldByAnotherProgramIsReported) {
    Desk desk;
    ASSERT_TRUE(desk.Open());
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_KeyPress);
    XIEventMask mask{XIAllMasterDevices, sizeof(bits), bits};
    XIGrabModifiers any{static_cast<int>(XIAnyModifier), 0};
    XIGrabKeycode(desk.display, XIAllMasterDevices, XKeysymToKeycode(desk.display, XK_F7),
                  DefaultRootWindow(desk.display), XIGrabModeAsync, XIGrabModeAsync, False, &mask,
                  1, &any);
    XSync(desk.display, False);
    CaptureRig rig;
    ASSERT_TRUE(rig.Start());
    std::lock_guard<std::mutex> lock(rig.reportMutex);
    ASSERT_EQ(rig.reports.size(), 1u);
    EXPECT_EQ(rig.reports[0], "Hotkey unavailable: another program already uses key 118.");
}

TEST(XkbKeyNames, LayoutNamesAndFallbacks) {
    PrivateXServer server;
    ASSERT_TRUE(server.ok());
    std::unique_ptr<KeyNameSource> names = ConnectKeyNames();
    ASSERT_TRUE(names);
    EXPECT_EQ(KeyDisplayName(names.get(), 0x2E), "Delete");
    EXPECT_EQ(KeyDisplayName(names.get(), 117), "F6");
    EXPECT_EQ(KeyDisplayName(names.get(), 'A'), "A");
    EXPECT_EQ(KeyDisplayName(names.get(), 255), "Key[255]");
    EXPECT_EQ(KeyDisplayName(names.get(), 4), "Middle Mouse");
}

}  // namespace

}  // namespace velotap
