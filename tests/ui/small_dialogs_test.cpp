// The find dialog, the about box and the extended file dialogs, driven by the robot.
#include "tests/support/ui_robot.h"
#include "tests/ui/box_view.h"
#include "tests/ui/product_texts.h"
#include "ui/file_dialog_ex.h"
#include "ui/info_box.h"
#include "ui/look.h"
#include "ui/pgp_find.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

using namespace orv;
using namespace orv::test;
using namespace orv::ui;

namespace {

class SmallDialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(LoadProductTexts()); }
    void SetUp() override {
        LooseSession& s = DefaultSession();
        s.owner = nullptr;
        s.insideHost = false;
        s.hostForm = nullptr;
        s.fetchKeyFromServer = nullptr;
    }
};

SIZE WindowSize(HWND wnd) {
    RECT r;
    GetWindowRect(wnd, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

HWND EditOf(HWND dialog) { return FindChild(dialog, "Edit", ""); }

// Alt plus a letter as real keyboard input, to the foreground window.
void SendAltLetter(char letter) {
    INPUT in[4] = {};
    for (INPUT& i : in) i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = VK_MENU;
    in[1].ki.wVk = WORD(letter);
    in[2].ki.wVk = WORD(letter);
    in[2].ki.dwFlags = KEYEVENTF_KEYUP;
    in[3].ki.wVk = VK_MENU;
    in[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, in, sizeof(INPUT));
}

}  // namespace

// ---- find dialog ----

TEST_F(SmallDialogsTest, FindDialogReturnsTheTypedTextOnEnter) {
    SIZE size{};
    bool optionsShown = true;
    std::string proposed;
    Form* recorded = nullptr;
    ModalScript script;
    script.Expect("TfrmPGPFind", "Search for:", [&](HWND dlg) {
        size = WindowSize(dlg);
        optionsShown = ReallyVisible(FindChild(dlg, "TCustCheckBox", "Case sensitive"));
        proposed = GetText(EditOf(dlg));
        recorded = CurrentSession().frmPGPFind;
        SetText(EditOf(dlg), "passphrase");
        PostKey(EditOf(dlg), VK_RETURN);
    });
    script.Start();
    FindAnswer answer = ShowFindDialog("proposed text", kFindCaseSensitive, false);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(size.cx, 412);
    EXPECT_EQ(size.cy, 85);
    EXPECT_FALSE(optionsShown);
    EXPECT_EQ(proposed, "proposed text");
    EXPECT_NE(recorded, nullptr);
    EXPECT_EQ(CurrentSession().frmPGPFind, nullptr);
    EXPECT_EQ(answer.text, "passphrase");
    EXPECT_EQ(answer.options, kFindCaseSensitive);  // not shown: handed back unchanged
}

TEST_F(SmallDialogsTest, FindDialogCancelGivesTheEmptyText) {
    ModalScript script;
    script.Expect("TfrmPGPFind", "Search for:", [](HWND dlg) { PostKey(EditOf(dlg), VK_ESCAPE); });
    script.Expect("TfrmPGPFind", "Search for:", [](HWND dlg) {
        // The cancel glyph button is the right one of the two.
        HWND right = nullptr;
        LONG rightmost = -100000;
        for (HWND child : Children(dlg)) {
            RECT r;
            GetWindowRect(child, &r);
            if (ClassOf(child) == "Button" && ReallyVisible(child) && r.left > rightmost) {
                rightmost = r.left;
                right = child;
            }
        }
        PostMessageA(right, BM_CLICK, 0, 0);
    });
    script.Start();
    FindAnswer escaped = ShowFindDialog("text", 0, true);
    FindAnswer clicked = ShowFindDialog("text", 0, true);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(escaped.text, "");
    EXPECT_EQ(clicked.text, "");
}

TEST_F(SmallDialogsTest, FindDialogOptionsFollowTheirAccelerators) {
    bool caseBefore = false, wordBefore = true;
    SIZE size{};
    ModalScript script;
    script.Expect("TfrmPGPFind", "Search for:", [&](HWND dlg) {
        size = WindowSize(dlg);
        HWND caseBox = FindChild(dlg, "TCustCheckBox", "Case sensitive");
        HWND wordBox = FindChild(dlg, "TCustCheckBox", "Whole words");
        caseBefore = SendMessageA(caseBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
        wordBefore = SendMessageA(wordBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SaveScreenshot(dlg, ShotPath("find_dialog.png"));
        PostMessageA(EditOf(dlg), WM_SYSCHAR, 'c', 0x20000001);  // Alt+C
        PostMessageA(EditOf(dlg), WM_SYSCHAR, 'w', 0x20000001);  // Alt+W
        Sleep(200);
        PostKey(EditOf(dlg), VK_RETURN);
    });
    script.Start();
    FindAnswer answer = ShowFindDialog("key", kFindCaseSensitive | 0x80, true);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(size.cx, 412);
    EXPECT_GT(size.cy, 85);  // room for the options
    EXPECT_TRUE(caseBefore);
    EXPECT_FALSE(wordBefore);
    EXPECT_EQ(answer.text, "key");
    EXPECT_EQ(answer.options, kFindWholeWords | 0x80);  // other bits kept
}

TEST_F(SmallDialogsTest, FindDialogSendsTypingBackToTheEdit) {
    HWND focusAfter = nullptr, edit = nullptr;
    long limit = 0;
    ModalScript script;
    script.Expect("TfrmPGPFind", "Search for:", [&](HWND dlg) {
        edit = EditOf(dlg);
        limit = long(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
        HWND box = FindChild(dlg, "TCustCheckBox", "Whole words");
        PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));  // focus to the check box
        PostMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        Sleep(200);
        PostMessageA(box, WM_KEYDOWN, 'X', 1);  // the window system makes the character
        Sleep(200);
        focusAfter = FocusOf(dlg);
        PostKey(edit, VK_RETURN);
    });
    script.Start();
    FindAnswer answer = ShowFindDialog("", 0, true);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(limit, 60);
    EXPECT_EQ(focusAfter, edit);
    EXPECT_EQ(answer.text, "x");
    EXPECT_EQ(answer.options, kFindWholeWords);
}

// ---- about box ----

TEST_F(SmallDialogsTest, AboutBoxShowsTheVersionResourceOfTheMainLibrary) {
    ProductInfo info = ReadProductInfo(ProgramDirectory() + "Merrowin.dll");
    ASSERT_FALSE(info.productVersion.empty());
    SIZE size{};
    std::vector<std::string> texts;
    std::string caption = "x";
    ModalScript script;
    script.Expect("TfrmInfoBox", "", [&](HWND box) {
        size = WindowSize(box);
        texts = StaticTexts(box);
        caption = GetText(box);
        SaveScreenshot(box, ShotPath("about_box.png"));
        PostKey(box, VK_RETURN);
    });
    script.Start();
    TfrmInfoBox about;
    ASSERT_TRUE(about.Create(ProgramDirectory() + "Merrowin.dll"));
    int result = about.Execute();
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(size.cx, 357);
    EXPECT_EQ(size.cy, 219);
    EXPECT_EQ(caption, "");
    auto has = [&](const std::string& t) { return std::find(texts.begin(), texts.end(), t) != texts.end(); };
    EXPECT_EQ(info.productName, "Orvane");
    EXPECT_TRUE(has("Version " + info.productVersion));
    EXPECT_TRUE(has(info.legalCopyright));
    EXPECT_TRUE(has("Orvane"));
    AuthorContact contact;
    EXPECT_TRUE(has(contact.homepage));
    EXPECT_TRUE(has(contact.email));
    EXPECT_EQ(about.MailSubject(), "kvsec%20Version%20" + info.productVersion);
}

TEST_F(SmallDialogsTest, AboutLinksReactOnlyOverTheirText) {
    TfrmInfoBox about;
    ASSERT_TRUE(about.Create(ProgramDirectory() + "Merrowin.dll"));
    std::atomic<int> fetches{0};
    std::string fetchedKey;
    HWND ownerDuringFetch = nullptr;
    COLORREF colourDuringFetch = 0;
    DefaultSession().fetchKeyFromServer = [&](const std::string& keyId) {
        ++fetches;
        fetchedKey = keyId;
        ownerDuringFetch = CurrentSession().Owner();
        colourDuringFetch = about.lblPGPKey.textColor;
    };
    bool hotAtEdge = true, hotOverText = false, hotAfterLeaving = true, openAfterMissedClick = false;
    bool openAfterKeyClick = false;
    ModalScript script;
    script.Expect("TfrmInfoBox", "", [&](HWND box) {
        HWND link = about.lblHomepage.Handle();
        RECT client;
        GetClientRect(link, &client);
        PostMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(1, 5));  // inside the label, beside the text
        Sleep(150);
        hotAtEdge = about.lblHomepage.hot;
        PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 5));
        Sleep(150);
        openAfterMissedClick = IsWindowVisible(box) != FALSE;
        PostMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(client.right / 2, 5));
        Sleep(150);
        hotOverText = about.lblHomepage.hot;
        PostMessageA(box, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        Sleep(150);
        hotAfterLeaving = about.lblHomepage.hot;

        HWND key = about.lblPGPKey.Handle();
        PostMessageA(key, WM_MOUSEMOVE, 0, MAKELPARAM(client.right / 2, 5));
        PostMessageA(key, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right / 2, 5));
        Sleep(300);
        openAfterKeyClick = IsWindowVisible(box) != FALSE;
        PostKey(box, VK_ESCAPE);
    });
    script.Start();
    about.Execute();
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_FALSE(hotAtEdge);
    EXPECT_TRUE(openAfterMissedClick);
    EXPECT_TRUE(hotOverText);
    EXPECT_FALSE(hotAfterLeaving);
    EXPECT_EQ(fetches.load(), 1);
    EXPECT_EQ(fetchedKey, AuthorContact().keyId);
    EXPECT_EQ(ownerDuringFetch, about.Handle());  // the box owns the key-server dialogs
    EXPECT_EQ(colourDuringFetch, kLinkClickedColor);
    EXPECT_EQ(about.lblPGPKey.textColor, kLinkColor);
    EXPECT_TRUE(openAfterKeyClick);
    EXPECT_EQ(CurrentSession().Owner(), nullptr);
}

