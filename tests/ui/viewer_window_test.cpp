// The viewer window and the selection box over recording host and job
// objects: find with the restart question, word wrap, the capacity limit,
// both saves, folder loading with its progress and cancel, every exit of the
// folder choice, and the selection box's sorting, Ctrl+A and OK rule.
#include "base/whole_file.h"
#include "formats/mcfuncs.h"
#include "tests/support/ui_robot.h"
#include "tests/ui/box_view.h"
#include "tests/ui/product_texts.h"
#include "ui/file_dialog_ex.h"
#include "ui/file_names.h"
#include "ui/look.h"
#include "ui/sel_box.h"
#include "ui/viewer.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <functional>
#include <sstream>
#include "tests/support/files.h"

using namespace orv;
using namespace orv::test;
using namespace orv::ui;

namespace {

constexpr unsigned kCommandMessage = host::kFormMsgCommand;

using orv::test::ReadAll;

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void Pump(int ms) {
    const DWORD end = GetTickCount() + DWORD(ms);
    while (int(end - GetTickCount()) > 0) {
        ProcessMessages();
        Sleep(5);
    }
}

bool ProcessUntil(const std::function<bool()>& done, int ms) {
    const DWORD end = GetTickCount() + DWORD(ms);
    while (!done()) {
        if (int(end - GetTickCount()) <= 0) return false;
        ProcessMessages();
        Sleep(5);
    }
    return true;
}

class FakeHost : public TViewerHost {
public:
    std::string mode = "VIEWER";
    std::string copied;
    std::vector<std::string> status;
    std::string folder;  // empty: the choice is cancelled
    std::string mailbox;
    bool managerOpen = false;
    int managerReopened = 0;
    int destroyed = 0;
    Form* owner = nullptr;
    HWND parentDuringChoice = nullptr;
    Form* viewer = nullptr;

    std::string Mode() const override { return mode; }
    unsigned CommandMessage() const override { return kCommandMessage; }
    bool CopiedReaderText(std::string& text) override {
        text = copied;
        return !copied.empty();
    }
    void StatusLine(const std::string& text) override { status.push_back(text); }
    void EnableFindMenu() override {}
    bool ChooseFolder(std::string& name) override {
        if (viewer) parentDuringChoice = reinterpret_cast<HWND>(GetWindowLongPtrA(viewer->Handle(), GWLP_HWNDPARENT));
        name = folder;
        return !folder.empty();
    }
    std::string MailboxDir() const override { return mailbox; }
    bool CloseFolderManager() override {
        const bool was = managerOpen;
        managerOpen = false;
        return was;
    }
    void ReopenFolderManager() override {
        ++managerReopened;
        managerOpen = true;
    }
    void BecomeOwner(Form* form) override {
        owner = form;
        CurrentSession().SetOwner(form->Handle());
    }
    void ViewerDestroyed(Form*) override {
        ++destroyed;
        CurrentSession().SetOwner(nullptr);
    }
};

class FakeJobs : public TViewerJobs {
public:
    std::vector<std::string> errors, infos, confirms;
    std::deque<bool> answers;  // Confirm answers in order; No when none is left
    std::function<std::string(const std::string&)> decode = [](const std::string& t) { return "DECODED(" + t + ")"; };
    std::function<std::string(std::string_view)> extract = [](std::string_view m) {
        return "[" + std::string(m) + "]";
    };
    std::vector<std::pair<std::string, std::string>> encrypted;  // text, path
    int batchOn = 0, batchOff = 0, rearmed = 0;
    TSaveDialogEx dialog = SessionSaveDialog();

    void Error(const std::string& text) override { errors.push_back(text); }
    void Info(const std::string& text) override { infos.push_back(text); }
    bool Confirm(const std::string& text) override {
        confirms.push_back(text);
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool ReloadConfig() override { return true; }
    void StopCacheTimer() override {}
    void RearmCacheTimer() override { ++rearmed; }
    void ResetJobs() override {}
    void SetBatch(bool on) override { ++(on ? batchOn : batchOff); }
    std::string ConvertBlock(const std::string&, const std::string& block) override { return block; }
    std::string DecodeText(const std::string& text) override { return decode(text); }
    std::string ExtractBody(std::string_view message) override { return extract(message); }
    std::string DecodeHeader(std::string_view text) override { return TMCFuncs::DecodeHeader(text); }
    bool ReadFile(const std::string& path, std::string& bytes) override {
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            errors.push_back("File not found");
            return false;
        }
        bytes = ReadAll(path);
        return true;
    }
    bool ReadFile(const std::string& path, char separator, std::size_t blockSize,
                  std::deque<std::string>& blocks) override {
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            errors.push_back("File not found");
            return false;
        }
        return ReadWholeFile(path, separator, blockSize, blocks);
    }
    bool WriteFile(const std::string& path, std::string_view bytes) override {
        WriteAll(path, std::string(bytes));
        return true;
    }
    bool EncryptTextToFile(const std::string& text, const std::string& path) override {
        encrypted.push_back({text, path});
        WriteAll(path, "ENCRYPTED");
        return true;
    }
    TSaveDialogEx& SaveDialog() override { return dialog; }
    void OpenFile(const std::string&) override {}
};

