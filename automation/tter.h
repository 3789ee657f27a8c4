#pragma once
// TTER: the host's editor control library, reached through its own exported
// functions in the client's process. Only what telling readers from editors
// needs is bound here; the text access of the editor comes with the
// signature display.

#include <windows.h>

#include <string>

namespace orv::automation {

class TTER {
public:
    // Takes "TER32.dll" of the host's program directory only when the host
    // has loaded it already (the plug-in never loads it).
    void Initialize(const std::string& programDir);
    bool Available() const { return getReadOnly_ != nullptr; }
    // Unavailable: no control counts as read-only or writable.
    bool IsReadOnly(HWND control) const;
    bool IsWritable(HWND control) const;

private:
    using GetReadOnlyFn = BOOL(WINAPI*)(HWND);
    GetReadOnlyFn getReadOnly_ = nullptr;
};

}  // namespace orv::automation
