// The viewer and the attachment list through Merrowin.dll, loaded by the mail
// client stand-in over the engine stand-in, on mail that gpg wrote: a
// reader's encrypted message shown decrypted in place with its signature
// line, find through the host's command relay, both saves, a folder of mixed
// messages loaded with progress and cancelled part-way, and the parts of a
// PGP/MIME message viewed and saved byte for byte.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/whole_file.h"
#include "interfaces/host_messages.h"
#include "interfaces/mail_client.h"
#include "standin/mailclient/frame_ids.h"
#include "standin/mailclient/host.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/support/bench_ratio.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"
#include "tests/support/passphrase_typist.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"
#include "tests/support/unix_scratch.h"
#include "tests/ui/box_view.h"

namespace {

using namespace orv;
using namespace orv::test;

constexpr const char* kAliceID = "0xE8750B357ACE6A48";
constexpr const char* kMailEnd = "M A I L E N D";

using PlugInitFn = void(WINAPI*)(HWND, DWORD, HWND, const char*);
using ShowViewerFn = void*(WINAPI*)();
using SaveMimeFn = int(WINAPI*)(const char*);

int CountOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

// The rich edit keeps bare CRs.
std::string EditText(HWND edit) {
    std::string raw = GetText(edit);
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        text += raw[i];
        if (raw[i] == '\r' && (i + 1 >= raw.size() || raw[i + 1] != '\n')) text += '\n';
    }
    return text;
}

// The automation plug-in's window: it hands out the copied reader text.
class AutomationWindow {
public:
    AutomationWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = automation::kWindowClass;
        RegisterClassA(&wc);
        Self() = this;
        wnd = CreateWindowExA(0, automation::kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    }
    ~AutomationWindow() {
        DestroyWindow(wnd);
        Self() = nullptr;
    }
    HWND wnd = nullptr;
    std::string copied;

private:
    static AutomationWindow*& Self() {
        static AutomationWindow* self = nullptr;
        return self;
    }
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
        AutomationWindow* self = Self();
        if (self && msg == automation::AM_COPIEDTEXT)
            return self->copied.empty() ? 0 : reinterpret_cast<LRESULT>(self->copied.c_str());
        if (msg >= WM_USER && msg <= WM_USER + 11) return 0;
        return DefWindowProcA(w, msg, wp, lp);
    }
};


class ViewerExports : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string unique = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
        unixDir_ = "/tmp/orv_viewer_mail_" + unique;
        gpgDir_ = "Z:\\tmp\\orv_viewer_mail_" + unique + "\\";
        mailReady_ = StartUnix(std::string(ORV_MAIL_SCRIPT) + " " + unixDir_ + " " + ORV_KEY_DATA) &&
                     WaitForFile(gpgDir_ + "done", 180000);

        mailbox_ = new ScratchDir("viewermail");
        std::string mailbox = mailbox_->Path();
        mailbox.pop_back();
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegMailbox, "", mailbox));
        registry_.push_back(
            std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegBaseDir, "", std::string("C:\\PMail\\")));
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_LOCAL_MACHINE, "Software\\Tamberlow\\Fennick",
                                                            "InstallDir1", ProgramDir()));
        engine_ = new StandInEngine(SourcePath(ORV_KEY_DATA));
        ReplaceWholeFile(mailbox_->Path() + "Merrowin.cfg",
                         "[FilePaths]\r\nPubRing=" + engine_->PublicRing() + "\r\nSecRing=" + engine_->SecretRing() +
                             "\r\n[DefaultUser]\r\nName=alice\\" + kAliceID + "\r\n");
        SetDllDirectoryA(engine_->Dir().c_str());

        mailclient::UserSetup user;
        user.userName = "alice";
        user.mailboxDir = mailbox_->Path();
        user.programDir = ProgramDir();
        user.fromAddress = "alice@example.org";
        host_ = new mailclient::Host(user);
        if (!host_->Create(true)) return;
        automation_ = new AutomationWindow;
        extension_ = host_->LoadExtension(ProgramDir() + "Merrowin.dll");
        if (!extension_) return;
        // What the automation plug-in does at its start.
        auto plugInit = Bind<PlugInitFn>("PlugInit");
        if (plugInit)
            plugInit(host_->Frame(), DWORD(reinterpret_cast<UINT_PTR>(host_->MdiClient())), automation_->wnd,
                     mailbox_->Path().c_str());
    }
    static void TearDownTestSuite() {
        delete host_;  // unloads the library
        host_ = nullptr;
        extension_ = nullptr;
        delete automation_;
        automation_ = nullptr;
        SetDllDirectoryA(nullptr);
        delete engine_;
        engine_ = nullptr;
        registry_.clear();
        delete mailbox_;
        mailbox_ = nullptr;
        StartUnix("-c \"rm -rf " + unixDir_ + "\"");
    }
    void SetUp() override {
        ASSERT_TRUE(mailReady_) << "gpg made no mail in " << gpgDir_;
        ASSERT_NE(extension_, nullptr) << "Merrowin.dll did not load";
        host_->ClearStatusLines();
    }

    template <class Fn>
    static Fn Bind(const char* name) {
        HMODULE module = GetModuleHandleA("Merrowin.dll");
        return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    }
    static std::string Gpg(const std::string& name) { return ReadAll(gpgDir_ + name); }
    static std::string Mailbox() { return mailbox_->Path(); }

    // Opens the form as the automation plug-in does and shows the viewer;
    // the viewer window once it is up.
    HWND OpenViewer(const std::string& form) {
        formWindow_ = host_->OpenForm(*extension_, form);
        if (!formWindow_) return nullptr;
        auto showViewer = Bind<ShowViewerFn>("ShowViewer");
        if (!showViewer || !showViewer()) return nullptr;
        HWND viewer = nullptr;
        PumpUntil(
            [&] {
                viewer = FindWindowA("TfrmViewer", "Viewer");
                return viewer && IsWindowVisible(viewer);
            },
            10000);
        return viewer;
    }
    static HWND EditOf(HWND viewer) { return FindChild(viewer, "RichEdit20A", ""); }
    // The viewer of the form once its text is up (null when it never is),
    // the text, and a screenshot of it.
    HWND ViewerWithText(const std::string& form, std::string& shown, const std::string& shot) {
        HWND viewer = OpenViewer(form);
        HWND edit = viewer ? EditOf(viewer) : nullptr;
        if (!edit || !PumpUntil([&] { return GetWindowTextLengthA(edit) > 0; }, 60000)) return nullptr;
        shown = EditText(edit);
        SaveScreenshot(viewer, ShotPath(shot));
        return viewer;
    }
    // Closes the viewer with its close button; the extension ends with it.
    void CloseViewer(HWND viewer) {
        HWND close = FindChild(viewer, "Button", "C");
        ASSERT_NE(close, nullptr);
        PostMessageA(close, BM_CLICK, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(viewer); }, 10000));
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(formWindow_); }, 10000)) << "the host form stayed open";
    }
    std::vector<std::string> Status() const {
        std::vector<std::string> lines;
        for (const auto& l : host_->StatusLines())
            if (l.kind == host::kStatusProgress) lines.push_back(l.text);
        return lines;
    }
    static std::string FolderOf(const std::vector<std::string>& messages) {
        std::string folder(128, '\0');
        folder.replace(0, 5, "Mixed");
        for (std::size_t i = 0; i < messages.size(); ++i) {
            if (i) folder += '\x1A';
            folder += messages[i];
        }
        return folder;
    }

    HWND formWindow_ = nullptr;
    static inline mailclient::Host* host_ = nullptr;
    static inline mailclient::Extension* extension_ = nullptr;
    static inline AutomationWindow* automation_ = nullptr;
    static inline StandInEngine* engine_ = nullptr;
    static inline ScratchDir* mailbox_ = nullptr;
    static inline std::vector<std::unique_ptr<RegistryValue>> registry_;
    static inline std::string unixDir_, gpgDir_;
    static inline bool mailReady_ = false;
};

