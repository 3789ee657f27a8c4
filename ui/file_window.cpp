#include "base/whole_file.h"
#include "ui/file_window.h"

#include <richedit.h>
#include <shellapi.h>

#include <algorithm>

#include "base/wipe_text.h"
#include "strings/text_client.h"
#include "ui/file_names.h"
#include "ui/look.h"
#include "ui/pgp_find.h"

namespace orv::ui {

namespace {

constexpr int kClientWidth = 632;
constexpr int kClientHeight = 393;
constexpr int kButton = 30;
constexpr int kButtonStep = 34;
constexpr int kButtonsWidth = 96;
constexpr int kViewBorder = 10;
constexpr int kSpaceWidth = 4;
// The run starts from a posted message, outside the handler that asked for it.
constexpr UINT kRunDecrypt = WM_APP + 1;

// Results the window itself gives a file, in the engine's numbering.
constexpr long kUserCancel = -11987;
constexpr long kIllegalFileOperation = -11992;

// Filters of the session's dialogs: 1 text, 2 PGP.
constexpr int kTextFilter = 1;
constexpr int kPGPFilter = 2;

std::string TextOf(int number) { return texts::Get(number); }

using orv::FileExists;

std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH * 2] = {};
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

void WipeText(std::string& text) {
    WipeBytes(text.data(), text.size());
    text.clear();
}

// Reads at most limit + 1 bytes: enough to tell that a file is too long.
bool ReadHead(const std::string& path, std::size_t limit, std::string& bytes, bool& tooLong) {
    bytes.clear();
    tooLong = false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != FALSE;
    if (ok && static_cast<unsigned long long>(size.QuadPart) > limit) {
        tooLong = true;
    } else if (ok) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            DWORD n = 0;
            ok = ReadFile(file, &bytes[done], static_cast<DWORD>(bytes.size() - done), &n, nullptr) && n > 0;
            done += n;
        }
        if (!ok) WipeText(bytes);
    }
    CloseHandle(file);
    return ok;
}

}  // namespace

bool THintBtn::DialogChar(char upper) {
    if (upper == 0 || AccelChar(hint) != upper || !CanFocus()) return false;
    Click();
    return true;
}

LRESULT TStatusPanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PAINT) return TPanel::HandleMessage(msg, wp, lp);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Handle(), &ps);
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(dc, &r, SolidBrush(Color()));
    HGDIOBJ old = SelectObject(dc, Font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
    const std::string text = Text();
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
    EndPaint(Handle(), &ps);
    return 0;
}

void TBevelPanel::EraseBackground(HDC dc) {
    TPanel::EraseBackground(dc);
    RECT r;
    GetClientRect(Handle(), &r);
    InflateRect(&r, -bevelInset, -bevelInset);
    DrawEdge(dc, &r, BDR_SUNKENINNER, BF_RECT);
}

TfrmServer::TfrmServer(TServerJobs& jobs) : jobs_(jobs) {}

TfrmServer::~TfrmServer() {
    WipeText(rawText_);
    DropTemporaryOutput();
}

