#include <gtest/gtest.h>

#include <sys/stat.h>

#include <deque>
#include <filesystem>
#include <mutex>

#include "loopback_server.h"
#include "platform/update_files.h"
#include "support/wait_for.h"
#include "update/update_install.h"
#include "update_helpers.h"

namespace velotap {

using namespace update_test;

TEST(UpdateInstall, NamesParametersAndScope) {
    const uint8_t random[16] = {0x00, 0x01, 0x7f, 0x80, 0xab, 0xcd, 0xef, 0xff,
                                0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x0f};
    EXPECT_EQ(UpdateFolderName(random), "Velotap-update-00017f80abcdefff102030405060700f");
    EXPECT_EQ(InstallerParameters("/ALLUSERS"),
              "/VERYSILENT /SUPPRESSMSGBOXES /NORESTART /SP- /CLOSEAPPLICATIONS "
              "/NORESTARTAPPLICATIONS /ALLUSERS /VTPUPDATE=1");
    EXPECT_EQ(UpdateProgressScript(0, 209715200),
              "if (window.onUpdateProgress) onUpdateProgress(0,209715200);");

    const std::string program = "C:\\Program Files\\Velotap";
    struct Case {
        InstallRecord user, machine;
        const char* scope;
    } cases[] = {
        {{true, "c:\\program files\\VELOTAP\\\\"},
         {true, "C:\\Program Files\\Velotap"},
         "/CURRENTUSER"},
        {{true, "D:\\Elsewhere"}, {true, "C:\\Program Files\\Velotap/"}, "/ALLUSERS"},
        {{true, "D:\\Elsewhere"}, {false, ""}, "/CURRENTUSER"},
        {{true, ""}, {true, ""}, "/ALLUSERS"},
        {{false, ""}, {false, ""}, "/ALLUSERS"},
        {{false, ""}, {true, "D:\\Elsewhere"}, "/ALLUSERS"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseInstallScope(program, c.user, c.machine), c.scope) << c.user.location;
    }
}

#ifndef _WIN32

namespace {

namespace fs = std::filesystem;

// The window's thread and the page as the updater sees them.
struct UpdateRig {
    TempDir runtime;  // XDG_RUNTIME_DIR of these runs; the program's private folder is inside
    TestSigner signer;
    LoopbackServer server{std::string(UpdateWebHost())};
    std::string manifestPath;

    std::mutex mutex;
    std::vector<std::string> scripts;
    std::vector<std::pair<std::string, std::string>> resolved;
    std::deque<std::function<void()>> windowThread;
    std::vector<std::string> steps;  // "save", "panels", "quit"

    UpdateRig() {
        chmod(runtime.path().c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        mkdir(runtime.File("Velotap").c_str(), 0700);
        manifestPath = runtime.File("manifest.json");
    }
    ~UpdateRig() { unsetenv("XDG_RUNTIME_DIR"); }

    // A signed manifest naming the server's `route` with the digest of `digestOf`.
    void Offer(const std::string& route, const std::string& digestOf) {
        UpdateManifestInfo m = GoodFields();
        m.url = "https://" + std::string(UpdateWebHost()) + route;
        Sha256Digest digest;
        ASSERT_TRUE(Sha256(digestOf, digest));
        m.sha256 = Hex(std::string(digest.begin(), digest.end()));
        m.sig = signer.SignFields(m);
        std::FILE* f = std::fopen(manifestPath.c_str(), "wb");
        ASSERT_TRUE(f);
        std::string text = ManifestText(m);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }

    UpdateContext Context() {
        UpdateContext c;
        c.check = [this] {
            return CheckForUpdateWithKey(manifestPath, [this] { return signer.key(); });
        };
        c.pageExists = [] { return true; };
        c.postScript = [this](std::string script) {
            std::lock_guard lock(mutex);
            scripts.push_back(std::move(script));
        };
        c.resolve = [this](const std::string& id, const std::string& json) {
            std::lock_guard lock(mutex);
            resolved.emplace_back(id, json);
        };
        c.dispatch = [this](std::function<void()> work) {
            std::lock_guard lock(mutex);
            windowThread.push_back(std::move(work));
        };
        c.saveSession = [this] { steps.push_back("save"); };
        c.endPanels = [this] { steps.push_back("panels"); };
        c.quit = [this] { steps.push_back("quit"); };
        c.transport = server.Standing(std::string(UpdateWebHost()));
        return c;
    }

    size_t Count(const std::string& prefix) {
        std::lock_guard lock(mutex);
        size_t n = 0;
        for (const std::string& s : scripts)
            n += s.rfind(prefix, 0) == 0;
        return n;
    }
    // Runs what was handed to the window's thread.
    void RunWindowThread() {
        std::deque<std::function<void()>> work;
        {
            std::lock_guard lock(mutex);
            work.swap(windowThread);
        }
        for (auto& w : work)
            w();
    }
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(runtime.File("Velotap")))
            names.push_back(e.path().filename().string());
        return names;
    }
};

std::string ProgressPrefix() {
    return "if (window.onUpdateProgress)";
}

}  // namespace

