// The file encryption window as the launcher starts it: Merrowin.dll's
// FORMINIT "SERVER" in launcher mode, over the engine stand-in with the test
// rings. Files are dropped on the window or chosen in its dialogs; the
// engine's passphrase dialog, the file dialogs and the library's boxes are
// answered by a responder thread. gpg makes the inputs and reads the outputs.
#include <windows.h>
#include <richedit.h>
#include <shlobj.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "interfaces/file_window.h"
#include "interfaces/mail_client.h"
#include "tests/plugin/plugin_test_support.h"
#include "tests/support/files.h"
#include "tests/support/passphrase_typist.h"
#include "tests/support/stand_in_engine.h"
#include "tests/support/ui_robot.h"
#include "tests/support/unix_scratch.h"
#include "tests/ui/box_view.h"
#include "ui/file_names.h"

#ifndef ORV_KEY_DATA
#error ORV_KEY_DATA names the test ring directory
#endif

using namespace orv;
using namespace orv::test;

namespace {

const char* const kLibraryBox = "TfrmPGPDlg";
const std::string kIdle = std::string(ui::kServerCaption) + "[Ctrl] + [E] starts Explorer ...";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The system's temporary files of the library ("orv*.tmp").
std::set<std::string> TemporaryFiles() {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    std::set<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((std::string(dir) + "orv*.tmp").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        names.insert(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines) all += "\n  " + l;
    return all;
}

// Every caption the window is given, in order, from the thread it runs on.
std::vector<std::string>* g_captions = nullptr;

LRESULT CALLBACK CaptionHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && g_captions) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
        if (call->message == WM_SETTEXT && call->lParam && ClassOf(call->hwnd) == ui::kServerWindowClass) {
            const std::string text = reinterpret_cast<const char*>(call->lParam);
            if (g_captions->empty() || g_captions->back() != text) g_captions->push_back(text);
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

// Drops the files on the window's edit as the shell does.
void DropFiles(HWND edit, const std::vector<std::string>& paths) {
    size_t size = sizeof(DROPFILES) + 1;
    for (const auto& p : paths) size += p.size() + 1;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(mem));
    drop->pFiles = sizeof(DROPFILES);
    char* names = reinterpret_cast<char*>(drop + 1);
    for (const auto& p : paths) {
        memcpy(names, p.c_str(), p.size() + 1);
        names += p.size() + 1;
    }
    GlobalUnlock(mem);
    PostMessageA(edit, WM_DROPFILES, reinterpret_cast<WPARAM>(mem), 0);
}

HWND FileNameField(HWND dialog) {
    HWND name = FindChildById(dialog, 0x47C);
    HWND edit = name ? FindChild(name, "Edit", "") : nullptr;
    if (!edit) edit = FindChildById(dialog, 0x480);
    return edit ? edit : name;
}

// What the responder saw, in order: "box <caption>: <text>", "file <title>:
// <proposed name>", "passphrase".
class Responder {
public:
    // The answer to a box of the library: a key, from what it says; 0 ends
    // the box without an answer, as the mail client's quit does.
    std::function<WORD(const BoxView&)> answerBox = [](const BoxView&) { return WORD('N'); };
    // The name typed into a file dialog, from its title and proposed name;
    // "" cancels it.
    std::function<std::string(const std::string&, const std::string&)> fileName =
        [](const std::string&, const std::string&) { return std::string(); };

