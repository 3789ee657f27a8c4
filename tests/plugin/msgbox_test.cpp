// The message functions of the session, answered as a user would: keys and clicks.
#include "plugin/msgbox.h"
#include "tests/support/ui_robot.h"
#include "tests/ui/box_view.h"
#include "tests/ui/product_texts.h"
#include "ui/look.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

using namespace orv;
using namespace orv::test;

namespace {

constexpr const char* kBox = "TfrmPGPDlg";

class MsgBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(LoadProductTexts()); }
    void SetUp() override { ui::CurrentSession().SetOwner(nullptr); }
    TMsgBox msg;
};

ModalScript::Action Key(WORD vk) {
    return [vk](HWND box) { PostKey(box, vk); };
}

// Records what the box shows, then runs the answer.
ModalScript::Action Seen(BoxView& view, ModalScript::Action then) {
    return [&view, then](HWND box) {
        view = ViewBox(box);
        then(box);
    };
}

}  // namespace

TEST_F(MsgBoxTest, ErrorShowsTheTextWithAnExclamationMark) {
    BoxView view;
    ModalScript script;
    script.Expect(kBox, "Error:",
                  Seen(view, ScreenshotThen(ShotPath("msgbox_error.png"), Key(VK_RETURN))));
    script.Start();
    msg.Error(texts::Get(txt::NEWPATH_ERR));
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(view.caption, "Error:");
    EXPECT_EQ(view.text, "Cannot set program paths!");
    EXPECT_EQ(view.buttons.size(), 1u);  // OK alone
}

TEST_F(MsgBoxTest, WarningAndInformationKinds) {
    BoxView warn, info;
    ModalScript script;
    script.Expect(kBox, "Warning:", Seen(warn, Key(VK_ESCAPE)));
    script.Expect(kBox, "Info:", Seen(info, [](HWND box) { ClickFirstButton(box); }));
    script.Start();
    msg.Warn("Disk almost full");
    msg.Info("All keys imported");
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(warn.text, "Disk almost full!");
    EXPECT_EQ(info.text, "All keys imported");
}

TEST_F(MsgBoxTest, EmptyTextsShowNothing) {
    ModalScript script;
    script.Expect(kBox, "", Key(VK_RETURN));
    script.Start(1500);
    msg.Error(nullptr);
    msg.Error("");
    msg.Warn(nullptr);
    msg.Info("");
    EXPECT_FALSE(script.Finish());  // no box ever appeared
}

TEST_F(MsgBoxTest, ConfirmTakesTheYesLettersAndN) {
    struct Row {
        WORD key;
        bool expected;
    };
    const Row rows[] = {{'Y', true}, {'J', true}, {'O', true}, {'S', true}, {'N', false}};
    for (const Row& row : rows) {
        BoxView view;
        ModalScript script;
        script.Expect(kBox, "Confirm:", Seen(view, Key(row.key)));
        script.Start();
        bool answer = msg.Confirm("Restart program now");
        ASSERT_TRUE(script.Finish()) << script.Failure();
        EXPECT_EQ(answer, row.expected) << char(row.key);
        EXPECT_EQ(view.text, "Restart program now?");
        EXPECT_EQ(view.buttons, (std::vector<std::string>{"&Yes", "&No"}));
        EXPECT_EQ(view.focus, "&Yes");
    }
}

TEST_F(MsgBoxTest, EscapeDoesNothingInAQuestion) {
    ModalScript script;
    bool stillOpen = false;
    script.Expect(kBox, "Confirm:", [&](HWND box) {
        PostKey(box, VK_ESCAPE);
        Sleep(400);
        stillOpen = IsWindowVisible(box) != FALSE;
        PostKey(box, 'Y');
    });
    script.Start();
    EXPECT_TRUE(msg.Confirm("Really"));
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_TRUE(stillOpen);
}

