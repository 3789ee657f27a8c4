// A fake core library of either release (FAKE_RELEASE 7 or 65): the start,
// version and version-text functions with configurable results, and the
// entry points behind the release adapters, each recording the arguments
// that matter and answering with a marker.
//   ORV_FAKE_VERSION_RESULT  return value of the version function
//   ORV_FAKE_VERSION_OUT     out value of the version function
//   ORV_FAKE_VERSION_TEXT_ERROR  result of the version-text function
#include <cstring>

#include "tests/engine/fakesdk/fake_log.h"

FAKE_DLLMAIN(FAKE_LIB_NAME)

namespace {
PGPKeyDBObjRef Marker(long v) { return reinterpret_cast<PGPKeyDBObjRef>(v); }
}  // namespace

FAKE_EXPORT PGPError PGPsdkInit(PGPFlags options) {
    fake::Log("PGPsdkInit", long(options));
    return 0;
}
FAKE_EXPORT PGPError PGPsdkCleanup() {
    fake::Log("PGPsdkCleanup");
    return 0;
}

static PGPInt32 Version(PGPUInt32* out, long defResult, long defOut) {
    fake::Log("version");
    *out = static_cast<PGPUInt32>(fake::EnvNumber("ORV_FAKE_VERSION_OUT", defOut));
    return static_cast<PGPInt32>(fake::EnvNumber("ORV_FAKE_VERSION_RESULT", defResult));
}

static PGPError VersionText(char* text, const char* def) {
    long err = fake::EnvNumber("ORV_FAKE_VERSION_TEXT_ERROR", 0);
    // A failing engine may leave anything behind.
    std::strcpy(text, err ? "garbage left by a failed call" : def);
    return static_cast<PGPError>(err);
}

FAKE_EXPORT PGPError PGPFreeData(void* block) {
    if (block) HeapFree(GetProcessHeap(), 0, block);
    return 0;
}
FAKE_EXPORT PGPMemoryMgrRef PGPGetDefaultMemoryMgr() { return reinterpret_cast<PGPMemoryMgrRef>(0x3E3); }

// Both option names of each pair are exported, so that binding by release is seen.
FAKE_EXPORT PGPOptionListRef PGPOKeyDBRef(PGPContextRef, PGPKeyDBRef db) {
    fake::Log("PGPOKeyDBRef", long(reinterpret_cast<intptr_t>(db)));
    return reinterpret_cast<PGPOptionListRef>(0x7);
}
FAKE_EXPORT PGPOptionListRef PGPOKeySetRef(PGPContextRef, PGPKeySetRef set) {
    fake::Log("PGPOKeySetRef", long(reinterpret_cast<intptr_t>(set)));
    return reinterpret_cast<PGPOptionListRef>(0x65);
}
FAKE_EXPORT PGPOptionListRef PGPOEncryptToKeyDBObj(PGPContextRef, PGPKeyDBObjRef) { return nullptr; }
FAKE_EXPORT PGPOptionListRef PGPOEncryptToKey(PGPContextRef, PGPKeyRef) { return nullptr; }
FAKE_EXPORT PGPOptionListRef PGPOKeyFlags(PGPContextRef, PGPUInt32) { return nullptr; }
FAKE_EXPORT PGPOptionListRef PGPOLastOption(PGPContextRef) { return nullptr; }
FAKE_EXPORT PGPError PGPEncode(PGPContextRef, PGPOptionListRef, ...) { return 0; }
FAKE_EXPORT PGPError PGPDecode(PGPContextRef, PGPOptionListRef, ...) { return 0; }
FAKE_EXPORT PGPError PGPsdkLoadDefaultPrefs(PGPContextRef) { return 0; }

#if FAKE_RELEASE == 7

FAKE_EXPORT PGPInt32 PGPGetPGPsdkVersion(PGPUInt32* out) { return Version(out, 0x02000000, 0); }
FAKE_EXPORT PGPError PGPGetPGPsdkVersionString(char* text) { return VersionText(text, "PGPsdk 7.0 fake"); }
// Release 6.5 names that a release 7 engine may still carry must not be bound.
FAKE_EXPORT PGPError PGPGetSDKString(char* text) { return VersionText(text, "wrong family"); }
FAKE_EXPORT PGPError PGPOpenKeyRingPair(PGPContextRef, PGPFlags, PGPFileSpecRef, PGPFileSpecRef, PGPKeySetRef*) {
    return 0;
}

