#include "ui/file_dialog_ex.h"

#include "base/text.h"
#include "strings/text_client.h"
#include "base/whole_file.h"
#include "ui/file_names.h"
#include "ui/look.h"

#include <commdlg.h>
#include <dlgs.h>

#include <cctype>

namespace orv::ui {

namespace {

constexpr const char* kObjectProp = "OrvFileDialogObject";
constexpr size_t kFileNameChars = 65535;

// The dialog's result: one full path, or with several files chosen the
// folder followed by each name, every part ended by a zero and the list by
// a second one.
std::vector<std::string> ChosenFiles(const std::vector<char>& result) {
    std::vector<std::string> parts;
    for (std::size_t at = 0; at < result.size() && result[at] != '\0';) {
        const std::string part(&result[at]);
        parts.push_back(part);
        at += part.size() + 1;
    }
    if (parts.size() < 2) return parts;
    std::string folder = parts.front();
    if (folder.back() != '\\') folder += '\\';
    std::vector<std::string> files;
    for (std::size_t i = 1; i < parts.size(); ++i) files.push_back(folder + parts[i]);
    return files;
}

// The default extension of a filter entry: its first pattern's, without wildcards.
std::string FilterExtension(const std::string& line) {
    size_t bar = line.find('|');
    if (bar == std::string::npos) return {};
    std::string pattern = line.substr(bar + 1);
    pattern = pattern.substr(0, pattern.find(';'));
    size_t dot = pattern.rfind('.');
    if (dot == std::string::npos) return {};
    std::string ext = pattern.substr(dot + 1);
    if (ext.find_first_of("*?") != std::string::npos) return {};
    return ext;
}

// The dialog being run on this thread, for the accelerator of its extra button.
thread_local TFileDialogEx* t_running = nullptr;
thread_local HWND t_runningBox = nullptr;

}  // namespace

std::vector<std::string> SessionFileFilter() {
    return {"Text (*.txt, *.rtf, *.doc, *.wri)|*.txt;*.rtf;*.doc;*.wri",
            "PGP (*.asc, *.pgp, *.sig, *.gpg)|*.asc;*.pgp;*.sig;*.gpg",
            "Keys (*.asc, *.pkr, *.pubkr, *.gpg)|*.asc;*.pkr;*.pubkr;*.gpg", "All (*.*)|*.*"};
}

TOpenDialogEx SessionOpenDialog() {
    TOpenDialogEx dialog;
    dialog.filter = SessionFileFilter();
    dialog.title = texts::Get(txt::OPEN_FILE);
    return dialog;
}

TSaveDialogEx SessionSaveDialog() {
    TSaveDialogEx dialog;
    dialog.filter = SessionFileFilter();
    dialog.title = texts::Get(txt::SAVE_FILE);
    return dialog;
}

std::string TFileDialogEx::JoinFilter(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& raw : lines) {
        std::string line(Trim(raw));
        if (line.empty()) continue;
        if (!joined.empty()) joined += '|';
        joined += line;
    }
    // The system's form: every "|" a zero, and a double zero at the end.
    for (char& c : joined)
        if (c == '|') c = '\0';
    joined.push_back('\0');
    joined.push_back('\0');
    return joined;
}

namespace {

// What a run hands the dialog: its start folder and the proposed name.
struct Proposal {
    std::string initialDir;
    std::string file;
};

std::string CurrentDirectory() {
    std::vector<char> current(32768, '\0');
    const DWORD n = GetCurrentDirectoryA(DWORD(current.size()), current.data());
    return n > 0 && n < current.size() ? std::string(current.data(), n) : std::string();
}

// The dialog joins its folder and the name in a path's room: a longer
// proposal (an attachment's name, a subject) overran it at Save. The name
// is cut to fit the folder it goes to; a folder beyond the room is not handed over.
Proposal Propose(const std::string& fileName, const std::string& initialDir, std::size_t reserved) {
    const std::size_t slash = fileName.find_last_of("\\/");
    std::string ownDir = slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
    const std::string bare = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    if (ownDir.size() >= kPathChars) ownDir.clear();
    Proposal p;
    p.initialDir = !initialDir.empty() || ownDir.empty() ? initialDir : ownDir.substr(0, ownDir.size() - 1);
    if (p.initialDir.size() >= kPathChars) p.initialDir.clear();
    const std::string folder = !ownDir.empty() ? ownDir : !p.initialDir.empty() ? p.initialDir : CurrentDirectory();
    p.file = ownDir + NameFittingFolder(folder, bare, reserved);
    return p;
}

}  // namespace

