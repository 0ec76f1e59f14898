#include "profiles/import_gate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velotap {

namespace {

UnifiedEvent Key(double at, uint32_t vk, bool down) {
    return {EventType::Key, at, 0, 0, 0, vk, down, 0};
}

UnifiedEvent KeySpammer(double at, bool on) {
    return {EventType::ToolSwitch, at, 0, 0, 0, 2, on, 0};
}

// Types "calc" slowly (no typing burst) and presses Enter: harmless on its own.
std::vector<UnifiedEvent> SlowCommand(double from) {
    std::vector<UnifiedEvent> events;
    for (uint32_t vk : {67u, 65u, 76u, 67u}) {
        events.push_back(Key(from, vk, true));
        events.push_back(Key(from + 0.1, vk, false));
        from += 2;
    }
    events.push_back(Key(from, 13, true));
    events.push_back(Key(from + 0.1, 13, false));
    return events;
}

std::vector<UnifiedEvent> Then(std::vector<UnifiedEvent> first,
                               const std::vector<UnifiedEvent>& rest) {
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

// Profile settings lines: 5 ms, counted mode with one cycle, the targets, chord on or off.
std::string Settings(const std::string& targets, bool chord, int cycles = 1) {
    return "0,0,0,5,0,0,1,10,0,0,0,0,0,0,5,0," + std::to_string(cycles) + "," +
           targets.substr(0, targets.find('|')) + "," + targets + "," + (chord ? "1" : "0");
}

std::string Ids(const MacroScan::ScanResult& result) {
    std::string ids = result.level + ":";
    for (const MacroScan::ScanMatch& m : result.matches)
        ids += " " + m.id;
    return ids;
}

#ifdef _WIN32
constexpr const char* kAltF2Verdict = "none:";  // no command box behind Alt+F2
#else
constexpr const char* kAltF2Verdict = "danger: run-command";
#endif

TEST(ImportGate, KeySpammerTargetsCountAsKeyDowns) {
    const auto attack = Then({KeySpammer(0.5, true)}, SlowCommand(2));
    struct Case {
        const char* what;
        std::vector<UnifiedEvent> events;
        std::string settings;
        std::string verdict;
    } cases[] = {
        // The chord's Win key goes down alone first: a bare Win key too.
        {"the chord Win+R, then a command", attack, Settings("91|82", true),
         "danger: run-command start-launch"},
        {"the chord Alt+F2, then a command", attack, Settings("18|113", true), kAltF2Verdict},
        {"a harmless chord", attack, Settings("16|65", true), "none:"},
        {"no tool event: the targets never play", SlowCommand(2), Settings("91|82", true), "none:"},
        {"counted with no cycles: never starts", attack, Settings("91|82", true, 0), "none:"},
        {"stopped at once: the first cycle still counts",
         Then({KeySpammer(0.5, true), KeySpammer(0.5, false)}, SlowCommand(2)),
         "0,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,91,91|82,1", "danger: run-command start-launch"},
        // The macro holds Win; the key spammer presses R in turn while it is down.
        {"single keys under the macro's own Win key",
         Then({Key(1, 91, true), KeySpammer(1, true), Key(1.5, 91, false)}, SlowCommand(2)),
         Settings("82", false), "danger: run-command start-launch"},
        // Single keys in turn: the third cycle presses R, within the three the count allows.
        {"single keys in turn",
         Then({Key(1, 91, true), KeySpammer(1, true), Key(1.5, 91, false)}, SlowCommand(2)),
         Settings("65|66|82", false, 3), "danger: start-launch run-command"},
        {"the count ends before R's turn",
         Then({Key(1, 91, true), KeySpammer(1, true), Key(1.5, 91, false)}, SlowCommand(2)),
         Settings("65|66|82", false, 2), "danger: start-launch"},
    };
    for (const Case& c : cases) {
        ImportScan scan = ScanImport(c.events, c.settings);
        ASSERT_TRUE(scan.checked) << c.what;
        EXPECT_EQ(Ids(scan.result), c.verdict) << c.what;
    }
}

// A run longer than the cycles kept between two of the macro's keys: the last cycles before a key
// still meet it, so a Ctrl held by the macro turns the key spammer's V into a paste.
TEST(ImportGate, LongRunsKeepTheirCyclesNextToTheMacrosKeys) {
    const std::vector<UnifiedEvent> events = {
        KeySpammer(0, true),  Key(50, 17, true), Key(50.5, 67, true), Key(50.6, 67, false),
        Key(60.0, 17, false), Key(61, 13, true), Key(61.1, 13, false)};
    ImportScan scan = ScanImport(events, "0,0,0,5,0,0,1,10,0,0,0,0,0,0,1,1,10,86,86,0");
    ASSERT_TRUE(scan.checked);
    EXPECT_EQ(Ids(scan.result), "danger: copy-paste-send");

    bool checked = false;
    const std::vector<UnifiedEvent> played =
        EventsAsPlayed({KeySpammer(0, true), Key(100, 13, true)},
                       "0,0,0,5,0,0,1,10,0,0,0,0,0,0,1,1,10,86,86,0", checked);
    ASSERT_TRUE(checked);
    // 100,000 cycles of 1 ms before Enter: the first and the last nine; then the one at 100 s.
    size_t downs = 0;
    for (const UnifiedEvent& e : played)
        downs += e.type == EventType::Key && e.down && e.vk == 86;
    EXPECT_EQ(downs, 9u + 9u + 1u);
    EXPECT_DOUBLE_EQ(played.back().time, 100.0);
}

TEST(ImportGate, TooManyKeysToCheckIsRefused) {
    std::string targets;
    for (int i = 0; i < 200; ++i) {
        if (i) targets += '|';
        targets += std::to_string(65 + i % 26);
    }
    std::vector<UnifiedEvent> events = {KeySpammer(0, true)};
    for (int i = 1; i <= 100; ++i)
        events.push_back(Key(i, 16, i % 2 == 1));
    ImportScan scan =
        ScanImport(events, "0,0,0,5,0,0,1,10,0,0,0,0,0,0,1,1,10,65," + targets + ",1");
    EXPECT_FALSE(scan.checked);
    EXPECT_TRUE(scan.result.matches.empty());
}

}  // namespace

}  // namespace velotap
