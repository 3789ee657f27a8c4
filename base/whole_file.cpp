#include "base/whole_file.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "base/unique_handle.h"

namespace orv {

namespace {

// Side files in progress, one value each: the side file's full path as the
// name, "<process id>\t<target>" as the data.
constexpr const char* kSideFilesKey = "Software\\Tamberlow\\Fennick\\Side files";
constexpr const char* kNewTag = ".new";
constexpr const char* kOldTag = ".old";
constexpr DWORD kSlice = 1u << 20;

FileWiper& Wiper() {
    static FileWiper wiper;
    return wiper;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool EndsWith(const std::string& text, const char* tail) {
    const std::size_t n = std::char_traits<char>::length(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

std::string FullPath(const std::string& path) {
    char buffer[2 * MAX_PATH];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

// "<target>.~orv<process id>_<n><tag>": beside the target, so that putting
// it in place is a rename on one drive.
std::string SideName(const std::string& target, unsigned n, const char* tag) {
    char middle[40];
    std::snprintf(middle, sizeof middle, ".~orv%lx_%u", GetCurrentProcessId(), n);
    return target + middle + tag;
}

void Note(const std::string& side, const std::string& target) {
    HKEY raw = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSideFilesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS)
        return;
    UniqueRegKey key(raw);
    const std::string data = std::to_string(GetCurrentProcessId()) + "\t" + target;
    RegSetValueExA(key.get(), side.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
}

void Forget(const std::string& side) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSideFilesKey, 0, KEY_SET_VALUE, &raw) != ERROR_SUCCESS) return;
    UniqueRegKey key(raw);
    RegDeleteValueA(key.get(), side.c_str());
}

// The engine's wiper where there is one; whatever it leaves is overwritten
// with zeros, so that no side file goes back to the disk's free space
// unwiped.
void Wipe(const std::string& path) {
    if (const FileWiper& wiper = Wiper()) {
        try {
            wiper(path);
        } catch (...) {
        }
    }
    if (Exists(path)) OverwriteAndDelete(path);
}

// Both names lead to the same file (a second name made by a hard link).
bool SameFile(const std::string& a, const std::string& b) {
    auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        UniqueHandle f(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
        return f && GetFileInformationByHandle(f.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    if (!identity(a, x) || !identity(b, y)) return false;
    return x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

bool ProcessRunning(DWORD pid) {
    if (pid == GetCurrentProcessId()) return true;
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

// A file that a read-only mark or another program's open handle protects is
// not replaced behind its back: a rename would get past both.
bool MayReplace(const std::string& path, bool& exists) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        exists = false;
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    exists = true;
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
    UniqueHandle f(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
    if (f) return true;
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    exists = false;
    return true;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD slice = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kSlice));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, slice, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return FlushFileBuffers(file) != FALSE;
}

// The new content completely in a noted side file; on failure whatever part
// was written is wiped and the note removed.
bool WriteSideFile(const std::string& target, std::string_view bytes, std::string& side) {
    for (unsigned n = 0; n < 100; ++n) {
        side = SideName(target, n, kNewTag);
        if (Exists(side)) continue;
        Note(side, target);
        UniqueHandle file(CreateFileA(side.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
        if (!file) {
            const DWORD error = GetLastError();
            Forget(side);
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return false;
        }
        const bool ok = WriteAll(file.get(), bytes);
        file.reset();
        if (ok) return true;
        Wipe(side);
        Forget(side);
        return false;
    }
    return false;
}

// A second, noted name for the old content: a hard link, so that the target
// itself never goes missing; where the drive has none, the target is moved
// aside (and put back by WipeStaleSideFiles if the process dies before the
// new content is in place).
bool SecondName(const std::string& target, std::string& old, bool& linked) {
    for (unsigned n = 0; n < 100; ++n) {
        old = SideName(target, n, kOldTag);
        if (Exists(old)) continue;
        Note(old, target);
        if (CreateHardLinkA(old.c_str(), target.c_str(), nullptr)) {
            linked = true;
            return true;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            Forget(old);
            continue;
        }
        linked = false;
        if (MoveFileExA(target.c_str(), old.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
        Forget(old);
        return false;
    }
    return false;
}

}  // namespace

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

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
            SecureZeroMemory(bytes.data(), bytes.size());
            bytes.clear();
            return false;
        }
        done += got;
    }
    return true;
}

void SetFileWiper(FileWiper wiper) { Wiper() = std::move(wiper); }

void OverwriteAndDelete(const std::string& path) noexcept {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_WRITE_THROUGH, nullptr));
        LARGE_INTEGER size{};
        if (file && GetFileSizeEx(file.get(), &size)) {
            static const char zeros[64 * 1024] = {};
            LONGLONG left = size.QuadPart;
            while (left > 0) {
                const DWORD slice = static_cast<DWORD>(std::min<LONGLONG>(left, sizeof zeros));
                DWORD written = 0;
                if (!WriteFile(file.get(), zeros, slice, &written, nullptr) || written == 0) break;
                left -= written;
            }
            FlushFileBuffers(file.get());
        }
    }
    DeleteFileA(path.c_str());
}

bool ReplaceWholeFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    const std::string target = FullPath(path);
    bool exists = false;
    if (!MayReplace(target, exists)) return false;
    std::string side;
    if (!WriteSideFile(target, bytes, side)) return false;
    auto giveUp = [&] {
        Wipe(side);
        Forget(side);
        return false;
    };
    if (!exists) {
        if (!MoveFileExA(side.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return giveUp();
        Forget(side);
        return true;
    }
    std::string old;
    bool linked = false;
    if (!SecondName(target, old, linked)) return giveUp();
    if (!MoveFileExA(side.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (linked)
            DeleteFileA(old.c_str());
        else
            MoveFileExA(old.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
        Forget(old);
        return giveUp();
    }
    Forget(side);
    Wipe(old);
    Forget(old);
    return true;
}

int WipeStaleSideFiles() {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSideFilesKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &raw) != ERROR_SUCCESS)
        return 0;
    UniqueRegKey key(raw);
    std::vector<std::pair<std::string, std::string>> notes;
    for (DWORD i = 0;; ++i) {
        char name[2 * MAX_PATH + 64];
        char data[2 * MAX_PATH + 64];
        DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
        const LONG r = RegEnumValueA(key.get(), i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                     &dataSize);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || type != REG_SZ) continue;
        data[dataSize] = 0;
        notes.emplace_back(std::string(name, nameSize), data);
    }
    int handled = 0;
    for (const auto& [side, data] : notes) {
        const std::size_t tab = data.find('\t');
        const DWORD pid = static_cast<DWORD>(std::strtoul(data.c_str(), nullptr, 10));
        if (tab == std::string::npos || ProcessRunning(pid)) continue;
        const std::string target = data.substr(tab + 1);
        if (Exists(side)) {
            if (EndsWith(side, kOldTag) && !Exists(target)) {
                // Moved aside, and the new content never came: the old one goes back.
                if (MoveFileExA(side.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) ++handled;
            } else if (EndsWith(side, kOldTag) && SameFile(side, target)) {
                // Killed before the new content came: only a second name of the target.
                DeleteFileA(side.c_str());
            } else {
                Wipe(side);
                ++handled;
            }
        }
        if (!Exists(side)) RegDeleteValueA(key.get(), side.c_str());
    }
    return handled;
}

}  // namespace orv
