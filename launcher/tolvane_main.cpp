// Tolvane: the launcher. Its first argument chooses one job: restart the mail
// client, show PGP help, set up, update or remove the per-user files, or
// start the main library's file window.
#include <windows.h>

#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "engine/loader.h"
#include "launcher/command_line.h"
#include "launcher/launcher_paths.h"
#include "launcher/launcher_texts.h"
#include "launcher/pgp_help.h"
#include "launcher/restart.h"
#include "launcher/user_files.h"
#include "ui/server_window_id.h"

using namespace orv::launcher;

namespace {

constexpr const char* kMutexName = "Orvane";
constexpr WORD kFormVersion = 256;
constexpr int kLauncherMode = -1;

using FormInitFn = WORD(WINAPI*)(WORD version, int mode, HWND host, const char* parameter, HWND* formWindow,
                                 char** callbackName);

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

// The running file window of a first start, brought back to the user.
void RestoreServerWindow() {
    HWND found = nullptr;
    EnumWindows(FindServerWindow, reinterpret_cast<LPARAM>(&found));
    if (!found) return;
    ShowWindow(found, IsIconic(found) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(found);
}

bool EnginePresent() {
    orv::UniqueModule sdk(LoadLibraryA("PGPSDK"));
    if (!sdk) sdk.reset(LoadLibraryA("PGP_SDK"));
    return static_cast<bool>(sdk);
}

// Everything after the single-instance check, with the mutex held.
void RunJob(Command command, const LauncherPaths& paths, const std::string& line) {
    orv::UniqueModule strings(LoadLibraryA((paths.installDir + "LUMVIKA.DLL").c_str()));
    if (!strings) return;
    LauncherTexts texts;
    texts.Bind(strings.get());
    if (!EnginePresent()) {
        MessageBeep(MB_ICONHAND);
        ShowBox(texts[NO_PGP], texts[ERROR_TITLE], MB_ICONERROR);
        return;
    }
    if (command == Command::Help) {
        ShowPGPHelp(HelpTopic(line));
        return;
    }
    orv::UniqueModule mainLibrary(LoadLibraryA((paths.installDir + "MERROWIN.DLL").c_str()));
    if (!mainLibrary) return;

    UserFiles users(paths, texts);
    const char* data = "SERVER";
    bool setUp = false;
    switch (command) {
    case Command::UserConfig:
    case Command::UserUpdate:
        setUp = users.SetUpCopy();
        data = "CONFIG";
        break;
    case Command::UserUninst:
        users.UninstallCurrent();
        return;
    case Command::Cleanup:
        users.RemoveAllUsers();
        return;
    default:
        break;
    }
    auto formInit = reinterpret_cast<FormInitFn>(
        reinterpret_cast<void*>(GetProcAddress(mainLibrary.get(), "FORMINIT")));
    if (!formInit) return;
    HWND formWindow = nullptr;
    char* callback = nullptr;
    if (formInit(kFormVersion, kLauncherMode, nullptr, data, &formWindow, &callback) != 1 || !setUp) return;
    users.Register();
    if (users.VerifyAndReport(true) && command == Command::UserUpdate) users.UpdateAllUsers();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!orv::loader::Load(orv::loader::Scope::Core)) {
        orv::loader::Unload();
        return static_cast<int>(orv::loader::kFatalExitCode);
    }
    const std::string line = GetCommandLineA();
    const std::vector<Argument> args = SplitCommandLine(line);
    const Command command = CommandOf(args);
    const LauncherPaths paths = ReadLauncherPaths();
    if (command == Command::Restart) {
        RestartClient(args, paths.clientCommand);
    } else {
        orv::UniqueHandle mutex(CreateMutexA(nullptr, TRUE, kMutexName));
        if (mutex && GetLastError() == ERROR_ALREADY_EXISTS)
            RestoreServerWindow();
        else
            RunJob(command, paths, line);
    }
    orv::loader::Unload();
    return 0;
}
