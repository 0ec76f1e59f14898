#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "macro_builder.h"
#include "scan/macro_scan.h"

namespace velotap {

using namespace MacroScan;

namespace {

using vk::Key;
using M = MacroBuilder;

std::string Match(const char* id, const char* severity, const char* at) {
    return std::string("{\"id\":\"") + id + "\",\"severity\":\"" + severity + "\",\"atSec\":" + at +
           "}";
}
std::string D(const char* id, const char* at) {
    return Match(id, "DANGER", at);
}
std::string C(const char* id, const char* at) {
    return Match(id, "CAUTION", at);
}
std::string Result(const char* level, std::initializer_list<std::string> matches) {
    std::string out = std::string("{\"level\":\"") + level + "\",\"matches\":[";
    bool first = true;
    for (const auto& m : matches) {
        out += (first ? "" : ",") + m;
        first = false;
    }
    return out + "]}";
}

struct Case {
    const char* name;
    MacroBuilder macro;
    std::string want;
};

void Check(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        EXPECT_EQ(ScanResultToJson(ScanMacro(c.macro.events())), c.want) << c.name;
    }
}

}  // namespace

TEST(ScanScenarios, CatalogueOrderAndSeverities) {
    const char* ids[] = {
        "run-command",     "admin-approve",    "power-menu",        "start-launch",
        "copy-paste-send", "screenshot-paste", "select-all-delete", "permanent-delete",
        "wipe-and-save",   "open-address",     "copy-paste",        "type-and-send",
        "close-windows",   "task-manager",     "switch-windows",    "system-keys"};
    const auto& list = Scenarios();
    ASSERT_EQ(list.size(), std::size(ids));
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].id, ids[i]);
        EXPECT_EQ(list[i].severity, i < 9 ? "DANGER" : "CAUTION") << ids[i];
        EXPECT_FALSE(list[i].label.empty());
        EXPECT_FALSE(list[i].message.empty());
    }
    // Built once, whichever thread asks first.
    const std::vector<Scenario>* seen[4] = {};
    std::vector<std::thread> threads;
    for (auto& s : seen)
        threads.emplace_back([&s] { s = &Scenarios(); });
    for (auto& t : threads)
        t.join();
    for (auto* s : seen)
        EXPECT_EQ(s, &list);
}

TEST(ScanScenarios, DangerScenarios) {
    Check({
        {"run box: Win+R, typing, Enter",
         M().Down(vk::Win, 0)
             .Down(Key('R'), 0.5)
             .Up(Key('R'), 0.55)
             .Up(vk::Win, 0.6)
             .Type("NOTE", 1)
             .Tap(vk::Enter, 2),
         Result("danger", {D("start-launch", "0"), D("run-command", "0.5")})},
        {"run box without typing is not run-command",
         M().Chord({vk::Win}, Key('R'), 1).Tap(vk::Enter, 2),
         Result("caution", {C("system-keys", "1")})},
        {"admin approve after Win+R",
         M().Chord({vk::Win}, Key('R'), 1).Chord({vk::Ctrl, vk::Shift}, vk::Enter, 2),
         Result("danger", {D("admin-approve", "1"), C("system-keys", "1")})},
        {"admin approve after a Start search",
         M().Tap(vk::Win, 0).Type("CMD", 1).Chord({vk::LAlt}, Key('Y'), 2),
         Result("danger", {D("admin-approve", "0")})},
        {"power menu", M().Chord({vk::Win}, Key('X'), 3).Tap(Key('A'), 4),
         Result("danger", {D("power-menu", "3"), C("system-keys", "3")})},
        {"power menu needs a bare item key",
         M().Chord({vk::Win}, Key('X'), 3).Chord({vk::Shift}, Key('A'), 4),
         Result("caution", {C("system-keys", "3")})},
        {"start search and launch", M().Tap(vk::RWin, 0).Type("CALC", 1).Tap(vk::Enter, 2),
         Result("danger", {D("start-launch", "0")})},
        {"copy, paste and send",
         M().Chord({vk::Ctrl}, Key('C'), 1).Chord({vk::Ctrl}, Key('V'), 2).Tap(vk::Enter, 3),
         Result("danger", {D("copy-paste-send", "1")})},
        {"cut, paste and send, much later",
         M().Chord({vk::Ctrl}, Key('X'), 1).Chord({vk::Ctrl}, Key('V'), 500).Tap(vk::Enter, 900),
         Result("danger", {D("copy-paste-send", "1")})},
        {"screenshot key and paste", M().Tap(vk::PrintScreen, 1).Chord({vk::Ctrl}, Key('V'), 2),
         Result("danger", {D("screenshot-paste", "1")})},
        {"snipping shortcut and paste",
         M().Chord({vk::Win, vk::Shift}, Key('S'), 1).Chord({vk::Ctrl}, Key('V'), 2),
         Result("danger", {D("screenshot-paste", "1"), C("system-keys", "1")})},
        {"window screenshot and paste",
         M().Chord({vk::Alt}, vk::PrintScreen, 1).Chord({vk::RCtrl}, Key('V'), 2),
         Result("danger", {D("screenshot-paste", "1")})},
        {"select all and backspace", M().Chord({vk::Ctrl}, Key('A'), 1).Tap(vk::Backspace, 2),
         Result("danger", {D("select-all-delete", "1")})},
        {"select all, delete and save",
         M().Chord({vk::Ctrl}, Key('A'), 1).Tap(vk::Delete, 2).Chord({vk::Ctrl}, Key('S'), 3),
         Result("danger", {D("select-all-delete", "1"), D("wipe-and-save", "1")})},
        {"select all, type and save",
         M().Chord({vk::Ctrl}, Key('A'), 1).Type("X", 2).Chord({vk::Ctrl}, Key('S'), 3),
         Result("danger", {D("wipe-and-save", "1")})},
        {"shift delete", M().Tap(Key('A'), 1).Chord({vk::LShift}, vk::Delete, 4),
         Result("danger", {D("permanent-delete", "4")})},
        {"ctrl shift delete is not permanent delete",
         M().Chord({vk::Ctrl, vk::Shift}, vk::Delete, 4), Result("none", {})},
    });
}

