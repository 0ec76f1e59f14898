#include "themes/theme_file.h"

#include "base/file_read.h"

namespace velotap {

namespace {

ThemeCheck Reject(const char* message) {
    ThemeCheck check;
    check.error = message;
    return check;
}

}  // namespace

ThemeCheck LoadThemeFile(const std::string& path, std::string* text) {
    std::string bytes;
    switch (ReadWholeFile(path, bytes, kThemeFileCap)) {
        case FileReadStatus::OpenFailed:
            return Reject("could not open file");
        case FileReadStatus::ReadFailed:
            return Reject("could not read file");
        case FileReadStatus::TooLarge:
            return Reject("file exceeds the 12 MB cap");
        case FileReadStatus::Ok:
            break;
    }
    if (bytes.empty()) return Reject("file is empty");

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

}  // namespace velotap
