#include "ui/hot_hint.h"

#include "ui/look.h"

#include <memory>

namespace orv::ui {

namespace {

std::unique_ptr<TfrmHotHint>& Instance() {
    static std::unique_ptr<TfrmHotHint> hint;
    return hint;
}

}  // namespace

TfrmHotHint& HotHint() {
    auto& hint = Instance();
    if (!hint) {
        hint = std::make_unique<TfrmHotHint>();
        hint->Create();
    }
    return *hint;
}

void DestroyHotHint() { Instance().reset(); }

bool TfrmHotHint::Create() {
    return CreateOwn("TfrmHotHint", WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE,
                     WS_POPUP | WS_BORDER, "", nullptr, nullptr, 0, 0, 10, 10, CS_SAVEBITS);
}

COLORREF TfrmHotHint::BackgroundColor() {
    COLORREF c = GetSysColor(COLOR_INFOBK);
    return c == 0 ? kPaleYellowHint : c;
}

COLORREF TfrmHotHint::TextColor() { return GetSysColor(COLOR_INFOTEXT); }

SIZE TfrmHotHint::HintSize(const std::string& caption) const {
    HDC dc = GetDC(Handle());
    HGDIOBJ old = SelectObject(dc, Font() ? Font() : DefaultFont());
    SIZE extent{0, 0};
    GetTextExtentPoint32A(dc, caption.c_str(), int(caption.size()), &extent);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    int lineFeeds = 0;
    for (char c : caption) lineFeeds += c == '\n';
    // Width from the whole caption's extent: wide enough for any of its lines.
    return SIZE{extent.cx + 4, (lineFeeds + 1) * tm.tmHeight + 4};
}

void TfrmHotHint::ShowAt(const std::string& caption, POINT screen) {
    if (!Handle() && !Create()) return;
    SetText(caption);
    SIZE size = HintSize(caption);
    RECT frame{0, 0, size.cx, size.cy};
    AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
    SetWindowPos(Handle(), HWND_TOPMOST, screen.x, screen.y, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TfrmHotHint::Hide() {
    if (Handle() && IsWindowVisible(Handle())) ShowWindow(Handle(), SW_HIDE);
}

void TfrmHotHint::EraseBackground(HDC dc) {
    RECT r;
    GetClientRect(Handle(), &r);
    FillRect(dc, &r, SolidBrush(BackgroundColor()));
}

LRESULT TfrmHotHint::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        RECT r;
        GetClientRect(Handle(), &r);
        InflateRect(&r, -2, -2);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, TextColor());
        HGDIOBJ old = SelectObject(dc, Font() ? Font() : DefaultFont());
        std::string caption = Text();
        // Each line of a several-line caption centred on a line of its own.
        DrawTextA(dc, caption.c_str(), -1, &r, DT_CENTER | DT_NOPREFIX);
        SelectObject(dc, old);
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    default:
        return Window::HandleMessage(msg, wp, lp);
    }
}

}  // namespace orv::ui
