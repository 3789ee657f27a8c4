// Start and end of the string library: like every deliverable it binds the
// PGP SDK core when loaded, although its own entry points never use it. At
// process exit the engine's libraries may already be gone, so nothing of it
// is called then.
#include <windows.h>

#include "engine/loader.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        // FALSE makes the load fail with ERROR_DLL_INIT_FAILED (1114).
        return orv::loader::Load(orv::loader::Scope::Core) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        if (!reserved) orv::loader::Unload();
        return TRUE;
    default:
        return TRUE;
    }
}
