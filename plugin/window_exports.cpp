// The manager window and the configuration dialog behind the exports
// ShowManager and ShowConfig and the launcher's forms "MANAGER" and "CONFIG":
// the dialog's and the manager's services over the session, the engine and
// the mail client.
#include "plugin/window_exports.h"
#include "plugin/server_export.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>

#include "base/whole_file.h"
#include "engine/decode_job.h"
#include "engine/encode_job.h"
#include "engine/key_props.h"
#include "engine/key_rings.h"
#include "engine/pgp_prefs.h"
#include "engine/secure_cache.h"
#include "interfaces/mail_client.h"
#include "interfaces/merrowin_declared.h"
#include "plugin/key_ops.h"
#include "plugin/msgbox.h"
#include "plugin/session.h"
#include "strings/text_client.h"
#include "base/text.h"
#include "base/whole_file.h"
#include "ui/config_dialog.h"
#include "ui/file_dialog_ex.h"
#include "ui/info_box.h"
#include "ui/manager.h"

namespace orv {

namespace {

using ui::ConfigValues;

// The folder file's header, before the first message.
constexpr size_t kFolderHeaderSize = 128;

int Clamp(int value, int low, int high) { return std::min(std::max(value, low), high); }

// A silent set-up has nobody to show a box to: what it cannot read it takes
// as unset, as the dialog would open with it.
void ReportError(TPluginParams& s, const std::string& text) {
    if (s.MsgBox && !s.SilentSetup) s.MsgBox->Error(text.c_str());
}

bool InsideHost(const TPluginParams& s) { return s.InsideHost() && IsWindow(s.HostForm()); }

// The host's settings 34, 1 and 32 (3064/3065 to the host's form window).
void ReadHostSettings(const TPluginParams& s, ConfigValues& v) {
    auto get = [&](WPARAM setting) { return SendMessageA(s.HostForm(), host::kHostGetSetting, setting, 0); };
    v.lines = Clamp(int(get(host::kSettingLinesToScan)), ui::kLinesMin, ui::kLinesMax);
    v.margin = Clamp(int(get(host::kSettingRightMargin)), ui::kMarginMin, ui::kMarginMax);
    v.mimeEnclosure = get(host::kSettingEncloseAttachments) != 0;
}

void WriteHostSettings(const TPluginParams& s, const ConfigValues& v) {
    SendMessageA(s.HostForm(), host::kHostSetSetting, host::kSettingLinesToScan, v.lines);
    SendMessageA(s.HostForm(), host::kHostSetSetting, host::kSettingRightMargin, v.margin);
    SendMessageA(s.HostForm(), host::kHostSetSetting, host::kSettingEncloseAttachments, (v.mimeEnclosure ? 1 : 0) & 0x7F);
}

// Keys set in the whole configuration file, written in one replacement.
// The read-only mark is taken off only for the user's save.
bool WriteProfile(const std::string& path, const std::vector<ProfileValue>& values) {
    return TConfigFile(path).Write(values, {}, TConfigFile::ReadOnly::TakeOff);
}

}  // namespace

// ---- Settings and the dialog's record ------------------------------------------

ConfigValues ReadConfigValues(const TConfigFile& file, const TPGPData& data) {
    ConfigValues v;
    const std::string sessionName =
        data.Settings.DefaultUserName.empty() && data.Settings.DefaultKeyID.empty() ? "" : data.Settings.DefaultUserName + "\\" + data.Settings.DefaultKeyID;
    v.name = file.ReadText(Cfg::DefaultUserName, sessionName);
    v.always = file.ReadFlag(Cfg::Always);
    v.secRing = file.ReadText(Cfg::SecRing, data.Settings.SecRing);
    v.pubRing = file.ReadText(Cfg::PubRing, data.Settings.PubRing);
    v.groups = file.ReadText(Cfg::PGPGroup, data.Settings.PGPGroup);
    v.comment = file.ReadText(Cfg::Comment);
    v.wipePass = file.ReadFlag(Cfg::WipePass);
    v.encSigBtn = file.Read(Cfg::EncSign);
    v.decrypt = file.ReadFlag(Cfg::Decrypt);
    v.verify = file.ReadFlag(Cfg::Verify);
    v.manage = file.ReadFlag(Cfg::Manage);
    v.pgpKeys = file.ReadFlag(Cfg::PGPkeys);
    v.autoEncryption = file.ReadFlag(Cfg::Auto);
    v.hideKeyDialog = file.ReadFlag(Cfg::Hide);
    v.encryptAttach = file.ReadFlag(Cfg::Encrypt);
    v.confirmEncrypt = file.ReadFlag(Cfg::Confirm);
    v.mixedWarn = file.ReadFlag(Cfg::MixedWarn);
    v.adkWarn = file.ReadFlag(Cfg::ADKWarn);
    v.checkKey = file.ReadFlag(Cfg::CheckKey);
    v.serverLookup = file.ReadFlag(Cfg::Lookup);
    // The dialog's own default: the store reads an absent key as on.
    v.checkSig = file.ReadFlag(Cfg::CheckSig, false);
    v.include = file.Read(Cfg::Include);
    v.storeSeconds = file.Read(Cfg::Store);
    v.wipeCount = file.Read(Cfg::Count);
    v.standardColors = file.ReadFlag(Cfg::Standard);
    return v;
}

std::vector<ProfileValue> ConfigProfileValues(const ConfigValues& v) {
    auto value = [](Cfg id, auto v) { return TConfigFile::Value(id, v); };
    return {
        value(Cfg::DefaultUserName, v.name),
        value(Cfg::Always, v.always),
        value(Cfg::SecRing, v.secRing),
        value(Cfg::PubRing, v.pubRing),
        value(Cfg::PGPGroup, v.groups),
        value(Cfg::Comment, v.comment),
        value(Cfg::WipePass, v.wipePass),
        value(Cfg::EncSign, v.encSigBtn),
        value(Cfg::Decrypt, v.decrypt),
        value(Cfg::Verify, v.verify),
        value(Cfg::Manage, v.manage),
        value(Cfg::PGPkeys, v.pgpKeys),
        value(Cfg::Auto, v.autoEncryption),
        value(Cfg::Hide, v.hideKeyDialog),
        value(Cfg::Encrypt, v.encryptAttach),
        value(Cfg::Confirm, v.confirmEncrypt),
        value(Cfg::MixedWarn, v.mixedWarn),
        value(Cfg::ADKWarn, v.adkWarn),
        value(Cfg::CheckKey, v.checkKey),
        value(Cfg::Lookup, v.serverLookup),
        value(Cfg::CheckSig, v.checkSig),
        value(Cfg::Include, v.include),
        value(Cfg::Store, v.storeSeconds),
        value(Cfg::Count, v.wipeCount),
        value(Cfg::Standard, v.standardColors),
    };
}

void ApplyConfigValues(const ConfigValues& v, TPGPData& data) {
    SplitDefaultUser(v.name, data.Settings.DefaultUserName, data.Settings.DefaultKeyID);
    data.Settings.Always = v.always;
    data.Settings.SecRing = v.secRing;
    data.Settings.PubRing = v.pubRing;
    data.Settings.PGPGroup = v.groups;
    data.Settings.Comment = v.comment;
    data.Settings.Auto = v.autoEncryption;
    data.Settings.Hide = v.hideKeyDialog;
    data.Settings.Encrypt = v.encryptAttach;
    data.Settings.Confirm = v.confirmEncrypt;
    data.Settings.MixedWarn = v.mixedWarn;
    data.Settings.ADKWarn = v.adkWarn;
    data.Settings.CheckKey = v.checkKey;
    data.Settings.Lookup = v.serverLookup;
    data.Settings.CheckSig = v.checkSig;
    data.Settings.Include = static_cast<std::uint8_t>(v.include);
    data.Settings.Store = v.storeSeconds;
    data.Settings.Count = v.wipeCount;
    data.Settings.Standard = v.standardColors;
    if (data.Secure) data.Secure->SetWipeCount(data.Settings.Count);
    if (data.PGPEncode) data.PGPEncode->SetCacheMode(data.Settings.Store);
    if (data.PGPDecode) data.PGPDecode->SetCacheMode(data.Settings.Store);
    if (TKeyRings* rings = KeyRings()) {
        rings->SetRingFiles(data.Settings.PubRing, data.Settings.SecRing);
        rings->GroupFile = data.Settings.PGPGroup;
    }
}

unsigned OptionsNotice(const ConfigValues& v) {
    using namespace automation;
    return (v.autoEncryption ? kOptionAutoEncryption : 0u) | (v.hideKeyDialog ? kOptionHideKeyDialog : 0u) |
           (v.mixedWarn ? kOptionWarnMixed : 0u) | (v.storeSeconds != -1 ? kOptionCacheKept : 0u);
}

namespace {

// ---- The configuration dialog's services -------------------------------------------

class SessionConfigServices : public ui::ConfigServices {
public:
    explicit SessionConfigServices(TPluginParams& s) : s_(s) {}

