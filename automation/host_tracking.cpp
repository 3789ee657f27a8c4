// The client's editors and readers as they open and close, the main
// library's windows as the client opens them, and the focus afterwards.
#include "automation/host_tracking.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

#include "automation/merrowin_bridge.h"
#include "automation/pl_data.h"
#include "automation/pl_text.h"
#include "automation/signature_view.h"
#include "interfaces/mail_client.h"
#include "interfaces/signature_codes.h"

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

// The main library's windows take their hover notices from the plug-in.
constexpr UINT kHoverLeave = 0xB014;
constexpr UINT kHoverEnter = 0xB013;

bool IsDescendant(HWND ancestor, HWND wnd) { return ancestor && wnd && IsChild(ancestor, wnd); }

void PostCommand(HWND wnd, WPARAM id, LPARAM lp = 0) { PostMessageA(wnd, host::kFormMsgCommand, id, lp); }

LRESULT Pass(WNDPROC previous, HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    return previous ? CallWindowProcA(previous, wnd, msg, wp, lp) : DefWindowProcA(wnd, msg, wp, lp);
}

template <LRESULT (THostTracker::*Handler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK Subclassed(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        if (TPLData* data = PLData()) return (data->Hosts().*Handler)(wnd, msg, wp, lp);
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK SubclassedEditorProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    return Subclassed<&THostTracker::EditorProc>(wnd, msg, wp, lp);
}
LRESULT CALLBACK SubclassedReaderMdiProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    return Subclassed<&THostTracker::ReaderMdiProc>(wnd, msg, wp, lp);
}
LRESULT CALLBACK SubclassedReaderDialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    return Subclassed<&THostTracker::ReaderDialogProc>(wnd, msg, wp, lp);
}

}  // namespace

void THostTracker::EditorOpened(HWND editorDialog) {
    HWND editor = editorDialog ? GetParent(editorDialog) : nullptr;
    if (!editor || wlEditorFlags.IndexOf(editor) >= 0) return;
    pl_.Sending().EditorOpened();
    std::uintptr_t flags = static_cast<std::uintptr_t>(pl_.Options().AutoEnabled && pl_.ArmNextEditor()) << 16;
    wlEditorFlags.Add(editor, flags);
    wlMDIEditor.Add(editor, reinterpret_cast<std::uintptr_t>(Replace(editor, SubclassedEditorProc)));
}

LRESULT THostTracker::EditorProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    int i = wlMDIEditor.IndexOf(wnd);
    WNDPROC previous = i >= 0 ? reinterpret_cast<WNDPROC>(wlMDIEditor.Object(i)) : nullptr;
    if (msg == WM_DESTROY && i >= 0) {
        pl_.Sending().EditorClosing(wnd);
        RestoreEditor(i);
    }
    return Pass(previous, wnd, msg, wp, lp);
}

void THostTracker::RestoreEditor(int index) {
    HWND editor = wlMDIEditor.Window(index);
    Restore(editor, SubclassedEditorProc, reinterpret_cast<WNDPROC>(wlMDIEditor.Object(index)));
    wlMDIEditor.Delete(index);
    wlEditorFlags.Delete(index);
}

void THostTracker::ReaderOpened(HWND readerDialog) {
    signature_.viewerPending = 0;
    HWND reader = readerDialog ? GetParent(readerDialog) : nullptr;
    if (!reader) return;
    // The client and the show hook may both announce one reader.
    if (wlMDIReader.IndexOf(reader) < 0) {
        auto* record = static_cast<ReaderRecord*>(std::calloc(1, sizeof(ReaderRecord)));
        if (!record) return;
        record->iconWithoutHeader = signature_.iconIndex;
        record->previousProc = Replace(reader, SubclassedReaderMdiProc);
        wlMDIReader.Add(reader, reinterpret_cast<std::uintptr_t>(record));
    }
    if (wlReader.IndexOf(readerDialog) < 0)
        wlReader.Add(readerDialog, reinterpret_cast<std::uintptr_t>(Replace(readerDialog, SubclassedReaderDialogProc)));
    signature_.iconIndex = 0;
    signature_.pending = 0;
}

