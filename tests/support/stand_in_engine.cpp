#include "tests/support/stand_in_engine.h"

#include <windows.h>

namespace orv::test {

namespace {

const char* const kLibraries[] = {"PGP_SDK.dll", "PGPsdkNL.dll", "PGPsdkUI.dll", "PGPcl.dll", "PGPsc.dll"};
const char* const kLibraries65[] = {"PGPSDK.dll", "PGPsdkNL.dll", "PGPsdkUI.dll", "PGPclientLib.dll", "PGPsc.dll"};

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int StandInEngine::Release() {
    char value[8] = {};
    const DWORD n = GetEnvironmentVariableA(kReleaseVariable, value, sizeof value);
    return n > 0 && n < sizeof value && std::string(value) == "65" ? 65 : 7;
}

std::string ProgramDir() {
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe, n);
    dir.resize(dir.find_last_of('\\') + 1);
    return dir;
}

std::string SourcePath(const char* unixPath) {
    std::string p = std::string("Z:") + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    if (p.back() != '\\') p += '\\';
    return p;
}

StandInEngine::StandInEngine(const std::string& dataDir) : data_(dataDir) {
    if (!data_.empty() && data_.back() != '\\') data_ += '\\';
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    dir_ = std::string(temp) + "orv_engine_" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(++serial) + "\\";
    CreateDirectoryA(dir_.c_str(), nullptr);
    const std::string bin = ProgramDir();
    const bool release65 = Release() == 65;
    for (const char* lib : release65 ? kLibraries65 : kLibraries) {
        std::string from = bin + (release65 ? "sdk65\\" : "sdk7\\") + lib;
        if (!Exists(from)) from = bin + (release65 ? "fakesdk\\r65\\" : "fakesdk\\r7\\") + lib;
        CopyFileA(from.c_str(), (dir_ + lib).c_str(), FALSE);
    }
    ResetRings();
}

StandInEngine::~StandInEngine() {
    Unload();
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir_ + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((dir_ + fd.cFileName).c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir_.c_str());
}

void StandInEngine::ResetRings() {
    if (data_.empty()) return;
    CopyFileA((data_ + "pubring.pkr").c_str(), PublicRing().c_str(), FALSE);
    CopyFileA((data_ + "secring.skr").c_str(), SecretRing().c_str(), FALSE);
}

bool StandInEngine::Load(const loader::EngineObjectHooks& hooks) {
    SetDllDirectoryA(dir_.c_str());
    loader::SetEngineObjectHooks(hooks);
    loaded_ = loader::Load(loader::Scope::Full);
    return loaded_;
}

void StandInEngine::Unload() {
    if (loaded_) loader::Unload();
    loaded_ = false;
    loader::SetEngineObjectHooks({});
    SetDllDirectoryA(nullptr);
}

}  // namespace orv::test
