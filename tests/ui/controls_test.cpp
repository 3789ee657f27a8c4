// The product's own controls on a form, driven with keys, clicks and drops.
#include "tests/support/ui_robot.h"
#include "ui/cb_extend.h"
#include "ui/col_grip.h"
#include "ui/cust_check.h"
#include "ui/cust_radio.h"
#include "ui/drop_edit.h"
#include "ui/flat_btn.h"
#include "ui/hot_hint.h"
#include "ui/look.h"
#include "ui/mask_ed_ex.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <chrono>

using namespace orv::ui;
using namespace orv::test;

namespace {

class TestForm : public Form {
public:
    bool Create(int width = 420, int height = 300) {
        if (!CreateForm("TTestForm", "Controls", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, width, height,
                        nullptr))
            return false;
        SetWindowPos(Handle(), HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        SetForegroundWindow(Handle());
        return true;
    }
};

void Pump(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        ProcessMessages();
        Sleep(5);
    } while (std::chrono::steady_clock::now() < end);
}

// A key typed on the focused control, through the form's key handling.
void Type(WORD vk) {
    HWND focus = GetFocus();
    ASSERT_NE(focus, nullptr);
    PostKey(focus, vk);
    Pump(50);
}

// The character of Alt plus a letter. (A posted Alt key alone would open the
// window menu, as no real letter key went through the window in between.)
void AltLetter(HWND target, char letter) {
    PostMessageA(target, WM_SYSCHAR, WPARAM(letter), 0x20000001);
    Pump(50);
}

// A shell drop of the given paths, as the shell hands it to WM_DROPFILES.
HDROP MakeDrop(const std::vector<std::string>& paths) {
    size_t size = sizeof(DROPFILES) + 1;
    for (auto& p : paths) size += p.size() + 1;
    HGLOBAL mem = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(mem));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char* out = reinterpret_cast<char*>(drop + 1);
    for (auto& p : paths) {
        memcpy(out, p.c_str(), p.size() + 1);
        out += p.size() + 1;
    }
    *out = 0;
    GlobalUnlock(mem);
    return static_cast<HDROP>(mem);
}

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(form.Create()); }
    TestForm form;
};

}  // namespace

TEST_F(ControlsTest, SpinEditKeepsItsNumberInsideTheRange) {
    TSpinEdEx spin;
    TMaskEdEx other;
    ASSERT_TRUE(spin.Create(&form, 10, 10, 80, 22));
    ASSERT_TRUE(other.Create(&form, 10, 40, 80, 22));
    spin.SetRange(20, 999);
    spin.SetIncrement(10);
    EXPECT_EQ(SendMessageA(spin.Handle(), EM_GETLIMITTEXT, 0, 0), 3);
    EXPECT_EQ(spin.Text(), "20");

    struct Row {
        const char* typed;
        int value;
    };
    const Row rows[] = {{"5", 20}, {"abc", 20}, {"500", 500}, {"999", 999}, {"", 20}, {"-7", 20}};
    for (const Row& row : rows) {
        spin.SetFocus();
        SetWindowTextA(spin.Handle(), row.typed);
        other.SetFocus();  // leaving the field
        Pump(20);
        EXPECT_EQ(spin.Value(), row.value) << row.typed;
        EXPECT_EQ(spin.Text(), std::to_string(row.value)) << row.typed;
    }

    spin.SetValue(500);
    spin.SetFocus();
    Type(VK_UP);
    EXPECT_EQ(spin.Value(), 510);
    Type(VK_DOWN);
    Type(VK_DOWN);
    EXPECT_EQ(spin.Value(), 490);
    Type(VK_PRIOR);
    EXPECT_EQ(spin.Value(), 999);
    Type(VK_NEXT);
    EXPECT_EQ(spin.Value(), 20);
    Type(VK_ESCAPE);  // back to the value held when editing began
    EXPECT_EQ(spin.Value(), 500);
    EXPECT_EQ(spin.Text(), "500");

    // The up-down arrows step as the keys do.
    SendMessageA(spin.UpDown(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 2));
    SendMessageA(spin.UpDown(), WM_LBUTTONUP, 0, MAKELPARAM(5, 2));
    Pump(20);
    EXPECT_EQ(spin.Value(), 510);

    spin.SetReadOnly(true);
    spin.SetFocus();
    Type(VK_UP);
    Type(VK_PRIOR);
    EXPECT_EQ(spin.Value(), 510);
}

