#pragma once

namespace velotap {

// The built-in update public key, imported on first need and kept for the life of the process.
class EcdsaP256PublicKey;

// Null while the key cannot be imported; a later call tries again. Safe from any thread.
const EcdsaP256PublicKey* UpdatePublicKey();

}  // namespace velotap