// Types the path into a save dialog and presses Save.
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

CHARRANGE Selection(const TfrmViewer& v) {
    CHARRANGE r{};
    SendMessageA(v.deViewer.Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

class ViewerWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(LoadProductTexts()); }
    void SetUp() override {
        LooseSession& s = DefaultSession();
        s.owner = nullptr;
        s.insideHost = false;
        s.hostForm = nullptr;
        s.hostMain = nullptr;
        dir = ProgramDirectory() + "viewer_case\\";
        CreateDirectoryA(dir.c_str(), nullptr);
        host.mailbox = dir;
    }
    // A viewer in reader or folder use; it frees itself when it closes.
    TfrmViewer* Open(const std::string& mode) {
        host.mode = mode;
        auto* v = new TfrmViewer(host, jobs);
        if (!v->Create()) {
            delete v;
            return nullptr;
        }
        host.viewer = v;
        return v;
    }
    void Close(TfrmViewer* v) {
        const int before = host.destroyed;
        PostMessageA(v->Handle(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(ProcessUntil([&] { return host.destroyed > before; }, 5000));
    }
    std::string dir;
    FakeHost host;
    FakeJobs jobs;
};

}  // namespace

// ---- names ------------------------------------------------------------------

TEST(FileNames, NamesFromAMessageBecomeBareValidNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"report.pdf", "report.pdf"},
        {"..\\..\\Windows\\system32\\evil.dll", "evil.dll"},
        {"../../etc/passwd", "passwd"},
        {"C:autoexec.bat", "autoexec.bat"},
        {"a\"b<c>d|e?f*g.txt", "abcdefg.txt"},
        {"tab\tand\x01" "control.txt", "tabandcontrol.txt"},
        {"  trailing dots...  ", "trailing dots"},
        {"CON", "_CON"},
        {"lpt1.txt", "_lpt1.txt"},
        {"console.txt", "console.txt"},
        {"..", ""},
        {"dir\\", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(SafeFileName(in), out) << in;
}

TEST(FileNames, ProposedTextNameFollowsTheSubjectLine) {
    FakeJobs jobs;
    EXPECT_EQ(TfrmViewer::ProposedTextName("From: a\r\nSubject: a/b:c?\r\n\r\nbody", jobs), "abc.txt");
    EXPECT_EQ(TfrmViewer::ProposedTextName("no subject here\r\n", jobs), "NoName.txt");
    EXPECT_EQ(TfrmViewer::ProposedTextName("Subject: =?ISO-8859-1?Q?Gr=FC=DFe_aus_Bern?=\r\n", jobs),
              "Gr\xFC\xDF" "e aus Bern.txt");
    EXPECT_EQ(TfrmViewer::ProposedTextName("Subject: \"..\\..\\boot.ini\"\r\n", jobs), "boot.ini.txt");
    EXPECT_EQ(TfrmViewer::ProposedTextName("Subject: NUL\r\n", jobs), "_NUL.txt");
    EXPECT_EQ(TfrmViewer::ProposedTextName("Subject:    \r\n", jobs), "NoName.txt");
    // Only a line that begins with the field counts.
    EXPECT_EQ(TfrmViewer::ProposedTextName("X-Subject: other\r\n", jobs), "NoName.txt");
}

TEST(FileNames, ProposedPartNameTakesTheNameAfterTheColon) {
    EXPECT_EQ(ProposedPartName("+ File: report.pdf"), "report.pdf");
    EXPECT_EQ(ProposedPartName("    + File: ..\\..\\autoexec.bat"), "autoexec.bat");
    EXPECT_EQ(ProposedPartName("+ Message body"), "+ Message body.txt");
}

// A proposed name and its folder stay within a path's room: the stem's end
// goes, the extension stays.
TEST(FileNames, ANameIsCutToWhatAPathHoldsWithItsFolder) {
    const std::string folder = "C:\\Mail\\";  // 8 characters
    const std::string longStem(300, 'n');
    EXPECT_EQ(NameFittingFolder(folder, "short.txt"), "short.txt");
    const std::string cut = NameFittingFolder(folder, longStem + ".pdf");
    EXPECT_EQ(folder.size() + cut.size(), kPathChars);
    EXPECT_EQ(cut, std::string(kPathChars - 8 - 4, 'n') + ".pdf");
    // A folder without its closing separator gets one; reserved room is kept free.
    EXPECT_EQ(NameFittingFolder("C:\\Mail", longStem, 4).size(), kPathChars - 8 - 4);
    // No blanks or dots where the cut falls; a folder that leaves no room leaves no name.
    EXPECT_EQ(NameFittingFolder(folder, std::string(kPathChars - 10, 'a') + "   bbbb"), std::string(kPathChars - 10, 'a'));
    EXPECT_EQ(NameFittingFolder(std::string(kPathChars, 'd'), "x.txt"), "");
}

TEST(FileNames, DataAreTextWithoutAZeroBeforeTheirLastCharacter) {
    EXPECT_TRUE(TfrmViewer::LooksTextual("plain"));
    EXPECT_TRUE(TfrmViewer::LooksTextual(std::string("ends in zero\0", 13)));
    EXPECT_FALSE(TfrmViewer::LooksTextual(std::string("a\0b", 3)));
    EXPECT_TRUE(TfrmViewer::LooksTextual(""));
}

// ---- reader mode --------------------------------------------------------------

TEST_F(ViewerWindowTest, ReaderModeDecodesOnlyTheFirstBlockInPlace) {
    const std::string block1 = "-----BEGIN PGP MESSAGE-----\r\n\r\nAAAA\r\n-----END PGP MESSAGE-----\r\n";
    const std::string block2 = "-----BEGIN PGP MESSAGE-----\r\n\r\nBBBB\r\n-----END PGP MESSAGE-----\r\n";
    host.copied = "Hello,\r\n" + block1 + "between\r\n" + block2 + "bye\r\n";
    jobs.decode = [](const std::string& t) { return "PLAIN[" + std::to_string(t.size()) + "]\r\n"; };
    TfrmViewer* v = Open("VIEWER");
    ASSERT_NE(v, nullptr);
    v->Start();
    EXPECT_EQ(v->RawText(), "Hello,\r\nPLAIN[" + std::to_string(block1.size()) + "]\r\nbetween\r\n" + block2 + "bye\r\n");
    ASSERT_EQ(host.status.size(), 2u);
    EXPECT_EQ(host.status[0], "Decrypting/Verifying ...");
    EXPECT_EQ(host.status[1], "Decrypting/Verifying finished");
    EXPECT_TRUE(v->pnButtons.Enabled());
    EXPECT_EQ(jobs.rearmed, 1);
    EXPECT_EQ(GetText(v->Handle()), "Viewer");
    Close(v);
}

TEST_F(ViewerWindowTest, ReaderTextWithoutACompleteBlockClosesTheViewer) {
    host.copied = "-----BEGIN PGP MESSAGE-----\r\nno end line\r\n";
    TfrmViewer* v = Open("VIEWER");
    ASSERT_NE(v, nullptr);
    v->Start();
    ASSERT_EQ(jobs.infos.size(), 1u);
    EXPECT_EQ(jobs.infos[0], "No valid PGP encryption");
    EXPECT_TRUE(ProcessUntil([&] { return host.destroyed == 1; }, 5000));
}

TEST_F(ViewerWindowTest, DecodedDataWithAZeroGoToTheBinarySave) {
    host.copied = "-----BEGIN PGP MESSAGE-----\r\nX\r\n-----END PGP MESSAGE-----\r\n";
    jobs.decode = [](const std::string&) { return std::string("bin\0ary", 7); };
    jobs.answers = {false};  // "don't seem to be textual": No
    TfrmViewer* v = Open("VIEWER");
    ASSERT_NE(v, nullptr);
    v->Start();
    ASSERT_EQ(jobs.confirms.size(), 1u);
    EXPECT_EQ(jobs.confirms[0], "These data don't seem to be textual,\r\ndo you want to save them to a file");
    EXPECT_TRUE(v->RawText().empty());
    Close(v);
}

// ---- text ---------------------------------------------------------------------

// A text one byte over the limit is not put into the edit.
TEST_F(ViewerWindowTest, ATextOverTheViewersCapacityIsOfferedForSaving) {
    TfrmViewer* v = Open("UTILS");
    ASSERT_NE(v, nullptr);
    v->LoadText("earlier text");
    std::string text(kViewerCapacity + 1, 'x');
    jobs.answers = {false};
    EXPECT_FALSE(v->LoadText(text));
    ASSERT_EQ(jobs.confirms.size(), 1u);
    EXPECT_EQ(jobs.confirms[0], "Text length exceeds the viewer's capacity,\r\ndo you want to save it to a file");
    ASSERT_EQ(jobs.errors.size(), 1u);
    EXPECT_EQ(jobs.errors[0], "Error loading text");
    EXPECT_TRUE(v->RawText().empty());
    EXPECT_EQ(GetWindowTextLengthA(v->deViewer.Handle()), 0);

    // Yes saves the whole text; the load counts as done when a name was chosen.
    const std::string path = dir + "too long.txt";
    ModalScript script;
    script.Expect("#32770", "SAVE Output as:", [&](HWND dlg) { SaveAs(dlg, path); });
    script.Start();
    jobs.errors.clear();
    jobs.answers = {true, false};  // save it: yes; encrypt: no
    EXPECT_TRUE(v->LoadText(text));
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_TRUE(jobs.errors.empty());
    EXPECT_EQ(ReadAll(path).size(), kViewerCapacity + 1);
    host.mode = "VIEWER";
    Close(v);
    DeleteFileA(path.c_str());
}

// The edit keeps every line as items of its own: a short text of very many
// lines grew the process past its address space. It is refused before it goes in.
TEST_F(ViewerWindowTest, ATextOfMoreLinesThanTheEditHoldsIsOfferedForSaving) {
    TfrmViewer* v = Open("UTILS");
    ASSERT_NE(v, nullptr);
    // A third of the capacity in bytes, more than it in lines.
    const std::size_t count = kViewerCapacity / (2 + kViewerPieceCost) + 1;
    std::string lines;
    for (std::size_t i = 0; i < count; ++i) lines += "\r\n";
    EXPECT_EQ(TfrmViewer::EditPieces(lines), count);
    EXPECT_EQ(TfrmViewer::EditPieces("a\rb\nc\r\nd\te"), 4u);
    EXPECT_TRUE(TfrmViewer::FitsViewer(kViewerCapacity, 0));
    EXPECT_FALSE(TfrmViewer::FitsViewer(kViewerCapacity - kViewerPieceCost + 1, 1));
    jobs.answers = {false};
    EXPECT_FALSE(v->LoadText(lines));
    ASSERT_EQ(jobs.confirms.size(), 1u);
    EXPECT_EQ(jobs.confirms[0], "Text length exceeds the viewer's capacity,\r\ndo you want to save it to a file");
    EXPECT_EQ(GetWindowTextLengthA(v->deViewer.Handle()), 0);
    host.mode = "VIEWER";
    Close(v);
}

// The edit takes a long text in pieces: every line arrives whole, also the
// ones whose CR and LF meet a piece's end, and the text shown before is
// replaced.
TEST_F(ViewerWindowTest, ALongTextArrivesWholeInTheEdit) {
    TfrmViewer* v = Open("UTILS");
    ASSERT_NE(v, nullptr);
    v->LoadText("earlier text\r\n");
    std::string text;
    for (int i = 0; text.size() < 300000; ++i)
        text += std::string(std::size_t(i % 97), char('a' + i % 26)) + " line " + std::to_string(i) + "\r\n";
    text += "last line without an end";
    EXPECT_TRUE(v->LoadText(text));
    EXPECT_EQ(v->RawText(), text);
    const std::string shown = v->ViewText();
    std::string expected;
    for (char c : text)
        if (c != '\n') expected += c;  // the rich edit keeps a bare CR per line end
    std::string got;
    for (char c : shown)
        if (c != '\n') got += c;
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected) << "first difference at " << std::mismatch(got.begin(), got.end(), expected.begin(), expected.end()).first - got.begin();
    EXPECT_EQ(shown.find("earlier text"), std::string::npos);
    host.mode = "VIEWER";
    Close(v);
}

