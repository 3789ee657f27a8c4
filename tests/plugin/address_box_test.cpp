// The address box as the automation plug-in opens it: Merrowin.dll loaded by
// the mail client stand-in, over the engine stand-in with copies of the
// gpg-made rings. The robot works the grid with the keyboard and the mouse as
// a user would; what the exports write into the caller's buffer is read back,
// and the buffer is guarded against a single byte written past its room.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/whole_file.h"
#include "interfaces/address_room.h"
#include "interfaces/host_messages.h"
#include "interfaces/mail_client.h"
#include "standin/mailclient/editor.h"
#include "standin/mailclient/host.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/support/main_library.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"
#include "tests/ui/box_view.h"

#ifndef ORV_KEY_DATA
#error ORV_KEY_DATA names the test ring directory
#endif

using namespace orv;
using namespace orv::test;

namespace {

const char* const kAddrBox = "TfrmAddrBox";
const char* const kBox = "TfrmPGPDlg";
const std::string kAlice = "E8750B357ACE6A48";
const std::string kBob = "D91F7A27B2A16278";
const std::string kCarol = "6533671D0C89AF89";
const std::string kMark = "\xD7";
// The namesakes' keys (namesakes.pkr): hal, and al with a second key under
// another name and letter case.
const std::string kHal = "E2234AE2921F7D49";
const std::string kAl = "012B6189887FE985";
const std::string kAlAtWork = "333FCB6B8B3AF2D3";
constexpr char kGuard = '\x7f';
constexpr std::size_t kGuardBytes = 64;



// A caller's buffer of exactly the room the callers give, followed by guard
// bytes that must stay untouched.
class GuardedBuffer {
public:
    explicit GuardedBuffer(std::size_t room) : room_(room), bytes_(room + kGuardBytes, kGuard) {}
    char* data() { return bytes_.data(); }
    std::string Text() const { return std::string(bytes_.data(), strnlen(bytes_.data(), room_)); }
    bool GuardIntact() const {
        for (std::size_t i = room_; i < bytes_.size(); ++i)
            if (bytes_[i] != kGuard) return false;
        return true;
    }
    bool Untouched() const { return bytes_ == std::vector<char>(bytes_.size(), kGuard); }

private:
    std::size_t room_;
    std::vector<char> bytes_;
};

// ---- Reading and working the grid from the robot's thread ------------------------------

HWND Grid(HWND box) { return FindChild(box, "SysListView32", ""); }

std::string Cell(HWND grid, int row, int column) {
    char buffer[512] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(grid, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

int Rows(HWND grid) { return int(SendMessageA(grid, LVM_GETITEMCOUNT, 0, 0)); }
int FocusedRow(HWND grid) { return int(SendMessageA(grid, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED)); }

// The focused row once the box's thread has moved it to the one expected,
// or as it stands when the wait is up.
int FocusedRowOnceAt(HWND grid, int expected) {
    for (int waited = 0; FocusedRow(grid) != expected && waited < Patience(3000); waited += 20) Sleep(20);
    return FocusedRow(grid);
}

// The column of a row as the grid shows it, in screen coordinates.
RECT CellRect(HWND grid, int row, int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0));
    RECT head{}, line{};
    SendMessageA(header, HDM_GETITEMRECT, WPARAM(column), reinterpret_cast<LPARAM>(&head));
    MapWindowPoints(header, nullptr, reinterpret_cast<POINT*>(&head), 2);
    line.left = LVIR_BOUNDS;
    SendMessageA(grid, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&line));
    MapWindowPoints(grid, nullptr, reinterpret_cast<POINT*>(&line), 2);
    return RECT{head.left, line.top, head.right, line.bottom};
}

// A real click of the left mouse button in the middle of the cell.
void ClickCell(HWND grid, int row, int column, bool twice = false) {
    const RECT r = CellRect(grid, row, column);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Sleep(30);
    for (int i = 0; i < (twice ? 2 : 1); ++i) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, in, sizeof(INPUT));
        Sleep(twice ? 20 : 120);
    }
    Sleep(150);
}

void Keys(std::initializer_list<WORD> keys, bool ctrl = false) {
    for (WORD k : keys) {
        SendKeyInput(k, ctrl);
        Sleep(60);
    }
}

// The marks of a row as texts of columns 0-4 ("×" or "").
std::string Marks(HWND grid, int row) {
    std::string marks;
    for (int c = 0; c <= 4; ++c) marks += Cell(grid, row, c) == kMark ? "x" : ".";
    return marks;
}

std::vector<std::string> VisibleButtons(HWND box) {
    std::vector<std::string> hints;
    for (HWND w : Children(box))
        if (ClassOf(w) == "TFlatBtn" || ClassOf(w) == "Button")
            if (ReallyVisible(w)) hints.push_back(ClassOf(w));
    return hints;
}

