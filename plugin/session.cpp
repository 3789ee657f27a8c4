#include "plugin/session.h"

#include <shellapi.h>

#include <cctype>

#include "base/text.h"
#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/pgp_prefs.h"
#include "formats/mcfuncs.h"
#include "interfaces/host_messages.h"
#include "interfaces/mail_client.h"
#include "interfaces/merrowin_exports.h"
#include "plugin/key_ops.h"
#include "plugin/msgbox.h"
#include "plugin/resource_ids.h"
#include "strings/text_client.h"
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

std::string ClassOf(HWND wnd) {
    char name[64] = {};
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

// The process's command-line argument after the program (1 the first).
std::string Argument(int index) {
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
    std::string arg;
    for (int i = 0; i < index; ++i) {
        while (*p == ' ' || *p == '\t') ++p;
        arg.clear();
        if (*p == '"') {
            ++p;
            while (*p && *p != '"') arg += *p++;
            if (*p) ++p;
        } else {
            while (*p && *p != ' ' && *p != '\t') arg += *p++;
        }
    }
    return arg;
}

bool IsForeground(const ui::Form* form) {
    return form && form->Handle() && form->Handle() == GetForegroundWindow();
}
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
    ui::SetCurrentSession(nullptr);
    while (!forms_.empty()) CloseForm(forms_.back().get());
    if (Hook) UnhookWindowsHookEx(Hook);
    Hook = nullptr;
    if (classRegistered_) UnregisterClassA(kSessionWindowClass, Module);
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
    if (IconHandle) DestroyIcon(IconHandle);
    texts::Unload();
}

void TPluginParams::ReadRegistry() {
    InstallDir = InstallDirectory();
    BaseDir = WithBackslash(ReadRegistryText(HKEY_CURRENT_USER, host::kRegBaseDir, nullptr));
    MailboxDir = WithBackslash(ReadRegistryText(HKEY_CURRENT_USER, host::kRegMailbox, nullptr));
    ConfigFile = MailboxDir.empty() ? std::string() : MailboxDir + kConfigFileName;
}

void TPluginParams::LoadResources() {
    if (!IconHandle) IconHandle = LoadIconA(Module, MAKEINTRESOURCEA(kIconResource));
    HelpFile = InstallDir + kHelpFileName;
    HtmlHelpPage = InstallDir + kHtmlHelpName;
}

bool TPluginParams::CreateObjects() {
    if (objectsMade_) return true;
    if (!texts::Load(InstallDir)) return false;

    RegisterSessionClass();
    MsgBox = std::make_unique<TMsgBox>();
    OpenFileDlg = std::make_unique<ui::TOpenDialogEx>(ui::SessionOpenDialog());
    SaveFileDlg = std::make_unique<ui::TSaveDialogEx>(ui::SessionSaveDialog());
    PGPData = std::make_unique<TPGPData>(*this);

    TMimeServices services;
    services.Text = [](int number) { return std::string(texts::Get(number)); };
    services.Error = [this](const std::string& text) {
        if (MsgBox) MsgBox->Error(text.c_str());
    };
    services.WriteFile = [](const std::string& path, std::string_view bytes) { return ReplaceWholeFile(path, bytes); };
    MCFuncs = std::make_unique<TMCFuncs>(std::move(services));
    if (g_makePMFuncs && g_releasePMFuncs)
        PMFuncs = std::unique_ptr<TPMFuncsObjects, TPMFuncsRelease>(g_makePMFuncs(*this), g_releasePMFuncs);

    WindowsVersion = orv::WindowsVersionText();
    PGPVersion = orv::PGPVersionText();
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
    ui::SetCurrentSession(this);
    return true;
}

HWND TPluginParams::Owner() const {
    // Dialogs never take a window that is gone as their owner.
    if (HWND owner = TSessionContext::Owner()) return owner;
    return ClientMain && IsWindow(ClientMain) ? ClientMain : nullptr;
}

HWND TPluginParams::HostTarget() const {
    if (CurrentHostForm && IsWindow(CurrentHostForm)) return CurrentHostForm;
    return ClientMain && IsWindow(ClientMain) ? ClientMain : nullptr;
}

