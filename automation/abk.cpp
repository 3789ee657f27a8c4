// The recipient list's worker: the AutoList menu, the address books and the
// actions that merge the main library's answers into "AutoList.txt".
#include "automation/abk.h"

#include <shellapi.h>

#include <algorithm>
#include <stdexcept>

#include "automation/address_text.h"
#include "automation/merrowin_bridge.h"
#include "automation/pl_text.h"
#include "automation/pl_utils.h"
#include "automation/string_library.h"
#include "base/installation.h"
#include "interfaces/address_room.h"
#include "base/whole_file.h"
#include "interfaces/address_room.h"
#include "interfaces/mail_client.h"

namespace orv::automation {

namespace {


// A list that cannot be read or written: the menu command reports it.
struct ListFailure : std::runtime_error {
    ListFailure() : std::runtime_error("AutoList") {}
};

std::string FromOem(std::string text) {
    if (!text.empty()) OemToCharBuffA(text.c_str(), text.data(), static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace

std::string UnwrittenBuffer(std::size_t room) { return std::string(room, kUnwrittenMark); }

bool ExportWrote(const std::string& buffer) {
    // An export writes its text from the buffer's start and ends it with a
    // zero; the bridge cuts the buffer there. An empty text is no answer.
    return !buffer.empty() && buffer.front() != kUnwrittenMark;
}

TABK::TABK(HWND owner, HWND hostWindow, TMerrowin& merrowin, TPLUtils& utils, const TStringLibrary& texts,
           int defaultOptions, std::string input)
    : owner_(owner),
      hostWindow_(hostWindow),
      defaultOptions_(defaultOptions),
      Merrowin(merrowin),
      PLUtils(utils),
      texts_(texts),
      path_(utils.MailboxDir() + kAutoListFileName),
      input_(std::move(input)) {
    ReadBooks(TPLUtils::GetGlobalABKPath(utils.ProgramDir()));
    ReadBooks(utils.ProgramDir());
    ReadBooks(utils.MailboxDir());
    if (ABKList.size() > kMaxBooks) ABKList.resize(kMaxBooks);
}

TABK::~TABK() {
    // The book submenu belongs to the popup and goes with it.
    if (menu_) DestroyMenu(menu_);
    else if (bookMenu_) DestroyMenu(bookMenu_);
}

const char* TABK::Text(int number) const { return texts_.Text(number); }

void TABK::ReadBooks(const std::string& dir) {
    if (dir.empty()) return;
    WIN32_FIND_DATAA found{};
    std::string pattern = dir + "*" + host::kAddressBookExt;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string bytes;
        if (!ReadWholeFile(dir + found.cFileName, bytes)) continue;
        if (auto book = ReadAddressBook(bytes, FromOem)) ABKList.push_back(std::move(*book));
    } while (ABKList.size() <= kMaxBooks && FindNextFileA(search, &found));
    FindClose(search);
}

bool TABK::CreateMenu() {
    menu_ = CreatePopupMenu();
    bookMenu_ = CreatePopupMenu();
    if (!menu_ || !bookMenu_) return false;
    const UINT n = static_cast<UINT>(BookCount());
    for (UINT i = 0; i < n; ++i) {
        std::string item = "\"" + ABKList[i].Name + "\"";
        AppendMenuA(bookMenu_, MF_STRING, kFirstBookCommand + i, item.c_str());
    }
    AppendMenuA(menu_, MF_POPUP | (n ? 0 : MF_GRAYED), reinterpret_cast<UINT_PTR>(bookMenu_), Text(txt::_TITLE));
    AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu_, MF_STRING, kFirstBookCommand + n, Text(txt::_ALL));
    const bool recipients = !input_.empty() && input_.find(',') == std::string::npos;
    AppendMenuA(menu_, MF_STRING | (recipients ? 0 : MF_GRAYED), kFirstBookCommand + n + 1, Text(txt::_RECIP));
    AppendMenuA(menu_, MF_STRING, kFirstBookCommand + n + 2, Text(txt::_RING));
    AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu_, MF_STRING, kFirstBookCommand + n + 3, Text(txt::_SEL));
    AppendMenuA(menu_, MF_STRING, kFirstBookCommand + n + 4, Text(txt::_IDS));
    AppendMenuA(menu_, MF_STRING, kFirstBookCommand + n + 5, Text(txt::_EDIT));
    return true;
}

void TABK::ShowMenu() {
    if (!menu_ && !CreateMenu()) return;
    POINT at{};
    GetCursorPos(&at);
    SetForegroundWindow(owner_);
    TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner_, nullptr);
    PostMessageA(owner_, WM_NULL, 0, 0);
}

