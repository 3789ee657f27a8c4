#pragma once
// Makes the deliverables loadable in tests: every one of them loads the PGP
// SDK when it starts and fails to load without one. The fake SDKs are built
// into <bin>/fakesdk/<variant>/ ("r7": release 7, "r65": release 6.5).

#include <string>

namespace orv::test {

// Full Windows path of a fake SDK directory beside the test program.
std::string FakeSdkDir(const std::string& variant = "r7");

// Adds that directory to this process's DLL search (SetDllDirectoryA), so
// that a later LoadLibrary of a deliverable finds an engine. False when the
// directory is missing.
bool UseFakeSdk(const std::string& variant = "r7");

// Removes it again: the SDK can no longer be found.
void UseNoSdk();

}  // namespace orv::test
