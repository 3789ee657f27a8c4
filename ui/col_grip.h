#pragma once
// TColoredGrip: a status bar that takes its parent's colour and paints its own
// size grip, so that the grip does not show the system face colour on sage.

#include "ui/window.h"

namespace orv::ui {

class TColoredGrip : public Window {
public:
    bool Create(Window* parent);
    void SetPanels(const std::vector<int>& rightEdges);  // -1: to the end
    void SetPanelText(int index, const std::string& text);
    void SetSimplePanel(bool simple);
    COLORREF BrushColor() const { return brushColor_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void ColorChanged() override;

private:
    RECT GripRect() const;
    COLORREF brushColor_ = 0;
};

}  // namespace orv::ui
