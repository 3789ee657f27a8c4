#pragma once
// TPlainCBEx: a combo box that tells when its list opens and closes.

#include "ui/window.h"

namespace orv::ui {

class TPlainCBEx : public Window {
public:
    bool Create(Window* parent, DWORD style, int x, int y, int width, int height);
    void AddItem(const std::string& text);
    int ItemIndex() const;
    void SetItemIndex(int index);

    bool ListDropped() const { return listDropped_; }
    std::function<void()> onListDrop;
    std::function<void()> onListClose;

protected:
    bool Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    bool listDropped_ = false;
};

}  // namespace orv::ui
