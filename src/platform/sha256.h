#pragma once
// SHA-256 from the platform's crypto library (win32: CNG; linux: OpenSSL libcrypto).
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

namespace velotap {

using Sha256Digest = std::array<uint8_t, 32>;

// False when the platform's hash provider fails.
bool Sha256(std::string_view bytes, Sha256Digest& out);

// The same digest over input given piece by piece.
class Sha256Stream {
  public:
    Sha256Stream();
    ~Sha256Stream();
    Sha256Stream(const Sha256Stream&) = delete;
    Sha256Stream& operator=(const Sha256Stream&) = delete;
    // False once the provider failed; later calls then fail too.
    bool Add(std::string_view bytes);
    bool Finish(Sha256Digest& out);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace velotap
