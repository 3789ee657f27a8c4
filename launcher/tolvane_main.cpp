// Tolvane: the launcher. Its first argument chooses one job: restart the mail
// client, show PGP help, set up, update or remove the per-user files, or
// start the main library's file window.
#include <windows.h>

#include <string>
#include <vector>

#include "base/installation.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "engine/loader.h"
#include "interfaces/file_window.h"
#include "interfaces/merrowin_exports.h"
#include "launcher/command_line.h"
#include "launcher/launcher_paths.h"
#include "launcher/launcher_report.h"
#include "launcher/pgp_help.h"
#include "launcher/restart.h"
#include "launcher/user_files.h"
#include "strings/text_table.h"

using namespace orv::launcher;
namespace merrowin = orv::merrowin;

namespace {

constexpr const char* kMutexName = "Orvane";

int Code(LauncherExit code) { return static_cast<int>(code); }

BOOL CALLBACK FindServerWindow(HWND wnd, LPARAM lp) {
    char cls[64] = {}, title[512] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    GetWindowTextA(wnd, title, sizeof title);
    if (lstrcmpA(cls, orv::ui::kServerWindowClass) != 0 ||
        std::string(title).find(orv::ui::kServerCaption) == std::string::npos)
        return TRUE;
    *reinterpret_cast<HWND*>(lp) = wnd;
    return FALSE;
}

// The running file window of a first start, brought back to the user; false
// when the lock is held by something else (a set-up at work).
bool RestoreServerWindow() {
    HWND found = nullptr;
    EnumWindows(FindServerWindow, reinterpret_cast<LPARAM>(&found));
    if (!found) return false;
    ShowWindow(found, IsIconic(found) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(found);
    return true;
}

bool EnginePresent() {
    orv::UniqueModule sdk(LoadLibraryA("PGPSDK"));
    if (!sdk) sdk.reset(LoadLibraryA("PGP_SDK"));
    return static_cast<bool>(sdk);
}

bool IsSetupCommand(Command command) {
    return command == Command::UserConfig || command == Command::UserUpdate || command == Command::UserUninst ||
           command == Command::Cleanup;
}

// "UserConfig /S" and the other set-up commands with the silent switch.
bool SilentRun(Command command, const std::vector<Argument>& args) {
    return IsSetupCommand(command) && args.size() > 2 && orv::SameTextNoCase(args[2].text, orv::kSilentSwitch);
}

// The main library's set-up or file window; the set-up's report after it.
int RunForm(Command command, HMODULE mainLibrary, const std::string& mainPath, UserFiles& users,
            const orv::texts::TextTable& texts, const LauncherReport& report) {
    const bool setUp = command == Command::UserConfig || command == Command::UserUpdate;
    if (setUp && !users.SetUpCopy())
        return report.Fail(LauncherExit::SetupIncomplete, failure::kFormsNotCopied + users.Mailbox(),
                           texts[orv::txt::ERROR_TITLE]);
    auto formInit = reinterpret_cast<merrowin::FORMINITFn>(
        reinterpret_cast<void*>(GetProcAddress(mainLibrary, merrowin::Export<merrowin::kFORMINIT>::name)));
    if (!formInit)
        return report.Fail(LauncherExit::NoMainLibrary, failure::kNoMainLibrary + mainPath + " (FORMINIT)",
                           texts[orv::txt::ERROR_TITLE]);
    HWND formWindow = nullptr;
    char* callback = nullptr;
    const WORD result = formInit(orv::host::kFormInterfaceVersion, orv::host::kFormModeLauncher, nullptr,
                                 setUp ? merrowin::kFormConfig : merrowin::kFormServer, &formWindow, &callback);
    if (!setUp) return Code(LauncherExit::Done);
    if (result != 1)
        return report.Fail(LauncherExit::SetupRefused, failure::kSetupRefused + std::to_string(result),
                           texts[orv::txt::ERROR_TITLE]);
    users.Register();
    int code = users.VerifyAndReport(true);
    if (code == Code(LauncherExit::Done) && command == Command::UserUpdate) code = users.UpdateAllUsers();
    if (code == Code(LauncherExit::Done)) report.Note("done");
    return code;
}

// Everything after the single-instance check, with the lock held.
int RunJob(Command command, const LauncherPaths& paths, const std::string& line, const LauncherReport& report) {
    if (paths.installDir.empty()) return report.Fail(LauncherExit::NotInstalled, failure::NotInstalled());
    const std::string stringsPath = orv::StringLibraryPath(paths.installDir);
    orv::texts::TextTable texts(orv::txt::ERROR_TITLE, orv::txt::NO_PGP);
    if (!texts.Load(stringsPath))
        return report.Fail(LauncherExit::NoStringLibrary, failure::kNoStringLibrary + stringsPath);
    if (!EnginePresent()) return report.Fail(LauncherExit::NoEngine, texts[orv::txt::NO_PGP], texts[orv::txt::ERROR_TITLE]);
    if (command == Command::Help) {
        ShowPGPHelp(HelpTopic(line));
        return Code(LauncherExit::Done);
    }
    const std::string mainPath = paths.installDir + orv::kMainLibraryFileName;
    orv::UniqueModule mainLibrary(LoadLibraryA(mainPath.c_str()));
    if (!mainLibrary)
        return report.Fail(LauncherExit::NoMainLibrary, failure::kNoMainLibrary + mainPath, texts[orv::txt::ERROR_TITLE]);

    UserFiles users(paths, texts, report);
    if (command != Command::Server && command != Command::Cleanup &&
        (paths.clientUser.empty() || paths.mailboxDir.empty()))
        return report.Fail(LauncherExit::NoMailUser, failure::NoMailUser(), texts[orv::txt::ERROR_TITLE]);
    switch (command) {
    case Command::UserUninst: return users.UninstallCurrent();
    case Command::Cleanup: return users.RemoveAllUsers();
    default: return RunForm(command, mainLibrary.get(), mainPath, users, texts, report);
    }
}

int Run() {
    const std::string line = GetCommandLineA();
    const std::vector<Argument> args = SplitCommandLine(line);
    const Command command = CommandOf(args);
    const bool silent = SilentRun(command, args);
    const LauncherPaths paths = ReadLauncherPaths();
    const LauncherReport report(args.size() > 1 ? args[1].text : std::string("SERVER"), silent,
                                paths.installDir.empty() ? std::string() : paths.installDir + orv::kLauncherLogName);
    orv::loader::SetQuiet(silent);
    if (!orv::loader::Load(orv::loader::Scope::Core)) {
        report.Note(orv::loader::FatalText(orv::loader::FatalCode()));
        return static_cast<int>(orv::loader::kFatalExitCode);
    }
    if (command == Command::Restart) {
        // Any other count of arguments is no restart request: nothing to do.
        if (!RestartArgumentsValid(args)) return Code(LauncherExit::Done);
        // The client's handle is inherited for the restart, and with it the
        // client's standard handles: a pipe of whoever started the client
        // would stay open for as long as the launcher waits.
        for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
            HANDLE h = GetStdHandle(which);
            if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
            SetStdHandle(which, nullptr);
        }
        const std::string why = RestartClient(args, paths.clientCommand);
        if (why.empty()) return Code(LauncherExit::Done);
        report.Note(failure::kRestartFailed + why);
        return Code(LauncherExit::RestartFailed);
    }
    orv::UniqueHandle mutex(CreateMutexA(nullptr, TRUE, kMutexName));
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        if (command == Command::Server && RestoreServerWindow()) return Code(LauncherExit::Done);
        return report.Fail(LauncherExit::Busy, failure::kBusy);
    }
    return RunJob(command, paths, line, report);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int code = static_cast<int>(orv::loader::kFatalExitCode);
    try {
        code = Run();
    } catch (...) {
    }
    orv::loader::Unload();
    return code;
}
