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

// What the windows need of the session. The session answers from its own
// fields, so a window always sees the value the session holds; LooseSession
// serves windows shown without one (the launcher's start, tests).
class Session {
public:
    virtual ~Session() = default;
    virtual HICON Icon() const = 0;  // session icon for every form
    // Owner of the next modal window: never a window that is gone.
    virtual HWND Owner() const = 0;
    virtual void SetOwner(HWND owner) = 0;
    virtual HWND HostMain() const = 0;   // client main window: forms centre over it
    virtual HWND HostForm() const = 0;   // the client's window that hosts the form
    virtual bool InsideHost() const = 0;  // started by the mail client, not the launcher
    virtual bool StandardColors() const = 0;  // [StandardColor] Standard
    virtual std::string PGPVersionText() const = 0;      // "PGP 7.X.X"
    virtual std::string WindowsVersionText() const = 0;  // "Win NT ff. (5.1)"
    // The key-server fetch of a key by its ID (the about box's key link).
    virtual void FetchKeyFromServer(const std::string& keyId) = 0;

    // The windows' own bookkeeping: the open message box (find commands
    // wait for it) and the open find dialog.
    Form* frmPGPDlg = nullptr;
    Form* frmPGPFind = nullptr;
};

// A session of plain values.
class LooseSession : public Session {
public:
    HICON Icon() const override { return icon; }
    HWND Owner() const override { return owner && IsWindow(owner) ? owner : nullptr; }
    void SetOwner(HWND wnd) override { owner = wnd; }
    HWND HostMain() const override { return hostMain; }
    HWND HostForm() const override { return hostForm; }
    bool InsideHost() const override { return insideHost; }
    bool StandardColors() const override { return standardColors; }
    std::string PGPVersionText() const override { return pgpVersionText; }
    std::string WindowsVersionText() const override { return windowsVersionText; }
    void FetchKeyFromServer(const std::string& keyId) override {
        if (fetchKeyFromServer) fetchKeyFromServer(keyId);
    }

    HICON icon = nullptr;
    HWND owner = nullptr;
    HWND hostMain = nullptr;
    HWND hostForm = nullptr;
    bool insideHost = false;
    bool standardColors = false;
    std::string pgpVersionText;
    std::string windowsVersionText;
    std::function<void(const std::string& keyId)> fetchKeyFromServer;
};

// The installed session, or a loose one when none is installed.
Session& CurrentSession();
// Installs the session the windows use; null returns them to the loose one.
void SetCurrentSession(Session* session);
// The loose session the windows use while none is installed.
LooseSession& DefaultSession();

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
