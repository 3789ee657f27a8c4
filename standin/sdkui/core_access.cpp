#include "standin/sdkui/core_access.h"

#include <windows.h>

#include <cstring>

namespace companion {

const Core& core() {
    static const Core bound = [] {
        Core c;
        HMODULE m = GetModuleHandleA("PGP_SDK.dll");
        if (!m) m = GetModuleHandleA("PGPSDK.dll");
        if (!m) return c;
        bool all = true;
#define ORV_COMPANION_BIND(n)                                                              \
    c.n = reinterpret_cast<PFN_##n>(reinterpret_cast<void*>(GetProcAddress(m, #n))); \
    all = all && c.n;
        ORV_COMPANION_CORE(ORV_COMPANION_BIND)
#undef ORV_COMPANION_BIND
        c.complete = all;
        return c;
    }();
    return bound;
}

void wipe(void* p, size_t n) {
    if (p && n) SecureZeroMemory(p, n);
}

std::string keyIDText(const PGPKeyID& id) {
    const Core& c = core();
    char text[kPGPMaxKeyIDStringSize] = {};
    if (!c.PGPGetKeyIDString || c.PGPGetKeyIDString(&id, kPGPKeyIDString_Full, text) != kPGPError_NoErr) return {};
    return text;
}

namespace {

const char* algorithmName(int algorithm) {
    switch (algorithm) {
        case kPGPPublicKeyAlgorithm_RSA:
        case kPGPPublicKeyAlgorithm_RSAEncryptOnly:
        case kPGPPublicKeyAlgorithm_RSASignOnly: return "RSA";
        case kPGPPublicKeyAlgorithm_ElGamal: return "ElGamal";
        case kPGPPublicKeyAlgorithm_DSA: return "DSA";
        case kPGPPublicKeyAlgorithm_DHDSS: return "DH/DSS";
        default: return "Other";
    }
}

bool boolProp(PGPKeyDBObjRef obj, PGPKeyDBObjProperty p) {
    PGPBoolean b = 0;
    return core().PGPGetKeyDBObjBooleanProperty && core().PGPGetKeyDBObjBooleanProperty(obj, p, &b) == 0 && b;
}

int numProp(PGPKeyDBObjRef obj, PGPKeyDBObjProperty p) {
    PGPInt32 v = 0;
    if (!core().PGPGetKeyDBObjNumericProperty || core().PGPGetKeyDBObjNumericProperty(obj, p, &v) != 0) return 0;
    return v;
}

}  // namespace

KeyInfo describeKey(PGPKeyDBObjRef key) {
    const Core& c = core();
    KeyInfo k;
    k.key = key;
    if (!c.complete || !key) return k;
    char name[256] = {};
    PGPSize len = 0;
    if (c.PGPGetPrimaryUserIDName(key, name, sizeof name - 1, &len) == kPGPError_NoErr)
        k.userID.assign(name, strnlen(name, sizeof name - 1));
    PGPKeyID id{};
    if (c.PGPGetKeyID(key, &id) == kPGPError_NoErr) k.keyID = keyIDText(id);
    k.type = algorithmName(numProp(key, kPGPKeyProperty_AlgorithmID));
    k.bits = numProp(key, kPGPKeyProperty_Bits);
    k.secret = boolProp(key, kPGPKeyProperty_IsSecret);
    k.canSign = boolProp(key, kPGPKeyProperty_CanSign);
    k.canDecrypt = boolProp(key, kPGPKeyProperty_CanDecrypt);
    // The key's own iterator walks its subkeys.
    PGPKeySetRef one = nullptr;
    PGPKeyIterRef iter = nullptr;
    if (c.PGPNewOneKeySet(key, &one) == kPGPError_NoErr && c.PGPNewKeyIterFromKeySet(one, &iter) == kPGPError_NoErr) {
        PGPKeyDBObjRef obj = nullptr;
        if (c.PGPKeyIterNextKeyDBObj(iter, kPGPKeyIter_Key, &obj) == kPGPError_NoErr) {
            PGPKeyDBObjRef sub = nullptr;
            while (c.PGPKeyIterNextKeyDBObj(iter, kPGPKeyIter_SubKey, &sub) == kPGPError_NoErr && sub) {
                const int b = numProp(sub, kPGPSubKeyProperty_Bits);
                if (b > 0) {
                    k.subBits = b;
                    break;
                }
            }
        }
    }
    if (iter) c.PGPFreeKeyIter(iter);
    if (one) c.PGPFreeKeySet(one);
    return k;
}

std::vector<KeyInfo> listKeys(PGPKeySetRef set) {
    const Core& c = core();
    std::vector<KeyInfo> keys;
    if (!c.complete || !set) return keys;
    PGPKeyIterRef iter = nullptr;
    if (c.PGPNewKeyIterFromKeySet(set, &iter) != kPGPError_NoErr) return keys;
    PGPKeyDBObjRef key = nullptr;
    while (c.PGPKeyIterNextKeyDBObj(iter, kPGPKeyIter_Key, &key) == kPGPError_NoErr && key)
        keys.push_back(describeKey(key));
    c.PGPFreeKeyIter(iter);
    return keys;
}

std::string sizeText(const KeyInfo& k) {
    if (k.bits <= 0) return {};
    if (k.type == "DSA" && k.subBits > 0) return std::to_string(k.subBits) + "/" + std::to_string(k.bits) + " bits";
    return std::to_string(k.bits) + " bits";
}

}  // namespace companion
