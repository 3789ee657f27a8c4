// The client's frame "FRAME" / "Pegasus Mail": menu bar, toolbar, MDI area,
// status log and status bar, the frame commands and the keys of every
// message loop of the thread.
#include <algorithm>
#include <cstring>
#include <vector>

#include "standin/mailclient/editor.h"
#include "standin/mailclient/frame_ids.h"
#include "standin/mailclient/host.h"

namespace orv::mailclient {

namespace {

constexpr int kIdMdiClient = 0xCAC;
constexpr int kIdStatusLog = 0x5001;
constexpr int kIdStatusText = 0x5002;
constexpr int kIdStatusUser = 0x5003;
constexpr int kFirstMdiChild = 0xFF00;
constexpr int kToolbarHeight = 28;
constexpr int kStatusLogHeight = 90;
constexpr int kStatusBarHeight = 22;
constexpr const char* kToolbarClass = "WPMTOOLBAR";

Host* g_keyHost = nullptr;

// Sees the messages of every loop of the thread: the program's, the modal
// dialogs', and a test's own pump.
LRESULT CALLBACK KeyHook(int code, WPARAM wp, LPARAM lp) noexcept {
    if (code == HC_ACTION && wp == PM_REMOVE && g_keyHost) {
        auto* msg = reinterpret_cast<MSG*>(lp);
        try {
            if (g_keyHost->HandleKey(*msg)) msg->message = WM_NULL;
        } catch (...) {
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

HWND EditorAround(HWND wnd) {
    for (; wnd; wnd = GetParent(wnd)) {
        char cls[32] = {};
        GetClassNameA(wnd, cls, sizeof cls);
        if (!std::strcmp(cls, host::kEditorClass)) return wnd;
    }
    return nullptr;
}

bool RegisterOne(const char* name, WNDPROC proc, int background) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    if (GetClassInfoExA(inst, name, &wc)) return true;
    wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(INT_PTR(background + 1));
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

// The toolbar hands its buttons' commands to the frame.
LRESULT CALLBACK ToolbarProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_COMMAND) return SendMessageA(GetParent(wnd), msg, wp, lp);
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
LRESULT CALLBACK FormHostProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
bool RegisterReaderClasses();
bool RegisterFolderClasses();

bool Host::RegisterClasses() {
    return RegisterOne(host::kFrameClass, FrameProc, COLOR_APPWORKSPACE) &&
           RegisterOne(kFormHostClass, FormHostProc, COLOR_BTNFACE) &&
           RegisterOne(host::kStatusBarClass, DefWindowProcA, COLOR_BTNFACE) &&
           RegisterOne(kToolbarClass, ToolbarProc, COLOR_BTNFACE) && RegisterReaderClasses() &&
           RegisterFolderClasses() && RegisterEditorClass(GetModuleHandleA(nullptr));
}

HMENU Host::BuildMenu() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, kCmdNewMessage, "&New message\tCtrl+N");
    AppendMenuA(file, MF_STRING, host::kCmdOpenFolderManager, "&Folders...");
    AppendMenuA(file, MF_STRING, kCmdAddressBooks, "&Address books...");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, kCmdDecryptFile, "&Decrypt message file...");
    AppendMenuA(file, MF_STRING, kCmdVerifyFile, "&Verify message file...");
    AppendMenuA(file, MF_STRING, kCmdEncryptFile, "&Encrypt message file...");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, kCmdMailboxDir, "&Mailbox directory...");
    AppendMenuA(file, MF_STRING, host::kCmdUserName, "New &user name...");
    AppendMenuA(file, MF_STRING, host::kCmdUserAdmin, "User a&dministration");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, host::kCmdExit, "E&xit");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");

    HMENU edit = CreatePopupMenu();
    AppendMenuA(edit, MF_STRING, host::kCmdCopy, "&Copy");
    AppendMenuA(edit, MF_STRING, host::kCmdFind, "&Find...");
    AppendMenuA(edit, MF_STRING, host::kCmdFindNext, "Find &next");
    AppendMenuA(edit, MF_STRING, host::kCmdSave, "&Save to file...");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");

    HMENU message = CreatePopupMenu();
    AppendMenuA(message, MF_STRING, host::kCmdFolderOpen201, "&Open selected message");
    AppendMenuA(message, MF_STRING, host::kCmdFolderOpen202, "Open &next in folder");
    AppendMenuA(message, MF_STRING, host::kCmdFolderOpen195, "Open &previous in folder");
    AppendMenuA(message, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(message, MF_STRING | MF_UNCHECKED, host::kCmdRawView, "&Raw view");
    AppendMenuA(message, MF_STRING, host::kCmdReaderNext, "Ne&xt message\tCtrl+PgDn");
    AppendMenuA(message, MF_STRING, host::kCmdReaderPrevious, "Pre&vious message\tCtrl+PgUp");
    AppendMenuA(message, MF_STRING, host::kCmdSaveAttachment, "Save &attachments...");
    AppendMenuA(message, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(message, MF_STRING, host::kCmdVerify, "&Verify signature");
    AppendMenuA(message, MF_STRING, host::kCmdAddKey, "Add &key to key ring");
    AppendMenuA(message, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(message, MF_STRING, host::kCmdCloseForm, "&Close window");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(message), "&Message");

    // The Window menu: the system messages first, then a separator, then the
    // window commands; the MDI area lists its windows at the end.
    HMENU window = CreatePopupMenu();
    AppendMenuA(window, MF_STRING, kCmdSystemMessages, host::kWindowMenuSystemItem);
    AppendMenuA(window, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(window, MF_STRING, kCmdCascade, "&Cascade");
    AppendMenuA(window, MF_STRING, kCmdTile, "&Tile");
    AppendMenuA(window, MF_STRING, kCmdArrange, "Arrange &icons");
    AppendMenuA(window, MF_STRING, kCmdCloseAll, "Close &all");
    AppendMenuA(window, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(window), host::kWindowMenuTitle);

    HMENU help = CreatePopupMenu();
    AppendMenuA(help, MF_STRING, kCmdAbout, "&About the stand-in");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    return bar;
}

bool Host::Create(bool visible) {
    std::string error;
    // The editor library comes first: extensions look for it in the process.
    if (!ter_.Load(user_.programDir, &error)) {
        Log("error " + error);
        return false;
    }
    if (!RegisterClasses()) return false;
    if (!HoldLanguageFile()) Log("error cannot open the language file in " + user_.programDir);
    menu_ = BuildMenu();
    frame_ = CreateWindowExA(0, host::kFrameClass, host::kFrameCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             40, 40, 860, 680, nullptr, menu_, GetModuleHandleA(nullptr), this);
    if (!frame_) return false;
    if (!g_keyHost) {
        g_keyHost = this;
        keyHook_ = SetWindowsHookExA(WH_GETMESSAGE, KeyHook, nullptr, GetCurrentThreadId());
    }
    if (visible) {
        ShowWindow(frame_, SW_SHOWNORMAL);
        UpdateWindow(frame_);
    }
    return true;
}

bool Host::HoldLanguageFile() {
    std::string name = language.empty() ? host::kLanguageFile : "WPM32" + language + ".dat";
    std::string path = user_.programDir + name;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        WriteOwnedFile(path, "Pegasus Mail stand-in texts (" + (language.empty() ? std::string("en") : language) + ")\r\n");
    // Held without sharing, as the client does: a reader can tell by that
    // which language runs.
    languageFile_.reset(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return bool(languageFile_);
}

void Host::CreateFrameChildren(HWND wnd) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    CLIENTCREATESTRUCT ccs{GetSubMenu(menu_, 3), kFirstMdiChild};
    mdiClient_ = CreateWindowExA(WS_EX_CLIENTEDGE, host::kMdiClientClass, nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 0, 0, 0, 0, wnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdMdiClient)), inst, &ccs);
    toolbar_ = CreateWindowExA(0, kToolbarClass, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, wnd, nullptr, inst,
                               nullptr);
    statusLog_ = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0, wnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdStatusLog)), inst, nullptr);
    statusBar_ = CreateWindowExA(0, host::kStatusBarClass, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, wnd, nullptr,
                                 inst, nullptr);
    statusText_ = CreateWindowExA(WS_EX_STATICEDGE, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0,
                                  0, 0, 0, statusBar_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdStatusText)),
                                  inst, nullptr);
    std::string userPane = "User: " + user_.userName;
    statusUser_ = CreateWindowExA(WS_EX_STATICEDGE, "STATIC", userPane.c_str(),
                                  WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, statusBar_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdStatusUser)), inst, nullptr);
    for (HWND w : {statusLog_, statusText_, statusUser_})
        SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    HWND newButton = CreateWindowExA(0, "BUTTON", "New message", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 10, 10,
                                     toolbar_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCmdNewMessage)), inst,
                                     nullptr);
    HWND foldersButton = CreateWindowExA(0, "BUTTON", "Folders", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 10,
                                         10, toolbar_,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(host::kCmdOpenFolderManager)),
                                         inst, nullptr);
    for (HWND b : {newButton, foldersButton})
        SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

