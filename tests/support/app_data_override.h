#pragma once
// The user's application-data folder (where release 7 keeps "PGPprefs.txt")
// pointed at a folder of the test's while the object lives, then put back.
#include <windows.h>

#include <memory>
#include <string>

#include "tests/support/folder_tree.h"

namespace orv::test {

class AppDataOverride {
public:
    static constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

    explicit AppDataOverride(const std::string& folder) : saved_(Read()) {
        CreateDirectoryA(folder.c_str(), nullptr);
        Write(folder);
    }
    ~AppDataOverride() { Write(saved_); }
    AppDataOverride(const AppDataOverride&) = delete;
    AppDataOverride& operator=(const AppDataOverride&) = delete;

    static std::string Read() {
        HKEY key = nullptr;
        char value[MAX_PATH * 2] = {};
        DWORD size = sizeof value - 1;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
        const bool ok = RegQueryValueExA(key, "AppData", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                        ERROR_SUCCESS;
        RegCloseKey(key);
        return ok ? std::string(value) : std::string();
    }

    static void Write(const std::string& folder) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        RegSetValueExA(key, "AppData", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
        RegCloseKey(key);
    }

private:
    std::string saved_;
};

// A scratch application-data folder, so that the engine's and the product's
// preferences are the test's own: a user without PGP preferences until
// something writes them there. Removed with what the test made in it.
class ScratchAppData {
public:
    ScratchAppData() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        static int serial = 0;
        root_ = std::string(temp) + "orv_keys_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++serial) + "\\";
        CreateDirectoryA(root_.c_str(), nullptr);
        override_ = std::make_unique<AppDataOverride>(root_ + "appdata");
    }
    ~ScratchAppData() {
        override_.reset();
        RemoveFolder(root_);
    }
    ScratchAppData(const ScratchAppData&) = delete;
    ScratchAppData& operator=(const ScratchAppData&) = delete;
    const std::string& Root() const { return root_; }
    std::string PrefsFile() const { return root_ + "appdata\\Network Associates\\PGP\\PGPprefs.txt"; }

private:
    std::string root_;
    std::unique_ptr<AppDataOverride> override_;
};

}  // namespace orv::test
