// The stand-in core as its companion libraries reach it: entry points looked
// up by name in the "PGP_SDK.dll" already loaded into the process (the
// companions never link against it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/sdk/sdk_interface.h"
#include "standin/sdkui/companion_api.h"

#ifndef ORV_COMPANION_RELEASE
#define ORV_COMPANION_RELEASE 7
#endif

// X(slot, function type, exported name): the names both releases export ...
#define ORV_COMPANION_CORE_COMMON(X)                                                                          \
    X(PGPNewData, PFN_PGPNewData, "PGPNewData")                                                               \
    X(PGPNewSecureData, PFN_PGPNewSecureData, "PGPNewSecureData")                                             \
    X(PGPFreeData, PFN_PGPFreeData, "PGPFreeData")                                                            \
    X(PGPGetDefaultMemoryMgr, PFN_PGPGetDefaultMemoryMgr, "PGPGetDefaultMemoryMgr")                           \
    X(PGPOLastOption, PFN_PGPOLastOption, "PGPOLastOption")                                                   \
    X(PGPOPassphrase, PFN_PGPOPassphrase, "PGPOPassphrase")                                                   \
    X(PGPNewOptionList, PFN_PGPNewOptionList, "PGPNewOptionList")                                             \
    X(PGPAppendOptionList, PFN_PGPAppendOptionList, "PGPAppendOptionList")                                    \
    X(PGPFreeOptionList, PFN_PGPFreeOptionList, "PGPFreeOptionList")                                          \
    X(PGPPassphraseIsValid, PFN_PGPPassphraseIsValid, "PGPPassphraseIsValid")                                 \
    X(PGPFreeKeyIter, PFN_PGPFreeKeyIter, "PGPFreeKeyIter")                                                   \
    X(PGPGetKeyIDString, PFN_PGPGetKeyIDString, "PGPGetKeyIDString")                                          \
    X(PGPAddKeys, PFN_PGPAddKeys, "PGPAddKeys")                                                               \
    X(PGPFreeKeySet, PFN_PGPFreeKeySet, "PGPFreeKeySet")                                                      \
    X(PGPKeySetIsMember, PFN_PGPKeySetIsMember, "PGPKeySetIsMember")                                          \
    X(PGPCountKeys, PFN_PGPCountKeys, "PGPCountKeys")                                                         \
    X(PGPNewContext, PFN_PGPNewContext, "PGPNewContext")                                                      \
    X(PGPFreeContext, PFN_PGPFreeContext, "PGPFreeContext")                                                   \
    X(PGPNewFileSpecFromFullPath, PFN_PGPNewFileSpecFromFullPath, "PGPNewFileSpecFromFullPath")               \
    X(PGPFreeFileSpec, PFN_PGPFreeFileSpec, "PGPFreeFileSpec")                                                \
    X(ORVsdkNewUIOption, PFN_ORVsdkNewUIOption, "ORVsdkNewUIOption")                                          \
    X(ORVsdkCountOptions, PFN_ORVsdkCountOptions, "ORVsdkCountOptions")                                       \
    X(ORVsdkGetUIOption, PFN_ORVsdkGetUIOption, "ORVsdkGetUIOption")                                          \
    X(PGPGenerateKey, PFN_PGPGenerateKey, "PGPGenerateKey")                                                   \
    X(PGPGenerateSubKey, PFN_PGPGenerateSubKey, "PGPGenerateSubKey")                                          \
    X(PGPOKeyGenParams, PFN_PGPOKeyGenParams, "PGPOKeyGenParams")                                             \
    X(PGPOKeyGenName, PFN_PGPOKeyGenName, "PGPOKeyGenName")                                                   \
    X(PGPOKeyGenMasterKey, PFN_PGPOKeyGenMasterKey, "PGPOKeyGenMasterKey")                                    \
    X(PGPChangePassphrase, PFN_PGPChangePassphrase, "PGPChangePassphrase")                                    \
    X(PGPsdkLoadDefaultPrefs, PFN_PGPsdkLoadDefaultPrefs, "PGPsdkLoadDefaultPrefs")                           \
    X(PGPsdkPrefGetFileSpec, PFN_PGPsdkPrefGetFileSpec, "PGPsdkPrefGetFileSpec")                              \
    X(PGPsdkPrefSetFileSpec, PFN_PGPsdkPrefSetFileSpec, "PGPsdkPrefSetFileSpec")                              \
    X(PGPsdkPrefGetData, PFN_PGPsdkPrefGetData, "PGPsdkPrefGetData")                                          \
    X(PGPsdkPrefSetData, PFN_PGPsdkPrefSetData, "PGPsdkPrefSetData")                                          \
    X(PGPsdkSavePrefs, PFN_PGPsdkSavePrefs, "PGPsdkSavePrefs")                                                \
    X(PGPGetFullPathFromFileSpec, PFN_PGPGetFullPathFromFileSpec, "PGPGetFullPathFromFileSpec")

