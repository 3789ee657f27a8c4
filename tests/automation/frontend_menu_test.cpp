// The frontend menu, toolbar buttons, popups and hints of Pellatch.dll in
// the mail client stand-in, driven as a user would: each menu command and
// button reaches the main library's export (a main library that writes its
// calls into "main.log") or the client's own command, the hints on the
// status line are the string library's texts, and the popups offer what the
// reader's selection or the status bar names.
#include "tests/automation/pellatch_fixture.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include <richedit.h>

#include "interfaces/mail_client.h"
#include "standin/mailclient/frame_ids.h"
#include "standin/mailclient/mail_files.h"

using namespace pltest;
using namespace orv::test;
namespace host = orv::host;

namespace {

constexpr WORD kBarOffset = 0x1000;
constexpr UINT_PTR kSendTimer = 2;

std::atomic<int> g_sendTimers{0};
HWND g_watched = nullptr;

// Counts the automation window's send timer as it fires.
LRESULT CALLBACK TimerWatch(int code, WPARAM wp, LPARAM lp) {
    auto* msg = reinterpret_cast<MSG*>(lp);
    if (code >= 0 && wp == PM_REMOVE && msg->message == WM_TIMER && msg->hwnd == g_watched &&
        msg->wParam == kSendTimer)
        ++g_sendTimers;
    return CallNextHookEx(nullptr, code, wp, lp);
}

// The open menus of this process, each with its highlighted item.
std::vector<std::pair<HWND, int>> MenuState() {
    std::vector<std::pair<HWND, int>> state;
    for (HWND w : ListTopWindows("#32768", "")) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid != GetCurrentProcessId()) continue;
        DWORD_PTR menu = 0;  // the menu's thread may be gone from its loop: no endless wait
        SendMessageTimeoutA(w, MN_GETHMENU, 0, 0, SMTO_ABORTIFHUNG, 1000, &menu);
        int lit = -1;
        for (int i = 0; i < GetMenuItemCount(HMENU(menu)); ++i)
            if (GetMenuState(HMENU(menu), UINT(i), MF_BYPOSITION) & MF_HILITE) lit = i;
        state.emplace_back(w, lit);
    }
    return state;
}

HWND FindOurMenu() {
    std::vector<std::pair<HWND, int>> open;
    if (!PumpUntil([&] { return !(open = MenuState()).empty(); }, 5000)) return nullptr;
    UpdateWindow(open.front().first);  // painted before anything looks at it
    return open.front().first;
}

// Types a key into the open menu and waits until the menu took it.
void MenuKey(WORD vk) {
    const auto before = MenuState();
    SendKeyInput(vk);
    PumpUntil([&] { return MenuState() != before; }, 5000);
}

std::string ItemText(HMENU menu, UINT item, UINT by = MF_BYCOMMAND) {
    char text[256] = {};
    GetMenuStringA(menu, item, text, sizeof text, by);
    return text;
}

bool Grayed(HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; }
bool Checked(HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

// A window that plays the main library's recognised window: it keeps the
// commands it is sent.
struct MainWindowDouble {
    static inline std::vector<LPARAM> commands;
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == host::kFormMsgCommand) commands.push_back(lp);
        return DefWindowProcA(wnd, msg, wp, lp);
    }
    MainWindowDouble() {
        commands.clear();
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TfrmManagerDouble";
        RegisterClassA(&wc);
        wnd = CreateWindowExA(0, wc.lpszClassName, "Orvane Key Manager", WS_OVERLAPPED, 0, 0, 200, 100, nullptr,
                              nullptr, wc.hInstance, nullptr);
    }
    ~MainWindowDouble() { DestroyWindow(wnd); }
    HWND wnd = nullptr;
};

}  // namespace

