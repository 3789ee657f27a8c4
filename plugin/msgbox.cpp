#include "plugin/msgbox.h"

#include "strings/text_client.h"
#include "ui/look.h"
#include "ui/pgp_dlg.h"

namespace orv {

namespace {

using namespace ui::dlgflags;

std::string TextOf(const char* text) { return text ? text : ""; }
bool IsEmpty(const char* text) { return !text || !*text; }

}  // namespace

int TMsgBox::Show(const std::string& title, const std::string& text, const std::string& leftCaption,
                  int flags, const std::string& rightCaption) {
    int result = ui::mrCancel;
    {
        ui::TfrmPGPDlg box;
        bool custom = (flags & kCustomMask) != 0;
        if (!box.Create(title, text, custom ? leftCaption : "", flags, custom ? rightCaption : "",
                        ui::CurrentSession().Owner()))
            return result;
        result = box.Execute();
    }
    ui::ProcessMessages();
    return result;
}

void TMsgBox::Error(const char* text) {
    if (IsEmpty(text)) return;
    Show("", TextOf(text) + "!", "", kError, "");
}

void TMsgBox::Warn(const char* text) {
    if (IsEmpty(text)) return;
    Show("", TextOf(text) + "!", "", kWarning, "");
}

void TMsgBox::Info(const char* text) {
    if (IsEmpty(text)) return;
    Show("", TextOf(text), "", kInformation, "");
}

bool TMsgBox::Confirm(const char* text) {
    return Show("", TextOf(text) + "?", "", kQuestion, "") == ui::mrYes;
}

bool TMsgBox::Cancel(const char* text) { return Question(text) == ui::mrNo; }

int TMsgBox::Question(const char* text) { return Show("", TextOf(text) + "?", "", kQuestion | kDefaultSecond, ""); }

int TMsgBox::ConfCanc(const char* text) {
    return Show(texts::Get(txt::_CONFIRM), TextOf(text) + "?", texts::Accel(txt::_YES),
                kCustom | kDefaultThird, texts::Accel(txt::_NO));
}

int TMsgBox::CustomDlg(const char* title, const char* text, const char* rightCaption,
                       const char* leftCaption, int flags) {
    return Show(TextOf(title), TextOf(text), TextOf(leftCaption), flags | kCustom, TextOf(rightCaption));
}

void TMsgBox::Popup(const char* text) {
    {
        ui::TfrmPGPDlg box;
        if (!box.Create("", TextOf(text), "", kInformation, "", ui::CurrentSession().Owner())) return;
        box.ShowWithTimer();
        while (box.GetModalResult() == ui::mrNone && box.ElapsedMs() < kPopupMs && IsWindow(box.Handle())) {
            // A pending quit message wakes every wait at once: then the
            // loop only sleeps until the time is up.
            MSG quit;
            if (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
                Sleep(kPopupPollMs);
            else
                MsgWaitForMultipleObjects(0, nullptr, FALSE, kPopupPollMs, QS_ALLINPUT);
            ui::ProcessMessages();
        }
        ShowWindow(box.Handle(), SW_HIDE);
    }
    ui::ProcessMessages();
}

}  // namespace orv
