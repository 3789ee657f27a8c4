#include "automation/message_files.h"

#include <windows.h>

#include "automation/pl_text.h"
#include "base/unique_handle.h"

namespace orv::automation {

namespace {

constexpr DWORD kBlankDraftLimit = 400;

// The first 400 bytes decide: a longer file is kept anyway. A draft that
// cannot be read may hold a message: it counts as written.
bool ReadHead(const std::string& path, std::string& head) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    char buffer[kBlankDraftLimit];
    DWORD total = 0;
    while (total < sizeof buffer) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer + total, sizeof buffer - total, &read, nullptr)) return false;
        if (read == 0) break;
        total += read;
    }
    head.assign(buffer, total);
    return true;
}

}  // namespace

int DeleteBlankMessageFiles(const std::string& mailboxDir) {
    WIN32_FIND_DATAA fd;
    UniqueFind find(FindFirstFileA((mailboxDir + "*.PM?").c_str(), &fd));
    if (!find) return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : -1;
    int kept = 0;
    do {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsDraftFile(fd.cFileName)) continue;
        std::string path = mailboxDir + fd.cFileName;
        std::uint64_t size = (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        std::string head;
        const bool blank = size < kBlankDraftLimit && ReadHead(path, head) && IsBlankDraft(size, head);
        if (!blank || !DeleteFileA(path.c_str())) ++kept;
    } while (FindNextFileA(find.get(), &fd));
    return kept;
}

}  // namespace orv::automation
