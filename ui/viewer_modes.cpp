// The viewer's reader and folder modes, with the progress display of a
// folder load.
#include "ui/viewer.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "base/text.h"
#include "base/wipe_text.h"
#include "strings/text_client.h"
#include "ui/look.h"

namespace orv::ui {

namespace {

constexpr const char* kBeginMessage = "-----BEGIN PGP MESSAGE-----";
constexpr const char* kEndMessage = "-----END PGP MESSAGE-----";
constexpr std::size_t kBeginLength = 27;
constexpr const char* kBeginSigned = "-----BEGIN PGP SIGNED MESSAGE-----";
constexpr const char* kEndSignature = "-----END PGP SIGNATURE-----";
// The viewer's own text that the string library does not hold.
constexpr const char* kFolderEmpty = "Folder is empty or already open";
constexpr const char* kFolderExt = ".PMM";
// Progress panel (pixels).
constexpr int kLabelHeight = 24;
constexpr int kBarBorder = 16;
constexpr int kCancelHeight = 40;
constexpr int kProgressHeight = kLabelHeight + 2 * kBarBorder + 18 + kCancelHeight;
constexpr int kFolderPauseMs = 100;
constexpr COLORREF kGaugeBlue = RGB(0, 0, 255);

void Pause(int ms) {
    const DWORD end = GetTickCount() + DWORD(ms);
    while (int(end - GetTickCount()) > 0) {
        ProcessMessages();
        Sleep(5);
    }
}

}  // namespace

// ---- Reader mode -----------------------------------------------------------

void TfrmViewer::RunReaderMode() {
    Operation operation(*this);
    SetEditText("");
    WipeText(rawText_);
    pnButtons.SetEnabled(false);
    BringWindowToTop(Handle());
    std::string text;
    std::size_t begin = std::string::npos, end = std::string::npos;
    if (host_.CopiedReaderText(text)) {
        begin = text.find(kBeginMessage);
        if (begin != std::string::npos) end = text.find(kEndMessage, begin + kBeginLength);
    }
    if (begin == std::string::npos || end == std::string::npos) {
        fbFolder.SetVisible(false);
        jobs_.Info(texts::Get(txt::NOT_ENC));
        PostMessageA(Handle(), WM_CLOSE, 0, 0);
        return;
    }
    end += std::string_view(kEndMessage).size();
    // Clear-signed blocks before and after the message are decoded with it,
    // so that the signature report is the weakest of all of them.
    const std::size_t signedBefore = text.find(kBeginSigned);
    if (signedBefore < begin) begin = signedBefore;
    const std::size_t signedAfter = text.find(kBeginSigned, end);
    const std::size_t signatureEnd = signedAfter == std::string::npos ? signedAfter : text.rfind(kEndSignature);
    if (signatureEnd != std::string::npos && signatureEnd > signedAfter)
        end = signatureEnd + std::string_view(kEndSignature).size();
    // The END marker's line ends with it.
    if (end < text.size() && text[end] == '\r') ++end;
    if (end < text.size() && text[end] == '\n') ++end;
    const std::string before = text.substr(0, begin);
    const std::string block = text.substr(begin, end - begin);
    const std::string after = text.substr(end);
    DecodeReaderText(before, block, after);
    pnButtons.SetEnabled(true);
}

void TfrmViewer::DecodeReaderText(const std::string& before, const std::string& block, const std::string& after) {
    try {
        jobs_.StopCacheTimer();
        jobs_.ResetJobs();
        const bool ringsFound = jobs_.ReloadConfig();
        host_.StatusLine(std::string(texts::Get(txt::DEC_BEG)) + " ...");
        std::string decoded = block;
        if (ringsFound) decoded = jobs_.DecodeText(jobs_.ConvertBlock(before, block));
        host_.StatusLine(std::string(texts::Get(txt::DEC_BEG)) + " " + texts::Get(txt::_FINISHED));
        ShowDecoded(before, decoded, after);
        WipeText(decoded);
    } catch (...) {
        jobs_.RearmCacheTimer();
        jobs_.Error(texts::Get(txt::VIEWER_ERR));
        return;
    }
    jobs_.RearmCacheTimer();
}

void TfrmViewer::ShowDecoded(const std::string& before, const std::string& decoded, const std::string& after) {
    if (LooksTextual(decoded))
        LoadText(before + decoded + after);
    else
        SaveBinary(decoded);
}

// ---- Folder mode -----------------------------------------------------------

std::string TfrmViewer::FolderPath(const std::string& chosen) const {
    std::size_t cut = chosen.rfind('\\');
    if (cut == std::string::npos) cut = chosen.rfind(':');
    const std::string name = cut == std::string::npos ? chosen : chosen.substr(cut + 1);
    std::string path = UpperCase(host_.MailboxDir() + name);
    if (!EndsWith(path, kFolderExt)) path += kFolderExt;
    return path;
}

bool TfrmViewer::ReadFolder(std::deque<std::string>& blocks) {
    std::string chosen;
    // A close asked during the choice ends the operation here.
    if (!host_.ChooseFolder(chosen) || chosen.empty() || CloseDeferred()) return false;
    const bool managerWasOpen = host_.CloseFolderManager();
    const bool read = jobs_.ReadFile(FolderPath(chosen), kFolderSeparator, kFolderBlockSize, blocks);
    if (managerWasOpen) host_.ReopenFolderManager();
    return read;
}

void TfrmViewer::fbFolderClick() {
    if (Busy() || selectingFolder_) return;
    // The client's folder choice disables only the client's frame: the
    // viewer stays closable meanwhile, and its close waits for this.
    Operation operation(*this);
    pnButtons.SetEnabled(false);
    selectingFolder_ = true;
    HWND previousParent = reinterpret_cast<HWND>(GetWindowLongPtrA(Handle(), GWLP_HWNDPARENT));
    HWND main = CurrentSession().HostMain();
    if (main && IsWindow(main)) SetWindowLongPtrA(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(main));
    // Every way out of the choice gives the viewer back its parent, its
    // buttons and a cleared flag.
    struct Restore {
        TfrmViewer& viewer;
        HWND parent;
        bool buttons = true;
        ~Restore() {
            if (viewer.Handle()) SetWindowLongPtrA(viewer.Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(parent));
            viewer.selectingFolder_ = false;
            if (buttons) viewer.pnButtons.SetEnabled(true);
        }
    };
    std::deque<std::string> blocks;
    {
        Restore restore{*this, previousParent};
        if (!ReadFolder(blocks)) return;
        // Blocks are far larger than the header: it lies in the first one.
        if (blocks.front().size() <= kFolderHeaderSize) {
            jobs_.Error(kFolderEmpty);
            return;
        }
        restore.buttons = false;
    }
    blocks.front().erase(0, kFolderHeaderSize);
    LoadFolder(std::move(blocks));
}

// The folder's blocks end after a message each: every block is let go as
// soon as its messages are shown. The shown text grows in rooms of a block's
// size and is joined once at the end, so that at no time are the folder and
// the text held twice over (a string grown by doubling holds its old and its
// new room at once).
void TfrmViewer::LoadFolder(std::deque<std::string> blocks) {
    std::size_t total = 0;
    for (const std::string& block : blocks) total += block.size();
    ProgressStart(texts::Get(txt::LOAD_FOLDER), std::uint32_t(std::min<std::size_t>(total, 0xFFFFFFFFu)));
    std::vector<std::string> rooms;
    std::size_t length = 0, pieces = 0;
    bool failed = false, tooLong = false, stopped = false;
    try {
        jobs_.ReloadConfig();
        jobs_.StopCacheTimer();
        jobs_.ResetJobs();
        jobs_.SetBatch(true);
        while (!blocks.empty() && !stopped) {
            std::string_view rest(blocks.front());
            const bool last = blocks.size() == 1;
            for (;;) {
                const std::size_t separator = rest.find(kFolderSeparator);
                const std::string_view message = rest.substr(0, separator);
                // A folder ending in its separator has no message after it.
                if (message.find_first_not_of("\r\n \t") != std::string_view::npos) {
                    std::string body = jobs_.ExtractBody(message);
                    // The folder stops where the edit's capacity ends.
                    const std::size_t bodyPieces = EditPieces(body);
                    tooLong = !FitsViewer(length + body.size(), pieces + bodyPieces);
                    if (!tooLong) {
                        if (rooms.empty() || rooms.back().capacity() - rooms.back().size() < body.size()) {
                            rooms.emplace_back();
                            rooms.back().reserve(std::max(kFolderBlockSize, body.size()));
                        }
                        rooms.back().append(body);
                        length += body.size();
                        pieces += bodyPieces;
                    }
                    WipeText(body);
                    if (tooLong) break;
                }
                if (separator == std::string_view::npos) break;
                rest.remove_prefix(separator + 1);
                // The block's end is the next block's start, not a message of its own.
                if (!ProgressStep(std::uint32_t(separator + 1))) {
                    stopped = true;
                    break;
                }
                if (rest.empty() && !last) break;
            }
            if (tooLong) stopped = true;
            blocks.pop_front();
        }
    } catch (...) {
        failed = true;
    }
    // The folder as read is done with: it goes before the text is shown.
    blocks.clear();
    std::string result;
    try {
        if (rooms.size() == 1) {
            result = std::move(rooms.front());
            rooms.clear();
        }
        if (!rooms.empty()) result.reserve(length);
        for (std::string& room : rooms) {
            result.append(room);
            WipeText(room);
        }
    } catch (...) {
        failed = true;
    }
    for (std::string& room : rooms) WipeText(room);
    rooms.clear();
    jobs_.SetBatch(false);
    jobs_.RearmCacheTimer();
    Pause(kFolderPauseMs);
    ProgressEnd();
    if (CloseDeferred()) {
        WipeText(result);
        return;
    }
    if (failed) jobs_.Error(texts::Get(txt::READ_ERROR));
    if (tooLong) jobs_.Error(texts::Get(txt::LENGTH_ERROR));
    LoadText(std::move(result));
    pnButtons.SetEnabled(true);
}

void TfrmViewer::ProgressStart(const std::string& caption, std::uint32_t max) {
    RECT edit = deViewer.Bounds();
    const int scroll = GetSystemMetrics(SM_CXVSCROLL);
    const int width = std::max<int>(120, (edit.right - edit.left) - 2 * scroll);
    const int x = edit.left + ((edit.right - edit.left) - width) / 2;
    const int y = edit.top + ((edit.bottom - edit.top) - kProgressHeight) / 2;
    pnProgress.SetBounds(x, std::max<int>(edit.top, y), width, kProgressHeight);
    pnProgress.Realign();
    fbCancel.SetBounds((pnCancel.ClientWidth() - 30) / 2, 4, 30, 30);
    pnLabel.SetCaption(caption);
    gProgress.SetMax(max);
    gProgress.SetPosition(0);
    gProgress.SetColors(kGaugeBlue, WindowColor());
    SetModalResult(mrNone);
    pnProgress.SetEnabled(true);
    pnProgress.SetVisible(true);
    SetWindowPos(pnProgress.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    UpdateWindow(pnProgress.Handle());
}

bool TfrmViewer::ProgressStep(std::uint32_t advance) {
    ProcessMessages();
    gProgress.SetPosition(gProgress.Position() + advance);
    const int result = GetModalResult();
    return result != mrCancel && result != mrAbort;
}

void TfrmViewer::ProgressEnd() {
    pnProgress.SetVisible(false);
    pnLabel.SetCaption("");
    gProgress.SetPosition(0);
    pnProgress.SetEnabled(false);
    if (!modal_) SetModalResult(mrNone);
}

// ---- Progress display ----------------------------------------------------

void TfrmViewer::CreateProgress() {
    pnProgress.Create(&pnViewer, Align::None, 300, kProgressHeight);
    SetWindowLongA(pnProgress.Handle(), GWL_EXSTYLE,
                   GetWindowLongA(pnProgress.Handle(), GWL_EXSTYLE) | WS_EX_DLGMODALFRAME);
    pnLabel.Create(&pnProgress, Align::Top, 0, kLabelHeight);
    pnCancel.Create(&pnProgress, Align::Bottom, 0, kCancelHeight);
    fbCancel.Create(&pnCancel, 0, 4, 30, 30);
    fbCancel.SetGlyph(GlyphBitmap(Glyph::Cancel));
    fbCancel.modalResult = mrCancel;
    fbCancel.hint = texts::Get(txt::CANCEL_HINT);
    pnBar.Create(&pnProgress, Align::Client, 0, 0, kBarBorder);
    gProgress.Create(&pnBar);
    gProgress.SetAlign(Align::Client);
    pnProgress.SetVisible(false);
    pnProgress.SetEnabled(false);
}

}  // namespace orv::ui
