// The stand-in's support library: the secure viewer, the PGP log window, the
// key manager (key_manager.cpp), the installation path and file lists. The clipboard and
// file actions of PGP's shell tools are not offered: they answer
// kPGPError_EngineNotLoaded.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "standin/export_guard.h"
#include "standin/sdksupport/key_manager.h"
#include "standin/sdksupport/support_exports.h"
#include "standin/sdksupport/support_ids.h"
#include "standin/sdkui/core_access.h"

struct PGPscFileList {
    std::vector<std::string> files;
};

namespace {

using companion::core;

constexpr PGPError kErrUnknown = -11985;
constexpr PGPError kErrBufferTooSmall = -11998;
constexpr PGPError kNotOffered = kPGPError_EngineNotLoaded;

HINSTANCE g_module = nullptr;
HWND g_log = nullptr;

template <class F>
PGPError guard(F f) noexcept {
    try {
        return f();
    } catch (...) {
        return kErrUnknown;
    }
}

std::string libraryDir() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
    std::string dir(path, n);
    const size_t slash = dir.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
}

// ---- secure viewer -------------------------------------------------------

struct Viewer {
    std::vector<char> text;  // zero-terminated; wiped when the window goes
    int lines = 0;
    int top = 0;
    bool done = false;
};

void wipeViewer(Viewer& v) {
    if (!v.text.empty()) companion::wipe(v.text.data(), v.text.size());
    v.text.clear();
}

const char* lineStart(const Viewer& v, int line) {
    const char* p = v.text.empty() ? "" : v.text.data();
    for (int i = 0; i < line && *p; ++i) {
        const char* nl = std::strchr(p, '\n');
        if (!nl) break;
        p = nl + 1;
    }
    return p;
}

void layoutViewer(HWND w) {
    RECT rc;
    GetClientRect(w, &rc);
    SetWindowPos(GetDlgItem(w, IDC_SDKSC_VIEWER_INFO), nullptr, 8, rc.bottom - 28, rc.right - 110, 20, SWP_NOZORDER);
    SetWindowPos(GetDlgItem(w, IDC_SDKSC_VIEWER_CLOSE), nullptr, rc.right - 92, rc.bottom - 32, 84, 26, SWP_NOZORDER);
    InvalidateRect(w, nullptr, TRUE);
}

void scrollViewer(HWND w, Viewer& v, int delta) {
    const int top = std::max(0, std::min(v.lines - 1, v.top + delta));
    if (top != v.top) {
        v.top = top;
        InvalidateRect(w, nullptr, TRUE);
    }
}

LRESULT CALLBACK viewerProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        auto* v = reinterpret_cast<Viewer*>(GetWindowLongPtrA(w, GWLP_USERDATA));
        switch (msg) {
            case WM_NCCREATE:
                SetWindowLongPtrA(w, GWLP_USERDATA,
                                  reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
                break;
            case WM_CREATE: {
                HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
                const std::string info = std::to_string(v->text.empty() ? 0 : v->text.size() - 1) + " bytes, " +
                                         std::to_string(v->lines) + " lines";
                HWND s = CreateWindowExA(0, "STATIC", info.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, w,
                                         reinterpret_cast<HMENU>(IDC_SDKSC_VIEWER_INFO), g_module, nullptr);
                HWND b = CreateWindowExA(0, "BUTTON", "Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0,
                                         0, 10, 10, w, reinterpret_cast<HMENU>(IDC_SDKSC_VIEWER_CLOSE), g_module,
                                         nullptr);
                SendMessageA(s, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
                SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
                return 0;
            }
            case WM_SIZE: layoutViewer(w); return 0;
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(w, &ps);
                RECT rc;
                GetClientRect(w, &rc);
                rc.left += 8;
                rc.top += 8;
                rc.right -= 8;
                rc.bottom -= 40;
                HGDIOBJ old = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
                SetBkMode(dc, TRANSPARENT);
                if (v) DrawTextA(dc, lineStart(*v, v->top), -1, &rc, DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK);
                SelectObject(dc, old);
                EndPaint(w, &ps);
                return 0;
            }
            case WM_KEYDOWN:
                if (!v) break;
                if (wp == VK_ESCAPE) DestroyWindow(w);
                else if (wp == VK_DOWN) scrollViewer(w, *v, 1);
                else if (wp == VK_UP) scrollViewer(w, *v, -1);
                else if (wp == VK_NEXT) scrollViewer(w, *v, 20);
                else if (wp == VK_PRIOR) scrollViewer(w, *v, -20);
                return 0;
            case WM_MOUSEWHEEL:
                if (v) scrollViewer(w, *v, GET_WHEEL_DELTA_WPARAM(wp) > 0 ? -3 : 3);
                return 0;
            case WM_COMMAND:
                if (LOWORD(wp) == IDC_SDKSC_VIEWER_CLOSE) DestroyWindow(w);
                return 0;
            // The text is for the eyes only: no copy, no selection.
            case WM_COPY:
            case WM_CUT:
            case WM_CONTEXTMENU: return 0;
            case WM_CLOSE: DestroyWindow(w); return 0;
            case WM_DESTROY:
                if (v) {
                    wipeViewer(*v);
                    v->done = true;
                }
                SetWindowLongPtrA(w, GWLP_USERDATA, 0);
                return 0;
            default: break;
        }
    } catch (...) {
        // The window ends its event; it stays usable.
    }
    return DefWindowProcA(w, msg, wp, lp);
}

