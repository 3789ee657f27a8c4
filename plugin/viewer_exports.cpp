// The viewer and the attachment list behind the main library's exports
// ShowViewer and SaveMimeAttachments: the windows of ui/ work on small
// interfaces, implemented here over the session, its configuration store and
// its MIME toolkit, and over the host messages of the mail client.
#include "plugin/viewer_exports.h"
#include "base/whole_file.h"

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/decode_job.h"
#include "formats/mcfuncs.h"
#include "interfaces/host_messages.h"
#include "interfaces/mail_client.h"
#include "interfaces/merrowin_declared.h"
#include "plugin/msgbox.h"
#include "plugin/session.h"
#include "strings/text_client.h"
#include "ui/file_dialog_ex.h"
#include "ui/sel_box.h"
#include "ui/viewer.h"

namespace orv {

namespace {

using orv::FileExists;

// The session of the library; every operation below runs only with one.
TPluginParams& S() {
    TPluginParams* s = Session();
    if (!s) throw std::runtime_error("no session");
    return *s;
}

HWND MdiClientOf(const TPluginParams& s) {
    HWND mdi = reinterpret_cast<HWND>(static_cast<UINT_PTR>(s.ClientMdi));
    if (mdi && IsWindow(mdi)) return mdi;
    return s.ClientMain ? FindWindowExA(s.ClientMain, nullptr, host::kMdiClientClass, nullptr) : nullptr;
}

class TSessionViewerHost final : public ui::TViewerHost {
public:
    std::string Mode() const override { return S().FormParameter; }
    unsigned CommandMessage() const override { return host::kFormMsgCommand; }

    bool CopiedReaderText(std::string& text) override {
        HWND automation = S().AutomationWindow;
        if (!automation || !IsWindow(automation)) return false;
        const LRESULT copied = SendMessageA(automation, automation::AM_COPIEDTEXT, 0, 0);
        if (!copied) return false;
        // A text passed by pointer is copied at once.
        text = reinterpret_cast<const char*>(copied);
        return !text.empty();
    }

    void StatusLine(const std::string& text) override {
        HWND form = S().HostForm();
        if (form && IsWindow(form))
            SendMessageA(form, host::kHostStatusLine, host::kStatusProgress, reinterpret_cast<LPARAM>(text.c_str()));
    }

    void EnableFindMenu() override {
        HWND form = S().HostForm();
        if (!form || !IsWindow(form)) return;
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(form, host::kHostGetMenu, host::kMenuForm, 0));
        if (!menu || !IsMenu(menu)) return;
        EnableMenuItem(menu, host::kCmdFind, MF_BYCOMMAND | MF_ENABLED);
        EnableMenuItem(menu, host::kCmdFindNext, MF_BYCOMMAND | MF_ENABLED);
    }

    bool ChooseFolder(std::string& name) override {
        HWND form = S().HostForm();
        if (!form || !IsWindow(form)) return false;
        host::FolderChoice choice{};
        if (!SendMessageA(form, host::kHostChooseFolder, 0, reinterpret_cast<LPARAM>(&choice))) return false;
        choice.FolderName[sizeof choice.FolderName - 1] = 0;
        name = choice.FolderName;
        return true;
    }

    std::string MailboxDir() const override { return S().MailboxDir; }

    bool CloseFolderManager() override {
        HWND mdi = MdiClientOf(S());
        HWND manager = mdi ? FindWindowExA(mdi, nullptr, host::kFolderManagerClass, nullptr) : nullptr;
        if (!manager) return false;
        SendMessageA(mdi, WM_MDIDESTROY, reinterpret_cast<WPARAM>(manager), 0);
        return true;
    }

    void ReopenFolderManager() override {
        HWND main = S().ClientMain;
        if (main && IsWindow(main)) SendMessageA(main, WM_COMMAND, host::kCmdOpenFolderManager, 0);
    }

    void BecomeOwner(ui::Form* form) override {
        S().OwnerWindow = form->Handle();
    }

