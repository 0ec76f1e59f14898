// The data folder holds recorded keystrokes: it is the user's alone, and so is every file the
// program writes there, whatever the umask.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/data_folder.h"
#include "platform/file_replace.h"
#include "platform/mirror_writer.h"
#include "support/subprocess.h"

namespace velotap {

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(PrivateFiles, DataFolderAndItsFilesAreTheOwnersAlone) {
    TempDir dir;
    const mode_t previousMask = umask(022);
    setenv("LOCALAPPDATA", dir.path().c_str(), 1);
    const std::string folder = GetDataFolder();
    unsetenv("LOCALAPPDATA");
    EXPECT_EQ(ModeOf(folder), 0700u);

    // What the program writes.
    ASSERT_TRUE(ReplaceFileContents(folder + "/session.dat", "SETTINGS:"));
    ASSERT_TRUE(ReplaceFileQuickly(folder + "/status.txt", "{}"));
    MirrorWriter writer;
    writer.Write(folder + "/macroevents.txt", {std::make_shared<const std::string>("[]")});
    writer.Flush();
    for (const char* name : {"session.dat", "status.txt", "macroevents.txt"})
        EXPECT_EQ(ModeOf(folder + "/" + name), 0600u) << name;

    // What an older version left readable is narrowed at start; a link is not followed.
    const std::string old = dir.Write("Velotap/appsettings.txt", "alwaysOnTop=1\r\n");
    chmod(old.c_str(), 0644);
    std::filesystem::create_directories(folder + "/themes");
    chmod((folder + "/themes").c_str(), 0755);
    const std::string outside = dir.Write("outside.txt", "x");
    chmod(outside.c_str(), 0644);
    std::filesystem::create_symlink(outside, folder + "/link");
    chmod(folder.c_str(), 0755);
    MakeDataFilesOwnerOnly(folder);
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(old), 0600u);
    EXPECT_EQ(ModeOf(folder + "/themes"), 0700u);
    EXPECT_EQ(ModeOf(outside), 0644u);
    umask(previousMask);
}

}  // namespace

}  // namespace velotap
