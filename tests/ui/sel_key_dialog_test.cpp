// The key selection dialog: what the recipient text selects (table-driven,
// without a window), and the dialog itself driven as a user drives it: the
// tree of groups, keys and user IDs, the pre-selection, the buttons' states,
// the four answers, Ctrl with OK, the space bar, double clicks, the key
// pop-up and the colours of group members and keys with additional
// decryption keys.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ui/sel_key_dialog.h"
#include "tests/support/ui_robot.h"

namespace {

using namespace orv;
using namespace orv::test;

constexpr std::uint32_t kMask =
    kPropShortKeyID | kPropUserName | kPropAlgorithm | kPropKeyValidity | kPropADKState | kPropUserIDs;

struct KeyRow {
    const char* id;
    const char* name;
    int algorithm;
    int validity;
    int adk;
    std::vector<std::string> uids;
};

// alice (RSA, valid), bob (RSA, two user IDs), carol (DSA/ElGamal, with an
// additional decryption key), zed (RSA, unknown validity).
const std::vector<KeyRow> kKeys = {
    {"0xE8750B357ACE6A48", "Alice Example <alice@example.org>", 1, 3, 0, {"Alice Example <alice@example.org>"}},
    {"0xD91F7A27B2A16278", "Bob Builder <bob@example.org>", 1, 3, 0,
     {"Bob Builder <bob@example.org>", "Robert B. <rb@work.example>"}},
    {"0x6533671D0C89AF89", "Carol Singer <carol@example.org>", 18, 2, 1, {"Carol Singer <carol@example.org>"}},
    {"0x0123456789ABCDEF", "Zed <z@x.example>", 1, 0, 0, {"Zed <z@x.example>"}},
};

const char* const kFriends = "Friends\r\nbob@example.org\r\ncarol@example.org";

std::unique_ptr<TKeyPropsList> MakeList(bool withGroups = true) {
    auto list = std::make_unique<TKeyPropsList>(0, kMask);
    for (const auto& k : kKeys) {
        const int i = list->Add(k.id);
        TKeyProps& p = list->Objects(i);
        p.ShortKeyID = std::string("0x") + (k.id + 10);
        p.UserName = k.name;
        p.Algorithm = k.algorithm;
        p.KeyValidity = k.validity;
        p.ADKState = k.adk;
        p.UserIDs->assign(k.uids.begin(), k.uids.end());
    }
    if (withGroups) {
        list->Groups.push_back(kFriends);
        list->Groups.push_back("Lonely");  // one line: no members, not shown
    }
    return list;
}

// ---- Without a window ------------------------------------------------------

TEST(SelKeyText, SearchFormIsUpperCaseWithSeparatorsAsBlanks) {
    EXPECT_EQ(SearchForm("john.smith-x/y_z@Ex"), "JOHN SMITH X Y Z@EX");
}

TEST(SelKeyText, OnlyGroupsOfMoreThanOneLineAreShown) {
    auto list = MakeList();
    EXPECT_EQ(ShownGroups(*list), std::vector<int>{0});
    EXPECT_EQ(GroupItemText(kFriends, "Group"), "Friends (Group)");
}

TEST(SelKeyText, NameSearchTable) {
    auto list = MakeList();
    const struct {
        const char* recipient;
        int key, uid;
    } rows[] = {
        {"bob@example.org", 1, 0},           // the part before "@"
        {"robert.b@elsewhere", 1, 1},        // "." as a blank: "ROBERT B" in the second user ID
        {"carol.unknown@x", 2, 0},           // the last word dropped: "CAROL"
        {"zorro", 3, 0},                     // no blank left: its first character, at a user ID's start
        {"xavier", -1, -1},                  // "X" starts no user ID
        {"@example.org", 0, 0},              // "@" first: the whole text
        {"c", 2, 0},                         // one character: a user ID that starts with it
        {"", -1, -1},
        {"   ", -1, -1},                     // blanks alone select nothing
        {"Bob Somebody Else@x", 1, 0},       // words dropped until "BOB" matches
    };
    for (const auto& r : rows) {
        const SelKeyPick pick = NameSearch(*list, r.recipient);
        EXPECT_EQ(pick.key, r.key) << r.recipient;
        EXPECT_EQ(pick.userID, r.uid) << r.recipient;
    }
}

TEST(SelKeyText, PreSelectionTable) {
    auto list = MakeList();
    const struct {
        const char* recipient;
        int group, key, uid;
    } rows[] = {
        {"0xB2A16278", -1, 1, -1},                     // short key ID
        {"0xb2a16278", -1, 1, -1},                     // of either case
        {"robert b. <RB@work.example>", -1, 1, -1},    // a whole user ID, ignoring case
        {"friend", 0, -1, -1},                         // inside the group's item text
        {"0x12345678", -1, -1, -1},                    // a key ID that matches nothing: no name search
        {"carol.singer@x", -1, 2, 0},                  // name search
        {"", -1, -1, -1},
    };
    for (const auto& r : rows) {
        const SelKeyPick pick = PreSelect(*list, r.recipient, "Group");
        EXPECT_EQ(pick.group, r.group) << r.recipient;
        EXPECT_EQ(pick.key, r.key) << r.recipient;
        EXPECT_EQ(pick.userID, r.uid) << r.recipient;
    }
    // A key that matches wins over a group that matches.
    list->Groups.push_back("Alice Example <alice@example.org> and friends\r\nalice@example.org");
    const SelKeyPick both = PreSelect(*list, "alice example <alice@example.org>", "Group");
    EXPECT_EQ(both.group, -1);
    EXPECT_EQ(both.key, 0);
}

// ---- The dialog --------------------------------------------------------------

struct Node {
    HTREEITEM item = nullptr;
    std::string text;
    int image = -1;
    int state = 0;
    bool expanded = false;
    std::vector<Node> children;
};

Node ReadItem(HWND tree, HTREEITEM item) {
    Node n;
    n.item = item;
    char buf[512] = {};
    TVITEMA tv{};
    tv.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_STATE;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = sizeof buf;
    tv.stateMask = TVIS_STATEIMAGEMASK | TVIS_EXPANDED;
    TreeView_GetItem(tree, &tv);
    n.text = buf;
    n.image = tv.iImage;
    n.state = static_cast<int>((tv.state & TVIS_STATEIMAGEMASK) >> 12);
    n.expanded = (tv.state & TVIS_EXPANDED) != 0;
    for (HTREEITEM c = TreeView_GetChild(tree, item); c; c = TreeView_GetNextSibling(tree, c))
        n.children.push_back(ReadItem(tree, c));
    return n;
}

std::vector<Node> ReadTree(HWND tree) {
    std::vector<Node> top;
    for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextSibling(tree, i)) top.push_back(ReadItem(tree, i));
    return top;
}