class FrontendMenu : public PellatchHost {
protected:
    void Start(const std::string& config = "") {
        Prepare(MainLibrary::Logging);
        if (!config.empty()) {
            ASSERT_TRUE(mctest::WriteAll(mailbox + "Merrowin.cfg", config));
        }
        StartClient();
        ASSERT_NE(AutomationWindow(), nullptr);
        DeleteFileA(MainLog().c_str());
        g_sendTimers = 0;
        g_watched = AutomationWindow();
        watch_ = SetWindowsHookExA(WH_GETMESSAGE, TimerWatch, nullptr, GetCurrentThreadId());
    }
    void TearDown() override {
        if (watch_) UnhookWindowsHookEx(watch_);
        PellatchHost::TearDown();
    }
    std::string MainLog() const { return install + "main.log"; }
    bool Called(const std::string& line) const { return mctest::HasLine(mctest::Lines(MainLog()), line); }
    std::string Calls() const { return mctest::ReadAll(MainLog()); }
    // What a click on the frontend menu's item sends the frame; done when
    // what it posted is handled, or when the given step holds.
    void MenuCommand(WORD id, const std::function<bool()>& done = nullptr) {
        PostMessageA(host->Frame(), WM_COMMAND, id + kBarOffset, 0);
        done ? PumpUntil(done, 10000) : PumpQueued();
    }
    // What the main library posts when its window closes; its form goes.
    void MainLibraryWindowClosed() {
        SendMessageA(AutomationWindow(), orv::automation::AM_SESSIONCLOSED, 0, 0);
        PumpQueued();
    }
    HMENU Bar() const { return GetMenu(host->Frame()); }
    HMENU Frontend() const {
        for (int i = 0; i < GetMenuItemCount(Bar()); ++i)
            if (ItemText(Bar(), UINT(i), MF_BYPOSITION) == "&Orvane") return GetSubMenu(Bar(), i);
        return nullptr;
    }
    HWND Button(const std::string& tooltip) const { return FindChild(host->Toolbar(), "Button", tooltip); }
    std::vector<std::string> ButtonTexts() const {
        std::vector<std::string> out;
        for (HWND b : Children(host->Toolbar())) out.push_back(GetText(b));
        return out;
    }
    void Click(const std::string& tooltip, const std::function<bool()>& done = nullptr) {
        HWND b = Button(tooltip);
        ASSERT_NE(b, nullptr) << tooltip;
        PostMessageA(b, BM_CLICK, 0, 0);
        done ? PumpUntil(done, 10000) : PumpQueued();
    }
    bool StatusShown(const std::string& text) const {
        for (const auto& l : host->StatusLines())
            if (l.kind == host::kStatusSignature && l.text == text) return true;
        return false;
    }
    // Runs the robot on the popup menu that the step opens on this thread;
    // done when what the chosen item posted is handled, or the step holds.
    bool WithPopup(const std::function<void()>& open, const std::vector<WORD>& keys, const std::string& shot = "",
                   const std::function<bool()>& done = nullptr) {
        std::atomic<bool> shown{false}, finished{false};
        std::thread robot([&] {
            HWND menu = FindOurMenu();
            shown = menu != nullptr;
            if (!menu) return void(finished = true);
            if (!shot.empty()) SaveScreenshot(nullptr, ShotPath(shot));
            // Modifier keys that opened the popup are let go first.
            INPUT up[2] = {};
            for (int i = 0; i < 2; ++i) {
                up[i].type = INPUT_KEYBOARD;
                up[i].ki.wVk = i ? VK_SHIFT : VK_CONTROL;
                up[i].ki.dwFlags = KEYEVENTF_KEYUP;
            }
            SendInput(2, up, sizeof(INPUT));
            for (WORD k : keys) MenuKey(k);
            if (!WaitGone(menu, 2000)) PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            finished = true;
        });
        open();
        PumpUntil([&] { return finished.load(); }, 30000);
        done ? PumpUntil(done, 10000) : PumpQueued();
        robot.join();
        return shown;
    }
    HHOOK watch_ = nullptr;
};

