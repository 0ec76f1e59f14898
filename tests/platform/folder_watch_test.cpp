#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "platform/folder_watch.h"
#include "support/subprocess.h"

namespace velotap {

namespace fs = std::filesystem;

TEST(FolderWatch, EveryKindOfChangeWakesTheWatcher) {
    TempDir dir, outside;
    const std::string folder = dir.File("themes");
    fs::create_directories(folder);
    const std::string inFolder = folder + "/Dark.vtptheme";
    struct Case {
        const char* what;
        std::function<void()> change;
    } cases[] = {
        {"create", [&] { dir.Write("themes/Dark.vtptheme", "a"); }},
        {"write", [&] { dir.Write("themes/Dark.vtptheme", "bb"); }},
        {"move out", [&] { fs::rename(inFolder, outside.File("Dark.vtptheme")); }},
        {"move in", [&] { fs::rename(outside.File("Dark.vtptheme"), inFolder); }},
        {"delete", [&] { fs::remove(inFolder); }},
    };
    for (const Case& c : cases) {
        std::unique_ptr<FolderWatch> watch = WatchFolder(folder);
        ASSERT_TRUE(watch) << c.what;
        c.change();
        EXPECT_EQ(watch->WaitForChange(), FolderWatch::Wake::Changed) << c.what;
    }
    EXPECT_FALSE(WatchFolder(dir.File("missing")));
}

TEST(FolderWatch, StopEndsWaitsAndPauses) {
    TempDir dir;
    std::unique_ptr<FolderWatch> watch = WatchFolder(dir.path());
    ASSERT_TRUE(watch);
    EXPECT_TRUE(watch->Pause(std::chrono::milliseconds(1)));
    FolderWatch::Wake woken = FolderWatch::Wake::Changed;
    std::thread waiter([&] { woken = watch->WaitForChange(); });
    watch->Stop();
    waiter.join();
    EXPECT_EQ(woken, FolderWatch::Wake::Stopped);
    EXPECT_FALSE(watch->Pause(std::chrono::hours(1)));
}

}  // namespace velotap
