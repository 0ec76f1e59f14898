// The GTK file dialogs under a private X server, answered the way a user would: keys typed into
// the chooser while it runs modally on this thread.
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "platform/file_dialog.h"
#include "support/subprocess.h"
#include "support/wait_for.h"
#include "support/xvfb.h"

namespace velotap {

namespace {

const FileDialogRequest kRequest{
    {{"Velotap Macro (*.vtpmacro)", "*.vtpmacro"}, {"All Files", "*.*"}}, "vtpmacro"};

constexpr const char* kXdotool = "/usr/bin/xdotool";

// Cancels a message box at once: it only tells that the chooser took a name typed wrongly (keys
// lost to its completion on a slow machine), and the chooser then comes back to be answered again.
// Cancels every other dialog once the typing has ended: a chooser that missed its keys must not
// hang the test, however slowly the machine types.
gboolean CancelDialogs(gpointer typingEnded) {
    const bool ended = static_cast<std::atomic<bool>*>(typingEnded)->load();
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* item = toplevels; item != nullptr; item = item->next) {
        if (GTK_IS_MESSAGE_DIALOG(item->data) || (ended && GTK_IS_DIALOG(item->data)))
            gtk_dialog_response(GTK_DIALOG(item->data), GTK_RESPONSE_CANCEL);
    }
    g_list_free(toplevels);
    return G_SOURCE_CONTINUE;
}

bool Visible(const std::string& title) {
    ProcessResult found =
        RunProcess(kXdotool, {"search", "--onlyvisible", "--name", "^" + title + "$"});
    return found.exitCode == 0 && !found.out.empty();
}

bool GoneWithin(const std::string& title, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (Visible(title)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// Waits for the window titled `title`, focuses it, types `text` (when not empty) and presses
// `finish`, and does it all again until the window is gone: a chooser still building itself, or
// its completion, may take keys.
bool Answer(const std::string& title, const std::string& text, const std::string& finish) {
    ProcessResult found =
        RunProcess(kXdotool, {"search", "--sync", "--onlyvisible", "--name", "^" + title + "$"});
    if (found.exitCode != 0 || found.out.empty()) return false;
    const std::string window = found.out.substr(0, found.out.find('\n'));
    for (int attempt = 0; attempt < 10; ++attempt) {
        RunProcess(kXdotool, {"windowfocus", "--sync", window});
        if (!text.empty()) {
            RunProcess(kXdotool, {"key", "ctrl+l"});
            RunProcess(kXdotool, {"key", "ctrl+a"});
            RunProcess(kXdotool, {"type", "--delay", "20", text});
        }
        RunProcess(kXdotool, {"key", finish});
        if (GoneWithin(title, std::chrono::seconds(3))) return true;
    }
    return false;
}

// Runs `show` on this thread (the dialog's nested main loop) while the window titled `title` is
// answered with `text` and `finish` each time it shows, until `show` has returned.
template <typename Show>
std::optional<std::string> Drive(Show show, const std::string& title, const std::string& text,
                                 const std::string& finish) {
    // An earlier dialog's window must be gone from the server before the next one is looked for.
    while (gtk_events_pending())
        gtk_main_iteration();
    gdk_display_sync(gdk_display_get_default());
    std::atomic<bool> returned{false}, typingEnded{false};
    std::future<bool> typed = std::async(std::launch::async, [&] {
        bool ok = Answer(title, text, finish);
        for (int round = 0; ok && round < 5; ++round) {
            if (!WaitFor([&] { return returned.load() || Visible(title); },
                         std::chrono::seconds(30)) ||
                returned.load()) {
                break;
            }
            ok = Answer(title, text, finish);
        }
        typingEnded.store(true);
        return ok;
    });
    const guint guard = g_timeout_add(100, CancelDialogs, &typingEnded);
    std::optional<std::string> chosen = show();
    g_source_remove(guard);
    returned.store(true);
    // The closed dialog leaves the screen only as this thread's main loop runs.
    while (typed.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        while (gtk_events_pending())
            gtk_main_iteration();
    }
    EXPECT_TRUE(typed.get());
    return chosen;
}

class GtkFileDialogTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!x.ok()) GTEST_SKIP() << "no Xvfb";
        unsetenv("GTK_USE_PORTAL");
        setenv("NO_AT_BRIDGE", "1", 1);
        // No session bus: GLib would start one tied to this display and raise SIGTERM in this
        // process when it goes away. The chooser needs only the local file system.
        setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/velotap-test-bus", 1);
        setenv("GIO_USE_VFS", "local", 1);
        setenv("GSETTINGS_BACKEND", "memory", 1);
        ASSERT_TRUE(gtk_init_check(nullptr, nullptr));
    }
    void TearDown() override {
        // Leave the display before its server goes; a lost connection ends the process.
        while (gtk_events_pending())
            gtk_main_iteration();
        if (GdkDisplay* display = gdk_display_get_default()) gdk_display_close(display);
    }
    PrivateXServer x;
    TempDir dir;
    std::unique_ptr<FileDialogs> dialogs = CreateFileDialogs();
};

}  // namespace

// One process, one display: GTK connects once, so the three answers share one test.
TEST_F(GtkFileDialogTest, SaveOpenAndCancel) {
    const std::string typed = dir.path() + "/walk";
    std::optional<std::string> saved =
        Drive([&] { return dialogs->Save(kRequest); }, "Save As", typed, "Return");
    EXPECT_EQ(saved, typed + ".vtpmacro");

    const std::string existing = dir.Write("route.vtpmacro", "Route\r\n");
    std::optional<std::string> opened =
        Drive([&] { return dialogs->Open(kRequest); }, "Open", existing, "Return");
    EXPECT_EQ(opened, existing);

    std::optional<std::string> cancelled =
        Drive([&] { return dialogs->Open(kRequest); }, "Open", "", "Escape");
    EXPECT_EQ(cancelled, std::nullopt);
}

}  // namespace velotap
