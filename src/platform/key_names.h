#pragma once
// The active keyboard layout's name of a key code (win32: GetKeyNameTextA over the scan code;
// linux: the keysym the current XKB group gives the key). Empty when the layout has no name.
#include <cstdint>
#include <memory>
#include <string>

namespace velotap {

class KeyNameSource {
  public:
    virtual ~KeyNameSource() = default;
    virtual std::string LayoutName(uint32_t code) = 0;
};

// Null when the platform cannot be asked (linux: no X display); every key then shows "Key[n]".
std::unique_ptr<KeyNameSource> ConnectKeyNames();

}  // namespace velotap
