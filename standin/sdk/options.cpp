// Option lists and the option functions. An option function returns a
// temporary list that the consuming call takes over; lists made with
// PGPNewOptionList or PGPBuildOptionList stay with the caller until
// PGPFreeOptionList.
#include <cstring>
#include <new>

#include "standin/export_guard.h"
#include "standin/sdk/internal.h"

namespace {

// The end marker of every variable argument list of options.
PGPOptionList gLastOption;

PGPOptionListRef makeList(PGPContextRef context, sdk::Option opt, bool ok = true) {
    auto* l = new (std::nothrow) PGPOptionList;
    if (!l) return nullptr;
    l->context = context;
    l->failed = !ok || !sdk::check(context);
    l->options.push_back(std::move(opt));
    return l;
}

sdk::Option opt(sdk::Opt t, int32_t n = 0) {
    sdk::Option o{t};
    o.num = n;
    return o;
}

}  // namespace

namespace sdk {

const Option* findOption(const std::vector<Option>& opts, Opt type) {
    const Option* found = nullptr;
    for (const auto& o : opts)
        if (o.type == type) found = &o;  // the last one given wins
    return found;
}

PGPError gatherOptions(PGPOptionListRef first, va_list ap, std::vector<Option>& out) {
    PGPError err = kPGPError_NoErr;
    PGPOptionListRef cur = first;
    int guard = 0;
    while (cur != &gLastOption) {
        if (!check(cur) || ++guard > 4096) {
            // A null or broken list: the rest cannot be walked safely.
            return kPGPError_BadParams;
        }
        if (cur->failed) err = kPGPError_BadParams;
        for (const auto& o : cur->options) out.push_back(o);
        if (!cur->persistent) delete cur;
        cur = va_arg(ap, PGPOptionListRef);
    }
    return err;
}

}  // namespace sdk

using namespace sdk;

namespace {

PGPOptionListRef withSub(PGPContextRef context, Option o, PGPOptionListRef first, va_list ap) {
    PGPError err = gatherOptions(first, ap, o.sub);
    return makeList(context, std::move(o), err == kPGPError_NoErr);
}

}  // namespace

