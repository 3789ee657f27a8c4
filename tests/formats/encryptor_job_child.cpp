// A mail client that runs one encryptor function of the main library and
// ends, for tests that kill it at some moment of the job:
//   encryptor_job_child ENGINE_DIR MAILBOX encrypt MESSAGE RECIPIENTS
//   encryptor_job_child ENGINE_DIR MAILBOX decrypt MESSAGE OUTPUT
//   encryptor_job_child ENGINE_DIR MAILBOX start
// "start" only loads the library (and so runs its start) and ends. The exit
// code is the function's result (100 for "start"; 200 and more: no library).
#include <windows.h>

#include <string>

#include "interfaces/mail_client.h"

namespace {

using CryptFn = int(WINAPI*)(orv::host::CryptRequest*);
using PlugInitFn = void(WINAPI*)(HWND, DWORD, HWND, const char*);

std::string ProgramDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

HWND HostWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvJobChildHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "Pegasus Mail", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 201;
    const std::string mode = argv[3];
    SetDllDirectoryA(argv[1]);
    HMODULE library = LoadLibraryA((ProgramDir() + "Merrowin.dll").c_str());
    if (!library) return 202;
    if (mode == "start") return 100;
    if (argc < 6) return 203;
    HWND host = HostWindow();
    auto formInit =
        reinterpret_cast<orv::host::FormInitFn>(reinterpret_cast<void*>(GetProcAddress(library, "FORMINIT")));
    HWND form = nullptr;
    char* callback = nullptr;
    if (formInit) formInit(orv::host::kFormInterfaceVersion, orv::host::kFormModeClient, host, "", &form, &callback);
    if (auto plugInit = reinterpret_cast<PlugInitFn>(reinterpret_cast<void*>(GetProcAddress(library, "PlugInit"))))
        plugInit(host, 0, nullptr, argv[2]);
    const bool encrypt = mode == "encrypt";
    auto fn = reinterpret_cast<CryptFn>(
        reinterpret_cast<void*>(GetProcAddress(library, encrypt ? "ENCRYPT_FILE_EX" : "DECRYPT_FILE_EX")));
    if (!fn) return 204;
    orv::host::CryptRequest request{};
    request.MessageFile = argv[4];
    request.OutputFile = encrypt ? nullptr : argv[5];
    request.HostRecipients = encrypt ? argv[5] : "";
    return fn(&request);
}
