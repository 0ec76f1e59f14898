// SHA-256 and ECDSA P-256 on CNG. The "ECS1" blob and the r||s signature are CNG's own formats.
#include <windows.h>
// CNG needs the base Windows types first.
#include <bcrypt.h>

#include <algorithm>
#include <cstring>

#include "platform/ecdsa_p256.h"
#include "platform/sha256.h"

namespace velotap {

namespace {

constexpr ULONG kBlobSize = 72;

// One provider and, once made, one key on it; both go with the object.
struct CngKey {
    BCRYPT_ALG_HANDLE provider = nullptr;
    BCRYPT_KEY_HANDLE key = nullptr;

    CngKey() = default;
    CngKey(const CngKey&) = delete;
    CngKey& operator=(const CngKey&) = delete;
    ~CngKey() {
        if (key) BCryptDestroyKey(key);
        if (provider) BCryptCloseAlgorithmProvider(provider, 0);
    }
    bool Open() {
        return BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&provider, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0));
    }
};

PUCHAR Bytes(const void* p) {
    return static_cast<PUCHAR>(const_cast<void*>(p));
}

}  // namespace

bool Sha256(std::string_view bytes, Sha256Digest& out) {
    BCRYPT_ALG_HANDLE provider = nullptr;
    if (!BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&provider, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return false;
    }
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = BCRYPT_SUCCESS(BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0));
    // BCryptHashData takes a 32-bit length; feed large inputs in pieces.
    size_t done = 0;
    while (ok && done < bytes.size()) {
        ULONG chunk = static_cast<ULONG>(std::min<size_t>(bytes.size() - done, 1u << 30));
        ok = BCRYPT_SUCCESS(BCryptHashData(hash, Bytes(bytes.data() + done), chunk, 0));
        done += chunk;
    }
    ok =
        ok && BCRYPT_SUCCESS(BCryptFinishHash(hash, out.data(), static_cast<ULONG>(out.size()), 0));
    if (hash) BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(provider, 0);
    return ok;
}

struct EcdsaP256PublicKey::Impl {
    CngKey cng;
};

EcdsaP256PublicKey::EcdsaP256PublicKey(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
EcdsaP256PublicKey::~EcdsaP256PublicKey() = default;

std::unique_ptr<EcdsaP256PublicKey> EcdsaP256PublicKey::Import(std::string_view blob) {
    if (blob.size() != kBlobSize) return nullptr;
    auto impl = std::make_unique<Impl>();
    if (!impl->cng.Open()) return nullptr;
    if (!BCRYPT_SUCCESS(BCryptImportKeyPair(impl->cng.provider, nullptr, BCRYPT_ECCPUBLIC_BLOB,
                                            &impl->cng.key, Bytes(blob.data()), kBlobSize, 0))) {
        return nullptr;
    }
    return std::unique_ptr<EcdsaP256PublicKey>(new EcdsaP256PublicKey(std::move(impl)));
}

bool EcdsaP256PublicKey::Verify(const Sha256Digest& digest,
                                const EcdsaP256Signature& signature) const {
    return BCryptVerifySignature(impl_->cng.key, nullptr, Bytes(digest.data()),
                                 static_cast<ULONG>(digest.size()), Bytes(signature.data()),
                                 static_cast<ULONG>(signature.size()), 0) == 0;
}

struct EcdsaP256KeyPair::Impl {
    CngKey cng;
};

EcdsaP256KeyPair::EcdsaP256KeyPair(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
EcdsaP256KeyPair::~EcdsaP256KeyPair() = default;

std::unique_ptr<EcdsaP256KeyPair> EcdsaP256KeyPair::Generate() {
    auto impl = std::make_unique<Impl>();
    if (!impl->cng.Open() ||
        !BCRYPT_SUCCESS(BCryptGenerateKeyPair(impl->cng.provider, &impl->cng.key, 256, 0)) ||
        !BCRYPT_SUCCESS(BCryptFinalizeKeyPair(impl->cng.key, 0))) {
        return nullptr;
    }
    return std::unique_ptr<EcdsaP256KeyPair>(new EcdsaP256KeyPair(std::move(impl)));
}

std::string EcdsaP256KeyPair::PublicBlob() const {
    std::string blob(kBlobSize, '\0');
    ULONG size = 0;
    if (!BCRYPT_SUCCESS(BCryptExportKey(impl_->cng.key, nullptr, BCRYPT_ECCPUBLIC_BLOB,
                                        Bytes(blob.data()), kBlobSize, &size, 0)) ||
        size != kBlobSize) {
        return {};
    }
    return blob;
}

bool EcdsaP256KeyPair::Sign(const Sha256Digest& digest, EcdsaP256Signature& signature) const {
    ULONG size = 0;
    return BCRYPT_SUCCESS(BCryptSignHash(impl_->cng.key, nullptr, Bytes(digest.data()),
                                         static_cast<ULONG>(digest.size()), signature.data(),
                                         static_cast<ULONG>(signature.size()), &size, 0)) &&
           size == signature.size();
}

}  // namespace velotap
