// The key exports of the main library as the automation plug-in calls them:
// Merrowin.dll loaded as the mail client loads it, over the engine stand-in
// with copies of the gpg-made rings, the engine's key selection dialog and
// the library's boxes answered by the robot. What the exports leave behind
// (ring files, exported armour, fingerprints) is checked with gpg.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/whole_file.h"
#include "interfaces/address_room.h"
#include "interfaces/mail_client.h"
#include "plugin/msgbox.h"
#include "plugin/session.h"
#include "strings/text_client.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/support/fake_sdk_env.h"
#include "tests/support/gpg_shell.h"
#include "tests/support/main_library.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"
#include "tests/ui/box_view.h"
#include "ui/window.h"

#ifndef ORV_KEY_DATA
#error ORV_KEY_DATA names the test ring directory
#endif

using namespace orv;
using namespace orv::test;

namespace {

const char* const kBox = "TfrmPGPDlg";
const char* const kSelection = "PGP Key Selection";
const int kSelectionPrompt = 2001;
const int kSelectionList = 2002;

const char* const kAlice = "0xE8750B357ACE6A48";
const char* const kBob = "0xD91F7A27B2A16278";
const char* const kCarol = "0x6533671D0C89AF89";



// A key-ID text as the engine prints it: "0x" and upper-case digits.
std::string Upper(std::string s) {
    for (size_t i = 2; i < s.size(); ++i) s[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
    if (s.size() > 1) s[1] = 'x';
    return s;
}

std::string CellText(HWND list, int row, int column) {
    char buffer[512] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

int RowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

// What the robot saw of the engine's selection dialog.
struct SelectionSeen {
    std::string prompt;
    std::set<std::string> offered;  // key-ID texts, upper case
};

// Selects the rows of the given keys in the engine's selection dialog and
// presses OK; no keys: Cancel.
ModalScript::Action ChooseKeys(std::vector<std::string> ids, SelectionSeen* seen) {
    return [ids, seen](HWND dialog) {
        HWND list = FindChildById(dialog, kSelectionList);
        if (seen) seen->prompt = GetText(FindChildById(dialog, kSelectionPrompt));
        for (int row = 0; list && row < RowCount(list); ++row) {
            const std::string id = Upper(CellText(list, row, 1));
            if (seen) seen->offered.insert(id);
            if (std::find_if(ids.begin(), ids.end(), [&](const std::string& k) { return Upper(k) == id; }) ==
                ids.end())
                continue;
            LVITEMA state{};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        }
        ClickButton(dialog, ids.empty() ? "Cancel" : "OK");
    };
}

ModalScript::Action Answer(WORD key, BoxView* view) {
    return [key, view](HWND box) {
        if (view) *view = ViewBox(box);
        // No key: the thread is told to quit while the box is open.
        if (key)
            PostKey(box, key);
        else
            PostMessageA(box, WM_QUIT, 0, 0);
    };
}

// After the scripted steps, any further box of the library is answered with
// No and counted, so that a box too many fails the test instead of hanging it.
void GuardFurtherBoxes(ModalScript& script) { script.Expect(kBox, "", [](HWND box) { PostKey(box, 'N'); }); }

// True when exactly the scripted steps were answered.
::testing::AssertionResult AnsweredExactly(ModalScript& script, size_t steps) {
    script.Finish(1500);
    const auto seen = script.Seen();
    if (seen.size() == steps) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << seen.size() << " windows answered, " << steps << " scripted";
    if (seen.size() < steps) return failure << ": " << script.Failure();
    return failure << "; the one too many: \"" << seen.back().caption << "\"";
}

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return "<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(::GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::string& text) {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (mem) {
        memcpy(::GlobalLock(mem), text.c_str(), text.size() + 1);
        GlobalUnlock(mem);
        if (!SetClipboardData(CF_TEXT, mem)) GlobalFree(mem);
    }
    CloseClipboard();
}

// A window of the message editor's class, first in z-order at the level of
// the host form window, that records the field messages it gets.
class EditorWindow {
public:
    EditorWindow() {
        RegisterOnce();
        frame_ = CreateWindowExA(0, "OrvTestFrame", "Pegasus Mail", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        host_ = CreateWindowExA(0, "OrvTestFrame", "form host", WS_CHILD, 0, 0, 10, 10, frame_, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        editor_ = CreateWindowExA(0, host::kEditorClass, "Message", WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, frame_,
                                  nullptr, GetModuleHandleA(nullptr), this);
        SetWindowPos(editor_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ~EditorWindow() { DestroyWindow(frame_); }
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;
    HWND Host() const { return host_; }
    HWND Editor() const { return editor_; }
    struct Field {
        WPARAM field;
        std::string text;
    };
    std::vector<Field> fields;

private:
    static void RegisterOnce() {
        static bool done = false;
        if (done) return;
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "OrvTestFrame";
        RegisterClassA(&wc);
        wc.lpfnWndProc = EditorProc;
        wc.lpszClassName = host::kEditorClass;
        RegisterClassA(&wc);
        done = true;
    }
    static LRESULT CALLBACK EditorProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrA(wnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<EditorWindow*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
        if (self && msg == host::kEditorSetField) {
            self->fields.push_back({wp, wp == host::kFieldInsertText && lp ? reinterpret_cast<const char*>(lp) : ""});
            return 1;
        }
        return DefWindowProcA(wnd, msg, wp, lp);
    }
    HWND frame_ = nullptr, host_ = nullptr, editor_ = nullptr;
};

class KeyExports : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        mailbox_ = new ScratchDir("keymailbox");
        std::string mailbox = mailbox_->Path();
        mailbox.pop_back();
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegMailbox, "", mailbox));
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_LOCAL_MACHINE, "Software\\Tamberlow\\Fennick",
                                                            "InstallDir1", ProgramDir()));
        engine_ = new StandInEngine(SourcePath(ORV_KEY_DATA));
        WriteConfig(false);
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
    static void WriteConfig(bool autoList) {
        ReplaceWholeFile(mailbox_->Path() + "Merrowin.cfg",
                         "[FilePaths]\r\nPubRing=" + engine_->PublicRing() + "\r\nSecRing=" + engine_->SecretRing() +
                             "\r\n[DefaultUser]\r\nName=alice\\0xE8750B357ACE6A48\r\n[Pellatch]\r\nAuto=" +
                             (autoList ? "1" : "0") + "\r\n");
    }
    void SetUp() override {
        ASSERT_NE(module_, nullptr) << "Merrowin.dll did not load: " << GetLastError();
        engine_->ResetRings();
        WriteConfig(false);
        keyDelete = BindExport<merrowin::kKeyDelete>(module_);
        keyExtract = BindExport<merrowin::kKeyExtract>(module_);
        showFingerPrint = BindExport<merrowin::kShowFingerPrint>(module_);
        execPGPkeys = BindExport<merrowin::kExecPGPkeys>(module_);
        findKeys = BindExport<merrowin::kFindKeys>(module_);
        formInit = BindExport<merrowin::kFORMINIT>(module_);
        ASSERT_TRUE(keyDelete && keyExtract && showFingerPrint && execPGPkeys && findKeys && formInit);
    }
    void TearDown() override { PumpFor(20); }

