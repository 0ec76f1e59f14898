#pragma once
// A test signing key made at run time and manifests signed with it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/hex.h"
#include "platform/ecdsa_p256.h"
#include "update/update_config.h"
#include "update/update_manifest.h"

namespace velotap {

namespace update_test {

inline std::string Hex(const std::string& bytes, bool upper = false) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string out;
    for (char c : bytes) {
        out += digits[(static_cast<unsigned char>(c) >> 4) & 15];
        out += digits[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

class TestSigner {
  public:
    TestSigner() : pair_(EcdsaP256KeyPair::Generate()) {
        if (pair_) key_ = EcdsaP256PublicKey::Import(pair_->PublicBlob());
    }
    bool ok() const { return pair_ && key_; }
    const EcdsaP256PublicKey* key() const { return key_.get(); }
    std::string publicHex() const { return Hex(pair_->PublicBlob()); }

    // r||s over the message as hex.
    std::string Sign(const std::string& message, bool upper = false) const {
        Sha256Digest digest;
        EcdsaP256Signature sig;
        if (!Sha256(message, digest) || !pair_->Sign(digest, sig)) return {};
        return Hex(std::string(sig.begin(), sig.end()), upper);
    }
    std::string SignFields(const UpdateManifestInfo& m, bool upper = false) const {
        return Sign(UpdateSignedMessage(m), upper);
    }

  private:
    std::unique_ptr<EcdsaP256KeyPair> pair_;
    std::unique_ptr<EcdsaP256PublicKey> key_;
};

inline std::string Digest(char c = 'a') {
    return std::string(64, c);
}

// An acceptable manifest for this build (tier "studio", newer than 1.0.1, allowed url).
inline UpdateManifestInfo GoodFields() {
    UpdateManifestInfo m;
    m.tier = "studio";
    m.version = "1.0.2";
    m.url = "https://" + std::string(UpdateWebHost()) + "/download/VelotapSetup-1.0.2.exe";
    m.sha256 = Digest();
    return m;
}

inline std::string ManifestText(const UpdateManifestInfo& m) {
    return "{\"tier\":\"" + m.tier + "\",\"version\":\"" + m.version + "\",\"url\":\"" + m.url +
           "\",\"sha256\":\"" + m.sha256 + "\",\"sig\":\"" + m.sig + "\"}";
}

}  // namespace update_test

}  // namespace velotap
