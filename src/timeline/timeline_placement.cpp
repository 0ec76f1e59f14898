#include "timeline/timeline_placement.h"

#include <algorithm>
#include <charconv>

namespace velotap {

namespace {

constexpr int kLeastWidth = 600, kLeastHeight = 400;

// A decimal integer after optional blanks, as a formatted read takes it.
std::optional<int> ReadInt(std::string_view text, size_t& at) {
    while (at < text.size() &&
           (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n')) {
        ++at;
    }
    size_t start = at;
    if (text.substr(start, 1) == "+") ++start;
    int value = 0;
    const auto [end, error] =
        std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() + start) return std::nullopt;
    at = static_cast<size_t>(end - text.data());
    return value;
}

}  // namespace

std::string EditorPlacementText(const Rect& normal, bool maximized) {
    return std::to_string(normal.width) + " " + std::to_string(normal.height) +
           (maximized ? " max" : "");
}

std::optional<EditorPlacement> EditorPlacementFromText(std::string_view text, const Rect& area,
                                                       const Rect& current) {
    size_t at = 0;
    const std::optional<int> w = ReadInt(text, at);
    if (!w) return std::nullopt;
    const std::optional<int> h = ReadInt(text, at);
    if (!h) return std::nullopt;
    EditorPlacement p;
    p.frame.width = std::max(kLeastWidth, std::min(area.width, *w));
    p.frame.height = std::max(kLeastHeight, std::min(area.height, *h));
    p.frame.left = std::max(area.left, std::min(area.right() - p.frame.width, current.left));
    p.frame.top = std::max(area.top, std::min(area.bottom() - p.frame.height, current.top));
    p.maximize = text.size() >= 4 && text.find(" max") != std::string_view::npos;
    return p;
}

}  // namespace velotap
