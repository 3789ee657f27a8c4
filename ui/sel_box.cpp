#include "ui/sel_box.h"

#include <commctrl.h>

#include <algorithm>

#include "base/text.h"
#include "strings/text_client.h"
#include "ui/file_dialog_ex.h"
#include "ui/file_names.h"
#include "ui/hot_hint.h"
#include "ui/look.h"

namespace orv::ui {

namespace {

constexpr int kClientWidth = 492;
constexpr int kClientHeight = 222;
constexpr int kAddressExtraHeight = 3;
constexpr int kTopHeight = 28;
constexpr int kBottomHeight = 44;
constexpr int kMargin = 16;
constexpr int kButton = 30;
constexpr const char* kAllFilesFilter = "All (*.*)|*.*";

void SetListColors(HWND list) {
    const COLORREF field = FieldColor();
    ListView_SetBkColor(list, field);
    ListView_SetTextBkColor(list, field);
}

}  // namespace

// ---- Controls --------------------------------------------------------------

bool TSelList::Create(Window* parent, bool showHeaders) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS;
    if (!showHeaders) style |= LVS_NOCOLUMNHEADER;
    if (!CreateStandard(WC_LISTVIEWA, WS_EX_CLIENTEDGE, style, "", parent, 0, 0, 10, 10)) return false;
    ListView_SetExtendedListViewStyle(Handle(), LVS_EX_FULLROWSELECT);
    return true;
}

bool TSelList::Reflected(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lp);
    switch (header->code) {
    case LVN_COLUMNCLICK:
        if (onColumnClick) onColumnClick(reinterpret_cast<const NMLISTVIEW*>(lp)->iSubItem);
        break;
    case NM_DBLCLK:
        if (onDblClick) onDblClick();
        break;
    case LVN_ITEMCHANGED:
        if ((reinterpret_cast<const NMLISTVIEW*>(lp)->uChanged & LVIF_STATE) && onSelectionChanged)
            onSelectionChanged();
        break;
    default:
        return false;
    }
    result = 0;
    return true;
}

bool TStaticText::Create(Window* parent, int x, int y, int width, int height, const std::string& text) {
    return CreateStandard("STATIC", 0, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, text, parent, x, y, width,
                          height);
}

// ---- The box ---------------------------------------------------------------

TfrmSelBox::TfrmSelBox() = default;

TfrmSelBox::~TfrmSelBox() {
    HWND wnd = Handle();
    if (!wnd) return;
    // The window that was below the box comes back to the top.
    HWND next = GetWindow(wnd, GW_HWNDNEXT);
    while (next && (!IsWindowVisible(next) || next == HotHint().Handle())) next = GetWindow(next, GW_HWNDNEXT);
    DestroyWindow(wnd);
    if (next) BringWindowToTop(next);
}

