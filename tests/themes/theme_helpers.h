#pragma once
// Builders for theme documents used by the theme tests.
#include <cstdint>
#include <map>
#include <string>

#include "support/base64.h"

namespace velotap {

namespace theme_test {

inline void PutBigEndian(std::string& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        s += static_cast<char>((v >> shift) & 0xFF);
}

// The first bytes of a PNG that declares `width` by `height`, padded to `totalSize` bytes.
inline std::string Png(uint32_t width, uint32_t height, size_t totalSize = 64) {
    std::string png("\x89PNG\r\n\x1A\n", 8);
    PutBigEndian(png, 13);
    png += "IHDR";
    PutBigEndian(png, width);
    PutBigEndian(png, height);
    if (png.size() < totalSize) png.append(totalSize - png.size(), '\x11');
    return png;
}

inline std::string Font(const std::string& magic, size_t size = 2048) {
    std::string font = magic;
    font.append(size - magic.size(), '\x22');
    return font;
}

inline const std::string kSansStack = "'Segoe UI', Tahoma, Geneva, Verdana, sans-serif";

// A valid colours-only document; `members` replace or add top-level members (raw JSON values in
// document order after the standard ones). A raw value "<omit>" drops the member.
inline std::string Theme(const std::map<std::string, std::string>& members = {},
                         const std::string& extra = "") {
    std::map<std::string, std::string> m = {
        {"name", "\"Ocean\""},        {"bgMain", "\"#102030\""},
        {"bgPanel", "\"#abc\""},      {"bgHeader", "\"#ABCDEF\""},
        {"accent", "\"rgb(1,2,3)\""}, {"accentHover", "\"#fff\""},
        {"text", "\"#000000\""},      {"font", "\"" + kSansStack + "\""},
    };
    for (const auto& [k, v] : members)
        m[k] = v;
    static const char* const kOrder[] = {"name",   "bgMain",      "bgPanel", "bgHeader",
                                         "accent", "accentHover", "text",    "font"};
    std::string doc = "{";
    bool first = true;
    auto add = [&](const std::string& key, const std::string& value) {
        if (value == "<omit>") return;
        if (!first) doc += ", ";
        first = false;
        doc += "\"" + key + "\": " + value;
    };
    for (const char* key : kOrder)
        add(key, m[key]);
    for (const auto& [k, v] : m) {
        bool standard = false;
        for (const char* key : kOrder)
            standard = standard || k == key;
        if (!standard) add(k, v);
    }
    return doc + extra + "}";
}

// A skinned document: "format": 2 and a skin with template 1 and the given pieces object text and
// font member (raw JSON, empty for none).
inline std::string SkinnedTheme(const std::string& pieces, const std::string& font = "") {
    std::string skin = "{\"template\": \"1\"";
    if (!pieces.empty()) skin += ", \"pieces\": " + pieces;
    if (!font.empty()) skin += ", \"font\": " + font;
    skin += "}";
    return Theme({{"format", "2"}, {"skin", skin}});
}

inline std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

// A valid colours-only document with this display name.
inline std::string Named(const std::string& name) {
    return Theme({{"name", Quoted(name)}});
}

}  // namespace theme_test

}  // namespace velotap
