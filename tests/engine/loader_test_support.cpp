#include "tests/engine/loader_test_support.h"

#include <algorithm>
#include <atomic>

#include "tests/support/fake_sdk_env.h"

namespace orv::test {

std::string FakeLog() {
    char buf[32768];
    DWORD n = GetEnvironmentVariableA("ORV_FAKE_LOG", buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

void ClearFakeLog() { SetEnvironmentVariableA("ORV_FAKE_LOG", nullptr); }

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    SetEnvironmentVariableA(name, value.c_str());
}
ScopedEnv::~ScopedEnv() { SetEnvironmentVariableA(name_.c_str(), nullptr); }

EngineDir::EngineDir(const std::string& variant, const std::vector<std::string>& files) : files_(files) {
    static std::atomic<int> counter{0};
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "orv_engine_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(counter++);
    CreateDirectoryA(path_.c_str(), nullptr);
    const std::string source = FakeSdkDir(variant);
    for (const auto& f : files_) CopyFileA((source + "\\" + f).c_str(), (path_ + "\\" + f).c_str(), FALSE);
    SetDllDirectoryA(path_.c_str());
}

EngineDir::~EngineDir() {
    SetDllDirectoryA(nullptr);
    for (const auto& f : files_) DeleteFileA((path_ + "\\" + f).c_str());
    RemoveDirectoryA(path_.c_str());
}

std::vector<std::string> Release7Files() {
    return {"PGP_SDK.dll", "PGPsdkNL.dll", "PGPsdkUI.dll", "PGPcl.dll", "PGPsc.dll"};
}
std::vector<std::string> Release65Files() {
    return {"PGPSDK.dll", "PGPsdkNL.dll", "PGPsdkUI.dll", "PGPclientLib.dll", "PGPsc.dll"};
}
std::vector<std::string> Without(std::vector<std::string> files, const std::string& name) {
    files.erase(std::remove(files.begin(), files.end(), name), files.end());
    return files;
}

FatalBoxWatch::FatalBoxWatch() {
    script.Expect("#32770", "PGP Components fatal error:", [this](HWND box) {
        // The icon is a static control showing the shared error icon.
        HICON expected = LoadIcon(nullptr, IDI_ERROR);
        for (HWND child : Children(box)) {
            if (ClassOf(child) != "Static" && ClassOf(child) != "STATIC") continue;
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
            HICON shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            if (shown) iconShown = true;
            if (shown == expected) errorIcon = true;
        }
        PressButton("OK")(box);
    });
}

}  // namespace orv::test
