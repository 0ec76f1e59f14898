#include "macro/event_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "app/bindings.h"
#include "support/subprocess.h"

namespace velotap {

namespace {

UnifiedEvent Ev(uint32_t type, double time, int32_t x = 0, int32_t y = 0, uint32_t flags = 0,
                uint32_t vk = 0, bool down = false, int32_t wheel = 0) {
    return {type, time, x, y, flags, vk, down, wheel};
}

UnifiedEvent Move(int32_t x, int32_t y, double time = 0) {
    return Ev(EventType::AbsoluteMove, time, x, y);
}

std::string Call(const std::vector<Binding>& bindings, const std::string& name,
                 const std::string& args = "[]") {
    for (const Binding& b : bindings)
        if (b.name == name) return b.sync(args);
    return "<unbound>";
}

}  // namespace

TEST(EventList, DocumentDescribesEveryEventType) {
    struct Case {
        UnifiedEvent event;
        const char* entry;
    };
    const Case cases[] = {
        {Ev(0, 1.5, 5, -7), R"({"id":0,"time":1.500000,"desc":"Abs Move to X:5 Y:-7"})"},
        {Ev(1, 0, -3, 4), R"({"id":0,"time":0.000000,"desc":"Rel Move dX:-3 dY:4"})"},
        {Ev(2, 0.1234567, 100, 200, 0x0002),
         R"({"id":0,"time":0.123457,"desc":"Mouse Click at X:100 Y:200"})"},
        {Ev(3, 2, 0, 0, 0, 65, false),
         R"j({"id":0,"time":2.000000,"desc":"Keyboard VK: 65 (UP)"})j"},
        {Ev(3, 2, 0, 0, 0, 13, true),
         R"j({"id":0,"time":2.000000,"desc":"Keyboard VK: 13 (DOWN)"})j"},
        {Ev(4, 3, 0, 0, 0, 0, false, -120),
         R"({"id":0,"time":3.000000,"desc":"Mouse Scroll Delta: -120"})"},
        {Ev(5, 0, 0, 0, 0, 1, true), R"({"id":0,"time":0.000000,"desc":"Tapwire ON"})"},
        {Ev(5, 0, 0, 0, 0, 2, false), R"({"id":0,"time":0.000000,"desc":"Key Spammer OFF"})"},
        {Ev(5, 0, 0, 0, 0, 7, false), R"({"id":0,"time":0.000000,"desc":"Tapwire OFF"})"},
        {Ev(9, -0.5), R"({"id":0,"time":-0.500000,"desc":""})"},
        {Ev(0, 12345678.25, 2147483647, -2147483647 - 1),
         R"({"id":0,"time":12345678.250000,"desc":"Abs Move to X:2147483647 Y:-2147483648"})"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MacroEventsDocument({c.event}), std::string("[") + c.entry + "]") << c.entry;
    }
    EXPECT_EQ(MacroEventsDocument({}), "[]");
    EXPECT_EQ(MacroEventsDocument({Move(1, 2, 0.5), Ev(3, 0.25, 0, 0, 0, 65, true)}),
              R"([{"id":0,"time":0.500000,"desc":"Abs Move to X:1 Y:2"},)"
              R"j({"id":1,"time":0.250000,"desc":"Keyboard VK: 65 (DOWN)"}])j");
}

TEST(EventList, DeleteRemovesOnlyAnIndexInTheList) {
    struct Case {
        const char* arg;
        std::vector<double> remaining;  // the times left, which identify the events
    };
    const Case cases[] = {
        {"0", {2, 3}},     {"1", {1, 3}},      {"2", {1, 2}},   {"3", {1, 2, 3}},
        {"-1", {1, 2, 3}}, {"abc", {1, 2, 3}}, {"", {1, 2, 3}}, {" 1", {1, 3}},
    };
    for (const Case& c : cases) {
        std::vector<UnifiedEvent> macro{Move(0, 0, 1), Move(0, 0, 2), Move(0, 0, 3)};
        DeleteEvent(macro, c.arg);
        std::vector<double> times;
        for (const UnifiedEvent& e : macro)
            times.push_back(e.time);
        EXPECT_EQ(times, c.remaining) << '"' << c.arg << '"';
    }
    std::vector<UnifiedEvent> one{Move(1, 1)};
    EXPECT_TRUE(DeleteEvent(one, "0"));
    EXPECT_EQ(MacroEventsDocument(one), "[]");
}

TEST(EventList, UpdateTimeNeedsExactlyIndexAndFiniteTime) {
    struct Case {
        const char* arg;
        bool changed;
        double time1;  // event 1's time afterwards
    };
    const Case cases[] = {
        {"1,0.25", true, 0.25}, {"1,-4", true, -4},  {" 1, 2.5", true, 2.5}, {"1,0.25,9", false, 2},
        {"1", false, 2},        {"1,", false, 2},    {"x,0.25", false, 2},   {"1,abc", false, 2},
        {"1,nan", false, 2},    {"1,inf", false, 2}, {"1,1e999", false, 2},  {"3,1", false, 2},
        {"-1,1", false, 2},
    };
    for (const Case& c : cases) {
        std::vector<UnifiedEvent> macro{Move(0, 0, 1), Move(0, 0, 2), Move(0, 0, 3)};
        EXPECT_EQ(UpdateEventTime(macro, c.arg), c.changed) << c.arg;
        EXPECT_EQ(macro[1].time, c.time1) << c.arg;
        EXPECT_EQ(macro[0].time, 1);
        EXPECT_EQ(macro[2].time, 3);
    }
    // The list is not re-sorted.
    std::vector<UnifiedEvent> macro{Move(0, 0, 1), Move(0, 0, 2), Move(0, 0, 3), Move(9, 9, 4)};
    EXPECT_TRUE(UpdateEventTime(macro, "3,0.25"));
    EXPECT_EQ(macro[3], Move(9, 9, 0.25));
}

TEST(EventList, ThinningKeepsEndsAndMovesNextToOtherEvents) {
    const UnifiedEvent key = Ev(3, 0, 0, 0, 0, 65, true);
    const UnifiedEvent click = Ev(2, 0, 5, 5, 0x0002);
    struct Case {
        const char* name;
        std::vector<UnifiedEvent> before, after;
    };
    const Case cases[] = {
        {"within ten pixels of the last kept move; times unchanged",
         {Move(0, 0, 1), Move(3, 4, 2), Move(6, 8, 3), Move(20, 0, 4), key},
         {Move(0, 0, 1), Move(20, 0, 4), key}},
        {"two moves", {Move(0, 0), Move(1, 1)}, {Move(0, 0), Move(1, 1)}},
        {"slow drag",
         {Move(0, 0), Move(4, 0), Move(8, 0), Move(12, 0), Move(16, 0), Move(30, 0)},
         {Move(0, 0), Move(12, 0), Move(30, 0)}},
        {"moves next to a click stay",
         {Move(0, 0), Move(1, 0), click, Move(2, 0), Move(3, 0)},
         {Move(0, 0), Move(1, 0), click, Move(2, 0), Move(3, 0)}},
        {"relative moves are never candidates",
         {Move(0, 0), Ev(1, 0, 1, 1), Ev(1, 0, 1, 1), Move(0, 0)},
         {Move(0, 0), Ev(1, 0, 1, 1), Ev(1, 0, 1, 1), Move(0, 0)}},
        {"far coordinates do not overflow",
         {Move(0, 0), Move(2147483647, 0), Move(-2147483647 - 1, 0), Move(0, 0)},
         {Move(0, 0), Move(2147483647, 0), Move(-2147483647 - 1, 0), Move(0, 0)}},
        {"empty", {}, {}},
        {"one", {Move(1, 1)}, {Move(1, 1)}},
    };
    for (const Case& c : cases) {
        std::vector<UnifiedEvent> macro = c.before;
        ThinMovement(macro);
        EXPECT_EQ(macro, c.after) << c.name;
    }
}

TEST(EventListMirror, WrittenWholeAndReadBackAsOneLine) {
    TempDir dir;
    MirrorWriter writer;
    auto write = [&writer](const std::string& path, const char* text) {
        writer.Write(path, {std::make_shared<const std::string>(text)});
        writer.Flush();
    };
    const std::string path = dir.File("nested/folder/macroevents.txt");
    EXPECT_EQ(ReadMacroEventsMirror(path), "[]");  // never listed yet
    write(path, R"([{"id":0}])");
    EXPECT_EQ(ReadWholeFile(path), R"([{"id":0}])");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    EXPECT_EQ(ReadMacroEventsMirror(path), R"([{"id":0}])");
    write(path, "[]");
    EXPECT_EQ(ReadWholeFile(path), "[]");

    struct Case {
        const char* content;
        const char* read;
    };
    const Case cases[] = {{"", "[]"}, {"\r\n[1]", "[]"}, {"[1]\r\n[2]", "[1]"}, {"[1]\n", "[1]"}};
    for (const Case& c : cases) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.content;
        EXPECT_EQ(ReadMacroEventsMirror(path), c.read) << c.content;
    }
    // A folder where the file should be: the write fails quietly and leaves nothing behind.
    const std::string blocked = dir.File("blocked");
    std::filesystem::create_directories(blocked + "/inside");
    write(blocked, "[]");
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
    EXPECT_FALSE(std::filesystem::exists(blocked + ".tmp"));
}