namespace {

struct HostRecord {
    std::vector<std::pair<UINT, WPARAM>> calls;
    std::vector<std::string> values;
    std::vector<HWND> windows;  // the window each message went to
    HWND editor = nullptr;      // the new editor the host opened
};
HostRecord g_host;

LRESULT CALLBACK FakeHostProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == 3090) {
        g_host.calls.push_back({msg, wp});
        g_host.values.push_back("");
        g_host.windows.push_back(wnd);
        // A window of its own, as the client's new message editor is.
        g_host.editor = CreateWindowExA(0, "FakeHostForm", "editor", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
        return reinterpret_cast<LRESULT>(g_host.editor);
    }
    if (msg == 1152) {
        g_host.calls.push_back({msg, wp});
        g_host.values.push_back(lp && wp != 103 ? reinterpret_cast<const char*>(lp) : "");
        g_host.windows.push_back(wnd);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

TEST_F(SmallDialogsTest, AboutMailLinkInsideTheHostFillsANewMessage) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = FakeHostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FakeHostForm";
    RegisterClassA(&wc);
    HWND host = CreateWindowExA(0, "FakeHostForm", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
    LooseSession& session = DefaultSession();
    session.insideHost = true;
    session.hostForm = host;
    session.pgpVersionText = "PGP 7.X.X";
    session.windowsVersionText = "Win NT ff. (5.1)";
    g_host = {};

    TfrmInfoBox about;
    ASSERT_TRUE(about.Create(ProgramDirectory() + "Merrowin.dll"));
    ModalScript script;
    script.Expect("TfrmInfoBox", "", [&](HWND) {
        HWND mail = about.lblEmail.Handle();
        RECT client;
        GetClientRect(mail, &client);
        PostMessageA(mail, WM_MOUSEMOVE, 0, MAKELPARAM(client.right / 2, 5));
        PostMessageA(mail, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right / 2, 5));
    });
    script.Start();
    about.Execute();
    ASSERT_TRUE(script.Finish()) << script.Failure();
    MSG msg;  // the last field comes posted
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    std::string version = "Version " + ReadProductInfo(ProgramDirectory() + "Merrowin.dll").productVersion;
    std::vector<std::pair<UINT, WPARAM>> calls = {{3090, 255}, {1152, 0}, {1152, 1}, {1152, 3}, {1152, 103}};
    EXPECT_EQ(g_host.calls, calls);
    ASSERT_EQ(g_host.values.size(), 5u);
    EXPECT_EQ(g_host.values[1], AuthorContact().email);
    EXPECT_EQ(g_host.values[2], "kvsec " + version);
    EXPECT_EQ(g_host.values[3], "PGP 7.X.X\r\nWin NT ff. (5.1)\r\n\r\n");
    // The question goes to the host; the fields go to the editor it opened.
    ASSERT_NE(g_host.editor, nullptr);
    ASSERT_EQ(g_host.windows.size(), 5u);
    EXPECT_EQ(g_host.windows[0], host);
    for (std::size_t i = 1; i < g_host.windows.size(); ++i) EXPECT_EQ(g_host.windows[i], g_host.editor) << i;
    DestroyWindow(g_host.editor);
    DestroyWindow(host);
}

// ---- extended file dialogs ----

TEST(FileDialogFilter, LinesBecomeTheSystemFilterString) {
    std::string joined = TFileDialogEx::JoinFilter({"  Text (*.txt)|*.txt  ", "", "All (*.*)|*.*"});
    EXPECT_EQ(joined, std::string("Text (*.txt)\0*.txt\0All (*.*)\0*.*\0\0", 34));
    std::vector<std::string> session = SessionFileFilter();
    ASSERT_EQ(session.size(), 4u);
    EXPECT_EQ(session[1], "PGP (*.asc, *.pgp, *.sig, *.gpg)|*.asc;*.pgp;*.sig;*.gpg");
}

TEST_F(SmallDialogsTest, OpenDialogClipboardButtonAnswersOnAltC) {
    std::string buttonText;
    ModalScript script;
    script.Expect("#32770", "OPEN Input File:", [&](HWND dlg) {
        buttonText = GetText(FindChildById(dlg, kClipboardButtonId));
        SetForegroundWindow(dlg);
        Sleep(100);
        SendAltLetter('C');
    });
    script.Start();
    TOpenDialogEx open = SessionOpenDialog();
    open.SetClipboardCaption("Key(s) from &clipboard");
    bool ok = open.Execute();
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(buttonText, "Key(s) from &clipboard");
    EXPECT_TRUE(ok);
    EXPECT_EQ(open.fileName, ":CLIP:");
    EXPECT_TRUE(open.ClipboardChosen());
}

TEST_F(SmallDialogsTest, OpenDialogReturnsTheChosenFileAndRemembersItsFolder) {
    std::string dir = ProgramDirectory() + "file_dialog_case";
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string file = dir + "\\message.asc";
    FILE* f = fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("-----BEGIN PGP MESSAGE-----\r\n", f);
    fclose(f);

    bool hasClipboardButton = true, stuck = false;
    ModalScript script;
    script.Expect("#32770", "OPEN Input File:", [&](HWND dlg) {
        hasClipboardButton = FindChildById(dlg, kClipboardButtonId) != nullptr;
        HWND name = FindChildById(dlg, 0x47C);  // the file-name combo box
        HWND edit = name ? FindChild(name, "Edit", "") : nullptr;
        if (!edit) edit = FindChildById(dlg, 0x480);
        SetText(edit ? edit : name, file);
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dlg, IDOK)));
        Sleep(1500);
        if (IsWindow(dlg) && IsWindowVisible(dlg)) {
            stuck = true;
            PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        }
    });
    script.Expect("#32770", "OPEN Input File:", [](HWND dlg) { PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); });
    script.Start();
    TOpenDialogEx open;
    open.filter = SessionFileFilter();
    open.filterIndex = 2;
    open.title = "OPEN Input File:";
    bool ok = open.Execute();
    std::string chosen = open.fileName, remembered = open.initialDir;
    int index = open.filterIndex;
    bool cancelled = !open.Execute();
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_FALSE(hasClipboardButton);
    EXPECT_FALSE(stuck);
    EXPECT_TRUE(ok);
    EXPECT_EQ(_stricmp(chosen.c_str(), file.c_str()), 0) << chosen;
    EXPECT_EQ(_stricmp(remembered.c_str(), dir.c_str()), 0) << remembered;
    EXPECT_EQ(index, 2);
    EXPECT_TRUE(cancelled);
    DeleteFileA(file.c_str());
    RemoveDirectoryA(dir.c_str());
}

