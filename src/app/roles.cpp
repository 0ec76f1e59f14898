#include "app/roles.h"

#include "themes/theme_names.h"

#include <array>
#include <optional>

namespace velotap {

namespace {

std::string_view TrimBlanks(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

}  // namespace

ConsoleChoice ChooseConsoleMode(const std::vector<std::string>& args) {
    enum { kSelfTest, kManifest, kTheme, kMacro, kScan, kCount };
    static constexpr std::array<std::string_view, kCount> kPrefixes = {
        "--selftest-update=", "--update-manifest=", "--validate-theme=", "--validate-macro=",
        "--scan-macro="};
    std::array<std::optional<std::string>, kCount> values;
    for (const std::string& arg : args) {
        for (size_t p = 0; p < kCount; ++p) {
            if (std::string_view(arg).starts_with(kPrefixes[p])) {
                values[p] = arg.substr(kPrefixes[p].size());
                break;
            }
        }
    }
    ConsoleChoice choice;
    choice.updateManifest = values[kManifest].value_or("");
    static constexpr std::array<std::pair<int, ConsoleMode>, 4> kOrder = {{
        {kSelfTest, ConsoleMode::UpdateSelfTest},
        {kTheme, ConsoleMode::ValidateTheme},
        {kMacro, ConsoleMode::ValidateMacro},
        {kScan, ConsoleMode::ScanMacro},
    }};
    for (auto [slot, mode] : kOrder) {
        if (values[slot]) {
            choice.mode = mode;
            choice.file = *values[slot];
            break;
        }
    }
    return choice;
}

WindowChoice ChooseWindowRole(std::string_view commandLine) {
    WindowChoice choice;
    if (size_t at = commandLine.find("--child"); at != std::string_view::npos) {
        choice.role = WindowRole::Panel;
        if (size_t params = commandLine.find("--child "); params != std::string_view::npos) {
            choice.panelParams = std::string(commandLine.substr(params + 8));
        }
        return choice;
    }
    std::string_view trimmed = TrimBlanks(commandLine);
    if (trimmed == "--timeline") {
        choice.role = WindowRole::Timeline;
        return choice;
    }
    if (trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"') {
        trimmed = trimmed.substr(1, trimmed.size() - 2);
    }
    if (IsThemeFileName(trimmed)) {
        choice.themeToOpen = std::string(trimmed);
    } else if (IsMacroFileName(trimmed)) {
        choice.macroToOpen = std::string(trimmed);
    }
    return choice;
}

}  // namespace velotap
