// The file encryption window's jobs, over the session's configuration store,
// dialogs and message boxes.
#include "plugin/server_export.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "interfaces/merrowin_declared.h"
#include "plugin/msgbox.h"
#include "plugin/session.h"
#include "ui/file_window.h"

namespace orv {

namespace {

using orv::FileExists;

// The process's arguments from the first on, split as the system's
// start-up code splits them: blanks separate, double quotes group.
std::vector<std::string> CommandLineFiles() {
    std::vector<std::string> args;
    const char* p = GetCommandLineA();
    if (!p) return args;
    bool first = true;
    while (*p) {
        while (*p == ' ' || *p == '\t') ++p;
        if (!*p) break;
        std::string arg;
        bool quoted = false;
        for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
            if (*p == '"')
                quoted = !quoted;
            else
                arg += *p;
        }
        if (!first && !arg.empty()) args.push_back(arg);
        first = false;
    }
    return args;
}

class TSessionServerJobs : public ui::TServerJobs {
public:
    explicit TSessionServerJobs(TPluginParams& session) : s_(session) {}

    void BeginRun() override {
        if (s_.PGPData) s_.PGPData->CacheTimer(0);
    }
    void EndRun() override {
        if (s_.PGPData) s_.PGPData->CacheTimer(s_.PGPData->Settings.Store);
    }
    long AnalyzeFile(const std::string& path, bool& encrypted) override {
        encrypted = false;
        if (!s_.PGPData) return -1;
        s_.PGPData->LoadSettings();
        return s_.PGPData->AnalyzeFile(path, encrypted);
    }
    long FileJob(const std::string& source, const std::string& output, bool encrypt) override {
        if (!s_.PGPData) return -1;
        return s_.PGPData->FileJob(source, output, encrypt);
    }
    bool WipeFile(const std::string& path) override {
        if (s_.PGPData) s_.PGPData->WipeFile(path);
        return !FileExists(path);
    }
    bool PlaceFile(const std::string& from, const std::string& to) override {
        try {
            // On one drive, with no file of that name yet, the plain file
            // only changes its name.
            if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
            // Otherwise its bytes go through the one replacement routine,
            // read through a view of the file instead of a copy in memory.
            UniqueHandle file(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
            LARGE_INTEGER size{};
            if (!file || !GetFileSizeEx(file.get(), &size) || size.HighPart != 0) return false;
            if (size.QuadPart == 0) return ReplaceWholeFile(to, {});
            UniqueHandle mapping(CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
            if (!mapping) return false;
            UniqueMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
            if (!view) return false;
            return ReplaceWholeFile(to, std::string_view(static_cast<const char*>(view.get()),
                                                         static_cast<std::size_t>(size.QuadPart)));
        } catch (...) {
            return false;
        }
    }
    ui::TOpenDialogEx& OpenDialog() override { return *s_.OpenFileDlg; }
    ui::TSaveDialogEx& SaveDialog() override { return *s_.SaveFileDlg; }
    void Error(const std::string& text) override {
        if (s_.MsgBox) s_.MsgBox->Error(text.c_str());
    }
    void Warn(const std::string& text) override {
        if (s_.MsgBox) s_.MsgBox->Warn(text.c_str());
    }
    void Info(const std::string& text) override {
        if (s_.MsgBox) s_.MsgBox->Info(text.c_str());
    }
    int Ask(const std::string& text) override { return s_.MsgBox ? s_.MsgBox->Question(text.c_str()) : ui::mrNone; }
    void ShowConfig() override {
        ::ShowConfig();
        if (s_.PGPData) s_.PGPData->LoadSettings();
    }

private:
    TPluginParams& s_;
};

}  // namespace

void RunServerForm(TPluginParams& session) {
    if (!session.OpenFileDlg || !session.SaveFileDlg) return;
    TSessionServerJobs jobs(session);
    {
        ui::TfrmServer form(jobs);
        if (form.Create(CommandLineFiles())) {
            session.SetOpenWindow(TWindowKind::Server, &form);
            form.ShowModal();
        }
        session.SetOpenWindow(TWindowKind::Server, nullptr);
    }
    // The launcher's form ends with its window.
    if (TSessionForm* open = session.OpenForm(merrowin::kFormServer)) session.CloseForm(open);
}

}  // namespace orv
