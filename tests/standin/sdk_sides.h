// The PGP SDK interface is stated twice: by the front-end (engine/pgpsdk.h,
// engine/sdk_table.h) and by the stand-in engine (standin/sdk/sdk_interface.h).
// The two cannot share a translation unit (they declare the same C names), so
// each side is read in its own file into a table of facts, name -> what the
// compiler makes of it there, and the test compares the tables.
//
// This header names nothing of either side: the lists of names to look up
// are macros, expanded against whichever declarations are in scope.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <type_traits>

namespace sdk_sides {

// name -> fact text ("-11977", "size 48 align 4", "cdecl 12 i4(h,p:h,...)").
using Facts = std::map<std::string, std::string>;

struct Side {
    Facts constants;
    Facts records;      // "Record" and "Record.member"
    Facts entryPoints;  // by the exported name the product binds ("_PGPclInitLibrary@8")
    Facts types;        // function types outside the table: release 6.5 forms, callbacks
};

Side ProductSide();
Side StandinSide();

// ---- What the compiler makes of a type -------------------------------------

template <class T, class = void>
struct IsComplete : std::false_type {};
template <class T>
struct IsComplete<T, std::void_t<decltype(sizeof(T))>> : std::true_type {};

template <class F>
struct Signature;

// A parameter or result: "v" void, "i4"/"u1" integers, "h" a handle (pointer
// to an undisclosed record), "p:" pointer to what follows ("pc:" to const),
// "s36" a record by value, "f[...]" a callback with its own signature.
template <class T>
std::string Shape() {
    if constexpr (std::is_void_v<T>) {
        return "v";
    } else if constexpr (std::is_integral_v<T>) {
        return (std::is_signed_v<T> ? "i" : "u") + std::to_string(sizeof(T));
    } else if constexpr (std::is_pointer_v<T>) {
        using Target = std::remove_pointer_t<T>;
        if constexpr (std::is_function_v<Target>) {
            return "f[" + Signature<T>::Text() + "]";
        } else if constexpr (std::is_class_v<Target> && !IsComplete<Target>::value) {
            return "h";
        } else {
            return std::string(std::is_const_v<Target> ? "pc:" : "p:") + Shape<std::remove_cv_t<Target>>();
        }
    } else if constexpr (std::is_class_v<T>) {
        return "s" + std::to_string(sizeof(T));
    } else {
        return "?";
    }
}

// Bytes the caller pushes for an argument: its size rounded up to 4.
template <class... A>
constexpr std::size_t ArgumentBytes() {
    return (std::size_t{0} + ... + ((sizeof(A) + 3) / 4 * 4));
}

template <class... A>
std::string Parameters(bool variadic) {
    std::string text;
    ((text += (text.empty() ? "" : ",") + Shape<A>()), ...);
    if (variadic) text += text.empty() ? "..." : ",...";
    return text;
}

#define SDK_SIDES_SIGNATURE(convention, name, variadic, ...)                                       \
    template <class R, class... A>                                                                  \
    struct Signature<R(__attribute__((convention)) *)(A... __VA_ARGS__)> {                          \
        static constexpr const char* kConvention = name;                                            \
        static constexpr std::size_t kBytes = ArgumentBytes<A...>();                                \
        static std::string Text() {                                                                 \
            return std::string(name) + " " + std::to_string(kBytes) + " " + Shape<R>() + "(" +      \
                   Parameters<A...>(variadic) + ")";                                                \
        }                                                                                           \
    };
SDK_SIDES_SIGNATURE(cdecl, "cdecl", false)
SDK_SIDES_SIGNATURE(cdecl, "cdecl", true, , ...)
SDK_SIDES_SIGNATURE(stdcall, "stdcall", false)
#undef SDK_SIDES_SIGNATURE

template <class R>
std::string RecordFact() {
    return "size " + std::to_string(sizeof(R)) + " align " + std::to_string(alignof(R));
}

inline std::string MemberFact(std::size_t offset, std::size_t size) {
    return "offset " + std::to_string(offset) + " size " + std::to_string(size);
}

}  // namespace sdk_sides

// ---- The names both sides must state alike ------------------------------------

