#include "standin/mailclient/editor.h"

#include <algorithm>
#include <cstring>

#include "standin/mailclient/host_interface.h"
#include "standin/mailclient/encryption_dialog.h"
#include "standin/mailclient/frame_ids.h"
#include "standin/mailclient/host.h"

namespace orv::mailclient {

namespace {

enum ControlId : int {
    kIdTo = 101,
    kIdSubject = 103,
    kIdCc = 105,
    kIdBcc = 107,
    kIdReplyTo = 109,
    kIdIdentity = 111,
    kIdSignature = 113,
    kIdConfirmReading = 120,
    kIdConfirmDelivery,
    kIdCopySelf,
    kIdUrgent,
    kIdRichText,
    kIdUseMime,
    kIdEncrypt,
    kIdAttachments = 131,
    kIdBody = 133,
    kIdSend = 140,
};

HWND Make(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
    HWND wnd = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return wnd;
}

// Label first, field right after it: the extensions find a field by the
// text of the window before it.
void LabelledEdit(HWND parent, const char* label, int id, int y) {
    Make(parent, "STATIC", label, SS_LEFT, 8, y + 3, 92, 16, id - 1);
    Make(parent, "EDIT", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 104, y, 420, 20, id);
}

void LabelledCombo(HWND parent, const char* label, int id, int x, int y) {
    Make(parent, "STATIC", label, SS_LEFT, x, y + 3, 60, 16, id - 1);
    Make(parent, "COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, x + 62, y, 150, 160, id);
}

void CreateControls(HWND wnd, Host* host) {
    LabelledEdit(wnd, host::kLabelTo, kIdTo, 6);
    LabelledEdit(wnd, host::kLabelSubject, kIdSubject, 30);
    LabelledEdit(wnd, host::kLabelCc, kIdCc, 54);
    LabelledEdit(wnd, host::kLabelBcc, kIdBcc, 78);
    LabelledEdit(wnd, host::kLabelReplyTo, kIdReplyTo, 102);

    LabelledCombo(wnd, host::kLabelIdentity, kIdIdentity, 8, 128);
    HWND identity = GetDlgItem(wnd, kIdIdentity);
    SendMessageA(identity, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(host::kDefaultIdentity));
    if (host) {
        for (const Identity& id : host->User().identities)
            SendMessageA(identity, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(id.name.c_str()));
    }
    SendMessageA(identity, CB_SETCURSEL, 0, 0);

    LabelledCombo(wnd, host::kLabelSignature, kIdSignature, 260, 128);
    HWND sig = GetDlgItem(wnd, kIdSignature);
    SendMessageA(sig, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("None"));
    for (int n = 1; n <= kSignatureCount; ++n) {
        std::string name = "Signature " + std::to_string(n);
        SendMessageA(sig, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    SendMessageA(sig, CB_SETCURSEL, 0, 0);

    const struct {
        const char* caption;
        int id;
    } checks[] = {{host::kCheckConfirmReading, kIdConfirmReading}, {host::kCheckConfirmDelivery, kIdConfirmDelivery},
                  {host::kCheckCopySelf, kIdCopySelf},             {host::kCheckUrgent, kIdUrgent},
                  {host::kCheckRichText, kIdRichText},             {host::kCheckUseMime, kIdUseMime},
                  {host::kCheckEncrypt, kIdEncrypt}};
    int x = 8, y = 156;
    for (const auto& c : checks) {
        Make(wnd, "BUTTON", c.caption, BS_AUTOCHECKBOX | WS_TABSTOP, x, y, 126, 18, c.id);
        x += 130;
        if (x > 400) {
            x = 8;
            y += 20;
        }
    }
    CheckDlgButton(wnd, kIdUseMime, BST_CHECKED);

    Make(wnd, "STATIC", "Attachments:", SS_LEFT, 8, 202, 92, 16, kIdAttachments - 1);
    Make(wnd, "LISTBOX", "", WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 104, 200, 420, 40, kIdAttachments);
    Make(wnd, "STATIC", "Message:", SS_LEFT, 8, 248, 92, 16, kIdBody - 1);
    // The message text lives in the editor library's control.
    if (host) host->Ter().Create(wnd, kIdBody, false, 104, 246, 420, 150);
    // The client's send control is a static that reacts to a click.
    Make(wnd, "STATIC", host::kSendLabel, SS_CENTER | SS_NOTIFY | SS_SUNKEN | WS_TABSTOP, 8, 340, 80, 24, kIdSend);
}

std::string Text(HWND wnd) {
    int len = GetWindowTextLengthA(wnd);
    std::string text(size_t(len) + 1, '\0');
    text.resize(size_t(GetWindowTextA(wnd, text.data(), len + 1)));
    return text;
}

bool Checked(HWND editor, int id) { return IsDlgButtonChecked(editor, id) == BST_CHECKED; }

const char* TextArg(LPARAM value) {
    const char* text = reinterpret_cast<const char*>(value);
    return text ? text : "";
}

std::string TrimRight(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    return text;
}

// Single line fields take the first line only, as the client's address fields do.
std::string FirstLine(const char* text) {
    std::string s(text);
    size_t end = s.find_first_of("\r\n");
    return end == std::string::npos ? s : s.substr(0, end);
}

// Message text lines end in CR LF inside the editor.
std::string WithCrLf(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n' && (p == text || p[-1] != '\r')) out += '\r';
        out += *p;
    }
    return out;
}

// The fields sit on a pane inside the MDI child, as the client's dialogs do.
HWND Pane(HWND editor) {
    // A null parent would search the top-level windows instead.
    return editor ? FindWindowExA(editor, nullptr, kEditorPaneClass, nullptr) : nullptr;
}

// The address fields, the attachment list and the message text take the
// editor's width; the text also its height.
void LayoutPane(HWND pane, int w, int h) {
    auto width = [&](int id) {
        HWND c = GetDlgItem(pane, id);
        RECT rc;
        if (!c || !GetWindowRect(c, &rc)) return;
        MapWindowPoints(nullptr, pane, reinterpret_cast<POINT*>(&rc), 2);
        MoveWindow(c, rc.left, rc.top, std::max(60, w - int(rc.left) - 8), rc.bottom - rc.top, TRUE);
    };
    for (int id : {kIdTo, kIdSubject, kIdCc, kIdBcc, kIdReplyTo, kIdAttachments}) width(id);
    MoveWindow(GetDlgItem(pane, kIdBody), 104, 246, std::max(60, w - 112), std::max(40, h - 254), TRUE);
}

LRESULT CALLBACK PaneProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        switch (msg) {
        case WM_SIZE: LayoutPane(wnd, LOWORD(lp), HIWORD(lp)); return 0;
        case WM_CREATE: {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            CreateControls(wnd, static_cast<Host*>(cs->lpCreateParams));
            return 0;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == kIdSend && HIWORD(wp) == STN_CLICKED) {
                HWND editor = GetParent(wnd);
                if (Host* host = Host::From(editor)) host->SendFromEditor(editor);
                return 0;
            }
            if (LOWORD(wp) == kIdEncrypt && HIWORD(wp) == BN_CLICKED) {
                // Ticking the box asks for the encryptor and its choices;
                // a cancelled dialog leaves the box clear.
                HWND editor = GetParent(wnd);
                Host* host = Host::From(editor);
                if (!host) return 0;
                host->ClearEncryptionChoice(editor);
                if (IsDlgButtonChecked(wnd, kIdEncrypt) != BST_CHECKED) return 0;
                EncryptionChoice choice;
                if (RunEncryptionDialog(editor, host, &choice) && IsWindow(wnd))
                    host->SetEncryptionChoice(editor, choice);
                else if (IsWindow(wnd))
                    CheckDlgButton(wnd, kIdEncrypt, BST_UNCHECKED);
                return 0;
            }
            break;
        default:
            break;
        }
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK EditorProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        switch (msg) {
        case WM_CREATE: {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            auto* mdi = static_cast<MDICREATESTRUCTA*>(cs->lpCreateParams);
            Host* host = mdi ? reinterpret_cast<Host*>(mdi->lParam) : nullptr;
            SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
            RECT rc;
            GetClientRect(wnd, &rc);
            CreateWindowExA(WS_EX_CONTROLPARENT, kEditorPaneClass, "", WS_CHILD | WS_VISIBLE, 0, 0, rc.right,
                            rc.bottom, wnd, nullptr, GetModuleHandleA(nullptr), host);
            break;
        }
        case host::kEditorSetField:
            return SetEditorField(wnd, wp, lp) ? 1 : 0;
        case kEditorSendNow:
            if (Host* host = Host::From(wnd)) host->SendFromEditor(wnd);
            return 0;
        case kEditorFocusField:
            if (HWND pane = Pane(wnd)) SetFocus(GetDlgItem(pane, wp == kFieldFocusText ? kIdBody : kIdTo));
            return 0;
        case WM_SIZE: {
            LRESULT r = DefMDIChildProcA(wnd, msg, wp, lp);
            if (HWND pane = Pane(wnd)) MoveWindow(pane, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
            return r;
        }
        case WM_CLOSE:
            // The user may keep a message that holds text.
            if (Host* host = Host::From(wnd); host && host->askBeforeClosingEditors && !ReadEditor(wnd).body.empty() &&
                MessageBoxA(host->Frame(), kDiscardQuestion, host::kFrameCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
                return 0;
            break;
        case WM_DESTROY:
            if (Host* host = Host::From(wnd)) host->EditorClosing(wnd);
            SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
            break;
        default:
            break;
        }
    } catch (...) {
        return 0;
    }
    return DefMDIChildProcA(wnd, msg, wp, lp);
}

}  // namespace

bool RegisterEditorClass(HINSTANCE instance) {
    WNDCLASSEXA pane{};
    if (!GetClassInfoExA(instance, kEditorPaneClass, &pane)) {
        pane.cbSize = sizeof pane;
        pane.lpfnWndProc = PaneProc;
        pane.hInstance = instance;
        pane.hCursor = LoadCursor(nullptr, IDC_ARROW);
        pane.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        pane.lpszClassName = kEditorPaneClass;
        if (!RegisterClassExA(&pane)) return false;
    }
    WNDCLASSEXA wc{};
    if (GetClassInfoExA(instance, host::kEditorClass, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = EditorProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = host::kEditorClass;
    return RegisterClassExA(&wc) != 0;
}

EditorContent ReadEditor(HWND editor) {
    EditorContent c;
    editor = Pane(editor);
    if (!editor) return c;
    c.to = Text(GetDlgItem(editor, kIdTo));
    c.subject = Text(GetDlgItem(editor, kIdSubject));
    c.cc = Text(GetDlgItem(editor, kIdCc));
    c.bcc = Text(GetDlgItem(editor, kIdBcc));
    c.replyTo = Text(GetDlgItem(editor, kIdReplyTo));
    c.identity = Text(GetDlgItem(editor, kIdIdentity));
    c.signatureIndex = int(SendDlgItemMessageA(editor, kIdSignature, CB_GETCURSEL, 0, 0)) - 1;
    HWND body = GetDlgItem(editor, kIdBody);
    Host* host = Host::From(editor);
    c.body = host ? host->Ter().Text(body) : Text(body);
    HWND list = GetDlgItem(editor, kIdAttachments);
    int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        int len = int(SendMessageA(list, LB_GETTEXTLEN, WPARAM(i), 0));
        std::string line(size_t(len) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(line.data()));
        line.resize(size_t(len));
        c.attachments.push_back(line);
    }
    c.confirmReading = Checked(editor, kIdConfirmReading);
    c.confirmDelivery = Checked(editor, kIdConfirmDelivery);
    c.copySelf = Checked(editor, kIdCopySelf);
    c.urgent = Checked(editor, kIdUrgent);
    c.richText = Checked(editor, kIdRichText);
    c.useMime = Checked(editor, kIdUseMime);
    c.encrypt = Checked(editor, kIdEncrypt);
    return c;
}

bool SetEditorField(HWND editor, WPARAM field, LPARAM value) {
    editor = Pane(editor);
    if (!editor) return false;
    auto setText = [&](int id) {
        std::string line = FirstLine(TextArg(value));
        return SetDlgItemTextA(editor, id, line.c_str()) != FALSE;
    };
    auto setCheck = [&](int id) {
        CheckDlgButton(editor, id, value ? BST_CHECKED : BST_UNCHECKED);
        return true;
    };
    HWND body = GetDlgItem(editor, kIdBody);
    switch (field) {
    case host::kFieldTo: return setText(kIdTo);
    case host::kFieldSubject: return setText(kIdSubject);
    case host::kFieldCc: return setText(kIdCc);
    case host::kFieldBcc: return setText(kIdBcc);
    case host::kFieldReplyTo: return setText(kIdReplyTo);
    case host::kFieldBody: return SetWindowTextA(body, WithCrLf(TextArg(value)).c_str()) != FALSE;
    case host::kFieldInsertText:
        SendMessageA(body, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(WithCrLf(TextArg(value)).c_str()));
        return true;
    case host::kFieldIdentity: {
        HWND box = GetDlgItem(editor, kIdIdentity);
        LRESULT index = SendMessageA(box, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(TextArg(value)));
        // An empty identity is the default one.
        if (index == CB_ERR && !*TextArg(value)) index = 0;
        if (index == CB_ERR) return false;
        SendMessageA(box, CB_SETCURSEL, WPARAM(index), 0);
        return true;
    }
    case host::kFieldSignature: {
        HWND box = GetDlgItem(editor, kIdSignature);
        LRESULT index = LRESULT(int(value)) + 1;
        if (index < 0 || index >= SendMessageA(box, CB_GETCOUNT, 0, 0)) return false;
        SendMessageA(box, CB_SETCURSEL, WPARAM(index), 0);
        return true;
    }
    case host::kFieldAttachment: {
        std::string line = TrimRight(TextArg(value));
        if (line.empty()) return false;
        SendDlgItemMessageA(editor, kIdAttachments, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        return true;
    }
    case host::kFieldCopySelf: return setCheck(kIdCopySelf);
    case host::kFieldConfirmDelivery: return setCheck(kIdConfirmDelivery);
    case host::kFieldConfirmReading: return setCheck(kIdConfirmReading);
    case host::kFieldUrgent: return setCheck(kIdUrgent);
    case host::kFieldUseMime: return setCheck(kIdUseMime);
    case host::kFieldRichText: return setCheck(kIdRichText);
    case host::kFieldReady:
        SetFocus(body);
        return true;
    default: return false;
    }
}

}  // namespace orv::mailclient
