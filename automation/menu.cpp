#include "automation/menu.h"

#include <algorithm>

#include "automation/abk.h"
#include "automation/host_windows.h"
#include "automation/pl_data.h"
#include "automation/pl_text.h"
#include "base/path_field.h"
#include "formats/config_file.h"
#include "interfaces/mail_client.h"

namespace orv::automation {

namespace {

constexpr UINT kMenuGrayed = MF_BYCOMMAND | MF_GRAYED;
constexpr UINT kMenuEnabled = MF_BYCOMMAND | MF_ENABLED;
constexpr const char* kHelpFile = "PGPCfg.hlp";
constexpr DWORD kHelpFrontend = 30;
constexpr DWORD kHelpAutoList = 31;
// The Window menu keeps the client's items up to this position.
constexpr int kLastClientWindowItem = 6;
constexpr WORD kFirstWindowListCommand = 0x5000;
// Status-tip windows: a frame and the text it holds.
constexpr DWORD kTipFrameStyle = 0x50000012;
constexpr DWORD kTipTextStyle = 0x4000008C;

std::string MenuText(HMENU menu, UINT item, UINT by) {
    char text[256] = {};
    GetMenuStringA(menu, item, text, sizeof text, by);
    return text;
}

std::string CutBefore(const std::string& text, const char* mark) {
    size_t at = text.find(mark);
    return at == std::string::npos ? text : text.substr(0, at);
}

UINT Checked(bool on) { return on ? MF_CHECKED : MF_UNCHECKED; }

bool Contains(HMENU menu, HMENU sub) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i)
        if (GetSubMenu(menu, i) == sub) return true;
    return false;
}

}  // namespace

// ---- Pure parts ----------------------------------------------------------

std::uint16_t ButtonMaskOf(const ToolbarOptions& o) {
    if (!o.fileExists) return 0x1FF;
    std::uint16_t mask = 0x1FE;
    if (o.wipePass) mask |= 1;
    mask &= ~0x1E;
    switch (o.encSign) {
    case 0: break;
    case 1: mask |= 0x02; break;
    case 2: mask |= 0x04; break;
    case 3: mask |= 0x08; break;
    case 4: mask |= 0x10; break;
    default: mask |= 0x1E; break;
    }
    if (!o.decrypt) mask &= ~0x20;
    if (!o.verify) mask &= ~0x40;
    if (!o.manage) mask &= ~0x80;
    if (!o.pgpKeys) mask &= ~0x100;
    return mask;
}

ToolbarOptions ReadToolbarOptions(const std::string& file) {
    ToolbarOptions o;
    o.fileExists = GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!o.fileExists) return o;
    const TConfigFile config(file);
    o.wipePass = config.ReadFlag(Cfg::WipePass);
    o.encSign = config.Read(Cfg::EncSign);
    o.decrypt = config.ReadFlag(Cfg::Decrypt);
    o.verify = config.ReadFlag(Cfg::Verify);
    o.manage = config.ReadFlag(Cfg::Manage);
    o.pgpKeys = config.ReadFlag(Cfg::PGPkeys);
    return o;
}

std::vector<ButtonSpec> ToolbarButtonsOf(std::uint16_t mask, const TextSource& text) {
    std::vector<ButtonSpec> out;
    out.push_back({"EditList.bmp", DelAmp(text(txt::_EDIT)), 0, kButtonAutoList});
    if (mask & 0x01) out.push_back({"WipePass.bmp", DelAmp(text(txt::WIPE_ITEM)), 0, kButtonWipe});
    std::string both = text(txt::E_S_BTN);
    size_t slash = both.find('/');
    if (mask & 0x02) {
        std::string encOnly = both;
        if (slash != std::string::npos) {
            size_t blank = both.find(' ', slash);
            encOnly.erase(slash, (blank == std::string::npos ? both.size() : blank) - slash);
        }
        out.push_back({"EncOnly.bmp", CutBefore(encOnly, " ("), kCmdEncrypt, 0});
    } else if (mask & 0x04) {
        std::string signOnly = slash == std::string::npos ? both : both.substr(slash + 1);
        out.push_back({"SignOnly.bmp", CutBefore(signOnly, " ("), kCmdSign, 0});
    } else if (mask & 0x08) {
        out.push_back({"EncSign.bmp", CutBefore(both, " ("), kCmdEncryptSign, 0});
    } else if (mask & 0x10) {
        out.push_back({"EncSign.bmp", both, 0, kButtonEncryptSignMenu});
    }
    if (mask & 0x20) out.push_back({"Decrypt.bmp", text(txt::DEC_HEAD) + text(txt::DEC_BTN), 0, kButtonDecrypt});
    if (mask & 0x40) out.push_back({"VerSig.bmp", text(txt::VER_BTN), 0, kButtonVerify});
    if (mask & 0x80) out.push_back({"ManKey.bmp", text(txt::MAN_BTN), 0, kButtonManage});
    if (mask & 0x100) out.push_back({"PGPkeys.bmp", text(txt::EXEC_PGPKEYS_BTN), 0, kButtonPgpKeys});
    return out;
}