// Numbers: error numbers, version limits, key-ID sizes and forms, property
// numbers, match kinds, orderings, iterator kinds, algorithms, line ends,
// export formats, preference numbers, open flags, event and analysis kinds,
// memory flags, text limits.
#define SDK_SIDES_CONSTANTS(X)                                                                          \
    X(kPGPError_NoErr) X(kPGPError_BadParams) X(kPGPError_OutOfMemory) X(kPGPError_FileNotFound)         \
    X(kPGPError_CantOpenFile) X(kPGPError_FilePermissions) X(kPGPError_UserAbort) X(kPGPError_ReadFailed) \
    X(kPGPError_WriteFailed) X(kPGPError_EmptyInput) X(kPGPError_PrefNotFound) X(kPGPError_EndOfIteration) \
    X(kPGPError_EngineNotLoaded) X(kPGPError_LogNotDelivered) X(kPGPError_SkipSection)                  \
    X(kPGPError_DetachedSignatureWithoutData) X(kPGPError_CantDecrypt) X(kPGPError_NeedPassphrase)       \
    X(kPGPError_NoSigningKey) X(kPGPError_UnknownPublicKeyAlgorithm) X(kPGPError_InvalidProperty)        \
    X(kPGPError_ItemNotFound)                                                                           \
    X(kPGPsdk7VersionBase) X(kPGPsdk65MinimumVersion) X(kPGPsdkVersionStringSize) X(kPGPsdkAPIVersion)   \
    X(kPGPKeyIDSize) X(kPGPKeyIDSize65) X(kPGPMaxKeyIDStringSize) X(kPGPKeyIDString_Abbreviated)         \
    X(kPGPKeyIDString_Full) X(kPGPKeyIDString65_Abbreviated) X(kPGPKeyIDString65_Full)                   \
    X(kPGPKeyProperty_IsSecret) X(kPGPKeyProperty_IsAxiomatic) X(kPGPKeyProperty_IsRevoked)              \
    X(kPGPKeyProperty_IsDisabled) X(kPGPKeyProperty_IsNotCorrupt) X(kPGPKeyProperty_IsExpired)           \
    X(kPGPKeyProperty_NeedsPassphrase) X(kPGPKeyProperty_HasUnverifiedRevocation)                        \
    X(kPGPKeyProperty_CanEncrypt) X(kPGPKeyProperty_CanDecrypt) X(kPGPKeyProperty_CanSign)               \
    X(kPGPKeyProperty_CanVerify) X(kPGPKeyProperty_IsEncryptionKey) X(kPGPKeyProperty_IsSigningKey)      \
    X(kPGPKeyProperty_IsSecretShared) X(kPGPKeyProperty_IsRevocable)                                     \
    X(kPGPKeyProperty_HasThirdPartyRevocation) X(kPGPKeyProperty_AlgorithmID) X(kPGPKeyProperty_Bits)    \
    X(kPGPKeyProperty_Trust) X(kPGPKeyProperty_Validity) X(kPGPKeyProperty_LockingAlgorithmID)           \
    X(kPGPKeyProperty_LockingBits) X(kPGPKeyProperty_Flags) X(kPGPKeyProperty_HashAlgorithmID)           \
    X(kPGPKeyProperty_Version) X(kPGPKeyProperty_Creation) X(kPGPKeyProperty_Expiration)                 \
    X(kPGPKeyProperty_Fingerprint) X(kPGPKeyProperty_KeyID) X(kPGPKeyProperty_PreferredAlgorithms)       \
    X(kPGPKeyProperty_PreferredKeyServer) X(kPGPSubKeyProperty_IsRevoked)                                \
    X(kPGPSubKeyProperty_IsNotCorrupt) X(kPGPSubKeyProperty_IsExpired)                                   \
    X(kPGPSubKeyProperty_NeedsPassphrase) X(kPGPSubKeyProperty_HasUnverifiedRevocation)                  \
    X(kPGPSubKeyProperty_IsRevocable) X(kPGPSubKeyProperty_HasThirdPartyRevocation)                      \
    X(kPGPSubKeyProperty_AlgorithmID) X(kPGPSubKeyProperty_Bits) X(kPGPSubKeyProperty_LockingAlgorithmID) \
    X(kPGPSubKeyProperty_LockingBits) X(kPGPSubKeyProperty_Version) X(kPGPSubKeyProperty_Flags)          \
    X(kPGPSubKeyProperty_Creation) X(kPGPSubKeyProperty_Expiration) X(kPGPSubKeyProperty_KeyID)          \
    X(kPGPUserIDProperty_IsAttribute) X(kPGPUserIDProperty_Validity) X(kPGPUserIDProperty_Confidence)    \
    X(kPGPUserIDProperty_AttributeType) X(kPGPUserIDProperty_Name) X(kPGPUserIDProperty_AttributeData)   \
    X(kPGPUserIDProperty_CommonName) X(kPGPUserIDProperty_EmailAddress) X(kPGPSigProperty_IsRevoked)     \
    X(kPGPSigProperty_IsNotCorrupt) X(kPGPSigProperty_IsTried) X(kPGPSigProperty_IsVerified)             \
    X(kPGPSigProperty_IsMySig) X(kPGPSigProperty_IsExportable) X(kPGPSigProperty_HasUnverifiedRevocation) \
    X(kPGPSigProperty_IsExpired) X(kPGPSigProperty_IsX509) X(kPGPSigProperty_AlgorithmID)                \
    X(kPGPSigProperty_TrustLevel) X(kPGPSigProperty_TrustValue) X(kPGPSigProperty_Creation)              \
    X(kPGPSigProperty_Expiration) X(kPGPSigProperty_KeyID) X(kPGPSigProperty_X509Certificate)            \
    X(kPGPMatchDefault) X(kPGPMatchEqual) X(kPGPMatchGreaterOrEqual) X(kPGPMatchSubString)               \
    X(kPGPMatchLessOrEqual) X(kPGPKeyOrdering_Invalid) X(kPGPKeyOrdering_Any) X(kPGPKeyOrdering_UserID)  \
    X(kPGPKeyOrdering_KeyID) X(kPGPKeyOrdering_Validity) X(kPGPKeyOrdering_Trust)                        \
    X(kPGPKeyOrdering_EncryptionKeySize) X(kPGPKeyOrdering_SigningKeySize) X(kPGPKeyOrdering_CreationDate) \
    X(kPGPKeyOrdering_ExpirationDate) X(kPGPKeyIter_Key) X(kPGPKeyIter_SubKey) X(kPGPKeyIter_UserID)     \
    X(kPGPKeyIter_Signature) X(kPGPPublicKeyAlgorithm_RSA) X(kPGPPublicKeyAlgorithm_RSAEncryptOnly)      \
    X(kPGPPublicKeyAlgorithm_RSASignOnly) X(kPGPPublicKeyAlgorithm_ElGamal) X(kPGPPublicKeyAlgorithm_DSA) \
    X(kPGPPublicKeyAlgorithm_DHDSS) X(kPGPHashAlgorithm_MD5) X(kPGPHashAlgorithm_SHA)                    \
    X(kPGPCipherAlgorithm_IDEA) X(kPGPCipherAlgorithm_3DES) X(kPGPCipherAlgorithm_CAST5)                 \
    X(kPGPLineEnd_Default) X(kPGPLineEnd_LF) X(kPGPLineEnd_CR) X(kPGPLineEnd_CRLF)                       \
    X(kPGPExportFormat_Basic) X(kPGPExportFormat_Complete) X(kPGPPrefMarginalIsInvalid)                  \
    X(kPGPPrefKeyServerList) X(kPGPPrefKeyServerEntrySize) X(kPGPPrefAllowedAlgorithms)                  \
    X(kPGPsdkPref_DefaultKeyID) X(kPGPsdkPref_PublicKeyring) X(kPGPsdkPref_PrivateKeyring)               \
    X(kPGPsdkPref_RandomSeedFile) X(kPGPsdkPref_GroupsFile) X(kPGPOpenKeyDBFileOptions_Mutable)          \
    X(kPGPOpenKeyRingOptions_Mutable) X(kPGPEvent_NullEvent) X(kPGPEvent_InitialEvent)                   \
    X(kPGPEvent_FinalEvent) X(kPGPEvent_ErrorEvent) X(kPGPEvent_WarningEvent) X(kPGPEvent_EntropyEvent)  \
    X(kPGPEvent_PassphraseEvent) X(kPGPEvent_InsertKeyEvent) X(kPGPEvent_AnalyzeEvent)                   \
    X(kPGPEvent_RecipientsEvent) X(kPGPEvent_KeyFoundEvent) X(kPGPEvent_OutputEvent)                     \
    X(kPGPEvent_SignatureEvent) X(kPGPEvent_BeginLexEvent) X(kPGPEvent_EndLexEvent)                      \
    X(kPGPEvent_RecursionEvent) X(kPGPEvent_DetachedSignatureEvent) X(kPGPEvent_KeyGenEvent)             \
    X(kPGPEvent_KeyServerEvent) X(kPGPEvent_KeyServerSignEvent) X(kPGPEvent_KeyServerTLSEvent)           \
    X(kPGPEvent_KeyServerIdleEvent) X(kPGPAnalyze_Encrypted) X(kPGPAnalyze_Signed)                       \
    X(kPGPAnalyze_DetachedSignature) X(kPGPAnalyze_Key) X(kPGPAnalyze_Unknown)                           \
    X(kPGPMemoryMgrFlags_None) X(kPGPMemoryMgrFlags_Clear) X(kPGPMaxGroupNameLength)                     \
    X(kPGPMaxGroupDescriptionLength) X(kPGPMIMESeparatorSize)

