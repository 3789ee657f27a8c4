// Option lists and the option functions. An option function returns a
// temporary list that the consuming call takes over; lists made with
// PGPNewOptionList or PGPBuildOptionList stay with the caller until
// PGPFreeOptionList.
#include <cstring>
#include <new>

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
    if (!outList) return kPGPError_BadParams;
    *outList = nullptr;
    if (!check(context)) return kPGPError_BadParams;
    auto* l = new (std::nothrow) PGPOptionList;
    if (!l) return kPGPError_OutOfMemory;
    l->context = context;
    l->persistent = true;
    *outList = l;
    return kPGPError_NoErr;
}

PGPError PGP_CALL PGPBuildOptionList(PGPContextRef context, PGPOptionListRef* outList, PGPOptionListRef firstOption,
                                     ...) {
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
}

PGPError PGP_CALL PGPAppendOptionList(PGPOptionListRef list, PGPOptionListRef firstOption, ...) {
    va_list ap;
    va_start(ap, firstOption);
    std::vector<Option> opts;
    PGPError err = gatherOptions(firstOption, ap, opts);
    va_end(ap);
    if (!check(list)) return kPGPError_BadParams;
    if (err) return err;
    for (auto& o : opts) list->options.push_back(std::move(o));
    return kPGPError_NoErr;
}

PGPError PGP_CALL PGPCopyOptionList(PGPOptionListRef list, PGPOptionListRef* outList) {
    if (!outList) return kPGPError_BadParams;
    *outList = nullptr;
    if (!check(list) || list == &gLastOption) return kPGPError_BadParams;
    auto* l = new (std::nothrow) PGPOptionList(*list);
    if (!l) return kPGPError_OutOfMemory;
    l->persistent = true;
    *outList = l;
    return kPGPError_NoErr;
}

PGPError PGP_CALL PGPFreeOptionList(PGPOptionListRef list) {
    if (!check(list) || list == &gLastOption) return kPGPError_BadParams;
    delete list;
    return kPGPError_NoErr;
}

PGPOptionListRef PGP_CALL PGPOLastOption(PGPContextRef) { return &gLastOption; }
PGPOptionListRef PGP_CALL PGPONullOption(PGPContextRef c) { return makeList(c, opt(Opt::Null)); }

