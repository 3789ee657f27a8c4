#include "base/whole_file.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/unique_handle.h"
#include "base/whole_file_sides.h"
#include "base/wipe_text.h"

namespace orv {

namespace {

using namespace side_files;

constexpr DWORD kSlice = 1u << 20;

FileWiper& Wiper() {
    static FileWiper wiper;
    return wiper;
}

std::string FullPath(const std::string& path) {
    char buffer[2 * MAX_PATH];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

// How many names the file has, following a symbolic link to its file.
DWORD NamesOf(const std::string& path) {
    UniqueHandle f(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    return f && GetFileInformationByHandle(f.get(), &info) ? info.nNumberOfLinks : 0;
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

bool WriteAll(HANDLE file, std::initializer_list<std::string_view> pieces) {
    for (const std::string_view bytes : pieces) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const DWORD slice = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kSlice));
            DWORD written = 0;
            if (!WriteFile(file, bytes.data() + done, slice, &written, nullptr) || written == 0) return false;
            done += written;
        }
    }
    return FlushFileBuffers(file) != FALSE;
}

// The new content completely in a claimed and noted side file; on failure
// whatever part was written is wiped and the note removed.
bool WriteSideFile(const std::string& target, std::initializer_list<std::string_view> bytes, std::string& side,
                   UniqueHandle& claim) {
    for (unsigned n = 0; n < 100; ++n) {
        side = SideName(target, n, kNewTag);
        claim = Claim(side);
        if (!claim || Exists(side)) continue;
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

// A second, claimed and noted name for the old content: a hard link, so
// that the target itself never goes missing; where the drive has none, the
// target is moved aside (and put back by WipeStaleSideFiles if the process
// dies before the new content is in place). A link that did not reach the
// target's own file (the target is a symbolic link) is taken back: shared
// is set and the old content is left to the other name.
bool SecondName(const std::string& target, std::string& old, bool& linked, bool& shared, UniqueHandle& claim) {
    for (unsigned n = 0; n < 100; ++n) {
        old = SideName(target, n, kOldTag);
        claim = Claim(old);
        if (!claim || Exists(old)) continue;
        Note(old, target);
        if (CreateHardLinkA(old.c_str(), target.c_str(), nullptr)) {
            linked = true;
            if (NamesOf(target) == 2) return true;
            DeleteFileA(old.c_str());
            Forget(old);
            shared = true;
            return false;
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

// The new content under the target's name only: the bytes the name had are
// another name's as well, so they are neither moved nor wiped.
bool ReplaceName(const std::string& target, const std::string& side) {
    if (!MoveFileExA(side.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
    Forget(side);
    return true;
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
            WipeBytes(bytes.data(), bytes.size());
            bytes.clear();
            return false;
        }
        done += got;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, char separator, std::size_t blockSize,
                   std::deque<std::string>& blocks) {
    blocks.clear();
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
    const std::size_t total = static_cast<std::size_t>(size.QuadPart);
    blockSize = std::max<std::size_t>(blockSize, 1);
    // Past a block's least size the file is read ahead this far to find the
    // separator; what lies beyond it is read again as the next block.
    constexpr std::size_t kLookAhead = 65536;
    auto readInto = [&file](std::string& block, std::size_t want) {
        const std::size_t at = block.size();
        block.resize(at + want);
        for (std::size_t got = 0; got < want;) {
            DWORD n = 0;
            if (!ReadFile(file.get(), block.data() + at + got, static_cast<DWORD>(std::min<std::size_t>(want - got, 1u << 24)),
                          &n, nullptr) ||
                n == 0)
                return false;
            got += n;
        }
        return true;
    };
    auto fail = [&blocks](std::string& block) {
        WipeText(block);
        for (std::string& b : blocks) WipeText(b);
        blocks.clear();
        return false;
    };
    std::size_t done = 0;
    do {
        // Each block reads into a room of its own size, so that no block
        // holds spare room and nothing is copied.
        const std::size_t least = std::min(blockSize, total - done);
        std::string block;
        block.reserve(std::min(total - done, least + kLookAhead));
        std::size_t cut = std::string::npos;
        for (std::size_t want = least; want > 0; want = std::min(kLookAhead, total - done - block.size())) {
            const std::size_t from = std::max(block.size(), blockSize - 1);
            if (!readInto(block, want)) return fail(block);
            if (block.size() >= blockSize && (cut = block.find(separator, from)) != std::string::npos) break;
        }
        if (cut != std::string::npos && cut + 1 < block.size()) {
            LARGE_INTEGER back{};
            back.QuadPart = -static_cast<LONGLONG>(block.size() - cut - 1);
            if (!SetFilePointerEx(file.get(), back, nullptr, FILE_CURRENT)) return fail(block);
            block.resize(cut + 1);
        }
        done += block.size();
        blocks.push_back(std::move(block));
    } while (done < total);
    return true;
}

void SetFileWiper(FileWiper wiper) { Wiper() = std::move(wiper); }

void OverwriteAndDelete(const std::string& path) noexcept {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        // Shared with readers: a program that holds the plain text open must
        // not keep its bytes from being overwritten.
        UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
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

namespace side_files {

// Whatever the engine's wiper leaves is overwritten with zeros, so that no
// side file goes back to the disk's free space unwiped.
void Wipe(const std::string& path) {
    if (SharedWithAnotherName(path)) {
        DeleteFileA(path.c_str());
        return;
    }
    if (const FileWiper& wiper = Wiper()) {
        try {
            wiper(path);
        } catch (...) {
        }
    }
    if (Exists(path)) OverwriteAndDelete(path);
}

}  // namespace side_files

bool ReplaceWholeFile(const std::string& path, std::string_view bytes) { return ReplaceWholeFile(path, {bytes}); }

bool ReplaceWholeFile(const std::string& path, std::initializer_list<std::string_view> bytes) {
    if (path.empty()) return false;
    const std::string target = FullPath(path);
    bool exists = false;
    if (!MayReplace(target, exists)) return false;
    NoteFolder(target);
    std::string side;
    UniqueHandle sideClaim;
    if (!WriteSideFile(target, bytes, side, sideClaim)) return false;
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
    if (SharedWithAnotherName(target)) return ReplaceName(target, side) || giveUp();
    std::string old;
    bool linked = false, shared = false;
    UniqueHandle oldClaim;
    if (!SecondName(target, old, linked, shared, oldClaim)) return shared ? ReplaceName(target, side) || giveUp() : giveUp();
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

}  // namespace orv
