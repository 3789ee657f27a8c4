#include "ui/window.h"

#include "ui/look.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace orv::ui {

namespace {

constexpr const char* kObjectProp = "OrvWindowObject";
constexpr UINT_PTR kSubclassId = 0x4F52;

// The window being created by CreateOwn: its object arrives with WM_NCCREATE.
struct CreateParams {
    Window* self;
};

bool RegisterOwnClass(const char* className, UINT classStyle, WNDPROC proc) {
    static std::set<std::string> registered;
    if (registered.count(className)) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = classStyle | CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = ResourceModule();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = className;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    registered.insert(className);
    return true;
}

bool IsKeyMessage(UINT msg) {
    return msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN || msg == WM_CHAR || msg == WM_SYSCHAR;
}

Window* FindButton(const Window* root, bool wantDefault) {
    for (Window* child : root->Controls()) {
        if (!child->Handle() || !child->Visible() || !child->Enabled()) continue;
        if (child->IsButton() && (wantDefault ? child->IsDefault() : child->IsCancel())) return child;
        if (Window* found = FindButton(child, wantDefault)) return found;
    }
    return nullptr;
}

bool OfferDialogChar(Window* root, char upper) {
    for (Window* child : root->Controls()) {
        if (!child->Handle() || !child->Visible() || !child->Enabled()) continue;
        if (child->DialogChar(upper)) return true;
        if (OfferDialogChar(child, upper)) return true;
    }
    return false;
}

}  // namespace

Window::~Window() {
    HWND wnd = hwnd_;
    Detach();
    if (wnd && IsWindow(wnd)) DestroyWindow(wnd);
}

Window* Window::FromHandle(HWND wnd) noexcept {
    return wnd ? static_cast<Window*>(GetPropA(wnd, kObjectProp)) : nullptr;
}

void Window::Attach(HWND wnd, Window* parent) {
    hwnd_ = wnd;
    SetPropA(wnd, kObjectProp, this);
    parent_ = parent;
    if (parent_) parent_->children_.push_back(this);
}

void Window::Detach() noexcept {
    if (parent_) {
        auto& siblings = parent_->children_;
        for (auto it = siblings.begin(); it != siblings.end(); ++it)
            if (*it == this) {
                siblings.erase(it);
                break;
            }
        parent_ = nullptr;
    }
    for (Window* child : children_) child->parent_ = nullptr;
    children_.clear();
    if (!hwnd_) return;
    if (IsWindow(hwnd_)) {
        RemovePropA(hwnd_, kObjectProp);
        if (subclassed_) RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
    }
    subclassed_ = false;
    hwnd_ = nullptr;
}

Form* Window::ParentForm() const noexcept {
    HWND root = hwnd_ ? GetAncestor(hwnd_, GA_ROOT) : nullptr;
    return dynamic_cast<Form*>(FromHandle(root));
}

bool Window::CreateOwn(const char* className, DWORD exStyle, DWORD style, const std::string& text,
                       Window* parent, HWND parentOrOwner, int x, int y, int width, int height,
                       UINT classStyle) {
    if (!RegisterOwnClass(className, classStyle, OwnProc)) return false;
    CreateParams params{this};
    parent_ = parent;  // Attach() at WM_NCCREATE adds it to the parent's controls
    HWND wnd = CreateWindowExA(exStyle, className, text.c_str(), style, x, y, width, height,
                               parentOrOwner, nullptr, ResourceModule(), &params);
    if (!wnd) parent_ = nullptr;
    if (wnd && Font() == nullptr) SetFont(DefaultFont());
    return wnd != nullptr;
}

bool Window::CreateStandard(const char* className, DWORD exStyle, DWORD style,
                            const std::string& text, Window* parent, int x, int y, int width,
                            int height, int id) {
    static const bool commonControls = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)commonControls;
    HWND wnd = CreateWindowExA(exStyle, className, text.c_str(), style, x, y, width, height,
                               parent ? parent->Handle() : nullptr,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ResourceModule(),
                               nullptr);
    if (!wnd) return false;
    Attach(wnd, parent);
    subclassed_ = SetWindowSubclass(wnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    SetFont(DefaultFont());
    return true;
}

