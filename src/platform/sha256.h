#pragma once
// SHA-256 from the platform's crypto library (win32: CNG; linux: OpenSSL libcrypto).
#include <array>
#include <cstdint>
#include <string_view>

namespace velotap {

using Sha256Digest = std::array<uint8_t, 32>;

// False when the platform's hash provider fails.
bool Sha256(std::string_view bytes, Sha256Digest& out);

}  // namespace velotap
