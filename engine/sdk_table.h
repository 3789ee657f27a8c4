#pragma once
// The process-wide table of PGP SDK entry points. Every slot is bound by name
// from the library that exports it; a slot stays empty (nullptr) when the
// installed engine lacks the name, which is noticed only when it is called:
// the adapters and Call() then answer kPGPError_EngineNotLoaded (-11977).
//
// Each list below names (slot, exported name) pairs of one family; the slot's
// type is PFN_<slot> of engine/pgpsdk.h. Names that both releases export share
// one slot whose type is the release 7 form; the release 6.5 form of those
// that differ is PFN65_<slot>, used by the adapters only.

#include "engine/pgpsdk.h"

// Core library, start and version (both releases).
#define ORV_SDK_CORE_START(X) \
    X(PGPsdkInit, "PGPsdkInit") \
    X(PGPsdkCleanup, "PGPsdkCleanup") \
    X(PGPGetSDKVersion, "PGPGetSDKVersion") \
    X(PGPGetPGPsdkVersion, "PGPGetPGPsdkVersion") \
    X(PGPGetPGPsdkVersionString, "PGPGetPGPsdkVersionString") \
    X(PGPGetSDKString, "PGPGetSDKString")

// Networking library: start and TLS (both releases).
#define ORV_SDK_NETWORK(X) \
    X(PGPsdkNetworkLibInit, "PGPsdkNetworkLibInit") \
    X(PGPsdkNetworkLibCleanup, "PGPsdkNetworkLibCleanup") \
    X(PGPNewTLSContext, "PGPNewTLSContext") \
    X(PGPFreeTLSContext, "PGPFreeTLSContext") \
    X(PGPtlsSetCache, "PGPtlsSetCache") \
    X(PGPtlsClearCache, "PGPtlsClearCache") \
    X(PGPNewTLSSession, "PGPNewTLSSession") \
    X(PGPFreeTLSSession, "PGPFreeTLSSession") \
    X(PGPCopyTLSSession, "PGPCopyTLSSession") \
    X(PGPtlsSetProtocolOptions, "PGPtlsSetProtocolOptions") \
    X(PGPtlsClose, "PGPtlsClose") \
    X(PGPtlsHandshake, "PGPtlsHandshake") \
    X(PGPtlsSetRemoteUniqueID, "PGPtlsSetRemoteUniqueID") \
    X(PGPtlsSetPreferredCipherSuite, "PGPtlsSetPreferredCipherSuite") \
    X(PGPtlsSetDHPrime, "PGPtlsSetDHPrime") \
    X(PGPtlsGetNegotiatedCipherSuite, "PGPtlsGetNegotiatedCipherSuite") \
    X(PGPtlsGetState, "PGPtlsGetState") \
    X(PGPtlsReceive, "PGPtlsReceive") \
    X(PGPtlsSend, "PGPtlsSend") \
    X(PGPtlsSetReceiveCallback, "PGPtlsSetReceiveCallback") \
    X(PGPtlsSetSendCallback, "PGPtlsSetSendCallback") \
    X(PGPtlsSendQueueIdle, "PGPtlsSendQueueIdle") \
    X(PGPtlsReceiveBufferSize, "PGPtlsReceiveBufferSize") \
    X(PGPtlsGetAlert, "PGPtlsGetAlert")

// Core library: the encoder and decoder.
#define ORV_SDK_JOBS(X) \
    X(PGPEncode, "PGPEncode") \
    X(PGPDecode, "PGPDecode")

// Core library: key names that both releases export (release 7 forms in the slot types).
#define ORV_SDK_KEYS_COMMON(X) \
    X(PGPNewKeySet, "PGPNewKeySet") \
    X(PGPNewEmptyKeySet, "PGPNewEmptyKeySet") \
    X(PGPIncKeySetRefCount, "PGPIncKeySetRefCount") \
    X(PGPFreeKeySet, "PGPFreeKeySet") \
    X(PGPAddKeys, "PGPAddKeys") \
    X(PGPCountKeys, "PGPCountKeys") \
    X(PGPKeySetIsMember, "PGPKeySetIsMember") \
    X(PGPIncFilterRefCount, "PGPIncFilterRefCount") \
    X(PGPNegateFilter, "PGPNegateFilter") \
    X(PGPIntersectFilters, "PGPIntersectFilters") \
    X(PGPUnionFilters, "PGPUnionFilters") \
    X(PGPFreeFilter, "PGPFreeFilter") \
    X(PGPFilterKeySet, "PGPFilterKeySet") \
    X(PGPOrderKeySet, "PGPOrderKeySet") \
    X(PGPIncKeyListRefCount, "PGPIncKeyListRefCount") \
    X(PGPFreeKeyList, "PGPFreeKeyList") \
    X(PGPNewKeyIter, "PGPNewKeyIter") \
    X(PGPCopyKeyIter, "PGPCopyKeyIter") \
    X(PGPFreeKeyIter, "PGPFreeKeyIter") \
    X(PGPKeyIterIndex, "PGPKeyIterIndex") \
    X(PGPKeyIterMove, "PGPKeyIterMove") \
    X(PGPKeyIterSeek, "PGPKeyIterSeek") \
    X(PGPKeyIterRewind, "PGPKeyIterRewind") \
    X(PGPGenerateKey, "PGPGenerateKey") \
    X(PGPGenerateSubKey, "PGPGenerateSubKey") \
    X(PGPChangePassphrase, "PGPChangePassphrase") \
    X(PGPSetKeyAxiomatic, "PGPSetKeyAxiomatic") \
    X(PGPCompareKeys, "PGPCompareKeys") \
    X(PGPAddUserID, "PGPAddUserID") \
    X(PGPSetPrimaryUserID, "PGPSetPrimaryUserID") \
    X(PGPCompareUserIDStrings, "PGPCompareUserIDStrings") \
    X(PGPRevokeSig, "PGPRevokeSig") \
    X(PGPCountAdditionalRecipientRequests, "PGPCountAdditionalRecipientRequests") \
    X(PGPGetIndexedAdditionalRecipientRequestKey, "PGPGetIndexedAdditionalRecipientRequestKey") \
    X(PGPGetSigCertifierKey, "PGPGetSigCertifierKey") \
    X(PGPCountRevocationKeys, "PGPCountRevocationKeys") \
    X(PGPGetIndexedRevocationKey, "PGPGetIndexedRevocationKey") \
    X(PGPGetKeyEntropyNeeded, "PGPGetKeyEntropyNeeded") \
    X(PGPGetKeyPasskeyBuffer, "PGPGetKeyPasskeyBuffer") \
    X(PGPPassphraseIsValid, "PGPPassphraseIsValid") \
    X(PGPGetPrimaryUserID, "PGPGetPrimaryUserID") \
    X(PGPGetPrimaryUserIDValidity, "PGPGetPrimaryUserIDValidity") \
    X(PGPGetKeyIDString, "PGPGetKeyIDString") \
    X(PGPCompareKeyIDs, "PGPCompareKeyIDs")