// Answers the library's message box of that caption, from inside a step
// whose window is still open.
void Reply(const std::string& caption, WORD key, BoxView* view) {
    HWND box = FindTopWindow(kBox, caption, 5000);
    if (!box) return;
    Sleep(150);
    if (view) *view = ViewBox(box);
    HWND asker = GetWindow(box, GW_OWNER);
    PostKey(box, key);
    WaitGone(box);
    if (asker) AwaitKeys(asker);
}

// After the scripted steps any further box of the library is answered and
// counted, so that a box too many fails the test instead of hanging it.
void GuardFurtherBoxes(ModalScript& script) { script.Expect(kBox, "", [](HWND box) { PostKey(box, VK_RETURN); }); }

ModalScript::Action Answer(WORD key, BoxView* view) {
    return [key, view](HWND box) {
        if (view) *view = ViewBox(box);
        PostKey(box, key);
    };
}

// What the robot saw of the box.
struct Seen {
    std::string caption;
    std::string prompt;
    std::vector<std::vector<std::string>> cells;  // columns 0-7 of each row
    std::vector<int> widths;
    int gridWidth = 0;  // client width of the grid
    int WidthSum() const {
        int sum = 0;
        for (int w : widths) sum += w;
        return sum;
    }
};

void Look(HWND box, Seen* seen) {
    if (!seen) return;
    HWND grid = Grid(box);
    seen->caption = GetText(box);
    seen->prompt = GetText(FindChild(box, "Static", ""));
    for (int r = 0; r < Rows(grid); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < 8; ++c) row.push_back(Cell(grid, r, c));
        seen->cells.push_back(row);
    }
    for (int c = 0; c < 8; ++c) seen->widths.push_back(int(SendMessageA(grid, LVM_GETCOLUMNWIDTH, c, 0)));
    RECT r{};
    GetClientRect(grid, &r);
    seen->gridWidth = r.right;
}

// The address-book selection with every line chosen, then the add box
// looked at and confirmed as it opens.
void ChooseEveryBookLine(ModalScript& script, Seen* seen, const std::string& shot = "") {
    script.Expect("TfrmSelBox", "", [](HWND) {
        Keys({'A'}, true);
        Keys({VK_RETURN});
    });
    script.Expect(kAddrBox, "Set address options for AutoList or cancel", [seen, shot](HWND box) {
        Look(box, seen);
        if (!shot.empty()) SaveScreenshot(box, ShotPath(shot));
        Keys({VK_RETURN});
    });
}

class AddressBox : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        mailbox_ = new ScratchDir("addrmailbox");
        std::string mailbox = mailbox_->Path();
        mailbox.pop_back();
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_CURRENT_USER, orv::host::kRegMailbox, "", mailbox));
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_LOCAL_MACHINE, "Software\\Tamberlow\\Fennick",
                                                            "InstallDir1", ProgramDir()));
        engine_ = new StandInEngine(SourcePath(ORV_KEY_DATA));
        SetDllDirectoryA(engine_->Dir().c_str());
        mailclient::UserSetup user;
        user.mailboxDir = mailbox_->Path();
        user.programDir = ProgramDir();
        host_ = new mailclient::Host(user);
        host_->Create(true);
        extension_ = host_->LoadExtension(ProgramDir() + "Merrowin.dll");
        module_ = GetModuleHandleA((ProgramDir() + "Merrowin.dll").c_str());
    }
    static void TearDownTestSuite() {
        delete host_;
        host_ = nullptr;
        module_ = nullptr;
        SetDllDirectoryA(nullptr);
        delete engine_;
        engine_ = nullptr;
        registry_.clear();
        delete mailbox_;
        mailbox_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(module_, nullptr) << "Merrowin.dll did not load";
        engine_->ResetRings();
        ReplaceWholeFile(mailbox_->Path() + "Merrowin.cfg",
                         "[FilePaths]\r\nPubRing=" + engine_->PublicRing() + "\r\nSecRing=" + engine_->SecretRing() +
                             "\r\n[DefaultUser]\r\nName=alice\\0xE8750B357ACE6A48\r\n[Pellatch]\r\nAuto=1\r\n");
        setAddrOptions = BindExport<merrowin::kSetAddrOptions>(module_);
        addAddrOptions = BindExport<merrowin::kAddAddrOptions>(module_);
        getPGPAddr = BindExport<merrowin::kGetPGPAddr>(module_);
        getABKAddr = BindExport<merrowin::kGetABKAddr>(module_);
        keySelect = BindExport<merrowin::kKeySelect>(module_);
        auto plugInit = BindExport<merrowin::kPlugInit>(module_);
        ASSERT_TRUE(setAddrOptions && addAddrOptions && getPGPAddr && getABKAddr && keySelect && plugInit);
        plugInit(host_->Frame(), 0, nullptr, mailbox_->Path().c_str());
        // The automation plug-in calls the address exports inside its utility form.
        form = host_->OpenForm(*extension_, "UTILS", "Orvane");
        ASSERT_NE(form, nullptr);
    }
    void TearDown() override {
        if (form && IsWindow(form)) DestroyWindow(GetParent(form) ? GetParent(form) : form);
        PumpFor(50);
    }
    // Another program adds the namesakes' keys to the user's public ring.
    static void AddNamesakes() {
        std::string ring, more;
        ASSERT_TRUE(ReadWholeFile(engine_->PublicRing(), ring));
        ASSERT_TRUE(ReadWholeFile(SourcePath(ORV_KEY_DATA) + "namesakes.pkr", more));
        ASSERT_TRUE(ReplaceWholeFile(engine_->PublicRing(), ring + more));
    }
    // Runs the scripted robot beside an export call; true when every step was answered.
    static bool Answered(ModalScript& script, std::size_t steps) {
        script.Finish(3000);
        const bool ok = script.Seen().size() == steps;
        if (!ok) ADD_FAILURE() << script.Seen().size() << " of " << steps << " windows answered: " << script.Failure();
        return ok;
    }

    static inline ScratchDir* mailbox_ = nullptr;
    static inline StandInEngine* engine_ = nullptr;
    static inline mailclient::Host* host_ = nullptr;
    static inline mailclient::Extension* extension_ = nullptr;
    static inline HMODULE module_ = nullptr;
    static inline std::vector<std::unique_ptr<RegistryValue>> registry_;
    HWND form = nullptr;
    merrowin::SetAddrOptionsFn setAddrOptions = nullptr;
    merrowin::AddAddrOptionsFn addAddrOptions = nullptr;
    merrowin::GetPGPAddrFn getPGPAddr = nullptr;
    merrowin::GetABKAddrFn getABKAddr = nullptr;
    merrowin::KeySelectFn keySelect = nullptr;
};

