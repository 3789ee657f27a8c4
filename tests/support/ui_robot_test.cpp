// The robot itself, on real modal windows of this process.
#include "tests/support/ui_robot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace orv::test;

namespace {

long FileSize(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return -1;
    fseek(f, 0, SEEK_END);
    long n = ftell(f);
    fclose(f);
    return n;
}

// A dialog template built in memory: an edit field and OK / Cancel.
struct DialogTemplate {
    std::vector<WORD> words;
    void Align() {
        if (words.size() % 2) words.push_back(0);
    }
    void Text(const wchar_t* s) {
        while (*s) words.push_back(WORD(*s++));
        words.push_back(0);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls, const wchar_t* text) {
        Align();
        DLGITEMTEMPLATE item{style | WS_CHILD | WS_VISIBLE, 0, x, y, cx, cy, id};
        const WORD* p = reinterpret_cast<const WORD*>(&item);
        words.insert(words.end(), p, p + sizeof item / 2);
        words.push_back(0xFFFF);
        words.push_back(cls);
        Text(text);
        words.push_back(0);
    }
};

std::string g_entered;

INT_PTR CALLBACK EntryDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        char buf[256] = {};
        GetDlgItemTextA(dlg, 100, buf, sizeof buf);
        g_entered = buf;
        EndDialog(dlg, LOWORD(wp));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

TEST(UiRobot, AnswersMessageBoxAndTakesItsPicture) {
    std::string shot = ShotPath("robot_messagebox.png");
    remove(shot.c_str());
    ModalScript script;
    script.Expect("#32770", "Robot question", ScreenshotThen(shot, PressButton("No")));
    script.Start();
    int answer = MessageBoxA(nullptr, "Do you see this box?", "Robot question", MB_YESNO | MB_ICONQUESTION);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(answer, IDNO);
    auto seen = script.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Robot question");
    ASSERT_FALSE(seen[0].texts.empty());
    bool bodyFound = false;
    for (auto& t : seen[0].texts) bodyFound = bodyFound || t == "Do you see this box?";
    EXPECT_TRUE(bodyFound);
    // A picture of a box of about 200 x 100 pixels is far larger than an empty PNG.
    EXPECT_GT(FileSize(shot), 20000);
}

TEST(UiRobot, FillsDialogFieldAndConfirms) {
    DialogTemplate t;
    DLGTEMPLATE head{DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT, 0, 3,
                     0, 0, 180, 60};
    const WORD* p = reinterpret_cast<const WORD*>(&head);
    t.words.insert(t.words.end(), p, p + sizeof head / 2);
    t.words.push_back(0);  // menu
    t.words.push_back(0);  // class
    t.Text(L"Robot entry");
    t.words.push_back(8);
    t.Text(L"MS Shell Dlg");
    t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 10, 10, 160, 14, 100, 0x0081, L"");
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 60, 36, 50, 14, IDOK, 0x0080, L"OK");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, 120, 36, 50, 14, IDCANCEL, 0x0080, L"&Cancel");
    t.Align();

    ModalScript script;
    script.Expect("#32770", "Robot entry", [](HWND dlg) {
        SetText(FindChildById(dlg, 100), "typed by the robot");
        ClickButton(dlg, "OK");
    });
    script.Expect("#32770", "Robot entry", PressButton("Cancel"));
    script.Start();
    INT_PTR first = DialogBoxIndirectA(GetModuleHandleA(nullptr),
                                       reinterpret_cast<LPCDLGTEMPLATE>(t.words.data()), nullptr,
                                       EntryDlgProc);
    EXPECT_EQ(first, IDOK);
    EXPECT_EQ(g_entered, "typed by the robot");
    INT_PTR second = DialogBoxIndirectA(GetModuleHandleA(nullptr),
                                        reinterpret_cast<LPCDLGTEMPLATE>(t.words.data()), nullptr,
                                        EntryDlgProc);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(second, IDCANCEL);
    EXPECT_EQ(g_entered, "");
}

TEST(UiRobot, ReportsMissingWindow) {
    ModalScript script;
    script.Expect("#32770", "No such box", PressButton("OK"));
    script.Start(300);
    EXPECT_FALSE(script.Finish());
    EXPECT_NE(script.Failure().find("No such box"), std::string::npos);
}

// A box the script did not foresee must not leave the test hanging: after
// the missed step the robot cancels the dialogs that came after its start.
TEST(UiRobot, MissedStepCancelsTheBoxLeftWaiting) {
    ModalScript script;
    script.Expect("#32770", "A box that never comes", PressButton("OK"));
    script.Start(500);
    const int answer = MessageBoxA(nullptr, "Nobody scripted this box.", "Unforeseen", MB_OKCANCEL);
    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_FALSE(script.Finish());
    EXPECT_NE(script.Failure().find("A box that never comes"), std::string::npos);
}
