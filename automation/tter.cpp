#include "automation/tter.h"

#include "plugin/mail_client.h"

namespace orv::automation {

void TTER::Initialize(const std::string& programDir) {
    getReadOnly_ = nullptr;
    HMODULE module = GetModuleHandleA((programDir + host::kEditorLibrary).c_str());
    if (!module) return;
    getReadOnly_ = reinterpret_cast<GetReadOnlyFn>(reinterpret_cast<void*>(GetProcAddress(module, "TerGetReadOnly")));
}

bool TTER::IsReadOnly(HWND control) const { return control && getReadOnly_ && getReadOnly_(control); }

bool TTER::IsWritable(HWND control) const { return control && getReadOnly_ && !getReadOnly_(control); }

}  // namespace orv::automation
