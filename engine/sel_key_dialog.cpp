// The key selection dialog of the encoding job.
#include "engine/sel_key_dialog.h"

#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <exception>

#include "engine/message_pump.h"
#include "ui/look.h"

namespace orv {
namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && Lower(a) == Lower(b);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

bool IsDHAlgorithm(int algorithm) { return algorithm >= 16 && algorithm <= 18; }

// The module that holds the dialog resource: the one this code is linked into.
HINSTANCE ThisModule() {
    HMODULE m = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &m);
    return m ? m : GetModuleHandleA(nullptr);
}

// A 16 x 16 picture: a key (round head and bar), a person (user ID) or
// three heads (group), in the colour given.
HBITMAP MakePicture(HDC screen, int kind, COLORREF color, bool mask) {
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = mask ? CreateBitmap(16, 16, 1, 1, nullptr) : CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(dc, bmp);
    const COLORREF back = mask ? RGB(255, 255, 255) : RGB(0, 0, 0);
    const COLORREF fore = mask ? RGB(0, 0, 0) : color;
    RECT all{0, 0, 16, 16};
    HBRUSH backBrush = CreateSolidBrush(back);
    FillRect(dc, &all, backBrush);
    DeleteObject(backBrush);
    HBRUSH brush = CreateSolidBrush(fore);
    HPEN pen = CreatePen(PS_SOLID, 1, fore);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    switch (kind) {
        case 0:  // key
            Ellipse(dc, 1, 4, 8, 11);
            Rectangle(dc, 7, 7, 15, 9);
            Rectangle(dc, 12, 9, 14, 12);
            break;
        case 1:  // user ID
            Ellipse(dc, 5, 1, 11, 7);
            Rectangle(dc, 3, 8, 13, 15);
            break;
        default:  // group
            Ellipse(dc, 1, 2, 6, 7);
            Ellipse(dc, 10, 2, 15, 7);
            Ellipse(dc, 5, 6, 11, 12);
            Rectangle(dc, 1, 8, 6, 13);
            Rectangle(dc, 10, 8, 15, 13);
            Rectangle(dc, 4, 12, 12, 16);
            break;
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bmp;
}

void AddPicture(HIMAGELIST list, int kind, COLORREF color) {
    HDC screen = GetDC(nullptr);
    HBITMAP image = MakePicture(screen, kind, color, false);
    HBITMAP mask = MakePicture(screen, kind, color, true);
    ReleaseDC(nullptr, screen);
    ImageList_Add(list, image, mask);
    DeleteObject(image);
    DeleteObject(mask);
}

// Validity marks: a dot, hollow for unknown, full for complete, half for mixed.
void AddMark(HIMAGELIST list, int fill) {
    HDC screen = GetDC(nullptr);
    HBITMAP images[2];
    for (int m = 0; m < 2; ++m) {
        const bool mask = m == 1;
        HDC dc = CreateCompatibleDC(screen);
        images[m] = mask ? CreateBitmap(16, 16, 1, 1, nullptr) : CreateCompatibleBitmap(screen, 16, 16);
        HGDIOBJ old = SelectObject(dc, images[m]);
        RECT all{0, 0, 16, 16};
        HBRUSH back = CreateSolidBrush(mask ? RGB(255, 255, 255) : RGB(0, 0, 0));
        FillRect(dc, &all, back);
        DeleteObject(back);
        const COLORREF ink = mask ? RGB(0, 0, 0) : RGB(0, 128, 0);
        HPEN pen = CreatePen(PS_SOLID, 1, ink);
        HBRUSH full = CreateSolidBrush(ink);
        HGDIOBJ oldPen = SelectObject(dc, pen);
        HGDIOBJ oldBrush = SelectObject(dc, fill == 0 && !mask ? GetStockObject(BLACK_BRUSH) : full);
        if (fill == 0 && mask) SelectObject(dc, full);
        Ellipse(dc, 3, 3, 13, 13);
        if (fill == 1 && !mask) {
            RECT left{3, 3, 8, 13};
            FillRect(dc, &left, full);
        }
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(full);
        DeleteObject(pen);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    ReleaseDC(nullptr, screen);
    ImageList_Add(list, images[0], images[1]);
    DeleteObject(images[0]);
    DeleteObject(images[1]);
}

constexpr UINT_PTR kTreeSubclassId = 1;
constexpr UINT kPopupCommand = 1;

}  // namespace

// ---- Text logic ------------------------------------------------------------

std::vector<int> ShownGroups(const TKeyPropsList& list) {
    std::vector<int> shown;
    for (int i = 0; i < static_cast<int>(list.Groups.size()); ++i)
        if (list.Groups[i].find('\n') != std::string::npos) shown.push_back(i);
    return shown;
}

std::string GroupItemText(const std::string& entry, const std::string& groupCaption) {
    return Lines(entry).front() + " (" + groupCaption + ")";
}

std::string SearchForm(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c == '-' || c == '.' || c == '/' || c == '_')
            c = ' ';
        else
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

SelKeyPick NameSearch(const TKeyPropsList& list, const std::string& recipient) {
    SelKeyPick none;
    const std::size_t at = recipient.find('@');
    std::string search = SearchForm(at == std::string::npos || at == 0 ? recipient : recipient.substr(0, at));
    std::vector<std::vector<std::string>> forms(list.Count());
    for (int k = 0; k < list.Count(); ++k) {
        const TKeyProps& p = list.Objects(k);
        if (!p.UserIDs) continue;
        for (const auto& uid : *p.UserIDs) forms[k].push_back(SearchForm(uid));
    }
    auto find = [&](const std::string& s) {
        SelKeyPick pick;
        for (int k = 0; k < static_cast<int>(forms.size()); ++k) {
            for (int u = 0; u < static_cast<int>(forms[k].size()); ++u) {
                const std::string& f = forms[k][u];
                const bool hit = s.size() == 1 ? (!f.empty() && f[0] == s[0]) : f.find(s) != std::string::npos;
                if (hit) {
                    pick.key = k;
                    pick.userID = u;
                    return pick;
                }
            }
        }
        return pick;
    };
    // A search text that is nothing but blanks would match every user ID.
    auto trimmed = [](std::string s) {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    };
    search = trimmed(search);
    bool cutToFirst = false;
    while (!search.empty()) {
        SelKeyPick pick = find(search);
        if (pick.key >= 0) return pick;
        if (search.size() == 1 || cutToFirst) return none;
        const std::size_t blank = search.rfind(' ');
        if (blank != std::string::npos && blank > 0) {
            search = trimmed(search.substr(0, blank));
        } else {
            search = search.substr(0, 1);
            cutToFirst = true;
        }
    }
    return none;
}

SelKeyPick PreSelect(const TKeyPropsList& list, const std::string& recipient, const std::string& groupCaption) {
    SelKeyPick pick;
    if (recipient.empty()) return pick;
    const std::string lowered = Lower(recipient);
    const std::vector<int> shown = ShownGroups(list);
    for (int g = 0; g < static_cast<int>(shown.size()) && pick.group < 0; ++g)
        if (Lower(GroupItemText(list.Groups[shown[g]], groupCaption)).find(lowered) != std::string::npos)
            pick.group = g;
    // A matching key takes precedence over a matching group.
    for (int k = 0; k < list.Count(); ++k) {
        const TKeyProps& p = list.Objects(k);
        bool match = !p.ShortKeyID.empty() && EqualNoCase(p.ShortKeyID, recipient);
        if (!match && p.UserIDs)
            match = std::any_of(p.UserIDs->begin(), p.UserIDs->end(),
                                [&](const std::string& uid) { return EqualNoCase(uid, recipient); });
        if (match) {
            pick.group = -1;
            pick.key = k;
            return pick;
        }
    }
    if (pick.group >= 0) return pick;
    if (recipient.size() >= 2 && recipient[0] == '0' && (recipient[1] == 'x' || recipient[1] == 'X')) return pick;
    return NameSearch(list, recipient);
}

// ---- The dialog ------------------------------------------------------------

TSelKeyDialog::TSelKeyDialog(HWND parent) : ParentWindow(parent) {}

TSelKeyDialog::~TSelKeyDialog() {
    if (ImageList) ImageList_Destroy(ImageList);
    if (stateImages_) ImageList_Destroy(stateImages_);
}

int TSelKeyDialog::Execute(std::string& recipient, TKeyPropsList* keys, bool& groupChosen) {
    groupChosen = false;
    GroupChosen = false;
    Selection.clear();
    Recipient = recipient;
    KeyList = keys;
    GroupList = keys ? &keys->Groups : nullptr;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);

    ui::Session& session = ui::CurrentSession();
    const HWND previousOwner = session.Owner();
    const INT_PTR code = DialogBoxParamA(ThisModule(), MAKEINTRESOURCEA(kSelKeyDialogResource), ParentWindow,
                                         DialogProc, reinterpret_cast<LPARAM>(this));
    session.SetOwner(previousOwner);
    dlg_ = nullptr;
    tvKeys = nullptr;
    PumpMessages();
    if (code == -1 || code == 0) return kSelKeyNoDialog;

    groupChosen = GroupChosen;
    switch (code) {
        case kSelKeyOK:
            recipient = Selection;
            return kSelKeyChosen;
        case kSelKeyServer:
            return kSelKeyFromServer;
        case kSelKeyList:
            recipient = Selection + Recipient;
            return kSelKeyAddToList;
        default:
            recipient.clear();
            return kSelKeyCancelled;
    }
}

