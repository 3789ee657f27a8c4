#include "ui/config_dialog.h"

#include "base/whole_file.h"
#include "strings/text_client.h"
#include "ui/file_dialog_ex.h"
#include "ui/hot_hint.h"
#include "ui/look.h"

#include <commctrl.h>

namespace orv::ui {

namespace {

constexpr int kClientWidth = 512;
constexpr int kClientHeight = 333;
constexpr int kPagesHeight = 299;
constexpr int kButtonsHeight = 34;
constexpr int kVisibleKeyItems = 4;
// Posted to itself when the seconds field first gets the focus: the warning
// box must not open inside the focus change.
constexpr UINT kWarnPassMessage = WM_APP + 0x31;

std::string T(int number) { return texts::Get(number); }

const char* const kProtocols[] = {"ldap", "http", "ldaps", "https"};


bool DirectoryExists(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}


// The key-ring file choosers' filters, by key name.
std::vector<std::string> RingFilter(const std::string& keyName) {
    if (keyName == "SecRing")
        return {"Secret (*.pgp, *.skr, *.prvkr, *.gpg)|*.pgp;*.skr;*.prvkr;*.gpg", "All (*.*)|*.*"};
    if (keyName == "PubRing")
        return {"Public (*.pgp, *.pkr, *.pubkr, *.gpg)|*.pgp;*.pkr;*.pubkr;*.gpg", "All (*.*)|*.*"};
    return {"Groups (*.pgr)|*.pgr", "All (*.*)|*.*"};
}

// The items of a text with one item per line.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

}  // namespace

// ---- Path fields ------------------------------------------------------------

LRESULT TfrmPGPConfig::TPathEdit::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        Default(msg, wp, lp);
        HotHint().Hide();
        if (onChoose) onChoose();
        return 0;
    case WM_KEYDOWN:
        // Paths are chosen, never typed; moving on stays possible.
        if (wp == VK_TAB || wp == VK_SHIFT || wp == VK_CONTROL || wp == VK_MENU || wp == VK_RETURN ||
            wp == VK_ESCAPE || wp == VK_F1)
            break;
        if (onChoose) onChoose();
        return 0;
    case WM_CHAR:
        return 0;
    case WM_MOUSEMOVE:
        ShowPathHint();
        break;
    case WM_MOUSELEAVE:
        if (hintShown_) HotHint().Hide();
        hintShown_ = false;
        break;
    default:
        break;
    }
    return TMaskEdEx::HandleMessage(msg, wp, lp);
}

void TfrmPGPConfig::TPathEdit::ShowPathHint() {
    const std::string path = Text();
    const bool tooWide = TextExtent(Font(), path).cx > ClientWidth();
    if (!tooWide) {
        if (hintShown_) HotHint().Hide();
        hintShown_ = false;
        return;
    }
    if (hintShown_) return;
    TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, Handle(), 0};
    TrackMouseEvent(&tme);
    RECT r;
    GetWindowRect(Handle(), &r);
    HotHint().ShowAt(path, POINT{r.left - GetSystemMetrics(SM_CXEDGE), r.top + 1});
    hintShown_ = true;
}

LRESULT TfrmPGPConfig::TSecondsEdit::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETFOCUS && onFocus) onFocus();
    return TSpinEdEx::HandleMessage(msg, wp, lp);
}

// ---- Creation -----------------------------------------------------------------

TfrmPGPConfig::TfrmPGPConfig(ConfigServices& services) : services_(services) {}

TfrmPGPConfig::~TfrmPGPConfig() { HotHint().Hide(); }

