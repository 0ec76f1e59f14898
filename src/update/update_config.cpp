#include "update/update_config.h"

#include "base/hex.h"

namespace velotap {

#ifndef VELOTAP_UPDATE_WEB_HOST
#error "VELOTAP_UPDATE_WEB_HOST must come from the build configuration"
#endif
#ifndef VELOTAP_UPDATE_API_HOST
#error "VELOTAP_UPDATE_API_HOST must come from the build configuration"
#endif
#ifndef VELOTAP_UPDATE_PUBLIC_KEY
#error "VELOTAP_UPDATE_PUBLIC_KEY must come from the build configuration"
#endif

std::string_view UpdateOwnVersion() {
    return VELOTAP_VERSION;
}
std::string_view UpdateOwnTier() {
    return "studio";
}
std::string_view UpdateWebHost() {
    return VELOTAP_UPDATE_WEB_HOST;
}
std::string_view UpdateApiHost() {
    return VELOTAP_UPDATE_API_HOST;
}

std::string UpdatePublicKeyBlob() {
    std::string blob = DecodeHex(VELOTAP_UPDATE_PUBLIC_KEY);
    return blob.size() == 72 ? blob : std::string();
}

std::string DefaultManifestUrl() {
    return "https://" + std::string(UpdateWebHost()) + "/update/" + std::string(UpdateOwnTier()) +
           ".json";
}

}  // namespace velotap