bool TfrmSelBox::Create(const std::string& caption, const std::string& prompt, bool showHeaders,
                        const std::string& header1, const std::string& header2) {
    showHeaders_ = showHeaders;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (!CreateForm("TfrmSelBox", caption, style, WS_EX_DLGMODALFRAME, 100, 100)) return false;
    keyPreview = true;
    SetClientSize(kClientWidth, kClientHeight + (showHeaders ? kAddressExtraHeight : 0));

    pnTop.Create(this, Align::Top, 0, kTopHeight);
    lblSelect.Create(&pnTop, kMargin, 8, kClientWidth - 2 * kMargin, 16, prompt);
    pnBottom.Create(this, Align::Bottom, 0, kBottomHeight);
    fbOk.Create(&pnBottom, 0, 7, kButton, kButton);
    fbOk.SetGlyph(GlyphBitmap(Glyph::Ok));
    fbOk.isDefault = true;
    fbOk.hint = texts::Get(txt::OK_HINT);
    fbOk.onClick = [this] {
        if (SelectedCount() > 0)
            SetModalResult(mrOk);
        else if (warn)
            warn(texts::Get(txt::SELECT_CANCEL));
    };
    fbCancel.Create(&pnBottom, 0, 7, kButton, kButton);
    fbCancel.SetGlyph(GlyphBitmap(Glyph::Cancel));
    fbCancel.isCancel = true;
    fbCancel.modalResult = mrCancel;
    fbCancel.hint = texts::Get(txt::CANCEL_HINT);
    pnButtons.Create(&pnBottom, Align::None, 3 * (kButton + 10), kButton + 4);
    fbView.Create(&pnButtons, 0, 2, kButton, kButton);
    fbView.SetGlyph(GlyphBitmap(Glyph::Find));
    fbView.SetEnabled(false);
    fbView.onClick = [this] {
        const std::vector<int> chosen = Selected();
        if (chosen.size() == 1 && onView) onView(chosen.front());
    };
    fbSave.Create(&pnButtons, kButton + 10, 2, kButton, kButton);
    fbSave.SetGlyph(GlyphBitmap(Glyph::Key));
    fbSave.SetEnabled(false);
    fbSave.onClick = [this] {
        const std::vector<int> chosen = Selected();
        if (!chosen.empty() && onSave) onSave(chosen);
    };
    fbClose.Create(&pnButtons, 2 * (kButton + 10), 2, kButton, kButton);
    fbClose.SetGlyph(GlyphBitmap(Glyph::Cancel));
    fbClose.isCancel = true;
    fbClose.modalResult = mrCancel;
    pnButtons.SetVisible(false);

    pnList.Create(this, Align::Client);
    pnLeft.Create(&pnList, Align::Left, kMargin, 0);
    pnRight.Create(&pnList, Align::Right, kMargin, 0);
    lvEntries.Create(&pnList, showHeaders);
    lvEntries.SetAlign(Align::Client);
    lvEntries.onColumnClick = [this](int column) { SortBy(column); };
    lvEntries.onDblClick = [this] { lvEntriesDblClick(); };
    lvEntries.onSelectionChanged = [this] { UpdateButtons(); };
    AddColumn(0, header1, 300);
    AddColumn(1, header2, 150);
    Realign();
    return true;
}

void TfrmSelBox::AddColumn(int index, const std::string& text, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(text.c_str());
    column.cx = width;
    column.iSubItem = index;
    SendMessageA(lvEntries.Handle(), LVM_INSERTCOLUMNA, WPARAM(index), reinterpret_cast<LPARAM>(&column));
}

