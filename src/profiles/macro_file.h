#pragma once
// The ".vtpmacro" file: the profile name, "SETTINGS:" with the exporter's global settings line,
// then one event line per event. Written with CR LF line ends; read with CR LF or LF.
#include <string>
#include <string_view>
#include <vector>

#include "macro/unified_event.h"

namespace velotap {

inline constexpr const char* kMacroOpenError = "Couldn't open that macro file.";
inline constexpr const char* kMacroNoNameError = "That macro file is missing its profile name.";
inline constexpr const char* kMacroTooLargeError =
    "That macro file is too large to load on this computer.";

struct MacroFileParse {
    std::string name;
    std::string settings;  // the new profile's settings line; empty when the file has none
    std::vector<UnifiedEvent> events;
    std::string error;  // empty on success
};

// The whole file text.
std::string MacroFileText(std::string_view name, std::string_view globalSettingsLine,
                          const std::vector<UnifiedEvent>& events);
// Replaces the file at `path`; false when it cannot be written.
bool WriteMacroFile(const std::string& path, std::string_view name,
                    std::string_view globalSettingsLine, const std::vector<UnifiedEvent>& events);

// `importerSettings` is the importing profile's settings line, which the file's settings amend
// (see ConvertFileSettings). Malformed event lines are skipped without an error.
MacroFileParse ParseMacroText(std::string_view text, std::string_view importerSettings);
MacroFileParse ReadMacroFile(const std::string& path, std::string_view importerSettings);

// The new profile's settings line: the importer's 20-field profile settings line with the click
// spammer and key spammer groups taken from the file's global settings line where they are
// complete and numeric. Hotkeys, recorder settings and hold modes of the file are never used.
std::string ConvertFileSettings(std::string_view fileSettingsLine,
                                std::string_view importerSettings);

}  // namespace velotap
