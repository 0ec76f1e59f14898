// The timeline editor window's functions: requests through the pipe, answers from the files.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <thread>

#include "app/timeline_role.h"
#include "engine/engine_state.h"
#include "support/fake_page.h"
#include "support/pipe_peer.h"
#include "themes/theme_helpers.h"
#include "timeline/timeline_exchange.h"

namespace velotap {

TEST(TimelineEditor, FunctionsTalkToTheMainProcessThroughPipeAndFiles) {
    PipePeerServer pipe;
    PipeRecorder main(pipe.name);
    ASSERT_TRUE(main.Serving());

    TempDir data;
    FakePage page;
    TimelineEditorState state;
    ThemeStore themes(data.path());
    ASSERT_EQ(BindAll(page.bridge, TimelineEditorBindings(state, page.host, themes, pipe.name)),
              std::vector<std::string>{});
    EXPECT_EQ(page.bridge.BoundNames(),
              (std::vector<std::string>{"getSharedTheme", "getCustomThemes", "tlGetStatus",
                                        "tlRequestLoad", "tlReadLoad", "tlSave", "tlReadResult",
                                        "tlAckAutomation", "tlGetAutomation", "tlSetDirty",
                                        "tlCloseWindow"}));

    // The themes are the editor's own scan of the folder; the current key is read at each call.
    EXPECT_EQ(page.Call("getSharedTheme"), R"("velotap")");
    EnsureThemesFolder(themes);
    data.Write("themes/Ocean.vtptheme", theme_test::Theme());
    data.Write("theme.txt", "Ocean");
    RescanThemes(themes);
    EXPECT_EQ(page.Call("getSharedTheme"), R"("Ocean")");
    EXPECT_NE(page.Call("getCustomThemes").find(R"("key":"Ocean","name":"Ocean")"),
              std::string::npos);

    // Malformed nonces and tokens send nothing; the good ones are sent, each until it arrived.
    page.Call("tlRequestLoad", R"(["xyz"])");
    page.Call("tlAckAutomation", R"(["12345678901"])");
    EXPECT_TRUE(
        main.Deliver([&] { page.Call("tlRequestLoad", R"(["a1"])"); }, "timelineExport|a1"));
    EXPECT_TRUE(main.Deliver([&] { page.Call("tlAckAutomation", R"(["42"])"); }, "timelineAck|42"));

    // A load file of another request is left alone; the matching one is answered and deleted.
    data.Write(kTimelineLoadFile, "a0\n{}");
    EXPECT_EQ(page.Call("tlReadLoad", R"(["a1"])"), "null");
    EXPECT_TRUE(std::filesystem::exists(data.File(kTimelineLoadFile)));
    data.Write(kTimelineLoadFile, "a1\n{\"events\":[]}");
    EXPECT_EQ(page.Call("tlReadLoad", R"(["a1"])"), R"("{\"events\":[]}")");
    EXPECT_FALSE(std::filesystem::exists(data.File(kTimelineLoadFile)));

    struct SaveCase {
        std::string args, answer;
    };
    const std::string doc = R"({"nonce":"b1","loadNonce":"a1","events":[[0,1,2,3,0,0,0,0]]})";
    const std::vector<SaveCase> saves = {
        {"{}", R"({"ok":false,"message":"Malformed save request."})"},
        {"[{}]", R"({"ok":false,"message":"Not saved: The edited macro is missing a field."})"},
    };
    for (const SaveCase& c : saves)
        EXPECT_EQ(page.Call("tlSave", c.args), c.answer) << c.args;
    EXPECT_TRUE(main.Deliver(
        [&] {
            EXPECT_EQ(page.Call("tlSave", " \n[" + doc + "]\t"), R"({"ok":true,"message":""})");
        },
        "applyTimelineEdit|b1"));
    EXPECT_EQ(ReadWholeFile(data.File(kTimelineSaveFile)), doc);

    data.Write(kTimelineResultFile, "b1\nok\nSaved 1 events to \"P\".");
    EXPECT_EQ(page.Call("tlReadResult", R"(["b2"])"), "null");
    EXPECT_EQ(page.Call("tlReadResult", R"(["b1"])"),
              R"({"ok":true,"message":"Saved 1 events to \"P\"."})");

    for (const std::string& m : main.Received())
        EXPECT_TRUE(m == "timelineExport|a1" || m == "timelineAck|42" ||
                    m == "applyTimelineEdit|b1")
            << m;

    EXPECT_EQ(page.Call("tlGetAutomation"), "false");
    state.busy.exchange(true);
    EXPECT_EQ(page.Call("tlGetAutomation"), "true");
    page.Call("tlSetDirty", R"(["1"])");
    EXPECT_TRUE(state.dirty.load());
    page.Call("tlSetDirty", R"(["0"])");
    EXPECT_FALSE(state.dirty.load());
    page.Call("tlSetDirty", R"(["1"])");
    page.Call("tlCloseWindow", R"([""])");
    EXPECT_FALSE(state.dirty.load());
    EXPECT_EQ(page.host.closeRequests, 1);
}

TEST(TimelineEditor, PageScripts) {
    EXPECT_EQ(TimelineAutomationScript(true, 7),
              "if (window.onTimelineAutomation) window.onTimelineAutomation(true, '7'); else if "
              "(window.tlAckAutomation) window.tlAckAutomation('7');");
    EXPECT_EQ(std::string(kTimelineMasterGoneScript),
              "if (window.onTimelineMasterGone) window.onTimelineMasterGone(); else "
              "window.tlCloseWindow('');");
}

}  // namespace velotap