TEST_F(MsgBoxTest, CancelIsTrueForNoAndDefaultsToNo) {
    BoxView view;
    ModalScript script;
    script.Expect(kBox, "Confirm:", Seen(view, PressButton("No")));
    script.Expect(kBox, "Confirm:", PressButton("Yes"));
    script.Expect(kBox, "Confirm:", Key(VK_RETURN));  // the focused default: No
    script.Start();
    bool no = msg.Cancel("Delete key(s)");
    bool yes = msg.Cancel("Delete key(s)");
    bool enter = msg.Cancel("Delete key(s)");
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_TRUE(no);
    EXPECT_FALSE(yes);
    EXPECT_TRUE(enter);
    EXPECT_EQ(view.text, "Delete key(s)?");
    EXPECT_EQ(view.focus, "&No");
}

TEST_F(MsgBoxTest, ThreeWayQuestionHasThreeButtonsAndCancelInTheMiddle) {
    BoxView view;
    RECT left{}, middle{}, right{};
    ModalScript script;
    script.Expect(kBox, "Confirm:", [&](HWND box) {
        view = ViewBox(box);
        left = ChildRect(box, VisibleButton(box, "Yes"));
        middle = ChildRect(box, VisibleButton(box, "Cancel"));
        right = ChildRect(box, VisibleButton(box, "No"));
        SaveScreenshot(box, ShotPath("msgbox_three_buttons.png"));
        ClickButton(box, "Cancel");
    });
    script.Expect(kBox, "Confirm:", Key('Y'));
    script.Expect(kBox, "Confirm:", Key('N'));
    script.Expect(kBox, "Confirm:", Key(VK_ESCAPE));
    script.Expect(kBox, "Confirm:", Key(VK_RETURN));  // focus is on the middle button
    script.Start();
    int clicked = msg.ConfCanc("Save the changes");
    int yes = msg.ConfCanc("Save the changes");
    int no = msg.ConfCanc("Save the changes");
    int escape = msg.ConfCanc("Save the changes");
    int enter = msg.ConfCanc("Save the changes");
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(clicked, 2);
    EXPECT_EQ(yes, 6);
    EXPECT_EQ(no, 7);
    EXPECT_EQ(escape, 2);
    EXPECT_EQ(enter, 2);
    EXPECT_EQ(view.text, "Save the changes?");
    EXPECT_EQ(view.buttons, (std::vector<std::string>{"&Yes", "&Cancel", "&No"}));
    EXPECT_EQ(view.focus, "&Cancel");
    // Outer buttons moved out to make room: 19 and 226 in their panel, 90 wide.
    EXPECT_EQ(right.left - left.left, 226 - 19);
    EXPECT_EQ(left.right - left.left, 90);
    EXPECT_EQ(middle.left - left.left, (335 - 90) / 2 - 19);
}

TEST_F(MsgBoxTest, CustomBoxTakesTheAcceleratorsOfItsCaptions) {
    BoxView view;
    RECT left{}, right{};
    ModalScript script;
    script.Expect(kBox, "Choose the format", [&](HWND box) {
        view = ViewBox(box);
        left = ChildRect(box, VisibleButton(box, "PGP/MIME"));
        right = ChildRect(box, VisibleButton(box, "Inline"));
        PostKey(box, 'I');
    });
    script.Expect(kBox, "Choose the format", Key('M'));
    script.Expect(kBox, "Choose the format", [](HWND box) {
        PostKey(box, VK_ESCAPE);  // no cancel button in a two-button box
        Sleep(300);
        ClickButton(box, "PGP/MIME");
    });
    script.Start();
    int first = msg.CustomDlg("Choose the format", "Send the message as", "&Inline", "PGP/&MIME", 0);
    int second = msg.CustomDlg("Choose the format", "Send the message as", "&Inline", "PGP/&MIME", 256);
    int third = msg.CustomDlg("Choose the format", "Send the message as", "&Inline", "PGP/&MIME", 48);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(first, 7);
    EXPECT_EQ(second, 6);
    EXPECT_EQ(third, 6);
    EXPECT_EQ(view.text, "Send the message as");  // custom texts get no punctuation
    EXPECT_EQ(view.buttons, (std::vector<std::string>{"PGP/&MIME", "&Inline"}));
    EXPECT_EQ(view.focus, "PGP/&MIME");
    EXPECT_EQ(right.left - left.left, 182 - 63);
}

