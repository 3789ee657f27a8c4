#include "ui/look.h"

#include "ui/window.h"

#include <map>

namespace orv::ui {

namespace {

struct Resources {
    std::map<COLORREF, HBRUSH> brushes;
    std::map<int, HBITMAP> glyphs;
    HFONT normal = nullptr;
    HFONT bold = nullptr;
    HFONT underlined = nullptr;
};

Resources& Res() {
    static Resources res;
    return res;
}

LOGFONTA MessageFont() {
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    LOGFONTA lf{};
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
        lf = ncm.lfMessageFont;
    } else {
        lf.lfHeight = -11;
        lstrcpyA(lf.lfFaceName, "Tahoma");
    }
    return lf;
}

}  // namespace

namespace {
Session* g_installed = nullptr;
}  // namespace

LooseSession& DefaultSession() {
    static LooseSession session;
    return session;
}

Session& CurrentSession() { return g_installed ? *g_installed : DefaultSession(); }

void SetCurrentSession(Session* session) { g_installed = session; }

COLORREF WindowColor() {
    return CurrentSession().StandardColors() ? GetSysColor(COLOR_BTNFACE) : kSage;
}

COLORREF FieldColor() {
    return CurrentSession().StandardColors() ? GetSysColor(COLOR_WINDOW) : kPaleField;
}

HBRUSH SolidBrush(COLORREF color) {
    auto& brushes = Res().brushes;
    auto it = brushes.find(color);
    if (it != brushes.end()) return it->second;
    HBRUSH brush = CreateSolidBrush(color);
    brushes[color] = brush;
    return brush;
}

HBRUSH WindowBrush() { return SolidBrush(WindowColor()); }
HBRUSH FieldBrush() { return SolidBrush(FieldColor()); }

HFONT DefaultFont() {
    Resources& res = Res();
    if (!res.normal) {
        LOGFONTA lf = MessageFont();
        res.normal = CreateFontIndirectA(&lf);
    }
    return res.normal;
}

HFONT BoldFont() {
    Resources& res = Res();
    if (!res.bold) {
        LOGFONTA lf = MessageFont();
        lf.lfWeight = FW_BOLD;
        res.bold = CreateFontIndirectA(&lf);
    }
    return res.bold;
}

HFONT UnderlinedFont() {
    Resources& res = Res();
    if (!res.underlined) {
        LOGFONTA lf = MessageFont();
        lf.lfUnderline = TRUE;
        res.underlined = CreateFontIndirectA(&lf);
    }
    return res.underlined;
}

void FreeLookResources() {
    Resources& res = Res();
    for (auto& entry : res.brushes) DeleteObject(entry.second);
    for (auto& entry : res.glyphs)
        if (entry.second) DeleteObject(entry.second);
    for (HFONT font : {res.normal, res.bold, res.underlined})
        if (font) DeleteObject(font);
    res = Resources{};
}

HINSTANCE ResourceModule() {
    static HMODULE module = [] {
        HMODULE m = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&ResourceModule), &m);
        return m ? m : GetModuleHandleA(nullptr);
    }();
    return module;
}

HBITMAP GlyphBitmap(Glyph glyph) {
    auto& glyphs = Res().glyphs;
    int id = int(glyph);
    auto it = glyphs.find(id);
    if (it != glyphs.end()) return it->second;
    HBITMAP bmp = LoadBitmapA(ResourceModule(), MAKEINTRESOURCEA(id));
    glyphs[id] = bmp;
    return bmp;
}

void CenterOverHost(HWND wnd) {
    if (!wnd) return;
    Session& session = CurrentSession();
    HWND over = session.HostMain();
    if (!over || !IsWindow(over) || !IsWindowVisible(over) || over == wnd) over = GetWindow(wnd, GW_OWNER);
    RECT ref{};
    if (over && IsWindowVisible(over) && !IsIconic(over))
        GetWindowRect(over, &ref);
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &ref, 0);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT me{};
    GetWindowRect(wnd, &me);
    int w = me.right - me.left, h = me.bottom - me.top;
    int x = ref.left + ((ref.right - ref.left) - w) / 2;
    int y = ref.top + ((ref.bottom - ref.top) - h) / 2;
    if (x + w > work.right) x = work.right - w;
    if (y + h > work.bottom) y = work.bottom - h;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    SetWindowPos(wnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return;
        }
        if (!Form::PreTranslateAny(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

SIZE TextExtent(HFONT font, const std::string& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font ? font : DefaultFont());
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SIZE result{0, 0};
    size_t start = 0;
    int lines = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        SIZE s{0, 0};
        if (!line.empty()) GetTextExtentPoint32A(dc, line.c_str(), int(line.size()), &s);
        if (s.cx > result.cx) result.cx = s.cx;
        ++lines;
        start = end + 1;
    }
    result.cy = lines * (tm.tmHeight + tm.tmExternalLeading);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return result;
}

}  // namespace orv::ui
