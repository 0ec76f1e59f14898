#pragma once
// One update check: fetch the manifest, verify it against the built-in key and compare versions.
#include <string>

#include "update/update_manifest.h"

struct UpdateCheckResult {
    bool available = false;
    UpdateManifestInfo manifest;
    std::string currentVersion;
};

// `manifestOverride` is the "--update-manifest=" value: empty for the default address, an https://
// address, or a local file of 1 to 16384 bytes; an http:// address is refused. Any failure gives
// `available` false.
UpdateCheckResult CheckForUpdate(const std::string& manifestOverride);

// GET of at most 16384 bytes with the updater's transport rules.
bool HttpGetSmall(const std::string& url, std::string& body);

// The whole of a local manifest file when it holds 1 to 16384 bytes; false otherwise.
bool ReadLocalManifest(const std::string& path, std::string& body);