void Host::Layout() {
    RECT rc;
    GetClientRect(frame_, &rc);
    int w = rc.right, h = rc.bottom;
    int logTop = h - kStatusBarHeight - kStatusLogHeight;
    MoveWindow(toolbar_, 0, 0, w, kToolbarHeight, TRUE);
    MoveWindow(mdiClient_, 0, kToolbarHeight, w, std::max(0, logTop - kToolbarHeight), TRUE);
    MoveWindow(statusLog_, 0, logTop, w, kStatusLogHeight, TRUE);
    MoveWindow(statusBar_, 0, h - kStatusBarHeight, w, kStatusBarHeight, TRUE);
    int userWidth = 160;
    MoveWindow(statusText_, 2, 2, std::max(0, w - userWidth - 8), kStatusBarHeight - 4, TRUE);
    MoveWindow(statusUser_, std::max(0, w - userWidth - 2), 2, userWidth, kStatusBarHeight - 4, TRUE);
    // The client's own buttons, then the extensions' buttons.
    int x = 4;
    for (HWND b = GetWindow(toolbar_, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT)) {
        MoveWindow(b, x, 2, 104, kToolbarHeight - 4, TRUE);
        x += 108;
    }
}

bool Host::RequestExit() {
    SaveDrafts();
    // The forms may hold the client open (0x9999), and then close it later.
    if (NotifyForms(host::kFormMsgNotify, host::kNotifyClosing, 0, host::kSendCheckStop) == host::kSendCheckStop) {
        Log("exit held by a form");
        return false;
    }
    DestroyWindow(frame_);
    return true;
}

