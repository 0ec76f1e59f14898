// SHA-256 and ECDSA P-256 on OpenSSL libcrypto. The portable "ECS1" blob becomes an uncompressed
// point, and the r||s signature a DER ECDSA-Sig-Value, at this boundary only.
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <cstring>

#include "platform/ecdsa_p256.h"
#include "platform/sha256.h"

namespace velotap {

namespace {

struct PkeyFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct PkeyCtxFree {
    void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
struct SigFree {
    void operator()(ECDSA_SIG* p) const { ECDSA_SIG_free(p); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;
using Sig = std::unique_ptr<ECDSA_SIG, SigFree>;

constexpr size_t kBlobSize = 72;
constexpr char kGroup[] = "prime256v1";

}  // namespace

bool Sha256(std::string_view bytes, Sha256Digest& out) {
    unsigned int size = 0;
    return EVP_Digest(bytes.data(), bytes.size(), out.data(), &size, EVP_sha256(), nullptr) == 1 &&
           size == out.size();
}

struct EcdsaP256PublicKey::Impl {
    Pkey key;
};

EcdsaP256PublicKey::EcdsaP256PublicKey(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
EcdsaP256PublicKey::~EcdsaP256PublicKey() = default;

std::unique_ptr<EcdsaP256PublicKey> EcdsaP256PublicKey::Import(std::string_view blob) {
    static const char kHeader[] = "ECS1\x20\x00\x00\x00";
    if (blob.size() != kBlobSize || std::memcmp(blob.data(), kHeader, 8) != 0) return nullptr;
    unsigned char point[65];
    point[0] = 0x04;  // uncompressed
    std::memcpy(point + 1, blob.data() + 8, 64);

    PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    if (!ctx || EVP_PKEY_fromdata_init(ctx.get()) != 1) return nullptr;
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, const_cast<char*>(kGroup), 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point),
        OSSL_PARAM_construct_end(),
    };
    EVP_PKEY* raw = nullptr;
    if (EVP_PKEY_fromdata(ctx.get(), &raw, EVP_PKEY_PUBLIC_KEY, params) != 1) return nullptr;
    Pkey key(raw);
    // fromdata decodes the point; the check makes sure it lies on the curve.
    PkeyCtx check(EVP_PKEY_CTX_new_from_pkey(nullptr, key.get(), nullptr));
    if (!check || EVP_PKEY_public_check(check.get()) != 1) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->key = std::move(key);
    return std::unique_ptr<EcdsaP256PublicKey>(new EcdsaP256PublicKey(std::move(impl)));
}

bool EcdsaP256PublicKey::Verify(const Sha256Digest& digest,
                                const EcdsaP256Signature& signature) const {
    Sig sig(ECDSA_SIG_new());
    if (!sig) return false;
    BIGNUM* r = BN_bin2bn(signature.data(), 32, nullptr);
    BIGNUM* s = BN_bin2bn(signature.data() + 32, 32, nullptr);
    if (!r || !s || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return false;
    }
    unsigned char* der = nullptr;
    int derSize = i2d_ECDSA_SIG(sig.get(), &der);
    if (derSize <= 0) return false;
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, impl_->key.get(), nullptr));
    bool ok = ctx && EVP_PKEY_verify_init(ctx.get()) == 1 &&
              EVP_PKEY_verify(ctx.get(), der, static_cast<size_t>(derSize), digest.data(),
                              digest.size()) == 1;
    OPENSSL_free(der);
    return ok;
}

struct EcdsaP256KeyPair::Impl {
    Pkey key;
};

EcdsaP256KeyPair::EcdsaP256KeyPair(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
EcdsaP256KeyPair::~EcdsaP256KeyPair() = default;

std::unique_ptr<EcdsaP256KeyPair> EcdsaP256KeyPair::Generate() {
    Pkey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", kGroup));
    if (!key) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->key = std::move(key);
    return std::unique_ptr<EcdsaP256KeyPair>(new EcdsaP256KeyPair(std::move(impl)));
}

std::string EcdsaP256KeyPair::PublicBlob() const {
    unsigned char point[65];
    size_t size = 0;
    if (EVP_PKEY_get_octet_string_param(impl_->key.get(), OSSL_PKEY_PARAM_PUB_KEY, point,
                                        sizeof point, &size) != 1 ||
        size != 65 || point[0] != 0x04) {
        return {};
    }
    std::string blob("ECS1\x20\x00\x00\x00", 8);
    blob.append(reinterpret_cast<const char*>(point + 1), 64);
    return blob;
}

bool EcdsaP256KeyPair::Sign(const Sha256Digest& digest, EcdsaP256Signature& signature) const {
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, impl_->key.get(), nullptr));
    unsigned char der[80];
    size_t derSize = sizeof der;
    if (!ctx || EVP_PKEY_sign_init(ctx.get()) != 1 ||
        EVP_PKEY_sign(ctx.get(), der, &derSize, digest.data(), digest.size()) != 1) {
        return false;
    }
    const unsigned char* p = der;
    Sig sig(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(derSize)));
    if (!sig) return false;
    const BIGNUM* r = ECDSA_SIG_get0_r(sig.get());
    const BIGNUM* s = ECDSA_SIG_get0_s(sig.get());
    return BN_bn2binpad(r, signature.data(), 32) == 32 &&
           BN_bn2binpad(s, signature.data() + 32, 32) == 32;
}

}  // namespace velotap
