#include "formats/mime_files.h"

#include "base/unique_handle.h"

#include <windows.h>

#include <algorithm>

namespace orv {

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        // WriteFile takes 32-bit counts; large parts go in slices.
        const DWORD slice = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, slice, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

}  // namespace orv