void SaveAs(HWND dlg, const std::string& path) {
    HWND name = FindChildById(dlg, 0x47C);
    HWND edit = name ? FindChild(name, "Edit", "") : nullptr;
    if (!edit) edit = FindChildById(dlg, 0x480);
    SetText(edit ? edit : name, path);
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dlg, IDOK)));
}

std::string FileNameField(HWND dlg) {
    HWND name = FindChildById(dlg, 0x47C);
    HWND edit = name ? FindChild(name, "Edit", "") : nullptr;
    if (!edit) edit = FindChildById(dlg, 0x480);
    return GetText(edit ? edit : name);
}

}  // namespace

TEST_F(ViewerExports, AReadersEncryptedMessageShowsDecryptedInPlaceWithItsSignatureLine) {
    // The reader shows the inline message as it arrived: its text part is an
    // armoured block (bob to alice, signed), its attachment a second one.
    const std::string message = Gpg("inline.PM$");
    automation_->copied = message;
    PassphraseTypist answerer;
    HWND viewer = OpenViewer("VIEWER");
    ASSERT_NE(viewer, nullptr);
    HWND edit = EditOf(viewer);
    ASSERT_TRUE(PumpUntil([&] { return GetWindowTextLengthA(edit) > 0; }, 30000));
    PumpFor(300);
    const std::string shown = EditText(edit);
    SaveScreenshot(viewer, ShotPath("viewer_reader_mode.png"));

    const std::size_t firstBlock = message.find("-----BEGIN PGP MESSAGE-----");
    EXPECT_EQ(shown.substr(0, firstBlock), message.substr(0, firstBlock));
    EXPECT_NE(shown.find("PGP-Info: \tGood signature"), std::string::npos) << shown;
    EXPECT_NE(shown.find("bob <bob@example.org>"), std::string::npos) << shown;
    EXPECT_NE(shown.find("the figures are attached (caf\xe9 prices)."), std::string::npos) << shown;
    // Only the first block is decoded; the attachment's stays as it came.
    EXPECT_EQ(CountOf(shown, "-----BEGIN PGP MESSAGE-----"), 1);
    EXPECT_NE(shown.find("filename=\"figures.bin.asc\""), std::string::npos);
    EXPECT_EQ(Status(), (std::vector<std::string>{"Decrypting/Verifying ...", "Decrypting/Verifying finished"}));
    EXPECT_GE(answerer.answered.load(), 1);

    // Find through the host's command relay while the viewer is in front.
    // The form window the extension gave the host is its session window.
    HWND session = formWindow_;
    ASSERT_NE(session, nullptr);
    {
        ModalScript script;
        script.Expect("TfrmPGPFind", "Search for:", [](HWND dlg) {
            SetText(FindChild(dlg, "Edit", ""), "figures are");
            PostKey(FindChild(dlg, "Edit", ""), VK_RETURN);
        });
        script.Start();
        SetForegroundWindow(viewer);
        PumpFor(100);
        SendMessageA(session, host::kFormMsgCommand, host::kCmdFind, 0);
        PumpFor(800);
        ASSERT_TRUE(script.Finish()) << script.Failure();
        CHARRANGE sel{};
        SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
        char found[64] = {};
        SendMessageA(edit, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(found));
        EXPECT_EQ(std::string(found), "figures are");
    }

    // Saved plainly, the file holds the decrypted text as shown.
    const std::string plain = Mailbox() + "reader plain.txt";
    std::string proposed;
    {
        ModalScript script;
        script.Expect("#32770", "SAVE Output as:", [&](HWND dlg) {
            proposed = FileNameField(dlg);
            SaveAs(dlg, plain);
        });
        script.Expect("TfrmPGPDlg", "Confirm:", PressButton("No"));
        script.Expect("TfrmPGPDlg", "Info:", [](HWND box) { ClickFirstButton(box); });
        script.Start();
        PostMessageA(viewer, host::kFormMsgCommand, 230, 0);
        PumpUntil([&] { return script.Seen().size() == 3; }, 20000);
        PumpFor(500);
        ASSERT_TRUE(script.Finish()) << script.Failure();
    }
    EXPECT_EQ(proposed, "Figures (inline).txt");
    EXPECT_EQ(ReadAll(plain), shown);

    // Encrypted, it goes to the name with ".pgp" appended, for alice's key.
    const std::string chosen = Mailbox() + "reader secret.txt";
    {
        ModalScript script;
        script.Expect("#32770", "SAVE Output as:", [&](HWND dlg) { SaveAs(dlg, chosen); });
        script.Expect("TfrmPGPDlg", "Confirm:", PressButton("Yes"));
        script.Expect("TfrmPGPDlg", "Info:", [](HWND box) { ClickFirstButton(box); });
        script.Start();
        PostMessageA(viewer, host::kFormMsgCommand, 230, 0);
        PumpUntil([&] { return script.Seen().size() == 3; }, 30000);
        PumpFor(500);
        ASSERT_TRUE(script.Finish()) << script.Failure();
        const auto seen = script.Seen();
        ASSERT_EQ(seen.size(), 3u);
    }
    const std::string encrypted = ReadAll(chosen + ".pgp");
    EXPECT_GT(encrypted.size(), 100u);
    EXPECT_EQ(encrypted.find("figures are attached"), std::string::npos);
    EXPECT_EQ(GetFileAttributesA(chosen.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((chosen + ".pgp.orv~").c_str()), INVALID_FILE_ATTRIBUTES);

    CloseViewer(viewer);
    automation_->copied.clear();
}

// Signed first and encrypted after, as separate PGP/MIME layers, and a
// clear-signed block before an encrypted one (gpg's verdicts in
// verdicts.txt): the signature inside the decrypted entity heads the text
// in the reader and in the folder, and a forged one is never good. A list's
// wrapper around a PGP/MIME message is read as the message it carries.
TEST_F(ViewerExports, TheSignatureInsideADecryptedEntityIsShownAsGnuPGReadsIt) {
    const std::string verdicts = Gpg("verdicts.txt");
    ASSERT_NE(verdicts.find("nested.PM$ good\n"), std::string::npos) << verdicts;
    ASSERT_NE(verdicts.find("nested_tampered.PM$ bad\n"), std::string::npos) << verdicts;
    struct Row {
        const char* file;
        const char* info;
    } rows[] = {{"nested.PM$", "PGP-Info: \tGood signature"},
                {"nested_tampered.PM$", "PGP-Info: \tBad signature"},
                // A forged clear-signed block before a good signed and encrypted one.
                {"blocks_tampered.PM$", "PGP-Info: \tBad signature"}};
    ASSERT_NE(verdicts.find("blocks_tampered.PM$ bad\n"), std::string::npos) << verdicts;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        automation_->copied = Gpg(row.file);
        PassphraseTypist answerer;
        std::string shown;
        HWND viewer = ViewerWithText("VIEWER", shown, std::string("viewer_reader_") + row.file + ".png");
        ASSERT_NE(viewer, nullptr);
        EXPECT_NE(shown.find(row.info), std::string::npos) << shown;
        EXPECT_EQ(CountOf(shown, "PGP-Info:"), 1) << shown;
        EXPECT_EQ(shown.find("-----BEGIN PGP"), std::string::npos) << shown;
        EXPECT_NE(shown.find("attached (caf\xe9 prices)."), std::string::npos) << shown;
        CloseViewer(viewer);
        automation_->copied.clear();
    }

    // After them a list's wrapper around a message encrypted and signed in one.
    ReplaceWholeFile(Mailbox() + "NESTED.PMM", FolderOf({Gpg(rows[0].file), Gpg(rows[1].file), Gpg("list_enc.PM$")}));
    host_->folderChoice = "nested";
    PassphraseTypist answerer;
    std::string shown;
    HWND viewer = ViewerWithText("FOLDER", shown, "viewer_folder_nested.png");
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(CountOf(shown, kMailEnd), 3) << shown;
    const std::size_t good = shown.find(rows[0].info), bad = shown.find(rows[1].info);
    EXPECT_NE(good, std::string::npos) << shown;
    EXPECT_NE(bad, std::string::npos) << shown;
    EXPECT_LT(good, bad) << "each message under its own verdict";
    const std::size_t listed = shown.find("Subject: [figures-list] Figures (list, encrypted)");
    ASSERT_NE(listed, std::string::npos) << shown;
    EXPECT_NE(shown.find(rows[0].info, listed), std::string::npos) << "the wrapped message decrypted: " << shown;
    EXPECT_NE(shown.find("figures-list mailing list", listed), std::string::npos) << shown;
    EXPECT_EQ(shown.find("-----BEGIN PGP"), std::string::npos) << shown;
    CloseViewer(viewer);
    host_->folderChoice.clear();
}

