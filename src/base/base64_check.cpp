#include "base/base64_check.h"

#include <array>
#include <cstdint>

namespace velotap {

namespace {

constexpr std::array<int8_t, 256> MakeTable() {
    std::array<int8_t, 256> table{};
    for (auto& v : table)
        v = -1;
    for (int i = 0; i < 26; ++i) {
        table['A' + i] = static_cast<int8_t>(i);
        table['a' + i] = static_cast<int8_t>(26 + i);
    }
    for (int i = 0; i < 10; ++i)
        table['0' + i] = static_cast<int8_t>(52 + i);
    table['+'] = 62;
    table['/'] = 63;
    return table;
}

constexpr std::array<int8_t, 256> kValue = MakeTable();

// Length of the part before the first "=" (the whole text when there is none).
size_t DataLength(std::string_view text) {
    size_t end = text.find('=');
    return end == std::string_view::npos ? text.size() : end;
}

}  // namespace

bool IsStrictBase64(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    size_t n = text.size();
    // The OR of all table values goes negative as soon as one byte is outside the alphabet; this
    // keeps the loop free of branches for the megabytes a skin carries.
    size_t dataEnd = n;
    while (dataEnd > 0 && bytes[dataEnd - 1] == '=')
        --dataEnd;
    if (n - dataEnd > 2) return false;
    int8_t all = 0;
    for (size_t i = 0; i < dataEnd; ++i)
        all |= kValue[bytes[i]];
    return all >= 0;
}

size_t Base64DecodedSize(std::string_view text) {
    return DataLength(text) * 6 / 8;
}

std::string Base64DecodePrefix(std::string_view text, size_t maxBytes) {
    std::string out;
    size_t end = DataLength(text);
    uint32_t bits = 0;
    int count = 0;
    for (size_t i = 0; i < end && out.size() < maxBytes; ++i) {
        int8_t v = kValue[static_cast<unsigned char>(text[i])];
        if (v < 0) break;
        bits = (bits << 6) | static_cast<uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

}  // namespace velotap
