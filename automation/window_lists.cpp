#include "automation/window_lists.h"

#include <cstdlib>

namespace orv::automation {

std::string TWindowList::KeyOf(HWND wnd) {
    return std::to_string(static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(wnd)));
}

int TWindowList::Add(HWND wnd, std::uintptr_t object) {
    entries_.push_back({KeyOf(wnd), object});
    return Count() - 1;
}

int TWindowList::IndexOf(HWND wnd) const {
    std::string key = KeyOf(wnd);
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].key == key) return static_cast<int>(i);
    return -1;
}

HWND TWindowList::Window(int index) const {
    return reinterpret_cast<HWND>(
        static_cast<std::uintptr_t>(std::strtoul(entries_[static_cast<size_t>(index)].key.c_str(), nullptr, 10)));
}

void TWindowList::Delete(int index) { entries_.erase(entries_.begin() + index); }

}  // namespace orv::automation
