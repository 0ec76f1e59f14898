#include <gtest/gtest.h>

#include "app/main_bindings.h"
#include "base/json.h"
#include "platform/fake/fake_file_dialogs.h"
#include "support/fake_page.h"
#include "support/subprocess.h"
#include "themes/theme_helpers.h"

namespace velotap {

TEST(MainBindings, BoundInContractOrderAndAnswering) {
    TempDir dir;
    MainApp app;
    app.appSettingsPath = dir.File("appsettings.txt");
    app.themes = std::make_unique<ThemeStore>(dir.path());
    auto dialogs = std::make_unique<FakeFileDialogs>();
    FakeFileDialogs& fileDialogs = *dialogs;
    app.fileDialogs = std::move(dialogs);
    FakePage page;
    app.window = &page.host;
    EXPECT_EQ(BindAll(page.bridge, MainBindings(app)), std::vector<std::string>{});
    EXPECT_EQ(page.bridge.BoundNames(), (std::vector<std::string>{"resizeWindow",
                                                                  "popOutPanel",
                                                                  "updateSpammer",
                                                                  "startSpammer",
                                                                  "stopSpammer",
                                                                  "updateKeySpam",
                                                                  "startKeySpam",
                                                                  "stopKeySpam",
                                                                  "removeKeySpamTarget",
                                                                  "setKeySpamChordMode",
                                                                  "pickLocation",
                                                                  "setHoldMode",
                                                                  "setTheme",
                                                                  "getSharedTheme",
                                                                  "getCustomThemes",
                                                                  "getSkinPiece",
                                                                  "getSkinFont",
                                                                  "importTheme",
                                                                  "deleteTheme",
                                                                  "getPendingThemeAlert",
                                                                  "getAppSettings",
                                                                  "markWarningSeen",
                                                                  "setAppSetting",
                                                                  "setPanelOrder",
                                                                  "resetHotkeys",
                                                                  "openLink",
                                                                  "updateTracker",
                                                                  "startRecording",
                                                                  "stopRecording",
                                                                  "continueRecording",
                                                                  "undoContinueRecording",
                                                                  "startPlayback",
                                                                  "stopPlayback",
                                                                  "optimizeMacro",
                                                                  "openTimelineEditor",
                                                                  "getTrackerStatus",
                                                                  "getMacroEvents",
                                                                  "deleteEvent",
                                                                  "updateEventTime",
                                                                  "clearProfile",
                                                                  "addProfile",
                                                                  "deleteProfile",
                                                                  "switchProfile",
                                                                  "getProfiles",
                                                                  "exportProfile",
                                                                  "importProfile",
                                                                  "confirmMacroImport",
                                                                  "cancelMacroImport",
                                                                  "getPendingMacroImport",
                                                                  "startUpdate",
                                                                  "getSettings",
                                                                  "reassignKey",
                                                                  "getSendTiming",
                                                                  "getCapabilities"}));

    // Themes: the dialog's choice is imported and applied; a failure is the function's result.
    fileDialogs.openAnswers = {std::nullopt, dir.Write("in/Dark.vtptheme", theme_test::Theme()),
                               dir.Write("in/Bad.vtptheme", "{}")};
    EXPECT_EQ(page.Call("importTheme"), "");
    EXPECT_EQ(page.Call("importTheme"), "");
    EXPECT_EQ(page.Call("importTheme"), JsonEscape(kThemeInvalidMessage));
    EXPECT_EQ(fileDialogs.openRequests.at(0).filters.at(0).name, "Velotap Theme (*.vtptheme)");
    EXPECT_EQ(fileDialogs.openRequests.at(0).filters.at(0).pattern, "*.vtptheme");
    EXPECT_EQ(page.Call("getSharedTheme"), R"("Dark")");
    EXPECT_NE(page.Call("getCustomThemes").find(R"([{"key":"Dark","name":"Ocean",)"),
              std::string::npos);
    page.Call("deleteTheme", R"(["Dark"])");
    EXPECT_EQ(page.Call("getSharedTheme"), R"("velotap")");
    // Any text may become the key; the result stays JSON.
    page.Call("setTheme", R"(["a\\\"b"])");
    EXPECT_EQ(page.Send("getSharedTheme").status, ReplyStatus::Resolved);
    EXPECT_EQ(ReadWholeFile(dir.File("theme.txt")), R"(a\\\b)");

    app.SetPendingAlert("That theme \"x\" failed.");
    EXPECT_EQ(page.Call("getPendingThemeAlert"), R"("That theme \"x\" failed.")");
    EXPECT_EQ(page.Call("getPendingThemeAlert"), R"("")");

    EXPECT_EQ(page.Call("setAppSetting", R"(["alwaysOnTop","1"])"), "");
    EXPECT_TRUE(page.host.topmost);
    EXPECT_NE(ReadWholeFile(app.appSettingsPath).find("alwaysOnTop=1\r\n"), std::string::npos);
    EXPECT_EQ(page.Call("setAppSetting", R"(["alwaysOnTop"])"), "");
    EXPECT_TRUE(app.settings.alwaysOnTop);

    page.Call("markWarningSeen", R"(["first-run"])");
    page.Call("setPanelOrder", R"(["panel-ui,panel-keyspam"])");
    EXPECT_NE(
        page.Call("getAppSettings")
            .find(
                R"("seenWarnings":["first-run"],"minimizedPanels":[],"panelOrder":["panel-ui","panel-keyspam"]})"),
        std::string::npos);

    // The tracker status keeps the event mirror current for other processes.
    app.capture.eventsPath = dir.File("macroevents.txt");
    app.profiles.Current().push_back(UnifiedEvent{3, 0.5, 0, 0, 0, 65, true, 0});
    page.Call("getTrackerStatus");
    app.capture.mirrors.Flush();
    EXPECT_EQ(ReadWholeFile(app.capture.eventsPath),
              R"j([{"id":0,"time":0.500000,"desc":"Keyboard VK: 65 (DOWN)"}])j");

    EXPECT_EQ(page.Call("resizeWindow", "[300,400]"), "");
    EXPECT_EQ(page.host.client.height, 400);
    EXPECT_EQ(page.Call("openLink", R"(["nowhere"])"), "");
    EXPECT_EQ(LinkAddress("nowhere"), nullptr);
    EXPECT_NE(LinkAddress("docs"), nullptr);
    EXPECT_NE(LinkAddress("discord"), nullptr);
}

}  // namespace velotap
