// The release adapters over the loader's table.
#include "engine/adapters.h"

#include <string>

#include "engine/loader.h"
#include "engine/sdk_table.h"

namespace orv::sdk {
namespace {

template <class Out>
void ClearOut(Out* out) {
    if (out) *out = Out{};
}

template <class Fn65, class Fn>
Fn65 As65(Fn fn) {
    return reinterpret_cast<Fn65>(reinterpret_cast<void (*)()>(fn));
}

bool IsBooleanFamily(PropertyFamily65 f) {
    return f == PropertyFamily65::KeyBoolean || f == PropertyFamily65::SubKeyBoolean ||
           f == PropertyFamily65::UserIDBoolean || f == PropertyFamily65::SigBoolean;
}

}  // namespace

Property65 TranslateProperty(PGPKeyDBObjProperty c) {
    using F = PropertyFamily65;
    if (c >= 100 && c <= 116) return {F::KeyBoolean, c - 40};
    if (c >= 200 && c <= 206) return {F::KeyNumber, c - 180};
    if (c == 207) return {F::HashAlgUsed, 0};
    if (c >= 300 && c <= 301) return {F::KeyTime, c - 260};
    if (c == 401) return {F::KeyBuffer, 1};
    if (c == 403 || c == 404) return {F::KeyBuffer, c - 401};
    if (c == 501) return {F::SubKeyBoolean, 62};
    if (c >= 502 && c <= 505) return {F::SubKeyBoolean, c - 438};
    if (c >= 506 && c <= 507) return {F::SubKeyBoolean, c - 431};
    if (c >= 600 && c <= 601) return {F::SubKeyNumber, c - 580};
    if (c >= 602 && c <= 603) return {F::SubKeyNumber, c - 578};
    if (c == 605) return {F::SubKeyNumber, 206};
    if (c >= 700 && c <= 701) return {F::SubKeyTime, c - 660};
    if (c == 900) return {F::UserIDBoolean, 110};
    if (c >= 1000 && c <= 1002) return {F::UserIDNumber, c - 900};
    if (c >= 1200 && c <= 1201) return {F::UserIDString, c - 1120};
    if (c >= 1300 && c <= 1308) return {F::SigBoolean, c - 1120};
    if (c >= 1400 && c <= 1402) return {F::SigNumber, c - 1258};
    if (c >= 1500 && c <= 1501) return {F::SigTime, c - 1340};
    if (c >= 1600 && c <= 1601) return {F::SigBuffer, c - 1480};
    return {};
}

PGPKeyOrdering TranslateOrdering(PGPKeyOrdering order, bool reverse) {
    if (order == 0 || order == 1) return order;
    return 2 * order + (reverse ? 1 : 0) - 2;
}

PGPError RemoveKeys(PGPKeySetRef keys, PGPKeySetRef fromSet) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPDeleteKeys, keys);
    return Call(t.PGPRemoveKeys, keys, fromSet);
}

PGPError OrderKeySet(PGPKeySetRef keySet, PGPKeyOrdering order, bool reverse, PGPKeyListRef* outList) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPOrderKeySet, keySet, order, PGPBoolean(reverse ? 1 : 0), outList);
    ClearOut(outList);
    return Call(As65<PFN65_PGPOrderKeySet>(t.PGPOrderKeySet), keySet, TranslateOrdering(order, reverse), outList);
}

PGPError KeyIterNext(PGPKeyIterRef iter, PGPKeyIterKind kind, PGPKeyDBObjRef* outObj) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPKeyIterNextKeyDBObj, iter, kind, outObj);
    ClearOut(outObj);
    switch (kind) {
        case kPGPKeyIter_Key: return Call(t.PGPKeyIterNext, iter, outObj);
        case kPGPKeyIter_SubKey: return Call(t.PGPKeyIterNextSubKey, iter, outObj);
        case kPGPKeyIter_UserID: return Call(t.PGPKeyIterNextUserID, iter, outObj);
        case kPGPKeyIter_Signature: return Call(t.PGPKeyIterNextUIDSig, iter, outObj);
        default: return kPGPError_EndOfIteration;
    }
}

