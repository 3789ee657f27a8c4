#pragma once
// TfrmInfoBox: the about box. Name, version and copyright come from the
// version resource of the main library; three labels are links.

#include "ui/flat_btn.h"
#include "ui/window.h"

namespace orv::ui {

// The values of a version resource the about box shows.
struct ProductInfo {
    std::string productName;
    std::string productVersion;  // "/" written as " / "
    std::string legalCopyright;
};
// Reads "\StringFileInfo\040904B0\" of the file; empty values when missing.
ProductInfo ReadProductInfo(const std::string& path);

// The author's contact, shown as links.
struct AuthorContact {
    std::string keyId = "0x7A3E51C0D98B2F64";
    std::string homepage = "http://tamberlow.example/orvane/";
    std::string email = "orvane@tamberlow.example";
};

class TfrmInfoBox : public Form {
public:
    // A label of the box; links react to the mouse over their text only.
    class Label : public Window {
    public:
        bool Create(TfrmInfoBox* box, int y, const std::string& text, bool link);
        bool isLink = false;
        bool hot = false;
        COLORREF textColor = 0;
        RECT TextRect() const;  // in the label's client coordinates

    protected:
        LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
        bool Reflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    private:
        TfrmInfoBox* box_ = nullptr;
    };

    ~TfrmInfoBox() override;

    // versionFile: the main library's file; empty for the module of this code.
    bool Create(const std::string& versionFile = "", const AuthorContact& contact = {},
                HWND owner = nullptr);
    int Execute() { return ShowModal(); }

    HBITMAP imgKM = nullptr;
    Label lblTop, lblVersion, lblCopyright, lblName, lblPGPKey, lblHomepage, lblEmail;
    TFlatBtn fbOk;

    // The mail subject of the e-mail link: blanks written as "%20".
    std::string MailSubject() const;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void BeforeShow() override;

private:
    friend class Label;
    void MouseOver(Label* over, POINT inLabel);
    void LinkClicked(Label* link);
    void SendMailFromHost();
    AuthorContact contact_;
};

constexpr COLORREF kLinkColor = RGB(0, 0, 255);
constexpr COLORREF kLinkClickedColor = RGB(255, 0, 0);

// Opens the about box modally over the session's owner.
void ShowInfoBox();

}  // namespace orv::ui
