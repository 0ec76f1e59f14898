// Session files are read at every start: whatever the file holds must load without harm, and what
// the program then writes must read back to the same session.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "profiles/session_file.h"

using namespace velotap;

namespace {

// Loads `text` into fresh state and writes it out again.
std::string LoadAndWrite(std::string_view text) {
    EngineState state;
    HotkeySlots slots;
    ProfileList list;
    ApplySession(ParseSessionText(text), state, slots, list);
    EnsureDefaultProfile(list);
    return SessionText(state, slots, list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string first = LoadAndWrite(text);
    if (!ParseSessionText(first)) __builtin_trap();
    // Numbers are normalised to six digits by the first write; after that, writing is stable.
    const std::string second = LoadAndWrite(first);
    if (LoadAndWrite(second) != second) __builtin_trap();
    return 0;
}
