#pragma once
// The one window pattern of the main library. Every window object is reached
// from its handle through a window property; windows of our own classes get it
// at WM_NCCREATE from lpCreateParams, standard controls are subclassed with
// SetWindowSubclass. Window procedures are noexcept and catch at the boundary.
// Teardown: stop dispatching (property removed), unsubclass while the window
// is valid, then destroy it.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace orv::ui {

enum class Align { None, Top, Bottom, Left, Right, Client };

// Modal results as the message functions hand them on.
enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

class Form;

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const noexcept { return hwnd_; }
    static Window* FromHandle(HWND wnd) noexcept;

    Window* Parent() const noexcept { return parent_; }
    const std::vector<Window*>& Controls() const noexcept { return children_; }
    Form* ParentForm() const noexcept;

    void SetBounds(int x, int y, int width, int height);
    RECT Bounds() const;  // in the parent's client coordinates
    int Left() const { return Bounds().left; }
    int Top() const { return Bounds().top; }
    int Width() const;
    int Height() const;
    int ClientWidth() const;
    int ClientHeight() const;

    void SetVisible(bool visible);
    bool Visible() const;
    void SetEnabled(bool enabled);
    bool Enabled() const;
    bool CanFocus() const;  // visible and enabled, and so are its parents
    void SetFocus();
    bool Focused() const;

    void SetText(const std::string& text);
    std::string Text() const;
    void SetFont(HFONT font);
    HFONT Font() const;

    // Layout: aligned children share the client area in the order they were
    // created, less the border.
    Align align = Align::None;
    void SetAlign(Align value);
    void SetBorderWidth(int width);
    void Realign();

    // Colour: the parent's when parentColor is set.
    void SetColor(COLORREF value);
    void SetParentColor(bool value);
    COLORREF Color() const;
    bool ParentColorSet() const noexcept { return parentColor_; }

    // Accelerators: the form offers each typed letter (upper case) to its controls.
    virtual bool DialogChar(char upper) { return false; }
    // Buttons: Enter presses the focused button or the default one, Esc the cancel one.
    virtual bool IsButton() const { return false; }
    virtual bool IsDefault() const { return false; }
    virtual bool IsCancel() const { return false; }
    virtual void Click() {}

    // Letter after the "&" of a caption, in upper case; 0 without one.
    static char AccelChar(const std::string& caption);

protected:
    // Creates a window of an own class named className (registered once).
    bool CreateOwn(const char* className, DWORD exStyle, DWORD style, const std::string& text,
                   Window* parent, HWND parentOrOwner, int x, int y, int width, int height,
                   UINT classStyle = 0);
    // Creates a standard control and subclasses it.
    bool CreateStandard(const char* className, DWORD exStyle, DWORD style, const std::string& text,
                        Window* parent, int x, int y, int width, int height, int id = 0);

    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);
    // Notifications the parent reflects back to the control they come from
    // (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_CTLCOLOR*, WM_VSCROLL, WM_HSCROLL).
    virtual bool Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) { return false; }
    virtual void ParentColorChanged();
    virtual void ColorChanged() { InvalidateRect(hwnd_, nullptr, TRUE); }
    // Paints the background of own-class windows.
    virtual void EraseBackground(HDC dc);

private:
    static LRESULT CALLBACK OwnProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR ref) noexcept;
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    void Attach(HWND wnd, Window* parent);
    void Detach() noexcept;

    HWND hwnd_ = nullptr;
    bool subclassed_ = false;
    Window* parent_ = nullptr;
    std::vector<Window*> children_;
    int borderWidth_ = 0;
    bool parentColor_ = true;
    COLORREF color_ = 0;
    HFONT font_ = nullptr;
};

// A plain container with the windows' colour that aligns its children.
class TPanel : public Window {
public:
    bool Create(Window* parent, Align alignment, int width = 0, int height = 0, int border = 0);
};

class Form : public Window {
public:
    ~Form() override;

    // Shows the form modally and returns its modal result. While it runs the
    // form owns the session's next dialogs; the previous owner comes back after.
    int ShowModal();
    void SetModalResult(int result) { modalResult_ = result; }
    int GetModalResult() const { return modalResult_; }
    bool InModalLoop() const { return inModal_; }

    // Key preview: the form sees key messages before the focused control.
    bool keyPreview = false;
    bool PreTranslate(MSG& msg);
    static bool PreTranslateAny(MSG& msg);

    // An operation of the form that may wait in a nested loop (a box, a
    // dialog, the client's folder choice). While one runs the form owns the
    // session's boxes and stays alive: a close asked meanwhile is put off and
    // runs when the last operation has ended.
    class Operation {
    public:
        explicit Operation(Form& form);
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;

    private:
        Form& form_;
        HWND previousOwner_;
    };
    bool InOperation() const noexcept { return operations_ > 0; }
    // A close was asked while an operation ran.
    bool CloseDeferred() const noexcept { return closeDeferred_; }

    // Key route for a modeless form inside the mail client, whose message
    // loop knows nothing of the forms' keys: a message hook of the thread
    // hands them to PreTranslate. Ends with the form.
    void RouteHostKeys();
    void StopHostKeys() noexcept;

    void SetClientSize(int width, int height);
    Window* DefaultButton() const;
    Window* CancelButton() const;
    void SelectNext(bool backwards);

protected:
    // Creates the top-level window, owned by the session's owner unless given.
    bool CreateForm(const char* className, const std::string& caption, DWORD style, DWORD exStyle,
                    int width, int height, HWND owner);
    bool CreateForm(const char* className, const std::string& caption, DWORD style, DWORD exStyle,
                    int width, int height);
    virtual bool PreviewKey(MSG& msg) { return false; }  // true: consumed; may retarget msg
    virtual void BeforeShow() {}
    virtual HWND InitialFocus();
    // WM_CLOSE: modal forms end with Cancel unless this says otherwise.
    virtual bool CloseQuery() { return true; }
    // Puts the close off until the running operation ends; false without one.
    bool DeferClose() noexcept;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    static LRESULT CALLBACK HostKeyHook(int code, WPARAM wp, LPARAM lp) noexcept;

    int modalResult_ = mrNone;
    bool inModal_ = false;
    int operations_ = 0;
    bool closeDeferred_ = false;
    bool keysRouted_ = false;
};

}  // namespace orv::ui
