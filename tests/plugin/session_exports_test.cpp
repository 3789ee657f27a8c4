// The main library loaded as the mail client loads it: over a private
// engine directory, with the test user's registry values, a mailbox
// directory in %TEMP% and the string library of the install directory.
// FORMINIT, the session window's forms messages, the message-box and key
// exports, and the launcher's centring hook.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "base/whole_file.h"
#include "interfaces/host_messages.h"
#include "interfaces/mail_client.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/support/main_library.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"
#include "tests/ui/box_view.h"

using namespace orv;
using namespace orv::test;

namespace {

const char* const kBox = "TfrmPGPDlg";



// A plain top-level window standing for one of the client's windows.
HWND NewWindow(bool visible, const char* caption = "Pegasus Mail") {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "OrvTestHostWindow";
        RegisterClassA(&wc);
        registered = true;
    }
    return CreateWindowExA(0, "OrvTestHostWindow", caption, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10,
                           10, 300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// Answers any message box of the library with No, so that a test that
// wrongly meets one does not hang; what it saw is reported.
class NoBoxExpected {
public:
    NoBoxExpected() {
        script_.Expect(kBox, "", [](HWND box) { PostKey(box, 'N'); });
        script_.Start(1200);
    }
    ~NoBoxExpected() {
        const bool sawBox = script_.Finish();
        EXPECT_FALSE(sawBox) << "unexpected box";
    }

private:
    ModalScript script_;
};

class MainLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        mailbox_ = new ScratchDir("mailbox");
        std::string mailbox = mailbox_->Path();
        mailbox.pop_back();  // the registry value without its trailing backslash
        registry_.push_back(
            std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegMailbox, "", mailbox));
        registry_.push_back(
            std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegBaseDir, "", std::string("C:\\PMail\\")));
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_LOCAL_MACHINE, "Software\\Tamberlow\\Fennick",
                                                            "InstallDir1", ProgramDir()));
        engine_ = new StandInEngine(SourcePath(ORV_KEY_DATA));
        ReplaceWholeFile(mailbox_->Path() + "Merrowin.cfg",
                         "[FilePaths]\r\nPubRing=" + engine_->PublicRing() + "\r\nSecRing=" + engine_->SecretRing() +
                             "\r\n[DefaultUser]\r\nName=alice\\0x7ACE6A48\r\n");
        SetDllDirectoryA(engine_->Dir().c_str());
        module_ = LoadLibraryA((ProgramDir() + "Merrowin.dll").c_str());
    }
    static void TearDownTestSuite() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
        SetDllDirectoryA(nullptr);
        delete engine_;
        engine_ = nullptr;
        registry_.clear();
        delete mailbox_;
        mailbox_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(module_, nullptr) << "Merrowin.dll did not load: " << GetLastError();
        for (const auto& value : registry_) ASSERT_TRUE(value->ok());
        formInit = BindExport<merrowin::kFORMINIT>(module_);
        plugInit = BindExport<merrowin::kPlugInit>(module_);
        ASSERT_NE(formInit, nullptr);
        ASSERT_NE(plugInit, nullptr);
    }
    void TearDown() override {
        if (plugInit) plugInit(nullptr, 0, nullptr, nullptr);
        PumpFor(20);
    }

    static HMODULE module_;
    static StandInEngine* engine_;
    static ScratchDir* mailbox_;
    static std::vector<std::unique_ptr<RegistryValue>> registry_;
    merrowin::FORMINITFn formInit = nullptr;
    merrowin::PlugInitFn plugInit = nullptr;
};

HMODULE MainLibrary::module_ = nullptr;
StandInEngine* MainLibrary::engine_ = nullptr;
ScratchDir* MainLibrary::mailbox_ = nullptr;
std::vector<std::unique_ptr<RegistryValue>> MainLibrary::registry_;

