#pragma once
// Screen geometry shared by the window host and the desktop of other windows.

namespace velotap {

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool Contains(int x, int y) const {
        return x >= left && x < right() && y >= top && y < bottom();
    }
    bool operator==(const Rect&) const = default;
};

}  // namespace velotap
