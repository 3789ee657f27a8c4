// The two hooks on the client's user-interface thread: the
// call-window-procedure hook sees messages sent to the client's windows, the
// get-message hook the posted ones.
#include "automation/abk.h"
#include "automation/menu.h"
#include "automation/pl_data.h"
#include "automation/pl_text.h"
#include "interfaces/mail_client.h"

namespace orv::automation {

namespace {

constexpr WORD kCommandFindNext = 147;
constexpr WORD kFirstWindowMenuCommand = 0x5000;
constexpr WORD kFirstOwnCommand = 0x3000;
// Client closes held while the main library's window is open are retried
// this often.
constexpr UINT kCloseFrameRetryMs = 500;

bool IsDescendant(HWND ancestor, HWND wnd) { return ancestor && wnd && IsChild(ancestor, wnd); }

bool OfThisThread(HWND wnd) { return GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId(); }

// Centres a window over its owner: the owner's origin plus half the
// difference of the sizes, rounded toward the owner's origin.
void CentreOver(HWND wnd, HWND owner) {
    RECT w, o;
    if (!GetWindowRect(wnd, &w) || !GetWindowRect(owner, &o)) return;
    auto half = [](long diff) { return diff >= 0 ? diff / 2 : -((-diff + 1) / 2); };
    long x = o.left + half((o.right - o.left) - (w.right - w.left));
    long y = o.top + half((o.bottom - o.top) - (w.bottom - w.top));
    SetWindowPos(wnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetFocus(wnd);
}

void Neutralise(MSG& msg) {
    msg.message = WM_NULL;
    msg.wParam = 0;
    msg.lParam = 0;
}

}  // namespace

void TPLData::OnCallWndProc(const CWPSTRUCT& cwp) {
    if (!automationWindow_) return;
    if (cwp.hwnd == frame_) FrameMessage(cwp);
    else OtherWindowMessage(cwp);
}

bool TPLData::OnExitCommand(WORD id) {
    switch (id) {
    case host::kCmdExit:
    case host::kCmdExitCheck: exitRequested_ = 1; return true;
    case host::kCmdExitCancel:
        exitRequested_ = 0;
        sending_.SuppressSends();
        return true;
    default: return false;
    }
}

void TPLData::FrameMessage(const CWPSTRUCT& cwp) {
    switch (cwp.message) {
    case WM_NCACTIVATE:
        if (cwp.wParam) {
            // A dialog of the main library or the engine stays above the
            // client that comes to the front.
            if (HWND dialog = FindMerrowin(false)) BringWindowToTop(dialog);
        }
        break;
    case WM_COMMAND: OnExitCommand(LOWORD(cwp.wParam)); break;
    case WM_HELP:
        if (frontend_ && cwp.lParam) frontend_->OnHelp(*reinterpret_cast<const HELPINFO*>(cwp.lParam));
        break;
    case WM_INITMENUPOPUP:
        if (frontend_) frontend_->OnInitMenuPopup(reinterpret_cast<HMENU>(cwp.wParam));
        break;
    case WM_EXITMENULOOP:
        if (frontend_) frontend_->OnExitMenuLoop();
        break;
    case WM_MENUSELECT:
        if (frontend_) frontend_->OnMenuSelect(cwp.wParam, cwp.lParam);
        break;
    default: break;
    }
}

void TPLData::OtherWindowMessage(const CWPSTRUCT& cwp) {
    switch (cwp.message) {
    case WM_SHOWWINDOW:
        if (cwp.wParam && cwp.lParam == 0 && OfThisThread(cwp.hwnd)) OnWindowShown(cwp.hwnd);
        break;
    case WM_MDISETMENU:
        if (frontend_ && cwp.wParam) {
            frontend_->InsertInto(reinterpret_cast<HMENU>(cwp.wParam), reinterpret_cast<HMENU>(cwp.lParam));
            frontend_->EnableFrontend();
        }
        break;
    default: hosts_.WindowMessage(cwp); break;
    }
}

void TPLData::OnWindowShown(HWND wnd) {
    LONG style = GetWindowLongA(wnd, GWL_STYLE);
    if ((style & WS_CHILD) && IsDescendant(mdiClient_, wnd) && ClassOf(wnd) == host::kReaderMdiClass) {
        if (HWND dialog = FindDescendant(wnd, host::kReaderDialogClass)) {
            host::DialogNotice notice{dialog, host::kDialogReader, 0};
            SendMessageA(automationWindow_, host::kFormMsgNotify, host::kNotifyDialogOpened,
                         reinterpret_cast<LPARAM>(&notice));
        }
        BringWindowToTop(wnd);
    } else if (!(style & WS_CHILD)) {
        std::string cls = ClassOf(wnd);
        if (cls == host::kPgpDialogClass || (cls == "#32770" && CaptionOf(wnd).rfind("PGP", 0) == 0)) {
            HWND owner = GetWindow(wnd, GW_OWNER);
            CentreOver(wnd, owner ? owner : frame_);
        }
    }
    hosts_.MdiChildShown(wnd);
}

void TPLData::OnGetMessage(MSG& msg) {
    if (!automationWindow_) return;
    const bool toFrame = msg.hwnd == frame_ && frame_;
    if (toFrame && HoldClientClose(msg)) return;
    if (OnInputMessage(msg)) return;
    if (msg.message == WM_COMMAND && msg.lParam == 0 && OnMenuCommand(msg, toFrame)) return;
    MainWindowKeys(msg);
}

bool TPLData::HoldClientClose(MSG& msg) {
    // A close of the client waits for the main library's window.
    if (!MainWindowOpen() || !((msg.message == WM_NCLBUTTONDOWN && msg.wParam == HTCLOSE) ||
                               (msg.message == WM_SYSCOMMAND && (msg.wParam & 0xFFF0) == SC_CLOSE)))
        return false;
    merrowin_->CloseMainWindow();
    SetTimer(automationWindow_, kTimerCloseFrame, kCloseFrameRetryMs, nullptr);
    msg.wParam = 0;
    return true;
}

bool TPLData::OnInputMessage(MSG& msg) {
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN: {
        HWND active = ActiveMdiChild(Windows());
        if (SameTextNoCase(ClassOf(active), host::kFolderManagerClass) || ClassOf(msg.hwnd) == host::kListWindowClass)
            hosts_.ResetSignatureInfo();
        return false;
    }
    case WM_SYSKEYDOWN:
        if (msg.wParam == VK_F10 && (GetKeyState(VK_SHIFT) & 0x8000) && (GetKeyState(VK_CONTROL) & 0x8000) &&
            frontend_) {
            Neutralise(msg);
            frontend_->OfferAddMenu(true);
            return true;
        }
        return false;
    case WM_RBUTTONDOWN:
        if (!frontend_) return false;
        if (msg.wParam & MK_CONTROL) {
            if (frontend_->OfferAddMenu(false)) Neutralise(msg);
        } else {
            frontend_->OnRightButtonDown(msg.hwnd);
        }
        return true;
    case WM_RBUTTONUP:
        if (frontend_) frontend_->OnRightButtonUp();
        return false;
    case WM_MOUSEMOVE: hosts_.MouseMoved(msg.hwnd, msg.lParam); return false;
    default: return false;
    }
}

// A menu command posted to the client: true when it ends here.
bool TPLData::OnMenuCommand(MSG& msg, bool toFrame) {
    WORD id = LOWORD(msg.wParam);
    HWND main = merrowin_ ? merrowin_->MainWindow() : nullptr;
    if (id == host::kCmdCloseForm && main) {
        merrowin_->CloseMainWindow();
        Neutralise(msg);
        return true;
    }
    if (id == host::kCmdVerify) {
        if (main) PostMessageA(main, host::kFormMsgCommand, 0, host::kCommandForce);
        else hosts_.Signature().viewerPending = 1;
    } else if (id == host::kCmdAddKey) {
        if (main) PostMessageA(main, host::kFormMsgCommand, 0, host::kCommandForce);
    } else if (id >= kFirstWindowMenuCommand) {
        const std::vector<HWND>& windows = hosts_.MdiWindows();
        size_t index = id - kFirstWindowMenuCommand;
        if (index < windows.size() && IsWindow(windows[index])) {
            SendMessageA(mdiClient_, WM_MDIRESTORE, reinterpret_cast<WPARAM>(windows[index]), 0);
            SendMessageA(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(windows[index]), 0);
        }
    } else if (hosts_.ReaderIsMdi() && hosts_.ReaderExists() &&
               (id == host::kCmdReaderNext || id == host::kCmdReaderPrevious)) {
        hosts_.ResetSignatureInfo();
    }
    if (toFrame && HIWORD(msg.wParam) == 0) OnFrameCommand(id);
    return false;
}

void TPLData::OnFrameCommand(WORD id) {
    if (OnExitCommand(id)) return;
    switch (id) {
    case host::kCmdUserName: SetTimer(automationWindow_, kTimerUserName, 100, nullptr); break;
    case host::kCmdUserAdmin:
        if (merrowin_) merrowin_->Info(texts_.Text(txt::USER_ADMIN));
        break;
    default:
        if (id >= kFirstOwnCommand && id < kFirstWindowMenuCommand)
            PostMessageA(automationWindow_, WM_COMMAND, id - 0x1000, 0);
        else if (id >= kFirstAutoListCommand && id <= kLastAutoListCommand)
            PostMessageA(automationWindow_, WM_COMMAND, id, 0);
        break;
    }
}

// The main library's window in front takes F3 and Alt+key as its own
// commands.
void TPLData::MainWindowKeys(MSG& msg) {
    HWND main = merrowin_ ? merrowin_->MainWindow() : nullptr;
    if (!main || (GetForegroundWindow() != main && !IsDescendant(main, GetForegroundWindow()))) return;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_F3) {
        PostMessageA(main, host::kFormMsgCommand, kCommandFindNext, 0);
        Neutralise(msg);
    } else if (msg.message == WM_SYSCHAR) {
        PostMessageA(main, host::kFormMsgCommand, msg.wParam + 0x10000, 0);
        Neutralise(msg);
    }
}

}  // namespace orv::automation