    int RingKeys() { return findKeys("", nullptr, 0); }

    static inline HMODULE module_ = nullptr;
    static inline StandInEngine* engine_ = nullptr;
    static inline ScratchDir* mailbox_ = nullptr;
    static inline std::vector<std::unique_ptr<RegistryValue>> registry_;
    KeyShell shell{"orv_keyexports", ORV_KEY_DATA};
    merrowin::KeyDeleteFn keyDelete = nullptr;
    merrowin::KeyExtractFn keyExtract = nullptr;
    merrowin::ShowFingerPrintFn showFingerPrint = nullptr;
    merrowin::ExecPGPkeysFn execPGPkeys = nullptr;
    merrowin::FindKeysFn findKeys = nullptr;
    merrowin::FORMINITFn formInit = nullptr;
};

TEST_F(KeyExports, KeyDeleteAnsweredNoOrClosedOrCancelledDeletesNothing) {
    const std::string sentinel(64, '\x7f');
    // A question has to be answered: the box ends without an answer only
    // when the mail client quits while it is open.
    for (WORD answer : {WORD('N'), WORD(0)}) {
        SCOPED_TRACE(answer ? "No" : "quit while asking");
        std::string buffer = sentinel;
        SelectionSeen selection;
        BoxView question;
        ModalScript script;
        script.Expect("#32770", kSelection, ChooseKeys({kBob}, &selection));
        script.Expect(kBox, "Confirm:", Answer(answer, &question));
        GuardFurtherBoxes(script);
        script.Start();
        EXPECT_EQ(keyDelete(buffer.data()) & 0xFF, 0);
        EXPECT_TRUE(AnsweredExactly(script, 2));
        EXPECT_EQ(selection.prompt, "Delete key(s)");
        EXPECT_EQ(selection.offered, (std::set<std::string>{kAlice, kBob, kCarol}));
        EXPECT_EQ(question.text, "bob <bob@example.org>\r\n\r\nDelete key(s)?");
        EXPECT_EQ(question.focus, "&No") << "No is the default answer";
        EXPECT_EQ(buffer, sentinel);
        PumpFor(50);  // takes the quit message the box passed on
        EXPECT_EQ(RingKeys(), 3);
    }
    // The selection cancelled: no question, no error.
    std::string buffer = sentinel;
    ModalScript script;
    script.Expect("#32770", kSelection, ChooseKeys({}, nullptr));
    GuardFurtherBoxes(script);
    script.Start();
    EXPECT_EQ(keyDelete(buffer.data()) & 0xFF, 0);
    EXPECT_TRUE(AnsweredExactly(script, 1));
    EXPECT_EQ(buffer, sentinel);
    EXPECT_EQ(shell.KeysOfCopy(engine_->PublicRing()).size(), 3u);
}

