#include "app/app_settings.h"

#include <array>
#include <cstdint>
#include <sstream>

#include "base/args.h"
#include "base/file_read.h"
#include "base/json.h"
#include "platform/file_replace.h"

namespace velotap {

namespace {

constexpr std::array<std::string_view, 5> kPanelNames = {
    "panel-ui", "panel-profile", "panel-spammer", "panel-keyspam", "panel-tracker"};

// The eight switches in file order, with their file key and page key.
struct Switch {
    std::string_view fileKey, jsonKey;
    bool AppSettings::*plain;
    std::atomic<uint8_t> AppSettings::*shared;
};

constexpr std::array<Switch, 8> kSwitches = {{
    {"alwaysOnTop", "alwaysOnTop", &AppSettings::alwaysOnTop, nullptr},
    {"launchOnStartup", "launchOnStartup", &AppSettings::launchOnStartup, nullptr},
    {"startMinimized", "startMinimized", &AppSettings::startMinimized, nullptr},
    {"hotkeysEnabled", "hotkeysEnabled", nullptr, &AppSettings::hotkeysEnabled},
    {"hotkeyLockOn", "hotkeyLock", nullptr, &AppSettings::hotkeyLock},
    {"stopToolsWithMacro", "stopToolsWithMacro", nullptr, &AppSettings::stopToolsWithMacro},
    {"disableAnimations", "disableAnimations", &AppSettings::disableAnimations, nullptr},
    {"showWarnings", "showWarnings", &AppSettings::showWarnings, nullptr},
}};

bool Get(const AppSettings& s, const Switch& sw) {
    return sw.plain ? s.*sw.plain : (s.*sw.shared).load() != 0;
}

void Put(AppSettings& s, const Switch& sw, bool value) {
    if (sw.plain) {
        s.*sw.plain = value;
    } else {
        (s.*sw.shared).exchange(value ? 1 : 0);
    }
}

// The entries joined with ",", each passed through `form`.
template <typename Container, typename Form>
std::string Join(const Container& entries, Form form) {
    std::string out;
    bool first = true;
    for (const auto& e : entries) {
        if (!first) out += ',';
        first = false;
        out += form(e);
    }
    return out;
}

std::string AsIs(const std::string& entry) {
    return entry;
}

// A decimal integer that fits 32 bits; false (target untouched) for anything else.
bool ReadInt(std::string_view value, int& target) {
    std::optional<int32_t> v = ToInt32(value);
    if (!v) return false;
    target = *v;
    return true;
}

}  // namespace

bool IsPanelName(std::string_view name) {
    for (auto p : kPanelNames) {
        if (p == name) return true;
    }
    return false;
}

bool ParsePanelOrder(std::string_view text, std::vector<std::string>& order) {
    std::vector<std::string> parsed;
    for (const std::string& entry : SplitString(text, ',')) {
        if (entry.empty()) continue;
        if (!IsPanelName(entry)) return false;
        for (const auto& seen : parsed) {
            if (seen == entry) return false;
        }
        parsed.push_back(entry);
    }
    order = std::move(parsed);
    return true;
}

void ParseAppSettings(std::string_view text, AppSettings& s) {
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t eq = line.find('=');
        if (line.empty() || eq == std::string::npos) continue;
        std::string_view key(line.data(), eq);
        std::string_view value(line.data() + eq + 1, line.size() - eq - 1);
        bool handled = false;
        for (const Switch& sw : kSwitches) {
            if (key == sw.fileKey) {
                Put(s, sw, value == "1");
                handled = true;
            }
        }
        if (handled) continue;
        if (key == "seenWarnings") {
            s.seenWarnings.clear();
            for (auto& e : SplitString(value, ',')) {
                if (!e.empty()) s.seenWarnings.insert(e);
            }
        } else if (key == "minimizedPanels") {
            s.minimizedPanels.clear();
            for (auto& e : SplitString(value, ',')) {
                if (IsPanelName(e)) s.minimizedPanels.insert(e);
            }
        } else if (key == "panelOrder") {
            ParsePanelOrder(value, s.panelOrder);
        } else if (key == "windowX") {
            if (ReadInt(value, s.windowX)) s.geometryValid = true;
        } else if (key == "windowY") {
            ReadInt(value, s.windowY);
        } else if (key == "windowWidth") {
            ReadInt(value, s.windowWidth);
        } else if (key == "windowHeight") {
            ReadInt(value, s.windowHeight);
        } else if (key == "windowMaximized") {
            s.windowMaximized = value == "1";
        }
    }
}