    void Start() {
        thread_ = std::thread([this] { Run(); });
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    ~Responder() { Stop(); }
    std::vector<std::string> Seen() {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

private:
    void Note(const std::string& line) {
        if (getenv("ORV_TRACE")) fprintf(stderr, "seen %s\n", line.c_str());
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back(line);
    }
    void Run() {
        std::set<HWND> answered;
        while (!stop_) {
            for (auto it = answered.begin(); it != answered.end();)
                it = IsWindow(*it) ? std::next(it) : answered.erase(it);
            for (HWND w : ListTopWindows("", "")) {
                if (answered.count(w)) continue;
                const std::string cls = ClassOf(w);
                if (cls == kLibraryBox) {
                    // A slow machine shows the box before its caption and text.
                    if (GetText(w).empty() || ViewBox(w).text.empty()) {
                        if (++unknown_[w] < Patience(60)) continue;
                        unknown_.erase(w);
                    }
                    Sleep(150);
                    const BoxView view = ViewBox(w);
                    std::string text;
                    for (char c : view.text)
                        if (c != '\r') text += c;
                    Note("box " + view.caption + " " + text);
                    if (const WORD key = answerBox(view))
                        PostKey(w, key);
                    else
                        PostMessageA(w, WM_QUIT, 0, 0);
                    answered.insert(w);
                } else if (cls == "#32770") {
                    // A dialog is answered once it shows what it is.
                    if (!Recognised(w)) {
                        if (++unknown_[w] < Patience(60)) continue;
                        unknown_.erase(w);
                    }
                    Sleep(250);
                    Answer(w);
                    answered.insert(w);
                }
            }
            Sleep(40);
        }
    }
    // A file dialog gets its title after its controls.
    static bool Recognised(HWND dialog) {
        return FindChildById(dialog, kPassphraseEdit) || (FileNameField(dialog) && !GetText(dialog).empty()) ||
               !StaticTexts(dialog).empty();
    }
    void Answer(HWND dialog) {
        const std::string title = GetText(dialog);
        if (HWND pass = FindChildById(dialog, kPassphraseEdit)) {
            Note("passphrase");
            SetText(pass, kAlicePass);
            ClickId(dialog, IDOK);
            return;
        }
        HWND field = FileNameField(dialog);
        if (!field) {
            // The file dialog's own question: replace the existing file.
            std::string texts;
            for (const auto& t : StaticTexts(dialog)) texts += t + "|";
            Note("dialog " + title + " " + texts);
            if (!ClickButton(dialog, "Yes")) PostMessageA(dialog, WM_COMMAND, IDYES, 0);
            return;
        }
        const std::string proposed = GetText(field);
        Note("file " + title + " " + proposed);
        const std::string name = fileName(title, proposed);
        if (name.empty()) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        // A dialog still setting itself up may empty the field again: the name
        // is typed until the dialog takes it.
        for (int attempt = 0; attempt < 3; ++attempt) {
            SetText(field, name);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
            if (WaitGone(dialog) || !GetText(field).empty()) return;
        }
    }

    std::thread thread_;
    std::map<HWND, int> unknown_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> seen_;
};

class FileWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        mailbox_ = new ScratchDir("servermailbox");
        std::string mailbox = mailbox_->Path();
        mailbox.pop_back();
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_CURRENT_USER, host::kRegMailbox, "", mailbox));
        registry_.push_back(std::make_unique<RegistryValue>(HKEY_LOCAL_MACHINE, "Software\\Tamberlow\\Fennick",
                                                            "InstallDir1", ProgramDir()));
        engine_ = new StandInEngine(SourcePath(ORV_KEY_DATA));
        ReplaceWholeFile(mailbox_->Path() + "Merrowin.cfg",
                         "[FilePaths]\r\nPubRing=" + engine_->PublicRing() + "\r\nSecRing=" + engine_->SecretRing() +
                             "\r\n[DefaultUser]\r\nName=alice\\0xE8750B357ACE6A48\r\n");
        SetDllDirectoryA(engine_->Dir().c_str());
        module_ = LoadLibraryA((ProgramDir() + "Merrowin.dll").c_str());
    }
    static void TearDownTestSuite() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
        SetDllDirectoryA(nullptr);
        delete engine_;
        registry_.clear();
        delete mailbox_;
    }
    void SetUp() override {
        ASSERT_NE(module_, nullptr) << "Merrowin.dll did not load: " << GetLastError();
        formInit_ = reinterpret_cast<host::FormInitFn>(
            reinterpret_cast<void*>(GetProcAddress(module_, host::kFormInitName)));
        ASSERT_NE(formInit_, nullptr);
        gpg_ = std::make_unique<UnixScratch>("orv_filewindow");
        keys_ = std::string(ORV_KEY_DATA) + "/";
        tempBefore_ = TemporaryFiles();
    }
    void TearDown() override { gpg_.reset(); }

    // Runs the window until the driver closes it; captions recorded.
    WORD RunWindow(Responder& responder, const std::function<void(HWND)>& driver) {
        captions_.clear();
        g_captions = &captions_;
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CaptionHook, nullptr, GetCurrentThreadId());
        responder.Start();
        std::thread drive([&] {
            HWND window = FindTopWindow(ui::kServerWindowClass, std::string(ui::kServerCaption) + "*", 20000);
            if (window) driver(window);
        });
        HWND form = nullptr;
        char* callback = nullptr;
        const WORD result = formInit_(host::kFormInterfaceVersion, host::kFormModeLauncher, nullptr, "SERVER", &form,
                                      &callback);
        drive.join();
        responder.Stop();
        UnhookWindowsHookEx(hook);
        g_captions = nullptr;
        return result;
    }

    // Whether the run shows a dialog or a box of the library.
    static bool Asking() {
        for (HWND w : ListTopWindows("#32770", ""))
            if (IsWindowVisible(w)) return true;
        return !ListTopWindows(kLibraryBox, "").empty();
    }
    // Waits until the run has begun (the caption names a file, or it asks),
    // then until it has ended: the idle caption and nothing asked, for a
    // moment, since the caption names the file only after the open dialog.
    static void AwaitRun(HWND window) {
        PumpUntil([&] { return !IsWindow(window) || GetText(window) != kIdle || Asking(); }, 20000);
        DWORD endedSince = 0;  // when the run was first seen ended, 0 while it runs
        PumpUntil(
            [&] {
                if (!IsWindow(window)) return true;
                if (GetText(window) != kIdle || Asking()) endedSince = 0;
                else if (!endedSince) endedSince = GetTickCount();
                return endedSince && GetTickCount() - endedSince >= DWORD(Patience(300));
            },
            60000);
    }

    // Waits for the window's idle caption, takes its picture and closes it.
    static void FinishAndClose(HWND window, const std::string& shot, std::string* shown = nullptr) {
        AwaitRun(window);
        if (GetText(window) != kIdle) {
            // Stuck: what is on the screen, then every dialog cancelled.
            ADD_FAILURE() << "the run did not end; caption " << GetText(window);
            SaveScreenshot(nullptr, ShotPath("stuck_" + shot));
            for (HWND w : ListTopWindows("#32770", "")) {
                ADD_FAILURE() << "open dialog \"" << GetText(w) << "\": " << Lines(StaticTexts(w));
                PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
            }
            AwaitRun(window);
        }
        Sleep(200);
        if (shown) *shown = GetText(FindChild(window, "RichEdit20A", ""));
        SaveScreenshot(window, ShotPath(shot));
        PostMessageA(window, WM_CLOSE, 0, 0);
    }

    // Drops the files on the window and runs it until the run ends, then closes it.
    WORD DropAndRun(Responder& responder, const std::vector<std::string>& files, const std::string& shot) {
        return RunWindow(responder, [&](HWND window) {
            Sleep(300);
            DropFiles(FindChild(window, "RichEdit20A", ""), files);
            FinishAndClose(window, shot);
        });
    }

    // Encrypts a text with gpg to the key of the file; returns the Windows path.
    std::string GpgEncrypt(const std::string& name, const std::string& text, const char* keyFile,
                           const char* recipient, bool armor = true) {
        ReplaceWholeFile(gpg_->Win() + name + ".plain", text);
        gpg_->Run("gpg -q --batch --import " + keys_ + keyFile + " 2>/dev/null; gpg -q --batch --trust-model always " +
                  (armor ? "--armor " : "") + "-r " + recipient + " -o " + gpg_->Unix() + name + " -e " +
                  gpg_->Unix() + name + ".plain");
        DeleteFileA((gpg_->Win() + name + ".plain").c_str());
        return gpg_->Win() + name;
    }

    static ScratchDir* mailbox_;
    static StandInEngine* engine_;
    static HMODULE module_;
    static std::vector<std::unique_ptr<RegistryValue>> registry_;
    host::FormInitFn formInit_ = nullptr;
    std::unique_ptr<UnixScratch> gpg_;
    std::string keys_;
    std::vector<std::string> captions_;
    std::set<std::string> tempBefore_;
};

