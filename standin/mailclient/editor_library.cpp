#include "standin/mailclient/editor_library.h"

namespace orv::mailclient {

namespace {

template <typename Fn>
bool Bind(HMODULE module, const char* name, Fn& fn, std::string* error) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!fn && error->empty()) *error = std::string("TER32.dll has no ") + name;
    return fn != nullptr;
}

std::string TakeGlobal(HGLOBAL block, long size) {
    std::string text;
    if (!block) return text;
    if (const char* p = static_cast<const char*>(GlobalLock(block))) {
        text.assign(p, size_t(size > 0 ? size : 0));
        GlobalUnlock(block);
    }
    GlobalFree(block);
    return text;
}

}  // namespace

bool EditorLibrary::Load(const std::string& programDir, std::string* error) {
    std::string path = programDir + ter32::kLibraryName;
    module_.reset(LoadLibraryA(path.c_str()));
    if (!module_) {
        *error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    error->clear();
    bool ok = Bind(module_.get(), ter32::kGetTerBuffer, getBuffer_, error) &
              Bind(module_.get(), ter32::kTerGetTextSel, getSelection_, error) &
              Bind(module_.get(), ter32::kTerGetReadOnly, getReadOnly_, error) &
              Bind(module_.get(), ter32::kTerInsertText, insert_, error);
    if (!ok) module_.reset();
    return ok;
}

HWND EditorLibrary::Create(HWND parent, int id, bool readOnly, int x, int y, int w, int h) const {
    if (!module_) return nullptr;
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_BORDER | (readOnly ? ES_READONLY : 0);
    return CreateWindowExA(0, ter32::kControlClass, "", style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

std::string EditorLibrary::Text(HWND control) const {
    if (!getBuffer_ || !control) return {};
    long size = 0;
    HGLOBAL block = getBuffer_(control, &size);
    return TakeGlobal(block, size);
}

std::string EditorLibrary::Selection(HWND control) const {
    if (!getSelection_ || !control) return {};
    long size = 0;
    HGLOBAL block = getSelection_(control, &size);
    return TakeGlobal(block, size);
}

void EditorLibrary::SetText(HWND control, const std::string& text) const {
    if (control) SetWindowTextA(control, text.c_str());
}

bool EditorLibrary::ReadOnly(HWND control) const { return getReadOnly_ && getReadOnly_(control); }

bool EditorLibrary::Insert(HWND control, const std::string& text, bool atStart) const {
    return insert_ && insert_(control, text.c_str(), atStart, -1, TRUE);
}

}  // namespace orv::mailclient