int HintTextNumber(WORD id) {
    if (id >= kCmdBringToFront + kMenuBarOffset && id <= kCmdPgpKeys + kMenuBarOffset) id -= kMenuBarOffset;
    if (id < kCmdBringToFront || id > kCmdPgpKeys) return 0;
    return (id - 0x2000) + 11;
}

std::string VerifyItemText(const std::string& verifyButton) {
    size_t r = verifyButton.find('r');
    return r == std::string::npos ? verifyButton : verifyButton.substr(0, r) + "&" + verifyButton.substr(r);
}

std::string PgpKeysItemText(const std::string& pgpKeysButton) {
    size_t blank = pgpKeysButton.find(' ');
    return blank == std::string::npos ? pgpKeysButton
                                      : pgpKeysButton.substr(0, blank + 1) + "&" + pgpKeysButton.substr(blank + 1);
}

// ---- The menu in the client ----------------------------------------------

TFrontendMenu::TFrontendMenu(TPLData& pl) : pl_(pl) {}

TFrontendMenu::~TFrontendMenu() {
    CloseStatusTip();
    RemoveFromMenuBar();
    RemoveButtons();
    if (frontend_) DestroyMenu(frontend_);  // the program submenu goes with it
    frontend_ = program_ = nullptr;
}

std::string TFrontendMenu::Text(txt::TextNo n) const { return pl_.Texts().Text(n); }

void TFrontendMenu::Attach() {
    buttonMask_ = ButtonMaskOf(ReadToolbarOptions(pl_.Utils()->ConfigFile()));
    Build();
    if (pl_.Frame()) InsertInto(GetMenu(pl_.Frame()));
    AddButtons();
}

