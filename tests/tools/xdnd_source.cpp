// A small program of another kind that offers files by XDND, as a file manager does: a window at
// X,Y whose drag carries the given paths as a text/uri-list. It reports on standard output
// "ready" once its window is shown, "accepted" when the window under the pointer accepts the drag,
// and "end" or "failed" when the drag is over; then it exits.
// Usage: velotap_xdnd_source X Y PATH...
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> uris;

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

void OnDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, gpointer) {
    std::vector<gchar*> list;
    for (std::string& uri : uris)
        list.push_back(uri.data());
    list.push_back(nullptr);
    gtk_selection_data_set_uris(data, list.data());
}

void OnActionChanged(GdkDragContext*, GdkDragAction action, gpointer) {
    static bool said = false;
    if (action != 0 && !said) Say("accepted");
    said = said || action != 0;
}

void OnBegin(GtkWidget*, GdkDragContext* context, gpointer) {
    g_signal_connect(context, "action-changed", G_CALLBACK(OnActionChanged), nullptr);
}

gboolean OnFailed(GtkWidget*, GdkDragContext*, GtkDragResult, gpointer) {
    Say("failed");
    gtk_main_quit();
    return FALSE;
}

void OnEnd(GtkWidget*, GdkDragContext*, gpointer) {
    Say("end");
    gtk_main_quit();
}

gboolean OnMapped(GtkWidget*, GdkEvent*, gpointer) {
    gdk_display_sync(gdk_display_get_default());
    Say("ready");
    return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (!gtk_init_check(&argc, &argv) || argc < 4) return 2;
    for (int i = 3; i < argc; ++i) {
        gchar* uri = g_filename_to_uri(argv[i], nullptr, nullptr);
        if (!uri) return 2;
        uris.emplace_back(uri);
        g_free(uri);
    }
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "XDND source");
    gtk_window_move(GTK_WINDOW(window), std::atoi(argv[1]), std::atoi(argv[2]));
    gtk_window_set_default_size(GTK_WINDOW(window), 120, 80);
    GtkWidget* box = gtk_event_box_new();
    gtk_container_add(GTK_CONTAINER(window), box);
    GtkTargetEntry target = {const_cast<gchar*>("text/uri-list"), 0, 0};
    gtk_drag_source_set(box, GDK_BUTTON1_MASK, &target, 1, GDK_ACTION_COPY);
    g_signal_connect(box, "drag-data-get", G_CALLBACK(OnDataGet), nullptr);
    g_signal_connect(box, "drag-begin", G_CALLBACK(OnBegin), nullptr);
    g_signal_connect(box, "drag-failed", G_CALLBACK(OnFailed), nullptr);
    g_signal_connect(box, "drag-end", G_CALLBACK(OnEnd), nullptr);
    g_signal_connect(window, "map-event", G_CALLBACK(OnMapped), nullptr);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
