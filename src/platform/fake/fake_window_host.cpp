#include "platform/fake/fake_window_host.h"

namespace velotap {

void FakeWindowHost::PostFromPage(const std::string& message) {
    if (onMessage_) onMessage_(message);
}

void FakeWindowHost::Dispatch(std::function<void()> work) {
    dispatched_.Push(std::move(work));
}

void FakeWindowHost::RunDispatched() {
    while (std::function<void()> work = dispatched_.Take())
        work();
}

void FakeWindowHost::SetClientSize(int width, int height) {
    ++setClientSizeCalls;
    client.width = width;
    client.height = height;
    calls.push_back("size " + std::to_string(width) + "x" + std::to_string(height));
}

std::optional<Rect> FakeWindowHost::FrameRect() {
    return Rect{client.left - frameSide, client.top - frameTop, client.width + 2 * frameSide,
                client.height + frameTop + frameBottom};
}

void FakeWindowHost::MoveTo(int left, int top) {
    client.left = left + frameSide;
    client.top = top + frameTop;
    calls.push_back("move " + std::to_string(left) + "," + std::to_string(top));
}

void FakeWindowHost::MoveResize(const Rect& frame) {
    client = frame;
    calls.push_back("place " + std::to_string(frame.left) + "," + std::to_string(frame.top) + " " +
                    std::to_string(frame.width) + "x" + std::to_string(frame.height));
}

std::optional<WindowPlacement> FakeWindowHost::Placement() {
    return WindowPlacement{client, maximized};
}

std::optional<Rect> FakeWindowHost::WorkAreaAt(int x, int y) {
    for (const Monitor& m : monitors) {
        if (m.bounds.Contains(x, y)) return m.workArea;
    }
    return std::nullopt;
}

std::optional<Rect> FakeWindowHost::WorkAreaNearest() {
    if (monitors.empty()) return std::nullopt;
    Rect frame = *FrameRect();
    for (const Monitor& m : monitors) {
        if (m.bounds.Contains(frame.left, frame.top)) return m.workArea;
    }
    return monitors.front().workArea;
}

void FakeWindowHost::Maximize() {
    maximized = true;
    calls.push_back("maximize");
}

void FakeWindowHost::Minimize() {
    minimized = true;
    calls.push_back("minimize");
}

void FakeWindowHost::SetTopmost(bool on) {
    topmost = on;
    calls.push_back(on ? "topmost" : "not topmost");
}

void FakeWindowHost::ForceForeground() {
    foreground = true;
    calls.push_back("foreground");
}

void FakeWindowHost::SetIcons(const IconImage& big, const IconImage& small) {
    bigIcon = big;
    smallIcon = small;
}

std::optional<Point> FakeWindowHost::BeginPointerDrag(PointerDrag d) {
    if (!pointerFree || dragging) return std::nullopt;
    drag = std::move(d);
    dragging = true;
    calls.push_back("grab");
    return cursor;
}

void FakeWindowHost::MovePointer(Point to) {
    cursor = to;
    if (!dragging) return;
    if (std::optional<Point> at = drag.moved(to)) MoveTo(at->x, at->y);
}

void FakeWindowHost::EndPointerDrag(bool released) {
    if (!dragging) return;
    dragging = false;
    calls.push_back("release");
    PointerDrag ended = std::move(drag);
    drag = {};
    ended.ended(released);
}

}  // namespace velotap
