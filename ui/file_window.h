#pragma once
// TfrmServer: the stand-alone window for files. The user drops files on it,
// names them on the command line or picks them in the open dialog, and
// encrypts or decrypts them one after another; decrypted text is shown in the
// window instead of being saved.

#include <cstdint>
#include <string>
#include <vector>

#include "interfaces/file_window.h"
#include "ui/drop_edit.h"
#include "ui/file_dialog_ex.h"
#include "ui/flat_btn.h"
#include "ui/window.h"

namespace orv::ui {

// What the window needs of the session: the jobs over the engine, the
// session's file dialogs, its message boxes and its configuration dialog.
class TServerJobs {
public:
    virtual ~TServerJobs() = default;

    // The frame of a run: the passphrase cache's expiry timer stopped before,
    // re-armed with the configured seconds after.
    virtual void BeginRun() = 0;
    virtual void EndRun() = 0;
    // 0 on success; encrypted tells whether the file holds encrypted data.
    // Failures are reported to the user by the job.
    virtual long AnalyzeFile(const std::string& path, bool& encrypted) = 0;
    // Encrypts the source to, or decodes it into, the output; 0 on success.
    // The output is written whole before it takes the name.
    virtual long FileJob(const std::string& source, const std::string& output, bool encrypt) = 0;
    // The secure delete; true when the file is gone.
    virtual bool WipeFile(const std::string& path) = 0;
    // Gives a finished file the target's name, replacing what was there only
    // once the whole content is in place, without holding the content in
    // memory; true on success.
    virtual bool PlaceFile(const std::string& from, const std::string& to) = 0;

    virtual TOpenDialogEx& OpenDialog() = 0;
    virtual TSaveDialogEx& SaveDialog() = 0;
    virtual void Error(const std::string& text) = 0;
    virtual void Warn(const std::string& text) = 0;
    virtual void Info(const std::string& text) = 0;
    // A question with No as the default: mrYes, mrNo, or another modal
    // result when the box closed without an answer (which is neither).
    virtual int Ask(const std::string& text) = 0;
    // The configuration dialog; the window's settings are read again after.
    virtual void ShowConfig() = 0;
};

// A flat button whose accelerator is the letter after the "&" of its hint,
// as the session's hot-key helper sets it.
class THintBtn : public TFlatBtn {
public:
    bool DialogChar(char upper) override;
};

// The status panel that stands over the edit while the configuration loads.
class TStatusPanel : public TPanel {
protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

// The view panel, whose contents sit in a lowered inner bevel.
class TBevelPanel : public TPanel {
public:
    int bevelInset = 0;

protected:
    void EraseBackground(HDC dc) override;
};

class TfrmServer : public Form {
public:
    explicit TfrmServer(TServerJobs& jobs);
    ~TfrmServer() override;

    // Creates the window; the files (from the command line) are run through
    // Decrypt on the first activation.
    bool Create(const std::vector<std::string>& startFiles);

    TPanel pnButtons;
    TPanel pnTop;
    THintBtn fbConfig;
    THintBtn fbWrap;
    THintBtn fbFindFirst;
    THintBtn fbFindNext;
    TPanel pnBottom;
    THintBtn fbDecrypt;
    THintBtn fbEncrypt;
    TBevelPanel pnView;
    TPanel pnSpace;
    TDropEdit deServer;
    TStatusPanel pnLoadCfg;

    // The button pressed decides the direction for the whole run.
    void fbClick(bool encrypt);
    void deServerFileDropped();
    void fbConfigClick();
    void fbWrapClick();
    void fbFindFirstClick();
    void fbFindNextClick();

protected:
    bool PreviewKey(MSG& msg) override;
    void BeforeShow() override;
    HWND InitialFocus() override;
    bool CloseQuery() override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    enum class Outcome { Done, Failed };

    void ApplyColors();
    void ShowCaption(bool idle = false);
    void ShowLoadStatus(bool show);
    bool NextSource(bool firstOfRun);
    void ProcessSource();
    long TryFile();
    long ChooseOutput(bool encrypted);
    bool AskOutputName(bool forDecrypted);
    long RefuseOutput();
    void ForgetCreatedOutput();
    void AfterProcessing();
    bool ShowDecryptedText();
    bool SaveTemporaryOutput();
    void DropTemporaryOutput() noexcept;
    bool Agreed(const std::string& question);
    void OfferDeleteSource();
    void ShowText(const std::string& text);
    void SearchText(bool fromStart);
    void StartExplorer();

    TServerJobs& jobs_;
    bool encrypt_ = false;
    bool running_ = false;
    bool activated_ = false;
    std::string source_;
    std::string sourceDir_;
    std::string output_;
    std::string outputDir_;
    std::string outputExt_;
    bool askName_ = false;
    bool sameExtension_ = false;
    bool sameExtensionAsked_ = false;
    bool sourceEncrypted_ = false;
    bool temporaryOutput_ = false;
    bool outputExisted_ = false;
    long lastResult_ = 0;
    // Outputs this run wrote: a later file of the run may not replace one.
    std::vector<std::string> written_;
    std::string rawText_;
    bool wrap_ = false;
    std::string searchText_;
    std::uint8_t searchOptions_ = 0;
    bool searchRunning_ = false;
};

// The limit of text the window shows (32 MiB).
constexpr std::size_t kServerTextLimit = 33554432;

}  // namespace orv::ui
