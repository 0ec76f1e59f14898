#pragma once
// The signed update manifest: reading its members, the download-address allow-list, the signature
// check and the full evaluation a manifest must pass before an update is offered.
#include <string>
#include <string_view>

namespace velotap {

class EcdsaP256PublicKey;

constexpr size_t kUpdateManifestCap = 16384;

struct UpdateManifestInfo {
    std::string tier;
    std::string version;
    std::string url;
    std::string sha256;
    std::string sig;
};

// A small reader, not a JSON parser: the text after the first `"name"`, its first ":" and the
// first quote after that, up to the next unescaped quote. Empty when any of these is missing.
std::string ReadJsonStringMember(std::string_view text, std::string_view name);

// "https://" followed by exactly the web host or the API host (letter case ignored), then the end
// or one of "/", "?", "#". User-info, ports and look-alike hosts are refused.
bool IsAllowedUpdateUrl(std::string_view url);

// "VTP-UPDATE-1|tier|version|sha256|url".
std::string UpdateSignedMessage(const UpdateManifestInfo& m);

// ECDSA P-256 over SHA-256 of `message`; `signatureHex` is r then s as 128 hex digits of either
// case. False without a key.
bool VerifyManifestSignature(const EcdsaP256PublicKey* key, std::string_view message,
                             std::string_view signatureHex);

// True only when every rule holds; `out` is written only then.
bool EvaluateManifest(const EcdsaP256PublicKey* key, std::string_view manifest,
                      std::string_view expectedTier, std::string_view ownVersion,
                      UpdateManifestInfo& out);

}  // namespace velotap
