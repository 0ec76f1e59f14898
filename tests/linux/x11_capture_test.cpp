// The XInput2 capture backend with the real capture decisions on a private Xvfb. Physical input
// goes through Xvfb's own "Xvfb keyboard" and "Xvfb mouse" devices, so it arrives from devices
// that are not XTEST devices; a client window with the focus shows what applications receive.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "base/event.h"
#include "capture/capture_core.h"
#include "capture/tracker_status.h"
#include "engine/engine.h"
#include "macro/recorder.h"
#include "platform/clock.h"
#include "platform/input_tap.h"
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
    void Collect() {
        while (XPending(display)) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == KeyPress || e.type == KeyRelease || e.type == ButtonPress)
                seen.push_back(e);
        }
    }
    int ReleasesOf(KeySym keysym) {
        Collect();
        const KeyCode code = XKeysymToKeycode(display, keysym);
        int n = 0;
        for (const XEvent& e : seen)
            n += e.type == KeyRelease && e.xkey.keycode == code;
        return n;
    }
    // Key presses the window received for `keysym` so far.
    int PressesOf(KeySym keysym) {
        Collect();
        const KeyCode code = XKeysymToKeycode(display, keysym);
        int n = 0;
        for (const XEvent& e : seen)
            n += e.type == KeyPress && e.xkey.keycode == code;
        return n;
    }
    int ButtonPressesOf(unsigned button) {
        Collect();
        int n = 0;
        for (const XEvent& e : seen)
            n += e.type == ButtonPress && e.xbutton.button == button;
        return n;
    }
};

struct CaptureRig {
    Engine tools;  // its threads run only where a test starts them
    EngineState& engine = tools.state;
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

    // Running once its grabs are in place (it selects raw events before).
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
        return Settled();
    }
    // Waits until the backend holds what the decisions want now.
    bool Settled() {
        backend->Refresh();
        return WaitFor([&] { return backend->Snapshot().held == core->WantedGrabs(); });
    }
    ~CaptureRig() {
        if (backend) backend->Stop();
        if (thread.joinable()) thread.join();
    }
    void Refresh() { backend->Refresh(); }
    // Types Z and waits until its release is recorded: what came before has been seen.
    void AwaitRecordedSentinel(Desk& desk) {
        desk.Key(XK_z, true);
        desk.Key(XK_z, false);
        ASSERT_TRUE(WaitFor([&] {
            std::lock_guard<std::recursive_mutex> lock(store.lock);
            const std::vector<UnifiedEvent>& m = store.Current();
            return !m.empty() && m.back().vk == 'Z' && !m.back().down;
        }));
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

    rig.recorder.StartFresh();  // what is recorded shows what the capture thread has seen
    desk.Key(XK_F6, true);
    desk.Key(XK_F6, false);
    EXPECT_TRUE(WaitFor([&] { return rig.engine.requests.toggleClick.load() != 0; }));
    desk.Key(XK_a, true);
    desk.Key(XK_a, false);
    EXPECT_TRUE(WaitFor([&] { return desk.PressesOf(XK_a) == 1 && rig.Events() == 2; }))
        << "plain keys go on";
    EXPECT_EQ(desk.PressesOf(XK_F6) + desk.ReleasesOf(XK_F6), 0)
        << "a tapped hotkey never reaches the focused window";

    // Hold mode: start on the press, stop on the release.
    rig.engine.holdAuto.exchange(1);
    desk.Key(XK_F6, true);
    EXPECT_TRUE(WaitFor([&] { return rig.engine.requests.startClick.load() != 0; }));
    EXPECT_EQ(rig.engine.requests.stopClick.load(), 0);
    desk.Key(XK_F6, false);
    EXPECT_TRUE(WaitFor([&] { return rig.engine.requests.stopClick.load() != 0; }));

    // Lock on: F10 locks, then F6 reaches the window.
    rig.lockOn.exchange(1);
    ASSERT_TRUE(rig.Settled());  // the unlock key becomes a hotkey
    desk.Key(XK_F10, true);
    desk.Key(XK_F10, false);
    EXPECT_TRUE(WaitFor([&] { return rig.unlocked.load() == 0; }));
    ASSERT_TRUE(rig.Settled());  // locked: the other hotkeys are let go
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
    rig.AwaitRecordedSentinel(desk);
    std::lock_guard<std::recursive_mutex> lock(rig.store.lock);
    int downs = 0, hotkeyEvents = 0;
    for (const UnifiedEvent& e : rig.store.Current()) {
        if (e.type == EventType::Key && e.vk == 'D' && e.down) ++downs;
        if (e.type == EventType::Key && e.vk == 117) ++hotkeyEvents;
    }
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(hotkeyEvents, 0) << "the hotkey itself is not recorded";
}

