#pragma once
// What every window of the main library shares: the session's icon and owner,
// the host window to centre over, the colour rule and the fonts and glyphs.

#include <windows.h>

#include <functional>
#include <string>

namespace orv::ui {

class Form;

// Colour values are Windows COLORREFs (0x00BBGGRR): 0xA8C8C7 is red 0xC7,
// green 0xC8, blue 0xA8, the sage of the product; 0xC2E0E0 the pale cream of its
// input fields; 14482684 (0xDCFCFC) the pale yellow of hints. Read as RGB the
// first would be a cyan, and the hint colour, which is called pale yellow,
// settles the byte order.
constexpr COLORREF kSage = 0xA8C8C7;
constexpr COLORREF kPaleField = 0xC2E0E0;
constexpr COLORREF kPaleYellowHint = 14482684;

// Filled in by the session; the defaults serve windows shown without one.
struct Session {
    HICON icon = nullptr;            // session icon for every form
    HWND owner = nullptr;            // owner of the next modal window
    HWND hostMain = nullptr;         // client main window: forms centre over it
    HWND hostForm = nullptr;         // the client's window that hosts the form
    bool insideHost = false;         // started by the mail client, not the launcher
    bool standardColors = false;     // [StandardColor] Standard
    std::string pgpVersionText;      // "PGP 7.X.X"
    std::string windowsVersionText;  // "Win NT ff. (5.1)"
    Form* frmPGPDlg = nullptr;       // the open message box (find commands wait)
    Form* frmPGPFind = nullptr;
    // The key-server fetch of the author's key, for the about box's key link.
    std::function<void(const std::string& keyId)> fetchKeyFromServer;
};
Session& CurrentSession();

// The colour rule: system colours when Standard Colors is on.
COLORREF WindowColor();  // form and panel background
COLORREF FieldColor();   // edits, lists, combo boxes
HBRUSH WindowBrush();
HBRUSH FieldBrush();
HBRUSH SolidBrush(COLORREF color);  // cached, owned by the ui layer

HFONT DefaultFont();
HFONT BoldFont();
HFONT UnderlinedFont();

// Frees the cached brushes, fonts and glyphs; the session calls it at its end,
// after its last window (the hint window too) is gone: windows keep the handles.
void FreeLookResources();

// The module whose resources the windows use: the one this code is linked into.
HINSTANCE ResourceModule();

// Button glyphs of the session, bitmap resources 103-108.
enum class Glyph { Ok = 103, Help = 104, Cancel = 105, Picture = 106, Key = 107, Find = 108 };
HBITMAP GlyphBitmap(Glyph glyph);  // owned by the ui layer
constexpr int kAboutPicture = 110;
constexpr int kHandCursor = 102;

// Centres a top-level window over the host's main window (its owner, or the
// screen, when there is none) and keeps it on the work area.
void CenterOverHost(HWND wnd);

// Runs pending window messages of this thread once, with the forms' key handling.
void ProcessMessages();

// Width and height of text in a font; lines split at LF, CR ignored.
SIZE TextExtent(HFONT font, const std::string& text);

}  // namespace orv::ui
