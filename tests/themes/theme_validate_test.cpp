#include <gtest/gtest.h>

#include "base/base64_check.h"
#include "theme_helpers.h"
#include "themes/skin_pieces.h"
#include "themes/theme_file.h"
#include "themes/theme_validate.h"

namespace velotap {

using namespace theme_test;

namespace {

std::string Line(const std::string& doc) {
    return ThemeCheckLine(ValidateThemeText(doc));
}

}  // namespace

TEST(ThemeColour, AcceptedForms) {
    struct Case {
        const char* value;
        bool colour;
    } cases[] = {
        {"#FFF", true},
        {"#a1B2c3", true},
        {"rgb(255, 0, 12)", true},
        {"rgb( 1 ,2,3)", true},
        {"rgb(1,2,3,)", true},
        {"rgb(0,0,0)", true},
        {"#ffff", false},
        {"#12345678", false},
        {"#ggg", false},
        {"#", false},
        {"rgb(256,0,0)", false},
        {"rgb(1,2)", false},
        {"rgb(1,,2,3)", false},
        {"RGB(1,2,3)", false},
        {"rgba(1,2,3,1)", false},
        {"rgb(1,2,3,4)", false},
        {"rgb(1,2,3,,)", false},
        {"rgb(1,2,3, )", false},
        {"rgb(1,2,3", false},
        {"rgb(1,2,3) ", false},
        {"rgb(0001,2,3)", false},
        {"rgb(1, ,3)", false},
        {"rgb(1,2,-3)", false},
        {"rgb(1%,2,3)", false},
        {"rgb(\t1,2,3)", false},
        {"red", false},
        {"", false},
        {"rgb()", false},
        {"rgb(,1,2,3)", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsThemeColour(c.value), c.colour) << c.value;
}

TEST(ThemeValidate, TopLevelRulesInOrder) {
    std::string name40(40, 'n'), name41(41, 'n');
    struct Case {
        std::string doc;
        std::string line;
    } cases[] = {
        {Theme(), "OK colours\n"},
        {"", "REJECT file is empty\n"},
        {"not json", "REJECT invalid or missing name\n"},
        {Theme({{"name", Quoted(name40)}}), "OK colours\n"},
        {Theme({{"name", Quoted(name41)}}), "REJECT invalid or missing name\n"},
        {Theme({{"name", "\"Caf\xC3\xA9\""}}), "OK colours\n"},
        {Theme({{"name", "\"a\\u0041\""}}), "REJECT invalid or missing name\n"},
        {Theme({{"name", "\"tab\\there\""}}), "REJECT invalid or missing name\n"},
        {Theme({{"name", "\"del\x7F\""}}), "REJECT invalid or missing name\n"},
        {Theme({{"name", "<omit>"}}), "REJECT invalid or missing name\n"},
        {Theme({{"name", "12"}}), "OK colours\n"},
        // The first failing colour is named, in member order rather than document order.
        {Theme({{"text", "\"#ffff\""}, {"bgPanel", "\"rgb(256,0,0)\""}}),
         "REJECT invalid or missing bgPanel\n"},
        {Theme({{"accentHover", "\"rgba(1,2,3,1)\""}}), "REJECT invalid or missing accentHover\n"},
        {Theme({{"text", "<omit>"}}), "REJECT invalid or missing text\n"},
        {Theme({{"bgMain", "\"#FFF\""}, {"bgHeader", "\"rgb( 1 ,2,3)\""}}), "OK colours\n"},
        {Theme({{"font", "\"'Consolas', 'Courier New', monospace\""}}), "OK colours\n"},
        {Theme({{"font", "\"'Consolas','Courier New',monospace\""}}),
         "REJECT invalid or missing font stack\n"},
        {Theme({{"font", "<omit>"}}), "REJECT invalid or missing font stack\n"},
        // The first occurrence of a key counts.
        {Theme({}, ", \"name\": \"\""), "OK colours\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Line(c.doc), c.line) << c.doc;
}

TEST(ThemeValidate, SkinIsReadOnlyForFormat2AndTemplate1) {
    std::string broken = "{\"template\": \"1\", \"pieces\": [1]}";
    std::string panel = "{\"panel\": " + Quoted(Base64(Png(256, 256))) + "}";
    struct Case {
        std::string doc;
        std::string line;
    } cases[] = {
        {Theme({{"format", "2"}, {"skin", broken}}), "REJECT skin.pieces is not an object\n"},
        {Theme({{"format", "\"2\""}, {"skin", broken}}), "REJECT skin.pieces is not an object\n"},
        {Theme({{"format", "\"3\""}, {"skin", broken}}), "OK colours\n"},
        {Theme({{"format", "2.0"}, {"skin", broken}}), "OK colours\n"},
        {Theme({{"skin", broken}}), "OK colours\n"},
        {Theme({{"format", "2"}, {"skin", "{\"template\": 2, \"pieces\": 5}"}}), "OK colours\n"},
        {Theme({{"format", "2"}, {"skin", "{\"pieces\": 5}"}}), "OK colours\n"},
        {Theme({{"format", "2"}, {"skin", "\"\""}}), "OK colours\n"},
        {Theme({{"format", "2"}, {"skin", "{\"template\": 1, \"pieces\": " + panel + "}"}}),
         "OK skin 1 pieces\n"},
        {Theme({{"format", "2"}, {"skin", "{\"template\": \"1\"}"}}), "OK colours\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Line(c.doc), c.line) << c.doc.substr(0, 300);
}

TEST(ThemeValidate, Pieces) {
    auto piece = [](const std::string& name, const std::string& value) {
        return "\"" + name + "\": " + value;
    };
    std::string panel = Quoted(Base64(Png(256, 256)));
    std::string tooBig = Quoted(Base64(Png(256, 256, kSkinPieceDecodedCap + 1)));
    std::string atCap = Quoted(Base64(Png(256, 256, kSkinPieceDecodedCap)));
    std::string noPad = Base64(Png(256, 256, 66));  // 66 bytes: no padding
    ASSERT_EQ(noPad.find('='), std::string::npos);
    struct Case {
        std::string pieces;
        std::string line;
    } cases[] = {
        {"{}", "OK colours\n"},
        {"[]", "REJECT skin.pieces is not an object\n"},
        {"\"x\"", "REJECT skin.pieces is not an object\n"},
        {"{" + piece("panel", panel) + "}", "OK skin 1 pieces\n"},
        {"{" + piece("panel", Quoted(Base64(Png(256, 257)))) + "}",
         "REJECT invalid or wrong-size PNG for piece: panel\n"},
        {"{" + piece("panel.on", panel) + "}", "REJECT unknown skin piece name: panel.on\n"},
        {"{" + piece("button.on", Quoted(Base64(Png(192, 64)))) + ", " +
             piece("window", Quoted(Base64(Png(1024, 768)))) + "}",
         "OK skin 2 pieces\n"},
        // A duplicate is checked against the first value and counted twice.
        {"{" + piece("panel", panel) + ", " + piece("panel", "\"!!\"") + "}", "OK skin 2 pieces\n"},
        {"{" + piece("panel", "\"" + noPad.substr(0, 40) + "\\n" + noPad.substr(40) + "\"") + "}",
         "REJECT invalid base64 for piece: panel\n"},
        {"{" + piece("panel", Quoted(noPad.substr(0, 8) + "-" + noPad.substr(9))) + "}",
         "REJECT invalid base64 for piece: panel\n"},
        {"{" + piece("panel", Quoted(noPad.substr(0, 8) + "_" + noPad.substr(9))) + "}",
         "REJECT invalid base64 for piece: panel\n"},
        {"{" + piece("panel", Quoted(noPad.substr(0, noPad.size() - 4) + "A===")) + "}",
         "REJECT invalid base64 for piece: panel\n"},
        {"{" + piece("panel", Quoted(noPad.substr(0, noPad.size() - 4) + "A=A=")) + "}",
         "REJECT invalid base64 for piece: panel\n"},
        {"{" + piece("panel", Quoted(noPad.substr(1))) + "}",
         "REJECT invalid base64 for piece: panel\n"},
        {"{" + piece("panel", "\"\"") + "}", "REJECT invalid base64 for piece: panel\n"},
        {"{" + piece("panel", "17") + "}", "REJECT invalid base64 for piece: panel\n"},
        {"{" + piece("panel", atCap) + "}", "OK skin 1 pieces\n"},
        {"{" + piece("panel", tooBig) + "}", "REJECT piece exceeds the 1 MB decoded cap: panel\n"},
        {"{" + piece("panel", Quoted(Base64(Png(256, 256).substr(0, 23)))) + "}",
         "REJECT invalid or wrong-size PNG for piece: panel\n"},
        {"{" + piece("panel", Quoted(Base64("GIF89a" + Png(256, 256)))) + "}",
         "REJECT invalid or wrong-size PNG for piece: panel\n"},
        // Pieces are read with the key lookup's own walk, which a malformed object ends early.
        {"{" + piece("panel", panel) + " ,\n\t" + piece("radio", Quoted(Base64(Png(52, 52)))) + "}",
         "OK skin 2 pieces\n"},
        {"{" + piece("panel", panel) + ",, " + piece("radio", Quoted(Base64(Png(52, 52)))) + "}",
         "REJECT invalid base64 for piece: radio\n"},
        {"{" + piece("panel", panel) + ", \"radio\" x: " + Quoted(Base64(Png(52, 52))) + "}",
         "REJECT invalid base64 for piece: radio\n"},
        {"{" + piece("panel", "[" + panel + "]") + ", " +
             piece("radio", Quoted(Base64(Png(52, 52)))) + "}",
         "REJECT invalid base64 for piece: panel\n"},
        {"{, " + piece("panel", panel) + "}", "REJECT invalid base64 for piece: panel\n"},
        // The first failing piece in document order decides.
        {"{" + piece("radio", Quoted(Base64(Png(1, 1)))) + ", " + piece("nope", panel) + "}",
         "REJECT invalid or wrong-size PNG for piece: radio\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Line(SkinnedTheme(c.pieces)), c.line) << c.pieces.substr(0, 200);
    }
}

TEST(ThemeValidate, Font) {
    std::string panel = "{\"panel\": " + Quoted(Base64(Png(256, 256))) + "}";
    struct Case {
        std::string pieces, font, line;
    } cases[] = {
        {"", Quoted(Base64(Font("OTTO"))), "OK skin 0 pieces +font\n"},
        {panel, Quoted(Base64(Font(std::string("\0\1\0\0", 4)))), "OK skin 1 pieces +font\n"},
        {"", Quoted(Base64(Font("OTTO", 1024))), "OK skin 0 pieces +font\n"},
        {"", Quoted(Base64(Font("OTTO", 1023))), "REJECT invalid font magic bytes\n"},
        {"", Quoted(Base64(Font("wOFF"))), "REJECT invalid font magic bytes\n"},
        {"", Quoted(Base64(Font("ttcf"))), "REJECT invalid font magic bytes\n"},
        {"", Quoted(Base64(Font("OTTO", kSkinFontDecodedCap))), "OK skin 0 pieces +font\n"},
        {"", Quoted(Base64(Font("OTTO", kSkinFontDecodedCap + 1))),
         "REJECT font exceeds the 2 MB decoded cap\n"},
        {"", "\"T1RUTw\"", "REJECT invalid base64 for skin.font\n"},
        {"", "\"\"", "OK colours\n"},
        // Pieces are checked before the font.
        {"{\"x\": 1}", "\"bad\"", "REJECT unknown skin piece name: x\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Line(SkinnedTheme(c.pieces, c.font)), c.line) << c.font;
}

TEST(ThemeValidate, RecordOfAnAcceptedTheme) {
    ThemeCheck check = ValidateThemeText(SkinnedTheme("{}", Quoted(Base64(Font("OTTO")))));
    ASSERT_TRUE(check.accepted);
    EXPECT_TRUE(check.error.empty());
    EXPECT_EQ(check.record.name, "Ocean");
    EXPECT_EQ(check.record.bgPanel, "#abc");
    EXPECT_EQ(check.record.accent, "rgb(1,2,3)");
    EXPECT_EQ(check.record.font, kSansStack);
    EXPECT_TRUE(check.record.hasSkin);
    EXPECT_TRUE(check.hasFont);
    EXPECT_EQ(check.pieceCount, 0);
    EXPECT_TRUE(check.record.path.empty());
}

TEST(ThemeValidate, PieceNameListing) {
    using V = std::vector<std::string_view>;
    struct Case {
        std::string text;
        V names;
    } cases[] = {
        {"{}", {}},
        {"{\"a\": 1, \"b\": \"x,}\", \"c\": {\"d\": [1, {\"e\": 2}]}, \"f\": 3}",
         {"a", "b", "c", "f"}},
        {"{ ,, \"a\":1,,\"b\" :2}", {"a", "b"}},
        {"{\"a\\\"b\": 1}", {"a\\\"b"}},
        {"{\"a\": 1, 5, \"b\": 2}", {"a"}},
        {"{\"a\": 1, \"b\"}", {"a"}},
        {"{\"a\": 1, \"b", {"a"}},
        {"{\"a\": [1, 2], \"b\": 2]", {"a", "b"}},
        {"{\"a\" x : 1, \"b\": 2}", {"a", "b"}},
        {"{\"a\": \"open, \"b\": 2}", {"a"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListPieceNames(c.text), c.names) << c.text;
}

TEST(ThemeValidate, Base64Rules) {
    struct Case {
        const char* text;
        bool valid;
        size_t size;
    } cases[] = {
        {"QUJD", true, 3},  {"QUI=", true, 2}, {"QQ==", true, 1},  {"Q===", false, 0},
        {"====", false, 0}, {"QUJ", false, 0}, {"QU=D", false, 0}, {"QUJD\n", false, 0},
        {"", false, 0},     {"+/+/", true, 3}, {"-_-_", false, 0}, {"QUJDQQ==", true, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsStrictBase64(c.text), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(Base64DecodedSize(c.text), c.size) << c.text;
        }
    }
    EXPECT_EQ(Base64DecodePrefix("QUJDREVG", 4), "ABCD");
    EXPECT_EQ(Base64DecodePrefix("QUI=", 24), "AB");
}

TEST(ThemeValidate, SkinPieceTable) {
    ASSERT_EQ(kSkinPieces.size(), 24u);
    EXPECT_EQ(kSkinPieces[0].name, "window");
    EXPECT_EQ(kSkinPieces[14].name, "scroll-thumb");
    EXPECT_EQ(kSkinPieces[15].name, "button.on");
    const SkinPiece* header = FindSkinPiece("panel-header");
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->width, 256u);
    EXPECT_EQ(header->height, 78u);
    EXPECT_EQ(FindSkinPiece("scroll-track.on"), nullptr);
    EXPECT_EQ(FindSkinPiece("Panel"), nullptr);
}

}  // namespace velotap