// Records: R(record) for its size and alignment, M(record, member) for the
// member's offset and size (a member of the event union as data.xxx).
#define SDK_SIDES_RECORDS(R, M)                                                                       \
    R(PGPKeyID) M(PGPKeyID, opaque)                                                                    \
    R(PGPEventNullData) M(PGPEventNullData, bytesWritten) M(PGPEventNullData, bytesTotal)              \
    R(PGPEventErrorData) M(PGPEventErrorData, error)                                                   \
    R(PGPEventWarningData) M(PGPEventWarningData, warning)                                             \
    R(PGPEventEntropyData) M(PGPEventEntropyData, entropyBitsNeeded)                                   \
    R(PGPEventPassphraseData) M(PGPEventPassphraseData, fConventional) M(PGPEventPassphraseData, keyset) \
    R(PGPEventAnalyzeData) M(PGPEventAnalyzeData, sectionType)                                         \
    R(PGPEventRecipientsData) M(PGPEventRecipientsData, recipientSet)                                  \
    M(PGPEventRecipientsData, conventionalPassphraseCount) M(PGPEventRecipientsData, keyCount)         \
    M(PGPEventRecipientsData, keyIDArray)                                                              \
    R(PGPEventKeyFoundData) M(PGPEventKeyFoundData, keySet) M(PGPEventKeyFoundData, keyDB)             \
    R(PGPEventOutputData) M(PGPEventOutputData, messageType) M(PGPEventOutputData, suggestedName)      \
    M(PGPEventOutputData, forYourEyesOnly)                                                             \
    R(PGPEventSignatureData) M(PGPEventSignatureData, signingKeyID) M(PGPEventSignatureData, signingKey) \
    M(PGPEventSignatureData, checked) M(PGPEventSignatureData, verified)                               \
    M(PGPEventSignatureData, keyRevoked) M(PGPEventSignatureData, keyDisabled)                         \
    M(PGPEventSignatureData, keyExpired) M(PGPEventSignatureData, keyMeetsValidityThreshold)           \
    M(PGPEventSignatureData, keyValidity) M(PGPEventSignatureData, creationTime)                       \
    R(PGPEventBeginLexData) M(PGPEventBeginLexData, sectionNumber) M(PGPEventBeginLexData, sectionOffset) \
    R(PGPEventEndLexData) M(PGPEventEndLexData, sectionNumber)                                         \
    R(PGPEventDetachedSignatureData) M(PGPEventDetachedSignatureData, reserved)                        \
    R(PGPEventKeyGenData) M(PGPEventKeyGenData, state)                                                 \
    R(PGPEventKeyServerData) M(PGPEventKeyServerData, keyServerRef) M(PGPEventKeyServerData, state)    \
    M(PGPEventKeyServerData, soFar) M(PGPEventKeyServerData, total)                                    \
    R(PGPEvent) M(PGPEvent, type) M(PGPEvent, job) M(PGPEvent, data)                                   \
    M(PGPEvent, data.nullData) M(PGPEvent, data.errorData) M(PGPEvent, data.warningData)               \
    M(PGPEvent, data.entropyData) M(PGPEvent, data.passphraseData) M(PGPEvent, data.analyzeData)       \
    M(PGPEvent, data.recipientsData) M(PGPEvent, data.keyFoundData) M(PGPEvent, data.outputData)       \
    M(PGPEvent, data.signatureData) M(PGPEvent, data.beginLexData) M(PGPEvent, data.endLexData)        \
    M(PGPEvent, data.detachedSigData) M(PGPEvent, data.keyGenData) M(PGPEvent, data.keyServerData)     \
    R(PGPNewMemoryMgrStruct) M(PGPNewMemoryMgrStruct, sizeofStruct) M(PGPNewMemoryMgrStruct, reservedFlags) \
    M(PGPNewMemoryMgrStruct, allocProc) M(PGPNewMemoryMgrStruct, deallocProc)                          \
    M(PGPNewMemoryMgrStruct, customValue)                                                              \
    R(PGPGroupItem) M(PGPGroupItem, type) M(PGPGroupItem, userValue) M(PGPGroupItem, groupID)          \
    M(PGPGroupItem, keyID) M(PGPGroupItem, algorithm)                                                  \
    R(PGPGroupInfo) M(PGPGroupInfo, id) M(PGPGroupInfo, name) M(PGPGroupInfo, description)             \
    M(PGPGroupInfo, userValue)