// Holding the key spammer's hotkey in hold mode: every key the spammer sends reaches the focused
// window, so does what the user types meanwhile, and the hotkey itself never does.
TEST(XiCapture, HoldModeKeysReachTheFocusedWindow) {
    Desk desk;
    ASSERT_TRUE(desk.Open());
    CaptureRig rig;
    std::string error;
    rig.tools.Connect(error);
    ASSERT_NE(rig.tools.input, nullptr) << error;
    std::atomic<int> sent{0};  // the engine's key presses
    InputTap counting(*rig.tools.input, [&sent](const InputRecord& r) {
        sent += r.kind == InputRecord::Kind::Keyboard && !(r.flags & kKeyUp);
    });
    rig.tools.Use(&counting, rig.tools.desktop.get(), rig.tools.messenger.get());
    rig.engine.keySpam.ksms = 10;  // the one default target, Space
    rig.engine.holdKeySpam.exchange(1);
    Flag running{1}, stopTools{1};
    Event quit{EventReset::Manual}, clickWake{EventReset::Auto}, keyWake{EventReset::Auto},
        playWake{EventReset::Auto}, ack{EventReset::Auto};
    EngineContext context{rig.tools, running, stopTools, quit, rig.command,
                          clickWake, keyWake, playWake,  ack};
    std::thread spammer(RunKeySpammerThread, context),
        processor(RunCommandProcessorThread, context);
    ASSERT_TRUE(rig.Start());

    desk.Key(XK_F9, true);
    EXPECT_TRUE(WaitFor([&] { return desk.PressesOf(XK_space) >= 5; })) << "keys while held";
    desk.Key(XK_a, true);
    desk.Key(XK_a, false);
    desk.Key(XK_F9, false);
    EXPECT_TRUE(WaitFor([&] { return rig.engine.keySpamming.load() == 0; })) << "stops";
    EXPECT_TRUE(WaitFor([&] { return desk.PressesOf(XK_space) == sent.load(); }))
        << desk.PressesOf(XK_space) << " of " << sent.load() << " arrived";
    desk.Key(XK_z, true);  // the sentinel
    desk.Key(XK_z, false);
    EXPECT_TRUE(WaitFor([&] { return desk.PressesOf(XK_z) == 1; }));
    EXPECT_EQ(desk.PressesOf(XK_a), 1);
    EXPECT_EQ(desk.PressesOf(XK_F9), 0);

    running = 0;
    quit.Set();
    spammer.join();
    processor.join();
}

// While a pick or a reassignment waits, only what it takes is swallowed; everything else reaches
// the focused window. The grabs go when nothing waits any more.
TEST(XiCapture, PickAndReassignmentTakeOnlyTheirPresses) {
    Desk desk;
    ASSERT_TRUE(desk.Open());
    CaptureRig rig;
    ASSERT_TRUE(rig.Start());
    auto click = [&](unsigned button) {
        desk.Button(button, true);
        desk.Button(button, false);
    };
    auto type = [&](KeySym keysym) {
        desk.Key(keysym, true);
        desk.Key(keysym, false);
    };
    XWarpPointer(desk.display, None, desk.window, 0, 0, 0, 0, 100, 100);  // clicks land on it

    // A pick: typing and the wheel go on (Xvfb's mouse has no wheel: the XTEST pointer's); the
    // left press is the point.
    rig.engine.pickingLocation.exchange(1);
    ASSERT_TRUE(rig.Settled());
    type(XK_a);
    XTestFakeButtonEvent(desk.display, 4, True, CurrentTime);
    XTestFakeButtonEvent(desk.display, 4, False, CurrentTime);
    EXPECT_TRUE(WaitFor([&] { return desk.PressesOf(XK_a) == 1 && desk.ButtonPressesOf(4) == 1; }));
    click(1);
    EXPECT_TRUE(WaitFor([&] { return rig.engine.pickingLocation.load() == 0; }));
    EXPECT_EQ(rig.engine.click.locMode.load(), 1);
    ASSERT_TRUE(rig.Settled());

    // A key spammer target takes a key, never a click.
    rig.engine.pendingSlot.exchange(kSlotKeySpamTarget);
    ASSERT_TRUE(rig.Settled());
    click(1);
    EXPECT_TRUE(WaitFor([&] { return desk.ButtonPressesOf(1) == 1; }));
    type(XK_q);
    EXPECT_TRUE(WaitFor([&] { return rig.engine.capturedKey.load() == 'Q'; }));
    ASSERT_TRUE(rig.Settled());

    // The unlock slot lets a left click through and takes a right one.
    rig.engine.capturedKey.exchange(0);
    rig.engine.pendingSlot.exchange(kSlotUnlock);
    ASSERT_TRUE(rig.Settled());
    click(1);
    EXPECT_TRUE(WaitFor([&] { return desk.ButtonPressesOf(1) == 2; }));
    click(3);
    EXPECT_TRUE(WaitFor([&] { return rig.engine.capturedKey.load() == kRightButton; }));
    ASSERT_TRUE(rig.Settled());

    type(XK_z);  // the sentinel: nothing taken arrives after all
    EXPECT_TRUE(WaitFor([&] { return desk.PressesOf(XK_z) == 1; }));
    EXPECT_EQ(desk.ButtonPressesOf(1), 2);
    EXPECT_EQ(desk.ButtonPressesOf(3), 0);
    EXPECT_EQ(desk.PressesOf(XK_q), 0);
}