// ---- log window ------------------------------------------------------------

LRESULT CALLBACK logProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
        case WM_SIZE: {
            RECT rc;
            GetClientRect(w, &rc);
            SetWindowPos(GetDlgItem(w, IDC_SDKSC_LOG_LINES), nullptr, 0, 0, rc.right, rc.bottom, SWP_NOZORDER);
            return 0;
        }
        case WM_CLOSE: ShowWindow(w, SW_HIDE); return 0;  // kept for the next message
        case WM_DESTROY:
            if (w == g_log) g_log = nullptr;
            return 0;
        default: break;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

HWND logWindow() {
    if (g_log && IsWindow(g_log)) return g_log;
    g_log = CreateWindowExA(WS_EX_TOOLWINDOW, SDKSC_LOG_CLASS, SDKSC_LOG_CAPTION, WS_OVERLAPPEDWINDOW, 40, 40, 460, 260,
                            nullptr, nullptr, g_module, nullptr);
    if (!g_log) return nullptr;
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOSEL, 0, 0, 10, 10,
                                g_log, reinterpret_cast<HMENU>(IDC_SDKSC_LOG_LINES), g_module, nullptr);
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    RECT rc;
    GetClientRect(g_log, &rc);
    SetWindowPos(list, nullptr, 0, 0, rc.right, rc.bottom, SWP_NOZORDER);
    return g_log;
}

void registerClasses() {
    WNDCLASSA wc = {};
    wc.hInstance = g_module;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpfnWndProc = viewerProc;
    wc.lpszClassName = SDKSC_VIEWER_CLASS;
    RegisterClassA(&wc);
    wc.lpfnWndProc = logProc;
    wc.lpszClassName = SDKSC_LOG_CLASS;
    RegisterClassA(&wc);
    keymanager::registerClass(g_module);
}

void unregisterClasses() {
    // Windows of a library that is going must not outlive its window procedures.
    if (g_log && IsWindow(g_log)) DestroyWindow(g_log);
    UnregisterClassA(SDKSC_VIEWER_CLASS, g_module);
    UnregisterClassA(SDKSC_LOG_CLASS, g_module);
    keymanager::unregisterClass(g_module);
}

void addFile(PGPscFileList& list, const std::string& path) {
    if (!path.empty()) list.files.push_back(path);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
        registerClasses();
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        unregisterClasses();
    }
    return TRUE;
}