LRESULT THostTracker::ReaderMdiProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    int i = wlMDIReader.IndexOf(wnd);
    auto* record = i >= 0 ? reinterpret_cast<ReaderRecord*>(wlMDIReader.Object(i)) : nullptr;
    WNDPROC previous = record ? record->previousProc : nullptr;
    if (record && pl_.SignatureView()) pl_.SignatureView()->ReaderWindowMessage(wnd, *record, msg, wp);
    if (msg == WM_DESTROY && record) RestoreReader(wnd);
    LRESULT result = Pass(previous, wnd, msg, wp, lp);
    if (msg == WM_PAINT && record && pl_.SignatureView()) pl_.SignatureView()->ReaderWindowPainted(wnd);
    return result;
}

void THostTracker::RestoreReader(HWND readerMdi) {
    int i = wlMDIReader.IndexOf(readerMdi);
    if (i < 0) return;
    auto* record = reinterpret_cast<ReaderRecord*>(wlMDIReader.Object(i));
    Restore(readerMdi, SubclassedReaderMdiProc, record->previousProc);
    wlMDIReader.Delete(i);
    std::free(record);
}

LRESULT THostTracker::ReaderDialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
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
    if (i >= 0 && pl_.SignatureView() && pl_.SignatureView()->ReaderDialogMessage(wnd, msg, wp, lp, &own)) return own;
    if (msg == WM_DESTROY && i >= 0) RestoreReaderDialog(wnd);
    LRESULT result = Pass(previous, wnd, msg, wp, lp);
    if (msg == WM_NCPAINT && i >= 0 && pl_.SignatureView()) pl_.SignatureView()->ReaderDialogNcPainted(wnd);
    return result;
}

void THostTracker::RestoreReaderDialog(HWND readerDialog) {
    int i = wlReader.IndexOf(readerDialog);
    if (i < 0) return;
    Restore(readerDialog, SubclassedReaderDialogProc, reinterpret_cast<WNDPROC>(wlReader.Object(i)));
    wlReader.Delete(i);
}

void THostTracker::RestoreAll() {
    while (wlMDIEditor.Count()) RestoreEditor(wlMDIEditor.Count() - 1);
    while (wlMDIReader.Count()) RestoreReader(wlMDIReader.Window(wlMDIReader.Count() - 1));
    while (wlReader.Count()) RestoreReaderDialog(wlReader.Window(wlReader.Count() - 1));
}

void THostTracker::Clear() {
    wlEditorFlags.Clear();
    wlMDIEditor.Clear();
    wlMDIReader.Clear();
    wlReader.Clear();
    lMDIWindowList.clear();
}

void THostTracker::ResetSignatureInfo() {
    HWND hostWindow = pl_.HostWindow();
    if (hostWindow && IsWindow(hostWindow)) SendMessageA(hostWindow, host::kHostStatusLine, host::kStatusProgress, 0);
    folderCommand_ = 0;
    signature_.text.clear();
    signature_.pending = 0;
    signature_.iconIndex = 0;
}

void THostTracker::SignatureDecoded(WPARAM codes, const char* text) {
    signature_.pending = 1;
    signature_.iconIndex = LOWORD(codes) ? LOWORD(codes) + orv::kSigCodeLast * HIWORD(codes) : 0;
    signature_.text = text ? text : "";
}

bool THostTracker::ReaderExists() const {
    return pl_.EditorLibrary() && FindReaderWindow(pl_.Windows(), *pl_.EditorLibrary()) != nullptr;
}

ReaderRecord* THostTracker::RecordOf(HWND reader) const {
    int i = reader ? wlMDIReader.IndexOf(reader) : -1;
    return i >= 0 ? reinterpret_cast<ReaderRecord*>(wlMDIReader.Object(i)) : nullptr;
}

int THostTracker::ActiveEditorIndex() const {
    HWND active = ActiveMdiChild(pl_.Windows());
    return active ? wlEditorFlags.IndexOf(active) : -1;
}

bool THostTracker::PgpMimeWanted(HWND editor) const {
    int i = editor ? wlEditorFlags.IndexOf(editor) : -1;
    return i >= 0 && (wlEditorFlags.Object(i) >> 16) != 0;
}