// The listing is kept between calls: each step changes the profiles, and the cached document must
// then equal a fresh one, rebuilt (or extended) only when something changed.
TEST(EventListCache, FollowsEveryKindOfChange) {
    ProfileList profiles;
    profiles.profiles.push_back({"Other", "", {Move(9, 9, 0), Move(8, 8, 1), Move(7, 7, 2)}});
    EventListCache cache;
    struct Step {
        const char* what;
        std::function<void()> change;
        bool changed;
    } steps[] = {
        {"first listing", [] {}, true},
        {"nothing changed", [] {}, false},
        {"appended", [&] { profiles.AppendToCurrent(Move(1, 1, 0.5)); }, true},
        {"appended twice more",
         [&] {
             profiles.AppendToCurrent(Move(2, 2, 1));
             profiles.AppendToCurrent(Ev(3, 1.5, 0, 0, 0, 65, true));
         },
         true},
        {"settings changed", [&] { profiles.CurrentSettings() = "1,2"; }, false},
        {"an event edited in place", [&] { profiles.Current()[0].x = 7; }, true},
        {"switched to a profile of the same size",
         [&] {
             profiles.currentIndex = 1;
             profiles.Touch();
         },
         true},
        {"cleared", [&] { profiles.Current().clear(); }, true},
    };
    for (const Step& s : steps) {
        s.change();
        EXPECT_EQ(cache.Refresh(profiles), s.changed) << s.what;
        EXPECT_EQ(JoinPieces(cache.Pieces()), MacroEventsDocument(profiles.CurrentMacro()))
            << s.what;
    }
}

