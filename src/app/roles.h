#pragma once
// How a start of VelotapApp picks its role: first the console check modes from the split argument
// list, then the window roles from the raw command line.
#include <string>
#include <string_view>
#include <vector>

namespace velotap {

enum class ConsoleMode { None, UpdateSelfTest, ValidateTheme, ValidateMacro, ScanMacro };

struct ConsoleChoice {
    ConsoleMode mode = ConsoleMode::None;
    std::string file;            // the value of the chosen mode's argument
    std::string updateManifest;  // "--update-manifest=" override, empty when absent
};

// `args` excludes the program name. A later argument with the same prefix replaces an earlier one;
// when several modes were asked for, the first of self-test, theme, macro, scan wins.
ConsoleChoice ChooseConsoleMode(const std::vector<std::string>& args);

enum class WindowRole { Main, Panel, Timeline };

struct WindowChoice {
    WindowRole role = WindowRole::Main;
    std::string panelParams;  // text after the first "--child " for a panel
    std::string themeToOpen;
    std::string macroToOpen;
};

// `commandLine` is the command line without the program name.
WindowChoice ChooseWindowRole(std::string_view commandLine);

}  // namespace velotap