void THostTracker::RecogniseMainLibraryWindow(HWND wnd) {
    // The plug-in's own host form may bear the product's name too.
    TMerrowin* merrowin = pl_.Merrowin();
    if (!wnd || !merrowin || wnd == pl_.HostWindow() || IsChild(wnd, pl_.AutomationWindow()) ||
        CaptionOf(wnd).rfind("Orvane", 0) != 0)
        return;
    HWND sibling = GetWindow(wnd, GW_HWNDFIRST);
    if (sibling && ClassOf(sibling) == host::kForwardClass) sibling = GetWindow(sibling, GW_HWNDNEXT);
    int i = sibling ? wlMDIReader.IndexOf(sibling) : -1;
    if (i >= 0) {
        auto* record = reinterpret_cast<ReaderRecord*>(wlMDIReader.Object(i));
        if (readerIsMdi_ && !signature_.pending) {
            HWND header = FindDescendant(sibling, host::kHeaderControlClass);
            signature_.iconIndex =
                header && IsWindowVisible(header) ? record->iconWithHeader : record->iconWithoutHeader;
        }
        if (record->rawView || record->openedFromFolder)
            PostCommand(wnd, host::kCommandRawView + record->openedFromFolder * 0x10000u);
    } else if (folderCommand_) {
        PostCommand(wnd, 0x10000);
    }
    PostCommand(wnd, 0, host::kCommandStart);
    merrowin->SetMainWindow(wnd);
    folderCommand_ = 0;
    lastHovered_ = wnd;
}

void THostTracker::FocusAfterMainLibrary() {
    HWND mdiClient = pl_.MdiClient();
    if (!mdiClient) return;
    HWND folman = FindChildWnd(mdiClient, host::kFolderManagerClass, "");
    HWND reader = FindDescendant(mdiClient, host::kReaderMdiClass);
    if (!folman || (reader && GetWindow(folman, GW_HWNDFIRST) == reader)) {
        if (HWND control = reader ? FindDescendant(reader, host::kEditorControlClass) : nullptr) SetFocus(control);
        return;
    }
    if (!GetFocus())
        if (HWND control = FindDescendant(folman, host::kEditorControlClass)) SetFocus(control);
}

void THostTracker::WindowMessage(const CWPSTRUCT& cwp) {
    switch (cwp.message) {
    case WM_COMMAND:
        if (cwp.lParam) {
            HWND parent = GetParent(reinterpret_cast<HWND>(cwp.lParam));
            WORD id = LOWORD(cwp.wParam);
            if (ClassOf(parent) == host::kFolderDialogClass) {
                folderCommand_ = id == host::kCmdFolderOpen201 || id == host::kCmdFolderOpen202;
            } else if (readerIsMdi_ && ReaderExists() &&
                       (id == host::kCmdReaderNext || id == host::kCmdReaderPrevious)) {
                ResetSignatureInfo();
            }
        }
        break;
    case WM_MDICREATE: {
        auto* create = reinterpret_cast<const MDICREATESTRUCTA*>(cwp.lParam);
        if (create && HIWORD(reinterpret_cast<UINT_PTR>(create->szClass)) &&
            std::string(create->szClass) == host::kReaderMdiClass)
            readerIsMdi_ = 1;
        break;
    }
    case WM_MDIDESTROY: {
        HWND child = reinterpret_cast<HWND>(cwp.wParam);
        lMDIWindowList.erase(std::remove(lMDIWindowList.begin(), lMDIWindowList.end(), child), lMDIWindowList.end());
        break;
    }
    case WM_MDIACTIVATE:
        if (!readerIsMdi_ && cwp.hwnd != pl_.MdiClient() && cwp.hwnd == reinterpret_cast<HWND>(cwp.wParam)) {
            if (ReaderRecord* record = RecordOf(cwp.hwnd)) record->openedFromFolder = 0;
        }
        break;
    default: break;
    }
}

void THostTracker::MdiChildShown(HWND wnd) {
    if ((GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_MDICHILD) &&
        std::find(lMDIWindowList.begin(), lMDIWindowList.end(), wnd) == lMDIWindowList.end())
        lMDIWindowList.push_back(wnd);
}

void THostTracker::MouseMoved(HWND wnd, LPARAM lp) {
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ClientToScreen(wnd, &pt);
    currentHovered_ = WindowFromPoint(pt);
    if (currentHovered_ == lastHovered_) return;
    if (lastHovered_ && IsWindowVisible(lastHovered_) && !IsDescendant(pl_.Frame(), lastHovered_))
        PostMessageA(lastHovered_, kHoverLeave, 0, 0);
    if (HWND main = pl_.Merrowin() ? pl_.Merrowin()->MainWindow() : nullptr; IsDescendant(main, currentHovered_))
        PostMessageA(currentHovered_, kHoverEnter, 0, 0);
    lastHovered_ = currentHovered_;
}

}  // namespace orv::automation