TEST_F(ViewerExports, AReaderTextWithoutABlockSaysSoAndEnds) {
    automation_->copied = "From: bob\r\nSubject: plain\r\n\r\nnothing protected here\r\n";
    ModalScript script;
    script.Expect("TfrmPGPDlg", "Info:", [](HWND box) { ClickFirstButton(box); });
    script.Start();
    formWindow_ = host_->OpenForm(*extension_, "VIEWER");
    ASSERT_NE(formWindow_, nullptr);
    ASSERT_NE(Bind<ShowViewerFn>("ShowViewer")(), nullptr);
    PumpUntil([&] { return script.Seen().size() == 1; }, 15000);
    PumpFor(500);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_NE(script.Seen()[0].texts.size() + 1, 0u);
    EXPECT_TRUE(PumpUntil([&] { return !FindWindowA("TfrmViewer", "Viewer"); }, 10000));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(formWindow_); }, 10000));
    automation_->copied.clear();
}

TEST_F(ViewerExports, AFolderOfMixedMessagesLoadsEveryMessageReadable) {
    const std::vector<std::string> messages = {
        "From: carol <carol@example.org>\r\nTo: alice@example.org\r\nSubject: Plain note\r\n\r\nJust a plain note.\r\n",
        Gpg("clear.PM$"), Gpg("mime_enc.PM$"), Gpg("mime_signed.PM$"), Gpg("inline.PM$")};
    ReplaceWholeFile(Mailbox() + "MIXED.PMM", FolderOf(messages));
    host_->folderChoice = "Mixed folder:mixed";
    PassphraseTypist answerer;
    HWND viewer = OpenViewer("FOLDER");
    ASSERT_NE(viewer, nullptr);
    HWND edit = EditOf(viewer);
    ASSERT_TRUE(PumpUntil([&] { return GetWindowTextLengthA(edit) > 0; }, 60000));
    PumpFor(300);
    const std::string shown = EditText(edit);
    SaveScreenshot(viewer, ShotPath("viewer_folder_mode.png"));
    EXPECT_EQ(CountOf(shown, kMailEnd), 5) << shown;
    EXPECT_NE(shown.find("Just a plain note."), std::string::npos);
    // The PGP/MIME message is decrypted for viewing, its attachment named.
    EXPECT_NE(shown.find("Subject: Figures (PGP/MIME)"), std::string::npos);
    EXPECT_GE(CountOf(shown, "the figures are attached (caf\xe9 prices)."), 3) << shown;
    EXPECT_NE(shown.find("=> Attachment: "), std::string::npos);
    EXPECT_GE(answerer.answered.load(), 1);
    // The folder button stays for another folder; the buttons are usable again.
    HWND folderButton = FindChild(viewer, "Button", "O");
    ASSERT_NE(folderButton, nullptr);
    EXPECT_TRUE(IsWindowVisible(folderButton) && IsWindowEnabled(folderButton));
    CloseViewer(viewer);
    host_->folderChoice.clear();
}

TEST_F(ViewerExports, AFolderTheFolderManagerHoldsOpenIsReadWithTheManagerClosedAndReopened) {
    const std::vector<std::string> messages = {
        "From: carol <carol@example.org>\r\nTo: alice@example.org\r\nSubject: Held note\r\n\r\nA note in a held folder.\r\n",
        Gpg("mime_enc.PM$")};
    ReplaceWholeFile(Mailbox() + "HELD.PMM", FolderOf(messages));
    // The user looks at the folder in the client's folder manager, which
    // holds the file open without sharing while it shows it.
    HWND folman = host_->OpenFolderManager();
    ASSERT_NE(folman, nullptr);
    ASSERT_TRUE(host_->ShowFolder("HELD.PMM"));
    std::string whileHeld;
    ASSERT_FALSE(ReadWholeFile(Mailbox() + "HELD.PMM", whileHeld)) << "the folder manager does not hold the folder";
    host_->folderChoice = "held";
    PassphraseTypist answerer;
    HWND viewer = OpenViewer("FOLDER");
    ASSERT_NE(viewer, nullptr);
    HWND edit = EditOf(viewer);
    ASSERT_TRUE(PumpUntil([&] { return GetWindowTextLengthA(edit) > 0; }, 60000));
    PumpFor(300);
    const std::string shown = EditText(edit);
    EXPECT_EQ(CountOf(shown, kMailEnd), 2) << shown;
    EXPECT_NE(shown.find("A note in a held folder."), std::string::npos);
    EXPECT_NE(shown.find("the figures are attached (caf\xe9 prices)."), std::string::npos) << shown;
    // The folder manager the user had is closed for the read and open again,
    // with the folders listed; the viewer stays in front of the client.
    EXPECT_FALSE(IsWindow(folman));
    HWND again = host_->FolderManager();
    ASSERT_NE(again, nullptr) << "the folder manager was not opened again";
    EXPECT_TRUE(IsWindowVisible(again));
    HWND folderList = FindChildById(again, mailclient::kIdFolderList);
    ASSERT_NE(folderList, nullptr);
    EXPECT_NE(SendMessageA(folderList, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM("HELD.PMM")), LB_ERR);
    EXPECT_EQ(GetForegroundWindow(), viewer) << "foreground: " << ClassOf(GetForegroundWindow());
    SaveScreenshot(GetDesktopWindow(), ShotPath("viewer_folder_manager_reopened.png"));
    CloseViewer(viewer);
    host_->folderChoice.clear();
    if (HWND manager = host_->FolderManager()) SendMessageA(host_->MdiClient(), WM_MDIDESTROY, WPARAM(manager), 0);
}

