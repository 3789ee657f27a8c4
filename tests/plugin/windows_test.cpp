// The manager window and the configuration dialog as the mail client and
// the launcher start them: Merrowin.dll loaded by the mail client stand-in,
// over the engine stand-in with copies of the gpg-made rings. The robot works
// the windows as a user would; what they leave behind is read back from
// "Merrowin.cfg", the engine's preference file, the host's settings and, for
// keys, by gpg.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/whole_file.h"
#include "interfaces/host_messages.h"
#include "interfaces/mail_client.h"
#include "standin/mailclient/host.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/support/gpg_shell.h"
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

const char* const kBox = "TfrmPGPDlg";
const char* const kConfig = "TfrmPGPConfig";
const char* const kManager = "TfrmManager";
const char* const kSelection = "PGP Key Selection";
const int kSelectionList = 2002;
const char* const kBob = "0xD91F7A27B2A16278";
const char* const kCarol = "0x6533671D0C89AF89";



std::string Profile(const std::string& file, const char* section, const char* key) {
    char buffer[1024] = {};
    GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof buffer, file.c_str());
    return buffer;
}

// ---- Working the dialog's controls from the robot's thread ---------------------

// The first control of the class that follows the label in the window tree.
HWND AfterLabel(HWND dialog, const std::string& label, const std::string& cls, int skip = 0) {
    const auto all = Children(dialog);
    auto it = std::find_if(all.begin(), all.end(), [&](HWND w) {
        return ClassOf(w) == "Static" && StripMnemonic(GetText(w)) == label;
    });
    for (; it != all.end(); ++it)
        if (_stricmp(ClassOf(*it).c_str(), cls.c_str()) == 0 && skip-- == 0) return *it;
    return nullptr;
}

// The flat buttons without caption, left to right (the dialog's OK, Help,
// Cancel) or top to bottom (the manager's column).
std::vector<HWND> GlyphButtons(HWND form, bool byColumn) {
    std::vector<HWND> buttons;
    for (HWND w : Children(form))
        if (ClassOf(w) == "Button" && GetText(w).empty() && IsWindowVisible(w)) buttons.push_back(w);
    std::sort(buttons.begin(), buttons.end(), [byColumn](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return byColumn ? ra.top < rb.top : ra.left < rb.left;
    });
    return buttons;
}

void Press(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void ShowPage(HWND dialog, int index) {
    HWND tabs = FindChild(dialog, WC_TABCONTROLA, "");
    RECT r{};
    SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tabs, WM_LBUTTONUP, 0, at);
    Sleep(150);
}

void Toggle(HWND dialog, const std::string& caption) {
    HWND box = FindChild(dialog, "TCustCheckBox", caption);
    if (!box) box = FindChild(dialog, "TCustRadioBtn", caption);
    // A box not found leaves its setting as it was, which the test then finds.
    if (box) SendMessageA(box, BM_CLICK, 0, 0);
}

