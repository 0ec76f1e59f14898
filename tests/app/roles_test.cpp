#include <gtest/gtest.h>

#include "app/data_folder.h"
#include "app/roles.h"

namespace velotap {

TEST(ConsoleMode, PrefixesAndPrecedence) {
    using V = std::vector<std::string>;
    struct Case {
        V args;
        ConsoleMode mode;
        std::string file, manifest;
    } cases[] = {
        {{}, ConsoleMode::None, "", ""},
        {{"--validate-theme=a.vtptheme"}, ConsoleMode::ValidateTheme, "a.vtptheme", ""},
        {{"--validate-macro=m", "--validate-theme=t"}, ConsoleMode::ValidateTheme, "t", ""},
        {{"--scan-macro=s", "--validate-macro=m"}, ConsoleMode::ValidateMacro, "m", ""},
        {{"--scan-macro=a", "--scan-macro=b"}, ConsoleMode::ScanMacro, "b", ""},
        {{"--scan-macro=x", "--selftest-update=v.txt"}, ConsoleMode::UpdateSelfTest, "v.txt", ""},
        {{"--update-manifest=file.json"}, ConsoleMode::None, "", "file.json"},
        {{"--update-manifest=m", "--scan-macro="}, ConsoleMode::ScanMacro, "", "m"},
        {{"x--scan-macro=a", "--scan-macro"}, ConsoleMode::None, "", ""},
    };
    for (const auto& c : cases) {
        ConsoleChoice got = ChooseConsoleMode(c.args);
        EXPECT_EQ(got.mode, c.mode);
        EXPECT_EQ(got.file, c.file);
        EXPECT_EQ(got.updateManifest, c.manifest);
    }
}

TEST(WindowRole, CommandLineDecides) {
    struct Case {
        std::string line;
        WindowRole role;
        std::string params, theme, macro;
    } cases[] = {
        {"", WindowRole::Main, "", "", ""},
        {"  --timeline\t ", WindowRole::Timeline, "", "", ""},
        {"--timeline now", WindowRole::Main, "", "", ""},
        {"--timeline --child a|b|1|2", WindowRole::Panel, "a|b|1|2", "", ""},
        {"x--childish", WindowRole::Panel, "", "", ""},
        {"\"C:\\My Themes\\Dark.VtpTheme\"", WindowRole::Main, "", "C:\\My Themes\\Dark.VtpTheme",
         ""},
        {" /tmp/a.vtpmacro ", WindowRole::Main, "", "", "/tmp/a.vtpmacro"},
        {"\"", WindowRole::Main, "", "", ""},
        {"notes.txt", WindowRole::Main, "", "", ""},
    };
    for (const auto& c : cases) {
        WindowChoice got = ChooseWindowRole(c.line);
        EXPECT_EQ(got.role, c.role) << c.line;
        EXPECT_EQ(got.panelParams, c.params) << c.line;
        EXPECT_EQ(got.themeToOpen, c.theme) << c.line;
        EXPECT_EQ(got.macroToOpen, c.macro) << c.line;
    }
}

TEST(DataFolder, BaseChoice) {
    EXPECT_EQ(DataFolderBase("C:\\Users\\u\\AppData\\Local", "/x"), "C:\\Users\\u\\AppData\\Local");
    EXPECT_EQ(DataFolderBase(std::nullopt, "/home/u/.local/share"), "/home/u/.local/share");
    EXPECT_EQ(DataFolderBase("", std::nullopt), ".");
    EXPECT_EQ(DataFolderBase(std::string(259, 'a'), std::nullopt), std::string(259, 'a'));
    EXPECT_EQ(DataFolderBase(std::string(260, 'a'), std::nullopt), ".");
}

}  // namespace velotap
