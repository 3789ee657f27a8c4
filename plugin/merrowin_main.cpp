#include <windows.h>

#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/pgp_prefs.h"
#include "formats/mcfuncs.h"
#include "plugin/session.h"
#include "plugin/viewer_exports.h"

// The library start binds the engine (with the key-ring holder and the
// preference reader made by the loader), then builds the session, which
// takes the rings the PGP preferences name until the configuration names
// others. The end frees the session before the engine: its passphrase cache
// is wiped through the engine. At process exit the engine's libraries may
// already be gone, so nothing of it is called then.
BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        orv::loader::EngineObjectHooks hooks;
        hooks.createKeyRings = orv::CreateKeyRings;
        hooks.createPrefsFile = orv::CreatePgpPrefs;
        hooks.freePrefsFile = orv::FreePgpPrefs;
        hooks.freeKeyRings = orv::FreeKeyRings;
        orv::loader::SetEngineObjectHooks(hooks);
        if (!orv::loader::Load(orv::loader::Scope::Full)) return FALSE;
        try {
            if (orv::KeyRings() && orv::PgpPrefs()) orv::KeyRings()->ReadRingFiles(*orv::PgpPrefs());
            orv::StartSession(module);
            if (orv::Session() && orv::Session()->MCFuncs) orv::WireViewerServices(orv::Session()->MCFuncs->Services);
        } catch (...) {
            orv::EndSession();
        }
        return TRUE;
    }
    if (reason == DLL_PROCESS_DETACH && !reserved) {
        try {
            orv::EndSession();
        } catch (...) {
        }
        orv::loader::Unload();
    }
    return TRUE;
}
