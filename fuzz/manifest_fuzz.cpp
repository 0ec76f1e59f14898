// Manifest evaluation against the built-in key on arbitrary bytes. Nothing the fuzzer makes can
// carry a valid signature, so acceptance itself is a failure.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update/update_key.h"
#include "update/update_manifest.h"
#include "update/update_version.h"

using namespace velotap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    UpdateManifestInfo info;
    if (EvaluateManifest(UpdatePublicKey(), text, "studio", "1.0.1", info)) std::abort();
    ParseUpdateVersion(text);
    IsAllowedUpdateUrl(text);
    ReadJsonStringMember(text, "url");
    return 0;
}
