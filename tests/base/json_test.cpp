#include <gtest/gtest.h>

#include "base/args.h"
#include "base/json.h"

namespace velotap {

TEST(JsonEscape, QuotesAndEscapes) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"", R"("")"},
        {"plain", R"("plain")"},
        {"a\"b\\c", R"("a\"b\\c")"},
        {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
        {std::string("\x01\x1f\x7f", 3), R"("\u0001\u001f\u007f")"},
        {"caf\xc3\xa9", "\"caf\xc3\xa9\""},
        {"</script>", R"("</script>")"},
        // Ill-formed UTF-8: each maximal bad sequence becomes one U+FFFD.
        {"a\xff\xfe"
         "b",
         "\"a\xef\xbf\xbd\xef\xbf\xbd"
         "b\""},
        {"\xe2\x82", "\"\xef\xbf\xbd\""},                              // cut short at the end
        {"\xe2\x82x", "\"\xef\xbf\xbdx\""},                            // cut short before ASCII
        {"\xed\xa0\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},  // a surrogate
        {"\xc0\xaf", "\"\xef\xbf\xbd\xef\xbf\xbd\""},                  // overlong
        {"\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},                  // four bytes, well formed
    };
    for (const auto& c : cases)
        EXPECT_EQ(JsonEscape(c.in), c.out) << c.in;
}

TEST(IsJsonText, AcceptsWhatJsonParseAccepts) {
    const struct {
        std::string text;
        bool json;
    } cases[] = {
        {"0", true},
        {"-0.5e+10", true},
        {" \t\r\n[1, 2.0, -3E2] ", true},
        {R"("a\"\u00e9\/")", true},
        {R"({"a":{"b":[true,false,null,{}]},"c":""})", true},
        {"[]", true},
        {std::string(100000, '[') + std::string(100000, ']'), true},
        {"", false},
        {" ", false},
        {"01", false},
        {"1.", false},
        {".5", false},
        {"+1", false},
        {"1e", false},
        {"tru", false},
        {"nul", false},
        {"[1,]", false},
        {"[1 2]", false},
        {R"({"a" 1})", false},
        {R"({"a":1,})", false},
        {"{1:2}", false},
        {"'a'", false},
        {R"("\x")", false},
        {R"("\u12")", false},
        {"\"tab\there\"", false},
        {"\"open", false},
        {"[1]]", false},
        {"{not json", false},
        {"1 2", false},
        {"NaN", false},
        {std::string(1000, '['), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsJsonText(c.text), c.json) << c.text.substr(0, 40);
    }
}

TEST(JsonLookup, ReadsOnlyOutermostMembersFirstWins) {
    const std::string doc =
        R"( { "a" : "x", "inner": {"a": "deep", "b": [1, {"c": "}"}]}, "a": "second", "n": 2 ,)"
        R"("t":true,"z":null, "s":"q\"\\\/\b\f\n\r\t"} )";
    EXPECT_EQ(JsonLookup(doc, "a"), "x");
    EXPECT_EQ(JsonLookup(doc, "inner"), R"({"a": "deep", "b": [1, {"c": "}"}]})");
    EXPECT_EQ(JsonLookup(JsonLookup(doc, "inner"), "a"), "deep");
    EXPECT_EQ(JsonLookup(doc, "b"), "");  // nested members are invisible
    EXPECT_EQ(JsonLookup(doc, "n"), "2");
    EXPECT_EQ(JsonLookup(doc, "t"), "true");
    EXPECT_EQ(JsonLookup(doc, "z"), "null");
    EXPECT_EQ(JsonLookup(doc, "s"), "q\"\\/\b\f\n\r\t");
    EXPECT_EQ(JsonLookup(doc, "missing"), "");
}

TEST(JsonLookup, EdgeCases) {
    struct Case {
        std::string doc, key, value;
    } cases[] = {
        {R"({"format": 2})", "format", "2"},
        {R"({"format": "2"})", "format", "2"},
        {R"({"name":"\u0041bc"})", "name", ""},  // \u is not decoded: the value reads as empty
        {R"({"name":"a\qb"})", "name", ""},
        {R"({"pieces": []})", "pieces", "[]"},
        {R"({"pieces": {}})", "pieces", "{}"},
        {R"({"k":"a,b}"})", "k", "a,b}"},
        {R"({"x":1,"k":"v")", "k", "v"},  // a match before a broken tail still counts
        {R"({"x":"unterminated,"k":"v"})", "k", ""},
        {R"(["k","v"])", "k", ""},  // not an object
        {"", "k", ""},
        {R"({"k"})", "k", ""},
        {R"({"a\"b":1})", "a\\\"b", "1"},  // keys compare as written, escapes included
    };
    for (const auto& c : cases)
        EXPECT_EQ(JsonLookup(c.doc, c.key), c.value) << c.doc;
}

