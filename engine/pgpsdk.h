/*
 * The PGP SDK as Orvane sees it: types, constants, event records and one
 * function-pointer type per entry point that the loader binds by name.
 *
 * Shared by the product and by the SDK stand-in (both MinGW, i686; the
 * stand-in's core also builds as Winelib), so it is plain C and includes only
 * <stdint.h>/<stddef.h>.
 * Nothing here is linked: the loader fills a table of these pointer types with
 * GetProcAddress. An engine library defines each function with exactly the
 * parameter list of its PFN_ type.
 *
 * Conventions that the engine and the product must agree on:
 *  - Calling convention: every function of the core, networking,
 *    user-interface and support libraries is __cdecl (PGP_CALL), and so is
 *    every event handler. The client library uses __stdcall (PGP_CLCALL) in
 *    both releases; release 7 exports its names decorated ("_PGPclInitLibrary@8",
 *    the number being the argument bytes), release 6.5 exports them plain.
 *  - All integers are 32-bit; there are no 64-bit members in any record and
 *    no record is returned by value, so the MinGW and Linux i386 ABIs agree.
 *  - Handles are opaque pointers; 0 is the invalid handle of every kind.
 *  - Results are PGPError: 0 success, negative error numbers otherwise.
 *  - A key ID is 36 bytes with release 7 and 34 bytes with release 6.5.
 *    PGPKeyID has room for 36; a release 6.5 engine uses its first 34 bytes.
 *    Key-ID arrays handed out by an engine (recipients event) are packed with
 *    the release's size as stride.
 *  - Buffers that an engine allocates for the caller (allocated output
 *    buffers, client preference data, secure data) are freed with PGPFreeData.
 *  - Option functions take the context first and return a new option list
 *    that the consuming call (PGPEncode, PGPDecode, PGPBuildOptionList,
 *    PGPAppendOptionList, PGPAddJobOptions, nesting option functions) takes
 *    over; every variable argument list of options ends with the list that
 *    PGPOLastOption returns. A null option list makes the consuming call fail
 *    with kPGPError_BadParams.
 */
#ifndef ORV_ENGINE_PGPSDK_H
#define ORV_ENGINE_PGPSDK_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define PGP_CALL __attribute__((__cdecl__))
#define PGP_CLCALL __attribute__((__stdcall__))
#else
#define PGP_CALL __cdecl
#define PGP_CLCALL __stdcall
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Scalar types ---------------------------------------------------- */

typedef int32_t PGPError;
typedef int32_t PGPInt32;
typedef uint32_t PGPUInt32;
typedef int16_t PGPInt16;
typedef uint16_t PGPUInt16;
typedef uint8_t PGPByte;
typedef uint8_t PGPBoolean; /* 0 or 1 */
typedef uint32_t PGPSize;
typedef uint32_t PGPFlags;
typedef uint32_t PGPTime; /* seconds since 1 January 1970, UTC */
typedef uint32_t PGPFileOffset;
typedef void* PGPUserValue;
typedef int32_t PGPValidity;          /* 0 unknown, 1 invalid, 2 marginal, 3 complete */
typedef int32_t PGPTrust;
typedef int32_t PGPKeyDBObjProperty;  /* property code, release 7 numbering */
typedef int32_t PGPKeyPropName;       /* property code, release 6.5 numbering */
typedef int32_t PGPMatchCriterion;
typedef int32_t PGPKeyOrdering;
typedef int32_t PGPPublicKeyAlgorithm;
typedef int32_t PGPHashAlgorithm;
typedef int32_t PGPCipherAlgorithm;
typedef int32_t PGPCompressionAlgorithm;
typedef int32_t PGPEventType;
typedef int32_t PGPAnalyzeType;
typedef int32_t PGPKeyIDStringType;
typedef int32_t PGPLineEndType;
typedef int32_t PGPLocalEncodingFlags;
typedef int32_t PGPExportFormat;
typedef int32_t PGPKeyServerProtocol;
typedef int32_t PGPKeyServerKeySpace;
typedef int32_t PGPKeyServerAccessType;
typedef int32_t PGPKeyServerState;
typedef int32_t PGPsdkPrefSelector;
typedef int32_t PGPPrefIndex;
typedef int32_t PGPGroupID;
typedef int32_t PGPGroupSortOrder;
typedef int32_t PGPtlsProtocolState;
typedef int32_t PGPtlsAlert;
typedef int32_t PGPtlsCipherSuiteNum;
typedef int32_t PGPtlsPrime;
typedef int32_t PGPKeyIterKind; /* 1 key, 2 subkey, 4 user ID, 8 signature */
typedef void* PGPWindowRef; /* HWND of the owner window */

/* ---- Opaque handles --------------------------------------------------- */

typedef struct PGPContext* PGPContextRef;
typedef struct PGPMemoryMgr* PGPMemoryMgrRef;
typedef struct PGPKeyDB* PGPKeyDBRef;
typedef struct PGPKeySet* PGPKeySetRef;
/* Keys, subkeys, user IDs and signatures: one object kind with release 7;
   the release 6.5 kinds are the same handles under their older names. */
typedef struct PGPKeyDBObj* PGPKeyDBObjRef;
typedef PGPKeyDBObjRef PGPKeyRef;
typedef PGPKeyDBObjRef PGPSubKeyRef;
typedef PGPKeyDBObjRef PGPUserIDRef;
typedef PGPKeyDBObjRef PGPSigRef;
typedef struct PGPKeyList* PGPKeyListRef;
typedef struct PGPKeyIter* PGPKeyIterRef;
typedef struct PGPFilter* PGPFilterRef;
typedef struct PGPOptionList* PGPOptionListRef;
typedef struct PGPFileSpec* PGPFileSpecRef;
typedef struct PGPJob* PGPJobRef;
typedef struct PGPGroupSet* PGPGroupSetRef;
typedef struct PGPGroupItemIter* PGPGroupItemIterRef;
typedef struct PGPKeyServer* PGPKeyServerRef;
typedef struct PGPKeyServerThreadStorage* PGPKeyServerThreadStorageRef;
typedef struct PGPtlsContext* PGPtlsContextRef;
typedef struct PGPtlsSession* PGPtlsSessionRef;
typedef struct PGPPref* PGPPrefRef;              /* client library preferences */
typedef struct PGPscFileList* PGPscFileListRef;  /* support library file list */

/* ---- Error numbers used by the system --------------------------------- */

enum {
    kPGPError_NoErr = 0,
    kPGPError_BadParams = -12000,
    kPGPError_OutOfMemory = -11999,
    kPGPError_FileNotFound = -11997,
    kPGPError_CantOpenFile = -11996,
    kPGPError_FilePermissions = -11995, /* never shown to the user */
    kPGPError_UserAbort = -11987, /* a dialog was cancelled */
    kPGPError_ReadFailed = -11990,
    kPGPError_WriteFailed = -11989,
    kPGPError_EmptyInput = -11984,
    kPGPError_PrefNotFound = -11979,
    kPGPError_EndOfIteration = -11978, /* also: an iterator kind the release lacks */
    kPGPError_EngineNotLoaded = -11977, /* also: an entry point the engine lacks */
    kPGPError_LogNotDelivered = -11975,
    kPGPError_SkipSection = -11475,
    kPGPError_DetachedSignatureWithoutData = -11478,
    kPGPError_CantDecrypt = -11411, /* "Cannot decrypt message" */
    kPGPError_NeedPassphrase = -11489,
    kPGPError_NoSigningKey = -11492,
    kPGPError_UnknownPublicKeyAlgorithm = -11347,
    kPGPError_InvalidProperty = -11318, /* "Invalid property name" */
    kPGPError_ItemNotFound = -10988
};

/* ---- Versions ---------------------------------------------------------- */

/* The version function returns a value and writes one. A return value of
   kPGPsdk7VersionBase or more (signed) means the release 7 interface; else
   the out value must be at least kPGPsdk65MinimumVersion. */
enum {
    kPGPsdk7VersionBase = 0x02000000,
    kPGPsdk65MinimumVersion = 0x03002000
};
enum { kPGPsdkVersionStringSize = 256 };

/* ---- Key IDs ----------------------------------------------------------- */

enum {
    kPGPKeyIDSize = 36,   /* release 7 */
    kPGPKeyIDSize65 = 34, /* release 6.5 */
    kPGPMaxKeyIDStringSize = 128
};
typedef struct PGPKeyID {
    PGPByte opaque[kPGPKeyIDSize];
} PGPKeyID;

/* Text forms of PGPGetKeyIDString: "0x" + 8 hex digits (abbreviated) or
   "0x" + 16 hex digits (full). */
enum {
    kPGPKeyIDString_Abbreviated = 1,   /* release 7 */
    kPGPKeyIDString_Full = 2,          /* release 7 */
    kPGPKeyIDString65_Abbreviated = 2, /* release 6.5 */
    kPGPKeyIDString65_Full = 3         /* release 6.5 */
};

/* ---- Property codes (release 7 numbers) -------------------------------- */

enum {
    /* key booleans 100-116 */
    kPGPKeyProperty_IsSecret = 100,
    kPGPKeyProperty_IsAxiomatic = 101,
    kPGPKeyProperty_IsRevoked = 102,
    kPGPKeyProperty_IsDisabled = 103,
    kPGPKeyProperty_IsNotCorrupt = 104,
    kPGPKeyProperty_IsExpired = 105,
    kPGPKeyProperty_NeedsPassphrase = 106,
    kPGPKeyProperty_HasUnverifiedRevocation = 107,
    kPGPKeyProperty_CanEncrypt = 108,
    kPGPKeyProperty_CanDecrypt = 109,
    kPGPKeyProperty_CanSign = 110,
    kPGPKeyProperty_CanVerify = 111,
    kPGPKeyProperty_IsEncryptionKey = 112,
    kPGPKeyProperty_IsSigningKey = 113,
    kPGPKeyProperty_IsSecretShared = 114,
    kPGPKeyProperty_IsRevocable = 115,
    kPGPKeyProperty_HasThirdPartyRevocation = 116,
    /* key numbers 200-208 (207: hash algorithm; 208: release 7 only) */
    kPGPKeyProperty_AlgorithmID = 200,
    kPGPKeyProperty_Bits = 201,
    kPGPKeyProperty_Trust = 202,
    kPGPKeyProperty_Validity = 203,
    kPGPKeyProperty_LockingAlgorithmID = 204,
    kPGPKeyProperty_LockingBits = 205,
    kPGPKeyProperty_Flags = 206,
    kPGPKeyProperty_HashAlgorithmID = 207,
    kPGPKeyProperty_Version = 208,
    /* key times */
    kPGPKeyProperty_Creation = 300,
    kPGPKeyProperty_Expiration = 301,
    /* key data */
    kPGPKeyProperty_Fingerprint = 401,
    kPGPKeyProperty_KeyID = 402,
    kPGPKeyProperty_PreferredAlgorithms = 403,
    kPGPKeyProperty_PreferredKeyServer = 404,
    /* subkey booleans 501-507 */
    kPGPSubKeyProperty_IsRevoked = 501,
    kPGPSubKeyProperty_IsNotCorrupt = 502,
    kPGPSubKeyProperty_IsExpired = 503,
    kPGPSubKeyProperty_NeedsPassphrase = 504,
    kPGPSubKeyProperty_HasUnverifiedRevocation = 505,
    kPGPSubKeyProperty_IsRevocable = 506,
    kPGPSubKeyProperty_HasThirdPartyRevocation = 507,
    /* subkey numbers 600-605 */
    kPGPSubKeyProperty_AlgorithmID = 600,
    kPGPSubKeyProperty_Bits = 601,
    kPGPSubKeyProperty_LockingAlgorithmID = 602,
    kPGPSubKeyProperty_LockingBits = 603,
    kPGPSubKeyProperty_Version = 604,
    kPGPSubKeyProperty_Flags = 605,
    /* subkey times */
    kPGPSubKeyProperty_Creation = 700,
    kPGPSubKeyProperty_Expiration = 701,
    /* subkey data */
    kPGPSubKeyProperty_KeyID = 801,
    /* user IDs */
    kPGPUserIDProperty_IsAttribute = 900,
    kPGPUserIDProperty_Validity = 1000,
    kPGPUserIDProperty_Confidence = 1001,
    kPGPUserIDProperty_AttributeType = 1002,
    kPGPUserIDProperty_Name = 1200,
    kPGPUserIDProperty_AttributeData = 1201,
    kPGPUserIDProperty_CommonName = 1202,
    kPGPUserIDProperty_EmailAddress = 1203,
    /* signature booleans 1300-1308 */
    kPGPSigProperty_IsRevoked = 1300,
    kPGPSigProperty_IsNotCorrupt = 1301,
    kPGPSigProperty_IsTried = 1302,
    kPGPSigProperty_IsVerified = 1303,
    kPGPSigProperty_IsMySig = 1304,
    kPGPSigProperty_IsExportable = 1305,
    kPGPSigProperty_HasUnverifiedRevocation = 1306,
    kPGPSigProperty_IsExpired = 1307,
    kPGPSigProperty_IsX509 = 1308,
    /* signature numbers, times, data */
    kPGPSigProperty_AlgorithmID = 1400,
    kPGPSigProperty_TrustLevel = 1401,
    kPGPSigProperty_TrustValue = 1402,
    kPGPSigProperty_Creation = 1500,
    kPGPSigProperty_Expiration = 1501,
    kPGPSigProperty_KeyID = 1600,
    kPGPSigProperty_X509Certificate = 1601
};

