#include "automation/host_windows.h"

#include <cstring>
#include <vector>

#include "automation/pl_text.h"
#include "automation/tter.h"
#include "interfaces/mail_client.h"

namespace orv::automation {

namespace {

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(wnd);
    return TRUE;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> out;
    if (parent) EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&out));
    return out;
}

bool InClassList(const std::string& cls, const std::string& classes) {
    std::string rest = classes;
    while (!rest.empty()) {
        if (SameTextNoCase(CommaExtract(rest), cls)) return true;
    }
    return false;
}

bool IsPgpOrBoxClass(const std::string& upperClass) {
    return upperClass.find("BOX") != std::string::npos || upperClass.find("PGP") != std::string::npos ||
           upperClass.find("#32770") != std::string::npos;
}

HWND ActiveChildOfClass(const HostWindows& w, std::initializer_list<const char*> classes, bool anyCase) {
    HWND child = ActiveMdiChild(w);
    if (!child) return nullptr;
    std::string cls = ClassOf(child);
    for (const char* c : classes)
        if (anyCase ? SameTextNoCase(cls, c) : cls == c) return child;
    return nullptr;
}

}  // namespace

std::string ClassOf(HWND wnd) {
    char cls[256] = {};
    if (wnd) GetClassNameA(wnd, cls, sizeof cls);
    return cls;
}

std::string CaptionOf(HWND wnd) {
    char text[1024] = {};
    if (wnd) GetWindowTextA(wnd, text, sizeof text);
    return text;
}

HWND FindChildWnd(HWND parent, const std::string& classes, const std::string& text) {
    HWND remembered = nullptr;
    for (HWND wnd : Descendants(parent)) {
        // Every caption contains an empty text.
        bool textMatch = DelAmp(CaptionOf(wnd)).find(text) != std::string::npos;
        if (classes.empty()) {
            if (textMatch) return wnd;
            continue;
        }
        bool listed = InClassList(ClassOf(wnd), classes);
        if (listed && (textMatch || remembered)) return wnd;
        if (textMatch) remembered = wnd;
        else if (listed) remembered = nullptr;
    }
    return nullptr;
}

HWND FindDescendant(HWND parent, const char* cls) {
    for (HWND wnd : Descendants(parent))
        if (ClassOf(wnd) == cls) return wnd;
    return nullptr;
}

HWND ActiveMdiChild(const HostWindows& w) {
    if (!w.mdiClient || !w.host) return nullptr;
    // The host tells whether an MDI window is active; the MDI area which one.
    if (!SendMessageA(w.host, host::kHostGetWindow, host::kWindowActiveMdi, 0)) return nullptr;
    return reinterpret_cast<HWND>(SendMessageA(w.mdiClient, WM_MDIGETACTIVE, 0, 0));
}

HWND FindEditorWindow(const HostWindows& w, const TTER& ter) {
    HWND editor = ActiveChildOfClass(w, {host::kEditorClass}, false);
    HWND control = editor ? FindDescendant(editor, host::kEditorControlClass) : nullptr;
    return ter.IsWritable(control) ? control : nullptr;
}

HWND FindReaderWindow(const HostWindows& w, const TTER& ter, HWND reader) {
    if (!reader) reader = ActiveChildOfClass(w, {host::kReaderMdiClass, host::kReaderClass}, false);
    HWND control = reader ? FindDescendant(reader, host::kEditorControlClass) : nullptr;
    return ter.GetReadOnly(control) ? control : nullptr;
}

HWND FindFolmanReader(const HostWindows& w, const TTER& ter) {
    HWND folman = ActiveChildOfClass(w, {host::kFolderManagerClass}, true);
    HWND control = folman ? FindDescendant(folman, host::kEditorControlClass) : nullptr;
    return ter.GetReadOnly(control) ? control : nullptr;
}

HWND FindMerrowin(bool includeForms) {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND wnd : windows) {
        if (!IsWindowVisible(wnd)) continue;
        std::string cls = UpperCase(ClassOf(wnd));
        if (IsPgpOrBoxClass(cls) || (includeForms && (cls == "TFRMMANAGER" || cls == "TFRMVIEWER"))) return wnd;
    }
    return nullptr;
}

}  // namespace orv::automation
