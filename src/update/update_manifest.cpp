#include "update/update_manifest.h"

#include <cstring>

#include "base/hex.h"
#include "platform/ecdsa_p256.h"
#include "platform/sha256.h"
#include "update/update_config.h"
#include "update/update_version.h"

namespace velotap {

namespace {

bool IsKnownTier(std::string_view tier) {
    static const char* const kTiers[] = {"free",     "studio",     "beta",
                                         "mac-free", "mac-studio", "mac-beta"};
    for (const char* known : kTiers) {
        if (tier == known) return true;
    }
    return false;
}

bool IsLowerHexDigest(std::string_view text) {
    if (text.size() != 64) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

// Printable ASCII without the blank and the vertical bar, which separates the signed fields.
bool IsUrlText(std::string_view url) {
    for (char ch : url) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 33 || c > 126 || c == '|') return false;
    }
    return true;
}

}  // namespace

std::string ReadJsonStringMember(std::string_view text, std::string_view name) {
    std::string quoted;
    quoted.reserve(name.size() + 2);
    quoted.append(1, '"').append(name).append(1, '"');
    size_t at = text.find(quoted);
    if (at == std::string_view::npos) return {};
    size_t colon = text.find(':', at + quoted.size());
    if (colon == std::string_view::npos) return {};
    size_t open = text.find('"', colon + 1);
    if (open == std::string_view::npos) return {};
    std::string value;
    for (size_t i = open + 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') break;
        if (c == '\\' && i + 1 < text.size()) {
            char e = text[++i];
            switch (e) {
                case 'n':
                    value += '\n';
                    break;
                case 'r':
                    value += '\r';
                    break;
                case 't':
                    value += '\t';
                    break;
                default:
                    value += e;  // \" \/ \\ and any other character stand for themselves
            }
            continue;
        }
        value += c;
    }
    return value;
}

bool IsAllowedUpdateUrl(std::string_view url) {
    constexpr std::string_view kScheme = "https://";
    if (url.substr(0, kScheme.size()) != kScheme) return false;
    std::string_view rest = url.substr(kScheme.size());
    std::string authority(rest.substr(0, rest.find_first_of("/?#")));
    for (char& c : authority) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return authority == UpdateWebHost() || authority == UpdateApiHost();
}

std::string UpdateSignedMessage(const UpdateManifestInfo& m) {
    return "VTP-UPDATE-1|" + m.tier + "|" + m.version + "|" + m.sha256 + "|" + m.url;
}

bool VerifyManifestSignature(const EcdsaP256PublicKey* key, std::string_view message,
                             std::string_view signatureHex) {
    if (!key) return false;
    std::string raw = DecodeHex(signatureHex);
    if (raw.size() != 64) return false;
    Sha256Digest digest;
    if (!Sha256(message, digest)) return false;
    EcdsaP256Signature signature;
    std::memcpy(signature.data(), raw.data(), signature.size());
    return key->Verify(digest, signature);
}

bool EvaluateManifest(const EcdsaP256PublicKey* key, std::string_view manifest,
                      std::string_view expectedTier, std::string_view ownVersion,
                      UpdateManifestInfo& out) {
    UpdateManifestInfo m;
    m.tier = ReadJsonStringMember(manifest, "tier");
    m.version = ReadJsonStringMember(manifest, "version");
    m.url = ReadJsonStringMember(manifest, "url");
    m.sha256 = ReadJsonStringMember(manifest, "sha256");
    m.sig = ReadJsonStringMember(manifest, "sig");
    if (m.tier.empty() || m.version.empty() || m.url.empty() || m.sha256.empty() || m.sig.empty()) {
        return false;
    }
    if (!IsKnownTier(m.tier)) return false;
    UpdateVersion offered = ParseUpdateVersion(m.version);
    if (!offered.valid) return false;
    if (!IsLowerHexDigest(m.sha256)) return false;
    if (!IsUrlText(m.url)) return false;
    if (!VerifyManifestSignature(key, UpdateSignedMessage(m), m.sig)) return false;
    if (m.tier != expectedTier) return false;
    UpdateVersion own = ParseUpdateVersion(ownVersion);
    if (!own.valid || !IsNewerVersion(offered, own)) return false;
    if (!IsAllowedUpdateUrl(m.url)) return false;
    out = std::move(m);
    return true;
}

}  // namespace velotap