bool TfrmPGPConfig::Create(HWND owner) {
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP;
    const bool created = owner ? CreateForm("TfrmPGPConfig", T(txt::FORM_CAPTION), style, exStyle, 100, 100, owner)
                               : CreateForm("TfrmPGPConfig", T(txt::FORM_CAPTION), style, exStyle, 100, 100);
    if (!created) return false;
    keyPreview = true;
    SetClientSize(kClientWidth, kClientHeight);

    pnButtons.Create(this, Align::Bottom, 0, kButtonsHeight);
    struct ButtonSpec {
        TFlatBtn& button;
        Glyph glyph;
        int hint;
        int x;
    };
    for (const ButtonSpec& b : {ButtonSpec{fbOk, Glyph::Ok, txt::OK_HINT, kClientWidth - 112},
                                ButtonSpec{fbHelp, Glyph::Help, txt::CONFIG_HELP, kClientWidth - 76},
                                ButtonSpec{fbCancel, Glyph::Cancel, txt::CANCEL_HINT, kClientWidth - 40}}) {
        b.button.Create(&pnButtons, b.x, 2, 30, 30);
        b.button.SetGlyph(GlyphBitmap(b.glyph));
        b.button.hint = T(b.hint);
    }
    // Enter and Esc close as "any other way"; the buttons say how they closed.
    fbOk.onClick = [this] {
        closeReason = CloseReason::Ok;
        SetModalResult(mrOk);
    };
    fbCancel.onClick = [this] {
        closeReason = CloseReason::Cancel;
        SetModalResult(mrCancel);
    };
    fbHelp.onClick = [this] { services_.ShowHelp(kConfigHelpContext, true); };

    pcConfig.Create(this, Align::Client, kPagesHeight);
    CreatePGPPage(pcConfig.AddPage(T(txt::PGP_OPTIONS)));
    CreatePegasusPage(pcConfig.AddPage(T(txt::WPM_OPTIONS)));
    CreatePluginPage(pcConfig.AddPage(T(txt::PLUG_OPTIONS)));
    SetHelpContexts();
    return true;
}

void TfrmPGPConfig::CreatePGPPage(TPanel& page) {
    lblName.Create(&page, 10, 10, 200, 16, T(txt::MY_NAME));
    lblKeyAlgorithm.Create(&page, 250, 10, 238, 16, "", SS_RIGHT);
    const int itemHeight = 16;
    cbxName.Create(&page, CBS_DROPDOWNLIST, 10, 28, 478, 24 + kVisibleKeyItems * itemHeight);
    cbxName.onListDrop = [this] { WidenKeyList(true); };
    cbxName.onListClose = [this] { WidenKeyList(false); };
    cbAlwaysDefault.Create(&page, 10, 56, 300, 18, T(txt::ALWAYS_DEF));

    lblServer.Create(&page, 10, 82, 200, 16, T(txt::_SERVER));
    cbxServerProtocol.Create(&page, CBS_DROPDOWNLIST, 10, 100, 70, 120);
    for (const char* protocol : kProtocols) cbxServerProtocol.AddItem(protocol);
    edServerName.Create(&page, 86, 100, 330, 22);
    meServerPort.Create(&page, 422, 100, 66, 22, ES_NUMBER);
    meServerPort.SetMaxLength(5);
    // A port above 65535 is refused when leaving the field: it shows the
    // last port again, as the number fields keep to their ranges.
    meServerPort.onEditLeave = [this] {
        int port = 0;
        if (ParsePortText(meServerPort.Text(), working_.serverPort, port)) return;
        MessageBeep(MB_ICONWARNING);
        meServerPort.SetText(working_.serverPort > 0 ? std::to_string(working_.serverPort) : "");
    };

    const std::string file = T(txt::_FILE);
    lblSecring.Create(&page, 10, 130, 200, 16, std::string("SecRing") + file);
    edSecring.Create(&page, 10, 148, 478, 22);
    edSecring.onChoose = [this] { ChooseRingFile(edSecring, "SecRing"); };
    lblPubring.Create(&page, 10, 176, 200, 16, std::string("PubRing") + file);
    edPubring.Create(&page, 10, 194, 478, 22);
    edPubring.onChoose = [this] { ChooseRingFile(edPubring, "PubRing"); };
    lblGroups.Create(&page, 10, 222, 230, 16, T(txt::_GROUPS) + file);
    edGroups.Create(&page, 10, 240, 230, 22);
    edGroups.onChoose = [this] { ChooseRingFile(edGroups, "PGPgroup"); };
    lblComment.Create(&page, 250, 222, 238, 16, T(txt::_COMMENT));
    edComment.Create(&page, 250, 240, 238, 22);
}

