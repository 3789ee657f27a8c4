#pragma once
// TfrmViewer: the window in which the user reads PGP-protected mail in clear.
// Reader mode decodes the armoured block of the message the mail client's
// reader shows; folder mode reads a whole folder file and shows every message
// of it; text display shows a given text modally. In every use the text can
// be wrapped, searched, copied and saved (optionally encrypted).
//
// The viewer knows neither the mail client nor the engine: it reaches them
// through the two small interfaces below, which the main library implements.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "interfaces/host_messages.h"
#include "ui/col_grip.h"
#include "ui/drop_edit.h"
#include "ui/flat_btn.h"
#include "ui/window.h"

namespace orv::ui {

class TSaveDialogEx;

// What the viewer asks of the mail client and the session around it.
class TViewerHost {
public:
    virtual ~TViewerHost() = default;
    // The form parameter the host started the extension with ("VIEWER", ...).
    virtual std::string Mode() const = 0;
    // The host's command message, which the session relays to the viewer and
    // the viewer posts to itself for its own buttons.
    virtual unsigned CommandMessage() const = 0;
    // The text of the open reader (from the automation plug-in); false when none.
    virtual bool CopiedReaderText(std::string& text) = 0;
    virtual void StatusLine(const std::string& text) = 0;
    // Enables the host menu's find items, when the host has a menu for the form.
    virtual void EnableFindMenu() = 0;
    // Lets the user choose a folder: its name as the host gives it; false
    // when nothing was chosen.
    virtual bool ChooseFolder(std::string& name) = 0;
    virtual std::string MailboxDir() const = 0;
    // Closes the host's folder manager; true when it was open.
    virtual bool CloseFolderManager() = 0;
    virtual void ReopenFolderManager() = 0;
    // The viewer becomes the session's owner form and owner of dialogs.
    virtual void BecomeOwner(Form* form) = 0;
    // The viewer is gone: the session forgets it and, unless the mode says
    // otherwise, the extension ends.
    virtual void ViewerDestroyed(Form* form) = 0;
};

// What the viewer asks of the engine, the message toolkit and the boxes.
class TViewerJobs {
public:
    virtual ~TViewerJobs() = default;
    virtual void Error(const std::string& text) = 0;
    virtual void Info(const std::string& text) = 0;
    virtual bool Confirm(const std::string& text) = 0;
    // Reloads the configuration; true when both key rings were found.
    virtual bool ReloadConfig() = 0;
    // The passphrase cache's expiry timer: stopped for a job, re-armed after.
    virtual void StopCacheTimer() = 0;
    virtual void RearmCacheTimer() = 0;
    virtual void ResetJobs() = 0;
    // The decoding job's batch setting for a run over many messages.
    virtual void SetBatch(bool on) = 0;
    // The armoured block converted according to the headers before it.
    virtual std::string ConvertBlock(const std::string& before, const std::string& block) = 0;
    // Decrypts and/or verifies: the signature report and the decoded text,
    // or the input unchanged.
    virtual std::string DecodeText(const std::string& text) = 0;
    // A whole message as readable text, PGP parts decrypted for viewing.
    virtual std::string ExtractBody(std::string_view message) = 0;
    virtual std::string DecodeHeader(std::string_view text) = 0;
    // Whole files; both report their failures themselves.
    virtual bool ReadFile(const std::string& path, std::string& bytes) = 0;
    // A file of separated records, in blocks that each end after a record.
    virtual bool ReadFile(const std::string& path, char separator, std::size_t blockSize,
                          std::deque<std::string>& blocks) = 0;
    virtual bool WriteFile(const std::string& path, std::string_view bytes) = 0;
    // Encrypts the text into the file (asks for the recipients); true on success.
    virtual bool EncryptTextToFile(const std::string& text, const std::string& path) = 0;
    // The session's save dialog.
    virtual TSaveDialogEx& SaveDialog() = 0;
    // Opens a file with its associated program.
    virtual void OpenFile(const std::string& path) = 0;
};

// A gauge without text: the standard progress bar.
class TGauge : public Window {
public:
    bool Create(Window* parent);
    void SetMax(std::uint32_t max);
    void SetPosition(std::uint32_t position);
    std::uint32_t Position() const { return position_; }
    std::uint32_t Max() const { return max_; }
    void SetColors(COLORREF bar, COLORREF back);

private:
    void Apply();
    int Scaled(std::uint32_t value) const;
    // Draws the bar at its ends, and between them when it has grown by a
    // hundredth of its width and kRedrawInterval ms have passed: the control
    // paints at once on every change, and under Wine a paint costs as much as
    // the work of a small message.
    void Redraw(bool now);
    std::uint32_t max_ = 100;
    std::uint32_t position_ = 0;
    int drawnPixels_ = -1;
    DWORD drawnAt_ = 0;
};

// A panel that shows its caption centred, in bold.
class TCaptionPanel : public TPanel {
public:
    void SetCaption(const std::string& caption);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

// The viewer's limit of a text it shows: what its rich edit holds within the
// 2 GB of a 32-bit process. Under Wine the edit keeps 140 to 200 bytes per
// character it shows, and about 1.1 KB more for every line and every tab,
// which it keeps as items of their own (1.2 million empty lines took 1.8 GB).
// A text counts its bytes and kViewerPieceCost more for each such item; up
// to the capacity the edit holds about 600 MB.
constexpr std::size_t kViewerCapacity = 3145728;
constexpr std::size_t kViewerPieceCost = 6;
// Modal result of a close request during a running operation.
constexpr int mrAbort = 3;
// Messages of a folder file are separated by this character.
constexpr char kFolderSeparator = 26;
constexpr std::size_t kFolderHeaderSize = 128;
// A folder is read in blocks of about this size, each let go once its
// messages are shown, and the shown text grows in rooms of this size.
constexpr std::size_t kFolderBlockSize = 1048576;

class TfrmViewer : public Form {
public:
    TfrmViewer(TViewerHost& host, TViewerJobs& jobs);
    ~TfrmViewer() override;