// Function types beside the loader's table: the release 6.5 forms the
// adapters call through, and the callbacks the engine calls.
#define SDK_SIDES_FUNCTION_TYPES(X)                                                                   \
    X(PFN65_PGPNewKeySet) X(PFN65_PGPNewEmptyKeySet) X(PFN65_PGPOrderKeySet) X(PFN65_PGPKeyIterRewind) \
    X(PFN65_PGPRevokeSig) X(PFN65_PGPGetIndexedAdditionalRecipientRequestKey)                          \
    X(PFN65_PGPGetSigCertifierKey) X(PFN65_PGPGetIndexedRevocationKey)                                 \
    X(PGPEventHandlerProcPtr) X(PGPMemoryMgrAllocationProc) X(PGPMemoryMgrDeallocationProc)            \
    X(PGPGroupItemCompareProc) X(PGPtlsReceiveProcPtr) X(PGPtlsSendProcPtr)

// Every family of the loader's table (engine/sdk_table.h), expanded with
// X(slot, exported name).
#define SDK_SIDES_TABLE(X)                                                                            \
    ORV_SDK_CORE_START(X) ORV_SDK_NETWORK(X) ORV_SDK_JOBS(X) ORV_SDK_KEYS_COMMON(X) ORV_SDK_KEYS_7(X)   \
    ORV_SDK_KEYS_65(X) ORV_SDK_KEY_OPTIONS(X) ORV_SDK_KEY_SERVER(X) ORV_SDK_MEMORY(X)                  \
    ORV_SDK_CLIENT_7(X) ORV_SDK_CLIENT_65(X) ORV_SDK_GROUPS(X) ORV_SDK_CONTEXT(X) ORV_SDK_OPTIONS(X)   \
    ORV_SDK_OPTIONS_7(X) ORV_SDK_OPTIONS_65(X) ORV_SDK_PREFS(X) ORV_SDK_UI(X) ORV_SDK_SUPPORT_7(X)     \
    ORV_SDK_SUPPORT_65(X)