void TFrontendMenu::Build() {
    if (frontend_) return;
    program_ = CreatePopupMenu();
    AppendMenuA(program_, MF_STRING, kCmdManager + kMenuBarOffset, Text(txt::MAN_ITEM).c_str());
    AppendMenuA(program_, MF_STRING, kCmdConfig + kMenuBarOffset, Text(txt::CFG_ITEM).c_str());
    AppendMenuA(program_, MF_STRING, kCmdHelp + kMenuBarOffset, Text(txt::HLP_ITEM).c_str());
    AppendMenuA(program_, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(program_, MF_STRING, kCmdAbout + kMenuBarOffset, Text(txt::ABT_ITEM).c_str());

    frontend_ = CreatePopupMenu();
    auto item = [this](UINT flags, WORD id, const std::string& text) {
        AppendMenuA(frontend_, MF_STRING | flags, id + kMenuBarOffset, text.c_str());
    };
    auto separator = [this] { AppendMenuA(frontend_, MF_SEPARATOR, 0, nullptr); };
    AppendMenuA(frontend_, MF_POPUP, reinterpret_cast<UINT_PTR>(program_), kProgramSubmenuTitle);
    item(MF_GRAYED, kCmdWipe, Text(txt::WIPE_ITEM));
    separator();
    item(Checked(pl_.Options().usePgpMime), kCmdPgpMime, Text(txt::MIME_ITEM));
    item(Checked(pl_.Options().appendPgp), kCmdPgpExt, Text(txt::EXT_ITEM));
    item(Checked(pl_.Options().fullAutomation), kCmdFullAuto, Text(txt::FLL_ITEM));
    separator();
    item(MF_GRAYED, kCmdEncrypt, Text(txt::ENC_ITEM));
    item(MF_GRAYED, kCmdSign, Text(txt::SIG_ITEM));
    item(MF_GRAYED, kCmdEncryptSign, Text(txt::E_S_ITEM));
    separator();
    item(MF_GRAYED, kCmdDecryptMessage, Text(txt::DEC_HEAD) + Text(txt::DEC_MSG_ITEM));
    item(0, kCmdDecryptFolder, Text(txt::DEC_HEAD) + Text(txt::DEC_FLD_ITEM));
    separator();
    item(MF_GRAYED, kCmdVerify, VerifyItemText(Text(txt::VER_BTN)));
    separator();
    item(MF_GRAYED, kCmdAddKeys, Text(txt::ADD_ITEM));
    item(0, kCmdDeleteKeys, Text(txt::DEL_ITEM));
    item(0, kCmdExtractKey, Text(txt::EXTR_ITEM));
    item(0, kCmdFingerprint, Text(txt::FP_ITEM));
    separator();
    item(0, kCmdPgpKeys, PgpKeysItemText(Text(txt::EXEC_PGPKEYS_BTN)));
}

void TFrontendMenu::InsertInto(HMENU bar, HMENU windowMenu) {
    Build();
    int count = bar ? GetMenuItemCount(bar) : 0;
    // A bar needs a last menu and one before it to take the menu between.
    if (count < 2 || Contains(bar, frontend_)) return;
    InsertMenuA(bar, static_cast<UINT>(count - 2), MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(frontend_),
                kFrontendTitle);
    if (!windowMenu) {
        std::string title = Text(txt::WND_ITEM);
        for (int i = GetMenuItemCount(bar) - 1; i >= 0 && !windowMenu; --i)
            if (MenuText(bar, static_cast<UINT>(i), MF_BYPOSITION) == title) windowMenu = GetSubMenu(bar, i);
    }
    if (windowMenu && GetMenuState(windowMenu, kCmdBringToFront + kMenuBarOffset, MF_BYCOMMAND) == UINT(-1))
        AppendMenuA(windowMenu, MF_STRING | (pl_.MainWindowOpen() ? 0 : MF_GRAYED), kCmdBringToFront + kMenuBarOffset,
                    kFrontendTitle);
    if (pl_.Frame() && GetMenu(pl_.Frame()) == bar) DrawMenuBar(pl_.Frame());
}

void TFrontendMenu::EnableFrontend() {
    if (!pl_.Frame()) return;
    HMENU bar = GetMenu(pl_.Frame());
    HWND active = ActiveMdiChild(pl_.Windows());
    for (int i = 0, n = bar ? GetMenuItemCount(bar) : 0; i < n; ++i) {
        if (MenuText(bar, static_cast<UINT>(i), MF_BYPOSITION) != kFrontendTitle) continue;
        EnableMenuItem(bar, static_cast<UINT>(i), MF_BYPOSITION | (pl_.MainWindowOpen() ? MF_GRAYED : MF_ENABLED));
        break;
    }
    DrawMenuBar(pl_.Frame());
    HWND now = ActiveMdiChild(pl_.Windows());
    if (active && now != active && IsWindow(active))
        SendMessageA(pl_.MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(active), 0);
}

void TFrontendMenu::SetWipeEnabled(bool enabled) {
    if (frontend_) EnableMenuItem(frontend_, kCmdWipe + kMenuBarOffset, enabled ? kMenuEnabled : kMenuGrayed);
}

void TFrontendMenu::RemoveFromMenuBar() {
    HMENU bar = nullptr;
    if (pl_.HostWindow() && IsWindow(pl_.HostWindow()))
        bar = reinterpret_cast<HMENU>(SendMessageA(pl_.HostWindow(), host::kHostGetMenu, host::kMenuFrameBar, 0));
    if (!bar && pl_.Frame() && IsWindow(pl_.Frame())) bar = GetMenu(pl_.Frame());
    if (!bar) return;
    std::string windowTitle = Text(txt::WND_ITEM);
    for (int i = GetMenuItemCount(bar) - 1; i >= 0; --i) {
        std::string title = MenuText(bar, static_cast<UINT>(i), MF_BYPOSITION);
        if (title == windowTitle) {
            if (HMENU sub = GetSubMenu(bar, i)) RemoveMenu(sub, kCmdBringToFront + kMenuBarOffset, MF_BYCOMMAND);
        } else if (title == kFrontendTitle) {
            // Removed, not destroyed: the popup is destroyed with this object.
            RemoveMenu(bar, static_cast<UINT>(i), MF_BYPOSITION);
            break;
        }
    }
    if (pl_.Frame() && IsWindow(pl_.Frame())) DrawMenuBar(pl_.Frame());
}

void TFrontendMenu::AddButtons() {
    const std::string dir = pl_.Utils()->InstallDir();
    std::vector<ButtonSpec> specs = ToolbarButtonsOf(buttonMask_, [this](txt::TextNo n) { return Text(n); });
    for (size_t i = 0; i < specs.size() && i < buttonIds_.size(); ++i) {
        host::ToolbarButton record{};
        // A picture whose path cannot be handed whole is left out, not cut.
        CopyToField(record.BitmapPath, sizeof record.BitmapPath,
                    PathForField(dir + specs[i].bitmap, sizeof record.BitmapPath));
        lstrcpynA(record.Tooltip, specs[i].tooltip.c_str(), sizeof record.Tooltip);
        record.NotifyWindow = pl_.AutomationWindow();
        record.Message = WM_COMMAND;
        record.WParam = specs[i].wParam;
        record.LParam = specs[i].lParam;
        if (specs[i].bitmap == "EncOnly.bmp" || specs[i].bitmap == "SignOnly.bmp" || specs[i].bitmap == "EncSign.bmp")
            frontendButtonText_ = specs[i].tooltip;
        // A refused button keeps identifier 0 and is not removed later.
        buttonIds_[i] = SendMessageA(pl_.HostWindow(), host::kHostAddButton, 0, reinterpret_cast<LPARAM>(&record));
    }
}

void TFrontendMenu::RemoveButtons() {
    for (LRESULT& id : buttonIds_) {
        if (id && pl_.HostWindow() && IsWindow(pl_.HostWindow()))
            SendMessageA(pl_.HostWindow(), host::kHostRemoveButton, static_cast<WPARAM>(id), 0);
        id = 0;
    }
}

// ---- Menu events ---------------------------------------------------------

void TFrontendMenu::OnInitMenuPopup(HMENU popup) {
    if (popup && popup == frontend_) {
        const HostWindows w = pl_.Windows();
        bool reader = pl_.Hosts().ReaderExists();
        bool editor = pl_.EditorLibrary() && FindEditorWindow(w, *pl_.EditorLibrary());
        for (WORD id : {kCmdDecryptMessage, kCmdVerify, kCmdAddKeys})
            EnableMenuItem(frontend_, id + kMenuBarOffset, reader ? kMenuEnabled : kMenuGrayed);
        for (WORD id : {kCmdEncrypt, kCmdSign, kCmdEncryptSign})
            EnableMenuItem(frontend_, id + kMenuBarOffset, editor ? kMenuEnabled : kMenuGrayed);
        // The AutoList submenu at position 1 is the worker's while the menu
        // is open.
        if (HMENU list = pl_.AutoList().OpenMenu())
            InsertMenuA(frontend_, 1, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(list),
                        DelAmp(Text(txt::_EDIT)).c_str());
        return;
    }
    if (popup && GetMenuItemCount(popup) > 1 && MenuText(popup, 1, MF_BYPOSITION).empty() &&
        MenuText(popup, 0, MF_BYPOSITION).find("System") != std::string::npos)
        RebuildWindowMenu(popup);
}

void TFrontendMenu::OnExitMenuLoop() {
    if (!pl_.AutoList().MenuWorker()) return;
    // The worker destroys its popup: it must no longer hang in the menu.
    if (frontend_ && MenuText(frontend_, 1, MF_BYPOSITION) == DelAmp(Text(txt::_EDIT)))
        RemoveMenu(frontend_, 1, MF_BYPOSITION);
    pl_.AutoList().CloseMenu();
}

void TFrontendMenu::RebuildWindowMenu(HMENU menu) {
    while (GetMenuItemCount(menu) > kLastClientWindowItem + 1)
        DeleteMenu(menu, static_cast<UINT>(GetMenuItemCount(menu) - 1), MF_BYPOSITION);
    AppendMenuA(menu, MF_STRING | (pl_.MainWindowOpen() ? 0 : MF_GRAYED), kCmdBringToFront + kMenuBarOffset,
                kFrontendTitle);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    auto& list = pl_.Hosts().MdiWindows();
    list.erase(std::remove_if(list.begin(), list.end(), [](HWND w) { return !IsWindow(w); }), list.end());
    std::vector<HWND> fresh;
    HWND mdiClient = pl_.MdiClient();
    for (HWND c = mdiClient ? GetWindow(mdiClient, GW_CHILD) : nullptr; c; c = GetWindow(c, GW_HWNDNEXT))
        if (IsWindowVisible(c) && std::find(list.begin(), list.end(), c) == list.end()) fresh.push_back(c);
    list.insert(list.begin(), fresh.begin(), fresh.end());
    HWND active = mdiClient ? reinterpret_cast<HWND>(SendMessageA(mdiClient, WM_MDIGETACTIVE, 0, 0)) : nullptr;
    for (size_t i = 0; i < list.size(); ++i) {
        std::string text = "&" + std::to_string(i + 1) + " " + CaptionOf(list[i]);
        AppendMenuA(menu, MF_STRING | Checked(list[i] == active), kFirstWindowListCommand + i, text.c_str());
    }
}

void TFrontendMenu::OnMenuSelect(WPARAM wp, LPARAM lp) {
    UINT flags = HIWORD(wp);
    if (flags == 0xFFFF && lp == 0) return;  // the menu closes
    if (flags & MF_POPUP) return;           // submenus have no hint of their own
    const WORD id = LOWORD(wp);
    if (pl_.AutoList().MenuWorker() && id >= kFirstAutoListCommand && id <= kLastAutoListCommand) {
        ShowHintText(pl_.AutoList().MenuWorker()->Hint(reinterpret_cast<HMENU>(lp), id));
        return;
    }
    ShowHint(id);
}

void TFrontendMenu::ShowHint(WORD id) {
    if (int number = HintTextNumber(id)) ShowHintText(pl_.Texts().Text(number));
}

void TFrontendMenu::ShowHintText(const std::string& hint) {
    if (hint.empty() || !pl_.HostWindow()) return;
    hintText_ = hint;
    SendMessageA(pl_.HostWindow(), host::kHostStatusLine, host::kStatusSignature,
                 reinterpret_cast<LPARAM>(hintText_.c_str()));
}

void TFrontendMenu::OnHelp(const HELPINFO& info) {
    if (info.iContextType != HELPINFO_MENUITEM) return;
    WORD id = static_cast<WORD>(info.iCtrlId);
    DWORD context = 0;
    if (HintTextNumber(id)) context = kHelpFrontend;
    else if (id >= kFirstAutoListCommand && id < kCmdBringToFront) context = kHelpAutoList;
    else if (info.hItemHandle == frontend_ || info.hItemHandle == program_) context = kHelpFrontend;
    if (!context || !pl_.Utils()) return;
    WinHelpA(pl_.AutomationWindow(), (pl_.Utils()->InstallDir() + kHelpFile).c_str(), HELP_CONTEXT, context);
}

// ---- Commands ------------------------------------------------------------

void TFrontendMenu::OnCommand(WPARAM wp, LPARAM lp) {
    if (wp == 0 && lp) {
        OnButton(lp);
        return;
    }
    if (lp) return;
    WORD id = LOWORD(wp);
    // The AutoList menu's commands (0x1001 and up) are its worker's.
    if (id >= kCmdBringToFront && id < 0x4000) OnFrontendCommand(id >= 0x3000 ? id - kMenuBarOffset : id);
    else if (id == kCmdKeyFromServer && pl_.Merrowin() && !keyOrAddress_.empty())
        pl_.Merrowin()->GetKeyFromServer(keyOrAddress_);
    else if (id == kCmdAddAddress && !keyOrAddress_.empty())
        pl_.AutoList().AddAddress(keyOrAddress_);
}

void TFrontendMenu::OnFrontendCommand(WORD id) {
    TMerrowin* m = pl_.Merrowin();
    if (!m) return;
    switch (id) {
    case kCmdBringToFront:
        if (HWND main = m->MainWindow()) PostMessageA(main, host::kFormMsgCommand, 0, host::kCommandForce);
        break;
    case kCmdManager:
        m->ShowManager();
        EnableFrontend();
        break;
    case kCmdConfig: m->ShowConfig(); break;
    case kCmdHelp: m->ShowHelp(); break;
    case kCmdAbout: m->ShowAbout(); break;
    case kCmdWipe: m->WipeCache(); break;
    case kCmdEncrypt: SendOnEditor(5); break;
    case kCmdSign: SendOnEditor(6); break;
    case kCmdEncryptSign: SendOnEditor(7); break;
    case kCmdPgpMime: ToggleOption(pl_.Options().usePgpMime, Cfg::PGPMime, kCmdPgpMime); break;
    case kCmdPgpExt: ToggleOption(pl_.Options().appendPgp, Cfg::PGPExt, kCmdPgpExt); break;
    case kCmdFullAuto: ToggleFullAutomation(); break;
    case kCmdDecryptMessage:
        DecryptActiveReader();
        EnableFrontend();
        break;
    case kCmdDecryptFolder:
        m->ShowViewer(true);
        EnableFrontend();
        break;
    case kCmdVerify: PostMessageA(pl_.Frame(), WM_COMMAND, host::kCmdVerify, 0); break;
    case kCmdAddKeys: PostMessageA(pl_.Frame(), WM_COMMAND, host::kCmdAddKey, 0); break;
    case kCmdDeleteKeys: DeleteKeys(); break;
    case kCmdExtractKey: m->KeyExtract(); break;
    case kCmdFingerprint: m->ShowFingerPrint(); break;
    case kCmdPgpKeys: m->ExecPGPkeys(); break;
    default: break;
    }
}

void TFrontendMenu::OnButton(LPARAM code) {
    TMerrowin* m = pl_.Merrowin();
    if (!m) return;
    if (HWND main = m->MainWindow()) {
        PostMessageA(main, host::kFormMsgCommand, 0, host::kCommandForce);
        return;
    }
    switch (code) {
    case kButtonWipe: m->WipeCache(); break;
    case kButtonAutoList:
        // With automatic encryption on, the button opens the AutoList
        // worker's menu.
        if (!pl_.Options().AutoEnabled) AskAutoEnable();
        else pl_.AutoList().ShowMenu();
        break;
    case kButtonEncryptSignMenu: ShowEncryptSignMenu(); break;
    case kButtonDecrypt: DecryptActiveReader(); break;
    case kButtonVerify: PostMessageA(pl_.Frame(), WM_COMMAND, host::kCmdVerify, 0); break;
    case kButtonManage: PostMessageA(pl_.Frame(), WM_COMMAND, host::kCmdAddKey, 0); break;
    case kButtonPgpKeys: m->ExecPGPkeys(); break;
    default: break;
    }
}

void TFrontendMenu::SendOnEditor(std::uint32_t mode) {
    if (!pl_.EditorLibrary() || !FindEditorWindow(pl_.Windows(), *pl_.EditorLibrary())) return;
    // The send check acts on the mode when the send keys arrive.
    pl_.Sending().SetAutoMode(mode);
    SetTimer(pl_.AutomationWindow(), kTimerSendKeys, 100, nullptr);
}

bool TFrontendMenu::ConfigExists() const {
    return pl_.Utils() && GetFileAttributesA(pl_.Utils()->ConfigFile().c_str()) != INVALID_FILE_ATTRIBUTES;
}

void TFrontendMenu::WriteConfig(const std::vector<ProfileValue>& values) const {
    TConfigFile(pl_.Utils()->ConfigFile()).Write(values);
}

void TFrontendMenu::CheckItem(WORD item, bool checked) {
    if (frontend_) CheckMenuItem(frontend_, item + kMenuBarOffset, MF_BYCOMMAND | Checked(checked));
}

void TFrontendMenu::ToggleOption(BYTE& option, Cfg key, WORD item) {
    option = option ? 0 : 1;
    // Without the configuration file the choice lasts for this run only.
    if (ConfigExists()) WriteConfig({TConfigFile::Value(key, option != 0)});
    CheckItem(item, option);
}

void TFrontendMenu::ToggleFullAutomation() {
    TAutomationOptions& options = pl_.Options();
    if (!options.fullAutomation) {
        options.FullAutoSigned = pl_.Merrowin()->Confirm(Text(txt::SIGN_ALSO)) ? 1 : 0;
    } else {
        options.FullAutoSigned = 0;
    }
    options.fullAutomation = options.fullAutomation ? 0 : 1;
    pl_.Merrowin()->ReleaseProc();
    if (ConfigExists()) {
        WriteConfig({TConfigFile::Value(Cfg::FullAuto, options.fullAutomation != 0),
                     TConfigFile::Value(Cfg::FullAutoSigned, options.FullAutoSigned != 0)});
    }
    CheckItem(kCmdFullAuto, options.fullAutomation);
}

void TFrontendMenu::DecryptActiveReader() {
    HWND control = pl_.EditorLibrary() ? FindReaderWindow(pl_.Windows(), *pl_.EditorLibrary()) : nullptr;
    pl_.SetCopiedText(pl_.EditorLibrary() && control ? pl_.EditorLibrary()->GetEncryptedText(control) : std::string());
    pl_.Merrowin()->ShowViewer(false);
}

void TFrontendMenu::AskAutoEnable() {
    if (pl_.Merrowin()->Confirm(Text(txt::AUTO_ENABLE)) && ConfigExists()) {
        WriteConfig({TConfigFile::Value(Cfg::Auto, true)});
        pl_.Options().AutoEnabled = 1;
    }
    pl_.Merrowin()->ReleaseProc();
}

void TFrontendMenu::DeleteKeys() {
    std::string deleted;
    pl_.Merrowin()->KeyDelete(deleted);
    pl_.AutoList().RemoveKeys(deleted);
}

// ---- Popups ----------------------------------------------------------------

void TFrontendMenu::Track(HMENU menu, POINT at) {
    // The popup's commands and hints go to the automation window.
    SetForegroundWindow(pl_.Frame());
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, pl_.AutomationWindow(), nullptr);
    PostMessageA(pl_.AutomationWindow(), WM_NULL, 0, 0);
}