TEST_F(FrontendMenu, TheMenuStandsBeforeTheWindowMenuAndTheButtonsOnTheToolbar) {
    Start();
    HMENU bar = Bar();
    ASSERT_EQ(GetMenuItemCount(bar), 6);
    EXPECT_EQ(ItemText(bar, 3, MF_BYPOSITION), "&Orvane");
    EXPECT_EQ(ItemText(bar, 4, MF_BYPOSITION), "&Window");
    HMENU menu = Frontend();
    ASSERT_NE(menu, nullptr);
    HMENU program = GetSubMenu(menu, 0);
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(ItemText(menu, 0, MF_BYPOSITION), "Orvane");
    EXPECT_EQ(ItemText(program, 0x3002), "&Key manager");
    EXPECT_EQ(ItemText(program, 0x3005), "&About Orvane");
    EXPECT_EQ(ItemText(menu, 0x300D), "Decrypt messa&ge");
    EXPECT_EQ(ItemText(menu, 0x300E), "Decrypt f&older");
    EXPECT_EQ(ItemText(menu, 0x300F), "Ve&rify signature");
    EXPECT_EQ(ItemText(menu, 0x3014), "Launch &PGPkeys");
    // Grayed until the main library tells of a cached passphrase, or until an
    // editor or reader is there.
    for (UINT id : {0x3006u, 0x3007u, 0x3008u, 0x3009u, 0x300Du, 0x300Fu, 0x3010u}) EXPECT_TRUE(Grayed(menu, id)) << id;
    for (UINT id : {0x300Eu, 0x3011u, 0x3012u, 0x3013u, 0x3014u}) EXPECT_FALSE(Grayed(menu, id)) << id;
    HMENU window = GetSubMenu(bar, 4);
    EXPECT_EQ(ItemText(window, 0x3001), "&Orvane");
    EXPECT_TRUE(Grayed(window, 0x3001));
    // Without a configuration file every button is there.
    EXPECT_EQ(ButtonTexts(), (std::vector<std::string>{"New message", "Folders", "Edit AutoList",
                                                       "Wipe passphrase cache", "Encrypt message", "Decrypt message",
                                                       "Verify signature", "Key management", "Launch PGPkeys"}));
    // Wide enough to show every button.
    SetWindowPos(host->Frame(), nullptr, 0, 0, 1200, 500, SWP_NOZORDER | SWP_NOMOVE);
    PumpQueued();
    SaveScreenshot(host->Frame(), ShotPath("frontend_toolbar.png"));

    // The cache state of the main library enables the wipe item.
    SendMessageA(AutomationWindow(), orv::automation::AM_CACHESTATE, 1, 0);
    EXPECT_FALSE(Grayed(menu, 0x3006));
    SendMessageA(AutomationWindow(), orv::automation::AM_CACHESTATE, 0, 0);
    EXPECT_TRUE(Grayed(menu, 0x3006));
    EXPECT_TRUE(StatusShown("Passphrase cache wiped") || !host->StatusLines().empty());
}

TEST_F(FrontendMenu, TheConfigurationChoosesTheButtons) {
    Start("[Toolbar]\r\nEncSign=0\r\nWipePass=1\r\nVerify=0\r\n");
    EXPECT_EQ(ButtonTexts(), (std::vector<std::string>{"New message", "Folders", "Edit AutoList",
                                                       "Wipe passphrase cache", "Decrypt message", "Key management",
                                                       "Launch PGPkeys"}));
}

// The dialog shows an EncSign outside 0-4 as the nearest end; the toolbar
// took such a value as all four bits and showed the encrypt-only button.
TEST_F(FrontendMenu, EncSignOutOfRangeGivesTheButtonTheDialogShows) {
    Start("[Toolbar]\r\nEncSign=7\r\n");
    EXPECT_EQ(ButtonTexts(), (std::vector<std::string>{"New message", "Folders", "Edit AutoList",
                                                       "Encrypt/Sign message (options menu)", "Decrypt message",
                                                       "Verify signature", "Key management", "Launch PGPkeys"}));
}

TEST_F(FrontendMenu, EncSignBelowRangeGivesNoEncryptSignButtonAsTheDialogShows) {
    Start("[Toolbar]\r\nEncSign=-3\r\n");
    EXPECT_EQ(ButtonTexts(), (std::vector<std::string>{"New message", "Folders", "Edit AutoList", "Decrypt message",
                                                       "Verify signature", "Key management", "Launch PGPkeys"}));
}

