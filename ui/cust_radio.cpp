#include "ui/cust_radio.h"

namespace orv::ui {

void TCustRadioBtn::CheckedChanged() {
    if (!Checked() || !Parent()) return;
    for (Window* sibling : Parent()->Controls())
        if (auto* radio = dynamic_cast<TCustRadioBtn*>(sibling); radio && radio != this)
            radio->SetChecked(false);
}

}  // namespace orv::ui
