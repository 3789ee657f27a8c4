#pragma once
// The AutoList hook-up: when an AutoList worker may be built, with which
// default options, and the menus, commands and messages that start its
// actions.

#include <windows.h>

#include <memory>
#include <string>

namespace orv::automation {

class TPLData;
class TABK;

class TAutoListHookup {
public:
    explicit TAutoListHookup(TPLData& pl);
    ~TAutoListHookup();
    TAutoListHookup(const TAutoListHookup&) = delete;
    TAutoListHookup& operator=(const TAutoListHookup&) = delete;

    // The AutoList menu for the frontend menu: the worker and its popup
    // while the menu is open (nullptr when no worker may be built), and the
    // worker freed when the menu closes. The popup is the worker's: take it
    // out of the frontend menu before closing, so that it is destroyed once.
    HMENU OpenMenu();
    void CloseMenu();
    // The worker while the frontend menu holds its popup, or nullptr.
    const TABK* MenuWorker() const { return ABK.get(); }
    // The toolbar's way: a worker and its menu at the cursor.
    void ShowMenu();
    // A command of the AutoList menu posted to the automation window; false
    // for any other command.
    bool OnCommand(WPARAM wp, LPARAM lp);
    // One address from a reader, and the entries of keys the user deleted.
    void AddAddress(const std::string& text);
    void RemoveKeys(const std::string& ids);
    // AM_ADDTOLIST: added once the main library's session is over.
    void SetLastRecipients(const char* text) { lastRecipients_ = text ? text : ""; }
    void AddLastRecipients();
    // The upgrade after an installation, once per run.
    LRESULT OnFormStart();

private:
    std::unique_ptr<TABK> MakeABK(std::string input);
    int DefaultEntryOptions() const;
    // Command k of the AutoList menu (identifier − 0x1000), with a worker of
    // its own.
    void RunMenuCommand(int k);

    TPLData& pl_;
    std::unique_ptr<TABK> ABK;
    std::string lastRecipients_;
    BYTE addingRecipients_ = 0;
    BYTE upgradeTried_ = 0;
};

}  // namespace orv::automation
