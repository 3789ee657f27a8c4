#pragma once
// The host tracker: the client's editors and readers the plug-in subclassed,
// the MDI windows in the order the Window menu lists them, the main
// library's signature result until a reader takes it, and the window under
// the mouse.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "automation/window_lists.h"

namespace orv::automation {

class TPLData;

// The reader record: 14 bytes, allocated zeroed, freed with the reader.
#pragma pack(push, 1)
struct ReaderRecord {
    WNDPROC previousProc;
    BYTE rawView;
    BYTE openedFromFolder;
    std::int32_t iconWithoutHeader;
    std::int32_t iconWithHeader;
};
#pragma pack(pop)
static_assert(sizeof(ReaderRecord) == 14);

// The main library's last signature result, held until a reader shows it.
struct TSignatureInfo {
    BYTE pending = 0;
    std::int32_t iconIndex = 0;
    std::string text;
    // The main library's viewer shows the next result itself.
    BYTE viewerPending = 0;
};

class THostTracker {
public:
    explicit THostTracker(TPLData& pl) : pl_(pl) {}
    THostTracker(const THostTracker&) = delete;
    THostTracker& operator=(const THostTracker&) = delete;

    // Host dialogs announced by notification 25.
    void EditorOpened(HWND editorDialog);
    void ReaderOpened(HWND readerDialog);
    LRESULT EditorProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT ReaderMdiProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT ReaderDialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    // Every editor and reader gets its own procedure back.
    void RestoreAll();

    // Messages sent to the client's windows other than the frame.
    void WindowMessage(const CWPSTRUCT& cwp);
    void MdiChildShown(HWND wnd);
    void MouseMoved(HWND wnd, LPARAM lp);
    void RecogniseMainLibraryWindow(HWND wnd);
    void FocusAfterMainLibrary();

    void ResetSignatureInfo();
    // AM_DECODED: the result's code and kind, and its text.
    void SignatureDecoded(WPARAM codes, const char* text);
    TSignatureInfo& Signature() { return signature_; }
    bool ReaderIsMdi() const { return readerIsMdi_ != 0; }
    bool ReaderExists() const;
    ReaderRecord* RecordOf(HWND reader) const;

    // Per editor: bit 16 and up PGP/MIME wanted, bits 8-15 the encryption
    // dialog's passes, bits 0-7 sign-only confirmed.
    TWindowList& EditorFlags() { return wlEditorFlags; }
    int ActiveEditorIndex() const;
    bool PgpMimeWanted(HWND editor) const;
    // The MDI windows in the Window menu's order.
    std::vector<HWND>& MdiWindows() { return lMDIWindowList; }
    void Clear();

private:
    void RestoreEditor(int index);
    void RestoreReader(HWND readerMdi);
    void RestoreReaderDialog(HWND readerDialog);

    TPLData& pl_;
    BYTE readerIsMdi_ = 0;
    BYTE folderCommand_ = 0;
    HWND lastHovered_ = nullptr;
    HWND currentHovered_ = nullptr;
    TSignatureInfo signature_;
    TWindowList wlEditorFlags;
    TWindowList wlMDIEditor;
    TWindowList wlMDIReader;
    TWindowList wlReader;
    std::vector<HWND> lMDIWindowList;
};

}  // namespace orv::automation
