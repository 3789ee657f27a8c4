#include "launcher/launcher_texts.h"

namespace orv::launcher {

bool LauncherTexts::Bind(HMODULE stringLibrary) {
    using TextFn = const char*(WINAPI*)();
    bool all = true;
    for (int number = ERROR_TITLE; number <= NO_PGP; ++number) {
        auto fn = reinterpret_cast<TextFn>(
            reinterpret_cast<void*>(GetProcAddress(stringLibrary, MAKEINTRESOURCEA(number))));
        const char* text = fn ? fn() : nullptr;
        texts_[number - 1] = text ? text : "";
        all = all && fn;
    }
    return all;
}

}  // namespace orv::launcher
