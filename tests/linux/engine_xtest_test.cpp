// The real engine threads on the XTest backend, observed by a client window on a private Xvfb.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

#include "base/event.h"
#include "engine/engine.h"
#include "platform/linux/x11_key_map.h"
#include "support/engine_signals.h"
#include "support/wait_for.h"
#include "support/xvfb.h"

// Xlib's macros clash with GoogleTest's names, so it comes last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "client_window.h"
#include "engine/synthesis.h"

namespace velotap {

namespace {

struct RunningEngine : EngineSignals {
    Engine engine;
    EngineContext context = ContextOf(engine);
    std::vector<std::thread> threads;
    std::string error;

    RunningEngine() {
        engine.Connect(error);
        threads.emplace_back(RunClickSpammerThread, context);
        threads.emplace_back(RunKeySpammerThread, context);
        threads.emplace_back(RunCommandProcessorThread, context);
    }
    ~RunningEngine() {
        running = 0;
        quit.Set();
        for (std::thread& t : threads)
            t.join();
    }
};

}  // namespace

TEST(EngineXTest, ClicksLandOnTheFixedPointAndChordsArriveInOrder) {
    PrivateXServer server(640, 480);
    ASSERT_TRUE(server.ok());
    ClientWindow client;
    ASSERT_TRUE(client.Open(640, 480));
    RunningEngine e;
    ASSERT_NE(e.engine.input, nullptr) << e.error;
    EngineState& s = e.engine.state;

    // Five counted clicks, 2 ms apart, at the picked point.
    s.click.rptMode = 0;
    s.click.rptTimes = 5;
    s.click.sms = 2;
    s.click.locMode = 1;
    s.click.fixedX = 123;
    s.click.fixedY = 77;
    RaiseRequest(s.requests.startClick, e.command);
    ASSERT_TRUE(WaitFor([&] { return s.clickSpamming.load() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return s.clickSpamming.load() == 0; }));
    // A key sent after the run on the same connection arrives after every click of it.
    const uint16_t f12 = e.engine.input->ScanCode(0x7B);
    e.engine.input->Send(KeyRecord(f12, false, true));
    e.engine.input->Send(KeyRecord(f12, false, false));
    ASSERT_TRUE(WaitFor([&] {
        client.Collect();
        return client.Count(KeyRelease) == 1;
    }));
    ASSERT_EQ(client.Count(ButtonPress), 5);
    for (const XEvent& ev : client.events) {
        if (ev.type != ButtonPress && ev.type != ButtonRelease) continue;
        EXPECT_EQ(ev.xbutton.button, 1u);
        EXPECT_EQ(ev.xbutton.x, 123);
        EXPECT_EQ(ev.xbutton.y, 77);
    }

    // Chord of Ctrl and C, twice.
    client.events.clear();
    s.targets.Remove(0);
    s.targets.Append(0x11);
    s.targets.Append(0x43);
    s.keySpam.chord = 1;
    s.keySpam.ksRptMode = 0;
    s.keySpam.ksRptTimes = 2;
    RaiseRequest(s.requests.startKeySpam, e.command);
    ASSERT_TRUE(WaitFor([&] {
        client.Collect();
        return client.events.size() >= 8;
    }));
    const KeyCode ctrl = XKeysymToKeycode(client.display, XK_Control_L);
    const KeyCode c = XKeysymToKeycode(client.display, XK_c);
    const std::pair<int, KeyCode> expected[] = {
        {KeyPress, ctrl}, {KeyPress, c}, {KeyRelease, ctrl}, {KeyRelease, c}};
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(client.events[i].type, expected[i % 4].first) << i;
        EXPECT_EQ(client.events[i].xkey.keycode, expected[i % 4].second) << i;
    }
    // The first press carries no modifier, the second is seen with Control held.
    EXPECT_EQ(client.events[1].xkey.state & ControlMask, ControlMask);
}

TEST(EngineXTest, KeyMapRoundTripsAndScanCodesAreKeycodes) {
    PrivateXServer server(320, 240);
    ASSERT_TRUE(server.ok());
    std::string error;
    std::unique_ptr<InputBackend> input = ConnectInput(error);
    ASSERT_NE(input, nullptr) << error;
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    for (uint32_t vk : {0x41u, 0x5Au, 0x30u, 0x0Du, 0x20u, 0x2Eu, 0x70u, 0x11u, 0xBCu}) {
        unsigned long keysym = VkToKeysym(vk);
        ASSERT_NE(keysym, 0u) << vk;
        EXPECT_EQ(KeysymToVk(keysym), vk);
        EXPECT_EQ(input->ScanCode(vk), XKeysymToKeycode(display, keysym)) << vk;
    }
    EXPECT_EQ(KeysymToVk(XK_A), 0x41u);
    EXPECT_EQ(input->ScanCode(0xFF), 0);
    ScreenSize screen = input->PrimaryScreen();
    EXPECT_EQ(screen.width, 320);
    EXPECT_EQ(screen.height, 240);
    XCloseDisplay(display);
}

TEST(EngineXTest, WheelNotchesAreClampedPerRecord) {
    PrivateXServer server(320, 240);
    ASSERT_TRUE(server.ok());
    ClientWindow client;
    ASSERT_TRUE(client.Open(320, 240));
    std::string error;
    std::unique_ptr<InputBackend> input = ConnectInput(error);
    ASSERT_NE(input, nullptr) << error;
    Synth synth(input.get());
    struct Case {
        int32_t delta;
        unsigned button;
        int notches;
    };
    const Case cases[] = {{120, 4, 1},         {-360, 5, 3},        {1, 4, 1},
                          {INT32_MAX, 4, 100}, {INT32_MIN, 5, 100}, {-12000, 5, 100}};
    for (const Case& c : cases) {
        client.events.clear();
        synth.Wheel(c.delta);
        synth.Button(kRightDown);  // the sentinel: everything before it has arrived with it
        synth.Button(kRightUp);
        auto presses = [&](unsigned button) {
            int n = 0;
            for (const XEvent& e : client.events)
                n += e.type == ButtonPress && e.xbutton.button == button;
            return n;
        };
        ASSERT_TRUE(WaitFor([&] {
            client.Collect();
            return presses(3) == 1;
        }));
        EXPECT_EQ(presses(c.button), c.notches) << c.delta;
    }
}

}  // namespace velotap