TEST_F(MainLibrary, EveryExportUnderItsNameAndOrdinal) {
    const std::pair<const char*, int> exports[] = {
        {"FORMINIT", 1},         {"PlugInit", 10},        {"ShowManager", 11},      {"ShowViewer", 12},
        {"ShowConfig", 13},      {"ShowAbout", 14},       {"WipeCache", 15},        {"Error", 16},
        {"Warn", 17},            {"Info", 18},            {"Confirm", 19},          {"Cancel", 20},
        {"ConfCanc", 21},        {"CustomDlg", 22},       {"SaveMimeAttachments", 23}, {"GetKeyFromServer", 24},
        {"SetAddrOptions", 25},  {"AddAddrOptions", 26},  {"GetABKAddr", 27},       {"GetPGPAddr", 28},
        {"FindKeys", 29},        {"KeySelect", 30},       {"KeyDelete", 31},        {"KeyExtract", 32},
        {"ShowFingerPrint", 33}, {"ExecPGPkeys", 34},
    };
    for (const auto& [name, ordinal] : exports) {
        SCOPED_TRACE(name);
        FARPROC byName = GetProcAddress(module_, name);
        ASSERT_NE(byName, nullptr);
        EXPECT_EQ(byName, GetProcAddress(module_, MAKEINTRESOURCEA(ordinal)));
    }
    EXPECT_EQ(GetProcAddress(module_, MAKEINTRESOURCEA(8)), nullptr);
    EXPECT_EQ(GetProcAddress(module_, MAKEINTRESOURCEA(9)), nullptr);
}

TEST_F(MainLibrary, FormInitRefusesAnInterfaceAboveVersionOne) {
    HWND host = NewWindow(false);
    HWND sentinel = reinterpret_cast<HWND>(0x1234);
    HWND form = sentinel;
    EXPECT_EQ(formInit(0x0200, 0, host, "MANAGER", &form, nullptr), 0);
    EXPECT_EQ(form, sentinel);
    EXPECT_EQ(FindWindowExA(host, nullptr, "ORVKVSEC", nullptr), nullptr);
    // No form parameter: no window either.
    EXPECT_EQ(formInit(0x0100, 0, host, "", &form, nullptr), 0);
    EXPECT_EQ(form, sentinel);
    EXPECT_EQ(FindWindowExA(host, nullptr, "ORVKVSEC", nullptr), nullptr);

    EXPECT_EQ(formInit(0x01FF, 0, host, "MANAGER", &form, nullptr), 1);
    ASSERT_NE(form, sentinel);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(ClassOf(form), "ORVKVSEC");
    EXPECT_EQ(GetParent(form), host);
    EXPECT_TRUE(GetWindowLongA(form, GWL_STYLE) & WS_CHILD);
    DestroyWindow(form);
    DestroyWindow(host);
}

TEST_F(MainLibrary, SessionWindowAnswersTheFormsMessages) {
    HWND host = NewWindow(true);
    HWND form = nullptr;
    ASSERT_EQ(formInit(0x0100, 0, host, "VIEWER", &form, nullptr), 1);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(SendMessageA(form, host::kFormMsgQuery, 0, 0), 2);
    EXPECT_EQ(SendMessageA(form, host::kFormMsgStart, 0, 0), 0);
    RECT before{}, after{};
    GetWindowRect(host, &before);
    EXPECT_TRUE(IsWindowVisible(host));
    SendMessageA(form, host::kFormMsgHide, 0, 0);
    EXPECT_FALSE(IsWindowVisible(host));
    GetWindowRect(host, &after);
    EXPECT_TRUE(EqualRect(&before, &after));  // neither moved nor sized
    // Command routing without open windows is harmless, also the start timer.
    SendMessageA(form, host::kFormMsgCommand, MAKEWPARAM(host::kCommandRawView, 1), 0);
    SendMessageA(form, host::kFormMsgCommand, 0, host::kCommandStart);
    PumpFor(50);
    EXPECT_TRUE(IsWindow(form));
    DestroyWindow(form);
    DestroyWindow(host);
}

