#pragma once
// One owner per Win32 handle kind: copying is deleted, moving hands the handle on.

#include <windows.h>

#include <utility>

namespace orv {

template <typename Traits>
class UniqueResource {
public:
    using handle_type = typename Traits::handle_type;

    UniqueResource() noexcept = default;
    explicit UniqueResource(handle_type h) noexcept : h_(h) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : h_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    handle_type get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return Traits::valid(h_); }

    handle_type release() noexcept { return std::exchange(h_, Traits::invalid()); }
    void reset(handle_type h = Traits::invalid()) noexcept {
        handle_type old = std::exchange(h_, h);
        if (Traits::valid(old)) Traits::close(old);
    }

private:
    handle_type h_ = Traits::invalid();
};

struct KernelHandleTraits {
    using handle_type = HANDLE;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(handle_type h) noexcept { ::CloseHandle(h); }
};

// CreateFile reports failure as INVALID_HANDLE_VALUE, most others as NULL;
// both count as "no handle" so either kind may be stored.
using UniqueHandle = UniqueResource<KernelHandleTraits>;

struct ModuleTraits {
    using handle_type = HMODULE;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::FreeLibrary(h); }
};
using UniqueModule = UniqueResource<ModuleTraits>;

struct RegKeyTraits {
    using handle_type = HKEY;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::RegCloseKey(h); }
};
using UniqueRegKey = UniqueResource<RegKeyTraits>;

struct GdiObjectTraits {
    using handle_type = HGDIOBJ;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::DeleteObject(h); }
};
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;

struct FindTraits {
    using handle_type = HANDLE;
    static handle_type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool valid(handle_type h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(handle_type h) noexcept { ::FindClose(h); }
};
using UniqueFind = UniqueResource<FindTraits>;

// A view of a file mapping stays readable after the mapping's handle is
// closed; only UnmapViewOfFile ends it.
struct MappedViewTraits {
    using handle_type = const void*;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::UnmapViewOfFile(h); }
};
using UniqueMappedView = UniqueResource<MappedViewTraits>;

// Selects a GDI object into a DC for one scope and puts the old one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(::SelectObject(dc, obj)) {}
    ~ScopedSelect() { if (old_) ::SelectObject(dc_, old_); }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A DC from GetDC, released to the window it came from.
class WindowDC {
public:
    explicit WindowDC(HWND wnd) noexcept : wnd_(wnd), dc_(::GetDC(wnd)) {}
    ~WindowDC() { if (dc_) ::ReleaseDC(wnd_, dc_); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND wnd_;
    HDC dc_;
};

// Locks a movable global memory block (clipboard data) for one scope.
class GlobalLock {
public:
    explicit GlobalLock(HGLOBAL mem) noexcept : mem_(mem), ptr_(mem ? ::GlobalLock(mem) : nullptr) {}
    ~GlobalLock() { if (ptr_) ::GlobalUnlock(mem_); }
    GlobalLock(const GlobalLock&) = delete;
    GlobalLock& operator=(const GlobalLock&) = delete;
    void* get() const noexcept { return ptr_; }
    SIZE_T size() const noexcept { return mem_ ? ::GlobalSize(mem_) : 0; }

private:
    HGLOBAL mem_;
    void* ptr_;
};

}  // namespace orv
