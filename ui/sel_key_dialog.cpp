// The key selection dialog of the encoding job.
#include "ui/sel_key_dialog.h"

#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <memory>
#include <new>

#include "base/text.h"
#include "engine/message_pump.h"
#include "ui/look.h"

namespace orv {
namespace {

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && LowerCase(a) == LowerCase(b);
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

// The layout is given in dialog units of the windows' font, as a dialog
// template would give it: a quarter of the average character width and an
// eighth of the character height.
struct DialogUnits {
    DialogUnits() {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, ui::DefaultFont());
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        SIZE size{};
        static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        GetTextExtentPoint32A(dc, kAlphabet, 52, &size);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        baseX = size.cx > 0 ? (size.cx / 26 + 1) / 2 : 6;
        baseY = tm.tmHeight > 0 ? tm.tmHeight : 13;
    }
    RECT Rect(int x, int y, int width, int height) const {
        const int left = MulDiv(x, baseX, 4), top = MulDiv(y, baseY, 8);
        return RECT{left, top, left + MulDiv(width, baseX, 4), top + MulDiv(height, baseY, 8)};
    }
    int baseX = 6;
    int baseY = 13;
};

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
    const std::string lowered = LowerCase(recipient);
    const std::vector<int> shown = ShownGroups(list);
    for (int g = 0; g < static_cast<int>(shown.size()) && pick.group < 0; ++g)
        if (LowerCase(GroupItemText(list.Groups[shown[g]], groupCaption)).find(lowered) != std::string::npos)
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
    if (Handle()) DestroyWindow(Handle());
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
    if (Handle()) DestroyWindow(Handle());
    if (!CreateControls()) {
        if (Handle()) DestroyWindow(Handle());
        return kSelKeyNoDialog;
    }
    // While the dialog runs it owns the next dialogs (a key-server search).
    const int code = ShowModal();
    DestroyWindow(Handle());
    tvKeys = nullptr;
    PumpMessages();

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

// ---- The controls --------------------------------------------------------

bool TSelKeyDialog::TButton::Create(TSelKeyDialog* dialog, int id, const std::string& caption, const RECT& bounds,
                                    bool isDefault, bool isCancel, std::function<void()> onClick) {
    default_ = isDefault;
    cancel_ = isCancel;
    onClick_ = std::move(onClick);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    return CreateStandard("BUTTON", 0, style, caption, dialog, bounds.left, bounds.top, bounds.right - bounds.left,
                          bounds.bottom - bounds.top, id);
}

void TSelKeyDialog::TButton::Click() {
    if (Enabled() && onClick_) onClick_();
}

bool TSelKeyDialog::TButton::DialogChar(char upper) {
    if (!Enabled() || AccelChar(Text()) != upper) return false;
    Click();
    return true;
}

bool TSelKeyDialog::TButton::Reflected(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED) return false;
    Click();
    result = 0;
    return true;
}

bool TSelKeyDialog::TKeyTree::Create(TSelKeyDialog* dialog, const RECT& bounds) {
    dialog_ = dialog;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES |
                        TVS_LINESATROOT | TVS_SHOWSELALWAYS;
    return CreateStandard(WC_TREEVIEWA, WS_EX_CLIENTEDGE, style, "", dialog, bounds.left, bounds.top,
                          bounds.right - bounds.left, bounds.bottom - bounds.top, kSelKeyTree);
}

LRESULT TSelKeyDialog::TKeyTree::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND tree = Handle();
    switch (msg) {
        case WM_KEYDOWN:
            if (wp == VK_SPACE) {
                if (HTREEITEM item = TreeView_GetSelection(tree)) TreeView_Expand(tree, item, TVE_TOGGLE);
                return 0;
            }
            break;
        case WM_CHAR:
            // The space bar toggles; it is no search text.
            if (wp == ' ') return 0;
            break;
        case WM_SYSKEYDOWN:
            if (GetKeyState(VK_SHIFT) < 0) {
                if (HTREEITEM item = TreeView_GetSelection(tree)) dialog_->tvKeysContextMenu(item);
                return 0;
            }
            break;
        case WM_CONTEXTMENU:
            // Shift+F10 and the menu key act on the selected item.
            if (GET_X_LPARAM(lp) == -1 && GET_Y_LPARAM(lp) == -1) {
                if (HTREEITEM item = TreeView_GetSelection(tree)) dialog_->tvKeysContextMenu(item);
                return 0;
            }
            break;
        default:
            break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

bool TSelKeyDialog::TKeyTree::Reflected(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    switch (hdr->code) {
        case TVN_SELCHANGEDA:
        case TVN_SELCHANGEDW:
            dialog_->tvKeysChange();
            result = 0;
            return true;
        case NM_CUSTOMDRAW:
            result = dialog_->tvKeysCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(lp));
            return true;
        case NM_DBLCLK:
            result = dialog_->tvKeysDblClick();
            return true;
        case NM_RCLICK: {
            TVHITTESTINFO hit{};
            GetCursorPos(&hit.pt);
            ScreenToClient(Handle(), &hit.pt);
            HTREEITEM item = TreeView_HitTest(Handle(), &hit);
            if (item && (hit.flags & TVHT_ONITEM)) dialog_->tvKeysContextMenu(item);
            result = 1;
            return true;
        }
        default:
            return false;
    }
}

bool TSelKeyDialog::TPrompt::Create(TSelKeyDialog* dialog, const std::string& text, const RECT& bounds) {
    return CreateStandard("STATIC", 0, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, text, dialog, bounds.left,
                          bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, kSelKeyPrompt);
}

// ---- The dialog ----------------------------------------------------------

