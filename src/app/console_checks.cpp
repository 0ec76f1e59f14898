#include "app/console_checks.h"

#include "themes/theme_file.h"
#include "update/update_selftest.h"

namespace {

ConsoleVerdict Unavailable(const char* what) {
    return {false, std::string("REJECT ") + what + " is not available in this build\n"};
}

}  // namespace

ConsoleVerdict RunConsoleCheck(const ConsoleChoice& choice) {
    switch (choice.mode) {
        case ConsoleMode::UpdateSelfTest: {
            UpdateSelfTestReport report = RunUpdateSelfTest(choice.file);
            return {report.pass, report.text + (report.pass ? "SELFTEST-UPDATE: ALL PASS\n"
                                                            : "SELFTEST-UPDATE: FAILURES ABOVE\n")};
        }
        case ConsoleMode::ValidateTheme: {
            ThemeCheck check = LoadThemeFile(choice.file);
            return {check.accepted, ThemeCheckLine(check)};
        }
        case ConsoleMode::ValidateMacro: return Unavailable("macro validation");
        case ConsoleMode::ScanMacro: return Unavailable("the macro scan");
        case ConsoleMode::None: break;
    }
    return {};
}
