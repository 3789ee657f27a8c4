#pragma once
// What the fake engine libraries were asked, in order: one process-wide log in
// the environment variable ORV_FAKE_LOG (entries end with ';'), so that calls
// into different libraries and their unloading can be compared in sequence.
// Results are configured through environment variables read at call time.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/pgpsdk.h"

#define FAKE_EXPORT extern "C" __declspec(dllexport)

namespace fake {

inline std::string Env(const char* name) {
    char buf[1024];
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

inline long EnvNumber(const char* name, long fallback) {
    std::string v = Env(name);
    return v.empty() ? fallback : static_cast<long>(std::strtoul(v.c_str(), nullptr, 0));
}

inline void Log(const std::string& entry) {
    std::string log = Env("ORV_FAKE_LOG") + entry + ";";
    SetEnvironmentVariableA("ORV_FAKE_LOG", log.c_str());
}

inline void Log(const char* name, long a) { Log(std::string(name) + "(" + std::to_string(a) + ")"); }
inline void Log(const char* name, long a, long b) {
    Log(std::string(name) + "(" + std::to_string(a) + "," + std::to_string(b) + ")");
}

}  // namespace fake

// Every fake library notes when it is unloaded.
#define FAKE_DLLMAIN(libName)                                              \
    BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {                 \
        if (reason == DLL_PROCESS_DETACH) fake::Log("free:" libName);      \
        return TRUE;                                                       \
    }
