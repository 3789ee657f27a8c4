// The stand-in core as its companion libraries reach it: entry points looked
// up by name in the "PGP_SDK.dll" already loaded into the process (the
// companions never link against it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/pgpsdk.h"
#include "standin/sdkui/companion_api.h"

#define ORV_COMPANION_CORE(X)                                                                            \
    X(PGPNewData) X(PGPNewSecureData) X(PGPFreeData) X(PGPGetDefaultMemoryMgr) X(PGPOLastOption)          \
    X(PGPOPassphrase) X(PGPNewOptionList) X(PGPAppendOptionList) X(PGPFreeOptionList) X(PGPPassphraseIsValid) \
    X(PGPPeekKeyDBRootKeySet) X(PGPPeekKeySetKeyDB) X(PGPNewKeyIterFromKeySet) X(PGPNewKeyIterFromKeyDB)  \
    X(PGPKeyIterNextKeyDBObj) X(PGPFreeKeyIter) X(PGPKeyIterRewind) X(PGPGetKeyDBObjBooleanProperty)      \
    X(PGPGetKeyDBObjNumericProperty) X(PGPGetPrimaryUserIDName) X(PGPGetKeyID) X(PGPGetKeyIDString)      \
    X(PGPFindKeyByKeyID) X(PGPNewEmptyKeySet) X(PGPNewOneKeySet) X(PGPAddKeys) X(PGPFreeKeySet)           \
    X(PGPKeySetIsMember) X(PGPCountKeys) X(PGPNewContext) X(PGPFreeContext) X(PGPNewFileSpecFromFullPath) \
    X(PGPFreeFileSpec) X(PGPOpenKeyDBFile) X(PGPFreeKeyDB) X(ORVsdkNewUIOption) X(ORVsdkCountOptions)     \
    X(ORVsdkGetUIOption)

namespace companion {

struct Core {
#define ORV_COMPANION_SLOT(n) PFN_##n n = nullptr;
    ORV_COMPANION_CORE(ORV_COMPANION_SLOT)
#undef ORV_COMPANION_SLOT
    bool complete = false;  // every entry point was found
};

// Bound once, on first use; empty slots when the core is not loaded.
const Core& core();

// One key of a key set or key database, as the dialogs show it.
struct KeyInfo {
    PGPKeyDBObjRef key = nullptr;
    std::string userID;
    std::string keyID;  // "0x" + 16 hex digits
    std::string type;   // "RSA", "DSA", "ElGamal", ...
    int bits = 0;       // the key's bits
    int subBits = 0;    // the first encryption subkey's bits, 0 without one
    bool secret = false;
    bool canSign = false;
    bool canDecrypt = false;
};

KeyInfo describeKey(PGPKeyDBObjRef key);
// The keys of a set (0 for none), in the set's order.
std::vector<KeyInfo> listKeys(PGPKeySetRef set);
// "0x" + 16 hex digits of a key ID value of the release's size.
std::string keyIDText(const PGPKeyID& id);
// The size text of the key selection dialog: "2048/1024 bits" or "2048 bits".
std::string sizeText(const KeyInfo& k);

// Wipes memory that held a passphrase; not removed by the optimiser.
void wipe(void* p, size_t n);

}  // namespace companion
