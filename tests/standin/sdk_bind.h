// Loads the stand-in core library from bin\sdk7 as the product's loader does
// and binds its entry points by name.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/pgpsdk.h"

#define ORV_SDK_FUNCTIONS(X)                                                                              \
    X(PGPsdkInit) X(PGPsdkCleanup) X(PGPGetSDKVersion) X(PGPGetPGPsdkVersionString) X(PGPGetErrorString)   \
    X(PGPNewContext) X(PGPFreeContext) X(PGPContextGetRandomBytes) X(PGPNewFileSpecFromFullPath)           \
    X(PGPFreeFileSpec) X(PGPGetFullPathFromFileSpec) X(PGPCopyFileSpec) X(PGPGetTime) X(PGPGetYMDFromPGPTime) \
    X(PGPNewData) X(PGPNewSecureData) X(PGPFreeData) X(PGPReallocData) X(PGPGetDefaultMemoryMgr)            \
    X(PGPGetMemoryMgrDataInfo) X(PGPNewMemoryMgr) X(PGPFreeMemoryMgr) X(PGPONullOption)                    \
    X(PGPBuildOptionList) X(PGPAppendOptionList) X(PGPNewOptionList) X(PGPCopyOptionList)                   \
    X(PGPFreeOptionList) X(PGPAddJobOptions) X(PGPEncode) X(PGPDecode)                                     \
    X(PGPOLastOption) X(PGPOInputBuffer) X(PGPOInputFile) X(PGPODiscardOutput) X(PGPOAllocatedOutputBuffer) \
    X(PGPOOutputBuffer) X(PGPOOutputFile) X(PGPOPGPMIMEEncoding) X(PGPOOmitMIMEVersion) X(PGPODetachedSig)  \
    X(PGPOConventionalEncrypt) X(PGPOCipherAlgorithm) X(PGPOEncryptToKeyDBObj) X(PGPOEncryptToKeySet)       \
    X(PGPOHashAlgorithm) X(PGPOSignWithKey) X(PGPODataIsASCII) X(PGPOForYourEyesOnly) X(PGPOArmorOutput)    \
    X(PGPOClearSign) X(PGPOPassThroughIfUnrecognized) X(PGPOPassThroughClearSigned) X(PGPOPassThroughKeys)  \
    X(PGPOSendEventIfKeyFound) X(PGPORecursivelyDecode) X(PGPOCompression) X(PGPOCommentString)             \
    X(PGPOVersionString) X(PGPOPassphrase) X(PGPOPassphraseBuffer) X(PGPOPreferredAlgorithms)               \
    X(PGPOKeyDBRef) X(PGPOEventHandler) X(PGPOExportPrivateKeys) X(PGPOExportKeySet) X(PGPOFileNameString)  \
    X(PGPOKeyGenParams) X(PGPOKeyGenName) X(PGPOKeyGenMasterKey) X(PGPOExportFormat)                        \
    X(PGPNewKeyDB) X(PGPOpenKeyDBFile) X(PGPFreeKeyDB) X(PGPFlushKeyDB) X(PGPKeyDBIsUpdated)                \
    X(PGPCountKeysInKeyDB) X(PGPPeekKeyDBRootKeySet) X(PGPPeekKeySetKeyDB) X(PGPNewKeySet)                  \
    X(PGPNewEmptyKeySet) X(PGPNewOneKeySet) X(PGPFreeKeySet) X(PGPIncKeySetRefCount) X(PGPImport)           \
    X(PGPExport) X(PGPCopyKeys) X(PGPAddKeys) X(PGPDeleteKeys) X(PGPCountKeys) X(PGPKeySetIsMember)         \
    X(PGPNewKeyDBObjBooleanFilter) X(PGPNewKeyDBObjNumericFilter) X(PGPNewKeyDBObjDataFilter)               \
    X(PGPNegateFilter) X(PGPIntersectFilters) X(PGPUnionFilters) X(PGPFreeFilter) X(PGPFilterKeySet)       \
    X(PGPOrderKeySet) X(PGPFreeKeyList) X(PGPNewKeyIter) X(PGPFreeKeyIter) X(PGPKeyIterNextKeyDBObj)        \
    X(PGPKeyIterRewind) X(PGPNewKeyIterFromKeySet) X(PGPGenerateKey) X(PGPGenerateSubKey)                  \
    X(PGPSetKeyEnabled) X(PGPSetKeyAxiomatic) X(PGPPassphraseIsValid) X(PGPChangePassphrase) X(PGPGetKeyDBObjBooleanProperty)     \
    X(PGPGetKeyDBObjNumericProperty) X(PGPGetKeyDBObjTimeProperty) X(PGPGetKeyDBObjDataProperty)            \
    X(PGPGetPrimaryUserIDName) X(PGPGetPrimaryUserIDValidity) X(PGPFindKeyByKeyID) X(PGPGetKeyIDString)     \
    X(PGPNewKeyIDFromString) X(PGPGetKeyID) X(PGPCompareKeyIDs) X(PGPCountRevocationKeys)                  \
    X(PGPCountAdditionalRecipientRequests) X(PGPGetSigCertifierKey) X(PGPDeleteKeyDBObj) X(PGPRevoke)      \
    X(PGPGetKeyPasskeyBuffer) X(PGPOPasskeyBuffer) X(PGPGetKeyEntropyNeeded) X(PGPsdkLoadPrefs)             \
    X(PGPsdkLoadDefaultPrefs) X(PGPsdkSavePrefs) X(PGPsdkPrefSetFileSpec) X(PGPsdkPrefGetFileSpec)          \
    X(PGPsdkPrefSetData) X(PGPsdkPrefGetData) X(PGPNewGroupSet) X(PGPNewGroupSetFromFile)                  \
    X(PGPSaveGroupSetToFile) X(PGPFreeGroupSet) X(PGPGroupSetNeedsCommit) X(PGPExportGroupSetToBuffer)      \
    X(PGPImportGroupSetFromBuffer) X(PGPNewGroup) X(PGPCountGroupsInSet) X(PGPGetIndGroupID)               \
    X(PGPDeleteGroup) X(PGPGetGroupInfo) X(PGPAddItemToGroup) X(PGPCountGroupItems) X(PGPGetIndGroupItem)  \
    X(PGPNewGroupItemIter) X(PGPFreeGroupItemIter) X(PGPGroupItemIterNext) X(PGPGetGroupLowestValidity)    \
    X(PGPNewKeySetFromGroup) X(PGPNewFlattenedGroupFromGroup) X(PGPSortGroupSetStd) X(PGPMergeGroupSets)   \
    X(PGPDeleteItemFromGroup) X(PGPSetPrimaryUserID) X(PGPAddUserID) X(PGPGetPrimaryUserID)           \
    X(PGPCertifyUserID) X(PGPRevokeSig) X(PGPAddKeyOptions) X(PGPRemoveKeyOptions) X(PGPUpdateKeyOptions) \
    X(PGPOExportable) X(PGPOSigTrust) X(PGPORevocationKeySet) X(PGPOExpiration) X(PGPOKeyFlags)

struct Sdk {
    HMODULE module = nullptr;
#define ORV_SDK_FIELD(n) PFN_##n n = nullptr;
    ORV_SDK_FUNCTIONS(ORV_SDK_FIELD)
#undef ORV_SDK_FIELD
    std::vector<std::string> missing;

    // dir: the core's folder, relative to the current one (the benchmark also loads the Winelib build's).
    explicit Sdk(const char* dir = "sdk7") {
        SetDllDirectoryA(dir);
        module = LoadLibraryA("PGP_SDK.dll");
        SetDllDirectoryA(nullptr);
        if (!module) return;
#define ORV_SDK_BIND(n)                                                  \
    n = reinterpret_cast<PFN_##n>(reinterpret_cast<void*>(GetProcAddress(module, #n))); \
    if (!n) missing.push_back(#n);
        ORV_SDK_FUNCTIONS(ORV_SDK_BIND)
#undef ORV_SDK_BIND
    }
};

// One process-wide binding, as in a deliverable.
inline Sdk& sdk() {
    static Sdk s;
    return s;
}
