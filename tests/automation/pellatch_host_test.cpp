// Pellatch.dll inside the mail client stand-in, driven as a person would:
// attaching at the client's start beside the main library, editors and
// readers tracked, the main library's window closed before the frame, the
// mailbox moving with the per-user files, the restart given up when the user
// keeps an editor, main libraries refused or missing exports, and unloading.
#include "tests/automation/pellatch_fixture.h"

#include "interfaces/host_messages.h"
#include "interfaces/mail_client.h"
#include "standin/mailclient/editor.h"
#include "standin/mailclient/frame_ids.h"

using namespace pltest;
using namespace orv::test;
namespace host = orv::host;

namespace {

HMODULE ModuleOf(const void* address) {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCSTR>(address), &module);
    return module;
}

const void* WindowProcOf(HWND wnd) { return reinterpret_cast<const void*>(GetWindowLongPtrA(wnd, GWLP_WNDPROC)); }
const void* ClassProcOf(HWND wnd) { return reinterpret_cast<const void*>(GetClassLongPtrA(wnd, GCLP_WNDPROC)); }

bool QuitPending() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

std::string AllTexts(const SeenBox& box) {
    std::string all;
    for (const auto& t : box.texts) all += t + "\n";
    return all;
}

ModalScript::Action EnterText(const std::string& text) {
    return [text](HWND dialog) {
        SetText(FindChild(dialog, "Edit", ""), text);
        ClickButton(dialog, "OK");
    };
}

// The window or one of its own controls (the editor control types into an
// edit of its own).
bool Within(HWND focus, HWND control) { return focus && control && (focus == control || IsChild(control, focus)); }

ModalScript::Action PressEnter() {
    return [](HWND box) { PostKey(box, VK_RETURN); };
}

}  // namespace

TEST_F(PellatchHost, AttachesAtTheClientsStartBesideTheMainLibrary) {
    Prepare();
    StartClient();
    HWND aw = AutomationWindow();
    ASSERT_NE(aw, nullptr);
    EXPECT_EQ(GetText(aw), "AUTOCRYPT");
    EXPECT_FALSE(IsWindowVisible(aw));
    EXPECT_EQ(ClassOf(GetParent(aw)), ClassOf(host->EncryptorHostWindow() ? host->EncryptorHostWindow() : GetParent(aw)));
    EXPECT_TRUE(Logged("loaded " + PluginPath()));
    EXPECT_TRUE(Logged("form  FORMINIT 1"));
    // The main library of the installation directory runs beside it.
    EXPECT_NE(GetModuleHandleA(MainLibraryPath().c_str()), nullptr);
    EXPECT_EQ(GetModuleHandleA((mctest::BinDir() + "Merrowin.dll").c_str()), nullptr);
}

TEST_F(PellatchHost, FormInitTakesInterfaceVersionsUpToOne) {
    Prepare();
    DeleteFileA((mailbox + "Pellatch.fff").c_str());
    StartClient();
    orv::mailclient::Extension* ext = host->LoadExtension(PluginPath());
    ASSERT_NE(ext, nullptr);
    ASSERT_NE(ext->formInit, nullptr);
    HWND formHost = host->NewFormHost("Form");
    HWND form = reinterpret_cast<HWND>(1);
    char marker = 'x';
    char* callback = &marker;
    EXPECT_EQ(ext->formInit(0x0200, 0, formHost, "", &form, &callback), 0);
    EXPECT_EQ(FindChild(host->Frame(), kAutomationClass, ""), nullptr);
    EXPECT_EQ(GetModuleHandleA(MainLibraryPath().c_str()), nullptr);
    EXPECT_EQ(ext->formInit(0x01FF, 0, formHost, "", &form, &callback), 1);
    EXPECT_EQ(callback, nullptr);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(ClassOf(form), kAutomationClass);
    EXPECT_EQ(GetParent(form), formHost);
}

