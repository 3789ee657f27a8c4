#include "plugin/session.h"

#include <shellapi.h>

#include <cctype>

#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/pgp_prefs.h"
#include "formats/mcfuncs.h"
#include "plugin/automation_messages.h"
#include "plugin/mail_client.h"
#include "plugin/msgbox.h"
#include "plugin/resource_ids.h"
#include "plugin/texts.h"
#include "ui/file_dialog_ex.h"
#include "ui/hot_hint.h"
#include "ui/info_box.h"
#include "ui/look.h"
#include "ui/window.h"

namespace orv {

namespace {

TPluginParams* g_session = nullptr;
TPMFuncsFactory g_makePMFuncs = nullptr;
TPMFuncsRelease g_releasePMFuncs = nullptr;

constexpr DWORD kRegistryRoom = 260;

std::string ReadRegistryText(HKEY root, const char* subKey, const char* value) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &raw) != ERROR_SUCCESS) return {};
    UniqueRegKey key(raw);
    char buffer[kRegistryRoom + 1] = {};
    DWORD size = kRegistryRoom;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    buffer[size < kRegistryRoom ? size : kRegistryRoom] = 0;
    return buffer;
}

std::string ClassOf(HWND wnd) {
    char name[64] = {};
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The process's first command-line argument.
std::string FirstArgument() {
    const char* p = GetCommandLineA();
    if (!p) return {};
    // Skip the program name, quoted or not.
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    std::string arg;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') arg += *p++;
    } else {
        while (*p && *p != ' ' && *p != '\t') arg += *p++;
    }
    return arg;
}

HWND Foreground() { return GetForegroundWindow(); }
bool IsForeground(const ui::Form* form) { return form && form->Handle() && form->Handle() == Foreground(); }
void PostTo(const ui::Form* form, UINT msg, WPARAM wp, LPARAM lp) {
    if (form && form->Handle()) PostMessageA(form->Handle(), msg, wp, lp);
}

