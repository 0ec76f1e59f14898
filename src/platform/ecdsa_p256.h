#pragma once
// ECDSA on the NIST P-256 curve from the platform's crypto library. Public keys travel as the
// 72-byte "ECS1" blob (magic, 32 as a little-endian length, X, Y); signatures as r then s, 32
// bytes each.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/sha256.h"

namespace velotap {

using EcdsaP256Signature = std::array<uint8_t, 64>;

class EcdsaP256PublicKey {
  public:
    // Null unless `blob` is a well-formed "ECS1" blob of a point on the curve.
    static std::unique_ptr<EcdsaP256PublicKey> Import(std::string_view blob);
    ~EcdsaP256PublicKey();
    EcdsaP256PublicKey(const EcdsaP256PublicKey&) = delete;
    EcdsaP256PublicKey& operator=(const EcdsaP256PublicKey&) = delete;

    bool Verify(const Sha256Digest& digest, const EcdsaP256Signature& signature) const;

    struct Impl;

  private:
    explicit EcdsaP256PublicKey(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// A freshly generated key pair; the program signs nothing itself, tests sign their manifests with
// one made at run time.
class EcdsaP256KeyPair {
  public:
    static std::unique_ptr<EcdsaP256KeyPair> Generate();
    ~EcdsaP256KeyPair();
    EcdsaP256KeyPair(const EcdsaP256KeyPair&) = delete;
    EcdsaP256KeyPair& operator=(const EcdsaP256KeyPair&) = delete;

    // The public half as an "ECS1" blob.
    std::string PublicBlob() const;
    bool Sign(const Sha256Digest& digest, EcdsaP256Signature& signature) const;

    struct Impl;

  private:
    explicit EcdsaP256KeyPair(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace velotap
