// The stand-in's windows as the extensions and a user meet them: host
// messages answered by the host form window, status lines, the editor's
// labelled fields, and the toolbar.
#include <cstring>

#include "standin/mailclient/editor.h"
#include "standin/mailclient/options.h"
#include "tests/standin/mailclient/host_fixture.h"
#include "tests/support/ui_robot.h"

using namespace orv::test;
namespace host = orv::host;
using orv::mailclient::ReadEditor;

namespace {

// The field that follows a label, found as the extensions find it: the
// window after the label in the window order.
HWND FieldAfter(HWND editor, const std::string& labelClass, const std::string& label) {
    HWND labelWnd = FindChild(editor, labelClass, label);
    return labelWnd ? GetWindow(labelWnd, GW_HWNDNEXT) : nullptr;
}

std::string ListLine(HWND list, int index) {
    char buf[512] = {};
    SendMessageA(list, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(buf));
    return buf;
}

}  // namespace

class HostWindows : public HostFixture {
protected:
    void SetUp() override { SetUpHost("host_windows"); }
};

TEST_F(HostWindows, AnswersDirectoriesSettingsAndWindows) {
    char buf[261];
    std::memset(buf, 'x', sizeof buf);
    LRESULT n = Ask(host::kHostGetMailboxDir, host::kHostDirBufferRoom, reinterpret_cast<LPARAM>(buf));
    EXPECT_EQ(std::string(buf), dir + "mail\\");
    EXPECT_EQ(n, LRESULT(std::strlen(buf)));
    std::memset(buf, 'x', sizeof buf);
    Ask(host::kHostGetProgramDir, host::kHostDirBufferRoom, reinterpret_cast<LPARAM>(buf));
    EXPECT_EQ(std::string(buf), mctest::BinDir());
    // The room given in wParam bounds the copy: 5 characters and the zero.
    std::memset(buf, 'x', sizeof buf);
    Ask(host::kHostGetMailboxDir, 5, reinterpret_cast<LPARAM>(buf));
    EXPECT_EQ(std::string(buf), (dir + "mail\\").substr(0, 5));
    EXPECT_EQ(buf[6], 'x');

    char charset[261];
    std::memset(charset, 'x', sizeof charset);
    host->charset = "windows-1252";
    EXPECT_NE(Ask(host::kHostGetSetting, host::kSettingCharset, reinterpret_cast<LPARAM>(charset)), 0);
    EXPECT_STREQ(charset, "windows-1252");
    EXPECT_EQ(Ask(host::kHostGetSetting, host::kSettingLinesToScan, 0), 25);
    EXPECT_EQ(Ask(host::kHostGetSetting, host::kSettingRightMargin, 0), 80);
    EXPECT_EQ(Ask(host::kHostSetSetting, host::kSettingLinesToScan, 40), 1);
    EXPECT_EQ(Ask(host::kHostGetSetting, host::kSettingLinesToScan, 0), 40);

    EXPECT_EQ(reinterpret_cast<HWND>(Ask(host::kHostGetWindow, host::kWindowFrame, 0)), host->Frame());
    EXPECT_EQ(ClassOf(host->Frame()), host::kFrameClass);
    EXPECT_EQ(GetText(host->Frame()), host::kFrameCaption);
    HWND editor = host->NewEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(reinterpret_cast<HWND>(Ask(host::kHostGetWindow, host::kWindowActiveMdi, 0)), editor);
    HMENU bar = reinterpret_cast<HMENU>(Ask(host::kHostGetMenu, host::kMenuFrameBar, 0));
    ASSERT_EQ(bar, GetMenu(host->Frame()));
    // The Window menu: found by its title; its first item names the system
    // messages and a separator follows (how the automation knows it).
    HMENU window = nullptr;
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        char item[64] = {};
        GetMenuStringA(bar, UINT(i), item, sizeof item, MF_BYPOSITION);
        if (std::string(item) == "&Window") window = GetSubMenu(bar, i);
    }
    ASSERT_NE(window, nullptr);
    char first[64] = {}, second[64] = {};
    GetMenuStringA(window, 0, first, sizeof first, MF_BYPOSITION);
    EXPECT_NE(std::string(first).find("System"), std::string::npos);
    EXPECT_EQ(GetMenuStringA(window, 1, second, sizeof second, MF_BYPOSITION), 0);
    EXPECT_EQ(GetMenuState(window, 1, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
    EXPECT_GE(GetMenuItemCount(window), 7);
    // The frame answers the same messages as the form window.
    std::memset(buf, 'x', sizeof buf);
    SendMessageA(host->Frame(), host::kHostGetMailboxDir, host::kHostDirBufferRoom, reinterpret_cast<LPARAM>(buf));
    EXPECT_EQ(std::string(buf), dir + "mail\\");
    // The host form window sits last, so the editor stays the first window
    // at its level: the window the encryptor takes as the message window.
    EXPECT_EQ(GetWindow(formHost, GW_HWNDFIRST), editor);
}

TEST_F(HostWindows, AnswersTheAddressFieldsOfTheMessageBeingSent) {
    // Without an editor the fields are empty texts, never a null pointer.
    const char* none = reinterpret_cast<const char*>(Ask(host::kHostGetSendField, host::kSendFieldTo, 0));
    ASSERT_NE(none, nullptr);
    EXPECT_STREQ(none, "");
    HWND editor = host->NewEditor();
    ASSERT_NE(editor, nullptr);
    auto field = [&](const char* label) { return GetWindow(FindChild(editor, "Static", label), GW_HWNDNEXT); };
    SetText(field(host::kLabelTo), "\"Bob, the builder\" <bob@example.org>, carol@example.org");
    SetText(field(host::kLabelCc), "dave@example.org");
    SetText(field(host::kLabelBcc), "erin@example.org");
    auto text = [&](WPARAM which) {
        return std::string(reinterpret_cast<const char*>(Ask(host::kHostGetSendField, which, 0)));
    };
    EXPECT_EQ(text(host::kSendFieldTo), "\"Bob, the builder\" <bob@example.org>, carol@example.org");
    EXPECT_EQ(text(host::kSendFieldCc), "dave@example.org");
    EXPECT_EQ(text(host::kSendFieldBcc), "erin@example.org");
    auto encodes = [&] { return *reinterpret_cast<const BYTE*>(Ask(host::kHostGetSendField, host::kSendFieldEncodeFlag, 0)); };
    EXPECT_EQ(encodes(), 0);
    // Ticked without the dialog, as a check-box state set by a program.
    SendMessageA(FindChild(editor, "Button", StripMnemonic(host::kCheckEncrypt)), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_NE(encodes(), 0);
}

TEST_F(HostWindows, RecordsStatusLinesInLogAndStatusBar) {
    Ask(host::kHostStatusLine, host::kStatusProgress, reinterpret_cast<LPARAM>("Encrypting finished"));
    Ask(host::kHostStatusLine, host::kStatusSignature,
        reinterpret_cast<LPARAM>("Good signature from Alice, (0x1234ABCD): complete validity"));
    auto& lines = host->StatusLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].kind, 0u);
    EXPECT_EQ(lines[0].text, "Encrypting finished");
    EXPECT_EQ(lines[1].kind, 3u);
    // What a user sees: the log list and the status bar of the frame.
    HWND list = FindChild(host->Frame(), "ListBox", "");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ListLine(list, 0), "0: Encrypting finished");
    EXPECT_EQ(ListLine(list, 1), "3: Good signature from Alice, (0x1234ABCD): complete validity");
    HWND bar = FindChild(host->Frame(), host::kStatusBarClass, "");
    ASSERT_NE(bar, nullptr);
    HWND barText = FindChild(bar, "Static", "");
    EXPECT_EQ(GetText(barText), "Good signature from Alice, (0x1234ABCD): complete validity");
    mctest::PumpFor(100);
    SaveScreenshot(host->Frame(), ShotPath("mailclient_status_lines.png"));
    // A line without text clears the status bar and is recorded as such.
    Ask(host::kHostStatusLine, host::kStatusProgress, 0);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].text, "");
    EXPECT_EQ(GetText(barText), "");
    EXPECT_TRUE(mctest::HasLine(log, "status 0: Encrypting finished"));
}