// A key held down during recording gives one key-down per auto-repeat, as the focused window
// gets them from the server, and one key-up.
TEST(XiCapture, AHeldKeyRecordsItsRepeats) {
    Desk desk;
    ASSERT_TRUE(desk.Open());
    CaptureRig rig;
    ASSERT_TRUE(rig.Start());
    rig.recorder.StartFresh();
    desk.Key(XK_r, true);
    ASSERT_TRUE(WaitFor([&] { return desk.PressesOf(XK_r) >= 4; }));
    desk.Key(XK_r, false);
    rig.AwaitRecordedSentinel(desk);
    int downs = 0, ups = 0;
    for (const UnifiedEvent& e : rig.store.Current()) {
        downs += e.vk == 'R' && e.down;
        ups += e.vk == 'R' && !e.down;
    }
    // The server's repeat timer may fire a little late on a busy machine; the derived repeats
    // follow its schedule, so a release right at a repeat's time may fall either side.
    EXPECT_NEAR(downs, desk.PressesOf(XK_r), 1);
    EXPECT_GE(downs, 3);
    EXPECT_EQ(ups, 1);
}

// Keys another program holds: a hotkey it holds with any modifiers is reported; one it holds only
// with a modifier (a window manager's shortcut) still works alone; a reassignment that can take no
// key at all is cancelled and the user told why.
TEST(XiCapture, KeysAnotherProgramHoldsAreReportedOrLeftToIt) {
    Desk desk;
    ASSERT_TRUE(desk.Open());
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_KeyPress);
    XIEventMask mask{XIAllMasterDevices, sizeof(bits), bits};
    auto holdElsewhere = [&](int keycode, int modifiers) {
        XIGrabModifiers m{modifiers, 0};
        XIGrabKeycode(desk.display, XIAllMasterDevices, keycode, DefaultRootWindow(desk.display),
                      XIGrabModeAsync, XIGrabModeAsync, False, &mask, 1, &m);
        XSync(desk.display, False);
    };
    holdElsewhere(XKeysymToKeycode(desk.display, XK_F7), XIAnyModifier);
    holdElsewhere(XKeysymToKeycode(desk.display, XK_F8), Mod4Mask);
    CaptureRig rig;
    ASSERT_TRUE(rig.Start());
    auto reports = [&] {
        std::lock_guard<std::mutex> lock(rig.reportMutex);
        return rig.reports;
    };
    ASSERT_TRUE(WaitFor([&] { return !reports().empty(); }));
    EXPECT_EQ(reports()[0], "Hotkey unavailable: another program already uses key 118.");
    EXPECT_EQ(rig.backend->Snapshot().ungrabbed, std::vector<int32_t>{118});
    desk.Key(XK_F8, true);
    desk.Key(XK_F8, false);
    EXPECT_TRUE(WaitFor([&] { return rig.engine.requests.toggleRecording.load() != 0; }));

    // A reassignment takes F8 alone too, around the other program's combination.
    rig.engine.pendingSlot.exchange(kSlotPlayback);
    ASSERT_TRUE(rig.Settled());
    desk.Key(XK_F8, true);
    desk.Key(XK_F8, false);
    EXPECT_TRUE(WaitFor([&] { return rig.engine.capturedKey.load() == 119; }));
    rig.engine.pendingSlot.exchange(kSlotNone);
    rig.engine.capturedKey.exchange(0);

    rig.enabled.exchange(0);  // our hotkeys let go, so the other program can take every key
    ASSERT_TRUE(rig.Settled());
    holdElsewhere(XIAnyKeycode, XIAnyModifier);
    rig.engine.pendingSlot.exchange(kSlotPlayback);
    rig.Refresh();
    EXPECT_TRUE(WaitFor([&] { return rig.engine.pendingSlot.load() == kSlotNone; }));
    EXPECT_EQ(reports().back(), "The hotkey cannot be assigned: another program holds every key.");
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