TEST_F(ViewerExports, AFolderLoadShowsProgressAndCanBeCancelledPartWay) {
    std::vector<std::string> messages(40, Gpg("mime_enc.PM$"));
    ReplaceWholeFile(Mailbox() + "LONG.PMM", FolderOf(messages));
    host_->folderChoice = "long";
    PassphraseTypist answerer;
    std::atomic<bool> progressSeen{false};
    std::atomic<bool> stop{false};
    std::string caption;
    std::thread user([&] {
        // The user waits for the progress panel and presses Esc.
        while (!stop) {
            HWND v = FindWindowA("TfrmViewer", "Viewer");
            HWND gauge = v ? FindChild(v, "msctls_progress32", "") : nullptr;
            if (gauge && ReallyVisible(gauge) && SendMessageA(gauge, PBM_GETPOS, 0, 0) > 0) {
                progressSeen = true;
                SaveScreenshot(v, ShotPath("viewer_folder_progress_real.png"));
                PostKey(EditOf(v), VK_ESCAPE);
                return;
            }
            Sleep(20);
        }
    });
    HWND viewer = OpenViewer("FOLDER");
    ASSERT_NE(viewer, nullptr);
    HWND edit = EditOf(viewer);
    const bool loaded = PumpUntil([&] { return GetWindowTextLengthA(edit) > 0; }, 120000);
    stop = true;
    user.join();
    ASSERT_TRUE(loaded);
    PumpFor(300);
    EXPECT_TRUE(progressSeen);
    const std::string shown = EditText(edit);
    const int loadedMessages = CountOf(shown, kMailEnd);
    EXPECT_GE(loadedMessages, 1);
    EXPECT_LT(loadedMessages, 40);
    HWND gauge = FindChild(viewer, "msctls_progress32", "");
    EXPECT_FALSE(ReallyVisible(gauge));
    CloseViewer(viewer);
    host_->folderChoice.clear();
}

TEST_F(ViewerExports, ACancelledFolderChoiceLeavesTheViewerUsable) {
    // Without a set choice the client asks for the folder: the user cancels.
    host_->folderChoice.clear();
    ModalScript choice;
    choice.Click("Select a folder", "Cancel");
    choice.Start();
    HWND viewer = OpenViewer("FOLDER");
    ASSERT_NE(viewer, nullptr);
    PumpUntil([&] { return choice.Seen().size() == 1; }, 15000);
    PumpFor(500);
    ASSERT_TRUE(choice.Finish()) << choice.Failure();
    HWND folderButton = FindChild(viewer, "Button", "O");
    ASSERT_NE(folderButton, nullptr);
    EXPECT_TRUE(IsWindowEnabled(GetParent(GetParent(folderButton))));
    EXPECT_EQ(GetWindow(viewer, GW_OWNER), nullptr);
    // An empty folder file: the error, and the viewer is usable again.
    ReplaceWholeFile(Mailbox() + "EMPTY.PMM", std::string(128, '\0'));
    host_->folderChoice = "empty";
    ModalScript script;
    script.Expect("TfrmPGPDlg", "Error:", [](HWND box) { ClickFirstButton(box); });
    script.Start();
    PostMessageA(folderButton, BM_CLICK, 0, 0);
    PumpUntil([&] { return script.Seen().size() == 1; }, 15000);
    PumpFor(500);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(script.Seen().size(), 1u);
    PumpFor(200);
    EXPECT_TRUE(IsWindowEnabled(GetParent(GetParent(folderButton))));
    EXPECT_EQ(GetWindow(viewer, GW_OWNER), nullptr);
    CloseViewer(viewer);
    host_->folderChoice.clear();
}

// The client's folder choice disables only the client's frame: a close of
// the viewer asked meanwhile waits for the choice, and the folder code never
// runs on a viewer that is gone.
TEST_F(ViewerExports, AViewerClosedDuringTheFolderChoiceClosesAfterTheChoice) {
    ReplaceWholeFile(Mailbox() + "CHOICE.PMM", FolderOf({"From: a\r\nSubject: s\r\n\r\nchosen\r\n"}));
    host_->folderChoice.clear();
    HWND viewer = nullptr;
    bool aliveDuringChoice = false;
    ModalScript choice;
    choice.Expect("#32770", "Select a folder", [&](HWND box) {
        viewer = FindTopWindow("TfrmViewer", "Viewer", 5000);
        PostMessageA(viewer, WM_CLOSE, 0, 0);
        // Bounded wait for the fault: the viewer freed inside the choice's loop.
        aliveDuringChoice = viewer && !WaitGone(viewer, 3000) && IsWindow(viewer);
        ClickButton(box, "OK");
    });
    choice.Start();
    formWindow_ = host_->OpenForm(*extension_, "FOLDER");
    ASSERT_NE(formWindow_, nullptr);
    ASSERT_NE(Bind<ShowViewerFn>("ShowViewer")(), nullptr);
    PumpUntil([&] { return choice.Seen().size() == 1 && !FindWindowA("TfrmViewer", "Viewer"); }, 20000);
    ASSERT_TRUE(choice.Finish()) << choice.Failure();
    EXPECT_TRUE(aliveDuringChoice) << "the viewer was freed while its folder choice ran";
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(viewer); }, 10000)) << "the close asked was lost";
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(formWindow_); }, 10000));
}

