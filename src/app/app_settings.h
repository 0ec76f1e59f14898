#pragma once
// The user's preferences about the program itself, kept in "appsettings.txt".
#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "capture/hotkeys.h"
#include "window/main_window.h"

namespace velotap {

// The settings of the hotkeys and of the main window are theirs; the rest belong to the program.
struct AppSettings : HotkeySettings, MainWindowSettings {
    bool launchOnStartup = false;
    // Read by the engine thread without a lock.
    std::atomic<uint8_t> stopToolsWithMacro{1};
    bool disableAnimations = false;
    bool showWarnings = true;
    std::set<std::string> seenWarnings;
    std::set<std::string> minimizedPanels;
    std::vector<std::string> panelOrder;
};

bool IsPanelName(std::string_view name);

// A comma-separated panel list: empty entries are skipped; every other entry must be a panel name
// and appear once. False (and `order` untouched) when the list breaks a rule.
bool ParsePanelOrder(std::string_view text, std::vector<std::string>& order);

// Applies the lines of a settings file over the current values; unknown keys, malformed lines and
// unconvertible numbers are skipped one by one.
void ParseAppSettings(std::string_view text, AppSettings& settings);
// The whole file, one "key=value" line per setting in the fixed order, CR LF line ends.
std::string FormatAppSettings(const AppSettings& settings);
// The object the page reads with getAppSettings.
std::string AppSettingsJson(const AppSettings& settings);

// Reads `path` over the defaults already in `settings`; a missing file keeps them.
void LoadAppSettings(const std::string& path, AppSettings& settings);
// Writes the whole file through a temporary sibling; false when it could not be written.
bool SaveAppSettings(const std::string& path, const AppSettings& settings);

// What a page call changed that the caller must apply outside the store.
struct AppSettingEffect {
    bool save = false;
    bool applyTopmost = false;
    bool applyLaunchOnStartup = false;
};

// setAppSetting with its flattened argument text: exactly two comma-separated fields, a key and a
// value ("1" is true).
AppSettingEffect SetAppSetting(AppSettings& settings, std::string_view flattened);
// markWarningSeen: true when the key was new (and must be saved).
bool MarkWarningSeen(AppSettings& settings, std::string_view key);
// setPanelOrder: true when the order was valid and replaced (and must be saved).
bool SetPanelOrder(AppSettings& settings, std::string_view flattened);

}  // namespace velotap
