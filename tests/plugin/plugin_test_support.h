#pragma once
// Helpers of the plug-in frame tests: scratch directories in %TEMP%, the
// PGP preference file of the test user, an automation window that records
// what the main library tells it, and registry values set for one test.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "interfaces/host_messages.h"
#include "tests/support/folder_tree.h"
#include "tests/support/ui_robot.h"

namespace orv::test {

// A fresh directory in %TEMP% (ending in "\"), removed with everything in
// it (the mail client stand-in makes folders of its own there).
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        static int serial = 0;
        path_ = std::string(temp) + "orv_" + name + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++serial) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
        // Process ids repeat under Wine: a killed earlier run may have left
        // a directory of the same name behind.
        Empty();
    }
    ~ScratchDir() {
        Empty();
        RemoveDirectoryA(path_.c_str());
    }
    void Empty() { EmptyFolder(path_); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return path_; }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((path_ + "*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

// A registry value of the test user (or the machine) set for one scope and
// put back as it was afterwards. An empty optional deletes the value.
class RegistryValue {
public:
    RegistryValue(HKEY root, std::string subKey, std::string name, const std::optional<std::string>& value)
        : root_(root), subKey_(std::move(subKey)), name_(std::move(name)) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(root_, subKey_.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        UniqueRegKey owner(key);
        char buffer[1024];
        DWORD size = sizeof buffer;
        DWORD type = 0;
        if (RegQueryValueExA(key, NameOrDefault(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ)
            old_ = std::string(buffer, size && buffer[size - 1] == 0 ? size - 1 : size);
        Set(key, value);
        ok_ = true;
    }
    ~RegistryValue() {
        HKEY key = nullptr;
        if (!ok_ || RegOpenKeyExA(root_, subKey_.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
        UniqueRegKey owner(key);
        Set(key, old_);
    }
    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;
    bool ok() const { return ok_; }

private:
    const char* NameOrDefault() const { return name_.empty() ? nullptr : name_.c_str(); }
    void Set(HKEY key, const std::optional<std::string>& value) {
        if (value)
            RegSetValueExA(key, NameOrDefault(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                           static_cast<DWORD>(value->size() + 1));
        else
            RegDeleteValueA(key, NameOrDefault());
    }
    HKEY root_;
    std::string subKey_;
    std::string name_;
    std::optional<std::string> old_;
    bool ok_ = false;
};

// The release 7 preference file of the test user ("PGPprefs.txt" in the
// application-data folder's "PGP" directory), restored afterwards.
class PrefsFileOverride {
public:
    PrefsFileOverride() {
        char buffer[MAX_PATH * 2] = {};
        DWORD size = sizeof buffer - 1;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                          0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            RegQueryValueExA(key, "AppData", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
            RegCloseKey(key);
        }
        dir_ = std::string(buffer) + "\\Network Associates\\PGP\\";
        CreateDirectoryA((std::string(buffer) + "\\Network Associates").c_str(), nullptr);
        CreateDirectoryA(buffer, nullptr);
        CreateDirectoryA(dir_.c_str(), nullptr);
        path_ = dir_ + "PGPprefs.txt";
        backup_ = path_ + ".orvtest";
        hadFile_ = MoveFileExA(path_.c_str(), backup_.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    }
    ~PrefsFileOverride() {
        DeleteFileA(path_.c_str());
        if (hadFile_) MoveFileExA(backup_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    PrefsFileOverride(const PrefsFileOverride&) = delete;
    PrefsFileOverride& operator=(const PrefsFileOverride&) = delete;
    void Write(const std::string& text) {
        HANDLE h = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
        CloseHandle(h);
    }

private:
    std::string dir_, path_, backup_;
    bool hadFile_ = false;
};

// A window of the automation plug-in's class that records the messages of
// the main library.
class AutomationWindow {
public:
    struct Message {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    };
    AutomationWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = automation::kWindowClass;
        RegisterClassA(&wc);
        wnd_ = CreateWindowExA(0, automation::kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               GetModuleHandleA(nullptr), this);
    }
    ~AutomationWindow() {
        if (wnd_) {
            SetWindowLongPtrA(wnd_, GWLP_USERDATA, 0);
            DestroyWindow(wnd_);
        }
    }
    AutomationWindow(const AutomationWindow&) = delete;
    AutomationWindow& operator=(const AutomationWindow&) = delete;
    HWND Handle() const { return wnd_; }
    const std::vector<Message>& Messages() const { return messages_; }
    std::vector<WPARAM> CacheStates() const {
        std::vector<WPARAM> states;
        for (const auto& m : messages_)
            if (m.msg == automation::AM_CACHESTATE) states.push_back(m.wp);
        return states;
    }
    void Clear() { messages_.clear(); }

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrA(wnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<AutomationWindow*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
        if (self && msg >= WM_USER && msg <= WM_USER + 11) self->messages_.push_back({msg, wp, lp});
        return DefWindowProcA(wnd, msg, wp, lp);
    }
    HWND wnd_ = nullptr;
    std::vector<Message> messages_;
};

}  // namespace orv::test
