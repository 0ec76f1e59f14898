#include "update/update_check_thread.h"

#include <chrono>
#include <thread>

#include "base/json.h"
#include "update/update_check.h"

namespace velotap {

std::string UpdateAvailableScript(const std::string& newVersion, const std::string& current) {
    return "if (window.onUpdateAvailable) window.onUpdateAvailable(" + JsonEscape(newVersion) +
           "," + JsonEscape(current) + ");";
}

void RunUpdateCheckThread(const std::atomic<uint8_t>& running, const std::string& manifestOverride,
                          const std::function<void(const std::string& script)>& postScript) {
    for (int step = 0; step < 50 && running.load(); ++step) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!running.load()) return;
    UpdateCheckResult result = CheckForUpdate(manifestOverride);
    if (!running.load() || !result.available || !postScript) return;
    postScript(UpdateAvailableScript(result.manifest.version, result.currentVersion));
}

}  // namespace velotap
