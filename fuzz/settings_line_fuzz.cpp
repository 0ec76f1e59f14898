// The settings lines come from macro files and the session: the profile line (with its target
// list), the global line, and a file's line converted into a new profile's. None may crash, and
// what the program writes back must read back to itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "capture/hotkeys.h"
#include "profiles/global_settings.h"
#include "profiles/macro_file.h"
#include "profiles/profile_settings.h"

using namespace velotap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);

    EngineState profile;
    LoadProfileSettings(profile, line);
    const std::string written = ProfileSettingsLine(profile);
    EngineState again;
    LoadProfileSettings(again, written);
    if (ProfileSettingsLine(again) != written) __builtin_trap();
    if (profile.targets.Count() < 0 || profile.targets.Count() > KeySpamTargets::kCapacity) {
        __builtin_trap();
    }

    EngineState global;
    HotkeySlots slots;
    LoadGlobalSettings(global, slots, line);
    const std::string globalLine = GlobalSettingsLine(global, slots);
    EngineState global2;
    HotkeySlots slots2;
    LoadGlobalSettings(global2, slots2, globalLine);
    if (GlobalSettingsLine(global2, slots2) != globalLine) __builtin_trap();

    // A file's line amends the importer's; the result is always a whole profile line.
    const std::string converted = ConvertFileSettings(line, written);
    EngineState imported;
    LoadProfileSettings(imported, converted);
    if (ProfileSettingsLine(imported).empty()) __builtin_trap();
    return 0;
}
