#include "strings/text_table.h"

namespace orv::texts {

namespace {

using TextFunc = const char*(__stdcall*)();

}  // namespace

bool TextTable::Load(const std::string& path) {
    if (module_) return true;
    module_.reset(LoadLibraryA(path.c_str()));
    if (!module_) return false;
    texts_.assign(static_cast<size_t>(last_ - first_ + 1), "");
    for (int n = first_; n <= last_; ++n) {
        auto fn = reinterpret_cast<TextFunc>(reinterpret_cast<void*>(Entry(n)));
        const char* text = fn ? fn() : nullptr;
        texts_[static_cast<size_t>(n - first_)] = text ? text : "";
    }
    return true;
}

void TextTable::Unload() {
    texts_.clear();
    module_.reset();
}

FARPROC TextTable::Entry(int ordinal) const {
    return module_ ? GetProcAddress(module_.get(), MAKEINTRESOURCEA(ordinal)) : nullptr;
}

const char* TextTable::Text(int number) const {
    if (!module_ || number < 1 || number > txt::kLastText) return "";
    if (number >= first_ && number <= last_) return texts_[static_cast<size_t>(number - first_)];
    // The other ranges' texts are fetched when used: the library keeps them
    // valid while it is loaded.
    auto fn = reinterpret_cast<TextFunc>(reinterpret_cast<void*>(Entry(number)));
    const char* text = fn ? fn() : nullptr;
    return text ? text : "";
}

}  // namespace orv::texts