TEST_F(MainLibrary, ClosingTheFormTellsTheAutomationWindowWhileTheClientIsVisible) {
    AutomationWindow automation;
    HWND clientMain = NewWindow(true);
    plugInit(clientMain, 0x55, automation.Handle(), nullptr);
    HWND host = NewWindow(false);
    HWND form = nullptr;
    ASSERT_EQ(formInit(0x0100, 0, host, "MANAGER", &form, nullptr), 1);
    DestroyWindow(form);
    PumpFor(50);
    ASSERT_EQ(automation.Messages().size(), 1u);
    EXPECT_EQ(automation.Messages()[0].msg, automation::AM_SESSIONCLOSED);
    EXPECT_EQ(automation.Messages()[0].wp, 0u);  // no encode ran
    EXPECT_EQ(automation.Messages()[0].lp, 0);   // no PGP/MIME decode

    // With the client's main window hidden nothing is posted.
    automation.Clear();
    ShowWindow(clientMain, SW_HIDE);
    ASSERT_EQ(formInit(0x0100, 0, host, "MANAGER", &form, nullptr), 1);
    DestroyWindow(form);
    PumpFor(50);
    EXPECT_TRUE(automation.Messages().empty());
    DestroyWindow(host);
    DestroyWindow(clientMain);
}

// The session windows of the library in this process, child or popup.
int SessionWindowCount(const std::vector<HWND>& hosts) {
    int n = 0;
    for (HWND host : hosts)
        for (HWND w = FindWindowExA(host, nullptr, "ORVKVSEC", nullptr); w; w = FindWindowExA(host, w, "ORVKVSEC", nullptr))
            ++n;
    for (HWND w = FindWindowExA(nullptr, nullptr, "ORVKVSEC", nullptr); w; w = FindWindowExA(nullptr, w, "ORVKVSEC", nullptr))
        ++n;
    return n;
}

TEST_F(MainLibrary, TwoFormsAtOnceEachHaveTheirOwnWindow) {
    AutomationWindow automation;
    HWND clientMain = NewWindow(true);
    plugInit(clientMain, 0, automation.Handle(), nullptr);
    HWND managerHost = NewWindow(true, "Manager host");
    HWND viewerHost = NewWindow(true, "Viewer host");
    HWND manager = nullptr, viewer = nullptr;
    ASSERT_EQ(formInit(0x0100, 0, managerHost, "MANAGER", &manager, nullptr), 1);
    ASSERT_EQ(formInit(0x0100, 0, viewerHost, "VIEWER", &viewer, nullptr), 1);
    ASSERT_NE(manager, nullptr);
    ASSERT_NE(viewer, nullptr);
    EXPECT_NE(manager, viewer);
    EXPECT_TRUE(IsWindow(manager)) << "the second form leaves the first one's window";
    EXPECT_EQ(GetParent(manager), managerHost);
    EXPECT_EQ(GetParent(viewer), viewerHost);
    // Each window answers for its own form and host.
    EXPECT_EQ(SendMessageA(manager, host::kFormMsgQuery, 0, 0), 2);
    EXPECT_EQ(SendMessageA(viewer, host::kFormMsgQuery, 0, 0), 2);
    SendMessageA(viewer, host::kFormMsgHide, 0, 0);
    EXPECT_FALSE(IsWindowVisible(viewerHost));
    EXPECT_TRUE(IsWindowVisible(managerHost));
    // A third form of a kind already open: a window of its own as well.
    HWND secondManagerHost = NewWindow(true, "Second manager host");
    HWND secondManager = nullptr;
    ASSERT_EQ(formInit(0x0100, 0, secondManagerHost, "MANAGER", &secondManager, nullptr), 1);
    EXPECT_NE(secondManager, manager);
    EXPECT_TRUE(IsWindow(manager));
    EXPECT_EQ(SessionWindowCount({managerHost, viewerHost, secondManagerHost}), 3);

    // Closing one leaves the others working; each close is told.
    DestroyWindow(viewer);
    PumpFor(50);
    EXPECT_EQ(SendMessageA(manager, host::kFormMsgQuery, 0, 0), 2);
    DestroyWindow(secondManagerHost);  // the host takes its form window with it
    DestroyWindow(manager);
    PumpFor(50);
    EXPECT_EQ(automation.Messages().size(), 3u);
    EXPECT_EQ(SessionWindowCount({managerHost, viewerHost}), 0) << "no window is left behind";
    DestroyWindow(managerHost);
    DestroyWindow(viewerHost);
    DestroyWindow(clientMain);
}