const std::string kList =
    "# Orvane AutoList #\r\n"
    "\r\n"
    "alice@example.org\\3x" + kAlice + "\r\n"
    "# bob's key, signed only\n"
    "Bob <bob@example.org>\\2x" + kBob + "\r\n"
    "carol@example.org\\0x" + kCarol + "\r\n"
    "gone@example.org\\1x0123456789ABCDEF\r\n"
    "no entry here\r\n";

// ---- Key choice ------------------------------------------------------------------------------

TEST_F(AddressBox, KeySelectShowsTheCandidatesKeysAndReturnsTheChosenPosition) {
    const std::string candidates = "bob@example.org\\1x" + kBob + "\r\nbob@example.org\\3x" + kCarol +
                                   "\r\nbob@example.org\\1x0123456789ABCDEF";
    Seen seen;
    std::vector<std::string> buttons;
    ModalScript script;
    script.Expect(kAddrBox, "Select key for", [&](HWND box) {
        Look(box, &seen);
        buttons = VisibleButtons(box);
        SaveScreenshot(box, ShotPath("address_key_choice.png"));
        Keys({VK_DOWN, VK_DOWN, VK_RETURN});
    });
    script.Start();
    EXPECT_EQ(keySelect("bob@example.org", candidates.c_str()), 2);
    ASSERT_TRUE(Answered(script, 1));
    EXPECT_EQ(seen.prompt, "Recipient: bob@example.org");
    ASSERT_EQ(seen.cells.size(), 3u);
    EXPECT_EQ(seen.cells[0][7], "bob <bob@example.org>");
    EXPECT_EQ(seen.cells[0][5], "RSA");
    EXPECT_EQ(seen.cells[0][6], "0x" + kBob);
    EXPECT_EQ(seen.cells[0][1], kMark);
    EXPECT_EQ(seen.cells[1][7], "carol <carol@example.org>");
    EXPECT_EQ(seen.cells[1][5], "DH/DSS");
    EXPECT_EQ(seen.cells[1][2], kMark);
    EXPECT_EQ(seen.cells[2][5], "missing");
    EXPECT_EQ(seen.cells[2][7], "bob@example.org") << "a missing key keeps its address";
    // Columns 0 and 4 hidden, the user ID takes the rest; no find or delete button.
    EXPECT_EQ(seen.widths[0], 0);
    EXPECT_EQ(seen.widths[4], 0);
    EXPECT_EQ(seen.WidthSum(), seen.gridWidth);
    EXPECT_EQ(buttons.size(), 3u);

    // Cancel gives -1; a double click on a row takes it at once.
    ModalScript cancel;
    cancel.Expect(kAddrBox, "Select key for", [](HWND) { Keys({VK_ESCAPE}); });
    cancel.Start();
    EXPECT_EQ(keySelect("bob@example.org", candidates.c_str()), -1);
    ASSERT_TRUE(Answered(cancel, 1));
    ModalScript twice;
    twice.Expect(kAddrBox, "Select key for", [](HWND box) { ClickCell(Grid(box), 1, 7, true); });
    twice.Start();
    EXPECT_EQ(keySelect("bob@example.org", candidates.c_str()), 1);
    ASSERT_TRUE(Answered(twice, 1));
}

