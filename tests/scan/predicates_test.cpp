#include <gtest/gtest.h>

#include "macro_builder.h"
#include "scan/macro_scan.h"

namespace velotap {

using namespace MacroScan;

namespace {
UnifiedEvent Key(uint32_t code) {
    return {3, 0, 0, 0, 0, code, true, 0};
}
constexpr HeldMods kNone{};
constexpr HeldMods kCtrl{true, false, false, false};
constexpr HeldMods kAlt{false, true, false, false};
constexpr HeldMods kShift{false, false, true, false};
constexpr HeldMods kWin{false, false, false, true};
constexpr HeldMods kCtrlShift{true, false, true, false};
}  // namespace

TEST(ScanPredicates, ModifierFamilies) {
    struct Case {
        uint32_t code;
        ModFamily family;
    } cases[] = {
        {16, ModFamily::Shift}, {160, ModFamily::Shift}, {161, ModFamily::Shift},
        {17, ModFamily::Ctrl},  {162, ModFamily::Ctrl},  {163, ModFamily::Ctrl},
        {18, ModFamily::Alt},   {164, ModFamily::Alt},   {165, ModFamily::Alt},
        {91, ModFamily::Win},   {92, ModFamily::Win},    {93, ModFamily::None},
        {20, ModFamily::None},  {65, ModFamily::None},   {0, ModFamily::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ModFamilyOf(c.code), c.family) << c.code;
}

TEST(ScanPredicates, TypedKeyRangesAndModifiers) {
    const uint32_t typed[] = {48, 57, 65, 90, 32, 96, 105, 186, 192, 219, 223};
    const uint32_t notTyped[] = {47, 58, 64, 91, 31, 33, 95, 106, 185, 193, 218, 224, 13, 8};
    for (uint32_t code : typed) {
        EXPECT_TRUE(IsTypedKey(Key(code), kNone)) << code;
        EXPECT_TRUE(IsTypedKey(Key(code), kShift)) << code;  // Shift+letter is still typing
        EXPECT_FALSE(IsTypedKey(Key(code), kCtrl)) << code;
        EXPECT_FALSE(IsTypedKey(Key(code), kAlt)) << code;
        EXPECT_FALSE(IsTypedKey(Key(code), kWin)) << code;
    }
    for (uint32_t code : notTyped)
        EXPECT_FALSE(IsTypedKey(Key(code), kNone)) << code;
}

TEST(ScanPredicates, BareWinKeyIgnoresTheWinFlag) {
    EXPECT_TRUE(IsBareWinKey(Key(91), kNone));
    EXPECT_TRUE(IsBareWinKey(Key(92), kWin));
    EXPECT_FALSE(IsBareWinKey(Key(91), kShift));
    EXPECT_FALSE(IsBareWinKey(Key(91), kCtrl));
    EXPECT_FALSE(IsBareWinKey(Key(91), kAlt));
    EXPECT_FALSE(IsBareWinKey(Key(93), kNone));
}

TEST(ScanPredicates, ComboNeedsExactlyTheListedModifiers) {
    using F = ModFamily;
    struct Case {
        KeyPredicate predicate;
        uint32_t code;
        HeldMods mods;
        bool want;
    } cases[] = {
        {Combo({F::Ctrl}, 86), 86, kCtrl, true},
        {Combo({F::Ctrl}, 86), 86, kCtrlShift, false},  // Ctrl+Shift+V is not Ctrl+V
        {Combo({F::Ctrl}, 86), 87, kCtrl, false},
        {Combo({F::Ctrl, F::Shift}, 86), 86, kCtrlShift, true},
        {Combo({F::Shift, F::Ctrl, F::Ctrl}, 86), 86, kCtrlShift, true},
        {Combo({}, 13), 13, kNone, true},
        {Combo({}, 13), 13, kShift, false},
        {Combo({F::Win}, 82), 82, kWin, true},
        {Combo({F::Win}, 82), 82, {false, false, true, true}, false},
        {AnyOf({}), 13, kNone, false},
        {AnyOf({Combo({}, 1), Combo({F::Alt}, 13)}), 13, kAlt, true},
        {AnyOf({Combo({}, 1), Combo({F::Alt}, 13)}), 13, kNone, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].predicate(Key(cases[i].code), cases[i].mods), cases[i].want) << i;
    }
}

TEST(ScanPredicates, KeyDownsCarryTheModifiersHeldBefore) {
    MacroBuilder m;
    m.Down(vk::LCtrl, 0).Down(vk::RCtrl, 0.1).Up(vk::RCtrl, 0.2).Down(vk::Key('C'), 0.3);
    m.Mouse(0.35).Down(vk::Shift, 0.4).Down(vk::Shift, 0.45).Down(vk::Key('D'), 0.5);
    m.Up(vk::Key('D'), 0.55).Up(vk::LShift, 0.6).Down(vk::Win, 0.7).Down(vk::Key('E'), 0.8);
    std::vector<KeyEv> keys = KeyDowns(m.events());
    ASSERT_EQ(keys.size(), 8u);  // every press, modifiers and repeats included; no releases
    auto mods = [&](size_t i) { return keys[i].mods; };
    EXPECT_FALSE(mods(0).ctrl);  // the state before the key itself
    EXPECT_TRUE(mods(1).ctrl);
    EXPECT_FALSE(mods(2).ctrl);  // releasing right Ctrl cleared the shared flag
    EXPECT_TRUE(mods(5).shift);
    EXPECT_FALSE(mods(5).ctrl);
    EXPECT_FALSE(mods(7).shift);  // left Shift released Shift pressed as the generic key
    EXPECT_TRUE(mods(7).win);
    EXPECT_EQ(keys[2].event, &m.events()[3]);
}

}  // namespace velotap
