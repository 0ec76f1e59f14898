#include "themes/theme_validate.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/base64_check.h"
#include "base/json.h"
#include "themes/skin_pieces.h"

namespace velotap {

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsValidName(std::string_view name) {
    if (name.empty() || name.size() > 40) return false;
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

// One part of an rgb() list: 1 to 3 digits, at most 255, with blanks trimmed at both ends.
bool IsRgbPart(std::string_view part) {
    while (!part.empty() && part.front() == ' ')
        part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ')
        part.remove_suffix(1);
    if (part.empty() || part.size() > 3) return false;
    int value = 0;
    for (char c : part) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value <= 255;
}

uint32_t BigEndian32(const std::string& bytes, size_t at) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

// Only the signature and the IHDR header are examined; the image itself never is.
bool IsPngOfSize(const std::string& head, const SkinPiece& piece) {
    static const char kSignature[] = "\x89PNG\r\n\x1A\n";
    return head.size() >= 24 && std::memcmp(head.data(), kSignature, 8) == 0 &&
           BigEndian32(head, 8) == 13 && head.compare(12, 4, "IHDR") == 0 &&
           BigEndian32(head, 16) == piece.width && BigEndian32(head, 20) == piece.height;
}

bool IsFontMagic(const std::string& head) {
    return head.size() >= 4 &&
           (head.compare(0, 4, "OTTO") == 0 || head.compare(0, 4, std::string("\0\1\0\0", 4)) == 0);
}

ThemeCheck Reject(std::string message) {
    ThemeCheck check;
    check.error = std::move(message);
    return check;
}

}  // namespace

bool IsThemeColour(std::string_view v) {
    if (!v.empty() && v[0] == '#') {
        if (v.size() != 4 && v.size() != 7) return false;
        for (size_t i = 1; i < v.size(); ++i) {
            if (!IsHexDigit(v[i])) return false;
        }
        return true;
    }
    if (v.size() < 5 || v.substr(0, 4) != "rgb(" || v.back() != ')') return false;
    std::string_view list = v.substr(4, v.size() - 5);
    for (int part = 0; part < 3; ++part) {
        size_t comma = list.find(',');
        if (part < 2 && comma == std::string_view::npos) return false;
        if (!IsRgbPart(list.substr(0, comma))) return false;
        if (comma == std::string_view::npos) return true;
        list.remove_prefix(comma + 1);
    }
    // A comma after the third part is allowed when nothing follows it.
    return list.empty();
}

bool IsThemeFontStack(std::string_view v) {
    return v == "'Segoe UI', Tahoma, Geneva, Verdana, sans-serif" ||
           v == "'Consolas', 'Courier New', monospace";
}

PieceListing ListPieces(std::string_view s) {
    PieceListing listing;
    size_t i = s.find('{');
    if (i == std::string_view::npos) return listing;
    // The lookup itself reads only a text that opens with the brace.
    if (i != 0) listing.plain = false;
    ++i;
    while (true) {
        int commas = 0;
        while (i < s.size() && (IsBlank(s[i]) || s[i] == ',')) {
            if (s[i] == ',') ++commas;
            ++i;
        }
        if (i >= s.size() || s[i] != '"') break;
        if (commas != (listing.names.empty() ? 0 : 1)) listing.plain = false;
        size_t quote = i;
        size_t afterName = JsonStringEnd(s, i);
        if (afterName == std::string_view::npos) break;
        size_t colon = s.find(':', afterName);
        if (colon == std::string_view::npos) break;
        for (size_t j = afterName; j < colon; ++j) {
            if (!IsBlank(s[j])) listing.plain = false;
        }
        listing.names.push_back(s.substr(quote + 1, afterName - quote - 2));
        listing.starts.push_back(quote);
        i = colon + 1;
        while (i < s.size() && IsBlank(s[i]))
            ++i;
        if (i < s.size() && s[i] == '"') {
            size_t end = JsonStringEnd(s, i);
            if (end != std::string_view::npos) {
                i = end;
                size_t next = i;
                while (next < s.size() && IsBlank(s[next]))
                    ++next;
                if (next < s.size() && s[next] != ',' && s[next] != '}') listing.plain = false;
            } else {
                listing.plain = false;
            }
        } else {
            listing.plain = false;
        }
        // Skip the rest of the value: strings, and brackets by depth, up to a comma or a closing
        // bracket at depth 0.
        int depth = 0;
        while (i < s.size()) {
            char c = s[i];
            if (c == '"') {
                i = JsonStringEnd(s, i);
                if (i == std::string_view::npos) i = s.size();
                continue;
            }
            if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (depth == 0) break;
                --depth;
            } else if (c == ',' && depth == 0) {
                break;
            }
            ++i;
        }
    }
    return listing;
}