TEST_F(AddressBox, KeySelectReturnsTheCandidatesPositionAfterSorting) {
    const std::string candidates = "x@example.org\\1x" + kCarol + "\r\nx@example.org\\1x" + kAlice +
                                   "\r\nx@example.org\\1x" + kBob;
    std::string first;
    ModalScript script;
    script.Expect(kAddrBox, "Select key for", [&](HWND box) {
        HWND grid = Grid(box);
        // A click on the user-ID header sorts: alice, bob, carol.
        const RECT head = CellRect(grid, 0, 7);
        HWND header = reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0));
        RECT h{};
        GetWindowRect(header, &h);
        SetCursorPos(head.left + 20, (h.top + h.bottom) / 2);
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, in, sizeof(INPUT));
        Sleep(300);
        first = Cell(grid, 0, 7);
        Keys({VK_HOME, VK_RETURN});
    });
    script.Start();
    EXPECT_EQ(keySelect("x@example.org", candidates.c_str()), 1) << "alice's key is the second candidate";
    ASSERT_TRUE(Answered(script, 1));
    EXPECT_EQ(first, "alice <alice@example.org>");
}

// ---- Set options ----------------------------------------------------------------------------

TEST_F(AddressBox, SetAddrOptionsWithNothingMarkedGivesTheListBackByteForByte) {
    GuardedBuffer buffer(addrroom::SetAddrOptions(kList));
    Seen seen;
    ModalScript script;
    script.Expect(kAddrBox, "Set address options", [&](HWND box) {
        Look(box, &seen);
        Keys({VK_RETURN});
    });
    script.Start();
    EXPECT_EQ(setAddrOptions(kList.c_str(), buffer.data()) & 0xFF, 1);
    ASSERT_TRUE(Answered(script, 1));
    EXPECT_EQ(buffer.Text(), kList);
    EXPECT_TRUE(buffer.GuardIntact());
    EXPECT_EQ(seen.prompt, "Doubleclick or press [Space]:");
    ASSERT_EQ(seen.cells.size(), 4u) << "comments and the line without a key are no rows";
    EXPECT_EQ(std::vector<int>(seen.widths.begin(), seen.widths.begin() + 6), (std::vector<int>{0, 18, 18, 18, 18, 53}));
    EXPECT_GT(seen.widths[6], 78) << "the key ID column fits a full key ID";
    EXPECT_GE(seen.widths[7], 120) << "the address takes the rest";
    EXPECT_EQ(seen.cells[0][7], "alice@example.org");
    EXPECT_EQ(seen.cells[3][5], "missing");

    // Cancel hands nothing over.
    GuardedBuffer untouched(addrroom::SetAddrOptions(kList));
    ModalScript cancel;
    cancel.Expect(kAddrBox, "Set address options", [](HWND) { Keys({VK_ESCAPE}); });
    cancel.Start();
    EXPECT_EQ(setAddrOptions(kList.c_str(), untouched.data()) & 0xFF, 0);
    ASSERT_TRUE(Answered(cancel, 1));
    EXPECT_TRUE(untouched.Untouched());
}

