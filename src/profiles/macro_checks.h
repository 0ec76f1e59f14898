#pragma once
// The console checks of macro files: "--validate-macro=" and "--scan-macro=".
#include <string>

#include "base/console_verdict.h"

namespace velotap {

// "OK <n> events" for a file that parses, else "REJECT <error>".
ConsoleVerdict ValidateMacroFileCheck(const std::string& path);
// The risk scan as JSON for a file that parses, else "REJECT <error>".
ConsoleVerdict ScanMacroFileCheck(const std::string& path);

}  // namespace velotap