// One side's facts, read with that side's declarations in scope.
#define SDK_SIDES_CONSTANT_FACT(name) side.constants[#name] = std::to_string(static_cast<long long>(name));
#define SDK_SIDES_RECORD_FACT(record) side.records[#record] = ::sdk_sides::RecordFact<record>();
#define SDK_SIDES_MEMBER_FACT(record, member)                                            \
    side.records[#record "." #member] =                                                 \
        ::sdk_sides::MemberFact(offsetof(record, member), sizeof(static_cast<record*>(nullptr)->member));
#define SDK_SIDES_ENTRY_FACT(slot, name) side.entryPoints[name] = ::sdk_sides::Signature<PFN_##slot>::Text();
#define SDK_SIDES_TYPE_FACT(type) side.types[#type] = ::sdk_sides::Signature<type>::Text();

#define SDK_SIDES_READ(side)                                                        \
    SDK_SIDES_CONSTANTS(SDK_SIDES_CONSTANT_FACT)                                     \
    SDK_SIDES_RECORDS(SDK_SIDES_RECORD_FACT, SDK_SIDES_MEMBER_FACT)                  \
    SDK_SIDES_TABLE(SDK_SIDES_ENTRY_FACT)                                            \
    SDK_SIDES_FUNCTION_TYPES(SDK_SIDES_TYPE_FACT)