TEST_F(ControlsTest, MaskEditTurnsEnterIntoTabAndReportsLeaving) {
    TMaskEdEx first, second;
    ASSERT_TRUE(first.Create(&form, 10, 10, 100, 22));
    ASSERT_TRUE(second.Create(&form, 10, 40, 100, 22));
    int leaves = 0;
    first.onEditLeave = [&] { ++leaves; };
    first.SetFocus();
    Pump(20);
    Type(VK_RETURN);
    EXPECT_EQ(GetFocus(), second.Handle());
    EXPECT_EQ(leaves, 1);
    first.SetFocus();
    Type(VK_TAB);
    EXPECT_EQ(GetFocus(), second.Handle());
    EXPECT_EQ(leaves, 2);
}

TEST_F(ControlsTest, DropEditTakesFilesOnlyWhenAccepting) {
    TDropEdit edit;
    ASSERT_TRUE(edit.Create(&form, ES_MULTILINE, 10, 10, 200, 80));
    int dropped = 0;
    edit.onFileDropped = [&] { ++dropped; };
    SendMessageA(edit.Handle(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({"C:\\mail\\a.asc", "C:\\mail\\b.pgp"})), 0);
    EXPECT_TRUE(edit.files.empty());
    EXPECT_EQ(dropped, 0);
    EXPECT_FALSE(GetWindowLongA(edit.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    edit.SetAcceptFiles(true);
    EXPECT_TRUE(GetWindowLongA(edit.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    SendMessageA(edit.Handle(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({"C:\\mail\\a.asc", "C:\\mail\\b.pgp"})), 0);
    ASSERT_EQ(edit.files.size(), 2u);
    EXPECT_EQ(edit.files[0], "C:\\mail\\b.pgp");  // from the last reported to the first
    EXPECT_EQ(edit.files[1], "C:\\mail\\a.asc");
    EXPECT_EQ(dropped, 1);
}

TEST_F(ControlsTest, CheckBoxFiresOnlyOnRealChanges) {
    TCustCheckBox box;
    ASSERT_TRUE(box.Create(&form, 10, 10, 160, 20, "&Case sensitive"));
    int changes = 0;
    box.onChanged = [&] { ++changes; };
    box.SetChecked(false);
    EXPECT_EQ(changes, 0);
    box.SetChecked(true);
    box.SetChecked(true);
    EXPECT_EQ(changes, 1);

    SendMessageA(box.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(box.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(GetFocus(), box.Handle());
    ClickButton(form.Handle(), "Case sensitive");  // as the robot clicks
    Pump(30);
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(changes, 3);

    AltLetter(form.Handle(), 'c');
    EXPECT_FALSE(box.Checked());
    box.SetEnabled(false);
    AltLetter(form.Handle(), 'c');
    EXPECT_FALSE(box.Checked()) << "a disabled box cannot take the focus";
    EXPECT_EQ(changes, 4);
}

TEST_F(ControlsTest, RadioButtonsOfOneParentExcludeEachOther) {
    TPanel group, other;
    ASSERT_TRUE(group.Create(&form, Align::Left, 200));
    ASSERT_TRUE(other.Create(&form, Align::Client));
    TCustRadioBtn a, b, c;
    a.Create(&group, 10, 10, 150, 20, "&Inline");
    b.Create(&group, 10, 35, 150, 20, "&PGP/MIME");
    c.Create(&other, 10, 10, 150, 20, "&Other group");
    int bChanges = 0;
    b.onChanged = [&] { ++bChanges; };
    a.SetChecked(true);
    c.SetChecked(true);
    b.SetChecked(true);
    EXPECT_FALSE(a.Checked());
    EXPECT_TRUE(b.Checked());
    EXPECT_TRUE(c.Checked());
    AltLetter(form.Handle(), 'i');
    EXPECT_TRUE(a.Checked());
    EXPECT_FALSE(b.Checked());
    EXPECT_EQ(bChanges, 2);
    SendMessageA(a.Handle(), BM_CLICK, 0, 0);  // a checked radio button stays checked
    EXPECT_TRUE(a.Checked());
}

TEST_F(ControlsTest, ComboBoxReportsItsListOpeningAndClosing) {
    TPlainCBEx combo;
    ASSERT_TRUE(combo.Create(&form, CBS_DROPDOWNLIST, 10, 10, 150, 120));
    combo.AddItem("1024");
    combo.AddItem("2048");
    int drops = 0, closes = 0;
    bool droppedDuringEvent = false;
    combo.onListDrop = [&] {
        ++drops;
        droppedDuringEvent = combo.ListDropped();
    };
    combo.onListClose = [&] { ++closes; };
    SendMessageA(combo.Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    Pump(30);
    EXPECT_TRUE(combo.ListDropped());
    EXPECT_TRUE(droppedDuringEvent);
    SendMessageA(combo.Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    Pump(30);
    EXPECT_FALSE(combo.ListDropped());
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(closes, 1);
}

TEST_F(ControlsTest, FlatButtonClicksSetTheModalResultAndAcceleratorsWork) {
    TFlatBtn save, help;
    ASSERT_TRUE(save.Create(&form, 10, 10, 90, 30, "&Save"));
    ASSERT_TRUE(help.Create(&form, 110, 10, 30, 30));
    help.SetGlyph(GlyphBitmap(Glyph::Help));
    save.modalResult = mrYes;
    int helpClicks = 0;
    help.onClick = [&] { ++helpClicks; };
    ClickButton(form.Handle(), "Save");
    Pump(30);
    EXPECT_EQ(form.GetModalResult(), mrYes);

    form.SetModalResult(mrNone);
    AltLetter(form.Handle(), 's');
    EXPECT_EQ(form.GetModalResult(), mrYes);
    form.SetModalResult(mrNone);
    save.SetEnabled(false);
    AltLetter(form.Handle(), 's');
    EXPECT_EQ(form.GetModalResult(), mrNone);

    SendMessageA(help.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(helpClicks, 1);
}

TEST_F(ControlsTest, FlatButtonRaisesOnHoverAndShowsItsHint) {
    TFlatBtn ok;
    ASSERT_TRUE(ok.Create(&form, 40, 40, 30, 30));
    ok.SetGlyph(GlyphBitmap(Glyph::Ok));
    ok.hint = "Confirm the settings";
    SaveScreenshot(ok.Handle(), ShotPath("flatbtn_flat.png"));
    RECT r;
    GetWindowRect(ok.Handle(), &r);
    SetCursorPos(r.left + 15, r.top + 15);
    PostMessageA(ok.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(15, 15));
    Pump(100);
    EXPECT_TRUE(ok.MouseInside());
    SaveScreenshot(ok.Handle(), ShotPath("flatbtn_raised.png"));
    Pump(600);
    HWND hint = HotHint().Handle();
    EXPECT_TRUE(IsWindowVisible(hint));
    EXPECT_EQ(GetText(hint), "Confirm the settings");
    PostMessageA(ok.Handle(), WM_MOUSELEAVE, 0, 0);
    Pump(50);
    EXPECT_FALSE(ok.MouseInside());
    EXPECT_FALSE(IsWindowVisible(hint));
}

TEST_F(ControlsTest, SizeGripTakesItsParentsColour) {
    TPanel panel;
    ASSERT_TRUE(panel.Create(&form, Align::Client));
    TColoredGrip grip;
    ASSERT_TRUE(grip.Create(&panel));
    EXPECT_EQ(grip.BrushColor(), WindowColor());
    panel.SetColor(RGB(10, 120, 30));
    EXPECT_EQ(grip.BrushColor(), RGB(10, 120, 30));
    Pump(50);
    SaveScreenshot(grip.Handle(), ShotPath("colored_grip.png"));
}

TEST_F(ControlsTest, PanelsAlignToTheSidesAndFillTheRest) {
    form.SetClientSize(400, 300);
    TPanel top, bottom, left, right, rest;
    top.Create(&form, Align::Top, 0, 30);
    bottom.Create(&form, Align::Bottom, 0, 40);
    left.Create(&form, Align::Left, 50);
    right.Create(&form, Align::Right, 60);
    rest.Create(&form, Align::Client, 0, 0, 10);
    TPanel inner;
    inner.Create(&rest, Align::Client);
    auto rectOf = [](Window& w) {
        RECT r = w.Bounds();
        return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
    };
    EXPECT_EQ(rectOf(top), (std::vector<LONG>{0, 0, 400, 30}));
    EXPECT_EQ(rectOf(bottom), (std::vector<LONG>{0, 260, 400, 300}));
    EXPECT_EQ(rectOf(left), (std::vector<LONG>{0, 30, 50, 260}));
    EXPECT_EQ(rectOf(right), (std::vector<LONG>{340, 30, 400, 260}));
    EXPECT_EQ(rectOf(rest), (std::vector<LONG>{50, 30, 340, 260}));
    EXPECT_EQ(rectOf(inner), (std::vector<LONG>{10, 10, 280, 220}));  // inside the border of 10
    form.SetClientSize(500, 300);
    EXPECT_EQ(rectOf(rest), (std::vector<LONG>{50, 30, 440, 260}));
    top.SetVisible(false);
    EXPECT_EQ(rectOf(left), (std::vector<LONG>{0, 0, 50, 260}));
}

TEST(Look, StandardColorsSelectTheSystemColours) {
    DefaultSession().standardColors = false;
    EXPECT_EQ(WindowColor(), RGB(0xC7, 0xC8, 0xA8));  // sage
    EXPECT_EQ(FieldColor(), RGB(0xE0, 0xE0, 0xC2));
    DefaultSession().standardColors = true;
    EXPECT_EQ(WindowColor(), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(FieldColor(), GetSysColor(COLOR_WINDOW));
    DefaultSession().standardColors = false;
}

TEST(Look, ResourcesAreMadeAgainAfterBeingFreed) {
    HBRUSH before = WindowBrush();
    ASSERT_NE(before, nullptr);
    ASSERT_NE(GlyphBitmap(Glyph::Ok), nullptr);
    DestroyHotHint();  // as at the session's end: no window left
    FreeLookResources();
    HBRUSH after = WindowBrush();
    LOGBRUSH lb{};
    ASSERT_EQ(GetObjectA(after, sizeof lb, &lb), int(sizeof lb));
    EXPECT_EQ(lb.lbColor, WindowColor());
    BITMAP bm{};
    ASSERT_TRUE(GetObjectA(GlyphBitmap(Glyph::Ok), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 20);
    EXPECT_NE(DefaultFont(), nullptr);
}

TEST(Look, HintWindowSizeFollowsItsCaption) {
    TfrmHotHint& hint = HotHint();
    EXPECT_EQ(ClassOf(hint.Handle()), "TfrmHotHint");
    std::string one = "Encrypt the message";
    std::string two = "Encrypt\r\nand sign";
    SIZE a = hint.HintSize(one), b = hint.HintSize(two);
    SIZE extent = TextExtent(DefaultFont(), one);
    EXPECT_EQ(a.cx, extent.cx + 4);
    EXPECT_EQ(a.cy, extent.cy + 4);
    EXPECT_EQ(b.cy, 2 * extent.cy + 4);
    hint.ShowAt(two, POINT{300, 300});
    RECT client;
    GetClientRect(hint.Handle(), &client);
    EXPECT_EQ(client.right, b.cx);
    EXPECT_EQ(client.bottom, b.cy);
    EXPECT_NE(GetForegroundWindow(), hint.Handle());
    COLORREF expected = GetSysColor(COLOR_INFOBK) ? GetSysColor(COLOR_INFOBK) : RGB(0xFC, 0xFC, 0xDC);
    EXPECT_EQ(TfrmHotHint::BackgroundColor(), expected);
    Pump(50);
    SaveScreenshot(hint.Handle(), ShotPath("hot_hint.png"));
    hint.Hide();
    EXPECT_FALSE(IsWindowVisible(hint.Handle()));
    DestroyHotHint();
}

TEST_F(ControlsTest, AllControlsOnTheSageForm) {
    TCustCheckBox check;
    TCustRadioBtn radio1, radio2;
    TSpinEdEx spin;
    TPlainCBEx combo;
    TFlatBtn ok, cancel, named;
    TColoredGrip grip;
    TDropEdit edit;
    check.Create(&form, 10, 10, 160, 20, "&Case sensitive");
    check.SetChecked(true);
    radio1.Create(&form, 10, 35, 160, 20, "&Inline PGP");
    radio2.Create(&form, 10, 60, 160, 20, "&PGP/MIME");
    radio2.SetChecked(true);
    spin.Create(&form, 200, 10, 80, 22);
    spin.SetRange(20, 999);
    spin.SetValue(120);
    combo.Create(&form, CBS_DROPDOWNLIST, 200, 40, 150, 120);
    combo.AddItem("Encrypt > send");
    combo.SetItemIndex(0);
    edit.Create(&form, ES_MULTILINE, 10, 90, 340, 80);
    edit.SetColor(FieldColor());
    edit.SetText("Dropped text field");
    ok.Create(&form, 10, 190, 30, 30);
    ok.SetGlyph(GlyphBitmap(Glyph::Ok));
    cancel.Create(&form, 50, 190, 30, 30);
    cancel.SetGlyph(GlyphBitmap(Glyph::Cancel));
    cancel.SetEnabled(false);
    named.Create(&form, 90, 190, 90, 30, "&Key");
    named.SetGlyph(GlyphBitmap(Glyph::Key));
    grip.Create(&form);
    Pump(150);
    EXPECT_TRUE(SaveScreenshot(form.Handle(), ShotPath("controls_form.png")));
    auto pixel = [](HWND wnd, int x, int y) {
        HDC dc = GetDC(wnd);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(wnd, dc);
        return c;
    };
    EXPECT_EQ(pixel(form.Handle(), 300, 260), WindowColor());
    EXPECT_EQ(pixel(spin.Handle(), 40, 3), FieldColor()) << "input fields are pale";
    EXPECT_EQ(pixel(grip.Handle(), 100, 8), WindowColor()) << "the status bar takes the form's colour";
}
