#pragma once
// TfrmPGPDlg: the message-box window through which every error, warning,
// information and question of the main library is shown.

#include "ui/drop_edit.h"
#include "ui/flat_btn.h"
#include "ui/window.h"

namespace orv::ui {

// The flags word of a box.
namespace dlgflags {
constexpr int kKindMask = 0x00F0;
constexpr int kError = 16;
constexpr int kQuestion = 32;
constexpr int kWarning = 48;
constexpr int kInformation = 64;
constexpr int kDefaultMask = 0x0F00;
constexpr int kDefaultSecond = 256;
constexpr int kDefaultThird = 512;
constexpr int kCustomMask = 0x3000;
constexpr int kCustom = 8192;
}  // namespace dlgflags

class TfrmPGPDlg : public Form {
public:
    TfrmPGPDlg();
    ~TfrmPGPDlg() override;

    // Creates the window owned by the owner given (the session's owner form
    // when none) and lays it out for the title, text, captions and flags.
    bool Create(const std::string& title, const std::string& text, const std::string& leftCaption,
                int flags, const std::string& rightCaption, HWND owner = nullptr);
    int Execute() { return ShowModal(); }
    // The timed popup's way: shown without being modal, its 100 ms timer counting.
    void ShowWithTimer();
    // Counted by the clock: timer messages do not come while a quit
    // message is pending.
    int ElapsedMs() const { return static_cast<int>(GetTickCount() - shownAt_); }

    enum class Buttons { Ok, YesNo, Custom };
    Buttons ButtonSet() const { return buttons_; }
    int Kind() const { return kind_; }

    TPanel pnText;
    TDropEdit deText;
    TPanel pnBottom;
    TPanel pnButtons;
    TFlatBtn fbOk;
    TPanel pnYesNo;
    TFlatBtn fbYes;
    TFlatBtn fbNo;
    TPanel pnCustom;
    TFlatBtn fbLeft;
    TFlatBtn fbMiddle;
    TFlatBtn fbRight;

protected:
    bool PreviewKey(MSG& msg) override;
    void BeforeShow() override;
    HWND InitialFocus() override;
    bool CloseQuery() override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    // The kind, button set and default of the flags word; true for a custom box.
    bool TakeFlags(int flags);
    void SetKindIcon(const char* kindIcon);
    // The bottom pane for the buttons and the text pane above it, holding the text.
    void CreatePanes(const std::string& text, HFONT textFont);
    void CreateStandardButtons();
    void CreateCustomButtons();
    // The buttons of the box's set shown, its default button marked.
    void ShowButtonSet(const std::string& leftCaption, const std::string& rightCaption);
    void FitToText();
    TFlatBtn* DefaultOf();
    Buttons buttons_ = Buttons::Ok;
    int kind_ = 0;
    int defaultButton_ = 0;
    bool threeButtons_ = false;
    std::string text_;
    DWORD shownAt_ = 0;
};

}  // namespace orv::ui
