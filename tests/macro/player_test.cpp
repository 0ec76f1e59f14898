// The player's step driven directly, for what the scenario files do not show: its decisions on
// odd settings and times, and the end-of-playback releases on stop races and shut-down.
#include "macro/player.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/event.h"
#include "platform/fake/fake_input.h"

namespace velotap {

namespace {

constexpr int64_t kMs = kNanosPerMs;

UnifiedEvent Key(double time, uint32_t vk, bool down) {
    return {EventType::Key, time, 0, 0, 0, vk, down, 0};
}

UnifiedEvent Button(double time, uint32_t flags) {
    return {EventType::MouseButton, time, 0, 0, flags, 0, false, 0};
}

struct Harness {
    FakeInput input;
    EngineState state;
    Synth synth{&input};
    ProfileList profiles;
    Flag running{1}, stopTools{1};
    Event command{EventReset::Auto};
    PlayerContext context{state, synth, profiles, running, stopTools, command, nullptr};
    PlayerWorker worker;

    Harness() { input.screen = {65536, 65536}; }

    void Start(std::vector<UnifiedEvent> macro) {
        profiles.Current() = std::move(macro);
        state.playing.exchange(1);
    }
    // Runs the step at `now` and again at once while it asks to (as its thread would).
    WorkerWake Step(int64_t now) {
        WorkerWake wake = PlayerStep(worker, context, now);
        while (wake.kind == WorkerWake::Kind::Until && wake.at <= now)
            wake = PlayerStep(worker, context, now);
        return wake;
    }
    // Steps at every wake-up until `until` (inclusive); the time of the last step.
    int64_t RunUntil(int64_t from, int64_t until) {
        int64_t now = from;
        WorkerWake wake = Step(now);
        while (wake.kind == WorkerWake::Kind::Until && wake.at <= until) {
            now = wake.at;
            wake = Step(now);
        }
        return now;
    }
    std::vector<InputRecord> Keys() {
        std::vector<InputRecord> keys;
        for (const InputRecord& r : input.Take())
            if (r.kind == InputRecord::Kind::Keyboard) keys.push_back(r);
        return keys;
    }
    std::vector<uint32_t> ButtonFlags() {
        std::vector<uint32_t> flags;
        for (const InputRecord& r : input.Take())
            if (r.kind == InputRecord::Kind::Mouse && !(r.flags & kMouseMove))
                flags.push_back(r.flags);
        return flags;
    }
};

InputRecord KeyUp(uint32_t vk) {
    return KeyRecord(FakeInput::FakeScanCode(vk), IsExtendedKey(vk), false);
}

}  // namespace

TEST(Player, OddSpeedsPlayAtOne) {
    struct Case {
        float speed;
        int64_t sentAtMs;
    };
    const Case cases[] = {{2.0f, 1500},  {0.5f, 6000},
                          {1.0f, 3000},  {0.0f, 3000},
                          {-2.0f, 3000}, {std::numeric_limits<float>::quiet_NaN(), 3000}};
    for (const Case& c : cases) {
        Harness h;
        h.state.recorder.tspd.exchange(c.speed);
        h.Start({Key(3.0, 65, true), Key(3.0, 65, false)});
        h.RunUntil(0, c.sentAtMs * kMs - 1);
        EXPECT_TRUE(h.Keys().empty()) << c.speed;
        h.RunUntil(c.sentAtMs * kMs, c.sentAtMs * kMs);
        EXPECT_EQ(h.Keys().size(), 2u) << c.speed;
    }
}

TEST(Player, NegativePauseStartsTheNextPassAtOnce) {
    Harness h;
    h.state.recorder.tloop.exchange(1);
    h.state.recorder.tloopMs.exchange(-500);
    h.Start({Key(0.1, 65, true), Key(0.1, 65, false)});
    h.RunUntil(0, 100 * kMs);
    EXPECT_EQ(h.Keys().size(), 2u);
    // The next pass is planned from 100 ms: its keys are due at 200 ms.
    h.RunUntil(100 * kMs, 199 * kMs);
    EXPECT_TRUE(h.Keys().empty());
    h.RunUntil(200 * kMs, 200 * kMs);
    EXPECT_EQ(h.Keys().size(), 2u);
    EXPECT_EQ(h.state.playing.load(), 1);
}

TEST(Player, OutOfOrderAndUnreachableTimes) {
    Harness h;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    h.Start({Key(0.5, 65, true), Key(0.1, 65, false), Key(nan, 66, true), Key(-1, 66, false),
             Key(1e300, 67, true)});
    h.RunUntil(0, 499 * kMs);
    EXPECT_TRUE(h.Keys().empty());
    // Times that are not increasing are sent as soon as they are reached in list order.
    h.RunUntil(500 * kMs, 500 * kMs);
    EXPECT_EQ(h.Keys().size(), 4u);
    // The last event is never due; a stop ends the wait and nothing is held.
    h.RunUntil(500 * kMs, 3'600'000 * kMs);
    EXPECT_TRUE(h.Keys().empty());
    h.state.playing.exchange(0);
    EXPECT_EQ(h.Step(3'600'000 * kMs).kind, WorkerWake::Kind::Idle);
    EXPECT_TRUE(h.Keys().empty());
}

TEST(Player, EditsDuringAPassApplyToTheNextPass) {
    Harness h;
    h.state.recorder.tloop.exchange(1);
    h.state.recorder.tloopMs.exchange(10);
    h.Start({Key(0.1, 65, true), Key(0.2, 65, false)});
    h.RunUntil(0, 150 * kMs);
    {
        std::lock_guard lock(h.profiles.lock);
        h.profiles.Current() = {Key(0.0, 66, true), Key(0.0, 66, false)};
    }
    h.RunUntil(200 * kMs, 210 * kMs);
    const std::vector<InputRecord> keys = h.Keys();
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[1], KeyUp(65));
    EXPECT_EQ(keys[3], KeyUp(66));
}

