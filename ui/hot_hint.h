#pragma once
// TfrmHotHint: the hint window of every tool tip of the main library and of
// the manager's picture hint. It never takes the activation.

#include "ui/window.h"

namespace orv::ui {

class TfrmHotHint : public Window {
public:
    bool Create();
    // Sets the caption, moves to the screen point and shows without activating.
    void ShowAt(const std::string& caption, POINT screen);
    void Hide();
    SIZE HintSize(const std::string& caption) const;
    static COLORREF BackgroundColor();
    static COLORREF TextColor();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void EraseBackground(HDC dc) override;
};

// The session's hint window, created on first use; DestroyHotHint ends it.
TfrmHotHint& HotHint();
void DestroyHotHint();

}  // namespace orv::ui
