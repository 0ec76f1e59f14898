// The window host over GTK 3 and WebKitGTK 4.1.
#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <csignal>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "platform/window_host.h"

namespace velotap {

namespace {

// Browser keys that would reload, navigate, search, zoom, print or open the inspector.
bool IsBrowserAccelerator(const GdkEventKey* key) {
    const guint state = key->state & gtk_accelerator_get_default_mod_mask();
    const bool ctrl = state & GDK_CONTROL_MASK, alt = state & GDK_MOD1_MASK;
    switch (gdk_keyval_to_lower(key->keyval)) {
        case GDK_KEY_F5:
        case GDK_KEY_F3:
        case GDK_KEY_F7:
        case GDK_KEY_F12:
            return true;
        case GDK_KEY_Left:
        case GDK_KEY_Right:
            return alt;
        case GDK_KEY_r:
        case GDK_KEY_f:
        case GDK_KEY_g:
        case GDK_KEY_p:
        case GDK_KEY_i:
        case GDK_KEY_j:
        case GDK_KEY_u:
        case GDK_KEY_plus:
        case GDK_KEY_minus:
        case GDK_KEY_equal:
        case GDK_KEY_0:
        case GDK_KEY_KP_Add:
        case GDK_KEY_KP_Subtract:
            return ctrl;
        default:
            return false;
    }
}

gboolean RunDispatched(gpointer data) {
    (*static_cast<std::function<void()>*>(data))();
    return G_SOURCE_REMOVE;
}

void FreeDispatched(gpointer data) {
    delete static_cast<std::function<void()>*>(data);
}

class WebKitHost final : public WindowHost {
  public:
    explicit WebKitHost(const WindowHostOptions& options) {
        WebKitWebContext* context = webkit_web_context_get_default();
        if (options.automation) {
            webkit_web_context_set_automation_allowed(context, TRUE);
            g_signal_connect(context, "automation-started", G_CALLBACK(OnAutomationStarted), this);
        }
        manager_ = webkit_user_content_manager_new();
        g_signal_connect(manager_, "script-message-received::velotap", G_CALLBACK(OnMessage), this);
        webkit_user_content_manager_register_script_message_handler(manager_, "velotap");

        view_ = WEBKIT_WEB_VIEW(g_object_new(
            WEBKIT_TYPE_WEB_VIEW, "web-context", context, "user-content-manager", manager_,
            "is-controlled-by-automation", options.automation ? TRUE : FALSE, nullptr));
        WebKitSettings* settings = webkit_web_view_get_settings(view_);
        g_object_set(settings, "enable-developer-extras", FALSE,
                     "enable-back-forward-navigation-gestures", FALSE,
                     "enable-write-console-messages-to-stdout", FALSE, nullptr);
        g_signal_connect(view_, "context-menu", G_CALLBACK(OnContextMenu), this);
        g_signal_connect(view_, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
        g_signal_connect(view_, "scroll-event", G_CALLBACK(OnScroll), this);
        g_signal_connect(view_, "close", G_CALLBACK(OnViewClose), this);
        // Files dragged in from other programs are ours, not the page's (it would open them).
        g_signal_connect(view_, "drag-motion", G_CALLBACK(OnDragMotion), this);
        g_signal_connect(view_, "drag-leave", G_CALLBACK(OnDragLeave), this);
        g_signal_connect(view_, "drag-drop", G_CALLBACK(OnDragDrop), this);
        g_signal_connect(view_, "drag-data-received", G_CALLBACK(OnDragDataReceived), this);

        window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        g_object_ref_sink(window_);
        gtk_container_add(GTK_CONTAINER(window_), GTK_WIDGET(view_));
        if (!options.title.empty())
            gtk_window_set_title(GTK_WINDOW(window_), options.title.c_str());
        if (options.width > 0 && options.height > 0) {
            gtk_window_set_default_size(GTK_WINDOW(window_), options.width, options.height);
        }
        if (options.position) {
            gtk_window_move(GTK_WINDOW(window_), options.position->x, options.position->y);
        }
        if (options.frameless) {
            // No decorations of the window manager's; the window's own background shows as a
            // thin border around the page.
            gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
            border_ = 1;
            gtk_container_set_border_width(GTK_CONTAINER(window_), border_);
        }
        if (options.minWidth > 0 && options.minHeight > 0) {
            GdkGeometry hints{};
            hints.min_width = options.minWidth;
            hints.min_height = options.minHeight;
            gtk_window_set_geometry_hints(GTK_WINDOW(window_), nullptr, &hints, GDK_HINT_MIN_SIZE);
        }
        gtk_widget_add_events(window_, GDK_POINTER_MOTION_MASK | GDK_BUTTON_RELEASE_MASK);
        g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
        g_signal_connect(window_, "configure-event", G_CALLBACK(OnConfigure), this);
        g_signal_connect(window_, "window-state-event", G_CALLBACK(OnWindowState), this);
        g_signal_connect(window_, "focus-in-event", G_CALLBACK(OnFocusIn), this);
        g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
        g_signal_connect(window_, "destroy", G_CALLBACK(OnDestroy), this);
        g_signal_connect(window_, "motion-notify-event", G_CALLBACK(OnMotion), this);
        g_signal_connect(window_, "button-release-event", G_CALLBACK(OnButtonRelease), this);
        g_signal_connect(window_, "grab-broken-event", G_CALLBACK(OnGrabBroken), this);
        gtk_widget_show_all(window_);
        // A log-out, `kill` or Ctrl+C closes the window as the user does, so the normal shut-down
        // runs and saves; GLib hands the signal to this loop instead of acting in the handler.
        for (int signal : {SIGTERM, SIGINT, SIGHUP})
            signalSources_.push_back(g_unix_signal_add(signal, OnEndSignal, this));
    }

    ~WebKitHost() override {
        for (guint source : signalSources_)
            g_source_remove(source);
        if (settleTimer_) g_source_remove(settleTimer_);
        if (filtered_ && !destroyed_) gdk_window_remove_filter(filtered_, OnXEvent, this);
        if (window_) {
            if (!destroyed_) gtk_widget_destroy(window_);
            g_object_unref(window_);
        }
        g_object_unref(manager_);
    }

    // An end signal can close the window while the program is still preparing it (a geometry
    // change runs the main loop); the view is gone with it, so later calls do nothing.
    void SetTitle(const std::string& title) override {
        if (destroyed_) return;
        gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
    }

    void SetHtml(const std::string& html) override {
        if (destroyed_) return;
        webkit_web_view_load_html(view_, html.c_str(), nullptr);
    }

    void AddStartScript(const std::string& source) override {
        if (destroyed_) return;
        WebKitUserScript* script =
            webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                   WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
        webkit_user_content_manager_add_script(manager_, script);
        webkit_user_script_unref(script);
    }

    std::string PagePostFunction() const override {
        return "function (text) { window.webkit.messageHandlers.velotap.postMessage(text); }";
    }

    void OnPageMessage(std::function<void(const std::string&)> fn) override {
        onMessage_ = std::move(fn);
    }

    void Dispatch(std::function<void()> work) override {
        g_idle_add_full(G_PRIORITY_DEFAULT, RunDispatched,
                        new std::function<void()>(std::move(work)), FreeDispatched);
    }

    void Eval(const std::string& script) override {
        if (destroyed_) return;
        webkit_web_view_evaluate_javascript(view_, script.c_str(), -1, nullptr, nullptr, nullptr,
                                            nullptr, nullptr);
    }

    void Run() override {
        if (!destroyed_) gtk_main();
    }

    void Terminate() override {
        if (gtk_main_level() > 0) gtk_main_quit();
    }

    // The client area is the page's: a frameless window's border is added around it.
    void SetClientSize(int width, int height) override {
        if (destroyed_) return;
        OwnChange change(*this);
        gtk_window_resize(GTK_WINDOW(window_), width + 2 * border_, height + 2 * border_);
        Flush([&] { return HasClientSize(width + 2 * border_, height + 2 * border_); });
    }

    std::optional<Rect> FrameRect() override {
        GdkWindow* gdk = destroyed_ ? nullptr : gtk_widget_get_window(window_);
        if (!gdk) return std::nullopt;
        GdkRectangle r;
        gdk_window_get_frame_extents(gdk, &r);
        return Rect{r.x, r.y, r.width, r.height};
    }

    void MoveTo(int left, int top) override {
        if (destroyed_) return;
        OwnChange change(*this);
        gtk_window_move(GTK_WINDOW(window_), left, top);
        Flush([&] { return HasFramePosition(left, top); });
    }

    void MoveResize(const Rect& frame) override {
        if (destroyed_) return;
        OwnChange change(*this);
        gtk_window_move(GTK_WINDOW(window_), frame.left, frame.top);
        gtk_window_resize(GTK_WINDOW(window_), frame.width, frame.height);
        Flush([&] { return HasClientSize(frame.width, frame.height); });
    }

    std::optional<WindowPlacement> Placement() override {
        if (destroyed_ || !gtk_widget_get_window(window_)) return std::nullopt;
        WindowPlacement p;
        p.maximized = gtk_window_is_maximized(GTK_WINDOW(window_));
        if (p.maximized && normalKnown_) {
            p.normal = normal_;
        } else {
            p.normal = CurrentNormal();
        }
        return p;
    }

    std::optional<Rect> WorkAreaAt(int x, int y) override {
        GdkDisplay* display = gdk_display_get_default();
        for (int i = 0, n = gdk_display_get_n_monitors(display); i < n; ++i) {
            GdkMonitor* monitor = gdk_display_get_monitor(display, i);
            GdkRectangle g;
            gdk_monitor_get_geometry(monitor, &g);
            if (Rect{g.x, g.y, g.width, g.height}.Contains(x, y)) return WorkArea(monitor);
        }
        return std::nullopt;
    }

    std::optional<Rect> WorkAreaNearest() override {
        GdkWindow* gdk = gtk_widget_get_window(window_);
        GdkDisplay* display = gdk_display_get_default();
        GdkMonitor* monitor = gdk ? gdk_display_get_monitor_at_window(display, gdk)
                                  : gdk_display_get_primary_monitor(display);
        if (!monitor) return std::nullopt;
        return WorkArea(monitor);
    }

    void Maximize() override {
        if (destroyed_) return;
        OwnChange change(*this);
        gtk_window_maximize(GTK_WINDOW(window_));
    }

    void Minimize() override {
        if (destroyed_) return;
        OwnChange change(*this);
        gtk_window_iconify(GTK_WINDOW(window_));
    }

    void SetTopmost(bool topmost) override {
        if (destroyed_) return;
        gtk_window_set_keep_above(GTK_WINDOW(window_), topmost);
    }

    void ForceForeground() override {
        if (destroyed_) return;
        GdkWindow* gdk = gtk_widget_get_window(window_);
        guint32 time = gdk ? gdk_x11_get_server_time(gdk) : GDK_CURRENT_TIME;
        gtk_window_present_with_time(GTK_WINDOW(window_), time);
    }

    void SetIcons(const IconImage& big, const IconImage& small) override {
        if (destroyed_) return;
        GList* icons = nullptr;
        for (const IconImage* image : {&big, &small}) {
            if (image->size <= 0) continue;
            GBytes* bytes = g_bytes_new(image->rgba.data(), image->rgba.size());
            GdkPixbuf* pixbuf = gdk_pixbuf_new_from_bytes(
                bytes, GDK_COLORSPACE_RGB, TRUE, 8, image->size, image->size, image->size * 4);
            g_bytes_unref(bytes);
            icons = g_list_append(icons, pixbuf);
        }
        gtk_window_set_icon_list(GTK_WINDOW(window_), icons);
        g_list_free_full(icons, g_object_unref);
    }

    void OnPlacementSettled(std::function<void(const WindowPlacement&)> fn) override {
        onPlacement_ = std::move(fn);
    }

    void OnFilesDropped(std::function<void(const std::vector<std::string>&)> fn) override {
        onDrop_ = std::move(fn);
    }

    std::optional<Point> BeginPointerDrag(PointerDrag drag) override {
        GdkWindow* gdk = gtk_widget_get_window(window_);
        if (destroyed_ || !gdk || dragging_) return std::nullopt;
        GdkDisplay* display = gdk_window_get_display(gdk);
        GdkSeat* seat = gdk_display_get_default_seat(display);
        GdkCursor* cursor = gdk_cursor_new_from_name(display, "move");
        // The window takes every pointer event until the button is let go, wherever the pointer
        // goes; the page sees none of them meanwhile.
        const GdkGrabStatus status = gdk_seat_grab(seat, gdk, GDK_SEAT_CAPABILITY_ALL_POINTING,
                                                   FALSE, cursor, nullptr, nullptr, nullptr);
        if (cursor) g_object_unref(cursor);
        if (status != GDK_GRAB_SUCCESS) return std::nullopt;
        // The page asks for the drag after its button press has travelled through the web view; a
        // quick click is over by then, and a drag without the button down would follow the
        // pointer until the next click. Asked after the grab, so a release from now on is ours.
        GdkDevice* pointer = gdk_seat_get_pointer(seat);
        GdkModifierType buttons{};
        gdk_device_get_state(pointer, gdk, nullptr, &buttons);
        if (!(buttons & GDK_BUTTON1_MASK)) {
            gdk_seat_ungrab(seat);
            return std::nullopt;
        }
        int x = 0, y = 0;
        gdk_device_get_position(pointer, nullptr, &x, &y);
        drag_ = std::move(drag);
        dragging_ = true;
        return Point{x, y};
    }

    void OnWindowMessage(
        std::function<bool(uint32_t message, uint64_t wparam, int64_t lparam)> fn) override {
        onWindowMessage_ = std::move(fn);
        if (filtered_ || destroyed_) return;
        filtered_ = gtk_widget_get_window(window_);
        if (filtered_) gdk_window_add_filter(filtered_, OnXEvent, this);
    }

    void Close() override {
        Dispatch([this] {
            if (!destroyed_) gtk_window_close(GTK_WINDOW(window_));
        });
    }

    void OnCloseRequested(std::function<bool()> fn) override { onClose_ = std::move(fn); }

  private:
    void EndDrag(bool released, bool ungrab) {
        if (!dragging_) return;
        dragging_ = false;
        if (ungrab) {
            gdk_seat_ungrab(gdk_display_get_default_seat(gtk_widget_get_display(window_)));
        }
        PointerDrag drag = std::move(drag_);
        drag_ = {};
        if (drag.ended) drag.ended(released);
    }

    static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self) {
        auto* host = static_cast<WebKitHost*>(self);
        if (!host->dragging_ || !host->drag_.moved) return FALSE;
        std::optional<Point> to = host->drag_.moved(
            Point{static_cast<int>(event->x_root), static_cast<int>(event->y_root)});
        if (to) gtk_window_move(GTK_WINDOW(host->window_), to->x, to->y);
        return TRUE;
    }

