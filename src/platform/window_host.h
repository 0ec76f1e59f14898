#pragma once
// The top-level window with its embedded web view, as the main window and the panels use it.
// Implemented over WebKitGTK on Linux and over WebView2 on Windows; the fake records everything.
// Everything except Dispatch runs on the UI thread. The page bridge's rules are not here: a host
// only carries the page's messages, evaluates scripts and dispatches (bridge/page_bridge.h).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace velotap {

// The window's normal (restored) rectangle and whether it is maximised.
struct WindowPlacement {
    Rect normal;
    bool maximized = false;
};

// An icon image: 32-bit RGBA rows, top row first.
struct IconImage {
    int size = 0;
    std::vector<unsigned char> rgba;
};

struct WindowHostOptions {
    // Set only when a WebDriver session drives this program; see the automation notes in
    // ARCHITECTURE.md. Nothing else changes.
    bool automation = false;
    // What the window looks like when it first appears (a width or height of 0: the host's own).
    // Sizes are the room inside the system's title bar and frame (a frameless window's whole size).
    std::string title;
    int width = 0, height = 0;
    std::optional<Point> position;  // top-left of the frame; none: where the system puts it
    // No title bar or frame of the system's, a thin border only (pop-out panels).
    bool frameless = false;
    // The least room the user can leave the page, measured as `width` is (0: no limit).
    int minWidth = 0, minHeight = 0;
    // Where the web view keeps its profile; empty: the engine's default. Only WebView2 keeps one
    // per program (WebKitGTK uses its own per-user folders).
    std::string webViewDataFolder;
};

// The window dragged by the pointer: the host holds the pointer for its window until the left
// button is let go or the hold is taken away, and meanwhile reports where the pointer is.
struct PointerDrag {
    // Each pointer move, in screen coordinates; answers where the window's top-left goes now
    // (none: the window stays).
    std::function<std::optional<Point>(Point cursor)> moved;
    // The end of the drag: `released` when the left button was let go, false when the hold was
    // taken away.
    std::function<void(bool released)> ended;
};

class WindowHost {
  public:
    virtual ~WindowHost() = default;

    // Page.
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetHtml(const std::string& html) = 0;
    // Runs `script` in every page loaded from now on, before the page's own scripts.
    virtual void AddStartScript(const std::string& script) = 0;
    // A JavaScript function expression that hands one message text from the page to the handler
    // set with OnPageMessage.
    virtual std::string PagePostFunction() const = 0;
    // Receives each message text the page posts, on the UI thread.
    virtual void OnPageMessage(std::function<void(const std::string&)> fn) = 0;
    // Runs `work` on the UI thread; calls run in the order they were dispatched. Any thread.
    virtual void Dispatch(std::function<void()> work) = 0;
    // Runs `script` in the page shown now.
    virtual void Eval(const std::string& script) = 0;
    virtual void Run() = 0;
    virtual void Terminate() = 0;

    // Window.
    virtual void SetClientSize(int width, int height) = 0;
    virtual std::optional<Rect> FrameRect() = 0;
    virtual void MoveTo(int left, int top) = 0;
    virtual void MoveResize(const Rect& frame) = 0;
    virtual std::optional<WindowPlacement> Placement() = 0;
    // Work area of the monitor that contains the point; none when no monitor does.
    virtual std::optional<Rect> WorkAreaAt(int x, int y) = 0;
    // Work area of the monitor nearest to the window.
    virtual std::optional<Rect> WorkAreaNearest() = 0;
    virtual void Maximize() = 0;
    virtual void Minimize() = 0;
    virtual void SetTopmost(bool topmost) = 0;
    virtual void ForceForeground() = 0;
    virtual void SetIcons(const IconImage& big, const IconImage& small) = 0;

    // Called when a move or resize ended and once more when the window is destroyed.
    virtual void OnPlacementSettled(std::function<void(const WindowPlacement&)> fn) = 0;
    virtual void OnFilesDropped(std::function<void(const std::vector<std::string>&)> fn) = 0;

    // Holds the pointer for `drag`. The cursor position at the start; none when the pointer cannot
    // be held (then `drag` is never called).
    virtual std::optional<Point> BeginPointerDrag(PointerDrag drag) = 0;
    // Messages other processes post to this window (WindowMessenger::Post), on the UI thread;
    // `fn` answers true when it handled one. Only the application range (0x8000 to 0xBFFF).
    virtual void OnWindowMessage(
        std::function<bool(uint32_t message, uint64_t wparam, int64_t lparam)> fn) = 0;

    // Asks the window to close as its close button does, once the current call has returned.
    virtual void Close() = 0;
    // Decides every request to close the window (the user's or Close's); false keeps it open.
    virtual void OnCloseRequested(std::function<bool()> fn) = 0;
};

// The platform's real host, with its own top-level window. Null with `error` set when no window
// can be made (for example without a display).
std::unique_ptr<WindowHost> CreateWindowHost(const WindowHostOptions& options, std::string& error);

// How the program's windows reach the display, chosen before any window or dialog exists. On a
// Wayland session with XWayland the windows are X11 windows, as the input the program observes
// and sends is X11's.
struct DisplayChoice {
    bool usable = true;
    std::string notice;  // a limitation of this session the user should hear about once
    std::string error;   // why the program cannot run here, when not usable
};
DisplayChoice ChooseDisplay();

}  // namespace velotap
