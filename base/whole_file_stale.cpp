// The start-up clean-up: side files that a killed job left are found by
// their registry notes and, since a note may never have reached the disk
// (the whole system died with the job), by their names in every folder side
// files were made in, in %TEMP% and in the folders the caller names. A side
// file that a live job claims is left alone, whatever its process id says.
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"
#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "base/whole_file_sides.h"

namespace orv {

namespace {

using namespace side_files;

// Folders noted longest ago are searched no more past this many: the list
// would otherwise grow with every folder a decoded file was ever saved to.
constexpr std::size_t kFoldersKept = 64;

std::string Upper(std::string text) {
    if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::vector<std::pair<std::string, std::string>> NotedSideFiles() {
    std::vector<std::pair<std::string, std::string>> notes;
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kNotesKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return notes;
    UniqueRegKey key(raw);
    for (DWORD i = 0;; ++i) {
        char name[2 * MAX_PATH + 64];
        char data[2 * MAX_PATH + 64];
        DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
        const LONG r = RegEnumValueA(key.get(), i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                     &dataSize);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || type != REG_SZ) continue;
        data[dataSize] = 0;
        const char* tab = std::char_traits<char>::find(data, dataSize, '\t');
        if (tab) notes.emplace_back(std::string(name, nameSize), std::string(tab + 1));
    }
    return notes;
}

// The noted folders, newest first; folders that are gone and the oldest
// past kFoldersKept are dropped from the list.
std::vector<std::string> NotedFolders() {
    std::vector<std::pair<ULONGLONG, std::string>> noted;
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kFoldersKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &raw) != ERROR_SUCCESS)
        return {};
    UniqueRegKey key(raw);
    for (DWORD i = 0;; ++i) {
        char name[2 * MAX_PATH + 64];
        FILETIME when{};
        DWORD nameSize = sizeof name, dataSize = sizeof when, type = 0;
        const LONG r = RegEnumValueA(key.get(), i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(&when),
                                     &dataSize);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS) continue;
        const ULONGLONG stamp = type == REG_BINARY && dataSize == sizeof when
                                    ? (ULONGLONG(when.dwHighDateTime) << 32) | when.dwLowDateTime
                                    : 0;
        noted.emplace_back(stamp, std::string(name, nameSize));
    }
    std::sort(noted.begin(), noted.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> folders;
    for (const auto& [stamp, folder] : noted) {
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        const bool present = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (present && folders.size() < kFoldersKept)
            folders.push_back(folder);
        else
            RegDeleteValueA(key.get(), folder.c_str());
    }
    return folders;
}

std::vector<std::string> SideFilesIn(const std::string& folder) {
    std::vector<std::string> sides;
    WIN32_FIND_DATAA fd;
    UniqueFind find(FindFirstFileA((folder + "*" + kMark + "*").c_str(), &fd));
    if (!find) return sides;
    do {
        const std::string side = folder + fd.cFileName;
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !TargetOf(side).empty()) sides.push_back(side);
    } while (FindNextFileA(find.get(), &fd));
    return sides;
}

// What a killed job left of one replacement: the old content put back when
// the target was moved aside and never replaced, a mere second name of the
// target removed, every other side file wiped. 1 when wiped or put back.
int Settle(const std::string& side, const std::string& target) {
    if (Claimed(side)) return 0;
    int handled = 0;
    if (Exists(side)) {
        if (EndsWith(side, kOldTag) && !Exists(target)) {
            if (MoveFileExA(side.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) handled = 1;
        } else if (EndsWith(side, kOldTag) && SameFile(side, target)) {
            DeleteFileA(side.c_str());
        } else {
            Wipe(side);
            handled = 1;
        }
    }
    if (!Exists(side)) Forget(side);
    return handled;
}

}  // namespace

int WipeStaleSideFiles(const std::vector<std::string>& folders) {
    int handled = 0;
    std::vector<std::string> searched = folders;
    char temp[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof temp, temp);
    if (n > 0 && n < sizeof temp) searched.emplace_back(temp, n);
    for (const auto& [side, target] : NotedSideFiles()) {
        handled += Settle(side, target);
        searched.push_back(FolderOf(side));
    }
    for (std::string& folder : NotedFolders()) searched.push_back(std::move(folder));

    std::vector<std::string> seen;
    for (std::string folder : searched) {
        if (folder.empty()) continue;
        if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
        const std::string key = Upper(folder);
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(key);
        for (const std::string& side : SideFilesIn(folder)) handled += Settle(side, TargetOf(side));
    }
    return handled;
}

}  // namespace orv
