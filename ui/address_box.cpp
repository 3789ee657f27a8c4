#include "ui/address_box.h"

#include <commctrl.h>

#include <algorithm>

#include "strings/text_client.h"
#include "ui/hot_hint.h"
#include "ui/look.h"
#include "ui/pgp_find.h"

namespace orv::ui {

namespace {

constexpr int kClientWidth = 492;
constexpr int kClientHeight = 273;
constexpr int kTopHeight = 28;
constexpr int kButtonsHeight = 44;
constexpr int kMargin = 16;
constexpr int kButton = 30;
constexpr int kButtonGap = 10;
constexpr int kRowHeight = 18;
constexpr int kMarkBox = 14;
constexpr int kMinAddressWidth = 120;
constexpr UINT_PTR kSearchTimerId = 1;
constexpr int kColumnWidths[addrcol::kCount] = {18, 18, 18, 18, 18, 53, 78, 228};
constexpr const char* kMarkText = "\xD7";

std::string T(int number) { return texts::Get(number); }

// The character message of a key already acted on must not follow it.
void DropPendingChar() {
    MSG pending;
    while (PeekMessageA(&pending, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    }
}

}  // namespace

// ---- The grid ----------------------------------------------------------------

bool TAddrGrid::Create(Window* parent) {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_OWNERDRAWFIXED |
                        LVS_SINGLESEL | LVS_SHOWSELALWAYS;
    if (!CreateStandard(WC_LISTVIEWA, WS_EX_CLIENTEDGE, style, "", parent, 0, 0, 10, 10)) return false;
    // The rows are as high as the mark images: a small image list sets the height.
    rowHeight_ = ImageList_Create(1, kRowHeight, ILC_COLOR, 0, 1);
    ListView_SetImageList(Handle(), rowHeight_, LVSIL_SMALL);
    if (HWND header = Header()) headerHooked_ = SetWindowSubclass(header, &TAddrGrid::HeaderProc, 1,
                                                                  reinterpret_cast<DWORD_PTR>(this)) != FALSE;
    return true;
}

HWND TAddrGrid::Header() const { return reinterpret_cast<HWND>(SendMessageA(Handle(), LVM_GETHEADER, 0, 0)); }

bool TAddrGrid::Reflected(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg == WM_DRAWITEM) {
        if (onDraw) onDraw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        result = TRUE;
        return true;
    }
    if (msg != WM_NOTIFY) return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lp);
    switch (header->code) {
    case LVN_COLUMNCLICK:
        if (onColumnClick) onColumnClick(reinterpret_cast<const NMLISTVIEW*>(lp)->iSubItem);
        break;
    case LVN_GETDISPINFOA: {
        // The texts of an owner-data list come from the rows, for whoever reads them.
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(header));
        if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
            const std::string text = cellText ? cellText(info->item.iItem, info->item.iSubItem) : std::string();
            lstrcpynA(info->item.pszText, text.c_str(), info->item.cchTextMax);
        }
        break;
    }
    default:
        return false;
    }
    result = 0;
    return true;
}

