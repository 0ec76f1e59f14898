#include <gtest/gtest.h>

#include "macro/event_line.h"
#include "profiles/macro_file.h"
#include "support/subprocess.h"

namespace velotap {

namespace {
// An importer whose own profile settings line differs from every file below.
constexpr const char* kImporter = "0,0,1,0,0,0,1,10,0,0,0,0,0,2,0,1,10,32,32|33,1";
constexpr const char* kStrangerSettings =
    "1,2,3,77,1,1,0,9,1,100,200,0,0,0,0,1,3.0,1,500,65,66,0,67,0,0,1,88,0,4,68,69,69|70,1,1,1";
const UnifiedEvent kMove{0, 0.5, 10, 10, 0, 0, false, 0};
}  // namespace

TEST(MacroFileParse, LinesAndErrors) {
    struct Case {
        const char* name;
        std::string text;
        std::string error, profile, settings;
        std::vector<UnifiedEvent> events;
    } cases[] = {
        {"CR LF",
         "Stranger\r\nSETTINGS:" + std::string(kStrangerSettings) + "\r\n0,0.5,10,10,0,0,0\r\n",
         "",
         "Stranger",
         "1,2,3,77,1,1,0,9,1,100,200,0,0,1,88,0,4,69,69|70,1",
         {kMove}},
        {"LF, no final line end",
         "Stranger\nSETTINGS:" + std::string(kStrangerSettings) + "\n0,0.5,10,10,0,0,0",
         "",
         "Stranger",
         "1,2,3,77,1,1,0,9,1,100,200,0,0,1,88,0,4,69,69|70,1",
         {kMove}},
        {"no settings line", "Bare\n0,0.5,10,10,0,0,0\n", "", "Bare", "", {kMove}},
        {"settings only on the second line",
         "Late\n0,0.5,10,10,0,0,0\nSETTINGS:1,2\n",
         "",
         "Late",
         "",
         {kMove}},
        {"bad and blank lines skipped",
         "N\r\nSETTINGS:\r\n\r\n3,abc,0,0,0,65,1,0\r\n3,1,0,0,0,65,1,0\r\nx\r\n\r\n4,2,0,0,0,0,0,-"
         "120",
         "",
         "N",
         kImporter,
         {{3, 1, 0, 0, 0, 65, true, 0}, {4, 2, 0, 0, 0, 0, false, -120}}},
        {"only one carriage return is removed; one left in the name becomes a space",
         "A\rB\r\r\n3,1,0,0,0,65,1,0\r\r\n",
         "",
         "A B ",
         "",
         {{3, 1, 0, 0, 0, 65, true, 0}}},
        {"name only", "Lonely\r\n", "", "Lonely", "", {}},
        {"empty file", "", kMacroNoNameError, "", "", {}},
        {"empty first line",
         "\r\nSETTINGS:1\r\n0,0.5,10,10,0,0,0\r\n",
         kMacroNoNameError,
         "",
         "",
         {}},
        {"bare line feed", "\n", kMacroNoNameError, "", "", {}},
    };
    for (const auto& c : cases) {
        MacroFileParse got = ParseMacroText(c.text, kImporter);
        EXPECT_EQ(got.error, c.error) << c.name;
        EXPECT_EQ(got.name, c.profile) << c.name;
        EXPECT_EQ(got.settings, c.settings) << c.name;
        EXPECT_EQ(got.events, c.events) << c.name;
    }
}

TEST(MacroFileSettings, GroupsTakenFromTheFile) {
    struct Case {
        const char* name;
        std::string file;
        std::string want;
    } cases[] = {
        {"35 fields", kStrangerSettings, "1,2,3,77,1,1,0,9,1,100,200,0,0,1,88,0,4,69,69|70,1"},
        {"23 fields keep the importer's key spammer",
         "1,2,3,77,1,1,0,9,1,100,200,0,0,0,0,1,3.0,1,500,65,66,0,67",
         "1,2,3,77,1,1,0,9,1,100,200,0,0,2,0,1,10,32,32,0"},
        {"22 fields change nothing", "1,2,3,77,1,1,0,9,1,100,200,0,0,0,0,1,3.0,1,500,65,66,0",
         kImporter},
        {"31 fields: targets become the file's first target",
         "1,2,3,77,1,1,0,9,1,100,200,0,0,0,0,1,3.0,1,500,65,66,0,67,0,0,1,88,0,4,68,69",
         "1,2,3,77,1,1,0,9,1,100,200,0,0,1,88,0,4,69,69,0"},
        {"33 fields, chord mode other than 1 is off",
         "1,2,3,77,1,1,0,9,1,100,200,0,0,0,0,1,3.0,1,500,65,66,0,67,0,0,1,88,0,4,68,69,x|y, 1",
         "1,2,3,77,1,1,0,9,1,100,200,0,0,1,88,0,4,69,x|y,0"},
        {"a non-integer click field keeps the importer's click group",
         "1,2,3,77,1,1,0,9,1,100,2.5,0,0,0,0,1,3.0,1,500,65,66,0,67,0,0,1,88,0,4,68,69,70,1",
         "0,0,1,0,0,0,1,10,0,0,0,0,0,1,88,0,4,69,70,1"},
        {"a non-integer key field keeps the importer's key group",
         "1,2,3,77,1,1,0,9,1,100,200,0,0,0,0,1,3.0,1,500,65,66,0,67,0,0,1,88,0,4,68,x,70,1",
         "1,2,3,77,1,1,0,9,1,100,200,0,0,2,0,1,10,32,70,1"},
        {"whole integers: blanks before and a sign are fine",
         " 1,+2,-3,77,1,1,0,9,1,100,200,0,0,0,0,1,3.0,1,500,65,66,0,67",
         " 1,+2,-3,77,1,1,0,9,1,100,200,0,0,2,0,1,10,32,32,0"},
        {"whole integers: text after the number is not",
         "1 ,2,3,77,1,1,0,9,1,100,200,0,0,0,0,1,3.0,1,500,65,66,0,67",
         "0,0,1,0,0,0,1,10,0,0,0,0,0,2,0,1,10,32,32,0"},
        {"whole integers: 32-bit range",
         "2147483648,2,3,77,1,1,0,9,1,100,200,0,0,0,0,1,3.0,1,500,65,66,0,67",
         "0,0,1,0,0,0,1,10,0,0,0,0,0,2,0,1,10,32,32,0"},
        {"whole integers: empty field", ",2,3,77,1,1,0,9,1,100,200,0,0,0,0,1,3.0,1,500,65,66,0,67",
         "0,0,1,0,0,0,1,10,0,0,0,0,0,2,0,1,10,32,32,0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConvertFileSettings(c.file, kImporter), c.want) << c.name;
    // An importer line that is short is completed with empty fields, never read past its end.
    EXPECT_EQ(ConvertFileSettings("1,2", "5,6"), "5,6,,,,,,,,,,,,,,,,,,");
}

TEST(MacroFileWrite, ExactBytesAndRoundTrip) {
    std::vector<UnifiedEvent> events = {
        {3, 3599.123456, 0, 0, 0, 65, true, 0},
        {1, 0.5, -3, 4, 0, 0, false, 0},
        {4, 1234567.0, 0, 0, 0, 0, false, -120},
    };
    const std::string text = MacroFileText("My macro", "1,2,3", events);
    EXPECT_EQ(text,
              "My macro\r\nSETTINGS:1,2,3\r\n3,3599.12,0,0,0,65,1,0\r\n1,0.5,-3,4,0,0,0,0\r\n"
              "4,1.23457e+06,0,0,0,0,0,-120\r\n");

    TempDir dir;
    const std::string path = dir.File("out.vtpmacro");
    ASSERT_TRUE(WriteMacroFile(path, "My macro", kStrangerSettings, events));
    EXPECT_EQ(ReadWholeFile(path), MacroFileText("My macro", kStrangerSettings, events));
    MacroFileParse back = ReadMacroFile(path, kImporter);
    EXPECT_EQ(back.error, "");
    EXPECT_EQ(back.name, "My macro");
    ASSERT_EQ(back.events.size(), 3u);
    EXPECT_EQ(back.events[0].time, 3599.12);
    EXPECT_EQ(back.events[1], events[1]);
    EXPECT_EQ(back.events[2].time, 1234570.0);

    EXPECT_FALSE(WriteMacroFile(dir.File("missing/x.vtpmacro"), "n", "", events));
    EXPECT_EQ(ReadMacroFile(dir.File("none.vtpmacro"), kImporter).error, kMacroOpenError);
    EXPECT_EQ(ReadMacroFile(dir.path(), kImporter).error, kMacroOpenError);
}

TEST(MacroFileRead, BlocksJoinLikeTheWholeText) {
    constexpr size_t kBlock = 1 << 20;  // the reader's block size
    std::string many = "Many\r\nSETTINGS:1\r\n";
    for (int i = 0; many.size() < 2 * kBlock + kBlock / 2; ++i) {
        many += FormatEventLine({3, i * 0.01, 0, 0, 0, 65u + i % 26, i % 2 == 0, 0}) + "\r\n";
    }
    // A line end split across a block boundary: the CR ends one block, the LF starts the next.
    std::string straddle = "S\n";
    straddle += std::string(kBlock - 1 - straddle.size() - 16, ' ') + "3,1,0,0,0,65,1,0";
    straddle += "\r\n3,2,0,0,0,66,1,0";  // and no final line end
    ASSERT_EQ(straddle[kBlock - 1], '\r');
    const std::string texts[] = {
        many,
        straddle,
        std::string(kBlock + kBlock / 2, 'n') + "\n3,1,0,0,0,65,1,0\n",
        many.substr(0, many.size() - 1),
        "\r",
        "",
    };
    TempDir dir;
    for (const auto& text : texts) {
        MacroFileParse want = ParseMacroText(text, kImporter);
        MacroFileParse got = ReadMacroFile(dir.Write("m.vtpmacro", text), kImporter);
        EXPECT_EQ(got.error, want.error) << text.size();
        EXPECT_EQ(got.name, want.name) << text.size();
        EXPECT_EQ(got.settings, want.settings) << text.size();
        EXPECT_EQ(got.events, want.events) << text.size();
    }
    EXPECT_EQ(ParseMacroText(straddle, "").events.size(), 2u);
    EXPECT_GT(ParseMacroText(many, "").events.size(), 100000u);
}

}  // namespace velotap
