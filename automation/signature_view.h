#pragma once
// The signature result on a reader: the coloured "PGP-Info" block written
// into the reader's text and the small icon drawn into the reader's caption.
// The main library reports the result before the client opens the reader;
// the reader keeps its icon in its record, the host tracker the text.

#include <windows.h>

#include <array>
#include <set>

namespace orv::automation {

class TPLData;
struct ReaderRecord;
struct TSignatureInfo;

class TSignatureView {
public:
    // Loads the small icons of the plug-in's resources 1 to 10 (index 0 has
    // none).
    explicit TSignatureView(TPLData& pl);
    ~TSignatureView();
    TSignatureView(const TSignatureView&) = delete;
    TSignatureView& operator=(const TSignatureView&) = delete;

    static constexpr int kIcons = 11;
    HICON Icon(int index) const;

    // The reader's MDI window: before its own procedure runs, and after it
    // painted.
    void ReaderWindowMessage(HWND reader, ReaderRecord& record, UINT msg, WPARAM wp);
    void ReaderWindowPainted(HWND reader) { DrawIcon(reader); }
    // The reader dialog: true when the message ends here (the result in
    // *result); the plug-in passes everything else on.
    bool ReaderDialogMessage(HWND dialog, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
    void ReaderDialogNcPainted(HWND dialog) { DrawIcon(GetParent(dialog)); }
    // Draws the reader's icon into its caption, or takes a drawn one away.
    void DrawIcon(HWND reader);
    void Forget(HWND reader) { drawn_.erase(reader); }

private:
    // Writes the pending info text into the reader's text (WM_PAINT).
    void InsertPending(HWND dialog);
    // 0x28CC: the icon the plug-in holds becomes the reader's.
    void TakeIcon(HWND dialog);
    // Command 206 in the raw view: the attachments of the PGP/MIME text.
    bool SaveMimeAttachments(HWND dialog);
    ReaderRecord* RecordOf(HWND reader) const;
    // The main library's result the host tracker holds for the next reader.
    TSignatureInfo& Result() const;
    bool HeaderShown(HWND reader) const;

    TPLData& pl_;
    std::array<HICON, kIcons> icons_{};
    // Readers whose caption holds an icon, so that only those are redrawn
    // without one.
    std::set<HWND> drawn_;
};

// Posted by a reader dialog to itself when its header layout changed.
constexpr UINT kReaderTakeIcon = 0x28CC;

}  // namespace orv::automation