// Core library: key-database names of release 7 only.
#define ORV_SDK_KEYS_7(X) \
    X(PGPNewKeyDB, "PGPNewKeyDB") \
    X(PGPOpenKeyDBFile, "PGPOpenKeyDBFile") \
    X(PGPFreeKeyDB, "PGPFreeKeyDB") \
    X(PGPFlushKeyDB, "PGPFlushKeyDB") \
    X(PGPIncKeyDBRefCount, "PGPIncKeyDBRefCount") \
    X(PGPKeyDBIsMutable, "PGPKeyDBIsMutable") \
    X(PGPKeyDBIsUpdated, "PGPKeyDBIsUpdated") \
    X(PGPCountKeysInKeyDB, "PGPCountKeysInKeyDB") \
    X(PGPPeekKeyDBRootKeySet, "PGPPeekKeyDBRootKeySet") \
    X(PGPPeekKeySetKeyDB, "PGPPeekKeySetKeyDB") \
    X(PGPNewOneKeySet, "PGPNewOneKeySet") \
    X(PGPImport, "PGPImport") \
    X(PGPExport, "PGPExport") \
    X(PGPCopyKeys, "PGPCopyKeys") \
    X(PGPDeleteKeys, "PGPDeleteKeys") \
    X(PGPNewKeyDBObjBooleanFilter, "PGPNewKeyDBObjBooleanFilter") \
    X(PGPNewKeyDBObjNumericFilter, "PGPNewKeyDBObjNumericFilter") \
    X(PGPNewKeyDBObjTimeFilter, "PGPNewKeyDBObjTimeFilter") \
    X(PGPNewKeyDBObjDataFilter, "PGPNewKeyDBObjDataFilter") \
    X(PGPNewKeyIterFromKeySet, "PGPNewKeyIterFromKeySet") \
    X(PGPNewKeyIterFromKeyDB, "PGPNewKeyIterFromKeyDB") \
    X(PGPKeyIterGetKeyDBObj, "PGPKeyIterGetKeyDBObj") \
    X(PGPKeyIterNextKeyDBObj, "PGPKeyIterNextKeyDBObj") \
    X(PGPKeyIterPrevKeyDBObj, "PGPKeyIterPrevKeyDBObj") \
    X(PGPSetKeyEnabled, "PGPSetKeyEnabled") \
    X(PGPRevoke, "PGPRevoke") \
    X(PGPDeleteKeyDBObj, "PGPDeleteKeyDBObj") \
    X(PGPCertifyUserID, "PGPCertifyUserID") \
    X(PGPGetKeyDBObjBooleanProperty, "PGPGetKeyDBObjBooleanProperty") \
    X(PGPGetKeyDBObjNumericProperty, "PGPGetKeyDBObjNumericProperty") \
    X(PGPGetKeyDBObjTimeProperty, "PGPGetKeyDBObjTimeProperty") \
    X(PGPGetKeyDBObjDataProperty, "PGPGetKeyDBObjDataProperty") \
    X(PGPGetPrimaryUserIDName, "PGPGetPrimaryUserIDName") \
    X(PGPFindKeyByKeyID, "PGPFindKeyByKeyID") \
    X(PGPNewKeyIDFromString, "PGPNewKeyIDFromString") \
    X(PGPGetKeyID, "PGPGetKeyID") \
    X(PGPPeekKeySetContext, "PGPPeekKeySetContext") \
    X(PGPPeekKeyListContext, "PGPPeekKeyListContext") \
    X(PGPPeekKeyIterContext, "PGPPeekKeyIterContext") \
    X(PGPPeekKeyDBContext, "PGPPeekKeyDBContext") \
    X(PGPPeekKeyDBObjContext, "PGPPeekKeyDBObjContext")

