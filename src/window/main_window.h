#pragma once
// Behaviour of the main window over the platform's window host.
#include <string>
#include <string_view>

#include "platform/desktop.h"
#include "platform/window_host.h"

namespace velotap {

inline constexpr const char* kMainWindowTitle = "Velotap (Studio Version 1.0.1)";
// The earlier edition's main window, which a second start also brings forward.
inline constexpr const char* kClassicWindowTitle = "Velotap Classic (Legacy Edition)";

// The program settings the main window follows.
struct MainWindowSettings {
    bool alwaysOnTop = false;
    bool startMinimized = false;
    int windowX = 0, windowY = 0, windowWidth = 420, windowHeight = 560;
    bool windowMaximized = false;
    bool geometryValid = false;  // not stored: set by reading "windowX" or by a window move
};

// True for a title of our main window (this edition or the earlier one).
bool IsMainWindowTitle(std::string_view title);

// Finds the main window by its title, restores it when minimised and brings it to the front; when
// the system keeps it behind and `flashWhenRefused` is set, draws attention to it instead. False
// when there is no main window.
bool BringMainWindowForward(Desktop& desktop, bool flashWhenRefused);

// Moves the window to the remembered place, clipped to the size of the work area of the monitor
// that holds the remembered top-left point; does nothing when no monitor does.
void RestoreGeometry(WindowHost& host, const MainWindowSettings& settings);

// Shows the window the way the settings ask: maximised (unless starting minimised), on top,
// minimised or brought to the front.
void ShowMainWindow(WindowHost& host, const MainWindowSettings& settings);

// The page's resize request: fits a window of width x height into the work area, shrinking the
// height in proportion and lifting the window when needed.
void FitToWorkArea(WindowHost& host, int width, int height);

// resizeWindow's argument text: two integer fields; anything else is ignored.
void ResizeWindowCall(WindowHost& host, const std::string& args);

}  // namespace velotap