void Type(HWND edit, const std::string& text) {
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Answers the system file dialog with a file name; the dialog may take its
// time to take the text, so the answer is given again until it closes.
void AnswerFileDialog(HWND dialog, const std::string& path) {
    for (int attempt = 0; attempt < 10 && IsWindow(dialog) && IsWindowVisible(dialog); ++attempt) {
        HWND name = FindChildById(dialog, 0x47C);  // the file-name combo box
        HWND edit = name ? FindChild(name, "Edit", "") : nullptr;
        if (!edit) edit = FindChildById(dialog, 0x480);
        SetText(edit ? edit : name, path);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
        WaitGone(dialog, 1500);
    }
}

void ChooseFile(const std::string& title, const std::string& path) {
    HWND dialog = FindTopWindow("#32770", title, 10000);
    if (dialog) AnswerFileDialog(dialog, path);
}

// Clicks a path field: its file dialog opens and is answered.
void ChoosePath(HWND dialog, const std::string& label, const std::string& keyName, const std::string& path) {
    HWND field = AfterLabel(dialog, label, "Edit");
    PostMessageA(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageA(field, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    ChooseFile("Select " + keyName + "-file", path);
}

ModalScript::Action Answer(WORD key, BoxView* view) {
    return [key, view](HWND box) {
        if (view) *view = ViewBox(box);
        PostKey(box, key);
    };
}

// Any box beyond the script is answered with No, so that a box too many
// fails the test instead of hanging it.
void GuardFurtherBoxes(ModalScript& script) { script.Expect(kBox, "", [](HWND box) { PostKey(box, 'N'); }); }

::testing::AssertionResult AnsweredExactly(ModalScript& script, size_t steps) {
    script.Finish(1500);
    const auto seen = script.Seen();
    if (seen.size() == steps) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << seen.size() << " windows answered, " << steps << " scripted";
    if (seen.size() < steps) return failure << ": " << script.Failure();
    return failure << "; the one too many: \"" << seen.back().caption << "\" "
                   << (seen.back().texts.empty() ? "" : seen.back().texts[0]);
}

void SetClipboardText(const std::string& text) {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (mem) {
        memcpy(::GlobalLock(mem), text.c_str(), text.size() + 1);
        ::GlobalUnlock(mem);
        if (!SetClipboardData(CF_TEXT, mem)) GlobalFree(mem);
    }
    CloseClipboard();
}

// Selects the keys in the engine's selection dialog and presses OK.
ModalScript::Action ChooseKeys(std::vector<std::string> ids) {
    return [ids](HWND dialog) {
        HWND list = FindChildById(dialog, kSelectionList);
        const int rows = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < rows; ++row) {
            char buffer[128] = {};
            LVITEMA item{};
            item.iSubItem = 1;
            item.pszText = buffer;
            item.cchTextMax = sizeof buffer;
            SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
            const bool wanted = ids.empty() || std::any_of(ids.begin(), ids.end(), [&](const std::string& id) {
                                    return _stricmp(id.c_str(), buffer) == 0;
                                });
            if (!wanted) continue;
            LVITEMA state{};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        }
        ClickButton(dialog, "OK");
    };
}

// ---- The fixture: the mail client stand-in with Merrowin.dll ---------------------

class Windows : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        mailbox_ = new ScratchDir("winmailbox");
        std::string mailbox = mailbox_->Path();
        mailbox.pop_back();
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegMailbox, "", mailbox));
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_LOCAL_MACHINE, "Software\\Tamberlow\\Fennick",
                                                            "InstallDir1", ProgramDir()));
        prefs_ = new PrefsFileOverride;
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
        delete host_;  // frees the library after its windows
        host_ = nullptr;
        module_ = nullptr;
        SetDllDirectoryA(nullptr);
        delete engine_;
        engine_ = nullptr;
        delete prefs_;
        prefs_ = nullptr;
        registry_.clear();
        delete mailbox_;
        mailbox_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(module_, nullptr) << "Merrowin.dll did not load";
        engine_->ResetRings();
        WriteEnginePrefs("keys.example.net", 11371);
        config = mailbox_->Path() + "Merrowin.cfg";
        SetFileAttributesA(config.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteConfig("");
        host_->settings[host::kSettingLinesToScan] = 25;
        host_->settings[host::kSettingRightMargin] = 80;
        host_->settings[host::kSettingEncloseAttachments] = 1;
        plugInit = BindExport<merrowin::kPlugInit>(module_);
        showConfig = BindExport<merrowin::kShowConfig>(module_);
        showManager = BindExport<merrowin::kShowManager>(module_);
        ASSERT_TRUE(plugInit && showConfig && showManager && extension_->formInit);
        plugInit(host_->Frame(), 0, nullptr, mailbox_->Path().c_str());
    }
    void TearDown() override { PumpFor(50); }

    static void WriteEnginePrefs(const std::string& server, int port) {
        prefs_->Write("PublicKeyringFile=\"" + engine_->PublicRing() + "\"\r\nPrivateKeyringFile=\"" +
                      engine_->SecretRing() + "\"\r\nDefaultKeyID=\"0xE8750B357ACE6A48000000000000000000\"\r\n" +
                      "KeyServerList1=2,0,0,\"" + server + "\"," +
                      std::to_string(port) + ",0,1,0\r\n");
    }
    void WriteConfig(const std::string& more, const std::string& pubRing = "") {
        ReplaceWholeFile(config, "[FilePaths]\r\nPubRing=" + (pubRing.empty() ? engine_->PublicRing() : pubRing) +
                                     "\r\nSecRing=" +
                                     engine_->SecretRing() + "\r\n[DefaultUser]\r\nName=alice\\0xE8750B357ACE6A48\r\n" +
                                     "[Pellatch]\r\nAuto=0\r\n" + more);
    }
    std::string ConfigText() {
        std::string text;
        ReadWholeFile(config, text);
        return text;
    }
    std::string PrefsText() {
        char buffer[MAX_PATH * 2] = {};
        DWORD size = sizeof buffer - 1;
        HKEY key = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_QUERY_VALUE, &key);
        RegQueryValueExA(key, "AppData", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        std::string text;
        ReadWholeFile(std::string(buffer) + "\\Network Associates\\PGP\\PGPprefs.txt", text);
        return text;
    }
    // The form "CONFIG" as the automation plug-in starts it, then ShowConfig.
    int RunConfigForm(HWND* hostForm = nullptr) {
        HWND form = host_->OpenForm(*extension_, "CONFIG", "Configuration");
        if (hostForm) *hostForm = form ? GetParent(form) : nullptr;
        const int result = form ? showConfig() & 0xFF : -1;
        // The mail client goes on with its messages: the form "CONFIG" ends.
        PumpUntil([&] { return !form || !IsWindow(form); }, 2000);
        return result;
    }

    static inline ScratchDir* mailbox_ = nullptr;
    static inline PrefsFileOverride* prefs_ = nullptr;
    static inline StandInEngine* engine_ = nullptr;
    static inline mailclient::Host* host_ = nullptr;
    static inline mailclient::Extension* extension_ = nullptr;
    static inline HMODULE module_ = nullptr;
    static inline std::vector<std::unique_ptr<RegistryValue>> registry_;
    std::string config;
    merrowin::PlugInitFn plugInit = nullptr;
    merrowin::ShowConfigFn showConfig = nullptr;
    merrowin::ShowManagerFn showManager = nullptr;
};