TEST_F(HostWindows, EditorFieldsFollowTheirLabelsAndReadBack) {
    HWND editor = reinterpret_cast<HWND>(Ask(host::kHostNewEditor, host::kNewEditorAny, 0));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(ClassOf(editor), host::kEditorClass);
    EXPECT_EQ(GetText(editor).compare(0, 7, host::kEditorCaptionMessage), 0);
    struct {
        const char* label;
        const char* text;
    } edits[] = {{host::kLabelTo, "bob@example.org"},
                 {host::kLabelSubject, "Quarterly report"},
                 {host::kLabelCc, "carol@example.org"},
                 {host::kLabelBcc, "dave@example.org"},
                 {host::kLabelReplyTo, "alice@reply.example"}};
    for (const auto& e : edits) {
        HWND field = FieldAfter(editor, "Static", e.label);
        ASSERT_NE(field, nullptr) << e.label;
        EXPECT_EQ(ClassOf(field), "Edit") << e.label;
        SetText(field, e.text);
    }
    HWND identity = FieldAfter(editor, "Static", host::kLabelIdentity);
    ASSERT_EQ(ClassOf(identity), "ComboBox");
    EXPECT_EQ(GetText(identity), host::kDefaultIdentity);
    SendMessageA(identity, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("Work"));
    HWND sig = FieldAfter(editor, "Static", host::kLabelSignature);
    ASSERT_EQ(ClassOf(sig), "ComboBox");
    SendMessageA(sig, CB_SETCURSEL, 2, 0);
    // Ticking "E&ncrypt..." opens the encryption dialog, confirmed here.
    ModalScript script;
    script.Expect("#32770", "Encryption", PressButton("OK"));
    script.Start();
    for (const char* box : {host::kCheckUrgent, host::kCheckEncrypt, host::kCheckUseMime}) {
        HWND b = FindChild(editor, "Button", StripMnemonic(box));
        ASSERT_NE(b, nullptr) << box;
        PostMessageA(b, BM_CLICK, 0, 0);
    }
    HWND body = FieldAfter(editor, "Static", "Message:");
    ASSERT_NE(body, nullptr);
    PostChars(body, "Hello Bob");
    mctest::PumpFor(100);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    mctest::PumpFor(100);

    auto c = ReadEditor(editor);
    EXPECT_EQ(c.to, "bob@example.org");
    EXPECT_EQ(c.subject, "Quarterly report");
    EXPECT_EQ(c.cc, "carol@example.org");
    EXPECT_EQ(c.bcc, "dave@example.org");
    EXPECT_EQ(c.replyTo, "alice@reply.example");
    EXPECT_EQ(c.identity, "Work");
    EXPECT_EQ(c.signatureIndex, 1);  // list index minus one
    EXPECT_TRUE(c.urgent);
    EXPECT_TRUE(c.encrypt);
    EXPECT_FALSE(c.useMime);  // ticked at the start, clicked off
    EXPECT_FALSE(c.copySelf);
    EXPECT_EQ(c.body, "Hello Bob");
    // The send control the automation looks for: a static.
    EXPECT_NE(FindChild(editor, "Static", host::kSendLabel), nullptr);
    EXPECT_EQ(ClassOf(body), host::kEditorControlClass);
    EXPECT_NE(FindChild(editor, "ListBox", ""), nullptr);
    SaveScreenshot(host->Frame(), ShotPath("mailclient_editor.png"));
}