INT_PTR CALLBACK TSelKeyDialog::DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<TSelKeyDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<TSelKeyDialog*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        if (self) self->dlg_ = dlg;
    }
    if (!self) return FALSE;
    try {
        return self->HandleMessage(msg, wParam, lParam);
    } catch (...) {
        // A dialog that cannot go on ends as cancelled.
        EndDialog(dlg, kSelKeyCancel);
        return TRUE;
    }
}

LRESULT CALLBACK TSelKeyDialog::TreeProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<TSelKeyDialog*>(data);
    try {
        if (msg == WM_NCDESTROY) {
            RemoveWindowSubclass(wnd, TreeProc, id);
            return DefSubclassProc(wnd, msg, wParam, lParam);
        }
        return self->HandleTree(msg, wParam, lParam);
    } catch (...) {
        return DefSubclassProc(wnd, msg, wParam, lParam);
    }
}

INT_PTR TSelKeyDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            ui::CurrentSession().SetOwner(dlg_);
            FormShow();
            return FALSE;  // the focus is set
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (HIWORD(wParam) != BN_CLICKED && HIWORD(wParam) != 0) return FALSE;
            if (id == kSelKeyOK) {
                if (!IsWindowEnabled(btnOK)) return TRUE;
                // Ctrl with OK asks for the list as well.
                if (GetKeyState(VK_CONTROL) < 0 && IsWindowEnabled(btnList))
                    Finish(kSelKeyList);
                else
                    Finish(kSelKeyOK);
                return TRUE;
            }
            if (id == kSelKeyCancel) {
                Finish(kSelKeyCancel);
                return TRUE;
            }
            if (id == kSelKeyServer) {
                if (IsWindowEnabled(btnServer)) Finish(kSelKeyServer);
                return TRUE;
            }
            if (id == kSelKeyList) {
                if (IsWindowEnabled(btnList)) Finish(kSelKeyList);
                return TRUE;
            }
            return FALSE;
        }
        case WM_CLOSE:
            Finish(kSelKeyCancel);
            return TRUE;
        // The windows' colours, or the system's with Standard Colors.
        case WM_CTLCOLORDLG:
            return reinterpret_cast<INT_PTR>(ui::WindowBrush());
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(wParam), ui::WindowColor());
            return reinterpret_cast<INT_PTR>(ui::WindowBrush());
        case WM_SYSCOMMAND:
            // The caption's help button opens the topic at once.
            if ((wParam & 0xFFF0) == SC_CONTEXTHELP) {
                ShowHelp();
                SetWindowLongPtrA(dlg_, DWLP_MSGRESULT, 0);
                return TRUE;
            }
            return FALSE;
        case WM_HELP:
            ShowHelp();
            return TRUE;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lParam);
            if (!hdr || hdr->hwndFrom != tvKeys) return FALSE;
            LRESULT result = 0;
            switch (hdr->code) {
                case TVN_SELCHANGEDA:
                case TVN_SELCHANGEDW:
                    tvKeysChange();
                    break;
                case NM_CUSTOMDRAW:
                    result = tvKeysCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(lParam));
                    break;
                case NM_DBLCLK:
                    result = tvKeysDblClick();
                    break;
                case NM_RCLICK: {
                    TVHITTESTINFO hit{};
                    GetCursorPos(&hit.pt);
                    ScreenToClient(tvKeys, &hit.pt);
                    HTREEITEM item = TreeView_HitTest(tvKeys, &hit);
                    if (item && (hit.flags & TVHT_ONITEM)) tvKeysContextMenu(item);
                    result = 1;
                    break;
                }
                default:
                    return FALSE;
            }
            SetWindowLongPtrA(dlg_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        case WM_MEASUREITEM: {
            auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (!m || m->CtlType != ODT_MENU) return FALSE;
            HDC dc = GetDC(dlg_);
            HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
            SIZE size{};
            GetTextExtentPoint32A(dc, popupText_.c_str(), static_cast<int>(popupText_.size()), &size);
            SelectObject(dc, old);
            ReleaseDC(dlg_, dc);
            m->itemWidth = static_cast<UINT>(size.cx + 16);
            m->itemHeight = static_cast<UINT>(size.cy + 6);
            return TRUE;
        }
        case WM_DRAWITEM: {
            auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            if (!d || d->CtlType != ODT_MENU) return FALSE;
            FillRect(d->hDC, &d->rcItem, GetSysColorBrush(COLOR_MENU));
            SetBkMode(d->hDC, TRANSPARENT);
            SetTextColor(d->hDC, GetSysColor(COLOR_MENUTEXT));
            HGDIOBJ old = SelectObject(d->hDC, GetStockObject(DEFAULT_GUI_FONT));
            RECT r = d->rcItem;
            DrawTextA(d->hDC, popupText_.c_str(), static_cast<int>(popupText_.size()), &r,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            SelectObject(d->hDC, old);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

LRESULT TSelKeyDialog::HandleTree(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) {
                if (HTREEITEM item = TreeView_GetSelection(tvKeys)) TreeView_Expand(tvKeys, item, TVE_TOGGLE);
                return 0;
            }
            break;
        case WM_CHAR:
            // The space bar toggles; it is no search text.
            if (wParam == ' ') return 0;
            break;
        case WM_SYSKEYDOWN:
            if (GetKeyState(VK_SHIFT) < 0) {
                if (HTREEITEM item = TreeView_GetSelection(tvKeys)) tvKeysContextMenu(item);
                return 0;
            }
            break;
        case WM_CONTEXTMENU:
            // Shift+F10 and the menu key act on the selected item.
            if (GET_X_LPARAM(lParam) == -1 && GET_Y_LPARAM(lParam) == -1) {
                if (HTREEITEM item = TreeView_GetSelection(tvKeys)) tvKeysContextMenu(item);
                return 0;
            }
            break;
        default:
            break;
    }
    return DefSubclassProc(tvKeys, msg, wParam, lParam);
}

void TSelKeyDialog::FormShow() {
    SetWindowTextA(dlg_, "PGP");
    SetDlgItemTextA(dlg_, kSelKeyPrompt, Prompt.c_str());
    btnOK = GetDlgItem(dlg_, kSelKeyOK);
    btnServer = GetDlgItem(dlg_, kSelKeyServer);
    btnList = GetDlgItem(dlg_, kSelKeyList);
    SetWindowTextA(btnOK, OKCaption.c_str());
    SetDlgItemTextA(dlg_, kSelKeyCancel, CancelCaption.c_str());
    SetWindowTextA(btnServer, ServerCaption.c_str());
    SetWindowTextA(btnList, AutoListCaption.c_str());

    // The tree fills the room between the prompt and the buttons.
    RECT r{10, 20, 319, 134};
    MapDialogRect(dlg_, &r);
    tvKeys = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES |
                                 TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                             r.left, r.top, r.right - r.left, r.bottom - r.top, dlg_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSelKeyTree)), ThisModule(), nullptr);
    if (!tvKeys) return;
    SendMessageA(tvKeys, WM_SETFONT, SendMessageA(dlg_, WM_GETFONT, 0, 0), FALSE);
    // First in the tab order, ahead of the buttons.
    SetWindowPos(tvKeys, GetDlgItem(dlg_, kSelKeyPrompt), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowSubclass(tvKeys, TreeProc, kTreeSubclassId, reinterpret_cast<DWORD_PTR>(this));
    TreeView_SetBkColor(tvKeys, ui::FieldColor());
    MakeImages();
    FillTree();

    EnableWindow(btnServer, !Recipient.empty());
    if (StartItem) {
        TreeView_SelectItem(tvKeys, StartItem);
        TreeView_EnsureVisible(tvKeys, StartItem);
    }
    tvKeysChange();
    SetFocus(tvKeys);
}