void TfrmPGPConfig::CreatePegasusPage(TPanel& page) {
    gbPegasus.Create(&page, 8, 6, 484, 106, " Pegasus ");
    lblLines.Create(&gbPegasus, 12, 26, 180, 16, T(txt::SCAN_LINES));
    seLines.Create(&gbPegasus, 200, 22, 60, 22);
    seLines.SetRange(kLinesMin, kLinesMax);
    fbCheck.Create(&gbPegasus, 280, 20, 130, 26, "<" + T(txt::CHECK_BTN) + ">");
    fbCheck.onClick = [this] { CheckHeaderLength(); };
    lblMargin.Create(&gbPegasus, 12, 54, 180, 16, T(txt::EDIT_MARGIN));
    seMargin.Create(&gbPegasus, 200, 50, 60, 22);
    seMargin.SetRange(kMarginMin, kMarginMax);
    cbMimeEnclosure.Create(&gbPegasus, 12, 80, 250, 18, T(txt::MIME_ENCLOSE));
    // Covers the group when there is no mail client to ask.
    pnNoChange.Create(&gbPegasus, Align::None);
    pnNoChange.SetBounds(4, 18, 476, 84);
    lblNoChange.Create(&pnNoChange, 8, 8, 460, 70, "\n" + T(txt::NO_CHANGE), SS_CENTER);
    pnNoChange.SetVisible(false);

    gbButtons.Create(&page, 8, 118, 484, 142, " Buttons ");
    cbWipePass.Create(&gbButtons, 12, 22, 250, 18, T(txt::SHOW_W_P));
    lblEncSigBtn.Create(&gbButtons, 12, 52, 100, 16, T(txt::SHOW_E_S));
    cbxEncSigBtn.Create(&gbButtons, CBS_DROPDOWNLIST, 120, 48, 200, 140);
    for (const std::string& item : Lines(T(txt::ENC_SIG))) cbxEncSigBtn.AddItem(item);
    cbDecrypt.Create(&gbButtons, 12, 82, 200, 18, T(txt::SHOW_DEC));
    cbVerify.Create(&gbButtons, 240, 82, 200, 18, T(txt::SHOW_VER));
    cbManage.Create(&gbButtons, 12, 110, 200, 18, T(txt::SHOW_MAN));
    cbPGPkeys.Create(&gbButtons, 240, 110, 200, 18, T(txt::SHOW_PGPKEYS));
}

void TfrmPGPConfig::CreatePluginPage(TPanel& page) {
    gbEncode.Create(&page, 8, 6, 238, 168, " Encode ");
    int y = 22;
    for (auto [box, text] : {std::pair{&cbPellatch, txt::PELLATCH}, std::pair{&cbHideKeyDlg, txt::HIDE_KEY_DLG},
                             std::pair{&cbEncAttach, txt::ENC_ATTACH}, std::pair{&cbConfirmEnc, txt::CONF_ENC},
                             std::pair{&cbMixWarn, txt::MIX_WARN}, std::pair{&cbADKWarn, txt::ADK_WARN}}) {
        box->Create(&gbEncode, 12, y, 218, 18, T(text));
        y += 24;
    }
    gbDecode.Create(&page, 254, 6, 238, 168, " Decode ");
    y = 22;
    for (auto [box, text] : {std::pair{static_cast<TCustomCheck*>(&cbCheckKey), txt::CHECK_KEY},
                             std::pair{static_cast<TCustomCheck*>(&cbServerLookup), txt::SERV_LOOK},
                             std::pair{static_cast<TCustomCheck*>(&cbCheckSig), txt::CHECK_SIG},
                             std::pair{static_cast<TCustomCheck*>(&rbNot), txt::NOT_SHOW},
                             std::pair{static_cast<TCustomCheck*>(&rbIntern), txt::INTERN_SHOW},
                             std::pair{static_cast<TCustomCheck*>(&rbExtern), txt::EXTERN_SHOW}}) {
        const bool radio = y > 22 + 2 * 24;
        box->Create(&gbDecode, radio ? 30 : 12, y, radio ? 200 : 218, 18, T(text));
        y += 24;
    }
    cbCheckSig.onChanged = [this] { UpdateRadios(); };

    lblStorePass.Create(&page, 12, 186, 120, 16, T(txt::STORE_PASS));
    seSeconds.Create(&page, 136, 182, 56, 22);
    seSeconds.SetRange(kSecondsMin, kSecondsMax);
    seSeconds.onChange = [this] { UpdateSecondsLabel(); };
    seSeconds.onFocus = [this] {
        if (!passWarned_ && services_.StoredPassphraseTime() == -1) {
            passWarned_ = true;
            PostMessageA(Handle(), kWarnPassMessage, 0, 0);
        }
    };
    lblSeconds.Create(&page, 210, 186, 100, 16, "");
    lblWipeCount.Create(&page, 12, 216, 120, 16, T(txt::WIPE_COUNT));
    seCount.Create(&page, 136, 212, 56, 22);
    seCount.SetRange(kWipeCountMin, kWipeCountMax);
    cbStdColor.Create(&page, 266, 214, 220, 18, T(txt::STD_COLOR));
}