TEST_F(MainLibrary, TheCentringHookStaysWhileAnyLauncherFormIsOpen) {
    HWND first = nullptr, second = nullptr;
    // Launcher forms without a window of their own: "SERVER", "MANAGER" and
    // "CONFIG" would hold here until their windows are closed.
    ASSERT_EQ(formInit(0x0100, -1, nullptr, "FIRST", &first, nullptr), 1);
    ASSERT_EQ(formInit(0x0100, -1, nullptr, "SECOND", &second, nullptr), 1);
    ASSERT_NE(first, second);
    EXPECT_TRUE(IsWindow(first));
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    auto centred = [&](const char* caption) {
        HWND shown = NewWindow(false, caption);
        ShowWindow(shown, SW_SHOWNORMAL);
        RECT r{};
        GetWindowRect(shown, &r);
        DestroyWindow(shown);
        return std::abs((r.left + r.right) / 2 - (desktop.left + desktop.right) / 2) <= 2;
    };
    DestroyWindow(second);
    EXPECT_TRUE(centred("While the first form is open"));
    DestroyWindow(first);
    EXPECT_FALSE(centred("After both closed")) << "the hook is gone with the last launcher form";
    EXPECT_EQ(SessionWindowCount({}), 0);
}

TEST_F(MainLibrary, RegistryMailboxGetsItsBackslashAndPlugInitKeepsTheConfigurationFile) {
    auto findKeys = BindExport<merrowin::kFindKeys>(module_);
    ASSERT_NE(findKeys, nullptr);
    {
        NoBoxExpected none;
        // The rings come from mailbox + "\" + "Merrowin.cfg": all three keys.
        EXPECT_EQ(findKeys("", nullptr, 0), 3);
    }
    // The check expanded the short default key ID in that same file.
    std::string cfg;
    ASSERT_TRUE(ReadWholeFile(mailbox_->Path() + "Merrowin.cfg", cfg));
    EXPECT_NE(cfg.find("0xE8750B357ACE6A48"), std::string::npos) << cfg;

    ScratchDir other("othermail");
    plugInit(nullptr, 0, nullptr, other.Path().c_str());
    {
        NoBoxExpected none;
        EXPECT_EQ(findKeys("", nullptr, 0), 3);
    }
    EXPECT_TRUE(other.Files().empty());
}

TEST_F(MainLibrary, FindKeysUpgradesShortAutoListKeyIDsForTheUpgradeAndTheUpdate) {
    auto findKeys = BindExport<merrowin::kFindKeys>(module_);
    const std::string list = "bob@example.org\\1xB2A16278\r\n# note\r\nx@y\\0x01020304\r\nalice@example.org\\"
                             "3x7ACE6A48";
    std::string buffer(list.size() + 8 * 4 + 1, '\x7f');
    NoBoxExpected none;
    EXPECT_EQ(findKeys(list.c_str(), buffer.data(), 1), 2);
    EXPECT_STREQ(buffer.c_str(),
                 "bob@example.org\\1xD91F7A27B2A16278\r\n# note\r\nx@y\\0x01020304\r\nalice@example.org\\"
                 "3xE8750B357ACE6A48");
    // Flag 0, as the AutoList update calls it: the same room, so the update
    // gets its longer key IDs too.
    std::string update(list.size() + 8 * 4 + 1, '\x7f');
    EXPECT_EQ(findKeys(list.c_str(), update.data(), 0), 2);
    EXPECT_STREQ(update.c_str(), buffer.c_str());
    // Nothing is written past the result and its zero.
    EXPECT_EQ(update.back(), '\x7f');
    EXPECT_EQ(update[std::strlen(update.c_str()) + 1], '\x7f');
}

