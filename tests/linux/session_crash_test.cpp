// A process killed at any moment of a save leaves a session file that reads back whole: the one
// of the last save it finished, or of the save it was in (when the replacement had happened).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "profiles/session_file.h"
#include "profiles/session_store.h"
#include "support/subprocess.h"

namespace velotap {

namespace {

// The profiles of save number n: the names and settings carry n, the macros alternate between two
// large contents.
std::vector<Profile> ProfilesOfSave(int64_t n) {
    static const std::vector<UnifiedEvent> macros[2] = {
        [] {
            std::vector<UnifiedEvent> events;
            for (int i = 0; i < 120000; ++i)
                events.push_back({3, i * 0.5, i % 1000, -(i % 7), 0, static_cast<uint32_t>(i % 256),
                                  i % 2 == 0, 0});
            return events;
        }(),
        [] {
            std::vector<UnifiedEvent> events;
            for (int i = 0; i < 150000; ++i)
                events.push_back({i % 2 ? 0u : 4u, static_cast<double>(i), i % 1920, i % 1080, 0, 0,
                                  false, i % 2 ? 0 : -120});
            return events;
        }(),
    };
    std::vector<Profile> profiles(2);
    profiles[0].name = "save " + std::to_string(n);
    profiles[0].macro = macros[n % 2];
    profiles[1].name = "second";
    profiles[1].settings =
        "0,0,0," + std::to_string(n % 1000) + ",0,0,1,10,0,0,0,0,0,0,5,1,10,32,32,0";
    profiles[1].macro.assign(static_cast<size_t>(n % 13),
                             UnifiedEvent{4, 1, 0, 0, 0, 0, false, 120});
    return profiles;
}

// Saves 1 + base, 2 + base, ... for ever, reporting each one finished.
[[noreturn]] void SaveForever(const std::string& path, int64_t base, int reportFd) {
    EngineState state;
    HotkeySlots slots;
    ProfileList list;
    SessionStore store;
    for (int64_t n = base + 1;; ++n) {
        {
            std::lock_guard<std::recursive_mutex> lock(list.lock);
            list.profiles = ProfilesOfSave(n);
            list.currentIndex = static_cast<int32_t>(n % 2);
        }
        if (SaveSession(store, path, {state, slots, list}) != SaveResult::Written) _exit(3);
        if (write(reportFd, &n, sizeof n) != sizeof n) _exit(4);
    }
}

int64_t ReadNumber(int fd) {
    int64_t n = 0;
    return read(fd, &n, sizeof n) == sizeof n ? n : 0;
}

// A saver process of one round, killed when the round ends.
struct Saver {
    pid_t pid = -1;
    int reports = -1;

    Saver(const std::string& path, int64_t base) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            SaveForever(path, base, fds[1]);
        }
        close(fds[1]);
        reports = fds[0];
    }
    // Kills the saver and returns the save numbers it reported.
    std::vector<int64_t> Kill() {
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        std::vector<int64_t> numbers;
        while (int64_t n = ReadNumber(reports))
            numbers.push_back(n);
        close(reports);
        return numbers;
    }
};

TEST(SessionCrash, KilledSaversLeaveWholeFiles) {
    TempDir dir;
    const std::string path = dir.File(kSessionFileName);
    constexpr int64_t kRounds = 16;
    std::mt19937 random(7);
    std::chrono::milliseconds saveTime{0};
    int64_t committed = 0;  // the last save known to be in the file
    for (int64_t round = 0; round < kRounds; ++round) {
        const int64_t base = (round + 1) * 1000000;
        Saver saver(path, base);
        ASSERT_GT(saver.pid, 0);
        std::vector<int64_t> numbers;
        if (round == 0) {
            // The first round measures how long one save takes here, so that the kills land
            // anywhere in a save however fast or loaded this machine is.
            ASSERT_EQ(ReadNumber(saver.reports), base + 1);
            const auto start = std::chrono::steady_clock::now();
            ASSERT_EQ(ReadNumber(saver.reports), base + 2);
            saveTime = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
            numbers = {base + 1, base + 2};
        } else {
            std::uniform_int_distribution<int64_t> killAfter(0, saveTime.count() * 5 / 2);
            std::this_thread::sleep_for(std::chrono::milliseconds(killAfter(random)));
        }
        for (int64_t n : saver.Kill())
            numbers.push_back(n);
        // The save under way when the kill came may have replaced the file already.
        const int64_t inFlight = numbers.empty() ? base + 1 : numbers.back() + 1;
        if (!numbers.empty()) committed = numbers.back();

        const std::optional<SessionContents> contents = ParseSessionText(ReadWholeFile(path));
        ASSERT_TRUE(contents) << "round " << round;
        ASSERT_EQ(contents->profiles.size(), 2u);
        const std::string& name = contents->profiles[0].name;
        const int64_t n = std::stoll(name.substr(name.find(' ') + 1));
        EXPECT_TRUE(n == committed || n == inFlight)
            << "file holds save " << n << ", last finished " << committed;
        const std::vector<Profile> expected = ProfilesOfSave(n);
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(contents->profiles[i].name, expected[i].name);
            EXPECT_EQ(contents->profiles[i].settings, expected[i].settings);
            EXPECT_TRUE(contents->profiles[i].macro == expected[i].macro) << "save " << n;
        }
        EXPECT_EQ(contents->wantedIndex, n % 2);
        committed = n;
    }
}

}  // namespace

}  // namespace velotap
