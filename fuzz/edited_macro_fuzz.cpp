// The edited-macro reader on arbitrary bytes: never a crash, and an accepted document always
// satisfies the final checks.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "timeline/edited_macro.h"

using namespace velotap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EditedMacro m = ReadEditedMacro(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!m.error.empty()) return 0;
    if (m.nonce.empty() || m.nonce.size() > 64 || m.loadNonce.empty()) std::abort();
    double previous = 0;
    for (const EditedEvent& e : m.events) {
        if (e.type > 5 || e.vk > 255 || e.time < previous || e.time > 1000000) std::abort();
        previous = e.time;
    }
    return 0;
}
