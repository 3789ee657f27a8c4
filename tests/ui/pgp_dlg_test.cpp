// The message-box window itself: kinds, sizing to the text, menu and keys.
#include "tests/support/ui_robot.h"
#include "tests/ui/box_view.h"
#include "tests/ui/product_texts.h"
#include "ui/look.h"
#include "ui/pgp_dlg.h"

#include <gtest/gtest.h>

using namespace orv;
using namespace orv::test;
using namespace orv::ui;

namespace {

class PgpDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(LoadProductTexts()); }
};

struct Shown {
    BoxView view;
    int result = 0;
    HICON icon = nullptr;
    std::vector<UINT> menuIds;
};

// Runs one box, lets the robot look at it and answer.
Shown RunBox(const std::string& title, const std::string& text, const std::string& left, int flags,
          const std::string& right, ModalScript::Action answer) {
    Shown shown;
    ModalScript script;
    script.Expect("TfrmPGPDlg", "", [&](HWND box) {
        shown.view = ViewBox(box);
        shown.icon = reinterpret_cast<HICON>(SendMessageA(box, WM_GETICON, ICON_SMALL, 0));
        HMENU menu = GetSystemMenu(box, FALSE);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) shown.menuIds.push_back(GetMenuItemID(menu, i));
        answer(box);
    });
    script.Start();
    TfrmPGPDlg dlg;
    EXPECT_TRUE(dlg.Create(title, text, left, flags, right));
    shown.result = dlg.Execute();
    EXPECT_TRUE(script.Finish()) << script.Failure();
    return shown;
}

ModalScript::Action Key(WORD vk) {
    return [vk](HWND box) { PostKey(box, vk); };
}

}  // namespace

TEST_F(PgpDlgTest, StandardKindsTakeCaptionIconAndButtons) {
    struct Row {
        int flags;
        const char* caption;
        const char* icon;
        size_t buttons;
        WORD key;
        int result;
    };
    const Row rows[] = {
        {16, "Error:", IDI_HAND, 1, VK_ESCAPE, mrOk},
        {48, "Warning:", IDI_EXCLAMATION, 1, VK_RETURN, mrOk},
        {64, "Info:", IDI_ASTERISK, 1, VK_RETURN, mrOk},
        {32, "Confirm:", IDI_QUESTION, 2, 'N', mrNo},
    };
    for (const Row& row : rows) {
        Shown shown = RunBox("ignored", "Some text", "", row.flags, "", Key(row.key));
        EXPECT_EQ(shown.view.caption, row.caption);
        EXPECT_EQ(shown.icon, LoadIcon(nullptr, row.icon)) << row.caption;
        EXPECT_EQ(shown.view.buttons.size(), row.buttons) << row.caption;
        EXPECT_EQ(shown.result, row.result) << row.caption;
        EXPECT_EQ(shown.menuIds, std::vector<UINT>{SC_MOVE}) << "only Move stays";
    }
}

TEST_F(PgpDlgTest, TwoLineTextWidensAndHeightensTheBox) {
    Shown one = RunBox("", "Short", "", 16, "", Key(VK_RETURN));
    std::string longest = "This second line is much longer than the width the box starts with, by far";
    std::string text = "First line\r\n" + longest;
    Shown two = RunBox("", text, "", 16, "", [&](HWND box) {
        SaveScreenshot(box, ShotPath("msgbox_two_lines.png"));
        PostKey(box, VK_RETURN);
    });
    EXPECT_EQ(two.view.text, text);
    int w1 = one.view.window.right - one.view.window.left, h1 = one.view.window.bottom - one.view.window.top;
    int w2 = two.view.window.right - two.view.window.left, h2 = two.view.window.bottom - two.view.window.top;
    EXPECT_GT(w2, w1);
    EXPECT_GT(h2, h1);
    // The text area holds the longest line in the text's font.
    SIZE extent = TextExtent(DefaultFont(), longest);
    EXPECT_GE(two.view.textClient.right, extent.cx);
    EXPECT_GE(two.view.textClient.bottom, extent.cy * 2);
    // A short text leaves the box at its smallest, wide enough for the custom buttons.
    EXPECT_GE(one.view.textClient.right + 20, 335);
}