void TFrontendMenu::ShowEncryptSignMenu() {
    if (!pl_.EditorLibrary() || !FindEditorWindow(pl_.Windows(), *pl_.EditorLibrary())) return;
    TAutomationOptions& options = pl_.Options();
    // Full automation may have been changed by the configuration dialog.
    if (pl_.Utils() && ConfigExists())
        options.fullAutomation =
            TConfigFile(pl_.Utils()->ConfigFile()).ReadFlag(Cfg::FullAuto, options.fullAutomation != 0);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, kCmdEncrypt, Text(txt::ENC_ITEM).c_str());
    AppendMenuA(menu, MF_STRING, kCmdSign, Text(txt::SIG_ITEM).c_str());
    AppendMenuA(menu, MF_STRING, kCmdEncryptSign, Text(txt::E_S_ITEM).c_str());
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | Checked(options.usePgpMime), kCmdPgpMime, Text(txt::MIME_ITEM).c_str());
    AppendMenuA(menu, MF_STRING | Checked(options.appendPgp), kCmdPgpExt, Text(txt::EXT_ITEM).c_str());
    AppendMenuA(menu, MF_STRING | Checked(options.fullAutomation), kCmdFullAuto, Text(txt::FLL_ITEM).c_str());
    POINT at;
    GetCursorPos(&at);
    Track(menu, at);
    DestroyMenu(menu);
}

