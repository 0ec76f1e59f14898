#include "platform/crash_save.h"

namespace velotap {

std::unique_ptr<CrashSave> InstallCrashSave(std::function<void()>) {
    // No safe place to save from: see the header.
    return nullptr;
}

}  // namespace velotap
