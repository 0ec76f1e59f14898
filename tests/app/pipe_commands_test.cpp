// The main process's side of the pipe and the panels: every command of the dispatcher, popOutPanel
// and a panel's own functions.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "app/main_panels.h"
#include "app/panel_role.h"
#include "base/file_read.h"
#include "capture/tracker_status.h"
#include "engine/engine_calls.h"
#include "macro/event_list.h"
#include "platform/fake/fake_windows.h"
#include "support/fake_page.h"
#include "support/pipe_peer.h"

namespace velotap {

TEST(PipeCommands, EachCommandActsAsTheMainProcessDoes) {
    TempDir dir;
    MainApp app;
    app.capture.eventsPath = dir.File("macroevents.txt");
    app.themes = std::make_unique<ThemeStore>(dir.path());
    const std::vector<PipeCommand> commands = PipeCommands(app);
    std::set<std::string> names;
    for (const PipeCommand& c : commands)
        names.insert(c.name);
    EXPECT_EQ(names, (std::set<std::string>{"updateSpammer",
                                            "updateKeySpam",
                                            "startSpammer",
                                            "stopSpammer",
                                            "startKeySpam",
                                            "stopKeySpam",
                                            "removeKeySpamTarget",
                                            "setKeySpamChordMode",
                                            "panelHover",
                                            "reassignKey",
                                            "updateTracker",
                                            "setHoldMode",
                                            "startRecording",
                                            "stopRecording",
                                            "continueRecording",
                                            "undoContinueRecording",
                                            "startPlayback",
                                            "stopPlayback",
                                            "setTheme",
                                            "deleteEvent",
                                            "updateEventTime",
                                            "optimizeMacro",
                                            "timelineAck",
                                            "timelineExport",
                                            "applyTimelineEdit"}));

    EngineState& s = app.engine.state;
    s.targets.Append(66);  // after the default space
    app.profiles.Current() = {UnifiedEvent{3, 0.5, 0, 0, 0, 65, true, 0},
                              UnifiedEvent{3, 0.7, 0, 0, 0, 65, false, 0}};
    auto requested = [&](Flag& request) { return request.exchange(0) == 1 && app.command.IsSet(); };
    // The event list other processes read follows the macro.
    auto mirrored = [&] {
        app.capture.mirrors.Flush();
        return ReadWholeFile(app.capture.eventsPath) == MacroEventsDocument(app.profiles.Current());
    };
    const std::string untouched = SettingsDocument(s);
    struct Case {
        std::string message;
        std::function<bool()> effect;
    };
    const Case cases[] = {
        {"bogus|1", [&] { return SettingsDocument(s) == untouched && !app.command.IsSet(); }},
        {"updateSpammer|x,2,3,4,1,1,0,7,1", [&] { return SettingsDocument(s) == untouched; }},
        {"updateSpammer|1,2,3,4,1,1,0,7,1",
         [&] { return s.click.sh == 1 && s.click.sms == 4 && s.click.rptTimes == 7; }},
        {"updateKeySpam|0,0,2,0,0,4",
         [&] { return s.keySpam.kss == 2 && s.keySpam.ksRptTimes == 4; }},
        {"startSpammer|", [&] { return requested(s.requests.startClick); }},
        {"stopSpammer|ignored", [&] { return requested(s.requests.stopClick); }},
        {"startKeySpam|", [&] { return requested(s.requests.startKeySpam); }},
        {"stopKeySpam|", [&] { return requested(s.requests.stopKeySpam); }},
        {"startRecording|", [&] { return requested(s.requests.startRecording); }},
        {"stopRecording|", [&] { return requested(s.requests.stopRecording); }},
        {"continueRecording|", [&] { return requested(s.requests.continueRecording); }},
        {"undoContinueRecording|", [&] { return requested(s.requests.undoContinue); }},
        {"startPlayback|", [&] { return requested(s.requests.startPlayback); }},
        {"stopPlayback|", [&] { return requested(s.requests.stopPlayback); }},
        {"removeKeySpamTarget|z", [&] { return s.targets.Count() == 2; }},
        {"removeKeySpamTarget|0",
         [&] { return s.targets.Count() == 1 && s.targets.codes[0] == 66; }},
        {"setKeySpamChordMode|1", [&] { return s.keySpam.chord == 1; }},
        {"setKeySpamChordMode|true", [&] { return s.keySpam.chord == 0; }},
        {"setHoldMode|auto,1", [&] { return s.holdAuto == 1; }},
        {"updateTracker|false,true,true,true,false,2.5,true,250",
         [&] {
             return s.recorder.tmv == 0 && s.recorder.tspd == 2.5f && s.recorder.tloopMs == 250;
         }},
        {"setTheme|Ocean (2)",
         [&] {
             return CurrentTheme(*app.themes) == "Ocean (2)" &&
                    ReadWholeFile(dir.File("theme.txt")) == "Ocean (2)";
         }},
        {"panelHover|1", [&] { return app.panels.hover == 1; }},
        {"panelHover|true", [&] { return app.panels.hover == 0; }},
        {"reassignKey|auto",
         [&] { return s.pendingSlot == kSlotClickSpammer && app.command.IsSet(); }},
        {"reassignKey|nothing",
         [&] { return s.pendingSlot == kSlotClickSpammer && app.command.IsSet(); }},
        {"updateEventTime|1", [&] { return app.profiles.Current()[1].time == 0.7 && mirrored(); }},
        {"updateEventTime|1,2.5",
         [&] { return app.profiles.Current()[1].time == 2.5 && mirrored(); }},
        {"deleteEvent|0", [&] { return app.profiles.Current().size() == 1 && mirrored(); }},
        {"optimizeMacro|", [&] { return mirrored(); }},
        {"timelineAck|7",
         [&] { return app.engine.notice.acknowledged == 7 && app.timelineAck.IsSet(); }},
        {"timelineAck|5", [&] { return app.engine.notice.acknowledged == 7; }},  // never lowered
        {"timelineAck|12345678901",
         [&] { return app.engine.notice.acknowledged == 7 && !app.timelineAck.IsSet(); }},
    };
    for (const Case& c : cases) {
        app.command.Reset();
        app.timelineAck.Reset();
        DispatchPipeMessage(commands, *SplitPipeMessage(c.message));
        EXPECT_TRUE(c.effect()) << c.message;
    }
}

TEST(PipeCommands, PopOutPanelAnswersWhenPanelsCannotWork) {
    MainApp app;
    FakePage page;
    BindAll(page.bridge, {PopOutPanelBinding(app)});
    // Without an id there is no panel to show: nothing starts, nothing is recorded.
    EXPECT_EQ(page.Call("popOutPanel", R"(["Title only"])"), "");
    EXPECT_TRUE(app.panels.Live().empty());
    app.pipeUnavailable.exchange(1);
    EXPECT_EQ(page.Call("popOutPanel", R"(["Click spammer|panel-spammer|10|20"])"),
              R"("Pop-out panels are unavailable right now - restart Velotap.")");
    EXPECT_TRUE(app.panels.Live().empty());
}

TEST(PanelBindings, ForwardStateChangesAndReadTheMainProcessFiles) {
    PipePeerServer pipe;
    PipeRecorder main(pipe.name);
    ASSERT_TRUE(main.Serving());

    TempDir data;
    FakePage page;
    FakeDesktop desktop;
    PanelDrag drag(
        page.host, &desktop, [](bool) {}, [] {});
    EditorLauncher editors;
    ThemeStore themes(data.path());
    ASSERT_EQ(BindAll(page.bridge, PanelBindings(page.host, drag, editors, themes, pipe.name)),
              std::vector<std::string>{});
    EXPECT_EQ(page.bridge.BoundNames(), (std::vector<std::string>{"updateSpammer",
                                                                  "startSpammer",
                                                                  "stopSpammer",
                                                                  "updateKeySpam",
                                                                  "startKeySpam",
                                                                  "stopKeySpam",
                                                                  "removeKeySpamTarget",
                                                                  "setKeySpamChordMode",
                                                                  "setHoldMode",
                                                                  "updateTracker",
                                                                  "setTheme",
                                                                  "getSharedTheme",
                                                                  "getCustomThemes",
                                                                  "getSkinPiece",
                                                                  "getSkinFont",
                                                                  "startRecording",
                                                                  "stopRecording",
                                                                  "continueRecording",
                                                                  "undoContinueRecording",
                                                                  "startPlayback",
                                                                  "stopPlayback",
                                                                  "getTrackerStatus",
                                                                  "getSettings",
                                                                  "getMacroEvents",
                                                                  "deleteEvent",
                                                                  "updateEventTime",
                                                                  "optimizeMacro",
                                                                  "openTimelineEditor",
                                                                  "reassignKey",
                                                                  "resizeWindow",
                                                                  "beginWindowDrag",
                                                                  "closeThisWindow"}));

    // Before the main process wrote anything, and after.
    EXPECT_EQ(page.Call("getSettings"), "{}");
    EXPECT_EQ(page.Call("getMacroEvents"), "[]");
    EXPECT_EQ(page.Call("getSharedTheme"), R"("velotap")");
    EXPECT_EQ(page.Call("getCustomThemes"), "[]");
    EXPECT_EQ(page.Call("getSkinFont", R"(["velotap"])"), R"("")");
    EXPECT_EQ(page.Call("getTrackerStatus"), kIdleTrackerStatus);
    data.Write("panelsettings.txt", R"({"sms":250})");
    data.Write("theme.txt", "ocean");
    data.Write("status.txt", R"({"state":"Recording"})");
    EXPECT_EQ(page.Call("getSettings"), R"({"sms":250})");
    EXPECT_EQ(page.Call("getSharedTheme"), R"("ocean")");
    EXPECT_EQ(page.Call("getTrackerStatus"), R"({"state":"Recording"})");

    // Each forwarded call returns at once with nothing; the main process gets the command. A
    // command is lost when the server is busy or between two connections (on Windows a client
    // that has already left is not served), so a call is made again until its command arrived.
    const std::pair<std::string, std::string> calls[] = {{"updateSpammer", R"([0,0,0,"250"])"},
                                                         {"startSpammer", "[1]"},
                                                         {"reassignKey", R"(["auto"])"}};
    const std::string expected[] = {"updateSpammer|0,0,0,250", "startSpammer|", "reassignKey|auto"};
    for (size_t i = 0; i < std::size(calls); ++i)
        EXPECT_TRUE(main.Deliver([&] { EXPECT_EQ(page.Call(calls[i].first, calls[i].second), ""); },
                                 expected[i]))
            << calls[i].first;

    page.Call("closeThisWindow");
    EXPECT_TRUE(page.host.terminated);
}

}  // namespace velotap