void TfrmPGPConfig::SetHelpContexts() {
    auto set = [this](Window& control, int context) { helpContexts_[control.Handle()] = context; };
    set(lblName, 2), set(cbxName, 2), set(lblKeyAlgorithm, 2), set(cbAlwaysDefault, 3);
    set(lblSecring, 4), set(edSecring, 4), set(lblPubring, 5), set(edPubring, 5);
    set(lblGroups, 25), set(edGroups, 25);
    set(lblServer, 6), set(cbxServerProtocol, 6), set(edServerName, 6), set(meServerPort, 6);
    set(lblComment, 7), set(edComment, 7);
    set(lblLines, 8), set(seLines, 8), set(fbCheck, 8), set(lblMargin, 9), set(seMargin, 9);
    set(cbMimeEnclosure, 21);
    for (Window* w : std::initializer_list<Window*>{&gbButtons, &cbWipePass, &lblEncSigBtn, &cbxEncSigBtn, &cbDecrypt,
                                                    &cbVerify, &cbManage, &cbPGPkeys})
        set(*w, kButtonsHelpContext);
    set(cbPellatch, 10), set(cbHideKeyDlg, 13), set(cbEncAttach, 14), set(cbConfirmEnc, 18);
    set(cbMixWarn, 19), set(cbADKWarn, 20), set(cbCheckKey, 11), set(cbServerLookup, 17);
    set(cbCheckSig, 12), set(rbNot, 12), set(rbIntern, 12), set(rbExtern, 12);
    set(lblStorePass, 15), set(seSeconds, 15), set(lblSeconds, 15), set(lblWipeCount, 16), set(seCount, 16);
}

// ---- Opening ------------------------------------------------------------------

void TfrmPGPConfig::BeforeShow() {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    services_.SetStatus(T(txt::LOAD_CFG));
    const bool inside = services_.InsideHost();
    // Stand-alone the notice takes the place of the host's settings, which
    // are neither read nor written then.
    pnNoChange.SetVisible(!inside);
    for (Window* w : std::initializer_list<Window*>{&seLines, &fbCheck, &seMargin, &cbMimeEnclosure})
        w->SetEnabled(inside);
    for (Window* w : std::initializer_list<Window*>{&lblLines, &seLines, &fbCheck, &lblMargin, &seMargin,
                                                    &cbMimeEnclosure})
        w->SetVisible(inside);
    for (HWND upDown : {seLines.UpDown(), seMargin.UpDown()}) ShowWindow(upDown, inside ? SW_SHOWNA : SW_HIDE);
    try {
        services_.Load(opening_, working_);
        keys_ = services_.SecretKeys();
    } catch (...) {
        // The values not read keep their defaults.
    }
    services_.SetStatus("");
    SetCursor(previous);

    CenterOverHost(Handle());
    pcConfig.SetActivePage(0);
    FillControls();
    shown_ = working_;
    ReadControls(shown_);
}

void TfrmPGPConfig::FillKeyList() {
    SendMessageA(cbxName.Handle(), CB_RESETCONTENT, 0, 0);
    for (const SecretKeyItem& key : keys_) cbxName.AddItem(key.text);
    cbxName.SetItemIndex(SelectKeyItem(keys_, working_.name));
    keyListWidth_ = int(SendMessageA(cbxName.Handle(), CB_GETDROPPEDWIDTH, 0, 0));
    UpdateKeyAlgorithm();
}