PGPError KeyIterRewind(PGPKeyIterRef iter, PGPKeyIterKind kind) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPKeyIterRewind, iter, kind);
    switch (kind) {
        case kPGPKeyIter_Key: return Call(As65<PFN65_PGPKeyIterRewind>(t.PGPKeyIterRewind), iter);
        case kPGPKeyIter_SubKey: return Call(t.PGPKeyIterRewindSubKey, iter);
        case kPGPKeyIter_UserID: return Call(t.PGPKeyIterRewindUserID, iter);
        case kPGPKeyIter_Signature: return Call(t.PGPKeyIterRewindUIDSig, iter);
        default: return kPGPError_EndOfIteration;
    }
}

PGPError GetIndexedAdditionalRecipientRequestKey(PGPKeyDBObjRef key, PGPKeySetRef keySet, PGPUInt32 index,
                                                 PGPKeyDBObjRef* outKey, PGPKeyID* outKeyID, PGPByte* outClass) {
    auto& t = Sdk();
    if (loader::IsSDK7())
        return Call(t.PGPGetIndexedAdditionalRecipientRequestKey, key, index, outKey, outKeyID, outClass);
    return Call(As65<PFN65_PGPGetIndexedAdditionalRecipientRequestKey>(t.PGPGetIndexedAdditionalRecipientRequestKey),
                key, keySet, index, outKey, outKeyID, outClass);
}

PGPError GetIndexedRevocationKey(PGPKeyDBObjRef key, PGPKeySetRef keySet, PGPUInt32 index, PGPKeyDBObjRef* outKey,
                                 PGPKeyID* outKeyID) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPGetIndexedRevocationKey, key, index, outKey, outKeyID);
    return Call(As65<PFN65_PGPGetIndexedRevocationKey>(t.PGPGetIndexedRevocationKey), key, keySet, index, outKey,
                outKeyID);
}

PGPError GetPrimaryUserIDName(PGPKeyDBObjRef key, char* buffer, PGPSize bufferSize, PGPSize* outLength) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPGetPrimaryUserIDName, key, buffer, bufferSize, outLength);
    return Call(t.PGPGetPrimaryUserIDNameBuffer, key, bufferSize, buffer, outLength);
}

PGPError FindKeyByKeyID(PGPKeySetRef keySet, const PGPKeyID* keyID, PGPKeyDBObjRef* outKey) {
    auto& t = Sdk();
    ClearOut(outKey);
    if (loader::IsSDK7()) {
        if (!t.PGPPeekKeySetKeyDB) return kPGPError_EngineNotLoaded;
        return Call(t.PGPFindKeyByKeyID, t.PGPPeekKeySetKeyDB(keySet), keyID, outKey);
    }
    return Call(t.PGPGetKeyByKeyID, keySet, keyID, PGPPublicKeyAlgorithm(0), outKey);
}

PGPError NewKeyIDFromString(const char* text, PGPInt32 kind, PGPKeyID* outKeyID) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPNewKeyIDFromString, text, kind, outKeyID);
    return Call(t.PGPGetKeyIDFromString, text, outKeyID);
}

PGPError GetKeyID(PGPKeyDBObjRef key, PGPKeyID* outKeyID) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPGetKeyID, key, outKeyID);
    return Call(t.PGPGetKeyIDFromKey, key, outKeyID);
}

PGPError GetCertifierKeyID(PGPSigRef sig, PGPKeyID* outKeyID) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPGetKeyID, sig, outKeyID);
    return Call(t.PGPGetKeyIDOfCertifier, sig, outKeyID);
}

PGPError NewBooleanFilter(PGPContextRef context, PGPKeyDBObjProperty property, bool value, PGPFilterRef* outFilter) {
    auto& t = Sdk();
    const PGPBoolean match = value ? 1 : 0;
    if (loader::IsSDK7()) return Call(t.PGPNewKeyDBObjBooleanFilter, context, property, match, outFilter);
    ClearOut(outFilter);
    if (property == kPGPKeyProperty_IsDisabled) return Call(t.PGPNewKeyDisabledFilter, context, match, outFilter);
    if (property >= kPGPKeyProperty_CanEncrypt && property <= kPGPKeyProperty_CanVerify)
        return Call(t.PGPNewKeyBooleanFilter, context, property - 40, match, outFilter);
    return kPGPError_InvalidProperty;
}