TEST_F(AddressBox, MarksSetWithSpaceAndTheMouseGiveTheFlagDigits) {
    GuardedBuffer buffer(addrroom::SetAddrOptions(kList));
    std::string afterSpace, lockedBob, carolMarks;
    ModalScript script;
    script.Expect(kAddrBox, "Set address options", [&](HWND box) {
        HWND grid = Grid(box);
        // Space on alice's encrypt cell: off (3 -> 2), and the next row is current.
        Keys({VK_SPACE});
        afterSpace = Marks(grid, 0) + std::to_string(FocusedRow(grid));
        // Bob disabled with the mouse; his encrypt cell is then locked.
        ClickCell(grid, 1, 4);
        ClickCell(grid, 1, 1);
        lockedBob = Marks(grid, 1);
        // Carol: encrypt and ask, by click and by double click.
        ClickCell(grid, 2, 1);
        ClickCell(grid, 2, 3, true);
        carolMarks = Marks(grid, 2);
        SaveScreenshot(box, ShotPath("address_set_options.png"));
        Keys({VK_RETURN});
    });
    script.Start();
    EXPECT_EQ(setAddrOptions(kList.c_str(), buffer.data()) & 0xFF, 1);
    ASSERT_TRUE(Answered(script, 1));
    EXPECT_EQ(afterSpace, "..x..1");
    EXPECT_EQ(lockedBob, "..x.x") << "disable locks encrypt";
    EXPECT_EQ(carolMarks, ".x.x.");
    EXPECT_EQ(buffer.Text(), "# Orvane AutoList #\r\n"
                             "\r\n"
                             "alice@example.org\\2x" + kAlice + "\r\n"
                             "# bob's key, signed only\n"
                             "Bob <bob@example.org>\\Ax" + kBob + "\r\n"
                             "carol@example.org\\5x" + kCarol + "\r\n"
                             "gone@example.org\\1x0123456789ABCDEF\r\n"
                             "no entry here\r\n");
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST_F(AddressBox, DeleteAsksAndTakesTheRowAndItsLineOnly) {
    GuardedBuffer buffer(addrroom::SetAddrOptions(kList));
    BoxView question;
    int rowsAfter = -1;
    ModalScript script;
    script.Expect(kAddrBox, "Set address options", [&](HWND box) {
        Keys({VK_DOWN, VK_DOWN, VK_DELETE});
        Reply("Confirm:", 'Y', &question);
        // The box's thread takes the row out after the question has gone.
        PumpUntil([&] { return Rows(Grid(box)) == 3; }, 3000);
        rowsAfter = Rows(Grid(box));
        Keys({VK_RETURN});
    });
    script.Start();
    EXPECT_EQ(setAddrOptions(kList.c_str(), buffer.data()) & 0xFF, 1);
    ASSERT_TRUE(Answered(script, 1));
    EXPECT_EQ(question.text, "Delete \"carol@example.org\"?");
    EXPECT_EQ(rowsAfter, 3);
    EXPECT_EQ(buffer.Text(), "# Orvane AutoList #\r\n\r\nalice@example.org\\3x" + kAlice +
                                 "\r\n# bob's key, signed only\nBob <bob@example.org>\\2x" + kBob +
                                 "\r\ngone@example.org\\1x0123456789ABCDEF\r\nno entry here\r\n");
}

TEST_F(AddressBox, DeletingTheOnlyRowLeavesAnEmptyRowAndTheListWithoutEntries) {
    const std::string one = "# Orvane AutoList #\r\nalice@example.org\\3x" + kAlice + "\r\n";
    GuardedBuffer buffer(addrroom::SetAddrOptions(one));
    int rowsAfter = -1;
    std::string addressAfter = "<unread>";
    ModalScript script;
    script.Expect(kAddrBox, "Set address options", [&](HWND box) {
        Keys({VK_DELETE});
        Reply("Confirm:", 'Y', nullptr);
        PumpUntil([&] { return Cell(Grid(box), 0, 7).empty(); }, 3000);
        rowsAfter = Rows(Grid(box));
        addressAfter = Cell(Grid(box), 0, 7);
        Keys({VK_RETURN});
    });
    script.Start();
    EXPECT_EQ(setAddrOptions(one.c_str(), buffer.data()) & 0xFF, 1);
    ASSERT_TRUE(Answered(script, 1));
    EXPECT_EQ(rowsAfter, 1);
    EXPECT_EQ(addressAfter, "");
    EXPECT_EQ(buffer.Text(), "# Orvane AutoList #\r\n");
}

TEST_F(AddressBox, TextsWithoutEntriesOpenNoBoxAndLeaveTheBufferAlone) {
    // Comments, lines without a key field, a lone CR and bytes above 127.
    const std::string texts[] = {"", "# only a comment\r\n", "x@y\\nokey\r\n\r\rab\xff\xfe\\\\",
                                 std::string(5000, '\\')};
    for (const std::string& text : texts) {
        GuardedBuffer buffer(addrroom::SetAddrOptions(text) + 64);
        EXPECT_EQ(setAddrOptions(text.c_str(), buffer.data()) & 0xFF, 0);
        EXPECT_EQ(addAddrOptions(text.c_str(), buffer.data(), 3, 0) & 0xFF, 0);
        EXPECT_EQ(keySelect("x", text.c_str()), -1);
        EXPECT_TRUE(buffer.Untouched());
    }
    EXPECT_TRUE(ListTopWindows(kAddrBox, "").empty());
    // No text at all, or no buffer, is refused at once.
    EXPECT_EQ(setAddrOptions(nullptr, nullptr) & 0xFF, 0);
    EXPECT_EQ(addAddrOptions("a@b", nullptr, 3, 1) & 0xFF, 0);
    EXPECT_EQ(keySelect(nullptr, nullptr), -1);
}

TEST_F(AddressBox, FindAndTypedSearchSelectTheMatchingRow) {
    GuardedBuffer buffer(addrroom::SetAddrOptions(kList));
    int afterFind = -1, afterTyped = -1;
    BoxView restart, notFound;
    bool findShown = false;
    ModalScript script;
    script.Expect(kAddrBox, "Set address options", [&](HWND box) {
        HWND grid = Grid(box);
        Keys({'F'}, true);
        if (HWND find = FindTopWindow("TfrmPGPFind", "", 5000)) {
            findShown = true;
            Sleep(150);
            SetText(FindChild(find, "Edit", ""), "CAROL");
            Keys({VK_RETURN});
            WaitGone(find);
        }
        afterFind = FocusedRowOnceAt(grid, 2);
        // Typed letters are searched a second after the first one; nothing
        // after carol's row holds "bo", so the search may start again at the top.
        Keys({'B', 'O'});
        Reply("Confirm:", 'Y', &restart);
        afterTyped = FocusedRowOnceAt(grid, 1);
        // From the last row nothing more is found.
        Keys({VK_END, VK_F3});
        Reply("Info:", VK_RETURN, &notFound);
        Keys({VK_ESCAPE});
        // The search is what is tested here: a box that missed the key still goes.
        if (!WaitGone(box)) PostMessageA(box, WM_CLOSE, 0, 0);
    });
    script.Start();
    EXPECT_EQ(setAddrOptions(kList.c_str(), buffer.data()) & 0xFF, 0);
    ASSERT_TRUE(Answered(script, 1));
    EXPECT_TRUE(findShown);
    EXPECT_EQ(afterFind, 2);
    EXPECT_EQ(restart.text, "Text not found, restart on first line?");
    EXPECT_EQ(afterTyped, 1);
    EXPECT_EQ(notFound.text, "Text not found");
    EXPECT_TRUE(buffer.Untouched());
}

TEST_F(AddressBox, HeaderHintsAndKeyDetailsShowWhatTheColumnsAndKeysAre) {
    GuardedBuffer buffer(addrroom::SetAddrOptions(kList));
    std::string hintText;
    bool hintBelowHeader = false, hintGone = false;
    BoxView details;
    ModalScript script;
    script.Expect(kAddrBox, "Set address options", [&](HWND box) {
        HWND grid = Grid(box);
        HWND header = reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0));
        RECT head{};
        GetWindowRect(header, &head);
        const RECT encrypt = CellRect(grid, 0, 1);
        auto moveTo = [](int x, int y) {
            SetCursorPos(x, y);
            INPUT in{};
            in.type = INPUT_MOUSE;
            in.mi.dwFlags = MOUSEEVENTF_MOVE;
            SendInput(1, &in, sizeof in);
            Sleep(250);
        };
        moveTo((encrypt.left + encrypt.right) / 2, (head.top + head.bottom) / 2);
        if (HWND hint = FindTopWindow("TfrmHotHint", "", 2000)) {
            hintText = GetText(hint);
            RECT r{};
            GetWindowRect(hint, &r);
            hintBelowHeader = r.top >= head.bottom;
            SaveScreenshot(nullptr, ShotPath("address_header_hint.png"));
            const RECT address = CellRect(grid, 0, 7);
            moveTo((address.left + address.right) / 2, (head.top + head.bottom) / 2);
            hintGone = !IsWindowVisible(hint);
        }
        // Ctrl+I on bob's row: his key's details.
        Keys({VK_DOWN});
        Keys({'I'}, true);
        Reply("Info:", VK_RETURN, &details);
        Keys({VK_ESCAPE});
    });
    script.Start();
    EXPECT_EQ(setAddrOptions(kList.c_str(), buffer.data()) & 0xFF, 0);
    ASSERT_TRUE(Answered(script, 1));
    EXPECT_EQ(hintText, "Encrypt messages to the following recipient");
    EXPECT_TRUE(hintBelowHeader);
    EXPECT_TRUE(hintGone);
    EXPECT_NE(details.text.find("bob <bob@example.org>\r\n0x" + kBob + "\r\nRSA"), std::string::npos) << details.text;
}

