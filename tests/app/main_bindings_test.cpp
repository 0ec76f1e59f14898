#include <gtest/gtest.h>

#include "app/main_bindings.h"
#include "platform/fake/fake_window_host.h"
#include "support/subprocess.h"

namespace velotap {

TEST(MainBindings, BoundInContractOrderAndAnswering) {
    TempDir dir;
    MainApp app;
    app.appSettingsPath = dir.File("appsettings.txt");
    FakeWindowHost host;
    app.window = &host;
    BindAll(host, MainBindings(app));
    EXPECT_EQ(host.bindOrder,
              (std::vector<std::string>{"resizeWindow",          "updateSpammer",
                                        "startSpammer",          "stopSpammer",
                                        "updateKeySpam",         "startKeySpam",
                                        "stopKeySpam",           "removeKeySpamTarget",
                                        "setKeySpamChordMode",   "pickLocation",
                                        "setHoldMode",           "getPendingThemeAlert",
                                        "getAppSettings",        "markWarningSeen",
                                        "setAppSetting",         "setPanelOrder",
                                        "resetHotkeys",          "openLink",
                                        "updateTracker",         "startRecording",
                                        "stopRecording",         "continueRecording",
                                        "undoContinueRecording", "startPlayback",
                                        "stopPlayback",          "optimizeMacro",
                                        "getTrackerStatus",      "getMacroEvents",
                                        "deleteEvent",           "updateEventTime",
                                        "clearProfile",          "addProfile",
                                        "deleteProfile",         "switchProfile",
                                        "getProfiles",           "exportProfile",
                                        "importProfile",         "confirmMacroImport",
                                        "cancelMacroImport",     "getPendingMacroImport",
                                        "getSettings",           "reassignKey"}));

    app.SetPendingAlert("That theme \"x\" failed.");
    EXPECT_EQ(host.Call("getPendingThemeAlert"), R"("That theme \"x\" failed.")");
    EXPECT_EQ(host.Call("getPendingThemeAlert"), R"("")");

    EXPECT_EQ(host.Call("setAppSetting", R"(["alwaysOnTop","1"])"), "");
    EXPECT_TRUE(host.topmost);
    EXPECT_NE(ReadWholeFile(app.appSettingsPath).find("alwaysOnTop=1\r\n"), std::string::npos);
    EXPECT_EQ(host.Call("setAppSetting", R"(["alwaysOnTop"])"), "");
    EXPECT_TRUE(app.settings.alwaysOnTop);

    host.Call("markWarningSeen", R"(["first-run"])");
    host.Call("setPanelOrder", R"(["panel-ui,panel-keyspam"])");
    EXPECT_NE(
        host.Call("getAppSettings")
            .find(
                R"("seenWarnings":["first-run"],"minimizedPanels":[],"panelOrder":["panel-ui","panel-keyspam"]})"),
        std::string::npos);

    // The tracker status keeps the event mirror current for other processes.
    app.capture.eventsPath = dir.File("macroevents.txt");
    app.profiles.Current().push_back(UnifiedEvent{3, 0.5, 0, 0, 0, 65, true, 0});
    host.Call("getTrackerStatus");
    app.capture.mirrors.Flush();
    EXPECT_EQ(ReadWholeFile(app.capture.eventsPath),
              R"j([{"id":0,"time":0.500000,"desc":"Keyboard VK: 65 (DOWN)"}])j");

    EXPECT_EQ(host.Call("resizeWindow", "[300,400]"), "");
    EXPECT_EQ(host.client.height, 400);
    EXPECT_EQ(host.Call("openLink", R"(["nowhere"])"), "");
    EXPECT_EQ(LinkAddress("nowhere"), nullptr);
    EXPECT_NE(LinkAddress("docs"), nullptr);
    EXPECT_NE(LinkAddress("discord"), nullptr);
}

}  // namespace velotap
