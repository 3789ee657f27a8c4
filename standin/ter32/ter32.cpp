// TER32.dll, the mail client's editor library as the stand-in plays it: the
// control "TER32CLASS" holds a rich-text edit that shows coloured runs and
// keeps the user's selection; the twelve functions work on it by name.
#include <windows.h>
#include <richedit.h>

#include <cstring>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "standin/ter32/ter32_api.h"

namespace {

using namespace orv::ter32;

constexpr const char* kStateProp = "Ter32State";
constexpr int kEditId = 1;

HINSTANCE g_instance = nullptr;
bool g_registered = false;
HMODULE g_richEdit = nullptr;

struct Font {
    COLORREF text;
    COLORREF background;
};

// What the library keeps per control beside the edit itself.
struct State {
    HWND edit = nullptr;
    std::vector<Font> fonts;
    int tabType = 0, tabPosition = 0, tabFlags = 0;
};

State* StateOf(HWND control) {
    if (!control || !IsWindow(control)) return nullptr;
    return static_cast<State*>(GetPropA(control, kStateProp));
}

HWND EditOf(HWND control) {
    State* s = StateOf(control);
    return s ? s->edit : nullptr;
}

// The edit keeps a paragraph end as one CR; callers get CR LF.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) out += '\n';
    }
    return out;
}

std::string Range(HWND edit, LONG from, LONG to) {
    if (to <= from) return {};
    std::string buf(size_t(to - from) * 2 + 2, '\0');
    TEXTRANGEA tr{{from, to}, buf.data()};
    LRESULT n = SendMessageA(edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&tr));
    buf.resize(size_t(n > 0 ? n : 0));
    return buf;
}

LONG TextLength(HWND edit) {
    GETTEXTLENGTHEX gl{GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
    return LONG(SendMessageA(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gl), 0));
}

HGLOBAL ToGlobal(const std::string& text, long* size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!block) return nullptr;
    char* p = static_cast<char*>(GlobalLock(block));
    std::memcpy(p, text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    if (size) *size = long(text.size());
    return block;
}

void Repaint(HWND control, BOOL repaint) {
    if (repaint) InvalidateRect(EditOf(control), nullptr, TRUE);
}

// Inserting is the program's right also in a read-only control.
bool Insert(HWND edit, const std::string& text) {
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    return true;
}

LRESULT CALLBACK ControlProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        State* s = StateOf(wnd);
        switch (msg) {
        case WM_NCCREATE: {
            if (!g_richEdit) g_richEdit = LoadLibraryA("riched20.dll");
            auto* state = new (std::nothrow) State;
            if (!state || !SetPropA(wnd, kStateProp, state)) {
                delete state;
                return FALSE;
            }
            break;
        }
        case WM_CREATE: {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            DWORD keep = cs->style & (ES_READONLY | WS_VSCROLL | WS_HSCROLL);
            s->edit = CreateWindowExA(0, RICHEDIT_CLASSA, "",
                                      WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
                                          ES_NOHIDESEL | keep,
                                      0, 0, cs->cx, cs->cy, wnd,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), g_instance, nullptr);
            if (!s->edit) return -1;
            SendMessageA(s->edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), FALSE);
            SendMessageA(s->edit, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
            if (cs->lpszName && *cs->lpszName) SetWindowTextA(s->edit, cs->lpszName);
            return 0;
        }
        case WM_SIZE:
            if (s && s->edit) MoveWindow(s->edit, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
            return 0;
        case WM_SETFOCUS:
            if (s && s->edit) SetFocus(s->edit);
            return 0;
        case WM_CHAR:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SETTEXT:
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
        case WM_SETFONT:
        case WM_COPY:
        case WM_CUT:
        case WM_PASTE:
        case WM_CLEAR:
        case WM_UNDO:
            if (s && s->edit) return SendMessageA(s->edit, msg, wp, lp);
            break;
        case WM_NOTIFY:
        case WM_COMMAND:
            // The edit's own notifications stay here: its identifier means
            // nothing to the window that holds the control.
            return 0;
        case WM_NCDESTROY:
            RemovePropA(wnd, kStateProp);
            delete s;
            break;
        default:
            // Edit messages (EM_*) reach the edit itself.
            if (s && s->edit && ((msg >= EM_GETSEL && msg <= EM_GETIMESTATUS) || msg >= WM_USER))
                return SendMessageA(s->edit, msg, wp, lp);
            break;
        }
    } catch (...) {
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

bool RegisterControlClass() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    // Global, so that windows of the client's own module can be of this class.
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
    wc.lpfnWndProc = ControlProc;
    wc.hInstance = g_instance;
    wc.hCursor = LoadCursor(nullptr, IDC_IBEAM);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kControlClass;
    return RegisterClassExA(&wc) != 0;
}

