#include "platform/shell.h"

#include <gio/gio.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/linux/xdg_autostart_entry.h"

namespace velotap {

void OpenUri(const std::string& uri) {
    GError* error = nullptr;
    if (!g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error)) g_clear_error(&error);
}

void ShowErrorBox(const std::string& caption, const std::string& text) {
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return;
    }
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                               GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

bool ApplyLaunchOnStartup(bool enable, const std::string& executable) {
    namespace fs = std::filesystem;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        config = std::string(home) + "/.config";
    } else {
        return false;
    }
    fs::path entry = fs::path(config) / "autostart" / "Velotap.desktop";
    std::error_code ec;
    if (!enable) {
        fs::remove(entry, ec);
        return !ec;
    }
    std::optional<std::string> text = AutostartDesktopEntry(executable);
    if (!text) return false;
    fs::create_directories(entry.parent_path(), ec);
    fs::path temp = entry;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << *text;
        if (!out.flush()) return false;
    }
    fs::rename(temp, entry, ec);
    return !ec;
}

}  // namespace velotap