    static gboolean OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer self) {
        auto* host = static_cast<WebKitHost*>(self);
        if (!host->dragging_ || event->button != 1) return FALSE;
        host->EndDrag(true, true);
        return TRUE;
    }

    static gboolean OnGrabBroken(GtkWidget*, GdkEventGrabBroken*, gpointer self) {
        static_cast<WebKitHost*>(self)->EndDrag(false, false);
        return FALSE;
    }

    static Rect WorkArea(GdkMonitor* monitor) {
        GdkRectangle w;
        gdk_monitor_get_workarea(monitor, &w);
        return Rect{w.x, w.y, w.width, w.height};
    }

    Rect CurrentNormal() {
        int x = 0, y = 0, w = 0, h = 0;
        gtk_window_get_position(GTK_WINDOW(window_), &x, &y);
        gtk_window_get_size(GTK_WINDOW(window_), &w, &h);
        return Rect{x, y, w, h};
    }

    // The window's geometry and state as the user would change them.
    struct Geometry {
        Rect frame;
        int width = 0, height = 0;
        bool maximized = false, iconified = false;
        bool operator==(const Geometry&) const = default;
    };

    Geometry Current() {
        Geometry g;
        if (GdkWindow* gdk = gtk_widget_get_window(window_)) {
            g.frame = FrameRect().value_or(Rect{});
            g.width = gdk_window_get_width(gdk);
            g.height = gdk_window_get_height(gdk);
            g.iconified = (gdk_window_get_state(gdk) & GDK_WINDOW_STATE_ICONIFIED) != 0;
        }
        g.maximized = gtk_window_is_maximized(GTK_WINDOW(window_));
        return g;
    }

