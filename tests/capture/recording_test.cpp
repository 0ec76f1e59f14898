#include <gtest/gtest.h>

#include "support/capture_fixture.h"

namespace velotap {

namespace {

std::string Types(const std::vector<UnifiedEvent>& events) {
    std::string out;
    for (const UnifiedEvent& e : events)
        out += std::to_string(e.type);
    return out;
}

TEST(Recording, OwnWindowClicksAreSkippedInPairs) {
    CaptureFixture f;
    f.ownWindows = {{300, 300}};
    f.recorder.StartFresh();
    f.core.Move(300, 300, false);
    f.Click(1, true, 300, 300);
    f.Click(1, false, 50, 50);  // released elsewhere: still the pair of an own press
    f.Click(2, true, 40, 40);
    f.Click(2, false, 300, 300);
    ASSERT_EQ(Types(f.store.Current()), "022");
    EXPECT_EQ(f.store.Current()[1].flags, 0x0008u);
    EXPECT_EQ(f.store.Current()[2].flags, 0x0010u);
}

TEST(Recording, MovementKinds) {
    struct Case {
        const char* name;
        uint8_t tmv, trel;
        const char* types;
    };
    const Case cases[] = {
        {"absolute moves, repeats dropped", 1, 0, "00"},
        {"relative moves from raw input only", 1, 1, "11"},
        {"no movement at all", 0, 1, ""},
        {"no movement at all without trel", 0, 0, ""},
    };
    for (const Case& c : cases) {
        CaptureFixture f;
        f.engine.recorder.tmv.exchange(c.tmv);
        f.engine.recorder.trel.exchange(c.trel);
        f.core.Move(5, 5, false);  // last position before the recording
        f.recorder.StartFresh();
        f.core.Move(5, 5, false);
        f.core.Move(7, 9, false);
        f.core.Move(7, 9, false);
        f.core.RawMotion(2, 4);
        f.core.RawMotion(0, 0);
        f.core.Move(8, 9, false);
        f.core.RawMotion(1, 0);
        EXPECT_EQ(Types(f.store.Current()), c.types) << c.name;
    }
}

TEST(Recording, WhatToRecordSwitches) {
    CaptureFixture f;
    f.engine.recorder.tclk.exchange(0);
    f.recorder.StartFresh();
    f.Advance(250);
    f.Key('A', true);
    f.Key('A', true);  // auto-repeat of a plain key is recorded again
    f.Key('A', false);
    f.Click(1, true);
    f.Click(1, false);
    f.core.Wheel(-120, false);
    f.engine.recorder.tscr.exchange(0);
    f.core.Wheel(120, false);
    ASSERT_EQ(Types(f.store.Current()), "3334");
    EXPECT_EQ(f.store.Current()[3].wheel, -120);
    EXPECT_DOUBLE_EQ(f.store.Current()[0].time, 0.25);
}

TEST(Recording, HotkeyToggleTwiceAddsToolEvents) {
    CaptureFixture f;
    f.recorder.StartFresh();
    f.Key(117, true);
    f.Key(117, false);
    f.Key(117, true);
    f.Key(117, false);
    ASSERT_EQ(Types(f.store.Current()), "55");
    EXPECT_TRUE(f.store.Current()[0].down);
    EXPECT_FALSE(f.store.Current()[1].down);
}

TEST(Recording, StopByHotkeyStopsToolsAndRetimes) {
    CaptureFixture f;
    f.Key(119, true);
    f.Key(119, false);
    ASSERT_TRUE(f.engine.recording.load());
    f.engine.clickSpamming.exchange(1);
    f.Advance(2500);
    f.Key('Q', true);
    f.Key(119, true);
    EXPECT_FALSE(f.engine.recording.load());
    EXPECT_FALSE(f.engine.clickSpamming.load());
    ASSERT_EQ(f.store.Current().size(), 1u);
    EXPECT_EQ(f.store.Current()[0].time, 0.0);
}

TEST(Recording, LocationPickIsSwallowedAndNotRecorded) {
    CaptureFixture f;
    f.recorder.StartFresh();
    f.engine.pickingLocation.exchange(1);
    EXPECT_EQ(f.Click(1, true, 640, 480), Verdict::Swallow);
    EXPECT_EQ(f.picked, 1);
    EXPECT_EQ(f.engine.click.fixedX.load(), 640);
    EXPECT_EQ(f.engine.click.locMode.load(), 1);
    f.engine.pickingLocation.exchange(1);
    EXPECT_EQ(f.Click(5, true), Verdict::Pass) << "X buttons go on";
    EXPECT_TRUE(f.engine.pickingLocation.load());
    EXPECT_EQ(f.Click(2, true), Verdict::Swallow);
    EXPECT_FALSE(f.engine.pickingLocation.load());
    EXPECT_EQ(f.picked, 1);
}

TEST(SessionLock, StopsOnlyHoldModeToolsAndForgetsHeldKeys) {
    CaptureFixture f;
    f.engine.holdAuto.exchange(1);
    f.Key(117, true);  // click spammer held in hold mode
    f.Key(120, true);  // key spammer toggled on (its default target)
    f.Key(120, false);
    ASSERT_TRUE(f.engine.clickSpamming.load());
    ASSERT_TRUE(f.engine.keySpamming.load());
    f.core.SessionLocked();
    f.Pass();
    EXPECT_FALSE(f.engine.clickSpamming.load());
    EXPECT_TRUE(f.engine.keySpamming.load());
    // The held key's release after the lock is no longer a hotkey release.
    EXPECT_EQ(f.Key(117, false), Verdict::Pass);
}

}  // namespace

}  // namespace velotap