bool TABK::RunCommand(int k) {
    const int n = BookCount();
    if (k >= 1 && k <= n) AddFromBooks(k - 1);
    else if (k == n + 1) AddFromBooks(-1);
    else if (k == n + 2) AddMultiEntries();
    else if (k == n + 3) AddKeyRing();
    else if (k == n + 4) SetOptions();
    else if (k == n + 5) Update();
    else if (k == n + 6) Edit();
    else return false;
    return true;
}

std::string TABK::Hint(HMENU menu, UINT id) const {
    if (!menu || (menu != menu_ && menu != bookMenu_) || id < kFirstAutoListCommand) return {};
    const int n = BookCount();
    const int k = static_cast<int>(id - kAutoListCommandBase);
    if (k <= n) {
        char item[256] = {};
        GetMenuStringA(menu, id, item, sizeof item, MF_BYCOMMAND);
        return std::string(Text(txt::ABK_ID)) + item;
    }
    // All books, last recipients, key ring, options, update, edit.
    if (k <= n + 6) return Text(txt::ALL_ID + (k - n - 1));
    return {};
}

void RunAutoListCommand(TABK& worker, int k) {
    worker.Status(txt::BEG_ADD);
    try {
        worker.RunCommand(k);
    } catch (...) {
        worker.Status(txt::END_ADD);
        worker.ReportListError();
        return;
    }
    worker.Status(txt::END_ADD);
}

void TABK::Status(int number) const {
    if (hostWindow_ && IsWindow(hostWindow_))
        SendMessageA(hostWindow_, host::kHostStatusLine, host::kStatusProgress, reinterpret_cast<LPARAM>(Text(number)));
}

void TABK::ReportListError() {
    try {
        Error(Text(txt::LIST_ERR));
    } catch (...) {
    }
}

bool TABK::Load(TAutoListText& list) const {
    list = {};
    if (!FileExists(path_)) return true;
    std::string text;
    if (!ReadWholeFile(path_, text)) return false;
    list = TakeHeader(text);
    return true;
}

bool TABK::Save(const TAutoListText& list) const { return ReplaceWholeFile(path_, WithHeader(list.Header, list.Body)); }

bool TABK::MergeAndSave(const TLines& entries, int* before, int* after) {
    TAutoListText list;
    if (!Load(list)) return false;
    *before = SortEntries(list.Body);
    list.Body.insert(list.Body.end(), entries.begin(), entries.end());
    *after = SortEntries(list.Body);
    return Save(list);
}

void TABK::Info(const std::string& text) {
    Merrowin.Info(text);
    Merrowin.ReleaseProc();
}

void TABK::Error(const std::string& text) {
    Merrowin.Error(text);
    Merrowin.ReleaseProc();
}

void TABK::AddFromBooks(int book) {
    TLines lines;
    if (book >= 0) {
        if (book >= BookCount()) return;
        for (const auto& e : ABKList[static_cast<std::size_t>(book)].Entries)
            lines.push_back(AddressLine(e, ABKList[static_cast<std::size_t>(book)].Name));
    } else {
        for (int b = BookCount() - 1; b >= 0; --b) {
            const auto& source = ABKList[static_cast<std::size_t>(b)];
            if (source.Entries.empty() && b == BookCount() - 1) return;
            for (const auto& e : source.Entries) lines.push_back(AddressLine(e, source.Name));
        }
    }
    if (lines.empty()) return;
    const std::string text = JoinedLines(lines);
    std::string buffer = UnwrittenBuffer(addrroom::GetABKAddr());
    const bool chosen = Merrowin.GetABKAddr(text, buffer, defaultOptions_);
    Merrowin.ReleaseProc();
    if (!chosen || !ExportWrote(buffer)) return;
    int before = 0, after = 0;
    if (!MergeAndSave(EntriesFromChosen(buffer), &before, &after)) throw ListFailure();
    Info(std::to_string(after - before) + Text(txt::NEW_INF));
}

