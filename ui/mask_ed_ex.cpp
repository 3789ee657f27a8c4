#include "ui/mask_ed_ex.h"

#include "ui/look.h"

#include <commctrl.h>

#include <cerrno>
#include <cstdlib>

namespace orv::ui {

bool TMaskEdEx::Create(Window* parent, int x, int y, int width, int height, DWORD style) {
    return CreateStandard("Edit", WS_EX_CLIENTEDGE,
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | style, "", parent, x,
                          y, width, height);
}

void TMaskEdEx::SetMaxLength(int length) { SendMessageA(Handle(), EM_LIMITTEXT, WPARAM(length), 0); }

void TMaskEdEx::SetReadOnly(bool readOnly) { SendMessageA(Handle(), EM_SETREADONLY, readOnly, 0); }

bool TMaskEdEx::ReadOnly() const { return (GetWindowLongA(Handle(), GWL_STYLE) & ES_READONLY) != 0; }

void TMaskEdEx::EditLeave() {
    if (onEditLeave) onEditLeave();
}

LRESULT TMaskEdEx::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_GETDLGCODE: {
        LRESULT code = Window::HandleMessage(msg, wp, lp);
        auto* key = reinterpret_cast<MSG*>(lp);
        if (key && key->message == WM_KEYDOWN && WantsKey(key->wParam)) code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
        if (KeyDown(wp)) return 0;
        if (wp == VK_RETURN || wp == VK_TAB) {
            // Enter moves on as Tab does; leaving reports through WM_KILLFOCUS.
            HWND root = GetAncestor(Handle(), GA_ROOT);
            HWND next = GetNextDlgTabItem(root, Handle(), wp == VK_TAB && GetKeyState(VK_SHIFT) < 0);
            if (next && next != Handle())
                ::SetFocus(next);
            else
                EditLeave();
            return 0;
        }
        break;
    case WM_CHAR:
        if (wp == '\r' || wp == '\t') return 0;
        if (wp == '\x1b' && WantsKey(VK_ESCAPE)) return 0;
        break;
    case WM_KILLFOCUS: {
        LRESULT result = Window::HandleMessage(msg, wp, lp);
        EditLeave();
        return result;
    }
    default:
        break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

bool TSpinEdEx::UpDownControl::Create(Window* parent, HWND buddy) {
    if (!CreateStandard(UPDOWN_CLASSA, 0, WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS, "",
                        parent, 0, 0, 0, 0))
        return false;
    SendMessageA(Handle(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
    SendMessageA(Handle(), UDM_SETRANGE32, 0, 100);
    SendMessageA(Handle(), UDM_SETPOS32, 0, 50);
    return true;
}

bool TSpinEdEx::UpDownControl::Reflected(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == UDN_DELTAPOS) {
        auto* nm = reinterpret_cast<NMUPDOWN*>(lp);
        if (spin && !spin->ReadOnly()) spin->Step(nm->iDelta > 0 ? 1 : -1);
        result = TRUE;  // the position shown is the spin edit's, not the control's
        return true;
    }
    if (msg == WM_VSCROLL) {
        result = 0;
        return true;
    }
    return false;
}

bool TSpinEdEx::Create(Window* parent, int x, int y, int width, int height) {
    if (!TMaskEdEx::Create(parent, x, y, width, height)) return false;
    upDown_.spin = this;
    if (!upDown_.Create(parent, Handle())) return false;
    SetRange(min_, max_);
    return true;
}

void TSpinEdEx::SetRange(int minValue, int maxValue) {
    min_ = minValue;
    max_ = maxValue < minValue ? minValue : maxValue;
    size_t a = std::to_string(min_).size(), b = std::to_string(max_).size();
    SetMaxLength(int(a > b ? a : b));
    SetValue(value_);
}

void TSpinEdEx::SetValue(int value) {
    if (value < min_) value = min_;
    if (value > max_) value = max_;
    bool changed = value != value_;
    value_ = value;
    ShowValue();
    if (changed && onChange) onChange();
}

void TSpinEdEx::ShowValue() {
    std::string text = std::to_string(value_);
    if (Text() != text) SetText(text);
}

void TSpinEdEx::Step(int direction) {
    TakeTypedValue();
    long long next = (long long)value_ + (long long)direction * increment_;
    if (next < min_) next = min_;
    if (next > max_) next = max_;
    SetValue(int(next));
    SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

void TSpinEdEx::TakeTypedValue() {
    std::string text = Text();
    errno = 0;
    char* end = nullptr;
    long long typed = std::strtoll(text.c_str(), &end, 10);
    bool number = !text.empty() && end && *end == '\0' && errno == 0;
    if (!number) typed = min_;
    if (typed < min_) typed = min_;
    if (typed > max_) typed = max_;
    SetValue(int(typed));
    ShowValue();
}

void TSpinEdEx::EditLeave() {
    TakeTypedValue();
    TMaskEdEx::EditLeave();
}

bool TSpinEdEx::WantsKey(WPARAM vk) const {
    if (TMaskEdEx::WantsKey(vk)) return true;
    if (vk == VK_UP || vk == VK_DOWN || vk == VK_PRIOR || vk == VK_NEXT) return true;
    // Esc stays with the edit only while there is an edit to undo.
    return vk == VK_ESCAPE && !ReadOnly() && Text() != std::to_string(valueBeforeEdit_);
}

bool TSpinEdEx::KeyDown(WPARAM vk) {
    if (ReadOnly()) return vk == VK_UP || vk == VK_DOWN || vk == VK_PRIOR || vk == VK_NEXT;
    switch (vk) {
    case VK_UP:
        Step(1);
        return true;
    case VK_DOWN:
        Step(-1);
        return true;
    case VK_PRIOR:
        SetValue(max_);
        return true;
    case VK_NEXT:
        SetValue(min_);
        return true;
    case VK_ESCAPE:
        SetValue(valueBeforeEdit_);
        ShowValue();
        SendMessageA(Handle(), EM_SETSEL, 0, -1);
        return true;
    default:
        return false;
    }
}

LRESULT TSpinEdEx::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETFOCUS) valueBeforeEdit_ = value_;
    return TMaskEdEx::HandleMessage(msg, wp, lp);
}

}  // namespace orv::ui
