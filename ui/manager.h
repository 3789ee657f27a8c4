#pragma once
// TfrmManager: the small key-management window, a picture beside a column of
// six flat buttons. The key operations, the about box, the configuration and
// the help belong to the session; the manager reaches them through
// ManagerServices.

#include "interfaces/host_messages.h"
#include "ui/file_dialog_ex.h"
#include "ui/flat_btn.h"
#include "ui/window.h"

#include <map>

namespace orv::ui {

class ManagerServices {
public:
    virtual ~ManagerServices() = default;
    // The file names are those of the file dialogs: ":CLIP:" is the clipboard.
    virtual void ImportKeys(const std::string& fileName) = 0;
    virtual void DeleteKeys() = 0;
    virtual void StartKeyManager() = 0;
    virtual void ExportKeys(const std::string& fileName) = 0;
    virtual void ShowFingerprint() = 0;
    virtual void ShowAbout() = 0;
    virtual void ShowConfig() = 0;
    virtual void ShowHelp() = 0;
    // The session's shared file dialogs.
    virtual TFileDialogEx& OpenDialog() = 0;
    virtual TFileDialogEx& SaveDialog() = 0;
    // The window is gone: the extension ends.
    virtual void Destroyed() = 0;
};


// The manager's glyphs among the library's bitmaps.
enum ManagerGlyph : int { kGlyphAdd = 111, kGlyphDel, kGlyphManage, kGlyphExtract, kGlyphFP, kGlyphExit };

class TfrmManager : public Form {
public:
    // A panel that reports mouse moves (and, for the picture, clicks) and
    // may draw a lowered inner bevel or a stretched bitmap.
    class TMousePanel : public Window {
    public:
        bool Create(Window* parent, Align alignment, int width, int height, int border);
        bool lowered = false;
        HBITMAP picture = nullptr;  // not owned
        std::function<void()> onMouseMove;
        std::function<void(bool right)> onMouseDown;

    protected:
        LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
        void EraseBackground(HDC dc) override;
    };

    explicit TfrmManager(ManagerServices& services);
    ~TfrmManager() override;

    // insideHost: centred over the host's main window and shown on its start
    // command; stand-alone it is shown modally by the caller.
    bool Create(HWND owner, bool insideHost);
    // Makes the form and the picture follow the Standard Colors setting.
    void ApplyColors();
    bool MayClose() const { return !InOperation(); }

    TMousePanel pnButtons;
    TFlatBtn fbAdd, fbDel, fbManage, fbExtract, fbFP, fbExit;
    TMousePanel pnView;
    TMousePanel pnImg;
    TMousePanel imgKM;

    // The commands, as the buttons and the picture run them.
    void fbAddClick();
    void fbDelClick();
    void fbManageClick();
    void fbExtractClick();
    void fbFPClick();
    void fbExitClick();
    void ImgClick(bool right);

protected:
    bool PreviewKey(MSG& msg) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    HWND InitialFocus() override;

private:
    // Runs a command as an operation of the manager: no close meanwhile.
    void RunCommand(const std::function<void()>& command);
    void ShowPictureHint();
    void HidePictureHint();
    // Clicks each enabled button whose accelerator is the letter; true when one was.
    bool ClickAccelerator(char letter);
    bool HasAccelerator(char letter) const;
    void KeyCommand(WPARAM action, LPARAM letter);
    void HostCommand(WPARAM wp, LPARAM lp);

    ManagerServices& services_;
    bool insideHost_ = false;
    std::map<TFlatBtn*, char> accelerators_;
};

}  // namespace orv::ui