bool TSelKeyDialog::CreateControls() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    const DialogUnits units;
    HWND owner = ParentWindow && IsWindow(ParentWindow) ? ParentWindow : ui::CurrentSession().Owner();
    if (!CreateForm(kSelKeyDialogClass, kSelKeyDialogCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                    WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP, 100, 100, owner))
        return false;
    const RECT client = units.Rect(0, 0, 329, 160);
    SetClientSize(client.right, client.bottom);
    // The tree comes first in the tab order, ahead of the buttons.
    if (!lblPrompt_.Create(this, Request.Prompt, units.Rect(10, 7, 309, 10)) ||
        !tree_.Create(this, units.Rect(10, 20, 309, 114)))
        return false;
    const bool buttons =
        btnServer_.Create(this, kSelKeyServer, Request.ServerCaption, units.Rect(13, 139, 65, 14), false, false,
                          [this] { Finish(kSelKeyServer); }) &&
        btnList_.Create(this, kSelKeyList, Request.AutoListCaption, units.Rect(84, 139, 130, 14), false, false,
                        [this] { Finish(kSelKeyList); }) &&
        btnOK_.Create(this, kSelKeyOK, Request.OKCaption, units.Rect(220, 139, 50, 14), true, false,
                      [this] { OKClick(); }) &&
        btnCancel_.Create(this, kSelKeyCancel, Request.CancelCaption, units.Rect(276, 139, 50, 14), false, true,
                          [this] { Finish(kSelKeyCancel); });
    if (!buttons) return false;
    tvKeys = tree_.Handle();
    TreeView_SetBkColor(tvKeys, ui::FieldColor());
    MakeImages();
    FillTree();
    btnServer_.SetEnabled(!Recipient.empty());
    if (StartItem) {
        TreeView_SelectItem(tvKeys, StartItem);
        TreeView_EnsureVisible(tvKeys, StartItem);
    }
    tvKeysChange();
    return true;
}

void TSelKeyDialog::BeforeShow() { ui::CenterOverHost(Handle()); }

bool TSelKeyDialog::CloseQuery() {
    Finish(kSelKeyCancel);
    return true;
}

void TSelKeyDialog::OKClick() {
    // Ctrl with OK asks for the list as well.
    if (GetKeyState(VK_CONTROL) < 0 && btnList_.Enabled())
        Finish(kSelKeyList);
    else
        Finish(kSelKeyOK);
}

LRESULT TSelKeyDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SYSCOMMAND:
            // The caption's help button opens the topic at once.
            if ((wp & 0xFFF0) == SC_CONTEXTHELP) {
                ShowHelp();
                return 0;
            }
            break;
        case WM_HELP:
            ShowHelp();
            return TRUE;
        case WM_MEASUREITEM:
            if (MeasureMenuItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
            break;
        case WM_DRAWITEM:
            if (DrawMenuItem(reinterpret_cast<DRAWITEMSTRUCT*>(lp))) return TRUE;
            break;
        default:
            break;
    }
    return Form::HandleMessage(msg, wp, lp);
}

bool TSelKeyDialog::MeasureMenuItem(MEASUREITEMSTRUCT* m) {
    if (!m || m->CtlType != ODT_MENU) return false;
    HDC dc = GetDC(Handle());
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32A(dc, popupText_.c_str(), static_cast<int>(popupText_.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    m->itemWidth = static_cast<UINT>(size.cx + 16);
    m->itemHeight = static_cast<UINT>(size.cy + 6);
    return true;
}

bool TSelKeyDialog::DrawMenuItem(DRAWITEMSTRUCT* d) {
    if (!d || d->CtlType != ODT_MENU) return false;
    FillRect(d->hDC, &d->rcItem, GetSysColorBrush(COLOR_MENU));
    SetBkMode(d->hDC, TRANSPARENT);
    SetTextColor(d->hDC, GetSysColor(COLOR_MENUTEXT));
    HGDIOBJ old = SelectObject(d->hDC, GetStockObject(DEFAULT_GUI_FONT));
    RECT r = d->rcItem;
    DrawTextA(d->hDC, popupText_.c_str(), static_cast<int>(popupText_.size()), &r,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(d->hDC, old);
    return true;
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
    const SelKeyPick pick = PreSelect(list, Recipient, Request.GroupCaption);

    for (int g = 0; g < static_cast<int>(shownGroups_.size()); ++g) {
        const std::string& entry = list.Groups[shownGroups_[g]];
        items_.push_back({Item::Group, g, -1});
        HTREEITEM top = AddItem(TVI_ROOT, GroupItemText(entry, Request.GroupCaption), kImageGroup, 0,
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
    btnOK_.SetEnabled(key || group);
    btnList_.SetEnabled(key);
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
        btnOK_.Click();
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
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, Handle(),
                   nullptr);
    DestroyMenu(menu);
}

void TSelKeyDialog::ShowHelp() {
    if (!Request.HelpFile.empty())
        WinHelpA(Handle(), Request.HelpFile.c_str(), HELP_CONTEXT, static_cast<ULONG_PTR>(Request.HelpContext));
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
    SetModalResult(code);
}

int SelectKeysInDialog(const TKeySelectRequest& request, std::string& recipient, TKeyPropsList& keys,
                       bool& groupChosen, std::string& selection) {
    std::unique_ptr<TSelKeyDialog> dialog(new (std::nothrow) TSelKeyDialog(request.Parent));
    if (!dialog) return kSelKeyNoDialog;
    dialog->Request = request;
    const int answer = dialog->Execute(recipient, &keys, groupChosen);
    selection = dialog->Selection;
    return answer;
}

}  // namespace orv
