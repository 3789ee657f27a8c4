// The two hooks on the client's user-interface thread: the
// call-window-procedure hook sees messages sent to the client's windows, the
// get-message hook the posted ones.
#include <windowsx.h>

#include <algorithm>

#include "automation/abk.h"
#include "automation/menu.h"
#include "automation/pl_data.h"
#include "automation/pl_text.h"
#include "interfaces/mail_client.h"

namespace orv::automation {

namespace {

constexpr UINT kHoverLeave = 0xB014;
constexpr UINT kHoverEnter = 0xB013;
constexpr WORD kCommandFindNext = 147;
constexpr WORD kFirstWindowMenuCommand = 0x5000;
constexpr WORD kFirstOwnCommand = 0x3000;

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

void TPLData::FrameMessage(const CWPSTRUCT& cwp) {
    switch (cwp.message) {
    case WM_NCACTIVATE:
        if (cwp.wParam) {
            // A dialog of the main library or the engine stays above the
            // client that comes to the front.
            if (HWND dialog = FindMerrowin(false)) BringWindowToTop(dialog);
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(cwp.wParam)) {
        case host::kCmdExit:
        case host::kCmdExitCheck: exitRequested_ = 1; break;
        case host::kCmdExitCancel:
            exitRequested_ = 0;
            sendSuppressed_ = 1;
            SetTimer(automationWindow_, kTimerSendSuppressed, 500, nullptr);
            break;
        default: break;
        }
        break;
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
    case WM_MDISETMENU:
        if (frontend_ && cwp.wParam) {
            frontend_->InsertInto(reinterpret_cast<HMENU>(cwp.wParam), reinterpret_cast<HMENU>(cwp.lParam));
            frontend_->EnableFrontend();
        }
        break;
    case WM_MDIDESTROY: {
        HWND child = reinterpret_cast<HWND>(cwp.wParam);
        lMDIWindowList.erase(std::remove(lMDIWindowList.begin(), lMDIWindowList.end(), child), lMDIWindowList.end());
        break;
    }
    case WM_MDIACTIVATE:
        if (!readerIsMdi_ && cwp.hwnd != mdiClient_ && cwp.hwnd == reinterpret_cast<HWND>(cwp.wParam)) {
            int i = wlMDIReader.IndexOf(cwp.hwnd);
            if (i >= 0) reinterpret_cast<ReaderRecord*>(wlMDIReader.Object(i))->openedFromFolder = 0;
        }
        break;
    default: break;
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
    if ((GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_MDICHILD) &&
        std::find(lMDIWindowList.begin(), lMDIWindowList.end(), wnd) == lMDIWindowList.end())
        lMDIWindowList.push_back(wnd);
}

void TPLData::OnGetMessage(MSG& msg) {
    if (!automationWindow_) return;
    bool toFrame = msg.hwnd == frame_ && frame_;
    // A close of the client waits for the main library's window.
    if (toFrame && MainWindowOpen() &&
        ((msg.message == WM_NCLBUTTONDOWN && msg.wParam == HTCLOSE) ||
         (msg.message == WM_SYSCOMMAND && (msg.wParam & 0xFFF0) == SC_CLOSE))) {
        merrowin_->CloseMainWindow();
        SetTimer(automationWindow_, kTimerCloseFrame, 500, nullptr);
        msg.wParam = 0;
        return;
    }
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN: {
        HWND active = ActiveMdiChild({hostWindow_, mdiClient_});
        if (SameTextNoCase(ClassOf(active), host::kFolderManagerClass) || ClassOf(msg.hwnd) == host::kListWindowClass)
            ResetSignatureInfo();
        break;
    }
    case WM_SYSKEYDOWN:
        if (msg.wParam == VK_F10 && (GetKeyState(VK_SHIFT) & 0x8000) && (GetKeyState(VK_CONTROL) & 0x8000) &&
            frontend_) {
            Neutralise(msg);
            frontend_->OfferAddMenu(true);
            return;
        }
        break;
    case WM_RBUTTONDOWN:
        if (!frontend_) break;
        if (msg.wParam & MK_CONTROL) {
            if (frontend_->OfferAddMenu(false)) Neutralise(msg);
        } else {
            frontend_->OnRightButtonDown(msg.hwnd);
        }
        return;
    case WM_RBUTTONUP:
        if (frontend_) frontend_->OnRightButtonUp();
        break;
    case WM_MOUSEMOVE: {
        POINT pt{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        ClientToScreen(msg.hwnd, &pt);
        currentHovered_ = WindowFromPoint(pt);
        if (currentHovered_ != lastHovered_) {
            if (lastHovered_ && IsWindowVisible(lastHovered_) && !IsDescendant(frame_, lastHovered_))
                PostMessageA(lastHovered_, kHoverLeave, 0, 0);
            if (HWND main = merrowin_ ? merrowin_->MainWindow() : nullptr; IsDescendant(main, currentHovered_))
                PostMessageA(currentHovered_, kHoverEnter, 0, 0);
            lastHovered_ = currentHovered_;
        }
        break;
    }
    default: break;
    }
    if (msg.message == WM_COMMAND && msg.lParam == 0) {
        WORD id = LOWORD(msg.wParam);
        HWND main = merrowin_ ? merrowin_->MainWindow() : nullptr;
        if (id == host::kCmdCloseForm && main) {
            merrowin_->CloseMainWindow();
            Neutralise(msg);
            return;
        }
        if (id == host::kCmdVerify) {
            if (main) PostMessageA(main, host::kFormMsgCommand, 0, host::kCommandForce);
            else viewerPending_ = 1;
        } else if (id == host::kCmdAddKey) {
            if (main) PostMessageA(main, host::kFormMsgCommand, 0, host::kCommandForce);
        } else if (id >= kFirstWindowMenuCommand) {
            size_t index = id - kFirstWindowMenuCommand;
            if (index < lMDIWindowList.size() && IsWindow(lMDIWindowList[index])) {
                SendMessageA(mdiClient_, WM_MDIRESTORE, reinterpret_cast<WPARAM>(lMDIWindowList[index]), 0);
                SendMessageA(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(lMDIWindowList[index]), 0);
            }
        } else if (readerIsMdi_ && ReaderExists() && (id == host::kCmdReaderNext || id == host::kCmdReaderPrevious)) {
            ResetSignatureInfo();
        }
        if (toFrame && HIWORD(msg.wParam) == 0) {
            switch (id) {
            case host::kCmdExit:
            case host::kCmdExitCheck: exitRequested_ = 1; break;
            case host::kCmdExitCancel:
                exitRequested_ = 0;
                sendSuppressed_ = 1;
                SetTimer(automationWindow_, kTimerSendSuppressed, 500, nullptr);
                break;
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
    }
    // The main library's window in front takes F3 and Alt+key as its own
    // commands.
    HWND main = merrowin_ ? merrowin_->MainWindow() : nullptr;
    if (main && (GetForegroundWindow() == main || IsDescendant(main, GetForegroundWindow()))) {
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_F3) {
            PostMessageA(main, host::kFormMsgCommand, kCommandFindNext, 0);
            Neutralise(msg);
        } else if (msg.message == WM_SYSCHAR) {
            PostMessageA(main, host::kFormMsgCommand, msg.wParam + 0x10000, 0);
            Neutralise(msg);
        }
    }
}

}  // namespace orv::automation