// The manager opened in the client becomes the session's owner window; a
// question of the viewer is still the viewer's: owned by it, and a close
// asked meanwhile waits for the answer.
TEST_F(ViewerExports, AViewerClosedDuringItsQuestionClosesAfterTheAnswer) {
    automation_->copied = Gpg("inline.PM$");
    PassphraseTypist answerer;
    HWND viewer = OpenViewer("VIEWER");
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return GetWindowTextLengthA(EditOf(viewer)) > 0; }, 30000));
    ASSERT_NE(Bind<ShowViewerFn>("ShowManager")(), nullptr);
    HWND manager = FindWindowA("TfrmManager", "Manager");
    ASSERT_NE(manager, nullptr);
    const std::string plain = Mailbox() + "closed during question.txt";
    HWND questionOwner = nullptr;
    bool aliveDuringQuestion = false;
    ModalScript script;
    script.Expect("#32770", "SAVE Output as:", [&](HWND dlg) { SaveAs(dlg, plain); });
    script.Expect("TfrmPGPDlg", "Confirm:", [&](HWND box) {
        questionOwner = GetWindow(box, GW_OWNER);
        PostMessageA(viewer, WM_CLOSE, 0, 0);
        aliveDuringQuestion = !WaitGone(viewer, 3000) && IsWindow(viewer);
        PressButton("No")(box);
    });
    script.Expect("TfrmPGPDlg", "Info:", [](HWND box) { ClickFirstButton(box); });
    script.Start();
    PostMessageA(viewer, host::kFormMsgCommand, host::kCmdSave, 0);
    PumpUntil([&] { return script.Seen().size() == 3 && !IsWindow(viewer); }, 30000);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(questionOwner, viewer) << "the question belonged to " << ClassOf(questionOwner);
    EXPECT_TRUE(aliveDuringQuestion) << "the viewer was freed while its question waited";
    EXPECT_NE(ReadAll(plain).find("figures are attached"), std::string::npos);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(viewer); }, 10000)) << "the close asked was lost";
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(formWindow_); }, 10000));
    PostMessageA(manager, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(manager); }, 10000));
    automation_->copied.clear();
}

// A folder of 100,000 tiny messages: the load stops where the edit's
// capacity ends, says so, and shows what fits.
TEST_F(ViewerExports, AFolderOfAHundredThousandTinyMessagesStopsAtTheViewersCapacity) {
    std::vector<std::string> messages(100000, "From: a@example.org\r\nSubject: tiny\r\n\r\nx\r\n");
    const std::string folder = FolderOf(messages);
    ASSERT_GT(folder.size(), 4000000u);
    ReplaceWholeFile(Mailbox() + "TINY.PMM", folder);
    host_->folderChoice = "tiny";
    std::string said;
    ModalScript script;
    script.Expect("TfrmPGPDlg", "Error:", [&](HWND box) {
        said = ViewBox(box).text;
        ClickFirstButton(box);
    });
    script.Start(300000);
    HWND viewer = OpenViewer("FOLDER");
    ASSERT_NE(viewer, nullptr);
    PumpUntil([&] { return script.Seen().size() == 1; }, 300000);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(said, "Text length exceeds viewer's capacity!");
    HWND edit = EditOf(viewer);
    ASSERT_TRUE(PumpUntil([&] { return GetWindowTextLengthA(edit) > 0; }, 300000));
    const std::string shown = EditText(edit);
    EXPECT_GT(CountOf(shown, kMailEnd), 1000);
    EXPECT_LT(CountOf(shown, kMailEnd), 100000);
    CloseViewer(viewer);
    host_->folderChoice.clear();
    DeleteFileA((Mailbox() + "TINY.PMM").c_str());
}

namespace {

// A plain message with a text part and an attachment, as a sender made them.
std::string MessageWithParts(const std::string& text, const std::string& attachmentName) {
    return "From: carol <carol@example.org>\r\nTo: alice@example.org\r\nSubject: Parts\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"m\"\r\n\r\n--m\r\nContent-Type: text/plain\r\n\r\n" +
           text + "\r\n--m\r\nContent-Type: application/octet-stream; name=\"" + attachmentName +
           "\"\r\nContent-Disposition: attachment; filename=\"" + attachmentName +
           "\"\r\nContent-Transfer-Encoding: base64\r\n\r\nQUJD\r\n--m--\r\n";
}

// Runs the attachment list over the message; the action works the list box.
void RunAttachmentList(const std::string& message, const std::function<void(HWND list, HWND box)>& action,
                       ModalScript& script) {
    script.Expect("TfrmSelBox", "View/save PGP/MIME attachments:", [action](HWND box) {
        HWND list = FindChild(box, "SysListView32", "");
        action(list, box);
        PostMessageA(FindChild(box, "Button", "C"), BM_CLICK, 0, 0);
    });
    script.Start(120000);
}

void SelectRow(HWND list, int row) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

}  // namespace

// An attachment name of 280 characters overran the save dialog's path room
// at Save: the proposal is cut to fit with its folder, and the part is saved.
TEST_F(ViewerExports, AnAttachmentNameOfTwoHundredAndEightyCharactersIsCutToFitItsFolder) {
    const std::string longName = std::string(276, 'n') + ".bin";
    const std::string message = MessageWithParts("See the file.", longName);
    std::string proposed;
    ModalScript script;
    RunAttachmentList(message, [&](HWND list, HWND box) {
        SelectRow(list, 1);
        PostMessageA(FindChild(box, "Button", "S"), BM_CLICK, 0, 0);
        if (HWND dlg = FindTopWindow("#32770", "Save file as:", 15000)) {
            proposed = FileNameField(dlg);
            PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dlg, IDOK)));
            WaitGone(dlg, 15000);
        }
    }, script);
    EXPECT_EQ(Bind<SaveMimeFn>("SaveMimeAttachments")(message.c_str()), 1);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_FALSE(proposed.empty());
    EXPECT_LT(proposed.size(), longName.size());
    EXPECT_LE(Mailbox().size() + proposed.size(), std::size_t(MAX_PATH - 1));
    EXPECT_EQ(proposed.substr(proposed.size() - 4), ".bin");
    EXPECT_EQ(ReadAll(Mailbox() + proposed), "ABC");
    DeleteFileA((Mailbox() + proposed).c_str());
}

// 2.4 MB of 1.2 million empty lines, viewed from the attachment list, grew
// the process to 1.8 GB and crashed it: the viewer says the text exceeds its
// capacity before the text goes in.
TEST_F(ViewerExports, APartOfOnePointTwoMillionEmptyLinesIsRefusedWithTheCapacityMessage) {
    std::string lines;
    lines.reserve(2400000);
    for (int i = 0; i < 1200000; ++i) lines += "\r\n";
    const std::string message = MessageWithParts(lines, "small.bin");
    std::string question;
    bool viewerShown = false;
    ModalScript script;
    RunAttachmentList(message, [&](HWND list, HWND box) {
        SelectRow(list, 0);
        PostMessageA(FindChild(box, "Button", "V"), BM_CLICK, 0, 0);
        if (HWND confirm = FindTopWindow("TfrmPGPDlg", "Confirm:", 60000)) {
            question = ViewBox(confirm).text;
            PressButton("No")(confirm);
            WaitGone(confirm, 5000);
        }
        if (HWND error = FindTopWindow("TfrmPGPDlg", "Error:", 15000)) ClickFirstButton(error);
        if (HWND v = FindTopWindow("TfrmViewer", "Viewer", 15000)) {
            viewerShown = GetWindowTextLengthA(FindChild(v, "RichEdit20A", "")) == 0;
            PostKey(FindChild(v, "RichEdit20A", ""), VK_ESCAPE);
            WaitGone(v, 5000);
        }
    }, script);
    EXPECT_EQ(Bind<SaveMimeFn>("SaveMimeAttachments")(message.c_str()), 1);
    ASSERT_TRUE(script.Finish(120000)) << script.Failure();
    EXPECT_EQ(question, "Text length exceeds the viewer's capacity,\r\ndo you want to save it to a file?");
    EXPECT_TRUE(viewerShown) << "the empty viewer came up after the question";
}

