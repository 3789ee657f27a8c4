#include "ui/cust_check.h"

#include "ui/look.h"

namespace orv::ui {

namespace {
constexpr int kBoxSize = 13;
constexpr int kGap = 4;
}  // namespace

bool TCustomCheck::Create(Window* parent, int x, int y, int width, int height,
                          const std::string& caption) {
    return CreateOwn(IsRadio() ? "TCustRadioBtn" : "TCustCheckBox", 0,
                     WS_CHILD | WS_VISIBLE | WS_TABSTOP, caption, parent, parent->Handle(), x, y, width,
                     height);
}

void TCustomCheck::SetCaption(const std::string& caption) {
    SetText(caption);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TCustomCheck::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    InvalidateRect(Handle(), nullptr, TRUE);
    CheckedChanged();
    if (onChanged) onChanged();
}

void TCustomCheck::SetWindowColor(COLORREF color) {
    windowColor_ = color;
    InvalidateRect(Handle(), nullptr, TRUE);
}

bool TCustomCheck::DialogChar(char upper) {
    if (upper == 0 || AccelChar(Caption()) != upper || !CanFocus()) return false;
    SetFocus();
    Toggle();
    return true;
}

void TCustomCheck::Paint(HDC dc) {
    RECT client;
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, SolidBrush(Color()));
    int boxTop = (client.bottom - kBoxSize) / 2;
    bool boxLeft = alignment == Alignment::taRightJustify;
    RECT box{boxLeft ? 0 : client.right - kBoxSize, boxTop, 0, boxTop + kBoxSize};
    box.right = box.left + kBoxSize;

    UINT state = IsRadio() ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
    if (checked_) state |= DFCS_CHECKED;
    if (pressed_) state |= DFCS_PUSHED;
    if (!IsWindowEnabled(Handle())) state |= DFCS_INACTIVE;
    if (windowColor_ != CLR_INVALID && !IsRadio()) {
        // An own inside colour: frame and tick drawn here.
        FillRect(dc, &box, SolidBrush(windowColor_));
        DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT);
        if (checked_) {
            HPEN pen = CreatePen(PS_SOLID, 2, GetSysColor(COLOR_WINDOWTEXT));
            HGDIOBJ old = SelectObject(dc, pen);
            MoveToEx(dc, box.left + 3, box.top + 6, nullptr);
            LineTo(dc, box.left + 5, box.top + 9);
            LineTo(dc, box.left + 10, box.top + 3);
            SelectObject(dc, old);
            DeleteObject(pen);
        }
    } else {
        DrawFrameControl(dc, &box, DFC_BUTTON, state);
    }

    std::string caption = Text();
    HGDIOBJ oldFont = SelectObject(dc, Font() ? Font() : DefaultFont());
    RECT text{0, 0, 0, 0};
    DrawTextA(dc, caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
    int tw = text.right, th = text.bottom;
    int tx = boxLeft ? kBoxSize + kGap : client.right - kBoxSize - kGap - tw;
    if (tx < 0) tx = 0;
    text = RECT{tx, (client.bottom - th) / 2, tx + tw, (client.bottom - th) / 2 + th};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(Handle()) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawTextA(dc, caption.c_str(), -1, &text, DT_SINGLELINE);
    if (GetFocus() == Handle()) {
        InflateRect(&text, 1, 1);
        DrawFocusRect(dc, &text);
    }
    SelectObject(dc, oldFont);
}

LRESULT TCustomCheck::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        Paint(dc);
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        InvalidateRect(Handle(), nullptr, TRUE);
        break;
    case WM_GETDLGCODE:
        return DLGC_BUTTON | (IsRadio() ? DLGC_RADIOBUTTON : 0);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (CanFocus()) SetFocus();
        pressed_ = true;
        SetCapture(Handle());
        InvalidateRect(Handle(), nullptr, TRUE);
        return 0;
    case WM_LBUTTONUP:
        if (pressed_) {
            pressed_ = false;
            ReleaseCapture();
            POINT pt{short(LOWORD(lp)), short(HIWORD(lp))};
            RECT client;
            GetClientRect(Handle(), &client);
            InvalidateRect(Handle(), nullptr, TRUE);
            if (PtInRect(&client, pt)) Toggle();
        }
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_SPACE) {
            Toggle();
            return 0;
        }
        break;
    case BM_CLICK:
        if (CanFocus()) Toggle();
        return 0;
    case BM_GETCHECK:
        return checked_ ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        SetChecked(wp == BST_CHECKED);
        return 0;
    case WM_SETTEXT: {
        LRESULT result = Window::HandleMessage(msg, wp, lp);
        InvalidateRect(Handle(), nullptr, TRUE);
        return result;
    }
    default:
        break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace orv::ui
