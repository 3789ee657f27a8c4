#include "ui/flat_btn.h"

#include "ui/hot_hint.h"
#include "ui/look.h"

#include <commctrl.h>

#include <algorithm>

namespace orv::ui {

namespace {

constexpr UINT_PTR kHintTimer = 1;
constexpr UINT kHintDelayMs = 500;

}  // namespace

bool TFlatBtn::Create(Window* parent, int x, int y, int width, int height,
                      const std::string& caption) {
    return CreateStandard("Button", 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, caption,
                          parent, x, y, width, height);
}

void TFlatBtn::SetGlyph(HBITMAP glyph, int numGlyphs) {
    glyph_ = glyph;
    numGlyphs_ = numGlyphs < 1 ? 1 : numGlyphs;
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TFlatBtn::SetCaption(const std::string& caption) {
    SetText(caption);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TFlatBtn::Click() {
    if (!CanFocus()) return;
    HotHint().Hide();
    // The handler may end the form; keep what is needed before calling it.
    int result = modalResult;
    Form* form = ParentForm();
    if (onClick) onClick();
    if (result != mrNone && form) form->SetModalResult(result);
}

bool TFlatBtn::DialogChar(char upper) {
    if (upper == 0 || AccelChar(Caption()) != upper || !CanFocus()) return false;
    Click();
    return true;
}

bool TFlatBtn::Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_COMMAND && (HIWORD(wp) == BN_CLICKED || HIWORD(wp) == BN_DOUBLECLICKED)) {
        Click();
        result = 0;
        return true;
    }
    if (msg == WM_DRAWITEM) {
        Draw(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
        result = TRUE;
        return true;
    }
    return false;
}

LRESULT TFlatBtn::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE:
        if (!mouseInside_) {
            mouseInside_ = true;
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, Handle(), 0};
            TrackMouseEvent(&tme);
            InvalidateRect(Handle(), nullptr, FALSE);
            if (!hint.empty()) SetTimer(Handle(), kHintTimer, kHintDelayMs, nullptr);
        }
        break;
    case WM_MOUSELEAVE:
        mouseInside_ = false;
        KillTimer(Handle(), kHintTimer);
        HotHint().Hide();
        InvalidateRect(Handle(), nullptr, FALSE);
        break;
    case WM_LBUTTONDOWN:
        KillTimer(Handle(), kHintTimer);
        HotHint().Hide();
        break;
    case WM_TIMER:
        if (wp == kHintTimer) {
            KillTimer(Handle(), kHintTimer);
            if (mouseInside_) ShowHint();
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        return 1;  // drawn whole in WM_DRAWITEM
    case WM_DESTROY:
        KillTimer(Handle(), kHintTimer);
        break;
    default:
        break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

void TFlatBtn::ShowHint() {
    POINT pt;
    GetCursorPos(&pt);
    HotHint().ShowAt(hint, POINT{pt.x, pt.y + 20});
}

void TFlatBtn::Draw(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    bool pressed = (item.itemState & ODS_SELECTED) != 0;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;
    bool focused = (item.itemState & ODS_FOCUS) != 0;
    COLORREF back = Color();
    FillRect(dc, &r, SolidBrush(back));
    if (pressed)
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    else if (mouseInside_ && !disabled)
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);

    // Glyph and caption as one block, laid out like a bitmap button.
    BITMAP bm{};
    int gw = 0, gh = 0;
    if (glyph_ && GetObjectA(glyph_, sizeof bm, &bm)) {
        gw = bm.bmWidth / numGlyphs_;
        gh = bm.bmHeight;
    }
    std::string caption = Text();
    HGDIOBJ oldFont = SelectObject(dc, Font() ? Font() : DefaultFont());
    RECT tr{0, 0, 0, 0};
    if (!caption.empty()) DrawTextA(dc, caption.c_str(), -1, &tr, DT_CALCRECT | DT_SINGLELINE);
    int tw = tr.right, th = tr.bottom;
    int gap = (gw && tw) ? spacing : 0;
    int width = r.right - r.left, height = r.bottom - r.top;
    bool horizontal = layout == ButtonLayout::GlyphLeft || layout == ButtonLayout::GlyphRight;
    int blockW = horizontal ? gw + gap + tw : (gw > tw ? gw : tw);
    int blockH = horizontal ? (gh > th ? gh : th) : gh + gap + th;
    int bx = margin >= 0 && horizontal ? margin : (width - blockW) / 2;
    int by = margin >= 0 && !horizontal ? margin : (height - blockH) / 2;
    int gx = 0, gy = 0, tx = 0, ty = 0;
    switch (layout) {
    case ButtonLayout::GlyphLeft:
        gx = bx, gy = (height - gh) / 2, tx = bx + gw + gap, ty = (height - th) / 2;
        break;
    case ButtonLayout::GlyphRight:
        tx = bx, ty = (height - th) / 2, gx = bx + tw + gap, gy = (height - gh) / 2;
        break;
    case ButtonLayout::GlyphTop:
        gx = (width - gw) / 2, gy = by, tx = (width - tw) / 2, ty = by + gh + gap;
        break;
    case ButtonLayout::GlyphBottom:
        tx = (width - tw) / 2, ty = by, gx = (width - gw) / 2, gy = by + th + gap;
        break;
    }
    int shift = pressed ? 1 : 0;
    if (gw) {
        int index = 0;
        if (disabled && numGlyphs_ > 1)
            index = 1;
        else if (pressed && numGlyphs_ > 2)
            index = 2;
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ oldBmp = SelectObject(mem, glyph_);
        // The glyph's bottom-left pixel is its transparent colour.
        COLORREF transparent = GetPixel(mem, index * gw, gh - 1);
        TransparentBlt(dc, r.left + gx + shift, r.top + gy + shift, gw, gh, mem, index * gw, 0, gw, gh,
                       transparent);
        if (disabled && numGlyphs_ < 2) {
            // Without a disabled image the glyph is drawn grey, half way to the button colour.
            for (int y = 0; y < gh; ++y)
                for (int x = 0; x < gw; ++x) {
                    COLORREF c = GetPixel(mem, index * gw + x, y);
                    if (c == transparent) continue;
                    int grey = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
                    auto mix = [grey](int part) { return BYTE(std::min(255, (grey + part) / 2 + 16)); };
                    COLORREF faded = RGB(mix(GetRValue(back)), mix(GetGValue(back)), mix(GetBValue(back)));
                    SetPixelV(dc, r.left + gx + x, r.top + gy + y, faded);
                }
        }
        SelectObject(mem, oldBmp);
        DeleteDC(mem);
    }
    if (tw) {
        SetBkMode(dc, TRANSPARENT);
        RECT text{r.left + tx + shift, r.top + ty + shift, r.left + tx + tw + shift, r.top + ty + th + shift};
        if (disabled) {
            SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
            OffsetRect(&text, 1, 1);
            DrawTextA(dc, caption.c_str(), -1, &text, DT_SINGLELINE);
            OffsetRect(&text, -1, -1);
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        } else {
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        }
        DrawTextA(dc, caption.c_str(), -1, &text, DT_SINGLELINE);
        if (focused && !(item.itemState & ODS_NOFOCUSRECT)) {
            InflateRect(&text, 2, 1);
            DrawFocusRect(dc, &text);
        }
    } else if (focused && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT f = r;
        InflateRect(&f, -3, -3);
        DrawFocusRect(dc, &f);
    }
    SelectObject(dc, oldFont);
}

}  // namespace orv::ui
