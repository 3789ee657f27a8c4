#include "automation/merrowin_bridge.h"

#include <shellapi.h>

#include <cstring>
#include <type_traits>

#include "automation/pl_text.h"
#include "automation/pl_utils.h"
#include "base/installation.h"
#include "base/path_field.h"
#include "interfaces/address_room.h"
#include "interfaces/mail_client.h"
#include "strings/text_numbers.h"

namespace orv::automation {

namespace {

using namespace merrowin;

constexpr const char* kFormTitle = "Orvane";
constexpr const char* kPathTooLong =
    "Orvane is installed in a folder whose path is too long for the mail client, even in its short form. "
    "Install it in a folder with a shorter path:";

// Output buffers end where the export put its terminating zero.
void CutAtZero(std::string& buffer) {
    size_t zero = buffer.find('\0');
    if (zero != std::string::npos) buffer.resize(zero);
}

// Truth values travel in the low byte.
bool LowByte(int value) { return (value & 0xFF) != 0; }

bool IsForeignDialog(HWND wnd) {
    if (!wnd || !IsWindowVisible(wnd)) return false;
    char cls[64] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0) return false;
    char caption[256] = {};
    GetWindowTextA(wnd, caption, sizeof caption);
    return std::strstr(caption, host::kFrameCaption) == nullptr;
}

// The client's form record holds a library path of at most 127 characters,
// and a cut one loads nothing; the user learns where the installation lies.
void TellPathTooLong(const std::string& path) {
    const std::string text = std::string(kPathTooLong) + "\r\n" + path;
    MessageBeep(MB_ICONERROR);
    MessageBoxA(nullptr, text.c_str(), txt::BuiltInText(txt::ERROR_TITLE), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace

TMerrowin::TMerrowin(TPLUtils& utils) : utils_(utils) {}

TMerrowin::~TMerrowin() {
    ReleaseProc();
    module_.reset();
}

std::string TMerrowin::LibraryPath() const { return utils_.InstallDir() + kMainLibraryFileName; }

bool TMerrowin::Initialize(HWND hostWindow, HWND frame, HWND automationWindow, HWND mdiClient) {
    hostWindow_ = hostWindow;
    std::string path = LibraryPath();
    if (utils_.InstallDir().empty() || TPLUtils::GetVersion(path) != utils_.VersionText()) return false;
    module_.reset(LoadLibraryA(path.c_str()));
    if (!module_) return false;
    auto plugInit = Bound<kPlugInit>(Export(kPlugInit));
    if (!plugInit) {
        module_.reset();
        return false;
    }
    plugInit(frame, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(mdiClient)), automationWindow,
             utils_.MailboxDir().c_str());
    return true;
}

FARPROC TMerrowin::Export(int ordinal) {
    if (!module_ || ordinal < kFirstOrdinal || ordinal > kLastOrdinal) return nullptr;
    size_t i = static_cast<size_t>(ordinal - kFirstOrdinal);
    if (!looked_[i]) {
        procs_[i] = GetProcAddress(module_.get(), MAKEINTRESOURCEA(ordinal));
        looked_[i] = true;
    }
    return procs_[i];
}

HWND TMerrowin::MainWindow() const { return mainWindow_ && IsWindow(mainWindow_) ? mainWindow_ : nullptr; }

void TMerrowin::CloseMainWindow() {
    if (HWND wnd = MainWindow()) SendMessageA(wnd, WM_CLOSE, 0, 0);
}

HWND TMerrowin::LoadMerrowin(const char* formName) {
    if (MainWindow() || !hostWindow_) return nullptr;
    host::FormRecord record;
    std::memset(&record, 0, sizeof record);
    const std::string library = PathForField(LibraryPath(), sizeof record.LibraryPath);
    if (library.empty()) {
        TellPathTooLong(LibraryPath());
        return nullptr;
    }
    CopyToField(record.LibraryPath, sizeof record.LibraryPath, library);
    CopyToField(record.FormName, sizeof record.FormName, formName);
    CopyToField(record.Title, sizeof record.Title, kFormTitle);
    record.RecordKind = host::kFormRecordKind;
    return reinterpret_cast<HWND>(SendMessageA(hostWindow_, host::kHostOpenForm, 0, reinterpret_cast<LPARAM>(&record)));
}

template <int Ordinal>
LRESULT TMerrowin::ShowForm(const char* formName) {
    formWindow_ = LoadMerrowin(formName);
    if (!formWindow_) return 0;
    auto fn = Bound<Ordinal>(Export(Ordinal));
    if (!fn) return 0;
    if constexpr (std::is_pointer_v<decltype(fn())>)
        return reinterpret_cast<LRESULT>(fn());
    else
        return fn();
}

LRESULT TMerrowin::ShowManager() {
    if (HWND wnd = MainWindow()) {
        PostMessageA(wnd, host::kFormMsgCommand, 0, host::kCommandForce);
        return 0;
    }
    return ShowForm<kShowManager>(merrowin::kFormManager);
}

LRESULT TMerrowin::ShowViewer(bool folderView) {
    if (HWND wnd = MainWindow()) {
        PostMessageA(wnd, host::kFormMsgCommand, 0, host::kCommandForce);
        return 0;
    }
    return ShowForm<kShowViewer>(folderView ? merrowin::kFormFolder : merrowin::kFormViewer);
}

LRESULT TMerrowin::ShowConfig() { return ShowForm<kShowConfig>(merrowin::kFormConfig); }

LRESULT TMerrowin::ShowAbout() { return ShowForm<kShowAbout>(merrowin::kFormAbout); }

void TMerrowin::WaitForForeignDialog() {
    HWND dialog = GetActiveWindow();
    if (!IsForeignDialog(dialog)) return;
    // The user answers the dialog first; Enter and Escape on its controls
    // are its buttons.
    while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (msg.message == WM_KEYDOWN && IsChild(dialog, msg.hwnd) &&
            (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
            PostMessageA(dialog, WM_COMMAND, msg.wParam == VK_RETURN ? IDOK : IDCANCEL, 0);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

FARPROC TMerrowin::PrepareUtility(int ordinal) {
    WaitForForeignDialog();
    if (!formWindow_ || !IsWindow(formWindow_)) formWindow_ = LoadMerrowin(kFormUtilities);
    if (!formWindow_) return nullptr;
    FARPROC fn = Export(ordinal);
    TPLUtils::ProcessMessages();
    return fn;
}

void TMerrowin::WipeCache() {
    if (auto fn = Utility<kWipeCache>()) fn();
    ReleaseProc();
}

void TMerrowin::Error(const std::string& text) {
    if (auto fn = Utility<kError>()) fn(text.c_str());
}

void TMerrowin::Info(const std::string& text) {
    if (auto fn = Utility<kInfo>()) fn(text.c_str());
}

bool TMerrowin::Confirm(const std::string& text) {
    auto fn = Utility<kConfirm>();
    return fn ? LowByte(fn(text.c_str())) : true;
}

int TMerrowin::ConfCanc(const std::string& text) {
    auto fn = Utility<kConfCanc>();
    return fn ? (fn(text.c_str()) & 0xFFFF) : IDCANCEL;
}

bool TMerrowin::SaveMimeAttachments(const std::string& text) {
    auto fn = Utility<kSaveMimeAttachments>();
    bool result = fn && (fn(text.c_str()) & 0x7F) != 0;
    ReleaseProc();
    return result;
}

bool TMerrowin::GetKeyFromServer(const std::string& keyId) {
    auto fn = Utility<kGetKeyFromServer>();
    bool result = fn && fn(keyId.c_str()) == 1;
    ReleaseProc();
    return result;
}

bool TMerrowin::SetAddrOptions(const std::string& text, std::string& buffer) {
    auto fn = Utility<kSetAddrOptions>();
    if (!fn) return false;
    buffer.assign(addrroom::SetAddrOptions(text), '\0');
    bool result = LowByte(fn(text.c_str(), buffer.data()));
    CutAtZero(buffer);
    return result;
}

bool TMerrowin::AddAddrOptions(const std::string& text, std::string& buffer, int options, bool flag) {
    auto fn = Utility<kAddAddrOptions>();
    if (!fn) return false;
    buffer.assign(addrroom::AddAddrOptions(text), '\0');
    bool result = LowByte(fn(text.c_str(), buffer.data(), options, flag ? 1 : 0));
    CutAtZero(buffer);
    return result;
}

bool TMerrowin::GetABKAddr(const std::string& text, std::string& buffer, int options) {
    auto fn = Utility<kGetABKAddr>();
    if (!fn) return false;
    buffer.assign(addrroom::GetABKAddr(), '\0');
    bool result = LowByte(fn(text.c_str(), buffer.data(), options));
    CutAtZero(buffer);
    return result;
}

bool TMerrowin::GetPGPAddr(const std::string& addresses, const std::string& keys, std::string& buffer, int options) {
    auto fn = Utility<kGetPGPAddr>();
    if (!fn) return false;
    buffer.assign(addrroom::GetPGPAddr(), '\0');
    bool result = LowByte(fn(addresses.c_str(), keys.c_str(), buffer.data(), options));
    CutAtZero(buffer);
    return result;
}

int TMerrowin::FindKeys(const std::string& pattern, std::string& buffer, bool flag) {
    auto fn = Utility<kFindKeys>();
    if (!fn) return 0;
    if (!pattern.empty()) buffer.assign(addrroom::FindKeys(pattern), '\0');
    int result = fn(pattern.c_str(), buffer.data(), flag ? 1 : 0);
    CutAtZero(buffer);
    return result;
}

int TMerrowin::FindKeysDirect(const std::string& pattern, std::string& buffer, bool flag) {
    auto fn = Bound<kFindKeys>(Export(kFindKeys));
    if (!fn) return 0;
    int result = fn(pattern.c_str(), buffer.data(), flag ? 1 : 0);
    CutAtZero(buffer);
    return result;
}

int TMerrowin::KeySelect(const std::string& item, const std::string& candidates) {
    auto fn = Utility<kKeySelect>();
    return fn ? fn(item.c_str(), candidates.c_str()) : -1;
}

bool TMerrowin::KeyDelete(std::string& deleted) {
    auto fn = Utility<kKeyDelete>();
    bool result = false;
    if (fn) {
        deleted.assign(addrroom::KeyDelete(), '\0');
        result = LowByte(fn(deleted.data()));
        CutAtZero(deleted);
    }
    ReleaseProc();
    return result;
}

bool TMerrowin::KeyExtract() {
    auto fn = Utility<kKeyExtract>();
    bool result = fn && (fn() & 0x7F) != 0;
    ReleaseProc();
    return result;
}

bool TMerrowin::ShowFingerPrint() {
    auto fn = Utility<kShowFingerPrint>();
    bool result = fn && fn() != 0;
    ReleaseProc();
    return result;
}

bool TMerrowin::ExecPGPkeys() {
    auto fn = Utility<kExecPGPkeys>();
    bool result = fn && fn() == 1;
    ReleaseProc();
    return result;
}

void TMerrowin::ReleaseProc() {
    if (formWindow_ && IsWindow(formWindow_)) SendMessageA(formWindow_, WM_CLOSE, 0, 0);
    formWindow_ = nullptr;
    mainWindow_ = nullptr;
    TPLUtils::ProcessMessages();
}

void TMerrowin::ShowHelp() const {
    std::string page = utils_.InstallDir() + "DODIreva.htm";
    ShellExecuteA(nullptr, "open", page.c_str(), nullptr, utils_.InstallDir().c_str(), SW_SHOWNORMAL);
}

}  // namespace orv::automation
