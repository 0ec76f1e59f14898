#include "macro/event_line.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace velotap {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view SkipBlanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return text.substr(i);
}

// The leading decimal integer of a field, as strtol reads it. Values far outside the 32-bit
// range are refused here already so that the accumulator cannot overflow.
std::optional<int64_t> LeadingInteger(std::string_view field) {
    std::string_view s = SkipBlanks(field);
    bool negative = false;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    size_t firstDigit = i;
    int64_t magnitude = 0;
    constexpr int64_t kLimit = int64_t{1} << 33;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        magnitude = magnitude * 10 + (s[i] - '0');
        if (magnitude > kLimit) return std::nullopt;
        ++i;
    }
    if (i == firstDigit) return std::nullopt;
    return negative ? -magnitude : magnitude;
}

std::optional<int32_t> ReadInt32(std::string_view field) {
    auto v = LeadingInteger(field);
    if (!v || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(*v);
}

// strtoul on a 32-bit unsigned long (the Windows reading): a minus sign negates modulo 2^32.
std::optional<uint32_t> ReadUInt32(std::string_view field) {
    auto v = LeadingInteger(field);
    constexpr int64_t kMax = std::numeric_limits<uint32_t>::max();
    if (!v || *v > kMax || *v < -kMax) return std::nullopt;
    return static_cast<uint32_t>(*v);
}

// The leading floating-point number of a field, as strtod reads it, without regard to the locale.
std::optional<double> ReadFiniteDouble(std::string_view field) {
    std::string_view s = SkipBlanks(field);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s[0] == '+' || s[0] == '-') return std::nullopt;
    auto format = std::chars_format::general;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        auto hex = s.substr(2);
        auto isHexDigit = [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        };
        if (isHexDigit(hex[0]) || (hex.size() > 1 && hex[0] == '.' && isHexDigit(hex[1]))) {
            s = hex;
            format = std::chars_format::hex;
        }
    }
    double value = 0;
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, format);
    if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
    return negative ? -value : value;
}

// Cuts the next comma-separated field off `rest`; false when there is none left.
bool NextField(std::string_view& rest, bool& exhausted, std::string_view& field) {
    if (exhausted) return false;
    size_t comma = rest.find(',');
    if (comma == std::string_view::npos) {
        field = rest;
        exhausted = true;
    } else {
        field = rest.substr(0, comma);
        rest.remove_prefix(comma + 1);
    }
    return true;
}

}  // namespace

void AppendGeneral6(std::string& out, double value) {
    char buffer[32];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    if (error == std::errc()) out.append(buffer, end);
}

std::string FormatGeneral6(double value) {
    std::string out;
    AppendGeneral6(out, value);
    return out;
}

void AppendEventLine(std::string& out, const UnifiedEvent& e) {
    char buffer[16];
    auto integer = [&](auto v) {
        auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, v);
        out.append(buffer, end);
        out += ',';
    };
    integer(e.type);
    AppendGeneral6(out, e.time);
    out += ',';
    integer(e.x);
    integer(e.y);
    integer(e.flags);
    integer(e.vk);
    out += e.down ? "1," : "0,";
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, e.wheel);
    out.append(buffer, end);
}

std::string FormatEventLine(const UnifiedEvent& event) {
    std::string out;
    AppendEventLine(out, event);
    return out;
}

std::optional<UnifiedEvent> ParseEventLine(std::string_view line, WheelField wheel) {
    std::string_view rest = line, field;
    bool exhausted = false;
    UnifiedEvent e;

    if (!NextField(rest, exhausted, field)) return std::nullopt;
    // Type and key code are unsigned in the event; reading them in the unsigned range too keeps
    // every line the writer produces readable.
    auto type = ReadUInt32(field);
    if (!type || !NextField(rest, exhausted, field)) return std::nullopt;
    auto time = ReadFiniteDouble(field);
    if (!time || !NextField(rest, exhausted, field)) return std::nullopt;
    auto x = ReadInt32(field);
    if (!x || !NextField(rest, exhausted, field)) return std::nullopt;
    auto y = ReadInt32(field);
    if (!y || !NextField(rest, exhausted, field)) return std::nullopt;
    auto flags = ReadUInt32(field);
    if (!flags || !NextField(rest, exhausted, field)) return std::nullopt;
    auto vk = ReadUInt32(field);
    if (!vk || !NextField(rest, exhausted, field)) return std::nullopt;
    auto down = ReadInt32(field);
    if (!down) return std::nullopt;

    e.type = *type;
    e.time = *time;
    e.x = *x;
    e.y = *y;
    e.flags = *flags;
    e.vk = *vk;
    e.down = *down != 0;

    if (NextField(rest, exhausted, field)) {
        auto value = ReadInt32(field);
        if (value) {
            e.wheel = *value;
        } else if (wheel == WheelField::Required) {
            return std::nullopt;
        }
    } else if (wheel == WheelField::Required) {
        return std::nullopt;
    }
    return e;
}

}  // namespace velotap