TEST_F(ViewerWindowTest, FindAgainAfterNotFoundRestartsAtTheFirstCharacter) {
    TfrmViewer* v = Open("UTILS");
    ASSERT_NE(v, nullptr);
    ShowWindow(v->Handle(), SW_SHOW);
    v->LoadText("alpha one\r\ntwo alpha\r\nthree\r\n");
    ModalScript script;
    script.Expect("TfrmPGPFind", "Search for:", [](HWND dlg) {
        SetText(FindChild(dlg, "Edit", ""), "alpha");
        PostKey(FindChild(dlg, "Edit", ""), VK_RETURN);
    });
    script.Start();
    // Ctrl+F as the user types it, through the viewer's key preview.
    SetForegroundWindow(v->Handle());
    v->deViewer.SetFocus();
    MSG key{v->deViewer.Handle(), WM_KEYDOWN, 'F', 0, 0, {}};
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_CONTROL] = 0x80;
    SetKeyboardState(state);
    const bool consumed = v->PreTranslate(key);
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
    EXPECT_TRUE(consumed);
    Pump(300);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    CHARRANGE first = Selection(*v);
    EXPECT_EQ(first.cpMin, 0);
    EXPECT_EQ(first.cpMax, 5);

    PostMessageA(v->Handle(), kCommandMessage, host::kCmdFindNext, 0);
    Pump(200);
    CHARRANGE second = Selection(*v);
    EXPECT_GT(second.cpMin, 5);
    EXPECT_EQ(second.cpMax - second.cpMin, 5);

    jobs.answers = {true};  // restart on the first line
    PostMessageA(v->Handle(), kCommandMessage, host::kCmdFindNext, 0);
    Pump(400);
    ASSERT_EQ(jobs.confirms.size(), 1u);
    EXPECT_EQ(jobs.confirms[0], "Text not found, restart on first line");
    CHARRANGE again = Selection(*v);
    EXPECT_EQ(again.cpMin, 0);
    EXPECT_EQ(again.cpMax, 5);
    host.mode = "VIEWER";
    Close(v);
}

