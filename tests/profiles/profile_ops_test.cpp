#include "profiles/profile_ops.h"

#include <gtest/gtest.h>

#include <functional>

#include "profiles/profile_settings.h"

namespace {

constexpr const char* kDefaults = "0,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,32,32,0";
constexpr const char* kSlow = "0,0,1,0,0,0,1,10,0,0,0,0,0,0,5,1,10,65,65|66,1";

// Default (with a macro and the slow settings), A (slow, current), B (no settings line).
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
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const Profile& p : list.profiles)
            names.push_back(p.name);
        return names;
    }
};

TEST(ProfileOps, ProfilesJson) {
    Fixture f;
    f.list.profiles[2].name = "B \"2\"";
    EXPECT_EQ(ProfilesJson(f.list),
              R"({"current":1,"names":["Default Tracking Profile","A","B \"2\""],"cap":-1,)"
              R"("defaultName":"Default Tracking Profile"})");
}

TEST(ProfileOps, AddAndSwitch) {
    Fixture f;
    AddProfile(f.list, f.state, "");
    EXPECT_EQ(f.list.profiles.size(), 3u);
    AddProfile(f.list, f.state, "New");
    ASSERT_EQ(f.list.profiles.size(), 4u);
    EXPECT_EQ(f.list.currentIndex, 3);
    EXPECT_EQ(f.list.profiles[3].settings, kSlow);
    EXPECT_TRUE(f.list.profiles[3].macro.empty());

    for (const char* ignored : {"x", "-1", "4", ""}) {
        SwitchProfile(f.list, f.state, ignored);
        EXPECT_EQ(f.list.currentIndex, 3) << ignored;
    }
    SwitchProfile(f.list, f.state, "2");  // no settings line: the defaults
    EXPECT_EQ(f.list.currentIndex, 2);
    EXPECT_EQ(ProfileSettingsLine(f.state), kDefaults);
    SwitchProfile(f.list, f.state, " 1");
    EXPECT_EQ(ProfileSettingsLine(f.state), kSlow);
}

TEST(ProfileOps, DeleteAndClear) {
    {
        Fixture f;  // the last profile: the new last becomes current
        f.list.currentIndex = 2;
        DeleteProfile(f.list, f.state);
        EXPECT_EQ(f.Names(), (std::vector<std::string>{kDefaultProfileName, "A"}));
        EXPECT_EQ(f.list.currentIndex, 1);
        EXPECT_EQ(ProfileSettingsLine(f.state), kSlow);
    }
    {
        Fixture f;  // a middle profile: the next one moves up and becomes current
        DeleteProfile(f.list, f.state);
        EXPECT_EQ(f.Names(), (std::vector<std::string>{kDefaultProfileName, "B"}));
        EXPECT_EQ(f.list.currentIndex, 1);
        EXPECT_EQ(ProfileSettingsLine(f.state), kDefaults);
    }
    {
        Fixture f;  // the default profile is reset instead
        f.list.currentIndex = 0;
        DeleteProfile(f.list, f.state);
        EXPECT_EQ(f.list.profiles.size(), 3u);
        EXPECT_TRUE(f.list.profiles[0].macro.empty());
        EXPECT_EQ(f.list.profiles[0].settings, kDefaults);
        EXPECT_EQ(ProfileSettingsLine(f.state), kDefaults);
    }
    {
        Fixture f;  // the only profile stays
        f.list.profiles.erase(f.list.profiles.begin());
        f.list.profiles.resize(1);
        f.list.currentIndex = 0;
        DeleteProfile(f.list, f.state);
        EXPECT_EQ(f.Names(), (std::vector<std::string>{"A"}));
        EXPECT_EQ(ProfileSettingsLine(f.state), kSlow);
    }
    {
        Fixture f;
        f.state.holdAuto.store(1);
        ClearProfile(f.list, f.state);
        EXPECT_EQ(f.list.profiles[1].name, "A");
        EXPECT_TRUE(f.list.profiles[1].macro.empty());
        EXPECT_EQ(f.list.profiles[1].settings, kDefaults);
        EXPECT_EQ(f.list.profiles[0].macro.size(), 1u);
        EXPECT_EQ(f.state.holdAuto.load(), 1);
    }
}

TEST(ProfileOps, IgnoredWhileRecording) {
    const std::function<void(Fixture&)> operations[] = {
        [](Fixture& f) { AddProfile(f.list, f.state, "New"); },
        [](Fixture& f) { SwitchProfile(f.list, f.state, "2"); },
        [](Fixture& f) { DeleteProfile(f.list, f.state); },
        [](Fixture& f) {
            f.list.currentIndex = 0;
            DeleteProfile(f.list, f.state);
        },
        [](Fixture& f) { ClearProfile(f.list, f.state); },
    };
    for (size_t i = 0; i < std::size(operations); ++i) {
        Fixture f;
        f.state.recording.store(1);
        const int32_t current = i == 3 ? 0 : 1;
        operations[i](f);
        EXPECT_EQ(f.Names(), (std::vector<std::string>{kDefaultProfileName, "A", "B"})) << i;
        EXPECT_EQ(f.list.currentIndex, current) << i;
        EXPECT_EQ(f.list.profiles[static_cast<size_t>(current)].macro.size(), 1u) << i;
        EXPECT_EQ(ProfileSettingsLine(f.state), kSlow) << i;
    }
}

TEST(ProfileOps, BindingsInOrder) {
    Fixture f;
    std::vector<Binding> bindings = ProfileBindings(f.list, f.state);
    std::vector<std::string> names;
    for (const Binding& b : bindings)
        names.push_back(b.name);
    EXPECT_EQ(names, (std::vector<std::string>{"clearProfile", "addProfile", "deleteProfile",
                                               "switchProfile", "getProfiles"}));
    EXPECT_EQ(bindings[1].sync(R"(["Bee"])"), "");
    EXPECT_EQ(f.list.profiles.back().name, "Bee");
    EXPECT_EQ(bindings[3].sync(R"(["0"])"), "");
    EXPECT_EQ(f.list.currentIndex, 0);
    EXPECT_EQ(bindings[4].sync("[]").substr(0, 12), R"({"current":0)");
}

}  // namespace