/* Match kinds of numeric and data filters. */
enum {
    kPGPMatchDefault = 1,
    kPGPMatchEqual = 2,
    kPGPMatchGreaterOrEqual = 3,
    kPGPMatchSubString = 4, /* data filters: the value occurs in the property */
    kPGPMatchLessOrEqual = 5
};

/* Key orderings (release 7 form; reverse is a separate argument). */
enum {
    kPGPKeyOrdering_Invalid = 0,
    kPGPKeyOrdering_Any = 1,
    kPGPKeyOrdering_UserID = 2,
    kPGPKeyOrdering_KeyID = 3,
    kPGPKeyOrdering_Validity = 4,
    kPGPKeyOrdering_Trust = 5,
    kPGPKeyOrdering_EncryptionKeySize = 6,
    kPGPKeyOrdering_SigningKeySize = 7,
    kPGPKeyOrdering_CreationDate = 8,
    kPGPKeyOrdering_ExpirationDate = 9
};

/* Iterator kinds. */
enum {
    kPGPKeyIter_Key = 1,
    kPGPKeyIter_SubKey = 2,
    kPGPKeyIter_UserID = 4,
    kPGPKeyIter_Signature = 8
};

/* Public-key and hash algorithms. */
enum {
    kPGPPublicKeyAlgorithm_RSA = 1,
    kPGPPublicKeyAlgorithm_RSAEncryptOnly = 2,
    kPGPPublicKeyAlgorithm_RSASignOnly = 3,
    kPGPPublicKeyAlgorithm_ElGamal = 16,
    kPGPPublicKeyAlgorithm_DSA = 17,
    kPGPPublicKeyAlgorithm_DHDSS = 18,
    kPGPHashAlgorithm_MD5 = 1,
    kPGPHashAlgorithm_SHA = 2,
    kPGPCipherAlgorithm_IDEA = 1,
    kPGPCipherAlgorithm_3DES = 2,
    kPGPCipherAlgorithm_CAST5 = 3
};

/* Line ends (PGPOOutputLineEndType), export formats, client preferences. */
enum {
    kPGPLineEnd_Default = 0,
    kPGPLineEnd_LF = 1,
    kPGPLineEnd_CR = 2,
    kPGPLineEnd_CRLF = 3,
    kPGPExportFormat_Basic = 1,
    kPGPExportFormat_Complete = 2,
    kPGPPrefMarginalIsInvalid = 10,     /* client boolean preference */
    kPGPPrefKeyServerList = 604,        /* client data preference */
    kPGPPrefKeyServerEntrySize = 724,   /* bytes per entry of 604 */
    kPGPPrefAllowedAlgorithms = 608     /* client data preference */
};

/* Core preference selectors (release 6.5, PGPsdkPref...). */
enum {
    kPGPsdkPref_DefaultKeyID = 3,
    kPGPsdkPref_PublicKeyring = 5,
    kPGPsdkPref_PrivateKeyring = 6,
    kPGPsdkPref_RandomSeedFile = 7,
    kPGPsdkPref_GroupsFile = 8
};

/* Flags of PGPOpenKeyDBFile (release 7) and PGPOpenKeyRingPair (6.5). */
enum {
    kPGPOpenKeyDBFileOptions_Mutable = 1,
    kPGPOpenKeyRingOptions_Mutable = 2
};

/* Client version value handed to PGPNewContext. */
enum { kPGPsdkAPIVersion = 0x01000000 };

/* ---- Events ------------------------------------------------------------ */

enum {
    kPGPEvent_NullEvent = 0, /* progress */
    kPGPEvent_InitialEvent = 1,
    kPGPEvent_FinalEvent = 2,
    kPGPEvent_ErrorEvent = 3,
    kPGPEvent_WarningEvent = 4,
    kPGPEvent_EntropyEvent = 5,
    kPGPEvent_PassphraseEvent = 6,
    kPGPEvent_InsertKeyEvent = 7,
    kPGPEvent_AnalyzeEvent = 8,
    kPGPEvent_RecipientsEvent = 9,
    kPGPEvent_KeyFoundEvent = 10,
    kPGPEvent_OutputEvent = 11,
    kPGPEvent_SignatureEvent = 12,
    kPGPEvent_BeginLexEvent = 13,
    kPGPEvent_EndLexEvent = 14,
    kPGPEvent_RecursionEvent = 15,
    kPGPEvent_DetachedSignatureEvent = 16,
    kPGPEvent_KeyGenEvent = 17,
    kPGPEvent_KeyServerEvent = 18,
    kPGPEvent_KeyServerSignEvent = 19,
    kPGPEvent_KeyServerTLSEvent = 20,
    kPGPEvent_KeyServerIdleEvent = 21
};

/* Analysis kinds of the analyze event. */
enum {
    kPGPAnalyze_Encrypted = 0,
    kPGPAnalyze_Signed = 1,
    kPGPAnalyze_DetachedSignature = 2,
    kPGPAnalyze_Key = 3,
    kPGPAnalyze_Unknown = 4 /* not PGP data */
};

typedef struct PGPEventNullData {
    PGPFileOffset bytesWritten;
    PGPFileOffset bytesTotal;
} PGPEventNullData;

typedef struct PGPEventErrorData {
    PGPError error;
} PGPEventErrorData;

typedef struct PGPEventWarningData {
    PGPError warning;
} PGPEventWarningData;

typedef struct PGPEventEntropyData {
    PGPUInt32 entropyBitsNeeded;
} PGPEventEntropyData;

typedef struct PGPEventPassphraseData {
    PGPBoolean fConventional; /* symmetric decryption rather than a private key */
    PGPByte reserved[3];
    PGPKeySetRef keyset;      /* keys that could decrypt, may be 0 */
} PGPEventPassphraseData;

typedef struct PGPEventAnalyzeData {
    PGPAnalyzeType sectionType; /* kPGPAnalyze_... */
} PGPEventAnalyzeData;

/* keyIDArray: keyCount key IDs packed with the release's key-ID size. The
   set and the array belong to the engine for the duration of the event. */
typedef struct PGPEventRecipientsData {
    PGPKeySetRef recipientSet;
    PGPUInt32 conventionalPassphraseCount;
    PGPUInt32 keyCount;
    const PGPByte* keyIDArray;
} PGPEventRecipientsData;

/* Release 7 hands over a key database (keySet is its root set, not a
   separate reference); release 6.5 hands over a key set and keyDB is 0.
   The handler frees the key database (7) or the key set (6.5). */
typedef struct PGPEventKeyFoundData {
    PGPKeySetRef keySet;
    PGPKeyDBRef keyDB;
} PGPEventKeyFoundData;

typedef struct PGPEventOutputData {
    PGPUInt32 messageType;
    const char* suggestedName; /* may be 0 */
    PGPBoolean forYourEyesOnly;
    PGPByte reserved[3];
} PGPEventOutputData;

/* signingKey is 0 when the signer's key is not on the key rings; signingKeyID
   holds the signer's key ID in every case. */
typedef struct PGPEventSignatureData {
    PGPKeyID signingKeyID;
    PGPKeyDBObjRef signingKey;
    PGPBoolean checked;
    PGPBoolean verified;
    PGPBoolean keyRevoked;
    PGPBoolean keyDisabled;
    PGPBoolean keyExpired;
    PGPBoolean keyMeetsValidityThreshold;
    PGPByte reserved[2];
    PGPValidity keyValidity;
    PGPTime creationTime;
} PGPEventSignatureData;

/* sectionNumber counts from 0. */
typedef struct PGPEventBeginLexData {
    PGPUInt32 sectionNumber;
    PGPSize sectionOffset;
} PGPEventBeginLexData;

typedef struct PGPEventEndLexData {
    PGPUInt32 sectionNumber;
} PGPEventEndLexData;

typedef struct PGPEventDetachedSignatureData {
    PGPUInt32 reserved;
} PGPEventDetachedSignatureData;

typedef struct PGPEventKeyGenData {
    PGPUInt32 state;
} PGPEventKeyGenData;

typedef struct PGPEventKeyServerData {
    PGPKeyServerRef keyServerRef;
    PGPKeyServerState state;
    PGPUInt32 soFar;
    PGPUInt32 total;
} PGPEventKeyServerData;

typedef struct PGPEvent {
    PGPEventType type;
    PGPJobRef job; /* handed to PGPAddJobOptions */
    union {
        PGPEventNullData nullData;
        PGPEventErrorData errorData;
        PGPEventWarningData warningData;
        PGPEventEntropyData entropyData;
        PGPEventPassphraseData passphraseData;
        PGPEventAnalyzeData analyzeData;
        PGPEventRecipientsData recipientsData;
        PGPEventKeyFoundData keyFoundData;
        PGPEventOutputData outputData;
        PGPEventSignatureData signatureData;
        PGPEventBeginLexData beginLexData;
        PGPEventEndLexData endLexData;
        PGPEventDetachedSignatureData detachedSigData;
        PGPEventKeyGenData keyGenData;
        PGPEventKeyServerData keyServerData;
    } data;
} PGPEvent;

/* The handler's result goes back to the engine: 0 goes on, an error number
   ends the job with that number. */
typedef PGPError(PGP_CALL* PGPEventHandlerProcPtr)(PGPContextRef context, PGPEvent* event,
                                                    PGPUserValue userValue);

/* ---- Entry points: core start and version ------------------------------ */

