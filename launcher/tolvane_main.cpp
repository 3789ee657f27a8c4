#include <windows.h>

#include "engine/loader.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!orv::loader::Load(orv::loader::Scope::Core)) {
        orv::loader::Unload();
        return static_cast<int>(orv::loader::kFatalExitCode);
    }
    orv::loader::Unload();
    return 0;
}
