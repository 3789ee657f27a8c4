#include "plugin/pgp_data.h"

#include <algorithm>

#include "base/text.h"
#include "base/whole_file.h"
#include "engine/decode_job.h"
#include "engine/encode_job.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/pgp_prefs.h"
#include "engine/sdk_table.h"
#include "engine/secure_cache.h"
#include "interfaces/host_messages.h"
#include "plugin/form_files.h"
#include "plugin/msgbox.h"
#include "strings/text_client.h"
#include "ui/sel_key_dialog.h"

namespace orv {

namespace {

// The one store whose cache timer is running: the timer procedure has no
// other way back to it.
TPGPData* g_timerOwner = nullptr;

constexpr size_t kFullKeyIDLength = 18;
constexpr PGPSize kPathRoom = 260;

std::string Text(int number) { return texts::Get(number); }

// The keys matching the text; the list holds them with the mask.
int FindInRings(const std::string& text, std::uint32_t mask, std::unique_ptr<TKeyPropsList>& list) {
    list = std::make_unique<TKeyPropsList>(0, mask);
    TKeyPropsList* target = list.get();
    const int n = FindKeys(text, 0, mask, target);
    // A text that names no key is a search without result.
    return n == kKeyErrNoKeyForItem ? 0 : n;
}

}  // namespace

void SplitDefaultUser(const std::string& name, std::string& userName, std::string& keyID) {
    const size_t cut = name.rfind('\\');
    if (cut == std::string::npos) {
        userName = Trim(name);
        keyID.clear();
        return;
    }
    userName = Trim(name.substr(0, cut));
    keyID = Trim(name.substr(cut + 1));
}

std::string WindowsVersionText() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&info);
#pragma GCC diagnostic pop
    const char* platform = info.dwPlatformId == VER_PLATFORM_WIN32_NT        ? "NT ff."
                           : info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? "95 ff."
                                                                             : "3.1/32";
    return std::string("Win ") + platform + " (" + std::to_string(info.dwMajorVersion) + "." +
           std::to_string(info.dwMinorVersion) + ")";
}

std::string PGPVersionText() {
    // Release 7 reports its version below 0x3002000, release 6.5 at or above.
    return loader::IsSDK7() ? "PGP 7.X.X" : "PGP 6.5.X";
}

TSessionContext::TSessionContext() = default;
TSessionContext::~TSessionContext() = default;

HWND TSessionContext::Automation() const {
    return AutomationWindow && IsWindow(AutomationWindow) ? AutomationWindow : nullptr;
}

HWND TSessionContext::Owner() const { return OwnerWindow && IsWindow(OwnerWindow) ? OwnerWindow : nullptr; }

TPGPData::TPGPData(TSessionContext& context) : context_(context) {
    Secure = std::make_unique<TSecure>(sdk::Sdk());
    PGPEncode = std::make_unique<TPGPEncode>();
    PGPDecode = std::make_unique<TPGPDecode>();
    KeyPropsList = std::make_unique<TKeyPropsList>();
    PGPEncode->Secure = Secure.get();
    PGPEncode->KeySelector = SelectKeysInDialog;
    PGPDecode->Secure = Secure.get();
    PGPEncode->GroupCaption = Text(txt::_GROUP);
    PGPEncode->OKCaption = "&OK";
    PGPEncode->CancelCaption = Text(txt::_CANCEL);
    PGPEncode->ServerCaption = Text(txt::FROM_SERVER);
    PGPEncode->AutoListCaption = Text(txt::SEL_AND_ADD);
    PGPEncode->SelectPrompt = Text(txt::PUBLIC_KEY);
    PGPEncode->PassphrasePrompt = Text(txt::ENTER_PHRASE);
    PGPEncode->OmitMIMEVersion = true;
    PGPEncode->HelpContext = 24;
    PGPDecode->NoteBadSignature = Text(txt::BAD_SIG);
    PGPDecode->NoteDisabledKey = Text(txt::KEY_DIS);
    PGPDecode->NoteExpiredKey = Text(txt::KEY_EXP);
    PGPDecode->NoteRevokedKey = Text(txt::KEY_REV);
    PGPDecode->NoteUnknownKey = Text(txt::KEY_UNK);
    PGPDecode->ImportPrompt = Text(txt::ADD_KEYS);
    PGPDecode->PassphrasePrompt = Text(txt::ENTER_PHRASE);
    KeyTypeTexts = {Text(txt::TYPE_PUB), Text(txt::TYPE_SEC)};
    for (int i = 0; i < 8; ++i) TrustTexts[i] = Text(txt::TRUST_UNDEFINED + i);
    for (int i = 0; i < 4; ++i) ValidityTexts[i] = Text(txt::VALID_UNKNOWN + i);
    for (int i = 0; i < 4; ++i) AlgorithmTexts[i] = Text(txt::ALGOR_INVALID + i);
    for (int i = 0; i < 3; ++i) AlgorithmTexts[16 + i] = Text(txt::ALGOR_DH + i);
}