typedef PGPError(PGP_CALL* PFN_PGPsdkInit)(PGPFlags options);
typedef PGPError(PGP_CALL* PFN_PGPsdkCleanup)(void);
/* PGPGetSDKVersion and PGPGetPGPsdkVersion: see kPGPsdk7VersionBase. */
typedef PGPInt32(PGP_CALL* PFN_PGPGetSDKVersion)(PGPUInt32* outVersion);
typedef PFN_PGPGetSDKVersion PFN_PGPGetPGPsdkVersion;
/* Both write a zero-terminated text of at most 255 characters. */
typedef PGPError(PGP_CALL* PFN_PGPGetPGPsdkVersionString)(char versionString[kPGPsdkVersionStringSize]);
typedef PFN_PGPGetPGPsdkVersionString PFN_PGPGetSDKString;

/* ---- Networking library ------------------------------------------------ */

typedef int32_t(PGP_CALL* PGPtlsReceiveProcPtr)(void* userValue, void* buffer, PGPInt32 size);
typedef int32_t(PGP_CALL* PGPtlsSendProcPtr)(void* userValue, const void* buffer, PGPInt32 size);

typedef PGPError(PGP_CALL* PFN_PGPsdkNetworkLibInit)(PGPFlags options);
typedef PGPError(PGP_CALL* PFN_PGPsdkNetworkLibCleanup)(void);
typedef PGPError(PGP_CALL* PFN_PGPNewTLSContext)(PGPContextRef context, PGPtlsContextRef* outRef);
typedef PGPError(PGP_CALL* PFN_PGPFreeTLSContext)(PGPtlsContextRef ref);
typedef PGPError(PGP_CALL* PFN_PGPtlsSetCache)(PGPtlsContextRef ref, PGPBoolean useCache);
typedef PGPError(PGP_CALL* PFN_PGPtlsClearCache)(PGPtlsContextRef ref);
typedef PGPError(PGP_CALL* PFN_PGPNewTLSSession)(PGPtlsContextRef ref, PGPtlsSessionRef* outRef);
typedef PGPError(PGP_CALL* PFN_PGPFreeTLSSession)(PGPtlsSessionRef ref);
typedef PGPError(PGP_CALL* PFN_PGPCopyTLSSession)(PGPtlsSessionRef ref, PGPtlsSessionRef* outRef);
typedef PGPError(PGP_CALL* PFN_PGPtlsSetProtocolOptions)(PGPtlsSessionRef ref, PGPFlags options);
typedef PGPError(PGP_CALL* PFN_PGPtlsClose)(PGPtlsSessionRef ref, PGPBoolean dontCache);
typedef PGPError(PGP_CALL* PFN_PGPtlsHandshake)(PGPtlsSessionRef ref);
typedef PGPError(PGP_CALL* PFN_PGPtlsSetRemoteUniqueID)(PGPtlsSessionRef ref, PGPUInt32 remoteID);
typedef PGPError(PGP_CALL* PFN_PGPtlsSetPreferredCipherSuite)(PGPtlsSessionRef ref, PGPtlsCipherSuiteNum suite);
typedef PGPError(PGP_CALL* PFN_PGPtlsSetDHPrime)(PGPtlsSessionRef ref, PGPtlsPrime prime);
typedef PGPError(PGP_CALL* PFN_PGPtlsGetNegotiatedCipherSuite)(PGPtlsSessionRef ref, PGPtlsCipherSuiteNum* outSuite);
typedef PGPError(PGP_CALL* PFN_PGPtlsGetState)(PGPtlsSessionRef ref, PGPtlsProtocolState* outState);
typedef PGPError(PGP_CALL* PFN_PGPtlsReceive)(PGPtlsSessionRef ref, void* buffer, PGPSize* bufferSize);
typedef PGPError(PGP_CALL* PFN_PGPtlsSend)(PGPtlsSessionRef ref, const void* buffer, PGPSize size);
typedef PGPError(PGP_CALL* PFN_PGPtlsSetReceiveCallback)(PGPtlsSessionRef ref, PGPtlsReceiveProcPtr proc, void* userValue);
typedef PGPError(PGP_CALL* PFN_PGPtlsSetSendCallback)(PGPtlsSessionRef ref, PGPtlsSendProcPtr proc, void* userValue);
typedef PGPError(PGP_CALL* PFN_PGPtlsSendQueueIdle)(PGPtlsSessionRef ref);
typedef PGPSize(PGP_CALL* PFN_PGPtlsReceiveBufferSize)(PGPtlsSessionRef ref);
typedef PGPError(PGP_CALL* PFN_PGPtlsGetAlert)(PGPtlsSessionRef ref, PGPtlsAlert* outAlert);

/* ---- Jobs -------------------------------------------------------------- */

typedef PGPError(PGP_CALL* PFN_PGPEncode)(PGPContextRef context, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPDecode)(PGPContextRef context, PGPOptionListRef firstOption, ...);

/* ---- Keys, release 7 ---------------------------------------------------- */

typedef PGPError(PGP_CALL* PFN_PGPNewKeyDB)(PGPContextRef context, PGPKeyDBRef* outKeyDB);
typedef PGPError(PGP_CALL* PFN_PGPOpenKeyDBFile)(PGPContextRef context, PGPFlags openFlags, PGPFileSpecRef pubFile,
                                                 PGPFileSpecRef privFile, PGPKeyDBRef* outKeyDB);
typedef PGPError(PGP_CALL* PFN_PGPFreeKeyDB)(PGPKeyDBRef keyDB);
typedef PGPError(PGP_CALL* PFN_PGPFlushKeyDB)(PGPKeyDBRef keyDB);
typedef PGPError(PGP_CALL* PFN_PGPIncKeyDBRefCount)(PGPKeyDBRef keyDB);
typedef PGPBoolean(PGP_CALL* PFN_PGPKeyDBIsMutable)(PGPKeyDBRef keyDB);
typedef PGPBoolean(PGP_CALL* PFN_PGPKeyDBIsUpdated)(PGPKeyDBRef keyDB);
typedef PGPError(PGP_CALL* PFN_PGPCountKeysInKeyDB)(PGPKeyDBRef keyDB, PGPUInt32* outCount);
typedef PGPKeySetRef(PGP_CALL* PFN_PGPPeekKeyDBRootKeySet)(PGPKeyDBRef keyDB);
typedef PGPKeyDBRef(PGP_CALL* PFN_PGPPeekKeySetKeyDB)(PGPKeySetRef keySet);
/* PGPNewKeySet, PGPNewEmptyKeySet: release 7 forms; release 6.5 forms below. */
typedef PGPError(PGP_CALL* PFN_PGPNewKeySet)(PGPKeyDBRef keyDB, PGPKeySetRef* outKeySet);
typedef PGPError(PGP_CALL* PFN_PGPNewEmptyKeySet)(PGPKeyDBRef keyDB, PGPKeySetRef* outKeySet);
typedef PGPError(PGP_CALL* PFN_PGPNewOneKeySet)(PGPKeyDBObjRef key, PGPKeySetRef* outKeySet);
typedef PGPError(PGP_CALL* PFN_PGPIncKeySetRefCount)(PGPKeySetRef keySet);
typedef PGPError(PGP_CALL* PFN_PGPFreeKeySet)(PGPKeySetRef keySet);
typedef PGPError(PGP_CALL* PFN_PGPImport)(PGPContextRef context, PGPKeyDBRef* outImportedKeys,
                                          PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPExport)(PGPContextRef context, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPCopyKeys)(PGPKeySetRef keysToCopy, PGPKeyDBRef destKeyDB, PGPKeySetRef* outNewKeys);
/* PGPAddKeys: (keys to add, destination set), both releases. */
typedef PGPError(PGP_CALL* PFN_PGPAddKeys)(PGPKeySetRef keysToAdd, PGPKeySetRef destKeySet);
typedef PGPError(PGP_CALL* PFN_PGPDeleteKeys)(PGPKeySetRef keysToDelete);
typedef PGPError(PGP_CALL* PFN_PGPCountKeys)(PGPKeySetRef keySet, PGPUInt32* outCount);
typedef PGPBoolean(PGP_CALL* PFN_PGPKeySetIsMember)(PGPKeyDBObjRef key, PGPKeySetRef keySet);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyDBObjBooleanFilter)(PGPContextRef context, PGPKeyDBObjProperty property,
                                                            PGPBoolean match, PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyDBObjNumericFilter)(PGPContextRef context, PGPKeyDBObjProperty property,
                                                            PGPUInt32 value, PGPMatchCriterion match,
                                                            PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyDBObjTimeFilter)(PGPContextRef context, PGPKeyDBObjProperty property,
                                                         PGPTime value, PGPMatchCriterion match,
                                                         PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyDBObjDataFilter)(PGPContextRef context, PGPKeyDBObjProperty property,
                                                         const void* data, PGPSize length, PGPMatchCriterion match,
                                                         PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPIncFilterRefCount)(PGPFilterRef filter);
typedef PGPError(PGP_CALL* PFN_PGPNegateFilter)(PGPFilterRef filter, PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPIntersectFilters)(PGPFilterRef filter1, PGPFilterRef filter2, PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPUnionFilters)(PGPFilterRef filter1, PGPFilterRef filter2, PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPFreeFilter)(PGPFilterRef filter);
typedef PGPError(PGP_CALL* PFN_PGPFilterKeySet)(PGPKeySetRef keySet, PGPFilterRef filter, PGPKeySetRef* outKeySet);
/* PGPOrderKeySet: release 7 form; release 6.5 form below. */
typedef PGPError(PGP_CALL* PFN_PGPOrderKeySet)(PGPKeySetRef keySet, PGPKeyOrdering order, PGPBoolean reverseOrder,
                                               PGPKeyListRef* outKeyList);
typedef PGPError(PGP_CALL* PFN_PGPIncKeyListRefCount)(PGPKeyListRef keyList);
typedef PGPError(PGP_CALL* PFN_PGPFreeKeyList)(PGPKeyListRef keyList);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyIter)(PGPKeyListRef keyList, PGPKeyIterRef* outIter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyIterFromKeySet)(PGPKeySetRef keySet, PGPKeyIterRef* outIter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyIterFromKeyDB)(PGPKeyDBRef keyDB, PGPKeyIterRef* outIter);
typedef PGPError(PGP_CALL* PFN_PGPCopyKeyIter)(PGPKeyIterRef iter, PGPKeyIterRef* outIter);
typedef PGPError(PGP_CALL* PFN_PGPFreeKeyIter)(PGPKeyIterRef iter);
typedef PGPInt32(PGP_CALL* PFN_PGPKeyIterIndex)(PGPKeyIterRef iter);
typedef PGPError(PGP_CALL* PFN_PGPKeyIterGetKeyDBObj)(PGPKeyIterRef iter, PGPKeyIterKind kind, PGPKeyDBObjRef* outObj);
typedef PGPError(PGP_CALL* PFN_PGPKeyIterMove)(PGPKeyIterRef iter, PGPInt32 relOffset, PGPKeyDBObjRef* outKey);
typedef PGPInt32(PGP_CALL* PFN_PGPKeyIterSeek)(PGPKeyIterRef iter, PGPKeyDBObjRef key);
typedef PGPError(PGP_CALL* PFN_PGPKeyIterNextKeyDBObj)(PGPKeyIterRef iter, PGPKeyIterKind kind, PGPKeyDBObjRef* outObj);
typedef PGPError(PGP_CALL* PFN_PGPKeyIterPrevKeyDBObj)(PGPKeyIterRef iter, PGPKeyIterKind kind, PGPKeyDBObjRef* outObj);
/* PGPKeyIterRewind: release 7 form; release 6.5 form below. */
typedef PGPError(PGP_CALL* PFN_PGPKeyIterRewind)(PGPKeyIterRef iter, PGPKeyIterKind kind);
typedef PGPError(PGP_CALL* PFN_PGPGenerateKey)(PGPContextRef context, PGPKeyDBObjRef* outKey,
                                               PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPGenerateSubKey)(PGPContextRef context, PGPKeyDBObjRef* outSubKey,
                                                  PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPChangePassphrase)(PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPSetKeyEnabled)(PGPKeyDBObjRef key, PGPBoolean enable);
