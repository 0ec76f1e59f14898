// The real player thread on the XTest backend, observed by a client window on a private Xvfb.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/event.h"
#include "engine/engine.h"
#include "macro/player.h"
#include "support/engine_signals.h"
#include "support/xvfb.h"

// Xlib's macros clash with GoogleTest's names, so it comes last.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "client_window.h"

namespace velotap {

namespace {

UnifiedEvent Ev(uint32_t type, double time, int32_t x, int32_t y, uint32_t flags, uint32_t vk,
                bool down) {
    return {type, time, x, y, flags, vk, down, 0};
}

}  // namespace

TEST(PlayerXTest, PlaysTheMacroAndReleasesWhatItHolds) {
    PrivateXServer server(320, 240);
    ASSERT_TRUE(server.ok());
    ClientWindow client;
    client.keepButtonReleases = true;
    ASSERT_TRUE(client.Open(320, 240));

    Engine engine;
    std::string error;
    engine.Connect(error);
    ASSERT_NE(engine.input, nullptr) << error;
    ProfileList profiles;
    profiles.Current() = {Ev(EventType::AbsoluteMove, 0, 10, 10, 0, 0, false),
                          Ev(EventType::Key, 0.02, 0, 0, 0, 0x41, true),
                          Ev(EventType::Key, 0.03, 0, 0, 0, 0x41, false),
                          Ev(EventType::AbsoluteMove, 0.04, 100, 50, 0, 0, false),
                          Ev(EventType::MouseButton, 0.05, 200, 100, 0x0002, 0, false)};
    EngineSignals signals;
    const EngineContext c = signals.ContextOf(engine);
    std::thread player(RunPlayerThread, c, std::ref(profiles));
    std::thread processor(RunCommandProcessorThread, c);
    RaiseRequest(engine.state.requests.startPlayback, signals.command);
    for (int i = 0; i < 5000 && engine.state.playing.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int i = 0; i < 5000 && engine.state.playing.load() == 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(engine.state.playing.load(), 0);

    int32_t x = -1, y = -1;
    EXPECT_TRUE(engine.input->CursorPosition(x, y));
    EXPECT_EQ(x, 200);
    EXPECT_EQ(y, 100);
    signals.running = 0;
    signals.quit.Set();
    player.join();
    processor.join();

    XSync(client.display, False);
    client.Collect();
    const std::vector<XEvent>& events = client.events;
    ASSERT_EQ(events.size(), 4u);
    const KeyCode a = XKeysymToKeycode(client.display, XK_a);
    EXPECT_EQ(events[0].type, KeyPress);
    EXPECT_EQ(events[0].xkey.keycode, a);
    EXPECT_EQ(events[1].type, KeyRelease);
    EXPECT_EQ(events[2].type, ButtonPress);
    EXPECT_EQ(events[2].xbutton.x, 200);
    EXPECT_EQ(events[2].xbutton.y, 100);
    // The macro never released the button; the end of playback did.
    EXPECT_EQ(events[3].type, ButtonRelease);
    EXPECT_EQ(events[3].xbutton.button, 1u);
}

}  // namespace velotap
