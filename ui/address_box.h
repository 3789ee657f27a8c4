#pragma once
// TfrmAddrBox: the grid in which the user decides, per address and key, what
// the automation does with mail to that address (encrypt, sign, ask, never),
// in the add uses whether the address goes onto the AutoList, and in the key
// choice which of several keys applies. The rows (ui/address_rows.h) are the
// one home of what the grid shows: the list view draws them and asks for
// their texts, it keeps no copy.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/address_rows.h"
#include "ui/flat_btn.h"
#include "ui/sel_box.h"
#include "ui/window.h"

namespace orv::ui {

// What the box needs of the session.
class TAddrBoxServices {
public:
    virtual ~TAddrBoxServices() = default;
    virtual bool Confirm(const std::string& text) = 0;  // Yes / No, text + "?"
    virtual void Info(const std::string& text) = 0;
    // The key details of a row (Ctrl+I, Shift+F10).
    virtual void ShowKeyDetails(const TAddrRow& row) = 0;
    virtual void Help(int context) = 0;
    virtual unsigned CommandMessage() const = 0;
    // The session records the open box while it runs.
    virtual void BoxOpened(Form* box) = 0;
};

// Help contexts of the grid.
constexpr int kAddrHelpContext = 22;
constexpr int kKeyChoiceHelpContext = 23;
// The typed search waits this long after the last character.
constexpr UINT kSearchTimerMs = 1000;

// The string grid: a virtual report list drawn by the box.
class TAddrGrid : public Window {
public:
    bool Create(Window* parent);
    std::function<void(const DRAWITEMSTRUCT&)> onDraw;
    std::function<void(int column)> onColumnClick;
    // True when the click changed a mark.
    std::function<bool(int row, int column, bool doubleClick)> onCellClick;
    std::function<std::string(int row, int column)> cellText;
    std::function<void(int column, POINT screen, RECT headerCell)> onHeaderMouse;  // column -1: outside
    HWND Header() const;

protected:
    bool Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    static LRESULT CALLBACK HeaderProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) noexcept;
    HIMAGELIST rowHeight_ = nullptr;
    bool headerHooked_ = false;
    bool toggledOnDown_ = false;
};

class TfrmAddrBox : public Form {
public:
    TfrmAddrBox(AddrUse use, TAddrBoxServices& services);
    ~TfrmAddrBox() override;

    // caption and prompt as the use wants them; the rows to show.
    bool Create(const std::string& caption, const std::string& prompt, std::vector<TAddrRow> rows);
    int Execute() { return ShowModal(); }

    const std::vector<TAddrRow>& Rows() const { return rows_; }
    AddrUse Use() const { return use_; }
    int CurrentRow() const;
    int CurrentColumn() const { return column_; }
    void SelectRow(int row);
    void SetCurrentColumn(int column);

    // The user's actions, as keys, mouse and buttons run them.
    bool ToggleCell(int row, int column);
    void MarkAllForAdding();
    void SortBy(int column);
    void fbFindClick();
    void FindAgain();
    void fbDeleteClick();
    bool Searching() const { return searching_; }

    TPanel pnTop;
    TStaticText lblSelect;
    TPanel pnButtons;
    TFlatBtn fbOk, fbHelp, fbCancel, fbFind, fbDelete;
    TPanel pnList, pnLeft, pnRight;
    TAddrGrid sgAddresses;

protected:
    bool PreviewKey(MSG& msg) override;
    void BeforeShow() override;
    HWND InitialFocus() override;
    bool CloseQuery() override { return !searching_; }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool ColumnShown(int column) const;
    bool MarkColumn(int column) const;
    void SetupColumns();
    void FitColumns();
    void RowsChanged();
    void sgAddressesDrawCell(const DRAWITEMSTRUCT& item);
    void DrawMark(HDC dc, RECT cell, const TAddrRow& row, int column);
    std::string CellText(int row, int column) const;
    bool sgAddressesKeyDown(WPARAM key);
    void sgAddressesKeyPress(char key);
    void HeaderHint(int column, RECT headerCell);
    void tmSearchTimer();
    void Close(int result);

    AddrUse use_;
    TAddrBoxServices& services_;
    std::vector<TAddrRow> rows_;
    int column_ = addrcol::kEncrypt;
    int sortColumn_ = -1;
    bool sortDescending_ = false;
    bool searching_ = false;
    bool timerRunning_ = false;
    std::string typed_;
    std::string searchText_;
};

}  // namespace orv::ui