void TSelKeyDialog::MakeImages() {
    ImageList = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 5, 0);
    AddPicture(ImageList, 0, RGB(0, 0, 160));    // 0: RSA key
    AddPicture(ImageList, 0, RGB(160, 96, 0));   // 1: DH/DSS key
    AddPicture(ImageList, 1, RGB(0, 0, 160));    // 2: user ID of an RSA key
    AddPicture(ImageList, 1, RGB(160, 96, 0));   // 3: user ID of a DH/DSS key
    AddPicture(ImageList, 2, RGB(0, 112, 112));  // 4: group
    TreeView_SetImageList(tvKeys, ImageList, TVSIL_NORMAL);
    // State images count from 1.
    stateImages_ = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 0);
    AddMark(stateImages_, 0);
    AddMark(stateImages_, 0);  // 1: not completely valid
    AddMark(stateImages_, 2);  // 2: valid
    AddMark(stateImages_, 1);  // 3: user IDs of differing validity
    TreeView_SetImageList(tvKeys, stateImages_, TVSIL_STATE);
}

HTREEITEM TSelKeyDialog::AddItem(HTREEITEM parent, const std::string& text, int image, int state, int info) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
    ins.item.pszText = const_cast<char*>(text.c_str());
    ins.item.iImage = image;
    ins.item.iSelectedImage = image;
    ins.item.lParam = info;
    ins.item.state = INDEXTOSTATEIMAGEMASK(state);
    ins.item.stateMask = TVIS_STATEIMAGEMASK;
    return TreeView_InsertItem(tvKeys, &ins);
}

