// Start and end of the string library: like every deliverable it binds the
// PGP SDK core when loaded, although its own entry points never use it.
#include <windows.h>

#include "engine/loader.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        // FALSE makes the load fail with ERROR_DLL_INIT_FAILED (1114).
        return orv::loader::Load(orv::loader::Scope::Core) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        orv::loader::Unload();
        return TRUE;
    default:
        return TRUE;
    }
}
