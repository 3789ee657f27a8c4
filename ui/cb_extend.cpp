#include "ui/cb_extend.h"

namespace orv::ui {

bool TPlainCBEx::Create(Window* parent, DWORD style, int x, int y, int width, int height) {
    return CreateStandard("ComboBox", 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | style, "",
                          parent, x, y, width, height);
}

void TPlainCBEx::AddItem(const std::string& text) {
    SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int TPlainCBEx::ItemIndex() const { return int(SendMessageA(Handle(), CB_GETCURSEL, 0, 0)); }

void TPlainCBEx::SetItemIndex(int index) { SendMessageA(Handle(), CB_SETCURSEL, WPARAM(index), 0); }

bool TPlainCBEx::Reflected(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg != WM_COMMAND) return false;
    if (HIWORD(wp) == CBN_DROPDOWN) {
        listDropped_ = true;
        if (onListDrop) onListDrop();
    } else if (HIWORD(wp) == CBN_CLOSEUP) {
        listDropped_ = false;
        if (onListClose) onListClose();
    } else {
        return false;
    }
    result = 0;
    return true;
}

}  // namespace orv::ui
