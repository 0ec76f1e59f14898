#pragma once
// Where the timeline editor's window opens: the size it had when it last closed, clipped to the
// work area, at no less than a usable minimum.
#include <optional>
#include <string>
#include <string_view>

#include "platform/geometry.h"

namespace velotap {

struct EditorPlacement {
    Rect frame;
    bool maximize = false;
};

// "W H", followed by " max" for a maximised window.
std::string EditorPlacementText(const Rect& normal, bool maximized);

// The placement that text read from the placement file asks for, given the work area of the
// nearest monitor and the window's current frame; none when the text does not begin with two
// decimal integers.
std::optional<EditorPlacement> EditorPlacementFromText(std::string_view text, const Rect& workArea,
                                                       const Rect& current);

}  // namespace velotap
