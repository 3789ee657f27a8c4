#include "ui/col_grip.h"

#include "ui/look.h"

#include <commctrl.h>

namespace orv::ui {

namespace {
constexpr int kGripSize = 14;
}

bool TColoredGrip::Create(Window* parent) {
    // Without SBARS_SIZEGRIP: the grip is painted here in the parent's colour.
    if (!CreateStandard(STATUSCLASSNAMEA, 0, WS_CHILD | WS_VISIBLE | CCS_BOTTOM, "", parent, 0, 0, 0,
                        0))
        return false;
    ColorChanged();
    return true;
}

void TColoredGrip::SetPanels(const std::vector<int>& rightEdges) {
    SendMessageA(Handle(), SB_SETPARTS, WPARAM(rightEdges.size()),
                 reinterpret_cast<LPARAM>(rightEdges.data()));
}

void TColoredGrip::SetPanelText(int index, const std::string& text) {
    SendMessageA(Handle(), SB_SETTEXTA, WPARAM(index), reinterpret_cast<LPARAM>(text.c_str()));
}

void TColoredGrip::SetSimplePanel(bool simple) { SendMessageA(Handle(), SB_SIMPLE, simple, 0); }

void TColoredGrip::ColorChanged() {
    brushColor_ = Color();
    SendMessageA(Handle(), SB_SETBKCOLOR, 0, LPARAM(brushColor_));
    InvalidateRect(Handle(), nullptr, TRUE);
}

RECT TColoredGrip::GripRect() const {
    RECT r;
    GetClientRect(Handle(), &r);
    r.left = r.right - kGripSize;
    r.top = r.bottom - kGripSize;
    return r;
}

LRESULT TColoredGrip::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        // Painted whole here: the system status bar keeps its own face colour.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        RECT client;
        GetClientRect(Handle(), &client);
        FillRect(dc, &client, SolidBrush(brushColor_));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        HGDIOBJ oldFont = SelectObject(dc, Font() ? Font() : DefaultFont());
        bool simple = SendMessageA(Handle(), SB_ISSIMPLE, 0, 0) != 0;
        int parts = simple ? 1 : int(SendMessageA(Handle(), SB_GETPARTS, 0, 0));
        for (int i = 0; i < parts; ++i) {
            int index = simple ? 255 : i;
            RECT part = client;
            if (!simple) SendMessageA(Handle(), SB_GETRECT, WPARAM(i), reinterpret_cast<LPARAM>(&part));
            if (!simple && i + 1 < parts) DrawEdge(dc, &part, BDR_SUNKENOUTER, BF_RIGHT);
            char text[512] = {};
            LRESULT len = SendMessageA(Handle(), SB_GETTEXTLENGTHA, WPARAM(index), 0);
            if (LOWORD(len) && LOWORD(len) < sizeof text)
                SendMessageA(Handle(), SB_GETTEXTA, WPARAM(index), reinterpret_cast<LPARAM>(text));
            RECT textRect = part;
            textRect.left += 4;
            DrawTextA(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        }
        SelectObject(dc, oldFont);
        RECT r = GripRect();
        HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
        HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
        HGDIOBJ old = SelectObject(dc, light);
        // Three pairs of diagonals 4 pixels apart: highlight, then shadow beside it.
        for (int i = 0; i < 3; ++i) {
            int d = 4 * i + 2;
            SelectObject(dc, light);
            MoveToEx(dc, r.right - d - 1, r.bottom, nullptr);
            LineTo(dc, r.right, r.bottom - d - 2);
            SelectObject(dc, dark);
            MoveToEx(dc, r.right - d, r.bottom, nullptr);
            LineTo(dc, r.right, r.bottom - d - 1);
            MoveToEx(dc, r.right - d + 1, r.bottom, nullptr);
            LineTo(dc, r.right, r.bottom - d);
        }
        SelectObject(dc, old);
        DeleteObject(light);
        DeleteObject(dark);
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_SETCURSOR: {
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(Handle(), &pt);
        RECT r = GripRect();
        if (PtInRect(&r, pt)) {
            SetCursor(LoadCursor(nullptr, IDC_SIZENWSE));
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONDOWN: {
        POINT pt{short(LOWORD(lp)), short(HIWORD(lp))};
        RECT r = GripRect();
        if (PtInRect(&r, pt)) {
            HWND root = GetAncestor(Handle(), GA_ROOT);
            ReleaseCapture();
            SendMessageA(root, WM_SYSCOMMAND, SC_SIZE | WMSZ_BOTTOMRIGHT, 0);
            return 0;
        }
        break;
    }
    default:
        break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace orv::ui