    void Load(ConfigValues& opening, ConfigValues& working) override {
        TPGPData& data = *s_.PGPData;
        opening = ReadConfigValues(data.Config(), data);
        ReadKeyServer(opening);
        if (InsideHost()) ReadHostSettings(s_, opening);
        working = opening;
        FillSessionDefaults(opening, working);
    }

    std::vector<ui::SecretKeyItem> SecretKeys() override {
        std::vector<ui::SecretKeyItem> items;
        if (!KeyRings()) return items;
        PGPContextRef context = nullptr;
        PGPKeySetRef keySet = nullptr;
        if (KeyRings()->OpenKeyRings(context, keySet) != kPGPError_NoErr) return items;
        TKeyPropsList* list = nullptr;
        const int n = ListKeys(context, keySet, 0, kPropUserName | kPropAlgorithm | kPropSizeText | kPropIsSecret,
                               kPGPKeyOrdering_UserID, list);
        std::unique_ptr<TKeyPropsList> owned(list);
        KeyRings()->CloseKeyRings();
        for (int i = 0; n > 0 && owned && i < owned->Count(); ++i) {
            const TKeyProps& key = owned->Objects(i);
            if (!key.IsSecret) continue;
            const std::string algorithm = s_.PGPData->AlgorithmText(key.Algorithm);
            items.push_back({owned->Strings(i), ui::KeyListItem(key.UserName, algorithm + " " + key.SizeText), algorithm});
        }
        return items;
    }

