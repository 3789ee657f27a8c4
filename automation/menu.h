#pragma once
// The frontend menu: "&Orvane" in the client's menu bar and its entry in the
// Window menu, the plug-in's toolbar buttons chosen by ButtonMask, the
// encrypt/sign popup, the add-key / add-address popup, the hints on the
// client's status line, the menu help and the status-bar tip. Every command
// ends in the automation window and is dispatched here.

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formats/profile_text.h"
#include "formats/settings.h"
#include "strings/text_numbers.h"

namespace orv::automation {

class TPLData;

// Command identifiers of the frontend menu as the automation window gets
// them; the menu bar carries them + 0x1000.
enum FrontendCommand : WORD {
    kCmdBringToFront = 0x2001,
    kCmdManager = 0x2002,
    kCmdConfig = 0x2003,
    kCmdHelp = 0x2004,
    kCmdAbout = 0x2005,
    kCmdWipe = 0x2006,
    kCmdEncrypt = 0x2007,
    kCmdSign = 0x2008,
    kCmdEncryptSign = 0x2009,
    kCmdPgpMime = 0x200A,
    kCmdPgpExt = 0x200B,
    kCmdFullAuto = 0x200C,
    kCmdDecryptMessage = 0x200D,
    kCmdDecryptFolder = 0x200E,
    kCmdVerify = 0x200F,
    kCmdAddKeys = 0x2010,
    kCmdDeleteKeys = 0x2011,
    kCmdExtractKey = 0x2012,
    kCmdFingerprint = 0x2013,
    kCmdPgpKeys = 0x2014,
    kCmdAddAddress = 0x401D,
    kCmdKeyFromServer = 0x401E,
};
constexpr WORD kMenuBarOffset = 0x1000;

// lParam codes of the toolbar buttons (wParam 0).
enum ButtonCode : LPARAM {
    kButtonWipe = 1024,
    kButtonAutoList = 1025,
    kButtonEncryptSignMenu = 1026,
    kButtonDecrypt = 1027,
    kButtonVerify = 1028,
    kButtonManage = 1029,
    kButtonPgpKeys = 1030,
};

// ButtonMask from "Merrowin.cfg" [Toolbar]: bit 0 wipe, one of bits 1-4 the
// encrypt/sign button, bits 5-8 decrypt, verify, manage, PGPkeys.
struct ToolbarOptions {
    bool fileExists = false;
    bool wipePass = KeyOf(Cfg::WipePass).fallback;
    int encSign = KeyOf(Cfg::EncSign).fallback;
    bool decrypt = KeyOf(Cfg::Decrypt).fallback, verify = KeyOf(Cfg::Verify).fallback,
         manage = KeyOf(Cfg::Manage).fallback, pgpKeys = KeyOf(Cfg::PGPkeys).fallback;
};
std::uint16_t ButtonMaskOf(const ToolbarOptions& options);
ToolbarOptions ReadToolbarOptions(const std::string& configFile);

using TextSource = std::function<std::string(txt::TextNo)>;

struct ButtonSpec {
    std::string bitmap;   // file name in the installation directory
    std::string tooltip;
    WPARAM wParam;
    LPARAM lParam;
};
// The buttons in the order they are added.
std::vector<ButtonSpec> ToolbarButtonsOf(std::uint16_t mask, const TextSource& text);
// The string-library text that hints a frontend command (0x2001-0x2014, or
// + 0x1000 in the menu bar); 0 for none.
int HintTextNumber(WORD id);
// Menu texts that carry their accelerator where the string library has none.
std::string VerifyItemText(const std::string& verifyButton);
std::string PgpKeysItemText(const std::string& pgpKeysButton);

class TFrontendMenu {
public:
    explicit TFrontendMenu(TPLData& pl);
    // Takes the menu out of the menu bar, the buttons off the toolbar and
    // destroys the popups.
    ~TFrontendMenu();
    TFrontendMenu(const TFrontendMenu&) = delete;
    TFrontendMenu& operator=(const TFrontendMenu&) = delete;

    // At the automation window's creation: ButtonMask, the menu in the
    // frame's menu bar, the toolbar buttons.
    void Attach();
    // Into a menu bar (also one the client sets for its MDI windows).
    void InsertInto(HMENU bar, HMENU windowMenu = nullptr);
    // Gray "&Orvane" while a main library window is open.
    void EnableFrontend();
    void SetWipeEnabled(bool enabled);

    // Frame and automation window messages.
    void OnInitMenuPopup(HMENU popup);
    void OnExitMenuLoop();
    void OnMenuSelect(WPARAM wp, LPARAM lp);
    void OnHelp(const HELPINFO& info);
    void OnCommand(WPARAM wp, LPARAM lp);
    // Right button on the toolbar or the status bar; true when it was taken.
    bool OnRightButtonDown(HWND target);
    void OnRightButtonUp();
    // The add-key / add-address popup for the reader or the folder
    // manager's preview; at the reader's centre or at the cursor. True when
    // it was shown.
    bool OfferAddMenu(bool atCentre);

    std::uint16_t ButtonMask() const { return buttonMask_; }
    const std::string& FrontendButtonText() const { return frontendButtonText_; }
    HMENU Popup() const { return frontend_; }

private:
    std::string Text(txt::TextNo n) const;
    void Build();
    void AddButtons();
    void RemoveButtons();
    void RemoveFromMenuBar();
    void RebuildWindowMenu(HMENU menu);
    void OnFrontendCommand(WORD id);
    void OnButton(LPARAM code);
    void SendOnEditor(std::uint32_t mode);
    void ToggleOption(BYTE& option, Cfg key, WORD item);
    void ToggleFullAutomation();
    void DecryptActiveReader();
    void AskAutoEnable();
    void DeleteKeys();
    void ShowEncryptSignMenu();
    void ShowAddMenu(const std::string& text, bool isKey, bool atCentre, HWND reader);
    void Track(HMENU menu, POINT at);
    void ShowHint(WORD id);
    void ShowHintText(const std::string& hint);
    void ShowStatusTip(HWND statusStatic);
    void CloseStatusTip();
    void CheckItem(WORD item, bool checked);
    bool ConfigExists() const;
    void WriteConfig(const std::vector<ProfileValue>& values) const;

    TPLData& pl_;
    HMENU frontend_ = nullptr;
    HMENU program_ = nullptr;
    std::array<LRESULT, 7> buttonIds_{};
    std::uint16_t buttonMask_ = 0x1FF;
    std::string frontendButtonText_;
    std::string keyOrAddress_;
    // The hint on the status line: sent, so the client copies it before the
    // next highlight changes it.
    std::string hintText_;
    HWND tipFrame_ = nullptr;
    HWND tipText_ = nullptr;
};

constexpr const char* kFrontendTitle = "&Orvane";
constexpr const char* kProgramSubmenuTitle = "Orvane";

}  // namespace orv::automation
