#include "update/update_key.h"

#include <memory>
#include <mutex>

#include "platform/ecdsa_p256.h"
#include "update/update_config.h"

namespace velotap {

const EcdsaP256PublicKey* UpdatePublicKey() {
    // Process-wide by nature: the poll thread and a user-started update share one imported key.
    static std::mutex mutex;
    static std::unique_ptr<EcdsaP256PublicKey> key;
    std::lock_guard<std::mutex> lock(mutex);
    if (!key) key = EcdsaP256PublicKey::Import(UpdatePublicKeyBlob());
    return key.get();
}

}  // namespace velotap
