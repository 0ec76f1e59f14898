#pragma once
// The theme store: the current theme key and theme.txt, the registry of valid files in the themes
// folder, the skin cache, import and delete. One per process; every member is guarded by `lock`.
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "themes/theme_record.h"

namespace velotap {

inline constexpr const char* kThemeWrongTypeMessage = "Velotap only imports .vtptheme theme files.";
inline constexpr const char* kThemeKeyRuleMessage =
    "That theme file's name uses characters Velotap doesn't allow in a theme key - only letters, "
    "digits, spaces, and _ - . ( ) are permitted. Rename the file and try again.";
inline constexpr const char* kThemeInvalidMessage =
    "That theme file failed validation and was not imported - it may be corrupted, too large, or "
    "contain a value outside what a theme file is allowed to carry.";
inline constexpr const char* kThemeCopyMessage =
    "Could not copy that theme file into Velotap's themes folder.";
inline constexpr const char* kThemeNamesTakenMessage =
    "Velotap's themes folder already holds a theme of that name and every numbered name from (2) "
    "to (999). Delete some of those themes and try again.";

// The skin of one theme as its file carries it: base64 texts by piece name and the font's.
struct SkinCache {
    std::string key;
    std::map<std::string, std::string> pieces;
    std::string font;
    bool valid = false;
    void Reset() { *this = SkinCache(); }
};

struct ThemeStore {
    explicit ThemeStore(std::string dataFolder);

    const std::string dataFolder;
    const std::string folder;        // the themes folder
    const std::string themeTxtPath;  // the current key, kept across starts

    // Recursive: filling the skin cache happens under the lock that reading a piece already holds.
    std::recursive_mutex lock;
    std::map<std::string, ThemeRecord> registry;  // by key, in byte order
    SkinCache skin;
    std::string currentKey{"velotap"};
};

// Creates the themes folder when it is missing; errors are ignored.
void EnsureThemesFolder(const ThemeStore& store);

// theme.txt's first line; "velotap" when the file is missing, unreadable or empty.
std::string ReadThemeTxt(const std::string& path);
// Loads the current key from theme.txt.
void LoadCurrentTheme(ThemeStore& store);
std::string CurrentTheme(ThemeStore& store);
// Makes `key` current and writes theme.txt (no line end). No check that a theme has that key.
void SetCurrentTheme(ThemeStore& store, const std::string& key);

// Replaces the registry with every valid theme file of the folder and resets the skin cache. The
// files are read without the lock.
void RescanThemes(ThemeStore& store);

// getCustomThemes: one object per registry entry in key order.
std::string CustomThemesJson(ThemeStore& store);
// getSkinPiece: "key|piece" → the piece's base64 text as a JSON string ("" when anything fails).
std::string SkinPieceJson(ThemeStore& store, std::string_view keyAndPiece);
// getSkinFont: the font's base64 text as a JSON string ("" when none or anything fails).
std::string SkinFontJson(ThemeStore& store, const std::string& key);

struct ThemeImport {
    std::string error;  // empty on success
    std::string key;
};
// Checks, validates and copies a theme file into the folder and registers it. Does not change the
// current theme.
ThemeImport ImportThemeFile(ThemeStore& store, const std::string& path);

// Deletes the theme's file and forgets it; the current theme falls back to "velotap" when it was
// this one. False, touching nothing, when the registry has no such key.
bool DeleteTheme(ThemeStore& store, const std::string& key);

}  // namespace velotap