std::vector<std::string_view> ListPieceNames(std::string_view pieces) {
    return ListPieces(pieces).names;
}

std::string LookupListedPiece(std::string_view pieces, const PieceListing& listing, size_t k) {
    std::string_view name = listing.names[k];
    if (k == 0 || !listing.plain) return JsonLookup(pieces, name);
    // For a plain object the walk from the comma before this member meets it first, as the walk
    // from the start would after passing the members before it; this keeps the lookups linear.
    size_t comma = listing.starts[k] - 1;
    while (pieces[comma] != ',')
        --comma;
    return JsonReadValue(JsonLookupRawFrom(pieces, comma + 1, name));
}

ThemeCheck ValidateThemeText(std::string_view text) {
    if (text.empty()) return Reject("file is empty");
    if (text.size() > kThemeFileCap) return Reject("file exceeds the 12 MB cap");

    ThemeCheck check;
    ThemeRecord& r = check.record;
    r.name = JsonLookup(text, "name");
    if (!IsValidName(r.name)) return Reject("invalid or missing name");

    struct Colour {
        const char* key;
        std::string ThemeRecord::*field;
    };
    static const Colour kColours[] = {
        {"bgMain", &ThemeRecord::bgMain},           {"bgPanel", &ThemeRecord::bgPanel},
        {"bgHeader", &ThemeRecord::bgHeader},       {"accent", &ThemeRecord::accent},
        {"accentHover", &ThemeRecord::accentHover}, {"text", &ThemeRecord::text},
    };
    for (const Colour& colour : kColours) {
        r.*colour.field = JsonLookup(text, colour.key);
        if (!IsThemeColour(r.*colour.field)) {
            return Reject(std::string("invalid or missing ") + colour.key);
        }
    }
    r.font = JsonLookup(text, "font");
    if (!IsThemeFontStack(r.font)) return Reject("invalid or missing font stack");

    check.accepted = true;
    // Without format 2, a skin and template 1 the skin is ignored, however broken it is.
    if (JsonLookup(text, "format") != "2") return check;
    // The skin and its pieces are most of a large file: read them in place.
    std::string skinCopy, piecesCopy;
    std::string_view skin = JsonLookupView(text, "skin", skinCopy);
    if (skin.empty() || JsonLookup(skin, "template") != "1") return check;

    std::string_view pieces = JsonLookupView(skin, "pieces", piecesCopy);
    if (!pieces.empty()) {
        if (pieces[0] != '{') return Reject("skin.pieces is not an object");
        PieceListing listing = ListPieces(pieces);
        std::vector<std::string_view> checked;
        for (size_t k = 0; k < listing.names.size(); ++k) {
            std::string_view name = listing.names[k];
            const SkinPiece* piece = FindSkinPiece(name);
            std::string nameText(name);
            if (!piece) return Reject("unknown skin piece name: " + nameText);
            // A repeated name is checked against its first value, which already passed.
            if (std::find(checked.begin(), checked.end(), name) != checked.end()) {
                ++check.pieceCount;
                continue;
            }
            std::string value = LookupListedPiece(pieces, listing, k);
            if (!IsStrictBase64(value)) return Reject("invalid base64 for piece: " + nameText);
            if (Base64DecodedSize(value) > kSkinPieceDecodedCap) {
                return Reject("piece exceeds the 1 MB decoded cap: " + nameText);
            }
            if (!IsPngOfSize(Base64DecodePrefix(value, 24), *piece)) {
                return Reject("invalid or wrong-size PNG for piece: " + nameText);
            }
            checked.push_back(name);
            ++check.pieceCount;
        }
    }

    std::string font = JsonLookup(skin, "font");
    if (!font.empty()) {
        if (!IsStrictBase64(font)) return Reject("invalid base64 for skin.font");
        size_t size = Base64DecodedSize(font);
        if (size > kSkinFontDecodedCap) return Reject("font exceeds the 2 MB decoded cap");
        if (size < 1024 || !IsFontMagic(Base64DecodePrefix(font, 4))) {
            return Reject("invalid font magic bytes");
        }
        check.hasFont = true;
    }
    r.hasSkin = check.pieceCount > 0 || check.hasFont;
    return check;
}

}  // namespace velotap
