#pragma once
#include <string>
#include <string_view>

namespace velotap {

// Bytes of a hex text of either case; empty for an odd length or a non-hex character.
std::string DecodeHex(std::string_view hex);

}  // namespace velotap