LRESULT CALLBACK Window::OwnProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        if (msg == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            auto* params = static_cast<CreateParams*>(cs->lpCreateParams);
            if (params && params->self) {
                Window* self = params->self;
                Window* parent = self->parent_;
                self->parent_ = nullptr;
                self->Attach(wnd, parent);
            }
        }
        Window* self = FromHandle(wnd);
        if (!self) return DefWindowProcA(wnd, msg, wp, lp);
        if (msg == WM_NCDESTROY) {
            self->Detach();
            return DefWindowProcA(wnd, msg, wp, lp);
        }
        return self->Dispatch(msg, wp, lp);
    } catch (...) {
        return DefWindowProcA(wnd, msg, wp, lp);
    }
}

LRESULT CALLBACK Window::SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                      DWORD_PTR ref) noexcept {
    try {
        auto* self = reinterpret_cast<Window*>(ref);
        if (msg == WM_NCDESTROY) {
            if (self && self->hwnd_ == wnd) self->Detach();
            RemoveWindowSubclass(wnd, SubclassProc, kSubclassId);
            return DefSubclassProc(wnd, msg, wp, lp);
        }
        if (!self || self->hwnd_ != wnd) return DefSubclassProc(wnd, msg, wp, lp);
        return self->Dispatch(msg, wp, lp);
    } catch (...) {
        return DefSubclassProc(wnd, msg, wp, lp);
    }
}

LRESULT Window::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    HWND from = nullptr;
    switch (msg) {
    case WM_COMMAND:
    case WM_VSCROLL:
    case WM_HSCROLL:
        from = reinterpret_cast<HWND>(lp);
        break;
    case WM_NOTIFY:
        from = reinterpret_cast<NMHDR*>(lp)->hwndFrom;
        break;
    case WM_DRAWITEM:
        from = reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hwndItem;
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        from = reinterpret_cast<HWND>(lp);
        break;
    default:
        break;
    }
    if (from && from != hwnd_) {
        if (Window* child = FromHandle(from)) {
            LRESULT result = 0;
            if (child->Reflected(msg, wp, lp, result)) return result;
        }
        if (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX) {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetBkColor(dc, FieldColor());
            return reinterpret_cast<LRESULT>(FieldBrush());
        }
        if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) {
            HDC dc = reinterpret_cast<HDC>(wp);
            COLORREF color = Color();
            SetBkColor(dc, color);
            return reinterpret_cast<LRESULT>(SolidBrush(color));
        }
    }
    return HandleMessage(msg, wp, lp);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (!subclassed_) {
        switch (msg) {
        case WM_ERASEBKGND:
            EraseBackground(reinterpret_cast<HDC>(wp));
            return 1;
        case WM_SIZE:
            Realign();
            break;
        default:
            break;
        }
    }
    return Default(msg, wp, lp);
}

LRESULT Window::Default(UINT msg, WPARAM wp, LPARAM lp) {
    if (subclassed_) return DefSubclassProc(hwnd_, msg, wp, lp);
    return DefWindowProcA(hwnd_, msg, wp, lp);
}

void Window::EraseBackground(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    FillRect(dc, &r, SolidBrush(Color()));
}

void Window::SetBounds(int x, int y, int width, int height) {
    if (hwnd_) MoveWindow(hwnd_, x, y, width, height, TRUE);
}

