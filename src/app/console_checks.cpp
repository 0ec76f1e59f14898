#include "app/console_checks.h"

#include "profiles/macro_checks.h"

namespace {

ConsoleVerdict Unavailable(const char* what) {
    return {false, std::string("REJECT ") + what + " is not available in this build\n"};
}

}  // namespace

ConsoleVerdict RunConsoleCheck(const ConsoleChoice& choice) {
    switch (choice.mode) {
        case ConsoleMode::UpdateSelfTest:
            return Unavailable("the update self-test");
        case ConsoleMode::ValidateTheme:
            return Unavailable("theme validation");
        case ConsoleMode::ValidateMacro:
            return ValidateMacroFileCheck(choice.file);
        case ConsoleMode::ScanMacro:
            return ScanMacroFileCheck(choice.file);
        case ConsoleMode::None:
            break;
    }
    return {};
}