int TPGPData::FindArmor(std::string_view text, std::size_t& start, std::size_t& end) {
    return orv::FindArmor(text, start, end);
}

TPGPSplit TPGPData::SplitPGPMessage(std::string_view text) {
    TAnalyzeText analyze;
    if (PGPDecode)
        analyze = [this](const std::string& t) {
            PGPDecode->AnalyzeBuffer(t);
            return PGPDecode->AnalyzeResult;
        };
    return orv::SplitPGPMessage(text, analyze);
}

std::string TPGPData::StripClearSigned(std::string_view text) { return orv::StripClearSigned(text); }

TPGPData::~TPGPData() {
    StopCacheTimer();
    PGPEncode.reset();
    PGPDecode.reset();
    if (Secure) Secure->WipeAll();
}

bool TPGPData::LoadSettings() {
    const TConfigFile config = Config();
    if (config.Path().empty()) return false;
    Settings.Always = config.ReadFlag(Cfg::Always);
    Settings.Comment = config.ReadText(Cfg::Comment);
    Settings.Standard = config.ReadFlag(Cfg::Standard);
    Settings.Auto = config.ReadFlag(Cfg::Auto);
    Settings.Hide = config.ReadFlag(Cfg::Hide);
    Settings.Encrypt = config.ReadFlag(Cfg::Encrypt);
    Settings.Confirm = config.ReadFlag(Cfg::Confirm);
    Settings.MixedWarn = config.ReadFlag(Cfg::MixedWarn);
    Settings.ADKWarn = config.ReadFlag(Cfg::ADKWarn);
    Settings.CheckKey = config.ReadFlag(Cfg::CheckKey);
    Settings.Lookup = config.ReadFlag(Cfg::Lookup);
    Settings.CheckSig = config.ReadFlag(Cfg::CheckSig);
    Settings.Include = static_cast<std::uint8_t>(config.Read(Cfg::Include));
    Settings.Store = config.Read(Cfg::Store);
    Settings.Count = config.Read(Cfg::Count);
    Secure->SetWipeCount(Settings.Count);
    PGPEncode->SetCacheMode(Settings.Store);
    PGPDecode->SetCacheMode(Settings.Store);
    PGPEncode->HelpFile = context_.InstallDir + kHelpFileName;
    return true;
}

TPGPEncode& TPGPData::EncodeJob() {
    TPGPEncode& job = *PGPEncode;
    job.Secure = Secure.get();
    job.SetCacheMode(Settings.Store);
    job.SetWipeCount(Settings.Count);
    job.Comment = Settings.Comment;
    job.ParentWindow = context_.Owner();
    job.HelpFile = context_.InstallDir + kHelpFileName;
    job.PassphrasePrompt = Text(txt::ENTER_PHRASE);
    return job;
}

