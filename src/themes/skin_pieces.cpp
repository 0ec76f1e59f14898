#include "themes/skin_pieces.h"

namespace velotap {

const std::array<SkinPiece, 24> kSkinPieces = {{
    {"window", 1024, 768},
    {"panel", 256, 256},
    {"panel-header", 256, 78},
    {"modal", 256, 256},
    {"modal-header", 256, 78},
    {"button", 192, 64},
    {"button-accent", 192, 64},
    {"button-danger", 192, 64},
    {"button-small", 48, 48},
    {"field", 128, 64},
    {"switch", 68, 40},
    {"switch-knob", 28, 28},
    {"radio", 52, 52},
    {"scroll-track", 16, 256},
    {"scroll-thumb", 16, 128},
    {"button.on", 192, 64},
    {"button-accent.on", 192, 64},
    {"button-danger.on", 192, 64},
    {"button-small.on", 48, 48},
    {"field.on", 128, 64},
    {"switch.on", 68, 40},
    {"switch-knob.on", 28, 28},
    {"radio.on", 52, 52},
    {"scroll-thumb.on", 16, 128},
}};

const SkinPiece* FindSkinPiece(std::string_view name) {
    for (const SkinPiece& piece : kSkinPieces) {
        if (piece.name == name) return &piece;
    }
    return nullptr;
}

}  // namespace velotap