TEST_F(ViewerExports, TheAttachmentListViewsAndSavesThePartsByteForByte) {
    const std::string message = Gpg("mime_enc.PM$");
    const std::string attachment = Gpg("attachment.bin");
    ASSERT_EQ(attachment.size(), 3000u);
    const std::string savedAttachment = Mailbox() + "saved figures.bin";
    std::vector<std::string> rows;
    std::string proposed, viewed, viewState;
    PassphraseTypist answerer;
    // A box nobody answers any more is closed, so that a failure ends the test.
    std::atomic<bool> listDone{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 900 && !listDone; ++i) Sleep(100);
        for (HWND w : ListTopWindows("", "")) {
            const std::string cls = ClassOf(w);
            if (cls == "TfrmSelBox" || cls == "TfrmViewer" || cls == "#32770") PostMessageA(w, WM_CLOSE, 0, 0);
        }
    });
    ModalScript script;
    script.Expect("TfrmSelBox", "View/save PGP/MIME attachments:", [&](HWND box) {
        HWND list = FindChild(box, "SysListView32", "");
        Sleep(300);
        const int n = ListView_GetItemCount(list);
        for (int i = 0; i < n; ++i) {
            char text[256] = {};
            ListView_GetItemText(list, i, 0, text, sizeof text);
            rows.push_back(text);
        }
        SaveScreenshot(box, ShotPath("selection_box_attachments.png"));
        // The text part: view it.
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        Sleep(200);
        HWND view = FindChild(box, "Button", "V");
        viewState = std::string(view ? "found" : "missing") + (IsWindowEnabled(view) ? " enabled" : " disabled") +
                    " selected " + std::to_string(ListView_GetSelectedCount(list));
        PostMessageA(view, BM_CLICK, 0, 0);
        // The part shows in a modal viewer; Esc closes it.
        if (HWND v = FindTopWindow("TfrmViewer", "Viewer", 15000)) {
            Sleep(300);
            viewed = EditText(FindChild(v, "RichEdit20A", ""));
            SaveScreenshot(v, ShotPath("viewer_text_display.png"));
            PostKey(FindChild(v, "RichEdit20A", ""), VK_ESCAPE);
            WaitGone(v, 5000);
        }
        // The attachment: saved under the name the box proposes.
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        Sleep(200);
        PostMessageA(FindChild(box, "Button", "S"), BM_CLICK, 0, 0);
        if (HWND dlg = FindTopWindow("#32770", "Save file as:", 15000)) {
            Sleep(300);
            proposed = FileNameField(dlg);
            SaveAs(dlg, savedAttachment);
            WaitGone(dlg, 5000);
        }
        Sleep(300);
        PostMessageA(FindChild(box, "Button", "C"), BM_CLICK, 0, 0);
    });
    script.Start();
    const int listed = Bind<SaveMimeFn>("SaveMimeAttachments")(message.c_str());
    listDone = true;
    watchdog.join();
    ASSERT_TRUE(script.Finish()) << script.Failure() << " / view button: " << viewState;
    EXPECT_EQ(listed, 1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], "+ Message body");
    EXPECT_EQ(rows[1], "+ File: figures.bin");
    EXPECT_NE(viewed.find("the figures are attached (caf\xe9 prices)."), std::string::npos) << viewed;
    EXPECT_EQ(proposed, "figures.bin");
    EXPECT_EQ(ReadAll(savedAttachment), attachment);
}

// ---- Benchmarks: figures, not pass/fail (run with --gtest_also_run_disabled_tests) ----

namespace {

// The benchmark mail: made once per run in a directory of its own (a name
// left by an earlier run with the same process number would be found "done"
// before the script has started), or taken from ORV_BENCH_MAIL, a directory
// that make_folder.sh filled before, which stays.
std::string& BenchUnixDir() {
    static std::string dir;
    return dir;
}

// The benchmark mail made here goes when the program ends.
struct BenchCleanup {
    bool made = false;
    ~BenchCleanup() {
        if (made) StartUnix("-c \"rm -rf " + BenchUnixDir() + "\"");
    }
} g_benchCleanup;

std::string BenchDir() {
    static std::string dir;
    if (!dir.empty()) return dir;
    if (const char* given = getenv("ORV_BENCH_MAIL")) {
        std::string unixDir = given;
        if (!unixDir.empty() && unixDir.back() == '/') unixDir.pop_back();
        dir = "Z:" + unixDir + "\\";
        for (char& c : dir)
            if (c == '/') c = '\\';
        if (GetFileAttributesA((dir + "done").c_str()) == INVALID_FILE_ATTRIBUTES) dir.clear();
        return dir;
    }
    const char* count = getenv("ORV_BENCH_COUNT");
    const std::string unique = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
    BenchUnixDir() = "/tmp/orv_viewer_bench_" + unique;
    g_benchCleanup.made = true;
    dir = "Z:\\tmp\\orv_viewer_bench_" + unique + "\\";
    if (!StartUnix(std::string(ORV_BENCH_SCRIPT) + " " + BenchUnixDir() + " " + ORV_KEY_DATA + " " + (count ? count : "1000")) ||
        !WaitForFile(dir + "done", 1800000))
        dir.clear();
    return dir;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(to.QuadPart - from.QuadPart) / double(f.QuadPart);
}

// The process's private bytes. Wine leaves PrivateUsage at 0 and reports
// the private memory as the page-file usage, as Windows does too.
SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PagefileUsage;
}

// Wine reports the private bytes again as their "peak", so the peak is
// sampled: a second thread reads the private bytes every 2 ms while it lives.
class PeakSampler {
public:
    PeakSampler() : before_(PrivateBytes()), peak_(before_), thread_([this] {
        while (running_) {
            const SIZE_T now = PrivateBytes();
            if (now > peak_) peak_ = now;
            Sleep(2);
        }
    }) {}
    ~PeakSampler() { Stop(); }
    void Stop() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
    }
    double BeforeMB() const { return double(before_) / 1048576.0; }
    double PeakAboveMB() const { return double(peak_ - before_) / 1048576.0; }
    SIZE_T Before() const { return before_; }
    SIZE_T Peak() const { return peak_; }

private:
    SIZE_T before_;
    std::atomic<SIZE_T> peak_;
    std::atomic<bool> running_{true};
    std::thread thread_;
};

// The moment the viewer streams its text into the edit control, noted by a
// hook on this thread: what comes before is the viewer's and the engine's,
// what comes after is the edit's. With a sampler, the peak reached by then.
class TextGoingIn {
public:
    explicit TextGoingIn(const PeakSampler* sampler = nullptr)
        : sampler_(sampler), hook_(SetWindowsHookExA(WH_CALLWNDPROC, &Note, nullptr, GetCurrentThreadId())) {
        current_ = this;
    }
    ~TextGoingIn() {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    TextGoingIn(const TextGoingIn&) = delete;
    TextGoingIn& operator=(const TextGoingIn&) = delete;
    bool Seen() const { return seen_; }
    LARGE_INTEGER At() const { return at_; }
    SIZE_T Bytes() const { return bytes_; }
    SIZE_T PeakSoFar() const { return peak_; }

private:
    static LRESULT CALLBACK Note(int code, WPARAM wp, LPARAM lp) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
        TextGoingIn* self = current_;
        if (code == HC_ACTION && call->message == EM_STREAMIN && self && !self->seen_) {
            QueryPerformanceCounter(&self->at_);
            self->bytes_ = PrivateBytes();
            self->peak_ = std::max<SIZE_T>(self->sampler_ ? self->sampler_->Peak() : 0, self->bytes_);
            self->seen_ = true;
        }
        return CallNextHookEx(nullptr, code, wp, lp);
    }
    static inline TextGoingIn* current_ = nullptr;
    const PeakSampler* sampler_;
    HHOOK hook_;
    bool seen_ = false;
    LARGE_INTEGER at_{};
    SIZE_T bytes_ = 0, peak_ = 0;
};

}  // namespace