RECT Window::Bounds() const {
    RECT r{};
    if (!hwnd_) return r;
    GetWindowRect(hwnd_, &r);
    HWND parent = GetParent(hwnd_);
    if (parent && (GetWindowLongA(hwnd_, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int Window::Width() const {
    RECT r = Bounds();
    return r.right - r.left;
}

int Window::Height() const {
    RECT r = Bounds();
    return r.bottom - r.top;
}

int Window::ClientWidth() const {
    RECT r{};
    if (hwnd_) GetClientRect(hwnd_, &r);
    return r.right;
}

int Window::ClientHeight() const {
    RECT r{};
    if (hwnd_) GetClientRect(hwnd_, &r);
    return r.bottom;
}

void Window::SetVisible(bool visible) {
    if (!hwnd_ || Visible() == visible) return;
    ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
    if (parent_) parent_->Realign();
}

bool Window::Visible() const {
    return hwnd_ && (GetWindowLongA(hwnd_, GWL_STYLE) & WS_VISIBLE);
}

void Window::SetEnabled(bool enabled) {
    if (hwnd_) EnableWindow(hwnd_, enabled);
}

bool Window::Enabled() const { return hwnd_ && IsWindowEnabled(hwnd_); }

bool Window::CanFocus() const {
    for (const Window* w = this; w; w = w->parent_)
        if (!w->Visible() || !w->Enabled()) return false;
    return hwnd_ != nullptr;
}

void Window::SetFocus() {
    if (hwnd_) ::SetFocus(hwnd_);
}

bool Window::Focused() const { return hwnd_ && GetFocus() == hwnd_; }

void Window::SetText(const std::string& text) {
    if (hwnd_) SetWindowTextA(hwnd_, text.c_str());
}

std::string Window::Text() const {
    if (!hwnd_) return {};
    int len = GetWindowTextLengthA(hwnd_);
    std::string text(size_t(len) + 1, '\0');
    int got = GetWindowTextA(hwnd_, text.data(), len + 1);
    text.resize(size_t(got > 0 ? got : 0));
    return text;
}

void Window::SetFont(HFONT font) {
    font_ = font;
    if (hwnd_) SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

// Kept here as well: a rich edit takes WM_SETFONT but answers WM_GETFONT with nothing.
HFONT Window::Font() const {
    if (font_) return font_;
    return hwnd_ ? reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)) : nullptr;
}

void Window::SetAlign(Align value) {
    align = value;
    if (parent_) parent_->Realign();
}

void Window::SetBorderWidth(int width) {
    borderWidth_ = width;
    Realign();
}

void Window::Realign() {
    if (!hwnd_) return;
    RECT rest;
    GetClientRect(hwnd_, &rest);
    InflateRect(&rest, -borderWidth_, -borderWidth_);
    auto place = [](Window* w, const RECT& r) {
        RECT now = w->Bounds();
        if (!EqualRect(&now, &r)) w->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    };
    // Top and bottom strips first, then left and right, then the rest, as the
    // form's designer laid them out.
    for (Align pass : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
        for (Window* w : children_) {
            if (w->align != pass || !w->Visible()) continue;
            RECT r = rest;
            switch (pass) {
            case Align::Top:
                r.bottom = r.top + w->Height();
                rest.top = r.bottom;
                break;
            case Align::Bottom:
                r.top = r.bottom - w->Height();
                rest.bottom = r.top;
                break;
            case Align::Left:
                r.right = r.left + w->Width();
                rest.left = r.right;
                break;
            case Align::Right:
                r.left = r.right - w->Width();
                rest.right = r.left;
                break;
            default:
                break;
            }
            place(w, r);
        }
    }
}

void Window::SetColor(COLORREF value) {
    color_ = value;
    parentColor_ = false;
    ColorChanged();
    for (Window* child : children_) child->ParentColorChanged();
}

void Window::SetParentColor(bool value) {
    parentColor_ = value;
    ColorChanged();
    for (Window* child : children_) child->ParentColorChanged();
}

COLORREF Window::Color() const {
    if (!parentColor_) return color_;
    if (parent_) return parent_->Color();
    return WindowColor();
}

void Window::ParentColorChanged() {
    if (!parentColor_) return;
    ColorChanged();
    for (Window* child : children_) child->ParentColorChanged();
}

char Window::AccelChar(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return char(std::toupper(static_cast<unsigned char>(caption[i + 1])));
    }
    return 0;
}

bool TPanel::Create(Window* parent, Align alignment, int width, int height, int border) {
    align = alignment;
    if (!CreateOwn("TPanel", WS_EX_CONTROLPARENT, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, "",
                   parent, parent->Handle(), 0, 0, width, height))
        return false;
    SetBorderWidth(border);
    parent->Realign();
    return true;
}

Form::~Form() {
    StopHostKeys();
    if (Handle()) ShowWindow(Handle(), SW_HIDE);
}

Form::Operation::Operation(Form& form) : form_(form), previousOwner_(CurrentSession().Owner()) {
    ++form_.operations_;
    // The boxes of the operation belong to the form that asks, whichever
    // window became the session's owner since; a form not shown yet leaves
    // them to the owner it has.
    if (form_.Handle() && IsWindowVisible(form_.Handle())) CurrentSession().SetOwner(form_.Handle());
}

Form::Operation::~Operation() {
    Session& session = CurrentSession();
    if (form_.Handle() && session.Owner() == form_.Handle() && previousOwner_ != form_.Handle())
        session.SetOwner(previousOwner_);
    if (--form_.operations_ > 0 || !form_.closeDeferred_) return;
    form_.closeDeferred_ = false;
    if (form_.Handle()) PostMessageA(form_.Handle(), WM_CLOSE, 0, 0);
}

bool Form::DeferClose() noexcept {
    if (!InOperation()) return false;
    closeDeferred_ = true;
    return true;
}

namespace {

// The forms whose keys the hook routes, and the hook on the thread of the
// mail client's loop. Never destroyed: forms that are statics of other files
// leave it when they end, in whatever order the statics go.
struct HostKeyRoute {
    HHOOK hook = nullptr;
    DWORD thread = 0;
    std::vector<Form*> forms;
};

HostKeyRoute& KeyRoute() {
    static auto* route = new HostKeyRoute;
    return *route;
}

}  // namespace

void Form::RouteHostKeys() {
    if (keysRouted_) return;
    HostKeyRoute& route = KeyRoute();
    if (!route.hook) {
        route.thread = GetCurrentThreadId();
        route.hook = SetWindowsHookExA(WH_GETMESSAGE, &Form::HostKeyHook, nullptr, route.thread);
    }
    if (!route.hook || route.thread != GetCurrentThreadId()) return;
    route.forms.push_back(this);
    keysRouted_ = true;
}

void Form::StopHostKeys() noexcept {
    if (!keysRouted_) return;
    keysRouted_ = false;
    HostKeyRoute& route = KeyRoute();
    for (auto it = route.forms.begin(); it != route.forms.end(); ++it)
        if (*it == this) {
            route.forms.erase(it);
            break;
        }
    if (route.forms.empty() && route.hook) {
        UnhookWindowsHookEx(route.hook);
        route.hook = nullptr;
    }
}

LRESULT CALLBACK Form::HostKeyHook(int code, WPARAM wp, LPARAM lp) noexcept {
    try {
        auto* msg = reinterpret_cast<MSG*>(lp);
        // A modal loop of our own already offers its keys to the form.
        if (code == HC_ACTION && wp == PM_REMOVE && msg && msg->hwnd && IsKeyMessage(msg->message)) {
            auto* form = dynamic_cast<Form*>(FromHandle(GetAncestor(msg->hwnd, GA_ROOT)));
            const auto& forms = KeyRoute().forms;
            if (form && !form->InModalLoop() && std::find(forms.begin(), forms.end(), form) != forms.end() &&
                form->PreTranslate(*msg))
                msg->message = WM_NULL;
        }
    } catch (...) {
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

bool Form::CreateForm(const char* className, const std::string& caption, DWORD style,
                      DWORD exStyle, int width, int height, HWND owner) {
    if (!CreateOwn(className, exStyle | WS_EX_CONTROLPARENT, style & ~WS_VISIBLE, caption, nullptr,
                   owner, CW_USEDEFAULT, CW_USEDEFAULT, width, height))
        return false;
    HICON icon = CurrentSession().Icon();
    if (icon) {
        SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    return true;
}

bool Form::CreateForm(const char* className, const std::string& caption, DWORD style,
                      DWORD exStyle, int width, int height) {
    HWND owner = CurrentSession().Owner();
    return CreateForm(className, caption, style, exStyle, width, height, owner);
}

void Form::SetClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, DWORD(GetWindowLongA(Handle(), GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongA(Handle(), GWL_EXSTYLE)));
    SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Window* Form::DefaultButton() const { return FindButton(this, true); }
Window* Form::CancelButton() const { return FindButton(this, false); }

HWND Form::InitialFocus() {
    HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    return first;
}

void Form::SelectNext(bool backwards) {
    HWND focus = GetFocus();
    if (focus && !IsChild(Handle(), focus)) focus = nullptr;
    HWND next = GetNextDlgTabItem(Handle(), focus, backwards);
    if (next) ::SetFocus(next);
}

int Form::ShowModal() {
    HWND wnd = Handle();
    if (!wnd) return mrCancel;
    HWND owner = GetWindow(wnd, GW_OWNER);
    bool ownerEnabled = owner && IsWindowEnabled(owner);
    Session& session = CurrentSession();
    HWND previousOwner = session.Owner();

    // Restores owner and enabling however the loop ends.
    struct Restore {
        HWND owner;
        bool enable;
        HWND previousOwner;
        bool& inModal;
        ~Restore() {
            if (enable && IsWindow(owner)) EnableWindow(owner, TRUE);
            CurrentSession().SetOwner(previousOwner);
            inModal = false;
        }
    } restore{owner, ownerEnabled, previousOwner, inModal_};

    if (ownerEnabled) EnableWindow(owner, FALSE);
    session.SetOwner(wnd);
    inModal_ = true;
    modalResult_ = mrNone;
    BeforeShow();
    ShowWindow(wnd, SW_SHOW);
    SetForegroundWindow(wnd);
    if (HWND focus = InitialFocus()) ::SetFocus(focus);

    MSG msg;
    while (modalResult_ == mrNone && IsWindow(wnd)) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(int(msg.wParam));
            if (modalResult_ == mrNone) modalResult_ = mrCancel;
            break;
        }
        if (!PreTranslateAny(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    // The owner is enabled again before the form hides, so that it gets the activation.
    if (ownerEnabled && IsWindow(owner)) EnableWindow(owner, TRUE);
    if (IsWindow(wnd)) ShowWindow(wnd, SW_HIDE);
    return modalResult_;
}

bool Form::PreTranslateAny(MSG& msg) {
    if (!IsKeyMessage(msg.message) || !msg.hwnd) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    auto* form = dynamic_cast<Form*>(FromHandle(root));
    return form && form->PreTranslate(msg);
}

bool Form::PreTranslate(MSG& msg) {
    if (!IsKeyMessage(msg.message)) return false;
    if (keyPreview && PreviewKey(msg)) return true;
    HWND focus = GetFocus();
    if (focus && focus != Handle() && !IsChild(Handle(), focus)) focus = nullptr;
    UINT code = 0;
    if (focus && focus != Handle())
        code = UINT(SendMessageA(focus, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)));
    if (code & DLGC_WANTMESSAGE) return false;
    bool wantsAll = (code & DLGC_WANTALLKEYS) != 0;

    if (msg.message == WM_KEYDOWN) {
        switch (msg.wParam) {
        case VK_TAB:
            if (code & DLGC_WANTTAB) return false;
            SelectNext(GetKeyState(VK_SHIFT) < 0);
            return true;
        case VK_RETURN: {
            if (wantsAll) return false;
            Window* focused = FromHandle(focus);
            Window* button = focused && focused->IsButton() ? focused : DefaultButton();
            if (button) button->Click();
            return true;
        }
        case VK_ESCAPE:
            if (wantsAll) return false;
            if (Window* button = CancelButton()) button->Click();
            return true;
        default:
            return false;
        }
    }
    char ch = char(msg.wParam);
    if (msg.message == WM_CHAR) {
        if ((ch == '\r' || ch == '\x1b') && !wantsAll) return true;  // acted on at key down
        if (ch == '\t' && !(code & DLGC_WANTTAB)) return true;
        if (code & DLGC_WANTCHARS) return false;
    }
    if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
        char upper = char(std::toupper(static_cast<unsigned char>(ch)));
        if (upper > ' ' && OfferDialogChar(this, upper)) return true;
    }
    return false;
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        if (DeferClose()) return 0;
        if (CloseQuery()) {
            if (inModal_)
                modalResult_ = mrCancel;
            else
                ShowWindow(Handle(), SW_HIDE);
        }
        return 0;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace orv::ui