void TSelKeyDialog::FillTree() {
    items_.clear();
    StartItem = nullptr;
    if (!KeyList) return;
    const TKeyPropsList& list = *KeyList;
    shownGroups_ = ShownGroups(list);
    const SelKeyPick pick = PreSelect(list, Recipient, GroupCaption);

    for (int g = 0; g < static_cast<int>(shownGroups_.size()); ++g) {
        const std::string& entry = list.Groups[shownGroups_[g]];
        items_.push_back({Item::Group, g, -1});
        HTREEITEM top = AddItem(TVI_ROOT, GroupItemText(entry, GroupCaption), kImageGroup, 0,
                                static_cast<int>(items_.size() - 1));
        const auto lines = Lines(entry);
        for (int m = 1; m < static_cast<int>(lines.size()); ++m) {
            if (lines[m].empty()) continue;
            items_.push_back({Item::Member, g, m});
            AddItem(top, lines[m].substr(0, lines[m].find(kGroupMemberKeyID)), kImageUserID, 0,
                    static_cast<int>(items_.size() - 1));
        }
        if (pick.group == g) StartItem = top;
    }
    for (int k = 0; k < list.Count(); ++k) {
        const TKeyProps& p = list.Objects(k);
        const bool dh = IsDHAlgorithm(p.Algorithm);
        // User IDs carry the key's validity: the list has no validity per user ID.
        const int uidState = p.KeyValidity == 3 ? 2 : 1;
        const std::string name = p.UserName.empty() ? list.Strings(k) : p.UserName;
        items_.push_back({Item::Key, k, -1});
        HTREEITEM top = AddItem(TVI_ROOT, name, dh ? kImageKeyDH : kImageKeyRSA, 0,
                                static_cast<int>(items_.size() - 1));
        if (pick.key == k && pick.userID < 0) StartItem = top;
        if (!p.UserIDs) continue;
        for (int u = 0; u < static_cast<int>(p.UserIDs->size()); ++u) {
            items_.push_back({Item::UserID, k, u});
            HTREEITEM child = AddItem(top, (*p.UserIDs)[u], dh ? kImageUserIDDH : kImageUserID, uidState,
                                      static_cast<int>(items_.size() - 1));
            if (pick.key == k && pick.userID == u) StartItem = child;
        }
    }
}