void CenterOver(HWND wnd, HWND over) {
    RECT ref{};
    if (over && IsWindow(over) && IsWindowVisible(over) && !IsIconic(over))
        GetWindowRect(over, &ref);
    else
        GetWindowRect(GetDesktopWindow(), &ref);
    RECT me{};
    GetWindowRect(wnd, &me);
    const int w = me.right - me.left, h = me.bottom - me.top;
    const int x = ref.left + ((ref.right - ref.left) - w) / 2;
    const int y = ref.top + ((ref.bottom - ref.top) - h) / 2;
    SetWindowPos(wnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

std::string DirectoryText(std::string value) {
    if (!value.empty() && value.back() != '\\') value += '\\';
    return value;
}

TPluginParams* Session() { return g_session; }

void SetPMFuncsFactory(TPMFuncsFactory make, TPMFuncsRelease release) {
    g_makePMFuncs = make;
    g_releasePMFuncs = release;
}

void StartSession(HINSTANCE module) {
    if (g_session) return;
    g_session = new TPluginParams(module);
    g_session->Init(0, "", nullptr);
}

void EndSession() {
    delete g_session;
    g_session = nullptr;
}

TPluginParams::TPluginParams(HINSTANCE module) : Module(module) {}

TPluginParams::~TPluginParams() {
    DestroySessionWindow();
    if (classRegistered_) UnregisterClassA(kSessionWindowClass, Module);
    for (HBITMAP* bmp : {&bmpOK, &bmpHelp, &bmpCancel, &bmpPicture, &bmpKey, &bmpFind}) {
        if (*bmp) DeleteObject(*bmp);
        *bmp = nullptr;
    }
    ui::DestroyHotHint();
    OpenFileDlg.reset();
    SaveFileDlg.reset();
    PMFuncs.reset();
    // The store wipes the cache as it goes; nobody is told at unload, where a
    // message to another thread could wait on the loader lock.
    PGPData.reset();
    MCFuncs.reset();
    MsgBox.reset();
    ui::FreeLookResources();
    if (Icon) DestroyIcon(Icon);
    texts::Unload();
    StringLibrary = nullptr;
}

void TPluginParams::ReadRegistry() {
    InstallDir = DirectoryText(ReadRegistryText(HKEY_LOCAL_MACHINE, kInstallKey, kInstallValue));
    BaseDir = DirectoryText(ReadRegistryText(HKEY_CURRENT_USER, host::kRegBaseDir, nullptr));
    MailboxDir = DirectoryText(ReadRegistryText(HKEY_CURRENT_USER, host::kRegMailbox, nullptr));
    ConfigFile = MailboxDir.empty() ? std::string() : MailboxDir + kConfigFileName;
}

void TPluginParams::LoadResources() {
    if (!Icon) Icon = LoadIconA(Module, MAKEINTRESOURCEA(kIconResource));
    if (!HandCursor) HandCursor = LoadCursorA(Module, MAKEINTRESOURCEA(kHandCursorResource));
    HBITMAP* glyphs[] = {&bmpOK, &bmpHelp, &bmpCancel, &bmpPicture, &bmpKey, &bmpFind};
    for (int i = 0; i < 6; ++i)
        if (!*glyphs[i]) *glyphs[i] = LoadBitmapA(Module, MAKEINTRESOURCEA(kFirstGlyphResource + i));
    HelpFile = InstallDir + kHelpFileName;
    HtmlHelpPage = InstallDir + kHtmlHelpName;
}

bool TPluginParams::CreateObjects() {
    if (objectsMade_) return true;
    if (!texts::Load(InstallDir)) return false;
    StringLibrary = GetModuleHandleA((InstallDir + "Lumvika.dll").c_str());
    if (!StringLibrary) StringLibrary = GetModuleHandleA("Lumvika.dll");

    RegisterSessionClass();
    OpenFileDlg = std::make_unique<ui::TOpenDialogEx>(ui::SessionOpenDialog());
    SaveFileDlg = std::make_unique<ui::TSaveDialogEx>(ui::SessionSaveDialog());
    PGPData = std::make_unique<TPGPData>(Links);

    TMimeServices services;
    services.Text = [](int number) { return std::string(texts::Get(number)); };
    services.Error = [this](const std::string& text) {
        if (MsgBox) MsgBox->Error(text.c_str());
    };
    services.WriteFile = [](const std::string& path, std::string_view bytes) { return ReplaceWholeFile(path, bytes); };
    MCFuncs = std::make_unique<TMCFuncs>(std::move(services));
    MsgBox = std::make_unique<TMsgBox>();
    if (g_makePMFuncs && g_releasePMFuncs)
        PMFuncs = std::unique_ptr<TPMFuncsObjects, TPMFuncsRelease>(g_makePMFuncs(*this), g_releasePMFuncs);
    if (StringLibrary)
        GetErrorStr = reinterpret_cast<long(__stdcall*)(long, const char**)>(
            reinterpret_cast<void*>(GetProcAddress(StringLibrary, MAKEINTRESOURCEA(txt::kErrorTextOrdinal))));

    WindowsVersion = WindowsVersionText();
    PGPVersion = PGPVersionText();
    // The armour's version line names the product rather than the engine.
    const ui::ProductInfo info = ui::ReadProductInfo([this] {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(Module, path, MAX_PATH);
        return std::string(path);
    }());
    if (!info.productName.empty()) {
        const std::string product = info.productName + " " + info.productVersion;
        lstrcpynA(loader::VersionText(), product.c_str(), static_cast<int>(loader::kVersionTextSize));
    }
    objectsMade_ = true;
    SyncLinks();
    return true;
}

void TPluginParams::SyncLinks() {
    // Dialogs never take a window that is gone as their owner.
    if (OwnerWindow && !IsWindow(OwnerWindow)) OwnerWindow = ClientMain && IsWindow(ClientMain) ? ClientMain : nullptr;
    Links.ConfigFile = ConfigFile;
    Links.MailboxDir = MailboxDir;
    Links.InstallDir = InstallDir;
    Links.SetupCommand = SetupCommand;
    Links.AutomationWindow = AutomationWindow;
    Links.OwnerWindow = OwnerWindow;
    Links.MsgBox = MsgBox.get();
    ui::Session& look = ui::CurrentSession();
    look.icon = Icon;
    look.owner = OwnerWindow;
    look.hostMain = ClientMain;
    look.hostForm = HostForm;
    look.insideHost = !InLauncher() && HostForm != nullptr;
    look.pgpVersionText = PGPVersion;
    look.windowsVersionText = WindowsVersion;
    if (PGPData) look.standardColors = PGPData->Standard;
}

bool TPluginParams::Init(int mode, const std::string& formParameter, HWND hostForm) {
    Mode = mode;
    FormParameter = formParameter;
    HostForm = hostForm;
    if (formParameter.empty()) {
        if (!objectsMade_) {
            ReadRegistry();
            LoadResources();
            CreateObjects();
        }
        if (!InstallDir.empty()) SetCurrentDirectoryA(InstallDir.c_str());
        SyncLinks();
        return true;
    }
    OutcomeFlags = {};
    AutomationActive = mode != host::kFormModeLauncher && AutomationWindow != nullptr;
    if (InLauncher()) SetupCommand = Upper(FirstArgument());
    SyncLinks();
    if (!CreateSessionWindow()) return false;
    if (InLauncher() && !Hook)
        Hook = SetWindowsHookExA(WH_CALLWNDPROC, &TPluginParams::CenteringHook, nullptr, GetCurrentThreadId());
    return true;
}

void TPluginParams::RegisterSessionClass() {
    if (classRegistered_) return;
    WNDCLASSA wc{};
    wc.style = CS_PARENTDC;
    wc.lpfnWndProc = &TPluginParams::SessionWindowProc;
    wc.hInstance = Module;
    wc.lpszClassName = kSessionWindowClass;
    classRegistered_ = RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool TPluginParams::CreateSessionWindow() {
    RegisterSessionClass();
    if (SessionWindow && IsWindow(SessionWindow)) DestroySessionWindow();
    const DWORD style = HostForm ? WS_CHILD : WS_POPUP;
    HWND wnd = CreateWindowExA(0, kSessionWindowClass, "", style, 0, 0, 0, 0, HostForm, nullptr, Module, this);
    return wnd != nullptr;
}

void TPluginParams::DestroySessionWindow() {
    if (SessionWindow && IsWindow(SessionWindow)) DestroyWindow(SessionWindow);
    SessionWindow = nullptr;
}

bool TPluginParams::CheckPGPConfig() {
    SyncLinks();
    return PGPData && PGPData->CheckPGPConfig();
}

void TPluginParams::ShowHelp(int context) {
    const bool dialogOpen = frmPGPConfig || frmAddrBox || frmSelBox;
    if (dialogOpen) {
        if (context == 0) return;
        const UINT command = frmPGPConfig && context > 29 ? HELP_CONTEXT : HELP_CONTEXTPOPUP;
        WinHelpA(OwnerWindow, HelpFile.c_str(), command, static_cast<ULONG_PTR>(context));
        return;
    }
    if (FileExists(HtmlHelpPage)) {
        ShellExecuteA(OwnerWindow, "open", HtmlHelpPage.c_str(), nullptr, InstallDir.c_str(), SW_SHOWNORMAL);
        return;
    }
    if (!MsgBox) return;
    const std::string text = "\"" + HtmlHelpPage + "\" " + texts::Get(txt::NO_HELP);
    MsgBox->Warn(text.c_str());
}

LRESULT CALLBACK TPluginParams::SessionWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        if (msg == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
            SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<TPluginParams*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
        if (self) return self->HandleMessage(wnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT TPluginParams::HandleMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        SessionWindow = wnd;
        return 0;
    case WM_DESTROY:
        if (InLauncher()) {
            if (Hook) UnhookWindowsHookEx(Hook);
            Hook = nullptr;
        } else if (AutomationWindow && ClientMain && IsWindowVisible(ClientMain)) {
            PostMessageA(AutomationWindow, automation::AM_SESSIONCLOSED, OutcomeFlags[0], OutcomeFlags[3]);
            OwnerWindow = ClientMain;
        }
        frmManager = frmViewer = frmServer = frmOwner = nullptr;
        FormParameter.clear();
        if (SessionWindow == wnd) SessionWindow = nullptr;
        SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        SyncLinks();
        return 0;
    case WM_TIMER:
        if (wp == kStartTimer) {
            KillTimer(wnd, kStartTimer);
            PostTo(frmManager, host::kFormMsgCommand, 0, host::kCommandStart);
            PostTo(frmViewer, host::kFormMsgCommand, 0, host::kCommandStart);
            return 0;
        }
        break;
    case host::kFormMsgStart:
        CurrentMessageWindow = HostForm ? GetWindow(HostForm, GW_HWNDFIRST) : nullptr;
        return 0;
    case host::kFormMsgQuery:
        return host::kFormQueryAnswer;
    case host::kFormMsgHide:
        if (HostForm)
            SetWindowPos(HostForm, HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        return 0;
    case host::kFormMsgCommand:
        RouteCommand(wp, lp);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void TPluginParams::RouteCommand(WPARAM wp, LPARAM lp) {
    if (LOWORD(wp) == host::kCommandRawView && lp == 0) {
        OutcomeFlags[2] = 1;
        OutcomeFlags[1] = HIWORD(wp) != 0 ? 1 : 0;
    }
    const bool manager = FormParameter == "MANAGER";
    const bool viewer = FormParameter == "VIEWER" || FormParameter == "FOLDER";
    if (manager || viewer) {
        if (lp == host::kCommandStart) {
            if (SessionWindow) SetTimer(SessionWindow, kStartTimer, kStartTimerMs, nullptr);
        } else {
            ui::Form* form = manager ? frmManager : frmViewer;
            if (IsForeground(form) || lp == host::kCommandForce) PostTo(form, host::kFormMsgCommand, wp, lp);
        }
    }
    if (IsForeground(frmAddrBox)) PostTo(frmAddrBox, host::kFormMsgCommand, wp, lp);
    if (IsForeground(frmSelBox)) PostTo(frmSelBox, host::kFormMsgCommand, wp, lp);
    HWND fileBox = ui::TFileDialogEx::RunningBox();
    if (fileBox && GetForegroundWindow() == fileBox) PostMessageA(fileBox, WM_COMMAND, wp, lp);
}

LRESULT CALLBACK TPluginParams::CenteringHook(int code, WPARAM wp, LPARAM lp) noexcept {
    TPluginParams* self = g_session;
    try {
        if (code == HC_ACTION && self) {
            const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
            if (call->message == WM_SHOWWINDOW && call->wParam) self->CenterShownWindow(call->hwnd);
        }
    } catch (...) {
    }
    return CallNextHookEx(self ? self->Hook : nullptr, code, wp, lp);
}

void TPluginParams::CenterShownWindow(HWND wnd) {
    if (!wnd || (GetWindowLongA(wnd, GWL_STYLE) & WS_CHILD)) return;
    const std::string cls = ClassOf(wnd);
    HWND parent = GetParent(wnd);
    const bool dialog = (cls == "#32770" || cls == host::kPgpDialogClass) && parent && OwnerWindow &&
                        GetParent(parent) == OwnerWindow;
    const bool other = cls != "TfrmHotHint" && cls != "#32768" && (!parent || parent == OwnerWindow);
    if (!dialog && !other) return;
    if (wnd == SessionWindow) return;
    HWND over = parent ? parent : OwnerWindow;
    if (over == wnd) over = ClientMain;
    CenterOver(wnd, over);
    SetFocus(wnd);
}

}  // namespace orv
