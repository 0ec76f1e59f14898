#include <gtest/gtest.h>

#include "base/json.h"
#include "support/capture_fixture.h"

namespace velotap {

namespace {

constexpr uint32_t F6 = 117, F7 = 118, F8 = 119, F10 = 121;

TEST(Hotkeys, HeldHotkeyTriggersOnceAndItsRepeatsAreSwallowed) {
    CaptureFixture f;
    EXPECT_EQ(f.Key(F6, true), Verdict::Swallow);
    EXPECT_TRUE(f.engine.clickSpamming.load());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(f.Key(F6, true), Verdict::Swallow) << "auto-repeat " << i;
    EXPECT_TRUE(f.engine.clickSpamming.load()) << "a repeat must not toggle again";
    EXPECT_EQ(f.Key(F6, false), Verdict::Swallow);
    EXPECT_TRUE(f.engine.clickSpamming.load()) << "toggle mode keeps running after release";
    EXPECT_EQ(f.Key(F6, true), Verdict::Swallow);
    EXPECT_FALSE(f.engine.clickSpamming.load());
}

TEST(Hotkeys, HoldModeRunsOnlyWhileHeld) {
    CaptureFixture f;
    f.engine.holdAuto.exchange(1);
    f.Key(F6, true);
    EXPECT_TRUE(f.engine.clickSpamming.load());
    f.Key(F6, true);
    f.Key(F6, true);
    EXPECT_TRUE(f.engine.clickSpamming.load());
    f.Key(F6, false);
    EXPECT_FALSE(f.engine.clickSpamming.load());
}

TEST(Hotkeys, OneKeyOnBothToolsInHoldModeStopsBoth) {
    CaptureFixture f;
    f.slots.keySpammer.exchange(F6);
    f.engine.holdAuto.exchange(1);
    f.engine.holdKeySpam.exchange(1);
    f.engine.clickSpamming.exchange(1);
    f.engine.keySpamming.exchange(1);
    f.core.Key(F6, true, false);  // matches the click spammer slot first
    f.Key(F6, false);
    EXPECT_FALSE(f.engine.clickSpamming.load());
    EXPECT_FALSE(f.engine.keySpamming.load());
}

TEST(Hotkeys, DisabledHotkeysPassAndAreRecorded) {
    CaptureFixture f;
    f.hotkeysEnabled.exchange(0);
    f.recorder.StartFresh();
    EXPECT_EQ(f.Key(F6, true), Verdict::Pass);
    EXPECT_EQ(f.Key(F6, false), Verdict::Pass);
    EXPECT_FALSE(f.engine.clickSpamming.load());
    ASSERT_EQ(f.store.Current().size(), 2u);
    EXPECT_EQ(f.store.Current()[0].vk, F6);
}

TEST(Hotkeys, SameKeyOnTwoSlotsTriggersTheFirstInOrder) {
    CaptureFixture f;
    f.slots.recording.exchange(F6);
    f.Key(F6, true);
    EXPECT_TRUE(f.engine.recording.load());
    EXPECT_FALSE(f.engine.clickSpamming.load());
}

TEST(Hotkeys, InjectedInputIsNeitherMatchedNorRecorded) {
    CaptureFixture f;
    f.recorder.StartFresh();
    EXPECT_EQ(f.core.Key(F6, true, true), Verdict::Pass);
    EXPECT_EQ(f.core.Button(1, true, 1, 1, true), Verdict::Pass);
    f.core.Move(5, 5, true);
    f.Pass();
    EXPECT_FALSE(f.engine.clickSpamming.load());
    EXPECT_TRUE(f.store.Current().empty());
}

TEST(HotkeyLock, LockCycle) {
    CaptureFixture f;
    f.lockOn.exchange(1);
    f.engine.clickSpamming.exchange(1);
    f.engine.keySpamming.exchange(1);
    f.engine.playing.exchange(1);
    EXPECT_EQ(f.Key(F10, true), Verdict::Swallow);
    EXPECT_FALSE(f.engine.clickSpamming.load());
    EXPECT_FALSE(f.engine.keySpamming.load());
    EXPECT_FALSE(f.engine.playing.load());
    EXPECT_EQ(f.Key(F10, false), Verdict::Swallow);
    EXPECT_NE(f.Status().find("\"lockOn\":true,\"unlocked\":false"), std::string::npos);

    EXPECT_EQ(f.Key(F6, true), Verdict::Pass) << "locked hotkeys reach the application";
    EXPECT_EQ(f.Key(F6, false), Verdict::Pass);
    EXPECT_FALSE(f.engine.clickSpamming.load());

    f.Key(F10, true);
    f.Key(F10, false);
    EXPECT_EQ(f.Key(F6, true), Verdict::Swallow);
    EXPECT_TRUE(f.engine.clickSpamming.load());
}

TEST(HotkeyLock, WritingTheSettingUnlocks) {
    CaptureFixture f;
    f.lockOn.exchange(1);
    f.Key(F10, true);
    f.Key(F10, false);
    EXPECT_EQ(f.Key(F6, true), Verdict::Pass);
    f.Key(F6, false);
    // The page writes the lock setting (on again) while locked.
    f.lockChanged.exchange(1);
    EXPECT_EQ(f.Key(F6, true), Verdict::Swallow);
}

TEST(HotkeyLock, LockOffMakesTheUnlockKeyOrdinary) {
    CaptureFixture f;
    f.recorder.StartFresh();
    EXPECT_EQ(f.Key(F10, true), Verdict::Pass);
    ASSERT_EQ(f.store.Current().size(), 1u);
    EXPECT_EQ(f.store.Current()[0].vk, F10);
}

TEST(Reassign, SlotRulesForKeysAndButtons) {
    struct Case {
        const char* name;
        int32_t slot;
        int32_t button;  // 0: a key press of 'K'
        bool captured;
    };
    const Case cases[] = {
        {"key for the click spammer", kSlotClickSpammer, 0, true},
        {"middle button for the click spammer", kSlotClickSpammer, 4, true},
        {"left button for recording", kSlotRecording, 1, true},
        {"no mouse button as a key spammer target", kSlotKeySpamTarget, 2, false},
        {"key as a key spammer target", kSlotKeySpamTarget, 0, true},
        {"no left button for unlock", kSlotUnlock, 1, false},
        {"right button for unlock", kSlotUnlock, 2, true},
    };
    for (const Case& c : cases) {
        CaptureFixture f;
        f.engine.pendingSlot.exchange(c.slot);
        const Verdict v =
            c.button ? f.core.Button(c.button, true, 0, 0, false) : f.core.Key('K', true, false);
        EXPECT_EQ(v == Verdict::Swallow, c.captured) << c.name;
        EXPECT_EQ(f.engine.capturedKey.load() != 0, c.captured) << c.name;
        f.Pass();
        EXPECT_EQ(f.engine.pendingSlot.load() == kSlotNone, c.captured) << c.name;
    }
}

TEST(Reassign, MiddleButtonShowsByNameAndEscapeCancels) {
    CaptureFixture f;
    f.engine.pendingSlot.exchange(SlotFromName("auto"));
    EXPECT_NE(f.Status().find("\"reassigning\":\"auto\""), std::string::npos);
    f.Click(4, true);
    EXPECT_EQ(f.Click(4, false), Verdict::Pass) << "the release of a captured press goes on";
    EXPECT_NE(f.Status().find("\"hkAuto\":\"Middle Mouse\""), std::string::npos);
    EXPECT_NE(f.Status().find("\"reassigning\":\"\""), std::string::npos);

    f.engine.pendingSlot.exchange(SlotFromName("rec"));
    f.Key(27, true);
    f.Key(27, false);
    EXPECT_EQ(f.slots.recording.load(), static_cast<int32_t>(F8));
    EXPECT_EQ(f.engine.pendingSlot.load(), kSlotNone);

    EXPECT_EQ(SlotFromName("bogus"), kSlotNone);
    ResetHotkeys(f.slots);
    EXPECT_EQ(f.slots.clickSpammer.load(), static_cast<int32_t>(F6));
    EXPECT_EQ(f.slots.playback.load(), static_cast<int32_t>(F7));
}

TEST(TrackerStatus, DocumentInItsFixedOrder) {
    CaptureFixture f;
    f.engine.targets.Append(0x2E);
    f.engine.targets.Append(255);
    EXPECT_EQ(f.Status(),
              "{\"state\":\"Idle\",\"count\":0,\"restore\":[],\"hkRec\":\"F8\",\"hkPlay\":\"F7\","
              "\"hkAuto\":\"F6\",\"hkKeySpam\":\"F9\",\"hkUnlock\":\"F10\",\"lockOn\":false,"
              "\"unlocked\":true,\"keySpamTargets\":[\"Space\",\"Delete\",\"Key[255]\"],"
              "\"keySpamChord\":false,\"ksCap\":-1,\"reassigning\":\"\",\"panelHover\":false,"
              "\"autoClicking\":false,\"keySpamming\":false,\"canUndoContinue\":false}");
    f.engine.recording.exchange(1);
    f.engine.playing.exchange(1);
    EXPECT_EQ(JsonLookup(f.Status(), "state"), "Recording");
    EXPECT_EQ(KeyDisplayName(nullptr, 192), "`");
    EXPECT_EQ(KeyDisplayName(nullptr, 6), "Mouse 5 (Side)");
    EXPECT_EQ(KeyDisplayName(nullptr, 65), "Key[65]");
}

TEST(TrackerStatus, OtherProcessesReadTheFirstLineOrTheIdleDefault) {
    const std::string line = "{\"state\":\"Playing\"}";
    const std::string withEnd = line + "\r\nrest";
    const std::string empty;
    EXPECT_EQ(StatusFromFileText(&withEnd), line);
    EXPECT_EQ(StatusFromFileText(&empty), kIdleTrackerStatus);
    EXPECT_EQ(StatusFromFileText(nullptr), kIdleTrackerStatus);
    EXPECT_EQ(JsonLookup(kIdleTrackerStatus, "hkUnlock"), "");
    EXPECT_EQ(JsonLookup(kIdleTrackerStatus, "ksCap"), "0");
}

}  // namespace

}  // namespace velotap
