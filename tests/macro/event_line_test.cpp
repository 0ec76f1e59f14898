#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

#include "macro/event_line.h"

namespace velotap {

namespace {
std::string Printf6(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
}
}  // namespace

TEST(EventLine, TimeUsesSixSignificantDigits) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {0.5, "0.5"},
        {3.0, "3"},
        {12.3456789, "12.3457"},
        {1234.5678, "1234.57"},
        {3599.123456, "3599.12"},
        {123456, "123456"},
        {999999.5, "1e+06"},
        {1234567, "1.23457e+06"},
        {0.0001, "0.0001"},
        {0.00001234, "1.234e-05"},
        {0.1234567, "0.123457"},
        {-2.5, "-2.5"},
        {1e300, "1e+300"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatGeneral6(c.value), c.text) << c.value;

    // The same text as the C library's "%g" in the C locale, over a spread of magnitudes.
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-12, 12);
    for (int i = 0; i < 20000; ++i) {
        double v = mantissa(rng) * std::pow(10.0, exponent(rng));
        ASSERT_EQ(FormatGeneral6(v), Printf6(v)) << v;
    }
}

TEST(EventLine, WritesTheEightValuesInOrder) {
    EXPECT_EQ(FormatEventLine({3, 1.5, 0, 0, 0, 65, true, 0}), "3,1.5,0,0,0,65,1,0");
    EXPECT_EQ(FormatEventLine({1, 0.25, -12, 7, 0, 0, false, 0}), "1,0.25,-12,7,0,0,0,0");
    EXPECT_EQ(FormatEventLine({4, 1e6, 0, 0, 0, 0, false, -240}), "4,1e+06,0,0,0,0,0,-240");
    EXPECT_EQ(FormatEventLine({2, 2, -2147483647 - 1, 2147483647, 4294967295u, 0, false, 0}),
              "2,2,-2147483648,2147483647,4294967295,0,0,0");
}

TEST(EventLine, ReadsWithTheStandardConversions) {
    using W = WheelField;
    const UnifiedEvent keyA{3, 1.5, 0, 0, 0, 65, true, 0};
    struct Case {
        const char* line;
        W wheel;
        std::optional<UnifiedEvent> want;
    } cases[] = {
        {"3,1.5,0,0,0,65,1,0", W::Required, keyA},
        {"3,1.5,0,0,0,65,1", W::Optional, keyA},
        {"3,1.5,0,0,0,65,1", W::Required, std::nullopt},
        {"3,1.5,0,0,0,65,1,x", W::Optional, keyA},  // only seven fields must convert here
        {"3,1.5,0,0,0,65,1,x", W::Required, std::nullopt},
        {"3,1.5,0,0,0,65,1,0,junk,more", W::Required, keyA},
        {"3,abc,0,0,0,65,1,0", W::Optional, std::nullopt},
        {" 3, +1.5abc,0 ,0,0,65, 7,0", W::Required, keyA},  // blanks, sign, trailing text
        {"3.9,1.5,0,0,0,65.2,1,0", W::Required, keyA},
        {"3,,0,0,0,65,1,0", W::Optional, std::nullopt},
        {"3,1.5,0,0,0,65,,0", W::Optional, std::nullopt},
        {"3,nan,0,0,0,65,1,0", W::Optional, std::nullopt},
        {"3,inf,0,0,0,65,1,0", W::Optional, std::nullopt},
        {"3,1e999,0,0,0,65,1,0", W::Optional, std::nullopt},
        {"3,+-1,0,0,0,65,1,0", W::Optional, std::nullopt},
        {"3,1.5,2147483648,0,0,65,1,0", W::Optional, std::nullopt},
        {"3,1.5,0,0,0,99999999999999999999,1,0", W::Optional, std::nullopt},
        {"", W::Optional, std::nullopt},
        {"3,1.5,0,0", W::Optional, std::nullopt},
        {"4,0x1.8p0,-1,-2,0,0,0,-120", W::Required,
         UnifiedEvent{4, 1.5, -1, -2, 0, 0, false, -120}},
        {"2,.5,10,20,-1,0,0", W::Optional, UnifiedEvent{2, 0.5, 10, 20, 4294967295u, 0, false, 0}},
        {"2,-0.5,10,20,4294967295,-1,0,0", W::Optional,
         UnifiedEvent{2, -0.5, 10, 20, 4294967295u, 4294967295u, false, 0}},
        {"2,1,0,0,4294967296,0,0,0", W::Optional, std::nullopt},
        // Unsigned values as the writer prints them read back; negative ones wrap as strtoul's do.
        {"4294967295,1,0,0,0,4294967287,1,0", W::Required,
         UnifiedEvent{4294967295u, 1, 0, 0, 0, 4294967287u, true, 0}},
        {"-1,1,0,0,0,-9,1,0", W::Required,
         UnifiedEvent{4294967295u, 1, 0, 0, 0, 4294967287u, true, 0}},
    };
    for (const auto& c : cases) {
        auto got = ParseEventLine(c.line, c.wheel);
        ASSERT_EQ(got.has_value(), c.want.has_value()) << c.line;
        if (got) {
            EXPECT_EQ(*got, *c.want) << c.line;
        }
    }
}

TEST(EventLine, RoundTripKeepsWhatSixDigitsCanHold) {
    std::mt19937 rng(3);
    for (int i = 0; i < 2000; ++i) {
        UnifiedEvent e{static_cast<uint32_t>(rng()),
                       (rng() % 1000000) / 1000.0,
                       static_cast<int32_t>(rng()),
                       static_cast<int32_t>(rng()),
                       static_cast<uint32_t>(rng()),
                       static_cast<uint32_t>(rng()),
                       rng() % 2 == 1,
                       static_cast<int32_t>(rng())};
        e.time = std::stod(FormatGeneral6(e.time));
        auto back = ParseEventLine(FormatEventLine(e), WheelField::Required);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, e);
    }
}

TEST(UnifiedEvent, EqualOnlyWhenAllEightValuesAre) {
    const UnifiedEvent base{3, 0.3, 1, 2, 4, 65, true, 120};
    UnifiedEvent changed[] = {base, base, base, base, base, base, base, base};
    changed[0].type = 2;
    changed[1].time = 0.1 + 0.2;  // not exactly 0.3
    changed[2].x = -1;
    changed[3].y = 3;
    changed[4].flags = 8;
    changed[5].vk = 66;
    changed[6].down = false;
    changed[7].wheel = -120;
    UnifiedEvent same = base;
    EXPECT_EQ(same, base);
    for (const auto& c : changed)
        EXPECT_NE(c, base);
}

// Toolkits set the user's locale at start-up; a decimal comma must never reach an event line.
TEST(EventLine, IndependentOfTheNumericLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    bool switched = false;
    for (const char* name :
         {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "German_Germany.1252", "German", "de-DE"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            switched = true;
            break;
        }
    }
    if (!switched) GTEST_SKIP() << "no locale with a decimal comma is installed";
    const std::string line = FormatEventLine({3, 1.5, 0, 0, 0, 65, true, 0});
    auto back = ParseEventLine("3,2.25,0,0,0,65,1,0", WheelField::Required);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(line, "3,1.5,0,0,0,65,1,0");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->time, 2.25);
}

}  // namespace velotap