ScratchDir* FileWindowTest::mailbox_ = nullptr;
StandInEngine* FileWindowTest::engine_ = nullptr;
HMODULE FileWindowTest::module_ = nullptr;
std::vector<std::unique_ptr<RegistryValue>> FileWindowTest::registry_;

// The captions that follow one another in the list, in that order.
::testing::AssertionResult InOrder(const std::vector<std::string>& all, const std::vector<std::string>& wanted) {
    size_t at = 0;
    for (const std::string& c : all)
        if (at < wanted.size() && c == wanted[at]) ++at;
    if (at == wanted.size()) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "missing \"" << wanted[at] << "\" in:";
    for (const auto& c : all) failure << "\n  " << c;
    return failure;
}

TEST_F(FileWindowTest, ThreeDroppedFilesAreDecryptedInTheOrderDroppedAndShown) {
    const std::string one = GpgEncrypt("one.asc", "first text from gpg\r\n", "alice_pub.asc", "alice@example.org");
    const std::string two = GpgEncrypt("two.asc", "second text from gpg\r\n", "alice_pub.asc", "alice@example.org");
    const std::string three =
        GpgEncrypt("three.asc", "third text from gpg\r\n", "alice_pub.asc", "alice@example.org");
    ASSERT_TRUE(Exists(one) && Exists(two) && Exists(three)) << gpg_->Win();

    Responder responder;
    // No to naming all outputs by rule; Yes to leaving with a file decrypted.
    responder.answerBox = [](const BoxView& v) {
        return WORD(v.text.find("continue closing") != std::string::npos ? 'Y' : 'N');
    };
    std::string shown;
    const WORD result = RunWindow(responder, [&](HWND window) {
        Sleep(300);
        DropFiles(FindChild(window, "RichEdit20A", ""), {one, two, three});
        FinishAndClose(window, "file_window_decrypted.png", &shown);
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(InOrder(captions_, {"Server: one.asc out of 3", "Server: one.asc =>  ...",
                                     "Server: two.asc out of 2", "Server: two.asc =>  ...", "Server: three.asc",
                                     "Server: three.asc =>  ...", kIdle}));
    for (const auto& c : captions_) EXPECT_EQ(c.find("three.asc out of"), std::string::npos) << c;
    while (!shown.empty() && (shown.back() == '\r' || shown.back() == '\n')) shown.pop_back();
    EXPECT_EQ(shown, "third text from gpg");
    const auto seen = responder.Seen();
    ASSERT_GE(seen.size(), 5u) << Lines(seen);
    EXPECT_NE(seen[0].find("Use same file extension for all files in list"), std::string::npos) << Lines(seen);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "passphrase"), 3) << Lines(seen);
    // The decrypted texts went through temporary files that are gone again.
    EXPECT_EQ(TemporaryFiles(), tempBefore_);
    EXPECT_TRUE(Exists(one) && Exists(two) && Exists(three));
}