TEST_F(FrontendMenu, HighlightedItemsShowTheirHintsOnTheStatusLine) {
    Start();
    HWND reader = host->OpenReader("Note", "From: bob@example.org\r\n\r\nPlain text\r\n");
    ASSERT_NE(reader, nullptr);
    host->ClearStatusLines();
    std::string shot = ShotPath("frontend_menu_open.png");
    std::atomic<bool> shown{false}, finished{false};
    std::thread robot([&] {
        HWND menu = FindOurMenu();
        shown = menu != nullptr;
        if (!menu) return void(finished = true);
        // The program submenu, the AutoList submenu (automatic encryption
        // is on), the wipe item, then PGP/MIME.
        for (int i = 0; i < 3; ++i) MenuKey(VK_DOWN);
        SaveScreenshot(nullptr, shot);
        MenuKey(VK_ESCAPE);
        SendKeyInput(VK_ESCAPE);
        if (!WaitGone(menu, 2000)) PostMessageA(host->Frame(), WM_CANCELMODE, 0, 0);
        finished = true;
    });
    SetForegroundWindow(host->Frame());
    PostMessageA(host->Frame(), WM_SYSCOMMAND, SC_KEYMENU, 'o');
    PumpUntil([&] { return finished.load(); }, 30000);
    PumpQueued();
    robot.join();
    ASSERT_TRUE(shown) << "the Orvane menu did not open";
    // Both hints arrive whole, each the string library's text.
    EXPECT_TRUE(StatusShown("Wipe the cached passphrases"));
    EXPECT_TRUE(StatusShown("Use PGP/MIME for encrypted and signed messages"));
    // With a reader open, its items are enabled.
    EXPECT_FALSE(Grayed(Frontend(), 0x300D));
    EXPECT_FALSE(Grayed(Frontend(), 0x300F));
    EXPECT_TRUE(Grayed(Frontend(), 0x3007));
}

TEST_F(FrontendMenu, TheAutoListMenuHintsItsItemsOnTheStatusLine) {
    Start();
    orv::mailclient::AddressBook book{"Friends", {{"Alice", "alice@example.org"}}};
    ASSERT_TRUE(mctest::WriteAll(mailbox + "FRIENDS.PMR", orv::mailclient::AddressBookText(book)));
    host->ClearStatusLines();
    // Into the book submenu and out, then down every item after it.
    EXPECT_TRUE(WithPopup([&] { Click("Edit AutoList"); },
                          {VK_DOWN, VK_RIGHT, VK_LEFT, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_ESCAPE},
                          "autolist_menu_hints.png"));
    for (const char* hint : {"Add addresses to the AutoList from address book \"Friends\"",
                             "Add addresses from all address books to the AutoList",
                             "Add the last unlisted recipients to the AutoList",
                             "Add the addresses of the key ring to the AutoList", "Set the options of the AutoList addresses",
                             "Update the key IDs of the AutoList", "Edit the AutoList in the text editor"})
        EXPECT_TRUE(StatusShown(hint)) << hint;
}

TEST_F(FrontendMenu, TheWindowMenuListsTheClientsWindowsAndTheOrvaneEntry) {
    Start();
    HWND reader = host->OpenReader("Note from bob", "Plain text\r\n");
    HWND editor = host->NewEditor();
    ASSERT_NE(reader, nullptr);
    ASSERT_NE(editor, nullptr);
    PumpQueued();
    HMENU window = GetSubMenu(Bar(), 4);
    SendMessageA(host->Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(window), 4);
    ASSERT_GE(GetMenuItemCount(window), 11);
    EXPECT_EQ(ItemText(window, 7, MF_BYPOSITION), "&Orvane");
    EXPECT_TRUE(Grayed(window, 0x3001));
    std::vector<std::string> listed;
    for (int i = 9; i < GetMenuItemCount(window); ++i) listed.push_back(ItemText(window, UINT(i), MF_BYPOSITION));
    int readerIndex = -1, editorIndex = -1;
    for (size_t i = 0; i < listed.size(); ++i) {
        std::string number = "&" + std::to_string(i + 1) + " ";
        if (listed[i] == number + "Note from bob") readerIndex = int(i);
        if (listed[i] == number + GetText(editor)) editorIndex = int(i);
    }
    ASSERT_GE(readerIndex, 0) << ::testing::PrintToString(listed);
    ASSERT_GE(editorIndex, 0) << ::testing::PrintToString(listed);
    // The active window is checked; the reader's item brings it back.
    EXPECT_TRUE(Checked(window, 0x5000 + editorIndex));
    EXPECT_FALSE(Checked(window, 0x5000 + readerIndex));
    PostMessageA(host->Frame(), WM_COMMAND, 0x5000 + readerIndex, 0);
    PumpUntil([&] { return host->ActiveMdiChild() == reader; }, 5000);
    EXPECT_EQ(host->ActiveMdiChild(), reader);
}

