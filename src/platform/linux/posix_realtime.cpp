// SCHED_RR for the calling thread: directly when the process holds the privilege, else through
// rtkit on the system bus, which grants a bounded priority to a thread whose process limits its
// realtime CPU time. Children never inherit it (reset on fork).
#include "platform/realtime.h"

#include <gio/gio.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

namespace velotap {

namespace {

constexpr int kPriority = 10;
constexpr int kBusTimeoutMs = 1000;
constexpr const char* kRtkitName = "org.freedesktop.RealtimeKit1";
constexpr const char* kRtkitPath = "/org/freedesktop/RealtimeKit1";

bool SetDirectly(int priority) {
    sched_param param{};
    param.sched_priority = priority;
    return sched_setscheduler(0, SCHED_RR | SCHED_RESET_ON_FORK, &param) == 0;
}

// One property of rtkit as a 64-bit number; false when it cannot be read.
bool RtkitProperty(GDBusConnection* bus, const char* name, int64_t& value) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, kRtkitName, kRtkitPath, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", kRtkitName, name), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
        kBusTimeoutMs, nullptr, &error);
    if (!reply) {
        g_clear_error(&error);
        return false;
    }
    GVariant* inner = nullptr;
    g_variant_get(reply, "(v)", &inner);
    bool ok = true;
    if (g_variant_is_of_type(inner, G_VARIANT_TYPE_INT32)) {
        value = g_variant_get_int32(inner);
    } else if (g_variant_is_of_type(inner, G_VARIANT_TYPE_INT64)) {
        value = g_variant_get_int64(inner);
    } else {
        ok = false;
    }
    g_variant_unref(inner);
    g_variant_unref(reply);
    return ok;
}

bool ThroughRtkit() {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return false;
    }
    int64_t maxPriority = 0, maxRtTime = 0;
    bool granted = false;
    // rtkit refuses a process whose realtime CPU time is not limited to its bound.
    if (RtkitProperty(bus, "MaxRealtimePriority", maxPriority) && maxPriority > 0 &&
        RtkitProperty(bus, "RTTimeUSecMax", maxRtTime) && maxRtTime > 0) {
        rlimit limit{};
        getrlimit(RLIMIT_RTTIME, &limit);
        const rlim_t bound = static_cast<rlim_t>(maxRtTime);
        if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > bound) {
            limit.rlim_cur = limit.rlim_max = bound;
        }
        limit.rlim_cur = std::min(limit.rlim_cur, limit.rlim_max);
        const guint32 priority = static_cast<guint32>(std::min<int64_t>(kPriority, maxPriority));
        const guint64 thread = static_cast<guint64>(syscall(SYS_gettid));
        GVariant* reply = nullptr;
        if (setrlimit(RLIMIT_RTTIME, &limit) == 0) {
            reply = g_dbus_connection_call_sync(
                bus, kRtkitName, kRtkitPath, kRtkitName, "MakeThreadRealtime",
                g_variant_new("(tu)", thread, priority), nullptr, G_DBUS_CALL_FLAGS_NONE,
                kBusTimeoutMs, nullptr, &error);
        }
        if (reply) {
            g_variant_unref(reply);
            granted = true;
        }
        g_clear_error(&error);
    }
    g_object_unref(bus);
    return granted;
}

}  // namespace

RealtimeGrant RequestRealtime() {
    if (SetDirectly(kPriority)) return RealtimeGrant::Direct;
    return ThroughRtkit() ? RealtimeGrant::RealtimeKit : RealtimeGrant::NotGranted;
}

}  // namespace velotap
