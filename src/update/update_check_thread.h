#pragma once
// The once-per-start update poll of the main process.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace velotap {

// Waits up to 5 s in 100 ms steps (leaving early when `running` clears), checks once, and when an
// update is available and the program still runs, hands `postScript` the page notification.
void RunUpdateCheckThread(const std::atomic<uint8_t>& running, const std::string& manifestOverride,
                          const std::function<void(const std::string& script)>& postScript);

// "if (window.onUpdateAvailable) window.onUpdateAvailable(<new>,<current>);" with both versions as
// JSON strings.
std::string UpdateAvailableScript(const std::string& newVersion, const std::string& current);

}  // namespace velotap
