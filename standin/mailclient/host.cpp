#include "standin/mailclient/host.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "standin/mailclient/editor.h"
#include "standin/mailclient/frame_ids.h"

namespace orv::mailclient {

namespace {

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

// A library named by its long path in a form file and by its short (8.3) one
// in a form record is one library.
std::string LongPath(const std::string& path) {
    char buffer[MAX_PATH * 2] = {};
    const DWORD n = GetLongPathNameA(path.c_str(), buffer, sizeof buffer);
    return n && n < sizeof buffer ? std::string(buffer, n) : path;
}

bool SameLibrary(const std::string& a, const std::string& b) {
    return SameText(a, b) || SameText(LongPath(a), LongPath(b));
}

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

void Host::AnnounceUnloading() {
    // While the forms still exist, each hears of every library before it goes.
    for (auto it = extensions_.rbegin(); it != extensions_.rend(); ++it) {
        std::string path = (*it)->Path();
        NotifyForms(host::kFormMsgNotify, host::kNotifyUnloading, reinterpret_cast<LPARAM>(path.c_str()), 0);
    }
}

Host* Host::From(HWND wnd) {
    while (wnd) {
        char cls[64] = {};
        GetClassNameA(wnd, cls, sizeof cls);
        if (!std::strcmp(cls, host::kFrameClass) || !std::strcmp(cls, kFormHostClass) ||
            !std::strcmp(cls, host::kEditorClass) || !std::strcmp(cls, host::kReaderMdiClass) ||
            !std::strcmp(cls, host::kReaderClass) || !std::strcmp(cls, host::kFolderManagerClass))
            return reinterpret_cast<Host*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
        wnd = GetParent(wnd);
    }
    return nullptr;
}

void Host::Log(const std::string& line) {
    if (onLog) onLog(line);
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
    mc.cx = 600;
    mc.cy = 470;
    mc.style = WS_VISIBLE;
    mc.lParam = reinterpret_cast<LPARAM>(this);
    HWND editor = reinterpret_cast<HWND>(SendMessageA(mdiClient_, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
    if (!editor) return nullptr;
    // The client announces the editor's dialog to the forms.
    host::DialogNotice notice{FindWindowExA(editor, nullptr, kEditorPaneClass, nullptr), host::kDialogEditor, 0};
    NotifyForms(host::kFormMsgNotify, host::kNotifyDialogOpened, reinterpret_cast<LPARAM>(&notice), 0);
    return editor;
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
    // A library named twice (form file and command line) is one extension.
    for (auto& e : extensions_)
        if (SameLibrary(e->Path(), path)) return e.get();
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
    TieFormHost(hostWnd, form);
    // The forms hear of the host window, captioned with the form's title.
    NotifyForms(host::kFormMsgNotify, host::kNotifyFormOpened, reinterpret_cast<LPARAM>(hostWnd), 0);
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
    if (form) {
        ext.formWindows.push_back(form);
        TieFormHost(encryptorHost_, form);
    }
    return result;
}

bool Host::UnloadExtension(const std::string& path) {
    for (auto it = extensions_.begin(); it != extensions_.end(); ++it) {
        if (!SameLibrary((*it)->Path(), path)) continue;
        NotifyForms(host::kFormMsgNotify, host::kNotifyUnloading, reinterpret_cast<LPARAM>(path.c_str()), 0);
        Log("unload " + path);
        extensions_.erase(it);
        return true;
    }
    return false;
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

std::string Host::ComposeMessage(HWND editor, const EditorContent& c) const {
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
    return text;
}

int Host::SaveDrafts() {
    int saved = 0;
    for (HWND editor : Editors()) {
        EditorContent c = ReadEditor(editor);
        // Rich text drafts get their own extension.
        std::string file = user_.mailboxDir + "DRAFT" + std::to_string(GetCurrentProcessId() % 10000) + "_" +
                           std::to_string(++messageCounter_) + (c.richText ? host::kDraftExt2 : host::kDraftExt);
        if (WriteOwnedFile(file, ComposeMessage(editor, c))) {
            Log("draft " + file);
            ++saved;
        }
    }
    return saved;
}

bool Host::Deliver(const std::string& file) {
    std::string name = file.substr(file.find_last_of('\\') + 1);
    CreateDirectoryA(OutgoingDir().c_str(), nullptr);
    std::string sent = OutgoingDir() + name;
    if (!MoveFileExA(file.c_str(), sent.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        Log("error cannot queue " + file);
        return false;
    }
    Log("sent " + sent);
    // A copy of what went out is kept in the outbox folder.
    std::string copy;
    if (ReadFileText(sent, &copy) && AddToFolder(OutboxFolder(), "Outbox", copy)) Log("filed " + OutboxFolder());
    return true;
}

// Writes one message file of a send and tells the forms it is written; the
// file's name, or empty when it could not be written.
std::string Host::WriteOutgoing(const std::string& text) {
    std::string name = "MSG" + std::to_string(GetCurrentProcessId() % 10000) + "_" + std::to_string(++messageCounter_) +
                       host::kMessageFileExt;
    std::string file = user_.mailboxDir + name;
    if (!WriteOwnedFile(file, text)) {
        Log("error cannot write " + file);
        return {};
    }
    host::FileNotice notice{file.c_str()};
    NotifyForms(host::kFormMsgNotify, host::kNotifyFileWritten, reinterpret_cast<LPARAM>(&notice), 0);
    return file;
}

bool Host::SendFromEditor(HWND editor) {
    EditorContent c = ReadEditor(editor);
    sendingEditor_ = editor;
    sendEncodeFlag_ = c.encrypt ? 1 : 0;
    if (NotifyForms(host::kFormMsgSendCheck, 0, 0, host::kSendCheckStop) == host::kSendCheckStop) {
        Log("send stopped by a form");
        return false;
    }
    const std::string text = ComposeMessage(editor, c);
    std::vector<std::string> files;
    auto dropAll = [&files] {
        for (const std::string& f : files) DeleteFileA(f.c_str());
    };

    if (!c.encrypt) {
        std::string file = WriteOutgoing(text);
        if (file.empty()) return false;
        files.push_back(file);
    } else {
        // A message only to be signed goes to the signing entry point.
        const EncryptionChoice* choice = EncryptionChoiceOf(editor);
        CryptOp op = choice && choice->sign && !choice->encrypt ? CryptOp::Sign : CryptOp::Encrypt;
        Extension* encryptor = nullptr;
        for (auto& ext : extensions_)
            if (op == CryptOp::Sign ? ext->signFileEx != nullptr : ext->encryptFileEx != nullptr) encryptor = ext.get();
        if (!encryptor) {
            Log("error no encryptor for the encrypted send");
            return false;
        }
        // An encoded message leaves as one copy per recipient, each encoded
        // for that recipient alone, in the order To, Cc, Bcc.
        std::vector<std::string> recipients;
        for (const std::string* field : {&c.to, &c.cc, &c.bcc})
            for (std::string& item : SplitAddressField(*field)) recipients.push_back(std::move(item));
        if (recipients.empty()) recipients.emplace_back();
        for (const std::string& recipient : recipients) {
            std::string file = WriteOutgoing(text);
            if (file.empty()) {
                dropAll();
                return false;
            }
            files.push_back(file);
            Log("copy for " + recipient);
            CryptOutcome r = RunCrypt(*encryptor, op, file, "", recipient);
            if (r.result == host::kEncodeDone || r.result == host::kEncodeNothing) continue;
            // No copy leaves when one cannot be encoded.
            dropAll();
            // Moved to a new editor: the file held only its marker and the
            // old editor goes. A failure leaves the message with the user.
            if (r.result == host::kEncodeMovedToEditor && IsWindow(editor))
                SendMessageA(mdiClient_, WM_MDIDESTROY, reinterpret_cast<WPARAM>(editor), 0);
            return false;
        }
    }
    for (const std::string& file : files)
        if (!Deliver(file)) return false;
    if (IsWindow(editor)) SendMessageA(mdiClient_, WM_MDIDESTROY, reinterpret_cast<WPARAM>(editor), 0);
    return true;
}

LRESULT Host::AddToolbarButton(const void* record) {
    if (!record) return 0;
    host::ToolbarButton b;
    std::memcpy(&b, record, sizeof b);
    std::string tip = Bounded(b.Tooltip, sizeof b.Tooltip - 1);
    WORD id = nextButtonId_++;
    if (!toolbar_) return 0;
    HWND wnd = CreateWindowExA(0, "BUTTON", tip.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 10, 10, toolbar_,
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
        if (SameLibrary(e->Path(), path)) ext = e.get();
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
        // Scripted runs name the folder; otherwise the user picks one.
        std::string file = folderChoice.empty() ? ChooseFolder() : folderChoice;
        if (!choice || file.empty()) {
            *result = 0;
            return true;
        }
        std::string base = file;
        size_t dot = base.rfind('.');
        if (dot != std::string::npos && lstrcmpiA(base.c_str() + dot, host::kFolderExt) == 0) base.resize(dot);
        std::string title;
        if (!ReadFolderName(user_.mailboxDir + base + host::kFolderExt, &title)) title = base;
        std::memset(choice, 0, sizeof *choice);
        lstrcpynA(choice->Title, title.c_str(), sizeof choice->Title);
        lstrcpynA(choice->FolderName, base.c_str(), sizeof choice->FolderName);
        Log("folder chosen " + base);
        *result = 1;
        return true;
    }
    default: return false;
    }
}

namespace {

constexpr const char* kFormProp = "WpmForm";
constexpr const char* kPassingProp = "WpmPassing";
constexpr UINT_PTR kFormCheckTimer = 1;

// Forms messages sent to the host window go on to its form; one that comes
// back from the form while being passed on ends here.
bool PassToForm(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    HWND form = static_cast<HWND>(GetPropA(wnd, kFormProp));
    if (!form || !IsWindow(form) || GetPropA(wnd, kPassingProp)) return false;
    SetPropA(wnd, kPassingProp, reinterpret_cast<HANDLE>(1));
    *result = SendMessageA(form, msg, wp, lp);
    if (IsWindow(wnd)) RemovePropA(wnd, kPassingProp);
    return true;
}

}  // namespace

void Host::TieFormHost(HWND hostWnd, HWND form) {
    if (!hostWnd || !form) return;
    SetPropA(hostWnd, kFormProp, form);
    // The host window goes with its form, so that closing the form leaves
    // nothing behind.
    SetTimer(hostWnd, kFormCheckTimer, 200, nullptr);
}

LRESULT CALLBACK FormHostProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    Host* host = reinterpret_cast<Host*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    try {
        if (msg >= host::kFormMsgFirst && msg <= host::kFormMsgLast) {
            LRESULT result = 0;
            if (PassToForm(wnd, msg, wp, lp, &result)) return result;
            return 0;
        }
        switch (msg) {
        case WM_TIMER:
            if (wp == kFormCheckTimer) {
                HWND form = static_cast<HWND>(GetPropA(wnd, kFormProp));
                if (form && !IsWindow(form)) {
                    KillTimer(wnd, kFormCheckTimer);
                    if (host && host->mdiClient_)
                        SendMessageA(host->mdiClient_, WM_MDIDESTROY, reinterpret_cast<WPARAM>(wnd), 0);
                    else
                        DestroyWindow(wnd);
                }
                return 0;
            }
            break;
        case WM_NCDESTROY:
            RemovePropA(wnd, kFormProp);
            RemovePropA(wnd, kPassingProp);
            break;
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