typedef PGPError(PGP_CALL* PFN_PGPRevoke)(PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPSetKeyAxiomatic)(PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...);
typedef PGPInt32(PGP_CALL* PFN_PGPCompareKeys)(PGPKeyDBObjRef key1, PGPKeyDBObjRef key2, PGPKeyOrdering order);
typedef PGPError(PGP_CALL* PFN_PGPDeleteKeyDBObj)(PGPKeyDBObjRef obj);
typedef PGPError(PGP_CALL* PFN_PGPAddUserID)(PGPKeyDBObjRef key, const char* userID, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPSetPrimaryUserID)(PGPUserIDRef userID, PGPOptionListRef firstOption, ...);
typedef PGPInt32(PGP_CALL* PFN_PGPCompareUserIDStrings)(const char* a, const char* b);
typedef PGPError(PGP_CALL* PFN_PGPCertifyUserID)(PGPUserIDRef userID, PGPKeyDBObjRef certifyingKey,
                                                 PGPOptionListRef firstOption, ...);
/* PGPRevokeSig: release 7 form; release 6.5 form below. */
typedef PGPError(PGP_CALL* PFN_PGPRevokeSig)(PGPSigRef sig, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPCountAdditionalRecipientRequests)(PGPKeyDBObjRef key, PGPUInt32* outCount);
/* Indexed requests and revocation keys: release 7 forms; 6.5 forms below.
   outClass receives the request's class (0x80 = required). */
typedef PGPError(PGP_CALL* PFN_PGPGetIndexedAdditionalRecipientRequestKey)(PGPKeyDBObjRef key, PGPUInt32 index,
                                                                           PGPKeyDBObjRef* outKey,
                                                                           PGPKeyID* outKeyID, PGPByte* outClass);
/* PGPGetSigCertifierKey: release 7 form; release 6.5 form below. */
typedef PGPError(PGP_CALL* PFN_PGPGetSigCertifierKey)(PGPSigRef sig, PGPKeyDBObjRef* outKey);
typedef PGPError(PGP_CALL* PFN_PGPCountRevocationKeys)(PGPKeyDBObjRef key, PGPUInt32* outCount);
typedef PGPError(PGP_CALL* PFN_PGPGetIndexedRevocationKey)(PGPKeyDBObjRef key, PGPUInt32 index,
                                                           PGPKeyDBObjRef* outKey, PGPKeyID* outKeyID);
typedef PGPUInt32(PGP_CALL* PFN_PGPGetKeyEntropyNeeded)(PGPContextRef context, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyPasskeyBuffer)(PGPKeyDBObjRef key, void* passkeyBuffer,
                                                       PGPOptionListRef firstOption, ...);
typedef PGPBoolean(PGP_CALL* PFN_PGPPassphraseIsValid)(PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyDBObjBooleanProperty)(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property,
                                                              PGPBoolean* outValue);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyDBObjNumericProperty)(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property,
                                                              PGPInt32* outValue);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyDBObjTimeProperty)(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property,
                                                           PGPTime* outValue);
/* Writes at most bufferSize bytes; outLength receives the full size. */
typedef PGPError(PGP_CALL* PFN_PGPGetKeyDBObjDataProperty)(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property,
                                                           void* buffer, PGPSize bufferSize, PGPSize* outLength);
typedef PGPError(PGP_CALL* PFN_PGPGetPrimaryUserID)(PGPKeyDBObjRef key, PGPUserIDRef* outUserID);
typedef PGPError(PGP_CALL* PFN_PGPGetPrimaryUserIDName)(PGPKeyDBObjRef key, char* buffer, PGPSize bufferSize,
                                                        PGPSize* outLength);
typedef PGPError(PGP_CALL* PFN_PGPGetPrimaryUserIDValidity)(PGPKeyDBObjRef key, PGPValidity* outValidity);
typedef PGPError(PGP_CALL* PFN_PGPFindKeyByKeyID)(PGPKeyDBRef keyDB, const PGPKeyID* keyID, PGPKeyDBObjRef* outKey);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyIDString)(const PGPKeyID* keyID, PGPKeyIDStringType type,
                                                  char outString[kPGPMaxKeyIDStringSize]);
/* kind: 0 any, 1 key, 2 subkey. */
typedef PGPError(PGP_CALL* PFN_PGPNewKeyIDFromString)(const char* string, PGPInt32 kind, PGPKeyID* outKeyID);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyID)(PGPKeyDBObjRef obj, PGPKeyID* outKeyID);
typedef PGPInt32(PGP_CALL* PFN_PGPCompareKeyIDs)(const PGPKeyID* a, const PGPKeyID* b);
typedef PGPContextRef(PGP_CALL* PFN_PGPPeekKeySetContext)(PGPKeySetRef keySet);
typedef PGPContextRef(PGP_CALL* PFN_PGPPeekKeyListContext)(PGPKeyListRef keyList);
typedef PGPContextRef(PGP_CALL* PFN_PGPPeekKeyIterContext)(PGPKeyIterRef iter);
typedef PGPContextRef(PGP_CALL* PFN_PGPPeekKeyDBContext)(PGPKeyDBRef keyDB);
typedef PGPContextRef(PGP_CALL* PFN_PGPPeekKeyDBObjContext)(PGPKeyDBObjRef obj);

/* ---- Keys, release 6.5 -------------------------------------------------- */

typedef PGPError(PGP_CALL* PFN_PGPOpenDefaultKeyRings)(PGPContextRef context, PGPFlags openFlags, PGPKeySetRef* outKeySet);
typedef PGPError(PGP_CALL* PFN_PGPOpenKeyRingPair)(PGPContextRef context, PGPFlags openFlags, PGPFileSpecRef pubFile,
                                                   PGPFileSpecRef privFile, PGPKeySetRef* outKeySet);
typedef PGPError(PGP_CALL* PFN_PGPOpenKeyRing)(PGPContextRef context, PGPFlags openFlags, PGPFileSpecRef file,
                                               PGPKeySetRef* outKeySet);
typedef PGPError(PGP_CALL* PFN_PGPReloadKeyRings)(PGPKeySetRef keySet);
typedef PGPBoolean(PGP_CALL* PFN_PGPKeySetIsMutable)(PGPKeySetRef keySet);
typedef PGPBoolean(PGP_CALL* PFN_PGPKeySetNeedsCommit)(PGPKeySetRef keySet);
typedef PGPError(PGP_CALL* PFN_PGPCommitKeyRingChanges)(PGPKeySetRef keySet);
typedef PGPError(PGP_CALL* PFN_PGPRevertKeyRingChanges)(PGPKeySetRef keySet);
typedef PGPError(PGP_CALL* PFN65_PGPNewKeySet)(PGPContextRef context, PGPKeySetRef* outKeySet);
typedef PGPError(PGP_CALL* PFN65_PGPNewEmptyKeySet)(PGPContextRef context, PGPKeySetRef* outKeySet);
typedef PGPError(PGP_CALL* PFN_PGPNewSingletonKeySet)(PGPKeyRef key, PGPKeySetRef* outKeySet);
typedef PGPError(PGP_CALL* PFN_PGPImportKeySet)(PGPContextRef context, PGPKeySetRef* outImportedKeys,
                                                PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPExportKeySet)(PGPKeySetRef keysToExport, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPRemoveKeys)(PGPKeySetRef keysToRemove, PGPKeySetRef fromKeySet);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyBooleanFilter)(PGPContextRef context, PGPKeyPropName property,
                                                       PGPBoolean match, PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyCreationTimeFilter)(PGPContextRef context, PGPTime time,
                                                            PGPMatchCriterion match, PGPFilterRef* outFilter);
typedef PFN_PGPNewKeyCreationTimeFilter PFN_PGPNewKeyExpirationTimeFilter;
typedef PGPError(PGP_CALL* PFN_PGPNewKeyDisabledFilter)(PGPContextRef context, PGPBoolean disabled,
                                                        PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyNumberFilter)(PGPContextRef context, PGPKeyPropName property,
                                                      PGPUInt32 value, PGPMatchCriterion match, PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyTimeFilter)(PGPContextRef context, PGPKeyPropName property, PGPTime value,
                                                    PGPMatchCriterion match, PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyPropertyBufferFilter)(PGPContextRef context, PGPKeyPropName property,
                                                              const void* buffer, PGPSize length,
                                                              PGPMatchCriterion match, PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyRevokedFilter)(PGPContextRef context, PGPBoolean revoked, PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyEncryptAlgorithmFilter)(PGPContextRef context, PGPPublicKeyAlgorithm algorithm,
                                                                PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyEncryptKeySizeFilter)(PGPContextRef context, PGPUInt32 bits,
                                                              PGPMatchCriterion match, PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyFingerPrintFilter)(PGPContextRef context, const void* fingerprint,
                                                           PGPSize length, PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyIDFilter)(PGPContextRef context, const PGPKeyID* keyID, PGPFilterRef* outFilter);
typedef PGPError(PGP_CALL* PFN_PGPNewSubKeyBooleanFilter)(PGPContextRef context, PGPKeyPropName property,
                                                          PGPBoolean match, PGPFilterRef* outFilter);
typedef PFN_PGPNewKeyIDFilter PFN_PGPNewSubKeyIDFilter;
typedef PFN_PGPNewKeyNumberFilter PFN_PGPNewSubKeyNumberFilter;
typedef PFN_PGPNewKeyTimeFilter PFN_PGPNewSubKeyTimeFilter;
typedef PFN_PGPNewKeyPropertyBufferFilter PFN_PGPNewSubKeyPropertyBufferFilter;
typedef PGPError(PGP_CALL* PFN_PGPNewKeySigAlgorithmFilter)(PGPContextRef context, PGPPublicKeyAlgorithm algorithm,
                                                            PGPFilterRef* outFilter);
typedef PFN_PGPNewKeyEncryptKeySizeFilter PFN_PGPNewKeySigKeySizeFilter;
typedef PFN_PGPNewSubKeyBooleanFilter PFN_PGPNewSigBooleanFilter;
typedef PFN_PGPNewKeyIDFilter PFN_PGPNewSigKeyIDFilter;
typedef PFN_PGPNewKeyNumberFilter PFN_PGPNewSigNumberFilter;
typedef PFN_PGPNewKeyTimeFilter PFN_PGPNewSigTimeFilter;
typedef PFN_PGPNewKeyPropertyBufferFilter PFN_PGPNewSigPropertyBufferFilter;
typedef PFN_PGPNewSubKeyBooleanFilter PFN_PGPNewUserIDBooleanFilter;
/* name, string, e-mail: zero-terminated texts. */
typedef PGPError(PGP_CALL* PFN_PGPNewUserIDNameFilter)(PGPContextRef context, const char* name,
                                                       PGPMatchCriterion match, PGPFilterRef* outFilter);
