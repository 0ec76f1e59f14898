#include "profiles/macro_checks.h"

#include "profiles/import_gate.h"
#include "profiles/macro_file.h"
#include "profiles/profile_settings.h"
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

// The scan an import would make, the file's settings amending a fresh profile's, so that the
// verdict predicts the import's decision.
ConsoleVerdict ScanMacroFileCheck(const std::string& path) {
    const EngineState fresh;
    MacroFileParse parsed = ReadMacroFile(path, ProfileSettingsLine(fresh));
    if (!parsed.error.empty()) return Reject(parsed.error);
    ImportScan scan = ScanImport(parsed.events, parsed.settings);
    if (!scan.checked) return Reject(kImportTooManyKeysError);
    return {true, MacroScan::ScanResultToJson(scan.result) + "\n"};
}

}  // namespace velotap
