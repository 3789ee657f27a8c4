#include "standin/mailclient/host.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "standin/mailclient/editor.h"

namespace orv::mailclient {

namespace {

constexpr const char* kFormHostClass = "WPMFORMHOST";
constexpr WORD kCmdDecryptFile = 202 + 0x100;
constexpr WORD kCmdEncryptFile = 203 + 0x100;
constexpr WORD kCmdVerifyFile = 204 + 0x100;
constexpr int kIdMdiClient = 0xCAC;
constexpr int kIdStatusLog = 0x5001;
constexpr int kIdStatusText = 0x5002;
constexpr int kFirstMdiChild = 0xFF00;
constexpr WORD kCmdNewMessage = 200;
constexpr WORD kCmdQuit = 201;
constexpr int kToolbarHeight = 28;
constexpr int kStatusLogHeight = 90;
constexpr int kStatusBarHeight = 22;

// Copies at most room characters and the zero; the answer is the length.
LRESULT CopyDir(const std::string& dir, WPARAM room, LPARAM buffer) {
    char* out = reinterpret_cast<char*>(buffer);
    if (!out) return 0;
    size_t n = std::min<size_t>(dir.size(), room);
    std::memcpy(out, dir.data(), n);
    out[n] = '\0';
    return LRESULT(n);
}

std::string ResultText(int result) { return std::to_string(result); }

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Bounded(const char* text, size_t room) {
    size_t n = 0;
    while (n < room && text[n]) ++n;
    return std::string(text, n);
}

bool SameText(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

}  // namespace

const char* CryptOpExport(CryptOp op) {
    switch (op) {
    case CryptOp::Encrypt: return host::kEncryptFileExName;
    case CryptOp::Sign: return host::kSignFileExName;
    case CryptOp::Decrypt: return host::kDecryptFileExName;
    case CryptOp::Verify: return host::kVerifySignatureName;
    case CryptOp::Keys: return host::kKeyManagementName;
    case CryptOp::Destroy: return host::kDestroyFileName;
    }
    return "";
}

LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
LRESULT CALLBACK FormHostProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

Host::Host(UserSetup user) : user_(std::move(user)) {
    settings[host::kSettingRightMargin] = 80;
    settings[host::kSettingEncloseAttachments] = 1;
    settings[host::kSettingLinesToScan] = 25;
    settings[host::kSettingEncodeStart] = 1;
}

Host::~Host() {
    if (frame_ && IsWindow(frame_)) DestroyWindow(frame_);
    // Extensions go after their windows.
    extensions_.clear();
}

Host* Host::From(HWND wnd) {
    while (wnd) {
        char cls[64] = {};
        GetClassNameA(wnd, cls, sizeof cls);
        if (!std::strcmp(cls, host::kFrameClass) || !std::strcmp(cls, kFormHostClass) ||
            !std::strcmp(cls, host::kEditorClass))
            return reinterpret_cast<Host*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
        wnd = GetParent(wnd);
    }
    return nullptr;
}

void Host::Log(const std::string& line) {
    if (onLog) onLog(line);
}

bool Host::Create(bool visible) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    if (!GetClassInfoExA(inst, host::kFrameClass, &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = FrameProc;
        wc.hInstance = inst;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        wc.lpszClassName = host::kFrameClass;
        if (!RegisterClassExA(&wc)) return false;
    }
    if (!GetClassInfoExA(inst, kFormHostClass, &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = FormHostProc;
        wc.hInstance = inst;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFormHostClass;
        if (!RegisterClassExA(&wc)) return false;
    }
    if (!GetClassInfoExA(inst, host::kStatusBarClass, &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = inst;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = host::kStatusBarClass;
        if (!RegisterClassExA(&wc)) return false;
    }
    for (const char* cls : {host::kReaderMdiClass, host::kReaderDialogClass}) {
        if (GetClassInfoExA(inst, cls, &wc)) continue;
        wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = std::strcmp(cls, host::kReaderMdiClass) == 0 ? DefMDIChildProcA : DefWindowProcA;
        wc.hInstance = inst;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = cls;
        if (!RegisterClassExA(&wc)) return false;
    }
    if (!RegisterEditorClass(inst)) return false;

    menu_ = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, kCmdNewMessage, "&New message");
    AppendMenuA(file, MF_STRING, kCmdDecryptFile, "&Decrypt message file...");
    AppendMenuA(file, MF_STRING, kCmdVerifyFile, "&Verify message file...");
    AppendMenuA(file, MF_STRING, kCmdEncryptFile, "&Encrypt message file...");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, kCmdQuit, "E&xit");
    AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    HMENU edit = CreatePopupMenu();
    AppendMenuA(edit, MF_STRING | MF_GRAYED, host::kCmdFind, "&Find...");
    AppendMenuA(edit, MF_STRING | MF_GRAYED, host::kCmdFindNext, "Find &next");
    AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
    HMENU window = CreatePopupMenu();
    AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(window), "&Window");
    HMENU help = CreatePopupMenu();
    AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");