TEST_F(FrontendMenu, EachMenuCommandReachesItsAction) {
    Start("[MenuOptions]\r\nPGPMime=0\r\n");
    MenuCommand(0x2002);
    EXPECT_TRUE(Called("FORMINIT MANAGER")) << Calls();
    EXPECT_TRUE(Called("ShowManager")) << Calls();
    MainLibraryWindowClosed();
    MenuCommand(0x2003);
    EXPECT_TRUE(Called("FORMINIT CONFIG")) << Calls();
    EXPECT_TRUE(Called("ShowConfig")) << Calls();
    MainLibraryWindowClosed();
    MenuCommand(0x2005);
    EXPECT_TRUE(Called("FORMINIT ABOUT")) << Calls();
    EXPECT_TRUE(Called("ShowAbout")) << Calls();
    MainLibraryWindowClosed();
    MenuCommand(0x2006);
    EXPECT_TRUE(Called("WipeCache")) << Calls();
    MenuCommand(0x2012);
    EXPECT_TRUE(Called("KeyExtract")) << Calls();
    MenuCommand(0x2013);
    EXPECT_TRUE(Called("ShowFingerPrint")) << Calls();
    MenuCommand(0x2014);
    EXPECT_TRUE(Called("ExecPGPkeys")) << Calls();
    // Deleting keys gives the stated room, whatever the ring holds.
    MenuCommand(0x2011);
    EXPECT_FALSE(Called("FindKeys []")) << Calls();
    EXPECT_TRUE(Called("KeyDelete")) << Calls();
    MenuCommand(0x200E);
    EXPECT_TRUE(Called("FORMINIT FOLDER")) << Calls();
    EXPECT_TRUE(Called("ShowViewer -")) << Calls();
    MainLibraryWindowClosed();

    // Decrypting the reader's message hands its encrypted text to the viewer.
    HWND reader = host->OpenReader("Encrypted", "-----BEGIN PGP MESSAGE-----\r\n\r\nhQEMA\r\n-----END PGP MESSAGE-----\r\n");
    ASSERT_NE(reader, nullptr);
    PumpQueued();
    MenuCommand(0x200D);
    EXPECT_TRUE(Called("FORMINIT VIEWER")) << Calls();
    EXPECT_TRUE(Called("ShowViewer -----BEGIN PGP MESSAGE-----")) << Calls();
    MainLibraryWindowClosed();
    // Verify and add keys are the client's own commands on the reader.
    log.clear();
    MenuCommand(0x200F);
    EXPECT_TRUE(Logged("nothing to verify")) << mctest::ReadAll(MainLog());
    MenuCommand(0x2010);
    EXPECT_TRUE(Logged("nothing to take keys from"));

    // The options: saved and checked.
    MenuCommand(0x200A);
    EXPECT_EQ(GetPrivateProfileIntA("MenuOptions", "PGPMime", -1, (mailbox + "Merrowin.cfg").c_str()), 1);
    EXPECT_TRUE(Checked(Frontend(), 0x300A));
    MenuCommand(0x200B);
    EXPECT_EQ(GetPrivateProfileIntA("MenuOptions", "PGPExt", -1, (mailbox + "Merrowin.cfg").c_str()), 1);
    EXPECT_TRUE(Checked(Frontend(), 0x300B));
    MenuCommand(0x200A);
    EXPECT_EQ(GetPrivateProfileIntA("MenuOptions", "PGPMime", -1, (mailbox + "Merrowin.cfg").c_str()), 0);
    EXPECT_FALSE(Checked(Frontend(), 0x300A));
    // Full automation asks whether to sign too.
    MenuCommand(0x200C);
    EXPECT_TRUE(Called("Confirm Sign the automatically encrypted messages too")) << Calls();
    EXPECT_EQ(GetPrivateProfileIntA("FullAuto", "Checked", -1, (mailbox + "Merrowin.cfg").c_str()), 1);
    EXPECT_EQ(GetPrivateProfileIntA("FullAuto", "Signed", -1, (mailbox + "Merrowin.cfg").c_str()), 1);
    EXPECT_TRUE(Checked(Frontend(), 0x300C));
    MenuCommand(0x200C);
    EXPECT_EQ(GetPrivateProfileIntA("FullAuto", "Checked", -1, (mailbox + "Merrowin.cfg").c_str()), 0);
    EXPECT_EQ(GetPrivateProfileIntA("FullAuto", "Signed", -1, (mailbox + "Merrowin.cfg").c_str()), 0);
    EXPECT_FALSE(Checked(Frontend(), 0x300C));
}

