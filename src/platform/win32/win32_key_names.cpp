#include "platform/key_names.h"

#include <windows.h>

namespace velotap {

namespace {

bool IsExtended(uint32_t code) {
    return (code >= 0x21 && code <= 0x28) || code == 0x2D || code == 0x2E;
}

class Win32KeyNames final : public KeyNameSource {
  public:
    std::string LayoutName(uint32_t code) override {
        LONG param = static_cast<LONG>(MapVirtualKeyW(code, 0) << 16);
        if (IsExtended(code)) param |= 1L << 24;
        char name[128] = {};
        const int n = GetKeyNameTextA(param, name, static_cast<int>(sizeof(name)));
        return n > 0 ? std::string(name, static_cast<size_t>(n)) : std::string();
    }
};

}  // namespace

std::unique_ptr<KeyNameSource> ConnectKeyNames() {
    return std::make_unique<Win32KeyNames>();
}

}  // namespace velotap
