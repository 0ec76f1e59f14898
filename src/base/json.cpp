#include "base/json.h"

#include <cstring>
#include <vector>

namespace velotap {

// Skins carry megabytes of base64 in strings, so quotes are found with memchr.
size_t JsonStringEnd(std::string_view s, size_t i) {
    const size_t open = i;
    for (size_t from = i + 1; from < s.size();) {
        const void* hit = std::memchr(s.data() + from, '"', s.size() - from);
        if (!hit) return std::string_view::npos;
        size_t quote = static_cast<const char*>(hit) - s.data();
        size_t slashes = 0;
        while (quote - slashes > open + 1 && s[quote - slashes - 1] == '\\')
            ++slashes;
        if (slashes % 2 == 0) return quote + 1;
        from = quote + 1;
    }
    return std::string_view::npos;
}

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

size_t SkipBlanks(std::string_view s, size_t i) {
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return i;
}

// End of the value that starts at `i`: a string, a bracketed value (nesting tracked, strings
// skipped), or a bare literal running up to a blank, comma or closing bracket.
size_t ValueEnd(std::string_view s, size_t i) {
    if (i >= s.size()) return std::string_view::npos;
    if (s[i] == '"') return JsonStringEnd(s, i);
    if (s[i] == '{' || s[i] == '[') {
        int depth = 0;
        while (i < s.size()) {
            char c = s[i];
            if (c == '"') {
                i = JsonStringEnd(s, i);
                if (i == std::string_view::npos) return i;
                continue;
            }
            if (c == '{' || c == '[') ++depth;
            if (c == '}' || c == ']') {
                if (--depth == 0) return i + 1;
            }
            ++i;
        }
        return std::string_view::npos;
    }
    size_t start = i;
    while (i < s.size() && !IsBlank(s[i]) && s[i] != ',' && s[i] != '}' && s[i] != ']')
        ++i;
    return i == start ? std::string_view::npos : i;
}

// Length of the well-formed UTF-8 sequence that starts at `i`, or 0 with `bad` set to the length
// of the maximal ill-formed prefix there (at least 1), which becomes one U+FFFD.
size_t Utf8SequenceAt(std::string_view s, size_t i, size_t& bad) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xbf;  // allowed range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;  // no surrogates
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;  // nothing above U+10FFFF
    } else {
        bad = 1;
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        const bool inRange = i + k < s.size() && byte(i + k) >= (k == 1 ? low : 0x80) &&
                             byte(i + k) <= (k == 1 ? high : 0xbf);
        if (!inRange) {
            bad = k;
            return 0;
        }
    }
    return length;
}

// End of the string literal that opens at `i` when it is valid JSON (no raw control characters,
// only the defined escapes); npos otherwise.
size_t StrictStringEnd(std::string_view s, size_t i) {
    auto hex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    for (++i; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '"') return i + 1;
        if (c < 0x20) return std::string_view::npos;
        if (c != '\\') continue;
        if (++i >= s.size()) return std::string_view::npos;
        if (s[i] == 'u') {
            if (i + 4 >= s.size() || !hex(s[i + 1]) || !hex(s[i + 2]) || !hex(s[i + 3]) ||
                !hex(s[i + 4])) {
                return std::string_view::npos;
            }
            i += 4;
        } else if (!std::strchr("\"\\/bfnrt", s[i]) || s[i] == '\0') {
            return std::string_view::npos;
        }
    }
    return std::string_view::npos;
}

// End of the number, true, false or null that starts at `i`; npos when there is none.
size_t StrictScalarEnd(std::string_view s, size_t i) {
    for (std::string_view word : {"true", "false", "null"}) {
        if (s.substr(i, word.size()) == word) return i + word.size();
    }
    auto digits = [&s](size_t at) {
        size_t end = at;
        while (end < s.size() && s[end] >= '0' && s[end] <= '9')
            ++end;
        return end;
    };
    if (i < s.size() && s[i] == '-') ++i;
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return std::string_view::npos;
    i = s[i] == '0' ? i + 1 : digits(i);
    if (i < s.size() && s[i] == '.') {
        const size_t end = digits(i + 1);
        if (end == i + 1) return std::string_view::npos;
        i = end;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        if (++i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        const size_t end = digits(i);
        if (end == i) return std::string_view::npos;
        i = end;
    }
    return i;
}

}  // namespace