TEST(ScanScenarios, CautionScenarios) {
    Check({
        {"address bar", M().Chord({vk::Ctrl}, Key('L'), 1).Type("EXAMPLE", 2).Tap(vk::Enter, 3),
         Result("caution", {C("open-address", "1")})},
        {"F6, Enter exactly 30 s later", M().Tap(vk::F6, 0).Type("A", 29).Tap(vk::Enter, 30),
         Result("caution", {C("open-address", "0")})},
        {"F6, Enter 30.5 s later", M().Tap(vk::F6, 0).Type("A", 29).Tap(vk::Enter, 30.5),
         Result("none", {})},
        {"copy and paste at 60 s",
         M().Chord({vk::Ctrl}, Key('C'), 0).Chord({vk::Ctrl}, Key('V'), 60),
         Result("caution", {C("copy-paste", "0")})},
        {"copy and paste at 61 s",
         M().Chord({vk::Ctrl}, Key('C'), 0).Chord({vk::Ctrl}, Key('V'), 61), Result("none", {})},
        {"eight letters in 5 s, Enter at 9 s",
         M().Type("ABCDEFG", 0, 0.5).Tap(Key('H'), 5).Tap(vk::Enter, 9),
         Result("caution", {C("type-and-send", "0")})},
        {"Enter exactly 10 s after the first letter",
         M().Type("ABCDEFGH", 0, 0.5).Tap(vk::Enter, 10),
         Result("caution", {C("type-and-send", "0")})},
        {"Enter 11 s after the first letter", M().Type("ABCDEFGH", 0, 0.5).Tap(vk::Enter, 11),
         Result("none", {})},
        {"Enter inside the burst does not count",
         M().Type("ABCD", 0, 0.5).Tap(vk::Enter, 2.2).Type("EFGH", 2.5, 0.5), Result("none", {})},
        {"only the first burst is examined",
         M().Type("ABCDEFGH", 0, 0.1).Type("IJKLMNOP", 30, 0.1).Tap(vk::Enter, 31),
         Result("none", {})},
        {"two closes within 30 s", M().Chord({vk::Alt}, vk::F4, 0).Chord({vk::Ctrl}, Key('W'), 30),
         Result("caution", {C("close-windows", "0")})},
        {"two closes 30.5 s apart", M().Chord({vk::Alt}, vk::F4, 0).Chord({vk::Alt}, vk::F4, 30.5),
         Result("none", {})},
        {"task manager", M().Chord({vk::Ctrl, vk::Shift}, vk::Esc, 2),
         Result("caution", {C("task-manager", "2")})},
        {"security screen", M().Chord({vk::Ctrl, vk::Alt}, vk::Delete, 3),
         Result("caution", {C("task-manager", "3")})},
        {"Alt+Tab three times in 10 s",
         M().Down(vk::Alt, 0).Tap(vk::Tab, 0).Tap(vk::Tab, 5).Tap(vk::Tab, 10).Up(vk::Alt, 10),
         Result("caution", {C("switch-windows", "0")})},
        {"Alt+Tab three times over 10.5 s",
         M().Down(vk::Alt, 0).Tap(vk::Tab, 0).Tap(vk::Tab, 5).Tap(vk::Tab, 10.5).Up(vk::Alt, 11),
         Result("none", {})},
        {"Win+D", M().Chord({vk::Win}, Key('D'), 1), Result("caution", {C("system-keys", "1")})},
        {"Win with Shift only", M().Chord({vk::Win}, vk::Shift, 1), Result("none", {})},
    });
}

