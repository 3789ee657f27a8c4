#pragma once
// The engine's passphrase dialogs for the encoding and decoding jobs. The
// passphrase comes back in an engine buffer (free with PGPFreeData); a
// cancelled dialog gives -11987 and no buffer.

#include <string>

#include "engine/pgpsdk.h"

namespace orv {

PGPError ConventionalEncryptionPassphrase(PGPContextRef context, const std::string& prompt, PGPWindowRef owner,
                                          char*& outPassphrase);
PGPError ConventionalDecryptionPassphrase(PGPContextRef context, const std::string& prompt, PGPWindowRef owner,
                                          char*& outPassphrase);
// defaultKeyID preselects the signing key when it names a key of the set.
PGPError SigningPassphrase(PGPContextRef context, PGPKeySetRef keySet, const std::string& prompt,
                           const std::string& defaultKeyID, bool findMatchingKey, PGPWindowRef owner,
                           char*& outPassphrase, PGPKeyDBObjRef& outSigningKey);
// keyIDs: keyIDCount key IDs of the message, packed with the release's size.
PGPError DecryptionPassphrase(PGPContextRef context, PGPKeySetRef recipients, PGPUInt32 keyIDCount,
                              const PGPByte* keyIDs, const std::string& prompt, PGPWindowRef owner,
                              char*& outPassphrase, PGPKeyDBObjRef& outDecryptionKey);

}  // namespace orv
