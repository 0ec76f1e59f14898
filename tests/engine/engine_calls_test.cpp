#include <gtest/gtest.h>

#include "engine/engine_calls.h"
#include "engine/timing.h"

namespace velotap {

TEST(EngineCalls, UpdateStopsAtTheFirstFieldThatDoesNotConvert) {
    struct Case {
        const char* text;
        bool complete;
        int32_t sh, sms, rptTimes, locMode;
    };
    const Case cases[] = {
        {"1,2,3,4,1,0,0,5,0", true, 1, 4, 5, 0},
        {" +7,0,0,-3x,2,1,0,9,1,extra", true, 7, -3, 9, 1},  // strtol manner; extras ignored
        {"1,2,3,4,1,0,0,5", false, 0, 5, 10, 0},             // fewer than nine: nothing
        {"8,0,0,x,1,1,1,1,1", false, 8, 5, 10, 0},           // stops at the fourth field
        {"9,0,0,2147483648,1,1,1,1,1", false, 9, 5, 10, 0},  // out of 32-bit range
    };
    for (const Case& c : cases) {
        EngineState s;
        EXPECT_EQ(UpdateSpammer(s, c.text), c.complete) << c.text;
        EXPECT_EQ(s.click.sh.load(), c.sh) << c.text;
        EXPECT_EQ(s.click.sms.load(), c.sms) << c.text;
        EXPECT_EQ(s.click.rptTimes.load(), c.rptTimes) << c.text;
        EXPECT_EQ(s.click.locMode.load(), c.locMode) << c.text;
    }
    EngineState s;
    EXPECT_FALSE(UpdateKeySpam(s, "0,0,0,7,0"));
    EXPECT_EQ(s.keySpam.ksms.load(), 5);
    EXPECT_TRUE(UpdateKeySpam(s, "0,0,1,7,0,3"));
    EXPECT_EQ(IntervalMs(s.keySpam.ksh, s.keySpam.ksm, s.keySpam.kss, s.keySpam.ksms), 1007);
}

TEST(EngineCalls, SettingsDocumentDefaultsAndSpeedFormat) {
    EngineState s;
    const std::string doc = SettingsDocument(s);
    EXPECT_EQ(doc.rfind(R"({"sh":0,"sm":0,"ss":0,"sms":5,"sbtn":0,"stype":0,"rptMode":1,)"
                        R"("rptTimes":10,"locMode":0,"fixedX":0,"fixedY":0,"tmv":true)",
                        0),
              0u);
    EXPECT_TRUE(doc.ends_with(R"("holdAuto":false,"holdKeySpam":false})"));
    for (auto [speed, text] : {std::pair{0.5f, "0.5"},
                               {1.0f, "1"},
                               {2.25f, "2.25"},
                               {0.1f, "0.1"},
                               {1234567.0f, "1.23457e+06"}}) {
        s.recorder.tspd = speed;
        EXPECT_NE(SettingsDocument(s).find(std::string("\"tspd\":") + text + ","),
                  std::string::npos)
            << text;
    }
}

TEST(EngineCalls, TargetTableRemovalAndCapacity) {
    EngineState s;
    ASSERT_EQ(s.targets.Count(), 1);
    EXPECT_EQ(s.targets.first.load(), 32);
    s.targets.Append(13);  // [Space, Enter]
    EXPECT_EQ(RemoveKeySpamTarget(s, "0"), RemoveOutcome::Removed);
    EXPECT_EQ(s.targets.Count(), 1);
    EXPECT_EQ(s.targets.codes[0].load(), 13);
    EXPECT_EQ(s.targets.first.load(), 13);
    for (const char* bad : {"1", "-1", "x", ""})
        EXPECT_EQ(RemoveKeySpamTarget(s, bad), RemoveOutcome::Unchanged) << bad;
    s.keySpamming = 1;
    EXPECT_EQ(RemoveKeySpamTarget(s, "0"), RemoveOutcome::RemovedLastWhileRunning);
    EXPECT_EQ(s.targets.first.load(), 13);  // kept while the list is empty

    for (int i = 0; i < KeySpamTargets::kCapacity; ++i)
        ASSERT_TRUE(s.targets.Append(0x41));
    EXPECT_FALSE(s.targets.Append(0x42));
    EXPECT_EQ(s.targets.Count(), 256);

    SetKeySpamChordMode(s, "true");
    EXPECT_EQ(s.keySpam.chord.load(), 0);
    SetKeySpamChordMode(s, "1");
    EXPECT_EQ(s.keySpam.chord.load(), 1);
}

TEST(Timing, IntervalAndSchedule) {
    EXPECT_EQ(IntervalMs(0, 0, 0, 0), 1);
    EXPECT_EQ(IntervalMs(0, -1, 0, 5), 1);
    EXPECT_EQ(IntervalMs(1, 2, 3, 4), 3723004);
    EXPECT_EQ(IntervalMs(2147483647, 0, 0, 0), kMaxIntervalMs);

    CycleSchedule fresh;
    EXPECT_EQ(fresh.Due(7, 10), 7);  // a new run begins at once
    fresh.Plan(100, 10, 15);
    EXPECT_EQ(fresh.nextStart, 125);  // the double click's gap comes on top
}

TEST(Timing, ScheduleKeepsItsLineCatchesUpBoundedlyAndNeverRunsEarly) {
    constexpr int64_t ms = kNanosPerMs;
    // A plan made at 100 ms with `planned`; then a wake-up at `now` reading `interval`.
    struct Case {
        int64_t planned, interval, now;
        std::optional<int64_t> start;
    };
    const Case cases[] = {
        {10 * ms, 10 * ms, 110 * ms, 110 * ms},  // on time
        {10 * ms, 10 * ms, 119 * ms, 110 * ms},  // late: the plan keeps its line
        {10 * ms, 10 * ms, 145 * ms, 135 * ms},  // far behind: one interval caught up
        {5 * ms, 5 * ms, 145 * ms, 140 * ms},    // 5 ms: one interval
        {2 * ms, 2 * ms, 145 * ms, 141 * ms},    // 2 ms: 4 ms
        {1 * ms, 1 * ms, 145 * ms, 142 * ms},    // 1 ms: three intervals
        {10 * ms, 10 * ms, 105 * ms, {}},        // an early wake-up begins nothing
        {10 * ms, 5 * ms, 104 * ms, {}},         // a shorter interval counts from the last start
        {10 * ms, 5 * ms, 106 * ms, 105 * ms},
        {10 * ms, 20 * ms, 115 * ms, {}},  // a longer one too
    };
    for (const Case& c : cases) {
        CycleSchedule plan;
        plan.Plan(100 * ms, c.planned);
        EXPECT_EQ(plan.Due(c.now, c.interval), c.start) << c.planned << " " << c.now;
    }
}

}  // namespace velotap