TEST_F(PgpDlgTest, ButtonPanelsStayCentredInAWideBox) {
    HWND okButton = nullptr;
    RECT boxClient{}, ok{};
    RunBox("", std::string(120, 'W'), "", 64, "", [&](HWND box) {
        okButton = VisibleButton(box, "");
        GetClientRect(box, &boxClient);
        ok = ChildRect(box, okButton);
        PostKey(box, VK_RETURN);
    });
    ASSERT_NE(okButton, nullptr);
    int centre = (ok.left + ok.right) / 2;
    EXPECT_NEAR(centre, boxClient.right / 2, 2);
}

TEST_F(PgpDlgTest, CustomKindZeroBecomesAQuestionAndUsesBoldText) {
    // The rich edit does not tell its font: compare the text's size with both fonts.
    std::string text = "Go on with the bold text of a custom box";
    int width = 0;
    Shown shown = RunBox("Own title", text, "&Go", 8192, "&Stop", [&](HWND box) {
        HWND edit = FindChild(box, "RichEdit20A", "");
        POINT last{};
        SendMessageA(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&last), LPARAM(text.size() - 1));
        POINT first{};
        SendMessageA(edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&first), 0);
        width = last.x - first.x;
        PostKey(box, 'S');
    });
    EXPECT_EQ(shown.view.caption, "Own title");
    EXPECT_EQ(shown.icon, LoadIcon(nullptr, IDI_QUESTION));
    EXPECT_EQ(shown.result, mrNo);
    std::string allButLast = text.substr(0, text.size() - 1);
    EXPECT_NEAR(width, TextExtent(BoldFont(), allButLast).cx, 3);
    EXPECT_GT(TextExtent(BoldFont(), allButLast).cx, TextExtent(DefaultFont(), allButLast).cx + 3);
}

TEST_F(PgpDlgTest, CustomWarningShowsTheExclamationIcon) {
    Shown shown = RunBox("Careful", "Overwrite", "&Yes", 8192 | 48, "&No", Key('Y'));
    EXPECT_EQ(shown.icon, LoadIcon(nullptr, IDI_EXCLAMATION));
    EXPECT_EQ(shown.result, mrYes);
}

TEST_F(PgpDlgTest, ClosingAnOkBoxAnswersOkAndAQuestionStaysOpen) {
    Shown ok = RunBox("", "Closed by the window menu", "", 64, "",
                   [](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); });
    EXPECT_EQ(ok.result, mrOk);
    bool stillOpen = false;
    Shown question = RunBox("", "Close me", "", 32, "", [&](HWND box) {
        PostMessageA(box, WM_CLOSE, 0, 0);
        Sleep(300);
        stillOpen = IsWindowVisible(box) != FALSE;
        PostKey(box, 'Y');
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(question.result, mrYes);
}

TEST_F(PgpDlgTest, SessionRecordsTheOpenBox) {
    Form* recorded = nullptr;
    RunBox("", "Recorded", "", 64, "", [&](HWND box) {
        recorded = CurrentSession().frmPGPDlg;
        PostKey(box, VK_RETURN);
    });
    EXPECT_NE(recorded, nullptr);
    EXPECT_EQ(CurrentSession().frmPGPDlg, nullptr);
}

TEST_F(PgpDlgTest, BoxIsSageUnlessStandardColorsAreOn) {
    auto backgroundOf = [](HWND box) {
        HWND text = FindChild(box, "RichEdit20A", "");
        RECT r = ChildRect(box, text);
        HDC dc = GetDC(box);
        COLORREF frame = GetPixel(dc, r.left - 4, r.top - 4);  // the text panel's border
        ReleaseDC(box, dc);
        return frame;
    };
    COLORREF sage = 0, standard = 0;
    RunBox("", "Coloured", "", 64, "", [&](HWND box) {
        sage = backgroundOf(box);
        PostKey(box, VK_RETURN);
    });
    DefaultSession().standardColors = true;
    RunBox("", "System coloured", "", 64, "", [&](HWND box) {
        standard = backgroundOf(box);
        SaveScreenshot(box, ShotPath("msgbox_standard_colors.png"));
        PostKey(box, VK_RETURN);
    });
    DefaultSession().standardColors = false;
    EXPECT_EQ(sage, RGB(0xC7, 0xC8, 0xA8));
    EXPECT_EQ(standard, GetSysColor(COLOR_BTNFACE));
}
