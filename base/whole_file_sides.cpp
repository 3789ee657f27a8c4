#include "base/whole_file_sides.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "base/text.h"

namespace orv::side_files {

namespace {

// Claims are compared by name across processes: the same file must give the
// same name however its folder was spelt (short or long names, any case).
std::string ClaimName(const std::string& side) {
    const std::string folder = FolderOf(side);
    char longer[2 * MAX_PATH];
    const DWORD n = GetLongPathNameA(folder.c_str(), longer, sizeof longer);
    std::string key = (n > 0 && n < sizeof longer ? std::string(longer, n) : folder) + side.substr(folder.size());
    if (!key.empty()) CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : key) hash = (hash ^ c) * 1099511628211ull;
    char name[64];
    std::snprintf(name, sizeof name, "Local\\OrvaneSideFile.%016llx", static_cast<unsigned long long>(hash));
    return name;
}

bool AllOf(const std::string& text, std::size_t from, std::size_t to, const char* set) {
    return from < to && text.find_first_not_of(set, from) >= to;
}

}  // namespace

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string SideName(const std::string& target, unsigned n, const char* tag) {
    char middle[40];
    std::snprintf(middle, sizeof middle, "%s%lx_%u", kMark, GetCurrentProcessId(), n);
    return target + middle + tag;
}

std::string TargetOf(const std::string& side) {
    const std::size_t tagSize = std::char_traits<char>::length(kNewTag);
    if (!EndsWith(side, kNewTag) && !EndsWith(side, kOldTag)) return {};
    const std::size_t mark = side.rfind(kMark);
    if (mark == std::string::npos || mark == 0 || side[mark - 1] == '\\') return {};
    const std::size_t id = mark + std::char_traits<char>::length(kMark);
    const std::size_t underscore = side.find('_', id);
    const std::size_t tag = side.size() - tagSize;
    if (underscore == std::string::npos || underscore > tag) return {};
    if (!AllOf(side, id, underscore, "0123456789abcdef") || !AllOf(side, underscore + 1, tag, "0123456789")) return {};
    return side.substr(0, mark);
}

UniqueHandle Claim(const std::string& side) {
    UniqueHandle claim(CreateMutexA(nullptr, FALSE, ClaimName(side).c_str()));
    if (claim && GetLastError() == ERROR_ALREADY_EXISTS) claim.reset();
    return claim;
}

bool Claimed(const std::string& side) {
    UniqueHandle claim(OpenMutexA(SYNCHRONIZE, FALSE, ClaimName(side).c_str()));
    return claim || GetLastError() == ERROR_ACCESS_DENIED;
}

void Note(const std::string& side, const std::string& target) {
    HKEY raw = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kNotesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS)
        return;
    UniqueRegKey key(raw);
    const std::string data = std::to_string(GetCurrentProcessId()) + "\t" + target;
    RegSetValueExA(key.get(), side.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
}

void Forget(const std::string& side) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kNotesKey, 0, KEY_SET_VALUE, &raw) != ERROR_SUCCESS) return;
    UniqueRegKey key(raw);
    RegDeleteValueA(key.get(), side.c_str());
}

void NoteFolder(const std::string& target) {
    const std::string folder = FolderOf(target);
    HKEY raw = nullptr;
    if (folder.empty() || RegCreateKeyExA(HKEY_CURRENT_USER, kFoldersKey, 0, nullptr, 0,
                                          KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return;
    UniqueRegKey key(raw);
    if (RegQueryValueExA(key.get(), folder.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) return;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    RegSetValueExA(key.get(), folder.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(&now), sizeof now);
    // Once per folder: the list must be on the disk before a side file is,
    // or a power loss takes both the note and the way to find the file.
    RegFlushKey(key.get());
}

bool SharedWithAnotherName(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    UniqueHandle f(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    return f && GetFileInformationByHandle(f.get(), &info) &&
           (info.nNumberOfLinks > 1 || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT));
}

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

}  // namespace orv::side_files