TEST(Player, EndOfPlaybackReleasesWhatTheMacroHolds) {
    struct Case {
        const char* name;
        bool stopRequest;     // playing cleared by the command processor
        bool shutDown;        // the running flag cleared
        bool pressAfterStop;  // the left press was sent after the stop took effect
        std::vector<uint32_t> releases;
    };
    const Case cases[] = {
        // The processor released left and right already.
        {"stop request", true, false, false, {kMiddleUp}},
        // The press may have come after the processor's release.
        {"press racing a stop", true, false, true, {kLeftUp, kMiddleUp}},
        // No one else releases anything at shut-down.
        {"shut-down", false, true, false, {kLeftUp, kRightUp, kMiddleUp}},
    };
    for (const Case& c : cases) {
        Harness h;
        h.Start({Button(0, kRightDown), Button(0, kMiddleDown), Key(0, 0x41, true),
                 Key(0, 0xFF, true), Key(0, 0x100, true), Button(0.1, kLeftDown),
                 Key(5, 0x41, false)});
        h.RunUntil(0, c.pressAfterStop ? 0 : 100 * kMs);
        if (c.stopRequest) h.state.playing.exchange(0);
        if (c.shutDown) h.running.exchange(0);
        if (c.pressAfterStop) {
            // The player read playing set just before the stop, then sent its press.
            h.input.Take();
            h.worker.unconfirmedPresses = HeldInput::kLeft;
            h.worker.held.Buttons(kLeftDown);
        }
        h.input.Take();
        h.Step(200 * kMs);
        const std::vector<InputRecord> sent = h.input.Take();
        std::vector<uint32_t> buttons;
        std::vector<InputRecord> keys;
        for (const InputRecord& r : sent) {
            if (r.kind == InputRecord::Kind::Keyboard) {
                keys.push_back(r);
            } else {
                buttons.push_back(r.flags);
            }
        }
        EXPECT_EQ(buttons, c.releases) << c.name;
        // Key codes from 256 up are not tracked.
        EXPECT_EQ(keys, (std::vector<InputRecord>{KeyUp(0x41), KeyUp(0xFF)})) << c.name;
        EXPECT_TRUE(h.worker.held.Empty()) << c.name;
        // A second end releases nothing more.
        h.Step(300 * kMs);
        EXPECT_TRUE(h.input.Take().empty()) << c.name;
    }
}

TEST(Player, BusyNoticeBeforeEveryPassAndFreshStart) {
    Harness h;
    int notices = 0;
    h.context.announceBusy = [&] { ++notices; };
    h.state.recorder.tloop.exchange(1);
    h.state.recorder.tloopMs.exchange(100);
    h.Start({Key(0, 65, true), Key(0, 65, false)});
    // The notice may wait: the pass is timed from the step after it.
    EXPECT_EQ(PlayerStep(h.worker, h.context, 0).kind, WorkerWake::Kind::Until);
    EXPECT_EQ(notices, 1);
    EXPECT_TRUE(h.Keys().empty());
    h.RunUntil(40 * kMs, 40 * kMs);
    EXPECT_EQ(h.Keys().size(), 2u);
    EXPECT_EQ(h.worker.passStart, 40 * kMs);
    h.RunUntil(140 * kMs, 140 * kMs);
    EXPECT_EQ(notices, 2);
}

}  // namespace velotap
