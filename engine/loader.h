#pragma once
// The PGP SDK loader: loads the engine's libraries when a deliverable is
// loaded and frees them when it is unloaded. The launcher, the automation
// plug-in and the string library run only the core (load, initialise, version
// check, version text); the main library runs all of it.

#include "engine/pgpsdk.h"

namespace orv::loader {

enum class Scope { Core, Full };

// Runs the loading steps; false when a fatal condition stopped them (the box
// has been shown, FatalCode() tells which). The deliverable's start must then
// fail with exit code 1114. Loads once: a second call only reports.
bool Load(Scope scope);
// Cleans up and frees, in reverse, only what Load initialised and loaded;
// afterwards Load may run again.
void Unload();
// 0, or 1-6: the fatal condition that stopped loading.
int FatalCode();
// A start that nobody watches (the launcher's restart, a silent set-up)
// records the fatal condition without the box, which would wait for ever.
void SetQuiet(bool quiet);

// The exit code with which a deliverable's start fails after a fatal condition.
constexpr unsigned long kFatalExitCode = 1114;  // ERROR_DLL_INIT_FAILED

constexpr const char* kFatalTitle = "PGP Components fatal error:";
// The text of fatal condition 1-6; "" for any other number.
const char* FatalText(int code);

// True when the release 7 interface is present.
bool IsSDK7();
// Key-ID text forms for PGPGetKeyIDString: 1/2 with release 7, 2/3 with 6.5
// (0 until the main library's key step ran).
PGPKeyIDStringType KeyIDFormatShort();
PGPKeyIDStringType KeyIDFormatFull();
// Bytes of one key ID: 36 with release 7, 34 with release 6.5.
PGPSize KeyIDSize();

// The shared 256-byte version text: the engine's, "N/A", or the product text
// that the main library writes over it.
constexpr PGPSize kVersionTextSize = 256;
char* VersionText();

// The engine objects of the main library that the loader creates after the
// key functions are bound and frees before the engine is cleaned up: the
// key-ring holder and the preference-file reader. Set before Load(Full);
// empty hooks are skipped.
struct EngineObjectHooks {
    void (*createKeyRings)() = nullptr;
    void (*createPrefsFile)() = nullptr;
    void (*freePrefsFile)() = nullptr;
    void (*freeKeyRings)() = nullptr;
};
void SetEngineObjectHooks(const EngineObjectHooks& hooks);

}  // namespace orv::loader
