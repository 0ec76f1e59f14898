#include "app/console_checks.h"

#include "profiles/macro_checks.h"
#include "themes/theme_file.h"
#include "update/update_selftest.h"

namespace velotap {

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
        case ConsoleMode::ValidateMacro:
            return ValidateMacroFileCheck(choice.file);
        case ConsoleMode::ScanMacro:
            return ScanMacroFileCheck(choice.file);
        case ConsoleMode::None:
            break;
    }
    return {};
}

}  // namespace velotap