std::string FormatAppSettings(const AppSettings& s) {
    std::string out;
    auto line = [&out](std::string_view key, const std::string& value) {
        out += key;
        out += '=';
        out += value;
        out += "\r\n";
    };
    for (const Switch& sw : kSwitches)
        line(sw.fileKey, Get(s, sw) ? "1" : "0");
    line("seenWarnings", Join(s.seenWarnings, AsIs));
    line("minimizedPanels", Join(s.minimizedPanels, AsIs));
    line("panelOrder", Join(s.panelOrder, AsIs));
    line("windowX", std::to_string(s.windowX));
    line("windowY", std::to_string(s.windowY));
    line("windowWidth", std::to_string(s.windowWidth));
    line("windowHeight", std::to_string(s.windowHeight));
    line("windowMaximized", s.windowMaximized ? "1" : "0");
    return out;
}

std::string AppSettingsJson(const AppSettings& s) {
    std::string out = "{";
    for (const Switch& sw : kSwitches) {
        out += '"';
        out += sw.jsonKey;
        out += "\":";
        out += Get(s, sw) ? "true," : "false,";
    }
    // Warning keys come from the file and the page as they are and must not break the document.
    out += "\"seenWarnings\":[" + Join(s.seenWarnings, JsonEscape);
    out += "],\"minimizedPanels\":[" + Join(s.minimizedPanels, JsonEscape);
    out += "],\"panelOrder\":[" + Join(s.panelOrder, JsonEscape);
    out += "]}";
    return out;
}

void LoadAppSettings(const std::string& path, AppSettings& settings) {
    std::string text;
    if (ReadWholeFile(path, text) != FileReadStatus::Ok) return;
    ParseAppSettings(text, settings);
}

bool SaveAppSettings(const std::string& path, const AppSettings& settings) {
    return ReplaceFileContents(path, FormatAppSettings(settings));
}

AppSettingEffect SetAppSetting(AppSettings& s, std::string_view flattened) {
    AppSettingEffect effect;
    std::vector<std::string> fields = SplitString(flattened, ',');
    if (fields.size() != 2) return effect;
    const std::string& key = fields[0];
    const bool value = fields[1] == "1";
    effect.save = true;
    if (key == "alwaysOnTop") {
        s.alwaysOnTop = value;
        effect.applyTopmost = true;
    } else if (key == "launchOnStartup") {
        s.launchOnStartup = value;
        effect.applyLaunchOnStartup = true;
    } else if (key == "hotkeyLock") {
        s.hotkeyLock.exchange(value ? 1 : 0);
        s.hotkeyLockChanged.exchange(1);
    } else if (key.starts_with("min:")) {
        std::string panel = key.substr(4);
        if (IsPanelName(panel)) {
            if (value) {
                s.minimizedPanels.insert(panel);
            } else {
                s.minimizedPanels.erase(panel);
            }
        }
    } else {
        for (const Switch& sw : kSwitches) {
            // The hotkey lock is only reachable by its page name, handled above.
            if (key == sw.jsonKey && sw.fileKey != "hotkeyLockOn") Put(s, sw, value);
        }
    }
    return effect;
}

bool MarkWarningSeen(AppSettings& s, std::string_view key) {
    // A line break would end the settings line early and start another one in the file.
    if (key.empty() || key.find_first_of("\r\n") != std::string_view::npos) return false;
    return s.seenWarnings.insert(std::string(key)).second;
}

bool SetPanelOrder(AppSettings& s, std::string_view flattened) {
    return ParsePanelOrder(flattened, s.panelOrder);
}

}  // namespace velotap
