#pragma once
// TFlatBtn: the product's flat picture button. Drawn flat in its colour; the
// mouse over it raises a one-pixel frame, pressing sinks it and moves the
// glyph by one pixel. The hint comes from the caller (a text of the string
// library) and shows in the session's hint window.

#include "ui/window.h"

namespace orv::ui {

enum class ButtonLayout { GlyphLeft, GlyphRight, GlyphTop, GlyphBottom };

class TFlatBtn : public Window {
public:
    bool Create(Window* parent, int x, int y, int width, int height, const std::string& caption = "");

    void SetGlyph(HBITMAP glyph, int numGlyphs = 1);  // not owned
    void SetCaption(const std::string& caption);
    std::string Caption() const { return Text(); }
    std::string hint;
    int modalResult = mrNone;
    bool isDefault = false;
    bool isCancel = false;
    ButtonLayout layout = ButtonLayout::GlyphLeft;
    int margin = -1;  // -1: glyph and caption centred
    int spacing = 4;
    std::function<void()> onClick;

    bool IsButton() const override { return true; }
    bool IsDefault() const override { return isDefault; }
    bool IsCancel() const override { return isCancel; }
    void Click() override;
    bool DialogChar(char upper) override;

    bool MouseInside() const { return mouseInside_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    bool Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void Draw(const DRAWITEMSTRUCT& item);
    void ShowHint();
    HBITMAP glyph_ = nullptr;
    int numGlyphs_ = 1;
    bool mouseInside_ = false;
};

}  // namespace orv::ui
