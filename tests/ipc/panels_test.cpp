// Messages of the command pipe, the panel's command line and page, the panel record and dragging.
#include <gtest/gtest.h>

#include <map>

#include "app/roles.h"
#include "ipc/command_pipe.h"
#include "ipc/panel_drag.h"
#include "ipc/panel_record.h"
#include "ipc/panels.h"
#include "platform/fake/fake_window_host.h"
#include "platform/fake/fake_windows.h"
#include "support/subprocess.h"
#include "window/main_window.h"

namespace velotap {

TEST(PipeMessage, SplitsAtTheFirstBarAfterCuttingAtZero) {
    using namespace std::string_literals;
    const std::pair<std::string, std::optional<std::pair<std::string, std::string>>> cases[] = {
        {"startSpammer|", {{"startSpammer", ""}}},
        {"a|b|c", {{"a", "b|c"}}},
        {"|x", {{"", "x"}}},
        {"no bar", std::nullopt},
        {"a\0|b"s, std::nullopt},
        {"a|b\0c"s, {{"a", "b"}}},
    };
    for (const auto& [text, expected] : cases) {
        std::optional<PipeMessage> m = SplitPipeMessage(text);
        ASSERT_EQ(m.has_value(), expected.has_value()) << text;
        if (m) {
            EXPECT_EQ(std::make_pair(m->command, m->value), *expected) << text;
        }
    }
    for (const auto& [value, expected] :
         std::vector<std::pair<std::string, std::optional<uint32_t>>>{{"7", 7u},
                                                                      {"0000000001", 1u},
                                                                      {"4294967295", 4294967295u},
                                                                      {"4294967296", {}},
                                                                      {"12345678901", {}},
                                                                      {"", {}},
                                                                      {"+1", {}},
                                                                      {"1a", {}}}) {
        EXPECT_EQ(TimelineAckSequence(value), expected) << value;
    }
}

TEST(PanelCommandLine, CarriesTheFieldsTheChildParses) {
    struct Case {
        std::string flattened, theme;
        std::string title, id;
        std::optional<Point> position;
        std::string appliedTheme;
    };
    const Case cases[] = {
        {"Click spammer|panel-spammer|300|200", "dark", "Click spammer", "panel-spammer",
         Point{300, 200}, "dark"},
        {"Keys|panel-keyspam", "velotap", "Keys", "panel-keyspam", std::nullopt, "velotap"},
        {"T|id|12|y", "k", "T", "id", std::nullopt, "k"},
        {"T|id|-5|7", "Ocean (2)", "T", "id", Point{-5, 7}, "Ocean (2)"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = PanelArguments(c.flattened, c.theme);
        std::string line;
        for (const std::string& a : args)
            line += (line.empty() ? "" : " ") + a;
        WindowChoice role = ChooseWindowRole(line);
        ASSERT_EQ(role.role, WindowRole::Panel) << line;
        PanelParams p = ParsePanelParams(role.panelParams);
        EXPECT_EQ(p.title, c.title);
        EXPECT_EQ(p.id, c.id);
        EXPECT_EQ(p.position, c.position) << line;
        EXPECT_EQ(p.theme, c.appliedTheme);
    }
    // Without parameters: the defaults; quotes are dropped; fields beyond the fifth are ignored.
    PanelParams bare = ParsePanelParams("");
    EXPECT_EQ(PanelWindowTitle(bare.title), "Velotap - Panel");
    EXPECT_EQ(bare.id, "");
    EXPECT_FALSE(bare.position);
    EXPECT_EQ(bare.theme, "velotap");
    EXPECT_EQ(ParsePanelParams("\"Q\"|i\"d|1|2|t|x").id, "id");
    EXPECT_EQ(PanelWindowPosition({300, 200}), (Point{150, 180}));
}

TEST(PanelPage, StartScriptGoesBeforeTheLastBodyEndAndCannotBeBrokenOutOf) {
    const std::string script = PanelStartScript("ocean", "x</script><b>");
    EXPECT_EQ(script.find("</script><b>"), std::string::npos);
    EXPECT_NE(script.find(R"(getElementById("x\u003c/script>\u003cb>"))"), std::string::npos);
    EXPECT_NE(script.find(R"(applyTheme("ocean");)"), std::string::npos);
    EXPECT_EQ(InsertBeforeBodyEnd("<body>a</body><p></body>", "S"), "<body>a</body><p>S</body>");
    EXPECT_EQ(InsertBeforeBodyEnd("<p>no end", "S"), "<p>no end");

    TempDir dir;
    EXPECT_EQ(ReadPanelSettings(dir.File("missing")), "{}");
    EXPECT_EQ(ReadPanelSettings(dir.Write("s", "{\"sms\":5}\r\nrest")), "{\"sms\":5}");
}

namespace {

// Its state outlives it: the record deletes the panels it forgets.
struct FakeChild final : ChildProcess {
    FakeChild(uint32_t pid, std::map<uint32_t, bool>& alive) : pid(pid), alive(alive) {
        alive[pid] = true;
    }
    uint32_t Id() const override { return pid; }
    bool Running() override { return alive[pid]; }
    void Terminate() override { alive[pid] = false; }
    uint32_t pid;
    std::map<uint32_t, bool>& alive;
};

}  // namespace

TEST(PanelRecord, ListsLivePanelsAndForgetsEndedOnes) {
    PanelRecord record;
    std::map<uint32_t, bool> alive;
    auto add = [&](const std::string& id, uint32_t pid) {
        record.Add(id, std::make_unique<FakeChild>(pid, alive));
    };
    add("panel-tracker", 1);
    add("panel-spammer", 2);
    add("panel-spammer", 3);  // the same id again: the first one is ended
    EXPECT_FALSE(alive[2]);
    EXPECT_EQ(record.Live(), (std::vector<std::string>{"panel-spammer", "panel-tracker"}));
    EXPECT_EQ(record.ProcessIds(), (std::vector<uint32_t>{3, 1}));

    record.hover.exchange(1);
    EXPECT_EQ(record.Live().size(), 2u);
    EXPECT_EQ(record.hover.load(), 1);  // nothing ended: the hover stays
    alive[1] = false;                   // killed while dragged over the main window
    EXPECT_EQ(record.Live(), std::vector<std::string>{"panel-spammer"});
    EXPECT_EQ(record.hover.load(), 0);

    record.TerminateAll();
    EXPECT_FALSE(alive[3]);
    EXPECT_EQ(record.Live(), std::vector<std::string>{});
}

TEST(PanelDrag, FollowsThePointerAndDocksOnlyWhenReleasedOverTheMainWindow) {
    struct Case {
        std::string what;
        std::vector<Point> moves;
        bool released;
        std::vector<bool> hoverReports;
        bool docked;
    };
    const Case cases[] = {
        {"dropped on the main window", {{250, 250}, {300, 300}}, true, {true, false}, true},
        {"dropped beside it", {{250, 250}, {900, 300}}, true, {true, false}, false},
        {"never over it", {{900, 900}}, true, {}, false},
        {"the hold taken away over it", {{250, 250}}, false, {true, false}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWindowHost host;
        host.frameTop = 0;
        host.MoveTo(600, 500);
        host.cursor = {700, 510};
        FakeDesktop desktop;
        desktop.windows = {{5, "Velotap - Click spammer"}, {9, kMainWindowTitle}};
        desktop.rects[9] = {100, 100, 420, 560};
        std::vector<bool> hover;
        bool docked = false;
        PanelDrag drag(
            host, &desktop, [&](bool h) { hover.push_back(h); }, [&] { docked = true; });
        drag.Begin();
        ASSERT_TRUE(drag.dragging());
        for (Point p : c.moves)
            host.MovePointer(p);
        const Point last = c.moves.back();
        EXPECT_EQ(host.FrameRect()->left, 600 + last.x - 700);
        EXPECT_EQ(host.FrameRect()->top, 500 + last.y - 510);
        host.EndPointerDrag(c.released);
        EXPECT_FALSE(drag.dragging());
        EXPECT_EQ(hover, c.hoverReports);
        EXPECT_EQ(docked, c.docked);
    }
    // No drag at all when the pointer cannot be held.
    FakeWindowHost host;
    host.pointerFree = false;
    PanelDrag drag(
        host, nullptr, [](bool) {}, [] {});
    drag.Begin();
    EXPECT_FALSE(drag.dragging());
}

}  // namespace velotap