TEST_F(ViewerWindowTest, WordWrapKeepsTheFirstVisibleTextAndTheSelection) {
    TfrmViewer* v = Open("UTILS");
    ASSERT_NE(v, nullptr);
    ShowWindow(v->Handle(), SW_SHOW);
    std::string text;
    for (int i = 0; i < 300; ++i) text += "line " + std::to_string(i) + " " + std::string(300, 'w') + " end\r\n";
    v->LoadText(text);
    HWND edit = v->deViewer.Handle();
    SendMessageA(edit, EM_LINESCROLL, 0, 120);
    const LRESULT firstLine = SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
    const LRESULT firstChar = SendMessageA(edit, EM_LINEINDEX, firstLine, 0);
    ASSERT_GT(firstLine, 100);
    CHARRANGE sel{LONG(firstChar + 2), LONG(firstChar + 6)};
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    SendMessageA(edit, EM_LINESCROLL, 0, firstLine - SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    const LRESULT lineBefore = SendMessageA(edit, EM_LINEFROMCHAR, firstChar, 0);

    v->fbWrap.Click();
    EXPECT_TRUE(v->WordWrap());
    EXPECT_EQ(v->RawText(), text);
    // Wrapped, the remembered character lies on a later line, which is the first shown.
    const LRESULT wrappedLine = SendMessageA(edit, EM_EXLINEFROMCHAR, 0, firstChar);
    EXPECT_GT(wrappedLine, lineBefore);
    EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), wrappedLine);
    CHARRANGE after = Selection(*v);
    EXPECT_EQ(after.cpMin, sel.cpMin);
    EXPECT_EQ(after.cpMax, sel.cpMax);

    v->fbWrap.Click();
    EXPECT_FALSE(v->WordWrap());
    EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), lineBefore);
    host.mode = "VIEWER";
    Close(v);
}