TEST_F(FileWindowTest, WhatTheWindowEncryptsGpgDecrypts) {
    const std::string letter = gpg_->Win() + "letter.txt";
    const std::string content = "A letter that leaves by other means.\r\nSecond line.\r\n";
    ReplaceWholeFile(letter, content);
    Responder responder;
    responder.fileName = [&](const std::string& title, const std::string& proposed) {
        if (title == "OPEN Input File:") return letter;
        return title == "Save ENCRYPTED file as:" ? gpg_->Win() + proposed : std::string();
    };
    responder.answerBox = [](const BoxView& v) {
        return WORD(v.text.find("continue closing") != std::string::npos ? 'Y' : 'N');
    };
    const WORD result = RunWindow(responder, [&](HWND window) {
        Sleep(300);
        ClickButton(window, "Encrypt");
        FinishAndClose(window, "file_window_encrypted.png");
    });
    EXPECT_EQ(result, 1);
    const auto seen = responder.Seen();
    ASSERT_GE(seen.size(), 3u) << Lines(seen);
    EXPECT_EQ(seen[0], "file OPEN Input File: ") << Lines(seen);
    EXPECT_EQ(seen[1], "file Save ENCRYPTED file as: letter.txt.pgp") << Lines(seen);
    EXPECT_NE(seen[2].find("Output in:\n\n" + letter + ".pgp.\n\nDelete source?"), std::string::npos)
        << Lines(seen);
    EXPECT_TRUE(InOrder(captions_, {"Server: letter.txt", "Server: letter.txt => \"letter.~.pgp\"", kIdle}));
    ASSERT_TRUE(Exists(letter + ".pgp"));
    EXPECT_EQ(ReadAll(letter), content);
    const std::string plain = gpg_->Run("gpg -q --batch --pinentry-mode loopback --passphrase 'alice pass' --import " +
                                        keys_ + "alice_sec.asc 2>/dev/null; gpg -q --batch --pinentry-mode loopback "
                                        "--passphrase 'alice pass' -d " +
                                        gpg_->Unix() + "letter.txt.pgp");
    EXPECT_EQ(plain, content);
}