namespace {

// RNP alone in one process over the same file and key rings (the
// benchmarks' anchor): its seconds and peak private megabytes.
struct AnchorRun {
    double seconds = 0, peakMB = 0;
    bool ok = false;
};

AnchorRun RunRnpAlone(const std::string& file, bool oneMessage, const std::string& pubRing,
                      const std::string& secRing) {
    const std::string report = file + ".rnp.txt";
    DeleteFileA(report.c_str());
    ChildProcess anchor(ProgramDir() + "rnp_folder.exe", "\"" + pubRing + "\" \"" + secRing + "\" \"" + kAlicePass +
                                                            "\" \"" + file + "\" \"" + report + "\"" +
                                                            (oneMessage ? " --message" : ""));
    AnchorRun run;
    if (!anchor.Started() || !anchor.Wait(1800000) || anchor.ExitCode() != 0) return run;
    run.ok = sscanf(ReadAll(report).c_str(), "messages %*d blocks %*d decrypted %*d good %*d seconds %lf peak %lf",
                    &run.seconds, &run.peakMB) == 2;
    return run;
}

using orv::test::kBenchRounds;
using orv::test::MinMedian;

// Product against RNP alone, seconds per round.
void PrintRatio(const char* figure, const std::vector<double>& product, const std::vector<double>& anchor) {
    orv::test::PrintRatio(figure, "rnp alone", product, anchor);
}

}  // namespace

TEST_F(ViewerExports, DISABLED_BenchFolderModeAgainstGpg) {
    const std::string dir = BenchDir();
    ASSERT_FALSE(dir.empty()) << "the benchmark mail was not made";
    const std::string folder = ReadAll(dir + "FOLDER.PMM");
    ReplaceWholeFile(Mailbox() + "BENCH.PMM", folder);
    host_->folderChoice = "bench";
    const int messages = CountOf(folder, "\x1A") + 1;
    printf("[bench] folder: %d messages, %zu bytes\n", messages, folder.size());
    // One folder load, from opening the viewer until the text is shown: its
    // seconds. The typist's thread is there before the sampler starts.
    PassphraseTypist answerer;
    auto load = [&](double& seconds) {
        const int askedBefore = answerer.answered.load();
        TextGoingIn textIn;
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        HWND viewer = OpenViewer("FOLDER");
        ASSERT_NE(viewer, nullptr);
        HWND edit = EditOf(viewer);
        ASSERT_TRUE(PumpUntil([&] { return GetWindowTextLengthA(edit) > 0; }, 1800000));
        QueryPerformanceCounter(&end);
        const std::string shown = EditText(edit);
        seconds = Seconds(start, end);
        printf("[bench] folder mode load: %.2f s (%d messages shown; %.2f s of it until the text goes into the edit "
               "control), passphrase prompts %d\n",
               seconds, CountOf(shown, kMailEnd), textIn.Seen() ? Seconds(start, textIn.At()) : 0.0,
               answerer.answered.load() - askedBefore);
        EXPECT_EQ(CountOf(shown, kMailEnd), messages);
        CloseViewer(viewer);
    };
    std::vector<double> product, anchor;
    for (int round = 0; round < kBenchRounds; ++round) {
        double seconds = 0;
        load(seconds);
        if (HasFatalFailure()) return;
        product.push_back(seconds);
        const AnchorRun rnp = RunRnpAlone(dir + "FOLDER.PMM", false, engine_->PublicRing(), engine_->SecretRing());
        ASSERT_TRUE(rnp.ok) << "RNP alone did not read the folder";
        anchor.push_back(rnp.seconds);
    }
    PrintRatio("folder load", product, anchor);
    {
        // The memory in a load of its own: the sampling thread reads the
        // process's counters every 2 ms, which under Wine takes a large share
        // of a single processor and would slow the timed loads above.
        PeakSampler sampler;
        double seconds = 0;
        load(seconds);
        if (HasFatalFailure()) return;
        sampler.Stop();
        printf("[bench] private bytes (a load of its own, sampled): before %.1f MB, peak %.1f MB above it, the edit "
               "control and the viewer's window included (folder %.1f MB)\n",
               sampler.BeforeMB(), sampler.PeakAboveMB(), folder.size() / 1048576.0);
    }
    printf("[bench] gpg one process per message (agent unprotects the key each time): %s s\n",
           ReadAll(dir + "gpg_folder.txt").c_str());
    double gpgMin = 0, gpgMedian = 0;
    ASSERT_EQ(sscanf(ReadAll(dir + "gpg_one_process.txt").c_str(), "%lf %lf", &gpgMin, &gpgMedian), 2);
    const auto [pMin, pMedian] = MinMedian(product);
    printf("[bench] ratio folder load / gpg one process: %.2f %.2f\n", pMin / gpgMin, pMedian / gpgMedian);
    host_->folderChoice.clear();
}

TEST_F(ViewerExports, DISABLED_BenchDecryptFileExOfATwentyMegabyteAttachment) {
    const std::string dir = BenchDir();
    ASSERT_FALSE(dir.empty()) << "the benchmark mail was not made";
    const std::string file = Mailbox() + "BIG.PM$";
    ReplaceWholeFile(file, ReadAll(dir + "BIG.PM$"));
    const std::string output = Mailbox() + "BIG.out";
    // One DECRYPT_FILE_EX of the message: its seconds, and the peak above the
    // start when a sampler watches. The typist's thread is there before any
    // sampler starts: its stack is not the product's.
    PassphraseTypist answerer;
    auto decrypt = [&](double& seconds, PeakSampler* sampler) {
        const int askedBefore = answerer.answered.load();
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        const mailclient::CryptOutcome outcome =
            host_->RunCrypt(*extension_, mailclient::CryptOp::Decrypt, file, output, "");
        QueryPerformanceCounter(&end);
        if (sampler) sampler->Stop();
        const std::string result = ReadAll(output);
        seconds = Seconds(start, end);
        printf("[bench] message %.1f MB; DECRYPT_FILE_EX result %d, output %.1f MB in %.2f s, passphrase prompts %d\n",
               ReadAll(file).size() / 1048576.0, outcome.result, result.size() / 1048576.0, seconds,
               answerer.answered.load() - askedBefore);
        EXPECT_GT(result.size(), 20u * 1024 * 1024);
        DeleteFileA(output.c_str());
    };
    std::vector<double> product, anchor;
    for (int round = 0; round < kBenchRounds; ++round) {
        double seconds = 0;
        decrypt(seconds, nullptr);
        product.push_back(seconds);
        const AnchorRun rnp = RunRnpAlone(file, true, engine_->PublicRing(), engine_->SecretRing());
        ASSERT_TRUE(rnp.ok) << "RNP alone did not read the message";
        anchor.push_back(rnp.seconds);
        printf("[bench] rnp alone, the same one-off job (message file read, key unlocked, plain text written): %.2f s, "
               "peak private bytes of its whole process %.1f MB\n",
               rnp.seconds, rnp.peakMB);
    }
    PrintRatio("DECRYPT_FILE_EX", product, anchor);
    {
        // The memory in a run of its own, as for the folder load: the
        // sampler would slow the timed runs.
        PeakSampler sampler;
        double seconds = 0;
        decrypt(seconds, &sampler);
        printf("[bench] private bytes (a run of its own, sampled): before %.1f MB, peak %.1f MB above it (message "
               "%.1f MB)\n",
               sampler.BeforeMB(), sampler.PeakAboveMB(), ReadAll(file).size() / 1048576.0);
    }
    printf("[bench] gpg (seconds, peak KB): %s\n", ReadAll(dir + "gpg_big.txt").c_str());
}

