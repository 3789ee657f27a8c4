#pragma once
// What a user sees of a box of the main library, read from another thread.

#include "tests/support/ui_robot.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace orv::test {

struct BoxView {
    std::string caption;
    std::string text;                  // the message text, CR LF line ends
    std::vector<std::string> buttons;  // visible buttons, left to right
    std::string focus;                 // caption of the focused button
    HWND owner = nullptr;
    RECT window{};
    RECT textClient{};  // client area of the message text
};

inline bool ReallyVisible(HWND wnd) {
    for (HWND w = wnd; w; w = GetParent(w)) {
        if (!IsWindowVisible(w)) return false;
        if (!(GetWindowLongA(w, GWL_STYLE) & WS_CHILD)) break;
    }
    return true;
}

inline HWND FocusOf(HWND top) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info);
    return info.hwndFocus;
}

inline BoxView ViewBox(HWND box) {
    BoxView view;
    view.caption = GetText(box);
    view.owner = GetWindow(box, GW_OWNER);
    GetWindowRect(box, &view.window);
    if (HWND edit = FindChild(box, "RichEdit20A", "")) {
        std::string raw = GetText(edit);
        // The rich edit keeps bare CRs; a user copying the text gets CR LF.
        for (size_t i = 0; i < raw.size(); ++i) {
            view.text += raw[i];
            if (raw[i] == '\r' && (i + 1 >= raw.size() || raw[i + 1] != '\n')) view.text += '\n';
        }
        GetClientRect(edit, &view.textClient);
    }
    std::vector<std::pair<LONG, std::string>> buttons;
    for (HWND child : Children(box)) {
        if (ClassOf(child) != "Button" || !ReallyVisible(child)) continue;
        RECT r;
        GetWindowRect(child, &r);
        buttons.push_back({r.left, GetText(child)});
    }
    std::sort(buttons.begin(), buttons.end());
    for (auto& b : buttons) view.buttons.push_back(b.second);
    HWND focus = FocusOf(box);
    if (focus && ClassOf(focus) == "Button") view.focus = GetText(focus);
    return view;
}

// A visible button by caption ('&' ignored): hidden panels hold buttons too.
inline HWND VisibleButton(HWND box, const std::string& caption) {
    for (HWND child : Children(box))
        if (ClassOf(child) == "Button" && ReallyVisible(child) &&
            (GetText(child) == caption || StripMnemonic(GetText(child)) == caption))
            return child;
    return nullptr;
}

// Clicks the first visible button of the box (the glyph-only OK button has no caption).
inline bool ClickFirstButton(HWND box) {
    for (HWND child : Children(box))
        if (ClassOf(child) == "Button" && ReallyVisible(child)) {
            PostMessageA(child, BM_CLICK, 0, 0);
            return true;
        }
    return false;
}

inline RECT ChildRect(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace orv::test
