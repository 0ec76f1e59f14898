#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/subprocess.h"
#include "update/update_check.h"
#include "update/update_check_thread.h"
#include "update_helpers.h"

namespace velotap {

using namespace update_test;

namespace {

// An ignored member `"pad":"ppp…",` with `n` letters.
std::string PadMember(size_t n) {
    std::string member = "\"pad\":\"";
    member.append(n, 'p');
    member.append("\",");
    return member;
}

}  // namespace

TEST(UpdateCheck, LocalManifestSize) {
    TempDir dir;
    struct Case {
        size_t size;
        bool read;
    } cases[] = {{0, false}, {1, true}, {16384, true}, {16385, false}, {100000, false}};
    for (const auto& c : cases) {
        std::string body = "stale";
        std::string name = "m";
        name += std::to_string(c.size);
        std::string path = dir.Write(name, std::string(c.size, 'x'));
        EXPECT_EQ(ReadLocalManifest(path, body), c.read) << c.size;
        EXPECT_EQ(body.size(), c.read ? c.size : 0u) << c.size;
    }
    std::string body;
    EXPECT_FALSE(ReadLocalManifest(dir.File("missing.json"), body));
    EXPECT_FALSE(ReadLocalManifest(dir.path(), body));
}

TEST(UpdateCheck, Sources) {
    TestSigner signer;
    ASSERT_TRUE(signer.ok());
    auto key = [&signer]() { return signer.key(); };
    TempDir dir;
    UpdateManifestInfo m = GoodFields();
    m.sig = signer.SignFields(m);
    std::string text = ManifestText(m);
    std::string good = dir.Write("good.json", text);

    UpdateCheckResult result = CheckForUpdateWithKey(good, key);
    EXPECT_TRUE(result.available);
    EXPECT_EQ(result.manifest.version, "1.0.2");
    EXPECT_EQ(result.currentVersion, "1.0.1");

    // A valid manifest padded past 16384 bytes with an ignored member is refused unread.
    std::string padded = text;
    padded.insert(1, PadMember(16385 - text.size()));
    ASSERT_GT(padded.size(), 16384u);
    EXPECT_FALSE(CheckForUpdateWithKey(dir.Write("big.json", padded), key).available);
    std::string exact = text;
    exact.insert(1, PadMember(16384 - text.size() - 9));
    ASSERT_EQ(exact.size(), 16384u);
    EXPECT_TRUE(CheckForUpdateWithKey(dir.Write("exact.json", exact), key).available);

    bool keyAsked = false;
    auto noKey = [&keyAsked]() -> const EcdsaP256PublicKey* {
        keyAsked = true;
        return nullptr;
    };
    EXPECT_FALSE(CheckForUpdateWithKey(good, noKey).available);
    EXPECT_TRUE(keyAsked);
    keyAsked = false;
    UpdateCheckResult http = CheckForUpdateWithKey("http://" + std::string(UpdateWebHost()), noKey);
    EXPECT_FALSE(http.available);
    EXPECT_EQ(http.currentVersion, "1.0.1");
    EXPECT_FALSE(keyAsked) << "an http:// source is refused before anything is fetched";
    EXPECT_FALSE(CheckForUpdateWithKey(dir.File("missing.json"), noKey).available);
    EXPECT_FALSE(keyAsked);

    // The built-in key does not know the test signer.
    EXPECT_FALSE(CheckForUpdate(good).available);
}

TEST(UpdateCheck, PageNotification) {
    EXPECT_EQ(UpdateAvailableScript("1.0.2", "1.0.1"),
              "if (window.onUpdateAvailable) window.onUpdateAvailable(\"1.0.2\",\"1.0.1\");");
    EXPECT_EQ(UpdateAvailableScript("1.2.0-beta.1", "1.0.1"),
              "if (window.onUpdateAvailable) "
              "window.onUpdateAvailable(\"1.2.0-beta.1\",\"1.0.1\");");
}

TEST(UpdateCheck, ThreadStopsWithTheRunningFlag) {
    std::atomic<uint8_t> running{1};
    int posted = 0;
    std::thread stopper([&running] {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        running.exchange(0);
    });
    TempDir dir;
    // Even a source that would be checked must not be once the flag clears during the wait.
    RunUpdateCheckThread(running, dir.Write("m.json", "{}"),
                         [&posted](const std::string&) { ++posted; });
    stopper.join();
    EXPECT_EQ(posted, 0);

    running.exchange(0);
    RunUpdateCheckThread(running, "", [&posted](const std::string&) { ++posted; });
    EXPECT_EQ(posted, 0);
}

}  // namespace velotap
