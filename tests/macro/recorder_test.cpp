#include "macro/recorder.h"

#include <gtest/gtest.h>

namespace velotap {

namespace {

int64_t g_now = 0;
int64_t ManualCounter() {
    return g_now;
}

UnifiedEvent Press(double t, uint32_t flags) {
    UnifiedEvent e;
    e.type = EventType::MouseButton;
    e.time = t;
    e.flags = flags;
    return e;
}

UnifiedEvent KeyAt(double t) {
    UnifiedEvent e;
    e.type = EventType::Key;
    e.time = t;
    e.vk = 65;
    e.down = true;
    return e;
}

TEST(RetimeNewEvents, GapAndDoubleClickGuard) {
    const double guard = 0.5 + 0.05;
    struct Case {
        const char* name;
        std::vector<UnifiedEvent> events;
        size_t start;
        double firstNew;
    };
    const Case cases[] = {
        {"fresh recording starts at 0", {KeyAt(2.5), KeyAt(3.0)}, 0, 0.0},
        {"continue follows the old end by the gap", {KeyAt(10.0), KeyAt(1.0), KeyAt(2.0)}, 1, 10.1},
        {"same button press kept a double-click time apart",
         {Press(10.0, 0x0002), Press(4.0, 0x0002)},
         1,
         10.55},
        {"another button only needs the gap", {Press(10.0, 0x0002), Press(4.0, 0x0008)}, 1, 10.1},
        {"the old end is the largest time, not the last",
         {KeyAt(12.0), KeyAt(3.0), KeyAt(7.0)},
         2,
         12.1},
    };
    for (const Case& c : cases) {
        std::vector<UnifiedEvent> events = c.events;
        RetimeNewEvents(events, c.start, 0.1, guard);
        EXPECT_NEAR(events[c.start].time, c.firstNew, 1e-9) << c.name;
        for (size_t i = 0; i < c.start; ++i)
            EXPECT_EQ(events[i], c.events[i]) << c.name;
    }
    // Nothing new: nothing moves; a start beyond the end is clamped.
    std::vector<UnifiedEvent> old = {KeyAt(5.0)};
    RetimeNewEvents(old, 7, 0.1, guard);
    EXPECT_EQ(old[0].time, 5.0);
}

TEST(RetimeNewEvents, NewPartKeepsItsSpacing) {
    std::vector<UnifiedEvent> events = {KeyAt(1.0), KeyAt(6.0), KeyAt(6.75)};
    RetimeNewEvents(events, 1, 0.1, 0.55);
    EXPECT_NEAR(events[1].time, 1.1, 1e-9);
    EXPECT_NEAR(events[2].time, 1.85, 1e-9);
}

struct RecorderFixture : ::testing::Test {
    ProfileList store;
    EngineState engine;
    Recorder recorder{store, engine, ManualCounter, 1000};
    void SetUp() override { g_now = 0; }

