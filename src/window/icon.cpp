#include "window/icon.h"

#include <algorithm>
#include <cmath>

namespace velotap {

namespace {

// Coverage of a ring between radii `inner` and `outer` at distance `d`, with one pixel of
// anti-aliasing on each edge.
double Ring(double d, double inner, double outer) {
    return std::clamp(outer - d + 0.5, 0.0, 1.0) * std::clamp(d - inner + 0.5, 0.0, 1.0);
}

}  // namespace

IconImage DrawAppIcon(int size) {
    IconImage icon;
    icon.size = size;
    icon.rgba.resize(static_cast<size_t>(size) * size * 4);
    const double c = size / 2.0, r = size / 2.0 - 0.5;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double d = std::hypot(x + 0.5 - c, y + 0.5 - c);
            const double disc = Ring(d, -1.0, r);
            const double white = std::max(Ring(d, r * 0.52, r * 0.72), Ring(d, -1.0, r * 0.22));
            // Blue fading towards the bottom for a little depth.
            const double shade = 1.0 - 0.25 * y / size;
            unsigned char* px = &icon.rgba[(static_cast<size_t>(y) * size + x) * 4];
            px[0] =
                static_cast<unsigned char>(std::lround((0x3b * shade) * (1 - white) + 255 * white));
            px[1] =
                static_cast<unsigned char>(std::lround((0x6e * shade) * (1 - white) + 255 * white));
            px[2] =
                static_cast<unsigned char>(std::lround((0xf0 * shade) * (1 - white) + 255 * white));
            px[3] = static_cast<unsigned char>(std::lround(255 * disc));
        }
    }
    return icon;
}

}  // namespace velotap