    void ViewerDestroyed(ui::Form* form) override {
        TPluginParams* s = Session();
        if (!s) return;
        if (s->OpenWindow(TWindowKind::Viewer) == form) s->SetOpenWindow(TWindowKind::Viewer, nullptr);
        if (s->OwnerWindow == form->Handle()) s->OwnerWindow = s->ClientMain;
        // The viewer's form ends with its viewer (the utilities' form stays).
        TSessionForm* open = s->OpenForm(merrowin::kFormViewer);
        if (!open) open = s->OpenForm(merrowin::kFormFolder);
        if (!open) return;
        if (open->InLauncher())
            s->CloseForm(open);
        else if (open->HostForm && IsWindow(open->HostForm))
            PostMessageA(open->HostForm, WM_CLOSE, 0, 0);
    }
};

class TSessionViewerJobs final : public ui::TViewerJobs {
public:
    void Error(const std::string& text) override {
        if (TMsgBox* box = S().MsgBox.get()) box->Error(text.c_str());
    }
    void Info(const std::string& text) override {
        if (TMsgBox* box = S().MsgBox.get()) box->Info(text.c_str());
    }
    bool Confirm(const std::string& text) override {
        TMsgBox* box = S().MsgBox.get();
        return box && box->Confirm(text.c_str());
    }

    bool ReloadConfig() override {
        TPluginParams& s = S();
        if (!s.PGPData) return false;
        s.PGPData->LoadSettings();
        return s.PGPData->CheckPGPConfig();
    }

    void StopCacheTimer() override {
        if (TPGPData* data = S().PGPData.get()) data->CacheTimer(0);
    }
    void RearmCacheTimer() override {
        if (TPGPData* data = S().PGPData.get()) data->CacheTimer(data->Settings.Store);
    }
    // Nothing of an earlier job (a kept environment, its passphrase) is
    // carried into the viewer's.
    void ResetJobs() override {
        TPGPData* data = S().PGPData.get();
        if (data && data->PGPDecode) data->PGPDecode->SetKeepOpen(false);
    }
    // Many messages in a row: the engine's environment stays open between them.
    void SetBatch(bool on) override {
        TPGPData* data = S().PGPData.get();
        if (!data) return;
        if (on)
            data->BeginRun();
        else
            data->EndRun();
        if (data->PGPDecode) data->PGPDecode->SetKeepOpen(on);
    }

    std::string ConvertBlock(const std::string& before, const std::string& block) override {
        return TMCFuncs::ConvertEncQPCodes(before, block);
    }
    std::string DecodeText(const std::string& text) override {
        TPGPData* data = S().PGPData.get();
        return data ? data->DecodeText(text) : text;
    }
    std::string ExtractBody(std::string_view message) override {
        TMCFuncs& mc = *S().MCFuncs;
        struct Flag {
            TMCFuncs& mc;
            ~Flag() { mc.ViewDecrypt = false; }
        } flag{mc};
        mc.ViewDecrypt = true;
        return mc.ExtractBody(message);
    }
    std::string DecodeHeader(std::string_view text) override { return TMCFuncs::DecodeHeader(text); }

    bool ReadFile(const std::string& path, std::string& bytes) override {
        TPluginParams& s = S();
        if (!FileExists(path)) {
            Error(texts::Get(txt::NO_FILE));
            return false;
        }
        if (!s.PGPData || !s.PGPData->ReadMessageFile(path, bytes)) {
            Error(texts::Get(txt::READ_ERROR));
            return false;
        }
        return true;
    }
    bool ReadFile(const std::string& path, char separator, std::size_t blockSize,
                  std::deque<std::string>& blocks) override {
        TPluginParams& s = S();
        if (!FileExists(path)) {
            Error(texts::Get(txt::NO_FILE));
            return false;
        }
        if (!s.PGPData || !s.PGPData->ReadMessageFile(path, separator, blockSize, blocks)) {
            Error(texts::Get(txt::READ_ERROR));
            return false;
        }
        return true;
    }
    bool WriteFile(const std::string& path, std::string_view bytes) override {
        TPluginParams& s = S();
        if (s.PGPData && s.PGPData->WriteMessageFile(path, std::string(bytes))) return true;
        Error(texts::Get(txt::WRITE_ERROR));
        return false;
    }

    bool EncryptTextToFile(const std::string& text, const std::string& path) override {
        TPGPData* data = S().PGPData.get();
        if (!data) return false;
        bool written = false;
        const bool encrypted = data->EncryptTextToFile(text, path, written);
        if (encrypted && !written) Error(texts::Get(txt::WRITE_ERROR));
        return written;
    }

    ui::TSaveDialogEx& SaveDialog() override {
        TPluginParams& s = S();
        if (!s.SaveFileDlg) s.SaveFileDlg = std::make_unique<ui::TSaveDialogEx>(ui::SessionSaveDialog());
        return *s.SaveFileDlg;
    }

