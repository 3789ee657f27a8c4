// The editor library TER32 as the automation plug-in reaches it: found in
// the client's process by name (never loaded by the caller), its twelve
// functions bound by name and called on the controls of the client's
// editors, readers and folder preview.
#include <windows.h>

#include <string>
#include <type_traits>

#include <richedit.h>

#include "standin/mailclient/editor.h"
#include "standin/ter32/ter32_api.h"
#include "tests/standin/mailclient/host_fixture.h"
#include "tests/support/ui_robot.h"

using namespace orv::test;
namespace host = orv::host;
namespace ter = orv::ter32;

namespace {

struct Ter32 {
    ter::TerGetReadOnlyFn getReadOnly = nullptr;
    ter::TerGetTextSelFn getTextSel = nullptr;
    ter::GetTerBufferFn getBuffer = nullptr;
    ter::GetTerLineFn getLine = nullptr;
    ter::TerGetCurFontFn getCurFont = nullptr;
    ter::SetTerCursorPosFn setCursorPos = nullptr;
    ter::TerGetTextColorFn getTextColor = nullptr;
    ter::SetTerColorFn setColor = nullptr;
    ter::TerGetTabStopFn getTabStop = nullptr;
    ter::TerSetTabFn setTab = nullptr;
    ter::TerInsertTextFn insertText = nullptr;
    ter::InsertTerTextFn insertTerText = nullptr;

    // Like the plug-in: the module only if the client already loaded it.
    bool Bind() {
        HMODULE m = GetModuleHandleA(ter::kLibraryName);
        if (!m) return false;
        auto get = [m](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(reinterpret_cast<void*>(GetProcAddress(m, name)));
            return fn != nullptr;
        };
        return get(getReadOnly, ter::kTerGetReadOnly) & get(getTextSel, ter::kTerGetTextSel) &
               get(getBuffer, ter::kGetTerBuffer) & get(getLine, ter::kGetTerLine) &
               get(getCurFont, ter::kTerGetCurFont) & get(setCursorPos, ter::kSetTerCursorPos) &
               get(getTextColor, ter::kTerGetTextColor) & get(setColor, ter::kSetTerColor) &
               get(getTabStop, ter::kTerGetTabStop) & get(setTab, ter::kTerSetTab) &
               get(insertText, ter::kTerInsertText) & get(insertTerText, ter::kInsertTerText);
    }
    static std::string Take(HGLOBAL block, long size) {
        if (!block) return "(none)";
        const char* p = static_cast<const char*>(GlobalLock(block));
        std::string text(p, size_t(size));
        EXPECT_EQ(p[size], '\0');
        GlobalUnlock(block);
        GlobalFree(block);
        return text;
    }
    std::string Buffer(HWND c) {
        long size = -1;
        HGLOBAL block = getBuffer(c, &size);
        return Take(block, size);
    }
    std::string Selection(HWND c) {
        long size = -1;
        HGLOBAL block = getTextSel(c, &size);
        return Take(block, size);
    }
    std::string Line(HWND c, long line) {
        long n = getLine(c, line, nullptr);
        if (n < 0) return "(no line)";
        std::string text(size_t(n) + 1, 'x');
        EXPECT_EQ(getLine(c, line, text.data()), n);
        EXPECT_EQ(text[size_t(n)], '\0');
        text.resize(size_t(n));
        return text;
    }
    COLORREF ColourAt(HWND c, long line, int column) {
        EXPECT_TRUE(setCursorPos(c, line, column, FALSE));
        COLORREF text = 1, back = 1;
        EXPECT_TRUE(getTextColor(c, getCurFont(c, 0, 0), &text, &back));
        return text;
    }
};

HWND ControlIn(HWND wnd) { return FindChild(wnd, host::kEditorControlClass, ""); }

}  // namespace

class Ter32Library : public HostFixture {
protected:
    void SetUp() override {
        SetUpHost("ter32");
        ASSERT_TRUE(ter.Bind()) << "TER32.dll not in the client's process, or a function missing";
    }
    Ter32 ter;
};

TEST_F(Ter32Library, EditorsAreWritableReadersAndPreviewsReadOnly) {
    HWND editor = host->NewEditor();
    HWND body = ControlIn(editor);
    ASSERT_NE(body, nullptr);
    EXPECT_FALSE(ter.getReadOnly(body));
    HWND reader = host->OpenReader("Note", "From: bob@example.org\r\n\r\nHello\r\n");
    HWND view = ControlIn(reader);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(ter.getReadOnly(view));
    HWND folman = host->OpenFolderManager();
    ASSERT_NE(ControlIn(folman), nullptr);
    EXPECT_TRUE(ter.getReadOnly(ControlIn(folman)));
    // A window that is no editor control is neither.
    EXPECT_FALSE(ter.getReadOnly(editor));
    long size = 7;
    EXPECT_EQ(ter.getBuffer(editor, &size), nullptr);
    EXPECT_EQ(size, 0);
    // Typing reaches the editor's text, not the reader's.
    PostChars(body, "typed");
    PostChars(view, "ignored");
    mctest::PumpFor(100);
    EXPECT_EQ(ter.Buffer(body), "typed");
    EXPECT_EQ(orv::mailclient::ReadEditor(editor).body, "typed");
}

