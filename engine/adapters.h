#pragma once
// One calling form for both PGP SDK releases. Each routine takes the release 7
// form of the arguments and calls the entry point of the release that is
// loaded; the rest of the system calls these, never the release-specific
// slots. An entry point the engine lacks gives kPGPError_EngineNotLoaded.

#include <cstdint>
#include <vector>

#include "engine/pgpsdk.h"

namespace orv::sdk {

// Release 6.5 property families; the release 7 code selects one.
enum class PropertyFamily65 {
    None,
    KeyBoolean,
    KeyNumber,
    HashAlgUsed,
    KeyTime,
    KeyBuffer,
    SubKeyBoolean,
    SubKeyNumber,
    SubKeyTime,
    UserIDBoolean,
    UserIDNumber,
    UserIDString,
    SigBoolean,
    SigNumber,
    SigTime,
    SigBuffer,
};

struct Property65 {
    PropertyFamily65 family = PropertyFamily65::None;
    PGPKeyPropName code = 0;  // unused for HashAlgUsed
};

// The release 6.5 call and number for a release 7 property code; family None
// for a code that release 6.5 lacks.
Property65 TranslateProperty(PGPKeyDBObjProperty code);

// The release 6.5 ordering for a release 7 ordering and reverse flag.
PGPKeyOrdering TranslateOrdering(PGPKeyOrdering order, bool reverse);

PGPError RemoveKeys(PGPKeySetRef keys, PGPKeySetRef fromSet);
PGPError OrderKeySet(PGPKeySetRef keySet, PGPKeyOrdering order, bool reverse, PGPKeyListRef* outList);

// kind: kPGPKeyIter_Key, _SubKey, _UserID or _Signature.
PGPError KeyIterNext(PGPKeyIterRef iter, PGPKeyIterKind kind, PGPKeyDBObjRef* outObj);
PGPError KeyIterRewind(PGPKeyIterRef iter, PGPKeyIterKind kind);

// keySet is the set the key came from; release 7 does without it.
PGPError GetIndexedAdditionalRecipientRequestKey(PGPKeyDBObjRef key, PGPKeySetRef keySet, PGPUInt32 index,
                                                 PGPKeyDBObjRef* outKey, PGPKeyID* outKeyID, PGPByte* outClass);
PGPError GetIndexedRevocationKey(PGPKeyDBObjRef key, PGPKeySetRef keySet, PGPUInt32 index, PGPKeyDBObjRef* outKey,
                                 PGPKeyID* outKeyID);

PGPError GetPrimaryUserIDName(PGPKeyDBObjRef key, char* buffer, PGPSize bufferSize, PGPSize* outLength);
PGPError FindKeyByKeyID(PGPKeySetRef keySet, const PGPKeyID* keyID, PGPKeyDBObjRef* outKey);
// kind: 0 any, 1 key, 2 subkey (release 7 only).
PGPError NewKeyIDFromString(const char* text, PGPInt32 kind, PGPKeyID* outKeyID);
PGPError GetKeyID(PGPKeyDBObjRef key, PGPKeyID* outKeyID);
PGPError GetCertifierKeyID(PGPSigRef sig, PGPKeyID* outKeyID);

PGPError NewBooleanFilter(PGPContextRef context, PGPKeyDBObjProperty property, bool value, PGPFilterRef* outFilter);
PGPError NewNumericFilter(PGPContextRef context, PGPKeyDBObjProperty property, PGPUInt32 value,
                          PGPMatchCriterion match, PGPFilterRef* outFilter);
PGPError NewTimeFilter(PGPContextRef context, PGPKeyDBObjProperty property, PGPTime value, PGPMatchCriterion match,
                       PGPFilterRef* outFilter);
PGPError NewDataFilter(PGPContextRef context, PGPKeyDBObjProperty property, const void* data, PGPSize length,
                       PGPMatchCriterion match, PGPFilterRef* outFilter);

PGPError GetBooleanProperty(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property, PGPBoolean* outValue);
PGPError GetNumericProperty(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property, PGPInt32* outValue);
PGPError GetTimeProperty(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property, PGPTime* outValue);
PGPError GetDataProperty(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property, void* buffer, PGPSize bufferSize,
                         PGPSize* outLength);

// The key source option of a job: the set's key database (7) or the set (6.5).
// A null list when the engine lacks the option.
PGPOptionListRef KeySourceOption(PGPContextRef context, PGPKeySetRef keySet);

// Client library.
PGPError ClientInitLibrary(PGPContextRef context);
PGPError ClientCloseLibrary();
PGPError NotifyKeyringChanges(PGPUInt32 processID);
PGPError NotifyPrefsChanges(PGPUInt32 processID);
// Shows the offered keys; the chosen ones come back in a new set.
PGPError SelectKeys(PGPContextRef context, PGPtlsContextRef tls, PGPWindowRef parent, const char* prompt,
                    PGPKeySetRef offered, PGPKeySetRef* outSelected);

// Client data preferences (the key-server list 604, the algorithms 608), copied
// out of and into the engine's buffers.
PGPError GetClientPrefData(PGPPrefIndex index, std::vector<std::uint8_t>& data);
PGPError SetClientPrefData(PGPPrefIndex index, const std::vector<std::uint8_t>& data);
PGPError GetClientPrefBoolean(PGPPrefIndex index, bool& value);
inline std::size_t KeyServerEntryCount(std::size_t byteSize) { return byteSize / kPGPPrefKeyServerEntrySize; }

}  // namespace orv::sdk
