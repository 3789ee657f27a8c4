// A loader that needs no PGP SDK, for the copy of the string library that the
// no-SDK test program loads. It leaves a trace in the process environment so
// the test can see what the library's start and end asked of it, and fails
// when ORV_STUB_LOADER_FAIL is set.
#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/loader.h"

namespace orv::loader {

namespace {

// A process that ends without unloading the library has no environment to
// look at afterwards: the trace also goes to the file ORV_STUB_LOADER_FILE
// names.
void TraceToFile(const char* step) {
    char path[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("ORV_STUB_LOADER_FILE", path, sizeof path)) return;
    if (FILE* f = std::fopen(path, "ab")) {
        std::fputs(step, f);
        std::fputs("\n", f);
        std::fclose(f);
    }
}

}  // namespace

bool Load(Scope scope) {
    SetEnvironmentVariableA("ORV_STUB_LOADER", scope == Scope::Core ? "Load Core" : "Load Full");
    TraceToFile(scope == Scope::Core ? "Load Core" : "Load Full");
    char fail[8];
    return GetEnvironmentVariableA("ORV_STUB_LOADER_FAIL", fail, sizeof fail) == 0;
}

void Unload() {
    char trace[64] = "";
    GetEnvironmentVariableA("ORV_STUB_LOADER", trace, sizeof trace);
    std::string text = std::string(trace) + ", Unload";
    SetEnvironmentVariableA("ORV_STUB_LOADER", text.c_str());
    TraceToFile("Unload");
}

int FatalCode() { return 0; }

}  // namespace orv::loader