TEST_F(KeyExports, KeyDeleteRemovesTheChosenKeysFromTheRingFiles) {
    const std::string sentinel(64, '\x7f');
    std::string buffer = sentinel;
    BoxView question;
    ModalScript script;
    script.Expect("#32770", kSelection, ChooseKeys({kBob, kCarol}, nullptr));
    script.Expect(kBox, "Confirm:", Answer('Y', &question));
    GuardFurtherBoxes(script);  // AutoList off: no report, no offer
    script.Start();
    EXPECT_EQ(keyDelete(buffer.data()) & 0xFF, 0);
    EXPECT_TRUE(AnsweredExactly(script, 2));
    EXPECT_EQ(question.text, "bob <bob@example.org>\r\ncarol <carol@example.org>\r\n\r\nDelete key(s)?");
    EXPECT_EQ(buffer, sentinel);
    EXPECT_EQ(shell.KeysOfCopy(engine_->PublicRing()), (std::vector<std::string>{shell.KeyOf("alice")}));
    EXPECT_EQ(RingKeys(), 1);
}

TEST_F(KeyExports, KeyDeleteOffersTheAutoListAndHandsOverTheDeletedKeyIDs) {
    WriteConfig(true);
    const std::string aliceFingerprint = shell.KeyOf("alice").substr(4);
    ASSERT_EQ(shell.KeysOfCopy(engine_->SecretRing()), (std::vector<std::string>{"sec " + aliceFingerprint}));
    // The secret key goes from both rings; the IDs come back for the AutoList.
    std::string buffer(3 * 20, '\x7f');
    BoxView report;
    ModalScript script;
    script.Expect("#32770", kSelection, ChooseKeys({kAlice}, nullptr));
    script.Expect(kBox, "Confirm:", Answer('Y', nullptr));
    script.Expect(kBox, "Confirm:", Answer('Y', &report));
    GuardFurtherBoxes(script);
    script.Start();
    EXPECT_EQ(keyDelete(buffer.data()) & 0xFF, 1);
    EXPECT_TRUE(AnsweredExactly(script, 3));
    EXPECT_EQ(report.text, "1 key(s) removed.\r\n\r\nRemove associated AutoList entries?");
    EXPECT_STREQ(buffer.c_str(), kAlice);
    std::vector<std::string> expected = {shell.KeyOf("bob"), shell.KeyOf("carol")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(shell.KeysOfCopy(engine_->PublicRing()), expected);
    const auto secret = shell.KeysOfCopy(engine_->SecretRing());
    for (const auto& key : secret) EXPECT_EQ(key.find(aliceFingerprint), std::string::npos) << key;

    // Two keys, the offer declined: deleted all the same, but nothing handed over.
    engine_->ResetRings();
    buffer.assign(3 * 20, '\x7f');
    ModalScript declined;
    declined.Expect("#32770", kSelection, ChooseKeys({kBob, kCarol}, nullptr));
    declined.Expect(kBox, "Confirm:", Answer('Y', nullptr));
    declined.Expect(kBox, "Confirm:", Answer('N', &report));
    GuardFurtherBoxes(declined);
    declined.Start();
    EXPECT_EQ(keyDelete(buffer.data()) & 0xFF, 0);
    EXPECT_TRUE(AnsweredExactly(declined, 3));
    EXPECT_EQ(report.text, "2 key(s) removed.\r\n\r\nRemove associated AutoList entries?");
    EXPECT_EQ(buffer, std::string(3 * 20, '\x7f'));
    EXPECT_EQ(RingKeys(), 1);
}

TEST_F(KeyExports, KeyDeleteWritesWithinItsCallersRoomWhenTheRingGrewSinceTheCallerCounted) {
    WriteConfig(true);
    ASSERT_EQ(RingKeys(), 3);
    // Another program adds three keys between the caller's count and its call.
    std::string ring, more;
    ASSERT_TRUE(ReadWholeFile(engine_->PublicRing(), ring));
    ASSERT_TRUE(ReadWholeFile(SourcePath(ORV_KEY_DATA) + "namesakes.pkr", more));
    ASSERT_TRUE(ReplaceWholeFile(engine_->PublicRing(), ring + more));
    const std::vector<std::string> all = {kAlice, kBob, kCarol, "0xE2234AE2921F7D49", "0x012B6189887FE985",
                                          "0x333FCB6B8B3AF2D3"};
    // The caller's room, followed by guard bytes that must stay untouched.
    const std::size_t room = addrroom::KeyDelete();
    const std::string guard(64, '\x7f');
    std::string buffer(room, '\x7f');
    buffer += guard;
    SelectionSeen selection;
    ModalScript script;
    script.Expect("#32770", kSelection, ChooseKeys(all, &selection));
    script.Expect(kBox, "Confirm:", Answer('Y', nullptr));
    script.Expect(kBox, "Confirm:", Answer('Y', nullptr));
    GuardFurtherBoxes(script);
    script.Start();
    EXPECT_EQ(keyDelete(buffer.data()) & 0xFF, 1);
    EXPECT_TRUE(AnsweredExactly(script, 3));
    EXPECT_EQ(selection.offered.size(), all.size());
    EXPECT_EQ(buffer.substr(room), guard) << "written past the caller's room";
    std::set<std::string> handed;
    const std::string ids = buffer.c_str();
    for (std::size_t at = 0; at <= ids.size();) {
        const std::size_t comma = std::min(ids.find(',', at), ids.size());
        handed.insert(Upper(ids.substr(at, comma - at)));
        at = comma + 1;
    }
    EXPECT_EQ(handed, std::set<std::string>(all.begin(), all.end())) << ids;
}

TEST_F(KeyExports, KeyExtractPutsTheKeysIntoTheMessageEditor) {
    EditorWindow window;
    ASSERT_EQ(GetWindow(window.Host(), GW_HWNDFIRST), window.Editor());
    HWND form = nullptr;
    ASSERT_EQ(formInit(0x0100, 0, window.Host(), "PGPMIME", &form, nullptr), 1);
    SendMessageA(form, host::kFormMsgStart, 0, 0);  // the host names its message window
    SelectionSeen selection;
    ModalScript script;
    script.Expect("#32770", kSelection, ChooseKeys({kBob, kCarol}, &selection));
    GuardFurtherBoxes(script);  // nothing is reported
    script.Start();
    EXPECT_EQ(keyExtract() & 0x7F, 1);
    EXPECT_TRUE(AnsweredExactly(script, 1));
    DestroyWindow(form);
    EXPECT_EQ(selection.prompt, "Export key(s)");
    ASSERT_EQ(window.fields.size(), 2u);
    EXPECT_EQ(window.fields[0].field, host::kFieldReady);
    EXPECT_EQ(window.fields[1].field, host::kFieldInsertText);
    const std::string& text = window.fields[1].text;
    const std::string lines = "bob <bob@example.org>, RSA Key, 2048 bits\r\n"
                              "carol <carol@example.org>, DH/DSS Key, 2048/2048 bits\r\n\r\n";
    ASSERT_EQ(text.substr(0, lines.size()), lines);
    EXPECT_EQ(text.substr(lines.size(), 36), "-----BEGIN PGP PUBLIC KEY BLOCK-----");
    // gpg reads exactly the two public keys from the text as it was inserted.
    ReplaceWholeFile(shell.Win() + "inserted.txt", text);
    std::vector<std::string> expected = {shell.KeyOf("bob"), shell.KeyOf("carol")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(shell.Keys(shell.Unix() + "inserted.txt"), expected);
}

TEST_F(KeyExports, KeyExtractWithoutAnEditorCopiesToTheClipboardAndSaysSo) {
    EditorWindow window;
    DestroyWindow(window.Editor());  // a host without a message editor in front
    HWND form = nullptr;
    ASSERT_EQ(formInit(0x0100, 0, window.Host(), "PGPMIME", &form, nullptr), 1);
    SendMessageA(form, host::kFormMsgStart, 0, 0);
    SetClipboardText("before");
    BoxView report;
    ModalScript script;
    script.Expect("#32770", kSelection, ChooseKeys({kAlice}, nullptr));
    script.Expect(kBox, "Info:", Answer(VK_RETURN, &report));
    GuardFurtherBoxes(script);
    script.Start();
    EXPECT_EQ(keyExtract() & 0x7F, 0);
    EXPECT_TRUE(AnsweredExactly(script, 2));
    DestroyWindow(form);
    EXPECT_EQ(report.text, "No editor window found:\r\n\r\nPublic key(s) of \r\n\r\nalice <alice@example.org>\r\n\r\n"
                           "copied to \"clipboard\"");
    const std::string text = ClipboardText();
    const std::string line = "alice <alice@example.org>, RSA Key, 2048 bits\r\n\r\n";
    ASSERT_EQ(text.substr(0, line.size()), line);
    // Only the public part of alice's key leaves, although the secret one is on the ring.
    EXPECT_EQ(text.find("PRIVATE"), std::string::npos);
    ReplaceWholeFile(shell.Win() + "clip.txt", text);
    EXPECT_EQ(shell.Keys(shell.Unix() + "clip.txt"), (std::vector<std::string>{shell.KeyOf("alice")}));

    // Cancelled: the clipboard stays as it was, nothing is shown.
    SetClipboardText("kept");
    ModalScript cancelled;
    cancelled.Expect("#32770", kSelection, ChooseKeys({}, nullptr));
    GuardFurtherBoxes(cancelled);
    cancelled.Start();
    EXPECT_EQ(keyExtract() & 0x7F, 0);
    EXPECT_TRUE(AnsweredExactly(cancelled, 1));
    EXPECT_EQ(ClipboardText(), "kept");
}

TEST_F(KeyExports, ShowFingerPrintShowsGpgsFingerprintGroupedInHalves) {
    const std::string gpgText = shell.Run("gpg --batch --show-keys --with-fingerprint --keyid-format long " +
                                          std::string(ORV_KEY_DATA) + "/carol_pub.asc");
    const std::string label = "Key fingerprint = ";
    const size_t at = gpgText.find(label);
    ASSERT_NE(at, std::string::npos) << gpgText;
    const std::string gpgFingerprint = gpgText.substr(at + label.size(), gpgText.find('\n', at) - at - label.size());
    ASSERT_EQ(gpgFingerprint.size(), 50u) << gpgFingerprint;  // ten groups of four, the halves two blanks apart

    SetClipboardText("before");
    SelectionSeen selection;
    BoxView shown;
    ModalScript script;
    script.Expect("#32770", kSelection, ChooseKeys({kCarol}, &selection));
    script.Expect(kBox, "Confirm:", Answer('Y', &shown));
    GuardFurtherBoxes(script);
    script.Start();
    EXPECT_EQ(showFingerPrint(), 0);
    EXPECT_TRUE(AnsweredExactly(script, 2));
    EXPECT_EQ(selection.offered.size(), 3u);
    const std::string data = std::string("carol <carol@example.org>\r\n") + kCarol +
                             "\r\nDH/DSS Key, 2048/2048 bits\r\n" + gpgFingerprint;
    EXPECT_EQ(shown.text, data + "\r\nCopy data to clipboard?");
    EXPECT_EQ(ClipboardText(), data);

    // No: the clipboard is left alone.
    SetClipboardText("kept");
    ModalScript declined;
    declined.Expect("#32770", kSelection, ChooseKeys({kAlice}, nullptr));
    declined.Expect(kBox, "Confirm:", Answer('N', &shown));
    GuardFurtherBoxes(declined);
    declined.Start();
    EXPECT_EQ(showFingerPrint(), 0);
    EXPECT_TRUE(AnsweredExactly(declined, 2));
    EXPECT_NE(shown.text.find("\r\n2D88 AE36 B074 F922 AE8D  815A E875 0B35 7ACE 6A48\r\n"), std::string::npos)
        << shown.text;
    EXPECT_EQ(ClipboardText(), "kept");

    // The selection cancelled: no error for the user's own cancel.
    ModalScript cancelled;
    cancelled.Expect("#32770", kSelection, ChooseKeys({}, nullptr));
    GuardFurtherBoxes(cancelled);
    cancelled.Start();
    EXPECT_EQ(showFingerPrint(), 0);
    EXPECT_TRUE(AnsweredExactly(cancelled, 1));
}

TEST_F(KeyExports, ExecPGPkeysStartsTheKeyManagerOverTheRings) {
    PrefsFileOverride noPrefs;  // the key manager's rings are those beside the engine
    EXPECT_EQ(execPGPkeys(), 1);
    HWND manager = FindTopWindow("PGPscKeyManager", "PGPkeys", 5000);
    ASSERT_NE(manager, nullptr);
    HWND list = FindChildById(manager, 3201);
    ASSERT_NE(list, nullptr);
    std::set<std::string> ids;
    for (int row = 0; row < RowCount(list); ++row) ids.insert(Upper(CellText(list, row, 1)));
    EXPECT_EQ(ids, (std::set<std::string>{kAlice, kBob, kCarol}));
    SendMessageA(manager, WM_CLOSE, 0, 0);
    PumpFor(50);
    EXPECT_FALSE(IsWindow(manager) && IsWindowVisible(manager));
}

// Help of the session, outside its dialogs: the HTML page of the install
// directory opened by the shell, or a plain warning when it is missing.
class SessionHelp : public ::testing::Test {
protected:
    // The string library starts the engine's loader core when it loads.
    void SetUp() override {
        ASSERT_TRUE(UseFakeSdk());
        ASSERT_TRUE(texts::Load(ProgramDir()));
    }
    void TearDown() override {
        texts::Unload();
        UseNoSdk();
    }
};

TEST_F(SessionHelp, AMissingPageIsNamedInTheWarning) {
    ScratchDir install("helpinstall");
    TPluginParams session(GetModuleHandleA(nullptr));
    session.InstallDir = install.Path();
    session.HtmlHelpPage = install.Path() + kHtmlHelpName;
    session.MsgBox = std::make_unique<TMsgBox>();
    BoxView warning;
    ModalScript script;
    script.Expect(kBox, "Warning:", Answer(VK_RETURN, &warning));
    script.Start();
    session.ShowHelp(0);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(warning.text, "\"" + install.Path() + "DODIreva.htm\" not found!");
}

TEST_F(SessionHelp, ADialogsHelpWithoutAHelpFileFallsBackToThePage) {
    ScratchDir install("helpinstall");
    TPluginParams session(GetModuleHandleA(nullptr));
    session.InstallDir = install.Path();
    session.HelpFile = install.Path() + "PGPCfg.hlp";
    session.HtmlHelpPage = install.Path() + kHtmlHelpName;
    session.MsgBox = std::make_unique<TMsgBox>();
    ui::Form config;
    session.SetOpenWindow(TWindowKind::Config, &config);
    BoxView warning;
    ModalScript script;
    script.Expect(kBox, "Warning:", Answer(VK_RETURN, &warning));
    script.Start();
    session.ShowHelp(12);
    session.SetOpenWindow(TWindowKind::Config, nullptr);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(warning.text, "\"" + install.Path() + "DODIreva.htm\" not found!");
}

TEST_F(SessionHelp, AnExistingPageIsOpenedByTheShell) {
    KeyShell shell{"orv_keyexports", ORV_KEY_DATA};
    ScratchDir install("helpinstall");
    const std::string page = install.Path() + kHtmlHelpName;
    ASSERT_TRUE(ReplaceWholeFile(page, "<html>Orvane help</html>"));
    // The page's kind opens with a command that copies it where the test looks.
    const std::string opened = shell.Win() + "opened.htm";
    RegistryValue kind(HKEY_CLASSES_ROOT, ".htm", "", std::string("OrvTestHelpPage"));
    RegistryValue command(HKEY_CLASSES_ROOT, "OrvTestHelpPage\\shell\\open\\command", "",
                          "C:\\windows\\system32\\cmd.exe /c copy \"%1\" \"" + opened + "\"");
    ASSERT_TRUE(kind.ok() && command.ok());
    TPluginParams session(GetModuleHandleA(nullptr));
    session.InstallDir = install.Path();
    session.HtmlHelpPage = page;
    session.MsgBox = std::make_unique<TMsgBox>();
    ModalScript script;
    GuardFurtherBoxes(script);
    script.Start();
    session.ShowHelp(0);
    PumpUntil([&] { return GetFileAttributesA(opened.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000);
    EXPECT_TRUE(AnsweredExactly(script, 0));
    std::string copy;
    Sleep(200);
    EXPECT_TRUE(ReadWholeFile(opened, copy));
    EXPECT_EQ(copy, "<html>Orvane help</html>");
}

}  // namespace
