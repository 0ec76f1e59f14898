// Manifest evaluation on arbitrary bytes, signed with a key made for the run so that the checks
// after the signature are reached: the members are read as the program reads them, and "@SIG@"
// in the text becomes their signature. Whatever is accepted must satisfy every rule.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ecdsa_p256.h"
#include "platform/sha256.h"
#include "update/update_manifest.h"
#include "update/update_version.h"

using namespace velotap;

namespace {

std::string Hex(const EcdsaP256Signature& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::unique_ptr<EcdsaP256KeyPair> pair = EcdsaP256KeyPair::Generate();
    static const std::unique_ptr<EcdsaP256PublicKey> key =
        pair ? EcdsaP256PublicKey::Import(pair->PublicBlob()) : nullptr;
    if (!key) std::abort();

    std::string text(reinterpret_cast<const char*>(data), size);
    UpdateManifestInfo read;
    read.tier = ReadJsonStringMember(text, "tier");
    read.version = ReadJsonStringMember(text, "version");
    read.url = ReadJsonStringMember(text, "url");
    read.sha256 = ReadJsonStringMember(text, "sha256");
    Sha256Digest digest{};
    EcdsaP256Signature signature{};
    if (!Sha256(UpdateSignedMessage(read), digest) || !pair->Sign(digest, signature)) std::abort();
    for (size_t at; (at = text.find("@SIG@")) != std::string::npos;)
        text.replace(at, 5, Hex(signature));

    UpdateManifestInfo info;
    if (EvaluateManifest(key.get(), text, "studio", "1.0.1", info)) {
        if (info.tier != "studio" || !IsAllowedUpdateUrl(info.url) || info.sha256.size() != 64 ||
            !IsNewerVersion(ParseUpdateVersion(info.version), ParseUpdateVersion("1.0.1"))) {
            std::abort();
        }
    }
    ParseUpdateVersion(text);
    return 0;
}
