// The front-end and the stand-in engine each state the PGP SDK interface on
// their own. Every number, record layout and entry point's calling form that
// both declare must agree, and every name the loader binds must be exported
// by the stand-in library it looks in, for both releases: a misreading on
// either side fails here instead of agreeing with itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/sdk_table.h"
#include "tests/standin/sdk_sides.h"

namespace {

using sdk_sides::Facts;

// "name: front-end <a>, stand-in <b>" for every name the two tables do not
// state alike (missing on one side included).
std::vector<std::string> Differences(const Facts& product, const Facts& standin) {
    std::vector<std::string> out;
    for (const auto& [name, fact] : product) {
        auto s = standin.find(name);
        if (s == standin.end())
            out.push_back(name + ": missing on the stand-in's side");
        else if (s->second != fact)
            out.push_back(name + ": front-end " + fact + ", stand-in " + s->second);
    }
    for (const auto& [name, fact] : standin)
        if (!product.count(name)) out.push_back(name + ": missing on the front-end's side");
    return out;
}

std::string Lines(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& x : v) s += "\n  " + x;
    return s;
}

const sdk_sides::Side& Product() {
    static const sdk_sides::Side side = sdk_sides::ProductSide();
    return side;
}
const sdk_sides::Side& Standin() {
    static const sdk_sides::Side side = sdk_sides::StandinSide();
    return side;
}

// Fact texts of entry points: "<convention> <argument bytes> <shape>".
std::string Convention(const std::string& fact) { return fact.substr(0, fact.find(' ')); }
int ArgumentBytes(const std::string& fact) {
    const size_t a = fact.find(' ') + 1;
    return std::atoi(fact.substr(a, fact.find(' ', a) - a).c_str());
}

#define SDK_SIDES_COUNT(...) +1
constexpr int kConstants = 0 SDK_SIDES_CONSTANTS(SDK_SIDES_COUNT);
constexpr int kRecordFacts = 0 SDK_SIDES_RECORDS(SDK_SIDES_COUNT, SDK_SIDES_COUNT);
constexpr int kFunctionTypes = 0 SDK_SIDES_FUNCTION_TYPES(SDK_SIDES_COUNT);
#undef SDK_SIDES_COUNT

TEST(SdkInterfaceSides, EveryNumberHasOneValue) {
    ASSERT_EQ(Product().constants.size(), static_cast<size_t>(kConstants));
    const auto diff = Differences(Product().constants, Standin().constants);
    EXPECT_TRUE(diff.empty()) << diff.size() << " numbers differ:" << Lines(diff);
}

TEST(SdkInterfaceSides, EveryRecordHasOneLayout) {
    ASSERT_EQ(Product().records.size(), static_cast<size_t>(kRecordFacts));
    const auto diff = Differences(Product().records, Standin().records);
    EXPECT_TRUE(diff.empty()) << diff.size() << " record facts differ:" << Lines(diff);
}

// Calling convention, argument bytes, result and every parameter's shape (a
// size before a buffer instead of after it differs here).
TEST(SdkInterfaceSides, EveryEntryPointHasOneCallingForm) {
    ASSERT_GT(Product().entryPoints.size(), 400u);
    auto diff = Differences(Product().entryPoints, Standin().entryPoints);
    EXPECT_TRUE(diff.empty()) << diff.size() << " entry points differ:" << Lines(diff);
    ASSERT_EQ(Product().types.size(), static_cast<size_t>(kFunctionTypes));
    diff = Differences(Product().types, Standin().types);
    EXPECT_TRUE(diff.empty()) << diff.size() << " function types differ:" << Lines(diff);
}

// The client library is __stdcall and release 7 names its exports with the
// argument bytes; everything else, callbacks included, is __cdecl. Checked on
// both sides, so that the two cannot agree on a wrong form.
TEST(SdkInterfaceSides, ClientLibraryIsStdcallWithDecoratedBytes) {
    std::vector<std::string> clientNames;
#define SDK_SIDES_NAME(slot, name) clientNames.push_back(name);
    ORV_SDK_CLIENT_7(SDK_SIDES_NAME)
    ORV_SDK_CLIENT_65(SDK_SIDES_NAME)
#undef SDK_SIDES_NAME
    ASSERT_EQ(clientNames.size(), 38u);
    for (const auto* side : {&Product(), &Standin()}) {
        const char* who = side == &Product() ? "front-end" : "stand-in";
        for (const auto& [name, fact] : side->entryPoints) {
            const bool client = std::find(clientNames.begin(), clientNames.end(), name) != clientNames.end();
            EXPECT_EQ(Convention(fact), client ? "stdcall" : "cdecl") << who << ": " << name << " " << fact;
            const size_t at = name.rfind('@');
            if (name[0] == '_' && at != std::string::npos) {
                EXPECT_EQ(ArgumentBytes(fact), std::atoi(name.c_str() + at + 1)) << who << ": " << name << " " << fact;
            }
        }
        for (const auto& [name, fact] : side->types) EXPECT_EQ(Convention(fact), "cdecl") << who << ": " << name;
    }
}

// ---- Exports, per release, each in a process of its own ---------------------
// (The two releases' libraries share their file names and cannot both be
// loaded into one process.)

struct Library {
    const char* role;
    std::vector<const char*> files;  // in the loader's order
    std::vector<const char*> names;
};

#define SDK_SIDES_NAME(slot, name) l.names.push_back(name);

