#pragma once
// An in-memory window host: records what the program does to its window and page, and lets a test
// post messages as the page would (tests/support/fake_page.h calls bound functions with it).
#include "platform/dispatch_queue.h"
#include "platform/window_host.h"

namespace velotap {

class FakeWindowHost final : public WindowHost {
  public:
    struct Monitor {
        Rect bounds;
        Rect workArea;
    };

    // Screen set-up; the frame adds these borders around the client area.
    std::vector<Monitor> monitors{{{0, 0, 1280, 1024}, {0, 0, 1280, 984}}};
    int frameTop = 30, frameSide = 0, frameBottom = 0;

    // What the program did.
    std::string title, html;
    std::vector<std::string> startScripts;
    std::vector<std::string> evaluated;
    Rect client{100, 100, 0, 0};  // client area; the frame is derived from it
    bool maximized = false, minimized = false, topmost = false, foreground = false;
    int setClientSizeCalls = 0;
    std::vector<std::string> calls;  // window operations in order
    IconImage bigIcon, smallIcon;
    std::function<void(const WindowPlacement&)> onPlacement;
    std::function<void(const std::vector<std::string>&)> onDrop;
    std::function<bool(uint32_t, uint64_t, int64_t)> onWindowMessage;
    // A drag in progress and where the pointer is; whether the pointer can be held at all.
    Point cursor;
    bool pointerFree = true;
    PointerDrag drag;
    bool dragging = false;
    bool terminated = false;
    std::function<bool()> onCloseRequested;
    int closeRequests = 0;
    bool closed = false;

    // The pointer moves to `to` during a drag (the window follows as the drag answers), and the
    // drag ends, as the host reports them.
    void MovePointer(Point to);
    void EndPointerDrag(bool released);

    // Hands `message` to the page message handler, as the page's post function does.
    void PostFromPage(const std::string& message);
    // Runs dispatched work, in order, until none is left.
    void RunDispatched();

    void SetTitle(const std::string& t) override { title = t; }
    void SetHtml(const std::string& h) override { html = h; }
    void AddStartScript(const std::string& script) override { startScripts.push_back(script); }
    std::string PagePostFunction() const override { return "function (text) {}"; }
    void OnPageMessage(std::function<void(const std::string&)> fn) override {
        onMessage_ = std::move(fn);
    }
    void Dispatch(std::function<void()> work) override;
    void Eval(const std::string& script) override { evaluated.push_back(script); }
    void Run() override {}
    void Terminate() override { terminated = true; }

    void SetClientSize(int width, int height) override;
    std::optional<Rect> FrameRect() override;
    void MoveTo(int left, int top) override;
    void MoveResize(const Rect& frame) override;
    std::optional<WindowPlacement> Placement() override;
    std::optional<Rect> WorkAreaAt(int x, int y) override;
    std::optional<Rect> WorkAreaNearest() override;
    void Maximize() override;
    void Minimize() override;
    void SetTopmost(bool on) override;
    void ForceForeground() override;
    void SetIcons(const IconImage& big, const IconImage& small) override;
    void OnPlacementSettled(std::function<void(const WindowPlacement&)> fn) override {
        onPlacement = std::move(fn);
    }
    void OnFilesDropped(std::function<void(const std::vector<std::string>&)> fn) override {
        onDrop = std::move(fn);
    }
    std::optional<Point> BeginPointerDrag(PointerDrag d) override;
    void OnWindowMessage(std::function<bool(uint32_t, uint64_t, int64_t)> fn) override {
        onWindowMessage = std::move(fn);
    }
    void Close() override {
        ++closeRequests;
        if (!onCloseRequested || onCloseRequested()) closed = true;
    }
    void OnCloseRequested(std::function<bool()> fn) override { onCloseRequested = std::move(fn); }

  private:
    std::function<void(const std::string&)> onMessage_;
    DispatchQueue dispatched_;
};

}  // namespace velotap
