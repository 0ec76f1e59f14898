#pragma once
// The named interface pieces a theme's skin may carry, with the exact pixel size each PNG must
// declare. The skin cache accepts only these names as well.
#include <array>
#include <cstdint>
#include <string_view>

namespace velotap {

struct SkinPiece {
    std::string_view name;
    uint32_t width;
    uint32_t height;
};

// The 15 base pieces, then the 9 ".on" variants.
extern const std::array<SkinPiece, 24> kSkinPieces;

// The piece of that exact name; null when there is none.
const SkinPiece* FindSkinPiece(std::string_view name);

}  // namespace velotap
