// The plug-in object's side of the AutoList's upkeep: when a worker may be
// built, with which default options, and the messages and commands that
// start its actions.
#include "automation/abk_hookup.h"

#include "automation/abk.h"
#include "automation/pl_data.h"

namespace orv::automation {

TAutoListHookup::TAutoListHookup(TPLData& pl) : pl_(pl) {}

TAutoListHookup::~TAutoListHookup() = default;

int TAutoListHookup::DefaultEntryOptions() const {
    const TAutomationOptions& options = pl_.Options();
    return options.fullAutomation && !options.FullAutoSigned ? 1 : 3;
}

std::unique_ptr<TABK> TAutoListHookup::MakeABK(std::string input) {
    // The main library's dialogs cannot run beside its open window.
    if (!pl_.Merrowin() || !pl_.Utils() || pl_.MainWindowOpen()) return nullptr;
    return std::make_unique<TABK>(pl_.AutomationWindow(), pl_.HostWindow(), *pl_.Merrowin(), *pl_.Utils(), pl_.Texts(),
                                  DefaultEntryOptions(), std::move(input));
}

HMENU TAutoListHookup::OpenMenu() {
    if (!pl_.Options().AutoEnabled || ABK) return nullptr;
    ABK = MakeABK(pl_.Sending().Unlisted());
    if (ABK && ABK->CreateMenu()) return ABK->Menu();
    ABK.reset();
    return nullptr;
}

void TAutoListHookup::CloseMenu() { ABK.reset(); }

void TAutoListHookup::ShowMenu() {
    if (ABK) return;
    ABK = MakeABK(pl_.Sending().Unlisted());
    if (ABK) ABK->ShowMenu();
    ABK.reset();
}

void TAutoListHookup::RunMenuCommand(int k) {
    auto worker = MakeABK(pl_.Sending().Unlisted());
    if (worker) RunAutoListCommand(*worker, k);
}

bool TAutoListHookup::OnCommand(WPARAM wp, LPARAM lp) {
    const int id = LOWORD(wp);
    if (lp != 0 || HIWORD(wp) != 0 || id < static_cast<int>(kFirstAutoListCommand) ||
        id > static_cast<int>(kLastAutoListCommand))
        return false;
    RunMenuCommand(id - static_cast<int>(kAutoListCommandBase));
    return true;
}

void TAutoListHookup::AddAddress(const std::string& text) {
    if (!pl_.Options().AutoEnabled) return;
    auto worker = MakeABK({});
    if (!worker) return;
    try {
        worker->AddOneAddress(text);
    } catch (...) {
        worker->ReportListError();
    }
}

void TAutoListHookup::RemoveKeys(const std::string& ids) {
    auto worker = MakeABK({});
    if (!worker || ids.empty()) return;
    try {
        worker->RemoveDeletedKeys(ids);
    } catch (...) {
        worker->ReportListError();
    }
}

void TAutoListHookup::AddLastRecipients() {
    if (!pl_.Options().AutoEnabled || addingRecipients_ || lastRecipients_.empty()) return;
    addingRecipients_ = 1;
    std::string text;
    text.swap(lastRecipients_);
    if (auto worker = MakeABK(text)) {
        try {
            worker->AddMultiEntries();
        } catch (...) {
            worker->ReportListError();
        }
    }
    addingRecipients_ = 0;
}

LRESULT TAutoListHookup::OnFormStart() {
    // Once per run: a failed upgrade is reported once and tried again at the
    // next start.
    if (upgradeTried_ || !pl_.Merrowin() || !pl_.Utils()) return 0;
    upgradeTried_ = 1;
    UpgradeAfterInstall(*pl_.Utils(), *pl_.Merrowin(), pl_.Texts());
    return 0;
}

}  // namespace orv::automation
