#include "profiles/macro_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>

#include "base/args.h"
#include "macro/event_line.h"
#include "macro/profile_list.h"

namespace velotap {

namespace {

constexpr std::string_view kSettingsPrefix = "SETTINGS:";
constexpr size_t kProfileFields = 20;

// The lines of a file as a stream's getline gives them (a final line end adds no empty line),
// each with one carriage return at its end dropped.
template <typename OnLine>
void ForEachLine(std::string_view text, OnLine&& onLine) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find('\n', pos);
        size_t end = lf == std::string_view::npos ? text.size() : lf;
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        onLine(line);
        pos = end + 1;
    }
}

size_t CountLineFeeds(std::string_view text) {
    size_t count = 0;
    const char* at = text.data();
    const char* end = at + text.size();
    while (at < end) {
        const void* lf = std::memchr(at, '\n', static_cast<size_t>(end - at));
        if (lf == nullptr) break;
        ++count;
        at = static_cast<const char*>(lf) + 1;
    }
    return count;
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
    return ToInt32(field).has_value();
}

bool AllWhole(const std::vector<std::string>& fields, std::initializer_list<size_t> positions) {
    return std::all_of(positions.begin(), positions.end(),
                       [&](size_t p) { return IsWholeInteger(fields[p - 1]); });
}

MacroFileParse Failure(const char* message) {
    MacroFileParse result;
    result.error = message;
    return result;
}

// Takes the lines of a macro file one at a time, so that a file need not be held whole.
class MacroFileReader {
  public:
    MacroFileReader(std::string_view importerSettings, size_t lineCount)
        : importerSettings_(importerSettings) {
        // One allocation for the whole list: fresh memory dominates the cost of a long macro.
        result_.events.reserve(lineCount);
    }

    void Line(std::string_view line) {
        ++lines_;
        if (lines_ == 1) {
            if (line.empty()) result_.error = kMacroNoNameError;
            result_.name = SingleLineName(line);
            return;
        }
        if (!result_.error.empty()) return;
        if (lines_ == 2 && line.substr(0, kSettingsPrefix.size()) == kSettingsPrefix) {
            result_.settings =
                ConvertFileSettings(line.substr(kSettingsPrefix.size()), importerSettings_);
            return;
        }
        if (line.empty()) return;
        if (auto event = ParseEventLine(line, WheelField::Optional)) {
            result_.events.push_back(*event);
        }
    }

    MacroFileParse Finish() {
        if (lines_ == 0) result_.error = kMacroNoNameError;
        if (!result_.error.empty()) return MacroFileParse{{}, {}, {}, result_.error};
        return std::move(result_);
    }

  private:
    std::string_view importerSettings_;
    size_t lines_ = 0;
    MacroFileParse result_;
};

MacroFileParse Parse(std::string_view text, std::string_view importerSettings) {
    MacroFileReader reader(importerSettings, CountLineFeeds(text) + 1);
    ForEachLine(text, [&reader](std::string_view line) { reader.Line(line); });
    return reader.Finish();
}

// Reads the file in blocks, twice: once to count its lines, once to read them.
MacroFileParse ReadStream(std::istream& file, std::string_view importerSettings) {
    constexpr size_t kBlock = 1 << 20;
    std::string block(kBlock, '\0');
    auto readBlock = [&]() -> std::string_view {
        file.read(block.data(), static_cast<std::streamsize>(block.size()));
        return std::string_view(block.data(), static_cast<size_t>(file.gcount()));
    };

    size_t lineFeeds = 0;
    for (std::string_view chunk = readBlock(); !chunk.empty(); chunk = readBlock()) {
        lineFeeds += CountLineFeeds(chunk);
    }
    if (file.bad()) return Failure(kMacroOpenError);
    file.clear();
    file.seekg(0, std::ios::beg);
    if (!file) return Failure(kMacroOpenError);

    MacroFileReader reader(importerSettings, lineFeeds + 1);
    auto emit = [&reader](std::string_view line) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        reader.Line(line);
    };
    std::string partial;  // a line cut by the end of a block
    for (std::string_view chunk = readBlock(); !chunk.empty(); chunk = readBlock()) {
        for (size_t pos = 0;;) {
            size_t lf = chunk.find('\n', pos);
            if (lf == std::string_view::npos) {
                partial.append(chunk.substr(pos));
                break;
            }
            if (partial.empty()) {
                emit(chunk.substr(pos, lf - pos));
            } else {
                partial.append(chunk.substr(pos, lf - pos));
                emit(partial);
                partial.clear();
            }
            pos = lf + 1;
        }
    }
    if (file.bad()) return Failure(kMacroOpenError);
    if (!partial.empty()) emit(partial);
    return reader.Finish();
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
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        if (!file) return false;
        // Written in blocks, so that a long macro never needs its whole text in memory.
        constexpr size_t kBlock = 1 << 20;
        std::string text = MacroFileText(name, globalSettingsLine, {});
        text.reserve(kBlock + 64);
        for (const UnifiedEvent& event : events) {
            AppendEventLine(text, event);
            text += "\r\n";
            if (text.size() >= kBlock) {
                file.write(text.data(), static_cast<std::streamsize>(text.size()));
                text.clear();
            }
        }
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
        return ReadStream(file, importerSettings);
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
        p[19].assign(1, f[32] == "1" ? '1' : '0');
    } else if (n >= 23) {
        p[18] = p[17];
        p[19].assign(1, '0');
    }

    std::string joined;
    for (size_t i = 0; i < p.size(); ++i) {
        if (i > 0) joined += ',';
        joined += p[i];
    }
    return joined;
}

}  // namespace velotap