TEST_F(Ter32Library, BufferSelectionAndLinesUseCrLf) {
    HWND reader = host->OpenReader("Key", "Line one\r\nKey 0x1234ABCD5678 here\r\n\r\nlast");
    HWND view = ControlIn(reader);
    EXPECT_EQ(ter.Buffer(view), "Line one\r\nKey 0x1234ABCD5678 here\r\n\r\nlast");
    EXPECT_EQ(ter.Line(view, 0), "Line one");
    EXPECT_EQ(ter.Line(view, 1), "Key 0x1234ABCD5678 here");
    EXPECT_EQ(ter.Line(view, 2), "");
    EXPECT_EQ(ter.Line(view, 3), "last");
    EXPECT_EQ(ter.Line(view, 9), "(no line)");
    EXPECT_EQ(ter.Selection(view), "");
    // A selection made as the user drags over the text, across a line end
    // (which the control counts as one character).
    SendMessageA(view, EM_SETSEL, 4, 17);
    EXPECT_EQ(ter.Selection(view), " one\r\nKey 0x12");
}

TEST_F(Ter32Library, InfoBlockInsertedAsThePlugInDoesIt) {
    HWND reader = host->OpenReader("Signed", "Dear Alice,\r\nsigned text.");
    HWND view = ControlIn(reader);
    const COLORREF green = 0x008000;
    // Remember font colours and tab stop, insert prefix, coloured body and
    // trailer, restore, caret home (the plain layout).
    int font = ter.getCurFont(view, 0, 0);
    COLORREF text = 0, back = 0;
    ASSERT_TRUE(ter.getTextColor(view, font, &text, &back));
    int type = -1, position = -1, flags = -1;
    ASSERT_TRUE(ter.getTabStop(view, 0, 0, &type, &position, &flags));
    ASSERT_TRUE(ter.insertText(view, "PGP-Info:\t", 1, -1, 0));
    ASSERT_TRUE(ter.setColor(view, green, 0));
    ASSERT_TRUE(ter.insertTerText(view, "Good signature from Bob (0x1234ABCD)\r\n", 0));
    ASSERT_TRUE(ter.setColor(view, 0, 0));
    ASSERT_TRUE(ter.setTab(view, 0, type, 4, 0));
    ASSERT_TRUE(ter.insertTerText(view, "\t\r\n\r\n", 0));
    ASSERT_TRUE(ter.setTab(view, position, type, flags, 0));
    ASSERT_TRUE(ter.setColor(view, text, 0));
    ASSERT_TRUE(ter.setCursorPos(view, 0, 0, 1));

    // The caret is home again.
    CHARRANGE sel{-1, -1};
    SendMessageA(view, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    EXPECT_EQ(sel.cpMin, 0);
    EXPECT_EQ(sel.cpMax, 0);
    EXPECT_EQ(ter.Buffer(view), "PGP-Info:\tGood signature from Bob (0x1234ABCD)\r\n\t\r\n\r\nDear Alice,\r\nsigned text.");
    EXPECT_EQ(ter.Line(view, 0).compare(0, 10, "PGP-Info:\t"), 0);
    EXPECT_EQ(ter.ColourAt(view, 0, 15), green);
    EXPECT_NE(ter.ColourAt(view, 4, 3), green);  // the message text keeps its colour
    // The reader's text is still read-only for the user.
    EXPECT_TRUE(ter.getReadOnly(view));
    mctest::PumpFor(100);
    SaveScreenshot(host->Frame(), ShotPath("mailclient_reader_info_block.png"));
}

TEST_F(Ter32Library, BadArgumentsFailWithoutHarm) {
    EXPECT_EQ(ter.getLine(nullptr, 0, nullptr), -1);
    EXPECT_FALSE(ter.setCursorPos(nullptr, 0, 0, 0));
    EXPECT_FALSE(ter.insertText(nullptr, "x", 1, -1, 0));
    EXPECT_FALSE(ter.insertTerText(host->Frame(), "x", 0));
    HWND reader = host->OpenReader("Short", "one line");
    HWND view = ControlIn(reader);
    EXPECT_FALSE(ter.setCursorPos(view, 5, 0, 0));
    EXPECT_FALSE(ter.getTextColor(view, 999, nullptr, nullptr));
    EXPECT_FALSE(ter.insertTerText(view, nullptr, 0));
    // A length shorter than the text inserts only that much.
    EXPECT_TRUE(ter.insertText(view, "abcdef", 1, 3, 0));
    EXPECT_EQ(ter.Buffer(view), "abcone line");
}