    bool InsideHost() const override { return orv::InsideHost(s_); }
    bool SetupMode() const override { return s_.InSetup(); }
    int StoredPassphraseTime() const override { return s_.PGPData->Settings.Store; }
    std::string ConfigDirectory() const override { return s_.MailboxDir; }

    ui::SaveResult Save(const ConfigValues& opening, const ConfigValues& working) override {
        const std::string saveError = texts::Get(txt::SAVE_ERROR);
        if (!FileExists(working.secRing) || !FileExists(working.pubRing) ||
            !WriteProfile(s_.ConfigFile, ConfigProfileValues(working))) {
            ReportError(s_, saveError);
            return ui::SaveResult::NotSaved;
        }
        ApplyConfigValues(working, *s_.PGPData);
        if (InsideHost()) WriteHostSettings(s_, working);
        s_.PGPData->CacheTimer(working.storeSeconds);
        bool complete = true;
        if (ServerChanged(opening, working)) complete = WriteKeyServer(working);
        if (s_.AutomationWindow && IsWindow(s_.AutomationWindow))
            PostMessageA(s_.AutomationWindow, automation::AM_OPTIONS, OptionsNotice(working), 0);
        return complete ? ui::SaveResult::Saved : ui::SaveResult::PartlySaved;
    }

    void ShowHelp(int context, bool) override { s_.ShowHelp(context); }

