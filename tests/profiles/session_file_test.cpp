#include "profiles/session_file.h"

#include <gtest/gtest.h>

#include "profiles/global_settings.h"
#include "profiles/profile_settings.h"

namespace velotap {

namespace {

constexpr const char* kGlobal =
    "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,120,32,32,0,0,0,121";

struct Live {
    EngineState state;
    HotkeySlots slots;
    ProfileList list;
};

std::vector<std::string> Names(const ProfileList& list) {
    std::vector<std::string> names;
    for (const Profile& p : list.profiles)
        names.push_back(p.name);
    return names;
}

TEST(SessionFile, RoundTripIsByteExact) {
    Live a;
    a.state.click.sms.store(40);
    a.state.recorder.tspd.store(2.5f);
    a.slots.unlock.store(80);
    a.list.profiles = {
        {"Default Tracking Profile", "", {}},
        {"Farm, \"quoted\"",
         "0,0,0,7,0,0,1,10,0,0,0,0,0,0,5,1,10,65,65|66,1",
         {{3, 1.5, 0, 0, 0, 65, true, 0}, {4, 2.25, -10, 20, 0, 0, false, -120}}},
        {"", "", {{0, 3599.123456, 100, 200, 0, 0, false, 0}}},
    };
    a.list.currentIndex = 1;
    const std::string text = SessionText(a.state, a.slots, a.list);
    EXPECT_EQ(text.substr(0, text.find("\r\n")),
              "SETTINGS:" + GlobalSettingsLine(a.state, a.slots));
    EXPECT_NE(text.find("\r\nCURRENT:1\r\nPROFILE:Default Tracking Profile\r\nPROFILE:Farm"),
              std::string::npos);
    EXPECT_NE(text.find("\r\n3,1.5,0,0,0,65,1,0\r\n4,2.25,-10,20,0,0,0,-120\r\nPROFILE:\r\n"),
              std::string::npos);
    // Six significant digits, not more.
    EXPECT_TRUE(text.ends_with("\r\n0,3599.12,100,200,0,0,0,0\r\n")) << text;

    Live b;
    ASSERT_TRUE(ApplySession(ParseSessionText(text), b.state, b.slots, b.list));
    EXPECT_EQ(SessionText(b.state, b.slots, b.list), text);
    EXPECT_EQ(b.list.profiles[1].macro, a.list.profiles[1].macro);
    EXPECT_EQ(b.state.click.sms.load(), 40);
    EXPECT_EQ(b.slots.unlock.load(), 80);
}

// Each case reads a session over fresh live state and a list holding one profile "Stale".
TEST(SessionFile, ReadingRules) {
    const std::string settings = std::string("SETTINGS:") + kGlobal + "\r\n";
    struct Case {
        const char* what;
        std::string text;
        bool loaded;
        std::vector<std::string> names;
        int32_t current;
        std::vector<size_t> macroSizes;
    } cases[] = {
        {"a first line that is not SETTINGS: is rejected whole",
         "CURRENT:0\r\nPROFILE:A\r\n3,1.5,0,0,0,65,1,0\r\n",
         false,
         {"Default Tracking Profile"},
         0,
         {0}},
        {"an empty file", "", false, {"Default Tracking Profile"}, 0, {0}},
        {"no profile at all",
         settings + "CURRENT:0\r\n3,1.5,0,0,0,65,1,0\r\n",
         false,
         {"Default Tracking Profile"},
         0,
         {0}},
        {"a key press at 1.5 s",
         settings + "CURRENT:0\r\nPROFILE:A\r\n3,1.5,0,0,0,65,1,0\r\n",
         true,
         {"A"},
         0,
         {1}},
        {"a bad event line is skipped and reading goes on",
         settings + "CURRENT:1\r\nPROFILE:A\r\n3,abc,0,0,0,65,1,0\r\n3,2,0,0,0,65,0,0\r\n"
                    "3,2,0,0,0,65,0\r\n\r\nPROFILE:B\r\n1,0.5,5,5,0,0,0,0\r\n",
         true,
         {"A", "B"},
         1,
         {1, 1}},
        {"lines before the first profile are ignored",
         settings + "CURRENT:0\r\n3,1,0,0,0,65,1,0\r\nPROFILESETTINGS:1,2\r\nPROFILE:A\r\n",
         true,
         {"A"},
         0,
         {0}},
        {"an index outside the list selects the first profile",
         settings + "CURRENT:5\r\nPROFILE:A\r\nPROFILE:B\r\n",
         true,
         {"A", "B"},
         0,
         {0, 0}},
        {"an index that does not convert selects the first profile",
         settings + "CURRENT:x\r\nPROFILE:A\r\nPROFILE:B\r\n",
         true,
         {"A", "B"},
         0,
         {0, 0}},
        {"a second line other than CURRENT: is dropped",
         settings + "PROFILE:A\r\nPROFILE:B\r\n3,1,0,0,0,65,1,0\r\n",
         true,
         {"B"},
         0,
         {1}},
        {"LF line ends and no final line end",
         std::string("SETTINGS:") + kGlobal + "\nCURRENT:1\nPROFILE:A\nPROFILE:B\n3,1,0,0,0,65,1,0",
         true,
         {"A", "B"},
         1,
         {0, 1}},
    };
    for (Case& c : cases) {
        Live live;
        live.list.profiles = {{"Stale", "", {}}};
        const bool loaded =
            ApplySession(ParseSessionText(c.text), live.state, live.slots, live.list);
        EXPECT_EQ(loaded, c.loaded) << c.what;
        EXPECT_EQ(Names(live.list), c.names) << c.what;
        EXPECT_EQ(live.list.currentIndex, c.current) << c.what;
        std::vector<size_t> sizes;
        for (const Profile& p : live.list.profiles)
            sizes.push_back(p.macro.size());
        EXPECT_EQ(sizes, c.macroSizes) << c.what;
    }
}

TEST(SessionFile, LiveValuesComeFromTheGlobalLine) {
    Live live;
    const std::string text =
        "SETTINGS:0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,70,71,0,72\r\n"
        "CURRENT:1\r\nPROFILE:A\r\nPROFILESETTINGS:0,0,0,9\r\n"
        "PROFILE:B\r\n3,1.5,0,0,0,65,1,0\r\n";
    ASSERT_TRUE(ApplySession(ParseSessionText(text), live.state, live.slots, live.list));
    EXPECT_EQ(live.list.profiles[1].macro[0], (UnifiedEvent{3, 1.5, 0, 0, 0, 65, true, 0}));
    EXPECT_EQ(live.slots.recording.load(), 70);
    EXPECT_EQ(live.state.click.sms.load(), 5);
    // The current profile's empty line is filled from the live values; the other keeps its own.
    EXPECT_EQ(live.list.profiles[1].settings, ProfileSettingsLine(live.state));
    EXPECT_EQ(live.list.profiles[0].settings, "0,0,0,9");
}

TEST(SessionFile, DefaultProfileInsertedAtTheFront) {
    struct Case {
        std::vector<std::string> names;
        int32_t current;
        std::vector<std::string> expectedNames;
        int32_t expectedCurrent;
    } cases[] = {
        {{"A", "B"}, 1, {"Default Tracking Profile", "A", "B"}, 2},
        {{"A"}, 0, {"Default Tracking Profile", "A"}, 1},
        {{}, 0, {"Default Tracking Profile"}, 0},
        {{"A", "Default Tracking Profile"}, 0, {"A", "Default Tracking Profile"}, 0},
        {{"default tracking profile"},
         0,
         {"Default Tracking Profile", "default tracking profile"},
         1},
    };
    for (const Case& c : cases) {
        ProfileList list;
        list.profiles.clear();
        for (const std::string& name : c.names)
            list.profiles.push_back({name, "", {}});
        list.currentIndex = c.current;
        EnsureDefaultProfile(list);
        EXPECT_EQ(Names(list), c.expectedNames);
        EXPECT_EQ(list.currentIndex, c.expectedCurrent);
    }
}

}  // namespace

}  // namespace velotap