void Host::RouteToForm(WORD id) {
    // The foreground form decides whether the command is its own.
    NotifyForms(host::kFormMsgCommand, id, 0, 0);
}

bool Host::RouteToReader(WORD id) {
    HWND reader = ActiveReader();
    HWND dialog = reader ? ReaderDialog(reader) : nullptr;
    if (!dialog) return false;
    SendMessageA(dialog, WM_COMMAND, id, 0);
    return true;
}

void Host::Command(WORD id) {
    switch (id) {
    case kCmdNewMessage: NewEditor(); break;
    case kCmdAddressBooks: OpenAddressBooks(); break;
    case kCmdMailboxDir: OpenMailboxDialog(); break;
    case kCmdDecryptFile: RunCryptOnChosenFile(CryptOp::Decrypt); break;
    case kCmdVerifyFile: RunCryptOnChosenFile(CryptOp::Verify); break;
    case kCmdEncryptFile: RunCryptOnChosenFile(CryptOp::Encrypt); break;
    case kCmdSystemMessages: Log("system messages: " + std::to_string(statusLines_.size()) + " lines"); break;
    case kCmdCascade: SendMessageA(mdiClient_, WM_MDICASCADE, 0, 0); break;
    case kCmdTile: SendMessageA(mdiClient_, WM_MDITILE, MDITILE_HORIZONTAL, 0); break;
    case kCmdArrange: SendMessageA(mdiClient_, WM_MDIICONARRANGE, 0, 0); break;
    case kCmdCloseAll: {
        // The windows the user sees; the form hosts stay with their forms.
        std::vector<HWND> shown;
        for (HWND c = GetWindow(mdiClient_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (IsWindowVisible(c)) shown.push_back(c);
        for (HWND c : shown) SendMessageA(c, WM_CLOSE, 0, 0);
        break;
    }
    case kCmdAbout:
        MessageBoxA(frame_, "Pegasus Mail stand-in for Orvane's tests and demo.", host::kFrameCaption, MB_OK);
        break;
    case host::kCmdOpenFolderManager: OpenFolderManager(); break;
    case host::kCmdCloseForm:
        if (HWND child = ActiveMdiChild()) SendMessageA(child, WM_CLOSE, 0, 0);
        break;
    case host::kCmdCopy:
    case host::kCmdFind:
    case host::kCmdFindNext:
    case host::kCmdSave: RouteToForm(id); break;
    case host::kCmdRawView: {
        bool raw = !RawView();
        CheckMenuItem(menu_, host::kCmdRawView, MF_BYCOMMAND | (raw ? MF_CHECKED : MF_UNCHECKED));
        RouteToReader(id);
        break;
    }
    case host::kCmdVerify: RunOnReader(CryptOp::Verify); break;
    case host::kCmdAddKey: RunOnReader(CryptOp::Keys); break;
    case host::kCmdFolderOpen195:
    case host::kCmdFolderOpen201:
    case host::kCmdFolderOpen202: {
        HWND folman = FolderManager();
        int sel = folman ? int(SendMessageA(GetDlgItem(FindWindowExA(folman, nullptr, host::kFolderDialogClass, nullptr),
                                                       kIdFolderMessages),
                                            LB_GETCURSEL, 0, 0))
                         : -1;
        int index = id == host::kCmdFolderOpen202 ? sel + 1 : id == host::kCmdFolderOpen195 ? sel - 1 : sel;
        if (!shownFolder_.empty() && index >= 0) {
            SelectFolderMessage(index);
            OpenFolderMessage(user_.mailboxDir + shownFolder_, index);
        }
        break;
    }
    case host::kCmdSaveAttachment:
    case host::kCmdReaderNext:
    case host::kCmdReaderPrevious: RouteToReader(id); break;
    case host::kCmdExit: RequestExit(); break;
    case host::kCmdExitCheck:
        // The forms agreed to the exit already.
        DestroyWindow(frame_);
        break;
    case host::kCmdExitCancel: Log("exit cancelled"); break;
    case host::kCmdUserName: OpenUserNameDialog(); break;
    case host::kCmdUserAdmin: Log("user administration"); break;
    default: break;
    }
}

bool Host::RawView() const {
    return menu_ && (GetMenuState(menu_, host::kCmdRawView, MF_BYCOMMAND) & MF_CHECKED);
}

bool Host::HandleKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    HWND editor = EditorAround(msg.hwnd);
    if (!editor) return false;
    bool ctrl = GetKeyState(VK_CONTROL) & 0x8000;
    if (msg.wParam == VK_RETURN && ctrl) {
        // Sent once the key's own processing is over.
        PostMessageA(editor, kEditorSendNow, 0, 0);
        return true;
    }
    if (msg.wParam == VK_F9 || msg.wParam == VK_F8) {
        PostMessageA(editor, kEditorFocusField, msg.wParam == VK_F9 ? kFieldFocusText : kFieldFocusAddress, 0);
        return true;
    }
    return false;
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
        case WM_CREATE:
            host->CreateFrameChildren(wnd);
            if (!host->mdiClient_ || !host->statusLog_ || !host->statusText_) return -1;
            return 0;
        case WM_SIZE:
            if (host && host->mdiClient_) host->Layout();
            return 0;
        case WM_CLOSE:
            if (host) {
                host->RequestExit();
                return 0;
            }
            break;
        case WM_COMMAND:
            if (!host) break;
            // The extensions' toolbar buttons tell their windows.
            if (LOWORD(wp) >= kFirstToolbarButton && LOWORD(wp) < kFirstMdiChild && lp != 0) {
                host->OnToolbarClick(LOWORD(wp));
                return 0;
            }
            if (LOWORD(wp) < kFirstToolbarButton) {
                host->Command(LOWORD(wp));
                return 0;
            }
            return DefFrameProcA(wnd, host->mdiClient_, msg, wp, lp);
        case WM_DESTROY:
            if (host) {
                bool quit = host->quitOnClose;
                // The frame goes first, its children after: the forms are
                // still there to hear of the libraries.
                host->AnnounceUnloading();
                if (g_keyHost == host) {
                    UnhookWindowsHookEx(host->keyHook_);
                    host->keyHook_ = nullptr;
                    g_keyHost = nullptr;
                }
                host->ReleaseFolder();
                host->frame_ = nullptr;
                host->mdiClient_ = nullptr;
                host->statusLog_ = nullptr;
                host->statusText_ = nullptr;
                host->statusUser_ = nullptr;
                host->statusBar_ = nullptr;
                host->toolbar_ = nullptr;
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

bool Host::ChooseMenuItem(const std::string& path) {
    HMENU menu = frame_ ? GetMenu(frame_) : nullptr;
    if (!menu) return false;
    SendMessageA(frame_, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
    size_t start = 0;
    while (menu) {
        const size_t end = path.find('>', start);
        const std::string want = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        int found = -1;
        const int count = GetMenuItemCount(menu);
        for (int i = 0; i < count && found < 0; ++i) {
            char text[256] = {};
            GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            if (want == text) found = i;
        }
        if (found < 0) return false;
        HMENU sub = GetSubMenu(menu, found);
        if (end == std::string::npos) {
            const UINT state = GetMenuState(menu, static_cast<UINT>(found), MF_BYPOSITION);
            if (sub || (state & (MF_GRAYED | MF_DISABLED))) return false;
            PostMessageA(frame_, WM_COMMAND, MAKEWPARAM(GetMenuItemID(menu, found), 0), 0);
            return true;
        }
        if (!sub) return false;
        SendMessageA(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(found, FALSE));
        menu = sub;
        start = end + 1;
    }
    return false;
}

}  // namespace orv::mailclient
