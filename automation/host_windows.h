#pragma once
// Finding the host's windows: descendants by class and caption, the message
// editor and reader the user works on, the folder manager's preview, and the
// main library's or the engine's dialogs.

#include <windows.h>

#include <string>

namespace orv::automation {

class TTER;

std::string ClassOf(HWND wnd);
std::string CaptionOf(HWND wnd);

// Descendant search: classes is a comma-separated list compared without
// case, text a part of the caption (its first "&" removed); either may be
// empty.
HWND FindChildWnd(HWND parent, const std::string& classes, const std::string& text);
// The first descendant of exactly this class (case-sensitive).
HWND FindDescendant(HWND parent, const char* cls);

struct HostWindows {
    HWND host;       // the host window of FORMINIT
    HWND mdiClient;  // the MDI area of the frame
};

HWND ActiveMdiChild(const HostWindows& w);
// The writable editor control of the active message editor, or 0.
HWND FindEditorWindow(const HostWindows& w, const TTER& ter);
// The read-only editor control of the active (or given) reader, or 0.
HWND FindReaderWindow(const HostWindows& w, const TTER& ter, HWND reader = nullptr);
// The read-only editor control of the active folder manager, or 0.
HWND FindFolmanReader(const HostWindows& w, const TTER& ter);
// A visible top-level window of the thread that belongs to the main library
// or the engine; with includeForms also the manager and the viewer.
HWND FindMerrowin(bool includeForms);

}  // namespace orv::automation
