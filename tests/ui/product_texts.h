#pragma once
// The one place where the tests load the string library, as the session does:
// "Lumvika.dll" from the directory of the test programs. The string library
// starts the PGP SDK when it is loaded, so a fake SDK is put on the search path.

#include "strings/text_client.h"
#include "tests/support/fake_sdk_env.h"

#include <windows.h>

#include <string>

namespace orv::test {

inline std::string ProgramDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

inline bool LoadProductTexts() {
    UseFakeSdk();
    return orv::texts::Load(ProgramDirectory());
}

}  // namespace orv::test
