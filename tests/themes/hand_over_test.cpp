#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "base/json.h"
#include "platform/fake/fake_folder_watch.h"
#include "profiles/macro_import.h"
#include "support/subprocess.h"
#include "support/wait_for.h"
#include "theme_helpers.h"
#include "themes/hand_over.h"
#include "themes/theme_names.h"
#include "themes/theme_watcher.h"

namespace velotap {

using namespace theme_test;

namespace {

// A process around the store: what reached the page, the pending alert and the panels.
struct World {
    TempDir data, src;
    ThemeStore store{data.path()};
    bool page = true;
    std::vector<std::string> scripts;
    std::string alert;
    std::atomic<int> notices{0};
    std::vector<std::string> macros;  // contents of the macro files handed over
    MacroHandOver::Kind macroOutcome = MacroHandOver::Kind::Imported;

    HandOverContext Context() {
        return {store,
                [this] { return page; },
                [this](const std::string& s) { scripts.push_back(s); },
                [this](const std::string& m) { alert = m; },
                [this] { ++notices; },
                [this](const std::string& path) {
                    macros.push_back(ReadWholeFile(path));
                    return MacroHandOver{macroOutcome, "{\"outcome\":\"pending\"}"};
                }};
    }
    std::string Marker() const { return data.File("themes/_pending_apply.marker"); }
    bool Exists(const std::string& name) const {
        return std::filesystem::exists(data.File("themes/" + name));
    }
};

std::string Result(const std::string& applied, const std::vector<ThemeReject>& rejects) {
    return ThemeResultScript(applied, rejects);
}

}  // namespace

TEST(HandOver, MarkerIsAlwaysDeletedAndAppliedWhenItNamesSomething) {
    struct Case {
        std::string line;
        bool page, handled;
        std::vector<std::string> scripts;
        std::string alert, current;
    } cases[] = {
        {"THEME", true, false, {}, "", "velotap"},
        {"THEME:", true, false, {}, "", "velotap"},
        {"THEME:a,b", true, false, {}, "", "velotap"},
        {"SKIN:Dark", true, false, {}, "", "velotap"},
        {"THEME:Gone", true, true, {}, "", "velotap"},
        {"THEME:Dark", true, true, {Result("Dark", {})}, "", "Dark"},
        {"THEME:Dark\r\n", false, true, {}, "", "Dark"},
        {"THEME:New", true, true, {Result("New", {})}, "", "New"},  // not scanned yet
        {"THEME:Bad",
         true,
         true,
         {Result("", {{"Bad.vtptheme", kHandedOverThemeInvalidMessage}})},
         "",
         "velotap"},
        {"THEME:Bad", false, true, {}, kHandedOverThemeInvalidMessage, "velotap"},
        {"MACRO:Rec", true, true, {kProfileImportedScript}, "", "velotap"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line + (c.page ? " with a page" : " before the page"));
        World w;
        w.page = c.page;
        w.data.Write("themes/Dark.vtptheme", Theme());
        RescanThemes(w.store);
        w.data.Write("themes/New.VTPTHEME", Theme());
        w.data.Write("themes/Bad.vtptheme", Theme({{"font", "\"Arial\""}}));
        w.data.Write("themes/Rec.vtpmacro", "Rec\r\n");
        w.data.Write("themes/_pending_apply.marker", c.line);
        HandOverContext context = w.Context();
        EXPECT_EQ(ProcessMarker(context), c.handled);
        EXPECT_FALSE(std::filesystem::exists(w.Marker()));
        EXPECT_EQ(w.scripts, c.scripts);
        EXPECT_EQ(w.alert, c.alert);
        EXPECT_EQ(CurrentTheme(w.store), c.current);
        EXPECT_EQ(ReadThemeTxt(w.store.themeTxtPath), c.current);
        EXPECT_EQ(w.Exists("Bad.vtptheme"), c.line != "THEME:Bad");
        EXPECT_EQ(w.Exists("Rec.vtpmacro"), c.line != "MACRO:Rec");
    }
    World w;
    HandOverContext context = w.Context();
    EXPECT_FALSE(ProcessMarker(context));  // no marker at all
}

TEST(HandOver, MacroOutcomesReachThePageOrWait) {
    struct Case {
        MacroHandOver::Kind kind;
        bool page;
        std::vector<std::string> scripts;
        std::string alert;
    } cases[] = {
        {MacroHandOver::Kind::Held,
         true,
         {"if (window.onPendingMacroImport) "
          "window.onPendingMacroImport({\"outcome\":\"pending\"});"},
         ""},
        {MacroHandOver::Kind::Held, false, {}, ""},
        {MacroHandOver::Kind::Unreadable,
         true,
         {"alert(" + JsonEscape(kMacroUnreadableAlert) + ");"},
         ""},
        {MacroHandOver::Kind::Unreadable, false, {}, kMacroUnreadableAlert},
    };
    for (const Case& c : cases) {
        World w;
        w.page = c.page;
        w.macroOutcome = c.kind;
        ASSERT_EQ(CopyAndMark(w.store.folder, w.src.Write("Rec.VTPMACRO", "R")),
                  CopyAndMarkResult::Marked);
        HandOverContext context = w.Context();
        EXPECT_TRUE(ProcessMarker(context));
        EXPECT_EQ(w.macros, std::vector<std::string>{"R"});
        EXPECT_EQ(w.scripts, c.scripts);
        EXPECT_EQ(w.alert, c.alert);
        EXPECT_FALSE(w.Exists("Rec.VTPMACRO"));
    }
}

TEST(HandOver, CopyAndMarkCopiesOnceAndNamesTheCopy) {
    World w;
    const std::string dark = w.src.Write("a/Dark.vtptheme", Theme());
    const std::string other = w.src.Write("b/Dark.vtptheme", Named("B"));
    struct Case {
        std::string path;
        CopyAndMarkResult result;
        std::string marker;
    } cases[] = {
        {dark, CopyAndMarkResult::Marked, "THEME:Dark"},
        {dark, CopyAndMarkResult::Marked, "THEME:Dark"},  // identical: no second copy
        {other, CopyAndMarkResult::Marked, "THEME:Dark (2)"},
        {w.src.Write("Rec.vtpmacro", "R"), CopyAndMarkResult::Marked, "MACRO:Rec"},
        {w.src.Write("notes.txt", "t"), CopyAndMarkResult::Ignored, "MACRO:Rec"},
        {w.src.Write(".vtptheme", "t"), CopyAndMarkResult::Ignored, "MACRO:Rec"},
        {w.src.Write("It's.vtptheme", "t"), CopyAndMarkResult::Ignored, "MACRO:Rec"},
        {w.src.File("missing.vtptheme"), CopyAndMarkResult::CopyFailed, "MACRO:Rec"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CopyAndMark(w.store.folder, c.path), c.result) << c.path;
        EXPECT_EQ(ReadWholeFile(w.Marker()), c.marker) << c.path;
    }
    EXPECT_EQ(ReadWholeFile(w.data.File("themes/Dark (2).vtptheme")), Named("B"));
    EXPECT_FALSE(w.Exists("Dark (3).vtptheme"));
}

TEST(HandOver, DropImportsThemesAndAppliesTheLast) {
    World w;
    // Refused by its length before the file is looked at.
    const std::string longPath = w.src.File(std::string(250, 'd') + "/Long.vtptheme");
    HandOverContext context = w.Context();
    InstallDroppedFiles(
        context,
        {w.src.Write("One.vtptheme", Theme()), w.src.Write("Broken.vtptheme", "{\"name\": 1}"),
         w.src.Write("Two.vtptheme", Theme()), w.src.Write("Rec.vtpmacro", "R"), longPath});
    EXPECT_EQ(w.scripts, std::vector<std::string>{
                             Result("Two", {{"Broken.vtptheme", kThemeInvalidMessage},
                                            {"Long.vtptheme", kDropPathTooLongMessage}})});
    EXPECT_EQ(CurrentTheme(w.store), "Two");
    EXPECT_EQ(w.notices.load(), 1);
    EXPECT_FALSE(w.Exists("Rec.vtpmacro"));

    w.scripts.clear();
    InstallDroppedFiles(context, {w.src.Write("Rec.vtpmacro", "R"), w.src.Write("a.txt", "")});
    EXPECT_EQ(w.scripts, std::vector<std::string>{Result("", {})});
    EXPECT_EQ(CurrentTheme(w.store), "Two");
    EXPECT_EQ(w.notices.load(), 1);
}

TEST(HandOver, WatcherRescansThenHandsOverOrTellsThePage) {
    World w;
    FakeFolderWatch watch;
    std::atomic<uint8_t> running{1};
    std::atomic<int> forward{0};
    std::thread watcher(RunThemeWatcher,
                        ThemeWatcherContext{watch, running, w.Context(), [&] { ++forward; }});

    w.data.Write("themes/Dark.vtptheme", Theme());
    watch.Change();
    ASSERT_TRUE(WaitFor([&] { return w.notices == 1; }));
    EXPECT_EQ(w.store.registry.count("Dark"), 1u);
    EXPECT_EQ(w.scripts, std::vector<std::string>{kThemeFolderChangedScript});

    CopyAndMark(w.store.folder, w.src.Write("Light.vtptheme", Theme()));
    watch.Change();
    ASSERT_TRUE(WaitFor([&] { return w.notices == 2; }));
    EXPECT_EQ(forward.load(), 1);
    EXPECT_EQ(w.scripts.back(), Result("Light", {}));
    using std::chrono::milliseconds;
    EXPECT_EQ(watch.Pauses(),
              (std::vector<milliseconds>{milliseconds(300), milliseconds(200), milliseconds(200),
                                         milliseconds(300), milliseconds(200), milliseconds(200)}));
    watch.Stop();
    watcher.join();
}

}  // namespace velotap