TEST(EventListBindings, EditsRewriteTheMirror) {
    TempDir dir;
    ProfileList profiles;
    profiles.Current() = {Move(0, 0, 0), Move(3, 4, 1), Move(20, 0, 2),
                          Ev(3, 3, 0, 0, 0, 65, true)};
    EventListCache cache;
    MirrorWriter writer;
    const MacroEditView view{profiles, cache, writer, dir.File("macroevents.txt")};
    auto mirror = [&] {
        writer.Flush();
        return ReadWholeFile(view.mirrorPath);
    };
    std::vector<Binding> b{OptimizeMacroBinding(view)};
    for (Binding& list : MacroListBindings(view))
        b.push_back(std::move(list));

    const std::string full = Call(b, "getMacroEvents");
    EXPECT_EQ(full, MacroEventsDocument(profiles.Current()));
    EXPECT_EQ(mirror(), full);
    // The rows in view: ids stay the macro's indexes; a window past the end is empty, a bad one
    // gets the whole list.
    const std::string second = full.substr(full.find(",{\"id\":1") + 1,
                                           full.find(",{\"id\":2") - full.find(",{\"id\":1") - 1);
    const struct {
        const char* args;
        std::string reply;
    } windows[] = {
        {R"(["1,1"])", R"({"total":4,"first":1,"events":[)" + second + "]}"},
        {R"(["9,5"])", R"({"total":4,"first":4,"events":[]})"},
        {R"(["0,0"])", R"({"total":4,"first":0,"events":[]})"},
        {R"(["-1,5"])", full},
        {R"(["x"])", full},
    };
    for (const auto& w : windows)
        EXPECT_EQ(Call(b, "getMacroEvents", w.args), w.reply) << w.args;

    EXPECT_EQ(Call(b, "optimizeMacro"), "");
    EXPECT_EQ(profiles.Current().size(), 3u);
    EXPECT_EQ(mirror(), MacroEventsDocument(profiles.Current()));

    EXPECT_EQ(Call(b, "updateEventTime", R"(["2,0.25"])"), "");
    EXPECT_EQ(profiles.Current()[2].time, 0.25);
    EXPECT_EQ(Call(b, "updateEventTime", R"([2,0.5])"), "");
    EXPECT_EQ(profiles.Current()[2].time, 0.5);
    EXPECT_NE(mirror().find(R"("id":2,"time":0.500000)"), std::string::npos);

    EXPECT_EQ(Call(b, "deleteEvent", "[7]"), "");
    EXPECT_EQ(profiles.Current().size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Call(b, "deleteEvent", R"(["0"])"), "");
    EXPECT_TRUE(profiles.Current().empty());
    EXPECT_EQ(mirror(), "[]");
    EXPECT_EQ(Call(b, "getMacroEvents"), "[]");

    // Another process lists what the main process wrote last.
    Binding mirrored = MirroredMacroEventsBinding(view.mirrorPath);
    profiles.Current() = {Move(1, 2, 0.5)};
    Call(b, "getMacroEvents");
    writer.Flush();
    EXPECT_EQ(mirrored.sync("[]"), MacroEventsDocument(profiles.Current()));
    EXPECT_EQ(MirroredMacroEventsBinding(dir.File("none.txt")).sync("[]"), "[]");
}

}  // namespace velotap
