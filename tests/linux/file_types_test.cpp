// File types through XDG and the VelotapOpener program, as the desktop meets them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/file_types.h"
#include "platform/file_types.h"
#include "platform/instance_lock.h"
#include "support/subprocess.h"

namespace velotap {

namespace {

namespace fs = std::filesystem;

std::string OpenerPath() {
    return (fs::path(AppPath()).parent_path() / "VelotapOpener").string();
}

// XDG homes of a test's own.
struct XdgHomes {
    TempDir dir;
    XdgHomes() {
        setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
    }
    ~XdgHomes() {
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_CONFIG_HOME");
    }
};

}  // namespace

TEST(FileTypes, RegisteredOnceRepairedAndOthersKept) {
    XdgHomes homes;
    fs::create_directories(homes.dir.File("config"));
    const std::string others =
        "[Default Applications]\ntext/plain=editor.desktop\napplication/x-velotap-theme=other."
        "desktop\n\n[Added Associations]\nimage/png=viewer.desktop;\n";
    homes.dir.Write("config/mimeapps.list", others);

    std::vector<std::string> alerts;
    auto alert = [&alerts](std::string m) { alerts.push_back(std::move(m)); };
    CheckFileTypes(homes.dir.File("nowhere"), alert);
    EXPECT_EQ(alerts, std::vector<std::string>{kOpenerMissingAlert});
    alerts.clear();

    const std::string opener = OpenerPath();
    ASSERT_FALSE(FileTypesInOrder(opener));
    CheckFileTypes(fs::path(opener).parent_path().string(), alert);
    EXPECT_TRUE(alerts.empty());
    EXPECT_TRUE(FileTypesInOrder(opener));
    EXPECT_EQ(ReadWholeFile(homes.dir.File("config/mimeapps.list")),
              "[Default Applications]\ntext/plain=editor.desktop\napplication/x-velotap-theme="
              "velotap-opener.desktop\napplication/x-velotap-macro=velotap-opener.desktop\n\n"
              "[Added Associations]\nimage/png=viewer.desktop;\n");
    const std::string entry =
        ReadWholeFile(homes.dir.File("data/applications/velotap-opener.desktop"));
    EXPECT_NE(entry.find("\nExec=\"" + opener + "\" %f\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nMimeType=application/x-velotap-theme;application/x-velotap-macro;\n"),
              std::string::npos);

    // The database knows the types by name, in any letter case.
    ProcessResult type =
        RunProcess("/usr/bin/xdg-mime", {"query", "filetype", homes.dir.Write("A.VTPTHEME", "{}")},
                   {{"XDG_CURRENT_DESKTOP", "GNOME"}});
    EXPECT_EQ(type.out, "application/x-velotap-theme\n");

    // In order: nothing is written again. A moved installation is repaired.
    const auto written = fs::last_write_time(homes.dir.File("config/mimeapps.list"));
    CheckFileTypes(fs::path(opener).parent_path().string(), alert);
    EXPECT_EQ(fs::last_write_time(homes.dir.File("config/mimeapps.list")), written);
    EXPECT_FALSE(FileTypesInOrder("/moved/VelotapOpener"));
    EXPECT_EQ(RegisterFileTypes("/moved/VelotapOpener"), "");
    EXPECT_TRUE(FileTypesInOrder("/moved/VelotapOpener"));
}

TEST(Opener, CopiesMarksAndExits) {
    TempDir dir;
    const std::string runtime = dir.File("run");
    fs::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    // A running VelotapApp, as far as the opener can tell: its lock is held.
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    bool heldElsewhere = false;
    std::unique_ptr<InstanceLock> lock =
        TryAcquireInstanceLock("Local\\VelotapUI_SingleInstance", heldElsewhere);
    unsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(lock && fs::exists(runtime + "/Velotap/Local_VelotapUI_SingleInstance.lock"));
    const std::vector<std::pair<std::string, std::string>> env = {{"LOCALAPPDATA", dir.path()},
                                                                  {"XDG_RUNTIME_DIR", runtime}};
    const std::string themes = dir.File("Velotap/themes");
    const std::string marker = themes + "/_pending_apply.marker";
    const std::string first = dir.Write("in/Dark.vtptheme", "one");
    const std::string other = dir.Write("other/Dark.VTPTHEME", "two");
    const std::string macro = dir.Write("in/Run.vtpmacro", "m");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* marker;  // null: none
        const char* copied;
    } cases[] = {
        {{}, 0, nullptr, nullptr},
        {{dir.Write("notes.txt", "x")}, 0, nullptr, nullptr},
        {{dir.File("in/Missing.vtptheme")}, 1, nullptr, nullptr},
        {{first}, 0, "THEME:Dark", "Dark.vtptheme"},
        {{first}, 0, "THEME:Dark", "Dark.vtptheme"},  // identical: not copied again
        {{other}, 0, "THEME:Dark (2)", "Dark (2).vtptheme"},
        {{macro, "ignored"}, 0, "MACRO:Run", "Run.vtpmacro"},
    };
    for (const auto& c : cases) {
        fs::remove(marker);
        ProcessResult r = RunProcess(OpenerPath(), c.args, env);
        const std::string label = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(r.exitCode, c.exitCode) << label;
        EXPECT_EQ(r.out, "") << label;
        EXPECT_EQ(fs::exists(marker), c.marker != nullptr) << label;
        if (c.marker) {
            EXPECT_EQ(ReadWholeFile(marker), c.marker) << label;
        }
        if (c.copied) {
            EXPECT_TRUE(fs::exists(themes + "/" + c.copied)) << label;
        }
    }
    EXPECT_EQ(ReadWholeFile(themes + "/Dark (2).vtptheme"), "two");
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(themes))
        ++files;
    EXPECT_EQ(files, 4u);  // Dark, Dark (2), Run and the marker
    lock.reset();

    // It links nothing of the toolkit or the web engine.
    ProcessResult deps = RunProcess("/usr/bin/ldd", {OpenerPath()});
    EXPECT_EQ(deps.exitCode, 0);
    for (const char* library : {"gtk", "webkit", "gdk", "glib", "X11", "curl", "ssl"}) {
        EXPECT_EQ(deps.out.find(library), std::string::npos) << library << "\n" << deps.out;
    }
}

}  // namespace velotap
