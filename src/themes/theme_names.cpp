#include "themes/theme_names.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

namespace velotap {

namespace {

namespace fs = std::filesystem;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWithNoCase(std::string_view s, std::string_view lowerSuffix) {
    if (s.size() < lowerSuffix.size()) return false;
    s = s.substr(s.size() - lowerSuffix.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (Lower(s[i]) != lowerSuffix[i]) return false;
    }
    return true;
}

bool Exists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

// Stem → file name of every file in `folder` that ends with `extension` in any case. A file system
// that ignores case finds other spellings of a stem through Exists as well.
std::map<std::string, std::string> FilesWithExtension(const std::string& folder,
                                                      std::string_view extension) {
    std::map<std::string, std::string> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.size() > extension.size() && EndsWithNoCase(name, extension)) {
            files.emplace(name.substr(0, name.size() - extension.size()), name);
        }
    }
    return files;
}

}  // namespace

bool IsThemeFileName(std::string_view path) {
    return EndsWithNoCase(path, kThemeExtension);
}

bool IsMacroFileName(std::string_view path) {
    return EndsWithNoCase(path, kMacroExtension);
}

bool IsThemeKey(std::string_view key) {
    if (key.empty() || key.size() > 64) return false;
    for (char c : key) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == ' ' || c == '_' || c == '-' ||
                             c == '.' || c == '(' || c == ')';
        if (!allowed) return false;
    }
    return true;
}

std::string_view BaseName(std::string_view path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string StemOf(std::string_view path) {
    std::string_view base = BaseName(path);
    return std::string(base.substr(0, base.size() > 9 ? base.size() - 9 : 0));
}

std::string FolderPath(const std::string& folder, std::string_view name) {
    return (fs::path(folder) / fs::path(std::string(name))).string();
}

std::optional<std::string> FindFolderFile(const std::string& folder, std::string_view stem,
                                          std::string_view extension) {
    std::string exact = FolderPath(folder, std::string(stem) + std::string(extension));
    if (Exists(exact)) return exact;
    std::map<std::string, std::string> files = FilesWithExtension(folder, extension);
    if (auto it = files.find(std::string(stem)); it != files.end()) {
        return FolderPath(folder, it->second);
    }
    return std::nullopt;
}

std::optional<FolderDestination> ChooseDestination(const std::string& folder,
                                                   const std::string& source, std::string_view stem,
                                                   std::string_view extension) {
    const std::map<std::string, std::string> files = FilesWithExtension(folder, extension);
    auto existing = [&](const std::string& s) -> std::optional<std::string> {
        if (auto it = files.find(s); it != files.end()) return FolderPath(folder, it->second);
        std::string exact = FolderPath(folder, s + std::string(extension));
        if (Exists(exact)) return exact;
        return std::nullopt;
    };
    std::optional<std::string> there = existing(std::string(stem));
    if (!there) {
        return FolderDestination{FolderPath(folder, std::string(BaseName(source))), true};
    }
    if (SameFileBytes(*there, source)) return FolderDestination{*there, false};
    for (int n = 2; n <= 999; ++n) {
        std::string numbered = std::string(stem) + " (" + std::to_string(n) + ")";
        if (!existing(numbered)) {
            return FolderDestination{FolderPath(folder, numbered + std::string(extension)), true};
        }
    }
    return std::nullopt;
}

bool SameFileBytes(const std::string& a, const std::string& b) {
    std::error_code ea, eb;
    const auto sizeA = fs::file_size(a, ea), sizeB = fs::file_size(b, eb);
    if (ea || eb || sizeA != sizeB) return false;
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    if (!fa || !fb) return false;
    std::array<char, 65536> ba, bb;
    for (;;) {
        fa.read(ba.data(), ba.size());
        fb.read(bb.data(), bb.size());
        const std::streamsize na = fa.gcount(), nb = fb.gcount();
        if (na != nb || !std::equal(ba.begin(), ba.begin() + na, bb.begin())) return false;
        if (na == 0 || !fa || !fb) return fa.eof() && fb.eof();
    }
}

}  // namespace velotap
