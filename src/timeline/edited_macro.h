#pragma once
// The strict reader of the document the timeline editor's page hands back. The document replaces
// a profile's whole macro, so it accepts exactly one shape, bounds every size and reports the
// first fault as a short sentence the page shows after "Not saved: ".
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velotap {

constexpr size_t kEditedMacroCap = 134217728;  // 128 MiB
constexpr size_t kEditedMacroEventCap = 1000000;

// One macro event as the document carries it: the eight values in the macro event's order.
struct EditedEvent {
    uint32_t type = 0;
    double time = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t flags = 0;
    uint32_t vk = 0;
    bool down = false;
    int32_t wheel = 0;
};

struct EditedMacro {
    std::string error;  // empty when the document was accepted
    std::string nonce;
    std::string loadNonce;
    std::vector<EditedEvent> events;
};

// One pass over `text`; on rejection only `error` is meaningful.
EditedMacro ReadEditedMacro(std::string_view text);

}  // namespace velotap