TEST_F(PellatchHost, TracksEditorsAndReadersAsTheyOpenAndClose) {
    Prepare();
    StartClient();
    HMODULE plugin = GetModuleHandleA(PluginPath().c_str());
    ASSERT_NE(plugin, nullptr);
    HWND editor = host->NewEditor();
    ASSERT_NE(editor, nullptr);
    PumpQueued();
    EXPECT_EQ(ModuleOf(WindowProcOf(editor)), plugin);
    HWND reader = host->OpenReader("Note", "From: bob@example.org\r\n\r\nPlain text\r\n");
    ASSERT_NE(reader, nullptr);
    PumpQueued();
    HWND readerDialog = orv::mailclient::Host::ReaderDialog(reader);
    ASSERT_NE(readerDialog, nullptr);
    EXPECT_EQ(ModuleOf(WindowProcOf(reader)), plugin);
    EXPECT_EQ(ModuleOf(WindowProcOf(readerDialog)), plugin);

    // Closing goes through the plug-in's procedures and ends them.
    SendMessageA(editor, WM_CLOSE, 0, 0);
    SendMessageA(reader, WM_CLOSE, 0, 0);
    PumpQueued();
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_FALSE(IsWindow(reader));
    HWND second = host->NewEditor();
    PumpQueued();
    EXPECT_EQ(ModuleOf(WindowProcOf(second)), plugin);
    SendMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(second));

    // After the main library's window closes, the focus stays where the user
    // left it in the folder manager.
    HWND folman = host->OpenFolderManager();
    ASSERT_NE(folman, nullptr);
    HWND list = FindChild(folman, "ListBox", "");
    ASSERT_NE(list, nullptr);
    SetFocus(list);
    PostMessageA(AutomationWindow(), orv::automation::AM_SESSIONCLOSED, 0, 0);
    PumpQueued();
    EXPECT_EQ(GetFocus(), list);
}

TEST_F(PellatchHost, ClosesTheMainLibrarysWindowBeforeTheFrame) {
    Prepare();
    StartClient();
    orv::mailclient::Extension* main = host->LoadExtension(MainLibraryPath());
    ASSERT_NE(main, nullptr);
    HWND form = host->OpenForm(*main, "MANAGER", "Orvane");
    ASSERT_NE(form, nullptr);
    PumpQueued();
    HWND mainWindow = FindChild(host->MdiClient(), "", "Orvane");
    ASSERT_NE(mainWindow, nullptr);
    HWND frame = host->Frame();

    PostMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    bool mainGone = false, frameAliveThen = false;
    PumpUntil([&] {
        if (!mainGone && !IsWindow(mainWindow)) {
            mainGone = true;
            frameAliveThen = IsWindow(frame) != FALSE;
        }
        return !IsWindow(frame);
    }, 5000);
    EXPECT_TRUE(mainGone);
    EXPECT_TRUE(frameAliveThen);
    EXPECT_FALSE(IsWindow(frame));
}

TEST_F(PellatchHost, MovesThePerUserFilesWithTheMailbox) {
    Prepare();
    ASSERT_TRUE(mctest::WriteAll(mailbox + "Merrowin.cfg", "[Pellatch]\r\nAuto=1\r\n"));
    ASSERT_TRUE(mctest::WriteAll(mailbox + "AutoList.txt", "old list\r\n"));
    ASSERT_TRUE(mctest::WriteAll(mailbox + "Merrowin.fff", "Form name = Orvane\r\n"));
    ASSERT_TRUE(mctest::WriteAll(mailbox + "notes.txt", "stays\r\n"));
    std::string moved = dir + "moved";
    StartClient();
    ModalScript script;
    script.Expect("#32770", "Mailbox directory", EnterText(moved));
    script.Expect(kBox, "Confirm:", ScreenshotThen(ShotPath("pellatch_create_mailbox.png"), PressButton("Yes")));
    script.Expect(kBox, "Confirm:", PressButton("No"));
    script.Start();
    PostMessageA(host->Frame(), WM_COMMAND, orv::mailclient::kCmdMailboxDir, 0);
    PumpUntilSeen(script, 3);
    std::string hostLog;
    for (const auto& line : log) hostLog += line + "\n";
    ASSERT_TRUE(script.Finish()) << script.Failure() << hostLog;
    auto seen = script.Seen();
    ASSERT_EQ(seen.size(), 3u);

    std::string to = moved + "\\";
    EXPECT_EQ(mctest::ReadAll(to + "Merrowin.cfg"), "[Pellatch]\r\nAuto=1\r\n");
    EXPECT_EQ(mctest::ReadAll(to + "AutoList.txt"), "old list\r\n");
    EXPECT_TRUE(mctest::Exists(to + "Merrowin.fff"));
    EXPECT_TRUE(mctest::Exists(to + "Pellatch.fff"));
    for (const char* name : {"Merrowin.cfg", "AutoList.txt", "Merrowin.fff", "Pellatch.fff"})
        EXPECT_FALSE(mctest::Exists(mailbox + name)) << name;
    EXPECT_TRUE(mctest::Exists(mailbox + "notes.txt"));
    EXPECT_FALSE(mctest::Exists(to + "notes.txt"));
    auto users = mctest::Lines(install + "Users.cfg");
    EXPECT_TRUE(mctest::HasLine(users, "alice=\"" + to + "\"")) << mctest::ReadAll(install + "Users.cfg");
    EXPECT_EQ(mctest::LineStarting(users, "[").empty(), false);
    // "No" to the restart: the client goes on.
    EXPECT_TRUE(IsWindow(host->Frame()));
    EXPECT_FALSE(QuitPending());
    EXPECT_FALSE(LauncherRunning());
}

