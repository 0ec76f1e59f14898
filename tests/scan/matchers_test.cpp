#include <gtest/gtest.h>

#include <random>

#include "macro_builder.h"
#include "scan/macro_scan.h"

namespace velotap {

using namespace MacroScan;

namespace {

KeyPredicate Is(uint32_t code) {
    return [code](const UnifiedEvent& e, const HeldMods&) { return e.vk == code; };
}

// The matcher exactly as its rules read, without shortcuts, to check the fast one against.
SeqResult ReferenceSequence(const std::vector<KeyEv>& keys, const std::vector<KeyPredicate>& steps,
                            std::optional<double> window) {
    int attempts = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (attempts >= 500) return {};
        if (!steps[0](*keys[i].event, keys[i].mods)) continue;
        double t0 = keys[i].event->time;
        size_t k = 1;
        for (size_t j = i + 1; j < keys.size(); ++j) {
            if (k == steps.size()) break;
            if (window && keys[j].event->time - t0 > *window) break;
            if (steps[k](*keys[j].event, keys[j].mods)) ++k;
        }
        ++attempts;
        if (k == steps.size()) return {true, t0};
    }
    return {};
}

}  // namespace

TEST(ScanMatchers, SequenceAgreesWithTheRulesOnRandomMacros) {
    std::mt19937 rng(11);
    for (int round = 0; round < 3000; ++round) {
        MacroBuilder m;
        size_t length = rng() % 60;
        double t = 0;
        for (size_t i = 0; i < length; ++i) {
            t += (rng() % 3 == 0) ? -1.0 : (rng() % 40) / 10.0;  // times may go back after edits
            m.Down(1 + rng() % 4, t);
        }
        std::vector<KeyPredicate> steps;
        for (size_t s = 0, n = 1 + rng() % 3; s < n; ++s)
            steps.push_back(Is(1 + rng() % 4));
        std::optional<double> window;
        if (rng() % 2) window = (rng() % 50) / 10.0;
        auto keys = KeyDowns(m.events());
        SeqResult want = ReferenceSequence(keys, steps, window);
        SeqResult got = MatchSequence(keys, steps, window);
        ASSERT_EQ(got.matched, want.matched) << round;
        ASSERT_EQ(got.atSec, want.atSec) << round;
    }
}

TEST(ScanMatchers, SequenceRules) {
    struct Case {
        const char* name;
        MacroBuilder macro;
        std::vector<KeyPredicate> steps;
        std::optional<double> window;
        SeqResult want;
    } cases[] = {
        {"gaps allowed",
         MacroBuilder().Down(1, 1).Down(9, 2).Down(2, 3),
         {Is(1), Is(2)},
         {},
         {true, 1}},
        {"order matters", MacroBuilder().Down(2, 1).Down(1, 2), {Is(1), Is(2)}, {}, {}},
        {"later start",
         MacroBuilder().Down(1, 1).Down(1, 20).Down(2, 21),
         {Is(1), Is(2)},
         5.0,
         {true, 20}},
        {"window inclusive", MacroBuilder().Down(1, 1).Down(2, 6), {Is(1), Is(2)}, 5.0, {true, 1}},
        {"window exceeded", MacroBuilder().Down(1, 1).Down(2, 6.5), {Is(1), Is(2)}, 5.0, {}},
        {"window stops at first late key",
         MacroBuilder().Down(1, 10).Down(9, 20).Down(2, 11),
         {Is(1), Is(2)},
         5.0,
         {}},
        {"one step", MacroBuilder().Down(9, 1).Down(1, 2).Down(1, 3), {Is(1)}, {}, {true, 2}},
        {"no steps", MacroBuilder().Down(1, 1), {}, {}, {}},
        {"no keys", MacroBuilder(), {Is(1)}, {}, {}},
        {"same key twice", MacroBuilder().Down(1, 1).Down(1, 2), {Is(1), Is(1)}, {}, {true, 1}},
    };
    for (auto& c : cases) {
        auto keys = KeyDowns(c.macro.events());
        SeqResult got = MatchSequence(keys, c.steps, c.window);
        EXPECT_EQ(got.matched, c.want.matched) << c.name;
        EXPECT_EQ(got.atSec, c.want.atSec) << c.name;
    }
}

TEST(ScanMatchers, SequenceGivesUpAfterFiveHundredStarts) {
    for (int failing : {499, 500}) {
        MacroBuilder m;
        double t = 0;
        for (int i = 0; i < failing; ++i, t += 10)
            m.Down(1, t);  // each start runs out of window
        m.Down(1, t).Down(2, t + 1);
        SeqResult got = MatchSequence(KeyDowns(m.events()), {Is(1), Is(2)}, 5.0);
        EXPECT_EQ(got.matched, failing == 499) << failing;
        if (got.matched) {
            EXPECT_EQ(got.atSec, t);
        }
    }
}

TEST(ScanMatchers, CountWithin) {
    struct Case {
        MacroBuilder macro;
        size_t count;
        double window;
        SeqResult want;
    } cases[] = {
        {MacroBuilder().Down(1, 0).Down(1, 5).Down(1, 10), 3, 10.0, {true, 0}},
        {MacroBuilder().Down(1, 0).Down(1, 5).Down(1, 10.5), 3, 10.0, {}},
        {MacroBuilder().Down(1, 0).Down(1, 20).Down(9, 21).Down(1, 25).Down(1, 30),
         3,
         10.0,
         {true, 20}},
        {MacroBuilder().Down(1, 0).Down(1, 1), 3, 10.0, {}},
        {MacroBuilder().Down(1, 4), 1, 0.0, {true, 4}},
        {MacroBuilder().Down(1, 4), 0, 10.0, {}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        auto keys = KeyDowns(cases[i].macro.events());
        SeqResult got = CountWithin(keys, Is(1), cases[i].count, cases[i].window);
        EXPECT_EQ(got.matched, cases[i].want.matched) << i;
        EXPECT_EQ(got.atSec, cases[i].want.atSec) << i;
    }
}

TEST(ScanMatchers, TypingBurstIsTheFirstEightWithinFiveSeconds) {
    MacroBuilder slow;
    slow.Type("ABCDEFG", 0, 1.0).Tap(vk::Enter, 6.5).Type("HIJ", 7, 1.0);
    EXPECT_FALSE(FindTypingBurst(KeyDowns(slow.events())).found);  // never eight within 5 s
    MacroBuilder m;
    m.Type("AB", 0, 10.0).Tap(vk::Enter, 11).Type("CDEFGHI", 12, 0.5);
    m.Down(vk::Ctrl, 15.2).Tap(vk::Key('J'), 15.3).Up(vk::Ctrl, 15.4);  // Ctrl+J is no typing
    m.Chord({vk::Shift}, vk::Key('K'), 15.5);
    auto keys = KeyDowns(m.events());
    TypingBurst burst = FindTypingBurst(keys);
    ASSERT_TRUE(burst.found);
    EXPECT_EQ(burst.firstSec, 10.0);  // B, then C..I: the eighth is I at 15.0
    EXPECT_EQ(keys[burst.eighthIndex].event->vk, vk::Key('I'));
    EXPECT_EQ(keys[burst.eighthIndex].event->time, 15.0);
}

}  // namespace velotap