    // Geometry changes the program makes itself are not the user's move or resize: they are told
    // apart by what they set, not by when they come. Events while the change is applied are its
    // own, and so is a later event that shows the window exactly as the change left it.
    class OwnChange {
      public:
        explicit OwnChange(WebKitHost& host) : host_(host) { ++host_.applying_; }
        ~OwnChange() {
            if (--host_.applying_ == 0) host_.own_ = host_.Current();
        }
        OwnChange(const OwnChange&) = delete;
        OwnChange& operator=(const OwnChange&) = delete;

      private:
        WebKitHost& host_;
    };

    bool ShowsOwnChange() { return applying_ > 0 || (own_ && Current() == *own_); }

    // GTK applies geometry on its next frame and learns the result from the X server later still;
    // callers read the window back at once, so wait (briefly: a window manager may refuse).
    void Flush(const std::function<bool()>& done) {
        const gint64 deadline = g_get_monotonic_time() + 500 * 1000;
        do {
            while (gtk_events_pending())
                gtk_main_iteration_do(FALSE);
            if (done()) return;
            gdk_display_sync(gdk_display_get_default());
            g_usleep(1000);
        } while (g_get_monotonic_time() < deadline);
    }

    bool HasClientSize(int width, int height) {
        GdkWindow* gdk = gtk_widget_get_window(window_);
        return gdk && gdk_window_get_width(gdk) == width && gdk_window_get_height(gdk) == height;
    }

