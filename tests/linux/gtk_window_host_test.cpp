// The real WebKitGTK host under a private X server: bridge calls, posting order across threads,
// asynchronous resolution from another thread, result conventions, messages of other processes.
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <thread>

#include "base/json.h"
#include "bridge/bindings.h"
#include "bridge/page_poster.h"
#include "platform/desktop.h"
#include "platform/window_message.h"
#include "support/wait_for.h"
#include "support/xvfb.h"

// Last: Xlib's macros would break the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace velotap {

namespace {

constexpr const char* kPage = R"(<!doctype html><body><script>
  (async () => {
    report('sync:' + JSON.stringify(await echo(420, "a,b", [1])));
    report('empty:' + String(await nothing()));
    try { await broken(); report('broken:resolved'); }
    catch (e) { report('broken:' + e.message); }
    report('async:' + JSON.stringify(await later(7)));
    report('ready');
  })();
</script></body>)";

// Ends a test that went wrong instead of waiting for ever.
guint TerminateLater(WindowHost& host) {
    return g_timeout_add_seconds(
        60,
        [](gpointer h) {
            static_cast<WindowHost*>(h)->Terminate();
            return G_SOURCE_REMOVE;
        },
        &host);
}

}  // namespace

TEST(GtkWindowHost, BridgeAndPostingFromOtherThreads) {
    PrivateXServer x;
    ASSERT_TRUE(x.ok());
    std::string error;
    std::unique_ptr<WindowHost> host = CreateWindowHost({}, error);
    ASSERT_TRUE(host) << error;

    std::vector<std::string> reports;
    std::thread resolver;
    PagePoster poster;
    poster.Attach(host.get());
    PageBridge bridge(*host);
    BindAll(bridge,
            {
                {"report",
                 [&](const std::string& args) {
                     reports.push_back(JsonArrayElement(args, 0));
                     if (reports.back() == "ready") {
                         // Two threads post; each one's scripts must run in its own order.
                         std::thread a([&] {
                             for (int i = 0; i < 20; ++i)
                                 poster.Post("report('a" + std::to_string(i) + "')");
                         });
                         std::thread b([&] {
                             for (int i = 0; i < 20; ++i)
                                 poster.Post("report('b" + std::to_string(i) + "')");
                         });
                         a.join();
                         b.join();
                         poster.Post(GuardedCall("undefinedCallback", "1") + "report('done')");
                     }
                     if (reports.back() == "done") host->Terminate();
                     return std::string();
                 }},
                {"echo", [](const std::string& args) { return "{\"args\":" + args + "}"; }},
                {"nothing", [](const std::string&) { return std::string(); }},
                {"broken", [](const std::string&) { return std::string("{not json"); }},
                {"later", nullptr,
                 [&](const std::string& id, const std::string& args) {
                     resolver = std::thread([&bridge, id, args] { bridge.Resolve(id, 0, args); });
                 }},
            });
    host->SetHtml(kPage);
    guint guard = TerminateLater(*host);
    host->Run();
    g_source_remove(guard);
    if (resolver.joinable()) resolver.join();

    ASSERT_GE(reports.size(), 5u);
    EXPECT_EQ(reports[0], R"(sync:{"args":[420,"a,b",[1]]})");
    EXPECT_EQ(reports[1], "empty:undefined");
    EXPECT_EQ(reports[2], "broken:Failed to parse binding result as JSON");
    EXPECT_EQ(reports[3], "async:[7]");
    EXPECT_EQ(reports.back(), "done");
    int nextA = 0, nextB = 0;
    for (const std::string& r : reports) {
        if (r[0] == 'a' && r.size() <= 3) {
            EXPECT_EQ(r, "a" + std::to_string(nextA++));
        } else if (r[0] == 'b' && r.size() <= 3) {
            EXPECT_EQ(r, "b" + std::to_string(nextB++));
        }
    }
    EXPECT_EQ(nextA, 20);
    EXPECT_EQ(nextB, 20);
    poster.Detach();
}

// A pop-out panel's window: placed and sized as asked, without decorations but with a thin border
// around the page's area, and seen so by other processes.
TEST(GtkWindowHost, FramelessPanelWindowIsPlacedAsAsked) {
    PrivateXServer x;
    ASSERT_TRUE(x.ok());
    WindowHostOptions options;
    options.title = "Velotap - Test panel";
    options.width = 450;
    options.height = 400;
    options.position = Point{150, 180};
    options.frameless = true;
    std::string error;
    std::unique_ptr<WindowHost> host = CreateWindowHost(options, error);
    ASSERT_TRUE(host) << error;
    host->SetClientSize(300, 200);
    std::optional<Rect> frame = host->FrameRect();
    EXPECT_EQ(frame, (Rect{150, 180, 302, 202}));
    std::unique_ptr<Desktop> desktop = ConnectDesktop();
    ASSERT_TRUE(desktop);
    std::optional<WindowHandle> window =
        desktop->FindTopLevel([&](const std::string& title) { return title == options.title; });
    ASSERT_TRUE(window);
    EXPECT_EQ(desktop->FrameRect(*window), frame);

    // A drag is only taken while the button is down: the page's request comes after its press
    // went through the web view, and a quick click is over by then.
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    EXPECT_FALSE(host->BeginPointerDrag({}));
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, 200, 200);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XSync(display, False);
    bool released = false;
    EXPECT_TRUE(host->BeginPointerDrag({.moved = {}, .ended = [&](bool r) { released = r; }}));
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    EXPECT_TRUE(WaitFor([&] {
        while (gtk_events_pending())
            gtk_main_iteration();
        return released;
    }));
    XCloseDisplay(display);
}

TEST(GtkWindowHost, MessagesOfOtherProcessesReachTheHook) {
    PrivateXServer x;
    ASSERT_TRUE(x.ok());
    std::string error;
    std::unique_ptr<WindowHost> host = CreateWindowHost({}, error);
    ASSERT_TRUE(host) << error;
    host->SetTitle("Velotap message test");
    std::vector<uint32_t> received;
    host->OnWindowMessage([&](uint32_t message, uint64_t wparam, int64_t) {
        received.push_back(message);
        if (wparam == 1) host->Terminate();  // the last one
        return true;
    });
    gdk_display_sync(gdk_display_get_default());
    std::optional<WindowHandle> window = ConnectDesktop()->FindTopLevel(
        [](const std::string& title) { return title == "Velotap message test"; });
    ASSERT_TRUE(window);
    std::unique_ptr<WindowMessenger> messenger = ConnectWindowMessenger();
    ASSERT_TRUE(messenger);
    // Outside the application range: not for the hook.
    for (auto [message, last] : {std::pair{0x0400u, 0u}, {0x8064u, 0u}, {0x8065u, 1u}})
        messenger->Post(*window, message, last, 0);
    guint guard = TerminateLater(*host);
    host->Run();
    g_source_remove(guard);
    EXPECT_EQ(received, (std::vector<uint32_t>{0x8064, 0x8065}));
}

}  // namespace velotap
