#include <gtest/gtest.h>

#include "timeline/edited_macro.h"

namespace velotap {

namespace {

std::string Doc(const std::string& events, const std::string& nonce = "\"ab12\"",
                const std::string& loadNonce = "\"CD34\"") {
    return "{\"nonce\": " + nonce + ", \"loadNonce\": " + loadNonce + ", \"events\": " + events +
           "}";
}

std::string Error(const std::string& text) {
    return ReadEditedMacro(text).error;
}

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

const std::string kEvent = "[3, 0.5, 0, 0, 0, 65, 1, 0]";

}  // namespace

TEST(EditedMacro, AcceptsTheOneShape) {
    EditedMacro m = ReadEditedMacro(
        "\r\n\t {\"events\":[[0,0,-5,7,0,0,0,0], [2 , 1.5e0 , 100 , 200 , 2 , 0 , 1 , 0],"
        "[4,2,0,0,4294967295,255,0,-120]],\"loadNonce\":\"00ff\",\"nonce\":\"Ab\"}\n");
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(m.nonce, "Ab");
    EXPECT_EQ(m.loadNonce, "00ff");
    ASSERT_EQ(m.events.size(), 3u);
    EXPECT_EQ(m.events[0].x, -5);
    EXPECT_EQ(m.events[0].y, 7);
    EXPECT_EQ(m.events[1].type, 2u);
    EXPECT_DOUBLE_EQ(m.events[1].time, 1.5);
    EXPECT_EQ(m.events[1].flags, 2u);
    EXPECT_TRUE(m.events[1].down);
    EXPECT_EQ(m.events[2].flags, 4294967295u);
    EXPECT_EQ(m.events[2].vk, 255u);
    EXPECT_EQ(m.events[2].wheel, -120);
    EXPECT_FALSE(m.events[2].down);

    EditedMacro empty = ReadEditedMacro(Doc("[ ]"));
    EXPECT_EQ(empty.error, "");
    EXPECT_TRUE(empty.events.empty());
}

TEST(EditedMacro, DocumentErrors) {
    std::string hex64(64, 'a'), hex65(65, 'a');
    std::string key257(257, 'k'), key258(258, 'k');
    struct Case {
        std::string text, error;
    } cases[] = {
        {"", "The edited macro is not in the expected format."},
        {"[]", "The edited macro is not in the expected format."},
        {"{}", "The edited macro is missing a field."},
        {"{\"nonce\":\"1\",\"events\":[]}", "The edited macro is missing a field."},
        {Doc("[]") + "\n", ""},
        {Doc("[]") + "{}", "Unexpected data after the edited macro."},
        {"{\"nonce\":\"1\",}", "Expected a string."},
        {"{\"nonce\":\"1\" \"loadNonce\":\"2\"}",
         "The edited macro is not in the expected format."},
        {"{\"nonce\":\"1\"", "The edited macro is not in the expected format."},
        {"{\"non\\\"ce\":\"1\"}", "Unexpected character in a string."},
        {"{\"non\tce\":\"1\"}", "Unexpected character in a string."},
        {"{\"nonce\xC3\xA9\":\"1\"}", "Unexpected character in a string."},
        {"{\"nonce", "Unterminated string."},
        {"{\"" + key257 + "\":1}", "Unexpected key in the edited macro."},
        {"{\"" + key258 + "\":1}", "A string is too long."},
        {"{\"nonce\" 1}", "Malformed document."},
        {"{\"nonce\"", "Malformed document."},
        {"{\"other\":1}", "Unexpected key in the edited macro."},
        {Doc("[]", Quoted(hex64)), ""},
        {Doc("[]", Quoted(hex65)), "Malformed nonce."},
        {Doc("[]", "\"12g4\""), "Malformed nonce."},
        {Doc("[]", "\"\""), "Malformed nonce."},
        {Doc("[]", "1234"), "Malformed nonce."},
        {Doc("[]", "\"12\\u0034\""), "Malformed nonce."},
        {Doc("[]", "\"12", "\"34\""), "Malformed nonce."},
        {Doc("[]", "\"12\"", "null"), "Malformed loadNonce."},
        {"{\"nonce\":\"1\",\"nonce\":\"2\"}", "Duplicate key: nonce."},
        {"{\"loadNonce\":\"1\",\"loadNonce\":\"zz\"}", "Duplicate key: loadNonce."},
        {"{\"events\":[],\"events\":5}", "Duplicate key: events."},
        {Doc("{}"), "events must be a list."},
        {Doc("null"), "events must be a list."},
        {Doc("[" + kEvent + " " + kEvent + "]"), "events list is malformed."},
        {Doc("[" + kEvent), "events list is malformed."},
        {Doc("[" + kEvent + ",]"), "Event 2: expected [type, time, x, y, flags, vk, down, wheel]."},
        {Doc("[5]"), "Event 1: expected [type, time, x, y, flags, vk, down, wheel]."},
        // The first error wins, even when a later part is broken too.
        {Doc("[[9,0,0,0,0,0,0,0]]", "\"zz\""), "Malformed nonce."},
        {"{\"events\":[[9,0,0,0,0,0,0,0]]} trailing", "Event 1: unknown event type."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Error(c.text), c.error) << c.text.substr(0, 120);
}

TEST(EditedMacro, EventErrors) {
    struct Case {
        std::string events, error;
    } cases[] = {
        {"[3,0,0,0,0,65,1]", "Event 1: needs exactly 8 values."},
        {"[3,0,0,0,0,65,1,0,0]", "Event 1: needs exactly 8 values."},
        {"[3,0,0,0,0,65,1 0]", "Event 1: needs exactly 8 values."},
        {"[3,0,0,0,0,65,1,\"0\"]", "Event 1: has a value that is not a number."},
        {"[3,0,0,0,0,65,1,]", "Event 1: has a value that is not a number."},
        {"[3,01,0,0,0,65,1,0]", "Event 1: needs exactly 8 values."},
        {"[3,.5,0,0,0,65,1,0]", "Event 1: has a value that is not a number."},
        {"[3,1.,0,0,0,65,1,0]", "Event 1: has a value that is not a number."},
        {"[3,1e,0,0,0,65,1,0]", "Event 1: has a value that is not a number."},
        {"[3,+1,0,0,0,65,1,0]", "Event 1: has a value that is not a number."},
        {"[3,1e999,0,0,0,65,1,0]", "Event 1: has a value that is not a number."},
        {"[3,NaN,0,0,0,65,1,0]", "Event 1: has a value that is not a number."},
        {"[3,0." + std::string(39, '1') + ",0,0,0,65,1,0]",
         "Event 1: has a value that is not a number."},
        {"[3,0." + std::string(38, '1') + ",0,0,0,65,1,0]", ""},
        {"[3,-" + std::string(40, '1') + ",0,0,0,65,1,0]",
         "Event 1: has a value that is not a number."},
        {"[3,0,0,0,0," + std::string(37, '0') + "65,1,0]", "Event 1: needs exactly 8 values."},
        {"[3,0,0,0,0,6" + std::string(39, '0') + ",1,0]", "Event 1: key code is out of range."},
        {"[6,0,0,0,0,0,0,0]", "Event 1: unknown event type."},
        {"[-1,0,0,0,0,0,0,0]", "Event 1: unknown event type."},
        {"[1.5,0,0,0,0,0,0,0]", "Event 1: unknown event type."},
        {"[5.0,0,0,0,0,1,1,0]", ""},
        {"[1e0,0,0,0,0,0,0,0]", ""},
        {"[0,0,1000001,0,0,0,0,0]", "Event 1: position is out of range."},
        {"[0,0,0,-1000001,0,0,0,0]", "Event 1: position is out of range."},
        {"[0,0,-1000000,1000000,0,0,0,0]", ""},
        {"[0,0,0.5,0,0,0,0,0]", "Event 1: position is out of range."},
        {"[2,0,0,0,4294967296,0,0,0]", "Event 1: mouse flags are out of range."},
        {"[2,0,0,0,-1,0,0,0]", "Event 1: mouse flags are out of range."},
        {"[3,0,0,0,0,256,1,0]", "Event 1: key code is out of range."},
        {"[3,0,0,0,0,255,1,0]", ""},
        {"[3,0,0,0,0,65,2,0]", "Event 1: the down flag must be 0 or 1."},
        {"[3,0,0,0,0,65,0.5,0]", "Event 1: the down flag must be 0 or 1."},
        {"[4,0,0,0,0,0,0,1000001]", "Event 1: scroll amount is out of range."},
        {"[4,0,0,0,0,0,0,-1000000]", ""},
        // Range checks run in a fixed order.
        {"[9,0,5000000,0,0,999,7,0]", "Event 1: unknown event type."},
        {"[0,0,5000000,0,0,999,7,0]", "Event 1: position is out of range."},
        {"[0,-0.5,0,0,0,0,0,0]", "Event 1: time is out of range."},
        {"[0,1000000,0,0,0,0,0,0]", ""},
        {"[0,1000000.5,0,0,0,0,0,0]", "Event 1: time is out of range."},
        {"[0,2.5,0,0,0,0,0,0],[0,2.0,0,0,0,0,0,0]", "Event 2: times are out of order."},
        {"[0,2.0,0,0,0,0,0,0],[0,2.0,0,0,0,0,0,0]", ""},
        {"[0,-0,0,0,0,0,0,0]", ""},
        // Reading errors come before the final checks, whatever their position.
        {"[0,5,0,0,0,0,0,0],[0,1,0,0,0,0,0,0],[7,0,0,0,0,0,0,0]", "Event 3: unknown event type."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Error(Doc("[" + c.events + "]")), c.error) << c.events;
    }
}

TEST(EditedMacro, Limits) {
    std::string events = "[";
    std::string one = "[0,0,0,0,0,0,0,0]";
    events.reserve((one.size() + 1) * (kEditedMacroEventCap + 1) + 2);
    for (size_t i = 0; i < kEditedMacroEventCap; ++i)
        events += (i ? "," : "") + one;
    EditedMacro full = ReadEditedMacro(Doc(events + "]"));
    EXPECT_EQ(full.error, "");
    EXPECT_EQ(full.events.size(), kEditedMacroEventCap);
    EXPECT_EQ(Error(Doc(events + "," + one + "]")), "Too many events (the limit is 1000000).");

    std::string huge = Doc("[]");
    huge.append(kEditedMacroCap + 1 - huge.size(), ' ');
    EXPECT_EQ(Error(huge), "The edited macro is too large to save.");
    huge.pop_back();
    EXPECT_EQ(Error(huge), "");
}

}  // namespace velotap