// Sets every setting of the three pages to a value other than the one it has,
// taking a screenshot of each page, then presses OK.
void ChangeEverySetting(HWND dialog, const std::string& otherPubring, const std::string& groups) {
    SaveScreenshot(dialog, ShotPath("config_pgp_defaults.png"));
    Toggle(dialog, "Always Use Default Key");
    SendMessageA(AfterLabel(dialog, "Keyserver:", "ComboBox"), CB_SETCURSEL, 2, 0);
    Type(AfterLabel(dialog, "Keyserver:", "Edit"), "keys.example.org");
    Type(AfterLabel(dialog, "Keyserver:", "Edit", 1), "11372");
    ChoosePath(dialog, "PubRing File:", "PubRing", otherPubring);
    ChoosePath(dialog, "Groups File:", "PGPgroup", groups);
    Type(AfterLabel(dialog, "Comment:", "Edit"), "Sent with Orvane");

    ShowPage(dialog, 1);
    SaveScreenshot(dialog, ShotPath("config_pegasus_toolbar.png"));
    Type(AfterLabel(dialog, "Number of lines to scan", "Edit"), "120");
    Type(AfterLabel(dialog, "Right margin in editor", "Edit"), "72");
    for (const char* box : {"Enclose Attachments", "Wipe passphrase", "Decrypt", "Verify signature", "Key management",
                            "PGPkeys"})
        Toggle(dialog, box);
    SendMessageA(AfterLabel(dialog, "Encrypt/Sign:", "ComboBox"), CB_SETCURSEL, 3, 0);

    ShowPage(dialog, 2);
    for (const char* box : {"Auto Encryption", "Auto Key Search", "Encrypt Attachments", "Confirm Encryption",
                            "Mixed Options Warning", "ADK Warning", "Auto Key Check", "Auto Server Look-up",
                            "Remove Signature Data", "In Separate Window", "Standard Colors"})
        Toggle(dialog, box);
    Type(AfterLabel(dialog, "Store Passphrase", "Edit"), "120");
    Type(AfterLabel(dialog, "Wipe Count", "Edit"), "7");
    SaveScreenshot(dialog, ShotPath("config_plugin_options.png"));
    Press(GlyphButtons(dialog, false).at(0));
}

TEST_F(Windows, EverySettingSurvivesASaveAndAReload) {
    const std::string otherPubring = engine_->Dir() + "other.pkr";
    CopyFileA(engine_->PublicRing().c_str(), otherPubring.c_str(), FALSE);
    const std::string groups = engine_->Dir() + "groups.pgr";
    ReplaceWholeFile(groups, "");
    BoxView restart;
    ModalScript script;
    script.Expect(kConfig, "Configuration",
                  [&](HWND dialog) { ChangeEverySetting(dialog, otherPubring, groups); });
    script.Expect(kBox, "Confirm:", Answer('N', &restart));
    GuardFurtherBoxes(script);
    script.Start(30000);
    HWND hostForm = nullptr;
    EXPECT_EQ(RunConfigForm(&hostForm), 1);
    EXPECT_TRUE(AnsweredExactly(script, 2));
    EXPECT_EQ(restart.text, "You have to restart Pegasus Mail for changes to take effect.\r\nRestart program now?");

    // Read back from the file.
    const std::vector<std::tuple<const char*, const char*, std::string>> expected = {
        {"DefaultUser", "Name", "alice <alice@example.org>\\0xE8750B357ACE6A48"},
        {"DefaultUser", "Always", "1"},
        {"FilePaths", "SecRing", engine_->SecretRing()},
        {"FilePaths", "PubRing", otherPubring},
        {"FilePaths", "PGPgroup", groups},
        {"DefaultComment", "Comment", "Sent with Orvane"},
        {"Toolbar", "WipePass", "1"},
        {"Toolbar", "EncSign", "3"},
        {"Toolbar", "Decrypt", "0"},
        {"Toolbar", "Verify", "0"},
        {"Toolbar", "Manage", "0"},
        {"Toolbar", "PGPkeys", "0"},
        {"Pellatch", "Auto", "1"},
        {"HideKeyDialog", "Hide", "1"},
        {"EncryptAttach", "Encrypt", "0"},
        {"ConfirmEncrypt", "Confirm", "1"},
        {"MixedOptions", "Warn", "0"},
        {"ADKWarning", "Warn", "0"},
        {"CheckMessage", "CheckKey", "1"},
        {"CheckMessage", "Lookup", "1"},
        {"CheckMessage", "CheckSig", "1"},
        {"CheckMessage", "Include", "2"},
        {"StorePassphrase", "Store", "120"},
        {"WipeCount", "Count", "7"},
        {"StandardColor", "Standard", "1"},
    };
    for (const auto& [section, key, value] : expected)
        EXPECT_EQ(Profile(config, section, key), value) << "[" << section << "] " << key;
    // The engine's first key server and the host's settings.
    EXPECT_NE(PrefsText().find("KeyServerList1=3,0,0,\"keys.example.org\",11372,0,1,0"), std::string::npos)
        << PrefsText();
    EXPECT_EQ(host_->settings[host::kSettingLinesToScan], 120);
    EXPECT_EQ(host_->settings[host::kSettingRightMargin], 72);
    EXPECT_EQ(host_->settings[host::kSettingEncloseAttachments], 0);
    // The form "CONFIG" ends with the dialog.
    PumpUntil([&] { return !IsWindow(hostForm); }, 2000);
    EXPECT_FALSE(IsWindow(hostForm));

    // Opened again, the dialog shows what was saved: closing it finds no change.
    ModalScript reload;
    reload.Expect(kConfig, "Configuration", [](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); });
    GuardFurtherBoxes(reload);
    reload.Start();
    EXPECT_EQ(RunConfigForm(), 1);
    EXPECT_TRUE(AnsweredExactly(reload, 1));
}