bool IsJsonText(std::string_view s) {
    // Iterative, so that no nesting depth can exhaust the stack.
    std::vector<char> open;  // the closing bracket of every container entered
    size_t i = SkipBlanks(s, 0);
    bool wantKey = false;  // at the start of an object member
    for (;;) {
        if (wantKey) {
            if (i >= s.size() || s[i] != '"') return false;
            i = StrictStringEnd(s, i);
            if (i == std::string_view::npos) return false;
            i = SkipBlanks(s, i);
            if (i >= s.size() || s[i] != ':') return false;
            i = SkipBlanks(s, i + 1);
            wantKey = false;
        }
        // One value.
        if (i >= s.size()) return false;
        if (s[i] == '{' || s[i] == '[') {
            open.push_back(s[i] == '{' ? '}' : ']');
            i = SkipBlanks(s, i + 1);
            if (i < s.size() && s[i] == open.back()) {
                open.pop_back();
                ++i;
            } else {
                wantKey = open.back() == '}';
                continue;
            }
        } else {
            i = s[i] == '"' ? StrictStringEnd(s, i) : StrictScalarEnd(s, i);
            if (i == std::string_view::npos) return false;
        }
        // After a value: close what ends here, then a comma starts the next value.
        for (;;) {
            i = SkipBlanks(s, i);
            if (open.empty()) return i == s.size();
            if (i >= s.size()) return false;
            if (s[i] == open.back()) {
                open.pop_back();
                ++i;
                continue;
            }
            if (s[i] != ',') return false;
            wantKey = open.back() == '}';
            i = SkipBlanks(s, i + 1);
            break;
        }
    }
}

std::string JsonReadValue(std::string_view raw) {
    if (!raw.empty() && raw.front() == '"') {
        std::string out;
        JsonUnescape(raw.substr(1, raw.size() - 2), out);
        return out;
    }
    return std::string(raw);
}

namespace {
constexpr bool IsPlainJsonByte(unsigned char c) {
    return c >= 0x20 && c < 0x7f && c != '"' && c != '\\';
}
}  // namespace

std::string JsonEscape(std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (size_t i = 0; i < text.size();) {
        // Runs that need no escape are copied whole: answers can be tens of megabytes.
        size_t plain = i;
        while (plain < text.size() && IsPlainJsonByte(static_cast<unsigned char>(text[plain])))
            ++plain;
        out.append(text.data() + i, plain - i);
        i = plain;
        if (i == text.size()) break;
        const char ch = text[i];
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80) {
            // The page parses what it receives as JSON in a UTF-8 script: bytes that are no
            // character must not make the whole reply unreadable.
            size_t bad = 0;
            const size_t length = Utf8SequenceAt(text, i, bad);
            if (length) {
                out.append(text.data() + i, length);
                i += length;
            } else {
                out += "\xef\xbf\xbd";
                i += bad;
            }
            continue;
        }
        ++i;
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
    return out;
}

bool JsonUnescape(std::string_view body, std::string& out) {
    out.clear();
    out.reserve(body.size());
    for (size_t i = 0; i < body.size();) {
        const void* hit = std::memchr(body.data() + i, '\\', body.size() - i);
        size_t slash = hit ? static_cast<const char*>(hit) - body.data() : body.size();
        out.append(body.data() + i, slash - i);
        if (slash == body.size()) break;
        if (slash + 1 == body.size()) {
            out.clear();
            return false;
        }
        switch (body[slash + 1]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            default:
                out.clear();
                return false;
        }
        i = slash + 2;
    }
    return true;
}

std::string_view JsonLookupRaw(std::string_view doc, std::string_view key) {
    size_t i = SkipBlanks(doc, 0);
    if (i >= doc.size() || doc[i] != '{') return {};
    return JsonLookupRawFrom(doc, i + 1, key);
}

std::string_view JsonLookupRawFrom(std::string_view doc, size_t offset, std::string_view key) {
    size_t i = SkipBlanks(doc, offset);
    while (i < doc.size() && doc[i] == '"') {
        size_t keyEnd = JsonStringEnd(doc, i);
        if (keyEnd == std::string_view::npos) return {};
        std::string_view name = doc.substr(i + 1, keyEnd - i - 2);
        i = SkipBlanks(doc, keyEnd);
        if (i >= doc.size() || doc[i] != ':') return {};
        i = SkipBlanks(doc, i + 1);
        size_t end = ValueEnd(doc, i);
        if (end == std::string_view::npos) return {};
        if (name == key) return doc.substr(i, end - i);
        i = SkipBlanks(doc, end);
        if (i >= doc.size() || doc[i] != ',') return {};
        i = SkipBlanks(doc, i + 1);
    }
    return {};
}

std::string JsonLookup(std::string_view doc, std::string_view key) {
    return JsonReadValue(JsonLookupRaw(doc, key));
}

std::string_view JsonLookupView(std::string_view doc, std::string_view key, std::string& storage) {
    std::string_view raw = JsonLookupRaw(doc, key);
    if (raw.empty() || raw.front() != '"') return raw;
    storage = JsonReadValue(raw);
    return storage;
}

std::string JsonArrayElement(std::string_view doc, size_t index) {
    size_t i = SkipBlanks(doc, 0);
    if (i >= doc.size() || doc[i] != '[') return {};
    i = SkipBlanks(doc, i + 1);
    for (size_t n = 0; i < doc.size() && doc[i] != ']'; ++n) {
        size_t end = ValueEnd(doc, i);
        if (end == std::string_view::npos) return {};
        if (n == index) return JsonReadValue(doc.substr(i, end - i));
        i = SkipBlanks(doc, end);
        if (i >= doc.size() || doc[i] != ',') return {};
        i = SkipBlanks(doc, i + 1);
    }
    return {};
}

}  // namespace velotap