FAKE_EXPORT PGPError PGPDeleteKeys(PGPKeySetRef) {
    fake::Log("PGPDeleteKeys");
    return 0;
}
FAKE_EXPORT PGPError PGPOrderKeySet(PGPKeySetRef, PGPKeyOrdering order, PGPBoolean reverse, PGPKeyListRef* out) {
    fake::Log("PGPOrderKeySet", order, reverse);
    *out = reinterpret_cast<PGPKeyListRef>(0x11);
    return 0;
}
FAKE_EXPORT PGPError PGPKeyIterNextKeyDBObj(PGPKeyIterRef, PGPKeyIterKind kind, PGPKeyDBObjRef* out) {
    fake::Log("PGPKeyIterNextKeyDBObj", kind);
    *out = Marker(kind);
    return 0;
}
FAKE_EXPORT PGPError PGPKeyIterRewind(PGPKeyIterRef, PGPKeyIterKind kind) {
    fake::Log("PGPKeyIterRewind", kind);
    return 0;
}
FAKE_EXPORT PGPError PGPGetKeyDBObjBooleanProperty(PGPKeyDBObjRef, PGPKeyDBObjProperty p, PGPBoolean* out) {
    fake::Log("PGPGetKeyDBObjBooleanProperty", p);
    *out = 1;
    return 0;
}
FAKE_EXPORT PGPError PGPGetKeyDBObjNumericProperty(PGPKeyDBObjRef, PGPKeyDBObjProperty p, PGPInt32* out) {
    fake::Log("PGPGetKeyDBObjNumericProperty", p);
    *out = p + 1;
    return 0;
}
FAKE_EXPORT PGPError PGPGetKeyDBObjTimeProperty(PGPKeyDBObjRef, PGPKeyDBObjProperty p, PGPTime* out) {
    fake::Log("PGPGetKeyDBObjTimeProperty", p);
    *out = 1000u + p;
    return 0;
}
FAKE_EXPORT PGPError PGPGetKeyDBObjDataProperty(PGPKeyDBObjRef, PGPKeyDBObjProperty p, void*, PGPSize size,
                                                 PGPSize* outLength) {
    fake::Log("PGPGetKeyDBObjDataProperty", p, long(size));
    *outLength = 0;
    return 0;
}
FAKE_EXPORT PGPError PGPNewKeyDBObjBooleanFilter(PGPContextRef, PGPKeyDBObjProperty p, PGPBoolean v, PGPFilterRef* out) {
    fake::Log("PGPNewKeyDBObjBooleanFilter", p, v);
    *out = reinterpret_cast<PGPFilterRef>(0xF1);
    return 0;
}
FAKE_EXPORT PGPError PGPNewKeyDBObjNumericFilter(PGPContextRef, PGPKeyDBObjProperty p, PGPUInt32 v,
                                                  PGPMatchCriterion m, PGPFilterRef* out) {
    fake::Log("PGPNewKeyDBObjNumericFilter", p, long(v) * 10 + m);
    *out = reinterpret_cast<PGPFilterRef>(0xF2);
    return 0;
}
FAKE_EXPORT PGPError PGPNewKeyDBObjDataFilter(PGPContextRef, PGPKeyDBObjProperty p, const void*, PGPSize length,
                                               PGPMatchCriterion m, PGPFilterRef* out) {
    fake::Log("PGPNewKeyDBObjDataFilter", p, long(length) * 10 + m);
    *out = reinterpret_cast<PGPFilterRef>(0xF3);
    return 0;
}
FAKE_EXPORT PGPKeyDBRef PGPPeekKeySetKeyDB(PGPKeySetRef set) {
    return reinterpret_cast<PGPKeyDBRef>(reinterpret_cast<intptr_t>(set) + 0x700);
}
FAKE_EXPORT PGPError PGPFindKeyByKeyID(PGPKeyDBRef db, const PGPKeyID*, PGPKeyDBObjRef* out) {
    fake::Log("PGPFindKeyByKeyID", long(reinterpret_cast<intptr_t>(db)));
    *out = Marker(0x77);
    return 0;
}
FAKE_EXPORT PGPError PGPNewKeyIDFromString(const char* text, PGPInt32 kind, PGPKeyID* out) {
    fake::Log(std::string("PGPNewKeyIDFromString(") + text + "," + std::to_string(kind) + ")");
    std::memset(out, 0x7A, sizeof *out);
    return 0;
}
FAKE_EXPORT PGPError PGPGetPrimaryUserIDName(PGPKeyDBObjRef, char* buffer, PGPSize size, PGPSize* outLength) {
    fake::Log("PGPGetPrimaryUserIDName", long(size));
    std::strncpy(buffer, "Release Seven", size);
    *outLength = 13;
    return 0;
}
FAKE_EXPORT PGPError PGPGetIndexedRevocationKey(PGPKeyDBObjRef, PGPUInt32 index, PGPKeyDBObjRef* outKey, PGPKeyID*) {
    fake::Log("PGPGetIndexedRevocationKey", long(index));
    *outKey = Marker(0x7E);
    return 0;
}

