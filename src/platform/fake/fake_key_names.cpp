#include "platform/fake/fake_key_names.h"

namespace velotap {

std::string FakeKeyNames::LayoutName(uint32_t code) {
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z'))
        return std::string(1, static_cast<char>(code));
    if (code >= 0x70 && code <= 0x87) {
        // Not "F" + to_string: GCC 12 then warns of an overlapping copy that cannot happen.
        std::string name = "F";
        name += std::to_string(code - 0x70 + 1);
        return name;
    }
    switch (code) {
        case 0x0D:
            return "Enter";
        case 0x1B:
            return "Esc";
        case 0x20:
            return "Space";
        case 0x2E:
            return "Delete";
        default:
            return {};
    }
}

}  // namespace velotap
