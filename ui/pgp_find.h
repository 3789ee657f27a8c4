#pragma once
// TfrmPGPFind: the find dialog of the viewer's text search and the address
// list search.

#include "ui/cust_check.h"
#include "ui/flat_btn.h"
#include "ui/mask_ed_ex.h"
#include "ui/window.h"

#include <cstdint>

namespace orv::ui {

// Bits of the options byte.
constexpr uint8_t kFindWholeWords = 1;
constexpr uint8_t kFindCaseSensitive = 2;

struct FindAnswer {
    std::string text;  // empty after Cancel
    uint8_t options = 0;
};

class TfrmPGPFind : public Form {
public:
    TfrmPGPFind();
    ~TfrmPGPFind() override;

    bool Create(const std::string& proposed, uint8_t options, bool showOptions, HWND owner = nullptr);
    // Runs modally: the edit's text and (with options shown) the options byte,
    // or the empty text after Cancel.
    FindAnswer Execute();

    TPanel pnTop;
    TCustCheckBox cbCase;
    TCustCheckBox cbWord;
    TPanel pnButtons;
    TFlatBtn fbOk;
    TFlatBtn fbCancel;
    TPanel pnEdit;
    TMaskEdEx edAnswer;

protected:
    bool PreviewKey(MSG& msg) override;
    void BeforeShow() override;
    HWND InitialFocus() override;

private:
    uint8_t options_ = 0;
    bool showOptions_ = false;
};

// Creates, runs and frees the find dialog.
FindAnswer ShowFindDialog(const std::string& proposed, uint8_t options, bool showOptions);

}  // namespace orv::ui