typedef PFN_PGPNewKeyNumberFilter PFN_PGPNewUserIDNumberFilter;
typedef PFN_PGPNewKeyPropertyBufferFilter PFN_PGPNewUserIDStringBufferFilter;
typedef PFN_PGPNewUserIDNameFilter PFN_PGPNewUserIDStringFilter;
typedef PFN_PGPNewUserIDNameFilter PFN_PGPNewUserIDEmailFilter;
typedef PGPError(PGP_CALL* PFN65_PGPOrderKeySet)(PGPKeySetRef keySet, PGPKeyOrdering order, PGPKeyListRef* outKeyList);
typedef PGPError(PGP_CALL* PFN_PGPKeyIterKey)(PGPKeyIterRef iter, PGPKeyRef* outKey);
typedef PGPError(PGP_CALL* PFN_PGPKeyIterSubKey)(PGPKeyIterRef iter, PGPSubKeyRef* outSubKey);
typedef PGPError(PGP_CALL* PFN_PGPKeyIterUserID)(PGPKeyIterRef iter, PGPUserIDRef* outUserID);
typedef PGPError(PGP_CALL* PFN_PGPKeyIterSig)(PGPKeyIterRef iter, PGPSigRef* outSig);
/* Next/Prev of every kind: (iterator, out object). */
typedef PGPError(PGP_CALL* PFN_PGPKeyIterNext)(PGPKeyIterRef iter, PGPKeyDBObjRef* outObj);
typedef PFN_PGPKeyIterNext PFN_PGPKeyIterNextSubKey;
typedef PFN_PGPKeyIterNext PFN_PGPKeyIterNextUserID;
typedef PFN_PGPKeyIterNext PFN_PGPKeyIterNextUIDSig;
typedef PFN_PGPKeyIterNext PFN_PGPKeyIterPrev;
typedef PFN_PGPKeyIterNext PFN_PGPKeyIterPrevSubKey;
typedef PFN_PGPKeyIterNext PFN_PGPKeyIterPrevUserID;
typedef PFN_PGPKeyIterNext PFN_PGPKeyIterPrevUIDSig;
typedef PGPError(PGP_CALL* PFN65_PGPKeyIterRewind)(PGPKeyIterRef iter);
typedef PFN65_PGPKeyIterRewind PFN_PGPKeyIterRewindSubKey;
typedef PFN65_PGPKeyIterRewind PFN_PGPKeyIterRewindUserID;
typedef PFN65_PGPKeyIterRewind PFN_PGPKeyIterRewindUIDSig;
typedef PGPError(PGP_CALL* PFN_PGPChangeSubKeyPassphrase)(PGPSubKeyRef subKey, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPEnableKey)(PGPKeyRef key);
typedef PFN_PGPEnableKey PFN_PGPDisableKey;
typedef PGPError(PGP_CALL* PFN_PGPRevokeKey)(PGPKeyRef key, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPRevokeSubKey)(PGPSubKeyRef subKey, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPUnsetKeyAxiomatic)(PGPKeyRef key);
typedef PGPError(PGP_CALL* PFN_PGPRemoveSubKey)(PGPSubKeyRef subKey);
typedef PGPError(PGP_CALL* PFN_PGPRemoveUserID)(PGPUserIDRef userID);
typedef PGPError(PGP_CALL* PFN_PGPRemoveSig)(PGPSigRef sig);
typedef PGPError(PGP_CALL* PFN_PGPSignUserID)(PGPUserIDRef userID, PGPKeyRef certifyingKey,
                                              PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN65_PGPRevokeSig)(PGPContextRef context, PGPSigRef sig, PGPKeySetRef allKeys,
                                               PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN65_PGPGetIndexedAdditionalRecipientRequestKey)(PGPKeyRef key, PGPKeySetRef allKeys,
                                                                             PGPUInt32 index, PGPKeyRef* outKey,
                                                                             PGPKeyID* outKeyID, PGPByte* outClass);
typedef PGPError(PGP_CALL* PFN65_PGPGetSigCertifierKey)(PGPSigRef sig, PGPKeySetRef allKeys, PGPKeyRef* outKey);
typedef PGPError(PGP_CALL* PFN65_PGPGetIndexedRevocationKey)(PGPKeyRef key, PGPKeySetRef allKeys, PGPUInt32 index,
                                                             PGPKeyRef* outKey, PGPKeyID* outKeyID);
typedef PGPError(PGP_CALL* PFN_PGPGetSubKeyPasskeyBuffer)(PGPSubKeyRef subKey, void* passkeyBuffer,
                                                          PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPGetHashAlgUsed)(PGPKeyRef key, PGPHashAlgorithm* outAlgorithm);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyBoolean)(PGPKeyRef key, PGPKeyPropName property, PGPBoolean* outValue);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyNumber)(PGPKeyRef key, PGPKeyPropName property, PGPInt32* outValue);
/* Buffer getters of release 6.5: (object, property, size, buffer, out length). */
typedef PGPError(PGP_CALL* PFN_PGPGetKeyPropertyBuffer)(PGPKeyRef key, PGPKeyPropName property, PGPSize bufferSize,
                                                        void* buffer, PGPSize* outLength);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyTime)(PGPKeyRef key, PGPKeyPropName property, PGPTime* outValue);
typedef PFN_PGPGetKeyBoolean PFN_PGPGetSubKeyBoolean;
typedef PFN_PGPGetKeyNumber PFN_PGPGetSubKeyNumber;
typedef PFN_PGPGetKeyPropertyBuffer PFN_PGPGetSubKeyPropertyBuffer;
typedef PFN_PGPGetKeyTime PFN_PGPGetSubKeyTime;
typedef PFN_PGPGetKeyBoolean PFN_PGPGetUserIDBoolean;
typedef PFN_PGPGetKeyNumber PFN_PGPGetUserIDNumber;
typedef PFN_PGPGetKeyPropertyBuffer PFN_PGPGetUserIDStringBuffer;
typedef PFN_PGPGetKeyBoolean PFN_PGPGetSigBoolean;
typedef PFN_PGPGetKeyNumber PFN_PGPGetSigNumber;
typedef PFN_PGPGetKeyPropertyBuffer PFN_PGPGetSigPropertyBuffer;
typedef PFN_PGPGetKeyTime PFN_PGPGetSigTime;
typedef PGPError(PGP_CALL* PFN_PGPGetPrimaryUserIDNameBuffer)(PGPKeyRef key, PGPSize bufferSize, char* buffer,
                                                              PGPSize* outLength);
typedef PGPError(PGP_CALL* PFN_PGPSetDefaultPrivateKey)(PGPKeyRef key);
typedef PGPError(PGP_CALL* PFN_PGPGetDefaultPrivateKey)(PGPKeySetRef keySet, PGPKeyRef* outKey);
/* algorithm 0: a key of any algorithm. */
typedef PGPError(PGP_CALL* PFN_PGPGetKeyByKeyID)(PGPKeySetRef keySet, const PGPKeyID* keyID,
                                                 PGPPublicKeyAlgorithm algorithm, PGPKeyRef* outKey);
typedef PGPError(PGP_CALL* PFN_PGPImportKeyID)(const void* data, PGPKeyID* outKeyID);
typedef PGPError(PGP_CALL* PFN_PGPExportKeyID)(const PGPKeyID* keyID, PGPByte exportedData[kPGPKeyIDSize],
                                               PGPSize* outLength);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyIDFromString)(const char* string, PGPKeyID* outKeyID);
typedef PFN_PGPGetKeyID PFN_PGPGetKeyIDFromKey;
typedef PFN_PGPGetKeyID PFN_PGPGetKeyIDFromSubKey;
typedef PFN_PGPGetKeyID PFN_PGPGetKeyIDOfCertifier;
typedef PGPError(PGP_CALL* PFN_PGPGetKeySetContext)(PGPKeySetRef keySet, PGPContextRef* outContext);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyListContext)(PGPKeyListRef keyList, PGPContextRef* outContext);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyIterContext)(PGPKeyIterRef iter, PGPContextRef* outContext);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyContext)(PGPKeyRef key, PGPContextRef* outContext);
typedef PFN_PGPGetKeyContext PFN_PGPGetSubKeyContext;
typedef PFN_PGPGetKeyContext PFN_PGPGetUserIDContext;

/* ---- Keys, both releases: key options ----------------------------------- */

typedef PGPError(PGP_CALL* PFN_PGPAddKeyOptions)(PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...);
typedef PFN_PGPAddKeyOptions PFN_PGPRemoveKeyOptions;
typedef PFN_PGPAddKeyOptions PFN_PGPUpdateKeyOptions;

/* ---- Key servers (networking library) ----------------------------------- */

typedef PGPError(PGP_CALL* PFN_PGPSetKeyServerIdleEventHandler)(PGPEventHandlerProcPtr handler, PGPUserValue userValue);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyServerIdleEventHandler)(PGPEventHandlerProcPtr* outHandler,
                                                                PGPUserValue* outUserValue);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPONetURL)(PGPContextRef context, const char* url);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPONetHostName)(PGPContextRef context, const char* hostName, PGPUInt16 port);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPONetHostAddress)(PGPContextRef context, PGPUInt32 address, PGPUInt16 port);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOKeyServerProtocol)(PGPContextRef context, PGPKeyServerProtocol protocol);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOKeyServerKeySpace)(PGPContextRef context, PGPKeyServerKeySpace space);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOKeyServerAccessType)(PGPContextRef context, PGPKeyServerAccessType type);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOKeyServerSearchFilter)(PGPContextRef context, PGPFilterRef filter);
typedef PGPError(PGP_CALL* PFN_PGPKeyServerCreateThreadStorage)(PGPKeyServerThreadStorageRef* outStorage);
typedef PGPError(PGP_CALL* PFN_PGPKeyServerDisposeThreadStorage)(PGPKeyServerThreadStorageRef storage);
typedef PGPError(PGP_CALL* PFN_PGPKeyServerInit)(void);
typedef PGPError(PGP_CALL* PFN_PGPKeyServerCleanup)(void);
typedef PGPError(PGP_CALL* PFN_PGPNewKeyServer)(PGPContextRef context, PGPKeyServerRef* outServer,
                                                PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPFreeKeyServer)(PGPKeyServerRef server);
typedef PGPError(PGP_CALL* PFN_PGPIncKeyServerRefCount)(PGPKeyServerRef server);
typedef PGPError(PGP_CALL* PFN_PGPSetKeyServerEventHandler)(PGPKeyServerRef server, PGPEventHandlerProcPtr handler,
                                                            PGPUserValue userValue);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyServerEventHandler)(PGPKeyServerRef server, PGPEventHandlerProcPtr* outHandler,
                                                            PGPUserValue* outUserValue);
typedef PGPError(PGP_CALL* PFN_PGPCancelKeyServerCall)(PGPKeyServerRef server);
typedef PGPError(PGP_CALL* PFN_PGPKeyServerOpen)(PGPKeyServerRef server, PGPtlsSessionRef tlsSession);
typedef PGPError(PGP_CALL* PFN_PGPKeyServerClose)(PGPKeyServerRef server);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyServerTLSSession)(PGPKeyServerRef server, PGPtlsSessionRef* outSession);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyServerProtocol)(PGPKeyServerRef server, PGPKeyServerProtocol* outProtocol);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyServerAccessType)(PGPKeyServerRef server, PGPKeyServerAccessType* outType);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyServerKeySpace)(PGPKeyServerRef server, PGPKeyServerKeySpace* outSpace);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyServerPort)(PGPKeyServerRef server, PGPUInt16* outPort);
/* The texts are allocated by the engine and freed with PGPFreeData. */
typedef PGPError(PGP_CALL* PFN_PGPGetKeyServerHostName)(PGPKeyServerRef server, char** outHostName);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyServerAddress)(PGPKeyServerRef server, PGPUInt32* outAddress);
typedef PGPError(PGP_CALL* PFN_PGPGetKeyServerPath)(PGPKeyServerRef server, char** outPath);
typedef PGPContextRef(PGP_CALL* PFN_PGPGetKeyServerContext)(PGPKeyServerRef server);
typedef PGPError(PGP_CALL* PFN_PGPGetLastKeyServerErrorString)(PGPKeyServerRef server, char** outErrorString);
typedef PGPError(PGP_CALL* PFN_PGPUploadToKeyServer)(PGPKeyServerRef server, PGPKeySetRef keysToUpload,
                                                     PGPKeySetRef* outKeysThatFailed);