TEST_F(SmallDialogsTest, SaveDialogPutsTheNewTypesExtensionToTheName) {
    std::string nameAfter;
    bool stuck = false;
    ModalScript script;
    script.Expect("#32770", "SAVE Output as:", [&](HWND dlg) {
        HWND types = FindChildById(dlg, 0x470);  // the file-type combo box
        SendMessageA(types, CB_SETCURSEL, 1, 0);  // "PGP (...)"
        // What choosing an item with the mouse tells the dialog.
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE), LPARAM(types));
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELENDOK), LPARAM(types));
        Sleep(200);
        HWND name = FindChildById(dlg, 0x47C);
        HWND edit = name ? FindChild(name, "Edit", "") : nullptr;
        if (!edit) edit = FindChildById(dlg, 0x480);
        nameAfter = GetText(edit ? edit : name);
        SetForegroundWindow(dlg);
        Sleep(100);
        SendAltLetter('T');
        Sleep(1000);
        if (IsWindow(dlg) && IsWindowVisible(dlg)) {
            stuck = true;
            PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        }
    });
    script.Start();
    TSaveDialogEx save = SessionSaveDialog();
    save.fileName = "decrypted.txt";
    save.SetClipboardCaption("&To clipboard");
    bool ok = save.Execute();
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(nameAfter, "decrypted.asc");
    EXPECT_FALSE(stuck);
    EXPECT_TRUE(ok);
    EXPECT_EQ(save.fileName, ":CLIP:");
}