TEST_F(PellatchHost, NeverOverwritesAFileTheUserKeepsInTheNewMailbox) {
    Prepare();
    ASSERT_TRUE(mctest::WriteAll(mailbox + "Merrowin.cfg", "[Pellatch]\r\nAuto=0\r\n"));
    ASSERT_TRUE(mctest::WriteAll(mailbox + "AutoList.txt", "old list\r\n"));
    std::string moved = dir + "theirs\\";
    CreateDirectoryA(moved.c_str(), nullptr);
    ASSERT_TRUE(mctest::WriteAll(moved + "AutoList.txt", "mine\r\n"));
    StartClient();
    ModalScript script;
    script.Expect("#32770", "Mailbox directory", EnterText(moved));
    script.Expect(kBox, "Confirm:", PressButton("No"));
    script.Start();
    PostMessageA(host->Frame(), WM_COMMAND, orv::mailclient::kCmdMailboxDir, 0);
    PumpUntilSeen(script, 2);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    // The directory existed: only the restart was asked.
    ASSERT_EQ(script.Seen().size(), 2u);
    EXPECT_EQ(mctest::ReadAll(moved + "AutoList.txt"), "mine\r\n");
    EXPECT_EQ(mctest::ReadAll(mailbox + "AutoList.txt"), "old list\r\n");
    EXPECT_EQ(mctest::ReadAll(moved + "Merrowin.cfg"), "[Pellatch]\r\nAuto=0\r\n");
    EXPECT_FALSE(mctest::Exists(mailbox + "Merrowin.cfg"));
}

TEST_F(PellatchHost, GivesUpTheRestartWhenTheUserKeepsAnEditor) {
    Prepare();
    StartClient();
    host->askBeforeClosingEditors = true;
    HWND editor = host->NewEditor();
    ASSERT_NE(editor, nullptr);
    SendMessageA(editor, host::kEditorSetField, host::kFieldBody, reinterpret_cast<LPARAM>("Half a letter"));
    ModalScript script;
    script.Expect("#32770", "New user name", EnterText("Bob Smith"));
    script.Expect(kBox, "Confirm:", PressButton("Yes"));
    script.Expect("#32770", "Pegasus Mail", PressButton("No"));
    script.Expect(kBox, "Info:", ScreenshotThen(ShotPath("pellatch_restart_abandoned.png"), PressEnter()));
    script.Start();
    PostMessageA(host->Frame(), WM_COMMAND, host::kCmdUserName, 0);
    PumpUntilSeen(script, 4);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    auto seen = script.Seen();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_NE(AllTexts(seen[2]).find(orv::mailclient::kDiscardQuestion), std::string::npos) << AllTexts(seen[2]);
    // The editor stays, the launcher never started, the client goes on.
    EXPECT_TRUE(IsWindow(editor));
    EXPECT_EQ(orv::mailclient::ReadEditor(editor).body, "Half a letter");
    EXPECT_FALSE(LauncherRunning());
    EXPECT_FALSE(QuitPending());
    EXPECT_TRUE(IsWindow(host->Frame()));
    host->askBeforeClosingEditors = false;
}

TEST_F(PellatchHost, RefusesAMainLibraryOfAnotherVersion) {
    Prepare(MainLibrary::OtherVersion);
    ModalScript script;
    script.Expect("#32770", "KVSEC", PressButton("OK"));
    script.Start();
    StartClient();
    PumpUntilSeen(script, 1);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_NE(AllTexts(script.Seen()[0]).find("FATAL ERROR!"), std::string::npos) << AllTexts(script.Seen()[0]);
    EXPECT_TRUE(Logged("form  FORMINIT 0"));
    EXPECT_EQ(AutomationWindow(), nullptr);
    EXPECT_EQ(GetModuleHandleA(MainLibraryPath().c_str()), nullptr);
    EXPECT_FALSE(mctest::Exists(install + "main.log"));
}