TEST_F(MsgBoxTest, BoxIsOwnedByTheSessionOwnerAndDisablesIt) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner form", WS_POPUP | WS_VISIBLE, 50, 50, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    ui::CurrentSession().SetOwner(owner);
    bool ownerEnabledWhileOpen = true;
    HWND sessionOwnerWhileOpen = nullptr;
    ModalScript script;
    script.Expect(kBox, "Info:", [&](HWND box) {
        ownerEnabledWhileOpen = IsWindowEnabled(owner) != FALSE;
        sessionOwnerWhileOpen = ui::CurrentSession().Owner();
        PostKey(box, VK_RETURN);
    });
    script.Start();
    msg.Info("Owned");
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].owner, owner);
    EXPECT_FALSE(ownerEnabledWhileOpen);
    EXPECT_NE(sessionOwnerWhileOpen, owner);  // the box owns the next dialogs
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(ui::CurrentSession().Owner(), owner);
    DestroyWindow(owner);
    ui::CurrentSession().SetOwner(nullptr);
}

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The robot may see the box late on a loaded machine, so the popup's time is
// taken by the caller, whose clock starts no later than the box's own.
TEST_F(MsgBoxTest, TimedPopupClosesItselfAfterTwoSeconds) {
    BoxView view;
    bool goneByItself = false;
    ModalScript script;
    script.Expect(kBox, "Info:", [&](HWND box) {
        view = ViewBox(box);
        const auto seen = Clock::now();
        while (IsWindow(box) && IsWindowVisible(box) && MsSince(seen) < Patience(10000)) Sleep(10);
        goneByItself = !IsWindowVisible(box);
    });
    script.Start();
    const auto start = Clock::now();
    msg.Popup("Message encrypted");
    const long long ms = MsSince(start);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(view.text, "Message encrypted");
    EXPECT_TRUE(goneByItself);
    EXPECT_GE(ms, TMsgBox::kPopupMs);
    EXPECT_LT(ms, TMsgBox::kPopupMs + Patience(1000));
    EXPECT_EQ(FindTopWindow(kBox, "", 0), nullptr);
}

TEST_F(MsgBoxTest, TimedPopupTimesOutWhileAQuitMessageIsPending) {
    // The client quitting while a popup shows: timer messages no longer come.
    PostQuitMessage(7);
    const auto start = std::chrono::steady_clock::now();
    msg.Popup("Message encrypted");
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    MSG quit{};
    const bool pending = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    EXPECT_GE(ms, 1800);
    EXPECT_LT(ms, 10000) << "the popup ended by the clock";
    EXPECT_TRUE(pending) << "the quit message is left for the client";
    EXPECT_EQ(quit.wParam, 7u);
    EXPECT_EQ(FindTopWindow(kBox, "", 0), nullptr);
}

// Ended before its clock could have run out: then OK ended it. A loaded
// machine may show the box too late to tell, so up to three tries.
TEST_F(MsgBoxTest, TimedPopupEndsEarlierWhenOkIsPressed) {
    long long fastest = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        ModalScript script;
        script.Expect(kBox, "Info:", Key(VK_RETURN));
        script.Start();
        const auto start = Clock::now();
        msg.Popup("Message encrypted");
        const long long ms = MsSince(start);
        ASSERT_TRUE(script.Finish()) << script.Failure();
        fastest = attempt == 0 ? ms : std::min(fastest, ms);
        if (fastest < TMsgBox::kPopupMs) break;
    }
    EXPECT_LT(fastest, TMsgBox::kPopupMs);
}
