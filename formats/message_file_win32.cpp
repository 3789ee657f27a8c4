#include "formats/message_file.h"

#include "base/unique_handle.h"

#include <windows.h>

#include <algorithm>

namespace orv {

namespace {

// A name beside the message file that no other file has.
std::string SideName(const std::string& path, const char* tag) {
    for (unsigned n = GetTickCount() & 0xFFFF, tries = 0; tries < 1000; ++n, ++tries) {
        std::string name = path + "." + tag + std::to_string(n);
        if (GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES) return name;
    }
    return {};
}

bool WriteThrough(const std::string& path, std::string_view bytes) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD slice = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, slice, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return FlushFileBuffers(file.get()) != 0;
}

}  // namespace

// Also the session's whole-file read (plugin/whole_file.h): one definition
// for every binary that links both.
bool ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD slice = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        if (!ReadFile(file.get(), bytes.data() + done, slice, &got, nullptr) || got == 0) {
            bytes.clear();
            return false;
        }
        done += got;
    }
    return true;
}

bool ReplaceMessageFile(const std::string& path, std::string_view bytes,
                        const std::function<void(const std::string& path)>& wipeOld) {
    // A read-only message is not the client's to rewrite, and its old text
    // could not be wiped once moved aside.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    const std::string fresh = SideName(path, "new");
    if (fresh.empty()) return false;
    if (!WriteThrough(fresh, bytes)) {
        DeleteFileA(fresh.c_str());
        return false;
    }
    // No old file: nothing to move aside or wipe.
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND) {
        if (MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
        DeleteFileA(fresh.c_str());
        return false;
    }
    const std::string old = SideName(path, "old");
    if (old.empty() || !MoveFileExA(path.c_str(), old.c_str(), MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(fresh.c_str());
        return false;
    }
    if (!MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
        MoveFileExA(old.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
        DeleteFileA(fresh.c_str());
        return false;
    }
    // The old text is overwritten before its space is given back.
    try {
        if (wipeOld) wipeOld(old);
    } catch (...) {
    }
    if (GetFileAttributesA(old.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileA(old.c_str());
    return true;
}

}  // namespace orv