typedef PFN_PGPUploadToKeyServer PFN_PGPDeleteFromKeyServer;
typedef PFN_PGPUploadToKeyServer PFN_PGPDisableFromKeyServer;

/* ---- Memory ------------------------------------------------------------- */

typedef void*(PGP_CALL* PGPMemoryMgrAllocationProc)(PGPMemoryMgrRef mgr, PGPUserValue userValue, PGPSize size,
                                                     PGPFlags flags);
typedef PGPError(PGP_CALL* PGPMemoryMgrDeallocationProc)(PGPMemoryMgrRef mgr, PGPUserValue userValue, void* block,
                                                         PGPSize size);
typedef struct PGPNewMemoryMgrStruct {
    PGPUInt32 sizeofStruct;
    PGPFlags reservedFlags;
    PGPMemoryMgrAllocationProc allocProc;
    PGPMemoryMgrDeallocationProc deallocProc;
    PGPUserValue customValue;
} PGPNewMemoryMgrStruct;

enum { kPGPMemoryMgrFlags_None = 0, kPGPMemoryMgrFlags_Clear = 1 };

typedef PGPError(PGP_CALL* PFN_PGPNewMemoryMgr)(PGPFlags reserved, PGPMemoryMgrRef* outMgr);
typedef PGPError(PGP_CALL* PFN_PGPNewMemoryMgrCustom)(const PGPNewMemoryMgrStruct* custom, PGPMemoryMgrRef* outMgr);
typedef PGPError(PGP_CALL* PFN_PGPFreeMemoryMgr)(PGPMemoryMgrRef mgr);
typedef PGPError(PGP_CALL* PFN_PGPGetMemoryMgrCustomValue)(PGPMemoryMgrRef mgr, PGPUserValue* outValue);
typedef PGPError(PGP_CALL* PFN_PGPSetMemoryMgrCustomValue)(PGPMemoryMgrRef mgr, PGPUserValue value);
typedef void*(PGP_CALL* PFN_PGPNewData)(PGPMemoryMgrRef mgr, PGPSize size, PGPFlags flags);
/* Secure data is locked in memory and wiped when freed. */
typedef void*(PGP_CALL* PFN_PGPNewSecureData)(PGPMemoryMgrRef mgr, PGPSize size, PGPFlags flags);
/* *block is replaced; on failure it stays valid and unchanged. */
typedef PGPError(PGP_CALL* PFN_PGPReallocData)(PGPMemoryMgrRef mgr, void** block, PGPSize newSize, PGPFlags flags);
typedef PGPError(PGP_CALL* PFN_PGPFreeData)(void* block);
typedef PGPMemoryMgrRef(PGP_CALL* PFN_PGPGetDefaultMemoryMgr)(void);
typedef PGPError(PGP_CALL* PFN_PGPSetDefaultMemoryMgr)(PGPMemoryMgrRef mgr);
typedef PGPError(PGP_CALL* PFN_PGPGetMemoryMgrDataInfo)(void* block, PGPMemoryMgrRef* outMgr, PGPSize* outSize,
                                                        PGPBoolean* outIsSecure);

/* ---- Client library (PGP_CLCALL) ---------------------------------------- */

/* Release 7, decorated names; the argument bytes are in the names. */
typedef PGPError(PGP_CLCALL* PFN_PGPclInitLibrary7)(PGPContextRef context, PGPFlags flags);           /* @8 */
typedef PGPError(PGP_CLCALL* PFN_PGPclCloseLibrary7)(void);                                         /* @0 */
typedef PGPError(PGP_CLCALL* PFN_PGPclPreferences7)(PGPContextRef context, PGPWindowRef parent, PGPInt32 startPage,
                                                    PGPKeyDBRef keyDB); /* @16 */
typedef PGPError(PGP_CLCALL* PFN_PGPclGetPrefBoolean7)(PGPPrefRef prefs, PGPPrefIndex index, PGPBoolean* outValue); /* @12 */
typedef PGPError(PGP_CLCALL* PFN_PGPclSetPrefBoolean7)(PGPPrefRef prefs, PGPPrefIndex index, PGPUInt32 value);     /* @12 */
typedef PGPError(PGP_CLCALL* PFN_PGPclGetPrefNumber7)(PGPPrefRef prefs, PGPPrefIndex index, PGPUInt32* outValue);  /* @12 */
typedef PGPError(PGP_CLCALL* PFN_PGPclSetPrefNumber7)(PGPPrefRef prefs, PGPPrefIndex index, PGPUInt32 value);      /* @12 */
typedef PGPError(PGP_CLCALL* PFN_PGPclGetPrefStringAlloc7)(PGPPrefRef prefs, PGPPrefIndex index, char** outString); /* @12 */
typedef PGPError(PGP_CLCALL* PFN_PGPclGetPrefStringBuffer7)(PGPPrefRef prefs, PGPPrefIndex index, PGPSize maxSize,
                                                            char* buffer); /* @16 */
typedef PGPError(PGP_CLCALL* PFN_PGPclSetPrefString7)(PGPPrefRef prefs, PGPPrefIndex index, const char* string); /* @12 */
/* *outData is allocated by the engine, freed with PGPFreeData. */
typedef PGPError(PGP_CLCALL* PFN_PGPclGetPrefData7)(PGPPrefRef prefs, PGPPrefIndex index, PGPSize* outLength,
                                                    void** outData); /* @16 */
typedef PGPError(PGP_CLCALL* PFN_PGPclSetPrefData7)(PGPPrefRef prefs, PGPPrefIndex index, PGPSize length,
                                                    const void* data); /* @16 */
typedef PGPError(PGP_CLCALL* PFN_PGPclRemovePref7)(PGPPrefRef prefs, PGPPrefIndex index);                       /* @8 */
typedef PGPError(PGP_CLCALL* PFN_PGPclPeekClientLibPrefRefs7)(PGPPrefRef* outClientPrefs, PGPPrefRef* outAdminPrefs); /* @8 */
typedef PGPError(PGP_CLCALL* PFN_PGPclFlushClientLibPrefs7)(PGPPrefRef clientPrefs, PGPPrefRef adminPrefs);    /* @8 */
typedef PGPError(PGP_CLCALL* PFN_PGPclNotifyPrefsChanges7)(PGPUInt32 processID);                                /* @4 */
typedef PGPError(PGP_CLCALL* PFN_PGPclNotifyKeyringChanges7)(PGPFlags flags, PGPUInt32 processID);              /* @8 */
typedef PGPError(PGP_CLCALL* PFN_PGPclNotifyKeyserverPrefsChanges7)(PGPUInt32 processID);                       /* @4 */
/* Shows keySet (of keyDB), returns the chosen keys in a new set. */
typedef PGPError(PGP_CLCALL* PFN_PGPclSelectKeys7)(PGPContextRef context, PGPtlsContextRef tls, PGPWindowRef parent,
                                                   const char* prompt, PGPKeySetRef keySet, PGPKeyDBRef keyDB,
                                                   PGPKeySetRef* outSelected); /* @28 */

/* Release 6.5, plain names. */
typedef PGPError(PGP_CLCALL* PFN_PGPclInitLibrary)(PGPContextRef context);
typedef PGPError(PGP_CLCALL* PFN_PGPclCloseLibrary)(void);
typedef PGPError(PGP_CLCALL* PFN_PGPclPreferences)(PGPContextRef context, PGPWindowRef parent, PGPInt32 startPage,
                                                   PGPKeySetRef keySet);
typedef PFN_PGPclGetPrefBoolean7 PFN_PGPclGetPrefBoolean;
typedef PFN_PGPclSetPrefBoolean7 PFN_PGPclSetPrefBoolean;
typedef PFN_PGPclGetPrefNumber7 PFN_PGPclGetPrefNumber;
typedef PFN_PGPclSetPrefNumber7 PFN_PGPclSetPrefNumber;
typedef PFN_PGPclGetPrefStringAlloc7 PFN_PGPclGetPrefStringAlloc;
typedef PFN_PGPclGetPrefStringBuffer7 PFN_PGPclGetPrefStringBuffer;
typedef PFN_PGPclSetPrefString7 PFN_PGPclSetPrefString;
typedef PFN_PGPclGetPrefData7 PFN_PGPclGetPrefData;
typedef PFN_PGPclSetPrefData7 PFN_PGPclSetPrefData;
typedef PFN_PGPclRemovePref7 PFN_PGPclRemovePref;
typedef PGPError(PGP_CLCALL* PFN_PGPclOpenClientPrefs)(PGPMemoryMgrRef mgr, PGPPrefRef* outPrefs);
typedef PGPError(PGP_CLCALL* PFN_PGPclCloseClientPrefs)(PGPPrefRef prefs, PGPBoolean save);
typedef PFN_PGPclNotifyPrefsChanges7 PFN_PGPclNotifyPrefsChanges;
typedef PGPError(PGP_CLCALL* PFN_PGPclNotifyKeyringChanges)(PGPUInt32 processID);
typedef PFN_PGPclNotifyKeyserverPrefsChanges7 PFN_PGPclNotifyKeyserverPrefsChanges;
typedef PGPError(PGP_CLCALL* PFN_PGPclSelectKeysEx)(PGPContextRef context, PGPtlsContextRef tls, PGPWindowRef parent,
                                                    const char* prompt, PGPKeySetRef keySet, PGPKeySetRef allKeys,
                                                    PGPKeySetRef* outSelected);

/* ---- Groups ------------------------------------------------------------- */

typedef struct PGPGroupItem {
    PGPInt32 type; /* 1 group, 2 key */
    PGPUserValue userValue;
    PGPGroupID groupID;
    PGPKeyID keyID;
    PGPPublicKeyAlgorithm algorithm;
} PGPGroupItem;

enum { kPGPMaxGroupNameLength = 63, kPGPMaxGroupDescriptionLength = 63 };
typedef struct PGPGroupInfo {
    PGPGroupID id;
    char name[kPGPMaxGroupNameLength + 1];
    char description[kPGPMaxGroupDescriptionLength + 1];
    PGPUserValue userValue;
} PGPGroupInfo;

typedef PGPError(PGP_CALL* PFN_PGPNewGroupSet)(PGPContextRef context, PGPGroupSetRef* outSet);
typedef PGPError(PGP_CALL* PFN_PGPNewGroupSetFromFile)(PGPContextRef context, PGPFileSpecRef file, PGPGroupSetRef* outSet);
typedef PGPError(PGP_CALL* PFN_PGPSaveGroupSetToFile)(PGPGroupSetRef set, PGPFileSpecRef file);
typedef PGPError(PGP_CALL* PFN_PGPFreeGroupSet)(PGPGroupSetRef set);
typedef PGPBoolean(PGP_CALL* PFN_PGPGroupSetNeedsCommit)(PGPGroupSetRef set);
typedef PGPContextRef(PGP_CALL* PFN_PGPGetGroupSetContext)(PGPGroupSetRef set);
typedef PGPError(PGP_CALL* PFN_PGPExportGroupSetToBuffer)(PGPGroupSetRef set, void** outBuffer, PGPSize* outLength);
typedef PGPError(PGP_CALL* PFN_PGPImportGroupSetFromBuffer)(PGPContextRef context, const void* buffer, PGPSize length,
                                                            PGPGroupSetRef* outSet);