    bool HasFramePosition(int left, int top) {
        std::optional<Rect> frame = FrameRect();
        return frame && frame->left == left && frame->top == top;
    }

    void ScheduleSettle() {
        if (!gtk_widget_get_mapped(window_) || ShowsOwnChange()) return;
        if (settleTimer_) g_source_remove(settleTimer_);
        settleTimer_ = g_timeout_add(300, OnSettleTimer, this);
    }

    void Settle() {
        if (!onPlacement_) return;
        if (auto p = Placement()) onPlacement_(*p);
    }

    static void OnMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                          gpointer self) {
        JSCValue* value = webkit_javascript_result_get_js_value(result);
        if (!jsc_value_is_string(value)) return;
        gchar* text = jsc_value_to_string(value);
        auto* host = static_cast<WebKitHost*>(self);
        if (host->onMessage_) host->onMessage_(text ? text : "");
        g_free(text);
    }

    // Other processes post their window messages as ClientMessage events (x11_window_message).
    static GdkFilterReturn OnXEvent(GdkXEvent* native, GdkEvent*, gpointer self) {
        auto* host = static_cast<WebKitHost*>(self);
        const XEvent* event = static_cast<XEvent*>(native);
        if (event->type != ClientMessage || !host->onWindowMessage_ ||
            event->xclient.message_type !=
                gdk_x11_get_xatom_by_name_for_display(gdk_window_get_display(host->filtered_),
                                                      "VELOTAP_WINDOW_MESSAGE")) {
            return GDK_FILTER_CONTINUE;
        }
        const long* data = event->xclient.data.l;
        const auto message = static_cast<uint32_t>(data[0]);
        if (message < 0x8000 || message > 0xBFFF) return GDK_FILTER_CONTINUE;
        return host->onWindowMessage_(message, static_cast<uint64_t>(data[1]),
                                      static_cast<int64_t>(data[2]))
                   ? GDK_FILTER_REMOVE
                   : GDK_FILTER_CONTINUE;
    }