bool TFrontendMenu::OfferAddMenu(bool atCentre) {
    if (!pl_.EditorLibrary()) return false;
    const HostWindows w = pl_.Windows();
    HWND control = FindReaderWindow(w, *pl_.EditorLibrary());
    if (!control) control = FindFolmanReader(w, *pl_.EditorLibrary());
    if (!control) return false;
    CheckResult r = pl_.EditorLibrary()->GetCheckResult(control);
    if (r.text.empty()) return false;
    ShowAddMenu(r.text, r.isKey, atCentre, control);
    return true;
}

void TFrontendMenu::ShowAddMenu(const std::string& text, bool isKey, bool atCentre, HWND reader) {
    keyOrAddress_ = text;
    HMENU menu = CreatePopupMenu();
    if (!isKey && pl_.Options().AutoEnabled) AppendMenuA(menu, MF_STRING, kCmdAddAddress, Text(txt::ADDR_ID).c_str());
    AppendMenuA(menu, MF_STRING, kCmdKeyFromServer, Text(txt::KEYS_ID).c_str());
    POINT at{};
    RECT rc;
    if (atCentre && reader && GetWindowRect(reader, &rc)) at = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    else GetCursorPos(&at);
    Track(menu, at);
    DestroyMenu(menu);
}

// ---- Right button on the toolbar and the status bar ------------------------