typedef PGPError(PGP_CALL* PFN_PGPNewGroup)(PGPGroupSetRef set, const char* name, const char* description,
                                            PGPGroupID* outID);
typedef PGPError(PGP_CALL* PFN_PGPCountGroupsInSet)(PGPGroupSetRef set, PGPUInt32* outCount);
typedef PGPError(PGP_CALL* PFN_PGPGetIndGroupID)(PGPGroupSetRef set, PGPUInt32 index, PGPGroupID* outID);
typedef PGPError(PGP_CALL* PFN_PGPDeleteGroup)(PGPGroupSetRef set, PGPGroupID id);
typedef PGPError(PGP_CALL* PFN_PGPDeleteIndItemFromGroup)(PGPGroupSetRef set, PGPGroupID id, PGPUInt32 index);
typedef PGPError(PGP_CALL* PFN_PGPDeleteItemFromGroup)(PGPGroupSetRef set, PGPGroupID id, const PGPGroupItem* item);
typedef PGPError(PGP_CALL* PFN_PGPGetGroupInfo)(PGPGroupSetRef set, PGPGroupID id, PGPGroupInfo* outInfo);
typedef PGPError(PGP_CALL* PFN_PGPSetGroupName)(PGPGroupSetRef set, PGPGroupID id, const char* name);
typedef PGPError(PGP_CALL* PFN_PGPSetGroupUserValue)(PGPGroupSetRef set, PGPGroupID id, PGPUserValue value);
typedef PGPError(PGP_CALL* PFN_PGPSetGroupDescription)(PGPGroupSetRef set, PGPGroupID id, const char* description);
typedef PGPError(PGP_CALL* PFN_PGPAddItemToGroup)(PGPGroupSetRef set, const PGPGroupItem* item, PGPGroupID id);
typedef PGPError(PGP_CALL* PFN_PGPMergeGroupIntoDifferentSet)(PGPGroupSetRef fromSet, PGPGroupID id, PGPGroupSetRef toSet);
typedef PGPError(PGP_CALL* PFN_PGPMergeGroupSets)(PGPGroupSetRef fromSet, PGPGroupSetRef intoSet);
typedef PGPError(PGP_CALL* PFN_PGPCopyGroupSet)(PGPGroupSetRef set, PGPGroupSetRef* outSet);
typedef PGPError(PGP_CALL* PFN_PGPCountGroupItems)(PGPGroupSetRef set, PGPGroupID id, PGPBoolean recursive,
                                                   PGPUInt32* outKeys, PGPUInt32* outTotal);
typedef PGPError(PGP_CALL* PFN_PGPGetIndGroupItem)(PGPGroupSetRef set, PGPGroupID id, PGPUInt32 index,
                                                   PGPGroupItem* outItem);
typedef PGPError(PGP_CALL* PFN_PGPSetIndGroupItemUserValue)(PGPGroupSetRef set, PGPGroupID id, PGPUInt32 index,
                                                            PGPUserValue value);
typedef PGPInt32(PGP_CALL* PGPGroupItemCompareProc)(PGPGroupItem* a, PGPGroupItem* b, PGPUserValue userValue);
typedef PGPError(PGP_CALL* PFN_PGPSortGroupItems)(PGPGroupSetRef set, PGPGroupID id, PGPGroupItemCompareProc compare,
                                                  PGPUserValue userValue);
typedef PGPError(PGP_CALL* PFN_PGPSortGroupSet)(PGPGroupSetRef set, PGPGroupItemCompareProc compare,
                                                PGPUserValue userValue);
typedef PGPError(PGP_CALL* PFN_PGPNewGroupItemIter)(PGPGroupSetRef set, PGPGroupID id, PGPFlags flags,
                                                    PGPGroupItemIterRef* outIter);
typedef PGPError(PGP_CALL* PFN_PGPFreeGroupItemIter)(PGPGroupItemIterRef iter);
typedef PGPError(PGP_CALL* PFN_PGPGroupItemIterNext)(PGPGroupItemIterRef iter, PGPGroupItem* outItem);
/* keySet: release 7 the root set of the key database. */
typedef PGPError(PGP_CALL* PFN_PGPGetGroupLowestValidity)(PGPGroupSetRef set, PGPGroupID id, PGPKeySetRef keySet,
                                                          PGPValidity* outValidity, PGPUInt32* outNotFound);
typedef PGPError(PGP_CALL* PFN_PGPNewKeySetFromGroup)(PGPGroupSetRef set, PGPGroupID id, PGPKeySetRef keySet,
                                                      PGPKeySetRef* outKeys, PGPUInt32* outNotFound);
typedef PGPError(PGP_CALL* PFN_PGPNewFlattenedGroupFromGroup)(PGPGroupSetRef sourceSet, PGPGroupID sourceID,
                                                              PGPGroupSetRef destSet, PGPGroupID* outID);
typedef PGPError(PGP_CALL* PFN_PGPSortGroupSetStd)(PGPGroupSetRef set, PGPKeySetRef keySet);

/* ---- Context, file references, time --------------------------------- */

/* Writes at most bufferSize bytes including the terminating zero. */
typedef PGPError(PGP_CALL* PFN_PGPGetErrorString)(PGPError error, PGPSize bufferSize, char* buffer);
typedef PGPError(PGP_CALL* PFN_PGPNewContext)(PGPUInt32 clientAPIVersion, PGPContextRef* outContext);
typedef PGPError(PGP_CALL* PFN_PGPFreeContext)(PGPContextRef context);
typedef PGPError(PGP_CALL* PFN_PGPGetContextUserValue)(PGPContextRef context, PGPUserValue* outValue);
typedef PGPError(PGP_CALL* PFN_PGPSetContextUserValue)(PGPContextRef context, PGPUserValue value);
typedef PGPError(PGP_CALL* PFN_PGPContextGetRandomBytes)(PGPContextRef context, void* buffer, PGPSize count);
typedef PGPError(PGP_CALL* PFN_PGPCopyFileSpec)(PGPFileSpecRef spec, PGPFileSpecRef* outSpec);
typedef PGPError(PGP_CALL* PFN_PGPFreeFileSpec)(PGPFileSpecRef spec);
typedef PGPError(PGP_CALL* PFN_PGPNewFileSpecFromFullPath)(PGPContextRef context, const char* path,
                                                           PGPFileSpecRef* outSpec);
/* *outPath is allocated by the engine, freed with PGPFreeData. */
typedef PGPError(PGP_CALL* PFN_PGPGetFullPathFromFileSpec)(PGPFileSpecRef spec, char** outPath);
typedef PGPTime(PGP_CALL* PFN_PGPGetTime)(void);
typedef PGPUInt32(PGP_CALL* PFN_PGPGetStdTimeFromPGPTime)(PGPTime time);
typedef PGPTime(PGP_CALL* PFN_PGPGetPGPTimeFromStdTime)(PGPUInt32 stdTime);
typedef void(PGP_CALL* PFN_PGPGetYMDFromPGPTime)(PGPTime time, PGPUInt16* year, PGPUInt16* month, PGPUInt16* day);

/* ---- Option lists and options ------------------------------------------- */

typedef PGPError(PGP_CALL* PFN_PGPBuildOptionList)(PGPContextRef context, PGPOptionListRef* outList,
                                                   PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPAppendOptionList)(PGPOptionListRef list, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPNewOptionList)(PGPContextRef context, PGPOptionListRef* outList);
typedef PGPError(PGP_CALL* PFN_PGPCopyOptionList)(PGPOptionListRef list, PGPOptionListRef* outList);
typedef PGPError(PGP_CALL* PFN_PGPFreeOptionList)(PGPOptionListRef list);
typedef PGPError(PGP_CALL* PFN_PGPAddJobOptions)(PGPJobRef job, PGPOptionListRef firstOption, ...);

typedef PGPOptionListRef(PGP_CALL* PFN_PGPOInputBuffer)(PGPContextRef context, const void* buffer, PGPSize length);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOInputFile)(PGPContextRef context, PGPFileSpecRef file);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPODiscardOutput)(PGPContextRef context, PGPBoolean discard);
/* The engine allocates *outBuffer (free with PGPFreeData); maxSize 0xFFFFFFFF = no limit. */
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOAllocatedOutputBuffer)(PGPContextRef context, void** outBuffer,
                                                                  PGPSize maxSize, PGPSize* outLength);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOOutputBuffer)(PGPContextRef context, void* buffer, PGPSize bufferSize,
                                                         PGPSize* outLength);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOOutputFile)(PGPContextRef context, PGPFileSpecRef file);
/* separator: room for kPGPMIMESeparatorSize bytes; filled with PGP/MIME output. */
enum { kPGPMIMESeparatorSize = 81 };
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOPGPMIMEEncoding)(PGPContextRef context, PGPBoolean mimeEncoding,
                                                            PGPSize* outBodyOffset,
                                                            char separator[kPGPMIMESeparatorSize]);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOOmitMIMEVersion)(PGPContextRef context, PGPBoolean omit);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOLocalEncoding)(PGPContextRef context, PGPLocalEncodingFlags flags);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOOutputLineEndType)(PGPContextRef context, PGPLineEndType lineEnd);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPODetachedSig)(PGPContextRef context, PGPOptionListRef firstOption, ...);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOConventionalEncrypt)(PGPContextRef context, PGPOptionListRef firstOption, ...);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOCipherAlgorithm)(PGPContextRef context, PGPCipherAlgorithm algorithm);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOEncryptToKeyDBObj)(PGPContextRef context, PGPKeyDBObjRef key);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOEncryptToKey)(PGPContextRef context, PGPKeyRef key);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOEncryptToKeySet)(PGPContextRef context, PGPKeySetRef keySet);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOHashAlgorithm)(PGPContextRef context, PGPHashAlgorithm algorithm);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOSignWithKey)(PGPContextRef context, PGPKeyDBObjRef key,
                                                        PGPOptionListRef firstOption, ...);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOWarnBelowValidity)(PGPContextRef context, PGPValidity minValidity);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOFailBelowValidity)(PGPContextRef context, PGPValidity minValidity);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOAskUserForEntropy)(PGPContextRef context, PGPBoolean ask);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPODataIsASCII)(PGPContextRef context, PGPBoolean isASCII);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPORawPGPInput)(PGPContextRef context, PGPBoolean raw);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOForYourEyesOnly)(PGPContextRef context, PGPBoolean eyesOnly);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOArmorOutput)(PGPContextRef context, PGPBoolean armor);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOFileNameString)(PGPContextRef context, const char* fileName);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOClearSign)(PGPContextRef context, PGPBoolean clearSign);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOPassThroughIfUnrecognized)(PGPContextRef context, PGPBoolean passThrough);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOPassThroughClearSigned)(PGPContextRef context, PGPBoolean passThrough);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOPassThroughKeys)(PGPContextRef context, PGPBoolean passThrough);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOSendEventIfKeyFound)(PGPContextRef context, PGPBoolean sendEvent);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPORecursivelyDecode)(PGPContextRef context, PGPBoolean recurse);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOAdditionalRecipientRequestKeySet)(PGPContextRef context,
                                                                            PGPKeySetRef keySet, PGPByte arkClass);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOKeyGenName)(PGPContextRef context, const void* name, PGPSize length);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOKeyGenMasterKey)(PGPContextRef context, PGPKeyDBObjRef masterKey);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOExportPrivateKeys)(PGPContextRef context, PGPBoolean exportKeys);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOKeyGenFast)(PGPContextRef context, PGPBoolean fast);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOKeyGenParams)(PGPContextRef context, PGPPublicKeyAlgorithm algorithm,
                                                         PGPUInt32 bits);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOCreationDate)(PGPContextRef context, PGPTime creationDate);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOExpiration)(PGPContextRef context, PGPUInt32 expirationDays);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOExportable)(PGPContextRef context, PGPBoolean exportable);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOSigRegularExpression)(PGPContextRef context, const char* regExp);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOSigTrust)(PGPContextRef context, PGPUInt32 trustLevel, PGPUInt32 trustValue);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPORevocationKeySet)(PGPContextRef context, PGPKeySetRef keySet);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOKeyFlags)(PGPContextRef context, PGPUInt32 flags);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPONullOption)(PGPContextRef context);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOCompression)(PGPContextRef context, PGPBoolean compress);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOCommentString)(PGPContextRef context, const char* comment);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOVersionString)(PGPContextRef context, const char* version);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOPassphrase)(PGPContextRef context, const char* passphrase);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOPassphraseBuffer)(PGPContextRef context, const void* passphrase,
                                                             PGPSize length);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOPasskeyBuffer)(PGPContextRef context, const void* passkey, PGPSize length);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOPreferredAlgorithms)(PGPContextRef context,
                                                                const PGPCipherAlgorithm* algorithms,
                                                                PGPUInt32 count);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOKeyDBRef)(PGPContextRef context, PGPKeyDBRef keyDB);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOKeySetRef)(PGPContextRef context, PGPKeySetRef keySet);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOSendNullEvents)(PGPContextRef context, PGPTime approxInterval);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOExportFormat)(PGPContextRef context, PGPExportFormat format);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOExportKeySet)(PGPContextRef context, PGPKeySetRef keySet);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOExportPrivateSubkeys)(PGPContextRef context, PGPBoolean exportKeys);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOImportKeysTo)(PGPContextRef context, PGPKeyDBRef keyDB);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOEventHandler)(PGPContextRef context, PGPEventHandlerProcPtr handler,
                                                         PGPUserValue userValue);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOLastOption)(PGPContextRef context);