TEST(ScanScenarios, DriverRules) {
    Check({
        {"nothing", M(), Result("none", {})},
        {"mouse only", M().Mouse(0).Mouse(1), Result("none", {})},
        {"key-ups only", M().Up(vk::Win, 0).Up(Key('R'), 0.1).Up(vk::Enter, 0.2),
         Result("none", {})},
        {"copy-paste alone is caution",
         M().Chord({vk::Ctrl}, Key('C'), 1).Chord({vk::Ctrl}, Key('V'), 2),
         Result("caution", {C("copy-paste", "1")})},
        {"right Ctrl up clears left Ctrl too",
         M().Down(vk::LCtrl, 0)
             .Down(vk::RCtrl, 0)
             .Up(vk::RCtrl, 0)
             .Tap(Key('C'), 0.5)
             .Tap(Key('V'), 1)
             .Up(vk::LCtrl, 2),
         Result("none", {})},
        {"a caution at 1 s comes after a danger at 50 s",
         M().Chord({vk::Ctrl, vk::Shift}, vk::Esc, 1).Chord({vk::Shift}, vk::Delete, 50),
         Result("danger", {D("permanent-delete", "50"), C("task-manager", "1")})},
        {"equal severity orders by time",
         M().Chord({vk::Win}, Key('D'), 1).Chord({vk::Ctrl, vk::Shift}, vk::Esc, 0.5),
         Result("caution", {C("task-manager", "0.5"), C("system-keys", "1")})},
        {"equal severity and time orders by id",
         M().Chord({vk::Ctrl, vk::Shift}, vk::Esc, 2).Chord({vk::Win}, Key('E'), 2),
         Result("caution", {C("system-keys", "2"), C("task-manager", "2")})},
        {"times print with six digits", M().Chord({vk::Ctrl, vk::Shift}, vk::Esc, 1234567.8),
         Result("caution", {C("task-manager", "1.23457e+06")})},
    });
}

TEST(ScanScenarios, FirstFiveHundredStartsOnly) {
    for (int stale : {499, 500}) {
        MacroBuilder m;
        double t = 0;
        for (int i = 0; i < stale; ++i, t += 61)
            m.Chord({vk::Ctrl}, Key('C'), t);
        m.Chord({vk::Ctrl}, Key('C'), t).Chord({vk::Ctrl}, Key('V'), t + 1);
        ScanResult result = ScanMacro(m.events());
        EXPECT_EQ(result.level, stale == 499 ? "caution" : "none") << stale;
    }
}

TEST(ScanScenarios, JsonNumbersAndEmptyResult) {
    EXPECT_EQ(ScanResultToJson(ScanResult{}), "{\"level\":\"none\",\"matches\":[]}");
    ScanResult r;
    r.level = "caution";
    for (double at : {12.5, 3.0, 0.1234567, 0.00001}) {
        r.matches.push_back({"copy-paste", "CAUTION", "m", "l", at});
    }
    EXPECT_EQ(ScanResultToJson(r),
              Result("caution", {C("copy-paste", "12.5"), C("copy-paste", "3"),
                                 C("copy-paste", "0.123457"), C("copy-paste", "1e-05")}));
}

TEST(ScanScenarios, MatchCarriesTheCatalogueTexts) {
    ScanResult r = ScanMacro(M().Chord({vk::Shift}, vk::Delete, 4).events());
    ASSERT_EQ(r.matches.size(), 1u);
    EXPECT_EQ(r.matches[0].label, "Permanently deletes");
    EXPECT_EQ(r.matches[0].message, "Permanently deletes the selection and skips the Recycle Bin.");
}

}  // namespace velotap