TPGPDecode& TPGPData::DecodeJob() {
    TPGPDecode& job = *PGPDecode;
    job.Secure = Secure.get();
    job.SetCacheMode(Settings.Store);
    job.SetWipeCount(Settings.Count);
    job.ParentWindow = reinterpret_cast<PGPWindowRef>(context_.Owner());
    job.PassphrasePrompt = Text(txt::ENTER_PHRASE);
    job.ImportPrompt = Text(txt::ADD_KEYS);
    return job;
}

bool TPGPData::ReadPathSettings(const TConfigFile& config, std::string& name) {
    try {
        name = config.ReadText(Cfg::DefaultUserName, Settings.DefaultUserName + "\\" + Settings.DefaultKeyID);
        // A ring the file does not name is the one the PGP preferences name.
        TKeyRings* rings = KeyRings();
        Settings.SecRing = config.ReadText(Cfg::SecRing);
        if (Settings.SecRing.empty() && rings) Settings.SecRing = rings->PrivateRingFile;
        if (!FileExists(Settings.SecRing)) Settings.SecRing.clear();
        Settings.PubRing = config.ReadText(Cfg::PubRing);
        if (Settings.PubRing.empty() && rings) Settings.PubRing = rings->PublicRingFile;
        if (!FileExists(Settings.PubRing)) Settings.PubRing.clear();
        Settings.PGPGroup = config.ReadText(Cfg::PGPGroup);
        Settings.PGPMime = config.ReadFlag(Cfg::PGPMime);
        Settings.PGPExt = config.ReadFlag(Cfg::PGPExt);
        return true;
    } catch (...) {
        if (context_.MsgBox) context_.MsgBox->Error(texts::Get(txt::FILE_CHECK_ERR));
        return false;
    }
}

void TPGPData::BeginRun() {
    runConfig_.reset();
    runConfig_ = CheckPGPConfig();
}

void TPGPData::EndRun() { runConfig_.reset(); }

bool TPGPData::CheckPGPConfig() {
    if (runConfig_) return *runConfig_;
    char path[kPathRoom + 1] = {};
    if (sdk::Call(sdk::Sdk().PGPscPGPpath, path, kPathRoom) == kPGPError_NoErr) PGPPath = path;

    const TConfigFile config = Config();
    std::string name = Settings.DefaultUserName + "\\" + Settings.DefaultKeyID;
    bool ringsFound = false;
    for (;;) {
        if (!ReadPathSettings(config, name)) return false;
        ringsFound = !Settings.SecRing.empty() && !Settings.PubRing.empty();
        if (ringsFound || context_.InSetup()) break;
        std::string missing;
        if (Settings.PubRing.empty() && Settings.SecRing.empty())
            missing = std::string(KeyOf(Cfg::SecRing).key) + texts::Get(txt::_AND) + KeyOf(Cfg::PubRing).key;
        else
            missing = KeyOf(Settings.PubRing.empty() ? Cfg::PubRing : Cfg::SecRing).key;
        const std::string question =
            Text(txt::FILE_MISS) + "\r\n\r\n" + missing + "\r\n\r\n" + Text(txt::_RETRY);
        if (!context_.MsgBox || !context_.MsgBox->Confirm(question.c_str())) break;
    }

    if (!FileExists(Settings.PGPGroup)) {
        PrefsRecord record;
        if (PgpPrefs() && PgpPrefs()->ReadPrefs(record, kPrefsGroupsFile) == 0) Settings.PGPGroup = record.GroupsFile;
    }
    if (ringsFound) {
        if (TKeyRings* rings = KeyRings()) {
            rings->SetRingFiles(Settings.PubRing, Settings.SecRing);
            rings->GroupFile = Settings.PGPGroup;
        }
    }
    if (ringsFound || context_.InSetup()) {
        SetDefaultUser(config, name);
        ExpandDefaultKeyID(config);
    } else {
        SplitDefaultUser(name == "\\" ? std::string() : name, Settings.DefaultUserName, Settings.DefaultKeyID);
    }
    return ringsFound;
}