// Core library: key-ring names of release 6.5 only.
#define ORV_SDK_KEYS_65(X) \
    X(PGPOpenDefaultKeyRings, "PGPOpenDefaultKeyRings") \
    X(PGPOpenKeyRingPair, "PGPOpenKeyRingPair") \
    X(PGPOpenKeyRing, "PGPOpenKeyRing") \
    X(PGPReloadKeyRings, "PGPReloadKeyRings") \
    X(PGPKeySetIsMutable, "PGPKeySetIsMutable") \
    X(PGPKeySetNeedsCommit, "PGPKeySetNeedsCommit") \
    X(PGPCommitKeyRingChanges, "PGPCommitKeyRingChanges") \
    X(PGPRevertKeyRingChanges, "PGPRevertKeyRingChanges") \
    X(PGPNewSingletonKeySet, "PGPNewSingletonKeySet") \
    X(PGPImportKeySet, "PGPImportKeySet") \
    X(PGPExportKeySet, "PGPExportKeySet") \
    X(PGPRemoveKeys, "PGPRemoveKeys") \
    X(PGPNewKeyBooleanFilter, "PGPNewKeyBooleanFilter") \
    X(PGPNewKeyCreationTimeFilter, "PGPNewKeyCreationTimeFilter") \
    X(PGPNewKeyExpirationTimeFilter, "PGPNewKeyExpirationTimeFilter") \
    X(PGPNewKeyDisabledFilter, "PGPNewKeyDisabledFilter") \
    X(PGPNewKeyNumberFilter, "PGPNewKeyNumberFilter") \
    X(PGPNewKeyTimeFilter, "PGPNewKeyTimeFilter") \
    X(PGPNewKeyPropertyBufferFilter, "PGPNewKeyPropertyBufferFilter") \
    X(PGPNewKeyRevokedFilter, "PGPNewKeyRevokedFilter") \
    X(PGPNewKeyEncryptAlgorithmFilter, "PGPNewKeyEncryptAlgorithmFilter") \
    X(PGPNewKeyEncryptKeySizeFilter, "PGPNewKeyEncryptKeySizeFilter") \
    X(PGPNewKeyFingerPrintFilter, "PGPNewKeyFingerPrintFilter") \
    X(PGPNewKeyIDFilter, "PGPNewKeyIDFilter") \
    X(PGPNewSubKeyBooleanFilter, "PGPNewSubKeyBooleanFilter") \
    X(PGPNewSubKeyIDFilter, "PGPNewSubKeyIDFilter") \
    X(PGPNewSubKeyNumberFilter, "PGPNewSubKeyNumberFilter") \
    X(PGPNewSubKeyTimeFilter, "PGPNewSubKeyTimeFilter") \
    X(PGPNewSubKeyPropertyBufferFilter, "PGPNewSubKeyPropertyBufferFilter") \
    X(PGPNewKeySigAlgorithmFilter, "PGPNewKeySigAlgorithmFilter") \
    X(PGPNewKeySigKeySizeFilter, "PGPNewKeySigKeySizeFilter") \
    X(PGPNewSigBooleanFilter, "PGPNewSigBooleanFilter") \
    X(PGPNewSigKeyIDFilter, "PGPNewSigKeyIDFilter") \
    X(PGPNewSigNumberFilter, "PGPNewSigNumberFilter") \
    X(PGPNewSigTimeFilter, "PGPNewSigTimeFilter") \
    X(PGPNewSigPropertyBufferFilter, "PGPNewSigPropertyBufferFilter") \
    X(PGPNewUserIDBooleanFilter, "PGPNewUserIDBooleanFilter") \
    X(PGPNewUserIDNameFilter, "PGPNewUserIDNameFilter") \
    X(PGPNewUserIDNumberFilter, "PGPNewUserIDNumberFilter") \
    X(PGPNewUserIDStringBufferFilter, "PGPNewUserIDStringBufferFilter") \
    X(PGPNewUserIDStringFilter, "PGPNewUserIDStringFilter") \
    X(PGPNewUserIDEmailFilter, "PGPNewUserIDEmailFilter") \
    X(PGPKeyIterKey, "PGPKeyIterKey") \
    X(PGPKeyIterSubKey, "PGPKeyIterSubKey") \
    X(PGPKeyIterUserID, "PGPKeyIterUserID") \
    X(PGPKeyIterSig, "PGPKeyIterSig") \
    X(PGPKeyIterNext, "PGPKeyIterNext") \
    X(PGPKeyIterNextSubKey, "PGPKeyIterNextSubKey") \
    X(PGPKeyIterNextUserID, "PGPKeyIterNextUserID") \
    X(PGPKeyIterNextUIDSig, "PGPKeyIterNextUIDSig") \
    X(PGPKeyIterPrev, "PGPKeyIterPrev") \
    X(PGPKeyIterPrevSubKey, "PGPKeyIterPrevSubKey") \
    X(PGPKeyIterPrevUserID, "PGPKeyIterPrevUserID") \
    X(PGPKeyIterPrevUIDSig, "PGPKeyIterPrevUIDSig") \
    X(PGPKeyIterRewindSubKey, "PGPKeyIterRewindSubKey") \
    X(PGPKeyIterRewindUserID, "PGPKeyIterRewindUserID") \
    X(PGPKeyIterRewindUIDSig, "PGPKeyIterRewindUIDSig") \
    X(PGPChangeSubKeyPassphrase, "PGPChangeSubKeyPassphrase") \
    X(PGPEnableKey, "PGPEnableKey") \
    X(PGPDisableKey, "PGPDisableKey") \
    X(PGPRevokeKey, "PGPRevokeKey") \
    X(PGPRevokeSubKey, "PGPRevokeSubKey") \
    X(PGPUnsetKeyAxiomatic, "PGPUnsetKeyAxiomatic") \
    X(PGPRemoveSubKey, "PGPRemoveSubKey") \
    X(PGPRemoveUserID, "PGPRemoveUserID") \
    X(PGPRemoveSig, "PGPRemoveSig") \
    X(PGPSignUserID, "PGPSignUserID") \
    X(PGPGetSubKeyPasskeyBuffer, "PGPGetSubKeyPasskeyBuffer") \
    X(PGPGetHashAlgUsed, "PGPGetHashAlgUsed") \
    X(PGPGetKeyBoolean, "PGPGetKeyBoolean") \
    X(PGPGetKeyNumber, "PGPGetKeyNumber") \
    X(PGPGetKeyPropertyBuffer, "PGPGetKeyPropertyBuffer") \
    X(PGPGetKeyTime, "PGPGetKeyTime") \
    X(PGPGetSubKeyBoolean, "PGPGetSubKeyBoolean") \
    X(PGPGetSubKeyNumber, "PGPGetSubKeyNumber") \
    X(PGPGetSubKeyPropertyBuffer, "PGPGetSubKeyPropertyBuffer") \
    X(PGPGetSubKeyTime, "PGPGetSubKeyTime") \
    X(PGPGetUserIDBoolean, "PGPGetUserIDBoolean") \
    X(PGPGetUserIDNumber, "PGPGetUserIDNumber") \
    X(PGPGetUserIDStringBuffer, "PGPGetUserIDStringBuffer") \
    X(PGPGetSigBoolean, "PGPGetSigBoolean") \
    X(PGPGetSigNumber, "PGPGetSigNumber") \
    X(PGPGetSigPropertyBuffer, "PGPGetSigPropertyBuffer") \
    X(PGPGetSigTime, "PGPGetSigTime") \
    X(PGPGetPrimaryUserIDNameBuffer, "PGPGetPrimaryUserIDNameBuffer") \
    X(PGPSetDefaultPrivateKey, "PGPSetDefaultPrivateKey") \
    X(PGPGetDefaultPrivateKey, "PGPGetDefaultPrivateKey") \
    X(PGPGetKeyByKeyID, "PGPGetKeyByKeyID") \
    X(PGPImportKeyID, "PGPImportKeyID") \
    X(PGPExportKeyID, "PGPExportKeyID") \
    X(PGPGetKeyIDFromString, "PGPGetKeyIDFromString") \
    X(PGPGetKeyIDFromKey, "PGPGetKeyIDFromKey") \
    X(PGPGetKeyIDFromSubKey, "PGPGetKeyIDFromSubKey") \
    X(PGPGetKeyIDOfCertifier, "PGPGetKeyIDOfCertifier") \
    X(PGPGetKeySetContext, "PGPGetKeySetContext") \
    X(PGPGetKeyListContext, "PGPGetKeyListContext") \
    X(PGPGetKeyIterContext, "PGPGetKeyIterContext") \
    X(PGPGetKeyContext, "PGPGetKeyContext") \
    X(PGPGetSubKeyContext, "PGPGetSubKeyContext") \
    X(PGPGetUserIDContext, "PGPGetUserIDContext")

