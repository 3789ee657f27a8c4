#pragma once
// TCustRadioBtn: a radio button drawn on a panel; checking one unchecks the
// other radio buttons of the same parent.

#include "ui/cust_check.h"

namespace orv::ui {

class TCustRadioBtn : public TCustomCheck {
protected:
    bool IsRadio() const override { return true; }
    void Toggle() override { SetChecked(true); }
    void CheckedChanged() override;
};

}  // namespace orv::ui