void TfrmPGPConfig::FillControls() {
    const ConfigValues& v = working_;
    FillKeyList();
    cbAlwaysDefault.SetChecked(v.always);
    cbxServerProtocol.SetItemIndex(v.serverProtocol >= 1 && v.serverProtocol <= 4 ? v.serverProtocol - 1 : -1);
    edServerName.SetText(v.serverName);
    meServerPort.SetText(v.serverPort > 0 ? std::to_string(v.serverPort) : "");
    edSecring.SetText(v.secRing);
    edPubring.SetText(v.pubRing);
    edGroups.SetText(v.groups);
    edComment.SetText(v.comment);
    seLines.SetValue(v.lines);
    seMargin.SetValue(v.margin);
    cbMimeEnclosure.SetChecked(v.mimeEnclosure);
    cbWipePass.SetChecked(v.wipePass);
    cbxEncSigBtn.SetItemIndex(v.encSigBtn >= 0 && v.encSigBtn < kEncSigChoices ? v.encSigBtn : -1);
    cbDecrypt.SetChecked(v.decrypt);
    cbVerify.SetChecked(v.verify);
    cbManage.SetChecked(v.manage);
    cbPGPkeys.SetChecked(v.pgpKeys);
    cbPellatch.SetChecked(v.autoEncryption);
    cbHideKeyDlg.SetChecked(v.hideKeyDialog);
    cbEncAttach.SetChecked(v.encryptAttach);
    cbConfirmEnc.SetChecked(v.confirmEncrypt);
    cbMixWarn.SetChecked(v.mixedWarn);
    cbADKWarn.SetChecked(v.adkWarn);
    cbCheckKey.SetChecked(v.checkKey);
    cbServerLookup.SetChecked(v.serverLookup);
    cbCheckSig.SetChecked(v.checkSig);
    (v.include == 1 ? rbIntern : v.include == 2 ? rbExtern : rbNot).SetChecked(true);
    seSeconds.SetValue(v.storeSeconds);
    seCount.SetValue(v.wipeCount);
    cbStdColor.SetChecked(v.standardColors);
    UpdateSecondsLabel();
    UpdateRadios();
}

HWND TfrmPGPConfig::InitialFocus() {
    BringWindowToTop(Handle());
    if (!FileExists(edSecring.Text())) return edSecring.Handle();
    if (!FileExists(edPubring.Text())) return edPubring.Handle();
    return pcConfig.Handle();
}

// ---- While open -----------------------------------------------------------------

void TfrmPGPConfig::UpdateSecondsLabel() {
    const int value = seSeconds.Value();
    lblSeconds.SetText(T(value == -1 ? txt::_OFF : value == 0 ? txt::_INFINITE : txt::_SECONDS));
}

void TfrmPGPConfig::UpdateRadios() {
    for (TCustRadioBtn* radio : {&rbNot, &rbIntern, &rbExtern}) radio->SetEnabled(cbCheckSig.Checked());
}

void TfrmPGPConfig::UpdateKeyAlgorithm() {
    const int index = cbxName.ItemIndex();
    lblKeyAlgorithm.SetText(index >= 0 && size_t(index) < keys_.size() ? keys_[size_t(index)].algorithm : "");
}

void TfrmPGPConfig::WidenKeyList(bool dropped) {
    if (!dropped) {
        SendMessageA(cbxName.Handle(), CB_SETDROPPEDWIDTH, WPARAM(keyListWidth_), 0);
        return;
    }
    int widest = keyListWidth_;
    const int oneChar = TextExtent(cbxName.Font(), "W").cx;
    for (const SecretKeyItem& key : keys_) {
        const int width = TextExtent(cbxName.Font(), key.text).cx + oneChar;
        if (width > widest) widest = width;
    }
    SendMessageA(cbxName.Handle(), CB_SETDROPPEDWIDTH, WPARAM(widest), 0);
}

