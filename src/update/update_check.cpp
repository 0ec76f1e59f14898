#include "update/update_check.h"

#include <filesystem>
#include <fstream>

#include "platform/https_get.h"
#include "update/update_config.h"
#include "update/update_key.h"

bool HttpGetSmall(const std::string& url, std::string& body) {
    HttpsGetOptions options;
    options.maxBodyBytes = kUpdateManifestCap;
    options.timeoutMs = 10000;
    return HttpsGet(url, body, options);
}

bool ReadLocalManifest(const std::string& path, std::string& body) {
    body.clear();
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    // One byte past the cap tells an oversized file without reading all of it.
    std::string bytes(kUpdateManifestCap + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) return false;
    auto got = static_cast<size_t>(in.gcount());
    if (got < 1 || got > kUpdateManifestCap) return false;
    bytes.resize(got);
    body = std::move(bytes);
    return true;
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
