#pragma once
// The PGP SDK loader: loads the engine's libraries when a deliverable is
// loaded and frees them when it is unloaded. The launcher, the automation
// plug-in and the string library run only the core (load, initialise, version
// check, version text); the main library runs all of it.

namespace orv::loader {

enum class Scope { Core, Full };

// Runs the loading steps; false when a fatal condition stopped them (the box
// has been shown, FatalCode() tells which). The deliverable's start must then
// fail with exit code 1114.
bool Load(Scope scope);
void Unload();
int FatalCode();

// The exit code with which a deliverable's start fails after a fatal condition.
constexpr unsigned long kFatalExitCode = 1114;  // ERROR_DLL_INIT_FAILED

}  // namespace orv::loader
