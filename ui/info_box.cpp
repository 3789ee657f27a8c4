#include "ui/info_box.h"

#include "interfaces/host_messages.h"
#include "ui/look.h"

#include <shellapi.h>

#include <vector>

namespace orv::ui {

namespace {

constexpr int kWidth = 357;
constexpr int kHeight = 219;
constexpr int kPictureLeft = 12;
constexpr int kColumnLeft = 128;
constexpr int kColumnRight = 347;
constexpr int kLabelHeight = 17;

std::string QueryValue(const std::vector<char>& data, const char* name) {
    std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
    char* value = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &len) || !value)
        return {};
    std::string text(value, len);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

HCURSOR HandCursor() {
    static HCURSOR cursor = [] {
        HCURSOR own = LoadCursorA(ResourceModule(), MAKEINTRESOURCEA(kHandCursor));
        return own ? own : LoadCursor(nullptr, IDC_HAND);
    }();
    return cursor;
}

std::string ModuleFile(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

}  // namespace

ProductInfo ReadProductInfo(const std::string& path) {
    ProductInfo info;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (!size) return info;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return info;
    info.productName = QueryValue(data, "ProductName");
    info.legalCopyright = QueryValue(data, "LegalCopyright");
    std::string version = QueryValue(data, "ProductVersion");
    info.productVersion.reserve(version.size() + 8);
    for (char c : version) {
        if (c == '/')
            info.productVersion += " / ";
        else
            info.productVersion += c;
    }
    return info;
}

bool TfrmInfoBox::Label::Create(TfrmInfoBox* box, int y, const std::string& text, bool link) {
    box_ = box;
    isLink = link;
    textColor = link ? kLinkColor : GetSysColor(COLOR_BTNTEXT);
    if (!CreateStandard("Static", 0, WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOTIFY | SS_NOPREFIX, text,
                        box, kColumnLeft, y, kColumnRight - kColumnLeft, kLabelHeight))
        return false;
    if (link) SetFont(DefaultFont());
    return true;
}

RECT TfrmInfoBox::Label::TextRect() const {
    RECT client;
    GetClientRect(Handle(), &client);
    SIZE extent = TextExtent(Font(), Text());
    int left = (client.right - extent.cx) / 2;
    return RECT{left, 0, left + extent.cx, extent.cy < client.bottom ? extent.cy : client.bottom};
}

bool TfrmInfoBox::Label::Reflected(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg != WM_CTLCOLORSTATIC) return false;
    HDC dc = reinterpret_cast<HDC>(wp);
    SetTextColor(dc, textColor);
    SetBkColor(dc, Color());
    result = reinterpret_cast<LRESULT>(SolidBrush(Color()));
    return true;
}

LRESULT TfrmInfoBox::Label::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE:
        box_->MouseOver(this, POINT{short(LOWORD(lp)), short(HIWORD(lp))});
        return 0;
    case WM_SETCURSOR:
        if (hot) {
            SetCursor(HandCursor());
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        if (hot) box_->LinkClicked(this);
        return 0;
    default:
        break;
    }
    return Window::HandleMessage(msg, wp, lp);
}

bool TfrmInfoBox::Create(const std::string& versionFile, const AuthorContact& contact, HWND owner) {
    contact_ = contact;
    DWORD style = WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN;
    bool created = owner ? CreateForm("TfrmInfoBox", "", style, 0, kWidth, kHeight, owner)
                         : CreateForm("TfrmInfoBox", "", style, 0, kWidth, kHeight);
    if (!created) return false;
    ProductInfo info = ReadProductInfo(versionFile.empty() ? ModuleFile(ResourceModule()) : versionFile);
    imgKM = LoadBitmapA(ResourceModule(), MAKEINTRESOURCEA(kAboutPicture));

    int y = 12;
    lblTop.Create(this, y, "PGP for Pegasus Mail", false);
    lblTop.SetFont(BoldFont());
    lblVersion.Create(this, y += 24, "Version " + info.productVersion, false);
    lblCopyright.Create(this, y += 20, info.legalCopyright, false);
    lblName.Create(this, y += 20, info.productName, false);
    lblPGPKey.Create(this, y += 26, "PGP key " + contact_.keyId, true);
    lblHomepage.Create(this, y += 20, contact_.homepage, true);
    lblEmail.Create(this, y += 20, contact_.email, true);
    fbOk.Create(this, kColumnLeft + (kColumnRight - kColumnLeft - 30) / 2, y + 24, 30, 30);
    fbOk.SetGlyph(GlyphBitmap(Glyph::Ok));
    fbOk.modalResult = mrOk;
    fbOk.isDefault = true;
    fbOk.isCancel = true;
    return true;
}