int FontId(State* s, COLORREF text, COLORREF background) {
    for (size_t i = 0; i < s->fonts.size(); ++i)
        if (s->fonts[i].text == text && s->fonts[i].background == background) return int(i);
    s->fonts.push_back({text, background});
    return int(s->fonts.size() - 1);
}

}  // namespace

extern "C" {

BOOL WINAPI TerGetReadOnly(HWND control) {
    HWND edit = EditOf(control);
    return edit && (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) ? TRUE : FALSE;
}

HGLOBAL WINAPI GetTerBuffer(HWND control, long* size) {
    try {
        HWND edit = EditOf(control);
        if (size) *size = 0;
        if (!edit) return nullptr;
        return ToGlobal(WithCrLf(Range(edit, 0, TextLength(edit))), size);
    } catch (...) {
        return nullptr;
    }
}

HGLOBAL WINAPI TerGetTextSel(HWND control, long* size) {
    try {
        HWND edit = EditOf(control);
        if (size) *size = 0;
        if (!edit) return nullptr;
        CHARRANGE sel{};
        SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
        return ToGlobal(WithCrLf(Range(edit, sel.cpMin, sel.cpMax)), size);
    } catch (...) {
        return nullptr;
    }
}

long WINAPI GetTerLine(HWND control, long line, char* buffer) {
    try {
        HWND edit = EditOf(control);
        if (!edit || line < 0) return -1;
        LRESULT start = SendMessageA(edit, EM_LINEINDEX, WPARAM(line), 0);
        if (start < 0) return -1;
        LRESULT length = SendMessageA(edit, EM_LINELENGTH, WPARAM(start), 0);
        std::string text = Range(edit, LONG(start), LONG(start + length));
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
        if (buffer) std::memcpy(buffer, text.c_str(), text.size() + 1);
        return long(text.size());
    } catch (...) {
        return -1;
    }
}

int WINAPI TerGetCurFont(HWND control, int, int) {
    try {
        State* s = StateOf(control);
        if (!s) return -1;
        CHARFORMAT2A cf{};
        cf.cbSize = sizeof cf;
        SendMessageA(s->edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
        COLORREF text = (cf.dwEffects & CFE_AUTOCOLOR) ? GetSysColor(COLOR_WINDOWTEXT) : cf.crTextColor;
        COLORREF back = (cf.dwEffects & CFE_AUTOBACKCOLOR) ? GetSysColor(COLOR_WINDOW) : cf.crBackColor;
        return FontId(s, text, back);
    } catch (...) {
        return -1;
    }
}

BOOL WINAPI TerGetTextColor(HWND control, int font, COLORREF* text, COLORREF* background) {
    State* s = StateOf(control);
    if (!s || font < 0 || size_t(font) >= s->fonts.size()) return FALSE;
    if (text) *text = s->fonts[size_t(font)].text;
    if (background) *background = s->fonts[size_t(font)].background;
    return TRUE;
}

BOOL WINAPI TerGetTabStop(HWND control, int, int, int* type, int* position, int* flags) {
    State* s = StateOf(control);
    if (!s) return FALSE;
    if (type) *type = s->tabType;
    if (position) *position = s->tabPosition;
    if (flags) *flags = s->tabFlags;
    return TRUE;
}

BOOL WINAPI TerInsertText(HWND control, const char* text, BOOL atStart, long length, BOOL repaint) {
    try {
        HWND edit = EditOf(control);
        if (!edit || !text) return FALSE;
        if (atStart) SendMessageA(edit, EM_SETSEL, 0, 0);
        std::string piece = length < 0 ? std::string(text) : std::string(text, strnlen(text, size_t(length)));
        bool ok = Insert(edit, piece);
        Repaint(control, repaint);
        return ok ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

BOOL WINAPI SetTerColor(HWND control, COLORREF colour, BOOL repaint) {
    HWND edit = EditOf(control);
    if (!edit) return FALSE;
    CHARFORMAT2A cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_COLOR;
    cf.crTextColor = colour;
    // With an empty selection this sets what is typed or inserted next.
    BOOL ok = SendMessageA(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf)) != 0;
    Repaint(control, repaint);
    return ok;
}

BOOL WINAPI InsertTerText(HWND control, const char* text, BOOL repaint) {
    try {
        HWND edit = EditOf(control);
        if (!edit || !text) return FALSE;
        bool ok = Insert(edit, text);
        Repaint(control, repaint);
        return ok ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

BOOL WINAPI TerSetTab(HWND control, int position, int type, int flags, BOOL repaint) {
    State* s = StateOf(control);
    if (!s || position < 0) return FALSE;
    s->tabPosition = position;
    s->tabType = type;
    s->tabFlags = flags;
    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    pf.dwMask = PFM_TABSTOPS;
    pf.cTabCount = position > 0 ? 1 : 0;
    pf.rgxTabs[0] = position;
    CHARRANGE keep{};
    SendMessageA(s->edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    SendMessageA(s->edit, EM_SETSEL, 0, -1);
    SendMessageA(s->edit, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    SendMessageA(s->edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    Repaint(control, repaint);
    return TRUE;
}

BOOL WINAPI SetTerCursorPos(HWND control, long line, int column, BOOL repaint) {
    HWND edit = EditOf(control);
    if (!edit || line < 0 || column < 0) return FALSE;
    LRESULT start = SendMessageA(edit, EM_LINEINDEX, WPARAM(line), 0);
    if (start < 0) return FALSE;
    LRESULT length = SendMessageA(edit, EM_LINELENGTH, WPARAM(start), 0);
    LRESULT at = start + (column < length ? column : length);
    SendMessageA(edit, EM_SETSEL, WPARAM(at), at);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    Repaint(control, repaint);
    return TRUE;
}

}  // extern "C"

// Each export has the type the client binds it with.
static_assert(std::is_same_v<decltype(&TerGetReadOnly), TerGetReadOnlyFn>);
static_assert(std::is_same_v<decltype(&GetTerBuffer), GetTerBufferFn>);
static_assert(std::is_same_v<decltype(&TerGetTextSel), TerGetTextSelFn>);
static_assert(std::is_same_v<decltype(&GetTerLine), GetTerLineFn>);
static_assert(std::is_same_v<decltype(&TerGetCurFont), TerGetCurFontFn>);
static_assert(std::is_same_v<decltype(&TerGetTextColor), TerGetTextColorFn>);
static_assert(std::is_same_v<decltype(&TerGetTabStop), TerGetTabStopFn>);
static_assert(std::is_same_v<decltype(&TerInsertText), TerInsertTextFn>);
static_assert(std::is_same_v<decltype(&SetTerColor), SetTerColorFn>);
static_assert(std::is_same_v<decltype(&InsertTerText), InsertTerTextFn>);
static_assert(std::is_same_v<decltype(&TerSetTab), TerSetTabFn>);
static_assert(std::is_same_v<decltype(&SetTerCursorPos), SetTerCursorPosFn>);

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
        // A second copy of the library in the process uses the class of the
        // first.
        g_registered = RegisterControlClass();
        if (!g_registered && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return FALSE;
    } else if (reason == DLL_PROCESS_DETACH && g_registered) {
        UnregisterClassA(kControlClass, instance);
    }
    return TRUE;
}