TEST_F(MainLibrary, MessageBoxExportsAnswerAsTheUserDid) {
    auto error = BindExport<merrowin::kError>(module_);
    auto confirm = BindExport<merrowin::kConfirm>(module_);
    auto cancel = BindExport<merrowin::kCancel>(module_);
    auto confCanc = BindExport<merrowin::kConfCanc>(module_);
    auto custom = BindExport<merrowin::kCustomDlg>(module_);
    BoxView seenError, seenCustom;
    ModalScript script;
    script.Expect(kBox, "Error:", [&](HWND box) {
        seenError = ViewBox(box);
        PostKey(box, VK_RETURN);
    });
    script.Expect(kBox, "Confirm:", [](HWND box) { PostKey(box, 'Y'); });
    script.Expect(kBox, "Confirm:", [](HWND box) { PostKey(box, 'N'); });
    script.Expect(kBox, "Confirm:", [](HWND box) { PostKey(box, 'Y'); });
    script.Expect(kBox, "Confirm:", [](HWND box) { PostKey(box, VK_ESCAPE); });
    script.Expect(kBox, "Choose", [&](HWND box) {
        seenCustom = ViewBox(box);
        ClickButton(box, "Keep");
    });
    script.Start();
    error("Cannot set program paths");
    EXPECT_EQ(confirm("Import the keys"), 1);
    EXPECT_EQ(cancel("Delete the file") & 0xFF, 1);  // No pressed
    EXPECT_EQ(cancel("Delete the file") & 0xFF, 0);  // Yes pressed
    EXPECT_EQ(confCanc("Save changes"), 2);
    EXPECT_EQ(custom("Choose", "Which one", "&Drop", "&Keep", 32), 6);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(seenError.text, "Cannot set program paths!");
    EXPECT_EQ(seenCustom.text, "Which one");
}

TEST_F(MainLibrary, WipeCacheWithAnEmptyCacheSaysNothing) {
    AutomationWindow automation;
    HWND clientMain = NewWindow(true);
    plugInit(clientMain, 0, automation.Handle(), nullptr);
    auto wipe = BindExport<merrowin::kWipeCache>(module_);
    EXPECT_NE(wipe(), 0);
    PumpFor(20);
    EXPECT_TRUE(automation.CacheStates().empty());
    DestroyWindow(clientMain);
}

// The windows are driven in windows_test.cpp and viewer_exports_test.cpp.
TEST_F(MainLibrary, AddressExportsOfLaterStepsGiveTheirFailureResults) {
    EXPECT_EQ(BindExport<merrowin::kKeySelect>(module_)("Pick", "0x1"), -1);
}

TEST_F(MainLibrary, AboutBoxOfTheAboutFormClosesItsHostWindowAfterwards) {
    HWND host = NewWindow(true, "About host");
    HWND form = nullptr;
    ASSERT_EQ(formInit(0x0100, 0, host, "ABOUT", &form, nullptr), 1);
    ModalScript script;
    script.Expect("TfrmInfoBox", "", [](HWND box) { PostKey(box, VK_RETURN); });
    script.Start();
    EXPECT_EQ(BindExport<merrowin::kShowAbout>(module_)() & 0xFF, 1);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    PumpUntil([&] { return !IsWindow(host); }, 2000);
    EXPECT_FALSE(IsWindow(host));  // closed, and the session window with it
    EXPECT_FALSE(IsWindow(form));
}

TEST_F(MainLibrary, LauncherModeCentresShownWindowsUntilTheFormEnds) {
    HWND form = nullptr;
    // A launcher form without a window of its own returns at once and leaves
    // the session window standing; "SERVER", "MANAGER" and "CONFIG" would
    // hold here until their windows are closed.
    ASSERT_EQ(formInit(0x0100, -1, nullptr, "LAUNCHED", &form, nullptr), 1);
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(GetWindowLongA(form, GWL_STYLE) & WS_CHILD);  // a popup without a host
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    HWND shown = NewWindow(false, "Shown");
    ShowWindow(shown, SW_SHOWNORMAL);
    RECT r{};
    GetWindowRect(shown, &r);
    EXPECT_NEAR((r.left + r.right) / 2, (desktop.left + desktop.right) / 2, 2);
    EXPECT_NEAR((r.top + r.bottom) / 2, (desktop.top + desktop.bottom) / 2, 2);
    EXPECT_EQ(r.right - r.left, 300);  // size kept
    DestroyWindow(shown);

    DestroyWindow(form);
    HWND later = NewWindow(false, "Later");
    ShowWindow(later, SW_SHOWNORMAL);
    GetWindowRect(later, &r);
    EXPECT_EQ(r.left, 10);  // the hook is gone
    DestroyWindow(later);
}

}  // namespace