    void RecordKeyAfter(int64_t ms) {
        g_now += ms;
        UnifiedEvent e = KeyAt(recorder.Now());
        recorder.Append(e);
    }
};

TEST_F(RecorderFixture, FreshRecordingStartsAtZero) {
    store.Current() = {KeyAt(1.0)};
    recorder.StartFresh();
    EXPECT_TRUE(engine.recording.load());
    RecordKeyAfter(2500);
    recorder.Stop();
    EXPECT_FALSE(engine.recording.load());
    ASSERT_EQ(store.Current().size(), 1u);
    EXPECT_EQ(store.Current()[0].time, 0.0);
    EXPECT_FALSE(recorder.CanUndoContinue());
}

TEST_F(RecorderFixture, UndoContinueAvailability) {
    store.Current() = {KeyAt(10.0)};
    const std::vector<UnifiedEvent> before = store.Current();
    recorder.StartContinued();
    RecordKeyAfter(3000);
    RecordKeyAfter(100);
    EXPECT_FALSE(recorder.CanUndoContinue()) << "not while recording";
    recorder.Stop();
    ASSERT_EQ(store.Current().size(), 3u);
    EXPECT_NEAR(store.Current()[1].time, 10.1, 1e-9);
    EXPECT_TRUE(recorder.CanUndoContinue());

    engine.playing.exchange(1);
    EXPECT_FALSE(recorder.CanUndoContinue()) << "not while playing";
    engine.playing.exchange(0);

    // An edit of the macro withdraws the undo; putting it back exactly restores it.
    const UnifiedEvent removed = store.Current().back();
    store.Current().pop_back();
    EXPECT_FALSE(recorder.CanUndoContinue());
    store.Current().push_back(removed);
    EXPECT_TRUE(recorder.CanUndoContinue());

    store.currentIndex = 1;
    EXPECT_FALSE(recorder.CanUndoContinue()) << "another profile is current";
    store.currentIndex = 0;

    recorder.UndoContinue();
    EXPECT_EQ(store.Current(), before);
    EXPECT_FALSE(recorder.CanUndoContinue());
    recorder.UndoContinue();
    EXPECT_EQ(store.Current(), before);
}

TEST_F(RecorderFixture, FreshRecordingDropsTheUndo) {
    store.Current() = {KeyAt(1.0)};
    recorder.StartContinued();
    recorder.Stop();
    EXPECT_TRUE(recorder.CanUndoContinue());
    recorder.StartFresh();
    recorder.Stop();
    EXPECT_FALSE(recorder.CanUndoContinue());
}

TEST_F(RecorderFixture, NothingIsAppendedOnceStopped) {
    recorder.StartFresh();
    RecordKeyAfter(100);
    recorder.Stop();
    RecordKeyAfter(100);  // raced with the stop
    ASSERT_EQ(store.Current().size(), 1u);
    EXPECT_EQ(store.Current()[0].time, 0.0);
}

TEST_F(RecorderFixture, ToolEventsOnlyWhileRecording) {
    recorder.AppendToolEvent(1, true);
    EXPECT_TRUE(store.Current().empty());
    recorder.StartFresh();
    g_now += 40;
    recorder.AppendToolEvent(1, true);
    g_now += 40;
    recorder.AppendToolEvent(1, false);
    ASSERT_EQ(store.Current().size(), 2u);
    EXPECT_EQ(store.Current()[0].type, EventType::ToolSwitch);
    EXPECT_EQ(store.Current()[0].vk, 1u);
    EXPECT_TRUE(store.Current()[0].down);
    EXPECT_FALSE(store.Current()[1].down);
    EXPECT_NEAR(store.Current()[1].time, 0.08, 1e-9);
}

TEST(UpdateTracker, FieldsStopAtTheFirstThatDoesNotConvert) {
    struct Case {
        const char* text;
        bool complete;
        float speed;
        int32_t loopMs;
        uint8_t trel;
    };
    const Case cases[] = {
        {"true,true,true,true,false,1.5,false,500", true, 1.5f, 500, 0},
        {"true,true,true,true,true,abc,true,900", false, 1.0f, 500, 1},
        {"true,true,true,true,true,1e300,true,900", false, 1.0f, 500, 1},
        {"true,true,true,true,true,2,true,x", false, 2.0f, 500, 1},
        {"true,true,true,true,true,2,true,99999999999", false, 2.0f, 500, 1},
        {"true,true,true,true,true,2,true", false, 1.0f, 500, 0},
    };
    for (const Case& c : cases) {
        RecorderSettings s;
        EXPECT_EQ(UpdateTracker(s, c.text), c.complete) << c.text;
        EXPECT_EQ(s.tspd.load(), c.speed) << c.text;
        EXPECT_EQ(s.tloopMs.load(), c.loopMs) << c.text;
        EXPECT_EQ(s.trel.load(), c.trel) << c.text;
    }
    RecorderSettings s;
    UpdateTracker(s, "TRUE,1,false,true,true,3,true,250");
    EXPECT_EQ(s.tmv.load(), 0) << "only the four characters true are true";
    EXPECT_EQ(s.tclk.load(), 0);
    EXPECT_EQ(s.tloop.load(), 1);
    EXPECT_EQ(s.tloopMs.load(), 250);
}

}  // namespace

}  // namespace velotap
