// GTK sets the process locale from the environment; with a decimal comma there, every number the
// program writes or reads must still use a point. The locales come from the test command's
// packages (locales-all): a missing one fails the test rather than skipping it.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "base/args.h"
#include "capture/hotkeys.h"
#include "engine/engine_calls.h"
#include "macro/event_line.h"
#include "macro/event_list.h"
#include "macro/recorder.h"
#include "profiles/global_settings.h"
#include "scan/macro_scan.h"

namespace velotap {

namespace {

class CommaLocale : public testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        ASSERT_NE(std::setlocale(LC_ALL, GetParam()), nullptr)
            << GetParam() << " is not installed (scripts/packages.sh installs locales-all)";
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_P(CommaLocale, NumbersKeepTheirPoint) {
    EngineState state;
    ASSERT_TRUE(UpdateTracker(state.recorder, "true,true,true,true,false,0.5,false,500"));
    EXPECT_FLOAT_EQ(state.recorder.tspd.load(), 0.5f);
    EXPECT_NE(SettingsDocument(state).find("\"tspd\":0.5,"), std::string::npos);

    HotkeySlots slots;
    const std::string global = GlobalSettingsLine(state, slots);
    EXPECT_NE(global.find(",0.5,"), std::string::npos) << global;

    UnifiedEvent key{EventType::Key, 1.25, 0, 0, 0, 65, true, 0};
    EXPECT_EQ(FormatEventLine(key), "3,1.25,0,0,0,65,1,0");
    EXPECT_EQ(ParseEventLine("3,1.25,0,0,0,65,1,0", WheelField::Required), key);
    EXPECT_EQ(MacroEventsDocument({key}),
              R"x([{"id":0,"time":1.250000,"desc":"Keyboard VK: 65 (DOWN)"}])x");
    EXPECT_EQ(ToDouble(" 2.5"), 2.5);

    MacroScan::ScanResult scan;
    scan.matches.push_back({"copy-paste", "CAUTION", "", "", 1.5});
    EXPECT_EQ(
        MacroScan::ScanResultToJson(scan),
        R"({"level":"none","matches":[{"id":"copy-paste","severity":"CAUTION","atSec":1.5}]})");
}

INSTANTIATE_TEST_SUITE_P(Locales, CommaLocale, testing::Values("de_DE.UTF-8", "fr_FR.UTF-8"));

}  // namespace

}  // namespace velotap