// Core library: key options (both releases).
#define ORV_SDK_KEY_OPTIONS(X) \
    X(PGPAddKeyOptions, "PGPAddKeyOptions") \
    X(PGPRemoveKeyOptions, "PGPRemoveKeyOptions") \
    X(PGPUpdateKeyOptions, "PGPUpdateKeyOptions")

// Networking library: key servers (both releases).
#define ORV_SDK_KEY_SERVER(X) \
    X(PGPSetKeyServerIdleEventHandler, "PGPSetKeyServerIdleEventHandler") \
    X(PGPGetKeyServerIdleEventHandler, "PGPGetKeyServerIdleEventHandler") \
    X(PGPONetURL, "PGPONetURL") \
    X(PGPONetHostName, "PGPONetHostName") \
    X(PGPONetHostAddress, "PGPONetHostAddress") \
    X(PGPOKeyServerProtocol, "PGPOKeyServerProtocol") \
    X(PGPOKeyServerKeySpace, "PGPOKeyServerKeySpace") \
    X(PGPOKeyServerAccessType, "PGPOKeyServerAccessType") \
    X(PGPOKeyServerSearchFilter, "PGPOKeyServerSearchFilter") \
    X(PGPKeyServerCreateThreadStorage, "PGPKeyServerCreateThreadStorage") \
    X(PGPKeyServerDisposeThreadStorage, "PGPKeyServerDisposeThreadStorage") \
    X(PGPKeyServerInit, "PGPKeyServerInit") \
    X(PGPKeyServerCleanup, "PGPKeyServerCleanup") \
    X(PGPNewKeyServer, "PGPNewKeyServer") \
    X(PGPFreeKeyServer, "PGPFreeKeyServer") \
    X(PGPIncKeyServerRefCount, "PGPIncKeyServerRefCount") \
    X(PGPSetKeyServerEventHandler, "PGPSetKeyServerEventHandler") \
    X(PGPGetKeyServerEventHandler, "PGPGetKeyServerEventHandler") \
    X(PGPCancelKeyServerCall, "PGPCancelKeyServerCall") \
    X(PGPKeyServerOpen, "PGPKeyServerOpen") \
    X(PGPKeyServerClose, "PGPKeyServerClose") \
    X(PGPGetKeyServerTLSSession, "PGPGetKeyServerTLSSession") \
    X(PGPGetKeyServerProtocol, "PGPGetKeyServerProtocol") \
    X(PGPGetKeyServerAccessType, "PGPGetKeyServerAccessType") \
    X(PGPGetKeyServerKeySpace, "PGPGetKeyServerKeySpace") \
    X(PGPGetKeyServerPort, "PGPGetKeyServerPort") \
    X(PGPGetKeyServerHostName, "PGPGetKeyServerHostName") \
    X(PGPGetKeyServerAddress, "PGPGetKeyServerAddress") \
    X(PGPGetKeyServerPath, "PGPGetKeyServerPath") \
    X(PGPGetKeyServerContext, "PGPGetKeyServerContext") \
    X(PGPGetLastKeyServerErrorString, "PGPGetLastKeyServerErrorString") \
    X(PGPUploadToKeyServer, "PGPUploadToKeyServer") \
    X(PGPDeleteFromKeyServer, "PGPDeleteFromKeyServer") \
    X(PGPDisableFromKeyServer, "PGPDisableFromKeyServer")