const TSelKeyDialog::Item* TSelKeyDialog::InfoOf(HTREEITEM item) const {
    if (!item || !tvKeys) return nullptr;
    TVITEMA tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!TreeView_GetItem(tvKeys, &tv)) return nullptr;
    const auto index = static_cast<std::size_t>(tv.lParam);
    return index < items_.size() ? &items_[index] : nullptr;
}

HTREEITEM TSelKeyDialog::TopItem(HTREEITEM item) const {
    while (item) {
        HTREEITEM parent = TreeView_GetParent(tvKeys, item);
        if (!parent) return item;
        item = parent;
    }
    return item;
}

COLORREF TSelKeyDialog::ItemTextColor(HTREEITEM item, COLORREF normal) const {
    const Item* info = InfoOf(item);
    if (!info) return normal;
    if (info->kind == Item::Member) return GetSysColor(COLOR_GRAYTEXT);
    if (info->kind == Item::Key && KeyList && KeyList->Objects(info->index).ADKState != kADKNone)
        return RGB(255, 0, 0);
    return normal;
}

void TSelKeyDialog::tvKeysChange() {
    const Item* info = InfoOf(TreeView_GetSelection(tvKeys));
    const bool key = info && (info->kind == Item::Key || info->kind == Item::UserID);
    const bool group = info && info->kind == Item::Group;
    EnableWindow(btnOK, key || group);
    EnableWindow(btnList, key);
    if (key || group) SendMessageA(dlg_, DM_SETDEFID, kSelKeyOK, 0);
}