TEST(UpdateInstall, EveryFailureIsOneMessageAndLeavesNothing) {
    const std::string installer = "#!/bin/sh\nexit 0\n";
    const std::string notAProgram = "this is no program\n";
    struct Case {
        const char* name;
        const char* route;   // empty: no manifest at all
        std::string served;  // written as the route's file
        std::string digestOf;
        const char* message;
    } cases[] = {
        {"gone", "", "", "", kUpdateNoLongerAvailable},
        {"mismatch", "/file/a.exe", installer, installer + "x", kUpdateDigestMismatch},
        {"missing file", "/file/none.exe", "", "", kUpdateDownloadFailed},
        {"300 MiB announced", "/announce-300m", "", "", kUpdateDownloadFailed},
        {"200 MiB and a byte streamed", "/stream-over", "", "", kUpdateDownloadFailed},
        {"cannot start", "/file/b.exe", notAProgram, notAProgram, kUpdateStartFailed},
    };
    for (const auto& c : cases) {
        UpdateRig rig;
        ASSERT_TRUE(rig.signer.ok() && rig.server.ok());
        if (*c.route) {
            std::string route = c.route;
            if (!c.served.empty()) rig.server.files().Write(route.substr(6), c.served);
            rig.Offer(route, c.digestOf);
        }
        Updater updater(rig.Context());
        updater.Start("7");
        ASSERT_TRUE(WaitFor(
            [&] {
                rig.RunWindowThread();
                std::lock_guard lock(rig.mutex);
                return !rig.resolved.empty();
            },
            std::chrono::seconds(60)))
            << c.name;
        updater.Shutdown();
        ASSERT_EQ(rig.resolved.size(), 1u) << c.name;
        EXPECT_EQ(rig.resolved[0].first, "7");
        EXPECT_EQ(rig.resolved[0].second, "\"" + std::string(c.message) + "\"") << c.name;
        EXPECT_TRUE(rig.Leftovers().empty()) << c.name;
        EXPECT_EQ(rig.steps.empty(), c.message != kUpdateStartFailed) << c.name;
    }
}

TEST(UpdateInstall, SecondStartAndShutDownMidDownload) {
    UpdateRig rig;
    ASSERT_TRUE(rig.signer.ok() && rig.server.ok());
    rig.Offer("/stall", "");
    Updater updater(rig.Context());
    updater.Start("1");
    ASSERT_TRUE(WaitFor([&] { return rig.Count(ProgressPrefix()) > 0; }, std::chrono::seconds(30)));
    ASSERT_EQ(rig.Leftovers().size(), 1u);  // the download folder, in use

    updater.Start("2");
    {
        std::lock_guard lock(rig.mutex);
        ASSERT_EQ(rig.resolved.size(), 1u);
        EXPECT_EQ(rig.resolved[0], (std::pair<std::string, std::string>(
                                       "2", "\"An update is already in progress.\"")));
    }
    updater.Shutdown();  // the call of "1" is never settled, and nothing is left
    EXPECT_EQ(rig.resolved.size(), 1u);
    EXPECT_TRUE(rig.Leftovers().empty());
    EXPECT_EQ(rig.Count("if (window.onUpdateInstalling)"), 0u);
}

