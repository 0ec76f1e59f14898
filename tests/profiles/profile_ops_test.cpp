#include "profiles/profile_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/bindings.h"
#include "profiles/profile_settings.h"

namespace velotap {

namespace {

constexpr const char* kDefaults = "0,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,32,32,0";
constexpr const char* kSlow = "0,0,1,0,0,0,1,10,0,0,0,0,0,0,5,1,10,65,65|66,1";
using Names = std::vector<std::string>;

// Default and A (both slow, with one event each; A current) and B (no settings line, no macro).
struct Fixture {
    EngineState state;
    ProfileList list;
    Fixture() {
        list.profiles = {{kDefaultProfileName, kSlow, {{3, 1, 0, 0, 0, 65, true, 0}}},
                         {"A", kSlow, {{3, 2, 0, 0, 0, 66, true, 0}}},
                         {"B", "", {}}};
        list.currentIndex = 1;
        LoadProfileSettings(state, kSlow);
    }
    Names ProfileNames() const {
        Names names;
        for (const Profile& p : list.profiles)
            names.push_back(p.name);
        return names;
    }
};

TEST(ProfileOps, Operations) {
    struct Case {
        const char* what;
        int32_t startAt;  // -1: B alone
        std::function<void(ProfileList&, EngineState&)> op;
        Names names;
        int32_t current;
        const char* live;     // the live settings afterwards
        size_t currentMacro;  // events in the current profile afterwards
    } cases[] = {
        {"add copies the live settings, without the macro",
         1,
         [](ProfileList& l, EngineState& s) { AddProfile(l, s, "New"); },
         {kDefaultProfileName, "A", "B", "New"},
         3,
         kSlow,
         0},
        {"add keeps a name on one line",
         1,
         [](ProfileList& l, EngineState& s) { AddProfile(l, s, "Two\r\nLines"); },
         {kDefaultProfileName, "A", "B", "Two  Lines"},
         3,
         kSlow,
         0},
        {"add without a name",
         1,
         [](ProfileList& l, EngineState& s) { AddProfile(l, s, ""); },
         {kDefaultProfileName, "A", "B"},
         1,
         kSlow,
         1},
        {"switch to a profile without settings: the defaults",
         1,
         [](ProfileList& l, EngineState& s) { SwitchProfile(l, s, "2"); },
         {kDefaultProfileName, "A", "B"},
         2,
         kDefaults,
         0},
        {"switch ignores non-numbers and indexes outside the list",
         1,
         [](ProfileList& l, EngineState& s) {
             for (const char* text : {"x", "-1", "3", ""})
                 SwitchProfile(l, s, text);
         },
         {kDefaultProfileName, "A", "B"},
         1,
         kSlow,
         1},
        {"delete the last profile: the new last becomes current",
         2,
         [](ProfileList& l, EngineState& s) { DeleteProfile(l, s); },
         {kDefaultProfileName, "A"},
         1,
         kSlow,
         1},
        {"delete a middle profile: the next moves up",
         1,
         [](ProfileList& l, EngineState& s) { DeleteProfile(l, s); },
         {kDefaultProfileName, "B"},
         1,
         kDefaults,
         0},
        {"delete the default profile: reset instead",
         0,
         [](ProfileList& l, EngineState& s) { DeleteProfile(l, s); },
         {kDefaultProfileName, "A", "B"},
         0,
         kDefaults,
         0},
        {"delete the only profile: kept",
         -1,
         [](ProfileList& l, EngineState& s) { DeleteProfile(l, s); },
         {"B"},
         0,
         kSlow,
         0},
        {"clear resets settings and macro, keeps the name",
         1,
         [](ProfileList& l, EngineState& s) { ClearProfile(l, s); },
         {kDefaultProfileName, "A", "B"},
         1,
         kDefaults,
         0},
    };
    for (const Case& c : cases) {
        for (bool recording : {false, true}) {
            Fixture f;
            if (c.startAt < 0)
                f.list.profiles.erase(f.list.profiles.begin(), f.list.profiles.end() - 1);
            const Names before = f.ProfileNames();
            f.list.currentIndex = std::max(c.startAt, 0);
            f.state.holdAuto.store(1);
            f.state.recording.store(recording ? 1 : 0);
            c.op(f.list, f.state);
            const std::string what = std::string(c.what) + (recording ? " (recording)" : "");
            if (recording) {
                // Every operation is ignored while recording.
                EXPECT_EQ(f.ProfileNames(), before) << what;
                EXPECT_EQ(f.list.currentIndex, std::max(c.startAt, 0)) << what;
                EXPECT_EQ(ProfileSettingsLine(f.state), kSlow) << what;
                continue;
            }
            EXPECT_EQ(f.ProfileNames(), c.names) << what;
            EXPECT_EQ(f.list.currentIndex, c.current) << what;
            EXPECT_EQ(ProfileSettingsLine(f.state), c.live) << what;
            EXPECT_EQ(f.list.CurrentProfile().macro.size(), c.currentMacro) << what;
            EXPECT_EQ(f.state.holdAuto.load(), 1) << what;
        }
    }
}

TEST(ProfileOps, ResetsStoreTheResetLine) {
    Fixture f;
    ClearProfile(f.list, f.state);
    EXPECT_EQ(f.list.profiles[1].settings, kDefaults);
    EXPECT_EQ(f.list.profiles[0].macro.size(), 1u);
    f.list.currentIndex = 0;
    LoadProfileSettings(f.state, kSlow);
    DeleteProfile(f.list, f.state);
    EXPECT_EQ(f.list.profiles[0].settings, kDefaults);
}

TEST(ProfileOps, Bindings) {
    Fixture f;
    std::vector<Binding> b = ProfileBindings(f.list, f.state);
    Names names;
    for (const Binding& binding : b)
        names.push_back(binding.name);
    EXPECT_EQ(names, (Names{"clearProfile", "addProfile", "deleteProfile", "switchProfile",
                            "getProfiles"}));
    EXPECT_EQ(b[1].sync(R"(["Bee"])"), "");
    EXPECT_EQ(b[3].sync(R"(["0"])"), "");
    f.list.profiles[2].name = "B \"2\"";
    EXPECT_EQ(b[4].sync("[]"),
              R"({"current":0,"names":["Default Tracking Profile","A","B \"2\"","Bee"],"cap":-1,)"
              R"("defaultName":"Default Tracking Profile"})");
}

}  // namespace

}  // namespace velotap