PGPOptionListRef PGP_CALL PGPOInputBuffer(PGPContextRef c, const void* buffer, PGPSize length) {
    Option o = opt(Opt::InputBuffer, static_cast<int32_t>(length));
    o.ptr = const_cast<void*>(buffer);
    return makeList(c, o, buffer || length == 0);
}
PGPOptionListRef PGP_CALL PGPOInputFile(PGPContextRef c, PGPFileSpecRef file) {
    Option o = opt(Opt::InputFile);
    bool ok = check(file) != nullptr;
    if (ok) o.text = file->path;
    return makeList(c, o, ok);
}
PGPOptionListRef PGP_CALL PGPODiscardOutput(PGPContextRef c, PGPBoolean discard) {
    return makeList(c, opt(Opt::DiscardOutput, discard));
}
PGPOptionListRef PGP_CALL PGPOAllocatedOutputBuffer(PGPContextRef c, void** outBuffer, PGPSize maxSize,
                                                    PGPSize* outLength) {
    Option o = opt(Opt::AllocatedOutputBuffer, static_cast<int32_t>(maxSize));
    o.ptr = outBuffer;
    o.ptr2 = outLength;
    if (outBuffer) *outBuffer = nullptr;
    if (outLength) *outLength = 0;
    return makeList(c, o, outBuffer != nullptr);
}
PGPOptionListRef PGP_CALL PGPOOutputBuffer(PGPContextRef c, void* buffer, PGPSize bufferSize, PGPSize* outLength) {
    Option o = opt(Opt::OutputBuffer, static_cast<int32_t>(bufferSize));
    o.ptr = buffer;
    o.ptr2 = outLength;
    if (outLength) *outLength = 0;
    return makeList(c, o, buffer || bufferSize == 0);
}
PGPOptionListRef PGP_CALL PGPOOutputFile(PGPContextRef c, PGPFileSpecRef file) {
    Option o = opt(Opt::OutputFile);
    bool ok = check(file) != nullptr;
    if (ok) o.text = file->path;
    return makeList(c, o, ok);
}
PGPOptionListRef PGP_CALL PGPOPGPMIMEEncoding(PGPContextRef c, PGPBoolean mimeEncoding, PGPSize* outBodyOffset,
                                              char separator[kPGPMIMESeparatorSize]) {
    Option o = opt(Opt::PGPMIMEEncoding, mimeEncoding);
    o.ptr = outBodyOffset;
    o.ptr2 = separator;
    if (outBodyOffset) *outBodyOffset = 0;
    if (separator) separator[0] = 0;
    return makeList(c, o);
}
PGPOptionListRef PGP_CALL PGPOOmitMIMEVersion(PGPContextRef c, PGPBoolean omit) {
    return makeList(c, opt(Opt::OmitMIMEVersion, omit));
}
PGPOptionListRef PGP_CALL PGPOLocalEncoding(PGPContextRef c, PGPLocalEncodingFlags flags) {
    return makeList(c, opt(Opt::LocalEncoding, flags));
}
PGPOptionListRef PGP_CALL PGPOOutputLineEndType(PGPContextRef c, PGPLineEndType lineEnd) {
    return makeList(c, opt(Opt::OutputLineEndType, lineEnd), lineEnd >= 0 && lineEnd <= kPGPLineEnd_CRLF);
}
PGPOptionListRef PGP_CALL PGPODetachedSig(PGPContextRef c, PGPOptionListRef firstOption, ...) {
    va_list ap;
    va_start(ap, firstOption);
    PGPOptionListRef r = withSub(c, opt(Opt::DetachedSig), firstOption, ap);
    va_end(ap);
    return r;
}
PGPOptionListRef PGP_CALL PGPOConventionalEncrypt(PGPContextRef c, PGPOptionListRef firstOption, ...) {
    va_list ap;
    va_start(ap, firstOption);
    PGPOptionListRef r = withSub(c, opt(Opt::ConventionalEncrypt), firstOption, ap);
    va_end(ap);
    return r;
}
PGPOptionListRef PGP_CALL PGPOCipherAlgorithm(PGPContextRef c, PGPCipherAlgorithm algorithm) {
    return makeList(c, opt(Opt::CipherAlgorithm, algorithm));
}
PGPOptionListRef PGP_CALL PGPOEncryptToKeyDBObj(PGPContextRef c, PGPKeyDBObjRef key) {
    Option o = opt(Opt::EncryptToKey);
    o.ptr = key;
    return makeList(c, o, check(key) != nullptr);
}
PGPOptionListRef PGP_CALL PGPOEncryptToKey(PGPContextRef c, PGPKeyRef key) { return PGPOEncryptToKeyDBObj(c, key); }
PGPOptionListRef PGP_CALL PGPOEncryptToKeySet(PGPContextRef c, PGPKeySetRef keySet) {
    Option o = opt(Opt::EncryptToKeySet);
    o.ptr = keySet;
    return makeList(c, o, check(keySet) != nullptr);
}
PGPOptionListRef PGP_CALL PGPOHashAlgorithm(PGPContextRef c, PGPHashAlgorithm algorithm) {
    return makeList(c, opt(Opt::HashAlgorithm, algorithm));
}
PGPOptionListRef PGP_CALL PGPOSignWithKey(PGPContextRef c, PGPKeyDBObjRef key, PGPOptionListRef firstOption, ...) {
    Option o = opt(Opt::SignWithKey);
    o.ptr = key;
    va_list ap;
    va_start(ap, firstOption);
    PGPError err = gatherOptions(firstOption, ap, o.sub);
    va_end(ap);
    return makeList(c, o, !err && check(key) != nullptr);
}
PGPOptionListRef PGP_CALL PGPOWarnBelowValidity(PGPContextRef c, PGPValidity v) {
    return makeList(c, opt(Opt::WarnBelowValidity, v));
}
PGPOptionListRef PGP_CALL PGPOFailBelowValidity(PGPContextRef c, PGPValidity v) {
    return makeList(c, opt(Opt::FailBelowValidity, v));
}
PGPOptionListRef PGP_CALL PGPOAskUserForEntropy(PGPContextRef c, PGPBoolean ask) {
    return makeList(c, opt(Opt::AskUserForEntropy, ask));
}
PGPOptionListRef PGP_CALL PGPODataIsASCII(PGPContextRef c, PGPBoolean isASCII) {
    return makeList(c, opt(Opt::DataIsASCII, isASCII));
}
PGPOptionListRef PGP_CALL PGPORawPGPInput(PGPContextRef c, PGPBoolean raw) {
    return makeList(c, opt(Opt::RawPGPInput, raw));
}
PGPOptionListRef PGP_CALL PGPOForYourEyesOnly(PGPContextRef c, PGPBoolean eyesOnly) {
    return makeList(c, opt(Opt::ForYourEyesOnly, eyesOnly));
}
PGPOptionListRef PGP_CALL PGPOArmorOutput(PGPContextRef c, PGPBoolean armor) {
    return makeList(c, opt(Opt::ArmorOutput, armor));
}
PGPOptionListRef PGP_CALL PGPOFileNameString(PGPContextRef c, const char* fileName) {
    Option o = opt(Opt::FileNameString);
    if (fileName) o.text = fileName;
    return makeList(c, o, fileName != nullptr);
}
PGPOptionListRef PGP_CALL PGPOClearSign(PGPContextRef c, PGPBoolean clearSign) {
    return makeList(c, opt(Opt::ClearSign, clearSign));
}
PGPOptionListRef PGP_CALL PGPOPassThroughIfUnrecognized(PGPContextRef c, PGPBoolean p) {
    return makeList(c, opt(Opt::PassThroughIfUnrecognized, p));
}
PGPOptionListRef PGP_CALL PGPOPassThroughClearSigned(PGPContextRef c, PGPBoolean p) {
    return makeList(c, opt(Opt::PassThroughClearSigned, p));
}
PGPOptionListRef PGP_CALL PGPOPassThroughKeys(PGPContextRef c, PGPBoolean p) {
    return makeList(c, opt(Opt::PassThroughKeys, p));
}
PGPOptionListRef PGP_CALL PGPOSendEventIfKeyFound(PGPContextRef c, PGPBoolean s) {
    return makeList(c, opt(Opt::SendEventIfKeyFound, s));
}
PGPOptionListRef PGP_CALL PGPORecursivelyDecode(PGPContextRef c, PGPBoolean r) {
    return makeList(c, opt(Opt::RecursivelyDecode, r));
}
PGPOptionListRef PGP_CALL PGPOAdditionalRecipientRequestKeySet(PGPContextRef c, PGPKeySetRef keySet, PGPByte arkClass) {
    Option o = opt(Opt::AdditionalRecipientRequestKeySet, arkClass);
    o.ptr = keySet;
    return makeList(c, o, check(keySet) != nullptr);
}
PGPOptionListRef PGP_CALL PGPOKeyGenName(PGPContextRef c, const void* name, PGPSize length) {
    Option o = opt(Opt::KeyGenName);
    if (name) o.text.assign(static_cast<const char*>(name), length);
    return makeList(c, o, name != nullptr && length > 0);
}
PGPOptionListRef PGP_CALL PGPOKeyGenMasterKey(PGPContextRef c, PGPKeyDBObjRef masterKey) {
    Option o = opt(Opt::KeyGenMasterKey);
    o.ptr = masterKey;
    return makeList(c, o, check(masterKey) != nullptr);
}
PGPOptionListRef PGP_CALL PGPOExportPrivateKeys(PGPContextRef c, PGPBoolean e) {
    return makeList(c, opt(Opt::ExportPrivateKeys, e));
}
PGPOptionListRef PGP_CALL PGPOKeyGenFast(PGPContextRef c, PGPBoolean f) { return makeList(c, opt(Opt::KeyGenFast, f)); }
PGPOptionListRef PGP_CALL PGPOKeyGenParams(PGPContextRef c, PGPPublicKeyAlgorithm algorithm, PGPUInt32 bits) {
    Option o = opt(Opt::KeyGenParams, algorithm);
    o.num2 = static_cast<int32_t>(bits);
    return makeList(c, o);
}
PGPOptionListRef PGP_CALL PGPOCreationDate(PGPContextRef c, PGPTime d) {
    return makeList(c, opt(Opt::CreationDate, static_cast<int32_t>(d)));
}
PGPOptionListRef PGP_CALL PGPOExpiration(PGPContextRef c, PGPUInt32 days) {
    return makeList(c, opt(Opt::Expiration, static_cast<int32_t>(days)));
}
PGPOptionListRef PGP_CALL PGPOExportable(PGPContextRef c, PGPBoolean e) { return makeList(c, opt(Opt::Exportable, e)); }
PGPOptionListRef PGP_CALL PGPOSigRegularExpression(PGPContextRef c, const char* regExp) {
    Option o = opt(Opt::SigRegularExpression);
    if (regExp) o.text = regExp;
    return makeList(c, o, regExp != nullptr);
}
PGPOptionListRef PGP_CALL PGPOSigTrust(PGPContextRef c, PGPUInt32 level, PGPUInt32 value) {
    Option o = opt(Opt::SigTrust, static_cast<int32_t>(level));
    o.num2 = static_cast<int32_t>(value);
    return makeList(c, o);
}
PGPOptionListRef PGP_CALL PGPORevocationKeySet(PGPContextRef c, PGPKeySetRef keySet) {
    Option o = opt(Opt::RevocationKeySet);
    o.ptr = keySet;
    return makeList(c, o, check(keySet) != nullptr);
}
PGPOptionListRef PGP_CALL PGPOKeyFlags(PGPContextRef c, PGPUInt32 flags) {
    return makeList(c, opt(Opt::KeyFlags, static_cast<int32_t>(flags)));
}
PGPOptionListRef PGP_CALL PGPOCompression(PGPContextRef c, PGPBoolean compress) {
    return makeList(c, opt(Opt::Compression, compress));
}
PGPOptionListRef PGP_CALL PGPOCommentString(PGPContextRef c, const char* comment) {
    Option o = opt(Opt::CommentString);
    if (comment) o.text = comment;
    return makeList(c, o, comment != nullptr);
}
PGPOptionListRef PGP_CALL PGPOVersionString(PGPContextRef c, const char* version) {
    Option o = opt(Opt::VersionString);
    if (version) o.text = version;
    return makeList(c, o, version != nullptr);
}
PGPOptionListRef PGP_CALL PGPOPassphrase(PGPContextRef c, const char* passphrase) {
    Option o = opt(Opt::Passphrase);
    if (passphrase) o.secret.assign(passphrase, std::strlen(passphrase));
    return makeList(c, o, passphrase != nullptr);
}
PGPOptionListRef PGP_CALL PGPOPassphraseBuffer(PGPContextRef c, const void* passphrase, PGPSize length) {
    Option o = opt(Opt::Passphrase);
    if (passphrase) o.secret.assign(passphrase, length);
    return makeList(c, o, passphrase != nullptr);
}
PGPOptionListRef PGP_CALL PGPOPasskeyBuffer(PGPContextRef c, const void* passkey, PGPSize length) {
    Option o = opt(Opt::Passkey);
    // A pass key of this library stands for a passphrase; any other is used as given.
    if (passkey && !passphraseForPasskey(passkey, length, o.secret)) o.secret.assign(passkey, length);
    return makeList(c, o, passkey != nullptr);
}
PGPOptionListRef PGP_CALL PGPOPreferredAlgorithms(PGPContextRef c, const PGPCipherAlgorithm* algorithms,
                                                  PGPUInt32 count) {
    Option o = opt(Opt::PreferredAlgorithms);
    if (algorithms && count <= 64) o.numbers.assign(algorithms, algorithms + count);
    return makeList(c, o, (algorithms || count == 0) && count <= 64);
}
PGPOptionListRef PGP_CALL PGPOKeyDBRef(PGPContextRef c, PGPKeyDBRef keyDB) {
    Option o = opt(Opt::KeyDBRef);
    o.ptr = keyDB;
    return makeList(c, o, check(keyDB) != nullptr);
}
PGPOptionListRef PGP_CALL PGPOKeySetRef(PGPContextRef c, PGPKeySetRef keySet) {
    Option o = opt(Opt::KeySetRef);
    o.ptr = keySet;
    return makeList(c, o, check(keySet) != nullptr);
}
PGPOptionListRef PGP_CALL PGPOSendNullEvents(PGPContextRef c, PGPTime interval) {
    return makeList(c, opt(Opt::SendNullEvents, static_cast<int32_t>(interval)));
}
PGPOptionListRef PGP_CALL PGPOExportFormat(PGPContextRef c, PGPExportFormat format) {
    return makeList(c, opt(Opt::ExportFormat, format));
}
PGPOptionListRef PGP_CALL PGPOExportKeySet(PGPContextRef c, PGPKeySetRef keySet) {
    Option o = opt(Opt::ExportKeySet);
    o.ptr = keySet;
    return makeList(c, o, check(keySet) != nullptr);
}
PGPOptionListRef PGP_CALL PGPOExportPrivateSubkeys(PGPContextRef c, PGPBoolean e) {
    return makeList(c, opt(Opt::ExportPrivateSubkeys, e));
}
PGPOptionListRef PGP_CALL PGPOImportKeysTo(PGPContextRef c, PGPKeyDBRef keyDB) {
    Option o = opt(Opt::ImportKeysTo);
    o.ptr = keyDB;
    return makeList(c, o, check(keyDB) != nullptr);
}
PGPOptionListRef PGP_CALL PGPOEventHandler(PGPContextRef c, PGPEventHandlerProcPtr handler, PGPUserValue userValue) {
    Option o = opt(Opt::EventHandler);
    o.ptr = reinterpret_cast<void*>(handler);
    o.ptr2 = userValue;
    return makeList(c, o);
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
