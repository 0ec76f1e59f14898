#include "profiles/session_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/file_replace.h"
#include "profiles/profile_settings.h"
#include "profiles/session_file.h"
#include "support/subprocess.h"

namespace velotap {

namespace {

namespace fs = std::filesystem;

struct Live {
    EngineState state;
    HotkeySlots slots;
    ProfileList list;
    SessionStore store;
    SessionSources Sources() { return {state, slots, list}; }
};

TEST(SessionStore, SaveThenLoad) {
    TempDir dir;
    const std::string path = dir.File(kSessionFileName);
    Live a;
    a.list.profiles.push_back(
        {"Mine", ProfileSettingsLine(a.state), {{3, 1.5, 0, 0, 0, 65, true, 0}}});
    a.list.currentIndex = 1;
    a.slots.playback.store(99);
    ASSERT_EQ(SaveSession(a.store, path, a.Sources()), SaveResult::Written);
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    Live b;
    EXPECT_TRUE(LoadSession(b.store, path, b.Sources()));
    EXPECT_EQ(b.list.profiles.size(), 2u);
    EXPECT_EQ(b.list.currentIndex, 1);
    EXPECT_EQ(b.slots.playback.load(), 99);
    EXPECT_EQ(b.list.profiles[1].macro, a.list.profiles[1].macro);
    // The file already holds what this state would write (the current profile had its settings
    // line; one without gets the live one at loading, which the next save then writes).
    EXPECT_EQ(SaveSession(b.store, path, b.Sources()), SaveResult::Unchanged);
}

TEST(SessionStore, FilesThatDoNotLoadFallBackAndAreKept) {
    struct Case {
        const char* what;
        const char* content;  // null: no file
        bool keptAside;
    } cases[] = {
        {"no file", nullptr, false},
        {"an empty file", "", false},
        {"a foreign file", "CURRENT:0\r\nPROFILE:A\r\n3,1,0,0,0,65,1,0\r\n", true},
        {"a session without profiles", "SETTINGS:1,2\r\nCURRENT:0\r\n", true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.File(kSessionFileName);
        if (c.content) dir.Write(kSessionFileName, c.content);
        Live live;
        live.list.profiles = {{"Old", "", {}}};
        EXPECT_FALSE(LoadSession(live.store, path, live.Sources())) << c.what;
        ASSERT_EQ(live.list.profiles.size(), 1u);
        EXPECT_EQ(live.list.profiles[0].name, kDefaultProfileName);
        EXPECT_EQ(fs::exists(path + kUnreadableSuffix), c.keptAside) << c.what;
        if (c.keptAside) {
            EXPECT_EQ(ReadWholeFile(path + kUnreadableSuffix), c.content);
        }
        // The next save writes a fresh session.
        EXPECT_EQ(SaveSession(live.store, path, live.Sources()), SaveResult::Written) << c.what;
        EXPECT_TRUE(ReadWholeFile(path).starts_with("SETTINGS:"));
    }
}

TEST(SessionStore, UnchangedStateLeavesTheFileAlone) {
    TempDir dir;
    const std::string path = dir.File(kSessionFileName);
    Live live;
    ASSERT_EQ(SaveSession(live.store, path, live.Sources()), SaveResult::Written);
    const std::string before = ReadWholeFile(path);
    const auto stamp = fs::last_write_time(path);
    EXPECT_EQ(SaveSession(live.store, path, live.Sources()), SaveResult::Unchanged);
    EXPECT_EQ(fs::last_write_time(path), stamp);
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    live.list.profiles[0].macro.push_back({3, 1, 0, 0, 0, 65, true, 0});
    EXPECT_EQ(SaveSession(live.store, path, live.Sources()), SaveResult::Written);
    EXPECT_NE(ReadWholeFile(path), before);

    // A file removed behind our back is written again though nothing changed.
    fs::remove(path);
    EXPECT_EQ(SaveSession(live.store, path, live.Sources()), SaveResult::Written);
    EXPECT_TRUE(fs::exists(path));
}

TEST(SessionStore, FailedWriteKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir.File(kSessionFileName);
    Live live;
    ASSERT_EQ(SaveSession(live.store, path, live.Sources()), SaveResult::Written);
    const std::string before = ReadWholeFile(path);

    // A folder where the temporary must go makes every write fail, for any user.
    fs::create_directory(path + ".tmp");
    live.list.profiles[0].name = "Changed";
    EXPECT_EQ(SaveSession(live.store, path, live.Sources()), SaveResult::Failed);
    EXPECT_EQ(ReadWholeFile(path), before);
    fs::remove(path + ".tmp");
    EXPECT_EQ(SaveSession(live.store, path, live.Sources()), SaveResult::Written);
    EXPECT_NE(ReadWholeFile(path).find("PROFILE:Changed\r\n"), std::string::npos);

    // A folder that does not exist.
    EXPECT_FALSE(ReplaceFileContents(dir.File("missing/session.dat"), "x"));
}

TEST(SessionStore, CrashSaveNeverWaits) {
    TempDir dir;
    const std::string path = dir.File(kSessionFileName);
    Live live;
    EXPECT_EQ(SaveSessionAfterCrash(live.store, path, live.Sources()), SaveResult::Written);
    EXPECT_TRUE(ReadWholeFile(path).starts_with("SETTINGS:"));

    live.store.saving.store(1);  // a save under way, perhaps on the crashing thread
    EXPECT_EQ(SaveSessionAfterCrash(live.store, path, live.Sources()), SaveResult::Busy);
    live.store.saving.store(0);

    // Another thread held the macro lock when the crash came.
    live.list.lock.lock();
    std::thread crashing([&] {
        EXPECT_EQ(SaveSessionAfterCrash(live.store, path, live.Sources()), SaveResult::Busy);
    });
    crashing.join();
    live.list.lock.unlock();
}

}  // namespace

}  // namespace velotap
