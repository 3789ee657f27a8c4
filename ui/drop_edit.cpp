#include "ui/drop_edit.h"

#include "ui/look.h"

#include <richedit.h>
#include <shellapi.h>

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
