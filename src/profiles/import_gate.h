#pragma once
// What the risk scan of an imported macro looks at: the keys its playback would really send. A
// macro's tool events may start the key spammer, which then presses the targets of the settings
// that came with the file; those presses count as key-downs beside the macro's own.
#include <string_view>
#include <vector>

#include "macro/unified_event.h"
#include "scan/macro_scan.h"

namespace velotap {

inline constexpr const char* kImportTooManyKeysError =
    "That macro file makes the key spammer press more keys than can be checked, so it was not "
    "imported.";

// At most this many key-downs of the key spammer take part in one scan; a macro that would need
// more is refused rather than passed half checked.
inline constexpr size_t kMaxSpammerKeyDowns = 50000;

struct ImportScan {
    bool checked = true;  // false: over kMaxSpammerKeyDowns, the result is empty
    MacroScan::ScanResult result;
};

// The macro's events with the key spammer's presses and releases placed among them (see the .cpp
// for the rule), given the profile settings line the import stores (empty: the defaults). A
// macro without a tool event that starts the key spammer comes back unchanged.
std::vector<UnifiedEvent> EventsAsPlayed(const std::vector<UnifiedEvent>& events,
                                         std::string_view settings, bool& checked);

// MacroScan::ScanMacro over EventsAsPlayed. For a macro whose tool events never start the key
// spammer this is exactly ScanMacro of its own events.
ImportScan ScanImport(const std::vector<UnifiedEvent>& events, std::string_view settings);

}  // namespace velotap
