#include "themes/theme_file.h"

#include <filesystem>
#include <fstream>

namespace {

ThemeCheck Reject(const char* message) {
    ThemeCheck check;
    check.error = message;
    return check;
}

}  // namespace

ThemeCheck LoadThemeFile(const std::string& path, std::string* text) {
    // A folder opens as a stream on some systems but is no file to read.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return Reject("could not open file");
    std::ifstream in(path, std::ios::binary);
    if (!in) return Reject("could not open file");
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0) return Reject("could not read file");
    if (size < 1) return Reject("file is empty");
    if (static_cast<unsigned long long>(size) > kThemeFileCap) {
        return Reject("file exceeds the 12 MB cap");
    }
    in.seekg(0, std::ios::beg);
    std::string bytes(static_cast<size_t>(size), '\0');
    if (!in.read(bytes.data(), size) || in.gcount() != size) return Reject("could not read file");

    ThemeCheck check = ValidateThemeText(bytes);
    if (check.accepted) {
        check.record.path = path;
        if (text) *text = std::move(bytes);
    }
    return check;
}

std::string ThemeCheckLine(const ThemeCheck& check) {
    if (!check.accepted) return "REJECT " + check.error + "\n";
    if (!check.record.hasSkin) return "OK colours\n";
    return "OK skin " + std::to_string(check.pieceCount) + " pieces" +
           (check.hasFont ? " +font" : "") + "\n";
}
