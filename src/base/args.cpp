#include "base/args.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>

namespace velotap {

std::string FlattenArgs(std::string_view args) {
    std::string out;
    out.reserve(args.size());
    for (char c : args) {
        if (c != '[' && c != ']' && c != '"') out += c;
    }
    return out;
}

std::vector<std::string> SplitString(std::string_view text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
}

std::optional<long long> ToInteger(std::string_view text) {
    std::string s(text);
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (end == s.c_str() || errno == ERANGE) return std::nullopt;
    return v;
}

std::optional<int32_t> ToInt32(std::string_view text) {
    std::optional<long long> v = ToInteger(text);
    if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(*v);
}

std::optional<double> ToDouble(std::string_view text) {
    // from_chars ignores the process locale, which the toolkit may set to one with a decimal comma.
    size_t i = 0;
    while (i < text.size() &&
           std::string_view(" \t\n\v\f\r").find(text[i]) != std::string_view::npos)
        ++i;
    if (i < text.size() && text[i] == '+') ++i;
    double v = 0;
    auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v);
    if (ec != std::errc()) return std::nullopt;
    return v;
}

}  // namespace velotap
