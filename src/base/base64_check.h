#pragma once
// Strict standard base64 (RFC 4648 alphabet, "=" padding, no whitespace) as theme files carry it.
// The validator only needs a text's decoded size and its first few bytes, so nothing here decodes
// a whole text.
#include <cstddef>
#include <string>
#include <string_view>

namespace velotap {

// Non-empty, a multiple of 4 long, only alphabet characters up to the first "=", and at most two
// characters, all "=", from there to the end.
bool IsStrictBase64(std::string_view text);

// Bytes that decoding yields; decoding stops at the first "=". Meant for texts that passed
// IsStrictBase64.
size_t Base64DecodedSize(std::string_view text);

// The first `maxBytes` decoded bytes (fewer when the text decodes to less).
std::string Base64DecodePrefix(std::string_view text, size_t maxBytes);

}  // namespace velotap