extern "C" {

PGPError PGP_CALL PGPNewOptionList(PGPContextRef context, PGPOptionListRef* outList) {
    try {
        if (!outList) return kPGPError_BadParams;
        *outList = nullptr;
        if (!check(context)) return kPGPError_BadParams;
        auto* l = new (std::nothrow) PGPOptionList;
        if (!l) return kPGPError_OutOfMemory;
        l->context = context;
        l->persistent = true;
        *outList = l;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPBuildOptionList(PGPContextRef context, PGPOptionListRef* outList, PGPOptionListRef firstOption,
                                     ...) {
    try {
        if (outList) *outList = nullptr;
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (!outList || !check(context)) return kPGPError_BadParams;
        if (err) return err;
        auto* l = new (std::nothrow) PGPOptionList;
        if (!l) return kPGPError_OutOfMemory;
        l->context = context;
        l->persistent = true;
        l->options = std::move(opts);
        *outList = l;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPAppendOptionList(PGPOptionListRef list, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        std::vector<Option> opts;
        PGPError err = gatherOptions(firstOption, ap, opts);
        va_end(ap);
        if (!check(list)) return kPGPError_BadParams;
        if (err) return err;
        for (auto& o : opts) list->options.push_back(std::move(o));
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPCopyOptionList(PGPOptionListRef list, PGPOptionListRef* outList) {
    try {
        if (!outList) return kPGPError_BadParams;
        *outList = nullptr;
        if (!check(list) || list == &gLastOption) return kPGPError_BadParams;
        auto* l = new (std::nothrow) PGPOptionList(*list);
        if (!l) return kPGPError_OutOfMemory;
        l->persistent = true;
        *outList = l;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFreeOptionList(PGPOptionListRef list) {
    try {
        if (!check(list) || list == &gLastOption) return kPGPError_BadParams;
        delete list;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOLastOption(PGPContextRef) {
    try {
        return &gLastOption;
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPONullOption(PGPContextRef c) {
    try {
        return makeList(c, opt(Opt::Null));
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOInputBuffer(PGPContextRef c, const void* buffer, PGPSize length) {
    try {
        Option o = opt(Opt::InputBuffer, static_cast<int32_t>(length));
        o.ptr = const_cast<void*>(buffer);
        return makeList(c, o, buffer || length == 0);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOInputFile(PGPContextRef c, PGPFileSpecRef file) {
    try {
        Option o = opt(Opt::InputFile);
        bool ok = check(file) != nullptr;
        if (ok) o.text = file->path;
        return makeList(c, o, ok);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPODiscardOutput(PGPContextRef c, PGPBoolean discard) {
    try {
        return makeList(c, opt(Opt::DiscardOutput, discard));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOAllocatedOutputBuffer(PGPContextRef c, void** outBuffer, PGPSize maxSize,
                                                    PGPSize* outLength) {
    try {
        Option o = opt(Opt::AllocatedOutputBuffer, static_cast<int32_t>(maxSize));
        o.ptr = outBuffer;
        o.ptr2 = outLength;
        if (outBuffer) *outBuffer = nullptr;
        if (outLength) *outLength = 0;
        return makeList(c, o, outBuffer != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOOutputBuffer(PGPContextRef c, void* buffer, PGPSize bufferSize, PGPSize* outLength) {
    try {
        Option o = opt(Opt::OutputBuffer, static_cast<int32_t>(bufferSize));
        o.ptr = buffer;
        o.ptr2 = outLength;
        if (outLength) *outLength = 0;
        return makeList(c, o, buffer || bufferSize == 0);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOOutputFile(PGPContextRef c, PGPFileSpecRef file) {
    try {
        Option o = opt(Opt::OutputFile);
        bool ok = check(file) != nullptr;
        if (ok) o.text = file->path;
        return makeList(c, o, ok);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOPGPMIMEEncoding(PGPContextRef c, PGPBoolean mimeEncoding, PGPSize* outBodyOffset,
                                              char separator[kPGPMIMESeparatorSize]) {
    try {
        Option o = opt(Opt::PGPMIMEEncoding, mimeEncoding);
        o.ptr = outBodyOffset;
        o.ptr2 = separator;
        if (outBodyOffset) *outBodyOffset = 0;
        if (separator) separator[0] = 0;
        return makeList(c, o);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOOmitMIMEVersion(PGPContextRef c, PGPBoolean omit) {
    try {
        return makeList(c, opt(Opt::OmitMIMEVersion, omit));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOLocalEncoding(PGPContextRef c, PGPLocalEncodingFlags flags) {
    try {
        return makeList(c, opt(Opt::LocalEncoding, flags));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOOutputLineEndType(PGPContextRef c, PGPLineEndType lineEnd) {
    try {
        return makeList(c, opt(Opt::OutputLineEndType, lineEnd), lineEnd >= 0 && lineEnd <= kPGPLineEnd_CRLF);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPODetachedSig(PGPContextRef c, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        PGPOptionListRef r = withSub(c, opt(Opt::DetachedSig), firstOption, ap);
        va_end(ap);
        return r;
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOConventionalEncrypt(PGPContextRef c, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        PGPOptionListRef r = withSub(c, opt(Opt::ConventionalEncrypt), firstOption, ap);
        va_end(ap);
        return r;
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOCipherAlgorithm(PGPContextRef c, PGPCipherAlgorithm algorithm) {
    try {
        return makeList(c, opt(Opt::CipherAlgorithm, algorithm));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOEncryptToKeyDBObj(PGPContextRef c, PGPKeyDBObjRef key) {
    try {
        Option o = opt(Opt::EncryptToKey);
        o.ptr = key;
        return makeList(c, o, check(key) != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOEncryptToKey(PGPContextRef c, PGPKeyRef key) {
    try {
        return PGPOEncryptToKeyDBObj(c, key);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOEncryptToKeySet(PGPContextRef c, PGPKeySetRef keySet) {
    try {
        Option o = opt(Opt::EncryptToKeySet);
        o.ptr = keySet;
        return makeList(c, o, check(keySet) != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOHashAlgorithm(PGPContextRef c, PGPHashAlgorithm algorithm) {
    try {
        return makeList(c, opt(Opt::HashAlgorithm, algorithm));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOSignWithKey(PGPContextRef c, PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...) {
    try {
        Option o = opt(Opt::SignWithKey);
        o.ptr = key;
        va_list ap;
        va_start(ap, firstOption);
        PGPError err = gatherOptions(firstOption, ap, o.sub);
        va_end(ap);
        return makeList(c, o, !err && check(key) != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOWarnBelowValidity(PGPContextRef c, PGPValidity v) {
    try {
        return makeList(c, opt(Opt::WarnBelowValidity, v));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOFailBelowValidity(PGPContextRef c, PGPValidity v) {
    try {
        return makeList(c, opt(Opt::FailBelowValidity, v));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOAskUserForEntropy(PGPContextRef c, PGPBoolean ask) {
    try {
        return makeList(c, opt(Opt::AskUserForEntropy, ask));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPODataIsASCII(PGPContextRef c, PGPBoolean isASCII) {
    try {
        return makeList(c, opt(Opt::DataIsASCII, isASCII));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPORawPGPInput(PGPContextRef c, PGPBoolean raw) {
    try {
        return makeList(c, opt(Opt::RawPGPInput, raw));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOForYourEyesOnly(PGPContextRef c, PGPBoolean eyesOnly) {
    try {
        return makeList(c, opt(Opt::ForYourEyesOnly, eyesOnly));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOArmorOutput(PGPContextRef c, PGPBoolean armor) {
    try {
        return makeList(c, opt(Opt::ArmorOutput, armor));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOFileNameString(PGPContextRef c, const char* fileName) {
    try {
        Option o = opt(Opt::FileNameString);
        if (fileName) o.text = fileName;
        return makeList(c, o, fileName != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOClearSign(PGPContextRef c, PGPBoolean clearSign) {
    try {
        return makeList(c, opt(Opt::ClearSign, clearSign));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOPassThroughIfUnrecognized(PGPContextRef c, PGPBoolean p) {
    try {
        return makeList(c, opt(Opt::PassThroughIfUnrecognized, p));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOPassThroughClearSigned(PGPContextRef c, PGPBoolean p) {
    try {
        return makeList(c, opt(Opt::PassThroughClearSigned, p));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOPassThroughKeys(PGPContextRef c, PGPBoolean p) {
    try {
        return makeList(c, opt(Opt::PassThroughKeys, p));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOSendEventIfKeyFound(PGPContextRef c, PGPBoolean s) {
    try {
        return makeList(c, opt(Opt::SendEventIfKeyFound, s));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPORecursivelyDecode(PGPContextRef c, PGPBoolean r) {
    try {
        return makeList(c, opt(Opt::RecursivelyDecode, r));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOAdditionalRecipientRequestKeySet(PGPContextRef c, PGPKeySetRef keySet, PGPByte arkClass) {
    try {
        Option o = opt(Opt::AdditionalRecipientRequestKeySet, arkClass);
        o.ptr = keySet;
        return makeList(c, o, check(keySet) != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOKeyGenName(PGPContextRef c, const void* name, PGPSize length) {
    try {
        Option o = opt(Opt::KeyGenName);
        if (name) o.text.assign(static_cast<const char*>(name), length);
        return makeList(c, o, name != nullptr && length > 0);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOKeyGenMasterKey(PGPContextRef c, PGPKeyDBObjRef masterKey) {
    try {
        Option o = opt(Opt::KeyGenMasterKey);
        o.ptr = masterKey;
        return makeList(c, o, check(masterKey) != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOExportPrivateKeys(PGPContextRef c, PGPBoolean e) {
    try {
        return makeList(c, opt(Opt::ExportPrivateKeys, e));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOKeyGenFast(PGPContextRef c, PGPBoolean f) {
    try {
        return makeList(c, opt(Opt::KeyGenFast, f));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOKeyGenParams(PGPContextRef c, PGPPublicKeyAlgorithm algorithm, PGPUInt32 bits) {
    try {
        Option o = opt(Opt::KeyGenParams, algorithm);
        o.num2 = static_cast<int32_t>(bits);
        return makeList(c, o);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOCreationDate(PGPContextRef c, PGPTime d) {
    try {
        return makeList(c, opt(Opt::CreationDate, static_cast<int32_t>(d)));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOExpiration(PGPContextRef c, PGPUInt32 days) {
    try {
        return makeList(c, opt(Opt::Expiration, static_cast<int32_t>(days)));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOExportable(PGPContextRef c, PGPBoolean e) {
    try {
        return makeList(c, opt(Opt::Exportable, e));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOSigRegularExpression(PGPContextRef c, const char* regExp) {
    try {
        Option o = opt(Opt::SigRegularExpression);
        if (regExp) o.text = regExp;
        return makeList(c, o, regExp != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOSigTrust(PGPContextRef c, PGPUInt32 level, PGPUInt32 value) {
    try {
        Option o = opt(Opt::SigTrust, static_cast<int32_t>(level));
        o.num2 = static_cast<int32_t>(value);
        return makeList(c, o);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPORevocationKeySet(PGPContextRef c, PGPKeySetRef keySet) {
    try {
        Option o = opt(Opt::RevocationKeySet);
        o.ptr = keySet;
        return makeList(c, o, check(keySet) != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOKeyFlags(PGPContextRef c, PGPUInt32 flags) {
    try {
        return makeList(c, opt(Opt::KeyFlags, static_cast<int32_t>(flags)));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOCompression(PGPContextRef c, PGPBoolean compress) {
    try {
        return makeList(c, opt(Opt::Compression, compress));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOCommentString(PGPContextRef c, const char* comment) {
    try {
        Option o = opt(Opt::CommentString);
        if (comment) o.text = comment;
        return makeList(c, o, comment != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOVersionString(PGPContextRef c, const char* version) {
    try {
        Option o = opt(Opt::VersionString);
        if (version) o.text = version;
        return makeList(c, o, version != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOPassphrase(PGPContextRef c, const char* passphrase) {
    try {
        Option o = opt(Opt::Passphrase);
        if (passphrase) o.secret.assign(passphrase, std::strlen(passphrase));
        return makeList(c, o, passphrase != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOPassphraseBuffer(PGPContextRef c, const void* passphrase, PGPSize length) {
    try {
        Option o = opt(Opt::Passphrase);
        if (passphrase) o.secret.assign(passphrase, length);
        return makeList(c, o, passphrase != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOPasskeyBuffer(PGPContextRef c, const void* passkey, PGPSize length) {
    try {
        Option o = opt(Opt::Passkey);
        // A pass key of this library stands for a passphrase; any other is used as given.
        if (passkey && !passphraseForPasskey(passkey, length, o.secret)) o.secret.assign(passkey, length);
        return makeList(c, o, passkey != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOPreferredAlgorithms(PGPContextRef c, const PGPCipherAlgorithm* algorithms,
                                                  PGPUInt32 count) {
    try {
        Option o = opt(Opt::PreferredAlgorithms);
        if (algorithms && count <= 64) o.numbers.assign(algorithms, algorithms + count);
        return makeList(c, o, (algorithms || count == 0) && count <= 64);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOKeyDBRef(PGPContextRef c, PGPKeyDBRef keyDB) {
    try {
        Option o = opt(Opt::KeyDBRef);
        o.ptr = keyDB;
        return makeList(c, o, check(keyDB) != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOKeySetRef(PGPContextRef c, PGPKeySetRef keySet) {
    try {
        Option o = opt(Opt::KeySetRef);
        o.ptr = keySet;
        return makeList(c, o, check(keySet) != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOSendNullEvents(PGPContextRef c, PGPTime interval) {
    try {
        return makeList(c, opt(Opt::SendNullEvents, static_cast<int32_t>(interval)));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOExportFormat(PGPContextRef c, PGPExportFormat format) {
    try {
        return makeList(c, opt(Opt::ExportFormat, format));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOExportKeySet(PGPContextRef c, PGPKeySetRef keySet) {
    try {
        Option o = opt(Opt::ExportKeySet);
        o.ptr = keySet;
        return makeList(c, o, check(keySet) != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOExportPrivateSubkeys(PGPContextRef c, PGPBoolean e) {
    try {
        return makeList(c, opt(Opt::ExportPrivateSubkeys, e));
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOImportKeysTo(PGPContextRef c, PGPKeyDBRef keyDB) {
    try {
        Option o = opt(Opt::ImportKeysTo);
        o.ptr = keyDB;
        return makeList(c, o, check(keyDB) != nullptr);
    } ORV_EXPORT_GUARD
}
PGPOptionListRef PGP_CALL PGPOEventHandler(PGPContextRef c, PGPEventHandlerProcPtr handler, PGPUserValue userValue) {
    try {
        Option o = opt(Opt::EventHandler);
        o.ptr = reinterpret_cast<void*>(handler);
        o.ptr2 = userValue;
        return makeList(c, o);
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT(PGPNewOptionList);
SDK_EXPORT(PGPBuildOptionList);
SDK_EXPORT(PGPAppendOptionList);
SDK_EXPORT(PGPCopyOptionList);
SDK_EXPORT(PGPFreeOptionList);
SDK_EXPORT(PGPOLastOption);
SDK_EXPORT(PGPONullOption);
SDK_EXPORT(PGPOInputBuffer);
SDK_EXPORT(PGPOInputFile);
SDK_EXPORT(PGPODiscardOutput);
SDK_EXPORT(PGPOAllocatedOutputBuffer);
SDK_EXPORT(PGPOOutputBuffer);
SDK_EXPORT(PGPOOutputFile);
SDK_EXPORT(PGPOPGPMIMEEncoding);
SDK_EXPORT(PGPOOmitMIMEVersion);
SDK_EXPORT(PGPOLocalEncoding);
SDK_EXPORT(PGPOOutputLineEndType);
SDK_EXPORT(PGPODetachedSig);
SDK_EXPORT(PGPOConventionalEncrypt);
SDK_EXPORT(PGPOCipherAlgorithm);
SDK_EXPORT7(PGPOEncryptToKeyDBObj);
SDK_EXPORT65(PGPOEncryptToKey);
SDK_EXPORT(PGPOEncryptToKeySet);
SDK_EXPORT(PGPOHashAlgorithm);
SDK_EXPORT(PGPOSignWithKey);
SDK_EXPORT(PGPOWarnBelowValidity);
SDK_EXPORT(PGPOFailBelowValidity);
SDK_EXPORT(PGPOAskUserForEntropy);
SDK_EXPORT(PGPODataIsASCII);
SDK_EXPORT(PGPORawPGPInput);
SDK_EXPORT(PGPOForYourEyesOnly);
SDK_EXPORT(PGPOArmorOutput);
SDK_EXPORT(PGPOFileNameString);
SDK_EXPORT(PGPOClearSign);
SDK_EXPORT(PGPOPassThroughIfUnrecognized);
SDK_EXPORT(PGPOPassThroughClearSigned);
SDK_EXPORT(PGPOPassThroughKeys);
SDK_EXPORT(PGPOSendEventIfKeyFound);
SDK_EXPORT(PGPORecursivelyDecode);
SDK_EXPORT(PGPOAdditionalRecipientRequestKeySet);
SDK_EXPORT(PGPOKeyGenName);
SDK_EXPORT(PGPOKeyGenMasterKey);
SDK_EXPORT(PGPOExportPrivateKeys);
SDK_EXPORT(PGPOKeyGenFast);
SDK_EXPORT(PGPOKeyGenParams);
SDK_EXPORT(PGPOCreationDate);
SDK_EXPORT(PGPOExpiration);
SDK_EXPORT(PGPOExportable);
SDK_EXPORT(PGPOSigRegularExpression);
SDK_EXPORT(PGPOSigTrust);
SDK_EXPORT(PGPORevocationKeySet);
SDK_EXPORT7(PGPOKeyFlags);
SDK_EXPORT(PGPOCompression);
SDK_EXPORT(PGPOCommentString);
SDK_EXPORT(PGPOVersionString);
SDK_EXPORT(PGPOPassphrase);
SDK_EXPORT(PGPOPassphraseBuffer);
SDK_EXPORT(PGPOPasskeyBuffer);
SDK_EXPORT(PGPOPreferredAlgorithms);
SDK_EXPORT7(PGPOKeyDBRef);
SDK_EXPORT65(PGPOKeySetRef);
SDK_EXPORT(PGPOSendNullEvents);
SDK_EXPORT(PGPOExportFormat);
SDK_EXPORT(PGPOExportKeySet);
SDK_EXPORT(PGPOExportPrivateSubkeys);
SDK_EXPORT(PGPOImportKeysTo);
SDK_EXPORT(PGPOEventHandler);
