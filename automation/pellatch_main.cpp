// Pellatch.dll: the library's load and unload, and its one export FORMINIT.
#include <windows.h>

#include "automation/pl_data.h"
#include "engine/loader.h"
#include "interfaces/mail_client.h"

using namespace orv;

// The engine is bound when the library is loaded and freed when it is
// unloaded; at process exit the engine's libraries and the client's windows
// may already be gone, so nothing is torn down then.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        if (!loader::Load(loader::Scope::Core)) return FALSE;
        try {
            automation::CreatePLData(instance);
        } catch (...) {
            loader::Unload();
            return FALSE;
        }
        return TRUE;
    }
    if (reason == DLL_PROCESS_DETACH && !reserved) {
        try {
            automation::DestroyPLData();
        } catch (...) {
        }
        loader::Unload();
    }
    return TRUE;
}

extern "C" WORD __stdcall FORMINIT(WORD version, int /*mode*/, HWND hostWindow, const char* /*data*/,
                                   HWND* formWindow, char** callbackName) {
    automation::TPLData* data = automation::PLData();
    if (!data || (version >> 8) > host::kFormInterfaceMaxMajor) return host::kFormInitFailed;
    try {
        if (callbackName) *callbackName = nullptr;
        HWND wnd = data->Attach(hostWindow);
        if (formWindow) *formWindow = wnd;
        return wnd ? host::kFormInitOk : host::kFormInitFailed;
    } catch (...) {
        return host::kFormInitFailed;
    }
}
