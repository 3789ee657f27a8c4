#include "engine/wipe_file.h"

#include <windows.h>

#include <string>

#include "base/unique_handle.h"
#include "base/wipe_text.h"
#include "engine/isaac.h"

namespace orv {

const std::array<WipePattern, 22> kWipePatterns = {{
    {0x0055, 0x0055, 0x0055}, {0x00aa, 0x00aa, 0x00aa}, {0x0092, 0x0049, 0x0024},
    {0x0049, 0x0024, 0x0092}, {0x0024, 0x0092, 0x0049}, {0x0000, 0x0000, 0x0000},
    {0x00ff, 0x00ff, 0x00ff}, {0x0011, 0x0011, 0x0011}, {0x0022, 0x0022, 0x0022},
    {0x0033, 0x0033, 0x0033}, {0x0044, 0x0044, 0x0044}, {0x0066, 0x0066, 0x0066},
    {0x0077, 0x0077, 0x0077}, {0x0088, 0x0088, 0x0088}, {0x0099, 0x0099, 0x0099},
    {0x00bb, 0x00bb, 0x00bb}, {0x00cc, 0x00cc, 0x00cc}, {0x00dd, 0x00dd, 0x00dd},
    {0x00ee, 0x00ee, 0x00ee}, {0x006d, 0x00b6, 0x00db}, {0x00b6, 0x00db, 0x006d},
    {0x00db, 0x006d, 0x00b6},
}};

void FillWipeBlock(unsigned char* block, std::size_t size, TIsaac& random) {
    constexpr int kRows = static_cast<int>(kWipePatterns.size());
    std::size_t pos = 0;
    while (pos < size) {
        int row = random.Next() % kRows;
        if (row < 0) row = -row;
        for (std::uint16_t word : kWipePatterns[row]) {
            if (pos < size) block[pos++] = static_cast<unsigned char>(word & 0xff);
            if (pos < size) block[pos++] = static_cast<unsigned char>(word >> 8);
        }
    }
}

namespace {

DWORD SectorSizeOf(const char* path) {
    char full[MAX_PATH];
    char root[MAX_PATH];
    DWORD len = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    if (len == 0 || len >= MAX_PATH) return 512;
    if (!GetVolumePathNameA(full, root, MAX_PATH)) return 512;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters) ||
        bytesPerSector == 0)
        return 512;
    return bytesPerSector;
}

struct VirtualBlock {
    explicit VirtualBlock(std::size_t size)
        : data(static_cast<unsigned char*>(
              VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}
    ~VirtualBlock() {
        if (data) VirtualFree(data, 0, MEM_RELEASE);
    }
    VirtualBlock(const VirtualBlock&) = delete;
    VirtualBlock& operator=(const VirtualBlock&) = delete;
    unsigned char* data;
};

void Overwrite(const char* path, int passes, TIsaac& random) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);

    const DWORD sector = SectorSizeOf(path);
    const DWORD block = sector < kWipeMaxBlock ? sector : static_cast<DWORD>(kWipeMaxBlock);
    // Unbuffered writes must be whole sectors; when the capped block is not,
    // the system's buffer is kept but written through, so the passes still
    // reach the disk.
    DWORD flags = FILE_FLAG_WRITE_THROUGH | FILE_FLAG_DELETE_ON_CLOSE;
    if (block == sector) flags |= FILE_FLAG_NO_BUFFERING;

    UniqueHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  flags, nullptr));
    if (!file) return;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return;

    // Page-aligned, as unbuffered writes require.
    VirtualBlock buffer(block);
    if (!buffer.data) return;

    for (int pass = 0; pass < passes; ++pass) {
        FillWipeBlock(buffer.data, block, random);
        LARGE_INTEGER zero{};
        if (!SetFilePointerEx(file.get(), zero, nullptr, FILE_BEGIN)) break;
        LONGLONG written = 0;
        while (written < size.QuadPart) {
            DWORD done = 0;
            if (!WriteFile(file.get(), buffer.data, block, &done, nullptr) || done == 0) break;
            written += done;
        }
        FlushFileBuffers(file.get());
    }
    WipeBytes(buffer.data, block);
}

}  // namespace

void WipeFile(const char* path, int passes, TIsaac& random) noexcept {
    if (!path) return;
    const DWORD attributes = GetFileAttributesA(path);
    // Folders are not the wiper's: their attributes stay as they are.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    try {
        Overwrite(path, passes, random);  // closing the handle deletes the file
    } catch (...) {
    }
    DeleteFileA(path);
}

}  // namespace orv
