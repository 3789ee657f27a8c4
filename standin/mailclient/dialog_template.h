#pragma once
// Dialogs of the client built in memory, so that the stand-in needs no
// resources.

#include <windows.h>

#include <vector>

namespace orv::mailclient {

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082, kListBox = 0x0083, kCombo = 0x0085;

class DialogTemplate {
public:
    DialogTemplate(const wchar_t* caption, short cx, short cy) {
        DLGTEMPLATE head{DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, cx,
                         cy};
        Put(&head, sizeof head);
        words_.push_back(0);  // menu
        words_.push_back(0);  // class
        Text(caption);
        words_.push_back(8);
        Text(L"MS Shell Dlg");
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls, const wchar_t* text) {
        if (words_.size() % 2) words_.push_back(0);
        DLGITEMTEMPLATE item{style | WS_CHILD | WS_VISIBLE, 0, x, y, cx, cy, id};
        Put(&item, sizeof item);
        words_.push_back(0xFFFF);
        words_.push_back(cls);
        Text(text);
        words_.push_back(0);
        ++count_;
    }
    LPCDLGTEMPLATEA Get() {
        reinterpret_cast<DLGTEMPLATE*>(words_.data())->cdit = count_;
        return reinterpret_cast<LPCDLGTEMPLATEA>(words_.data());
    }

private:
    void Put(const void* p, size_t n) {
        const WORD* w = static_cast<const WORD*>(p);
        words_.insert(words_.end(), w, w + n / 2);
    }
    void Text(const wchar_t* s) {
        while (*s) words_.push_back(WORD(*s++));
        words_.push_back(0);
    }
    std::vector<WORD> words_;
    WORD count_ = 0;
};

}  // namespace orv::mailclient
