#pragma once
// Names in the themes folder: the file-name tests, theme keys, and finding a free name there.
#include <optional>
#include <string>
#include <string_view>

namespace velotap {

inline constexpr std::string_view kThemeExtension = ".vtptheme";
inline constexpr std::string_view kMacroExtension = ".vtpmacro";
inline constexpr std::string_view kBuiltInThemeKey = "velotap";

// The extension is compared without regard to case.
bool IsThemeFileName(std::string_view path);
bool IsMacroFileName(std::string_view path);

// 1 to 64 bytes, each a letter, digit, space or one of _ - . ( )
bool IsThemeKey(std::string_view key);

// The text after the last backslash or forward slash.
std::string_view BaseName(std::string_view path);

// The file in `folder` named `stem` followed by `extension` (".vtptheme" or ".vtpmacro") written in
// any mix of case; none when there is none. The exact spelling is tried first.
std::optional<std::string> FindFolderFile(const std::string& folder, std::string_view stem,
                                          std::string_view extension);

// Where a file of base name `stem` + `extension` goes in `folder`: that name when no such file is
// there yet or the one there holds exactly `source`'s bytes (`copy` is then false); otherwise the
// first free name of "stem (2)" to "stem (999)". None when all of those are taken.
struct FolderDestination {
    std::string path;
    bool copy = true;
};
std::optional<FolderDestination> ChooseDestination(const std::string& folder,
                                                   const std::string& source, std::string_view stem,
                                                   std::string_view extension);

// The base name's stem of a path in the themes folder: the base name without its last 9 characters.
std::string StemOf(std::string_view path);

// True when both files open and hold the same bytes.
bool SameFileBytes(const std::string& a, const std::string& b);

// "folder/name"
std::string FolderPath(const std::string& folder, std::string_view name);

}  // namespace velotap