// Core library: memory (both releases).
#define ORV_SDK_MEMORY(X) \
    X(PGPNewMemoryMgr, "PGPNewMemoryMgr") \
    X(PGPNewMemoryMgrCustom, "PGPNewMemoryMgrCustom") \
    X(PGPFreeMemoryMgr, "PGPFreeMemoryMgr") \
    X(PGPGetMemoryMgrCustomValue, "PGPGetMemoryMgrCustomValue") \
    X(PGPSetMemoryMgrCustomValue, "PGPSetMemoryMgrCustomValue") \
    X(PGPNewData, "PGPNewData") \
    X(PGPNewSecureData, "PGPNewSecureData") \
    X(PGPReallocData, "PGPReallocData") \
    X(PGPFreeData, "PGPFreeData") \
    X(PGPGetDefaultMemoryMgr, "PGPGetDefaultMemoryMgr") \
    X(PGPSetDefaultMemoryMgr, "PGPSetDefaultMemoryMgr") \
    X(PGPGetMemoryMgrDataInfo, "PGPGetMemoryMgrDataInfo")

// Client library, release 7: decorated __stdcall names.
#define ORV_SDK_CLIENT_7(X) \
    X(PGPclInitLibrary7, "_PGPclInitLibrary@8") \
    X(PGPclCloseLibrary7, "_PGPclCloseLibrary@0") \
    X(PGPclPreferences7, "_PGPclPreferences@16") \
    X(PGPclGetPrefBoolean7, "_PGPclGetPrefBoolean@12") \
    X(PGPclSetPrefBoolean7, "_PGPclSetPrefBoolean@12") \
    X(PGPclGetPrefNumber7, "_PGPclGetPrefNumber@12") \
    X(PGPclSetPrefNumber7, "_PGPclSetPrefNumber@12") \
    X(PGPclGetPrefStringAlloc7, "_PGPclGetPrefStringAlloc@12") \
    X(PGPclGetPrefStringBuffer7, "_PGPclGetPrefStringBuffer@16") \
    X(PGPclSetPrefString7, "_PGPclSetPrefString@12") \
    X(PGPclGetPrefData7, "_PGPclGetPrefData@16") \
    X(PGPclSetPrefData7, "_PGPclSetPrefData@16") \
    X(PGPclRemovePref7, "_PGPclRemovePref@8") \
    X(PGPclPeekClientLibPrefRefs7, "_PGPclPeekClientLibPrefRefs@8") \
    X(PGPclFlushClientLibPrefs7, "_PGPclFlushClientLibPrefs@8") \
    X(PGPclNotifyPrefsChanges7, "_PGPclNotifyPrefsChanges@4") \
    X(PGPclNotifyKeyringChanges7, "_PGPclNotifyKeyringChanges@8") \
    X(PGPclNotifyKeyserverPrefsChanges7, "_PGPclNotifyKeyserverPrefsChanges@4") \
    X(PGPclSelectKeys7, "_PGPclSelectKeys@28")

// Client library, release 6.5: plain names.
#define ORV_SDK_CLIENT_65(X) \
    X(PGPclInitLibrary, "PGPclInitLibrary") \
    X(PGPclCloseLibrary, "PGPclCloseLibrary") \
    X(PGPclPreferences, "PGPclPreferences") \
    X(PGPclGetPrefBoolean, "PGPclGetPrefBoolean") \
    X(PGPclSetPrefBoolean, "PGPclSetPrefBoolean") \
    X(PGPclGetPrefNumber, "PGPclGetPrefNumber") \
    X(PGPclSetPrefNumber, "PGPclSetPrefNumber") \
    X(PGPclGetPrefStringAlloc, "PGPclGetPrefStringAlloc") \
    X(PGPclGetPrefStringBuffer, "PGPclGetPrefStringBuffer") \
    X(PGPclSetPrefString, "PGPclSetPrefString") \
    X(PGPclGetPrefData, "PGPclGetPrefData") \
    X(PGPclSetPrefData, "PGPclSetPrefData") \
    X(PGPclRemovePref, "PGPclRemovePref") \
    X(PGPclOpenClientPrefs, "PGPclOpenClientPrefs") \
    X(PGPclCloseClientPrefs, "PGPclCloseClientPrefs") \
    X(PGPclNotifyPrefsChanges, "PGPclNotifyPrefsChanges") \
    X(PGPclNotifyKeyringChanges, "PGPclNotifyKeyringChanges") \
    X(PGPclNotifyKeyserverPrefsChanges, "PGPclNotifyKeyserverPrefsChanges") \
    X(PGPclSelectKeysEx, "PGPclSelectKeysEx")

// Core library: groups (both releases).
#define ORV_SDK_GROUPS(X) \
    X(PGPNewGroupSet, "PGPNewGroupSet") \
    X(PGPNewGroupSetFromFile, "PGPNewGroupSetFromFile") \
    X(PGPSaveGroupSetToFile, "PGPSaveGroupSetToFile") \
    X(PGPFreeGroupSet, "PGPFreeGroupSet") \
    X(PGPGroupSetNeedsCommit, "PGPGroupSetNeedsCommit") \
    X(PGPGetGroupSetContext, "PGPGetGroupSetContext") \
    X(PGPExportGroupSetToBuffer, "PGPExportGroupSetToBuffer") \
    X(PGPImportGroupSetFromBuffer, "PGPImportGroupSetFromBuffer") \
    X(PGPNewGroup, "PGPNewGroup") \
    X(PGPCountGroupsInSet, "PGPCountGroupsInSet") \
    X(PGPGetIndGroupID, "PGPGetIndGroupID") \
    X(PGPDeleteGroup, "PGPDeleteGroup") \
    X(PGPDeleteIndItemFromGroup, "PGPDeleteIndItemFromGroup") \
    X(PGPDeleteItemFromGroup, "PGPDeleteItemFromGroup") \
    X(PGPGetGroupInfo, "PGPGetGroupInfo") \
    X(PGPSetGroupName, "PGPSetGroupName") \
    X(PGPSetGroupUserValue, "PGPSetGroupUserValue") \
    X(PGPSetGroupDescription, "PGPSetGroupDescription") \
    X(PGPAddItemToGroup, "PGPAddItemToGroup") \
    X(PGPMergeGroupIntoDifferentSet, "PGPMergeGroupIntoDifferentSet") \
    X(PGPMergeGroupSets, "PGPMergeGroupSets") \
    X(PGPCopyGroupSet, "PGPCopyGroupSet") \
    X(PGPCountGroupItems, "PGPCountGroupItems") \
    X(PGPGetIndGroupItem, "PGPGetIndGroupItem") \
    X(PGPSetIndGroupItemUserValue, "PGPSetIndGroupItemUserValue") \
    X(PGPSortGroupItems, "PGPSortGroupItems") \
    X(PGPSortGroupSet, "PGPSortGroupSet") \
    X(PGPNewGroupItemIter, "PGPNewGroupItemIter") \
    X(PGPFreeGroupItemIter, "PGPFreeGroupItemIter") \
    X(PGPGroupItemIterNext, "PGPGroupItemIterNext") \
    X(PGPGetGroupLowestValidity, "PGPGetGroupLowestValidity") \
    X(PGPNewKeySetFromGroup, "PGPNewKeySetFromGroup") \
    X(PGPNewFlattenedGroupFromGroup, "PGPNewFlattenedGroupFromGroup") \
    X(PGPSortGroupSetStd, "PGPSortGroupSetStd")

