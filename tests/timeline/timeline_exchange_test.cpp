// The timeline editor's handshake in the main process: nonces and tokens, the load document, every
// apply outcome, and the window placement text.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>

#include "base/file_read.h"
#include "support/subprocess.h"
#include "timeline/timeline_main.h"
#include "timeline/timeline_placement.h"

namespace velotap {

TEST(TimelineExchange, NonceAndTokenForms) {
    struct Case {
        std::string text;
        bool nonce, token;
    };
    const std::vector<Case> cases = {
        {"", false, false},
        {"0", true, true},
        {"aF09", true, false},
        {std::string(64, 'f'), true, false},
        {std::string(65, 'f'), false, false},
        {"12g", false, false},
        {"1234567890", true, true},
        {"12345678901", true, false},
        {"-1", false, false},
        {"1 2", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsTimelineNonce(c.text), c.nonce) << c.text;
        EXPECT_EQ(IsTimelineAckToken(c.text), c.token) << c.text;
    }
}

TEST(TimelineExchange, LoadDocumentBytes) {
    const std::vector<UnifiedEvent> events = {
        {3, 0.1, 0, 0, 0, 90, true, 0},
        {0, 1.0 / 3, -5, 7, 4294967295u, 0, false, -120},
        {3, std::numeric_limits<double>::quiet_NaN(), 0, 0, 0, 65, false, 0},
        {3, std::numeric_limits<double>::infinity(), 0, 0, 0, 90, false, 0},
    };
    const std::string doc = TimelineLoadDocument(
        "Mine \"1\"", 2, events, [](uint32_t vk) { return "K" + std::to_string(vk); });
    EXPECT_EQ(doc,
              R"({"profile":"Mine \"1\"","profileIdx":2,"keys":{"65":"K65","90":"K90"},"events":)"
              R"([[3,0.1,0,0,0,90,1,0],[0,0.333333333333333,-5,7,4294967295,0,0,-120],)"
              R"([3,0,0,0,0,65,0,0],[3,0,0,0,0,90,0,0]]})");
    EXPECT_EQ(TimelineLoadDocument("", 0, {}, nullptr),
              R"({"profile":"","profileIdx":0,"keys":{},"events":[]})");
    EXPECT_EQ(TimelineTooLargeDocument(1000001),
              R"({"error":"This macro has 1000001 events - more than the Timeline Editor's )"
              R"(limit of 1000000."})");
}

