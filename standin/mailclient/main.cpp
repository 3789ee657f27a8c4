// PMailStandin: plays the mail client for Orvane's extensions, by hand or
// from a test's command line.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "standin/mailclient/host.h"
#include "standin/mailclient/host_interface.h"
#include "standin/mailclient/mail_files.h"
#include "standin/mailclient/options.h"

using namespace orv::mailclient;

namespace {

constexpr int kExitUsage = 1;
constexpr int kExitExtension = 2;
constexpr int kExitSetup = 3;

// A quit met here belongs to the main loop: it is put back, or a restart
// asked for while the client starts would leave the client running.
void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Writes a message in a new editor and clicks its Send control as the user
// does; the client and its forms do the rest. Waits until the editor is gone.
void SendFromNewEditor(Host& host, const Options& options, const std::function<void(const std::string&)>& log) {
    HWND editor = host.NewEditor();
    if (!editor) {
        log("error cannot open an editor");
        return;
    }
    std::string body;
    if (!options.bodyFile.empty() && !ReadFileText(options.bodyFile, &body)) log("error cannot read " + options.bodyFile);
    SendMessageA(editor, host::kEditorSetField, host::kFieldTo, reinterpret_cast<LPARAM>(options.sendTo.c_str()));
    SendMessageA(editor, host::kEditorSetField, host::kFieldSubject,
                 reinterpret_cast<LPARAM>(options.subject.c_str()));
    SendMessageA(editor, host::kEditorSetField, host::kFieldBody, reinterpret_cast<LPARAM>(body.c_str()));
    Pump();
    HWND send = nullptr;
    for (HWND w = GetWindow(editor, GW_CHILD); w && !send; w = GetWindow(w, GW_HWNDNEXT))
        for (HWND c = GetWindow(w, GW_CHILD); c && !send; c = GetWindow(c, GW_HWNDNEXT)) {
            char text[32] = {};
            GetWindowTextA(c, text, sizeof text);
            char cls[32] = {};
            GetClassNameA(c, cls, sizeof cls);
            if (!lstrcmpiA(cls, "Static") && !lstrcmpA(text, host::kSendLabel)) send = c;
        }
    if (!send) {
        log("error the editor has no send control");
        return;
    }
    log("click " + std::string(host::kSendLabel));
    PostMessageA(send, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageA(send, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    const DWORD start = GetTickCount();
    while (IsWindow(editor) && GetTickCount() - start < 60000) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
    }
    log(IsWindow(editor) ? "editor kept" : "editor closed");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    std::string error;
    if (!ParseOptions(args, &options, &error)) {
        std::fprintf(stderr, "%s\n%s", error.c_str(), kUsage);
        return kExitUsage;
    }
    if (options.help) {
        std::printf("%s", kUsage);
        return 0;
    }
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    CompleteOptions(&options, ProgramDirectory(), self);

    FILE* report = options.report.empty() ? nullptr : std::fopen(options.report.c_str(), "wb");
    auto log = [report](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        if (report) {
            std::fprintf(report, "%s\r\n", line.c_str());
            std::fflush(report);
        }
    };

    if (!ApplyUserSetup(options.user, &error)) {
        log("error " + error);
        if (report) std::fclose(report);
        return kExitSetup;
    }
    log("user " + options.user.userName + " mailbox " + options.user.mailboxDir);
    if (!options.sdkDir.empty()) {
        bool set = SetLibraryDirectory(options.sdkDir);
        log(std::string(set ? "sdk-dir " : "error cannot use sdk-dir ") + options.sdkDir);
    }

    int exitCode = 0;
    {
        Host host(options.user);
        host.onLog = log;
        host.charset = options.charset;
        host.folderChoice = options.folder;
        host.sendEncryptorFlags = options.encryptorFlags;
        host.hostWord = static_cast<uint32_t>(options.hostWord);
        host.language = options.language;
        host.askBeforeClosingEditors = options.askClose;
        host.readerLayout = options.readerLayout == "plain"    ? ReaderLayout::Plain
                            : options.readerLayout == "header" ? ReaderLayout::PlainWithHeader
                                                               : ReaderLayout::Mdi;
        bool interactive = options.stay || (options.jobs.empty() && options.sendTo.empty() && !options.quit);
        if (!host.Create(interactive && !options.hidden)) {
            log("error cannot create the client's windows");
            if (report) std::fclose(report);
            return kExitSetup;
        }
        host.quitOnClose = true;
        host.showReaders = interactive;

        // The client loads the extensions of its form files, then those named
        // on the command line, and starts the forms that start with it. Its
        // encryptor is the first module named, else (none named) the one a
        // form file marks, else a Merrowin.dll beside the program.
        host.LoadFormFiles();
        Extension* first = nullptr;
        for (const std::string& path : options.modules) {
            Extension* ext = host.LoadExtension(path);
            if (!ext) exitCode = kExitExtension;
            else if (!first) first = ext;
        }
        const bool named = !options.modules.empty();
        if (!first && !named) first = host.FormEncryptor();
        const std::string besideProgram = ProgramDirectory() + "Merrowin.dll";
        if (!first && !named && GetFileAttributesA(besideProgram.c_str()) != INVALID_FILE_ATTRIBUTES) {
            first = host.LoadExtension(besideProgram);
            if (!first) exitCode = kExitExtension;
        }
        host.StartForms();
        if (first && first->formInit) log("attach FORMINIT " + std::to_string(host.AttachEncryptor(*first)));
        for (const std::string& form : options.forms)
            if (!first || !host.OpenForm(*first, form)) exitCode = kExitExtension;
        if (options.newEditor) host.NewEditor();
        for (const std::string& path : options.menus) {
            Pump();
            log((host.ChooseMenuItem(path) ? "menu " : "error no menu item ") + path);
        }
        if (!options.openFolder.empty() && host.OpenFolderManager() && host.ShowFolder(options.openFolder) &&
            options.readIndex >= 0) {
            host.SelectFolderMessage(options.readIndex);
            host.OpenFolderMessage(host.User().mailboxDir + options.openFolder, options.readIndex);
        }
        Pump();

        for (const CryptJob& job : options.jobs) {
            if (!first) break;
            std::string output = options.output;
            if (output.empty() && job.op == CryptOp::Decrypt) output = job.file + ".out";
            CryptOutcome outcome = host.RunCrypt(*first, job.op, job.file, output, options.recipients);
            if (!outcome.called) exitCode = kExitExtension;
            Pump();
        }

        if (!options.sendTo.empty()) SendFromNewEditor(host, options, log);

        if (interactive) {
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                if (host.MdiClient() && TranslateMDISysAccel(host.MdiClient(), &msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else {
            host.quitOnClose = false;
            DestroyWindow(host.Frame());
            Pump();
        }
    }
    log("end " + std::to_string(exitCode));
    if (report) std::fclose(report);
    return exitCode;
}
