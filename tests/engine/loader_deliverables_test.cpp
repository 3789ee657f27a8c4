// Every deliverable runs the loader when it is loaded: without an engine its
// load fails with exit code 1114 after the fatal box; with one it loads.
#include <gtest/gtest.h>

#include <string>

#include "tests/engine/loader_test_support.h"
#include "tests/support/fake_sdk_env.h"
#include "tests/support/ui_robot.h"

using namespace orv::test;

namespace {

const char* const kLibraries[] = {"Lumvika.dll", "Merrowin.dll", "Pellatch.dll"};

std::string BinDir() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self);
    return dir.erase(dir.find_last_of("\\/") + 1);
}

// Runs a program of the test directory with the given search path and waits
// for its exit code.
DWORD RunProgram(const std::string& program, const std::string& arguments, const std::string& path) {
    const std::string exe = BinDir() + program;
    std::string oldPath(32768, '\0');
    oldPath.resize(GetEnvironmentVariableA("PATH", oldPath.data(), static_cast<DWORD>(oldPath.size())));
    // The child finds the engine through its search path only.
    SetEnvironmentVariableA("PATH", path.c_str());
    std::string cmd = "\"" + exe + "\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    BOOL ok = CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA("PATH", oldPath.c_str());
    if (!ok) return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xFFFFFFFE;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

std::string SystemPath() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\system32";
}

// A library is loaded by a probe process: the box it shows under the loader
// lock is answered from here.
TEST(DeliverableLoad, WithoutAnEngineTheLibraryFailsToLoadAfterTheBox) {
    for (const char* library : kLibraries) {
        SCOPED_TRACE(library);
        FatalBoxWatch box;
        box.script.Start();
        EXPECT_EQ(RunProgram("loader_probe.exe", library, SystemPath()), 1114u);
        if (!box.script.Finish()) {
            ADD_FAILURE() << box.script.Failure();
            continue;
        }
        auto seen = box.script.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].owner, nullptr);
        EXPECT_TRUE(box.iconShown);
        EXPECT_EQ(seen[0].texts.empty() ? "" : seen[0].texts.back(),
                  "PGP Software Development Kit Core Library not found");
    }
}

TEST(DeliverableLoad, TheFatalConditionNamesTheMissingLibrary) {
    // A release 7 engine without its networking library.
    EngineDir dir("r7", Without(Release7Files(), "PGPsdkNL.dll"));
    UseNoSdk();
    FatalBoxWatch box;
    box.script.Start();
    EXPECT_EQ(RunProgram("loader_probe.exe", "Pellatch.dll \"" + dir.path() + "\"", SystemPath()), 1114u);
    ASSERT_TRUE(box.script.Finish()) << box.script.Failure();
    ASSERT_EQ(box.script.Seen().size(), 1u);
    EXPECT_EQ(box.script.Seen()[0].texts.back(), "PGP Software Development Kit Networking Library not found");
}

TEST(DeliverableLoad, WithAFakeEngineOfEitherReleaseTheLibraryLoads) {
    for (const char* variant : {"r7", "r65"}) {
        for (const char* library : kLibraries) {
            SCOPED_TRACE(std::string(variant) + " " + library);
            ClearFakeLog();
            ASSERT_TRUE(UseFakeSdk(variant));
            HMODULE module = LoadLibraryA(library);
            if (!module) {
                ADD_FAILURE() << "load failed: " << GetLastError();
                continue;
            }
            EXPECT_NE(FakeLog().find("PGPsdkInit(0);version;"), std::string::npos) << FakeLog();
            FreeLibrary(module);
            // Unloading the deliverable cleans up and frees the engine.
            EXPECT_NE(FakeLog().find("PGPsdkCleanup;"), std::string::npos) << FakeLog();
            EXPECT_NE(FakeLog().find("free:PGPsc;"), std::string::npos) << FakeLog();
        }
    }
    // Only the main library runs the full binding.
    ClearFakeLog();
    ASSERT_TRUE(UseFakeSdk("r7"));
    HMODULE merrowin = LoadLibraryA("Merrowin.dll");
    ASSERT_NE(merrowin, nullptr);
    EXPECT_NE(FakeLog().find("PGPsdkUILibInit(0);"), std::string::npos) << FakeLog();
    FreeLibrary(merrowin);
    ClearFakeLog();
    HMODULE pellatch = LoadLibraryA("Pellatch.dll");
    ASSERT_NE(pellatch, nullptr);
    EXPECT_EQ(FakeLog(), "PGPsdkInit(0);version;");
    FreeLibrary(pellatch);
    UseNoSdk();
}

TEST(DeliverableLoad, LauncherEndsWith1114WithoutAnEngine) {
    ModalScript script;
    script.Expect("#32770", "PGP Components fatal error:", PressButton("OK"));
    script.Start();
    // "RESTART" alone does nothing after the start.
    EXPECT_EQ(RunProgram("Tolvane.exe", "RESTART", SystemPath()), 1114u);
    ASSERT_TRUE(script.Finish()) << script.Failure();
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].texts.back(), "PGP Software Development Kit Core Library not found");
}

TEST(DeliverableLoad, LauncherStartsWithAFakeEngine) {
    EXPECT_EQ(RunProgram("Tolvane.exe", "RESTART", FakeSdkDir("r65") + ";" + SystemPath()), 0u);
}

}  // namespace
