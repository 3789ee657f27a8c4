#pragma once
// The main library's exports bound as its callers bind them: by name, with
// the types of the one export table.
#include <windows.h>

#include "interfaces/merrowin_exports.h"

namespace orv::test {

template <int Ordinal>
typename merrowin::Export<Ordinal>::Fn BindExport(HMODULE module) {
    return module ? reinterpret_cast<typename merrowin::Export<Ordinal>::Fn>(
                        reinterpret_cast<void*>(GetProcAddress(module, merrowin::Export<Ordinal>::name)))
                  : nullptr;
}

}  // namespace orv::test