// Core library: context, file references and time (both releases).
#define ORV_SDK_CONTEXT(X) \
    X(PGPGetErrorString, "PGPGetErrorString") \
    X(PGPNewContext, "PGPNewContext") \
    X(PGPFreeContext, "PGPFreeContext") \
    X(PGPGetContextUserValue, "PGPGetContextUserValue") \
    X(PGPSetContextUserValue, "PGPSetContextUserValue") \
    X(PGPContextGetRandomBytes, "PGPContextGetRandomBytes") \
    X(PGPCopyFileSpec, "PGPCopyFileSpec") \
    X(PGPFreeFileSpec, "PGPFreeFileSpec") \
    X(PGPNewFileSpecFromFullPath, "PGPNewFileSpecFromFullPath") \
    X(PGPGetFullPathFromFileSpec, "PGPGetFullPathFromFileSpec") \
    X(PGPGetTime, "PGPGetTime") \
    X(PGPGetStdTimeFromPGPTime, "PGPGetStdTimeFromPGPTime") \
    X(PGPGetPGPTimeFromStdTime, "PGPGetPGPTimeFromStdTime") \
    X(PGPGetYMDFromPGPTime, "PGPGetYMDFromPGPTime")

// Core library: option lists and the options of both releases.
#define ORV_SDK_OPTIONS(X) \
    X(PGPBuildOptionList, "PGPBuildOptionList") \
    X(PGPAppendOptionList, "PGPAppendOptionList") \
    X(PGPNewOptionList, "PGPNewOptionList") \
    X(PGPCopyOptionList, "PGPCopyOptionList") \
    X(PGPFreeOptionList, "PGPFreeOptionList") \
    X(PGPAddJobOptions, "PGPAddJobOptions") \
    X(PGPOInputBuffer, "PGPOInputBuffer") \
    X(PGPOInputFile, "PGPOInputFile") \
    X(PGPODiscardOutput, "PGPODiscardOutput") \
    X(PGPOAllocatedOutputBuffer, "PGPOAllocatedOutputBuffer") \
    X(PGPOOutputBuffer, "PGPOOutputBuffer") \
    X(PGPOOutputFile, "PGPOOutputFile") \
    X(PGPOPGPMIMEEncoding, "PGPOPGPMIMEEncoding") \
    X(PGPOOmitMIMEVersion, "PGPOOmitMIMEVersion") \
    X(PGPOLocalEncoding, "PGPOLocalEncoding") \
    X(PGPOOutputLineEndType, "PGPOOutputLineEndType") \
    X(PGPODetachedSig, "PGPODetachedSig") \
    X(PGPOConventionalEncrypt, "PGPOConventionalEncrypt") \
    X(PGPOCipherAlgorithm, "PGPOCipherAlgorithm") \
    X(PGPOEncryptToKeySet, "PGPOEncryptToKeySet") \
    X(PGPOHashAlgorithm, "PGPOHashAlgorithm") \
    X(PGPOSignWithKey, "PGPOSignWithKey") \
    X(PGPOWarnBelowValidity, "PGPOWarnBelowValidity") \
    X(PGPOFailBelowValidity, "PGPOFailBelowValidity") \
    X(PGPOAskUserForEntropy, "PGPOAskUserForEntropy") \
    X(PGPODataIsASCII, "PGPODataIsASCII") \
    X(PGPORawPGPInput, "PGPORawPGPInput") \
    X(PGPOForYourEyesOnly, "PGPOForYourEyesOnly") \
    X(PGPOArmorOutput, "PGPOArmorOutput") \
    X(PGPOFileNameString, "PGPOFileNameString") \
    X(PGPOClearSign, "PGPOClearSign") \
    X(PGPOPassThroughIfUnrecognized, "PGPOPassThroughIfUnrecognized") \
    X(PGPOPassThroughClearSigned, "PGPOPassThroughClearSigned") \
    X(PGPOPassThroughKeys, "PGPOPassThroughKeys") \
    X(PGPOSendEventIfKeyFound, "PGPOSendEventIfKeyFound") \
    X(PGPORecursivelyDecode, "PGPORecursivelyDecode") \
    X(PGPOAdditionalRecipientRequestKeySet, "PGPOAdditionalRecipientRequestKeySet") \
    X(PGPOKeyGenName, "PGPOKeyGenName") \
    X(PGPOKeyGenMasterKey, "PGPOKeyGenMasterKey") \
    X(PGPOExportPrivateKeys, "PGPOExportPrivateKeys") \
    X(PGPOKeyGenFast, "PGPOKeyGenFast") \
    X(PGPOKeyGenParams, "PGPOKeyGenParams") \
    X(PGPOCreationDate, "PGPOCreationDate") \
    X(PGPOExpiration, "PGPOExpiration") \
    X(PGPOExportable, "PGPOExportable") \
    X(PGPOSigRegularExpression, "PGPOSigRegularExpression") \
    X(PGPOSigTrust, "PGPOSigTrust") \
    X(PGPORevocationKeySet, "PGPORevocationKeySet") \
    X(PGPONullOption, "PGPONullOption") \
    X(PGPOCompression, "PGPOCompression") \
    X(PGPOCommentString, "PGPOCommentString") \
    X(PGPOVersionString, "PGPOVersionString") \
    X(PGPOPassphrase, "PGPOPassphrase") \
    X(PGPOPassphraseBuffer, "PGPOPassphraseBuffer") \
    X(PGPOPasskeyBuffer, "PGPOPasskeyBuffer") \
    X(PGPOPreferredAlgorithms, "PGPOPreferredAlgorithms") \
    X(PGPOSendNullEvents, "PGPOSendNullEvents") \
    X(PGPOExportFormat, "PGPOExportFormat") \
    X(PGPOExportKeySet, "PGPOExportKeySet") \
    X(PGPOExportPrivateSubkeys, "PGPOExportPrivateSubkeys") \
    X(PGPOImportKeysTo, "PGPOImportKeysTo") \
    X(PGPOEventHandler, "PGPOEventHandler") \
    X(PGPOLastOption, "PGPOLastOption")

