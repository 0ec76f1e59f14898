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

    CycleSchedule plan;
    EXPECT_EQ(plan.Begin(7), 7);  // nothing planned
    plan.Plan(100, 10);
    EXPECT_EQ(plan.nextStart, 110);
    EXPECT_EQ(plan.Begin(110), 110);
    EXPECT_EQ(plan.Begin(119), 110);  // late by less than an interval: keep the plan
    EXPECT_EQ(plan.Begin(145), 135);  // far behind: catch up one interval only
    EXPECT_EQ(plan.Begin(105), 105);  // woken early by a start or stop
    plan.Plan(100, 10, 15);
    EXPECT_EQ(plan.nextStart, 125);
}

}  // namespace velotap