TEST_F(HostWindows, NewEditorFieldsSetByMessage1152) {
    HWND editor = reinterpret_cast<HWND>(Ask(host::kHostNewEditor, host::kNewEditorAny, 0));
    ASSERT_NE(editor, nullptr);
    auto set = [&](WPARAM field, const char* text) {
        return SendMessageA(editor, host::kEditorSetField, field, reinterpret_cast<LPARAM>(text));
    };
    EXPECT_EQ(set(host::kFieldTo, "bob@example.org"), 1);
    EXPECT_EQ(set(host::kFieldSubject, "Moved message"), 1);
    EXPECT_EQ(set(host::kFieldCc, "carol@example.org"), 1);
    EXPECT_EQ(set(host::kFieldBcc, "dave@example.org"), 1);
    EXPECT_EQ(set(host::kFieldReplyTo, "alice@reply.example"), 1);
    EXPECT_EQ(set(host::kFieldIdentity, "Work"), 1);
    EXPECT_EQ(set(host::kFieldIdentity, "No such identity"), 0);
    EXPECT_EQ(set(host::kFieldBody, "Line one\nLine two"), 1);
    EXPECT_EQ(set(host::kFieldAttachment, "C:\\files\\plan.txt  \t"), 1);
    EXPECT_EQ(set(host::kFieldAttachment, "C:\\files\\budget.xls"), 1);
    EXPECT_EQ(set(host::kFieldAttachment, "   "), 0);
    EXPECT_EQ(SendMessageA(editor, host::kEditorSetField, host::kFieldSignature, 2), 1);
    EXPECT_EQ(SendMessageA(editor, host::kEditorSetField, host::kFieldSignature, 9), 0);
    for (WPARAM f : {host::kFieldCopySelf, host::kFieldConfirmDelivery, host::kFieldConfirmReading, host::kFieldUrgent,
                     host::kFieldRichText})
        PostMessageA(editor, host::kEditorSetField, f, 1);
    PostMessageA(editor, host::kEditorSetField, host::kFieldUseMime, 0);
    PostMessageA(editor, host::kEditorSetField, host::kFieldReady, 0);
    EXPECT_EQ(SendMessageA(editor, host::kEditorSetField, 55, 0), 0);
    mctest::PumpFor(100);

    // Read back as a user sees them.
    EXPECT_EQ(GetText(FieldAfter(editor, "Static", host::kLabelTo)), "bob@example.org");
    EXPECT_EQ(GetText(FieldAfter(editor, "Static", host::kLabelSubject)), "Moved message");
    EXPECT_EQ(GetText(FieldAfter(editor, "Static", host::kLabelIdentity)), "Work");
    EXPECT_EQ(GetText(FieldAfter(editor, "Static", host::kLabelSignature)), "Signature 3");
    EXPECT_EQ(GetText(FieldAfter(editor, "Static", "Message:")), "Line one\r\nLine two");
    HWND list = FieldAfter(editor, "Static", "Attachments:");
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ListLine(list, 0), "C:\\files\\plan.txt");
    EXPECT_EQ(ListLine(list, 1), "C:\\files\\budget.xls");
    auto c = ReadEditor(editor);
    EXPECT_TRUE(c.copySelf && c.confirmDelivery && c.confirmReading && c.urgent && c.richText);
    EXPECT_FALSE(c.useMime);
    EXPECT_EQ(c.cc, "carol@example.org");
    EXPECT_EQ(c.bcc, "dave@example.org");
    EXPECT_EQ(c.replyTo, "alice@reply.example");
    // 12 inserts at the caret, after 103 put the focus into the text.
    SendMessageA(FieldAfter(editor, "Static", "Message:"), EM_SETSEL, 0, 0);
    EXPECT_EQ(set(host::kFieldInsertText, "Key:\n"), 1);
    EXPECT_EQ(ReadEditor(editor).body, "Key:\r\nLine one\r\nLine two");
}