// Core library: options of release 7 only.
#define ORV_SDK_OPTIONS_7(X) \
    X(PGPOEncryptToKeyDBObj, "PGPOEncryptToKeyDBObj") \
    X(PGPOKeyFlags, "PGPOKeyFlags") \
    X(PGPOKeyDBRef, "PGPOKeyDBRef")

// Core library: options of release 6.5 only.
#define ORV_SDK_OPTIONS_65(X) \
    X(PGPOEncryptToKey, "PGPOEncryptToKey") \
    X(PGPOKeySetRef, "PGPOKeySetRef")

// Core library: preferences.
#define ORV_SDK_PREFS(X) \
    X(PGPsdkLoadPrefs, "PGPsdkLoadPrefs") \
    X(PGPsdkLoadDefaultPrefs, "PGPsdkLoadDefaultPrefs") \
    X(PGPsdkSavePrefs, "PGPsdkSavePrefs") \
    X(PGPsdkPrefSetFileSpec, "PGPsdkPrefSetFileSpec") \
    X(PGPsdkPrefGetFileSpec, "PGPsdkPrefGetFileSpec") \
    X(PGPsdkPrefSetData, "PGPsdkPrefSetData") \
    X(PGPsdkPrefGetData, "PGPsdkPrefGetData")

// User-interface library: start, dialogs and dialog options (both releases).
#define ORV_SDK_UI(X) \
    X(PGPsdkUILibInit, "PGPsdkUILibInit") \
    X(PGPsdkUILibCleanup, "PGPsdkUILibCleanup") \
    X(PGPRecipientDialog, "PGPRecipientDialog") \
    X(PGPPassphraseDialog, "PGPPassphraseDialog") \
    X(PGPConfirmationPassphraseDialog, "PGPConfirmationPassphraseDialog") \
    X(PGPKeyPassphraseDialog, "PGPKeyPassphraseDialog") \
    X(PGPSigningPassphraseDialog, "PGPSigningPassphraseDialog") \
    X(PGPDecryptionPassphraseDialog, "PGPDecryptionPassphraseDialog") \
    X(PGPConventionalEncryptionPassphraseDialog, "PGPConventionalEncryptionPassphraseDialog") \
    X(PGPConventionalDecryptionPassphraseDialog, "PGPConventionalDecryptionPassphraseDialog") \
    X(PGPCollectRandomDataDialog, "PGPCollectRandomDataDialog") \
    X(PGPEstimatePassphraseQuality, "PGPEstimatePassphraseQuality") \
    X(PGPSearchKeyServerDialog, "PGPSearchKeyServerDialog") \
    X(PGPSendToKeyServerDialog, "PGPSendToKeyServerDialog") \
    X(PGPOUIParentWindowHandle, "PGPOUIParentWindowHandle") \
    X(PGPOUIWindowTitle, "PGPOUIWindowTitle") \
    X(PGPOUIDialogPrompt, "PGPOUIDialogPrompt") \
    X(PGPOUIDialogOptions, "PGPOUIDialogOptions") \
    X(PGPOUICheckbox, "PGPOUICheckbox") \
    X(PGPOUIOutputPassphrase, "PGPOUIOutputPassphrase") \
    X(PGPOUIMinimumPassphraseLength, "PGPOUIMinimumPassphraseLength") \
    X(PGPOUIMinimumPassphraseQuality, "PGPOUIMinimumPassphraseQuality") \
    X(PGPOUIShowPassphraseQuality, "PGPOUIShowPassphraseQuality") \
    X(PGPOUIVerifyPassphrase, "PGPOUIVerifyPassphrase") \
    X(PGPOUIFindMatchingKey, "PGPOUIFindMatchingKey") \
    X(PGPOUIRecipientGroups, "PGPOUIRecipientGroups") \
    X(PGPOUIDefaultRecipients, "PGPOUIDefaultRecipients") \
    X(PGPOUIDefaultKey, "PGPOUIDefaultKey") \
    X(PGPOUIDisplayMarginalValidity, "PGPOUIDisplayMarginalValidity") \
    X(PGPOUIIgnoreMarginalValidity, "PGPOUIIgnoreMarginalValidity") \
    X(PGPOUIKeyServerSearchFilter, "PGPOUIKeyServerSearchFilter") \
    X(PGPOUIKeyServerSearchKey, "PGPOUIKeyServerSearchKey") \
    X(PGPOUIKeyServerSearchKeySet, "PGPOUIKeyServerSearchKeySet") \
    X(PGPOUIKeyServerSearchKeyIDList, "PGPOUIKeyServerSearchKeyIDList")

