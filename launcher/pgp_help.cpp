#include "launcher/pgp_help.h"

#include <windows.h>
#include <shellapi.h>

#include "engine/loader.h"

namespace orv::launcher {

void ShowPGPHelp(const std::string& topic) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    std::string dir = system;
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    // The newer engine generation comes with HTML help, the older with WinHelp.
    if (loader::IsSDK7()) {
        const std::string argument = "ms-its:" + dir + "pgp.chm::" + topic;
        ShellExecuteA(nullptr, "open", "HH.exe", argument.c_str(), nullptr, SW_SHOWNORMAL);
    } else {
        WinHelpA(nullptr, (dir + "PGP.hlp").c_str(), HELP_PARTIALKEY, reinterpret_cast<ULONG_PTR>(topic.c_str()));
    }
}

}  // namespace orv::launcher
