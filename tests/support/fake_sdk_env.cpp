#include "tests/support/fake_sdk_env.h"

#include <windows.h>

namespace orv::test {

std::string FakeSdkDir(const std::string& variant) {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    dir.erase(dir.find_last_of("\\/") + 1);
    return dir + "fakesdk\\" + variant;
}

bool UseFakeSdk(const std::string& variant) {
    const std::string dir = FakeSdkDir(variant);
    DWORD attributes = GetFileAttributesA(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return SetDllDirectoryA(dir.c_str()) != FALSE;
}

void UseNoSdk() { SetDllDirectoryA(nullptr); }

}  // namespace orv::test
