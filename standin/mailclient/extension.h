#pragma once
// An extension library as the client loads it: forms extension and
// encryptor module in one, its entry points bound by their plain names.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "standin/mailclient/handles.h"
#include "standin/mailclient/host_interface.h"

namespace orv::mailclient {

class Extension {
public:
    // nullptr with the loader's reason when the library does not load.
    static std::unique_ptr<Extension> Load(const std::string& path, std::string* error);

    const std::string& Path() const { return path_; }
    // Names of the entry points that the library does not export.
    const std::vector<std::string>& Missing() const { return missing_; }

    host::FormInitFn formInit = nullptr;
    host::CryptFileExFn encryptFileEx = nullptr;
    host::CryptFileExFn signFileEx = nullptr;
    host::CryptFileExFn decryptFileEx = nullptr;
    host::VerifySignatureFn verifySignature = nullptr;
    host::KeyManagementFn keyManagement = nullptr;
    host::DestroyFileFn destroyFile = nullptr;

    // Form windows the extension created, for the forms messages.
    std::vector<HWND> formWindows;

private:
    Extension() = default;
    std::string path_;
    std::vector<std::string> missing_;
    // Last, so that the library is freed after nothing else refers to it.
    UniqueModule module_;
};

// Makes the directory the place where libraries that the extensions load by
// plain name are looked for first (the PGP SDK); "" restores the default.
bool SetLibraryDirectory(const std::string& dir);

}  // namespace orv::mailclient
