#pragma once
// The plug-in's window lists: the window handle written as a decimal integer
// is the key, a 32-bit object rides with it.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orv::automation {

class TWindowList {
public:
    static std::string KeyOf(HWND wnd);

    // The new entry's index.
    int Add(HWND wnd, std::uintptr_t object);
    // -1 when the window is not listed.
    int IndexOf(HWND wnd) const;
    std::uintptr_t Object(int index) const { return entries_[static_cast<size_t>(index)].object; }
    void SetObject(int index, std::uintptr_t object) { entries_[static_cast<size_t>(index)].object = object; }
    HWND Window(int index) const;
    void Delete(int index);
    int Count() const { return static_cast<int>(entries_.size()); }
    void Clear() { entries_.clear(); }

private:
    struct Entry {
        std::string key;
        std::uintptr_t object;
    };
    std::vector<Entry> entries_;
};

}  // namespace orv::automation