LRESULT TSelKeyDialog::tvKeysCustomDraw(NMTVCUSTOMDRAW* draw) {
    if (!draw) return CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        HTREEITEM item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
        // A selected item keeps the selection colours.
        if (!(draw->nmcd.uItemState & CDIS_SELECTED)) draw->clrText = ItemTextColor(item, draw->clrText);
    }
    return CDRF_DODEFAULT;
}

LRESULT TSelKeyDialog::tvKeysDblClick() {
    TVHITTESTINFO hit{};
    GetCursorPos(&hit.pt);
    ScreenToClient(tvKeys, &hit.pt);
    HTREEITEM item = TreeView_HitTest(tvKeys, &hit);
    if (!item) return 1;
    if (hit.flags & TVHT_ONITEMICON) {
        TreeView_Expand(tvKeys, item, TVE_TOGGLE);
        return 1;
    }
    if (hit.flags & TVHT_ONITEMLABEL) {
        TreeView_SelectItem(tvKeys, item);
        SendMessageA(dlg_, WM_COMMAND, MAKEWPARAM(kSelKeyOK, BN_CLICKED), reinterpret_cast<LPARAM>(btnOK));
        return 1;
    }
    return 0;
}

void TSelKeyDialog::tvKeysContextMenu(HTREEITEM item) {
    item = TopItem(item);
    const Item* info = InfoOf(item);
    if (!info || info->kind != Item::Key || !KeyList) return;
    TreeView_SelectItem(tvKeys, item);
    popupText_ = KeyList->Objects(info->index).ShortKeyID;
    if (popupText_.empty()) popupText_ = KeyList->Strings(info->index);
    RECT r{};
    POINT at{};
    if (TreeView_GetItemRect(tvKeys, item, &r, TRUE)) {
        at.x = (r.left + r.right) / 2;
        at.y = (r.top + r.bottom) / 2;
    }
    ClientToScreen(tvKeys, &at);
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    AppendMenuA(menu, MF_OWNERDRAW, kPopupCommand, reinterpret_cast<LPCSTR>(popupText_.c_str()));
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, dlg_,
                   nullptr);
    DestroyMenu(menu);
}

void TSelKeyDialog::ShowHelp() {
    if (!HelpFile.empty()) WinHelpA(dlg_, HelpFile.c_str(), HELP_CONTEXT, static_cast<ULONG_PTR>(HelpContext));
}

void TSelKeyDialog::TakeSelection() {
    HTREEITEM item = TopItem(TreeView_GetSelection(tvKeys));
    const Item* info = InfoOf(item);
    if (!info || !KeyList) return;
    if (info->kind == Item::Key) {
        Selection = KeyList->Strings(info->index);
        selectedGroup_ = false;
    } else if (info->kind == Item::Group) {
        Selection = KeyList->Groups[shownGroups_[info->index]];
        selectedGroup_ = true;
    }
}

void TSelKeyDialog::Finish(int code) {
    selectedGroup_ = false;
    TakeSelection();
    // Only an answer that uses the selection confirms a group.
    GroupChosen = selectedGroup_ && (code == kSelKeyOK || code == kSelKeyList);
    EndDialog(dlg_, code);
}

}  // namespace orv
