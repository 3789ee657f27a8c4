#pragma once
// TTER: the host's editor control library, reached through its own exported
// functions in the client's process (never through window messages): the
// read-only state that tells readers from editors, the whole text and the
// selection, and the coloured "PGP-Info" block written into a reader.

#include <windows.h>

#include <string>

namespace orv::automation {

// What the selection of a reader names: an e-mail address or a key
// identifier.
struct CheckResult {
    bool isKey = false;
    std::string text;
};

class TTER {
public:
    // Takes "TER32.dll" of the host's program directory only when the host
    // has loaded it already (the plug-in never loads it) and looks up its
    // twelve functions; available only when all twelve are there.
    void Initialize(const std::string& programDir);
    bool Available() const { return available_; }
    // Unavailable: no control counts as read-only or writable.
    bool GetReadOnly(HWND control) const;
    bool IsWritable(HWND control) const;

    // The whole text and the selection, CR LF line ends; "" without a
    // control or library.
    std::string GetText(HWND control) const;
    std::string GetSelection(HWND control) const;
    // The whole text when it holds an armoured PGP message, else "".
    std::string GetEncryptedText(HWND control) const;
    // The text after the header of a PGP/MIME message, else "".
    std::string GetPGPMimeText(HWND control) const;
    CheckResult GetCheckResult(HWND control) const;
    // Writes the coloured block at the top of the text; true when it is
    // there (or the result code wants none).
    bool InsertSigText(HWND control, const std::string& info, bool tabbed, int resultCode) const;

private:
    using GetReadOnlyFn = BOOL(WINAPI*)(HWND);
    using GetTextFn = HGLOBAL(WINAPI*)(HWND, long*);
    using GetLineFn = long(WINAPI*)(HWND, long, char*);
    using GetCurFontFn = int(WINAPI*)(HWND, int, int);
    using SetCursorPosFn = BOOL(WINAPI*)(HWND, long, int, BOOL);
    using GetTextColorFn = BOOL(WINAPI*)(HWND, int, COLORREF*, COLORREF*);
    using SetColorFn = BOOL(WINAPI*)(HWND, COLORREF, BOOL);
    using GetTabStopFn = BOOL(WINAPI*)(HWND, int, int, int*, int*, int*);
    using SetTabFn = BOOL(WINAPI*)(HWND, int, int, int, BOOL);
    using TerInsertTextFn = BOOL(WINAPI*)(HWND, const char*, BOOL, long, BOOL);
    using InsertTerTextFn = BOOL(WINAPI*)(HWND, const char*, BOOL);

    // Copies the text of a global block the library handed over and frees it.
    static std::string TakeBlock(HGLOBAL block);
    std::string Line0(HWND control) const;

    bool available_ = false;
    GetReadOnlyFn getReadOnly_ = nullptr;
    GetTextFn getTextSel_ = nullptr;
    GetTextFn getBuffer_ = nullptr;
    GetLineFn getLine_ = nullptr;
    GetCurFontFn getCurFont_ = nullptr;
    SetCursorPosFn setCursorPos_ = nullptr;
    GetTextColorFn getTextColor_ = nullptr;
    SetColorFn setColor_ = nullptr;
    GetTabStopFn getTabStop_ = nullptr;
    SetTabFn setTab_ = nullptr;
    TerInsertTextFn terInsertText_ = nullptr;
    InsertTerTextFn insertTerText_ = nullptr;
};

}  // namespace orv::automation
