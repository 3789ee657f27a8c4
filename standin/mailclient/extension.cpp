#include "standin/mailclient/extension.h"

namespace orv::mailclient {

namespace {

template <typename Fn>
void Bind(HMODULE module, const char* name, Fn& fn, std::vector<std::string>& missing) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!fn) missing.emplace_back(name);
}

}  // namespace

std::unique_ptr<Extension> Extension::Load(const std::string& path, std::string* error) {
    // A library whose start fails (no PGP SDK) must not stop the client with
    // a system box.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(path.c_str());
    DWORD err = GetLastError();
    SetErrorMode(oldMode);
    if (!module) {
        *error = "cannot load " + path + " (error " + std::to_string(err) + ")";
        return nullptr;
    }
    std::unique_ptr<Extension> ext(new Extension);
    ext->module_.reset(module);
    ext->path_ = path;
    Bind(module, host::kFormInitName, ext->formInit, ext->missing_);
    Bind(module, host::kEncryptFileExName, ext->encryptFileEx, ext->missing_);
    Bind(module, host::kSignFileExName, ext->signFileEx, ext->missing_);
    Bind(module, host::kDecryptFileExName, ext->decryptFileEx, ext->missing_);
    Bind(module, host::kVerifySignatureName, ext->verifySignature, ext->missing_);
    Bind(module, host::kKeyManagementName, ext->keyManagement, ext->missing_);
    Bind(module, host::kDestroyFileName, ext->destroyFile, ext->missing_);
    return ext;
}

bool SetLibraryDirectory(const std::string& dir) {
    // Declared for Windows XP SP1 and later only; bound at run time.
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    auto fn = reinterpret_cast<SetDllDirectoryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDllDirectoryA")));
    if (!fn) return false;
    return fn(dir.empty() ? nullptr : dir.c_str()) != FALSE;
}

}  // namespace orv::mailclient
