// Whole files through Win32: Windows paths never reach RNP.
#include <windows.h>

#include "standin/sdk/internal.h"

namespace sdk {

bool fileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool readFile(const std::string& path, std::string& out) {
    out.clear();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    DWORD size = GetFileSize(h, &high);
    bool ok = size != INVALID_FILE_SIZE && high == 0 && size < 0x7ff00000u;
    if (ok) {
        out.resize(size);
        DWORD done = 0, got = 0;
        while (ok && done < size) {
            ok = ReadFile(h, &out[done], size - done, &got, nullptr) && got > 0;
            done += got;
        }
    }
    CloseHandle(h);
    if (!ok) out.clear();
    return ok;
}

bool writeFile(const std::string& path, const char* data, size_t size, bool durable) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | (durable ? FILE_FLAG_WRITE_THROUGH : 0), nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < size) {
        DWORD put = 0;
        DWORD chunk = static_cast<DWORD>(size - done > (1u << 24) ? (1u << 24) : size - done);
        ok = WriteFile(h, data + done, chunk, &put, nullptr) && put == chunk;
        done += put;
    }
    if (ok && durable) ok = FlushFileBuffers(h);
    CloseHandle(h);
    return ok;
}

std::string libraryDir() {
    HMODULE self = nullptr;
    char path[MAX_PATH] = {};
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&libraryDir), &self) ||
        !GetModuleFileNameA(self, path, MAX_PATH))
        return {};
    std::string p = path;
    size_t s = p.find_last_of("\\/");
    return s == std::string::npos ? std::string() : p.substr(0, s + 1);
}

bool replaceFile(const std::string& path, const std::string& data) {
    std::string temp = path + ".new";
    if (!writeFile(temp, data.data(), data.size(), true)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace sdk
