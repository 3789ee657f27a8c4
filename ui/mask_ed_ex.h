#pragma once
// TMaskEdEx: an edit in which Enter moves on like Tab and leaving reports
// OnEditLeave. TSpinEdEx: a TMaskEdEx with an up-down control, holding a
// number inside a range.

#include "ui/window.h"

namespace orv::ui {

class TMaskEdEx : public Window {
public:
    bool Create(Window* parent, int x, int y, int width, int height, DWORD style = 0);
    void SetMaxLength(int length);
    void SetReadOnly(bool readOnly);
    bool ReadOnly() const;
    std::function<void()> onEditLeave;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    virtual void EditLeave();  // focus leaves, or Tab / Enter without a next control
    // Keys the edit keeps from the form (Enter and Tab, and what derived edits add).
    virtual bool WantsKey(WPARAM vk) const { return vk == VK_RETURN || vk == VK_TAB; }
    virtual bool KeyDown(WPARAM vk) { return false; }  // true: handled
};

class TSpinEdEx : public TMaskEdEx {
public:
    bool Create(Window* parent, int x, int y, int width, int height);
    void SetRange(int minValue, int maxValue);
    void SetIncrement(int increment) { increment_ = increment; }
    void SetValue(int value);
    int Value() const { return value_; }
    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    int Increment() const { return increment_; }
    HWND UpDown() const { return upDown_.Handle(); }
    std::function<void()> onChange;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void EditLeave() override;
    bool WantsKey(WPARAM vk) const override;
    bool KeyDown(WPARAM vk) override;

private:
    class UpDownControl : public Window {
    public:
        TSpinEdEx* spin = nullptr;
        bool Create(Window* parent, HWND buddy);

    protected:
        bool Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    };
    void Step(int delta);
    void TakeTypedValue();
    void ShowValue();

    UpDownControl upDown_;
    int min_ = 0;
    int max_ = 100;
    int increment_ = 1;
    int value_ = 0;
    int valueBeforeEdit_ = 0;
};

}  // namespace orv::ui
