// Plays the launcher's per-user setup: loads the main library and starts the
// form "CONFIG" in launcher mode, as Tolvane does for its commands
// "UserConfig" and "UserUpdate". Arguments: the setup command, the engine
// directory, the main library's path. The exit code is FORMINIT's result.
#include <windows.h>

#include "interfaces/mail_client.h"

int main(int argc, char** argv) {
    if (argc < 4) return 100;
    SetDllDirectoryA(argv[2]);
    HMODULE library = LoadLibraryA(argv[3]);
    if (!library) return 101;
    auto formInit = reinterpret_cast<orv::host::FormInitFn>(reinterpret_cast<void*>(GetProcAddress(library, "FORMINIT")));
    if (!formInit) return 102;
    HWND form = nullptr;
    const int result = formInit(orv::host::kFormInterfaceVersion, orv::host::kFormModeLauncher, nullptr, "CONFIG",
                                &form, nullptr);
    if (form && IsWindow(form)) DestroyWindow(form);
    FreeLibrary(library);
    return result;
}
