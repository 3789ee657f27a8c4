// Start and end, version, error texts, contexts, file references, time
// and random bytes.
#include <windows.h>
#include <ntsecapi.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "standin/export_guard.h"
#include "standin/sdk/internal.h"

#ifndef ORV_SDK_VERSION
#define ORV_SDK_VERSION 0x02010000
#endif

namespace {

int gInitCount = 0;

struct ErrorText {
    PGPError code;
    const char* text;
};
const ErrorText kErrorTexts[] = {
    {kPGPError_NoErr, "No error"},
    {kPGPError_BadParams, "Bad parameters"},
    {kPGPError_OutOfMemory, "Out of memory"},
    {sdk::kErrBufferTooSmall, "Buffer too small"},
    {kPGPError_FileNotFound, "File not found"},
    {kPGPError_CantOpenFile, "Can't open file"},
    {kPGPError_ReadFailed, "Read failed"},
    {kPGPError_WriteFailed, "Write failed"},
    {kPGPError_UserAbort, "User cancelled"},
    {sdk::kErrUnknownError, "Unknown error"},
    {kPGPError_EmptyInput, "Item not found"},
    {kPGPError_PrefNotFound, "Preference not found"},
    {kPGPError_EndOfIteration, "End of iteration"},
    {kPGPError_EngineNotLoaded, "Improper initialization"},
    {sdk::kErrBadPassphrase, "Bad passphrase"},
    {sdk::kErrKeyRevoked, "Key has been revoked"},
    {sdk::kErrKeyExpired, "Key has expired"},
    {sdk::kErrKeyDisabled, "Key has been disabled"},
    {sdk::kErrCantEncrypt, "Key can't be used for encryption"},
    {sdk::kErrCantSign, "Key can't be used for signing"},
    {kPGPError_NeedPassphrase, "Needed passphrase is missing"},
    {sdk::kErrNoDecryptionKey, "Unable to decrypt, no key"},
    {kPGPError_DetachedSignatureWithoutData, "Detached signature found without data"},
    {kPGPError_SkipSection, "User says to skip this section"},
    {sdk::kErrBadSignature, "Bad signature"},
    {sdk::kErrCantDecrypt, "Cannot decrypt message"},
    {sdk::kErrSecretKeyNotFound, "No secret key found"},
    {sdk::kErrArmorIncomplete, "ASCII armor input incomplete"},
    {kPGPError_UnknownPublicKeyAlgorithm, "Unknown public key algorithm"},
    {kPGPError_InvalidProperty, "Invalid property name"},
    {kPGPError_ItemNotFound, "Required public key not found"},
};

}  // namespace

namespace sdk {

uint32_t unixTime() {
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    return static_cast<uint32_t>(u.QuadPart / 10000000ULL - kUnixEpochSeconds);
}

PGPError mapRnp(rnp_result_t r, PGPError fallback) {
    switch (r) {
    case RNP_SUCCESS: return kPGPError_NoErr;
    case RNP_ERROR_BAD_PARAMETERS: return kPGPError_BadParams;
    case RNP_ERROR_OUT_OF_MEMORY: return kPGPError_OutOfMemory;
    case RNP_ERROR_BAD_PASSWORD: return kErrBadPassphrase;
    case RNP_ERROR_NO_SUITABLE_KEY: return kErrNoDecryptionKey;
    case RNP_ERROR_KEY_NOT_FOUND: return kPGPError_ItemNotFound;
    case RNP_ERROR_SIGNATURE_INVALID: return kErrBadSignature;
    case RNP_ERROR_DECRYPT_FAILED: return kErrCantDecrypt;
    case RNP_ERROR_READ: return kPGPError_ReadFailed;
    case RNP_ERROR_WRITE: return kPGPError_WriteFailed;
    default: return fallback;
    }
}

}  // namespace sdk

using namespace sdk;

