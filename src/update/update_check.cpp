#include "update/update_check.h"

#include "base/file_read.h"
#include "platform/https_get.h"
#include "update/update_config.h"
#include "update/update_key.h"

namespace velotap {

bool HttpGetSmall(const std::string& url, std::string& body) {
    HttpsGetOptions options;
    options.maxBodyBytes = kUpdateManifestCap;
    options.timeoutMs = 10000;
    return HttpsGet(url, body, options);
}

bool ReadLocalManifest(const std::string& path, std::string& body) {
    return ReadWholeFile(path, body, kUpdateManifestCap) == FileReadStatus::Ok && !body.empty();
}

UpdateCheckResult CheckForUpdate(const std::string& manifestOverride) {
    return CheckForUpdateWithKey(manifestOverride, UpdatePublicKey);
}

UpdateCheckResult CheckForUpdateWithKey(const std::string& manifestOverride,
                                        const std::function<const EcdsaP256PublicKey*()>& loadKey) {
    UpdateCheckResult result;
    result.currentVersion = std::string(UpdateOwnVersion());
    std::string body;
    bool fetched = false;
    if (manifestOverride.empty()) {
        fetched = HttpGetSmall(DefaultManifestUrl(), body);
    } else if (manifestOverride.rfind("https://", 0) == 0) {
        fetched = HttpGetSmall(manifestOverride, body);
    } else if (manifestOverride.rfind("http://", 0) == 0) {
        return result;
    } else {
        fetched = ReadLocalManifest(manifestOverride, body);
    }
    if (!fetched || body.empty()) return result;
    const EcdsaP256PublicKey* key = loadKey();
    if (!key) return result;
    UpdateManifestInfo info;
    if (EvaluateManifest(key, body, UpdateOwnTier(), result.currentVersion, info)) {
        result.available = true;
        result.manifest = std::move(info);
    }
    return result;
}

}  // namespace velotap
