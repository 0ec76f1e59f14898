#include "platform/run_box.h"

namespace velotap {

std::vector<RunBoxShortcut> RunBoxShortcuts() {
    RunBoxShortcut winR;
    winR.vk = 82;
    winR.win = true;
    return {winR};
}

}  // namespace velotap