void TPGPData::SetDefaultUser(const TConfigFile& config, const std::string& name) {
    // An empty name is a user who has no signing key yet (a new user's
    // set-up writes it so): as with "\", the engine's default signing key
    // becomes the user's once there is one; until then nothing is amiss.
    const bool unnamed = Trim(name).empty();
    if (name != "\\" && !unnamed) {
        SplitDefaultUser(name, Settings.DefaultUserName, Settings.DefaultKeyID);
        return;
    }
    PGPError err = kPrefErrNotFound;
    PrefsRecord record;
    if (PgpPrefs()) err = PgpPrefs()->ReadPrefs(record, kPrefsDefaultKey);
    if (err == 0 && record.DefaultKeyID.empty()) err = kPrefErrNotFound;
    std::unique_ptr<TKeyPropsList> list;
    if (err == 0) {
        const int n = FindInRings(record.DefaultKeyID, kPropUserName, list);
        if (n < 0) err = n;
        if (n == 0) err = kPGPError_ItemNotFound;
    }
    if (err == 0) {
        Settings.DefaultUserName = list->Objects(0).UserName;
        Settings.DefaultKeyID = list->Strings(0);
        config.Write({TConfigFile::Value(Cfg::DefaultUserName, Settings.DefaultUserName + "\\" + Settings.DefaultKeyID)});
        return;
    }
    Settings.DefaultUserName.clear();
    Settings.DefaultKeyID.clear();
    if (unnamed) return;
    if (err == kPGPError_FileNotFound && context_.InSetup()) return;
    // A silent set-up has nobody to tell: the configuration starts without a
    // default user, as a new user's engine without a default key gives it.
    if (context_.SilentSetup) return;
    const std::string message = texts::ErrorText(err);
    if (context_.MsgBox) context_.MsgBox->Error(message.c_str());
}

void TPGPData::ExpandDefaultKeyID(const TConfigFile& config) {
    if (Settings.DefaultKeyID.size() == kFullKeyIDLength) return;
    const std::string text = Settings.DefaultKeyID.empty() ? Settings.DefaultUserName : Settings.DefaultKeyID;
    if (text.empty()) return;
    std::unique_ptr<TKeyPropsList> list;
    if (FindInRings(text, kPropUserName, list) != 1) return;
    Settings.DefaultUserName = list->Objects(0).UserName;
    Settings.DefaultKeyID = list->Strings(0);
    config.Write({TConfigFile::Value(Cfg::DefaultUserName, Settings.DefaultUserName + "\\" + Settings.DefaultKeyID)});
}

bool TPGPData::ReadMessageFile(const std::string& path, std::string& bytes) {
    const bool ok = ReadWholeFile(path, bytes);
    LastResult = ok ? 0 : -1;
    return ok;
}

bool TPGPData::ReadMessageFile(const std::string& path, char separator, std::size_t blockSize,
                               std::deque<std::string>& blocks) {
    const bool ok = ReadWholeFile(path, separator, blockSize, blocks);
    LastResult = ok ? 0 : -1;
    return ok;
}

bool TPGPData::WriteMessageFile(const std::string& path, const std::string& bytes) {
    const bool ok = ReplaceWholeFile(path, bytes);
    LastResult = ok ? 0 : -1;
    return ok;
}

void TPGPData::WipeFile(const std::string& path) {
    Secure->SetWipeCount(Settings.Count);
    Secure->WipeFile(path.c_str());
}

void TPGPData::StopCacheTimer() {
    if (CacheTimerID) KillTimer(nullptr, CacheTimerID);
    CacheTimerID = 0;
    if (g_timerOwner == this) g_timerOwner = nullptr;
}

