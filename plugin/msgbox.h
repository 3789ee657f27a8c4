#pragma once
// TMsgBox: every message of the main library, and those the automation
// plug-in shows through the message exports, goes through these operations.
// They add the closing punctuation, choose kind and buttons, show the
// message-box window modally over the session's owner and reduce its answer.

#include <string>

namespace orv {

class TMsgBox {
public:
    void Error(const char* text);  // text + "!"; nothing for an empty text
    void Warn(const char* text);   // text + "!"; nothing for an empty text
    void Info(const char* text);   // nothing for an empty text
    bool Confirm(const char* text);  // text + "?"; true for Yes
    bool Cancel(const char* text);   // text + "?", No as default; true for No
    // The question of Cancel and the box's modal result: mrYes, mrNo, or
    // another when it closed without an answer.
    int Question(const char* text);
    int ConfCanc(const char* text);  // Yes / No / Cancel: 6, 7 or 2
    // The caller's title, text and captions; 8192 is added to the flags.
    int CustomDlg(const char* title, const char* text, const char* rightCaption,
                  const char* leftCaption, int flags);
    // Information that goes away by itself after two seconds.
    void Popup(const char* text);

    // The modal run of the message-box window: its modal result.
    int Show(const std::string& title, const std::string& text, const std::string& leftCaption,
             int flags, const std::string& rightCaption);

    static constexpr int kPopupMs = 2000;
    static constexpr int kPopupPollMs = 50;
};

}  // namespace orv
