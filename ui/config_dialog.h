#pragma once
// TfrmPGPConfig: the configuration dialog. It edits a ConfigValues record:
// the opening values and the working values come from the services when it
// opens, the controls edit the working copy, and closing compares the two
// and lets the services save by the rules of how the dialog was closed.

#include "ui/cb_extend.h"
#include "ui/config_values.h"
#include "ui/cust_check.h"
#include "ui/cust_radio.h"
#include "ui/flat_btn.h"
#include "ui/mask_ed_ex.h"
#include "ui/page_control.h"
#include "ui/window.h"

#include <map>

namespace orv::ui {

// How a save went.
enum class SaveResult {
    Saved,        // file written and every value applied
    PartlySaved,  // file written and applied; a further store refused (reported)
    NotSaved,     // nothing written, nothing applied (reported)
};

// What the dialog needs of the session, the engine and the mail client.
class ConfigServices {
public:
    virtual ~ConfigServices() = default;
    // Reads the engine's first key server, the file (with the dialog's
    // defaults) and the host's settings into `opening`; `working` is the copy
    // with the session's defaults filled in where the file names nothing.
    virtual void Load(ConfigValues& opening, ConfigValues& working) = 0;
    virtual std::vector<SecretKeyItem> SecretKeys() = 0;
    virtual bool InsideHost() const = 0;
    // The launcher's per-user setup: changes are saved without asking.
    virtual bool SetupMode() const = 0;
    // The passphrase time the session works with now.
    virtual int StoredPassphraseTime() const = 0;
    // Directory of the configuration file, ending in "\".
    virtual std::string ConfigDirectory() const = 0;
    // Saves the working values; reports failures itself.
    virtual SaveResult Save(const ConfigValues& opening, const ConfigValues& working) = 0;
    virtual void ShowHelp(int context, bool asTopic) = 0;
    // Lets the user choose a mail folder (with the host's main window as the
    // dialog's parent meanwhile) and reads it; false when nothing was read.
    virtual bool ReadChosenFolder(HWND dialog, std::string& folder) = 0;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void Error(const std::string& text) = 0;
    virtual void Warn(const std::string& text) = 0;
    virtual void Info(const std::string& text) = 0;
    virtual bool Confirm(const std::string& text) = 0;
};

// What closing decided.
struct ConfigOutcome {
    bool changed = false;
    bool saved = false;           // written (also partly)
    bool toolbarChanged = false;  // and saved: the mail client has to restart
};

// Help contexts of the dialog.
constexpr int kConfigHelpContext = 32;
constexpr int kButtonsHelpContext = 30;

class TfrmPGPConfig : public Form {
public:
    // How the dialog was closed: OK, Cancel, or anything else (Enter, Esc,
    // the close box).
    enum class CloseReason { Ok, Cancel, Other };

    explicit TfrmPGPConfig(ConfigServices& services);
    ~TfrmPGPConfig() override;

    bool Create(HWND owner = nullptr);
    // Shows the dialog modally, then saves by the closing rules.
    ConfigOutcome Execute();

    const ConfigValues& Opening() const { return opening_; }
    const ConfigValues& Working() const { return working_; }
    // The controls' values into the working copy (host values only inside
    // the host); false with the port field holding no port.
    bool ReadControls() { return ReadControls(working_); }
    bool ReadControls(ConfigValues& v);

    TPageControl pcConfig;
    TPanel pnButtons;
    TFlatBtn fbOk, fbHelp, fbCancel;
    // PGP Defaults
    TLabel lblName, lblKeyAlgorithm, lblServer, lblSecring, lblPubring, lblGroups, lblComment;
    TPlainCBEx cbxName;
    TCustCheckBox cbAlwaysDefault;
    TPlainCBEx cbxServerProtocol;
    TMaskEdEx edServerName, meServerPort;
    class TPathEdit : public TMaskEdEx {
    public:
        std::function<void()> onChoose;

    protected:
        LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

    private:
        void ShowPathHint();
        bool hintShown_ = false;
    };
    TPathEdit edSecring, edPubring, edGroups;
    TMaskEdEx edComment;
    // Pegasus/Toolbar
    TGroupBox gbPegasus, gbButtons;
    TLabel lblLines, lblMargin, lblEncSigBtn;
    TSpinEdEx seLines, seMargin;
    TFlatBtn fbCheck;
    TCustCheckBox cbMimeEnclosure;
    TPanel pnNoChange;
    TLabel lblNoChange;
    TCustCheckBox cbWipePass, cbDecrypt, cbVerify, cbManage, cbPGPkeys;
    TPlainCBEx cbxEncSigBtn;
    // Plugin Options
    TGroupBox gbEncode, gbDecode;
    TCustCheckBox cbPellatch, cbHideKeyDlg, cbEncAttach, cbConfirmEnc, cbMixWarn, cbADKWarn;
    TCustCheckBox cbCheckKey, cbServerLookup, cbCheckSig;
    TCustRadioBtn rbNot, rbIntern, rbExtern;
    TLabel lblStorePass, lblSeconds, lblWipeCount;
    class TSecondsEdit : public TSpinEdEx {
    public:
        std::function<void()> onFocus;

    protected:
        LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    };
    TSecondsEdit seSeconds;
    TSpinEdEx seCount;
    TCustCheckBox cbStdColor;

    CloseReason closeReason = CloseReason::Other;

protected:
    bool PreviewKey(MSG& msg) override;
    void BeforeShow() override;
    HWND InitialFocus() override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void CreatePGPPage(TPanel& page);
    void CreatePegasusPage(TPanel& page);
    void CreatePluginPage(TPanel& page);
    void SetHelpContexts();
    void FillControls();
    void FillKeyList();
    void ChooseRingFile(TPathEdit& field, const char* keyName);
    void CheckHeaderLength();
    void UpdateSecondsLabel();
    void UpdateRadios();
    void UpdateKeyAlgorithm();
    void WidenKeyList(bool dropped);
    bool ClosingKey(const MSG& msg) const;
    void ShowHelpFor(HWND control, bool fromKey);
    ConfigOutcome CloseAndSave();

    ConfigServices& services_;
    ConfigValues opening_;
    ConfigValues working_;
    // The controls as first filled: what the user saw, whatever the stores
    // hold in another form (a key named differently, a default filled in).
    ConfigValues shown_;
    std::vector<SecretKeyItem> keys_;
    std::map<HWND, int> helpContexts_;
    bool passWarned_ = false;
    int keyListWidth_ = 0;
};

}  // namespace orv::ui