    bool ReadChosenFolder(HWND dialog, std::string& folder) override {
        if (!InsideHost()) return false;
        // The host's main window is the dialog's parent while the user chooses.
        const LONG_PTR owner = GetWindowLongPtrA(dialog, GWLP_HWNDPARENT);
        if (s_.ClientMain) SetWindowLongPtrA(dialog, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(s_.ClientMain));
        host::FolderChoice choice{};
        const LRESULT chosen = SendMessageA(s_.HostForm(), host::kHostChooseFolder, 0, reinterpret_cast<LPARAM>(&choice));
        SetWindowLongPtrA(dialog, GWLP_HWNDPARENT, owner);
        if (!chosen) return false;
        const std::string path = FolderPath(std::string(choice.FolderName, strnlen(choice.FolderName, sizeof choice.FolderName)));
        if (!FileExists(path)) {
            ReportError(s_, texts::Get(txt::NO_FILE));
            return false;
        }
        if (!ReadWholeFile(path, folder)) {
            ReportError(s_, texts::Get(txt::READ_ERROR));
            return false;
        }
        folder.erase(0, std::min(folder.size(), kFolderHeaderSize));
        return true;
    }

    void SetStatus(const std::string& text) override {
        if (!InsideHost()) return;
        SendMessageA(s_.HostForm(), host::kHostStatusLine, host::kStatusProgress,
                     text.empty() ? 0 : reinterpret_cast<LPARAM>(text.c_str()));
    }

    void Error(const std::string& text) override { ReportError(s_, text); }
    void Warn(const std::string& text) override {
        if (s_.MsgBox) s_.MsgBox->Warn(text.c_str());
    }
    void Info(const std::string& text) override {
        if (s_.MsgBox) s_.MsgBox->Info(text.c_str());
    }
    bool Confirm(const std::string& text) override { return s_.MsgBox && s_.MsgBox->Confirm(text.c_str()); }

private:
    static bool ServerChanged(const ConfigValues& a, const ConfigValues& b) {
        return a.serverProtocol != b.serverProtocol || a.serverName != b.serverName || a.serverPort != b.serverPort;
    }

    void ReadKeyServer(ConfigValues& v) {
        if (!PgpPrefs()) return;
        KeyServerEntry entry;
        const int err = PgpPrefs()->ReadFirstKeyServer(entry);
        if (err != 0) {
            ReportError(s_, texts::ErrorText(err));
            return;
        }
        v.serverProtocol = entry.Protocol >= 1 && entry.Protocol <= 4 ? entry.Protocol : 1;
        v.serverName = entry.Host;
        v.serverPort = entry.Port;
        v.serverExtra = entry.Extra;
    }

    bool WriteKeyServer(const ConfigValues& v) {
        if (!PgpPrefs()) return false;
        KeyServerEntry entry;
        entry.Protocol = v.serverProtocol;
        entry.Host = v.serverName;
        entry.Port = v.serverPort;
        entry.Extra = v.serverExtra;
        const int err = PgpPrefs()->WriteFirstKeyServer(entry);
        if (err != 0) ReportError(s_, texts::ErrorText(err));
        return err == 0;
    }

    // Step 5 of opening: what the file does not name, the session or the
    // engine does.
    void FillSessionDefaults(ConfigValues& opening, ConfigValues& working) {
        TPGPData& data = *s_.PGPData;
        if (working.name.empty() || working.name == "\\") working.name = EngineDefaultSigner();
        if (data.Settings.SecRing.empty() && data.Settings.PubRing.empty()) {
            PrefsRecord record;
            if (PgpPrefs() && PgpPrefs()->ReadPrefs(record, kPrefsPublicRing | kPrefsPrivateRing) == 0) {
                working.secRing = opening.secRing = record.PrivateRing;
                working.pubRing = opening.pubRing = record.PublicRing;
                // Saved at once: the session works with these paths from now on.
                WriteProfile(s_.ConfigFile, {TConfigFile::Value(Cfg::SecRing, record.PrivateRing),
                                             TConfigFile::Value(Cfg::PubRing, record.PublicRing)});
            }
        }
        if (working.groups.empty()) working.groups = data.Settings.PGPGroup;
    }

