#pragma once
// The strict validator every theme file passes before the program uses it. It checks sizes before
// decoding anything, decodes only what it must check, and reports the first fault with a fixed
// English message.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "themes/theme_record.h"

namespace velotap {

constexpr size_t kThemeFileCap = 12582912;        // 12 MiB
constexpr size_t kSkinPieceDecodedCap = 1048576;  // 1 MiB
constexpr size_t kSkinFontDecodedCap = 2097152;   // 2 MiB

struct ThemeCheck {
    bool accepted = false;
    ThemeRecord record;  // meaningful only when accepted
    std::string error;   // the first failing rule's message; empty when accepted
    int pieceCount = 0;
    bool hasFont = false;
};

ThemeCheck ValidateThemeText(std::string_view text);

// Rule pieces, exposed for the tests and for the skin cache.
bool IsThemeColour(std::string_view value);
bool IsThemeFontStack(std::string_view value);
// Member names of a pieces object in document order, with the lenient listing rules the format
// fixes (names are kept as written, escapes undecoded).
std::vector<std::string_view> ListPieceNames(std::string_view pieces);

struct PieceListing {
    std::vector<std::string_view> names;
    std::vector<size_t> starts;  // index of each name's opening quote
    // The object has the plain shape { "name": "text", ... } with blanks only around colons and
    // exactly one comma between members. The lookup's own walk then meets exactly the listed
    // members at the listed places, which lets a value be looked up from its member onwards
    // instead of from the start of a multi-megabyte object.
    bool plain = true;
};
PieceListing ListPieces(std::string_view pieces);

// The value of listed member `k` as the key lookup on the whole pieces object reads it, provided
// `k` is the first member of that name. `pieces` is changed for the moment and restored.
std::string LookupListedPiece(std::string_view pieces, const PieceListing& listing, size_t k);

}  // namespace velotap