// Support library, release 7 names.
#define ORV_SDK_SUPPORT_7(X) \
    X(PGPscInit, "PGPscInit") \
    X(PGPscDestroy, "PGPscDestroy") \
    X(PGPscEncryptClipboard, "PGPscEncryptClipboard") \
    X(PGPscDecryptClipboard, "PGPscDecryptClipboard") \
    X(PGPscAddKeyClipboard, "PGPscAddKeyClipboard") \
    X(PGPscEraseClipboard, "PGPscEraseClipboard") \
    X(PGPscEncryptFileList, "PGPscEncryptFileList") \
    X(PGPscDecryptFileList, "PGPscDecryptFileList") \
    X(PGPscAddKeyFileList, "PGPscAddKeyFileList") \
    X(PGPscWipeFileList, "PGPscWipeFileList") \
    X(PGPscAddToFileList, "PGPscAddToFileList") \
    X(PGPscFreeFileList, "PGPscFreeFileList") \
    X(PGPscHDropToFileList, "PGPscHDropToFileList") \
    X(PGPscCmdLineToFileList, "PGPscCmdLineToFileList") \
    X(PGPscGetValidityDrawPrefs, "PGPscGetValidityDrawPrefs") \
    X(PGPscGetMarginalInvalidPref, "PGPscGetMarginalInvalidPref") \
    X(PGPscGetSecureViewerPref, "PGPscGetSecureViewerPref") \
    X(PGPscTempestViewer, "PGPscTempestViewer") \
    X(PGPscDoLaunchNet, "PGPscDoLaunchNet") \
    X(PGPscDoLaunchKeys, "PGPscDoLaunchKeys") \
    X(PGPscDoLaunchTools, "PGPscDoLaunchTools") \
    X(PGPscDoLaunchDisk, "PGPscDoLaunchDisk") \
    X(PGPscSendPGPlogMsg, "PGPscSendPGPlogMsg") \
    X(PGPscPGPpath, "PGPscPGPpath")

// Support library, release 6.5 names, bound into the release 7 slots in the same order.
#define ORV_SDK_SUPPORT_65(X) \
    X(PGPscInit, "InitPGPsc") \
    X(PGPscDestroy, "UninitPGPsc") \
    X(PGPscEncryptClipboard, "EncryptClipboard") \
    X(PGPscDecryptClipboard, "DecryptClipboard") \
    X(PGPscAddKeyClipboard, "AddKeyClipboard") \
    X(PGPscEraseClipboard, "ClipboardWipe") \
    X(PGPscEncryptFileList, "EncryptFileList") \
    X(PGPscDecryptFileList, "DecryptFileList") \
    X(PGPscAddKeyFileList, "AddKeyFileList") \
    X(PGPscWipeFileList, "WipeFileList") \
    X(PGPscAddToFileList, "AddToFileList") \
    X(PGPscFreeFileList, "FreeFileList") \
    X(PGPscHDropToFileList, "HDropToFileList") \
    X(PGPscCmdLineToFileList, "CmdLineToFileList") \
    X(PGPscGetValidityDrawPrefs, "GetValidityDrawPrefs") \
    X(PGPscGetMarginalInvalidPref, "GetMarginalInvalidPref") \
    X(PGPscGetSecureViewerPref, "GetSecureViewerPref") \
    X(PGPscTempestViewer, "TempestViewer") \
    X(PGPscDoLaunchNet, "DoLaunchNet") \
    X(PGPscDoLaunchKeys, "DoLaunchKeys") \
    X(PGPscDoLaunchTools, "DoLaunchTools") \
    X(PGPscDoLaunchDisk, "DoLaunchDisk") \
    X(PGPscSendPGPlogMsg, "SendPGPlogMsg") \
    X(PGPscPGPpath, "PGPpath")

namespace orv::sdk {

#define ORV_SDK_SLOT(slot, name) PFN_##slot slot = nullptr;
struct Table {
    ORV_SDK_CORE_START(ORV_SDK_SLOT)
    ORV_SDK_NETWORK(ORV_SDK_SLOT)
    ORV_SDK_JOBS(ORV_SDK_SLOT)
    ORV_SDK_KEYS_COMMON(ORV_SDK_SLOT)
    ORV_SDK_KEYS_7(ORV_SDK_SLOT)
    ORV_SDK_KEYS_65(ORV_SDK_SLOT)
    ORV_SDK_KEY_OPTIONS(ORV_SDK_SLOT)
    ORV_SDK_KEY_SERVER(ORV_SDK_SLOT)
    ORV_SDK_MEMORY(ORV_SDK_SLOT)
    ORV_SDK_CLIENT_7(ORV_SDK_SLOT)
    ORV_SDK_CLIENT_65(ORV_SDK_SLOT)
    ORV_SDK_GROUPS(ORV_SDK_SLOT)
    ORV_SDK_CONTEXT(ORV_SDK_SLOT)
    ORV_SDK_OPTIONS(ORV_SDK_SLOT)
    ORV_SDK_OPTIONS_7(ORV_SDK_SLOT)
    ORV_SDK_OPTIONS_65(ORV_SDK_SLOT)
    ORV_SDK_PREFS(ORV_SDK_SLOT)
    ORV_SDK_UI(ORV_SDK_SLOT)
    ORV_SDK_SUPPORT_7(ORV_SDK_SLOT)
};
#undef ORV_SDK_SLOT

// The one table of this deliverable; filled by the loader, read by everyone.
Table& Sdk();

// Calls an entry point that returns a PGPError; an empty slot gives
// kPGPError_EngineNotLoaded instead of a crash.
template <class Fn, class... Args>
PGPError Call(Fn fn, Args... args) {
    if (!fn) return kPGPError_EngineNotLoaded;
    return fn(args...);
}

}  // namespace orv::sdk