    std::string EngineDefaultSigner() {
        PrefsRecord record;
        if (!PgpPrefs() || PgpPrefs()->ReadPrefs(record, kPrefsDefaultKey) != 0 || record.DefaultKeyID.empty())
            return {};
        TKeyPropsList* list = nullptr;
        const int n = FindKeys(record.DefaultKeyID, 0, kPropUserName, list);
        std::unique_ptr<TKeyPropsList> owned(list);
        if (n <= 0 || !owned || owned->Count() == 0) return {};
        return owned->Objects(0).UserName + "\\" + owned->Strings(0);
    }

    // The folder file of a folder name, as the viewer finds it.
    std::string FolderPath(const std::string& name) const {
        size_t cut = name.rfind('\\');
        if (cut == std::string::npos) cut = name.rfind(':');
        std::string path = UpperCase(s_.MailboxDir + (cut == std::string::npos ? name : name.substr(cut + 1)));
        if (path.size() < 4 || path.substr(path.size() - 4) != ".PMM") path += ".PMM";
        return path;
    }

    TPluginParams& s_;
};

// ---- The manager's services and the one manager of the session ----------------------

class SessionManagerServices;
std::unique_ptr<ui::TfrmManager> g_manager;
std::unique_ptr<SessionManagerServices> g_managerServices;
// A closed manager inside the host is freed after its last message.
std::unique_ptr<ui::TfrmManager> g_closedManager;

void CALLBACK FreeClosedManager(HWND, UINT, UINT_PTR id, DWORD) noexcept {
    KillTimer(nullptr, id);
    try {
        g_closedManager.reset();
    } catch (...) {
    }
}

class SessionManagerServices : public ui::ManagerServices {
public:
    explicit SessionManagerServices(TPluginParams& s) : s_(s) {}

    void ImportKeys(const std::string& fileName) override { KEY_MANAGEMENT(fileName.c_str()); }
    void DeleteKeys() override {
        std::string ids;
        DeleteChosenKeys(s_, true, ids);
    }
    void StartKeyManager() override { LaunchPGPkeys(s_); }
    void ExportKeys(const std::string& fileName) override { ExtractChosenKeys(s_, fileName); }
    void ShowFingerprint() override { ShowChosenFingerprint(s_); }
    void ShowAbout() override { ui::ShowInfoBox(); }
    void ShowConfig() override { Configure(s_); }
    void ShowHelp() override { s_.ShowHelp(0); }
    ui::TFileDialogEx& OpenDialog() override { return *s_.OpenFileDlg; }
    ui::TFileDialogEx& SaveDialog() override { return *s_.SaveFileDlg; }