// ---- Adding --------------------------------------------------------------------------

TEST_F(AddressBox, RecipientsOfAnEditorAreAddedOneBoxPerAddressAndReadBack) {
    HWND editor = host_->NewEditor();
    ASSERT_NE(editor, nullptr);
    mailclient::SetEditorField(editor, host::kFieldTo,
                               reinterpret_cast<LPARAM>("Bob <bob@example.org>, carol@example.org"));
    const mailclient::EditorContent content = mailclient::ReadEditor(editor);
    ASSERT_EQ(content.to, "Bob <bob@example.org>, carol@example.org");
    const std::string recipients = "bob@example.org\r\ncarol@example.org";
    GuardedBuffer buffer(addrroom::AddAddrOptions(recipients));
    Seen bobBox, carolBox;
    ModalScript script;
    script.Expect(kAddrBox, "Set address options for \"BOB@EXAMPLE.ORG\"", [&](HWND box) {
        HWND grid = Grid(box);
        ClickCell(grid, 0, 0);  // add
        ClickCell(grid, 0, 3);  // ask
        Look(box, &bobBox);
        SaveScreenshot(nullptr, ShotPath("address_add_from_editor.png"));
        Keys({VK_RETURN});
    });
    script.Expect(kAddrBox, "Set address options for \"CAROL@EXAMPLE.ORG\"", [&](HWND box) {
        Look(box, &carolBox);
        Keys({VK_RETURN});  // nothing chosen: carol is dropped
    });
    script.Start();
    EXPECT_EQ(addAddrOptions(recipients.c_str(), buffer.data(), 3, 1) & 0xFF, 1);
    ASSERT_TRUE(Answered(script, 2));
    const std::string bobEntry = "bob@example.org\\7x" + kBob;
    EXPECT_EQ(buffer.Text(), bobEntry);
    EXPECT_TRUE(buffer.GuardIntact());
    ASSERT_EQ(bobBox.cells.size(), 1u);
    EXPECT_EQ(bobBox.widths[0], 18) << "the add column is shown";
    EXPECT_EQ(bobBox.cells[0][0], kMark);
    ASSERT_EQ(carolBox.cells.size(), 1u);
    EXPECT_EQ(carolBox.cells[0][5], "DH/DSS");

    // Written to the recipient list and read back: the box shows the marks.
    const std::string list = mailbox_->Path() + "AutoList.txt";
    ASSERT_TRUE(ReplaceWholeFile(list, "# Orvane AutoList #\r\n" + bobEntry + "\r\n"));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(list, text));
    Seen reread;
    GuardedBuffer again(addrroom::SetAddrOptions(text));
    ModalScript check;
    check.Expect(kAddrBox, "Set address options", [&](HWND box) {
        Look(box, &reread);
        Keys({VK_RETURN});
    });
    check.Start();
    EXPECT_EQ(setAddrOptions(text.c_str(), again.data()) & 0xFF, 1);
    ASSERT_TRUE(Answered(check, 1));
    ASSERT_EQ(reread.cells.size(), 1u);
    std::string marks;
    for (int c = 0; c <= 4; ++c) marks += reread.cells[0][std::size_t(c)] == kMark ? "x" : ".";
    EXPECT_EQ(marks, ".xxx.");
    EXPECT_EQ(again.Text(), text);
    DestroyWindow(editor);
}