TEST_F(FrontendMenu, WithoutAConfigurationFileTheTogglesLastForTheRunOnly) {
    Start();
    MenuCommand(0x200B);
    EXPECT_TRUE(Checked(Frontend(), 0x300B));
    EXPECT_FALSE(mctest::Exists(mailbox + "Merrowin.cfg"));
}

TEST_F(FrontendMenu, TheSendCommandsStartTheSendOnlyOnAWritableEditor) {
    Start();
    // A reader is no editor: nothing starts.
    HWND reader = host->OpenReader("Note", "Plain text\r\n");
    ASSERT_NE(reader, nullptr);
    MenuCommand(0x2007);
    mctest::PumpFor(300);  // a send timer (100 ms) would have fired: it must not
    EXPECT_EQ(g_sendTimers.load(), 0);
    HWND editor = host->NewEditor();
    ASSERT_NE(editor, nullptr);
    PumpQueued();
    for (WORD id : {0x2007, 0x2008, 0x2009}) {
        int before = g_sendTimers.load();
        MenuCommand(id, [&] { return g_sendTimers > before; });
        EXPECT_EQ(g_sendTimers.load(), before + 1) << id;
    }
    // The encrypt-only button is the same command.
    int before = g_sendTimers.load();
    Click("Encrypt message", [&] { return g_sendTimers > before; });
    EXPECT_EQ(g_sendTimers.load(), before + 1);
}

TEST_F(FrontendMenu, ToolbarButtonsReachTheirActions) {
    Start("[Toolbar]\r\nEncSign=4\r\nWipePass=1\r\n[Pellatch]\r\nAuto=0\r\n");
    Click("Wipe passphrase cache");
    EXPECT_TRUE(Called("WipeCache")) << Calls();
    Click("Launch PGPkeys");
    EXPECT_TRUE(Called("ExecPGPkeys")) << Calls();
    log.clear();
    Click("Verify signature");
    EXPECT_TRUE(Logged("nothing to verify"));
    Click("Key management");
    EXPECT_TRUE(Logged("nothing to take keys from"));
    HWND reader = host->OpenReader("Encrypted", "-----BEGIN PGP MESSAGE-----\r\n\r\nhQEMA\r\n-----END PGP MESSAGE-----\r\n");
    ASSERT_NE(reader, nullptr);
    PumpQueued();
    Click("Decrypt message");
    EXPECT_TRUE(Called("ShowViewer -----BEGIN PGP MESSAGE-----")) << Calls();
    MainLibraryWindowClosed();
    SendMessageA(reader, WM_CLOSE, 0, 0);

    // Automatic encryption is off: the AutoList button offers to turn it on.
    Click("Edit AutoList");
    EXPECT_NE(Calls().find("Confirm You have to enable \"Auto Encryption\" for using this button.\r\nDo you want to do "
                           "so now"),
              std::string::npos)
        << Calls();
    EXPECT_EQ(GetPrivateProfileIntA("Pellatch", "Auto", -1, (mailbox + "Merrowin.cfg").c_str()), 1);

    // The options button opens the encrypt/sign popup on an editor.
    HWND editor = host->NewEditor();
    ASSERT_NE(editor, nullptr);
    PumpQueued();
    int before = g_sendTimers.load();
    EXPECT_TRUE(WithPopup([&] { Click("Encrypt/Sign message (options menu)"); }, {VK_DOWN, VK_DOWN, VK_RETURN}, "",
                          [&] { return g_sendTimers > before; }));
    EXPECT_EQ(g_sendTimers.load(), before + 1);

    // While the main library's window is open, every button brings it up.
    MainWindowDouble main;
    ASSERT_NE(main.wnd, nullptr);
    SendMessageA(AutomationWindow(), host::kFormMsgNotify, host::kNotifyFormOpened, reinterpret_cast<LPARAM>(main.wnd));
    PumpQueued();
    MainWindowDouble::commands.clear();
    DeleteFileA(MainLog().c_str());
    Click("Launch PGPkeys");
    EXPECT_FALSE(Called("ExecPGPkeys"));
    EXPECT_EQ(MainWindowDouble::commands, (std::vector<LPARAM>{host::kCommandForce}));
    // The Window menu's entry does the same.
    MenuCommand(0x2001);
    EXPECT_EQ(MainWindowDouble::commands.size(), 2u);
}

