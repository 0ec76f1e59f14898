#pragma once
// Shortcuts of this desktop that open a box running whatever command is typed into it, as Win+R
// opens the Run box on Windows. The risk scan treats each one like Win+R.
#include <cstdint>
#include <vector>

namespace velotap {

struct RunBoxShortcut {
    uint32_t vk = 0;                                             // Windows virtual-key code
    bool ctrl = false, alt = false, shift = false, win = false;  // exactly these held
};

std::vector<RunBoxShortcut> RunBoxShortcuts();

}  // namespace velotap
