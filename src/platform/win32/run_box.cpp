#include "platform/run_box.h"

std::vector<RunBoxShortcut> RunBoxShortcuts() {
    RunBoxShortcut winR;
    winR.vk = 82;
    winR.win = true;
    return {winR};
}
