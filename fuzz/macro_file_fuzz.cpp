// Macro files come from anywhere: parse whatever arrives, scan what parses, and write it back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_json.h"
#include "macro/event_line.h"
#include "profiles/import_gate.h"
#include "profiles/macro_file.h"
#include "scan/macro_scan.h"

using namespace velotap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    MacroFileParse parsed = ParseMacroText(text, "0,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,32,32,0");
    if (!parsed.error.empty()) return 0;
    // The import's scan, with the key spammer's keys of the file's settings; without a tool event
    // that starts the key spammer it is the plain scan.
    ImportScan scan = ScanImport(parsed.events, parsed.settings);
    if (!scan.checked) return 0;
    if (!IsJsonOrEmpty(MacroScan::ScanResultToJson(scan.result))) __builtin_trap();
    if (scan.result.matches.empty() != (scan.result.level == "none")) __builtin_trap();

    // What the writer produces must read back to the same events.
    std::string again = MacroFileText(parsed.name, "1,2", parsed.events);
    MacroFileParse reread = ParseMacroText(again, "");
    if (!reread.error.empty() || reread.name != parsed.name ||
        reread.events.size() != parsed.events.size()) {
        __builtin_trap();
    }
    for (size_t i = 0; i < parsed.events.size(); ++i) {
        UnifiedEvent expected = parsed.events[i];
        expected.time = reread.events[i].time;  // six digits survive, not more
        if (!(reread.events[i] == expected) ||
            FormatGeneral6(reread.events[i].time) != FormatGeneral6(parsed.events[i].time)) {
            __builtin_trap();
        }
    }
    return 0;
}
