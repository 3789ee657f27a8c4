// The client's editors and readers as they open and close, the main
// library's windows as the client opens them, and the focus afterwards.
#include <cstdlib>

#include "automation/pl_data.h"
#include "automation/pl_text.h"
#include "automation/signature_view.h"
#include "interfaces/mail_client.h"

namespace orv::automation {

namespace {

LRESULT CALLBACK SubclassedEditorProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
LRESULT CALLBACK SubclassedReaderMdiProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
LRESULT CALLBACK SubclassedReaderDialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

WNDPROC Replace(HWND wnd, WNDPROC proc) {
    return reinterpret_cast<WNDPROC>(SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

// Puts the previous procedure back only while the plug-in's is the current
// one; a later subclass on top keeps the chain it holds.
void Restore(HWND wnd, WNDPROC ours, WNDPROC previous) {
    if (IsWindow(wnd) && previous &&
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC)) == ours)
        Replace(wnd, previous);
}

void PostCommand(HWND wnd, WPARAM id, LPARAM lp = 0) { PostMessageA(wnd, host::kFormMsgCommand, id, lp); }

LRESULT Pass(WNDPROC previous, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    return previous ? CallWindowProcA(previous, wnd, msg, wp, lp) : DefWindowProcA(wnd, msg, wp, lp);
}

template <LRESULT (TPLData::*Handler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK Subclassed(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        if (TPLData* data = PLData()) return (data->*Handler)(wnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK SubclassedEditorProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    return Subclassed<&TPLData::EditorProc>(wnd, msg, wp, lp);
}
LRESULT CALLBACK SubclassedReaderMdiProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    return Subclassed<&TPLData::ReaderMdiProc>(wnd, msg, wp, lp);
}
LRESULT CALLBACK SubclassedReaderDialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    return Subclassed<&TPLData::ReaderDialogProc>(wnd, msg, wp, lp);
}

}  // namespace

void TPLData::EditorOpened(HWND editorDialog) {
    HWND editor = editorDialog ? GetParent(editorDialog) : nullptr;
    if (!editor || wlEditorFlags.IndexOf(editor) >= 0) return;
    lastKeyId_.clear();
    AutoMode = 0;
    std::uintptr_t flags = static_cast<std::uintptr_t>(AutoEnabled && armNextEditor_) << 16;
    wlEditorFlags.Add(editor, flags);
    wlMDIEditor.Add(editor, reinterpret_cast<std::uintptr_t>(Replace(editor, SubclassedEditorProc)));
}

LRESULT TPLData::EditorProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    int i = wlMDIEditor.IndexOf(wnd);
    WNDPROC previous = i >= 0 ? reinterpret_cast<WNDPROC>(wlMDIEditor.Object(i)) : nullptr;
    if (msg == WM_DESTROY && i >= 0) {
        lastKeyId_.clear();
        AutoMode = 0;
        if (wnd == encDialogEditor_) SetEncDialogDone(false);
        RestoreEditor(i);
    }
    return Pass(previous, wnd, msg, wp, lp);
}

void TPLData::RestoreEditor(int index) {
    HWND editor = wlMDIEditor.Window(index);
    Restore(editor, SubclassedEditorProc, reinterpret_cast<WNDPROC>(wlMDIEditor.Object(index)));
    wlMDIEditor.Delete(index);
    wlEditorFlags.Delete(index);
}

void TPLData::ReaderOpened(HWND readerDialog) {
    viewerPending_ = 0;
    HWND reader = readerDialog ? GetParent(readerDialog) : nullptr;
    if (!reader) return;
    // The client and the show hook may both announce one reader.
    if (wlMDIReader.IndexOf(reader) < 0) {
        auto* record = static_cast<ReaderRecord*>(std::calloc(1, sizeof(ReaderRecord)));
        if (!record) return;
        record->iconWithoutHeader = signatureIconIndex_;
        record->previousProc = Replace(reader, SubclassedReaderMdiProc);
        wlMDIReader.Add(reader, reinterpret_cast<std::uintptr_t>(record));
    }
    if (wlReader.IndexOf(readerDialog) < 0)
        wlReader.Add(readerDialog, reinterpret_cast<std::uintptr_t>(Replace(readerDialog, SubclassedReaderDialogProc)));
    signatureIconIndex_ = 0;
    signatureInfoPending_ = 0;
}

LRESULT TPLData::ReaderMdiProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    int i = wlMDIReader.IndexOf(wnd);
    auto* record = i >= 0 ? reinterpret_cast<ReaderRecord*>(wlMDIReader.Object(i)) : nullptr;
    WNDPROC previous = record ? record->previousProc : nullptr;
    if (record && signatureView_) signatureView_->ReaderWindowMessage(wnd, *record, msg, wp);
    if (msg == WM_DESTROY && record) RestoreReader(wnd);
    LRESULT result = Pass(previous, wnd, msg, wp, lp);
    if (msg == WM_PAINT && record && signatureView_) signatureView_->ReaderWindowPainted(wnd);
    return result;
}

void TPLData::RestoreReader(HWND readerMdi) {
    int i = wlMDIReader.IndexOf(readerMdi);
    if (i < 0) return;
    auto* record = reinterpret_cast<ReaderRecord*>(wlMDIReader.Object(i));
    Restore(readerMdi, SubclassedReaderMdiProc, record->previousProc);
    wlMDIReader.Delete(i);
    std::free(record);
}