TEST_F(ViewerWindowTest, CopyPutsTheSelectionOnTheClipboard) {
    TfrmViewer* v = Open("UTILS");
    ASSERT_NE(v, nullptr);
    v->LoadText("copy this word\r\n");
    CHARRANGE sel{5, 9};
    SendMessageA(v->deViewer.Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    PostMessageA(v->Handle(), kCommandMessage, host::kCmdCopy, 0);
    Pump(100);
    std::string clip;
    if (OpenClipboard(nullptr)) {
        if (HANDLE h = GetClipboardData(CF_TEXT)) {
            clip = static_cast<const char*>(GlobalLock(h));
            GlobalUnlock(h);
        }
        CloseClipboard();
    }
    EXPECT_EQ(clip, "this");
    host.mode = "VIEWER";
    Close(v);
}

// ---- saves ----------------------------------------------------------------------

TEST_F(ViewerWindowTest, PlainSaveWritesTheTextUnderTheProposedName) {
    TfrmViewer* v = Open("VIEWER");
    ASSERT_NE(v, nullptr);
    const std::string text = "From: a@b\r\nSubject: Plans for/the:week?\r\n\r\nbody\r\n";
    v->LoadText(text);
    const std::string path = dir + "saved plain.txt";
    DeleteFileA(path.c_str());
    std::string proposed;
    ModalScript script;
    script.Expect("#32770", "SAVE Output as:", [&](HWND dlg) {
        proposed = FileNameField(dlg);
        SaveAs(dlg, path);
    });
    script.Start();
    jobs.answers = {false};  // not encrypted
    PostMessageA(v->Handle(), kCommandMessage, host::kCmdSave, 0);
    Pump(300);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(proposed, "Plans fortheweek.txt");
    ASSERT_EQ(jobs.confirms.size(), 1u);
    EXPECT_EQ(jobs.confirms[0], "Encrypt text before saving");
    EXPECT_EQ(ReadAll(path), text);
    ASSERT_EQ(jobs.infos.size(), 1u);
    EXPECT_EQ(jobs.infos[0].substr(0, 24), "Text has been saved to\r\n");
    EXPECT_TRUE(jobs.encrypted.empty());
    Close(v);
    DeleteFileA(path.c_str());
}

TEST_F(ViewerWindowTest, EncryptedSaveAsksAboutTheFileItReallyWrites) {
    TfrmViewer* v = Open("VIEWER");
    ASSERT_NE(v, nullptr);
    v->LoadText("secret text\r\n");
    const std::string path = dir + "letter.txt";
    const std::string target = path + ".pgp";
    DeleteFileA(path.c_str());
    WriteAll(target, "older encrypted letter");
    ModalScript script;
    script.Expect("#32770", "SAVE Output as:", [&](HWND dlg) { SaveAs(dlg, path); });
    script.Expect("#32770", "SAVE Output as:", [&](HWND dlg) { SaveAs(dlg, path); });
    script.Start();
    // Encrypt: yes; replace the existing ".pgp" file: no.
    jobs.answers = {true, false};
    PostMessageA(v->Handle(), kCommandMessage, host::kCmdSave, 0);
    Pump(300);
    ASSERT_EQ(jobs.confirms.size(), 2u);
    EXPECT_EQ(jobs.confirms[1], "\"" + target + "\" already exists.\r\nReplace it");
    EXPECT_TRUE(jobs.encrypted.empty());
    EXPECT_EQ(ReadAll(target), "older encrypted letter");

    // Asked again and answered yes, the encrypted text replaces it.
    jobs.answers = {true, true};
    PostMessageA(v->Handle(), kCommandMessage, host::kCmdSave, 0);
    Pump(300);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(jobs.encrypted.size(), 1u);
    EXPECT_EQ(jobs.encrypted[0].first, "secret text\r\n");
    EXPECT_EQ(jobs.encrypted[0].second, target);
    ASSERT_EQ(jobs.infos.size(), 1u);
    EXPECT_EQ(jobs.infos[0], "Text successfully encrypted and saved to\r\n" + target);
    Close(v);
    DeleteFileA(target.c_str());
}

// ---- folder mode ----------------------------------------------------------------

TEST_F(ViewerWindowTest, FolderLoadsEveryMessageBehindTheHeader) {
    std::string folder(kFolderHeaderSize, 'H');
    folder += std::string("first") + kFolderSeparator + "second" + kFolderSeparator + "third" + kFolderSeparator;
    WriteAll(dir + "MIXED.PMM", folder);
    host.folder = "Some folder:mixed";
    host.managerOpen = true;
    TfrmViewer* v = Open("FOLDER");
    ASSERT_NE(v, nullptr);
    v->Start();
    EXPECT_EQ(v->RawText(), "[first][second][third]");
    EXPECT_EQ(host.managerReopened, 1);
    EXPECT_EQ(jobs.batchOn, 1);
    EXPECT_EQ(jobs.batchOff, 1);
    EXPECT_TRUE(v->pnButtons.Enabled());
    EXPECT_FALSE(v->Busy());
    EXPECT_TRUE(v->fbFolder.Visible());
    // The host's main window was the parent during the choice only.
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrA(v->Handle(), GWLP_HWNDPARENT)), nullptr);
    // Saved in folder mode, the text is never encrypted.
    const std::string path = dir + "folder.txt";
    ModalScript script;
    script.Expect("#32770", "SAVE Output as:", [&](HWND dlg) { SaveAs(dlg, path); });
    script.Start();
    PostMessageA(v->Handle(), kCommandMessage, host::kCmdSave, 0);
    Pump(300);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_TRUE(jobs.confirms.empty());
    EXPECT_EQ(ReadAll(path), "[first][second][third]");
    Close(v);
    DeleteFileA(path.c_str());
    DeleteFileA((dir + "MIXED.PMM").c_str());
}

