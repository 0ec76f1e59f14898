#include "platform/pointer_settings.h"

#include <gtk/gtk.h>

namespace velotap {

int32_t DoubleClickTimeMs() {
    // GTK's own default when no settings object exists yet.
    gint ms = 400;
    if (GtkSettings* settings = gtk_settings_get_default())
        g_object_get(settings, "gtk-double-click-time", &ms, nullptr);
    return ms;
}

}  // namespace velotap