void TfrmPGPConfig::ChooseRingFile(TPathEdit& field, const char* keyName) {
    const std::string current = field.Text();
    TOpenDialogEx dialog;
    dialog.title = T(txt::_SELECT) + keyName + T(txt::DATA_FILE);
    dialog.filter = RingFilter(keyName);
    dialog.parent = Handle();
    const std::string dir = DirectoryOf(current);
    dialog.initialDir = DirectoryExists(dir) ? dir : services_.ConfigDirectory();
    dialog.fileName = FileNameOf(current);
    if (dialog.Execute() && dialog.fileName != kClipboardFileName) field.SetText(dialog.fileName);
}

void TfrmPGPConfig::CheckHeaderLength() {
    std::string folder;
    if (!services_.ReadChosenFolder(Handle(), folder)) return;
    const int longest = EstimateHeaderLength(folder);
    const std::string estimate = T(txt::HEADER_LEN) + std::to_string(longest);
    if (seLines.Value() < longest) {
        // The question mark comes with the question box.
        const std::string question = estimate + T(txt::DO_ADJUST) + std::to_string(longest + 2);
        if (services_.Confirm(question)) seLines.SetValue(longest + 2);
    } else if (longest > 0) {
        services_.Info(estimate + T(txt::NO_ADJUST));
    }
}

void TfrmPGPConfig::ShowHelpFor(HWND control, bool fromKey) {
    for (HWND w = control; w && w != Handle(); w = GetParent(w)) {
        auto it = helpContexts_.find(w);
        if (it == helpContexts_.end()) continue;
        const int context = it->second;
        // A key shows contexts above 29 as topics; a click only the buttons' 30.
        services_.ShowHelp(context, fromKey ? context > 29 : context == kButtonsHelpContext);
        return;
    }
    if (fromKey) services_.ShowHelp(kConfigHelpContext, true);
}

bool TfrmPGPConfig::ClosingKey(const MSG& msg) const {
    if (cbxName.ListDropped() || cbxServerProtocol.ListDropped() || cbxEncSigBtn.ListDropped()) return false;
    const HWND focus = GetFocus();
    for (const Window* field : {static_cast<const Window*>(&seLines), static_cast<const Window*>(&seMargin),
                                static_cast<const Window*>(&seSeconds), static_cast<const Window*>(&seCount),
                                static_cast<const Window*>(&meServerPort)})
        if (focus == field->Handle()) return false;
    return msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE;
}

bool TfrmPGPConfig::PreviewKey(MSG& msg) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1) {
        ShowHelpFor(GetFocus(), true);
        return true;
    }
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
        for (TPlainCBEx* list : {&cbxName, &cbxServerProtocol, &cbxEncSigBtn}) {
            if (!list->ListDropped()) continue;
            // The key ends the open list, with its choice on Enter.
            if (msg.wParam == VK_RETURN) {
                SendMessageA(list->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
                return true;
            }
            return false;
        }
        if (!ClosingKey(msg)) return false;
        // A key on a flat button presses it; elsewhere it closes the dialog.
        Window* focused = FromHandle(GetFocus());
        if (msg.wParam == VK_RETURN && focused && focused->IsButton()) {
            focused->Click();
            return true;
        }
        closeReason = CloseReason::Other;
        SetModalResult(msg.wParam == VK_RETURN ? mrOk : mrCancel);
        return true;
    }
    return false;
}

LRESULT TfrmPGPConfig::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kWarnPassMessage:
        services_.Warn(T(txt::WARN_PASS));
        seSeconds.SetFocus();
        return 0;
    case WM_CONTEXTMENU:
        ShowHelpFor(reinterpret_cast<HWND>(wp), false);
        return 0;
    case WM_HELP: {
        const auto* info = reinterpret_cast<const HELPINFO*>(lp);
        ShowHelpFor(info && info->iContextType == HELPINFO_WINDOW ? static_cast<HWND>(info->hItemHandle) : GetFocus(),
                    true);
        return TRUE;
    }
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lp) == cbxName.Handle() && HIWORD(wp) == CBN_SELCHANGE) {
            UpdateKeyAlgorithm();
            return 0;
        }
        break;
    case WM_CLOSE:
        closeReason = CloseReason::Other;
        break;
    default:
        break;
    }
    return Form::HandleMessage(msg, wp, lp);
}