// Folder-load memory: a folder of mixed messages (plain, plain with an
// attachment, inline and PGP/MIME encrypted and signed, clear-signed) of
// ORV_BENCH_FOLDER_MB megabytes (default 1) loaded in folder mode. A second
// thread samples the private bytes while the folder loads; the figures are
// the peak and what stays held once the text is shown, both above the level
// before the load. One size per run, so that no earlier load's freed heap
// hides a later one's growth (tests/plugin/bench/folder_memory.sh runs 1, 10
// and 30 MB).
TEST_F(ViewerExports, DISABLED_BenchFolderLoadMemory) {
    const char* sizeText = getenv("ORV_BENCH_FOLDER_MB");
    const double megabytes = sizeText ? atof(sizeText) : 1.0;
    const std::string attachmentMail = [] {
        std::string body;
        for (int i = 0; i < 400; ++i) body += "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5\r\n";
        return "From: carol <carol@example.org>\r\nTo: alice@example.org\r\nSubject: Report\r\nMIME-Version: 1.0\r\n"
               "Content-Type: multipart/mixed; boundary=\"m\"\r\n\r\n--m\r\nContent-Type: text/plain\r\n\r\n"
               "The report is attached.\r\n--m\r\nContent-Type: application/octet-stream; name=\"r.bin\"\r\n"
               "Content-Transfer-Encoding: base64\r\n\r\n" +
               body + "--m--\r\n";
    }();
    const std::vector<std::string> cycle = {
        "From: carol <carol@example.org>\r\nTo: alice@example.org\r\nSubject: Plain note\r\n\r\n"
        "Just a plain note,\r\nwith a second line of text in it.\r\n",
        attachmentMail, Gpg("mime_enc.PM$"), Gpg("mime_signed.PM$"), Gpg("clear.PM$"), Gpg("inline.PM$"), [] {
            // A long letter: what the viewer shows is as large as what it read.
            std::string text = "From: carol <carol@example.org>\r\nTo: alice@example.org\r\nSubject: Long letter\r\n\r\n";
            for (int i = 0; i < 300; ++i) text += "A line of a long letter, line number " + std::to_string(i) + " of it.\r\n";
            return text;
        }()};
    // ORV_BENCH_KINDS picks kinds of the cycle by their digits ("01": the
    // plain ones only, "6": long letters only); 0 to 5 by default.
    const char* kindsText = getenv("ORV_BENCH_KINDS");
    std::vector<std::string> kinds;
    for (std::size_t k = 0; k < cycle.size(); ++k)
        if (kindsText ? strchr(kindsText, char('0' + k)) != nullptr : k < 6) kinds.push_back(cycle[k]);
    std::vector<std::string> messages;
    std::size_t bytes = 128;
    for (std::size_t i = 0; bytes < std::size_t(megabytes * 1048576.0); ++i) {
        messages.push_back(kinds[i % kinds.size()]);
        bytes += messages.back().size() + 1;
    }
    const std::string folder = FolderOf(messages);
    ReplaceWholeFile(Mailbox() + "MEMORY.PMM", folder);
    PassphraseTypist answerer;
    // A small load first, one message of each kind: the engine, the rich
    // edit and the boxes are set up once per process and are not the folder's.
    ReplaceWholeFile(Mailbox() + "WARM.PMM", FolderOf(kinds));
    host_->folderChoice = "warm";
    HWND warm = OpenViewer("FOLDER");
    ASSERT_NE(warm, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return GetWindowTextLengthA(EditOf(warm)) > 0; }, 60000));
    CloseViewer(warm);
    PumpFor(300);

    host_->folderChoice = "memory";
    PeakSampler sampler;
    const SIZE_T before = sampler.Before();
    TextGoingIn textIn(&sampler);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    HWND viewer = OpenViewer("FOLDER");
    ASSERT_NE(viewer, nullptr);
    HWND edit = EditOf(viewer);
    const bool loaded = PumpUntil([&] { return GetWindowTextLengthA(edit) > 0; }, 3600000);
    QueryPerformanceCounter(&end);
    PumpFor(500);
    sampler.Stop();
    const SIZE_T held = PrivateBytes();
    ASSERT_TRUE(loaded);
    const std::size_t shownLength = std::size_t(GetWindowTextLengthA(edit));
    const double folderMB = double(folder.size()) / 1048576.0;
    if (HWND log = FindWindowA("PGPscLogWindow", nullptr))
        printf("[bench] engine log lines %ld\n", long(SendDlgItemMessageA(log, 3101, LB_GETCOUNT, 0, 0)));
    const double peakMB = sampler.PeakAboveMB(), heldMB = double(held > before ? held - before : 0) / 1048576.0;
    printf("[bench] folder %.1f MB, %zu messages, shown text %.1f MB, loaded in %.1f s, passphrase prompts %d\n",
           folderMB, messages.size(), double(shownLength) / 1048576.0, Seconds(start, end), answerer.answered.load());
    printf("[bench] private bytes above the level before the load (%.1f MB): peak %.1f MB (%.1fx the folder), held "
           "while shown %.1f MB (%.1fx)\n",
           double(before) / 1048576.0, peakMB, peakMB / folderMB, heldMB, heldMB / folderMB);
    if (textIn.Seen()) {
        const SIZE_T atText = textIn.Bytes();
        const double ownPeakMB = double(textIn.PeakSoFar() - before) / 1048576.0;
        const double ownHeldMB = double(atText > before ? atText - before : 0) / 1048576.0;
        const double editMB = double(held > atText ? held - atText : 0) / 1048576.0;
        printf("[bench] until the text goes into the edit control: peak %.1f MB (%.1fx the folder), held %.1f MB "
               "(%.1fx); the edit control then adds %.1f MB for %.1f MB of text\n",
               ownPeakMB, ownPeakMB / folderMB, ownHeldMB, ownHeldMB / folderMB, editMB,
               double(shownLength) / 1048576.0);
    }
    CloseViewer(viewer);
    host_->folderChoice.clear();
}
