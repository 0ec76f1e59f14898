#include <gtest/gtest.h>

#include <filesystem>

#include "app/migration.h"
#include "support/subprocess.h"

namespace velotap {

namespace fs = std::filesystem;

TEST(Migration, OlderFilesMoveIntoTheDataFolder) {
    TempDir data, exe;
    data.Write("session.vtpmacro", "new-style");
    data.Write("session.mcr", "old-style");
    exe.Write("session.mcr", "oldest");
    exe.Write("theme.txt", "dark");
    exe.Write("appsettings.txt", "alwaysOnTop=1");
    data.Write("appsettings.txt", "keep");
    exe.Write("status.txt", "x");
    exe.Write("macroevents.txt", "x");

    std::string session = MigrateDataFiles(data.path(), exe.path());
    EXPECT_EQ(session, data.File("session.dat"));
    EXPECT_EQ(ReadWholeFile(session), "new-style");
    EXPECT_TRUE(fs::exists(data.File("session.mcr")));
    EXPECT_EQ(ReadWholeFile(data.File("theme.txt")), "dark");
    EXPECT_EQ(ReadWholeFile(data.File("appsettings.txt")), "keep");
    EXPECT_TRUE(fs::exists(exe.File("appsettings.txt")));
    EXPECT_FALSE(fs::exists(exe.File("status.txt")));
    EXPECT_FALSE(fs::exists(exe.File("macroevents.txt")));

    // With session.dat present nothing else is taken.
    exe.Write("session.mcr", "ignored");
    EXPECT_EQ(MigrateDataFiles(data.path(), exe.path()), data.File("session.dat"));
    EXPECT_EQ(ReadWholeFile(data.File("session.dat")), "new-style");
}

TEST(Migration, FallsBackToTheExecutableFolderSession) {
    TempDir data, exe;
    exe.Write("session.mcr", "oldest");
    EXPECT_EQ(ReadWholeFile(MigrateDataFiles(data.path(), exe.path())), "oldest");
    EXPECT_FALSE(fs::exists(exe.File("session.mcr")));
}

}  // namespace velotap