    void Destroyed() override {
        s_.SetOpenWindow(TWindowKind::Manager, nullptr);
        if (s_.OwnerWindow == (g_manager ? g_manager->Handle() : nullptr)) s_.OwnerWindow = s_.ClientMain;
        // The manager's form ends with it: the launcher's at once, the
        // mail client's through its host window.
        if (TSessionForm* form = s_.OpenForm(merrowin::kFormManager)) {
            if (form->InLauncher()) {
                s_.CloseForm(form);
                return;
            }
            if (form->HostForm && IsWindow(form->HostForm)) PostMessageA(form->HostForm, WM_CLOSE, 0, 0);
        }
        g_closedManager = std::move(g_manager);
        SetTimer(nullptr, 0, 0, &FreeClosedManager);
    }

private:
    TPluginParams& s_;
};

// Creates the session's manager: the owner of the next dialogs while it is open.
ui::TfrmManager* CreateManager(TPluginParams& s) {
    if (g_manager) return g_manager.get();
    if (!g_managerServices) g_managerServices = std::make_unique<SessionManagerServices>(s);
    auto manager = std::make_unique<ui::TfrmManager>(*g_managerServices);
    HWND owner = s.InLauncher() ? nullptr : s.ClientMain;
    if (!manager->Create(owner && IsWindow(owner) ? owner : nullptr, !s.InLauncher())) return nullptr;
    s.SetOpenWindow(TWindowKind::Manager, manager.get());
    s.OwnerWindow = manager->Handle();
    g_manager = std::move(manager);
    return g_manager.get();
}

// Runs the dialog with the session's directory rules and owner; false when
// it could not be shown.
bool RunConfigDialog(TPluginParams& s, ui::ConfigOutcome& outcome) {
    char previousDir[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previousDir);
    if (!s.InstallDir.empty()) SetCurrentDirectoryA(s.InstallDir.c_str());
    SessionConfigServices services(s);
    ui::TfrmPGPConfig dialog(services);
    HWND previousOwner = s.OwnerWindow;
    const bool created = dialog.Create(s.OwnerWindow && IsWindow(s.OwnerWindow) ? s.OwnerWindow : nullptr);
    if (created) {
        s.SetOpenWindow(TWindowKind::Config, &dialog);
        try {
            outcome = dialog.Execute();
        } catch (...) {
        }
        s.SetOpenWindow(TWindowKind::Config, nullptr);
    }
    s.OwnerWindow = previousOwner;
    SetCurrentDirectoryA(previousDir);
    return created;
}

// The mail client starts again through the launcher, which waits for this
// process to end; the client closes only once the launcher holds it.
void RestartMailClient(TPluginParams& s) {
    if (StartClientRestart(s.InstallDir, "") && s.ClientMain) PostMessageA(s.ClientMain, WM_QUIT, 0, 0);
}

// A silent set-up has nobody to show the dialog to: the configuration starts
// with the values the dialog would have opened with.
bool WriteOpeningConfig(TPluginParams& s) {
    if (!s.PGPData) return false;
    SessionConfigServices services(s);
    ConfigValues opening, working;
    services.Load(opening, working);
    return WriteProfile(s.ConfigFile, ConfigProfileValues(working));
}

bool PerUserSetup(TPluginParams& s) {
    if (!s.InSetup()) return Configure(s);
    if (!TConfigFile(s.ConfigFile).Exists()) {
        if (!s.SilentSetup)
            Configure(s);
        else if (!WriteOpeningConfig(s))
            return false;
    }
    return s.PGPData && s.PGPData->UpdateFormFiles();
}

}  // namespace

bool Configure(TPluginParams& s) {
    if (!s.PGPData || !s.MsgBox) return false;
    s.CheckPGPConfig();
    ui::ConfigOutcome outcome;
    if (!RunConfigDialog(s, outcome)) return false;
    if (g_manager) g_manager->ApplyColors();
    bool restarting = false;
    if (!s.InLauncher() && outcome.toolbarChanged && s.MsgBox->Confirm(texts::Get(txt::RE_START))) {
        RestartMailClient(s);
        restarting = true;
    }
    if (!s.InLauncher() && s.FormParameter == merrowin::kFormConfig && !restarting && InsideHost(s))
        PostMessageA(s.HostForm(), WM_CLOSE, 0, 0);
    return true;
}

bool RunLauncherWindow(TPluginParams& s) {
    if (s.FormParameter == merrowin::kFormConfig) return PerUserSetup(s);
    if (s.FormParameter == merrowin::kFormServer) {
        RunServerForm(s);
        return true;
    }
    if (s.FormParameter != merrowin::kFormManager) return true;
    ui::TfrmManager* manager = CreateManager(s);
    if (!manager) return false;
    manager->ShowModal();
    g_managerServices->Destroyed();
    g_manager.reset();
    return true;
}

}  // namespace orv

using namespace orv;

extern "C" {

void* __stdcall ShowManager() {
    TPluginParams* s = Session();
    if (!s || !s->MsgBox) return nullptr;
    try {
        return CreateManager(*s);
    } catch (...) {
        return nullptr;
    }
}

int __stdcall ShowConfig() {
    TPluginParams* s = Session();
    if (!s) return 0;
    try {
        return Configure(*s) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
