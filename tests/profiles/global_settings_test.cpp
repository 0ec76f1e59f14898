#include "profiles/global_settings.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kDefaults =
    "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,120,32,32,0,0,0,121";

TEST(GlobalSettings, DefaultsAndRoundTrip) {
    EngineState s;
    HotkeySlots k;
    EXPECT_EQ(GlobalSettingsLine(s, k), kDefaults);

    const std::string line =
        "1,2,3,4,1,1,0,7,1,-5,6,0,1,0,1,1,0.333333,1,250,65,66,0,67,0,1,2,3,0,9,68,70,69|70|71,1,1,"
        "0,"
        "72";
    LoadGlobalSettings(s, k, line);
    EXPECT_EQ(GlobalSettingsLine(s, k), line);
    // The first target stays what its own field says, apart from the list's first entry.
    EXPECT_EQ(s.targets.first.load(), 70);
    EXPECT_EQ(s.targets.Count(), 3);
}

TEST(GlobalSettings, SpeedInSixSignificantDigits) {
    struct Case {
        float speed;
        const char* text;
    } cases[] = {{1.0f, "1"},
                 {1.5f, "1.5"},
                 {0.1f, "0.1"},
                 {123.456789f, "123.457"},
                 {3599.123456f, "3599.12"},
                 {2e6f, "2e+06"}};
    for (const Case& c : cases) {
        EngineState s;
        HotkeySlots k;
        s.recorder.tspd.store(c.speed);
        const std::string line = GlobalSettingsLine(s, k);
        EXPECT_NE(line.find(std::string(",") + c.text + ","), std::string::npos) << line;
    }
}

// Each case loads a line over the defaults and states the resulting line.
TEST(GlobalSettings, Blocks) {
    struct Case {
        const char* what;
        const char* line;
        const char* expected;
    } cases[] = {
        {"fewer than 23 fields change nothing", "1,2,3,4,1,1,0,7,1,-5,6,0,1,0,1,1,2,1,250,65,66,0",
         kDefaults},
        {"23 fields: three hotkeys set, key spammer and unlock keys kept, first target only",
         "0,0,0,9,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,65,66,0,67",
         "0,0,0,9,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,65,66,0,67,0,0,0,5,1,10,120,32,32,0,0,0,121"},
        {"field 22 is ignored", "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,xyz,117",
         kDefaults},
        {"switches are on exactly for 1",
         "0,0,0,5,0,0,1,10,0,0,0,true,2,1, 1,1,1,yes,500,119,118,0,117",
         "0,0,0,5,0,0,1,10,0,0,0,0,0,1,0,1,1,0,500,119,118,0,117,0,0,0,5,1,10,120,32,32,0,0,0,121"},
        {"a bad field abandons its block only",
         "1,x,3,4,0,0,1,10,0,0,0,0,0,0,0,0,1,0,500,65,66,0,67,0,0,0,9,1,10,68,65,65|66,1,1,1,70",
         "1,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,9,1,10,68,65,65|66,1,1,1,"
         "70"},
        {"a bad speed keeps the switches before it",
         "0,0,0,5,0,0,1,10,0,0,0,0,0,0,0,1,fast,1,9,65,66,0,67",
         "0,0,0,5,0,0,1,10,0,0,0,0,0,0,0,1,1,0,500,119,118,0,117,0,0,0,5,1,10,120,32,32,0,0,0,121"},
        {"31 fields: key spammer block, targets the first only",
         "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,1,0,0,9,0,3,68,65",
         "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,1,0,0,9,0,3,68,65,65,0,0,0,121"},
        {"an unusable target list: the first target only, chord off",
         "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,120,65,zz|,1,1,1,70",
         "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,120,65,65,0,1,1,70"},
        {"35 fields: hold modes, unlock key kept",
         "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,120,32,32|zz|33,0,1,"
         "1",
         "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,120,32,32|33,0,1,1,"
         "121"},
    };
    for (const Case& c : cases) {
        EngineState s;
        HotkeySlots k;
        LoadGlobalSettings(s, k, c.line);
        EXPECT_EQ(GlobalSettingsLine(s, k), c.expected) << c.what;
    }
}

TEST(GlobalSettings, TwentyThreeFieldsReduceALongerTargetList) {
    EngineState s;
    HotkeySlots k;
    LoadGlobalSettings(s, k,
                       "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,"
                       "120,65,65|66|67,1,0,0,90");
    ASSERT_EQ(s.targets.Count(), 3);
    EXPECT_EQ(k.unlock.load(), 90);
    LoadGlobalSettings(s, k, "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,70,71,0,72");
    EXPECT_EQ(s.targets.Count(), 1);
    EXPECT_EQ(s.targets.codes[0].load(), 65);
    EXPECT_EQ(s.keySpam.chord.load(), 0);
    EXPECT_EQ(k.recording.load(), 70);
    EXPECT_EQ(k.playback.load(), 71);
    EXPECT_EQ(k.clickSpammer.load(), 72);
    EXPECT_EQ(k.keySpammer.load(), 120);
    EXPECT_EQ(k.unlock.load(), 90);
}

}  // namespace
