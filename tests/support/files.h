#pragma once
// Whole files for the tests, read beside whatever else has them open.
#include <windows.h>

#include <string>
#include <string_view>

namespace orv::test {

// The file's bytes; empty when it cannot be opened.
inline std::string ReadAll(const std::string& path) {
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

}  // namespace orv::test
