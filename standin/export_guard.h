#pragma once
// Every export of the engine stand-in wraps its body as
//     try { ... } ORV_EXPORT_GUARD
// so that no C++ exception crosses into the caller, which expects the SDK's
// C interface: what is thrown comes back as an engine error number (out of
// memory, or "Unknown error"); a result that is a pointer comes back null.
// Exports without a result end with ORV_EXPORT_GUARD_VOID.

#include <cstdint>
#include <new>

namespace orv_standin {

constexpr std::int32_t kGuardOutOfMemory = -11999;  // kPGPError_OutOfMemory
constexpr std::int32_t kGuardUnknownError = -11985;  // "Unknown error"

// Converts to the export's result type: the error number for an error or
// count result, null for a pointer or handle.
struct GuardFailure {
    std::int32_t error;
    operator std::int32_t() const noexcept { return error; }
    template <class T>
    operator T*() const noexcept {
        return nullptr;
    }
};

}  // namespace orv_standin

#define ORV_EXPORT_GUARD                                                                  \
    catch (const std::bad_alloc&) {                                                       \
        return ::orv_standin::GuardFailure{::orv_standin::kGuardOutOfMemory};             \
    }                                                                                     \
    catch (...) {                                                                         \
        return ::orv_standin::GuardFailure{::orv_standin::kGuardUnknownError};            \
    }

#define ORV_EXPORT_GUARD_VOID \
    catch (...) {             \
    }