#else  // release 6.5

FAKE_EXPORT PGPInt32 PGPGetSDKVersion(PGPUInt32* out) { return Version(out, 0x00010000, 0x03002000); }
FAKE_EXPORT PGPError PGPGetSDKString(char* text) { return VersionText(text, "PGPsdk 6.5 fake"); }
FAKE_EXPORT PGPError PGPGetPGPsdkVersionString(char* text) { return VersionText(text, "wrong family"); }
FAKE_EXPORT PGPError PGPOpenKeyRingPair(PGPContextRef, PGPFlags, PGPFileSpecRef, PGPFileSpecRef, PGPKeySetRef*) {
    return 0;
}
FAKE_EXPORT PGPError PGPOpenKeyDBFile(PGPContextRef, PGPFlags, PGPFileSpecRef, PGPFileSpecRef, PGPKeyDBRef*) {
    return 0;
}

FAKE_EXPORT PGPError PGPRemoveKeys(PGPKeySetRef, PGPKeySetRef from) {
    fake::Log("PGPRemoveKeys", long(reinterpret_cast<intptr_t>(from)));
    return 0;
}
FAKE_EXPORT PGPError PGPOrderKeySet(PGPKeySetRef, PGPKeyOrdering order, PGPKeyListRef* out) {
    fake::Log("PGPOrderKeySet", order);
    *out = reinterpret_cast<PGPKeyListRef>(0x11);
    return 0;
}

