#pragma once
// Pop-out panels: a panel is a process of this program started with "--child" that shows one
// panel of the page in a small frameless window, forwards its commands through the command pipe
// and reads the main process's state from files the main process keeps in the data folder.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"

namespace velotap {

inline constexpr int kPanelWidth = 450, kPanelHeight = 400;
inline constexpr const char* kPanelSettingsFileName = "panelsettings.txt";
inline constexpr const char* kPanelErrorPage = "<h2>Error loading UI in child process</h2>";
inline constexpr const char* kPanelsUnavailable =
    "Pop-out panels are unavailable right now - restart Velotap.";

// What the main process tells a panel on its command line.
struct PanelParams {
    std::string title = "Panel";
    std::string id;                 // the page element of the panel; also its key in the record
    std::optional<Point> position;  // where the pop-out button was pressed
    std::string theme = "velotap";
};

// The text after "--child ": double quotes removed, fields split on "|": title, id, x, y (used
// only when both convert), theme.
PanelParams ParsePanelParams(std::string_view text);

// The arguments after the executable path that start a panel: popOutPanel's flattened argument
// (title|id|x|y) and the current theme key.
std::vector<std::string> PanelArguments(const std::string& flattened, const std::string& themeKey);

std::string PanelWindowTitle(const std::string& title);

// The frame's top-left corner: the pointer ends up over the panel's header.
Point PanelWindowPosition(Point pressedAt);

// The script element that turns the page into the one panel `panelId`, themed with `themeKey`.
std::string PanelStartScript(const std::string& themeKey, const std::string& panelId);

// `html` with `insert` placed just before its last "</body>"; unchanged when there is none.
std::string InsertBeforeBodyEnd(std::string html, const std::string& insert);

// A panel's getSettings: the first line of "panelsettings.txt", or "{}" when empty or missing.
std::string ReadPanelSettings(const std::string& path);

}  // namespace velotap
