#pragma once
// The key selection dialog: the groups and keys of the key rings in a tree,
// with what matches the recipient text selected, ending with the chosen key,
// cancel, a key from a key server, or the chosen key to be added to the
// automatic-encryption list.

#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "engine/key_props.h"
#include "engine/key_select.h"
#include "ui/window.h"

namespace orv {

// Window class and caption of the dialog.
constexpr const char* kSelKeyDialogClass = "TfrmSelKey";
constexpr const char* kSelKeyDialogCaption = "PGP";

// Control numbers of the dialog's children.
enum : int {
    kSelKeyPrompt = 0,
    kSelKeyOK = IDOK,
    kSelKeyCancel = IDCANCEL,
    kSelKeyServer = 4,
    kSelKeyList = 6,
    kSelKeyTree = 100,  // made at run time
};

// Images of the tree items.
enum : int {
    kImageKeyRSA = 0,
    kImageKeyDH = 1,
    kImageUserID = 2,
    kImageUserIDDH = 3,
    kImageGroup = 4,
};

// What the recipient text picks in a list, without a window: the pre-selected
// group or key, else the user ID the name search finds.
struct SelKeyPick {
    int group = -1;   // index into the shown groups
    int key = -1;     // index into the key list
    int userID = -1;  // index into the key's user IDs, -1 for the key itself
};

// Group entries that the tree shows: those of more than one line.
std::vector<int> ShownGroups(const TKeyPropsList& list);
// "name (caption)" of a group entry.
std::string GroupItemText(const std::string& entry, const std::string& groupCaption);
SelKeyPick PreSelect(const TKeyPropsList& list, const std::string& recipient, const std::string& groupCaption);
// The name search alone: key and user ID of the winner, or -1/-1.
SelKeyPick NameSearch(const TKeyPropsList& list, const std::string& recipient);
// Upper case, with "-", ".", "/" and "_" as blanks.
std::string SearchForm(const std::string& text);

// The key selection of an encode job, in the dialog below.
int SelectKeysInDialog(const TKeySelectRequest& request, std::string& recipient, TKeyPropsList& keys,
                       bool& groupChosen, std::string& selection);

class TSelKeyDialog : public ui::Form {
public:
    explicit TSelKeyDialog(HWND parent);
    ~TSelKeyDialog() override;

    // Shows the dialog modally. recipient: the recipient text in; the chosen
    // key-ID text (or group entry) out, empty after cancel, unchanged for a
    // key from a server, the choice followed by the text given in for
    // "add to the list".
    int Execute(std::string& recipient, TKeyPropsList* keys, bool& groupChosen);

    // Captions, prompt and help of this run (its Parent aside: the
    // constructor's parent owns the dialog).
    TKeySelectRequest Request;
    std::string Recipient;
    std::string Selection;
    HWND ParentWindow = nullptr;
    HWND tvKeys = nullptr;
    HIMAGELIST ImageList = nullptr;
    TKeyPropsList* KeyList = nullptr;
    const std::vector<std::string>* GroupList = nullptr;
    HTREEITEM StartItem = nullptr;
    bool GroupChosen = false;

    // The colour a tree item's text is drawn in: grey inside a group, red for
    // a key with additional decryption keys.
    COLORREF ItemTextColor(HTREEITEM item, COLORREF normal) const;
    // The text of the last key pop-up menu.
    const std::string& PopupText() const { return popupText_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    HWND InitialFocus() override { return tvKeys; }
    void BeforeShow() override;
    bool CloseQuery() override;

private:
    // A push button of the dialog: Enter, Esc and its accelerator press it.
    class TButton : public ui::Window {
    public:
        bool Create(TSelKeyDialog* dialog, int id, const std::string& caption, const RECT& bounds, bool isDefault,
                    bool isCancel, std::function<void()> onClick);
        bool IsButton() const override { return true; }
        bool IsDefault() const override { return default_; }
        bool IsCancel() const override { return cancel_; }
        void Click() override;
        bool DialogChar(char upper) override;

    protected:
        bool Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    private:
        bool default_ = false;
        bool cancel_ = false;
        std::function<void()> onClick_;
    };
    // The tree of groups, keys and user IDs.
    class TKeyTree : public ui::Window {
    public:
        bool Create(TSelKeyDialog* dialog, const RECT& bounds);

    protected:
        LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
        bool Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    private:
        TSelKeyDialog* dialog_ = nullptr;
    };
    // The prompt above the tree.
    class TPrompt : public ui::Window {
    public:
        bool Create(TSelKeyDialog* dialog, const std::string& text, const RECT& bounds);
    };

    // What a tree item stands for; the item's lParam indexes these.
    struct Item {
        enum Kind { Group, Member, Key, UserID } kind;
        int index;  // into the shown groups, or into the key list
        int sub;    // member line or user ID; -1 for a top item
    };

    bool CreateControls();
    void MakeImages();
    void FillTree();
    HTREEITEM AddItem(HTREEITEM parent, const std::string& text, int image, int state, int info);
    const Item* InfoOf(HTREEITEM item) const;
    void tvKeysChange();
    LRESULT tvKeysCustomDraw(NMTVCUSTOMDRAW* draw);
    LRESULT tvKeysDblClick();
    void tvKeysContextMenu(HTREEITEM item);
    void OKClick();
    void ShowHelp();
    void TakeSelection();
    void Finish(int code);
    HTREEITEM TopItem(HTREEITEM item) const;
    bool MeasureMenuItem(MEASUREITEMSTRUCT* m);
    bool DrawMenuItem(DRAWITEMSTRUCT* d);

    TPrompt lblPrompt_;
    TKeyTree tree_;
    TButton btnServer_, btnList_, btnOK_, btnCancel_;
    HIMAGELIST stateImages_ = nullptr;
    std::vector<int> shownGroups_;
    std::vector<Item> items_;
    std::string popupText_;
    bool selectedGroup_ = false;
};

}  // namespace orv
