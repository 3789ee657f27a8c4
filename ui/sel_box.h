#pragma once
// TfrmSelBox: a modal list in which the user selects one or more entries.
// It serves the attachment list of a PGP/MIME message (view or save single
// parts) and the choice of address-book entries; the box itself knows
// neither: the caller fills the list, sets captions and buttons, shows it and
// reads the selection.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/flat_btn.h"
#include "ui/window.h"

namespace orv::ui {

class TSaveDialogEx;

struct TSelEntry {
    std::string caption;  // first column
    std::string second;   // second column, when the caller shows one
    std::uint32_t data = 0;
};

// The report-style list view of the box.
class TSelList : public Window {
public:
    bool Create(Window* parent, bool showHeaders);
    std::function<void(int column)> onColumnClick;
    std::function<void()> onDblClick;
    std::function<void()> onSelectionChanged;

protected:
    bool Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

class TStaticText : public Window {
public:
    bool Create(Window* parent, int x, int y, int width, int height, const std::string& text);
};

class TfrmSelBox : public Form {
public:
    TfrmSelBox();
    ~TfrmSelBox() override;

    // The box over the host's main window; headers shown with their texts.
    bool Create(const std::string& caption, const std::string& prompt, bool showHeaders = false,
                const std::string& header1 = "", const std::string& header2 = "");
    void AddEntries(const std::vector<TSelEntry>& entries);
    // The attachment use: OK and Cancel disabled, the view, save and close
    // buttons shown with these hints.
    void UseActionButtons(const std::string& viewHint, const std::string& saveHint, const std::string& closeHint);
    int Execute() { return ShowModal(); }

    // Entry indices (as added) of the selected rows, in list order.
    std::vector<int> Selected() const;
    // Entry indices in list order.
    std::vector<int> Order() const;
    int SelectedCount() const;
    void SelectAll();
    void SortBy(int column);
    int SortDirection(int column) const { return direction_[column & 1]; }
    const std::vector<TSelEntry>& Entries() const { return entries_; }

    // The host's command message: its accelerators press the flat buttons
    // of the action column.
    unsigned commandMessage = 0;
    std::function<void(const std::string&)> warn;  // the session's warning box
    std::function<void(int entry)> onView;
    std::function<void(const std::vector<int>& entries)> onSave;

    TPanel pnTop;
    TStaticText lblSelect;
    TPanel pnBottom;
    TFlatBtn fbOk;
    TFlatBtn fbCancel;
    TPanel pnButtons;
    TFlatBtn fbView;
    TFlatBtn fbSave;
    TFlatBtn fbClose;
    TPanel pnList;
    TPanel pnLeft;
    TPanel pnRight;
    TSelList lvEntries;

protected:
    bool PreviewKey(MSG& msg) override;
    void BeforeShow() override;
    HWND InitialFocus() override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void AddColumn(int index, const std::string& text, int width);
    void FitColumns();
    void UpdateButtons();
    void lvEntriesDblClick();
    static int CALLBACK Compare(LPARAM a, LPARAM b, LPARAM self) noexcept;

    std::vector<TSelEntry> entries_;
    int direction_[2] = {1, 1};
    int sortColumn_ = 0;
    bool actionButtons_ = false;
    bool showHeaders_ = false;
    bool firstActivation_ = true;
};

// What the attachment list does with a part.
class TAttachmentActions {
public:
    virtual ~TAttachmentActions() = default;
    virtual void View(int entry) = 0;
    virtual bool Save(int entry, const std::string& path) = 0;
    virtual std::string MailboxDir() const = 0;
    virtual unsigned CommandMessage() const = 0;
    virtual void Warn(const std::string& text) = 0;
    // The session records the open box while it runs.
    virtual void BoxOpened(Form* box) = 0;
};

// The file name proposed for a listed part: the caption's part after ": ",
// or the caption + ".txt", made a bare and valid name.
std::string ProposedPartName(const std::string& caption);
// Whether an entry of this kind code can be viewed (a text part).
inline bool ViewablePart(std::uint32_t kind) { return (kind & 0x0F) < 2; }

// The attachment list: view or save the parts; returns when closed.
void ShowAttachmentList(const std::vector<TSelEntry>& entries, TAttachmentActions& actions);

// The address choice: each line holds the address (with name) and the book
// name separated by a tab. After OK the lines are replaced by the captions of
// the selected entries; the result is whether any address was selected.
bool ChooseAddressEntries(std::vector<std::string>& lines, unsigned commandMessage,
                          const std::function<void(const std::string&)>& warn);

}  // namespace orv::ui