LRESULT TAddrGrid::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        LVHITTESTINFO hit{};
        hit.pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        SendMessageA(Handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        const bool doubleClick = msg == WM_LBUTTONDBLCLK;
        SetFocus();
        bool toggled = false;
        if (hit.iItem >= 0) {
            ListView_SetItemState(Handle(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
            ListView_SetItemState(Handle(), hit.iItem, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            // The second click of a double click on a mark is not a second toggle.
            if (!(doubleClick && toggledOnDown_) && onCellClick)
                toggled = onCellClick(hit.iItem, hit.iSubItem, doubleClick);
        }
        toggledOnDown_ = !doubleClick && toggled;
        // The list view's own mouse handling would start a drag loop.
        return 0;
    }
    case WM_NCDESTROY:
        if (headerHooked_) {
            RemoveWindowSubclass(Header(), &TAddrGrid::HeaderProc, 1);
            headerHooked_ = false;
        }
        if (rowHeight_) {
            ListView_SetImageList(Handle(), nullptr, LVSIL_SMALL);
            ImageList_Destroy(rowHeight_);
            rowHeight_ = nullptr;
        }
        break;
    default:
        break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

LRESULT CALLBACK TAddrGrid::HeaderProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) noexcept {
    try {
        auto* grid = reinterpret_cast<TAddrGrid*>(ref);
        if (msg == WM_MOUSEMOVE && grid->onHeaderMouse) {
            HDHITTESTINFO hit{};
            hit.pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            const int column = int(SendMessageA(wnd, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
            RECT cell{};
            SendMessageA(wnd, HDM_GETITEMRECT, WPARAM(column), reinterpret_cast<LPARAM>(&cell));
            MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&cell), 2);
            POINT screen = hit.pt;
            ClientToScreen(wnd, &screen);
            grid->onHeaderMouse((hit.flags & HHT_ONHEADER) ? column : -1, screen, cell);
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, wnd, 0};
            TrackMouseEvent(&track);
        } else if (msg == WM_MOUSELEAVE && grid->onHeaderMouse) {
            grid->onHeaderMouse(-1, POINT{}, RECT{});
        }
    } catch (...) {
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}

// ---- The box -----------------------------------------------------------------

TfrmAddrBox::TfrmAddrBox(AddrUse use, TAddrBoxServices& services) : use_(use), services_(services) {
    column_ = use == AddrUse::SetOptions ? addrcol::kEncrypt
              : use == AddrUse::KeyChoice ? addrcol::kAddress
                                          : addrcol::kAdd;
}

TfrmAddrBox::~TfrmAddrBox() {
    if (HWND wnd = Handle()) {
        KillTimer(wnd, kSearchTimerId);
        HotHint().Hide();
        DestroyWindow(wnd);
    }
}

bool TfrmAddrBox::ColumnShown(int column) const {
    switch (use_) {
    case AddrUse::SetOptions:
        return column != addrcol::kAdd;
    case AddrUse::KeyChoice:
        return column != addrcol::kAdd && column != addrcol::kDisable;
    default:
        return true;
    }
}

bool TfrmAddrBox::MarkColumn(int column) const {
    return use_ != AddrUse::KeyChoice && ColumnShown(column) && column >= addrcol::kAdd && column <= addrcol::kDisable;
}

bool TfrmAddrBox::Create(const std::string& caption, const std::string& prompt, std::vector<TAddrRow> rows) {
    rows_ = std::move(rows);
    if (rows_.empty()) rows_.emplace_back();
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (!CreateForm("TfrmAddrBox", caption, style, WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP, 100, 100)) return false;
    keyPreview = true;
    SetClientSize(kClientWidth, kClientHeight);

    pnTop.Create(this, Align::Top, 0, kTopHeight);
    lblSelect.Create(&pnTop, kMargin, 8, kClientWidth - 2 * kMargin, 16, prompt);
    pnButtons.Create(this, Align::Bottom, 0, kButtonsHeight);
    struct ButtonSpec {
        TFlatBtn& button;
        Glyph glyph;
        int hint;
    };
    const ButtonSpec specs[] = {{fbOk, Glyph::Ok, txt::OK_HINT},
                                {fbHelp, Glyph::Help, txt::HELP_HINT},
                                {fbCancel, Glyph::Cancel, txt::CANCEL_HINT},
                                {fbFind, Glyph::Find, txt::FINDADDR_HINT},
                                {fbDelete, Glyph::Key, txt::DELADDR_HINT}};
    for (const ButtonSpec& spec : specs) {
        spec.button.Create(&pnButtons, 0, 7, kButton, kButton);
        spec.button.SetGlyph(GlyphBitmap(spec.glyph));
        spec.button.hint = T(spec.hint);
    }
    fbOk.isDefault = true;
    fbOk.onClick = [this] {
        if (use_ == AddrUse::KeyChoice && CurrentRow() < 0) return;
        Close(mrOk);
    };
    fbCancel.isCancel = true;
    fbCancel.onClick = [this] { Close(mrCancel); };
    fbHelp.onClick = [this] {
        services_.Help(use_ == AddrUse::KeyChoice ? kKeyChoiceHelpContext : kAddrHelpContext);
    };
    fbFind.onClick = [this] { fbFindClick(); };
    fbDelete.onClick = [this] { fbDeleteClick(); };
    if (use_ == AddrUse::KeyChoice) {
        fbFind.SetVisible(false);
        fbDelete.SetVisible(false);
    }

    pnList.Create(this, Align::Client);
    pnLeft.Create(&pnList, Align::Left, kMargin, 0);
    pnRight.Create(&pnList, Align::Right, kMargin, 0);
    sgAddresses.Create(&pnList);
    sgAddresses.SetAlign(Align::Client);
    sgAddresses.onDraw = [this](const DRAWITEMSTRUCT& item) { sgAddressesDrawCell(item); };
    sgAddresses.onColumnClick = [this](int column) { SortBy(column); };
    sgAddresses.cellText = [this](int row, int column) { return CellText(row, column); };
    sgAddresses.onCellClick = [this](int row, int column, bool doubleClick) {
        if (use_ == AddrUse::KeyChoice) {
            if (doubleClick) fbOk.Click();
            return false;
        }
        SetCurrentColumn(column);
        return MarkColumn(column) && ToggleCell(row, column);
    };
    sgAddresses.onHeaderMouse = [this](int column, POINT, RECT cell) { HeaderHint(column, cell); };
    Realign();
    SetupColumns();
    RowsChanged();
    return true;
}

void TfrmAddrBox::SetupColumns() {
    HWND list = sgAddresses.Handle();
    for (int c = 0; c < addrcol::kCount; ++c) {
        const std::string text = c >= addrcol::kEncrypt && c <= addrcol::kDisable ? kMarkText : "";
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        column.fmt = c <= addrcol::kDisable ? LVCFMT_CENTER : LVCFMT_LEFT;
        if (c == 0) column.fmt = LVCFMT_LEFT;  // the first column is always left-aligned
        column.pszText = const_cast<char*>(text.c_str());
        column.cx = ColumnShown(c) ? kColumnWidths[c] : 0;
        column.iSubItem = c;
        SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&column));
    }
}

