#include "profiles/macro_checks.h"

#include "profiles/macro_file.h"
#include "scan/macro_scan.h"

namespace velotap {

namespace {
ConsoleVerdict Reject(const std::string& error) {
    return {false, "REJECT " + error + "\n"};
}
}  // namespace

// A console check imports nothing, so no profile's settings take part.
ConsoleVerdict ValidateMacroFileCheck(const std::string& path) {
    MacroFileParse parsed = ReadMacroFile(path, {});
    if (!parsed.error.empty()) return Reject(parsed.error);
    return {true, "OK " + std::to_string(parsed.events.size()) + " events\n"};
}

ConsoleVerdict ScanMacroFileCheck(const std::string& path) {
    MacroFileParse parsed = ReadMacroFile(path, {});
    if (!parsed.error.empty()) return Reject(parsed.error);
    return {true, MacroScan::ScanResultToJson(MacroScan::ScanMacro(parsed.events)) + "\n"};
}

}  // namespace velotap