// ... and those of the key family of one release: key databases (7) or key
// rings (6.5).
#if ORV_COMPANION_RELEASE == 7
#define ORV_COMPANION_CORE_KEYS(X)                                                                            \
    X(PGPPeekKeyDBRootKeySet, PFN_PGPPeekKeyDBRootKeySet, "PGPPeekKeyDBRootKeySet")                           \
    X(PGPPeekKeySetKeyDB, PFN_PGPPeekKeySetKeyDB, "PGPPeekKeySetKeyDB")                                       \
    X(PGPNewKeyIterFromKeySet, PFN_PGPNewKeyIterFromKeySet, "PGPNewKeyIterFromKeySet")                        \
    X(PGPKeyIterNextKeyDBObj, PFN_PGPKeyIterNextKeyDBObj, "PGPKeyIterNextKeyDBObj")                           \
    X(PGPGetKeyDBObjBooleanProperty, PFN_PGPGetKeyDBObjBooleanProperty, "PGPGetKeyDBObjBooleanProperty")      \
    X(PGPGetKeyDBObjNumericProperty, PFN_PGPGetKeyDBObjNumericProperty, "PGPGetKeyDBObjNumericProperty")      \
    X(PGPGetPrimaryUserIDName, PFN_PGPGetPrimaryUserIDName, "PGPGetPrimaryUserIDName")                        \
    X(PGPGetKeyID, PFN_PGPGetKeyID, "PGPGetKeyID")                                                            \
    X(PGPFindKeyByKeyID, PFN_PGPFindKeyByKeyID, "PGPFindKeyByKeyID")                                          \
    X(PGPNewEmptyKeySet, PFN_PGPNewEmptyKeySet, "PGPNewEmptyKeySet")                                          \
    X(PGPNewOneKeySet, PFN_PGPNewOneKeySet, "PGPNewOneKeySet")                                                \
    X(PGPOpenKeyDBFile, PFN_PGPOpenKeyDBFile, "PGPOpenKeyDBFile")                                             \
    X(PGPFreeKeyDB, PFN_PGPFreeKeyDB, "PGPFreeKeyDB")                                                         \
    X(PGPOKeyDBRef, PFN_PGPOKeyDBRef, "PGPOKeyDBRef")                                                         \
    X(PGPFlushKeyDB, PFN_PGPFlushKeyDB, "PGPFlushKeyDB")
#else
#define ORV_COMPANION_CORE_KEYS(X)                                                                            \
    X(PGPOrderKeySet, PFN65_PGPOrderKeySet, "PGPOrderKeySet")                                                 \
    X(PGPNewKeyIter, PFN_PGPNewKeyIter, "PGPNewKeyIter")                                                      \
    X(PGPFreeKeyList, PFN_PGPFreeKeyList, "PGPFreeKeyList")                                                   \
    X(PGPKeyIterNext, PFN_PGPKeyIterNext, "PGPKeyIterNext")                                                   \
    X(PGPKeyIterNextSubKey, PFN_PGPKeyIterNextSubKey, "PGPKeyIterNextSubKey")                                 \
    X(PGPGetKeyBoolean, PFN_PGPGetKeyBoolean, "PGPGetKeyBoolean")                                             \
    X(PGPGetKeyNumber, PFN_PGPGetKeyNumber, "PGPGetKeyNumber")                                                \
    X(PGPGetSubKeyNumber, PFN_PGPGetSubKeyNumber, "PGPGetSubKeyNumber")                                       \
    X(PGPGetPrimaryUserIDNameBuffer, PFN_PGPGetPrimaryUserIDNameBuffer, "PGPGetPrimaryUserIDNameBuffer")      \
    X(PGPGetKeyIDFromKey, PFN_PGPGetKeyIDFromKey, "PGPGetKeyIDFromKey")                                       \
    X(PGPGetKeyByKeyID, PFN_PGPGetKeyByKeyID, "PGPGetKeyByKeyID")                                             \
    X(PGPNewEmptyKeySet, PFN65_PGPNewEmptyKeySet, "PGPNewEmptyKeySet")                                        \
    X(PGPNewSingletonKeySet, PFN_PGPNewSingletonKeySet, "PGPNewSingletonKeySet")                              \
    X(PGPGetKeySetContext, PFN_PGPGetKeySetContext, "PGPGetKeySetContext")                                    \
    X(PGPOpenKeyRingPair, PFN_PGPOpenKeyRingPair, "PGPOpenKeyRingPair")                                       \
    X(PGPOKeySetRef, PFN_PGPOKeySetRef, "PGPOKeySetRef")                                                      \
    X(PGPCommitKeyRingChanges, PFN_PGPCommitKeyRingChanges, "PGPCommitKeyRingChanges")
#endif

namespace companion {

struct Core {
#define ORV_COMPANION_SLOT(slot, type, name) type slot = nullptr;
    ORV_COMPANION_CORE_COMMON(ORV_COMPANION_SLOT)
    ORV_COMPANION_CORE_KEYS(ORV_COMPANION_SLOT)
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

// Bytes of one key ID in the key-ID arrays of the release.
constexpr PGPUInt32 kKeyIDSize = ORV_COMPANION_RELEASE == 7 ? kPGPKeyIDSize : kPGPKeyIDSize65;

// The key ID of a key; false when the core gives none.
bool keyIDOf(PGPKeyDBObjRef key, PGPKeyID& out);
// The key of the set (or of the rings or database it belongs to, on release
// 7) with this key ID, or null.
PGPKeyDBObjRef findKey(PGPKeySetRef set, const PGPKeyID& id);
// A new set of the given keys, made alongside the set they were chosen from.
PGPError newSetOf(PGPKeySetRef from, const std::vector<PGPKeyDBObjRef>& keys, PGPKeySetRef* out);

// A key-ring pair opened for reading, with its own context.
struct Rings {
    PGPContextRef context = nullptr;
    PGPKeySetRef keys = nullptr;  // the rings' root set
    void* db = nullptr;           // release 7: the key database behind it
};
// Writable rings take changes, written by saveRings; a ring file not yet
// there reads as empty.
PGPError openRings(const std::string& publicRing, const std::string& secretRing, Rings& out, bool writable = false);
PGPError saveRings(Rings& rings);
void closeRings(Rings& rings);
// The option that names the rings as the place for a new key.
PGPOptionListRef ringsOption(const Rings& rings);

// Wipes memory that held a passphrase; not removed by the optimiser.
void wipe(void* p, size_t n);

}  // namespace companion