// The folder is read and let go in blocks: messages on both sides of a
// block's end, and one longer than a block, each come once and in order.
TEST_F(ViewerWindowTest, AFolderOfManyBlocksShowsEveryMessageOnceInOrder) {
    std::string folder(kFolderHeaderSize, 'H'), expected;
    for (int i = 0; i < 3000; ++i) {
        const std::string message =
            i == 1500 ? std::string(kFolderBlockSize + 5000, 'L') : "message " + std::to_string(i) + std::string(i % 13 * 90, '.');
        folder += message + kFolderSeparator;
        expected += "[" + message + "]";
    }
    folder += "last, without a separator";
    expected += "[last, without a separator]";
    ASSERT_GT(folder.size(), 2 * kFolderBlockSize);
    WriteAll(dir + "BLOCKS.PMM", folder);
    host.folder = "blocks";
    TfrmViewer* v = Open("FOLDER");
    ASSERT_NE(v, nullptr);
    std::uint32_t gaugeMax = 0;
    jobs.extract = [&](std::string_view m) {
        gaugeMax = v->gProgress.Max();
        return "[" + std::string(m) + "]";
    };
    v->Start();
    EXPECT_EQ(gaugeMax, folder.size() - kFolderHeaderSize);
    EXPECT_TRUE(v->RawText() == expected) << "shown " << v->RawText().size() << " bytes, expected " << expected.size();
    EXPECT_TRUE(jobs.errors.empty());
    Close(v);
    DeleteFileA((dir + "BLOCKS.PMM").c_str());
}