std::string SelectedText(HWND tree) {
    HTREEITEM sel = TreeView_GetSelection(tree);
    return sel ? ReadItem(tree, sel).text : std::string("<none>");
}

// The dialog of this process (other programs on the display may show one).
HWND FindOurDialog(int timeoutMs = 10000) {
    const DWORD end = GetTickCount() + timeoutMs;
    do {
        for (HWND w : ListTopWindows(kSelKeyDialogClass, kSelKeyDialogCaption)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId()) return w;
        }
        Sleep(30);
    } while (GetTickCount() < end);
    return nullptr;
}

HWND FindOurMenu(int timeoutMs = 5000) {
    const DWORD end = GetTickCount() + timeoutMs;
    do {
        for (HWND w : ListTopWindows("#32768", "")) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId()) return w;
        }
        Sleep(30);
    } while (GetTickCount() < end);
    return nullptr;
}

bool Enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != 0; }

struct Outcome {
    int result = -99;
    std::string recipient;
    bool groupChosen = false;
    bool found = false;
};

// Runs the dialog on this thread while the robot acts on it from another.
Outcome RunDialog(TSelKeyDialog& dialog, TKeyPropsList& list, const std::string& recipient,
                  const std::function<void(HWND dlg, HWND tree)>& act) {
    Outcome out;
    out.recipient = recipient;
    std::atomic<bool> found{false};
    std::thread robot([&] {
        HWND dlg = FindOurDialog();
        if (!dlg) return;
        found = true;
        act(dlg, GetDlgItem(dlg, kSelKeyTree));
        // A step that did not end the dialog must not leave the test hanging.
        if (!WaitGone(dlg, 5000)) PostMessageA(dlg, WM_CLOSE, 0, 0);
    });
    out.result = dialog.Execute(out.recipient, &list, out.groupChosen);
    robot.join();
    out.found = found;
    return out;
}

class SelKeyDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        list = MakeList();
        dialog = std::make_unique<TSelKeyDialog>(nullptr);
        dialog->Request.Prompt = "Select public key for \"bob@example.org\":";
        dialog->Request.GroupCaption = "Group";
        dialog->Request.OKCaption = "&OK";
        dialog->Request.CancelCaption = "&Cancel";
        dialog->Request.ServerCaption = "Key from &server";
        dialog->Request.AutoListCaption = "Use and add to &AutoList";
    }
    std::unique_ptr<TKeyPropsList> list;
    std::unique_ptr<TSelKeyDialog> dialog;
};

TEST_F(SelKeyDialogTest, ShowsGroupsKeysAndUserIDsAndEndsAsCancelled) {
    std::vector<Node> tree;
    std::string prompt, ok, cancel, server, addList, caption;
    bool okInitially = false, listInitially = true;
    std::string initial;
    RECT treeRect{}, okRect{};
    const Outcome r = RunDialog(*dialog, *list, "nobody-at-all", [&](HWND dlg, HWND tv) {
        caption = GetText(dlg);
        prompt = GetText(GetDlgItem(dlg, kSelKeyPrompt));
        ok = GetText(GetDlgItem(dlg, kSelKeyOK));
        cancel = GetText(GetDlgItem(dlg, kSelKeyCancel));
        server = GetText(GetDlgItem(dlg, kSelKeyServer));
        addList = GetText(GetDlgItem(dlg, kSelKeyList));
        okInitially = Enabled(dlg, kSelKeyOK);
        listInitially = Enabled(dlg, kSelKeyList);
        initial = SelectedText(tv);
        tree = ReadTree(tv);
        GetWindowRect(tv, &treeRect);
        GetWindowRect(GetDlgItem(dlg, kSelKeyOK), &okRect);
        SaveScreenshot(dlg, ShotPath("sel_key_dialog.png"));
        ClickId(dlg, kSelKeyCancel);
    });
    ASSERT_TRUE(r.found) << "no dialog appeared";
    EXPECT_EQ(r.result, kSelKeyCancelled);
    EXPECT_EQ(r.recipient, "");
    EXPECT_FALSE(r.groupChosen);
    EXPECT_EQ(caption, "PGP");
    EXPECT_EQ(prompt, "Select public key for \"bob@example.org\":");
    EXPECT_EQ(ok, "&OK");
    EXPECT_EQ(cancel, "&Cancel");
    EXPECT_EQ(server, "Key from &server");
    EXPECT_EQ(addList, "Use and add to &AutoList");
    // "nobody-at-all" finds "N", which starts no user ID: nothing is
    // pre-selected, and the focused tree puts its caret on its first item,
    // the group, whose state the buttons follow.
    EXPECT_EQ(initial, "Friends (Group)");
    EXPECT_TRUE(okInitially);
    EXPECT_FALSE(listInitially);
    EXPECT_LT(treeRect.bottom, okRect.top) << "the tree lies above the buttons";

    ASSERT_EQ(tree.size(), 1u + kKeys.size());
    EXPECT_EQ(tree[0].text, "Friends (Group)");
    EXPECT_EQ(tree[0].image, kImageGroup);
    ASSERT_EQ(tree[0].children.size(), 2u);
    EXPECT_EQ(tree[0].children[0].text, "bob@example.org");
    EXPECT_EQ(tree[0].children[1].text, "carol@example.org");
    for (std::size_t k = 0; k < kKeys.size(); ++k) {
        const Node& n = tree[k + 1];
        EXPECT_EQ(n.text, kKeys[k].name);
        const bool dh = kKeys[k].algorithm >= 16;
        EXPECT_EQ(n.image, dh ? kImageKeyDH : kImageKeyRSA) << n.text;
        ASSERT_EQ(n.children.size(), kKeys[k].uids.size()) << n.text;
        for (std::size_t u = 0; u < n.children.size(); ++u) {
            EXPECT_EQ(n.children[u].text, kKeys[k].uids[u]);
            EXPECT_EQ(n.children[u].image, dh ? kImageUserIDDH : kImageUserID);
            EXPECT_EQ(n.children[u].state, kKeys[k].validity == 3 ? 2 : 1) << n.children[u].text;
        }
    }
}