std::vector<Library> LoaderBinds(int release) {
    std::vector<Library> libs;
    {
        Library l{"core", {"PGPSDK.dll", "PGP_SDK.dll"}, {"PGPsdkInit", "PGPsdkCleanup"}};
        l.names.push_back(release == 7 ? "PGPGetPGPsdkVersionString" : "PGPGetSDKString");
        ORV_SDK_JOBS(SDK_SIDES_NAME)
        ORV_SDK_KEYS_COMMON(SDK_SIDES_NAME)
        ORV_SDK_KEY_OPTIONS(SDK_SIDES_NAME)
        ORV_SDK_MEMORY(SDK_SIDES_NAME)
        ORV_SDK_GROUPS(SDK_SIDES_NAME)
        ORV_SDK_CONTEXT(SDK_SIDES_NAME)
        ORV_SDK_OPTIONS(SDK_SIDES_NAME)
        ORV_SDK_PREFS(SDK_SIDES_NAME)
        if (release == 7) {
            ORV_SDK_KEYS_7(SDK_SIDES_NAME)
            ORV_SDK_OPTIONS_7(SDK_SIDES_NAME)
        } else {
            ORV_SDK_KEYS_65(SDK_SIDES_NAME)
            ORV_SDK_OPTIONS_65(SDK_SIDES_NAME)
        }
        libs.push_back(l);
    }
    {
        Library l{"networking", {"PGPsdkNL.dll"}, {}};
        ORV_SDK_NETWORK(SDK_SIDES_NAME)
        ORV_SDK_KEY_SERVER(SDK_SIDES_NAME)
        libs.push_back(l);
    }
    {
        Library l{"user interface", {"PGPsdkUI.dll"}, {}};
        ORV_SDK_UI(SDK_SIDES_NAME)
        libs.push_back(l);
    }
    {
        Library l{"client", {"PGPclientLib.dll", "PGPcl.dll"}, {}};
        if (release == 7) {
            ORV_SDK_CLIENT_7(SDK_SIDES_NAME)
        } else {
            ORV_SDK_CLIENT_65(SDK_SIDES_NAME)
        }
        libs.push_back(l);
    }
    {
        Library l{"support", {"PGPsc.dll"}, {}};
        if (release == 7) {
            ORV_SDK_SUPPORT_7(SDK_SIDES_NAME)
        } else {
            ORV_SDK_SUPPORT_65(SDK_SIDES_NAME)
        }
        libs.push_back(l);
    }
    return libs;
}

#undef SDK_SIDES_NAME

// The child's work: load the release's libraries as the loader does and list
// what is not there, one line each, then "done".
int CheckExports(int release, const std::string& reportPath) {
    std::ofstream report(reportPath, std::ios::binary);
    SetDllDirectoryA(release == 7 ? "sdk7" : "sdk65");
    for (const Library& lib : LoaderBinds(release)) {
        HMODULE module = nullptr;
        for (const char* file : lib.files)
            if ((module = LoadLibraryA(file)) != nullptr) break;
        if (!module) {
            report << "the " << lib.role << " library did not load\n";
            continue;
        }
        report << lib.role << " " << lib.names.size() << " names\n";
        for (const char* name : lib.names)
            if (!GetProcAddress(module, name)) report << "missing from the " << lib.role << " library: " << name << "\n";
    }
    // Either version function serves the loader.
    HMODULE core = GetModuleHandleA("PGPSDK.dll");
    if (!core) core = GetModuleHandleA("PGP_SDK.dll");
    if (core && !GetProcAddress(core, "PGPGetSDKVersion") && !GetProcAddress(core, "PGPGetPGPsdkVersion"))
        report << "missing from the core library: a version function\n";
    report << "done\n";
    return 0;
}

// A child started as "<program> --exports <release> <report>" does the check
// before any test runs and ends.
const int kChildRun = [] {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc == 4 && std::wstring(argv[1]) == L"--exports") {
        const int release = _wtoi(argv[2]);
        char path[MAX_PATH * 2] = {};
        WideCharToMultiByte(CP_ACP, 0, argv[3], -1, path, sizeof path, nullptr, nullptr);
        ExitProcess(static_cast<UINT>(CheckExports(release, path)));
    }
    LocalFree(argv);
    return 0;
}();

std::vector<std::string> ExportReport(int release) {
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string report = std::string(temp) + "orv_sdk_exports_" + std::to_string(release) + "_" +
                               std::to_string(GetCurrentProcessId()) + ".txt";
    DeleteFileA(report.c_str());
    std::string command = std::string("\"") + program + "\" --exports " + std::to_string(release) + " \"" + report + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<std::string> lines;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        lines.push_back("the child process did not start");
        return lines;
    }
    WaitForSingleObject(pi.hProcess, 120000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::ifstream in(report, std::ios::binary);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    in.close();
    DeleteFileA(report.c_str());
    return lines;
}

void ExpectEveryNameExported(int release) {
    const std::vector<std::string> lines = ExportReport(release);
    ASSERT_FALSE(lines.empty()) << "no report from the release " << release << " child";
    EXPECT_EQ(lines.back(), "done");
    std::vector<std::string> faults;
    int libraries = 0;
    for (const auto& line : lines) {
        if (line.find(" names") != std::string::npos) ++libraries;
        else if (line != "done") faults.push_back(line);
    }
    EXPECT_EQ(libraries, 5) << Lines(lines);
    EXPECT_TRUE(faults.empty()) << "release " << release << ":" << Lines(faults);
}

TEST(SdkInterfaceSides, EveryNameTheLoaderBindsIsExportedByRelease7) { ExpectEveryNameExported(7); }
TEST(SdkInterfaceSides, EveryNameTheLoaderBindsIsExportedByRelease65) { ExpectEveryNameExported(65); }

}  // namespace