TEST_F(FileWindowTest, AFailureOnTheThirdFileLeavesTheOutputsBeforeIt) {
    const std::string one = GpgEncrypt("one.asc", "first text\r\n", "alice_pub.asc", "alice@example.org");
    const std::string two = GpgEncrypt("two.asc", "second text\r\n", "alice_pub.asc", "alice@example.org");
    // Only dave can read the third; its output name holds a file of the user.
    const std::string three = GpgEncrypt("three.asc", "third text\r\n", "dave_pub.asc", "dave@example.org");
    const std::string older = "the user's own file\r\n";
    ReplaceWholeFile(gpg_->Win() + "three.txt", older);

    Responder responder;
    responder.answerBox = [](const BoxView& v) {
        if (v.text.find("Use same file extension") != std::string::npos) return WORD('Y');
        if (v.text.find("Leave three.asc unmodified") != std::string::npos) return WORD('Y');
        return WORD(VK_RETURN);
    };
    responder.fileName = [&](const std::string& title, const std::string&) {
        return title == "Save DECRYPTED file as:" ? gpg_->Win() + "one.txt" : std::string();
    };
    const WORD result = RunWindow(responder, [&](HWND window) {
        Sleep(300);
        DropFiles(FindChild(window, "RichEdit20A", ""), {one, two, three});
        FinishAndClose(window, "file_window_failed_third.png");
    });
    EXPECT_EQ(result, 1);
    const auto seen = responder.Seen();
    EXPECT_EQ(ReadAll(gpg_->Win() + "one.txt"), "first text\r\n") << Lines(seen);
    EXPECT_EQ(ReadAll(gpg_->Win() + "two.txt"), "second text\r\n") << Lines(seen);
    EXPECT_EQ(ReadAll(gpg_->Win() + "three.txt"), older) << Lines(seen);
    bool askedToLeave = false;
    for (const auto& s : seen) askedToLeave = askedToLeave || s.find("Leave three.asc unmodified?") != std::string::npos;
    EXPECT_TRUE(askedToLeave) << Lines(seen);
    EXPECT_TRUE(InOrder(captions_, {"Server: two.asc => two.txt", "Server: three.asc => three.txt"}));
}

// What the binary files hold: zero bytes before their end.
const std::string kBinaryPlain("binary\0data\0with zeros\r\nand more", 33);

// A binary file encrypted by gpg for alice; returns the encrypted file's path.
std::string GpgBinary(UnixScratch& gpg, const std::string& keys, const std::string& name) {
    ReplaceWholeFile(gpg.Win() + name + ".plain", kBinaryPlain);
    gpg.Run("gpg -q --batch --import " + keys + "alice_pub.asc 2>/dev/null; gpg -q --batch --trust-model always "
            "-r alice@example.org -o " + gpg.Unix() + name + ".gpg -e " + gpg.Unix() + name + ".plain");
    DeleteFileA((gpg.Win() + name + ".plain").c_str());
    return gpg.Win() + name + ".gpg";
}

TEST_F(FileWindowTest, BinaryDataAreSavedUnderANameBeforeTheSourceMayGo) {
    const std::string source = GpgBinary(*gpg_, keys_, "data.bin");
    ASSERT_TRUE(Exists(source));
    Responder responder;
    responder.answerBox = [](const BoxView& v) {
        return WORD(v.text.find("Delete source") != std::string::npos ? 'Y' : VK_RETURN);
    };
    responder.fileName = [&](const std::string& title, const std::string&) {
        return title == "Save DECRYPTED file as:" ? gpg_->Win() + "data.out" : std::string();
    };
    const WORD result = DropAndRun(responder, {source}, "file_window_binary.png");
    EXPECT_EQ(result, 1);
    const auto seen = responder.Seen();
    ASSERT_GE(seen.size(), 4u) << Lines(seen);
    EXPECT_EQ(seen[0], "passphrase");
    EXPECT_NE(seen[1].find("File contains binary data"), std::string::npos) << Lines(seen);
    EXPECT_EQ(seen[2], "file Save DECRYPTED file as: data.bin") << Lines(seen);
    EXPECT_NE(seen[3].find("Output in:\n\n" + gpg_->Win() + "data.out.\n\nDelete source?"), std::string::npos)
        << Lines(seen);
    EXPECT_EQ(ReadAll(gpg_->Win() + "data.out"), kBinaryPlain);
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(TemporaryFiles(), tempBefore_);
}

