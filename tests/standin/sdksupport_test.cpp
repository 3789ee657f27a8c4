// The engine stand-in's support library, loaded by the product's loader beside
// the stand-in core: the PGP log window, the secure viewer, the key manager
// and the installation path, as a user and the UI robot see them.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/loader.h"
#include "engine/sdk_table.h"
#include "standin/sdksupport/support_ids.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"

#ifndef ORV_STANDIN_DATA
#error ORV_STANDIN_DATA names the test ring directory
#endif

namespace {

using namespace orv;
using namespace orv::test;
using sdk::Sdk;

std::vector<std::string> ListBoxItems(HWND list) {
    std::vector<std::string> items;
    const int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char line[1024] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        items.push_back(line);
    }
    return items;
}

std::string Cell(HWND list, int row, int column) {
    char text[512] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::string ClipboardText() {
    std::string text;
    for (int i = 0; i < 20 && !OpenClipboard(nullptr); ++i) Sleep(20);
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(h))) {
            text = p;
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::string& text) {
    for (int i = 0; i < 20 && !OpenClipboard(nullptr); ++i) Sleep(20);
    EmptyClipboard();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(h), text.c_str(), text.size() + 1);
    GlobalUnlock(h);
    SetClipboardData(CF_TEXT, h);
    CloseClipboard();
}

void Pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

class SdkSupportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        engine_ = new StandInEngine(SourcePath(ORV_STANDIN_DATA));
        loaded_ = engine_->Load();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SdkSupportTestOwner";
        RegisterClassA(&wc);
        owner_ = CreateWindowExA(0, wc.lpszClassName, "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    }
    static void TearDownTestSuite() {
        DestroyWindow(owner_);
        delete engine_;
        engine_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(loaded_) << "the engine stand-in did not load in full";
        ASSERT_NE(Sdk().PGPscSendPGPlogMsg, nullptr);
        ASSERT_NE(GetProcAddress(GetModuleHandleA("PGPsc.dll"), "PGPscTempestViewer"), nullptr);
    }
    static inline StandInEngine* engine_ = nullptr;
    static inline bool loaded_ = false;
    static inline HWND owner_ = nullptr;
};

TEST_F(SdkSupportTest, LogWindowShowsEveryLineOfTheMessagesInOrder) {
    auto& t = Sdk();
    ASSERT_EQ(t.PGPscSendPGPlogMsg(owner_, "Good Signature\nletter.txt\nalice <alice@example.org>\n"), 0);
    ASSERT_EQ(t.PGPscSendPGPlogMsg(owner_, "Bad Signature\n(...)\n(0x1122334455667788)"), 0);
    EXPECT_EQ(t.PGPscSendPGPlogMsg(owner_, nullptr), kPGPError_BadParams);
    Pump();
    HWND log = FindTopWindow(SDKSC_LOG_CLASS, SDKSC_LOG_CAPTION, 2000);
    ASSERT_NE(log, nullptr);
    const auto items = ListBoxItems(FindChildById(log, IDC_SDKSC_LOG_LINES));
    const std::vector<std::string> expected = {"Good Signature", "letter.txt", "alice <alice@example.org>",
                                               "Bad Signature", "(...)", "(0x1122334455667788)"};
    EXPECT_EQ(items, expected);
    SaveScreenshot(log, ShotPath("sdk7_log.png"));
    // Closing hides it; the next message shows it again with the lines kept.
    SendMessageA(log, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(log));
    ASSERT_EQ(t.PGPscSendPGPlogMsg(owner_, "Good Signature\n"), 0);
    EXPECT_TRUE(IsWindowVisible(log));
    EXPECT_EQ(ListBoxItems(FindChildById(log, IDC_SDKSC_LOG_LINES)).size(), expected.size() + 1);
}

