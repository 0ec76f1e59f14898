#pragma once
// One update check: fetch the manifest, verify it against the built-in key and compare versions.
#include <functional>
#include <string>

#include "update/update_manifest.h"

namespace velotap {

struct UpdateCheckResult {
    bool available = false;
    UpdateManifestInfo manifest;
    std::string currentVersion;
};

// `manifestOverride` is the "--update-manifest=" value: empty for the default address, an https://
// address, or a local file of 1 to 16384 bytes; an http:// address is refused. Any failure gives
// `available` false.
UpdateCheckResult CheckForUpdate(const std::string& manifestOverride);

// The same check with the key taken from `loadKey`, which runs only once a manifest was fetched.
// CheckForUpdate passes the built-in key; tests pass a key of their own.
UpdateCheckResult CheckForUpdateWithKey(const std::string& manifestOverride,
                                        const std::function<const EcdsaP256PublicKey*()>& loadKey);

// GET of at most 16384 bytes with the updater's transport rules.
bool HttpGetSmall(const std::string& url, std::string& body);

// The whole of a local manifest file when it holds 1 to 16384 bytes; false otherwise.
bool ReadLocalManifest(const std::string& path, std::string& body);

}  // namespace velotap