bool Asked(const std::vector<std::string>& seen, const std::string& text) {
    for (const auto& s : seen)
        if (s.find(text) != std::string::npos) return true;
    return false;
}

TEST_F(FileWindowTest, ABinaryOutputWhoseSaveIsCancelledLeavesNoPlainTemporaryFile) {
    const std::string source = GpgBinary(*gpg_, keys_, "cancelled.bin");
    ASSERT_TRUE(Exists(source));
    Responder responder;
    responder.answerBox = [](const BoxView& v) {
        return WORD(v.text.find("continue closing") != std::string::npos ? 'Y' : VK_RETURN);
    };
    const WORD result = DropAndRun(responder, {source}, "file_window_binary_cancelled.png");
    EXPECT_EQ(result, 1);
    const auto seen = responder.Seen();
    EXPECT_TRUE(Asked(seen, "file Save DECRYPTED file as:")) << Lines(seen);
    EXPECT_FALSE(Asked(seen, "Delete source")) << Lines(seen);
    EXPECT_EQ(TemporaryFiles(), tempBefore_) << Lines(seen);
    EXPECT_TRUE(Exists(source));
}

TEST_F(FileWindowTest, AnOutputThatCannotTakeItsNameIsReportedAndLeavesNoPlainTemporaryFile) {
    const std::string source = GpgBinary(*gpg_, keys_, "held.bin");
    const std::string target = gpg_->Win() + "held.out";
    ReplaceWholeFile(target, "another program's file\r\n");
    // Another program holds the chosen file open against writers.
    UniqueHandle held(CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    Responder responder;
    responder.answerBox = [](const BoxView& v) {
        return WORD(v.text.find("continue closing") != std::string::npos ? 'Y' : VK_RETURN);
    };
    responder.fileName = [&](const std::string& title, const std::string&) {
        return title == "Save DECRYPTED file as:" ? target : std::string();
    };
    const WORD result = DropAndRun(responder, {source}, "file_window_output_held.png");
    held.reset();
    EXPECT_EQ(result, 1);
    const auto seen = responder.Seen();
    EXPECT_TRUE(Asked(seen, "box Error: \"" + target + "\"\n\nError writing data!")) << Lines(seen);
    EXPECT_FALSE(Asked(seen, "Delete source")) << Lines(seen);
    EXPECT_EQ(ReadAll(target), "another program's file\r\n");
    EXPECT_EQ(TemporaryFiles(), tempBefore_) << Lines(seen);
    EXPECT_TRUE(Exists(source));
}

TEST_F(FileWindowTest, ADeleteSourceQuestionEndedWithoutAnAnswerKeepsTheSource) {
    const std::string letter = gpg_->Win() + "kept.txt";
    ReplaceWholeFile(letter, "kept unless the user says yes\r\n");
    Responder responder;
    responder.fileName = [&](const std::string& title, const std::string& proposed) {
        if (title == "OPEN Input File:") return letter;
        return title == "Save ENCRYPTED file as:" ? gpg_->Win() + proposed : std::string();
    };
    // The mail client quits while the question is open.
    responder.answerBox = [](const BoxView& v) {
        return WORD(v.text.find("Delete source") != std::string::npos ? 0 : 'N');
    };
    RunWindow(responder, [&](HWND window) {
        Sleep(300);
        ClickButton(window, "Encrypt");
        for (int i = 0; i < 600 && IsWindow(window); ++i) Sleep(50);
        if (IsWindow(window)) PostMessageA(window, WM_CLOSE, 0, 0);
    });
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    const auto seen = responder.Seen();
    EXPECT_TRUE(Asked(seen, "Delete source?")) << Lines(seen);
    EXPECT_TRUE(Exists(letter + ".pgp")) << Lines(seen);
    EXPECT_EQ(ReadAll(letter), "kept unless the user says yes\r\n");
}

TEST_F(FileWindowTest, SeveralFilesChosenInTheOpenDialogAreEachDecrypted) {
    const std::string one = GpgEncrypt("first.asc", "first chosen\r\n", "alice_pub.asc", "alice@example.org");
    const std::string two = GpgEncrypt("second.asc", "second chosen\r\n", "alice_pub.asc", "alice@example.org");
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);
    // The dialog starts where the program runs.
    SetCurrentDirectoryA(gpg_->Win().c_str());
    Responder responder;
    responder.fileName = [&](const std::string& title, const std::string&) {
        return title == "OPEN Input File:" ? std::string("\"first.asc\" \"second.asc\"") : std::string();
    };
    responder.answerBox = [](const BoxView& v) {
        return WORD(v.text.find("continue closing") != std::string::npos ? 'Y' : 'N');
    };
    std::string shown;
    const WORD result = RunWindow(responder, [&](HWND window) {
        Sleep(300);
        ClickButton(window, "Decrypt");
        FinishAndClose(window, "file_window_chosen_two.png", &shown);
    });
    SetCurrentDirectoryA(before);
    EXPECT_EQ(result, 1);
    const auto seen = responder.Seen();
    EXPECT_TRUE(InOrder(captions_, {"Server: first.asc out of 2", "Server: first.asc =>  ...",
                                     "Server: second.asc", "Server: second.asc =>  ...", kIdle}));
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "passphrase"), 2) << Lines(seen);
    while (!shown.empty() && (shown.back() == '\r' || shown.back() == '\n')) shown.pop_back();
    EXPECT_EQ(shown, "second chosen");
    EXPECT_EQ(TemporaryFiles(), tempBefore_);
}

