#pragma once
// Build constants of the updater. The host names and the public key come from the build
// configuration (CMake cache variables VELOTAP_UPDATE_WEB_HOST, VELOTAP_UPDATE_API_HOST and
// VELOTAP_UPDATE_PUBLIC_KEY).
#include <string>
#include <string_view>

namespace velotap {

std::string_view UpdateOwnVersion();  // "1.0.1"
std::string_view UpdateOwnTier();     // "studio"
std::string_view UpdateWebHost();
std::string_view UpdateApiHost();

// The built-in public key as its 72-byte "ECS1" blob; empty when the configured hex is malformed.
std::string UpdatePublicKeyBlob();

// "https://" + web host + "/update/" + own tier + ".json".
std::string DefaultManifestUrl();

}  // namespace velotap