TEST(JsonLookup, RawViewsPointIntoTheDocument) {
    const std::string doc = R"({"s":"a\nb", "o":{"k":[1]}, "n":2, "b":"x"})";
    EXPECT_EQ(JsonLookupRaw(doc, "s"), R"("a\nb")");
    EXPECT_EQ(JsonLookupRaw(doc, "o"), R"({"k":[1]})");
    EXPECT_EQ(JsonLookupRaw(doc, "missing"), "");
    std::string storage;
    EXPECT_EQ(JsonLookupView(doc, "s", storage), "a\nb");
    EXPECT_EQ(JsonLookupView(doc, "o", storage).data(), doc.data() + doc.find("{\"k\""));
    // Walking from a comma between members finds what follows it.
    EXPECT_EQ(JsonLookupRawFrom(doc, doc.find(", \"n\"") + 1, "n"), "2");
    EXPECT_EQ(JsonLookupRawFrom(doc, doc.find(", \"n\"") + 1, "s"), "");
    EXPECT_EQ(JsonReadValue(JsonLookupRaw(doc, "b")), "x");
}

TEST(JsonArrayElement, ReadsByIndex) {
    const std::string doc = R"([420, "a\"b", {"k":[1,2]}, true])";
    EXPECT_EQ(JsonArrayElement(doc, 0), "420");
    EXPECT_EQ(JsonArrayElement(doc, 1), "a\"b");
    EXPECT_EQ(JsonArrayElement(doc, 2), R"({"k":[1,2]})");
    EXPECT_EQ(JsonArrayElement(doc, 3), "true");
    EXPECT_EQ(JsonArrayElement(doc, 4), "");
    EXPECT_EQ(JsonArrayElement("[]", 0), "");
}

TEST(JsonEscape, RoundTripsThroughLookupForPrintableText) {
    for (std::string text : {"", "a b", "q\"uote", "back\\slash", "tab\tand\nnewline", "/"}) {
        EXPECT_EQ(JsonLookup("{\"k\":" + JsonEscape(text) + "}", "k"), text);
    }
}

TEST(Args, FlattenAndSplit) {
    EXPECT_EQ(FlattenArgs("[]"), "");
    EXPECT_EQ(FlattenArgs(R"([420])"), "420");
    EXPECT_EQ(FlattenArgs(R"(["a", " b", [1]])"), "a,  b, 1");  // blanks stay
    EXPECT_EQ(FlattenArgs(R"(["x\"y"])"), "x\\y");              // quotes go wherever they stand

    using V = std::vector<std::string>;
    EXPECT_EQ(SplitString("", ','), V{""});
    EXPECT_EQ(SplitString("a,b", ','), (V{"a", "b"}));
    EXPECT_EQ(SplitString(",a,,", ','), (V{"", "a", "", ""}));
    EXPECT_EQ(SplitString("t|panel|1,2", '|'), (V{"t", "panel", "1,2"}));
}

TEST(Args, NumberConversions) {
    EXPECT_EQ(ToInteger("42"), 42);
    EXPECT_EQ(ToInteger(" -7x"), -7);
    EXPECT_EQ(ToInteger("x7"), std::nullopt);
    EXPECT_EQ(ToInteger(""), std::nullopt);
    EXPECT_EQ(ToInteger("99999999999999999999"), std::nullopt);
    EXPECT_EQ(ToDouble("0.5"), 0.5);
    EXPECT_EQ(ToDouble(" +2.25e1x"), 22.5);
    EXPECT_EQ(ToDouble("-0.125"), -0.125);
    EXPECT_EQ(ToDouble("abc"), std::nullopt);
    EXPECT_EQ(ToDouble(""), std::nullopt);
    EXPECT_EQ(ToDouble("1e999"), std::nullopt);
}

}  // namespace velotap