namespace {
UINT got = 0;
WPARAM gotWp = 0;
LPARAM gotLp = 0;
LRESULT CALLBACK NotifyProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_COMMAND) {
        got = m;
        gotWp = wp;
        gotLp = lp;
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

TEST_F(HostWindows, ToolbarButtonNotifiesItsWindowUntilRemoved) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = NotifyProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MCTESTNOTIFY";
    RegisterClassA(&wc);
    HWND notify = CreateWindowExA(0, "MCTESTNOTIFY", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(notify, nullptr);

    host::ToolbarButton b{};
    std::strcpy(b.BitmapPath, "C:\\nowhere\\WipePass.bmp");
    std::strcpy(b.Tooltip, "Wipe passphrases");
    b.NotifyWindow = notify;
    b.Message = WM_COMMAND;
    b.WParam = 0;
    b.LParam = 1024;
    LRESULT id = Ask(host::kHostAddButton, 0, reinterpret_cast<LPARAM>(&b));
    ASSERT_NE(id, 0);
    mctest::PumpFor(50);
    ASSERT_TRUE(ClickButton(host->Frame(), "Wipe passphrases"));
    mctest::PumpFor(100);
    EXPECT_EQ(got, UINT(WM_COMMAND));
    EXPECT_EQ(gotWp, 0u);
    EXPECT_EQ(gotLp, 1024);
    EXPECT_EQ(Ask(host::kHostRemoveButton, WPARAM(id), 0), 1);
    EXPECT_EQ(FindChild(host->Frame(), "Button", "Wipe passphrases"), nullptr);
    EXPECT_EQ(Ask(host::kHostRemoveButton, WPARAM(id), 0), 0);
    DestroyWindow(notify);
}

TEST(MailClientOptions, CommandLines) {
    using orv::mailclient::Options;
    using orv::mailclient::ParseOptions;
    {
        Options o;
        std::string error;
        ASSERT_TRUE(ParseOptions({"-I", "bob", "--identity", "Work=bob@work.example;boss@work.example", "--encrypt",
                                  "C:\\m.pm$", "--decrypt", "C:\\in.pm$", "--host-word", "0x10", "--sdk-dir", "C:\\sdk"},
                                 &o, &error))
            << error;
        EXPECT_EQ(o.user.userName, "bob");
        ASSERT_EQ(o.user.identities.size(), 1u);
        EXPECT_EQ(o.user.identities[0].name, "Work");
        EXPECT_EQ(o.user.identities[0].fromAddress, "bob@work.example");
        EXPECT_EQ(o.user.identities[0].defaultBcc, "boss@work.example");
        ASSERT_EQ(o.jobs.size(), 2u);
        EXPECT_EQ(o.jobs[1].op, orv::mailclient::CryptOp::Decrypt);
        EXPECT_EQ(o.hostWord, 16u);
        orv::mailclient::CompleteOptions(&o, "C:\\pm\\", "C:\\pm\\PMailStandin.exe");
        EXPECT_EQ(o.user.mailboxDir, "C:\\pm\\mail\\bob\\");
        EXPECT_EQ(o.user.commandLine, "\"C:\\pm\\PMailStandin.exe\" -I bob");
        // Restarted once as a user whose name holds a blank, the client keeps
        // the name as one argument for the next restart.
        orv::mailclient::Options restarted;
        restarted.user.userName = "Bob Smith";
        orv::mailclient::CompleteOptions(&restarted, "C:\\pm\\", "C:\\pm\\PMailStandin.exe");
        EXPECT_EQ(restarted.user.commandLine, "\"C:\\pm\\PMailStandin.exe\" -I \"Bob Smith\"");
        EXPECT_EQ(o.sdkDir, "C:\\sdk");
        EXPECT_TRUE(o.modules.empty());
    }
    const std::vector<std::vector<std::string>> bad = {
        {"--encrypt"}, {"--identity", "nobody"}, {"--host-word", "12ab"}, {"--frobnicate"}};
    for (const auto& args : bad) {
        Options o;
        std::string error;
        EXPECT_FALSE(ParseOptions(args, &o, &error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}
