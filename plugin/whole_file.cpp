#include "plugin/whole_file.h"

#include <windows.h>

#include "base/unique_handle.h"

namespace orv {

// ReadWholeFile has its one definition with the message files of the
// formats library, which every binary with this file links as well.

bool ReplaceWholeFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    // A file the user protected stays as it is, as Windows itself keeps it.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    // Beside the target, so that the replacement is a rename on one drive.
    std::string temp;
    UniqueHandle file;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        temp = path + ".~" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(attempt);
        file.reset(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    if (!file) return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(bytes.size() - done > 0x100000 ? 0x100000 : bytes.size() - done);
        ok = WriteFile(file.get(), bytes.data() + done, chunk, &n, nullptr) && n == chunk;
        done += n;
    }
    file.reset();
    if (ok) ok = MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!ok) DeleteFileA(temp.c_str());
    return ok;
}

}  // namespace orv