TEST_F(FileWindowTest, AnOutputOnItsOwnSourceIsRefused) {
    const std::string letter = gpg_->Win() + "same.txt";
    const std::string content = "stays as it is\r\n";
    ReplaceWholeFile(letter, content);
    Responder responder;
    responder.fileName = [&](const std::string& title, const std::string&) {
        return title == "OPEN Input File:" || title == "Save ENCRYPTED file as:" ? letter : std::string();
    };
    responder.answerBox = [](const BoxView& v) {
        return WORD(v.text.find("unmodified") != std::string::npos ? 'Y' : VK_RETURN);
    };
    const WORD result = RunWindow(responder, [&](HWND window) {
        Sleep(300);
        ClickButton(window, "Encrypt");
        FinishAndClose(window, "file_window_refused.png");
    });
    EXPECT_EQ(result, 1);
    const auto seen = responder.Seen();
    bool refused = false;
    for (const auto& s : seen)
        refused = refused || (s.rfind("box Error:", 0) == 0 && s.find("\"" + letter + "\"") != std::string::npos &&
                              s.find("Illegal file operation") != std::string::npos);
    EXPECT_TRUE(refused) << Lines(seen);
    EXPECT_EQ(ReadAll(letter), content);
    EXPECT_EQ(gpg_->Files(), std::vector<std::string>{"same.txt"});
}

}  // namespace

namespace {

TEST_F(FileWindowTest, AProtectedSourceGoesOnlyAfterTheSecondQuestion) {
    const std::string letter = gpg_->Win() + "protected.txt";
    ReplaceWholeFile(letter, "read-only letter\r\n");
    SetFileAttributesA(letter.c_str(), FILE_ATTRIBUTE_READONLY);
    Responder responder;
    responder.fileName = [&](const std::string& title, const std::string& proposed) {
        if (title == "OPEN Input File:") return letter;
        return title == "Save ENCRYPTED file as:" ? gpg_->Win() + proposed : std::string();
    };
    // Yes to deleting, and yes again to deleting the protected file.
    responder.answerBox = [](const BoxView& v) { return WORD('Y'); };
    const WORD result = RunWindow(responder, [&](HWND window) {
        Sleep(300);
        ClickButton(window, "Encrypt");
        FinishAndClose(window, "file_window_protected.png");
    });
    EXPECT_EQ(result, 1);
    const auto seen = responder.Seen();
    ASSERT_GE(seen.size(), 4u) << Lines(seen);
    EXPECT_NE(seen[2].find("Delete source?"), std::string::npos) << Lines(seen);
    EXPECT_NE(seen[3].find("\"" + letter + "\"\n\nis protected!.\n\nDelete anyway?"), std::string::npos)
        << Lines(seen);
    EXPECT_FALSE(Exists(letter));
    EXPECT_TRUE(Exists(letter + ".pgp"));
    // Nothing unencrypted is left, so closing asks nothing more.
    EXPECT_EQ(seen.size(), 4u) << Lines(seen);
}

TEST(FileWindowNames, CaptionsShortenNamesLongerThanTwelveCharacters) {
    EXPECT_EQ(ui::ShortName("C:\\dir\\twelve12.txt"), "twelve12.txt");
    EXPECT_EQ(ui::ShortName("C:\\dir\\thirteen1.txt"), "\"thirtee~.txt\"");
    EXPECT_EQ(ui::ShortName("C:\\dir\\a.txt.pgp"), "a.txt.pgp");
    EXPECT_EQ(ui::ShortName("noextensionatall"), "\"noexten~\"");
}

TEST(FileWindowNames, OutputsByRuleGoBesideTheSourceOrIntoTheChosenDirectory) {
    EXPECT_EQ(ui::OutputByRule(true, "C:\\in\\a.txt", "D:\\out\\", ".asc"), "C:\\in\\a.txt.asc");
    EXPECT_EQ(ui::OutputByRule(false, "C:\\in\\a.txt.pgp", "D:\\out\\", ".txt"), "D:\\out\\a.txt.txt");
    EXPECT_EQ(ui::OutputByRule(false, "C:\\in\\b.pgp", "D:\\out\\", ""), "D:\\out\\b");
    EXPECT_TRUE(ui::SamePath("C:\\In\\A.TXT", "c:\\in\\a.txt"));
    EXPECT_FALSE(ui::SamePath("C:\\in\\a.txt", "C:\\in\\a.txt.pgp"));
}

}  // namespace