PGPError NewNumericFilter(PGPContextRef context, PGPKeyDBObjProperty property, PGPUInt32 value,
                          PGPMatchCriterion match, PGPFilterRef* outFilter) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPNewKeyDBObjNumericFilter, context, property, value, match, outFilter);
    ClearOut(outFilter);
    if (property == kPGPKeyProperty_AlgorithmID)
        return Call(t.PGPNewKeySigAlgorithmFilter, context, PGPPublicKeyAlgorithm(value), outFilter);
    return kPGPError_InvalidProperty;
}

PGPError NewTimeFilter(PGPContextRef context, PGPKeyDBObjProperty property, PGPTime value, PGPMatchCriterion match,
                       PGPFilterRef* outFilter) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPNewKeyDBObjTimeFilter, context, property, value, match, outFilter);
    ClearOut(outFilter);
    return kPGPError_InvalidProperty;
}

PGPError NewDataFilter(PGPContextRef context, PGPKeyDBObjProperty property, const void* data, PGPSize length,
                       PGPMatchCriterion match, PGPFilterRef* outFilter) {
    auto& t = Sdk();
    if (loader::IsSDK7())
        return Call(t.PGPNewKeyDBObjDataFilter, context, property, data, length, match, outFilter);
    ClearOut(outFilter);
    const bool isKeyID = property == kPGPKeyProperty_KeyID || property == kPGPSubKeyProperty_KeyID ||
                         property == kPGPSigProperty_KeyID;
    // Release 6.5 reads a whole key ID; a shorter value would be read past.
    if (isKeyID && (!data || length < kPGPKeyIDSize65)) return kPGPError_BadParams;
    auto keyID = static_cast<const PGPKeyID*>(data);
    // Release 6.5 takes user-ID texts zero-terminated.
    std::string text;
    if (data) text.assign(static_cast<const char*>(data), length);
    switch (property) {
        case kPGPKeyProperty_KeyID: return Call(t.PGPNewKeyIDFilter, context, keyID, outFilter);
        case kPGPSubKeyProperty_KeyID: return Call(t.PGPNewSubKeyIDFilter, context, keyID, outFilter);
        case kPGPSigProperty_KeyID: return Call(t.PGPNewSigKeyIDFilter, context, keyID, outFilter);
        case kPGPUserIDProperty_Name:
            return Call(t.PGPNewUserIDStringFilter, context, text.c_str(), match, outFilter);
        case kPGPUserIDProperty_CommonName:
            return Call(t.PGPNewUserIDNameFilter, context, text.c_str(), match, outFilter);
        case kPGPUserIDProperty_EmailAddress:
            return Call(t.PGPNewUserIDEmailFilter, context, text.c_str(), match, outFilter);
        default: return kPGPError_InvalidProperty;
    }
}

PGPError GetBooleanProperty(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property, PGPBoolean* outValue) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPGetKeyDBObjBooleanProperty, obj, property, outValue);
    const Property65 p = TranslateProperty(property);
    if (!IsBooleanFamily(p.family)) return kPGPError_InvalidProperty;
    switch (p.family) {
        case PropertyFamily65::KeyBoolean: return Call(t.PGPGetKeyBoolean, obj, p.code, outValue);
        case PropertyFamily65::SubKeyBoolean: return Call(t.PGPGetSubKeyBoolean, obj, p.code, outValue);
        case PropertyFamily65::UserIDBoolean: return Call(t.PGPGetUserIDBoolean, obj, p.code, outValue);
        default: return Call(t.PGPGetSigBoolean, obj, p.code, outValue);
    }
}

