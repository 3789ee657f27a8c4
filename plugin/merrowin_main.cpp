#include <windows.h>

#include "engine/loader.h"

// The engine is bound when the library is loaded and freed when it is
// unloaded; at process exit the engine's libraries may already be gone.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) return orv::loader::Load(orv::loader::Scope::Full) ? TRUE : FALSE;
    if (reason == DLL_PROCESS_DETACH && !reserved) orv::loader::Unload();
    return TRUE;
}