extern "C" {

PGPError PGP_CALL PGPscInit(PGPWindowRef, void** outContext, PGPFlags) {
    try {
        return guard([&] {
            if (!outContext) return PGPError(kPGPError_BadParams);
            static int contextTag = 0;
            *outContext = &contextTag;
            return PGPError(core().complete ? kPGPError_NoErr : kPGPError_EngineNotLoaded);
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPscDestroy(void* scContext) {
    try {
        return scContext ? kPGPError_NoErr : kPGPError_BadParams;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPscEncryptClipboard(PGPWindowRef, void*) {
    try {
        return kNotOffered;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPscDecryptClipboard(PGPWindowRef, void*) {
    try {
        return kNotOffered;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPscAddKeyClipboard(PGPWindowRef, void*) {
    try {
        return kNotOffered;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPscEraseClipboard(PGPWindowRef, void*) {
    try {
        return kNotOffered;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPscEncryptFileList(PGPWindowRef, void*, PGPscFileListRef) {
    try {
        return kNotOffered;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPscDecryptFileList(PGPWindowRef, void*, PGPscFileListRef) {
    try {
        return kNotOffered;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPscAddKeyFileList(PGPWindowRef, void*, PGPscFileListRef) {
    try {
        return kNotOffered;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPscWipeFileList(PGPWindowRef, void*, PGPscFileListRef) {
    try {
        return kNotOffered;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPscAddToFileList(PGPscFileListRef* list, const char* path) {
    try {
        return guard([&] {
            if (!list || !path || !*path) return PGPError(kPGPError_BadParams);
            if (!*list) *list = new PGPscFileList;
            addFile(**list, path);
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPscFreeFileList(PGPscFileListRef list) {
    try {
        if (!list) return kPGPError_BadParams;
        delete list;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPscHDropToFileList(void* hDrop, PGPscFileListRef* outList) {
    try {
        return guard([&] {
            if (!outList) return PGPError(kPGPError_BadParams);
            *outList = nullptr;
            if (!hDrop) return PGPError(kPGPError_BadParams);
            auto drop = static_cast<HDROP>(hDrop);
            const UINT n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
            auto* list = new PGPscFileList;
            for (UINT i = 0; i < n; ++i) {
                char path[MAX_PATH] = {};
                if (DragQueryFileA(drop, i, path, MAX_PATH)) addFile(*list, path);
            }
            *outList = list;
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

// Names separated by blanks; double quotes keep blanks inside a name.
PGPError PGP_CALL PGPscCmdLineToFileList(const char* commandLine, PGPscFileListRef* outList) {
    try {
        return guard([&] {
            if (!outList) return PGPError(kPGPError_BadParams);
            *outList = nullptr;
            if (!commandLine) return PGPError(kPGPError_BadParams);
            auto* list = new PGPscFileList;
            std::string cur;
            bool quoted = false;
            for (const char* p = commandLine; *p; ++p) {
                if (*p == '"') quoted = !quoted;
                else if ((*p == ' ' || *p == '\t') && !quoted) {
                    addFile(*list, cur);
                    cur.clear();
                } else {
                    cur += *p;
                }
            }
            addFile(*list, cur);
            *outList = list;
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPscGetValidityDrawPrefs(PGPBoolean* outShowMarginal, PGPBoolean* outShowBars) {
    try {
        if (!outShowMarginal || !outShowBars) return kPGPError_BadParams;
        *outShowMarginal = 0;
        *outShowBars = 1;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPBoolean PGP_CALL PGPscGetMarginalInvalidPref(void) {
    try {
        return 0;
    } ORV_EXPORT_GUARD
}
PGPBoolean PGP_CALL PGPscGetSecureViewerPref(void) {
    try {
        return 0;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPscTempestViewer(PGPContextRef, PGPWindowRef parent, const void* data, PGPSize length,
                                     PGPFlags flags) {
    try {
        return guard([&] {
            if (!data && length) return PGPError(kPGPError_BadParams);
            Viewer v;
            v.text.assign(static_cast<const char*>(data), static_cast<const char*>(data) + length);
            v.text.push_back(0);
            v.text.resize(std::strlen(v.text.data()) + 1);  // shown up to the first zero byte
            v.lines = 0;
            for (const char* p = v.text.data(); *p; ++p)
                if (*p == '\n') ++v.lines;
            if (v.text.size() > 1 && v.text[v.text.size() - 2] != '\n') ++v.lines;
            HWND owner = static_cast<HWND>(parent);
            if (owner && !IsWindow(owner)) owner = nullptr;
            HWND w = CreateWindowExA(0, SDKSC_VIEWER_CLASS, (flags & 1) ? SDKSC_VIEWER_EYES_CAPTION : SDKSC_VIEWER_CAPTION,
                                     WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 560, 380, owner, nullptr, g_module, &v);
            if (!w) {
                wipeViewer(v);
                return PGPError(kErrUnknown);
            }
            if (owner) EnableWindow(owner, FALSE);
            SetForegroundWindow(w);
            SetFocus(w);
            MSG m;
            bool quit = false;
            WPARAM quitCode = 0;
            while (!v.done) {
                const BOOL got = GetMessageA(&m, nullptr, 0, 0);
                if (got <= 0) {
                    quit = got == 0;
                    quitCode = m.wParam;
                    if (IsWindow(w)) DestroyWindow(w);
                    break;
                }
                TranslateMessage(&m);
                DispatchMessageA(&m);
            }
            if (owner) {
                EnableWindow(owner, TRUE);
                SetActiveWindow(owner);
            }
            wipeViewer(v);
            if (quit) PostQuitMessage(static_cast<int>(quitCode));
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPscDoLaunchNet(PGPWindowRef) {
    try {
        return kNotOffered;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPscDoLaunchTools(PGPWindowRef) {
    try {
        return kNotOffered;
    } ORV_EXPORT_GUARD
}
PGPError PGP_CALL PGPscDoLaunchDisk(PGPWindowRef) {
    try {
        return kNotOffered;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPscDoLaunchKeys(PGPWindowRef) {
    try {
        return guard([&] { return keymanager::show(g_module); });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPscSendPGPlogMsg(PGPWindowRef, const char* message) {
    try {
        return guard([&] {
            if (!message) return PGPError(kPGPError_BadParams);
            HWND w = logWindow();
            if (!w) return PGPError(kErrUnknown);
            HWND list = GetDlgItem(w, IDC_SDKSC_LOG_LINES);
            std::string text(message);
            size_t pos = 0;
            while (pos < text.size()) {
                size_t end = text.find('\n', pos);
                if (end == std::string::npos) end = text.size();
                std::string line = text.substr(pos, end - pos);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
                pos = end + 1;
            }
            const LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
            if (n > 0) SendMessageA(list, LB_SETTOPINDEX, n - 1, 0);
            if (!IsWindowVisible(w)) ShowWindow(w, SW_SHOWNOACTIVATE);
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPscPGPpath(char* buffer, PGPSize size) {
    try {
        return guard([&] {
            if (!buffer || size == 0) return PGPError(kPGPError_BadParams);
            const std::string dir = libraryDir();
            buffer[0] = 0;
            if (dir.empty()) return PGPError(kErrUnknown);
            if (dir.size() + 1 > size) return kErrBufferTooSmall;
            std::memcpy(buffer, dir.c_str(), dir.size() + 1);
            return PGPError(kPGPError_NoErr);
        });
    } ORV_EXPORT_GUARD
}

}  // extern "C"
