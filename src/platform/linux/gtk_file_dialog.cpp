#include "platform/file_dialog.h"

#include <gtk/gtk.h>

#include <filesystem>
#include <memory>
#include <system_error>

namespace velotap {

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

// The window a dialog belongs to: this process's active top-level window, else any visible one.
GtkWindow* OwnerWindow() {
    GList* toplevels = gtk_window_list_toplevels();
    GtkWindow* owner = nullptr;
    for (GList* item = toplevels; item != nullptr; item = item->next) {
        GtkWindow* window = GTK_WINDOW(item->data);
        if (gtk_window_get_window_type(window) != GTK_WINDOW_TOPLEVEL ||
            !gtk_widget_get_visible(GTK_WIDGET(window))) {
            continue;
        }
        if (gtk_window_is_active(window)) {
            owner = window;
            break;
        }
        if (owner == nullptr) owner = window;
    }
    g_list_free(toplevels);
    return owner;
}

void AddFilters(GtkFileChooser* chooser, const FileDialogRequest& request) {
    for (const FileFilter& f : request.filters) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, f.name.c_str());
        // "*.*" means every file, also one without a dot in its name.
        gtk_file_filter_add_pattern(filter, f.pattern == "*.*" ? "*" : f.pattern.c_str());
        gtk_file_chooser_add_filter(chooser, filter);
    }
}

struct Chooser {
    GtkFileChooserAction action;
    const char* title;
    const char* accept;
};

// One run of the chooser; `again` is a path the user chose before that was not usable.
std::optional<std::string> RunChooser(const Chooser& kind, const FileDialogRequest& request,
                                      const std::string& again) {
    std::unique_ptr<GtkFileChooserNative, GObjectUnref> dialog(gtk_file_chooser_native_new(
        kind.title, OwnerWindow(), kind.action, kind.accept, "_Cancel"));
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.get());
    gtk_file_chooser_set_local_only(chooser, TRUE);
    AddFilters(chooser, request);
    if (kind.action == GTK_FILE_CHOOSER_ACTION_SAVE) {
        gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    }
    if (!again.empty()) {
        std::filesystem::path previous(again);
        std::error_code ec;
        if (std::filesystem::is_directory(previous.parent_path(), ec)) {
            gtk_file_chooser_set_current_folder(chooser, previous.parent_path().c_str());
        }
        if (kind.action == GTK_FILE_CHOOSER_ACTION_SAVE) {
            gtk_file_chooser_set_current_name(chooser, previous.filename().c_str());
        }
    }
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(dialog.get()), TRUE);
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog.get())) != GTK_RESPONSE_ACCEPT) {
        return std::nullopt;
    }
    gchar* name = gtk_file_chooser_get_filename(chooser);
    if (name == nullptr) return std::nullopt;
    std::string path(name);
    g_free(name);
    return path;
}

// True when the user answers yes; the dialog belongs to the program's window.
bool AskYesNo(const std::string& question) {
    GtkWidget* box = gtk_message_dialog_new(OwnerWindow(), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION,
                                            GTK_BUTTONS_YES_NO, "%s", question.c_str());
    const bool yes = gtk_dialog_run(GTK_DIALOG(box)) == GTK_RESPONSE_YES;
    gtk_widget_destroy(box);
    return yes;
}

void Tell(const std::string& message) {
    GtkWidget* box = gtk_message_dialog_new(OwnerWindow(), GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING,
                                            GTK_BUTTONS_OK, "%s", message.c_str());
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
}

class GtkFileDialogs final : public FileDialogs {
  public:
    std::optional<std::string> Save(const FileDialogRequest& request) override {
        if (!gtk_init_check(nullptr, nullptr)) return std::nullopt;
        const Chooser kind{GTK_FILE_CHOOSER_ACTION_SAVE, "Save As", "_Save"};
        std::string again;
        for (;;) {
            std::optional<std::string> chosen = RunChooser(kind, request, again);
            if (!chosen) return std::nullopt;
            // The chooser asked about the name as typed; the extension may name another file.
            const std::string path = WithDefaultExtension(*chosen, request.defaultExtension);
            again = path;
            namespace fs = std::filesystem;
            std::error_code ec;
            const fs::path file(path);
            if (!fs::is_directory(file.parent_path(), ec)) {
                Tell("The folder " + file.parent_path().string() + " does not exist.");
                continue;
            }
            if (fs::is_directory(file, ec)) continue;
            if (path != *chosen && fs::exists(file, ec) &&
                !AskYesNo(file.filename().string() +
                          " already exists.\nDo you want to replace it?")) {
                continue;
            }
            return path;
        }
    }

    std::optional<std::string> Open(const FileDialogRequest& request) override {
        if (!gtk_init_check(nullptr, nullptr)) return std::nullopt;
        const Chooser kind{GTK_FILE_CHOOSER_ACTION_OPEN, "Open", "_Open"};
        std::string again;
        for (;;) {
            std::optional<std::string> chosen = RunChooser(kind, request, again);
            if (!chosen) return std::nullopt;
            std::error_code ec;
            if (std::filesystem::is_regular_file(*chosen, ec)) return chosen;
            Tell(*chosen + "\nFile not found.\nCheck the file name and try again.");
            again = *chosen;
        }
    }
};

}  // namespace

std::unique_ptr<FileDialogs> CreateFileDialogs() {
    return std::make_unique<GtkFileDialogs>();
}

}  // namespace velotap