void TfrmAddrBox::RowsChanged() {
    SendMessageA(sgAddresses.Handle(), LVM_SETITEMCOUNT, WPARAM(rows_.size()), LVSICF_NOSCROLL);
    InvalidateRect(sgAddresses.Handle(), nullptr, TRUE);
}

void TfrmAddrBox::BeforeShow() {
    SetColor(WindowColor());
    HWND list = sgAddresses.Handle();
    ListView_SetBkColor(list, FieldColor());
    Realign();
    FitColumns();
    std::vector<TFlatBtn*> shown;
    for (TFlatBtn* b : {&fbOk, &fbHelp, &fbCancel, &fbFind, &fbDelete})
        if (b->Visible()) shown.push_back(b);
    const int total = int(shown.size()) * kButton + (int(shown.size()) - 1) * kButtonGap;
    int x = (pnButtons.ClientWidth() - total) / 2;
    for (TFlatBtn* b : shown) {
        b->SetBounds(x, 7, kButton, kButton);
        x += kButton + kButtonGap;
    }
    SelectRow(0);
    CenterOverHost(Handle());
    services_.BoxOpened(this);
}

void TfrmAddrBox::FitColumns() {
    HWND list = sgAddresses.Handle();
    // The key ID column grows to the widest full key ID; the address (or
    // user ID) column takes the rest of the width.
    HDC dc = GetDC(list);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    int idWidth = kColumnWidths[addrcol::kKeyID];
    for (const TAddrRow& row : rows_) {
        const std::string id = row.KeyIDText();
        SIZE size{};
        GetTextExtentPoint32A(dc, id.c_str(), int(id.size()), &size);
        idWidth = std::max<int>(idWidth, size.cx + 8);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    ListView_SetColumnWidth(list, addrcol::kKeyID, idWidth);
    RECT r{};
    GetClientRect(list, &r);
    int used = 0;
    for (int c = 0; c < addrcol::kAddress; ++c) used += ColumnShown(c) ? ListView_GetColumnWidth(list, c) : 0;
    ListView_SetColumnWidth(list, addrcol::kAddress, std::max<int>(r.right - used, kMinAddressWidth));
}

HWND TfrmAddrBox::InitialFocus() { return sgAddresses.Handle(); }

void TfrmAddrBox::Close(int result) {
    // No closing while a find runs: its question box would lose its list.
    if (searching_) {
        SetModalResult(mrNone);
        return;
    }
    SetModalResult(result);
}

// ---- Rows and cells ----------------------------------------------------------------

int TfrmAddrBox::CurrentRow() const {
    HWND list = sgAddresses.Handle();
    const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    if (focused >= 0 && focused < int(rows_.size())) return focused;
    const int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    return selected < int(rows_.size()) ? selected : -1;
}

void TfrmAddrBox::SelectRow(int row) {
    if (rows_.empty()) return;
    row = std::clamp(row, 0, int(rows_.size()) - 1);
    HWND list = sgAddresses.Handle();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
}

void TfrmAddrBox::SetCurrentColumn(int column) {
    if (column < 0 || column >= addrcol::kCount || !ColumnShown(column)) return;
    column_ = column;
    InvalidateRect(sgAddresses.Handle(), nullptr, FALSE);
}

std::string TfrmAddrBox::CellText(int row, int column) const {
    if (row < 0 || row >= int(rows_.size())) return {};
    const TAddrRow& r = rows_[std::size_t(row)];
    switch (column) {
    case addrcol::kKeyType:
        return r.keyType;
    case addrcol::kKeyID:
        return r.KeyIDText();
    case addrcol::kAddress:
        return r.Shown();
    default:
        return column >= addrcol::kAdd && column <= addrcol::kDisable && r.Marked(column) ? kMarkText : "";
    }
}

bool TfrmAddrBox::ToggleCell(int row, int column) {
    if (!MarkColumn(column) || !ToggleMark(rows_, std::size_t(row), column, use_ == AddrUse::AddPerAddress))
        return false;
    InvalidateRect(sgAddresses.Handle(), nullptr, FALSE);
    return true;
}

void TfrmAddrBox::MarkAllForAdding() {
    if (use_ != AddrUse::AddEntries && use_ != AddrUse::AddFromRing) return;
    for (TAddrRow& row : rows_)
        if (!row.Empty()) row.add = true;
    InvalidateRect(sgAddresses.Handle(), nullptr, FALSE);
}

void TfrmAddrBox::SortBy(int column) {
    if (column < 0 || column >= addrcol::kCount) return;
    // A second click on the same column reverses the order.
    sortDescending_ = column == sortColumn_ ? !sortDescending_ : false;
    sortColumn_ = column;
    const int current = CurrentRow();
    const TAddrRow* before = current >= 0 ? &rows_[std::size_t(current)] : nullptr;
    const std::string keepAddress = before ? before->address : std::string();
    const std::string keepKey = before ? before->keyDigits : std::string();
    SortRows(rows_, column, sortDescending_);
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].address == keepAddress && rows_[i].keyDigits == keepKey) {
            SelectRow(int(i));
            break;
        }
    InvalidateRect(sgAddresses.Handle(), nullptr, FALSE);
}