TEST_F(AddressBox, EntriesToAddComeBackOnlyWhenMarkedAndCtrlAMarksAll) {
    const std::string entries = "alice@example.org\\1x" + kAlice + "\r\nbob@example.org\\1x" + kBob;
    GuardedBuffer none(addrroom::AddAddrOptions(entries));
    ModalScript script;
    script.Expect(kAddrBox, "Set address options for AutoList or cancel", [](HWND) { Keys({VK_RETURN}); });
    script.Start();
    EXPECT_EQ(addAddrOptions(entries.c_str(), none.data(), 0, 0) & 0xFF, 0) << "nothing marked is no success";
    ASSERT_TRUE(Answered(script, 1));
    EXPECT_TRUE(none.Untouched());

    GuardedBuffer all(addrroom::AddAddrOptions(entries));
    ModalScript marked;
    marked.Expect(kAddrBox, "Set address options for AutoList or cancel", [](HWND) {
        Keys({'A'}, true);
        Keys({VK_RETURN});
    });
    marked.Start();
    EXPECT_EQ(addAddrOptions(entries.c_str(), all.data(), 0, 0) & 0xFF, 1);
    ASSERT_TRUE(Answered(marked, 1));
    EXPECT_EQ(all.Text(), entries);
}

TEST_F(AddressBox, KeyRingAddressesNotOnTheListAreOffered) {
    // alice is on the list already; bob and carol are offered.
    GuardedBuffer buffer(addrroom::GetPGPAddr());
    Seen seen;
    ModalScript script;
    script.Expect(kAddrBox, "Set address options for AutoList or cancel", [&](HWND box) {
        Look(box, &seen);
        ClickCell(Grid(box), 1, 0);
        Keys({VK_RETURN});
    });
    script.Start();
    EXPECT_EQ(getPGPAddr("alice@example.org", ("3x" + kAlice).c_str(), buffer.data(), 3) & 0xFF, 1);
    ASSERT_TRUE(Answered(script, 1));
    ASSERT_EQ(seen.cells.size(), 2u);
    EXPECT_EQ(seen.cells[0][7], "bob <bob@example.org>");
    EXPECT_EQ(seen.cells[1][7], "carol <carol@example.org>");
    EXPECT_EQ(buffer.Text(), "carol <carol@example.org>\\3x" + kCarol);

    // Every key listed: no box, the information instead.
    BoxView info;
    ModalScript nothing;
    nothing.Expect(kBox, "Info:", Answer(VK_RETURN, &info));
    nothing.Start();
    const std::string addresses = "alice@example.org\r\nbob@example.org\r\ncarol@example.org";
    const std::string keys = "1x" + kAlice + "\r\n1x" + kBob + "\r\n1x" + kCarol;
    GuardedBuffer empty(addrroom::GetPGPAddr());
    EXPECT_EQ(getPGPAddr(addresses.c_str(), keys.c_str(), empty.data(), 3) & 0xFF, 0);
    ASSERT_TRUE(Answered(nothing, 1));
    EXPECT_EQ(info.text, "No new addresses found");
    EXPECT_TRUE(empty.Untouched());
}