TEST_F(ViewerWindowTest, FolderLoadShowsProgressAndStopsWhenCancelled) {
    std::string folder(kFolderHeaderSize, 'H');
    for (int i = 0; i < 50; ++i) folder += "message " + std::to_string(i) + kFolderSeparator;
    WriteAll(dir + "LONG.PMM", folder);
    host.folder = "long";
    TfrmViewer* v = Open("FOLDER");
    ASSERT_NE(v, nullptr);
    int seen = 0;
    bool progressShown = false;
    std::string caption;
    std::uint32_t gaugeMax = 0;
    jobs.extract = [&](std::string_view m) {
        if (++seen == 5) {
            progressShown = v->pnProgress.Visible() && v->pnProgress.Enabled();
            caption = v->pnLabel.Text();
            gaugeMax = v->gProgress.Max();
            SaveScreenshot(v->Handle(), ShotPath("viewer_folder_progress.png"));
            // The user presses the cancel button of the progress panel.
            PostMessageA(v->fbCancel.Handle(), BM_CLICK, 0, 0);
        }
        return "<" + std::string(m) + ">";
    };
    v->Start();
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(caption, "Loading folder data ...");
    EXPECT_EQ(gaugeMax, folder.size() - kFolderHeaderSize);
    EXPECT_GE(seen, 5);
    EXPECT_LT(seen, 10);
    EXPECT_EQ(v->RawText().substr(0, 22), "<message 0><message 1>");
    EXPECT_EQ(v->RawText().find("message 20"), std::string::npos);
    EXPECT_FALSE(v->Busy());
    EXPECT_TRUE(v->pnButtons.Enabled());
    Close(v);
    DeleteFileA((dir + "LONG.PMM").c_str());
}

TEST_F(ViewerWindowTest, EveryExitOfTheFolderChoiceRestoresTheViewer) {
    HWND mainWindow = CreateWindowExA(0, "STATIC", "host main", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                      nullptr, nullptr);
    DefaultSession().hostMain = mainWindow;
    WriteAll(dir + "EMPTY.PMM", std::string(kFolderHeaderSize, 'H'));
    TfrmViewer* v = Open("FOLDER");
    ASSERT_NE(v, nullptr);
    struct Case {
        std::string folder;
        std::string error;
    };
    const Case cases[] = {{"", ""}, {"empty", "Folder is empty or already open"}, {"missing", "File not found"}};
    for (const Case& c : cases) {
        jobs.errors.clear();
        host.folder = c.folder;
        host.parentDuringChoice = nullptr;
        v->fbFolderClick();
        EXPECT_EQ(host.parentDuringChoice, mainWindow) << c.folder;
        EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrA(v->Handle(), GWLP_HWNDPARENT)), nullptr) << c.folder;
        EXPECT_TRUE(v->pnButtons.Enabled()) << c.folder;
        EXPECT_FALSE(v->Busy()) << c.folder;
        if (c.error.empty())
            EXPECT_TRUE(jobs.errors.empty());
        else
            EXPECT_EQ(jobs.errors, std::vector<std::string>{c.error});
    }
    // The flag is clear: the button works again.
    WriteAll(dir + "ONE.PMM", std::string(kFolderHeaderSize, 'H') + "only");
    host.folder = "one";
    v->fbFolderClick();
    EXPECT_EQ(v->RawText(), "[only]");
    Close(v);
    DefaultSession().hostMain = nullptr;
    DestroyWindow(mainWindow);
    DeleteFileA((dir + "EMPTY.PMM").c_str());
    DeleteFileA((dir + "ONE.PMM").c_str());
}

TEST_F(ViewerWindowTest, CloseDuringTheFolderLoadClosesAfterTheLoopStops) {
    std::string folder(kFolderHeaderSize, 'H');
    for (int i = 0; i < 20; ++i) folder += "m" + std::to_string(i) + kFolderSeparator;
    WriteAll(dir + "CLOSING.PMM", folder);
    host.folder = "closing";
    TfrmViewer* v = Open("FOLDER");
    ASSERT_NE(v, nullptr);
    int seen = 0;
    jobs.extract = [&](std::string_view m) {
        if (++seen == 3) PostMessageA(v->Handle(), WM_CLOSE, 0, 0);
        return std::string(m);
    };
    PostMessageA(v->Handle(), kCommandMessage, 0, host::kCommandStart);
    EXPECT_TRUE(ProcessUntil([&] { return host.destroyed == 1; }, 10000));
    EXPECT_LT(seen, 10);
    DeleteFileA((dir + "CLOSING.PMM").c_str());
}

// ---- selection box ----------------------------------------------------------------

namespace {

void ClickHeader(HWND list, int column) {
    HWND header = ListView_GetHeader(list);
    RECT r{};
    Header_GetItemRect(header, column, &r);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(header, WM_LBUTTONUP, 0, at);
}

std::vector<std::string> Rows(HWND list) {
    std::vector<std::string> rows;
    const int n = ListView_GetItemCount(list);
    for (int i = 0; i < n; ++i) {
        char text[256] = {};
        ListView_GetItemText(list, i, 0, text, sizeof text);
        rows.push_back(text);
    }
    return rows;
}

}  // namespace