LRESULT TPLData::ReaderDialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    int i = wlReader.IndexOf(wnd);
    WNDPROC previous = i >= 0 ? reinterpret_cast<WNDPROC>(wlReader.Object(i)) : nullptr;
    if (msg == WM_COMMAND && !readerIsMdi_) {
        WORD id = LOWORD(wp);
        if (id == host::kCommandRawView || id == host::kCmdFolderOpen195 || id == host::kCmdFolderOpen201 ||
            id == host::kCmdFolderOpen202) {
            int r = wlMDIReader.IndexOf(GetParent(wnd));
            if (r >= 0) reinterpret_cast<ReaderRecord*>(wlMDIReader.Object(r))->openedFromFolder = 1;
        }
    }
    if (msg == WM_COMMAND && (LOWORD(wp) == host::kCmdReaderNext || LOWORD(wp) == host::kCmdReaderPrevious))
        ResetSignatureInfo();
    LRESULT own = 0;
    if (i >= 0 && signatureView_ && signatureView_->ReaderDialogMessage(wnd, msg, wp, lp, &own)) return own;
    if (msg == WM_DESTROY && i >= 0) RestoreReaderDialog(wnd);
    LRESULT result = Pass(previous, wnd, msg, wp, lp);
    if (msg == WM_NCPAINT && i >= 0 && signatureView_) signatureView_->ReaderDialogNcPainted(wnd);
    return result;
}

void TPLData::RestoreReaderDialog(HWND readerDialog) {
    int i = wlReader.IndexOf(readerDialog);
    if (i < 0) return;
    Restore(readerDialog, SubclassedReaderDialogProc, reinterpret_cast<WNDPROC>(wlReader.Object(i)));
    wlReader.Delete(i);
}

void TPLData::RestoreAllSubclasses() {
    while (wlMDIEditor.Count()) RestoreEditor(wlMDIEditor.Count() - 1);
    while (wlMDIReader.Count()) RestoreReader(wlMDIReader.Window(wlMDIReader.Count() - 1));
    while (wlReader.Count()) RestoreReaderDialog(wlReader.Window(wlReader.Count() - 1));
    RestoreEncryptionDialog();
    if (userNameEdit_ && userNameEditProc_ && IsWindow(userNameEdit_))
        SetWindowLongPtrA(userNameEdit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(userNameEditProc_));
    userNameEdit_ = nullptr;
    userNameEditProc_ = nullptr;
    if (mailboxEdit_ && mailboxEditProc_ && IsWindow(mailboxEdit_))
        SetWindowLongPtrA(mailboxEdit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mailboxEditProc_));
    mailboxEditProc_ = nullptr;
}

void TPLData::ResetSignatureInfo() {
    if (hostWindow_ && IsWindow(hostWindow_)) SendMessageA(hostWindow_, host::kHostStatusLine, host::kStatusProgress, 0);
    folderCommand_ = 0;
    signatureInfoText_.clear();
    signatureInfoPending_ = 0;
    signatureIconIndex_ = 0;
}

bool TPLData::ReaderExists() const {
    return TER && FindReaderWindow({hostWindow_, mdiClient_}, *TER) != nullptr;
}

void TPLData::RecogniseMainLibraryWindow(HWND wnd) {
    // The plug-in's own host form may bear the product's name too.
    if (!wnd || !merrowin_ || wnd == hostWindow_ || IsChild(wnd, automationWindow_) ||
        CaptionOf(wnd).rfind("Orvane", 0) != 0)
        return;
    HWND sibling = GetWindow(wnd, GW_HWNDFIRST);
    if (sibling && ClassOf(sibling) == host::kForwardClass) sibling = GetWindow(sibling, GW_HWNDNEXT);
    int i = sibling ? wlMDIReader.IndexOf(sibling) : -1;
    if (i >= 0) {
        auto* record = reinterpret_cast<ReaderRecord*>(wlMDIReader.Object(i));
        if (readerIsMdi_ && !signatureInfoPending_) {
            HWND header = FindDescendant(sibling, host::kHeaderControlClass);
            signatureIconIndex_ = header && IsWindowVisible(header) ? record->iconWithHeader : record->iconWithoutHeader;
        }
        if (record->rawView || record->openedFromFolder)
            PostCommand(wnd, host::kCommandRawView + record->openedFromFolder * 0x10000u);
    } else if (folderCommand_) {
        PostCommand(wnd, 0x10000);
    }
    PostCommand(wnd, 0, host::kCommandStart);
    merrowin_->SetMainWindow(wnd);
    folderCommand_ = 0;
    lastHovered_ = wnd;
}

void TPLData::FocusAfterMainLibrary() {
    if (!mdiClient_) return;
    HWND folman = FindChildWnd(mdiClient_, host::kFolderManagerClass, "");
    HWND reader = FindDescendant(mdiClient_, host::kReaderMdiClass);
    if (!folman || (reader && GetWindow(folman, GW_HWNDFIRST) == reader)) {
        if (HWND control = reader ? FindDescendant(reader, host::kEditorControlClass) : nullptr) SetFocus(control);
        return;
    }
    if (!GetFocus())
        if (HWND control = FindDescendant(folman, host::kEditorControlClass)) SetFocus(control);
}

}  // namespace orv::automation
