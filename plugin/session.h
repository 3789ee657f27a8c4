#pragma once
// TPluginParams: the main library's one session, from load to unload. It
// holds the paths from the registry, the string library, the hidden session
// window that hears the mail client's forms messages, and the objects that
// everything else reaches (configuration store, MIME toolkit, message boxes).

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "plugin/mail_client.h"
#include "plugin/pgp_data.h"

namespace orv {

class TMsgBox;
class TMCFuncs;
// The encryptor operations with their assembly and jobs (the main library's
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

// Class of the hidden session window.
constexpr const char* kSessionWindowClass = "ORVKVSEC";
// Registry: the install directory and the mail client's directories.
constexpr const char* kInstallKey = "Software\\Tamberlow\\Fennick";
constexpr const char* kInstallValue = "InstallDir1";
constexpr const char* kConfigFileName = "Merrowin.cfg";
constexpr const char* kHelpFileName = "PGPCfg.hlp";
constexpr const char* kHtmlHelpName = "DODIreva.htm";
// Timer of the session window that starts a form's first command.
constexpr UINT_PTR kStartTimer = 1;
constexpr UINT kStartTimerMs = 10;

// How the session makes and frees its encryptor operations; set by the
// library that has them before the session starts.
void SetPMFuncsFactory(TPMFuncsFactory make, TPMFuncsRelease release);

// A registry directory text: a non-empty value gets a trailing "\".
std::string DirectoryText(std::string value);

class TPluginParams {
public:
    explicit TPluginParams(HINSTANCE module);
    ~TPluginParams();
    TPluginParams(const TPluginParams&) = delete;
    TPluginParams& operator=(const TPluginParams&) = delete;

    // The session initialisation: with an empty form parameter the
    // resources, the string library and the objects (once); with one, the
    // session window. False when a window was wanted and not made.
    bool Init(int mode, const std::string& formParameter, HWND hostForm);
    void ReadRegistry();
    void DestroySessionWindow();

    // Help for a context of the open dialog, or the HTML page.
    void ShowHelp(int context);
    // The PGP configuration check of the store, false without one.
    bool CheckPGPConfig();
    // Keeps the store's links and the windows' session in step with the fields.
    void SyncLinks();
    bool InLauncher() const { return Mode == host::kFormModeLauncher; }

    HINSTANCE Module = nullptr;
    HICON Icon = nullptr;
    HCURSOR HandCursor = nullptr;
    HBITMAP bmpOK = nullptr, bmpHelp = nullptr, bmpCancel = nullptr, bmpPicture = nullptr, bmpKey = nullptr,
            bmpFind = nullptr;
    HWND SessionWindow = nullptr;
    ui::Form* frmManager = nullptr;
    ui::Form* frmViewer = nullptr;
    ui::Form* frmServer = nullptr;
    ui::Form* frmPGPConfig = nullptr;
    ui::Form* frmPGPFind = nullptr;
    ui::Form* frmPGPDlg = nullptr;
    ui::Form* frmHotHint = nullptr;
    ui::Form* frmInfoBox = nullptr;
    ui::Form* frmAddrBox = nullptr;
    ui::Form* frmSelBox = nullptr;
    ui::Form* frmOwner = nullptr;
    int Mode = 0;
    HWND HostForm = nullptr;
    HWND OwnerWindow = nullptr;
    HWND ClientMain = nullptr;
    DWORD ClientMdi = 0;
    HWND AutomationWindow = nullptr;
    HWND CurrentMessageWindow = nullptr;
    HHOOK Hook = nullptr;
    HMODULE StringLibrary = nullptr;
    bool AutomationActive = false;
    std::string WindowsVersion;
    std::string PGPVersion;
    std::string InstallDir;
    std::string BaseDir;
    std::string MailboxDir;
    std::string ConfigFile;
    std::string HelpFile;
    std::string HtmlHelpPage;
    std::string FormParameter;
    std::string SetupCommand;
    std::unique_ptr<ui::TOpenDialogEx> OpenFileDlg;
    std::unique_ptr<ui::TSaveDialogEx> SaveFileDlg;
    TSessionLinks Links;
    std::unique_ptr<TPGPData> PGPData;
    std::unique_ptr<TMCFuncs> MCFuncs;
    std::unique_ptr<TMsgBox> MsgBox;
    // Made with the other objects; freed before the configuration store,
    // whose passphrase cache its jobs use.
    std::unique_ptr<TPMFuncsObjects, TPMFuncsRelease> PMFuncs{nullptr, nullptr};
    long(__stdcall* GetErrorStr)(long code, const char** text) = nullptr;
    // [0] an encode ran, [1] the host's run-anyway mark, [2] the host's
    // keep-as-is mark, [3] a decode handled a PGP/MIME message.
    std::array<std::uint8_t, 4> OutcomeFlags{};

private:
    void LoadResources();
    bool CreateObjects();
    void RegisterSessionClass();
    bool CreateSessionWindow();
    LRESULT HandleMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    void RouteCommand(WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SessionWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK CenteringHook(int code, WPARAM wp, LPARAM lp) noexcept;
    void CenterShownWindow(HWND wnd);

    bool classRegistered_ = false;
    bool objectsMade_ = false;
};

// The library-wide session; null before the library start and after its end.
TPluginParams* Session();
void StartSession(HINSTANCE module);
void EndSession();

}  // namespace orv
