#pragma once
// Scratch folders of the tests removed whole: the programs under test make
// folders of their own in them.

#include <windows.h>

#include <string>

namespace orv::test {

// Deletes everything in the folder (its path ends in "\"), read-only files
// and the folders in it included.
inline void EmptyFolder(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        const std::string full = dir + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            EmptyFolder(full + "\\");
            RemoveDirectoryA(full.c_str());
        } else {
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(full.c_str());
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

// The same, then the folder itself.
inline void RemoveFolder(const std::string& dir) {
    EmptyFolder(dir);
    RemoveDirectoryA(dir.c_str());
}

}  // namespace orv::test
