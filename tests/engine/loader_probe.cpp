// Loads one library in a process of its own and ends with the load's error
// (0 when it loaded), so that a box shown under the loader lock can be
// answered by a robot in the test process.
#include <windows.h>

int main(int argc, char** argv) {
    if (argc < 2) return -1;
    if (argc > 2) SetDllDirectoryA(argv[2]);
    SetLastError(0);
    HMODULE module = LoadLibraryA(argv[1]);
    const DWORD error = module ? 0 : GetLastError();
    if (module) FreeLibrary(module);
    return static_cast<int>(error);
}
