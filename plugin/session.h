#pragma once
// TPluginParams: the main library's one session, from load to unload. It
// holds the paths from the registry, the string library, the forms the mail
// client opened (each with its hidden window that hears the forms messages),
// and the objects that everything else reaches (configuration store,
// encryptor operations, MIME toolkit, message boxes). The session is the
// context the store reads and the session the windows see: each fact has its
// one field here.

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/installation.h"
#include "interfaces/mail_client.h"
#include "plugin/pgp_data.h"
#include "ui/look.h"

namespace orv {

class TMsgBox;
class TMCFuncs;
// The encryptor operations over the store's jobs (the main library's
// encryptor functions make and use them).
struct TPMFuncsObjects;
class TPluginParams;
using TPMFuncsFactory = TPMFuncsObjects* (*)(TPluginParams& session);
using TPMFuncsRelease = void (*)(TPMFuncsObjects* objects);
namespace ui {
class Form;
class TOpenDialogEx;
class TSaveDialogEx;
}  // namespace ui

// Class of the hidden session window of a form.
constexpr const char* kSessionWindowClass = "ORVKVSEC";
constexpr const char* kHtmlHelpName = "DODIreva.htm";
// Timer of the session window that starts a form's first command.
constexpr UINT_PTR kStartTimer = 1;
constexpr UINT kStartTimerMs = 10;

// How the session makes and frees its encryptor operations; set by the
// library that has them before the session starts.
void SetPMFuncsFactory(TPMFuncsFactory make, TPMFuncsRelease release);

// The windows of the main library that the session routes commands and help
// to while they are open.
enum class TWindowKind { Manager, Viewer, Server, Config, AddrBox, SelBox, Count };

// One form the mail client (or the launcher) opened with FORMINIT: its
// parameter, mode and host window, and the hidden window that hears the
// forms messages for it.
struct TSessionForm {
    std::string Parameter;
    int Mode = 0;
    HWND HostForm = nullptr;
    HWND Window = nullptr;
    bool InLauncher() const { return Mode == host::kFormModeLauncher; }
};

class TPluginParams : public TSessionContext, public ui::Session {
public:
    explicit TPluginParams(HINSTANCE module);
    ~TPluginParams() override;
    TPluginParams(const TPluginParams&) = delete;
    TPluginParams& operator=(const TPluginParams&) = delete;

    // The session initialisation: with an empty form parameter the
    // resources, the string library and the objects (once); with one, a
    // new form with its session window, beside any form already open. Null
    // when a form was wanted and no window made.
    TSessionForm* Init(int mode, const std::string& formParameter, HWND hostForm);
    void ReadRegistry();
    // Destroys the form's window (which forgets the form).
    void CloseForm(TSessionForm* form);

    // Help for a context of the open dialog, or the HTML page.
    void ShowHelp(int context);
    // The PGP configuration check of the store, false without one.
    bool CheckPGPConfig();
    bool InLauncher() const { return Mode == host::kFormModeLauncher; }
    // The newest open form of that parameter; null when none is open.
    TSessionForm* OpenForm(const std::string& parameter) const;
    std::size_t OpenFormCount() const { return forms_.size(); }
    // The open window of each kind: a window sets itself while it is open.
    void SetOpenWindow(TWindowKind kind, ui::Form* form);
    ui::Form* OpenWindow(TWindowKind kind) const { return openWindows_[static_cast<std::size_t>(kind)]; }

    // ---- What the windows see (ui::Session) ---------------------------------
    HICON Icon() const override { return IconHandle; }
    HWND Owner() const override;
    void SetOwner(HWND owner) override { OwnerWindow = owner; }
    HWND HostMain() const override { return ClientMain; }
    HWND HostForm() const override { return CurrentHostForm; }
    // Where host messages go: the last form's host window while it lives,
    // else the client's main window (a form that asked a question and
    // closed must not leave the encryptor talking to nobody).
    HWND HostTarget() const;
    // The message window the encryptor works on: the one of the last form
    // start while it lives, else the client's active message window.
    HWND MessageWindow() const;
    bool InsideHost() const override { return !InLauncher() && CurrentHostForm != nullptr; }
    bool StandardColors() const override { return PGPData && PGPData->Settings.Standard; }
    std::string PGPVersionText() const override { return PGPVersion; }
    std::string WindowsVersionText() const override { return WindowsVersion; }
    void FetchKeyFromServer(const std::string& keyId) override;

    HINSTANCE Module = nullptr;
    HICON IconHandle = nullptr;
    // The last FORMINIT's mode, form parameter and host window: the encryptor
    // functions that follow work for it.
    int Mode = 0;
    std::string FormParameter;
    HWND CurrentHostForm = nullptr;
    HWND ClientMain = nullptr;
    DWORD ClientMdi = 0;
    HWND CurrentMessageWindow = nullptr;
    HHOOK Hook = nullptr;
    bool AutomationActive = false;
    std::string WindowsVersion;
    std::string PGPVersion;
    std::string BaseDir;
    std::string HelpFile;
    std::string HtmlHelpPage;
    std::unique_ptr<ui::TOpenDialogEx> OpenFileDlg;
    std::unique_ptr<ui::TSaveDialogEx> SaveFileDlg;
    std::unique_ptr<TPGPData> PGPData;
    std::unique_ptr<TMCFuncs> MCFuncs;
    // Made with the other objects; freed before the configuration store,
    // whose jobs and passphrase cache it uses.
    std::unique_ptr<TPMFuncsObjects, TPMFuncsRelease> PMFuncs{nullptr, nullptr};
    // [0] an encode ran, [1] the host's run-anyway mark, [2] the host's
    // keep-as-is mark, [3] a decode handled a PGP/MIME message.
    std::array<std::uint8_t, 4> OutcomeFlags{};

private:
    void LoadResources();
    bool CreateObjects();
    void RegisterSessionClass();
    TSessionForm* CreateFormWindow(int mode, const std::string& parameter, HWND hostForm);
    void ForgetForm(TSessionForm* form);
    LRESULT HandleMessage(TSessionForm& form, HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    void FormClosed(TSessionForm& form);
    void RouteCommand(const TSessionForm& form, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SessionWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK CenteringHook(int code, WPARAM wp, LPARAM lp) noexcept;
    void CenterShownWindow(HWND wnd);
    bool LauncherFormOpen() const;

    bool classRegistered_ = false;
    bool objectsMade_ = false;
    std::vector<std::unique_ptr<TSessionForm>> forms_;
    std::array<ui::Form*, static_cast<std::size_t>(TWindowKind::Count)> openWindows_{};
};

// The library-wide session; null before the library start and after its end.
TPluginParams* Session();
void StartSession(HINSTANCE module);
void EndSession();

}  // namespace orv
