#include <gtest/gtest.h>

#include "app/app_settings.h"
#include "support/subprocess.h"

namespace velotap {

namespace {

const char* kDefaultsJson =
    R"({"alwaysOnTop":false,"launchOnStartup":false,"startMinimized":false,"hotkeysEnabled":true,)"
    R"("hotkeyLock":true,"stopToolsWithMacro":true,"disableAnimations":false,"showWarnings":true,)"
    R"("seenWarnings":[],"minimizedPanels":[],"panelOrder":[]})";

}  // namespace

TEST(AppSettings, DefaultsAndExactFormats) {
    AppSettings s;
    EXPECT_EQ(AppSettingsJson(s), kDefaultsJson);
    EXPECT_EQ(FormatAppSettings(s),
              "alwaysOnTop=0\r\nlaunchOnStartup=0\r\nstartMinimized=0\r\nhotkeysEnabled=1\r\n"
              "hotkeyLockOn=1\r\nstopToolsWithMacro=1\r\ndisableAnimations=0\r\nshowWarnings=1\r\n"
              "seenWarnings=\r\nminimizedPanels=\r\npanelOrder=\r\nwindowX=0\r\nwindowY=0\r\n"
              "windowWidth=420\r\nwindowHeight=560\r\nwindowMaximized=0\r\n");
}

TEST(AppSettings, LoadingIsLineByLineAndForgiving) {
    AppSettings s;
    s.panelOrder = {"panel-ui"};
    ParseAppSettings(
        "alwaysOnTop=true\n"  // only "1" is true
        "startMinimized=1\r\n"
        "hotkeyLock=0\n"  // the file key is hotkeyLockOn
        "hotkeyLockOn=0\n"
        "no equals sign\n\n"
        "seenWarnings=b,,a,b\n"
        "minimizedPanels=panel-ui,panel-nope,panel-tracker\n"
        "panelOrder=panel-tracker,panel-tracker\n"  // a duplicate rejects the whole value
        "windowY=abc\n"
        "windowWidth=99999999999\n"
        "windowHeight=700\n"
        "unknown=1\n",
        s);
    EXPECT_FALSE(s.alwaysOnTop);
    EXPECT_TRUE(s.startMinimized);
    EXPECT_EQ(s.hotkeyLock.load(), 0);
    EXPECT_EQ(s.seenWarnings, (std::set<std::string>{"a", "b"}));
    EXPECT_EQ(s.minimizedPanels, (std::set<std::string>{"panel-tracker", "panel-ui"}));
    EXPECT_EQ(s.panelOrder, std::vector<std::string>{"panel-ui"});
    EXPECT_EQ(s.windowY, 0);
    EXPECT_EQ(s.windowWidth, 420);
    EXPECT_EQ(s.windowHeight, 700);
    EXPECT_FALSE(s.geometryValid);

    ParseAppSettings("windowX=-1200\npanelOrder=,panel-keyspam,,panel-ui\n", s);
    EXPECT_TRUE(s.geometryValid);
    EXPECT_EQ(s.windowX, -1200);
    EXPECT_EQ(s.panelOrder, (std::vector<std::string>{"panel-keyspam", "panel-ui"}));
}

TEST(AppSettings, SetAppSettingTable) {
    struct Case {
        const char* args;
        bool save;
        const char* json;  // a fragment the JSON must then hold
    } cases[] = {
        {"alwaysOnTop", false, R"("alwaysOnTop":false)"},
        {"alwaysOnTop,1,2", false, R"("alwaysOnTop":false)"},
        {"alwaysOnTop,1", true, R"("alwaysOnTop":true)"},
        {"alwaysOnTop,true", true, R"("alwaysOnTop":false)"},
        {"hotkeyLock,0", true, R"("hotkeyLock":false)"},
        {"hotkeyLockOn,0", true, R"("hotkeyLock":true)"},
        {"min:panel-tracker,1", true, R"("minimizedPanels":["panel-tracker"])"},
        {"min:panel-bogus,1", true, R"("minimizedPanels":[])"},
        {"showWarnings,0", true, R"("showWarnings":false)"},
        {"whatever,1", true, R"("alwaysOnTop":false)"},
    };
    for (const auto& c : cases) {
        AppSettings s;
        AppSettingEffect e = SetAppSetting(s, c.args);
        EXPECT_EQ(e.save, c.save) << c.args;
        EXPECT_NE(AppSettingsJson(s).find(c.json), std::string::npos) << c.args;
    }
    AppSettings s;
    SetAppSetting(s, "min:panel-tracker,1");
    SetAppSetting(s, "min:panel-tracker,0");
    EXPECT_TRUE(s.minimizedPanels.empty());
    EXPECT_TRUE(SetAppSetting(s, "hotkeyLock,1").save);
    EXPECT_EQ(s.hotkeyLockChanged.load(), 1);
    EXPECT_TRUE(SetAppSetting(s, "launchOnStartup,1").applyLaunchOnStartup);
}

TEST(AppSettings, WarningsAndPanelOrder) {
    AppSettings s;
    EXPECT_FALSE(MarkWarningSeen(s, ""));
    EXPECT_TRUE(MarkWarningSeen(s, "macro-risk"));
    EXPECT_FALSE(MarkWarningSeen(s, "macro-risk"));
    EXPECT_FALSE(MarkWarningSeen(s, "a\r\nalwaysOnTop=1"));  // would add a line to the file
    EXPECT_TRUE(SetPanelOrder(s, "panel-ui,panel-tracker"));
    EXPECT_FALSE(SetPanelOrder(s, "panel-ui,panel-ui"));
    EXPECT_FALSE(SetPanelOrder(s, "panel-ui,sidebar"));
    EXPECT_NE(AppSettingsJson(s).find(R"("seenWarnings":["macro-risk"],"minimizedPanels":[],)"
                                      R"("panelOrder":["panel-ui","panel-tracker"]})"),
              std::string::npos);
}

// Warning keys read from the file may hold anything but a line break; the page still gets JSON.
TEST(AppSettings, WarningKeysFromTheFileAreEscaped) {
    AppSettings s;
    ParseAppSettings("seenWarnings=say \"hi\",back\\slash,\xff\r\n", s);
    const std::string expected = R"("seenWarnings":["back\\slash","say \"hi\"",")"
                                 "\xef\xbf\xbd\"],";
    EXPECT_NE(AppSettingsJson(s).find(expected), std::string::npos) << AppSettingsJson(s);
}

TEST(AppSettings, SaveLoadRoundTrip) {
    TempDir dir;
    const std::string path = dir.File("appsettings.txt");
    AppSettings s;
    s.alwaysOnTop = true;
    s.hotkeysEnabled = 0;
    s.seenWarnings = {"w1", "w2"};
    s.panelOrder = {"panel-profile", "panel-ui"};
    s.windowX = -5;
    s.windowMaximized = true;
    ASSERT_TRUE(SaveAppSettings(path, s));
    AppSettings back;
    LoadAppSettings(path, back);
    EXPECT_EQ(FormatAppSettings(back), FormatAppSettings(s));
    EXPECT_TRUE(back.geometryValid);
    EXPECT_EQ(ReadWholeFile(path), FormatAppSettings(s));

    AppSettings missing;
    LoadAppSettings(dir.File("absent.txt"), missing);
    EXPECT_EQ(AppSettingsJson(missing), kDefaultsJson);
}

}  // namespace velotap