    static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*,
                                  WebKitHitTestResult*, gpointer) {
        return TRUE;
    }

    static gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer) {
        return (event->state & GDK_CONTROL_MASK) ? TRUE : FALSE;  // no zoom
    }

    static gboolean OnKeyPress(GtkWidget*, GdkEventKey* key, gpointer) {
        return IsBrowserAccelerator(key) ? TRUE : FALSE;
    }

    // Only our own page is shown.
    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, gpointer) {
        if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
        if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
            WebKitNavigationAction* action =
                webkit_navigation_policy_decision_get_navigation_action(
                    WEBKIT_NAVIGATION_POLICY_DECISION(decision));
            const gchar* uri =
                webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
            if (uri && g_str_has_prefix(uri, "about:")) return FALSE;
        }
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }

    // A drag from another program that carries a file list. Drags inside the page (the panels'
    // reordering) start in the view itself and stay the page's.
    bool IsFileDrag(GdkDragContext* context) const {
        if (gtk_drag_get_source_widget(context) == GTK_WIDGET(view_)) return false;
        const GdkAtom uriList = gdk_atom_intern_static_string("text/uri-list");
        for (GList* t = gdk_drag_context_list_targets(context); t; t = t->next) {
            if (GDK_POINTER_TO_ATOM(t->data) == uriList) return true;
        }
        return false;
    }

    // Returning TRUE ends the signal before the view's own handler sees it.
    static gboolean OnDragMotion(GtkWidget*, GdkDragContext* context, gint, gint, guint time,
                                 gpointer self) {
        if (!static_cast<WebKitHost*>(self)->IsFileDrag(context)) return FALSE;
        const GdkDragAction action = (gdk_drag_context_get_actions(context) & GDK_ACTION_COPY)
                                         ? GDK_ACTION_COPY
                                         : gdk_drag_context_get_suggested_action(context);
        gdk_drag_status(context, action, time);
        return TRUE;
    }

    static void OnDragLeave(GtkWidget* widget, GdkDragContext* context, guint, gpointer self) {
        if (static_cast<WebKitHost*>(self)->IsFileDrag(context)) {
            g_signal_stop_emission_by_name(widget, "drag-leave");
        }
    }

    static gboolean OnDragDrop(GtkWidget* widget, GdkDragContext* context, gint, gint, guint time,
                               gpointer self) {
        auto* host = static_cast<WebKitHost*>(self);
        if (!host->IsFileDrag(context)) return FALSE;
        host->fileDrop_ = context;
        gtk_drag_get_data(widget, context, gdk_atom_intern_static_string("text/uri-list"), time);
        return TRUE;
    }

    // The dropped list: local file URIs, percent-decoded; anything else is left out.
    static void OnDragDataReceived(GtkWidget* widget, GdkDragContext* context, gint, gint,
                                   GtkSelectionData* data, guint, guint time, gpointer self) {
        auto* host = static_cast<WebKitHost*>(self);
        if (context != host->fileDrop_) return;
        host->fileDrop_ = nullptr;
        g_signal_stop_emission_by_name(widget, "drag-data-received");
        std::vector<std::string> paths;
        if (gchar** uris = gtk_selection_data_get_uris(data)) {
            for (gchar** uri = uris; *uri; ++uri) {
                if (gchar* path = g_filename_from_uri(*uri, nullptr, nullptr)) {
                    paths.emplace_back(path);
                    g_free(path);
                }
            }
            g_strfreev(uris);
        }
        gtk_drag_finish(context, TRUE, FALSE, time);
        if (host->onDrop_) host->onDrop_(paths);
    }

    // The urgency hint set when a hand-over could not bring the window forward has done its work.
    static gboolean OnFocusIn(GtkWidget* window, GdkEventFocus*, gpointer) {
        if (GdkWindow* gdk = gtk_widget_get_window(window)) gdk_window_set_urgency_hint(gdk, FALSE);
        return FALSE;
    }

    static gboolean OnConfigure(GtkWidget*, GdkEventConfigure*, gpointer self) {
        auto* host = static_cast<WebKitHost*>(self);
        if (!gtk_window_is_maximized(GTK_WINDOW(host->window_))) {
            host->normal_ = host->CurrentNormal();
            host->normalKnown_ = true;
        }
        host->ScheduleSettle();
        return FALSE;
    }

    static gboolean OnWindowState(GtkWidget*, GdkEventWindowState*, gpointer self) {
        static_cast<WebKitHost*>(self)->ScheduleSettle();
        return FALSE;
    }

    static gboolean OnSettleTimer(gpointer self) {
        auto* host = static_cast<WebKitHost*>(self);
        host->settleTimer_ = 0;
        host->Settle();
        return G_SOURCE_REMOVE;
    }

    // The window manager's close request (WM_DELETE_WINDOW) and Close both arrive here.
    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
        auto* host = static_cast<WebKitHost*>(self);
        if (host->onClose_ && !host->onClose_()) return TRUE;
        host->Settle();
        return FALSE;
    }

    // The view asks to close (an automation session ending): close the window like the user does,
    // without asking the owner first.
    static void OnViewClose(WebKitWebView*, gpointer self) {
        static_cast<WebKitHost*>(self)->Destroy();
    }

    static gboolean OnEndSignal(gpointer self) {
        static_cast<WebKitHost*>(self)->Destroy();
        return G_SOURCE_CONTINUE;
    }

    void Destroy() {
        if (destroyed_) return;
        Settle();
        gtk_widget_destroy(window_);
    }

    static void OnDestroy(GtkWidget*, gpointer self) {
        auto* host = static_cast<WebKitHost*>(self);
        host->destroyed_ = true;
        host->Terminate();
    }

    static WebKitWebView* OnCreateWebView(WebKitAutomationSession*, gpointer self) {
        auto* host = static_cast<WebKitHost*>(self);
        return host->destroyed_ ? nullptr : host->view_;
    }

    static void OnAutomationStarted(WebKitWebContext*, WebKitAutomationSession* session,
                                    gpointer self) {
        WebKitApplicationInfo* info = webkit_application_info_new();
        webkit_application_info_set_name(info, "Velotap");
        webkit_application_info_set_version(info, 1, 0, 1);
        webkit_automation_session_set_application_info(session, info);
        webkit_application_info_unref(info);
        g_signal_connect(session, "create-web-view", G_CALLBACK(OnCreateWebView), self);
    }

    GtkWidget* window_ = nullptr;
    WebKitWebView* view_ = nullptr;
    WebKitUserContentManager* manager_ = nullptr;
    std::function<void(const std::string&)> onMessage_;
    std::function<void(const WindowPlacement&)> onPlacement_;
    std::function<void(const std::vector<std::string>&)> onDrop_;
    GdkDragContext* fileDrop_ = nullptr;  // the drop whose file list was asked for
    std::function<bool(uint32_t, uint64_t, int64_t)> onWindowMessage_;
    GdkWindow* filtered_ = nullptr;
    std::function<bool()> onClose_;
    PointerDrag drag_;
    bool dragging_ = false;
    int border_ = 0;
    Rect normal_;
    bool normalKnown_ = false;
    bool destroyed_ = false;
    guint settleTimer_ = 0;
    std::vector<guint> signalSources_;
    int applying_ = 0;             // own geometry changes in progress
    std::optional<Geometry> own_;  // the window as the last own change left it
};

}  // namespace

