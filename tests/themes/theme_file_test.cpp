#include <gtest/gtest.h>

#include "support/subprocess.h"
#include "theme_helpers.h"
#include "themes/theme_file.h"

namespace velotap {

using namespace theme_test;

namespace {

// A valid colours-only theme padded with an ignored member to exactly `size` bytes.
std::string ThemeOfSize(size_t size) {
    std::string head = Theme({}, ", \"pad\": \"");
    head.pop_back();  // the closing brace comes after the padding
    std::string tail = "\"}";
    return head + std::string(size - head.size() - tail.size(), 'p') + tail;
}

}  // namespace

TEST(ThemeFile, SizeIsCheckedBeforeReading) {
    TempDir dir;
    std::string atCap = ThemeOfSize(kThemeFileCap);
    ASSERT_EQ(atCap.size(), kThemeFileCap);
    std::string text;
    ThemeCheck ok = LoadThemeFile(dir.Write("cap.vtptheme", atCap), &text);
    EXPECT_TRUE(ok.accepted) << ok.error;
    EXPECT_EQ(ok.record.path, dir.File("cap.vtptheme"));
    EXPECT_EQ(text.size(), kThemeFileCap);

    struct Case {
        std::string name, bytes, error;
    } cases[] = {
        {"over.vtptheme", ThemeOfSize(kThemeFileCap + 1), "file exceeds the 12 MB cap"},
        {"empty.vtptheme", "", "file is empty"},
        {"bad.vtptheme", Theme({{"accent", "\"#12\""}}), "invalid or missing accent"},
    };
    for (const auto& c : cases) {
        std::string kept = "untouched";
        ThemeCheck check = LoadThemeFile(dir.Write(c.name, c.bytes), &kept);
        EXPECT_FALSE(check.accepted);
        EXPECT_EQ(check.error, c.error);
        EXPECT_EQ(kept, "untouched");
    }
    EXPECT_EQ(LoadThemeFile(dir.File("missing.vtptheme")).error, "could not open file");
    EXPECT_EQ(LoadThemeFile(dir.path()).error, "could not open file");
}

TEST(ThemeFile, ConsoleCheckPrintsOneVerdict) {
    TempDir dir;
    std::string panel = "{\"panel\": " + Quoted(Base64(Png(256, 256))) + "}";
    struct Case {
        std::string name, bytes, out;
        int exitCode;
    } cases[] = {
        {"colours.vtptheme", Theme(), "OK colours\n", 0},
        {"skin.vtptheme", SkinnedTheme(panel), "OK skin 1 pieces\n", 0},
        {"font.vtptheme", SkinnedTheme("", Quoted(Base64(Font("OTTO")))),
         "OK skin 0 pieces +font\n", 0},
        {"ignored.vtptheme",
         Theme({{"format", "\"3\""}, {"skin", "{\"template\": \"1\", \"pieces\": 7}"}}),
         "OK colours\n", 0},
        {"wrong.vtptheme", SkinnedTheme("{\"panel.on\": \"QUJD\"}"),
         "REJECT unknown skin piece name: panel.on\n", 1},
        {"empty.vtptheme", "", "REJECT file is empty\n", 1},
    };
    for (const auto& c : cases) {
        ProcessResult r = RunProcess(AppPath(), {"--validate-theme=" + dir.Write(c.name, c.bytes)});
        EXPECT_EQ(ConsoleText(r.out), c.out) << c.name;
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name;
    }
    ProcessResult missing =
        RunProcess(AppPath(), {"--validate-theme=" + dir.File("none.vtptheme")});
    EXPECT_EQ(ConsoleText(missing.out), "REJECT could not open file\n");
    EXPECT_EQ(missing.exitCode, 1);
}

}  // namespace velotap
