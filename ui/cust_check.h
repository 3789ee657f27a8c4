#pragma once
// TCustCheckBox: a check box drawn on a panel, so that it takes the colour of
// the window it sits on. TCustRadioBtn (cust_radio.h) shares its drawing.

#include "ui/window.h"

namespace orv::ui {

// Which side the caption is on: taRightJustify puts the box left of it.
enum class Alignment { taLeftJustify, taRightJustify };

class TCustomCheck : public Window {
public:
    bool Create(Window* parent, int x, int y, int width, int height, const std::string& caption);

    Alignment alignment = Alignment::taRightJustify;
    void SetCaption(const std::string& caption);
    std::string Caption() const { return Text(); }
    void SetChecked(bool checked);
    bool Checked() const { return checked_; }
    void SetWindowColor(COLORREF color);  // colour of the box's inside
    std::function<void()> onChanged;

    bool DialogChar(char upper) override;

protected:
    virtual bool IsRadio() const = 0;
    virtual void Toggle() = 0;  // a click or the accelerator
    virtual void CheckedChanged() {}
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint(HDC dc);
    bool checked_ = false;
    bool pressed_ = false;
    COLORREF windowColor_ = CLR_INVALID;
};

class TCustCheckBox : public TCustomCheck {
protected:
    bool IsRadio() const override { return false; }
    void Toggle() override { SetChecked(!Checked()); }
};

}  // namespace orv::ui
