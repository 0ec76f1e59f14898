#pragma once
// Windows virtual-key codes are the program's key codes; on X they travel as keysyms. One table
// serves both directions (synthesis now, key names and capture later).
#include <cstdint>

namespace velotap {

// 0 when the code has no keysym.
unsigned long VkToKeysym(uint32_t vk);
// 0 when the keysym has no virtual-key code.
uint32_t KeysymToVk(unsigned long keysym);

}  // namespace velotap
