#include "ui/page_control.h"

#include "ui/look.h"

#include <commctrl.h>

namespace orv::ui {

bool TLabel::Create(Window* parent, int x, int y, int width, int height, const std::string& caption,
                    DWORD style) {
    return CreateStandard("Static", 0, WS_CHILD | WS_VISIBLE | SS_NOTIFY | style, caption, parent, x, y, width,
                          height);
}

bool TGroupBox::Create(Window* parent, int x, int y, int width, int height, const std::string& caption) {
    return CreateOwn("TGroupBox", WS_EX_CONTROLPARENT, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, caption, parent,
                     parent->Handle(), x, y, width, height);
}

LRESULT TGroupBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        Paint(dc);
        EndPaint(Handle(), &ps);
        return 0;
    }
    return Window::HandleMessage(msg, wp, lp);
}

void TGroupBox::Paint(HDC dc) {
    const std::string caption = Text();
    HGDIOBJ oldFont = SelectObject(dc, Font() ? Font() : DefaultFont());
    SIZE extent{};
    GetTextExtentPoint32A(dc, caption.c_str(), int(caption.size()), &extent);
    RECT frame{0, extent.cy / 2, ClientWidth(), ClientHeight()};
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    SetBkColor(dc, Color());
    SetBkMode(dc, OPAQUE);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT text{8, 0, 8 + extent.cx, extent.cy};
    DrawTextA(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
}

bool TPageControl::Create(Window* parent, Align alignment, int height) {
    align = alignment;
    if (!CreateStandard(WC_TABCONTROLA, WS_EX_CONTROLPARENT, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS,
                        "", parent, 0, 0, parent->ClientWidth(), height))
        return false;
    parent->Realign();
    return true;
}

TPanel& TPageControl::AddPage(const std::string& caption) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    std::string text = caption;
    item.pszText = text.data();
    SendMessageA(Handle(), TCM_INSERTITEMA, pages_.size(), reinterpret_cast<LPARAM>(&item));
    auto page = std::make_unique<TPanel>();
    page->Create(this, Align::None);
    page->SetVisible(pages_.empty());
    pages_.push_back(std::move(page));
    LayoutPages();
    return *pages_.back();
}

void TPageControl::LayoutPages() {
    RECT r{0, 0, ClientWidth(), ClientHeight()};
    SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    for (auto& page : pages_) page->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TPageControl::SetActivePage(int index) {
    if (index < 0 || index >= PageCount()) return;
    SendMessageA(Handle(), TCM_SETCURSEL, WPARAM(index), 0);
    for (int i = 0; i < PageCount(); ++i) pages_[size_t(i)]->SetVisible(i == index);
}

int TPageControl::ActivePage() const { return int(SendMessageA(Handle(), TCM_GETCURSEL, 0, 0)); }

bool TPageControl::Reflected(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lp);
    if (header->code != TCN_SELCHANGE) return false;
    SetActivePage(ActivePage());
    result = 0;
    return true;
}

LRESULT TPageControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SIZE) {
        LRESULT result = Window::HandleMessage(msg, wp, lp);
        LayoutPages();
        return result;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace orv::ui
