#include "platform/linux/gio_session_lock.h"

#include <gio/gio.h>
#include <unistd.h>

namespace velotap {

namespace {

void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
              gpointer self) {
    (*static_cast<std::function<void()>*>(self))();
}

}  // namespace

SessionLockWatch::SessionLockWatch(std::function<void()> onLock) : onLock_(std::move(onLock)) {
    context_ = g_main_context_new();
    g_main_context_push_thread_default(context_);
    GError* error = nullptr;
    bus_ = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
    if (!bus_) {
        g_clear_error(&error);
        return;
    }
    // Only this process's session counts: another user's lock must not stop our tools.
    GVariant* reply = g_dbus_connection_call_sync(
        bus_, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
        "GetSessionByPID", g_variant_new("(u)", static_cast<guint32>(getpid())),
        G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, &error);
    if (!reply) {
        g_clear_error(&error);
        return;
    }
    const gchar* path = nullptr;
    g_variant_get(reply, "(&o)", &path);
    subscription_ = g_dbus_connection_signal_subscribe(
        bus_, "org.freedesktop.login1", "org.freedesktop.login1.Session", "Lock", path, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, OnSignal, &onLock_, nullptr);
    g_variant_unref(reply);
}

SessionLockWatch::~SessionLockWatch() {
    if (subscription_) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    if (bus_) g_object_unref(bus_);
    while (g_main_context_iteration(context_, FALSE)) {
    }
    g_main_context_pop_thread_default(context_);
    g_main_context_unref(context_);
}

void SessionLockWatch::Dispatch() {
    while (g_main_context_iteration(context_, FALSE)) {
    }
}

}  // namespace velotap
