// Realtime scheduling for a timing thread: granted directly where the process may; else through
// rtkit on the system bus (here a stand-in on a private bus that grants as rtkit does, refusing a
// process whose realtime CPU time is unlimited); with neither, silently not.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/realtime.h"

namespace velotap {

namespace {

constexpr int64_t kRtTimeMax = 200000;

// An ordinary user's thread: without CAP_SYS_NICE (capabilities are per thread) and with no
// realtime priority allowed by its limits.
bool DropPrivilege() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    data[0].effective &= ~(1u << CAP_SYS_NICE);
    rlimit none{0, 0};
    return syscall(SYS_capset, &header, data) == 0 && setrlimit(RLIMIT_RTPRIO, &none) == 0;
}

struct Outcome {
    RealtimeGrant grant = RealtimeGrant::NotGranted;
    int policy = -1;
};

Outcome RequestOnThread(bool privileged) {
    Outcome o;
    std::thread t([&] {
        if (!privileged && !DropPrivilege()) return;
        o.grant = RequestRealtime();
        o.policy = sched_getscheduler(0) & ~SCHED_RESET_ON_FORK;
    });
    t.join();
    return o;
}

// rtkit's interface as far as the program uses it.
constexpr const char* kRtkitXml =
    "<node><interface name='org.freedesktop.RealtimeKit1'>"
    "<method name='MakeThreadRealtime'><arg type='t' direction='in'/>"
    "<arg type='u' direction='in'/></method>"
    "<property name='MaxRealtimePriority' type='i' access='read'/>"
    "<property name='RTTimeUSecMax' type='x' access='read'/>"
    "</interface></node>";

void OnCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
            GVariant* parameters, GDBusMethodInvocation* invocation, gpointer) {
    guint64 thread = 0;
    guint32 priority = 0;
    g_variant_get(parameters, "(tu)", &thread, &priority);
    rlimit limit{};
    getrlimit(RLIMIT_RTTIME, &limit);
    sched_param param{};
    param.sched_priority = static_cast<int>(priority);
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > static_cast<rlim_t>(kRtTimeMax) ||
        sched_setscheduler(static_cast<pid_t>(thread), SCHED_RR | SCHED_RESET_ON_FORK, &param)) {
        g_dbus_method_invocation_return_dbus_error(
            invocation, "org.freedesktop.DBus.Error.AccessDenied", "refused");
        return;
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

GVariant* OnProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
                     GError**, gpointer) {
    if (g_strcmp0(name, "MaxRealtimePriority") == 0) return g_variant_new_int32(20);
    return g_variant_new_int64(kRtTimeMax);
}

// The stand-in service, on its own thread and main context.
class FakeRtkit {
  public:
    explicit FakeRtkit(const char* address) {
        thread_ = std::thread([this, address = std::string(address)] {
            GMainContext* context = context_ = g_main_context_new();
            g_main_context_push_thread_default(context);
            GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
                address.c_str(),
                static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                  G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, nullptr, nullptr);
            GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kRtkitXml, nullptr);
            static const GDBusInterfaceVTable vtable{OnCall, OnProperty, nullptr, {}};
            g_dbus_connection_register_object(bus, "/org/freedesktop/RealtimeKit1",
                                              node->interfaces[0], &vtable, nullptr, nullptr,
                                              nullptr);
            GVariant* reply = g_dbus_connection_call_sync(
                bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                "RequestName", g_variant_new("(su)", "org.freedesktop.RealtimeKit1", 0u), nullptr,
                G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
            if (reply) g_variant_unref(reply);
            ready_ = true;
            while (!stop_)
                g_main_context_iteration(context, TRUE);
            g_dbus_node_info_unref(node);
            g_object_unref(bus);
            g_main_context_pop_thread_default(context);
            g_main_context_unref(context);
        });
        while (!ready_)
            std::this_thread::yield();
    }
    ~FakeRtkit() {
        stop_ = true;
        g_main_context_wakeup(context_);
        thread_.join();
    }

  private:
    std::thread thread_;
    GMainContext* context_ = nullptr;  // set before ready_
    std::atomic<bool> ready_{false}, stop_{false};
};

TEST(Realtime, DirectThenRtkitThenSilentlyNot) {
    const Outcome direct = RequestOnThread(true);
    ASSERT_EQ(direct.grant, RealtimeGrant::Direct) << "the tests run as root";
    EXPECT_EQ(direct.policy, SCHED_RR);

    GTestDBus* bus = g_test_dbus_new(G_TEST_DBUS_NONE);
    g_test_dbus_up(bus);
    setenv("DBUS_SYSTEM_BUS_ADDRESS", g_test_dbus_get_bus_address(bus), 1);
    rlimit saved{};
    getrlimit(RLIMIT_RTTIME, &saved);

    const Outcome absent = RequestOnThread(false);
    EXPECT_EQ(absent.grant, RealtimeGrant::NotGranted) << "no rtkit on the bus";
    EXPECT_EQ(absent.policy, SCHED_OTHER);
    {
        FakeRtkit rtkit(g_test_dbus_get_bus_address(bus));
        const Outcome granted = RequestOnThread(false);
        EXPECT_EQ(granted.grant, RealtimeGrant::RealtimeKit);
        EXPECT_EQ(granted.policy, SCHED_RR);
        rlimit limit{};
        getrlimit(RLIMIT_RTTIME, &limit);
        EXPECT_EQ(limit.rlim_max, static_cast<rlim_t>(kRtTimeMax)) << "limited as rtkit asks";
    }

    setrlimit(RLIMIT_RTTIME, &saved);
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    g_test_dbus_down(bus);
    g_object_unref(bus);
}

}  // namespace

}  // namespace velotap