TEST_F(PellatchHost, AMissingExportOfTheMainLibraryGetsItsFixedDefault) {
    Prepare(MainLibrary::Partial);
    // Without a launcher the restart cannot start.
    DeleteFileA((install + "Tolvane.exe").c_str());
    ASSERT_TRUE(mctest::WriteAll(mailbox + "AutoList.txt", "list\r\n"));
    StartClient();
    HWND aw = AutomationWindow();
    ASSERT_NE(aw, nullptr);
    // PlugInit got the client's windows, the automation window and the mailbox.
    auto lines = mctest::Lines(install + "main.log");
    std::string expected = "PlugInit " + std::to_string(reinterpret_cast<UINT_PTR>(host->Frame())) + " " +
                           std::to_string(reinterpret_cast<UINT_PTR>(host->MdiClient())) + " " +
                           std::to_string(reinterpret_cast<UINT_PTR>(aw)) + " " + mailbox;
    EXPECT_TRUE(mctest::HasLine(lines, expected)) << mctest::ReadAll(install + "main.log");

    // Confirm is missing: both questions count as answered "yes" without a
    // box, the directory is created and the restart tried.
    std::string moved = dir + "created";
    ModalScript script;
    script.Expect("#32770", "Mailbox directory", EnterText(moved));
    script.Start();
    PostMessageA(host->Frame(), WM_COMMAND, orv::mailclient::kCmdMailboxDir, 0);
    PumpUntilSeen(script, 1);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(mctest::ReadAll(moved + "\\AutoList.txt"), "list\r\n");
    std::string log = mctest::ReadAll(install + "main.log");
    EXPECT_NE(log.find("FORMINIT UTILS"), std::string::npos) << log;
    EXPECT_NE(log.find("Info If you want to use Orvane\r\nyou have to restart Pegasus Mail.\n"), std::string::npos)
        << log;
    EXPECT_FALSE(QuitPending());
    EXPECT_TRUE(IsWindow(host->Frame()));
}

TEST_F(PellatchHost, UnloadingLeavesNoHookSubclassWindowOrMenu) {
    Prepare();
    StartClient();
    HWND frame = host->Frame();
    HMENU menu = GetMenu(frame);
    // The client's own menus and the plug-in's "&Orvane".
    int items = GetMenuItemCount(menu) - 1;
    HWND editor = host->NewEditor();
    HWND reader = host->OpenReader("Note", "Plain text\r\n");
    PumpQueued();
    HWND readerDialog = orv::mailclient::Host::ReaderDialog(reader);
    HMODULE plugin = GetModuleHandleA(PluginPath().c_str());
    ASSERT_NE(plugin, nullptr);
    ASSERT_EQ(ModuleOf(WindowProcOf(editor)), plugin);
    ASSERT_EQ(ModuleOf(WindowProcOf(readerDialog)), plugin);

    ASSERT_TRUE(host->UnloadExtension(PluginPath()));
    EXPECT_EQ(GetModuleHandleA(PluginPath().c_str()), nullptr);
    EXPECT_EQ(GetModuleHandleA(MainLibraryPath().c_str()), nullptr);
    EXPECT_EQ(FindChild(frame, kAutomationClass, ""), nullptr);
    WNDCLASSA wc{};
    EXPECT_FALSE(GetClassInfoA(plugin, kAutomationClass, &wc));
    EXPECT_EQ(WindowProcOf(editor), ClassProcOf(editor));
    EXPECT_EQ(WindowProcOf(reader), ClassProcOf(reader));
    EXPECT_EQ(WindowProcOf(readerDialog), ClassProcOf(readerDialog));
    EXPECT_EQ(GetMenuItemCount(menu), items);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char title[64] = {};
        GetMenuStringA(menu, UINT(i), title, sizeof title, MF_BYPOSITION);
        EXPECT_STRNE(title, "&Orvane");
    }

    // A hook left behind would run code that is gone: the client's windows
    // go on working.
    HWND another = host->NewEditor();
    ASSERT_NE(another, nullptr);
    PostMessageA(frame, WM_COMMAND, host::kCmdExitCancel, 0);
    PostMessageA(frame, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    PumpQueued();
    SendMessageA(another, WM_CLOSE, 0, 0);
    SendMessageA(reader, WM_CLOSE, 0, 0);
    SendMessageA(editor, WM_CLOSE, 0, 0);
    PumpQueued();
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_TRUE(IsWindow(frame));
}