void TfrmSelBox::AddEntries(const std::vector<TSelEntry>& entries) {
    HWND list = lvEntries.Handle();
    for (const TSelEntry& entry : entries) {
        const int index = int(entries_.size());
        entries_.push_back(entry);
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = index;
        item.pszText = const_cast<char*>(entries_.back().caption.c_str());
        item.lParam = index;
        const int row = int(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        LVITEMA sub{};
        sub.iSubItem = 1;
        sub.pszText = const_cast<char*>(entries_.back().second.c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, WPARAM(row), reinterpret_cast<LPARAM>(&sub));
    }
    FitColumns();
}

void TfrmSelBox::FitColumns() {
    HWND list = lvEntries.Handle();
    if (!showHeaders_) {
        // One visible column across the list.
        RECT r;
        GetClientRect(list, &r);
        ListView_SetColumnWidth(list, 0, std::max<int>(r.right - r.left, 100));
        ListView_SetColumnWidth(list, 1, 0);
        return;
    }
    // Each column grows to fit its widest text (header included).
    ListView_SetColumnWidth(list, 0, LVSCW_AUTOSIZE_USEHEADER);
    ListView_SetColumnWidth(list, 1, LVSCW_AUTOSIZE_USEHEADER);
}

void TfrmSelBox::UseActionButtons(const std::string& viewHint, const std::string& saveHint,
                                  const std::string& closeHint) {
    actionButtons_ = true;
    fbOk.SetEnabled(false);
    fbCancel.SetEnabled(false);
    fbOk.SetVisible(false);
    fbCancel.SetVisible(false);
    auto hotHint = [](TFlatBtn& button, const std::string& text) {
        button.hint = text;
        const std::size_t amp = text.find('&');
        if (amp != std::string::npos) button.SetCaption(text.substr(amp, 2));
    };
    hotHint(fbView, viewHint);
    hotHint(fbSave, saveHint);
    hotHint(fbClose, closeHint);
    pnButtons.SetVisible(true);
}

void TfrmSelBox::BeforeShow() {
    const COLORREF color = WindowColor();
    SetColor(color);
    SetListColors(lvEntries.Handle());
    Realign();
    FitColumns();
    const int width = pnBottom.ClientWidth();
    if (actionButtons_) {
        pnButtons.SetBounds((width - pnButtons.Width()) / 2, 5, pnButtons.Width(), pnButtons.Height());
    } else {
        fbOk.SetBounds(width / 2 - kButton - 8, 7, kButton, kButton);
        fbCancel.SetBounds(width / 2 + 8, 7, kButton, kButton);
    }
    UpdateButtons();
    CenterOverHost(Handle());
}

HWND TfrmSelBox::InitialFocus() { return lvEntries.Handle(); }

LRESULT TfrmSelBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (commandMessage && msg == commandMessage) {
        // Accelerators relayed by the host press a button of the action column.
        if (lp == 0 && HIWORD(wp) == 1) {
            const char upper = char(std::toupper(LOWORD(wp) & 0xFF));
            for (TFlatBtn* button : {&fbView, &fbSave, &fbClose})
                if (pnButtons.Visible() && button->CanFocus() && AccelChar(button->Caption()) == upper) {
                    button->Click();
                    break;
                }
        }
        return 0;
    }
    if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE && firstActivation_) {
        firstActivation_ = false;
        if (!entries_.empty()) {
            ListView_SetItemState(lvEntries.Handle(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        }
        lvEntries.SetFocus();
        BringWindowToTop(Handle());
    }
    return Form::HandleMessage(msg, wp, lp);
}

bool TfrmSelBox::PreviewKey(MSG& msg) {
    if (msg.message == WM_KEYDOWN && msg.wParam == 'A' && GetKeyState(VK_CONTROL) < 0) {
        SelectAll();
        return true;
    }
    if (msg.message == WM_CHAR && msg.wParam == 1) return true;  // the Ctrl+A character
    return false;
}

std::vector<int> TfrmSelBox::Selected() const {
    std::vector<int> chosen;
    HWND list = lvEntries.Handle();
    int row = -1;
    while ((row = ListView_GetNextItem(list, row, LVNI_SELECTED)) >= 0) {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        chosen.push_back(int(item.lParam));
    }
    return chosen;
}

std::vector<int> TfrmSelBox::Order() const {
    std::vector<int> order;
    HWND list = lvEntries.Handle();
    const int count = ListView_GetItemCount(list);
    for (int row = 0; row < count; ++row) {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        order.push_back(int(item.lParam));
    }
    return order;
}

int TfrmSelBox::SelectedCount() const { return int(ListView_GetSelectedCount(lvEntries.Handle())); }

void TfrmSelBox::SelectAll() {
    ListView_SetItemState(lvEntries.Handle(), -1, LVIS_SELECTED, LVIS_SELECTED);
    UpdateButtons();
}

void TfrmSelBox::SortBy(int column) {
    column &= 1;
    // Clicking one column resets the other's direction.
    direction_[1 - column] = 1;
    sortColumn_ = column;
    SendMessageA(lvEntries.Handle(), LVM_SORTITEMS, reinterpret_cast<WPARAM>(this),
                 reinterpret_cast<LPARAM>(&TfrmSelBox::Compare));
    // The next click on the same column reverses the order.
    direction_[column] = -direction_[column];
}

int CALLBACK TfrmSelBox::Compare(LPARAM a, LPARAM b, LPARAM self) noexcept {
    const auto* box = reinterpret_cast<const TfrmSelBox*>(self);
    const TSelEntry& x = box->entries_[std::size_t(a)];
    const TSelEntry& y = box->entries_[std::size_t(b)];
    const int column = box->sortColumn_;
    const int order = column == 0 ? lstrcmpiA(x.caption.c_str(), y.caption.c_str())
                                  : lstrcmpiA(x.second.c_str(), y.second.c_str());
    return order * box->direction_[column];
}

void TfrmSelBox::UpdateButtons() {
    const std::vector<int> chosen = Selected();
    fbSave.SetEnabled(!chosen.empty());
    fbView.SetEnabled(chosen.size() == 1 && ViewablePart(entries_[std::size_t(chosen.front())].data));
}

void TfrmSelBox::lvEntriesDblClick() {
    if (fbOk.CanFocus()) {
        fbOk.Click();
        return;
    }
    if (SelectedCount() != 1) return;
    if (fbView.CanFocus())
        fbView.Click();
    else if (fbSave.CanFocus())
        fbSave.Click();
}

// ---- Uses ------------------------------------------------------------------

std::string ProposedPartName(const std::string& caption) {
    const std::size_t colon = caption.find(": ");
    const std::string proposed = colon != std::string::npos ? caption.substr(colon + 2) : std::string(TrimRight(caption)) + ".txt";
    // The name is the sender's: nothing of it may point outside the chosen folder.
    return SafeFileName(proposed);
}

void ShowAttachmentList(const std::vector<TSelEntry>& entries, TAttachmentActions& actions) {
    TfrmSelBox box;
    if (!box.Create(texts::Get(txt::MIME_SAVE), "")) return;
    box.commandMessage = actions.CommandMessage();
    box.warn = [&actions](const std::string& text) { actions.Warn(text); };
    box.UseActionButtons(texts::Get(txt::MVIEW_HINT), texts::Get(txt::MSAVE_HINT), texts::Get(txt::MCLOSE_HINT));
    box.AddEntries(entries);
    box.onView = [&actions](int entry) { actions.View(entry); };
    box.onSave = [&box, &actions](const std::vector<int>& chosen) {
        for (int entry : chosen) {
            TSaveDialogEx dialog;
            dialog.title = std::string(texts::Get(txt::_SAVE)) + " " + texts::Get(txt::FILE_AS);
            dialog.filter = {kAllFilesFilter};
            dialog.filterIndex = 1;
            dialog.initialDir = actions.MailboxDir();
            dialog.fileName = ProposedPartName(box.Entries()[std::size_t(entry)].caption);
            dialog.parent = box.Handle();
            if (dialog.Execute()) actions.Save(entry, dialog.fileName);
        }
    };
    actions.BoxOpened(&box);
    struct Closed {
        TAttachmentActions& actions;
        ~Closed() { actions.BoxOpened(nullptr); }
    } closed{actions};
    box.Execute();
}

bool ChooseAddressEntries(std::vector<std::string>& lines, unsigned commandMessage,
                          const std::function<void(const std::string&)>& warn) {
    TfrmSelBox box;
    if (!box.Create(texts::Get(txt::ADD_ADDR), texts::Get(txt::SELECT_ADDR), true, texts::Get(txt::ADDR_NAME),
                    texts::Get(txt::BOOK_NAME)))
        return false;
    box.commandMessage = commandMessage;
    box.warn = warn;
    std::vector<TSelEntry> entries;
    for (const std::string& line : lines) {
        const std::size_t tab = line.find('\t');
        TSelEntry entry;
        entry.caption = TrimRight(line.substr(0, tab));
        if (tab != std::string::npos) entry.second = "\"" + line.substr(tab + 1) + "\"";
        entries.push_back(entry);
    }
    box.AddEntries(entries);
    if (box.Execute() != mrOk) return false;
    std::vector<std::string> chosen;
    // In list order: the order the user sorted the list into.
    const std::vector<int> selected = box.Selected();
    for (int entry : selected) chosen.push_back(box.Entries()[std::size_t(entry)].caption);
    lines = chosen;
    return !chosen.empty();
}

}  // namespace orv::ui
