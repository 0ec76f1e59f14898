#include "platform/run_box.h"

namespace velotap {

// Alt+F2 opens the command box of GNOME, KDE Plasma, Xfce and others; Win+R stays for macros
// recorded on Windows.
std::vector<RunBoxShortcut> RunBoxShortcuts() {
    RunBoxShortcut winR;
    winR.vk = 82;
    winR.win = true;
    RunBoxShortcut altF2;
    altF2.vk = 113;
    altF2.alt = true;
    return {winR, altF2};
}

}  // namespace velotap
