#include "automation/signature_view.h"

#include "automation/host_windows.h"
#include "automation/merrowin_bridge.h"
#include "automation/pl_data.h"
#include "automation/pl_text.h"
#include "interfaces/mail_client.h"
#include "interfaces/signature_codes.h"

namespace orv::automation {

namespace {

// 0x0AAC to a reader dialog: its header layout changed (with lParam bit 4),
// its reader was activated or deactivated.
constexpr WPARAM kStateHeaderChanged = 11;
constexpr WPARAM kStateActivated = 12;
constexpr WPARAM kStateDeactivated = 13;
constexpr LPARAM kHeaderChangedBit = 0x10;
// Icons after the last code's are those of each code for encrypted messages.
constexpr int kEncryptedIconOffset = kSigCodeLast;

HWND ReaderDialogOf(HWND reader) {
    for (const char* cls : {host::kReaderDialogClass, host::kReaderDialogClass2, host::kReaderDialogClass3})
        if (HWND dialog = FindDescendant(reader, cls)) return dialog;
    return nullptr;
}

bool Visible(HWND wnd) { return wnd && IsWindowVisible(wnd); }

}  // namespace

TSignatureView::TSignatureView(TPLData& pl) : pl_(pl) {
    int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
    for (int i = 1; i < kIcons; ++i)
        icons_[static_cast<size_t>(i)] =
            static_cast<HICON>(LoadImageA(PluginInstance(), MAKEINTRESOURCEA(i), IMAGE_ICON, cx, cy, 0));
}

TSignatureView::~TSignatureView() {
    for (HICON icon : icons_)
        if (icon) DestroyIcon(icon);
}

HICON TSignatureView::Icon(int index) const {
    return index > 0 && index < kIcons ? icons_[static_cast<size_t>(index)] : nullptr;
}

ReaderRecord* TSignatureView::RecordOf(HWND reader) const { return pl_.Hosts().RecordOf(reader); }

TSignatureInfo& TSignatureView::Result() const { return pl_.Hosts().Signature(); }

bool TSignatureView::HeaderShown(HWND reader) const {
    return Visible(FindDescendant(reader, host::kHeaderControlClass));
}

void TSignatureView::ReaderWindowMessage(HWND reader, ReaderRecord& record, UINT msg, WPARAM wp) {
    switch (msg) {
    case WM_GETMINMAXINFO:
        // A reader that is not an MDI window is laid out anew when it opens
        // a message: its icon comes back from the record.
        if (!pl_.Hosts().ReaderIsMdi()) Result().iconIndex = record.iconWithoutHeader;
        break;
    case WM_NCACTIVATE:
        if (HWND dialog = ReaderDialogOf(reader))
            PostMessageA(dialog, host::kReaderState, wp ? kStateActivated : kStateDeactivated, 0);
        if (!pl_.Hosts().ReaderIsMdi() && !wp && pl_.Frame()) {
            // The raw view stays with the reader that had it.
            HMENU menu = GetMenu(pl_.Frame());
            record.rawView =
                menu && (GetMenuState(menu, host::kCommandRawView, MF_BYCOMMAND) & MF_CHECKED) ? 1 : 0;
        }
        break;
    case WM_DESTROY: Forget(reader); break;
    default: break;
    }
}

bool TSignatureView::ReaderDialogMessage(HWND dialog, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    *result = 0;
    switch (msg) {
    case WM_PAINT: InsertPending(dialog); return false;
    case host::kReaderState:
        if (wp == kStateHeaderChanged && (lp & kHeaderChangedBit)) PostMessageA(dialog, kReaderTakeIcon, 0, 0);
        else if (wp == kStateActivated || wp == kStateDeactivated) DrawIcon(GetParent(dialog));
        return false;
    case kReaderTakeIcon: TakeIcon(dialog); return true;
    case WM_COMMAND:
        return LOWORD(wp) == host::kCmdSaveAttachment && SaveMimeAttachments(dialog);
    default: return false;
    }
}

void TSignatureView::InsertPending(HWND dialog) {
    if (Result().viewerPending) {
        // The main library's viewer shows this result itself.
        Result().viewerPending = 0;
        Result().text.clear();
        return;
    }
    HWND reader = GetParent(dialog);
    if (pl_.Hosts().ReaderIsMdi() &&
        (!Visible(FindDescendant(reader, host::kToolbarStripClass)) || HeaderShown(reader))) {
        Result().text.clear();
    }
    ReaderRecord* record = RecordOf(reader);
    if (Result().text.empty() || !record || record->rawView || !pl_.EditorLibrary()) return;
    int code = record->iconWithoutHeader;
    if (code > kEncryptedIconOffset) code -= kEncryptedIconOffset;
    HWND control = FindReaderWindow(pl_.Windows(), *pl_.EditorLibrary(), reader);
    // Beside a header control the block stands indented above the body;
    // above header lines in the text it is set off by a blank line.
    bool tabbed = HeaderShown(reader);
    if (control && pl_.EditorLibrary()->InsertSigText(control, Result().text, tabbed, code))
        Result().text.clear();
}

void TSignatureView::TakeIcon(HWND dialog) {
    HWND reader = GetParent(dialog);
    if (ReaderRecord* record = RecordOf(reader)) {
        if (HeaderShown(reader)) record->iconWithHeader = Result().iconIndex;
        else record->iconWithoutHeader = Result().iconIndex;
    }
    DrawIcon(reader);
    InvalidateRect(dialog, nullptr, FALSE);
    Result().iconIndex = 0;
    Result().pending = 0;
}

bool TSignatureView::SaveMimeAttachments(HWND dialog) {
    ReaderRecord* record = RecordOf(GetParent(dialog));
    if (!record || !record->rawView || !pl_.EditorLibrary() || !pl_.Merrowin()) return false;
    HWND control = FindReaderWindow(pl_.Windows(), *pl_.EditorLibrary());
    pl_.SetCopiedText(pl_.EditorLibrary()->GetPGPMimeText(control));
    const std::string& text = pl_.CopiedText();
    if (text.empty()) return false;
    size_t start = text.find_first_not_of(" \t\r\n");
    return pl_.Merrowin()->SaveMimeAttachments(start == std::string::npos ? "" : text.substr(start));
}

void TSignatureView::DrawIcon(HWND reader) {
    ReaderRecord* record = RecordOf(reader);
    if (!record || !IsWindow(reader)) return;
    int index = HeaderShown(reader) && pl_.Hosts().ReaderIsMdi() ? record->iconWithHeader : record->iconWithoutHeader;
    if (HICON icon = Icon(index)) {
        if (HDC dc = GetWindowDC(reader)) {
            int x = GetSystemMetrics(SM_CXFRAME) + 2, y = GetSystemMetrics(SM_CYFRAME) + 1;
            DrawIconEx(dc, x, y, icon, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0,
                       GetSysColorBrush(COLOR_ACTIVECAPTION), DI_NORMAL);
            ReleaseDC(reader, dc);
            drawn_.insert(reader);
        }
    } else if (drawn_.erase(reader)) {
        // The caption is drawn anew without the icon; only once, so that the
        // frame's repaint does not come back here.
        SetWindowPos(reader, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    HWND mdiClient = pl_.MdiClient();
    HWND active = mdiClient ? reinterpret_cast<HWND>(SendMessageA(mdiClient, WM_MDIGETACTIVE, 0, 0)) : nullptr;
    HWND focus = GetFocus();
    if (pl_.Hosts().ReaderIsMdi() && active == reader && GetForegroundWindow() == pl_.Frame() && focus != reader &&
        !IsChild(reader, focus))
        SetFocus(reader);
}

}  // namespace orv::automation
