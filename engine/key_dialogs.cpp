// Passphrase dialogs of the engine's user-interface library.
#include "engine/key_dialogs.h"

#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/message_pump.h"
#include "engine/sdk_table.h"

namespace orv {
namespace {

using sdk::Sdk;

constexpr const char* kDialogTitle = "PGP";

// The options every dialog takes; false when the engine lacks one of them,
// so that no list is made that no dialog would take over.
bool HaveCommonOptions() {
    auto& t = Sdk();
    return t.PGPOUIWindowTitle && t.PGPOUIDialogPrompt && t.PGPOUIOutputPassphrase && t.PGPOUIParentWindowHandle &&
           t.PGPOLastOption;
}

template <class Dialog>
PGPError Conventional(Dialog dialog, PGPContextRef context, const std::string& prompt, PGPWindowRef owner,
                      char*& out) {
    auto& t = Sdk();
    out = nullptr;
    if (!dialog || !HaveCommonOptions()) return kPGPError_EngineNotLoaded;
    const PGPError err =
        dialog(context, t.PGPOUIWindowTitle(context, kDialogTitle), t.PGPOUIDialogPrompt(context, prompt.c_str()),
               t.PGPOUIOutputPassphrase(context, &out), t.PGPOUIParentWindowHandle(context, owner),
               t.PGPOLastOption(context));
    PumpMessages();
    if (err != kPGPError_NoErr && out) {
        t.PGPFreeData(out);
        out = nullptr;
    }
    return err;
}

}  // namespace

PGPError ConventionalEncryptionPassphrase(PGPContextRef context, const std::string& prompt, PGPWindowRef owner,
                                          char*& outPassphrase) {
    return Conventional(Sdk().PGPConventionalEncryptionPassphraseDialog, context, prompt, owner, outPassphrase);
}

PGPError ConventionalDecryptionPassphrase(PGPContextRef context, const std::string& prompt, PGPWindowRef owner,
                                          char*& outPassphrase) {
    return Conventional(Sdk().PGPConventionalDecryptionPassphraseDialog, context, prompt, owner, outPassphrase);
}

PGPError SigningPassphrase(PGPContextRef context, PGPKeySetRef keySet, const std::string& prompt,
                           const std::string& defaultKeyID, bool findMatchingKey, PGPWindowRef owner,
                           char*& outPassphrase, PGPKeyDBObjRef& outSigningKey) {
    auto& t = Sdk();
    outPassphrase = nullptr;
    outSigningKey = nullptr;
    if (!t.PGPSigningPassphraseDialog || !HaveCommonOptions() || !t.PGPOUIDefaultKey || !t.PGPOUIFindMatchingKey ||
        !t.PGPOUIVerifyPassphrase)
        return kPGPError_EngineNotLoaded;
    void* keys = keySet;
    if (loader::IsSDK7()) {
        if (!t.PGPPeekKeySetKeyDB) return kPGPError_EngineNotLoaded;
        keys = t.PGPPeekKeySetKeyDB(keySet);
    }
    PGPKeyDBObjRef defaultKey = nullptr;
    if (FindKeyByID(keySet, defaultKeyID, defaultKey) != kPGPError_NoErr) defaultKey = nullptr;
    const PGPError err = t.PGPSigningPassphraseDialog(
        context, keys, &outSigningKey, t.PGPOUIWindowTitle(context, kDialogTitle),
        t.PGPOUIDialogPrompt(context, prompt.c_str()), t.PGPOUIDefaultKey(context, defaultKey),
        t.PGPOUIFindMatchingKey(context, PGPBoolean(findMatchingKey ? 1 : 0)), t.PGPOUIVerifyPassphrase(context, 1),
        t.PGPOUIOutputPassphrase(context, &outPassphrase), t.PGPOUIParentWindowHandle(context, owner),
        t.PGPOLastOption(context));
    PumpMessages();
    if (err != kPGPError_NoErr) {
        if (outPassphrase) t.PGPFreeData(outPassphrase);
        outPassphrase = nullptr;
        outSigningKey = nullptr;
    }
    return err;
}

PGPError DecryptionPassphrase(PGPContextRef context, PGPKeySetRef recipients, PGPUInt32 keyIDCount,
                              const PGPByte* keyIDs, const std::string& prompt, PGPWindowRef owner,
                              char*& outPassphrase, PGPKeyDBObjRef& outDecryptionKey) {
    auto& t = Sdk();
    outPassphrase = nullptr;
    outDecryptionKey = nullptr;
    if (!t.PGPDecryptionPassphraseDialog || !HaveCommonOptions() || !t.PGPOUIFindMatchingKey ||
        !t.PGPOUIVerifyPassphrase)
        return kPGPError_EngineNotLoaded;
    const PGPError err = t.PGPDecryptionPassphraseDialog(
        context, recipients, keyIDCount, keyIDs, &outDecryptionKey, t.PGPOUIWindowTitle(context, kDialogTitle),
        t.PGPOUIDialogPrompt(context, prompt.c_str()), t.PGPOUIFindMatchingKey(context, 1),
        t.PGPOUIVerifyPassphrase(context, 1), t.PGPOUIOutputPassphrase(context, &outPassphrase),
        t.PGPOUIParentWindowHandle(context, owner), t.PGPOLastOption(context));
    PumpMessages();
    if (err != kPGPError_NoErr) {
        if (outPassphrase) t.PGPFreeData(outPassphrase);
        outPassphrase = nullptr;
        outDecryptionKey = nullptr;
    }
    return err;
}

}  // namespace orv