    frame_ = CreateWindowExA(0, host::kFrameClass, host::kFrameCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             40, 40, 820, 680, nullptr, menu_, inst, this);
    if (!frame_) return false;
    if (visible) {
        ShowWindow(frame_, SW_SHOWNORMAL);
        UpdateWindow(frame_);
    }
    return true;
}

void Host::Layout() {
    RECT rc;
    GetClientRect(frame_, &rc);
    int w = rc.right, h = rc.bottom;
    int logTop = h - kStatusBarHeight - kStatusLogHeight;
    if (toolbar_) MoveWindow(toolbar_, 0, 0, w, kToolbarHeight, TRUE);
    MoveWindow(mdiClient_, 0, kToolbarHeight, w, std::max(0, logTop - kToolbarHeight), TRUE);
    MoveWindow(statusLog_, 0, logTop, w, kStatusLogHeight, TRUE);
    MoveWindow(statusBar_, 0, h - kStatusBarHeight, w, kStatusBarHeight, TRUE);
    MoveWindow(statusText_, 4, 3, std::max(0, w - 8), kStatusBarHeight - 6, TRUE);
    int x = 4;
    for (const Button& b : buttons_) {
        MoveWindow(b.wnd, x, 2, 110, kToolbarHeight - 4, TRUE);
        x += 114;
    }
}

HWND Host::ActiveMdiChild() const {
    if (!mdiClient_) return nullptr;
    return reinterpret_cast<HWND>(SendMessageA(mdiClient_, WM_MDIGETACTIVE, 0, 0));
}

HWND Host::NewEditor() {
    MDICREATESTRUCTA mc{};
    mc.szClass = host::kEditorClass;
    mc.szTitle = kEditorCaption;
    mc.hOwner = GetModuleHandleA(nullptr);
    mc.x = mc.y = CW_USEDEFAULT;
    mc.cx = 560;
    mc.cy = 440;
    mc.style = WS_VISIBLE;
    mc.lParam = reinterpret_cast<LPARAM>(this);
    HWND editor = reinterpret_cast<HWND>(SendMessageA(mdiClient_, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
    if (!editor) return nullptr;
    // The client announces the editor's dialog to the forms.
    host::DialogNotice notice{FindWindowExA(editor, nullptr, kEditorPaneClass, nullptr), host::kDialogEditor, 0};
    NotifyForms(host::kFormMsgNotify, host::kNotifyDialogOpened, reinterpret_cast<LPARAM>(&notice), 0);
    return editor;
}

HWND Host::OpenReader(const std::string& title, const std::string& text) {
    MDICREATESTRUCTA mc{};
    mc.szClass = host::kReaderMdiClass;
    mc.szTitle = title.c_str();
    mc.hOwner = GetModuleHandleA(nullptr);
    mc.x = mc.y = CW_USEDEFAULT;
    mc.cx = 560;
    mc.cy = 400;
    mc.style = WS_VISIBLE;
    HWND reader = reinterpret_cast<HWND>(SendMessageA(mdiClient_, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
    if (!reader) return nullptr;
    RECT rc;
    GetClientRect(reader, &rc);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    HWND pane = CreateWindowExA(0, host::kReaderDialogClass, "", WS_CHILD | WS_VISIBLE, 0, 0, rc.right, rc.bottom,
                                reader, nullptr, inst, nullptr);
    HWND view = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", text.c_str(),
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0,
                                rc.right, rc.bottom, pane, nullptr, inst, nullptr);
    SendMessageA(view, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), FALSE);
    host::DialogNotice notice{pane, host::kDialogReader, 0};
    NotifyForms(host::kFormMsgNotify, host::kNotifyDialogOpened, reinterpret_cast<LPARAM>(&notice), 0);
    return reader;
}

void Host::RunCryptOnChosenFile(CryptOp op) {
    Extension* ext = extensions_.empty() ? nullptr : extensions_.front().get();
    if (!ext) {
        Log("error no extension loaded");
        return;
    }
    char path[MAX_PATH] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = frame_;
    ofn.lpstrFilter = "Message files (*.PM$;*.CNM;*.txt)\0*.PM$;*.CNM;*.txt\0All files\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = user_.mailboxDir.c_str();
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn)) return;
    std::string file = path;
    std::string output = op == CryptOp::Decrypt ? file + ".out" : std::string();
    CryptOutcome r = RunCrypt(*ext, op, file, output, "");
    if (op == CryptOp::Verify && r.called)
        MessageBoxA(frame_, r.verifyText.empty() ? r.reaction.c_str() : r.verifyText.c_str(), "Signature", MB_OK);
}

std::vector<HWND> Host::Editors() const {
    std::vector<HWND> out;
    for (HWND w = FindWindowExA(mdiClient_, nullptr, host::kEditorClass, nullptr); w;
         w = FindWindowExA(mdiClient_, w, host::kEditorClass, nullptr))
        out.push_back(w);
    return out;
}

void Host::EditorClosing(HWND editor) {
    if (sendingEditor_ == editor) sendingEditor_ = nullptr;
    encryptionChoices_.erase(editor);
}

HWND Host::NewFormHost(const std::string& title) {
    MDICREATESTRUCTA mc{};
    mc.szClass = kFormHostClass;
    mc.szTitle = title.c_str();
    mc.hOwner = GetModuleHandleA(nullptr);
    mc.x = mc.y = CW_USEDEFAULT;
    mc.cx = 240;
    mc.cy = 120;
    mc.style = 0;  // hidden: it only carries the extension's windows
    mc.lParam = reinterpret_cast<LPARAM>(this);
    HWND wnd = reinterpret_cast<HWND>(SendMessageA(mdiClient_, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
    if (!wnd) return nullptr;
    // The MDI area shows every child it creates; this one stays out of
    // sight, and last in the order, so that the first window at its level
    // stays the message window the user works on.
    ShowWindow(wnd, SW_HIDE);
    SetWindowPos(wnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return wnd;
}

Extension* Host::LoadExtension(const std::string& path) {
    std::string error;
    auto ext = Extension::Load(path, &error);
    if (!ext) {
        Log("error " + error);
        return nullptr;
    }
    Log("loaded " + path);
    for (const std::string& name : ext->Missing()) Log("missing " + name);
    extensions_.push_back(std::move(ext));
    return extensions_.back().get();
}

HWND Host::OpenForm(Extension& ext, const std::string& parameter, const std::string& title) {
    if (!ext.formInit) {
        Log("form " + parameter + ": no FORMINIT");
        return nullptr;
    }
    HWND hostWnd = NewFormHost(title);
    if (!hostWnd) return nullptr;
    HWND form = nullptr;
    char* callbackName = nullptr;
    WORD result = ext.formInit(host::kFormInterfaceVersion, host::kFormModeClient, hostWnd, parameter.c_str(), &form,
                               &callbackName);
    Log("form " + parameter + " FORMINIT " + ResultText(result));
    if (result != host::kFormInitOk || !form) {
        SendMessageA(mdiClient_, WM_MDIDESTROY, reinterpret_cast<WPARAM>(hostWnd), 0);
        return nullptr;
    }
    ext.formWindows.push_back(form);
    NotifyForms(host::kFormMsgNotify, host::kNotifyFormOpened, reinterpret_cast<LPARAM>(form), 0);
    PostMessageA(form, host::kFormMsgCommand, 0, host::kCommandStart);
    return form;
}

int Host::AttachEncryptor(Extension& ext) {
    if (!ext.formInit) return -1;
    if (!encryptorHost_ || !IsWindow(encryptorHost_)) encryptorHost_ = NewFormHost("Encryptor");
    HWND form = nullptr;
    char* callbackName = nullptr;
    WORD result = ext.formInit(host::kFormInterfaceVersion, host::kFormModeClient, encryptorHost_, "", &form,
                               &callbackName);
    if (form) ext.formWindows.push_back(form);
    return result;
}

LRESULT Host::NotifyForms(UINT msg, WPARAM wp, LPARAM lp, LRESULT stop) {
    for (auto& ext : extensions_) {
        auto& forms = ext->formWindows;
        forms.erase(std::remove_if(forms.begin(), forms.end(), [](HWND w) { return !IsWindow(w); }), forms.end());
        // A form may close while it is told; walk a copy.
        std::vector<HWND> copy = forms;
        for (HWND form : copy) {
            if (!IsWindow(form)) continue;
            LRESULT r = SendMessageA(form, msg, wp, lp);
            if (stop && r == stop) return stop;
        }
    }
    return 0;
}

void Host::ClearStatusLines() {
    statusLines_.clear();
    if (statusLog_) SendMessageA(statusLog_, LB_RESETCONTENT, 0, 0);
}

void Host::AddStatusLine(WPARAM kind, const char* text) {
    StatusLine line{kind, text ? Bounded(text, 4096) : std::string()};
    statusLines_.push_back(line);
    std::string shown = std::to_string(kind) + ": " + line.text;
    if (statusLog_) {
        LRESULT at = SendMessageA(statusLog_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
        SendMessageA(statusLog_, LB_SETTOPINDEX, WPARAM(at), 0);
    }
    if (statusText_) SetWindowTextA(statusText_, line.text.c_str());
    Log("status " + shown);
}

CryptOutcome Host::RunCrypt(Extension& ext, CryptOp op, const std::string& file, const std::string& output,
                            const std::string& recipients) {
    CryptOutcome out;
    const char* name = CryptOpExport(op);
    // The encryptor takes the message window the user works on at this point.
    NotifyForms(host::kFormMsgStart, 0, 0, 0);

    host::CryptRequest request{};
    request.HostWord = hostWord;
    request.MessageFile = file.c_str();
    request.OutputFile = output.empty() ? nullptr : output.c_str();
    request.HostRecipients = recipients.c_str();

    switch (op) {
    case CryptOp::Encrypt:
    case CryptOp::Sign: {
        host::CryptFileExFn fn = op == CryptOp::Encrypt ? ext.encryptFileEx : ext.signFileEx;
        if (!fn) break;
        out.called = true;
        Log(std::string("call ") + name + " " + file);
        out.result = fn(&request);
        if (!output.empty()) {
            out.reaction = out.result == host::kEncodeDone || out.result == host::kEncodeCopyText
                               ? "copied to " + output
                               : "nothing copied";
        } else if (out.result == host::kEncodeDone) {
            out.reaction = "encoded";
        } else if (out.result == host::kEncodeNothing) {
            out.reaction = "send as it is";
        } else if (out.result == host::kEncodeMovedToEditor) {
            out.reaction = "moved to a new editor, not sent";
        } else {
            out.reaction = "unknown result, not sent";
        }
        break;
    }
    case CryptOp::Decrypt:
        if (!ext.decryptFileEx) break;
        out.called = true;
        Log(std::string("call ") + name + " " + file);
        out.result = ext.decryptFileEx(&request);
        if (out.result == host::kDecodeWritten)
            out.reaction = output.empty() ? "decoded without an output file" : "show " + output;
        else
            out.reaction = "show the message as it is";
        if (showReaders) {
            std::string shown = out.result == host::kDecodeWritten && !output.empty() ? output : file;
            std::string text;
            UniqueHandle h(CreateFileA(shown.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            DWORD size = h ? GetFileSize(h.get(), nullptr) : 0;
            if (size != INVALID_FILE_SIZE && size > 0) {
                text.resize(size);
                DWORD got = 0;
                if (!ReadFile(h.get(), text.data(), size, &got, nullptr)) got = 0;
                text.resize(got);
            }
            OpenReader(shown, text);
        }
        break;
    case CryptOp::Verify: {
        if (!ext.verifySignature) break;
        out.called = true;
        Log(std::string("call ") + name + " " + file);
        std::vector<char> buffer(host::kVerifyResultSize + 1, '\0');
        out.result = ext.verifySignature(file.c_str(), buffer.data());
        // The buffer has no length; never trust it to be terminated.
        buffer.back() = '\0';
        out.verifyText = buffer.data();
        out.reaction = out.result == host::kVerifyGood  ? "good signature"
                       : out.result == host::kVerifyBad ? "bad signature"
                                                        : "no signature checked";
        break;
    }
    case CryptOp::Keys:
        if (!ext.keyManagement) break;
        out.called = true;
        Log(std::string("call ") + name + " " + file);
        out.result = ext.keyManagement(file.c_str());
        out.reaction = out.result == 1 ? "keys imported" : "no keys imported";
        break;
    case CryptOp::Destroy:
        if (!ext.destroyFile) break;
        out.called = true;
        Log(std::string("call ") + name + " " + file);
        out.result = ext.destroyFile(file.c_str());
        if (out.result == 1)
            out.reaction = FileExists(file) ? "reported destroyed, but the file is still there" : "file destroyed";
        else
            out.reaction = "file not destroyed";
        break;
    }
    if (!out.called) {
        out.reaction = std::string("missing ") + name;
        Log("missing " + std::string(name));
        return out;
    }
    Log("result " + ResultText(out.result));
    if (op == CryptOp::Verify) Log("verify-text " + out.verifyText);
    Log("reaction " + out.reaction);
    return out;
}

std::string Host::OutgoingDir() const { return user_.mailboxDir + "OUT\\"; }

bool Host::SendFromEditor(HWND editor) {
    EditorContent c = ReadEditor(editor);
    sendingEditor_ = editor;
    sendEncodeFlag_ = c.encrypt ? 1 : 0;
    if (NotifyForms(host::kFormMsgSendCheck, 0, 0, host::kSendCheckStop) == host::kSendCheckStop) {
        Log("send stopped by a form");
        return false;
    }
    std::string from = user_.fromAddress;
    for (const Identity& id : user_.identities)
        if (SameText(id.name, c.identity)) from = id.fromAddress;

    std::string text;
    if (!from.empty()) text += "From: " + from + "\r\n";
    text += "To: " + c.to + "\r\n";
    text += "Subject: " + c.subject + "\r\n";
    if (!c.cc.empty()) text += "Cc: " + c.cc + "\r\n";
    if (!c.replyTo.empty()) text += "Reply-To: " + c.replyTo + "\r\n";
    const EncryptionChoice* choice = EncryptionChoiceOf(editor);
    if (c.encrypt)
        text += std::string(host::kEncryptorHeader) + host::kEncryptorName + ", " +
                std::to_string(choice ? EncryptorNumber(*choice) : sendEncryptorFlags) + "\r\n";
    if (c.useMime)
        text += "MIME-Version: 1.0\r\nContent-type: text/plain; charset=" + charset +
                "\r\nContent-transfer-encoding: 7BIT\r\n";
    text += "\r\n" + c.body;
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n")) text += "\r\n";

    std::string name = "MSG" + std::to_string(GetCurrentProcessId() % 10000) + "_" + std::to_string(++messageCounter_) +
                       host::kMessageFileExt;
    std::string file = user_.mailboxDir + name;
    {
        UniqueHandle h(
            CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!h || !WriteFile(h.get(), text.data(), DWORD(text.size()), &written, nullptr) || written != text.size()) {
            Log("error cannot write " + file);
            return false;
        }
    }
    host::FileNotice notice{file.c_str()};
    NotifyForms(host::kFormMsgNotify, host::kNotifyFileWritten, reinterpret_cast<LPARAM>(&notice), 0);

    if (c.encrypt) {
        Extension* encryptor = nullptr;
        for (auto& ext : extensions_)
            if (ext->encryptFileEx) encryptor = ext.get();
        if (!encryptor) {
            Log("error no encryptor for the encrypted send");
            DeleteFileA(file.c_str());
            return false;
        }
        std::string recipients = c.to;
        for (const std::string* more : {&c.cc, &c.bcc})
            if (!more->empty()) recipients += ", " + *more;
        CryptOutcome r = RunCrypt(*encryptor, CryptOp::Encrypt, file, "", recipients);
        if (r.result != host::kEncodeDone && r.result != host::kEncodeNothing) {
            // The encryptor moved the message to a new editor; the file holds
            // only its marker.
            DeleteFileA(file.c_str());
            if (IsWindow(editor)) SendMessageA(mdiClient_, WM_MDIDESTROY, reinterpret_cast<WPARAM>(editor), 0);
            return false;
        }
    }
    CreateDirectoryA(OutgoingDir().c_str(), nullptr);
    std::string sent = OutgoingDir() + name;
    if (!MoveFileExA(file.c_str(), sent.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        Log("error cannot queue " + file);
        return false;
    }
    Log("sent " + sent);
    if (IsWindow(editor)) SendMessageA(mdiClient_, WM_MDIDESTROY, reinterpret_cast<WPARAM>(editor), 0);
    return true;
}

LRESULT Host::AddToolbarButton(const void* record) {
    if (!record) return 0;
    host::ToolbarButton b;
    std::memcpy(&b, record, sizeof b);
    std::string tip = Bounded(b.Tooltip, sizeof b.Tooltip - 1);
    WORD id = nextButtonId_++;
    HWND wnd = CreateWindowExA(0, "BUTTON", tip.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 10, 10, frame_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (!wnd) return 0;
    SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    buttons_.push_back({id, wnd, b.NotifyWindow, b.Message, b.WParam, b.LParam});
    Layout();
    return id;
}

bool Host::RemoveToolbarButton(WPARAM id) {
    for (auto it = buttons_.begin(); it != buttons_.end(); ++it) {
        if (it->id != id) continue;
        DestroyWindow(it->wnd);
        buttons_.erase(it);
        Layout();
        return true;
    }
    return false;
}

void Host::OnToolbarClick(WORD id) {
    for (const Button& b : buttons_)
        if (b.id == id && IsWindow(b.notify)) PostMessageA(b.notify, b.message, b.wp, b.lp);
}

LRESULT Host::OpenFormFromRecord(const void* record) {
    if (!record) return 0;
    host::FormRecord r;
    std::memcpy(&r, record, sizeof r);
    std::string path = Bounded(r.LibraryPath, sizeof r.LibraryPath - 1);
    std::string form = Bounded(r.FormName, sizeof r.FormName - 1);
    std::string title = Bounded(r.Title, sizeof r.Title - 1);
    Extension* ext = nullptr;
    for (auto& e : extensions_)
        if (SameText(e->Path(), path)) ext = e.get();
    if (!ext) ext = LoadExtension(path);
    if (!ext) return 0;
    return reinterpret_cast<LRESULT>(OpenForm(*ext, form, title));
}

bool Host::AnswerHostMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    switch (msg) {
    case host::kHostGetMailboxDir: *result = CopyDir(user_.mailboxDir, wp, lp); return true;
    case host::kHostGetProgramDir: *result = CopyDir(user_.programDir, wp, lp); return true;
    case host::kHostStatusLine:
        AddStatusLine(wp, reinterpret_cast<const char*>(lp));
        *result = 1;
        return true;
    case host::kHostGetSetting:
        if (wp == host::kSettingCharset) {
            *result = lp ? CopyDir(charset, host::kCharsetRoom, lp) : 0;
        } else {
            auto it = settings.find(wp);
            *result = it == settings.end() ? 0 : it->second;
        }
        return true;
    case host::kHostSetSetting:
        settings[wp] = lp;
        *result = 1;
        return true;
    case host::kHostNewEditor: *result = reinterpret_cast<LRESULT>(NewEditor()); return true;
    case host::kHostGetWindow:
        *result = wp == host::kWindowFrame       ? reinterpret_cast<LRESULT>(frame_)
                  : wp == host::kWindowActiveMdi ? reinterpret_cast<LRESULT>(ActiveMdiChild())
                                                 : 0;
        return true;
    case host::kHostGetMenu:
        *result = wp == host::kMenuFrameBar || wp == host::kMenuForm ? reinterpret_cast<LRESULT>(GetMenu(frame_)) : 0;
        return true;
    case host::kHostGetSendField: {
        HWND editor = sendingEditor_ && IsWindow(sendingEditor_) ? sendingEditor_ : ActiveMdiChild();
        EditorContent c = ReadEditor(editor);
        if (wp == host::kSendFieldEncodeFlag) {
            sendEncodeFlag_ = c.encrypt ? 1 : 0;
            *result = reinterpret_cast<LRESULT>(&sendEncodeFlag_);
            return true;
        }
        sendFieldText_ = wp == host::kSendFieldTo ? c.to : wp == host::kSendFieldCc ? c.cc
                                                         : wp == host::kSendFieldBcc ? c.bcc
                                                                                     : std::string();
        *result = reinterpret_cast<LRESULT>(sendFieldText_.c_str());
        return true;
    }
    case host::kHostOpenForm: *result = OpenFormFromRecord(reinterpret_cast<const void*>(lp)); return true;
    case host::kHostAddButton: *result = AddToolbarButton(reinterpret_cast<const void*>(lp)); return true;
    case host::kHostRemoveButton: *result = RemoveToolbarButton(wp) ? 1 : 0; return true;
    case host::kHostChooseFolder: {
        auto* choice = reinterpret_cast<host::FolderChoice*>(lp);
        if (!choice || folderChoice.empty()) {
            *result = 0;
            return true;
        }
        std::memset(choice, 0, sizeof *choice);
        lstrcpynA(choice->Title, folderChoice.c_str(), sizeof choice->Title);
        lstrcpynA(choice->FolderName, folderChoice.c_str(), sizeof choice->FolderName);
        *result = 1;
        return true;
    }
    default: return false;
    }
}

LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    Host* host = reinterpret_cast<Host*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    try {
        switch (msg) {
        case WM_NCCREATE:
            host = static_cast<Host*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
            SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
            host->frame_ = wnd;
            break;
        case WM_CREATE: {
            HINSTANCE inst = GetModuleHandleA(nullptr);
            CLIENTCREATESTRUCT ccs{GetSubMenu(host->menu_, 2), kFirstMdiChild};
            host->mdiClient_ =
                CreateWindowExA(WS_EX_CLIENTEDGE, host::kMdiClientClass, nullptr,
                                WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 0, 0, 0, 0, wnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdMdiClient)), inst, &ccs);
            host->statusLog_ = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", nullptr,
                                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0,
                                               wnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdStatusLog)), inst,
                                               nullptr);
            host->statusBar_ =
                CreateWindowExA(0, host::kStatusBarClass, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, wnd, nullptr,
                                inst, nullptr);
            host->statusText_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0,
                                                0, 0, host->statusBar_,
                                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdStatusText)), inst,
                                                nullptr);
            for (HWND w : {host->statusLog_, host->statusText_})
                SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
            if (!host->mdiClient_ || !host->statusLog_ || !host->statusText_) return -1;
            return 0;
        }
        case WM_SIZE:
            if (host && host->mdiClient_) host->Layout();
            return 0;
        case WM_COMMAND:
            if (!host) break;
            if (LOWORD(wp) == kCmdNewMessage && lp == 0) {
                host->NewEditor();
                return 0;
            }
            if (lp == 0 && (LOWORD(wp) == kCmdDecryptFile || LOWORD(wp) == kCmdEncryptFile ||
                            LOWORD(wp) == kCmdVerifyFile)) {
                host->RunCryptOnChosenFile(LOWORD(wp) == kCmdDecryptFile   ? CryptOp::Decrypt
                                           : LOWORD(wp) == kCmdVerifyFile ? CryptOp::Verify
                                                                          : CryptOp::Encrypt);
                return 0;
            }
            if (LOWORD(wp) == kCmdQuit && lp == 0) {
                PostMessageA(wnd, WM_CLOSE, 0, 0);
                return 0;
            }
            if (LOWORD(wp) >= 0x7000 && lp != 0) {
                host->OnToolbarClick(LOWORD(wp));
                return 0;
            }
            return DefFrameProcA(wnd, host->mdiClient_, msg, wp, lp);
        case WM_DESTROY:
            if (host) {
                bool quit = host->quitOnClose;
                host->frame_ = nullptr;
                host->mdiClient_ = nullptr;
                host->statusLog_ = nullptr;
                host->statusText_ = nullptr;
                host->statusBar_ = nullptr;
                host->buttons_.clear();
                SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
                if (quit) PostQuitMessage(0);
            }
            return 0;
        default:
            if (host) {
                LRESULT result = 0;
                if (host->AnswerHostMessage(wnd, msg, wp, lp, &result)) return result;
            }
            break;
        }
    } catch (...) {
        return 0;
    }
    return DefFrameProcA(wnd, host ? host->mdiClient_ : nullptr, msg, wp, lp);
}

LRESULT CALLBACK FormHostProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    Host* host = reinterpret_cast<Host*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    try {
        switch (msg) {
        case WM_CREATE: {
            auto* mdi = static_cast<MDICREATESTRUCTA*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
            SetWindowLongPtrA(wnd, GWLP_USERDATA, mdi ? mdi->lParam : 0);
            break;
        }
        case WM_DESTROY:
            if (host && host->encryptorHost_ == wnd) host->encryptorHost_ = nullptr;
            SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
            break;
        default:
            if (host) {
                LRESULT result = 0;
                if (host->AnswerHostMessage(wnd, msg, wp, lp, &result)) return result;
            }
            break;
        }
    } catch (...) {
        return 0;
    }
    return DefMDIChildProcA(wnd, msg, wp, lp);
}

}  // namespace orv::mailclient