HWND TPluginParams::MessageWindow() const {
    if (CurrentMessageWindow && IsWindow(CurrentMessageWindow)) return CurrentMessageWindow;
    HWND target = HostTarget();
    HWND active = target ? reinterpret_cast<HWND>(SendMessageA(target, host::kHostGetWindow, host::kWindowActiveMdi, 0))
                         : nullptr;
    return active && IsWindow(active) ? active : nullptr;
}

void TPluginParams::FetchKeyFromServer(const std::string& keyId) {
    if (!keyId.empty()) FetchKey(*this, keyId);
}

TSessionForm* TPluginParams::Init(int mode, const std::string& formParameter, HWND hostForm) {
    Mode = mode;
    FormParameter = formParameter;
    CurrentHostForm = hostForm;
    if (formParameter.empty()) {
        if (!objectsMade_) {
            ReadRegistry();
            LoadResources();
            CreateObjects();
        }
        if (!InstallDir.empty()) SetCurrentDirectoryA(InstallDir.c_str());
        return nullptr;
    }
    OutcomeFlags = {};
    AutomationActive = mode != host::kFormModeLauncher && Automation() != nullptr;
    if (InLauncher()) {
        SetupCommand = UpperCase(Argument(1));
        SilentSetup = InSetup() && UpperCase(Argument(2)) == kSilentSwitch;
    }
    TSessionForm* form = CreateFormWindow(mode, formParameter, hostForm);
    if (!form) return nullptr;
    if (form->InLauncher() && !Hook)
        Hook = SetWindowsHookExA(WH_CALLWNDPROC, &TPluginParams::CenteringHook, nullptr, GetCurrentThreadId());
    return form;
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

TSessionForm* TPluginParams::CreateFormWindow(int mode, const std::string& parameter, HWND hostForm) {
    RegisterSessionClass();
    auto form = std::make_unique<TSessionForm>();
    form->Parameter = parameter;
    form->Mode = mode;
    form->HostForm = hostForm;
    TSessionForm* raw = form.get();
    // Known before the window exists: its first messages already find it.
    forms_.push_back(std::move(form));
    const DWORD style = hostForm ? WS_CHILD : WS_POPUP;
    HWND wnd = CreateWindowExA(0, kSessionWindowClass, "", style, 0, 0, 0, 0, hostForm, nullptr, Module, raw);
    if (!wnd) {
        ForgetForm(raw);
        return nullptr;
    }
    return raw;
}

void TPluginParams::ForgetForm(TSessionForm* form) {
    for (auto it = forms_.begin(); it != forms_.end(); ++it)
        if (it->get() == form) {
            forms_.erase(it);
            return;
        }
}

void TPluginParams::CloseForm(TSessionForm* form) {
    if (!form) return;
    HWND wnd = form->Window;
    if (wnd && IsWindow(wnd) && DestroyWindow(wnd)) return;  // WM_DESTROY forgot the form
    if (wnd && IsWindow(wnd)) SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    ForgetForm(form);
}

TSessionForm* TPluginParams::OpenForm(const std::string& parameter) const {
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it)
        if ((*it)->Parameter == parameter) return it->get();
    return nullptr;
}

bool TPluginParams::LauncherFormOpen() const {
    for (const auto& form : forms_)
        if (form->InLauncher()) return true;
    return false;
}

void TPluginParams::SetOpenWindow(TWindowKind kind, ui::Form* form) {
    openWindows_[static_cast<std::size_t>(kind)] = form;
}

bool TPluginParams::CheckPGPConfig() { return PGPData && PGPData->CheckPGPConfig(); }