void TABK::AddMultiEntries() {
    bool paired = false;
    const std::string text = RecipientEntries(input_, &paired);
    if (Trim(text).empty()) return;
    std::string buffer = UnwrittenBuffer(addrroom::AddAddrOptions(text));
    const bool chosen = Merrowin.AddAddrOptions(text, buffer, defaultOptions_, !paired);
    Merrowin.ReleaseProc();
    if (!chosen || !ExportWrote(buffer) || Trim(buffer).empty()) return;
    const std::string result = SingleRecipientResult(text, buffer);
    int before = 0, after = 0;
    if (!MergeAndSave(SplitLines(result), &before, &after)) throw ListFailure();
    Info(std::to_string(after - before) + Text(txt::NEW_INF));
}

void TABK::AddOneAddress(const std::string& given) {
    std::string text = given;
    if (text.find('\\') == std::string::npos) {
        text = DelQuotes(text);
        std::string mail = ExtractEmail(text);
        text = mail.empty() ? ExtractAlias(text) : mail;
    }
    if (Trim(text).empty()) return;
    std::string buffer = UnwrittenBuffer(addrroom::AddAddrOptions(text));
    const bool chosen = Merrowin.AddAddrOptions(text, buffer, defaultOptions_, true);
    Merrowin.ReleaseProc();
    if (!chosen) return;  // the user cancelled: the list stays as it is
    int before = 0, after = 0;
    if (ExportWrote(buffer) && !Trim(buffer).empty() && MergeAndSave(SplitLines(buffer), &before, &after))
        Info(Text(txt::ADD_INF));
    else
        Error(Text(txt::ADD_ERR));
}

void TABK::AddKeyRing() {
    TAutoListText list;
    if (!Load(list)) throw ListFailure();
    const int before = SortEntries(list.Body);
    std::string addresses, keys;
    SplitForKeyRing(list.Body, &addresses, &keys);
    std::string buffer;
    const bool chosen = Merrowin.GetPGPAddr(addresses, keys, buffer, defaultOptions_);
    Merrowin.ReleaseProc();
    if (!chosen || Trim(buffer).empty()) return;
    TLines added = SplitLines(buffer);
    list.Body.insert(list.Body.end(), added.begin(), added.end());
    const int after = SortEntries(list.Body);
    if (!Save(list)) throw ListFailure();
    Info(std::to_string(after - before) + Text(txt::RING_INF));
}

void TABK::SetOptions() {
    TAutoListText list;
    if (!Load(list)) throw ListFailure();
    const std::string text = JoinedLines(EntriesOf(list.Body));
    if (text.empty()) return;
    std::string buffer;
    const bool edited = Merrowin.SetAddrOptions(text, buffer);
    Merrowin.ReleaseProc();
    // Nothing written is no answer: the entries stay rather than vanish.
    const TLines edits = EntriesOf(SplitLines(buffer));
    if (!edited || edits.empty()) return;
    PutEntriesInPlace(list.Body, edits);
    SortEntries(list.Body);
    if (!Save(list)) throw ListFailure();
}

void TABK::Update() {
    TAutoListText list;
    bool done = FileExists(path_) && Load(list) && !list.Body.empty();
    if (done) {
        const std::string text = JoinLines(list.Body);
        const std::size_t room = addrroom::FindKeys(text);
        std::string buffer = UnwrittenBuffer(room);
        const int result = Merrowin.FindKeys(text, buffer, false);
        Merrowin.ReleaseProc();
        // A missing export answers 0 without writing: only text the main
        // library wrote may take the list's place.
        done = result >= 0 && ExportWrote(buffer) && !Trim(buffer).empty();
        if (done) {
            list.Body = SplitLines(buffer);
            SortEntries(list.Body);
            done = Save(list);
        }
    }
    if (done) Info(Text(txt::IDS_INF));
    else Error(Text(txt::IDS_ERR));
}

void TABK::Edit() {
    if (!FileExists(path_) && !ReplaceWholeFile(path_, "")) {
        Error(std::string(Text(txt::FILE_ERR)) + "\r\n" + path_ + "!");
        return;
    }
    ShellExecuteA(nullptr, "open", path_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TABK::RemoveDeletedKeys(const std::string& ids) {
    TAutoListText list;
    bool done = Load(list);
    int removed = 0;
    // Without a list there is nothing to remove, and no file is made.
    if (done && FileExists(path_)) {
        removed = RemoveKeys(list.Body, ids);
        SortEntries(list.Body);
        done = Save(list);
    }
    if (done) Info(std::to_string(removed) + Text(txt::DEL_INF));
    else Error(Text(txt::DEL_ERR));
}

}  // namespace orv::automation
