#pragma once
// TABK: the recipient list's worker. It reads the host's address books,
// builds the AutoList menu, asks the main library's address dialogs and
// merges their results into "AutoList.txt", always replacing the file whole.
// A result the main library did not really write never replaces the list.

#include <windows.h>

#include <string>
#include <vector>

#include "automation/autolist_upkeep.h"

namespace orv::automation {

class TMerrowin;
class TPLUtils;
class TStringLibrary;

// Menu identifiers: books from kFirstBookCommand, then the fixed items; the
// automation window gets them as they are, the frame's menu bar carries the
// same numbers (identifier - kAutoListCommandBase is the item's number).
constexpr UINT kAutoListCommandBase = 0x1000;
constexpr UINT kFirstAutoListCommand = 0x1001;
constexpr UINT kLastAutoListCommand = 0x1FFF;
constexpr UINT kFirstBookCommand = kFirstAutoListCommand;
constexpr int kMaxBooks = 255;

class TABK {
public:
    // owner: the automation window; input: the addresses the last-recipients
    // item adds.
    TABK(HWND owner, HWND hostWindow, TMerrowin& merrowin, TPLUtils& utils, const TStringLibrary& texts,
         int defaultOptions, std::string input);
    ~TABK();
    TABK(const TABK&) = delete;
    TABK& operator=(const TABK&) = delete;

    // The popup with the book submenu; false when it cannot be made.
    bool CreateMenu();
    HMENU Menu() const { return menu_; }
    // Tracks the popup at the cursor; its command goes to the owner.
    void ShowMenu();
    int BookCount() const { return static_cast<int>(ABKList.size()); }
    const std::string& Path() const { return path_; }

    // Runs command k (menu identifier − 0x1000); false for no such item.
    bool RunCommand(int k);
    // The status-line hint of an item of its menus; "" for none.
    std::string Hint(HMENU menu, UINT id) const;

    // The host's status line shows the text of that number.
    void Status(int number) const;
    void ReportListError();

    // The actions, each with its own report.
    void AddFromBooks(int book);  // 0-based index, or -1 for all books
    void AddMultiEntries();
    void AddOneAddress(const std::string& text);
    void AddKeyRing();
    void SetOptions();
    void Update();
    void Edit();
    void RemoveDeletedKeys(const std::string& ids);

private:
    void ReadBooks(const std::string& dir);
    // The list split into header and body; an absent file is an empty list.
    bool Load(TAutoListText& list) const;
    bool Save(const TAutoListText& list) const;
    // Appends entries, sorts and saves: the body's line count before (sorted)
    // and after, or false when the list could not be read or written.
    bool MergeAndSave(const TLines& entries, int* before, int* after);
    void Info(const std::string& text);
    void Error(const std::string& text);
    const char* Text(int number) const;

    HWND owner_;
    HWND hostWindow_;
    HMENU menu_ = nullptr;
    HMENU bookMenu_ = nullptr;
    int defaultOptions_;
    TMerrowin& Merrowin;
    TPLUtils& PLUtils;
    const TStringLibrary& texts_;
    std::string path_;
    std::string input_;
    std::vector<TAddressBook> ABKList;
};

// Runs an AutoList command as the menu does: a worker of its own, the
// status line before and after, LIST_ERR for anything that went wrong.
void RunAutoListCommand(TABK& worker, int k);

// The upgrade after installation (host message 0x0B09): converts an older
// list and configuration once; records the plug-in's version only when
// every step worked. True when there was nothing to do or all worked.
bool UpgradeAfterInstall(TPLUtils& utils, TMerrowin& merrowin, const TStringLibrary& texts);

// A buffer for an export's answer, filled with a mark no list text begins
// with, so that an export that wrote nothing (a missing one answers 0) is
// told from one that wrote a text.
constexpr char kUnwrittenMark = '\x01';
std::string UnwrittenBuffer(std::size_t room);
bool ExportWrote(const std::string& buffer);

}  // namespace orv::automation