// The user reads a message of a folder in a reader in front of the folder
// manager, opens the main library's manager and closes it again: the typing
// goes on in the reader. With the folder manager in front, the focus stays
// where the user left it, or goes to the folder manager's preview when no
// window holds it.
TEST_F(PellatchHost, GivesTheFocusBackToTheReaderInFrontOfTheFolderManager) {
    Prepare();
    StartClient();
    ASSERT_TRUE(host->AddToFolder(mailbox + "NOTES.PMM", "Notes",
                                  "From: bob@example.org\r\nSubject: Minutes\r\n\r\nThe minutes of today.\r\n"));
    HWND folman = host->OpenFolderManager();
    ASSERT_NE(folman, nullptr);
    ASSERT_TRUE(host->ShowFolder("NOTES.PMM"));
    ASSERT_TRUE(host->SelectFolderMessage(0));
    HWND open = FindChild(folman, "Button", "&Open");
    ASSERT_NE(open, nullptr);
    SendMessageA(open, BM_CLICK, 0, 0);
    PumpQueued();
    HWND reader = FindChild(host->MdiClient(), host::kReaderMdiClass, "");
    ASSERT_NE(reader, nullptr);
    HWND readerText = FindChild(reader, host::kEditorControlClass, "");
    ASSERT_NE(readerText, nullptr);
    ASSERT_EQ(GetWindow(folman, GW_HWNDFIRST), reader);

    orv::mailclient::Extension* main = host->LoadExtension(MainLibraryPath());
    ASSERT_NE(main, nullptr);
    // The user last typed in the folder list; the reader stays in front.
    HWND folderList = FindChildById(folman, orv::mailclient::kIdFolderList);
    ASSERT_NE(folderList, nullptr);
    SetFocus(folderList);
    PumpQueued();
    ASSERT_EQ(GetWindow(folman, GW_HWNDFIRST), reader);
    auto openAndCloseManager = [&](const std::function<bool()>& focusSettled) {
        // As the plug-in's bridge opens it: the form, then the window.
        ASSERT_NE(host->OpenForm(*main, "MANAGER", "Orvane"), nullptr);
        auto showManager = reinterpret_cast<void*(WINAPI*)()>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(MainLibraryPath().c_str()), "ShowManager")));
        ASSERT_NE(showManager, nullptr);
        showManager();
        HWND manager = nullptr;
        PumpUntil([&] { return (manager = FindWindowA("TfrmManager", nullptr)) && IsWindowVisible(manager); }, 10000);
        ASSERT_NE(manager, nullptr);
        PumpQueued();
        PostMessageA(manager, WM_CLOSE, 0, 0);
        PumpUntil([&] { return !IsWindow(manager); }, 10000);
        ASSERT_FALSE(IsWindow(manager));
        if (focusSettled) PumpUntil(focusSettled, 5000);
        else mctest::PumpFor(500);  // no place the focus must reach: a bounded look that it stays
    };
    openAndCloseManager([&] { return Within(GetFocus(), readerText); });
    EXPECT_TRUE(Within(GetFocus(), readerText)) << "focus on " << ClassOf(GetFocus());
    SaveScreenshot(host->Frame(), ShotPath("pellatch_focus_reader.png"));

    // The folder manager in front: where the user left the focus it stays.
    SendMessageA(host->MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(folman), 0);
    PumpQueued();
    ASSERT_EQ(GetWindow(folman, GW_HWNDFIRST), folman);
    openAndCloseManager(nullptr);
    EXPECT_FALSE(Within(GetFocus(), readerText)) << "the reader behind the folder manager took the focus";
    SetFocus(folderList);
    PostMessageA(AutomationWindow(), orv::automation::AM_SESSIONCLOSED, 0, 0);
    PumpQueued();
    EXPECT_EQ(GetFocus(), folderList);
    // No window holds the focus: the folder manager's preview gets it.
    SetFocus(nullptr);
    PostMessageA(AutomationWindow(), orv::automation::AM_SESSIONCLOSED, 0, 0);
    PumpQueued();
    EXPECT_TRUE(Within(GetFocus(), FindChildById(folman, orv::mailclient::kIdFolderPreview)))
        << "focus on " << ClassOf(GetFocus());
}
