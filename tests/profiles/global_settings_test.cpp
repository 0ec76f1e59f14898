#include "profiles/global_settings.h"

#include <gtest/gtest.h>

namespace velotap {

namespace {

constexpr const char* kDefaults =
    "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,120,32,32,0,0,0,121";
// Loaded before each block case: three targets, chord on, key spammer key 68, unlock key 90.
constexpr const char* kBefore =
    "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,68,65,65|66|67,1,0,0,90";

TEST(GlobalSettings, DefaultsAndRoundTrip) {
    EngineState s;
    HotkeySlots k;
    EXPECT_EQ(GlobalSettingsLine(s, k), kDefaults);
    const std::string line =
        "1,2,3,4,1,1,0,7,1,-5,6,0,1,0,1,1,0.333333,1,250,65,66,0,67,0,1,2,3,0,"
        "9,68,70,69|70|71,1,1,0,72";
    LoadGlobalSettings(s, k, line);
    EXPECT_EQ(GlobalSettingsLine(s, k), line);
    EXPECT_EQ(s.targets.first.load(), 70);  // its own field, not the list's first entry
    s.recorder.tspd.store(3599.123456f);    // six significant digits, not more
    EXPECT_NE(GlobalSettingsLine(s, k).find(",3599.12,"), std::string::npos);
}

TEST(GlobalSettings, Blocks) {
    struct Case {
        const char* what;
        const char* line;
        const char* expected;
    } cases[] = {
        {"fewer than 23 fields change nothing", "1,2,3,4,1,1,0,7,1,-5,6,0,1,0,1,1,2,1,250,65,66,0",
         kBefore},
        {"23 fields: three hotkeys set, key spammer and unlock keys kept, first target only",
         "0,0,0,9,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,70,71,0,72",
         "0,0,0,9,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,70,71,0,72,0,0,0,5,1,10,68,65,65,0,0,0,90"},
        {"field 22 is ignored; switches are on exactly for 1",
         "0,0,0,5,0,0,1,10,0,0,0,true,2,1, 1,1,1,yes,500,119,118,xyz,117",
         "0,0,0,5,0,0,1,10,0,0,0,0,0,1,0,1,1,0,500,119,118,0,117,0,0,0,5,1,10,68,65,65,0,0,0,90"},
        {"a bad field abandons its block only",
         "1,x,3,4,0,0,1,10,0,0,0,0,0,0,0,0,1,0,500,70,71,0,72,0,0,0,9,1,10,69,66,66|67,1,1,1,91",
         "1,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,9,1,10,69,66,66|67,1,1,1,"
         "91"},
        {"a bad speed keeps the switches before it",
         "0,0,0,5,0,0,1,10,0,0,0,0,0,0,0,1,fast,1,9,70,71,0,72",
         "0,0,0,5,0,0,1,10,0,0,0,0,0,0,0,1,1,0,500,119,118,0,117,0,0,0,5,1,10,68,65,65,0,0,0,90"},
        {"31 fields: the key spammer block",
         "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,1,0,0,9,0,3,69,66",
         "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,1,0,0,9,0,3,69,66,66,0,0,0,90"},
        {"an unusable target list: the first target only, chord off",
         "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,68,65,zz|,1,1,1,70",
         "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,68,65,65,0,1,1,70"},
        {"35 fields: hold modes, unlock key kept, bad list pieces skipped",
         "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,68,32,32|zz|33,0,1,1",
         "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,68,32,32|33,0,1,1,"
         "90"},
    };
    for (const Case& c : cases) {
        EngineState s;
        HotkeySlots k;
        LoadGlobalSettings(s, k, kBefore);
        LoadGlobalSettings(s, k, c.line);
        EXPECT_EQ(GlobalSettingsLine(s, k), c.expected) << c.what;
    }
}

}  // namespace

}  // namespace velotap
