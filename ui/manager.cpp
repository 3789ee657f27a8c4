#include "ui/manager.h"

#include "strings/text_client.h"
#include "ui/hot_hint.h"
#include "ui/look.h"

#include <cctype>

namespace orv::ui {

namespace {

constexpr int kClientWidth = 230;
constexpr int kClientHeight = 236;
constexpr int kButtonColumn = 60;
constexpr int kViewBorder = 10;
constexpr int kBevel = 1;

std::string T(int number) { return texts::Get(number); }

// A key acts through a message of the manager's own: inside the mail client
// the keys arrive in a message hook, where no dialog should run.
constexpr UINT kKeyAction = WM_APP + 0x4B;
enum KeyAction : WPARAM { kKeyExit, kKeyConfig, kKeyHelp, kKeyLetter };

HBITMAP ManagerBitmap(int id) { return GlyphBitmap(static_cast<Glyph>(id)); }

// The character message of a key already acted on must not follow it.
void DropPendingChar() {
    MSG pending;
    while (PeekMessageA(&pending, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE) ||
           PeekMessageA(&pending, nullptr, WM_SYSCHAR, WM_SYSCHAR, PM_REMOVE)) {
    }
}

}  // namespace

// ---- Panels ----------------------------------------------------------------------

bool TfrmManager::TMousePanel::Create(Window* parent, Align alignment, int width, int height, int border) {
    align = alignment;
    if (!CreateOwn("TManagerPanel", WS_EX_CONTROLPARENT, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                   "", parent, parent->Handle(), 0, 0, width, height))
        return false;
    SetBorderWidth(border);
    parent->Realign();
    return true;
}

LRESULT TfrmManager::TMousePanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE:
        if (onMouseMove) onMouseMove();
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (onMouseDown) {
            onMouseDown(msg == WM_RBUTTONDOWN);
            return 0;
        }
        break;
    case WM_SIZE:
        InvalidateRect(Handle(), nullptr, TRUE);
        break;
    default:
        break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

void TfrmManager::TMousePanel::EraseBackground(HDC dc) {
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(dc, &r, SolidBrush(Color()));
    if (picture) {
        BITMAP bm{};
        GetObjectA(picture, sizeof bm, &bm);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, picture);
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    if (lowered) {
        RECT inner = r;
        InflateRect(&inner, -(kViewBorder - 2), -(kViewBorder - 2));
        DrawEdge(dc, &inner, BDR_SUNKENINNER, BF_RECT);
    }
}

// ---- Creation -----------------------------------------------------------------------

TfrmManager::TfrmManager(ManagerServices& services) : services_(services) {}

TfrmManager::~TfrmManager() {
    HotHint().Hide();
    if (Handle()) {
        HWND wnd = Handle();
        ShowWindow(wnd, SW_HIDE);
    }
}

bool TfrmManager::Create(HWND owner, bool insideHost) {
    insideHost_ = insideHost;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (!CreateForm("TfrmManager", "Manager", style, 0, 100, 100, owner)) return false;
    keyPreview = true;
    SetClientSize(kClientWidth, kClientHeight);

    pnButtons.Create(this, Align::Right, kButtonColumn, 0, 0);
    pnButtons.onMouseMove = [this] { HidePictureHint(); };
    struct ButtonSpec {
        TFlatBtn& button;
        int glyph;
        int hint;
        void (TfrmManager::*click)();
    };
    int y = 8;
    for (const ButtonSpec& b : {ButtonSpec{fbAdd, kGlyphAdd, txt::ADD_HINT, &TfrmManager::fbAddClick},
                                ButtonSpec{fbDel, kGlyphDel, txt::DEL_HINT, &TfrmManager::fbDelClick},
                                ButtonSpec{fbManage, kGlyphManage, txt::MAN_HINT, &TfrmManager::fbManageClick},
                                ButtonSpec{fbExtract, kGlyphExtract, txt::X_HINT, &TfrmManager::fbExtractClick},
                                ButtonSpec{fbFP, kGlyphFP, txt::FP_HINT, &TfrmManager::fbFPClick}}) {
        b.button.Create(&pnButtons, 15, y, 30, 30);
        b.button.SetGlyph(ManagerBitmap(b.glyph));
        b.button.hint = T(b.hint);
        accelerators_[&b.button] = AccelChar(b.button.hint);
        b.button.onClick = [this, click = b.click] { (this->*click)(); };
        y += 36;
    }
    fbExit.Create(&pnButtons, 14, kClientHeight - 44, 32, 32);
    fbExit.SetGlyph(ManagerBitmap(kGlyphExit), 3);
    fbExit.hint = T(txt::EXIT_HINT);
    accelerators_[&fbExit] = AccelChar(fbExit.hint);
    fbExit.isCancel = true;
    fbExit.onClick = [this] { fbExitClick(); };

    pnView.Create(this, Align::Client, 0, 0, kViewBorder);
    pnView.lowered = true;
    pnView.onMouseMove = [this] { HidePictureHint(); };
    pnImg.Create(&pnView, Align::Client, 0, 0, 0);
    pnImg.onMouseMove = [this] { ShowPictureHint(); };
    imgKM.Create(&pnImg, Align::Client, 0, 0, 0);
    imgKM.picture = GlyphBitmap(static_cast<Glyph>(kAboutPicture));
    imgKM.onMouseMove = [this] { ShowPictureHint(); };
    imgKM.onMouseDown = [this](bool right) { ImgClick(right); };
    if (insideHost_) {
        CenterOverHost(Handle());
        RouteHostKeys();
    }
    return true;
}

HWND TfrmManager::InitialFocus() { return fbAdd.Handle(); }

void TfrmManager::ApplyColors() {
    RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
}

// ---- Commands --------------------------------------------------------------------

void TfrmManager::RunCommand(const std::function<void()>& command) {
    Operation operation(*this);
    command();
}

void TfrmManager::fbAddClick() {
    RunCommand([this] {
        TFileDialogEx& dialog = services_.OpenDialog();
        dialog.filterIndex = 3;
        dialog.fileName.clear();
        dialog.SetClipboardCaption(T(txt::FROM_CLIPBOARD));
        dialog.parent = Handle();
        if (dialog.Execute()) services_.ImportKeys(dialog.fileName);
    });
}

void TfrmManager::fbDelClick() {
    RunCommand([this] { services_.DeleteKeys(); });
}

void TfrmManager::fbManageClick() {
    RunCommand([this] { services_.StartKeyManager(); });
}

void TfrmManager::fbExtractClick() {
    RunCommand([this] {
        TFileDialogEx& dialog = services_.SaveDialog();
        dialog.filterIndex = 3;
        dialog.fileName.clear();
        dialog.SetClipboardCaption(T(txt::TO_CLIPBOARD));
        dialog.parent = Handle();
        if (dialog.Execute()) services_.ExportKeys(dialog.fileName);
    });
}

void TfrmManager::fbFPClick() {
    RunCommand([this] { services_.ShowFingerprint(); });
}

void TfrmManager::fbExitClick() {
    if (InModalLoop())
        SetModalResult(mrCancel);
    else
        PostMessageA(Handle(), WM_CLOSE, 0, 0);
}

void TfrmManager::ImgClick(bool right) {
    HidePictureHint();
    RunCommand([this, right] {
        if (right)
            services_.ShowConfig();
        else
            services_.ShowAbout();
    });
}

// ---- Hint over the picture ----------------------------------------------------------

void TfrmManager::ShowPictureHint() {
    if (!IsWindowVisible(Handle()) || GetForegroundWindow() != Handle()) return;
    RECT r;
    GetWindowRect(pnImg.Handle(), &r);
    HotHint().ShowAt(T(txt::PIC_HINT), POINT{r.left - 1, r.top + (r.bottom - r.top) + 2 * kBevel});
}

void TfrmManager::HidePictureHint() { HotHint().Hide(); }

// ---- Keys and host commands ------------------------------------------------------------

bool TfrmManager::ClickAccelerator(char letter) {
    const char upper = char(std::toupper(static_cast<unsigned char>(letter)));
    bool clicked = false;
    for (auto& [button, accel] : accelerators_) {
        if (accel != upper || !button->Enabled() || !button->Visible()) continue;
        button->Click();
        clicked = true;
    }
    return clicked;
}

bool TfrmManager::HasAccelerator(char letter) const {
    const char upper = char(std::toupper(static_cast<unsigned char>(letter)));
    for (const auto& [button, accel] : accelerators_)
        if (accel == upper && button->Enabled() && button->Visible()) return true;
    return false;
}

bool TfrmManager::PreviewKey(MSG& msg) {
    if (msg.message == WM_SYSCHAR) {
        if (!HasAccelerator(char(msg.wParam))) return false;
        PostMessageA(Handle(), kKeyAction, kKeyLetter, LPARAM(msg.wParam));
        return true;
    }
    if (msg.message != WM_KEYDOWN) return false;
    switch (msg.wParam) {
    case VK_ESCAPE:
        DropPendingChar();
        PostMessageA(Handle(), kKeyAction, kKeyExit, 0);
        return true;
    case VK_F12:
        DropPendingChar();
        PostMessageA(Handle(), kKeyAction, kKeyConfig, 0);
        return true;
    case VK_F1:
        PostMessageA(Handle(), kKeyAction, kKeyHelp, 0);
        return true;
    default:
        return false;
    }
}

void TfrmManager::KeyCommand(WPARAM action, LPARAM letter) {
    switch (action) {
    case kKeyExit:
        if (MayClose()) fbExitClick();
        break;
    case kKeyConfig: RunCommand([this] { services_.ShowConfig(); }); break;
    case kKeyHelp: services_.ShowHelp(); break;
    case kKeyLetter: ClickAccelerator(char(letter)); break;
    default: break;
    }
}

void TfrmManager::HostCommand(WPARAM wp, LPARAM lp) {
    if (lp == host::kCommandForce) {
        if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
        SetForegroundWindow(Handle());
        BringWindowToTop(Handle());
    } else if (lp == host::kCommandStart) {
        ShowWindow(Handle(), SW_SHOW);
        SetForegroundWindow(Handle());
        if (HWND focus = InitialFocus()) ::SetFocus(focus);
    } else if (lp == 0 && HIWORD(wp) == 1) {
        ClickAccelerator(char(LOWORD(wp)));
    }
}

LRESULT TfrmManager::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case host::kFormMsgCommand:
        HostCommand(wp, lp);
        return 0;
    case kKeyAction:
        KeyCommand(wp, lp);
        return 0;
    case WM_MOUSEMOVE:
        HidePictureHint();
        break;
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) HidePictureHint();
        break;
    case WM_CLOSE:
        // Refused, not put off: the user closes the manager again after.
        if (!MayClose()) return 0;
        HidePictureHint();
        if (!InModalLoop()) {
            ShowWindow(Handle(), SW_HIDE);
            services_.Destroyed();
            return 0;
        }
        break;
    default:
        break;
    }
    return Form::HandleMessage(msg, wp, lp);
}

}  // namespace orv::ui