bool TFileDialogEx::Execute() {
    clipboardChosen_ = false;
    std::string filterText = JoinFilter(filter);
    std::string defExt;
    if (filterIndex >= 1 && size_t(filterIndex) <= filter.size()) defExt = FilterExtension(filter[size_t(filterIndex) - 1]);
    // A saved name may get the default extension, and its file is written
    // through a side file beside it.
    const std::size_t reserved = save_ ? (defExt.empty() ? 0 : defExt.size() + 1) + kSideNameRoom : 0;
    const Proposal proposal = Propose(fileName, initialDir, reserved);
    std::vector<char> name(kFileNameChars + 1, '\0');
    proposal.file.copy(name.data(), kFileNameChars);
    bool withButton = !clipboardCaption_.empty();
    int templateId = (save_ ? 2 : 1) + (withButton ? 2 : 0);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = parent ? parent : CurrentSession().Owner();
    if (ofn.hwndOwner && !IsWindow(ofn.hwndOwner)) ofn.hwndOwner = nullptr;
    ofn.hInstance = ResourceModule();
    ofn.lpstrFilter = filterText.c_str();
    ofn.nFilterIndex = DWORD(filterIndex > 0 ? filterIndex : 1);
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = DWORD(kFileNameChars);
    ofn.lpstrInitialDir = proposal.initialDir.empty() ? nullptr : proposal.initialDir.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_PATHMUSTEXIST |
                OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_ENABLESIZING;
    ofn.Flags |= save_ ? OFN_NOREADONLYRETURN : OFN_FILEMUSTEXIST;
    if (allowMultiple && !save_) ofn.Flags |= OFN_ALLOWMULTISELECT;
    fileNames.clear();
    ofn.lCustData = reinterpret_cast<LPARAM>(this);
    ofn.lpfnHook = HookProc;
    ofn.lpTemplateName = MAKEINTRESOURCEA(templateId);
    ofn.lpstrDefExt = defExt.empty() ? nullptr : defExt.c_str();

    // The button's letter wins over the dialog's own mnemonics ("Save as &type").
    HHOOK filter = nullptr;
    if (withButton)
        filter = SetWindowsHookExA(WH_MSGFILTER, AcceleratorFilter, nullptr, GetCurrentThreadId());
    TFileDialogEx* outer = t_running;
    HWND outerBox = t_runningBox;
    t_running = this;
    t_runningBox = nullptr;
    BOOL ok = save_ ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    t_running = outer;
    t_runningBox = outerBox;
    if (filter) UnhookWindowsHookEx(filter);
    if (clipboardChosen_) {
        fileName = kClipboardFileName;
        return true;
    }
    if (!ok) return false;
    fileNames = ChosenFiles(name);
    fileName = fileNames.empty() ? std::string() : fileNames.front();
    size_t slash = fileName.find_last_of("\\/");
    if (slash != std::string::npos) initialDir = fileName.substr(0, slash);
    filterIndex = int(ofn.nFilterIndex);
    return true;
}

HWND TFileDialogEx::RunningBox() { return t_runningBox; }

LRESULT CALLBACK TFileDialogEx::AcceleratorFilter(int code, WPARAM wp, LPARAM lp) noexcept {
    auto* msg = reinterpret_cast<MSG*>(lp);
    TFileDialogEx* self = t_running;
    if (code == MSGF_DIALOGBOX && msg && msg->message == WM_SYSCHAR && self && t_runningBox &&
        GetAncestor(msg->hwnd, GA_ROOT) == t_runningBox) {
        char accel = AccelOf(self->clipboardCaption_);
        if (accel && char(std::toupper(static_cast<unsigned char>(msg->wParam))) == accel) {
            self->clipboardChosen_ = true;
            PostMessageA(t_runningBox, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

char TFileDialogEx::AccelOf(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return char(std::toupper(static_cast<unsigned char>(caption[i + 1])));
    }
    return 0;
}

void TFileDialogEx::TypeChanged(HWND dlg, int index) {
    HWND box = GetParent(dlg);
    std::string ext;
    if (index >= 1 && size_t(index) <= filter.size()) ext = FilterExtension(filter[size_t(index) - 1]);
    SendMessageA(box, CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(ext.c_str()));
    // Setting the name again lets the dialog put the new default extension to it.
    char text[MAX_PATH] = {};
    HWND nameField = GetDlgItem(box, cmb13);
    if (!nameField) nameField = GetDlgItem(box, edt1);
    if (!nameField) return;
    GetWindowTextA(nameField, text, MAX_PATH);
    std::string current = text;
    if (current.empty()) return;
    if (!ext.empty()) {
        size_t dot = current.rfind('.');
        size_t slash = current.find_last_of("\\/");
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
            current = current.substr(0, dot) + "." + ext;
    }
    SetWindowTextA(nameField, current.c_str());
}

UINT_PTR CALLBACK TFileDialogEx::HookProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        if (msg == WM_INITDIALOG) {
            auto* ofn = reinterpret_cast<OPENFILENAMEA*>(lp);
            auto* self = reinterpret_cast<TFileDialogEx*>(ofn->lCustData);
            SetPropA(dlg, kObjectProp, self);
            if (t_running == self) t_runningBox = GetParent(dlg);
            if (HWND button = GetDlgItem(dlg, kClipboardButtonId)) {
                SetWindowTextA(button, self->clipboardCaption_.c_str());
                SendMessageA(button, WM_SETFONT, SendMessageA(GetParent(dlg), WM_GETFONT, 0, 0), TRUE);
            }
            return TRUE;
        }
        auto* self = static_cast<TFileDialogEx*>(GetPropA(dlg, kObjectProp));
        if (!self) return FALSE;
        switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wp) == kClipboardButtonId && HIWORD(wp) == BN_CLICKED) {
                self->clipboardChosen_ = true;
                PostMessageA(GetParent(dlg), WM_COMMAND, IDCANCEL, 0);
                return TRUE;
            }
            break;
        case WM_NOTIFY: {
            auto* note = reinterpret_cast<OFNOTIFYA*>(lp);
            if (note->hdr.code == CDN_TYPECHANGE) self->TypeChanged(dlg, int(note->lpOFN->nFilterIndex));
            break;
        }
        case WM_DESTROY:
            RemovePropA(dlg, kObjectProp);
            break;
        default:
            break;
        }
    } catch (...) {
    }
    return FALSE;
}

}  // namespace orv::ui