TEST_F(SelKeyDialogTest, NameSearchSelectsTheUserIDAndOKGivesTheKeyID) {
    std::string selected;
    bool ok = false, addList = false, server = false;
    HWND focus = nullptr, treeWnd = nullptr;
    const Outcome r = RunDialog(*dialog, *list, "robert.b@elsewhere", [&](HWND dlg, HWND tv) {
        treeWnd = tv;
        selected = SelectedText(tv);
        ok = Enabled(dlg, kSelKeyOK);
        addList = Enabled(dlg, kSelKeyList);
        server = Enabled(dlg, kSelKeyServer);
        GUITHREADINFO gui{sizeof gui};
        GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &gui);
        focus = gui.hwndFocus;
        ClickId(dlg, kSelKeyOK);
    });
    ASSERT_TRUE(r.found);
    EXPECT_EQ(selected, "Robert B. <rb@work.example>");
    EXPECT_TRUE(ok);
    EXPECT_TRUE(addList);
    EXPECT_TRUE(server);
    EXPECT_EQ(focus, treeWnd) << "the tree has the focus";
    EXPECT_EQ(r.result, kSelKeyChosen);
    EXPECT_EQ(r.recipient, "0xD91F7A27B2A16278") << "a user ID counts as its key";
    EXPECT_FALSE(r.groupChosen);
}

TEST_F(SelKeyDialogTest, EmptyRecipientLeavesServerDisabledUntilAKeyIsPicked) {
    bool serverEmpty = true, listBefore = true, okAfter = false, listAfter = false;
    std::string selected, before;
    const Outcome r = RunDialog(*dialog, *list, "", [&](HWND dlg, HWND tv) {
        serverEmpty = Enabled(dlg, kSelKeyServer);
        before = SelectedText(tv);
        listBefore = Enabled(dlg, kSelKeyList);
        auto tree = ReadTree(tv);
        TreeView_SelectItem(tv, tree[3].item);  // carol's key
        okAfter = Enabled(dlg, kSelKeyOK);
        listAfter = Enabled(dlg, kSelKeyList);
        selected = SelectedText(tv);
        ClickId(dlg, kSelKeyOK);
    });
    ASSERT_TRUE(r.found);
    EXPECT_FALSE(serverEmpty);
    EXPECT_EQ(before, "Friends (Group)") << "nothing pre-selected: the caret is on the first item";
    EXPECT_FALSE(listBefore);
    EXPECT_TRUE(okAfter);
    EXPECT_TRUE(listAfter);
    EXPECT_EQ(selected, "Carol Singer <carol@example.org>");
    EXPECT_EQ(r.result, kSelKeyChosen);
    EXPECT_EQ(r.recipient, "0x6533671D0C89AF89");
}

TEST_F(SelKeyDialogTest, GroupAllowsOKButNotTheListAndItsMembersNeither) {
    bool okGroup = false, listGroup = true, okMember = true, listMember = true;
    std::string selected;
    const Outcome r = RunDialog(*dialog, *list, "friends", [&](HWND dlg, HWND tv) {
        selected = SelectedText(tv);
        okGroup = Enabled(dlg, kSelKeyOK);
        listGroup = Enabled(dlg, kSelKeyList);
        auto tree = ReadTree(tv);
        TreeView_SelectItem(tv, tree[0].children[1].item);
        okMember = Enabled(dlg, kSelKeyOK);
        listMember = Enabled(dlg, kSelKeyList);
        TreeView_SelectItem(tv, tree[0].item);
        ClickId(dlg, kSelKeyOK);
    });
    ASSERT_TRUE(r.found);
    EXPECT_EQ(selected, "Friends (Group)");
    EXPECT_TRUE(okGroup);
    EXPECT_FALSE(listGroup);
    EXPECT_FALSE(okMember);
    EXPECT_FALSE(listMember);
    EXPECT_EQ(r.result, kSelKeyChosen);
    EXPECT_EQ(r.recipient, kFriends) << "a group answers with its entry";
    EXPECT_TRUE(r.groupChosen);
}

