#include <gtest/gtest.h>

#include "platform/fake/fake_window_host.h"
#include "window/icon.h"
#include "window/main_window.h"

namespace velotap {

TEST(MainWindow, TitleMatching) {
    struct Case {
        const char* title;
        bool match;
    } cases[] = {
        {"Velotap (Studio Version 1.0.1)", true},
        {"Velotap (Studio Version 2.0)", true},
        {"Velotap ( Version )", true},
        {"Velotap Classic (Legacy Edition)", true},
        {"Velotap Classic (Legacy Edition) ", false},
        {"Velotap Version 1", false},
        {"My Velotap (Studio Version 1.0.1)", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsMainWindowTitle(c.title), c.match) << c.title;
}

TEST(MainWindow, GeometryRestoreClipsToTheWorkAreaAndSkipsLostMonitors) {
    FakeWindowHost host;
    MainWindowSettings s;
    RestoreGeometry(host, s);  // never moved: default place
    EXPECT_TRUE(host.calls.empty());

    s.geometryValid = true;
    s.windowX = 50;
    s.windowY = 40;
    s.windowWidth = 3000;
    s.windowHeight = 2000;
    RestoreGeometry(host, s);
    EXPECT_EQ(host.calls.back(), "place 50,40 1280x984");

    host.calls.clear();
    s.windowX = 5000;  // monitor no longer attached
    RestoreGeometry(host, s);
    EXPECT_TRUE(host.calls.empty());
}

TEST(MainWindow, ShowingFollowsTheSettings) {
    struct Case {
        bool maximized, minimized, onTop;
        std::vector<std::string> calls;
    } cases[] = {
        {false, false, false, {"foreground"}},
        {true, false, true, {"maximize", "topmost", "foreground"}},
        {true, true, false, {"minimize"}},  // start minimised wins over maximised
    };
    for (const auto& c : cases) {
        FakeWindowHost host;
        MainWindowSettings s;
        s.windowMaximized = c.maximized;
        s.startMinimized = c.minimized;
        s.alwaysOnTop = c.onTop;
        ShowMainWindow(host, s);
        EXPECT_EQ(host.calls, c.calls);
    }
}

TEST(MainWindow, FitToWorkAreaShrinksAndLifts) {
    FakeWindowHost host;  // work area 0,0 1280x984; frame adds 30 at the top
    host.client = {100, 530, 0, 0};
    FitToWorkArea(host, 420, 560);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"size 420x560", "move 100,394"}));

    host.calls.clear();
    host.client = {100, 130, 0, 0};
    FitToWorkArea(host, 420, 2000);
    // Available 964; frame 2030 -> 964 / 2030 * 2000 = 949 (truncated); the frame (100..1079)
    // then ends 95 below the work area.
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"size 420x2000", "size 420x949", "move 100,5"}));

    host.calls.clear();
    FitToWorkArea(host, 0, 100);
    host.monitors[0].workArea.height = 20;
    FitToWorkArea(host, 100, 100);
    EXPECT_TRUE(host.calls.empty());
}

TEST(MainWindow, ResizeWindowArguments) {
    for (const char* ignored : {"[]", "[420]", R"(["a",300])", "[420,x]"}) {
        FakeWindowHost host;
        ResizeWindowCall(host, ignored);
        EXPECT_EQ(host.setClientSizeCalls, 0) << ignored;
    }
    FakeWindowHost host;
    ResizeWindowCall(host, R"([400,"300"])");
    EXPECT_EQ(host.calls.front(), "size 400x300");
}

TEST(MainWindow, IconIsOpaqueInsideTransparentOutside) {
    IconImage icon = DrawAppIcon(32);
    ASSERT_EQ(icon.rgba.size(), 32u * 32 * 4);
    EXPECT_EQ(icon.rgba[3], 0);                         // corner
    EXPECT_EQ(icon.rgba[(16 * 32 + 16) * 4 + 3], 255);  // centre
}

}  // namespace velotap
