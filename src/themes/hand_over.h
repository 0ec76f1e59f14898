#pragma once
// Theme and macro files that reach the running program from outside the import dialog: dropped on
// the main window, named on the command line, or handed over through the themes folder with the
// pending-apply marker ("THEME:key" or "MACRO:stem", one line, no line end).
#include <functional>
#include <string>
#include <vector>

#include "themes/theme_store.h"

namespace velotap {

inline constexpr const char* kMarkerFileName = "_pending_apply.marker";
inline constexpr const char* kHandedOverThemeInvalidMessage =
    "That theme file failed validation and was not installed - it may be corrupted, too large, or "
    "contain a value outside what a theme file is allowed to carry.";
// A dropped path the 260-character buffer of a drop cannot hold whole.
inline constexpr const char* kDropPathTooLongMessage =
    "That file's path is too long for Velotap to open (260 characters or more). Move the file to a "
    "shorter path and try again.";

// What became of a handed-over macro file.
struct MacroHandOver {
    enum class Kind { Unreadable, Imported, Held };
    Kind kind = Kind::Unreadable;
    std::string pendingDocument;  // the held import's object, for Held
};

// What handing files over needs from the process.
struct HandOverContext {
    ThemeStore& store;
    // True once the main page exists; until then messages wait as the pending alert.
    std::function<bool()> pageExists;
    std::function<void(const std::string& script)> post;
    std::function<void(const std::string& message)> setPendingAlert;
    // The theme notice to the pop-out panels.
    std::function<void()> notifyPanels;
    // Reads the macro file and decides on its import (the risk scan may hold it).
    std::function<MacroHandOver(const std::string& path)> importMacro;
};

struct ThemeReject {
    std::string name;  // the file's base name
    std::string reason;
};
// The script that tells the page what became of dropped or handed-over theme files.
std::string ThemeResultScript(const std::string& appliedKey,
                              const std::vector<ThemeReject>& rejects);

enum class CopyAndMarkResult { Marked, Ignored, CopyFailed, NamesTaken };
// A second start's hand-over: copies a theme or macro file into the themes folder (unless an
// identical one is there) and writes the marker naming it.
CopyAndMarkResult CopyAndMark(const std::string& themesFolder, const std::string& path);

// Reads and deletes the marker and applies what it names. True when a marker was handled.
bool ProcessMarker(HandOverContext& context);

// Files dropped on the main window: every theme file is imported, the last one imported applied,
// and the page told (also when nothing was imported).
void InstallDroppedFiles(HandOverContext& context, const std::vector<std::string>& paths);

// A theme file named on the command line of the first start: imported and made current; a
// failure waits as the pending alert.
void OpenStartupTheme(HandOverContext& context, const std::string& path);

}  // namespace velotap
