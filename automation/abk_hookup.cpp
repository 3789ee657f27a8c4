// The plug-in object's side of the AutoList's upkeep: when a worker may be
// built, with which default options, and the messages and commands that
// start its actions.
#include "automation/abk.h"
#include "automation/pl_data.h"

namespace orv::automation {

int TPLData::DefaultEntryOptions() const { return fullAutomation_ && !FullAutoSigned ? 1 : 3; }

std::unique_ptr<TABK> TPLData::MakeABK(std::string input) {
    // The main library's dialogs cannot run beside its open window.
    if (!merrowin_ || !PLUtils || MainWindowOpen()) return nullptr;
    return std::make_unique<TABK>(automationWindow_, hostWindow_, *merrowin_, *PLUtils, texts_, DefaultEntryOptions(),
                                  std::move(input));
}

HMENU TPLData::OpenAutoListMenu() {
    if (!AutoEnabled || ABK) return nullptr;
    ABK = MakeABK(UnlistedRecipients);
    if (ABK && ABK->CreateMenu()) return ABK->Menu();
    ABK.reset();
    return nullptr;
}

void TPLData::CloseAutoListMenu() { ABK.reset(); }

void TPLData::ShowAutoListMenu() {
    if (ABK) return;
    ABK = MakeABK(UnlistedRecipients);
    if (ABK) ABK->ShowMenu();
    ABK.reset();
}

void TPLData::RunAutoListMenuCommand(int k) {
    auto worker = MakeABK(UnlistedRecipients);
    if (worker) RunAutoListCommand(*worker, k);
}

bool TPLData::OnAutoListCommand(WPARAM wp, LPARAM lp) {
    const int id = LOWORD(wp);
    if (lp != 0 || HIWORD(wp) != 0 || id < static_cast<int>(kFirstAutoListCommand) ||
        id > static_cast<int>(kLastAutoListCommand))
        return false;
    RunAutoListMenuCommand(id - static_cast<int>(kAutoListCommandBase));
    return true;
}

void TPLData::AddAddressToAutoList(const std::string& text) {
    if (!AutoEnabled) return;
    auto worker = MakeABK({});
    if (!worker) return;
    try {
        worker->AddOneAddress(text);
    } catch (...) {
        worker->ReportListError();
    }
}

void TPLData::RemoveAutoListKeys(const std::string& ids) {
    auto worker = MakeABK({});
    if (!worker || ids.empty()) return;
    try {
        worker->RemoveDeletedKeys(ids);
    } catch (...) {
        worker->ReportListError();
    }
}

void TPLData::AddLastRecipients() {
    if (!AutoEnabled || addingRecipients_ || lastRecipients_.empty()) return;
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

LRESULT TPLData::OnFormStart() {
    // Once per run: a failed upgrade is reported once and tried again at the
    // next start.
    if (upgradeTried_ || !merrowin_ || !PLUtils) return 0;
    upgradeTried_ = 1;
    UpgradeAfterInstall(*PLUtils, *merrowin_, texts_);
    return 0;
}

}  // namespace orv::automation