DisplayChoice ChooseDisplay() {
    DisplayChoice choice;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool waylandSession = wayland && *wayland;
    Display* x = XOpenDisplay(nullptr);
    if (!x) {
        choice.usable = false;
        choice.error =
            waylandSession
                ? "Velotap needs an X display, and this Wayland session offers none (DISPLAY is "
                  "not set or XWayland is not running). Its hotkeys, recording and input work "
                  "through X11 only; start it where XWayland is available."
                : "Velotap needs a graphical display, and none could be opened (is DISPLAY set?).";
        return choice;
    }
    XCloseDisplay(x);
    // Our own windows on the same server as the input we observe and send.
    gdk_set_allowed_backends("x11");
    if (waylandSession) {
        choice.notice =
            "This is a Wayland session: Velotap runs on XWayland, so its global hotkeys, "
            "recording and synthesised input reach only X11 applications, not native Wayland "
            "windows.";
    }
    return choice;
}

std::unique_ptr<WindowHost> CreateWindowHost(const WindowHostOptions& options, std::string& error) {
    static const bool gtkReady = gtk_init_check(nullptr, nullptr);
    if (!gtkReady) {
        error = "Velotap needs a graphical display, and none could be opened (is DISPLAY set?).";
        return nullptr;
    }
    return std::make_unique<WebKitHost>(options);
}

}  // namespace velotap