TEST_F(Windows, YesToTheRestartKeepsTheMailClientWhenTheLauncherRestartsNothing) {
    ModalScript script;
    script.Expect(kConfig, "Configuration", [](HWND dialog) {
        ShowPage(dialog, 1);
        Toggle(dialog, "Verify signature");
        Press(GlyphButtons(dialog, false).at(0));
    });
    script.Expect(kBox, "Confirm:", Answer('Y', nullptr));
    // The launcher started here finds no engine beside it and says so: proof
    // that it runs, and its box must go or it outlives the test.
    script.Expect("#32770", "PGP Components fatal error:", [](HWND box) { ClickButton(box, "OK"); });
    GuardFurtherBoxes(script);
    script.Start();
    HWND form = host_->OpenForm(*extension_, "CONFIG", "Configuration");
    ASSERT_NE(form, nullptr);
    HWND hostForm = GetParent(form);
    EXPECT_EQ(showConfig() & 0xFF, 1);
    for (int waited = 0; script.Seen().size() < 3 && waited < 15000; waited += 50) Sleep(50);
    EXPECT_TRUE(AnsweredExactly(script, 3));
    // The launcher ended without holding the client: had the client quit,
    // nothing would start it again.
    MSG quit{};
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "quit posted to " << quit.hwnd;
    EXPECT_TRUE(IsWindow(hostForm));
    EXPECT_EQ(Profile(config, "Toolbar", "Verify"), "0");
    SendMessageA(hostForm, WM_CLOSE, 0, 0);
}