TEST(TimelineExchange, PollsAcceptOnlyTheirOwnNonce) {
    EXPECT_EQ(AcceptTimelineLoad("ab\n{\"x\":1}", "ab"), R"("{\"x\":1}")");
    EXPECT_EQ(AcceptTimelineLoad("ab\n{}", "abc"), std::nullopt);
    EXPECT_EQ(AcceptTimelineLoad("ab", "ab"), std::nullopt);
    EXPECT_EQ(AcceptTimelineResult("7\nok\nSaved 1 events.", "7"),
              R"({"ok":true,"message":"Saved 1 events."})");
    EXPECT_EQ(AcceptTimelineResult("7\nerror", "7"), R"({"ok":false,"message":""})");
    EXPECT_EQ(AcceptTimelineResult("7\nok\nline\nmore", "7"),
              R"({"ok":true,"message":"line\nmore"})");
    EXPECT_EQ(AcceptTimelineResult("8\nok\n", "7"), std::nullopt);
}

class TimelineApply : public ::testing::Test {
  protected:
    void SetUp() override {
        profiles.profiles = {Profile{"First", {}, {{3, 0.5, 0, 0, 0, 65, true, 0}}},
                             Profile{"Second", {}, {{0, 0.0, 1, 2, 0, 0, false, 0}}}};
        profiles.currentIndex = 1;
    }
    TimelineMainView View() { return {snapshot, profiles, engine, nullptr, dir.path()}; }
    std::string Save(const std::string& nonce, const std::string& load,
                     const std::string& events = "[[0,0.25,3,4,0,0,0,0]]") {
        return dir.Write(kTimelineSaveFile, "{\"nonce\":\"" + nonce + "\",\"loadNonce\":\"" + load +
                                                "\",\"events\":" + events + "}");
    }
    std::string ResultFile() { return ReadWholeFile(dir.File(kTimelineResultFile)); }

  public:
    TempDir dir;
    TimelineSnapshot snapshot;
    ProfileList profiles;
    EngineState engine;
};

TEST_F(TimelineApply, ExportWritesTheCurrentMacroAfterItsNonce) {
    ExportTimeline(View(), "zz");  // malformed: nothing
    EXPECT_EQ(ReadWholeFile(dir.File(kTimelineLoadFile)), "");
    ExportTimeline(View(), "A1");
    EXPECT_EQ(ReadWholeFile(dir.File(kTimelineLoadFile)),
              "A1\n"
              R"({"profile":"Second","profileIdx":1,"keys":{},"events":[[0,0,1,2,0,0,0,0]]})");
    EXPECT_EQ(snapshot.loadNonce, "A1");
    EXPECT_EQ(snapshot.profileName, "Second");
    // A repeated request keeps the copy the editor may be editing already.
    const std::string first = ReadWholeFile(dir.File(kTimelineLoadFile));
    profiles.Current().clear();
    ExportTimeline(View(), "A1");
    EXPECT_EQ(ReadWholeFile(dir.File(kTimelineLoadFile)), first);
    EXPECT_EQ(snapshot.events.size(), 1u);
}

TEST_F(TimelineApply, ExportOverTheLimitWritesTheErrorDocument) {
    for (size_t count : {size_t{1000000}, size_t{1000001}}) {
        profiles.Current().assign(count, UnifiedEvent{});
        const std::string nonce = std::to_string(count);
        ExportTimeline(View(), nonce);
        const std::string text = ReadWholeFile(dir.File(kTimelineLoadFile));
        EXPECT_EQ(text.starts_with(nonce + "\n{\"error\":"), count > 1000000) << count;
    }
}

TEST_F(TimelineApply, EveryOutcome) {
    const std::string stale =
        "Not saved: this editor's copy is out of date. Revert to reload the "
        "macro.";
    const std::string outside =
        "Not saved: the macro was changed outside the editor since it was loaded (recorded, "
        "imported or edited). Revert loads the current version.";
    struct Case {
        const char* what;
        std::function<void(TimelineApply&)> before;
        std::string nonce, docNonce, loadNonce;
        bool ok;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"saved", nullptr, "b1", "b1", "a1", true, "Saved 1 events to \"Second\"."},
        {"saved again from the same load", nullptr, "b2", "b2", "a1", true,
         "Saved 1 events to \"Second\"."},
        {"a newer save replaced the file", nullptr, "b3", "b4", "a1", false,
         "Not saved: the save request was out of date. Try again."},
        {"edited an older load", nullptr, "b5", "b5", "a0", false, stale},
        {"recording", [](TimelineApply& t) { t.engine.recording.exchange(1); }, "b6", "b6", "a1",
         false, "Not saved: Velotap is recording. Stop it first, then save again."},
        {"playing",
         [](TimelineApply& t) {
             t.engine.recording.exchange(0);
             t.engine.playing.exchange(1);
         },
         "b7", "b7", "a1", false, "Not saved: Velotap is playing. Stop it first, then save again."},
        {"changed outside",
         [](TimelineApply& t) {
             t.engine.playing.exchange(0);
             t.profiles.profiles[1].macro.push_back({});
         },
         "b8", "b8", "a1", false, outside},
        {"renamed", [](TimelineApply& t) { t.profiles.profiles[1].name = "Other"; }, "b9", "b9",
         "a1", false, "Not saved: the profile this macro came from was renamed or deleted."},
        {"deleted", [](TimelineApply& t) { t.profiles.profiles.pop_back(); }, "ba", "ba", "a1",
         false, "Not saved: the profile this macro came from was renamed or deleted."},
    };
    ExportTimeline(View(), "a1");
    for (const Case& c : cases) {
        if (c.before) c.before(*this);
        Save(c.docNonce, c.loadNonce);
        std::optional<TimelineOutcome> outcome = ApplyTimelineEdit(View(), c.nonce);
        ASSERT_TRUE(outcome) << c.what;
        EXPECT_EQ(outcome->ok, c.ok) << c.what;
        EXPECT_EQ(outcome->message, c.message) << c.what;
        EXPECT_EQ(ResultFile(), c.nonce + "\n" + (c.ok ? "ok" : "error") + "\n" + c.message)
            << c.what;
        EXPECT_FALSE(std::filesystem::exists(dir.File(kTimelineSaveFile))) << c.what;
    }
    EXPECT_EQ(profiles.profiles[0].macro.size(), 1u);  // never touched
}

TEST_F(TimelineApply, RefusalsBeforeAnyLock) {
    ExportTimeline(View(), "a1");
    EXPECT_EQ(ApplyTimelineEdit(View(), "not hex"), std::nullopt);
    EXPECT_EQ(ResultFile(), "");
    EXPECT_EQ(ApplyTimelineEdit(View(), "c1")->message, "Couldn't read the edited macro.");
    Save("c2", "a1", "[[0,2,0,0,0,0,0,0],[0,1,0,0,0,0,0,0]]");
    EXPECT_EQ(ApplyTimelineEdit(View(), "c2")->message,
              "Not saved: Event 2: times are out of order.");
    // An empty list replaces the macro.
    Save("c3", "a1", "[]");
    EXPECT_EQ(ApplyTimelineEdit(View(), "c3")->message, "Saved 0 events to \"Second\".");
    EXPECT_TRUE(profiles.profiles[1].macro.empty());
}

TEST(EditorPlacement, TextAndRestore) {
    const Rect area{0, 0, 1280, 984};
    const Rect current{100, 50, 1000, 680};
    struct Case {
        std::string text;
        std::optional<Rect> frame;
        bool maximize;
    };
    const std::vector<Case> cases = {
        {"300 200", Rect{100, 50, 600, 400}, false},
        {"5000 5000 max", Rect{0, 0, 1280, 984}, true},
        {"1200 900", Rect{80, 50, 1200, 900}, false},
        {"max", std::nullopt, false},
        {"800", std::nullopt, false},
        {"", std::nullopt, false},
    };
    for (const Case& c : cases) {
        std::optional<EditorPlacement> p = EditorPlacementFromText(c.text, area, current);
        ASSERT_EQ(p.has_value(), c.frame.has_value()) << c.text;
        if (!p) continue;
        EXPECT_EQ(p->frame, *c.frame) << c.text;
        EXPECT_EQ(p->maximize, c.maximize) << c.text;
    }
    EXPECT_EQ(EditorPlacementText({0, 0, 1000, 680}, true), "1000 680 max");
    EXPECT_EQ(EditorPlacementText({0, 0, 640, 420}, false), "640 420");
}

}  // namespace velotap