#define FAKE_ITER(name)                                        \
    FAKE_EXPORT PGPError name(PGPKeyIterRef, PGPKeyDBObjRef* out) { \
        fake::Log(#name);                                      \
        *out = Marker(0x1);                                    \
        return 0;                                              \
    }
FAKE_ITER(PGPKeyIterNext)
FAKE_ITER(PGPKeyIterNextSubKey)
FAKE_ITER(PGPKeyIterNextUserID)
FAKE_ITER(PGPKeyIterNextUIDSig)
#define FAKE_REWIND(name)                    \
    FAKE_EXPORT PGPError name(PGPKeyIterRef) { \
        fake::Log(#name);                    \
        return 0;                            \
    }
FAKE_REWIND(PGPKeyIterRewind)
FAKE_REWIND(PGPKeyIterRewindSubKey)
FAKE_REWIND(PGPKeyIterRewindUserID)
FAKE_REWIND(PGPKeyIterRewindUIDSig)

// Property getters record the translated code; values are code + 1.
#define FAKE_GETTER(name, T)                                                    \
    FAKE_EXPORT PGPError name(PGPKeyDBObjRef, PGPKeyPropName code, T* out) {    \
        fake::Log(#name, code);                                                 \
        *out = static_cast<T>(code + 1);                                        \
        return 0;                                                               \
    }
FAKE_GETTER(PGPGetKeyBoolean, PGPBoolean)
FAKE_GETTER(PGPGetSubKeyBoolean, PGPBoolean)
FAKE_GETTER(PGPGetUserIDBoolean, PGPBoolean)
FAKE_GETTER(PGPGetSigBoolean, PGPBoolean)
FAKE_GETTER(PGPGetKeyNumber, PGPInt32)
FAKE_GETTER(PGPGetSubKeyNumber, PGPInt32)
FAKE_GETTER(PGPGetUserIDNumber, PGPInt32)
FAKE_GETTER(PGPGetSigNumber, PGPInt32)
FAKE_GETTER(PGPGetKeyTime, PGPTime)
FAKE_GETTER(PGPGetSubKeyTime, PGPTime)
FAKE_GETTER(PGPGetSigTime, PGPTime)
#define FAKE_BUFFER(name)                                                                               \
    FAKE_EXPORT PGPError name(PGPKeyDBObjRef, PGPKeyPropName code, PGPSize size, void* buf, PGPSize* len) { \
        fake::Log(#name, code, long(size));                                                             \
        if (size) static_cast<char*>(buf)[0] = 'x';                                                     \
        *len = 1;                                                                                       \
        return 0;                                                                                       \
    }
FAKE_BUFFER(PGPGetKeyPropertyBuffer)
FAKE_BUFFER(PGPGetSubKeyPropertyBuffer)
FAKE_BUFFER(PGPGetUserIDStringBuffer)
FAKE_BUFFER(PGPGetSigPropertyBuffer)
FAKE_EXPORT PGPError PGPGetHashAlgUsed(PGPKeyRef, PGPHashAlgorithm* out) {
    fake::Log("PGPGetHashAlgUsed");
    *out = 2;
    return 0;
}

FAKE_EXPORT PGPError PGPNewKeyDisabledFilter(PGPContextRef, PGPBoolean v, PGPFilterRef* out) {
    fake::Log("PGPNewKeyDisabledFilter", v);
    *out = reinterpret_cast<PGPFilterRef>(0xD1);
    return 0;
}
FAKE_EXPORT PGPError PGPNewKeyBooleanFilter(PGPContextRef, PGPKeyPropName code, PGPBoolean v, PGPFilterRef* out) {
    fake::Log("PGPNewKeyBooleanFilter", code, v);
    *out = reinterpret_cast<PGPFilterRef>(0xD2);
    return 0;
}
FAKE_EXPORT PGPError PGPNewKeySigAlgorithmFilter(PGPContextRef, PGPPublicKeyAlgorithm alg, PGPFilterRef* out) {
    fake::Log("PGPNewKeySigAlgorithmFilter", alg);
    *out = reinterpret_cast<PGPFilterRef>(0xD3);
    return 0;
}
#define FAKE_KEYID_FILTER(name)                                                           \
    FAKE_EXPORT PGPError name(PGPContextRef, const PGPKeyID* id, PGPFilterRef* out) {     \
        fake::Log(#name, id->opaque[0]);                                                  \
        *out = reinterpret_cast<PGPFilterRef>(0xD4);                                      \
        return 0;                                                                         \
    }
FAKE_KEYID_FILTER(PGPNewKeyIDFilter)
FAKE_KEYID_FILTER(PGPNewSubKeyIDFilter)
FAKE_KEYID_FILTER(PGPNewSigKeyIDFilter)
#define FAKE_TEXT_FILTER(name)                                                                        \
    FAKE_EXPORT PGPError name(PGPContextRef, const char* text, PGPMatchCriterion m, PGPFilterRef* out) { \
        fake::Log(std::string(#name) + "(" + text + "," + std::to_string(m) + ")");                   \
        *out = reinterpret_cast<PGPFilterRef>(0xD5);                                                  \
        return 0;                                                                                     \
    }
FAKE_TEXT_FILTER(PGPNewUserIDStringFilter)
FAKE_TEXT_FILTER(PGPNewUserIDNameFilter)
FAKE_TEXT_FILTER(PGPNewUserIDEmailFilter)

FAKE_EXPORT PGPError PGPGetKeyByKeyID(PGPKeySetRef set, const PGPKeyID*, PGPPublicKeyAlgorithm, PGPKeyRef* out) {
    fake::Log("PGPGetKeyByKeyID", long(reinterpret_cast<intptr_t>(set)));
    *out = Marker(0x65);
    return 0;
}
FAKE_EXPORT PGPError PGPGetKeyIDFromString(const char* text, PGPKeyID* out) {
    fake::Log(std::string("PGPGetKeyIDFromString(") + text + ")");
    std::memset(out, 0x65, kPGPKeyIDSize65);
    return 0;
}
FAKE_EXPORT PGPError PGPGetKeyIDFromKey(PGPKeyRef, PGPKeyID*) {
    fake::Log("PGPGetKeyIDFromKey");
    return 0;
}
FAKE_EXPORT PGPError PGPGetKeyIDOfCertifier(PGPSigRef, PGPKeyID*) {
    fake::Log("PGPGetKeyIDOfCertifier");
    return 0;
}
FAKE_EXPORT PGPError PGPGetPrimaryUserIDNameBuffer(PGPKeyRef, PGPSize size, char* buffer, PGPSize* outLength) {
    fake::Log("PGPGetPrimaryUserIDNameBuffer", long(size));
    std::strncpy(buffer, "Release Six", size);
    *outLength = 11;
    return 0;
}
FAKE_EXPORT PGPError PGPGetIndexedRevocationKey(PGPKeyRef, PGPKeySetRef set, PGPUInt32 index, PGPKeyRef* outKey,
                                                PGPKeyID*) {
    fake::Log("PGPGetIndexedRevocationKey", long(reinterpret_cast<intptr_t>(set)), long(index));
    *outKey = Marker(0x6E);
    return 0;
}

#endif