bool TfrmServer::Create(const std::vector<std::string>& startFiles) {
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    if (!CreateForm(kServerWindowClass, kServerCaption, style, 0, kClientWidth, kClientHeight, nullptr))
        return false;
    SetClientSize(kClientWidth, kClientHeight);
    keyPreview = true;

    pnButtons.Create(this, Align::Right, kButtonsWidth, 0);
    pnTop.Create(&pnButtons, Align::Top, 0, 4 * kButtonStep + 4);
    const int left = (kButtonsWidth - kButton) / 2;
    struct TopButton {
        THintBtn* button;
        Glyph glyph;
        int hint;
    } top[] = {{&fbConfig, Glyph::Key, txt::CONFIG_HINT},
               {&fbWrap, Glyph::Picture, txt::WORDWRAP_HINT},
               {&fbFindFirst, Glyph::Find, txt::FF_HINT},
               {&fbFindNext, Glyph::Find, txt::FN_HINT}};
    for (int i = 0; i < 4; ++i) {
        top[i].button->Create(&pnTop, left, 4 + i * kButtonStep, kButton, kButton);
        top[i].button->SetGlyph(GlyphBitmap(top[i].glyph));
        top[i].button->hint = TextOf(top[i].hint);
    }
    pnBottom.Create(&pnButtons, Align::Bottom, 0, 2 * kButtonStep + 8);
    fbDecrypt.Create(&pnBottom, 4, 4, kButtonsWidth - 8, kButton, TextOf(txt::DEC_HINT));
    fbDecrypt.SetGlyph(GlyphBitmap(Glyph::Ok));
    fbDecrypt.hint = TextOf(txt::DEC_HINT);
    fbEncrypt.Create(&pnBottom, 4, 4 + kButtonStep, kButtonsWidth - 8, kButton, TextOf(txt::ENC_HINT));
    fbEncrypt.SetGlyph(GlyphBitmap(Glyph::Key));
    fbEncrypt.hint = TextOf(txt::ENC_HINT);

    pnView.bevelInset = kViewBorder - 1;
    pnView.Create(this, Align::Client, 0, 0, kViewBorder);
    pnSpace.Create(&pnView, Align::Left, kSpaceWidth, 0);
    deServer.Create(&pnView, WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
                                 ES_AUTOHSCROLL | ES_NOHIDESEL);
    deServer.align = Align::Client;
    SendMessageA(deServer.Handle(), EM_EXLIMITTEXT, 0, static_cast<LPARAM>(kServerTextLimit));
    deServer.SetAcceptFiles(true);
    pnLoadCfg.Create(&pnView, Align::None, 10, 10);
    pnLoadCfg.SetText(TextOf(txt::LOAD_CFG));
    pnLoadCfg.SetVisible(false);
    pnView.Realign();

    fbConfig.onClick = [this] { fbConfigClick(); };
    fbWrap.onClick = [this] { fbWrapClick(); };
    fbFindFirst.onClick = [this] { fbFindFirstClick(); };
    fbFindNext.onClick = [this] { fbFindNextClick(); };
    fbDecrypt.onClick = [this] { fbClick(false); };
    fbEncrypt.onClick = [this] { fbClick(true); };
    deServer.onFileDropped = [this] { deServerFileDropped(); };

    // The edit keeps its list in reverse: the first file named is taken first.
    for (auto it = startFiles.rbegin(); it != startFiles.rend(); ++it) deServer.files.push_back(*it);
    wrap_ = false;
    SendMessageA(deServer.Handle(), EM_SETTARGETDEVICE, 0, 1);
    ApplyColors();
    ShowCaption();
    return true;
}

void TfrmServer::ApplyColors() {
    SetColor(WindowColor());
    pnSpace.SetColor(FieldColor());
    deServer.SetColor(FieldColor());
    pnLoadCfg.SetColor(GetSysColor(COLOR_ACTIVECAPTION));
}

