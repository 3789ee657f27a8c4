#pragma once
// The plain pieces the configuration dialog is laid out with: labels, group
// frames with a caption, and a page control whose pages are panels.

#include "ui/window.h"

#include <memory>

namespace orv::ui {

// A static text on the window's colour.
class TLabel : public Window {
public:
    bool Create(Window* parent, int x, int y, int width, int height, const std::string& caption,
                DWORD style = SS_LEFT);
};

// A panel with an etched frame and its caption at the top left; the
// controls of the group are its children.
class TGroupBox : public Window {
public:
    bool Create(Window* parent, int x, int y, int width, int height, const std::string& caption);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint(HDC dc);
};

// The system tab control; each page is a panel that fills its display area.
class TPageControl : public Window {
public:
    bool Create(Window* parent, Align alignment, int height);
    // A new page with the caption, owned by the page control.
    TPanel& AddPage(const std::string& caption);
    void SetActivePage(int index);
    int ActivePage() const;
    int PageCount() const { return int(pages_.size()); }
    TPanel& Page(int index) { return *pages_[size_t(index)]; }
    void LayoutPages();

protected:
    bool Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    std::vector<std::unique_ptr<TPanel>> pages_;
};

}  // namespace orv::ui