TEST(SelBox, AddressChoiceSortsSelectsAllAndReturnsTheSelection) {
    ASSERT_TRUE(LoadProductTexts());
    std::vector<std::string> lines = {"bob@example.org (Bob)\tFriends", "Alice@example.org\tWork   ",
                                      "carol@example.org (Carol)  \tAll"};
    std::vector<std::string> before, afterFirst, afterSecond, columns;
    int selectedByCtrlA = 0;
    std::vector<std::string> warnings;
    ModalScript script;
    script.Expect("TfrmSelBox", "Add address(es) to AutoList", [&](HWND box) {
        HWND list = FindChild(box, "SysListView32", "");
        Sleep(200);
        before = Rows(list);
        char second[64] = {};
        ListView_GetItemText(list, 0, 1, second, sizeof second);
        columns.push_back(second);
        ClickHeader(list, 0);
        Sleep(300);
        afterFirst = Rows(list);
        ClickHeader(list, 0);
        Sleep(300);
        afterSecond = Rows(list);
        SaveScreenshot(box, ShotPath("selection_box_addresses.png"));
        SetForegroundWindow(box);
        Sleep(100);
        SendKeyInput('A', true);
        Sleep(300);
        selectedByCtrlA = ListView_GetSelectedCount(list);
        // OK with nothing selected warns and keeps the box open.
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        ClickFirstButton(box);
        Sleep(300);
        ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
        ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
        ClickFirstButton(box);
    });
    script.Start();
    const bool any = ChooseAddressEntries(lines, kCommandMessage, [&](const std::string& t) { warnings.push_back(t); });
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(before, (std::vector<std::string>{"bob@example.org (Bob)", "Alice@example.org",
                                                 "carol@example.org (Carol)"}));
    EXPECT_EQ(columns, std::vector<std::string>{"\"Friends\""});
    EXPECT_EQ(afterFirst, (std::vector<std::string>{"Alice@example.org", "bob@example.org (Bob)",
                                                     "carol@example.org (Carol)"}));
    EXPECT_EQ(afterSecond, (std::vector<std::string>{"carol@example.org (Carol)", "bob@example.org (Bob)",
                                                      "Alice@example.org"}));
    EXPECT_EQ(selectedByCtrlA, 3);
    EXPECT_EQ(warnings, std::vector<std::string>{"Select item or cancel"});
    EXPECT_TRUE(any);
    EXPECT_EQ(lines, (std::vector<std::string>{"carol@example.org (Carol)", "Alice@example.org"}));
}

TEST(SelBox, CancelGivesTheCallerNothing) {
    ASSERT_TRUE(LoadProductTexts());
    std::vector<std::string> lines = {"a@b\tBook"};
    ModalScript script;
    script.Expect("TfrmSelBox", "Add address(es) to AutoList", [&](HWND box) {
        Sleep(100);
        PostKey(FindChild(box, "SysListView32", ""), VK_ESCAPE);
    });
    script.Start();
    EXPECT_FALSE(ChooseAddressEntries(lines, kCommandMessage, nullptr));
    ASSERT_TRUE(script.Finish()) << script.Failure();
    EXPECT_EQ(lines, std::vector<std::string>{"a@b\tBook"});
}

// What the rich edit itself holds for a text of 1 MB, by line length: the
// platform's cost of showing a text, apart from the viewer's own copy. A
// benchmark: figures, not pass/fail (run with --gtest_also_run_disabled_tests).
TEST_F(ViewerWindowTest, DISABLED_BenchEditMemoryByLineLength) {
    auto privateMB = [] {
        PROCESS_MEMORY_COUNTERS pmc{};
        pmc.cb = sizeof pmc;
        GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
        return double(pmc.PagefileUsage) / 1048576.0;
    };
    TfrmViewer* v = Open("UTILS");
    ASSERT_NE(v, nullptr);
    ShowWindow(v->Handle(), SW_SHOW);
    // Longest lines first: a freed edit's memory serves the next load, so
    // the costliest case comes last and is counted in full.
    // Empty lines last: what a line costs by itself, the figure the viewer's
    // line capacity rests on (100,000 of them, 200 KB of text).
    for (int lineLength : {5000, 500, 50, 0}) {
        std::string text;
        const std::size_t size = lineLength ? 1048576 : 200000;
        while (text.size() < size) text += std::string(std::size_t(lineLength), 'x') + "\r\n";
        const std::size_t lines = TfrmViewer::EditPieces(text);
        const double before = privateMB();
        v->LoadText(text);
        Pump(200);
        const double grown = privateMB() - before;
        printf("[bench] %.1f MB in %zu lines of %d characters: %.1f MB above the level before, the viewer's own "
               "copy included; %.2f KB a line\n",
               double(text.size()) / 1048576.0, lines, lineLength, grown, grown * 1024.0 / double(lines));
        v->LoadText("");
    }
    host.mode = "VIEWER";
    Close(v);
}
