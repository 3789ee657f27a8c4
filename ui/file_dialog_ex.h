#pragma once
// TOpenDialogEx and TSaveDialogEx: the system open and save dialogs with an
// optional extra button that stands for the clipboard.

#include <windows.h>

#include <string>
#include <vector>

namespace orv::ui {

// The file name a run returns when the clipboard button was used.
constexpr const char* kClipboardFileName = ":CLIP:";
// Control number of the extra button in dialog templates 3 and 4.
constexpr int kClipboardButtonId = 4;

// The filter list of the session's shared dialogs.
std::vector<std::string> SessionFileFilter();

class TFileDialogEx {
public:
    virtual ~TFileDialogEx() = default;

    std::vector<std::string> filter;  // "description|pattern" per line
    int filterIndex = 1;
    HWND parent = nullptr;            // the session's owner when none
    std::string initialDir;
    std::string title;
    std::string fileName;
    // Several files may be chosen (open dialog only); fileNames then holds
    // each chosen file's full path in the dialog's order, fileName the first.
    bool allowMultiple = false;
    std::vector<std::string> fileNames;

    // The letter after "&", in upper case, is the button's accelerator; an
    // empty caption removes the button.
    void SetClipboardCaption(const std::string& caption) { clipboardCaption_ = caption; }
    const std::string& ClipboardCaption() const { return clipboardCaption_; }

    // True with the chosen file name (":CLIP:" for the clipboard), false when cancelled.
    bool Execute();
    bool ClipboardChosen() const { return clipboardChosen_; }

    static std::string JoinFilter(const std::vector<std::string>& lines);
    // The box of the dialog running on this thread, or null: the session
    // relays the host's commands to it while it is in front.
    static HWND RunningBox();

protected:
    explicit TFileDialogEx(bool save) : save_(save) {}

private:
    static UINT_PTR CALLBACK HookProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK AcceleratorFilter(int code, WPARAM wp, LPARAM lp) noexcept;
    static char AccelOf(const std::string& caption);
    void TypeChanged(HWND dlg, int index);
    bool save_;
    std::string clipboardCaption_;
    bool clipboardChosen_ = false;
};

class TOpenDialogEx : public TFileDialogEx {
public:
    TOpenDialogEx() : TFileDialogEx(false) {}
};

class TSaveDialogEx : public TFileDialogEx {
public:
    TSaveDialogEx() : TFileDialogEx(true) {}
};

// The session's shared dialogs: its filter list, titled OPEN_FILE and SAVE_FILE.
TOpenDialogEx SessionOpenDialog();
TSaveDialogEx SessionSaveDialog();

}  // namespace orv::ui