TEST_F(FrontendMenu, AKeyInTheReadersSelectionIsFetchedByItsWholeId) {
    Start();
    HWND reader = host->OpenReader("Note", "From: bob@example.org\r\n\r\nMy new key is 0xe8750b357ace6a48, bob\r\n");
    ASSERT_NE(reader, nullptr);
    PumpQueued();
    HWND body = orv::mailclient::Host::ReaderBody(reader);
    ASSERT_NE(body, nullptr);
    FINDTEXTA find{{0, -1}, "0xe8750b357ace6a48"};
    LONG from = LONG(SendMessageA(body, EM_FINDTEXT, FR_DOWN, reinterpret_cast<LPARAM>(&find)));
    ASSERT_GE(from, 0);
    SendMessageA(body, EM_SETSEL, WPARAM(from), LPARAM(from + 18));
    ASSERT_EQ(host->Ter().Selection(body), "0xe8750b357ace6a48");
    SetFocus(body);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    EXPECT_TRUE(WithPopup([&] { PostMessageA(body, WM_SYSKEYDOWN, VK_F10, 0); }, {VK_DOWN, VK_RETURN}, "frontend_add_key_menu.png"));
    keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(Called("GetKeyFromServer 0xE8750B357ACE6A48")) << Calls();
}

TEST_F(FrontendMenu, TheStatusBarOffersItsKeyOrShowsItsWholeText) {
    Start();
    HWND statusText = host->StatusBarText();
    ASSERT_NE(statusText, nullptr);
    SendMessageA(host->EncryptorHostWindow() ? host->EncryptorHostWindow() : GetParent(AutomationWindow()),
                 host::kHostStatusLine, host::kStatusSignature,
                 reinterpret_cast<LPARAM>("No key [ 0x89ABCDEF ] for signature"));
    EXPECT_TRUE(WithPopup([&] { PostMessageA(statusText, WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5)); }, {VK_DOWN, VK_RETURN}));
    EXPECT_TRUE(Called("GetKeyFromServer 0x89ABCDEF")) << Calls();

    const std::string line =
        "Good signature (made 2026-12-08 09:30) from bob <bob@example.org>, (0x7ACE6A48): complete validity";
    SetWindowTextA(statusText, line.c_str());
    PostMessageA(statusText, WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
    PumpQueued();
    HWND bar = host->StatusBar();
    std::vector<HWND> tip;
    for (HWND c : Children(bar))
        if (c != statusText && GetText(c) == line) tip.push_back(c);
    ASSERT_EQ(tip.size(), 1u);
    EXPECT_TRUE(IsWindowVisible(tip[0]));
    EXPECT_EQ(Children(bar).size(), 4u);  // the two panes, the frame and the text
    SaveScreenshot(host->Frame(), ShotPath("frontend_status_tip.png"));
    PostMessageA(bar, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    PumpQueued();
    EXPECT_FALSE(IsWindow(tip[0]));
    EXPECT_EQ(Children(bar).size(), 2u);
}

TEST_F(FrontendMenu, UnloadingTakesTheMenuEntriesAndButtonsAway) {
    Start();
    HMENU window = GetSubMenu(Bar(), 4);
    ASSERT_TRUE(host->UnloadExtension(PluginPath()));
    EXPECT_EQ(GetMenuItemCount(Bar()), 5);
    EXPECT_EQ(GetMenuState(window, 0x3001, MF_BYCOMMAND), UINT(-1));
    EXPECT_EQ(ButtonTexts(), (std::vector<std::string>{"New message", "Folders"}));
}

TEST_F(FrontendMenu, TheRawViewOfAPgpMimeMessageSavesItsAttachmentsThroughTheMainLibrary) {
    Start();
    host->readerLayout = orv::mailclient::ReaderLayout::Plain;
    const std::string mime =
        "Content-Type: multipart/signed; protocol=\"application/pgp-signature\"; boundary=b\r\n\r\n"
        "  --b\r\nhello\r\n--b--\r\n";
    HWND signedReader = host->OpenReader("Signed", mime);
    ASSERT_NE(signedReader, nullptr);
    HWND dialog = orv::mailclient::Host::ReaderDialog(signedReader);
    PumpQueued();
    // Without the raw view the client saves the attachments itself.
    log.clear();
    SendMessageA(dialog, WM_COMMAND, host::kCmdSaveAttachment, 0);
    EXPECT_TRUE(Logged("attachments of the reader's message: none saved"));
    EXPECT_EQ(Calls().find("SaveMimeAttachments"), std::string::npos);

    // The raw view stays with the reader that had it when it lost the focus.
    CheckMenuItem(GetMenu(host->Frame()), host::kCommandRawView, MF_BYCOMMAND | MF_CHECKED);
    HWND other = host->OpenReader("Other", "Plain text\r\n");
    ASSERT_NE(other, nullptr);
    SendMessageA(host->MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(signedReader), 0);
    PumpQueued();
    log.clear();
    SendMessageA(dialog, WM_COMMAND, host::kCmdSaveAttachment, 0);
    PumpQueued();
    EXPECT_NE(Calls().find("SaveMimeAttachments --b\r\nhello"), std::string::npos) << Calls();
    EXPECT_FALSE(Logged("attachments of the reader's message: none saved"));
}

TEST_F(FrontendMenu, ANewMenuBarOfTheClientGetsTheMenuWhenItHasRoomForIt) {
    Start();
    HMENU bar = CreateMenu();
    for (const char* title : {"&File", "&Window", "&Help"})
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), title);
    HMENU window = GetSubMenu(bar, 1);
    SendMessageA(host->MdiClient(), WM_MDISETMENU, reinterpret_cast<WPARAM>(bar), reinterpret_cast<LPARAM>(window));
    ASSERT_EQ(GetMenuItemCount(bar), 4);
    EXPECT_EQ(ItemText(bar, 1, MF_BYPOSITION), "&Orvane");
    EXPECT_EQ(ItemText(window, 0x3001), "&Orvane");
    // A second time changes nothing.
    SendMessageA(host->MdiClient(), WM_MDISETMENU, reinterpret_cast<WPARAM>(bar), reinterpret_cast<LPARAM>(window));
    EXPECT_EQ(GetMenuItemCount(bar), 4);

    // A bar with a single menu has no place for it.
    HMENU single = CreateMenu();
    AppendMenuA(single, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "&File");
    SendMessageA(host->MdiClient(), WM_MDISETMENU, reinterpret_cast<WPARAM>(single), 0);
    EXPECT_EQ(GetMenuItemCount(single), 1);
}

TEST_F(FrontendMenu, FullAutomationWithoutSigningWhenTheUserSaysNo) {
    Start("[FullAuto]\r\nChecked=0\r\n");
    ASSERT_TRUE(mctest::WriteAll(install + "no.txt", "no"));
    MenuCommand(0x200C);
    EXPECT_TRUE(Called("Confirm Sign the automatically encrypted messages too")) << Calls();
    EXPECT_EQ(GetPrivateProfileIntA("FullAuto", "Checked", -1, (mailbox + "Merrowin.cfg").c_str()), 1);
    EXPECT_EQ(GetPrivateProfileIntA("FullAuto", "Signed", -1, (mailbox + "Merrowin.cfg").c_str()), 0);
    EXPECT_TRUE(Checked(Frontend(), 0x300C));
}