// ---- Closing --------------------------------------------------------------------

bool TfrmPGPConfig::ReadControls(ConfigValues& v) {
    const int keyIndex = cbxName.ItemIndex();
    if (keyIndex >= 0 && size_t(keyIndex) < keys_.size()) {
        // The stored form: user ID, "\", key ID; the list's text ends in the
        // algorithm in parentheses.
        const SecretKeyItem& key = keys_[size_t(keyIndex)];
        const size_t cut = key.text.rfind(" (");
        v.name = (cut == std::string::npos ? key.text : key.text.substr(0, cut)) + "\\" + key.keyID;
    }
    v.always = cbAlwaysDefault.Checked();
    if (cbxServerProtocol.ItemIndex() >= 0) v.serverProtocol = cbxServerProtocol.ItemIndex() + 1;
    v.serverName = edServerName.Text();
    const bool portOk = ParsePortText(meServerPort.Text(), v.serverPort, v.serverPort);
    v.secRing = edSecring.Text();
    v.pubRing = edPubring.Text();
    v.groups = edGroups.Text();
    v.comment = edComment.Text();
    if (services_.InsideHost()) {
        v.lines = seLines.Value();
        v.margin = seMargin.Value();
        v.mimeEnclosure = cbMimeEnclosure.Checked();
    }
    v.wipePass = cbWipePass.Checked();
    if (cbxEncSigBtn.ItemIndex() >= 0) v.encSigBtn = cbxEncSigBtn.ItemIndex();
    v.decrypt = cbDecrypt.Checked();
    v.verify = cbVerify.Checked();
    v.manage = cbManage.Checked();
    v.pgpKeys = cbPGPkeys.Checked();
    v.autoEncryption = cbPellatch.Checked();
    v.hideKeyDialog = cbHideKeyDlg.Checked();
    v.encryptAttach = cbEncAttach.Checked();
    v.confirmEncrypt = cbConfirmEnc.Checked();
    v.mixedWarn = cbMixWarn.Checked();
    v.adkWarn = cbADKWarn.Checked();
    v.checkKey = cbCheckKey.Checked();
    v.serverLookup = cbServerLookup.Checked();
    v.checkSig = cbCheckSig.Checked();
    v.include = rbIntern.Checked() ? 1 : rbExtern.Checked() ? 2 : 0;
    v.storeSeconds = seSeconds.Value();
    v.wipeCount = seCount.Value();
    v.standardColors = cbStdColor.Checked();
    return portOk;
}

ConfigOutcome TfrmPGPConfig::CloseAndSave() {
    ConfigOutcome outcome;
    // A typed number counts as it would when leaving its field.
    for (TSpinEdEx* spin : {static_cast<TSpinEdEx*>(&seLines), static_cast<TSpinEdEx*>(&seMargin),
                            static_cast<TSpinEdEx*>(&seSeconds), &seCount})
        SendMessageA(spin->Handle(), WM_KILLFOCUS, 0, 0);
    if (!ReadControls()) {
        // A port above 65535 is none: the engine's port stays as it was.
        working_.serverPort = opening_.serverPort;
    }
    outcome.changed = ConfigChanged(opening_, working_, services_.InsideHost());
    if (!outcome.changed) return outcome;
    bool save = false;
    // The question is about the user's changes: a dialog left as it showed
    // up asks nothing.
    if (services_.SetupMode() || closeReason == CloseReason::Ok)
        save = true;
    else if (closeReason == CloseReason::Other && ConfigChanged(shown_, working_, services_.InsideHost()))
        save = services_.Confirm(T(txt::SAVE_DATA));
    if (!save) return outcome;
    const SaveResult result = services_.Save(opening_, working_);
    outcome.saved = result != SaveResult::NotSaved;
    outcome.toolbarChanged = outcome.saved && ToolbarChanged(opening_, working_);
    return outcome;
}

ConfigOutcome TfrmPGPConfig::Execute() {
    closeReason = CloseReason::Other;
    ShowModal();
    HotHint().Hide();
    return CloseAndSave();
}

}  // namespace orv::ui
