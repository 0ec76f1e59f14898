#pragma once
// Argument handling of the bound functions: most of them do not parse their JSON argument array
// but strip its brackets and quotes and split what is left.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velotap {

// Removes every '[', ']' and '"' wherever it stands; nothing else changes (no trimming).
std::string FlattenArgs(std::string_view args);

// Splits on `separator`; n separators give n + 1 entries, empty ones included.
std::vector<std::string> SplitString(std::string_view text, char separator);

// Whole-text decimal conversions as the bound functions use them: leading blanks and a sign are
// accepted, trailing text is ignored, no digits at all (or overflow) is no value.
std::optional<long long> ToInteger(std::string_view text);
// ToInteger limited to the 32-bit range: a value outside it does not convert.
std::optional<int32_t> ToInt32(std::string_view text);
std::optional<double> ToDouble(std::string_view text);

}  // namespace velotap