TEST_F(SelKeyDialogTest, ServerButtonLeavesTheRecipientAndConfirmsNoGroup) {
    const Outcome r = RunDialog(*dialog, *list, "friends", [&](HWND dlg, HWND) { ClickId(dlg, kSelKeyServer); });
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.result, kSelKeyFromServer);
    EXPECT_EQ(r.recipient, "friends");
    EXPECT_FALSE(r.groupChosen) << "a group selected while asking a server is not chosen";
}

TEST_F(SelKeyDialogTest, ListButtonGivesTheKeyFollowedByTheRecipient) {
    const Outcome r = RunDialog(*dialog, *list, "0xB2A16278", [&](HWND dlg, HWND) { ClickId(dlg, kSelKeyList); });
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.result, kSelKeyAddToList);
    EXPECT_EQ(r.recipient, "0xD91F7A27B2A16278"
                           "0xB2A16278");
}

TEST_F(SelKeyDialogTest, CtrlEnterOnAKeyEndsWithTheList) {
    const Outcome r = RunDialog(*dialog, *list, "alice@example.org", [&](HWND dlg, HWND tv) {
        SetForegroundWindow(dlg);
        SetFocus(tv);
        Sleep(200);
        SendKeyInput(VK_RETURN, true);
    });
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.result, kSelKeyAddToList);
    EXPECT_EQ(r.recipient, "0xE8750B357ACE6A48alice@example.org");
}

TEST_F(SelKeyDialogTest, CtrlWithOKOnAGroupIsPlainOK) {
    const Outcome r = RunDialog(*dialog, *list, "friends", [&](HWND dlg, HWND tv) {
        SetForegroundWindow(dlg);
        Sleep(200);
        SendKeyInput(VK_RETURN, true);
    });
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.result, kSelKeyChosen) << "the list button is disabled for a group";
    EXPECT_TRUE(r.groupChosen);
}

TEST_F(SelKeyDialogTest, CloseBoxIsCancel) {
    const Outcome r = RunDialog(*dialog, *list, "bob@example.org",
                                [&](HWND dlg, HWND) { PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); });
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.result, kSelKeyCancelled);
    EXPECT_EQ(r.recipient, "");
}

TEST_F(SelKeyDialogTest, SpaceBarExpandsAndCollapsesTheSelectedItem) {
    bool before = true, afterOne = false, afterTwo = true;
    RunDialog(*dialog, *list, "0x7ACE6A48", [&](HWND dlg, HWND tv) {
        HTREEITEM sel = TreeView_GetSelection(tv);
        before = ReadItem(tv, sel).expanded;
        PostKey(tv, VK_SPACE);
        Sleep(300);
        afterOne = ReadItem(tv, sel).expanded;
        PostKey(tv, VK_SPACE);
        Sleep(300);
        afterTwo = ReadItem(tv, sel).expanded;
        ClickId(dlg, kSelKeyCancel);
    });
    EXPECT_FALSE(before);
    EXPECT_TRUE(afterOne);
    EXPECT_FALSE(afterTwo);
}

// Real mouse input at an item's label.
POINT LabelPoint(HWND tree, HTREEITEM item) {
    RECT r{};
    TreeView_GetItemRect(tree, item, &r, TRUE);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(tree, &p);
    return p;
}

void MouseAt(POINT p, DWORD down, DWORD up, int times) {
    SetCursorPos(p.x, p.y);
    Sleep(100);
    for (int i = 0; i < times; ++i) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = down;
        in[1].mi.dwFlags = up;
        SendInput(2, in, sizeof(INPUT));
        Sleep(30);
    }
}

TEST_F(SelKeyDialogTest, DoubleClickOnALabelSelectsAndActsAsOK) {
    const Outcome r = RunDialog(*dialog, *list, "", [&](HWND dlg, HWND tv) {
        SetForegroundWindow(dlg);
        auto tree = ReadTree(tv);
        MouseAt(LabelPoint(tv, tree[4].item), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2);  // zed
    });
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.result, kSelKeyChosen);
    EXPECT_EQ(r.recipient, "0x0123456789ABCDEF");
}