TfrmInfoBox::~TfrmInfoBox() {
    if (Handle()) ShowWindow(Handle(), SW_HIDE);
    if (imgKM) DeleteObject(imgKM);
    imgKM = nullptr;
}

std::string TfrmInfoBox::MailSubject() const {
    std::string subject = "kvsec " + lblVersion.Text();
    std::string encoded;
    encoded.reserve(subject.size() + 16);
    for (char c : subject) {
        if (c == ' ')
            encoded += "%20";
        else
            encoded += c;
    }
    return encoded;
}

void TfrmInfoBox::BeforeShow() { CenterOverHost(Handle()); }

void TfrmInfoBox::MouseOver(Label* over, POINT inLabel) {
    for (Label* link : {&lblPGPKey, &lblHomepage, &lblEmail}) {
        RECT text = link->TextRect();
        bool hot = link == over && PtInRect(&text, inLabel);
        if (hot == link->hot) continue;
        link->hot = hot;
        link->SetFont(hot ? UnderlinedFont() : DefaultFont());
        InvalidateRect(link->Handle(), nullptr, TRUE);
    }
    bool anyHot = lblPGPKey.hot || lblHomepage.hot || lblEmail.hot;
    SetCursor(anyHot ? HandCursor() : LoadCursor(nullptr, IDC_ARROW));
}

void TfrmInfoBox::LinkClicked(Label* link) {
    link->textColor = kLinkClickedColor;
    InvalidateRect(link->Handle(), nullptr, TRUE);
    UpdateWindow(link->Handle());
    Session& session = CurrentSession();
    if (link == &lblPGPKey) {
        HWND previousOwner = session.Owner();
        session.SetOwner(Handle());
        session.FetchKeyFromServer(contact_.keyId);
        session.SetOwner(previousOwner);
        link->textColor = kLinkColor;
        InvalidateRect(link->Handle(), nullptr, TRUE);
        return;
    }
    if (link == &lblHomepage) {
        ShellExecuteA(Handle(), "open", contact_.homepage.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } else if (session.InsideHost() && session.HostForm()) {
        SendMailFromHost();
    } else {
        std::string mailto = "mailto:" + contact_.email + "?subject=" + MailSubject();
        ShellExecuteA(Handle(), "open", mailto.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    SetModalResult(mrOk);
}

void TfrmInfoBox::SendMailFromHost() {
    Session& session = CurrentSession();
    // The host answers with the new editor, and the fields are that editor's.
    HWND editor = reinterpret_cast<HWND>(
        SendMessageA(session.HostForm(), host::kHostNewEditor, host::kNewEditorAny, 0));
    if (!editor || !IsWindow(editor)) return;
    std::string subject = "kvsec " + lblVersion.Text();
    std::string body = session.PGPVersionText() + "\r\n" + session.WindowsVersionText() + "\r\n\r\n";
    SendMessageA(editor, host::kEditorSetField, host::kFieldTo, reinterpret_cast<LPARAM>(contact_.email.c_str()));
    SendMessageA(editor, host::kEditorSetField, host::kFieldSubject, reinterpret_cast<LPARAM>(subject.c_str()));
    SendMessageA(editor, host::kEditorSetField, host::kFieldBody, reinterpret_cast<LPARAM>(body.c_str()));
    PostMessageA(editor, host::kEditorSetField, host::kFieldReady, 0);
}

LRESULT TfrmInfoBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE:
        MouseOver(nullptr, POINT{-1, -1});
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        BITMAP bm{};
        if (imgKM && GetObjectA(imgKM, sizeof bm, &bm)) {
            HDC mem = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(mem, imgKM);
            BitBlt(dc, kPictureLeft, (ClientHeight() - bm.bmHeight) / 2, bm.bmWidth, bm.bmHeight, mem, 0,
                   0, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
        }
        EndPaint(Handle(), &ps);
        return 0;
    }
    default:
        break;
    }
    return Form::HandleMessage(msg, wp, lp);
}

void ShowInfoBox() {
    TfrmInfoBox box;
    if (box.Create()) box.Execute();
}

}  // namespace orv::ui
