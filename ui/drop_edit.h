#pragma once
// TDropEdit: a rich-text edit that takes files dropped from the shell.

#include "ui/window.h"

namespace orv::ui {

class TDropEdit : public Window {
public:
    bool Create(Window* parent, DWORD style, int x = 0, int y = 0, int width = 0, int height = 0);

    void SetPlainText(bool plain);
    void SetAcceptFiles(bool accept);
    bool AcceptFiles() const { return acceptFiles_; }
    void SetBackColor(COLORREF color);
    // The selected text as the code page's bytes; empty without a selection.
    std::string SelectedText() const;
    // Paths of dropped files, appended per drop from the last reported to the first.
    std::vector<std::string> files;
    std::function<void()> onFileDropped;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void ColorChanged() override;

private:
    bool acceptFiles_ = false;
    bool plainText_ = false;
};

}  // namespace orv::ui
