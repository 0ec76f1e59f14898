#include "profiles/macro_file.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>

#include "bridge/args.h"
#include "macro/event_line.h"

namespace {

constexpr std::string_view kSettingsPrefix = "SETTINGS:";
constexpr size_t kProfileFields = 20;

// Cuts the next line off `text` at `pos` as a stream's getline does, then drops one carriage
// return at its end. False when no line is left.
bool NextLine(std::string_view text, size_t& pos, std::string_view& line) {
    if (pos >= text.size()) return false;
    size_t lf = text.find('\n', pos);
    size_t end = lf == std::string_view::npos ? text.size() : lf;
    line = text.substr(pos, end - pos);
    pos = lf == std::string_view::npos ? text.size() : lf + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

// A base-10 integer in the 32-bit range that makes up the entire field (leading blanks and a
// sign allowed, as the standard conversion reads them; nothing may follow).
bool IsWholeInteger(std::string_view field) {
    size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r')))
        ++i;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) ++i;
    size_t digits = i;
    while (i < field.size() && field[i] >= '0' && field[i] <= '9')
        ++i;
    if (i == digits || i != field.size()) return false;
    auto value = ToInteger(field);
    return value && *value >= INT32_MIN && *value <= INT32_MAX;
}

bool AllWhole(const std::vector<std::string>& fields, std::initializer_list<size_t> positions) {
    return std::all_of(positions.begin(), positions.end(),
                       [&](size_t p) { return IsWholeInteger(fields[p - 1]); });
}

MacroFileParse Parse(std::string_view text, std::string_view importerSettings) {
    MacroFileParse result;
    size_t pos = 0;
    std::string_view line;
    if (!NextLine(text, pos, line) || line.empty()) {
        result.error = kMacroNoNameError;
        return result;
    }
    result.name = std::string(line);

    size_t afterName = pos;
    if (NextLine(text, pos, line) && line.substr(0, kSettingsPrefix.size()) == kSettingsPrefix) {
        result.settings =
            ConvertFileSettings(line.substr(kSettingsPrefix.size()), importerSettings);
    } else {
        pos = afterName;
    }

    result.events.reserve(std::count(text.begin() + pos, text.end(), '\n') + 1);
    while (NextLine(text, pos, line)) {
        if (line.empty()) continue;
        if (auto event = ParseEventLine(line, WheelField::Optional))
            result.events.push_back(*event);
    }
    result.events.shrink_to_fit();
    return result;
}

MacroFileParse Failure(const char* message) {
    MacroFileParse result;
    result.error = message;
    return result;
}

}  // namespace

std::string MacroFileText(std::string_view name, std::string_view globalSettingsLine,
                          const std::vector<UnifiedEvent>& events) {
    std::string text;
    text.reserve(name.size() + globalSettingsLine.size() + 16 + events.size() * 32);
    text.append(name).append("\r\n");
    text.append(kSettingsPrefix).append(globalSettingsLine).append("\r\n");
    for (const UnifiedEvent& event : events) {
        AppendEventLine(text, event);
        text += "\r\n";
    }
    return text;
}

bool WriteMacroFile(const std::string& path, std::string_view name,
                    std::string_view globalSettingsLine, const std::vector<UnifiedEvent>& events) {
    try {
        std::string text = MacroFileText(name, globalSettingsLine, events);
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        if (!file) return false;
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
        return !file.fail();
    } catch (const std::exception&) {
        return false;
    }
}

MacroFileParse ParseMacroText(std::string_view text, std::string_view importerSettings) {
    try {
        return Parse(text, importerSettings);
    } catch (const std::bad_alloc&) {
        return Failure(kMacroTooLargeError);
    } catch (const std::length_error&) {
        return Failure(kMacroTooLargeError);
    }
}

MacroFileParse ReadMacroFile(const std::string& path, std::string_view importerSettings) {
    try {
        // A folder may open but never reads as a file.
        std::error_code ignored;
        if (std::filesystem::is_directory(path, ignored)) return Failure(kMacroOpenError);
        std::ifstream file(path, std::ios::binary);
        if (!file) return Failure(kMacroOpenError);
        file.seekg(0, std::ios::end);
        std::streamoff size = file.tellg();
        if (size < 0) return Failure(kMacroOpenError);
        file.seekg(0, std::ios::beg);
        std::string text(static_cast<size_t>(size), '\0');
        file.read(text.data(), size);
        if (file.bad() || file.gcount() != size) return Failure(kMacroOpenError);
        return ParseMacroText(text, importerSettings);
    } catch (const std::bad_alloc&) {
        return Failure(kMacroTooLargeError);
    } catch (const std::exception&) {
        return Failure(kMacroOpenError);
    }
}

std::string ConvertFileSettings(std::string_view fileSettingsLine,
                                std::string_view importerSettings) {
    std::vector<std::string> p = SplitString(importerSettings, ',');
    p.resize(kProfileFields);
    const std::vector<std::string> f = SplitString(fileSettingsLine, ',');
    const size_t n = f.size();

    if (n >= 23 && AllWhole(f, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})) {
        std::copy(f.begin(), f.begin() + 11, p.begin());
    }
    if (n >= 31 && AllWhole(f, {24, 25, 26, 27, 28, 29, 31})) {
        std::copy(f.begin() + 23, f.begin() + 29, p.begin() + 11);
        p[17] = f[30];
    }
    if (n >= 33) {
        p[18] = f[31];
        p[19] = f[32] == "1" ? "1" : "0";
    } else if (n >= 23) {
        p[18] = p[17];
        p[19] = "0";
    }

    std::string joined;
    for (size_t i = 0; i < p.size(); ++i) {
        if (i > 0) joined += ',';
        joined += p[i];
    }
    return joined;
}
