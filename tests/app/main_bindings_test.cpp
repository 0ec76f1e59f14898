#include <gtest/gtest.h>

#include "app/main_bindings.h"
#include "platform/fake/fake_window_host.h"
#include "support/subprocess.h"

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
                                        "undoContinueRecording", "getTrackerStatus",
                                        "exportProfile",         "importProfile",
                                        "confirmMacroImport",    "cancelMacroImport",
                                        "getPendingMacroImport", "getSettings",
                                        "reassignKey"}));

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

    EXPECT_EQ(host.Call("resizeWindow", "[300,400]"), "");
    EXPECT_EQ(host.client.height, 400);
    EXPECT_EQ(host.Call("openLink", R"(["nowhere"])"), "");
    EXPECT_EQ(LinkAddress("nowhere"), nullptr);
    EXPECT_NE(LinkAddress("docs"), nullptr);
    EXPECT_NE(LinkAddress("discord"), nullptr);
}