void TfrmServer::BeforeShow() {
    Realign();
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT me{};
    GetWindowRect(Handle(), &me);
    const int w = me.right - me.left, h = me.bottom - me.top;
    SetWindowPos(Handle(), nullptr, work.left + ((work.right - work.left) - w) / 2,
                 work.top + ((work.bottom - work.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

HWND TfrmServer::InitialFocus() { return fbEncrypt.Handle(); }

void TfrmServer::ShowCaption(bool idle) {
    std::string caption = kServerCaption;
    if (idle || source_.empty()) {
        caption += TextOf(txt::_EXPLORER);
    } else if (!output_.empty()) {
        caption += ShortName(source_) + " => " + (temporaryOutput_ ? std::string(" ...") : ShortName(output_));
    } else {
        caption += ShortName(source_);
        if (deServer.files.size() >= 2) caption += TextOf(txt::OUT_OF) + std::to_string(deServer.files.size());
    }
    SetText(caption);
}

void TfrmServer::ShowLoadStatus(bool show) {
    if (show) {
        const std::string text = pnLoadCfg.Text();
        const SIZE extent = TextExtent(pnLoadCfg.Font(), text);
        LOGFONTA font{};
        GetObjectA(pnLoadCfg.Font(), sizeof font, &font);
        const int border = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
        const int w = extent.cx + 2 * border, h = extent.cy + 2 * border;
        pnLoadCfg.SetBounds((pnView.ClientWidth() - w) / 2, (pnView.ClientHeight() - h) / 2, w, h);
        SetWindowPos(pnLoadCfg.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    pnLoadCfg.SetVisible(show);
    if (show) UpdateWindow(pnLoadCfg.Handle());
}

// ---- Runs --------------------------------------------------------------------

void TfrmServer::deServerFileDropped() {
    fbEncrypt.SetFocus();
    SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(Handle());
    // A drop during a run only lengthens the list the run is taking from.
    if (!running_) PostMessageA(Handle(), kRunDecrypt, 0, 0);
}

void TfrmServer::fbClick(bool encrypt) {
    if (running_) return;
    running_ = true;
    encrypt_ = encrypt;
    deServer.SetText("");
    WipeText(rawText_);
    source_.clear();
    output_.clear();
    sameExtension_ = false;
    sameExtensionAsked_ = false;
    written_.clear();
    jobs_.BeginRun();
    try {
        for (bool first = true; NextSource(first); first = false) ProcessSource();
    } catch (...) {
        // The run ends; the frame below still puts the timer and caption back.
    }
    // However the run ended, no plain copy stays in the temporary folder.
    DropTemporaryOutput();
    jobs_.EndRun();
    output_.clear();
    ShowCaption(true);
    running_ = false;
}

bool TfrmServer::NextSource(bool firstOfRun) {
    if (deServer.files.empty()) {
        if (!firstOfRun) return false;
        TOpenDialogEx& open = jobs_.OpenDialog();
        open.SetClipboardCaption("");
        open.filterIndex = encrypt_ ? kTextFilter : kPGPFilter;
        open.initialDir = sourceDir_;
        // Before the first file the dialog starts where the program runs.
        if (open.initialDir.empty()) {
            char current[MAX_PATH] = {};
            GetCurrentDirectoryA(MAX_PATH, current);
            open.initialDir = current;
        }
        open.fileName.clear();
        open.parent = Handle();
        // The session's dialog is shared: only this run chooses several files.
        open.allowMultiple = true;
        const bool chosen = open.Execute();
        open.allowMultiple = false;
        if (!chosen || open.fileNames.empty()) return false;
        // The list is taken from its end: the first chosen file goes last.
        deServer.files.assign(open.fileNames.rbegin(), open.fileNames.rend());
    }
    source_ = FullPath(deServer.files.back());
    sourceDir_ = DirectoryOf(source_);
    output_.clear();
    temporaryOutput_ = false;
    ShowCaption();
    deServer.files.pop_back();
    return true;
}

void TfrmServer::ProcessSource() {
    for (;;) {
        lastResult_ = TryFile();
        if (lastResult_ == 0) {
            if (FileExists(output_)) {
                if (!temporaryOutput_) written_.push_back(output_);
                AfterProcessing();
            } else {
                output_.clear();
            }
            return;
        }
        ForgetCreatedOutput();
        // Only an explicit No tries the file again; a box closed without an
        // answer goes on.
        const std::string question = TextOf(txt::_LEAVE) + ShortName(source_) + TextOf(txt::_UNMOD);
        if (jobs_.Ask(question) != mrNo) return;
    }
}

// Steps of one file: analysis, output name, the job. 0 on success.
long TfrmServer::TryFile() {
    output_.clear();
    temporaryOutput_ = false;
    outputExisted_ = false;
    bool encrypted = false;
    long result = jobs_.AnalyzeFile(source_, encrypted);
    if (result != 0) return result;
    sourceEncrypted_ = encrypted;
    result = ChooseOutput(encrypted);
    if (result != 0) return result;

    outputExisted_ = FileExists(output_);
    ShowCaption();
    ShowText("\r\n" + TextOf(txt::_TRYING) + TextOf(encrypt_ ? txt::_ENCRYPT : txt::_DECRYPT) + "\r\n\r\n" +
             Quoted(source_) + " ...");
    return jobs_.FileJob(source_, output_, encrypt_);
}

long TfrmServer::ChooseOutput(bool encrypted) {
    // Only decrypting encrypted data goes to a temporary file to be shown;
    // an output to encrypt is always named.
    askName_ = !sameExtension_ && (encrypt_ || !encrypted);
    if (!sameExtensionAsked_ && !deServer.files.empty()) {
        sameExtensionAsked_ = true;
        if (Agreed(TextOf(txt::AUTO_MODE))) {
            sameExtension_ = true;
            askName_ = true;
        }
    }
    if (askName_) {
        if (!AskOutputName(!encrypt_)) return kUserCancel;
    } else if (sameExtension_) {
        output_ = OutputByRule(encrypt_, source_, outputDir_, outputExt_);
    } else {
        char dir[MAX_PATH] = {}, name[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, dir);
        if (!GetTempFileNameA(dir, "orv", 0, name)) return kIllegalFileOperation;
        // The job writes a new file of that name.
        DeleteFileA(name);
        output_ = name;
        temporaryOutput_ = true;
        return 0;
    }
    return RefuseOutput();
}

// An output on the source itself, or on an output this run already wrote,
// would destroy the data it comes from.
long TfrmServer::RefuseOutput() {
    output_ = FullPath(output_);
    bool clash = SamePath(output_, source_);
    for (const std::string& done : written_) clash = clash || SamePath(output_, done);
    if (!clash) return 0;
    jobs_.Error(Quoted(output_) + "\r\n\r\n" + texts::ErrorText(kIllegalFileOperation));
    output_.clear();
    return kIllegalFileOperation;
}

bool TfrmServer::AskOutputName(bool forDecrypted) {
    TSaveDialogEx& save = jobs_.SaveDialog();
    save.SetClipboardCaption("");
    save.parent = Handle();
    save.filterIndex = forDecrypted ? kTextFilter : kPGPFilter;
    save.fileName = forDecrypted ? WithoutExtension(FileNameOf(source_)) : FileNameOf(source_) + ".pgp";
    save.initialDir = outputDir_.empty() ? sourceDir_ : outputDir_;
    save.title = TextOf(txt::_SAVE) + TextOf(forDecrypted ? txt::_DECRYPTED : txt::_ENCRYPTED) + TextOf(txt::FILE_AS);
    if (!save.Execute() || save.fileName.empty() || save.fileName == kClipboardFileName) return false;
    output_ = FullPath(save.fileName);
    outputDir_ = DirectoryOf(output_);
    outputExt_ = ExtensionOf(output_);
    return true;
}

// A failed file leaves nothing behind that this run made; a file that was
// there before keeps its content.
void TfrmServer::ForgetCreatedOutput() {
    if (!output_.empty() && (temporaryOutput_ || !outputExisted_) && FileExists(output_)) jobs_.WipeFile(output_);
    output_.clear();
    temporaryOutput_ = false;
}

// ---- After a file -------------------------------------------------------------

void TfrmServer::AfterProcessing() {
    if (sameExtension_) {
        if (deServer.files.empty())
            jobs_.Info(TextOf(txt::OUTPUT_IN) + "\r\n\r\n" + outputDir_ + "*" + outputExt_);
        return;
    }
    if (sourceEncrypted_ && temporaryOutput_) {
        if (ShowDecryptedText()) return;
        // The only plain copy must not stay a temporary file while the user
        // is offered to delete the source.
        if (!SaveTemporaryOutput()) return;
    }
    deServer.SetText("");
    OfferDeleteSource();
}

// True when the decrypted text is shown and its temporary file wiped.
bool TfrmServer::ShowDecryptedText() {
    std::string bytes;
    bool tooLong = false;
    if (!ReadHead(output_, kServerTextLimit, bytes, tooLong)) {
        if (!tooLong) return false;
    }
    if (tooLong) {
        jobs_.Error(TextOf(txt::LENGTH_ERROR));
        return false;
    }
    if (HasBinaryData(bytes)) {
        WipeText(bytes);
        jobs_.Error(TextOf(txt::BINARY_ERROR));
        return false;
    }
    ShowText(bytes);
    rawText_.swap(bytes);
    WipeText(bytes);
    jobs_.WipeFile(output_);
    output_.clear();
    temporaryOutput_ = false;
    return true;
}

// True when the temporary output took the name the user chose. Otherwise it
// is wiped: the source stays, and no plain copy stays in the temporary folder.
bool TfrmServer::SaveTemporaryOutput() {
    const std::string temporary = output_;
    const bool named = AskOutputName(true) && RefuseOutput() == 0;
    if (named && jobs_.PlaceFile(temporary, output_)) {
        if (FileExists(temporary)) jobs_.WipeFile(temporary);
        written_.push_back(output_);
        temporaryOutput_ = false;
        return true;
    }
    if (named) jobs_.Error(Quoted(output_) + "\r\n\r\n" + TextOf(txt::WRITE_ERROR));
    output_ = temporary;
    DropTemporaryOutput();
    return false;
}

void TfrmServer::DropTemporaryOutput() noexcept {
    try {
        if (temporaryOutput_ && FileExists(output_)) jobs_.WipeFile(output_);
    } catch (...) {
    }
    output_.clear();
    temporaryOutput_ = false;
}

bool TfrmServer::Agreed(const std::string& question) { return jobs_.Ask(question) == mrYes; }

void TfrmServer::OfferDeleteSource() {
    const std::string question =
        TextOf(txt::OUTPUT_IN) + "\r\n\r\n" + output_ + "." + "\r\n\r\n" + TextOf(txt::DEL_SOURCE);
    if (!Agreed(question)) return;
    const DWORD attributes = GetFileAttributesA(source_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        const std::string protectedText = Quoted(source_) + "\r\n\r\n" + TextOf(txt::IS_PROTECTED) + "." + "\r\n\r\n" +
                                          TextOf(txt::DEL_ANYWAY);
        if (!Agreed(protectedText)) return;
        SetFileAttributesA(source_.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    if (jobs_.WipeFile(source_)) {
        source_.clear();
        return;
    }
    jobs_.Warn(TextOf(txt::CANNOT_DEL) + "\r\n" + source_);
}

void TfrmServer::ShowText(const std::string& text) {
    // Rich text is recognised by its opening; anything else shows as it is.
    SETTEXTEX how{ST_DEFAULT, CP_ACP};
    if (IsRichText(text)) {
        SendMessageA(deServer.Handle(), EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
                     reinterpret_cast<LPARAM>(text.c_str()));
    } else {
        SendMessageA(deServer.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

// ---- Buttons and keys ---------------------------------------------------------

void TfrmServer::fbConfigClick() {
    if (running_) return;
    ShowLoadStatus(true);
    jobs_.ShowConfig();
    ShowLoadStatus(false);
    ApplyColors();
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TfrmServer::fbWrapClick() {
    wrap_ = !wrap_;
    SendMessageA(deServer.Handle(), EM_SETTARGETDEVICE, 0, wrap_ ? 0 : 1);
    InvalidateRect(deServer.Handle(), nullptr, TRUE);
}

void TfrmServer::fbFindFirstClick() {
    std::string proposed = searchText_;
    const std::string selected = deServer.SelectedText();
    if (!selected.empty() && selected.size() < 60) proposed = selected;
    const FindAnswer answer = ShowFindDialog(proposed, searchOptions_, true);
    searchText_ = answer.text;
    if (searchText_.empty()) return;
    searchOptions_ = answer.options;
    SearchText(false);
}

void TfrmServer::fbFindNextClick() {
    if (searchRunning_) return;
    if (searchText_.empty()) {
        fbFindFirstClick();
        return;
    }
    SearchText(false);
}

void TfrmServer::SearchText(bool fromStart) {
    searchRunning_ = true;
    CHARRANGE selection{};
    SendMessageA(deServer.Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    FINDTEXTEXA find{};
    find.chrg.cpMin = fromStart ? 0 : selection.cpMax;
    find.chrg.cpMax = -1;
    find.lpstrText = searchText_.c_str();
    WPARAM flags = FR_DOWN;
    if (searchOptions_ & kFindCaseSensitive) flags |= FR_MATCHCASE;
    if (searchOptions_ & kFindWholeWords) flags |= FR_WHOLEWORD;
    const LRESULT at = SendMessageA(deServer.Handle(), EM_FINDTEXTEX, flags, reinterpret_cast<LPARAM>(&find));
    if (at >= 0) {
        SendMessageA(deServer.Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&find.chrgText));
        SendMessageA(deServer.Handle(), EM_SCROLLCARET, 0, 0);
    } else if (!fromStart && Agreed(TextOf(txt::NOT_FOUND) + TextOf(txt::RE_SEARCH))) {
        searchRunning_ = false;
        SearchText(true);
        return;
    } else if (fromStart) {
        jobs_.Info(TextOf(txt::NOT_FOUND));
    }
    searchRunning_ = false;
}

namespace {

BOOL CALLBACK FindExplorer(HWND wnd, LPARAM lp) {
    char title[256] = {};
    GetWindowTextA(wnd, title, sizeof title);
    if (std::string(title).find("Explorer -") == std::string::npos) return TRUE;
    *reinterpret_cast<HWND*>(lp) = wnd;
    return FALSE;
}

}  // namespace

void TfrmServer::StartExplorer() {
    HWND found = nullptr;
    EnumWindows(FindExplorer, reinterpret_cast<LPARAM>(&found));
    if (found) {
        if (IsIconic(found)) ShowWindow(found, SW_RESTORE);
        SetForegroundWindow(found);
        return;
    }
    ShellExecuteA(Handle(), "open", "Explorer.exe", nullptr, nullptr, SW_SHOWNORMAL);
}

bool TfrmServer::PreviewKey(MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    if (ctrl && msg.wParam == 'E') {
        StartExplorer();
        return true;
    }
    if (ctrl && msg.wParam == 'F') {
        fbFindFirstClick();
        return true;
    }
    if ((ctrl && msg.wParam == 'G') || msg.wParam == VK_F3) {
        if (!searchRunning_) fbFindNextClick();
        return true;
    }
    if (msg.wParam == VK_ESCAPE) {
        CHARRANGE selection{};
        SendMessageA(deServer.Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        selection.cpMin = selection.cpMax;
        SendMessageA(deServer.Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        return true;
    }
    return false;
}

bool TfrmServer::CloseQuery() {
    // A run holds the window until its last file is through.
    if (running_) return false;
    const bool leaving = (lastResult_ == 0 && !source_.empty()) || !deServer.files.empty();
    if (!leaving) return true;
    return Agreed(TextOf(txt::LEAVE_UNENC));
}

LRESULT TfrmServer::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kRunDecrypt:
        fbClick(false);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && !activated_) {
            activated_ = true;
            if (!deServer.files.empty()) PostMessageA(Handle(), kRunDecrypt, 0, 0);
        }
        break;
    case WM_GETMINMAXINFO:
        if (activated_) {
            RECT frame{0, 0, 0, pnTop.Height() + pnBottom.Height()};
            AdjustWindowRectEx(&frame, DWORD(GetWindowLongA(Handle(), GWL_STYLE)), FALSE,
                               DWORD(GetWindowLongA(Handle(), GWL_EXSTYLE)));
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, frame.bottom - frame.top);
            return 0;
        }
        break;
    case WM_SIZE: {
        const LRESULT result = Form::HandleMessage(msg, wp, lp);
        if (deServer.Handle()) InvalidateRect(deServer.Handle(), nullptr, TRUE);
        return result;
    }
    default:
        break;
    }
    return Form::HandleMessage(msg, wp, lp);
}

}  // namespace orv::ui