PGPError GetNumericProperty(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property, PGPInt32* outValue) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPGetKeyDBObjNumericProperty, obj, property, outValue);
    const Property65 p = TranslateProperty(property);
    switch (p.family) {
        case PropertyFamily65::KeyNumber: return Call(t.PGPGetKeyNumber, obj, p.code, outValue);
        case PropertyFamily65::HashAlgUsed:
            static_assert(sizeof(PGPHashAlgorithm) == sizeof(PGPInt32));
            return Call(t.PGPGetHashAlgUsed, obj, reinterpret_cast<PGPHashAlgorithm*>(outValue));
        case PropertyFamily65::SubKeyNumber: return Call(t.PGPGetSubKeyNumber, obj, p.code, outValue);
        case PropertyFamily65::UserIDNumber: return Call(t.PGPGetUserIDNumber, obj, p.code, outValue);
        case PropertyFamily65::SigNumber: return Call(t.PGPGetSigNumber, obj, p.code, outValue);
        default: return kPGPError_InvalidProperty;
    }
}

PGPError GetTimeProperty(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property, PGPTime* outValue) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPGetKeyDBObjTimeProperty, obj, property, outValue);
    const Property65 p = TranslateProperty(property);
    switch (p.family) {
        case PropertyFamily65::KeyTime: return Call(t.PGPGetKeyTime, obj, p.code, outValue);
        case PropertyFamily65::SubKeyTime: return Call(t.PGPGetSubKeyTime, obj, p.code, outValue);
        case PropertyFamily65::SigTime: return Call(t.PGPGetSigTime, obj, p.code, outValue);
        default: return kPGPError_InvalidProperty;
    }
}

PGPError GetDataProperty(PGPKeyDBObjRef obj, PGPKeyDBObjProperty property, void* buffer, PGPSize bufferSize,
                         PGPSize* outLength) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPGetKeyDBObjDataProperty, obj, property, buffer, bufferSize, outLength);
    const Property65 p = TranslateProperty(property);
    switch (p.family) {
        case PropertyFamily65::KeyBuffer:
            return Call(t.PGPGetKeyPropertyBuffer, obj, p.code, bufferSize, buffer, outLength);
        case PropertyFamily65::UserIDString:
            return Call(t.PGPGetUserIDStringBuffer, obj, p.code, bufferSize, buffer, outLength);
        case PropertyFamily65::SigBuffer:
            return Call(t.PGPGetSigPropertyBuffer, obj, p.code, bufferSize, buffer, outLength);
        default: return kPGPError_InvalidProperty;
    }
}

PGPOptionListRef KeySourceOption(PGPContextRef context, PGPKeySetRef keySet) {
    auto& t = Sdk();
    if (loader::IsSDK7()) {
        if (!t.PGPOKeyDBRef || !t.PGPPeekKeySetKeyDB) return nullptr;
        return t.PGPOKeyDBRef(context, t.PGPPeekKeySetKeyDB(keySet));
    }
    return t.PGPOKeySetRef ? t.PGPOKeySetRef(context, keySet) : nullptr;
}

PGPError ClientInitLibrary(PGPContextRef context) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPclInitLibrary7, context, PGPFlags(0));
    return Call(t.PGPclInitLibrary, context);
}

PGPError ClientCloseLibrary() {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPclCloseLibrary7);
    return Call(t.PGPclCloseLibrary);
}

PGPError NotifyKeyringChanges(PGPUInt32 processID) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPclNotifyKeyringChanges7, PGPFlags(0), processID);
    return Call(t.PGPclNotifyKeyringChanges, processID);
}

PGPError NotifyPrefsChanges(PGPUInt32 processID) {
    auto& t = Sdk();
    if (loader::IsSDK7()) return Call(t.PGPclNotifyPrefsChanges7, processID);
    return Call(t.PGPclNotifyPrefsChanges, processID);
}

PGPError SelectKeys(PGPContextRef context, PGPtlsContextRef tls, PGPWindowRef parent, const char* prompt,
                    PGPKeySetRef offered, PGPKeySetRef* outSelected) {
    auto& t = Sdk();
    ClearOut(outSelected);
    if (loader::IsSDK7()) {
        if (!t.PGPPeekKeySetKeyDB) return kPGPError_EngineNotLoaded;
        return Call(t.PGPclSelectKeys7, context, tls, parent, prompt, offered, t.PGPPeekKeySetKeyDB(offered),
                    outSelected);
    }
    return Call(t.PGPclSelectKeysEx, context, tls, parent, prompt, offered, offered, outSelected);
}

