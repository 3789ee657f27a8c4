#include "ui/drop_edit.h"

#include "ui/look.h"

#include <richedit.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

namespace orv::ui {

bool TDropEdit::Create(Window* parent, DWORD style, int x, int y, int width, int height) {
    static HMODULE richEdit = LoadLibraryA("riched20.dll");
    if (!richEdit) return false;
    if (!CreateStandard(RICHEDIT_CLASSA, 0, WS_CHILD | WS_VISIBLE | style, "", parent, x, y, width,
                        height))
        return false;
    ColorChanged();
    return true;
}

void TDropEdit::SetPlainText(bool plain) {
    plainText_ = plain;
    // The text mode can only change while the control is empty.
    std::string text = Text();
    SetText("");
    SendMessageA(Handle(), EM_SETTEXTMODE, plain ? TM_PLAINTEXT : TM_RICHTEXT, 0);
    SetText(text);
}

void TDropEdit::SetAcceptFiles(bool accept) {
    acceptFiles_ = accept;
    if (Handle()) DragAcceptFiles(Handle(), accept);
}

void TDropEdit::SetBackColor(COLORREF color) { SetColor(color); }

std::string TDropEdit::SelectedText() const {
    HWND edit = Handle();
    CHARRANGE range{};
    SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    if (!edit || range.cpMax <= range.cpMin) return {};
    const std::size_t chars = static_cast<std::size_t>(range.cpMax - range.cpMin);
    // The range counts characters; the control writes its own kind of them:
    // wide ones when it is a Unicode window, else up to the code page's
    // longest byte sequence each. The text ends at the zero it writes.
    if (IsWindowUnicode(edit)) {
        std::wstring wide(chars + 1, L'\0');
        SendMessageW(edit, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(wide.data()));
        wide.resize(wcsnlen(wide.data(), wide.size()));
        const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
        std::string bytes(static_cast<std::size_t>(std::max(n, 0)), '\0');
        WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), bytes.data(), n, nullptr, nullptr);
        return bytes;
    }
    CPINFO info{};
    const std::size_t longest = GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 0 ? info.MaxCharSize : 2;
    std::string bytes(chars * longest + 1, '\0');
    SendMessageA(edit, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(bytes.data()));
    bytes.resize(strnlen(bytes.data(), bytes.size()));
    return bytes;
}

void TDropEdit::ColorChanged() {
    if (Handle()) SendMessageA(Handle(), EM_SETBKGNDCOLOR, 0, LPARAM(Color()));
}

LRESULT TDropEdit::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DROPFILES) {
        auto drop = reinterpret_cast<HDROP>(wp);
        if (acceptFiles_) {
            UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
            for (UINT i = count; i-- > 0;) {
                UINT len = DragQueryFileA(drop, i, nullptr, 0);
                std::string path(size_t(len) + 1, '\0');
                DragQueryFileA(drop, i, path.data(), len + 1);
                path.resize(len);
                files.push_back(path);
            }
            DragFinish(drop);
            if (count && onFileDropped) onFileDropped();
        } else {
            DragFinish(drop);  // the receiver frees the drop in any case
        }
        return 0;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace orv::ui