namespace {

CHARRANGE Selection(HWND edit) {
    CHARRANGE range{};
    SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
}

TEST_F(FileWindowTest, TheShownTextIsSearchedWithTheKeys) {
    const std::string one = GpgEncrypt("find.asc", "alpha beta g\xE4mma beta\r\n", "alice_pub.asc", "alice@example.org");
    Responder responder;
    // Searching again from the start after the last hit; leaving then.
    responder.answerBox = [](const BoxView& v) { return WORD('Y'); };
    std::vector<CHARRANGE> hits;
    std::string proposed = "<no find dialog>";
    const WORD result = RunWindow(responder, [&](HWND window) {
        Sleep(300);
        HWND edit = FindChild(window, "RichEdit20A", "");
        DropFiles(edit, {one});
        AwaitRun(window);
        SetForegroundWindow(window);
        Sleep(200);
        // The selection is what the search proposes.
        CHARRANGE word{11, 16};
        SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&word));
        SendKeyInput('F', true);
        HWND find = FindTopWindow("TfrmPGPFind", "Search for:", 5000);
        if (find) {
            Sleep(150);
            proposed = GetText(FindChild(find, "Edit", ""));
            // The search goes on from the selection's end: from the top here.
            CHARRANGE top{0, 0};
            SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&top));
            SetText(FindChild(find, "Edit", ""), "beta");
            PostKey(find, VK_RETURN);
            WaitGone(find, 5000);
        }
        // Each key moves the selection: what it became, once it moved.
        auto movedFrom = [&](CHARRANGE before) {
            PumpUntil(
                [&] {
                    const CHARRANGE now = Selection(edit);
                    return now.cpMin != before.cpMin || now.cpMax != before.cpMax;
                },
                5000);
            return Selection(edit);
        };
        hits.push_back(movedFrom(CHARRANGE{0, 0}));
        SendKeyInput(VK_F3);
        hits.push_back(movedFrom(hits.back()));
        SendKeyInput('G', true);  // no third "beta": from the start again, once the question is answered
        hits.push_back(movedFrom(hits.back()));
        SendKeyInput(VK_ESCAPE);
        hits.push_back(movedFrom(hits.back()));
        SaveScreenshot(window, ShotPath("file_window_found.png"));
        PostMessageA(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(proposed, "g\xE4mma");
    ASSERT_EQ(hits.size(), 4u);
    EXPECT_EQ(hits[0].cpMin, 6);
    EXPECT_EQ(hits[0].cpMax, 10);
    EXPECT_EQ(hits[1].cpMin, 17);
    EXPECT_EQ(hits[1].cpMax, 21);
    EXPECT_EQ(hits[2].cpMin, 6);
    EXPECT_EQ(hits[2].cpMax, 10);
    EXPECT_EQ(hits[3].cpMin, hits[3].cpMax);
    const auto seen = responder.Seen();
    bool restarted = false;
    for (const auto& s : seen) restarted = restarted || s.find("Text not found, restart on first line?") != std::string::npos;
    EXPECT_TRUE(restarted) << Lines(seen);
}

}  // namespace
