#include "profiles/profile_settings.h"

#include <gtest/gtest.h>

namespace velotap {

namespace {

constexpr const char* kDefaults = "0,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,32,32,0";

TEST(ProfileSettings, DefaultsAndRoundTrip) {
    EngineState s;
    EXPECT_EQ(ProfileSettingsLine(s), kDefaults);
    const std::string line = "1,2,3,77,1,1,0,9,1,100,-200,0,0,1,88,0,4,69,69|70,1";
    LoadProfileSettings(s, line);
    EXPECT_EQ(ProfileSettingsLine(s), line);
    ResetToolSettings(s);
    EXPECT_EQ(ProfileSettingsLine(s), kDefaults);
}

// Each line is loaded over a previous profile's settings (targets 90|91 in chord mode).
TEST(ProfileSettings, PartialLines) {
    constexpr const char* kPrevious = "0,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,90,90|91,1";
    struct Case {
        const char* line;
        const char* expected;
    } cases[] = {
        // Too short: nothing changes.
        {"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17", kPrevious},
        // 18 fields: the targets become the first target, chord off.
        {"1,2,3,4,0,0,1,10,0,0,0,0,0,0,9,1,10,65", "1,2,3,4,0,0,1,10,0,0,0,0,0,0,9,1,10,65,65,0"},
        // A field that does not convert ends the numbers; earlier values stay, and the targets
        // and chord mode still load, so the previous profile's keys do not stay live.
        {"7,x,3,4,0,0,1,10,0,0,0,0,0,0,9,1,10,65,65|66,0",
         "7,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,65,65|66,0"},
        {"7,x,3,4,0,0,1,10,0,0,0,0,0,0,9,1,10,65", "7,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,90,90,0"},
        // Pieces of the list that do not convert are skipped.
        {"0,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,65,65|zz|66,0",
         "0,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,65,65|66,0"},
        // An unusable list falls back to the first target.
        {"0,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,65,zz,1",
         "0,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,65,65,0"},
    };
    for (const Case& c : cases) {
        EngineState s;
        LoadProfileSettings(s, kPrevious);
        LoadProfileSettings(s, c.line);
        EXPECT_EQ(ProfileSettingsLine(s), c.expected) << c.line;
    }
}

TEST(ProfileSettings, CopyAndLoadFollowTheCurrentProfile) {
    ProfileList list;
    list.profiles.push_back({"Other", "", {}});
    EngineState s;
    s.click.sms.store(40);
    CopySettingsToProfile(list, s);
    EXPECT_EQ(list.profiles[0].settings.substr(0, 9), "0,0,0,40,");
    list.currentIndex = 1;
    LoadSettingsFromProfile(list, s);  // empty line: defaults
    EXPECT_EQ(s.click.sms.load(), 5);
    list.currentIndex = 0;
    LoadSettingsFromProfile(list, s);
    EXPECT_EQ(s.click.sms.load(), 40);
}

}  // namespace

}  // namespace velotap