bool TFrontendMenu::OnRightButtonDown(HWND target) {
    if (!target) return false;
    if (!frontendButtonText_.empty() && CaptionOf(target) == frontendButtonText_) {
        ShowEncryptSignMenu();
        return true;
    }
    HWND statusBar = target;
    while (statusBar && ClassOf(statusBar) != host::kStatusBarClass) statusBar = GetParent(statusBar);
    if (!statusBar) return false;
    HWND keyStatic = FindChildWnd(statusBar, "STATIC", "[ 0x");
    if (keyStatic && IsWindowVisible(keyStatic)) {
        std::string text = CaptionOf(keyStatic);
        size_t open = text.find("[ ");
        size_t close = text.find(" ]", open);
        std::string key = close == std::string::npos ? "" : text.substr(open + 2, close - open - 2);
        if (key.rfind("0x", 0) == 0) {
            ShowAddMenu(key, true, false, nullptr);
            return true;
        }
    }
    HWND tipStatic = FindChildWnd(statusBar, "STATIC", "(0x");
    if (tipStatic && IsWindowVisible(tipStatic)) {
        ShowStatusTip(tipStatic);
        return true;
    }
    return false;
}

void TFrontendMenu::ShowStatusTip(HWND statusStatic) {
    CloseStatusTip();
    HWND bar = GetParent(statusStatic);
    RECT rc;
    GetWindowRect(statusStatic, &rc);
    MapWindowPoints(nullptr, bar, reinterpret_cast<POINT*>(&rc), 2);
    std::string text = CaptionOf(statusStatic);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(statusStatic, WM_GETFONT, 0, 0));
    // Wide enough for the whole text, which the status bar cuts.
    if (HDC dc = GetDC(statusStatic)) {
        HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        if (old) SelectObject(dc, old);
        ReleaseDC(statusStatic, dc);
        rc.right = std::max<LONG>(rc.right, rc.left + size.cx + 8);
    }
    HINSTANCE inst = PluginInstance();
    tipFrame_ = CreateWindowExA(0, "STATIC", "", kTipFrameStyle, rc.left, rc.top, rc.right - rc.left,
                                rc.bottom - rc.top, bar, nullptr, inst, nullptr);
    tipText_ = CreateWindowExA(0, "STATIC", text.c_str(), kTipTextStyle, rc.left + 2, rc.top + 2,
                               rc.right - rc.left - 4, rc.bottom - rc.top - 4, bar, nullptr, inst, nullptr);
    if (tipText_ && font) SendMessageA(tipText_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    for (HWND w : {tipFrame_, tipText_}) {
        if (!w) continue;
        SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }
    SetCapture(bar);
}

void TFrontendMenu::OnRightButtonUp() { CloseStatusTip(); }

void TFrontendMenu::CloseStatusTip() {
    if (!tipFrame_ && !tipText_) return;
    for (HWND* w : {&tipText_, &tipFrame_}) {
        if (*w && IsWindow(*w)) DestroyWindow(*w);
        *w = nullptr;
    }
    ReleaseCapture();
}

}  // namespace orv::automation