void TPGPData::NotifyCache(bool wasEmpty, bool empty) {
    HWND window = context_.AutomationWindow;
    if (!window || !IsWindow(window)) return;
    if (empty && wasEmpty) return;
    SendMessageA(window, automation::AM_CACHESTATE, empty ? 0 : 1, 0);
}

bool TPGPData::CacheTimer(int store) {
    const bool wasEmpty = Secure->IsEmpty();
    StopCacheTimer();
    if (store == kWipeNow) {
        Secure->WipeAll();
    } else if (store > 0) {
        // SetTimer takes at most 0x7FFFFFFF ms; longer times are that long.
        const unsigned long long ms = std::min<unsigned long long>(1000ULL * unsigned(store), 0x7FFFFFFFULL);
        CacheTimerID = SetTimer(nullptr, 0, static_cast<UINT>(ms), &TPGPData::CacheTimerExpired);
        if (CacheTimerID) g_timerOwner = this;
    }
    const bool empty = Secure->IsEmpty();
    NotifyCache(wasEmpty, empty);
    return empty;
}

void CALLBACK TPGPData::CacheTimerExpired(HWND, UINT, UINT_PTR id, DWORD) noexcept {
    KillTimer(nullptr, id);
    TPGPData* self = g_timerOwner;
    if (!self || self->CacheTimerID != id) return;
    try {
        self->CacheTimerID = 0;
        g_timerOwner = nullptr;
        if (self->Settings.Store == 0) return;
        const bool wasEmpty = self->Secure->IsEmpty();
        self->Secure->WipeAll();
        // The plug-in's cache state would otherwise stay "filled".
        self->NotifyCache(wasEmpty, true);
    } catch (...) {
    }
}

bool TPGPData::UpdateFormFiles() {
    bool ok = false;
    try {
        ok = orv::UpdateFormFiles(context_.MailboxDir, context_.InstallDir);
    } catch (...) {
        ok = false;
    }
    if (!ok && context_.MsgBox && !context_.SilentSetup) context_.MsgBox->Error(texts::Get(txt::NEWPATH_ERR));
    return ok;
}

int TPGPData::FindKeysByText(const std::string& text, std::uint32_t mask) {
    return FindInRings(text, mask, KeyPropsList);
}

int TPGPData::FindSecretKeys(const std::string& text, std::uint32_t mask) {
    int n = FindInRings(text, mask | kPropIsSecret, KeyPropsList);
    for (int i = KeyPropsList->Count() - 1; n > 0 && i >= 0; --i)
        if (!KeyPropsList->Objects(i).IsSecret) KeyPropsList->Delete(i);
    return n < 0 ? n : KeyPropsList->Count();
}

int TPGPData::FindKeysWithADK(const std::string& text, std::uint32_t mask) {
    int n = FindInRings(text, mask | kPropADKState, KeyPropsList);
    for (int i = KeyPropsList->Count() - 1; n > 0 && i >= 0; --i)
        if (KeyPropsList->Objects(i).ADKState == kADKNone) KeyPropsList->Delete(i);
    return n < 0 ? n : KeyPropsList->Count();
}

namespace {
const std::string& At(const std::string* table, size_t size, int index) {
    static const std::string empty;
    return index >= 0 && size_t(index) < size ? table[index] : empty;
}
}  // namespace

const std::string& TPGPData::KeyTypeText(int type) const { return At(KeyTypeTexts.data(), KeyTypeTexts.size(), type); }
const std::string& TPGPData::TrustText(int trust) const { return At(TrustTexts.data(), TrustTexts.size(), trust); }
const std::string& TPGPData::ValidityText(int validity) const {
    return At(ValidityTexts.data(), ValidityTexts.size(), validity);
}
const std::string& TPGPData::AlgorithmText(int algorithm) const {
    return At(AlgorithmTexts.data(), AlgorithmTexts.size(), algorithm);
}

}  // namespace orv