void TPluginParams::ShowHelp(int context) {
    const ui::Form* config = OpenWindow(TWindowKind::Config);
    const bool dialogOpen = config || OpenWindow(TWindowKind::AddrBox) || OpenWindow(TWindowKind::SelBox);
    if (dialogOpen) {
        if (context == 0) return;
        // The installation delivers the HTML page; a help file is used only
        // where one was put beside it.
        if (FileExists(HelpFile)) {
            const UINT command = config && context > 29 ? HELP_CONTEXT : HELP_CONTEXTPOPUP;
            WinHelpA(Owner(), HelpFile.c_str(), command, static_cast<ULONG_PTR>(context));
            return;
        }
    }
    if (FileExists(HtmlHelpPage)) {
        ShellExecuteA(Owner(), "open", HtmlHelpPage.c_str(), nullptr, InstallDir.c_str(), SW_SHOWNORMAL);
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
            auto* form = static_cast<TSessionForm*>(create->lpCreateParams);
            if (form) form->Window = wnd;
            SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        }
        auto* form = reinterpret_cast<TSessionForm*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
        if (form && g_session) return g_session->HandleMessage(*form, wnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT TPluginParams::HandleMessage(TSessionForm& form, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_DESTROY:
        // Nothing reaches the form after this; the object goes last.
        SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        FormClosed(form);
        return 0;
    case WM_TIMER:
        if (wp == kStartTimer) {
            KillTimer(wnd, kStartTimer);
            const ui::Form* target = OpenWindow(form.Parameter == merrowin::kFormManager ? TWindowKind::Manager : TWindowKind::Viewer);
            PostTo(target, host::kFormMsgCommand, 0, host::kCommandStart);
            return 0;
        }
        break;
    case host::kFormMsgStart:
        CurrentMessageWindow = form.HostForm ? GetWindow(form.HostForm, GW_HWNDFIRST) : nullptr;
        return 0;
    case host::kFormMsgQuery:
        return host::kFormQueryAnswer;
    case host::kFormMsgHide:
        if (form.HostForm)
            SetWindowPos(form.HostForm, HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        return 0;
    case host::kFormMsgCommand:
        RouteCommand(form, wp, lp);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void TPluginParams::FormClosed(TSessionForm& form) {
    if (!form.InLauncher()) {
        HWND automation = Automation();
        if (automation && ClientMain && IsWindowVisible(ClientMain)) {
            PostMessageA(automation, automation::AM_SESSIONCLOSED, OutcomeFlags[0], OutcomeFlags[3]);
            OwnerWindow = ClientMain;
        }
    }
    if (form.Parameter == merrowin::kFormManager) SetOpenWindow(TWindowKind::Manager, nullptr);
    if (form.Parameter == merrowin::kFormViewer || form.Parameter == merrowin::kFormFolder) SetOpenWindow(TWindowKind::Viewer, nullptr);
    if (form.Parameter == merrowin::kFormServer) SetOpenWindow(TWindowKind::Server, nullptr);
    // The last FORMINIT's parameter belongs to this form when its host is this form's.
    if (FormParameter == form.Parameter && CurrentHostForm == form.HostForm) FormParameter.clear();
    ForgetForm(&form);
    // The centring hook lives as long as a launcher form is open.
    if (Hook && !LauncherFormOpen()) {
        UnhookWindowsHookEx(Hook);
        Hook = nullptr;
    }
}

void TPluginParams::RouteCommand(const TSessionForm& form, WPARAM wp, LPARAM lp) {
    if (LOWORD(wp) == host::kCommandRawView && lp == 0) {
        OutcomeFlags[2] = 1;
        OutcomeFlags[1] = HIWORD(wp) != 0 ? 1 : 0;
    }
    const bool manager = form.Parameter == merrowin::kFormManager;
    const bool viewer = form.Parameter == merrowin::kFormViewer || form.Parameter == merrowin::kFormFolder;
    if (manager || viewer) {
        if (lp == host::kCommandStart) {
            if (form.Window) SetTimer(form.Window, kStartTimer, kStartTimerMs, nullptr);
        } else {
            const ui::Form* target = OpenWindow(manager ? TWindowKind::Manager : TWindowKind::Viewer);
            if (IsForeground(target) || lp == host::kCommandForce) PostTo(target, host::kFormMsgCommand, wp, lp);
        }
    }
    for (TWindowKind kind : {TWindowKind::AddrBox, TWindowKind::SelBox})
        if (IsForeground(OpenWindow(kind))) PostTo(OpenWindow(kind), host::kFormMsgCommand, wp, lp);
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
    HWND owner = Owner();
    const bool dialog = (cls == "#32770" || cls == host::kPgpDialogClass) && parent && owner &&
                        GetParent(parent) == owner;
    const bool other = cls != "TfrmHotHint" && cls != "#32768" && (!parent || parent == owner);
    if (!dialog && !other) return;
    for (const auto& form : forms_)
        if (wnd == form->Window) return;
    HWND over = parent ? parent : owner;
    if (over == wnd) over = ClientMain;
    CenterOver(wnd, over);
    SetFocus(wnd);
}

}  // namespace orv