TEST(UpdateInstall, VerifiedInstallerStartsAfterTheSaveAndTheProgramQuits) {
    UpdateRig rig;
    ASSERT_TRUE(rig.signer.ok() && rig.server.ok());
    const std::string record = rig.server.files().File("arguments.txt");
    // Big enough for several pieces; the padding is a shell comment.
    std::string installer = "#!/bin/sh\nprintf '%s|' \"$@\" > '" + record + ".tmp'\nmv '" + record +
                            ".tmp' '" + record + "'\n#";
    installer.append(300000, 'x');
    installer += '\n';
    rig.server.files().Write("setup.exe", installer);
    rig.Offer("/file/setup.exe", installer);

    Updater updater(rig.Context());
    updater.Start("9");
    ASSERT_TRUE(WaitFor(
        [&] {
            rig.RunWindowThread();
            return !rig.steps.empty();
        },
        std::chrono::seconds(60)));
    EXPECT_EQ(rig.steps, (std::vector<std::string>{"save", "panels", "quit"}));
    ASSERT_TRUE(WaitFor([&] { return fs::exists(record); }, std::chrono::seconds(30)));
    EXPECT_EQ(ReadWholeFile(record),
              "/VERYSILENT|/SUPPRESSMSGBOXES|/NORESTART|/SP-|/CLOSEAPPLICATIONS|"
              "/NORESTARTAPPLICATIONS|/CURRENTUSER|/VTPUPDATE=1|");
    EXPECT_TRUE(rig.resolved.empty());

    // Progress from (0, size) to (size, size), never backwards; the notice comes last.
    const std::string size = std::to_string(installer.size());
    std::lock_guard lock(rig.mutex);
    ASSERT_GE(rig.scripts.size(), 3u);
    EXPECT_EQ(rig.scripts.front(), UpdateProgressScript(0, installer.size()));
    EXPECT_EQ(rig.scripts[rig.scripts.size() - 2],
              UpdateProgressScript(installer.size(), installer.size()));
    EXPECT_EQ(rig.scripts.back(), kUpdateInstallingScript);

    // The folder stays for the installer; only ours is private.
    std::vector<std::string> left = rig.Leftovers();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].size(), 15u + 32u);
    struct stat st;
    ASSERT_EQ(lstat(rig.runtime.File("Velotap/" + left[0]).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(lstat(rig.runtime.File("Velotap/" + left[0] + "/installer.exe").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(UpdateInstall, StartUpRemovesOnlyOurOwnLeftFolders) {
    TempDir runtime, elsewhere;
    chmod(runtime.path().c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    mkdir(runtime.File("Velotap").c_str(), 0700);
    const std::string ours = runtime.File("Velotap/Velotap-update-0123");
    fs::create_directory(ours);
    runtime.Write("Velotap/Velotap-update-0123/installer.exe", "old");
    fs::create_directory(ours + "/kept");  // a folder inside is not ours to remove
    fs::create_directory(runtime.File("Velotap/Velotap-update-done"));
    // A link to a folder of ours is not followed.
    fs::create_directory(elsewhere.File("target"));
    elsewhere.Write("target/precious", "keep");
    fs::create_directory_symlink(elsewhere.File("target"),
                                 runtime.File("Velotap/Velotap-update-link"));
    const bool root = geteuid() == 0;
    if (root) {
        fs::create_directory(runtime.File("Velotap/Velotap-update-other"));
        runtime.Write("Velotap/Velotap-update-other/f", "theirs");
        ASSERT_EQ(chown(runtime.File("Velotap/Velotap-update-other").c_str(), 65534, 65534), 0);
    }
    runtime.Write("Velotap/Velotap-settings", "unrelated");

    RemoveStaleUpdateFolders();
    unsetenv("XDG_RUNTIME_DIR");

    EXPECT_FALSE(fs::exists(ours + "/installer.exe"));
    EXPECT_TRUE(fs::exists(ours + "/kept"));
    EXPECT_FALSE(fs::exists(runtime.File("Velotap/Velotap-update-done")));
    EXPECT_TRUE(fs::is_symlink(runtime.File("Velotap/Velotap-update-link")));
    EXPECT_TRUE(fs::exists(elsewhere.File("target/precious")));
    EXPECT_TRUE(fs::exists(runtime.File("Velotap/Velotap-settings")));
    if (root) {
        EXPECT_TRUE(fs::exists(runtime.File("Velotap/Velotap-update-other/f")));
    }
}

#endif

}  // namespace velotap