TEST_F(AddressBox, AddressBookLinesAreChosenThenTheirKeysAdded) {
    const std::string lines = "bob@example.org\xA0(Bobby)\tFriends\r\ncarol@example.org\tWork\r\n"
                              "nokey@example.org\tWork";
    GuardedBuffer buffer(addrroom::GetABKAddr());
    Seen seen;
    ModalScript script;
    ChooseEveryBookLine(script, &seen);
    script.Start();
    EXPECT_EQ(getABKAddr(lines.c_str(), buffer.data(), 3) & 0xFF, 1);
    ASSERT_TRUE(Answered(script, 2));
    ASSERT_EQ(seen.cells.size(), 2u) << "the address without a key has no row";
    EXPECT_EQ(buffer.Text(), "bob@example.org\xA0(Bobby)\\3x" + kBob + "\r\ncarol@example.org\\3x" + kCarol);
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST_F(AddressBox, AnAddressBookEntryGetsEveryKeyOfItsAddressAndNoneOfALongerOne) {
    // al has two keys; hal's address only contains al's.
    AddNamesakes();
    const std::string line = "al@example.org\tFriends";
    GuardedBuffer buffer(addrroom::GetABKAddr());
    Seen seen;
    ModalScript script;
    ChooseEveryBookLine(script, &seen, "address_book_two_keys.png");
    GuardFurtherBoxes(script);
    script.Start();
    EXPECT_EQ(getABKAddr(line.c_str(), buffer.data(), 3) & 0xFF, 1);
    ASSERT_TRUE(Answered(script, 2));
    std::map<std::string, std::string> holders;  // key ID -> column 7
    for (const auto& row : seen.cells) {
        EXPECT_EQ(row[0], kMark) << "the entry's own keys start marked";
        holders[row[6]] = row[7];
    }
    EXPECT_EQ(holders, (std::map<std::string, std::string>{{"0x" + kAl, "al <al@example.org>"},
                                                            {"0x" + kAlAtWork, "Al at work <AL@Example.org>"}}));
    const std::string text = buffer.Text();
    EXPECT_NE(text.find("al@example.org\\3x" + kAl), std::string::npos) << text;
    EXPECT_NE(text.find("al@example.org\\3x" + kAlAtWork), std::string::npos) << text;
    EXPECT_EQ(text.find(kHal), std::string::npos) << text;
    EXPECT_EQ(text.size(), 2 * (line.find('\t') + 19) + 2) << text;
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST_F(AddressBox, ARecipientIsOfferedOnlyItsOwnKeysByTheirUserIDs) {
    AddNamesakes();
    GuardedBuffer buffer(addrroom::AddAddrOptions("AL@example.org"));
    Seen seen;
    ModalScript script;
    script.Expect(kAddrBox, "Set address options for \"AL@EXAMPLE.ORG\"", [&](HWND box) {
        Look(box, &seen);
        ClickCell(Grid(box), 0, 0);
        Keys({VK_RETURN});
    });
    GuardFurtherBoxes(script);
    script.Start();
    EXPECT_EQ(addAddrOptions("AL@example.org", buffer.data(), 1, 1) & 0xFF, 1);
    ASSERT_TRUE(Answered(script, 1));
    std::set<std::string> shown;
    for (const auto& row : seen.cells) shown.insert(row[7]);
    EXPECT_EQ(shown, (std::set<std::string>{"al <al@example.org>", "Al at work <AL@Example.org>"}));
    ASSERT_FALSE(seen.cells.empty());
    EXPECT_EQ(buffer.Text(), "AL@example.org\\1x" + seen.cells[0][6].substr(2));
    EXPECT_TRUE(buffer.GuardIntact());
}

TEST_F(AddressBox, AResultLongerThanTheRoomIsRefusedVisiblyAndNothingIsWritten) {
    // Entries to add of more than the 64 KiB room, all marked: the result is as long.
    std::string big;
    for (int i = 0; big.size() <= addrroom::kListRoom + 4096; ++i)
        big += "user" + std::to_string(i) + "@example.org\\1x" + kBob + "\r\n";
    GuardedBuffer buffer(addrroom::AddAddrOptions(big));
    BoxView error;
    ModalScript script;
    script.Expect(kAddrBox, "Set address options for AutoList or cancel", [](HWND) {
        Keys({'A'}, true);
        Keys({VK_RETURN});
    });
    script.Expect(kBox, "Error:", Answer(VK_RETURN, &error));
    script.Start();
    EXPECT_EQ(addAddrOptions(big.c_str(), buffer.data(), 0, 0) & 0xFF, 0);
    ASSERT_TRUE(Answered(script, 2));
    EXPECT_EQ(error.text, "Out of memory!");
    EXPECT_TRUE(buffer.Untouched());
}

}  // namespace