TEST_F(SdkSupportTest, SecureViewerShowsTheTextWithoutLettingItBeCopied) {
    const std::string secret = "Meet me at dawn.\r\nBring the map.\r\nBurn this note.";
    SetClipboardText("clipboard before");
    std::string info, caption, clipboardAfter;
    std::vector<std::string> childTexts;
    bool ownerDisabled = false;
    ModalScript script;
    script.Expect(SDKSC_VIEWER_CLASS, SDKSC_VIEWER_EYES_CAPTION, [&](HWND viewer) {
        ownerDisabled = !IsWindowEnabled(owner_);
        caption = GetText(viewer);
        info = GetText(FindChildById(viewer, IDC_SDKSC_VIEWER_INFO));
        for (HWND child : Children(viewer)) childTexts.push_back(GetText(child));
        SaveScreenshot(viewer, ShotPath("sdksupport_viewer.png"));
        // What a user would try: select all and copy, the copy message.
        PostKey(viewer, 'A', true);
        PostKey(viewer, 'C', true);
        PostMessageA(viewer, WM_COPY, 0, 0);
        Sleep(300);
        clipboardAfter = ClipboardText();
        ClickId(viewer, IDC_SDKSC_VIEWER_CLOSE);
    });
    script.Start();
    const PGPError err = Sdk().PGPscTempestViewer(nullptr, owner_, secret.data(), PGPSize(secret.size()), 1);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(err, 0);
    EXPECT_TRUE(ownerDisabled) << "the viewer was not modal over its owner";
    EXPECT_TRUE(IsWindowEnabled(owner_)) << "the owner stayed disabled";
    EXPECT_EQ(caption, SDKSC_VIEWER_EYES_CAPTION);
    EXPECT_EQ(info, std::to_string(secret.size()) + " bytes, 3 lines");
    EXPECT_EQ(clipboardAfter, "clipboard before");
    for (const auto& text : childTexts) EXPECT_EQ(text.find("dawn"), std::string::npos) << text;
    EXPECT_TRUE(ListTopWindows(SDKSC_VIEWER_CLASS, "").empty()) << "the viewer is still there";

    // Without the eyes-only flag the caption says so; Esc closes it.
    ModalScript plain;
    plain.Expect(SDKSC_VIEWER_CLASS, SDKSC_VIEWER_CAPTION, [](HWND viewer) { PostKey(viewer, VK_ESCAPE); });
    plain.Start();
    EXPECT_EQ(Sdk().PGPscTempestViewer(nullptr, owner_, "x", 1, 0), 0);
    ASSERT_TRUE(plain.Finish()) << plain.Failure();
}

TEST_F(SdkSupportTest, KeyManagerListsTheKeysOfTheRings) {
    ASSERT_EQ(Sdk().PGPscDoLaunchKeys(owner_), 0);
    Pump();
    HWND keys = FindTopWindow(SDKSC_KEYS_CLASS, SDKSC_KEYS_CAPTION, 2000);
    ASSERT_NE(keys, nullptr);
    HWND list = FindChildById(keys, IDC_SDKSC_KEYS_LIST);
    const int n = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::string all;
    int secret = 0;
    for (int i = 0; i < n; ++i) {
        all += Cell(list, i, 0) + " " + Cell(list, i, 1) + "\n";
        if (Cell(list, i, 4) == "yes") {
            ++secret;
            EXPECT_EQ(Cell(list, i, 1), "0xE8750B357ACE6A48");
        }
    }
    EXPECT_EQ(n, 3) << all;
    EXPECT_EQ(secret, 1) << all;
    EXPECT_NE(all.find("bob"), std::string::npos) << all;
    EXPECT_NE(all.find("0x6533671D0C89AF89"), std::string::npos) << all;
    SaveScreenshot(keys, ShotPath("sdk7_pgpkeys.png"));
    // A second start shows the same window again.
    ASSERT_EQ(Sdk().PGPscDoLaunchKeys(owner_), 0);
    EXPECT_EQ(ListTopWindows(SDKSC_KEYS_CLASS, SDKSC_KEYS_CAPTION).size(), 1u);
    DestroyWindow(keys);
}

TEST_F(SdkSupportTest, PathIsTheEngineDirectoryAndShortBuffersAreRefused) {
    char path[MAX_PATH] = {};
    ASSERT_EQ(Sdk().PGPscPGPpath(path, sizeof path), 0);
    EXPECT_EQ(lstrcmpiA(path, engine_->Dir().c_str()), 0) << path;
    char tiny[4] = {'x', 'x', 'x', 'x'};
    EXPECT_NE(Sdk().PGPscPGPpath(tiny, sizeof tiny), 0);
    EXPECT_EQ(tiny[0], 0);
}

}  // namespace