    // Reader and folder use: a window without owner, shown on start.
    bool Create();
    // Text display: owned by the session's owner, shown modally, no folder button.
    bool CreateForText(HWND owner);
    int ShowText(const std::string& text);

    // Shows the text; false when it was not shown. The viewer keeps the text
    // itself: a caller done with its own hands it over (std::move).
    bool LoadText(std::string text);
    // The text the edit shows.
    std::string ViewText() const;
    const std::string& RawText() const { return rawText_; }
    bool WordWrap() const { return wordWrap_; }
    bool Busy() const { return pnProgress.Visible(); }

    // What the steps of the viewer do, reachable for its commands.
    void Start();
    void RunReaderMode();
    void fbFolderClick();
    void fbWrapClick();
    void Find(bool again);
    // Saves the given text, or the viewer's; false when no file was chosen.
    bool SaveText(const std::string* text);
    void Copy();

    // The proposed name of a saved text: the message's subject, made a bare
    // file name, or "NoName"; ".txt" appended.
    static std::string ProposedTextName(std::string_view text, TViewerJobs& jobs);
    // Data are text when they hold no zero byte before their last character.
    static bool LooksTextual(std::string_view data);
    // The items the edit keeps apart in a text: its line ends (CR LF once)
    // and its tabs.
    static std::size_t EditPieces(std::string_view text);
    static bool FitsViewer(std::size_t bytes, std::size_t pieces) {
        return bytes <= kViewerCapacity && pieces <= (kViewerCapacity - bytes) / kViewerPieceCost;
    }

    TPanel pnButtons;
    TPanel pnTop;
    TFlatBtn fbWrap;
    TFlatBtn fbFindFirst;
    TFlatBtn fbFindNext;
    TFlatBtn fbSave;
    TFlatBtn fbFolder;
    TPanel pnClose;
    TFlatBtn fbClose;
    TColoredGrip cgResize;
    TPanel pnViewer;
    TPanel pnSpace;
    TDropEdit deViewer;
    TPanel pnProgress;
    TCaptionPanel pnLabel;
    TPanel pnCancel;
    TFlatBtn fbCancel;
    TPanel pnBar;
    TGauge gProgress;

protected:
    bool PreviewKey(MSG& msg) override;
    void BeforeShow() override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool CreateWindowAndControls(HWND owner, bool withOwner);
    void CreateButtons();
    void CreateProgress();
    void SetHotHint(TFlatBtn& button, int textNumber);
    void SizeToHost();
    void ApplyColors();
    void PostCommand(unsigned command);
    void OnCommand(WPARAM wp, LPARAM lp);
    void ClickAccelerator(char upper);
    void FormClose();
    void DecodeReaderText(const std::string& before, const std::string& block, const std::string& after);
    void ShowDecoded(const std::string& before, const std::string& decoded, const std::string& after);
    bool ReadFolder(std::deque<std::string>& blocks);
    std::string FolderPath(const std::string& chosen) const;
    void LoadFolder(std::deque<std::string> blocks);
    void ProgressStart(const std::string& caption, std::uint32_t max);
    bool ProgressStep(std::uint32_t advance);
    void ProgressEnd();
    bool SearchOnce();
    void SaveBinary(const std::string& data);
    std::string ChooseFile(const std::string& proposed, int filterIndex);
    void WriteTextFile(const std::string& text, const std::string& path);
    void WriteEncrypted(const std::string& text, const std::string& path);
    void SetEditText(std::string_view text);
    static DWORD CALLBACK StreamPiece(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) noexcept;
    void ScrollToTop();

    TViewerHost& host_;
    TViewerJobs& jobs_;
    std::string rawText_;
    std::string searchText_;
    std::uint8_t searchOptions_ = 0;
    bool searching_ = false;
    bool selectingFolder_ = false;
    bool modal_ = false;
    bool wordWrap_ = false;
    bool freed_ = false;
    SIZE designSize_{};
};

// Text display: a modal viewer over the text, owned by the session's owner.
void ShowTextModal(const std::string& text, TViewerHost& host, TViewerJobs& jobs);

}  // namespace orv::ui