extern "C" {

PGPError PGP_CALL PGPsdkInit(PGPFlags) {
    try {
        ++gInitCount;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPsdkCleanup(void) {
    try {
        if (gInitCount > 0) --gInitCount;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

// Release 7 answers with a result of 0x02000000 or more; release 6.5 with a
// small result and its version in the out value.
PGPInt32 PGP_CALL PGPGetSDKVersion(PGPUInt32* outVersion) {
    try {
        if (outVersion) *outVersion = ORV_SDK_RELEASE == 65 ? 0x03003000 : 0x03300000;
        return ORV_SDK_VERSION;
    } ORV_EXPORT_GUARD
}

PGPInt32 PGP_CALL PGPGetPGPsdkVersion(PGPUInt32* outVersion) {
    try {
        return PGPGetSDKVersion(outVersion);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetPGPsdkVersionString(char versionString[kPGPsdkVersionStringSize]) {
    try {
        if (!versionString) return kPGPError_BadParams;
        std::snprintf(versionString, kPGPsdkVersionStringSize, "PGPsdk %s stand-in (RNP %s)",
                      ORV_SDK_RELEASE == 65 ? "6.5" : "7", rnp_version_string());
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetSDKString(char versionString[kPGPsdkVersionStringSize]) {
    try {
        return PGPGetPGPsdkVersionString(versionString);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetErrorString(PGPError error, PGPSize bufferSize, char* buffer) {
    try {
        if (!buffer || bufferSize == 0) return kPGPError_BadParams;
        const char* text = nullptr;
        for (const auto& e : kErrorTexts)
            if (e.code == error) text = e.text;
        char fallback[64];
        if (!text) {
            std::snprintf(fallback, sizeof fallback, "Undescribed PGP error %ld", static_cast<long>(error));
            text = fallback;
        }
        std::snprintf(buffer, bufferSize, "%s", text);
        return std::strlen(text) < bufferSize ? kPGPError_NoErr : kErrBufferTooSmall;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewContext(PGPUInt32 clientAPIVersion, PGPContextRef* outContext) {
    try {
        if (!outContext) return kPGPError_BadParams;
        *outContext = nullptr;
        auto* c = new (std::nothrow) PGPContext;
        if (!c) return kPGPError_OutOfMemory;
        c->mgr = PGPGetDefaultMemoryMgr();
        *outContext = c;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFreeContext(PGPContextRef context) {
    try {
        if (!check(context)) return kPGPError_BadParams;
        delete context;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetContextUserValue(PGPContextRef context, PGPUserValue* outValue) {
    try {
        if (!check(context) || !outValue) return kPGPError_BadParams;
        *outValue = context->userValue;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSetContextUserValue(PGPContextRef context, PGPUserValue value) {
    try {
        if (!check(context)) return kPGPError_BadParams;
        context->userValue = value;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPContextGetRandomBytes(PGPContextRef context, void* buffer, PGPSize count) {
    try {
        if (!check(context) || (!buffer && count)) return kPGPError_BadParams;
        auto* p = static_cast<unsigned char*>(buffer);
        while (count) {
            ULONG chunk = count > (1u << 20) ? (1u << 20) : static_cast<ULONG>(count);
            if (!RtlGenRandom(p, chunk)) return kErrUnknownError;
            p += chunk;
            count -= chunk;
        }
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewFileSpecFromFullPath(PGPContextRef context, const char* path, PGPFileSpecRef* outSpec) {
    try {
        if (!outSpec) return kPGPError_BadParams;
        *outSpec = nullptr;
        if (!check(context) || !path || !*path) return kPGPError_BadParams;
        auto* f = new (std::nothrow) PGPFileSpec;
        if (!f) return kPGPError_OutOfMemory;
        f->context = context;
        f->path = path;
        *outSpec = f;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPCopyFileSpec(PGPFileSpecRef spec, PGPFileSpecRef* outSpec) {
    try {
        if (!outSpec) return kPGPError_BadParams;
        *outSpec = nullptr;
        if (!check(spec)) return kPGPError_BadParams;
        auto* f = new (std::nothrow) PGPFileSpec(*spec);
        if (!f) return kPGPError_OutOfMemory;
        *outSpec = f;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFreeFileSpec(PGPFileSpecRef spec) {
    try {
        if (!check(spec)) return kPGPError_BadParams;
        delete spec;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetFullPathFromFileSpec(PGPFileSpecRef spec, char** outPath) {
    try {
        if (!outPath) return kPGPError_BadParams;
        *outPath = nullptr;
        if (!check(spec)) return kPGPError_BadParams;
        *outPath = static_cast<char*>(allocCopy(contextMgr(spec->context), spec->path.data(), spec->path.size(), false));
        return *outPath ? kPGPError_NoErr : kPGPError_OutOfMemory;
    } ORV_EXPORT_GUARD
}

PGPTime PGP_CALL PGPGetTime(void) {
    try {
        return sdk::unixTime();
    } ORV_EXPORT_GUARD
}
PGPUInt32 PGP_CALL PGPGetStdTimeFromPGPTime(PGPTime time) {
    try {
        return time;
    } ORV_EXPORT_GUARD
}
PGPTime PGP_CALL PGPGetPGPTimeFromStdTime(PGPUInt32 stdTime) {
    try {
        return stdTime;
    } ORV_EXPORT_GUARD
}

void PGP_CALL PGPGetYMDFromPGPTime(PGPTime time, PGPUInt16* year, PGPUInt16* month, PGPUInt16* day) {
    try {
        ULARGE_INTEGER u;
        u.QuadPart = (static_cast<ULONGLONG>(time) + sdk::kUnixEpochSeconds) * 10000000ULL;
        FILETIME ft{u.LowPart, u.HighPart};
        SYSTEMTIME st{};
        FileTimeToSystemTime(&ft, &st);
        if (year) *year = st.wYear;
        if (month) *month = st.wMonth;
        if (day) *day = st.wDay;
    } ORV_EXPORT_GUARD_VOID
}

}  // extern "C"

SDK_EXPORT(PGPsdkInit);
SDK_EXPORT(PGPsdkCleanup);
SDK_EXPORT(PGPGetSDKVersion);
SDK_EXPORT(PGPGetPGPsdkVersion);
SDK_EXPORT7(PGPGetPGPsdkVersionString);
SDK_EXPORT65(PGPGetSDKString);
SDK_EXPORT(PGPGetErrorString);
SDK_EXPORT(PGPNewContext);
SDK_EXPORT(PGPFreeContext);
SDK_EXPORT(PGPGetContextUserValue);
SDK_EXPORT(PGPSetContextUserValue);
SDK_EXPORT(PGPContextGetRandomBytes);
SDK_EXPORT(PGPNewFileSpecFromFullPath);
SDK_EXPORT(PGPCopyFileSpec);
SDK_EXPORT(PGPFreeFileSpec);
SDK_EXPORT(PGPGetFullPathFromFileSpec);
SDK_EXPORT(PGPGetTime);
SDK_EXPORT(PGPGetStdTimeFromPGPTime);
SDK_EXPORT(PGPGetPGPTimeFromStdTime);
SDK_EXPORT(PGPGetYMDFromPGPTime);
