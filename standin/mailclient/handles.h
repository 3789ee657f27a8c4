#pragma once
// The stand-in's owners of Win32 handles: one owner each, moved, never copied.

#include <windows.h>

#include <utility>

namespace orv::mailclient {

template <typename Handle, BOOL(WINAPI* Close)(Handle)>
class Owned {
public:
    Owned() noexcept = default;
    explicit Owned(Handle h) noexcept : h_(h) {}
    ~Owned() { reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(std::exchange(other.h_, nullptr));
        return *this;
    }
    Handle get() const noexcept { return h_; }
    // CreateFile fails with INVALID_HANDLE_VALUE, the others with NULL.
    explicit operator bool() const noexcept { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    void reset(Handle h = nullptr) noexcept {
        Handle old = std::exchange(h_, h);
        if (old != nullptr && old != INVALID_HANDLE_VALUE) Close(old);
    }

private:
    Handle h_ = nullptr;
};

inline BOOL WINAPI CloseRegKey(HKEY key) { return RegCloseKey(key) == ERROR_SUCCESS; }

using UniqueHandle = Owned<HANDLE, CloseHandle>;
using UniqueModule = Owned<HMODULE, FreeLibrary>;
using UniqueRegKey = Owned<HKEY, CloseRegKey>;
using UniqueFind = Owned<HANDLE, FindClose>;

}  // namespace orv::mailclient
