#pragma once
// The mail client's editor library "TER32.dll" as the client and its
// extensions reach it: the window class of its editor control and twelve
// functions found by name, each taking the control window first and using
// the Windows convention of functions found by name (WINAPI, undecorated).
// Declared once here for the library and the client that loads it.

#include <windows.h>

namespace orv::ter32 {

constexpr const char* kLibraryName = "TER32.dll";
constexpr const char* kControlClass = "TER32CLASS";

// Non-zero for a read-only control (readers and previews).
using TerGetReadOnlyFn = BOOL(WINAPI*)(HWND control);
// A movable global memory block with the whole text (CR LF line ends, ended
// by a zero), its length without the zero stored through size. The caller
// frees the block with GlobalFree. 0 when the control is not an editor.
using GetTerBufferFn = HGLOBAL(WINAPI*)(HWND control, long* size);
// The same for the selected text (an empty block when nothing is selected).
using TerGetTextSelFn = HGLOBAL(WINAPI*)(HWND control, long* size);
// Without a buffer: the length of the line (0-based); with one: copies the
// line and its zero into it (the caller asked for the length first) and
// returns the length. -1 for a line that does not exist.
using GetTerLineFn = long(WINAPI*)(HWND control, long line, char* buffer);
// The identifier of the font at the caret (the reserved arguments are 0).
using TerGetCurFontFn = int(WINAPI*)(HWND control, int reserved1, int reserved2);
// Text and background colour of a font identifier; FALSE for an unknown one.
using TerGetTextColorFn = BOOL(WINAPI*)(HWND control, int font, COLORREF* text, COLORREF* background);
// The control's current tab stop (type, position in twips, flags).
using TerGetTabStopFn = BOOL(WINAPI*)(HWND control, int line, int index, int* type, int* position, int* flags);
// Inserts text: at the start of the text when atStart is non-zero (else at
// the caret), length characters or up to the zero when -1; the caret ends
// behind the text. Works on read-only controls too: they are read-only to
// the user, not to the program.
using TerInsertTextFn = BOOL(WINAPI*)(HWND control, const char* text, BOOL atStart, long length, BOOL repaint);
// The text colour of what is inserted next at the caret.
using SetTerColorFn = BOOL(WINAPI*)(HWND control, COLORREF colour, BOOL repaint);
// Inserts text at the caret in the current colour.
using InsertTerTextFn = BOOL(WINAPI*)(HWND control, const char* text, BOOL repaint);
// Sets the tab stop of the text (position in twips, 0: the default stops).
using TerSetTabFn = BOOL(WINAPI*)(HWND control, int position, int type, int flags, BOOL repaint);
// Puts the caret on a line (0-based) and column; FALSE when there is no such line.
using SetTerCursorPosFn = BOOL(WINAPI*)(HWND control, long line, int column, BOOL repaint);

constexpr const char* kTerGetReadOnly = "TerGetReadOnly";
constexpr const char* kTerGetTextSel = "TerGetTextSel";
constexpr const char* kGetTerBuffer = "GetTerBuffer";
constexpr const char* kGetTerLine = "GetTerLine";
constexpr const char* kTerGetCurFont = "TerGetCurFont";
constexpr const char* kSetTerCursorPos = "SetTerCursorPos";
constexpr const char* kTerGetTextColor = "TerGetTextColor";
constexpr const char* kSetTerColor = "SetTerColor";
constexpr const char* kTerGetTabStop = "TerGetTabStop";
constexpr const char* kTerSetTab = "TerSetTab";
constexpr const char* kTerInsertText = "TerInsertText";
constexpr const char* kInsertTerText = "InsertTerText";

}  // namespace orv::ter32