TEST_F(SelKeyDialogTest, RightClickOnAKeySelectsItAndShowsItsShortKeyID) {
    bool menuShown = false;
    std::string selected;
    const Outcome r = RunDialog(*dialog, *list, "", [&](HWND dlg, HWND tv) {
        SetForegroundWindow(dlg);
        auto tree = ReadTree(tv);
        MouseAt(LabelPoint(tv, tree[2].item), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 1);  // bob
        HWND menu = FindOurMenu();
        menuShown = menu != nullptr;
        SendKeyInput(VK_ESCAPE);
        if (menu && !WaitGone(menu, 2000)) PostMessageA(dlg, WM_CANCELMODE, 0, 0);
        Sleep(200);
        selected = SelectedText(tv);
        ClickId(dlg, kSelKeyCancel);
    });
    ASSERT_TRUE(r.found);
    EXPECT_TRUE(menuShown) << "no pop-up menu at the key";
    EXPECT_EQ(dialog->PopupText(), "0xB2A16278");
    EXPECT_EQ(selected, "Bob Builder <bob@example.org>");
}

TEST_F(SelKeyDialogTest, RightClickOnAGroupShowsNoMenu) {
    bool menuShown = true;
    RunDialog(*dialog, *list, "", [&](HWND dlg, HWND tv) {
        SetForegroundWindow(dlg);
        auto tree = ReadTree(tv);
        MouseAt(LabelPoint(tv, tree[0].item), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 1);
        menuShown = FindOurMenu(1000) != nullptr;
        if (menuShown) SendKeyInput(VK_ESCAPE);
        ClickId(dlg, kSelKeyCancel);
    });
    EXPECT_FALSE(menuShown);
    EXPECT_EQ(dialog->PopupText(), "");
}

// Whether any pixel of the item's label is drawn in the colour.
bool LabelHasColour(HWND tree, HTREEITEM item, COLORREF colour) {
    RECT r{};
    TreeView_GetItemRect(tree, item, &r, TRUE);
    HDC dc = GetDC(tree);
    bool found = false;
    for (int y = r.top; y < r.bottom && !found; ++y)
        for (int x = r.left; x < r.right && !found; ++x) found = GetPixel(dc, x, y) == colour;
    ReleaseDC(tree, dc);
    return found;
}

TEST_F(SelKeyDialogTest, GroupMembersAreGreyAndKeysWithADKsRed) {
    COLORREF member = 0, adk = 0, plain = 0, group = 0;
    bool redDrawn = false, redElsewhere = true;
    const COLORREF normal = RGB(1, 2, 3);
    RunDialog(*dialog, *list, "", [&](HWND dlg, HWND tv) {
        auto tree = ReadTree(tv);
        TreeView_Expand(tv, tree[0].item, TVE_EXPAND);
        member = dialog->ItemTextColor(tree[0].children[0].item, normal);
        group = dialog->ItemTextColor(tree[0].item, normal);
        adk = dialog->ItemTextColor(tree[3].item, normal);
        plain = dialog->ItemTextColor(tree[2].item, normal);
        RedrawWindow(tv, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Sleep(300);
        redDrawn = LabelHasColour(tv, tree[3].item, RGB(255, 0, 0));
        redElsewhere = LabelHasColour(tv, tree[2].item, RGB(255, 0, 0));
        ClickId(dlg, kSelKeyCancel);
    });
    EXPECT_EQ(member, GetSysColor(COLOR_GRAYTEXT));
    EXPECT_EQ(group, normal);
    EXPECT_EQ(adk, RGB(255, 0, 0));
    EXPECT_EQ(plain, normal);
    EXPECT_TRUE(redDrawn) << "carol's key is not drawn in red";
    EXPECT_FALSE(redElsewhere);
}

TEST_F(SelKeyDialogTest, WithoutKeysNothingCanBeChosen) {
    TKeyPropsList empty(0, kMask);
    bool ok = true;
    std::size_t items = 99;
    const Outcome r = RunDialog(*dialog, empty, "someone", [&](HWND dlg, HWND tv) {
        ok = Enabled(dlg, kSelKeyOK);
        items = ReadTree(tv).size();
        ClickId(dlg, kSelKeyOK);  // disabled: no answer
        Sleep(200);
        ClickId(dlg, kSelKeyCancel);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(items, 0u);
    EXPECT_EQ(r.result, kSelKeyCancelled);
}

}  // namespace