TEST_F(Windows, CancelAfterChangesSavesNothingAndLeavesTheFileAsItWas) {
    SetFileAttributesA(config.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string before = ConfigText();
    ModalScript script;
    script.Expect(kConfig, "Configuration", [](HWND dialog) {
        Toggle(dialog, "Always Use Default Key");
        Type(AfterLabel(dialog, "Comment:", "Edit"), "changed");
        Press(GlyphButtons(dialog, false).at(2));
    });
    GuardFurtherBoxes(script);
    script.Start();
    EXPECT_EQ(RunConfigForm(), 1);
    EXPECT_TRUE(AnsweredExactly(script, 1));
    EXPECT_EQ(ConfigText(), before);
    EXPECT_EQ(GetFileAttributesA(config.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
    SetFileAttributesA(config.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Windows, OkSavesAReadOnlyFileAndTellsTheAutomationPlugIn) {
    AutomationWindow automation;
    plugInit(host_->Frame(), 0, automation.Handle(), mailbox_->Path().c_str());
    SetFileAttributesA(config.c_str(), FILE_ATTRIBUTE_READONLY);
    ModalScript script;
    script.Expect(kConfig, "Configuration", [](HWND dialog) {
        ShowPage(dialog, 2);
        Toggle(dialog, "Auto Key Search");  // Auto on from the file is 0: now 2
        Type(AfterLabel(dialog, "Store Passphrase", "Edit"), "60");
        Press(GlyphButtons(dialog, false).at(0));
    });
    GuardFurtherBoxes(script);  // no toolbar change: no restart question
    script.Start();
    EXPECT_EQ(RunConfigForm(), 1);
    EXPECT_TRUE(AnsweredExactly(script, 1));
    EXPECT_EQ(Profile(config, "HideKeyDialog", "Hide"), "1");
    EXPECT_EQ(Profile(config, "StorePassphrase", "Store"), "60");
    EXPECT_EQ(GetFileAttributesA(config.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    PumpFor(50);
    std::vector<WPARAM> notices;
    for (const auto& m : automation.Messages())
        if (m.msg == WM_USER + 4) notices.push_back(m.wp);
    EXPECT_EQ(notices, (std::vector<WPARAM>{0 + 2 + 4 + 8}));
}

TEST_F(Windows, TheCloseBoxAsksAndSavesOnlyOnYes) {
    for (WORD answer : {WORD('N'), WORD('Y')}) {
        SCOPED_TRACE(answer == 'Y' ? "Yes" : "No");
        BoxView question;
        ModalScript script;
        script.Expect(kConfig, "Configuration", [](HWND dialog) {
            Type(AfterLabel(dialog, "Comment:", "Edit"), "by the close box");
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        });
        script.Expect(kBox, "Confirm:", Answer(answer, &question));
        GuardFurtherBoxes(script);
        script.Start();
        EXPECT_EQ(RunConfigForm(), 1);
        EXPECT_TRUE(AnsweredExactly(script, 2));
        EXPECT_EQ(question.text, "Save changed data?");
        EXPECT_EQ(Profile(config, "DefaultComment", "Comment"), answer == 'Y' ? "by the close box" : "<none>");
    }
}

TEST_F(Windows, AnUntouchedDialogLeftWithEscOrTheCloseBoxAsksNothingAndSavesNothing) {
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Esc");
        const std::string before = ConfigText();
        ModalScript script;
        script.Expect(kConfig, "Configuration", [closeBox](HWND dialog) {
            Sleep(300);
            if (closeBox)
                PostMessageA(dialog, WM_CLOSE, 0, 0);
            else
                PostKey(dialog, VK_ESCAPE);
        });
        GuardFurtherBoxes(script);
        script.Start();
        EXPECT_EQ(RunConfigForm(), 1);
        EXPECT_TRUE(AnsweredExactly(script, 1));
        EXPECT_EQ(ConfigText(), before);
    }
}

TEST_F(Windows, APortAbove65535IsRefusedAndAMissingRingSavesNothing) {
    ModalScript script;
    script.Expect(kConfig, "Configuration", [](HWND dialog) {
        HWND port = AfterLabel(dialog, "Keyserver:", "Edit", 1);
        Type(port, "70000");
        SendMessageA(port, WM_KILLFOCUS, 0, 0);
        Type(AfterLabel(dialog, "Comment:", "Edit"), "port test");
        Press(GlyphButtons(dialog, false).at(0));
    });
    GuardFurtherBoxes(script);
    script.Start();
    EXPECT_EQ(RunConfigForm(), 1);
    EXPECT_TRUE(AnsweredExactly(script, 1));
    EXPECT_EQ(Profile(config, "DefaultComment", "Comment"), "port test");
    EXPECT_NE(PrefsText().find("\"keys.example.net\",11371,"), std::string::npos) << PrefsText();

    // A key ring that is gone when saving: the error, and nothing written.
    const std::string gone = engine_->Dir() + "gone.pkr";
    CopyFileA(engine_->PublicRing().c_str(), gone.c_str(), FALSE);
    WriteConfig("", gone);
    const std::string before = ConfigText();
    BoxView error;
    ModalScript missing;
    missing.Expect(kConfig, "Configuration", [&](HWND dialog) {
        DeleteFileA(gone.c_str());
        Type(AfterLabel(dialog, "Comment:", "Edit"), "not saved");
        Press(GlyphButtons(dialog, false).at(0));
    });
    missing.Expect(kBox, "Error:", Answer(VK_RETURN, &error));
    GuardFurtherBoxes(missing);
    missing.Start();
    EXPECT_EQ(RunConfigForm(), 1);
    EXPECT_TRUE(AnsweredExactly(missing, 2));
    EXPECT_EQ(error.text, "Cannot save PGP-Config-File\r\n(check file paths)!");
    EXPECT_EQ(ConfigText(), before);
}

TEST_F(Windows, AKeyServerTheEngineRefusesIsReportedAndTheFileIsStillSaved) {
    BoxView error;
    ModalScript script;
    script.Expect(kConfig, "Configuration", [](HWND dialog) {
        Type(AfterLabel(dialog, "Keyserver:", "Edit"), "bad,name");
        Type(AfterLabel(dialog, "Comment:", "Edit"), "saved anyway");
        Press(GlyphButtons(dialog, false).at(0));
    });
    script.Expect(kBox, "Error:", Answer(VK_RETURN, &error));
    GuardFurtherBoxes(script);
    script.Start();
    EXPECT_EQ(RunConfigForm(), 1);
    EXPECT_TRUE(AnsweredExactly(script, 2));
    EXPECT_FALSE(error.text.empty());
    EXPECT_EQ(Profile(config, "DefaultComment", "Comment"), "saved anyway");
    EXPECT_NE(PrefsText().find("\"keys.example.net\",11371,"), std::string::npos) << PrefsText();
}

TEST_F(Windows, TheHeaderLengthCheckProposesTwoLinesMoreThanTheLongestHeader) {
    // A folder file: its 128-byte header, then messages separated by character 26.
    auto message = [](int lines) {
        std::string m;
        for (int i = 0; i < lines; ++i) m += "X-Header-" + std::to_string(i) + ": value\r\n";
        return m + "\r\nbody\r\n";
    };
    ReplaceWholeFile(mailbox_->Path() + "TESTFOLD.PMM",
                     std::string(128, 'H') + message(12) + "\x1a" + message(30) + "\x1a" + message(7));
    host_->folderChoice = "TESTFOLD";
    for (const int lines : {25, 40}) {
        SCOPED_TRACE(lines);
        host_->settings[host::kSettingLinesToScan] = lines;
        BoxView box;
        ModalScript script;
        script.Expect(kConfig, "Configuration", [](HWND dialog) {
            ShowPage(dialog, 1);
            ClickButton(dialog, "<Check length>");
        });
        script.Expect(kBox, lines == 25 ? "Confirm:" : "Info:", [&](HWND shown) {
            box = ViewBox(shown);
            PostKey(shown, lines == 25 ? WORD('Y') : WORD(VK_RETURN));
            HWND dialog = FindTopWindow(kConfig, "Configuration", 2000);
            WaitGone(shown, 3000);
            Press(GlyphButtons(dialog, false).at(0));
        });
        GuardFurtherBoxes(script);
        script.Start();
        EXPECT_EQ(RunConfigForm(), 1);
        EXPECT_TRUE(AnsweredExactly(script, 2));
        if (lines == 25) {
            EXPECT_EQ(box.text, "Estimated header length: 30 - set \"Number of lines to scan ...\" to 32?");
            EXPECT_EQ(host_->settings[host::kSettingLinesToScan], 32);
        } else {
            EXPECT_EQ(box.text, "Estimated header length: 30 - no adjustment required");
            EXPECT_EQ(host_->settings[host::kSettingLinesToScan], 40);
        }
    }
    host_->folderChoice.clear();
}

TEST_F(Windows, TheFirstVisitToThePassphraseTimeWarnsAndItsLabelFollowsTheValue) {
    BoxView warning;
    std::vector<std::string> labels;
    ModalScript script;
    script.Expect(kConfig, "Configuration", [&](HWND dialog) {
        ShowPage(dialog, 2);
        HWND seconds = AfterLabel(dialog, "Store Passphrase", "Edit");
        PostMessageA(seconds, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        PostMessageA(seconds, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    });
    script.Expect(kBox, "Warning:", [&](HWND box) {
        warning = ViewBox(box);
        PostKey(box, VK_RETURN);
        WaitGone(box, 3000);
        HWND dialog = FindTopWindow(kConfig, "Configuration", 2000);
        HWND seconds = AfterLabel(dialog, "Store Passphrase", "Edit");
        for (const char* value : {"-1", "0", "900"}) {
            Type(seconds, value);
            SendMessageA(seconds, WM_KILLFOCUS, 0, 0);
            HWND label = AfterLabel(dialog, "Store Passphrase", "Static", 1);
            labels.push_back(label ? GetText(label) : "<no label>");
        }
        Press(GlyphButtons(dialog, false).at(2));
    });
    GuardFurtherBoxes(script);
    script.Start();
    EXPECT_EQ(RunConfigForm(), 1);
    EXPECT_TRUE(AnsweredExactly(script, 2));
    EXPECT_EQ(warning.text,
              "Storing the passphrase is a security risk if any unauthorized person can access\r\nyour computer "
              "either directly or via an open network/internet connection!");
    EXPECT_EQ(labels, (std::vector<std::string>{"(disabled)", "(unlimited)", "(seconds)"}));
}

TEST_F(Windows, ChangingOnlyTheColoursAsksNoRestart) {
    ModalScript script;
    script.Expect(kConfig, "Configuration", [](HWND dialog) {
        ShowPage(dialog, 2);
        Toggle(dialog, "Standard Colors");
        Press(GlyphButtons(dialog, false).at(0));
    });
    GuardFurtherBoxes(script);
    script.Start();
    EXPECT_EQ(RunConfigForm(), 1);
    EXPECT_TRUE(AnsweredExactly(script, 1));
    EXPECT_EQ(Profile(config, "StandardColor", "Standard"), "1");
}

TEST_F(Windows, LauncherConfigShowsTheDialogWithoutTheHostsSettings) {
    bool covered = false, disabled = false;
    ModalScript script;
    script.Expect(kConfig, "Configuration", [&](HWND dialog) {
        ShowPage(dialog, 1);
        SaveScreenshot(dialog, ShotPath("config_standalone_pegasus.png"));
        HWND notice = FindChild(dialog, "Static", "\nThese parameters can only be changed*");
        covered = notice && IsWindowVisible(notice);
        HWND lines = AfterLabel(dialog, "Number of lines to scan", "Edit");
        disabled = lines && !IsWindowEnabled(lines);
        Toggle(dialog, "Wipe passphrase");
        Press(GlyphButtons(dialog, false).at(0));
    });
    GuardFurtherBoxes(script);  // stand-alone: no restart question
    script.Start();
    HWND form = nullptr;
    EXPECT_EQ(extension_->formInit(0x0100, -1, nullptr, "CONFIG", &form, nullptr), 1);
    EXPECT_TRUE(AnsweredExactly(script, 1));
    EXPECT_TRUE(covered);
    EXPECT_TRUE(disabled);
    EXPECT_EQ(Profile(config, "Toolbar", "WipePass"), "1");
    EXPECT_EQ(host_->settings[host::kSettingLinesToScan], 25);
    if (form && IsWindow(form)) DestroyWindow(form);
}

TEST_F(Windows, TheUserSetupShowsTheDialogWhenTheFileIsMissingAndPointsTheFormFilesHere) {
    DeleteFileA(config.c_str());
    const std::string formFile = mailbox_->Path() + "Merrowin.fff";
    ReplaceWholeFile(formFile, "Form name = Orvane\r\nForm DLL = \"C:\\OLD\\PLACE\\Merrowin.dll\"\r\n"
                               "Bitmap file = \"C:\\OLD\\PLACE\\orvane.bmp\"\r\n");
    ModalScript script;
    // The dialog runs in the other process: no messages that carry pointers.
    script.Expect(kConfig, "Configuration", [](HWND dialog) {
        Type(AfterLabel(dialog, "Comment:", "Edit"), "set up");
        Press(GlyphButtons(dialog, false).at(0));
    });
    GuardFurtherBoxes(script);
    script.Start(20000);
    // Without the directory's last backslash, which would escape the quote.
    const std::string engineDir = engine_->Dir().substr(0, engine_->Dir().size() - 1);
    std::string command = "\"" + ProgramDir() + "setup_probe.exe\" UserConfig \"" + engineDir + "\" \"" +
                          ProgramDir() + "Merrowin.dll\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 40000);
    DWORD exitCode = 0;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(exitCode, 1u);
    EXPECT_TRUE(AnsweredExactly(script, 1));
    // The dialog saved without asking, with the engine's ring paths.
    EXPECT_EQ(Profile(config, "DefaultComment", "Comment"), "set up") << ConfigText();
    EXPECT_EQ(Profile(config, "FilePaths", "PubRing"), engine_->PublicRing());
    EXPECT_EQ(Profile(config, "FilePaths", "SecRing"), engine_->SecretRing());
    std::string form;
    ReadWholeFile(formFile, form);
    EXPECT_EQ(form, "Form name = Orvane\r\nForm DLL = \"" + ProgramDir() + "Merrowin.dll\"\r\n");
    DeleteFileA(formFile.c_str());
}

TEST_F(Windows, LauncherManagerRunsModallyAndEndsWithEsc) {
    bool shown = false;
    ModalScript script;
    script.Expect(kManager, "Manager", [&](HWND manager) {
        shown = IsWindowVisible(manager) != FALSE;
        PostKey(manager, VK_F12);
    });
    // F12 opens the configuration; Esc at the manager waits until it is closed.
    script.Expect(kConfig, "Configuration", [](HWND dialog) {
        PostKey(FindTopWindow(kManager, "Manager", 0), VK_ESCAPE);
        Sleep(300);
        Press(GlyphButtons(dialog, false).at(2));
        WaitGone(dialog, 3000);
        HWND manager = FindTopWindow(kManager, "Manager", 0);
        if (manager) PostKey(manager, VK_ESCAPE);
    });
    GuardFurtherBoxes(script);
    script.Start();
    HWND form = nullptr;
    EXPECT_EQ(extension_->formInit(0x0100, -1, nullptr, "MANAGER", &form, nullptr), 1);
    EXPECT_TRUE(AnsweredExactly(script, 2));
    EXPECT_TRUE(shown);
    EXPECT_FALSE(form && IsWindow(form)) << "the manager ends the extension";
}

// ---- The manager inside the mail client ------------------------------------------

class Manager : public Windows {
protected:
    void SetUp() override {
        Windows::SetUp();
        form = host_->OpenForm(*extension_, "MANAGER", "Manager");
        ASSERT_NE(form, nullptr);
        ASSERT_NE(showManager(), nullptr);
        // The host's start command shows it.
        ASSERT_TRUE(PumpUntil([&] { return (manager = FindTopWindow(kManager, "Manager", 0)) != nullptr; }, 5000));
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == manager; }, 2000));
    }
    void TearDown() override {
        if (IsWindow(manager)) {
            HostKey('E');
            PumpUntil([&] { return !IsWindowVisible(manager); }, 2000);
        }
        PumpUntil([&] { return !IsWindow(form); }, 2000);
        Windows::TearDown();
    }
    // The host relays a typed accelerator letter to the form.
    void HostKey(char letter) { PostMessageA(form, host::kFormMsgCommand, MAKEWPARAM(WORD(letter), 1), 0); }
    // Runs the script while the host's loop goes on until it is done.
    void RunWhile(ModalScript& script, char letter) {
        script.Start(20000);
        HostKey(letter);
        PumpUntil([&] { return script.Seen().size() >= stepsBeforeGuard; }, 30000);
        PumpFor(200);
    }

    HWND form = nullptr;
    HWND manager = nullptr;
    size_t stepsBeforeGuard = 0;
    KeyShell shell{"orv_gpg", ORV_KEY_DATA};
};

TEST_F(Manager, ShowsSixButtonsBesideThePictureAndTheHintOverIt) {
    EXPECT_EQ(GlyphButtons(manager, true).size(), 6u);
    RECT r{};
    GetClientRect(manager, &r);
    EXPECT_GT(r.right, 150);
    HWND picture = nullptr;
    for (HWND w : Children(manager))
        if (ClassOf(w) == "TManagerPanel" && Children(w).empty()) picture = w;
    ASSERT_NE(picture, nullptr);
    SendMessageA(picture, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    HWND hint = FindTopWindow("TfrmHotHint", "", 2000);
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(GetText(hint), "[F1] for help / left mouse button: version info - right mouse button: configuration");
    RECT pictureRect{}, hintRect{};
    GetWindowRect(GetParent(picture), &pictureRect);
    GetWindowRect(hint, &hintRect);
    EXPECT_EQ(hintRect.left, pictureRect.left - 1);
    EXPECT_EQ(hintRect.top, pictureRect.bottom + 2);
    PumpFor(300);
    SaveScreenshot(nullptr, ShotPath("manager.png"));
    SendMessageA(manager, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_FALSE(IsWindowVisible(hint));
}

TEST_F(Manager, AKeyFromTheClipboardLandsOnTheRings) {
    std::string dave;
    ReadWholeFile(SourcePath(ORV_KEY_DATA) + "dave_pub.asc", dave);
    ASSERT_FALSE(dave.empty());
    SetClipboardText(dave);
    BoxView report;
    ModalScript script;
    script.Expect("#32770", "OPEN Input File:", [](HWND dialog) {
        SaveScreenshot(dialog, ShotPath("manager_import_dialog.png"));
        ClickId(dialog, 4);  // "Key(s) from clipboard"
    });
    script.Expect("#32770", kSelection, ChooseKeys({}));
    script.Expect(kBox, "Info:", Answer(VK_RETURN, &report));
    GuardFurtherBoxes(script);
    stepsBeforeGuard = 3;
    RunWhile(script, 'A');
    EXPECT_TRUE(AnsweredExactly(script, 3));
    EXPECT_EQ(report.text, "1 key(s) added");
    const auto keys = shell.KeysOfCopy(engine_->PublicRing());
    EXPECT_NE(std::find(keys.begin(), keys.end(), shell.KeyOf("dave")), keys.end()) << "gpg reads dave on the ring";
    EXPECT_EQ(keys.size(), 4u);
}

TEST_F(Manager, ADeletedKeyIsGoneFromTheRings) {
    BoxView report;
    ModalScript script;
    script.Expect("#32770", kSelection, ChooseKeys({kCarol}));
    script.Expect(kBox, "Confirm:", Answer('Y', nullptr));
    script.Expect(kBox, "Info:", Answer(VK_RETURN, &report));
    GuardFurtherBoxes(script);
    stepsBeforeGuard = 3;
    RunWhile(script, 'D');
    EXPECT_TRUE(AnsweredExactly(script, 3));
    EXPECT_EQ(report.text, "1 key(s) removed");
    const auto keys = shell.KeysOfCopy(engine_->PublicRing());
    EXPECT_EQ(std::find(keys.begin(), keys.end(), shell.KeyOf("carol")), keys.end());
    EXPECT_EQ(keys.size(), 2u);
}

TEST_F(Manager, AnExportedKeyReadsBackInGpgWithItsFingerprint) {
    const std::string file = shell.Win() + "bob_export.asc";
    ModalScript script;
    script.Expect("#32770", "SAVE Output as:", [&](HWND dialog) {
        AnswerFileDialog(dialog, file);
    });
    script.Expect("#32770", kSelection, ChooseKeys({kBob}));
    script.Expect(kBox, "Info:", Answer(VK_RETURN, nullptr));
    GuardFurtherBoxes(script);
    stepsBeforeGuard = 3;
    RunWhile(script, 'X');
    EXPECT_TRUE(AnsweredExactly(script, 3));
    EXPECT_EQ(shell.Keys(shell.Unix() + "bob_export.asc"), (std::vector<std::string>{shell.KeyOf("bob")}));
}

// Inside the client the manager's keys come through the client's own loop,
// as the viewer's do: F12 opens the configuration, Tab moves on, Esc closes it.
TEST_F(Manager, ItsKeysWorkInsideTheMailClient) {
    HWND focus = GetFocus();
    ASSERT_TRUE(focus && IsChild(manager, focus));
    PostKey(focus, VK_TAB);
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() != focus && IsChild(manager, GetFocus()); }, 5000))
        << "Tab left the focus where it was";
    ModalScript script;
    script.Expect(kConfig, "Configuration", [](HWND dialog) { Press(GlyphButtons(dialog, false).at(2)); });
    GuardFurtherBoxes(script);
    stepsBeforeGuard = 1;
    script.Start(20000);
    PostKey(manager, VK_F12);
    PumpUntil([&] { return script.Seen().size() >= 1 && !FindTopWindow(kConfig, "Configuration", 0); }, 20000);
    EXPECT_TRUE(AnsweredExactly(script, 1)) << "F12 opened no configuration";
    PostKey(manager, VK_ESCAPE);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(manager); }, 5000)) << "Esc left the manager open";
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(form); }, 5000));
}

TEST_F(Manager, TheRightClickOpensTheConfigurationAndEscIsHeldWhileItRuns) {
    ModalScript script;
    script.Expect(kConfig, "Configuration", [&](HWND dialog) {
        PostKey(manager, VK_ESCAPE);  // held: a command runs
        Sleep(300);
        Press(GlyphButtons(dialog, false).at(2));
    });
    GuardFurtherBoxes(script);
    stepsBeforeGuard = 1;
    script.Start();
    HWND picture = nullptr;
    for (HWND w : Children(manager))
        if (ClassOf(w) == "TManagerPanel" && Children(w).empty()) picture = w;
    ASSERT_NE(picture, nullptr);
    PostMessageA(picture, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    PumpUntil([&] { return script.Seen().size() >= 1; }, 10000);
    PumpFor(200);
    EXPECT_TRUE(AnsweredExactly(script, 1));
    EXPECT_TRUE(IsWindowVisible(manager));
}

}  // namespace
