#include <windows.h>

#include <string>
#include <vector>

#include "base/whole_file.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/pgp_prefs.h"
#include "formats/mcfuncs.h"
#include "plugin/pgp_data.h"
#include "plugin/session.h"
#include "plugin/viewer_exports.h"

// The library start binds the engine (with the key-ring holder and the
// preference reader made by the loader), then builds the session, which
// takes the rings the PGP preferences name until the configuration names
// others. The end frees the session before the engine: its passphrase cache
// is wiped through the engine. At process exit the engine's libraries may
// already be gone, so nothing of it is called then.
namespace {

// Replaced files lose their old content through the session's wiper (the
// configured passes); side files that a killed run of any deliverable left
// beside the user's files are wiped now, at the start: besides the noted
// ones, those found by name in %TEMP%, in every folder side files were made
// in, and in the mailbox directory (the configuration, the AutoList, the
// forms files).
void StartFileWiper() noexcept {
    try {
        orv::SetFileWiper([](const std::string& path) {
            orv::TPluginParams* s = orv::Session();
            if (s && s->PGPData) s->PGPData->WipeFile(path);
        });
        std::vector<std::string> folders;
        if (const orv::TPluginParams* s = orv::Session()) folders.push_back(s->MailboxDir);
        orv::WipeStaleSideFiles(folders);
    } catch (...) {
    }
}

}  // namespace

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
        StartFileWiper();
        return TRUE;
    }
    if (reason == DLL_PROCESS_DETACH && !reserved) {
        orv::SetFileWiper(nullptr);
        try {
            orv::EndSession();
        } catch (...) {
        }
        orv::loader::Unload();
    }
    return TRUE;
}