    void OpenFile(const std::string& path) override {
        ShellExecuteA(S().OwnerWindow, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
};

TSessionViewerHost g_viewerHost;
TSessionViewerJobs g_viewerJobs;

// The attachment list's actions on the parts the toolkit listed.
class TListedParts final : public ui::TAttachmentActions {
public:
    explicit TListedParts(TPluginParams& s) : s_(s) {}
    void View(int entry) override {
        TMCFuncs& mc = *s_.MCFuncs;
        if (entry >= 0 && std::size_t(entry) < mc.slMimeParts.size()) mc.ViewData(mc.slMimeParts[std::size_t(entry)]);
    }
    bool Save(int entry, const std::string& path) override {
        TMCFuncs& mc = *s_.MCFuncs;
        return entry >= 0 && std::size_t(entry) < mc.slMimeParts.size() &&
               mc.SaveData(mc.slMimeParts[std::size_t(entry)], path);
    }
    std::string MailboxDir() const override { return s_.MailboxDir; }
    unsigned CommandMessage() const override { return host::kFormMsgCommand; }
    void Warn(const std::string& text) override {
        if (s_.MsgBox) s_.MsgBox->Warn(text.c_str());
    }
    void BoxOpened(ui::Form* box) override { s_.SetOpenWindow(TWindowKind::SelBox, box); }

private:
    TPluginParams& s_;
};

// The decoding job with verify mode off, for the part listing: the decrypted
// entity, or nothing.
std::optional<std::string> DecodeEntity(TPluginParams& s, const std::string& text) {
    TPGPData* data = s.PGPData.get();
    if (!data || !data->PGPDecode || !data->CheckPGPConfig()) return std::nullopt;
    TPGPDecode& job = data->DecodeJob();
    job.ToFile = false;
    job.OutputFile.clear();
    job.LookupOnServer = false;
    job.PassThroughClearSigned = false;
    job.PassThroughUnrecognized = false;
    job.PassThroughKeys = true;
    job.ImportFoundKeys = false;
    job.ReportAlways = false;
    job.SetRecursive(false);
    const PGPError err = job.DecodeBuffer(text);
    data->LastResult = err;
    data->CacheTimer(data->Settings.Store);
    if (err != 0) {
        data->ShowPGPError(err);
        return std::nullopt;
    }
    return job.OutputText;
}

}  // namespace

void WireViewerServices(TMimeServices& services) {
    services.ViewDecode = [](const std::string& text) { return g_viewerJobs.DecodeText(text); };
    services.Decode = [](const std::string& text) { return DecodeEntity(S(), text); };
    services.ShowText = [](const std::string& text) { ui::ShowTextModal(text, g_viewerHost, g_viewerJobs); };
}

}  // namespace orv

using namespace orv;

extern "C" {

void* __stdcall ShowViewer() {
    TPluginParams* s = Session();
    if (!s || !s->MsgBox || !s->PGPData || !s->MCFuncs) return nullptr;
    try {
        if (ui::Form* open = s->OpenWindow(TWindowKind::Viewer)) {
            PostMessageA(open->Handle(), host::kFormMsgCommand, 0, host::kCommandForce);
            return open;
        }
        auto* viewer = new ui::TfrmViewer(g_viewerHost, g_viewerJobs);
        if (!viewer->Create()) {
            delete viewer;
            return nullptr;
        }
        // The viewer frees itself when it closes.
        s->SetOpenWindow(TWindowKind::Viewer, viewer);
        return viewer;
    } catch (...) {
        return nullptr;
    }
}

int __stdcall SaveMimeAttachments(const char* text) {
    TPluginParams* s = Session();
    if (!s || !s->MCFuncs || !s->MsgBox || !text) return 0;
    try {
        TMCFuncs& mc = *s->MCFuncs;
        // The parts may hold decrypted data: they are wiped however the list ends.
        struct Parts {
            TMCFuncs& mc;
            ~Parts() { mc.ClearMimeParts(); }
        } parts{mc};
        mc.ClearMimeParts();
        mc.NestingLevel = 0;
        if (!mc.SaveMimeAttachments(text)) return 0;
        std::vector<ui::TSelEntry> entries;
        entries.reserve(mc.slMimeParts.size());
        for (const TMimePart& part : mc.slMimeParts) entries.push_back({part.Caption(), "", part.Flags});
        TListedParts actions(*s);
        ui::ShowAttachmentList(entries, actions);
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
