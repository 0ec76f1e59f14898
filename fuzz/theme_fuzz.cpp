// The theme validator on arbitrary bytes: it must never crash, and an accepted theme must carry a
// valid record.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/json.h"
#include "themes/theme_validate.h"

using namespace velotap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ThemeCheck check = ValidateThemeText(text);
    if (check.accepted != check.error.empty()) std::abort();
    if (check.accepted) {
        if (!IsThemeColour(check.record.bgMain) || !IsThemeFontStack(check.record.font)) {
            std::abort();
        }
        if (check.record.hasSkin != (check.pieceCount > 0 || check.hasFont)) std::abort();
    }
    // Looking a piece up from its own member must read what the lookup from the start reads.
    std::string pieces(text);
    PieceListing listing = ListPieces(pieces);
    std::vector<std::string_view> seen;
    for (size_t k = 0; k < listing.names.size(); ++k) {
        std::string_view name = listing.names[k];
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
        seen.push_back(name);
        if (LookupListedPiece(pieces, listing, k) != JsonLookup(pieces, name)) std::abort();
        if (pieces != text) std::abort();
    }
    return 0;
}