/* ---- Preferences (core library) ----------------------------------------- */

typedef PGPError(PGP_CALL* PFN_PGPsdkLoadPrefs)(PGPContextRef context, PGPFileSpecRef prefFile);
typedef PGPError(PGP_CALL* PFN_PGPsdkLoadDefaultPrefs)(PGPContextRef context);
typedef PGPError(PGP_CALL* PFN_PGPsdkSavePrefs)(PGPContextRef context);
typedef PGPError(PGP_CALL* PFN_PGPsdkPrefSetFileSpec)(PGPContextRef context, PGPsdkPrefSelector selector,
                                                      PGPFileSpecRef spec);
/* *outSpec is a new file spec handle, freed with PGPFreeFileSpec. */
typedef PGPError(PGP_CALL* PFN_PGPsdkPrefGetFileSpec)(PGPContextRef context, PGPsdkPrefSelector selector,
                                                      PGPFileSpecRef* outSpec);
typedef PGPError(PGP_CALL* PFN_PGPsdkPrefSetData)(PGPContextRef context, PGPsdkPrefSelector selector,
                                                  const void* data, PGPSize size);
/* *outData is allocated by the engine, freed with PGPFreeData. */
typedef PGPError(PGP_CALL* PFN_PGPsdkPrefGetData)(PGPContextRef context, PGPsdkPrefSelector selector, void** outData,
                                                  PGPSize* outSize);

/* ---- User-interface library ---------------------------------------------- */

typedef PGPError(PGP_CALL* PFN_PGPsdkUILibInit)(PGPFlags options);
typedef PGPError(PGP_CALL* PFN_PGPsdkUILibCleanup)(void);
/* Dialogs return 0 with their outputs filled, kPGPError_UserAbort when cancelled. */
typedef PGPError(PGP_CALL* PFN_PGPRecipientDialog)(PGPContextRef context, PGPKeySetRef allKeys,
                                                   PGPBoolean alwaysDisplay, PGPKeySetRef* outRecipients,
                                                   PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPPassphraseDialog)(PGPContextRef context, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPConfirmationPassphraseDialog)(PGPContextRef context, PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPKeyPassphraseDialog)(PGPContextRef context, PGPKeyDBObjRef key,
                                                       PGPOptionListRef firstOption, ...);
/* keys: release 7 the key database, release 6.5 the key set (as a PGPKeySetRef). */
typedef PGPError(PGP_CALL* PFN_PGPSigningPassphraseDialog)(PGPContextRef context, void* keys,
                                                           PGPKeyDBObjRef* outSigningKey,
                                                           PGPOptionListRef firstOption, ...);
/* keyIDList: keyIDCount key IDs packed with the release's key-ID size. */
typedef PGPError(PGP_CALL* PFN_PGPDecryptionPassphraseDialog)(PGPContextRef context, PGPKeySetRef recipientKeys,
                                                              PGPUInt32 keyIDCount, const PGPByte* keyIDList,
                                                              PGPKeyDBObjRef* outDecryptionKey,
                                                              PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPConventionalEncryptionPassphraseDialog)(PGPContextRef context,
                                                                          PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPConventionalDecryptionPassphraseDialog)(PGPContextRef context,
                                                                          PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPCollectRandomDataDialog)(PGPContextRef context, PGPUInt32 neededEntropyBits,
                                                           PGPOptionListRef firstOption, ...);
typedef PGPUInt32(PGP_CALL* PFN_PGPEstimatePassphraseQuality)(const char* passphrase);
/* servers: serverCount key-server handles. *outFoundKeys (7: a key database,
   6.5: a key set) is freed by the caller. */
typedef PGPError(PGP_CALL* PFN_PGPSearchKeyServerDialog)(PGPContextRef context, PGPUInt32 serverCount,
                                                         const PGPKeyServerRef* servers, PGPtlsContextRef tls,
                                                         PGPBoolean searchAllServers, void** outFoundKeys,
                                                         PGPOptionListRef firstOption, ...);
typedef PGPError(PGP_CALL* PFN_PGPSendToKeyServerDialog)(PGPContextRef context, PGPKeyServerRef server,
                                                         PGPtlsContextRef tls, PGPKeySetRef keysToSend,
                                                         PGPKeySetRef* outFailedKeys, PGPOptionListRef firstOption, ...);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIParentWindowHandle)(PGPContextRef context, PGPWindowRef parent);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIWindowTitle)(PGPContextRef context, const char* title);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIDialogPrompt)(PGPContextRef context, const char* prompt);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIDialogOptions)(PGPContextRef context, PGPOptionListRef firstOption, ...);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUICheckbox)(PGPContextRef context, PGPUInt32 itemID, const char* title,
                                                       const char* description, PGPUInt32 initialValue,
                                                       PGPUInt32* resultPtr, PGPOptionListRef firstOption, ...);
/* *outPassphrase is secure data of the engine, freed with PGPFreeData. */
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIOutputPassphrase)(PGPContextRef context, char** outPassphrase);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIMinimumPassphraseLength)(PGPContextRef context, PGPUInt32 length);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIMinimumPassphraseQuality)(PGPContextRef context, PGPUInt32 quality);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIShowPassphraseQuality)(PGPContextRef context, PGPBoolean show);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIVerifyPassphrase)(PGPContextRef context, PGPBoolean verify);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIFindMatchingKey)(PGPContextRef context, PGPBoolean find);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIRecipientGroups)(PGPContextRef context, PGPGroupSetRef groups);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIDefaultRecipients)(PGPContextRef context, PGPUInt32 count,
                                                                const PGPByte* keyIDs);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIDefaultKey)(PGPContextRef context, PGPKeyDBObjRef key);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIDisplayMarginalValidity)(PGPContextRef context, PGPBoolean display);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIIgnoreMarginalValidity)(PGPContextRef context, PGPBoolean ignore);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIKeyServerSearchFilter)(PGPContextRef context, PGPFilterRef filter);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIKeyServerSearchKey)(PGPContextRef context, PGPKeyDBObjRef key);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIKeyServerSearchKeySet)(PGPContextRef context, PGPKeySetRef keySet);
typedef PGPOptionListRef(PGP_CALL* PFN_PGPOUIKeyServerSearchKeyIDList)(PGPContextRef context, PGPUInt32 count,
                                                                       const PGPByte* keyIDs);

/* ---- Support library ----------------------------------------------------
   Release 7 names (PGPsc...) and release 6.5 names share one form each. */

typedef PGPError(PGP_CALL* PFN_PGPscInit)(PGPWindowRef parent, void** outContext, PGPFlags flags);
typedef PGPError(PGP_CALL* PFN_PGPscDestroy)(void* scContext);
typedef PGPError(PGP_CALL* PFN_PGPscClipboardAction)(PGPWindowRef parent, void* scContext);
typedef PFN_PGPscClipboardAction PFN_PGPscEncryptClipboard;
typedef PFN_PGPscClipboardAction PFN_PGPscDecryptClipboard;
typedef PFN_PGPscClipboardAction PFN_PGPscAddKeyClipboard;
typedef PFN_PGPscClipboardAction PFN_PGPscEraseClipboard;
typedef PGPError(PGP_CALL* PFN_PGPscFileListAction)(PGPWindowRef parent, void* scContext, PGPscFileListRef files);
typedef PFN_PGPscFileListAction PFN_PGPscEncryptFileList;
typedef PFN_PGPscFileListAction PFN_PGPscDecryptFileList;
typedef PFN_PGPscFileListAction PFN_PGPscAddKeyFileList;
typedef PFN_PGPscFileListAction PFN_PGPscWipeFileList;
typedef PGPError(PGP_CALL* PFN_PGPscAddToFileList)(PGPscFileListRef* list, const char* path);
typedef PGPError(PGP_CALL* PFN_PGPscFreeFileList)(PGPscFileListRef list);
typedef PGPError(PGP_CALL* PFN_PGPscHDropToFileList)(void* hDrop, PGPscFileListRef* outList);
typedef PGPError(PGP_CALL* PFN_PGPscCmdLineToFileList)(const char* commandLine, PGPscFileListRef* outList);
typedef PGPError(PGP_CALL* PFN_PGPscGetValidityDrawPrefs)(PGPBoolean* outShowMarginal, PGPBoolean* outShowBars);
typedef PGPBoolean(PGP_CALL* PFN_PGPscGetMarginalInvalidPref)(void);
typedef PGPBoolean(PGP_CALL* PFN_PGPscGetSecureViewerPref)(void);
/* Shows bytes in the secure viewer; flags 1 = for the reader's eyes only. */
typedef PGPError(PGP_CALL* PFN_PGPscTempestViewer)(PGPContextRef context, PGPWindowRef parent, const void* data,
                                                   PGPSize length, PGPFlags flags);
typedef PGPError(PGP_CALL* PFN_PGPscDoLaunch)(PGPWindowRef parent);
typedef PFN_PGPscDoLaunch PFN_PGPscDoLaunchNet;
typedef PFN_PGPscDoLaunch PFN_PGPscDoLaunchKeys;
typedef PFN_PGPscDoLaunch PFN_PGPscDoLaunchTools;
typedef PFN_PGPscDoLaunch PFN_PGPscDoLaunchDisk;
/* Hands a status text to the PGP log window; 0 when delivered. */
typedef PGPError(PGP_CALL* PFN_PGPscSendPGPlogMsg)(PGPWindowRef parent, const char* message);
/* Writes the PGP installation directory (at most size bytes). */
typedef PGPError(PGP_CALL* PFN_PGPscPGPpath)(char* buffer, PGPSize size);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ORV_ENGINE_PGPSDK_H */