// ---- Drawing ---------------------------------------------------------------------

void TfrmAddrBox::sgAddressesDrawCell(const DRAWITEMSTRUCT& item) {
    const int row = int(item.itemID);
    if (row < 0 || row >= int(rows_.size())) return;
    const TAddrRow& r = rows_[std::size_t(row)];
    HDC dc = item.hDC;
    HWND list = sgAddresses.Handle();
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = GetFocus() == list;
    const bool wholeRow = use_ == AddrUse::KeyChoice;
    HFONT oldFont = static_cast<HFONT>(SelectObject(dc, sgAddresses.Font() ? sgAddresses.Font() : DefaultFont()));
    SetBkMode(dc, TRANSPARENT);
    int x = item.rcItem.left;
    for (int c = 0; c < addrcol::kCount; ++c) {
        const int width = ListView_GetColumnWidth(list, c);
        if (width <= 0) continue;
        RECT cell{x, item.rcItem.top, x + width, item.rcItem.bottom};
        x += width;
        const bool highlight = selected && (wholeRow || c >= addrcol::kKeyType);
        FillRect(dc, &cell, highlight ? GetSysColorBrush(COLOR_HIGHLIGHT) : SolidBrush(FieldColor()));
        if (c <= addrcol::kDisable) {
            DrawMark(dc, cell, r, c);
        } else {
            RECT text = cell;
            InflateRect(&text, -3, 0);
            SetTextColor(dc, GetSysColor(highlight ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            const std::string s = CellText(row, c);
            DrawTextA(dc, s.c_str(), int(s.size()), &text,
                      DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | DT_LEFT);
        }
        if (!wholeRow) {
            // Grid lines on the right and bottom of every cell.
            HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
            HGDIOBJ oldPen = SelectObject(dc, pen);
            MoveToEx(dc, cell.right - 1, cell.top, nullptr);
            LineTo(dc, cell.right - 1, cell.bottom - 1);
            LineTo(dc, cell.left - 1, cell.bottom - 1);
            SelectObject(dc, oldPen);
            DeleteObject(pen);
        }
        if (selected && focused && !wholeRow && c == column_) {
            RECT frame = cell;
            InflateRect(&frame, -1, -1);
            DrawFocusRect(dc, &frame);
        }
    }
    SelectObject(dc, oldFont);
}

void TfrmAddrBox::DrawMark(HDC dc, RECT cell, const TAddrRow& row, int column) {
    if (row.Empty() || !ColumnShown(column)) return;
    const bool enabled = MarkEnabled(row, column) && use_ != AddrUse::KeyChoice;
    RECT box{cell.left + (cell.right - cell.left - kMarkBox) / 2, cell.top + (cell.bottom - cell.top - kMarkBox) / 2,
             0, 0};
    box.right = box.left + kMarkBox;
    box.bottom = box.top + kMarkBox;
    FillRect(dc, &box, enabled ? GetSysColorBrush(COLOR_WINDOW) : GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT);
    if (!row.Marked(column)) return;
    HFONT old = static_cast<HFONT>(SelectObject(dc, BoldFont()));
    SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    DrawTextA(dc, kMarkText, 1, &box, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
    SelectObject(dc, old);
}

// ---- Keys ------------------------------------------------------------------------

bool TfrmAddrBox::PreviewKey(MSG& msg) {
    const bool onGrid = msg.hwnd == sgAddresses.Handle() || msg.hwnd == Handle();
    if (msg.message == WM_KEYDOWN) {
        if (msg.wParam == VK_F1) {
            fbHelp.Click();
            return true;
        }
        if (!onGrid) return false;
        if (sgAddressesKeyDown(msg.wParam)) {
            DropPendingChar();
            return true;
        }
        return false;
    }
    if (msg.message == WM_CHAR && onGrid) {
        const char ch = char(msg.wParam);
        if (ch == '\r' || ch == '\x1b') return false;
        if (static_cast<unsigned char>(ch) < ' ') return true;  // the characters of Ctrl keys
        sgAddressesKeyPress(ch);
        return true;
    }
    return false;
}

bool TfrmAddrBox::sgAddressesKeyDown(WPARAM key) {
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const int row = CurrentRow();
    switch (key) {
    case VK_SPACE:
        if (row < 0) return true;
        ToggleCell(row, column_);
        SelectRow(row + 1);
        return true;
    case VK_LEFT:
    case VK_RIGHT: {
        const int step = key == VK_LEFT ? -1 : 1;
        for (int c = column_ + step; c >= 0 && c < addrcol::kCount; c += step)
            if (ColumnShown(c)) {
                SetCurrentColumn(c);
                break;
            }
        return true;
    }
    case VK_DELETE:
        if (fbDelete.Visible()) fbDelete.Click();
        return true;
    case VK_F3:
        if (use_ != AddrUse::KeyChoice) FindAgain();
        return true;
    case VK_F10:
        if (!shift) return false;
        if (row >= 0) services_.ShowKeyDetails(rows_[std::size_t(row)]);
        return true;
    default:
        break;
    }
    if (!ctrl) return false;
    switch (key) {
    case 'A':
        MarkAllForAdding();
        return true;
    case 'F':
        if (use_ != AddrUse::KeyChoice) fbFindClick();
        return true;
    case 'I':
        if (row >= 0) services_.ShowKeyDetails(rows_[std::size_t(row)]);
        return true;
    default:
        return false;
    }
}

void TfrmAddrBox::sgAddressesKeyPress(char key) {
    if (key == ' ') return;  // acted on at key down
    // The first character starts the timer; the text is searched when it fires.
    if (!timerRunning_) {
        typed_.clear();
        timerRunning_ = SetTimer(Handle(), kSearchTimerId, kSearchTimerMs, nullptr) != 0;
    }
    char lower[2] = {key, 0};
    CharLowerBuffA(lower, 1);
    typed_ += lower[0];
}

void TfrmAddrBox::tmSearchTimer() {
    KillTimer(Handle(), kSearchTimerId);
    timerRunning_ = false;
    searchText_ = typed_;
    typed_.clear();
    const int row = CurrentRow();
    if (row >= 0 && ContainsText(rows_[std::size_t(row)].Shown(), searchText_)) return;
    FindAgain();
}

// ---- Find and delete -------------------------------------------------------------

void TfrmAddrBox::fbFindClick() {
    if (searching_) return;
    const FindAnswer answer = ShowFindDialog(searchText_, 0, false);
    if (answer.text.empty()) return;
    searchText_ = answer.text;
    FindAgain();
}

void TfrmAddrBox::FindAgain() {
    if (searchText_.empty() || searching_) return;
    searching_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{searching_};
    const int start = CurrentRow();
    int hit = FindRow(rows_, start, searchText_);
    if (hit < 0) {
        const int last = int(rows_.size()) - 1;
        if (start <= 0 || start >= last) {
            services_.Info(T(txt::NOT_FOUND));
            return;
        }
        if (!services_.Confirm(T(txt::NOT_FOUND) + T(txt::RE_SEARCH))) return;
        SelectRow(0);
        hit = FindRow(rows_, -1, searchText_);
        if (hit < 0) {
            services_.Info(T(txt::NOT_FOUND));
            return;
        }
    }
    SelectRow(hit);
}

void TfrmAddrBox::fbDeleteClick() {
    const int row = CurrentRow();
    if (row < 0 || rows_[std::size_t(row)].Empty()) return;
    if (!services_.Confirm(T(txt::DEL_ADDR_BEG) + rows_[std::size_t(row)].Shown() + T(txt::DEL_ADDR_END))) return;
    // The only row is emptied: the grid always has one.
    if (rows_.size() == 1)
        rows_[0] = TAddrRow{};
    else
        rows_.erase(rows_.begin() + row);
    RowsChanged();
    SelectRow(std::min(row, int(rows_.size()) - 1));
}

// ---- Hints and messages ----------------------------------------------------------

void TfrmAddrBox::HeaderHint(int column, RECT headerCell) {
    if (column < addrcol::kAdd || column > addrcol::kDisable || !ColumnShown(column)) {
        HotHint().Hide();
        return;
    }
    static constexpr int kHints[] = {txt::ADD_COL_HINT, txt::ENC_COL_HINT, txt::SIG_COL_HINT, txt::ASK_COL_HINT,
                                     txt::DISABLE_COL_HINT};
    HotHint().ShowAt(T(kHints[column]), POINT{headerCell.left, headerCell.bottom + 2});
}

LRESULT TfrmAddrBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    const unsigned command = services_.CommandMessage();
    if (command && msg == command) return 0;  // no button of the box has an accelerator
    switch (msg) {
    case WM_TIMER:
        if (wp == kSearchTimerId) {
            tmSearchTimer();
            return 0;
        }
        break;
    case WM_HELP:
        fbHelp.Click();
        return TRUE;
    case WM_ACTIVATE:
        // Back from a question or the find dialog, the keys go to the grid again.
        if (LOWORD(wp) != WA_INACTIVE && sgAddresses.Handle()) {
            const LRESULT result = Form::HandleMessage(msg, wp, lp);
            ::SetFocus(sgAddresses.Handle());
            return result;
        }
        break;
    case WM_MOUSEMOVE:
        HotHint().Hide();
        break;
    default:
        break;
    }
    return Form::HandleMessage(msg, wp, lp);
}

}  // namespace orv::ui