namespace {

// Release 7 keeps the client preferences open; release 6.5 opens them per use.
class ClientPrefs {
public:
    ClientPrefs() {
        auto& t = Sdk();
        if (loader::IsSDK7()) {
            PGPPrefRef admin = nullptr;
            error_ = Call(t.PGPclPeekClientLibPrefRefs7, &prefs_, &admin);
            admin_ = admin;
        } else {
            PGPMemoryMgrRef mgr = t.PGPGetDefaultMemoryMgr ? t.PGPGetDefaultMemoryMgr() : nullptr;
            error_ = Call(t.PGPclOpenClientPrefs, mgr, &prefs_);
            opened_ = error_ == kPGPError_NoErr;
        }
        if (error_ == kPGPError_NoErr && !prefs_) error_ = kPGPError_PrefNotFound;
    }
    ~ClientPrefs() {
        if (opened_) Call(Sdk().PGPclCloseClientPrefs, prefs_, PGPBoolean(save_ ? 1 : 0));
    }
    ClientPrefs(const ClientPrefs&) = delete;
    ClientPrefs& operator=(const ClientPrefs&) = delete;

    PGPError error() const { return error_; }
    PGPPrefRef get() const { return prefs_; }
    PGPPrefRef admin() const { return admin_; }
    void SaveOnClose() { save_ = true; }

private:
    PGPPrefRef prefs_ = nullptr;
    PGPPrefRef admin_ = nullptr;
    PGPError error_ = kPGPError_PrefNotFound;
    bool opened_ = false;
    bool save_ = false;
};

}  // namespace

PGPError GetClientPrefData(PGPPrefIndex index, std::vector<std::uint8_t>& data) {
    data.clear();
    ClientPrefs prefs;
    if (prefs.error() != kPGPError_NoErr) return prefs.error();
    auto& t = Sdk();
    PGPSize length = 0;
    void* block = nullptr;
    PGPError err = loader::IsSDK7() ? Call(t.PGPclGetPrefData7, prefs.get(), index, &length, &block)
                                    : Call(t.PGPclGetPrefData, prefs.get(), index, &length, &block);
    if (err == kPGPError_NoErr && block) {
        const auto* bytes = static_cast<const std::uint8_t*>(block);
        data.assign(bytes, bytes + length);
    }
    if (block && t.PGPFreeData) t.PGPFreeData(block);
    return err;
}

PGPError SetClientPrefData(PGPPrefIndex index, const std::vector<std::uint8_t>& data) {
    ClientPrefs prefs;
    if (prefs.error() != kPGPError_NoErr) return prefs.error();
    auto& t = Sdk();
    const auto size = static_cast<PGPSize>(data.size());
    if (loader::IsSDK7()) {
        PGPError err = Call(t.PGPclSetPrefData7, prefs.get(), index, size, data.data());
        if (err != kPGPError_NoErr) return err;
        return Call(t.PGPclFlushClientLibPrefs7, prefs.get(), prefs.admin());
    }
    PGPError err = Call(t.PGPclSetPrefData, prefs.get(), index, size, data.data());
    if (err == kPGPError_NoErr) prefs.SaveOnClose();
    return err;
}

PGPError GetClientPrefBoolean(PGPPrefIndex index, bool& value) {
    value = false;
    ClientPrefs prefs;
    if (prefs.error() != kPGPError_NoErr) return prefs.error();
    auto& t = Sdk();
    PGPBoolean b = 0;
    PGPError err = loader::IsSDK7() ? Call(t.PGPclGetPrefBoolean7, prefs.get(), index, &b)
                                    : Call(t.PGPclGetPrefBoolean, prefs.get(), index, &b);
    value = err == kPGPError_NoErr && b != 0;
    return err;
}

}  // namespace orv::sdk
