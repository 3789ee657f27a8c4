#include "strings/text_client.h"

#include "base/unique_handle.h"

#include <array>

namespace orv::texts {

namespace {

using TextFunc = const char*(__stdcall*)();
using ErrorStrFunc = long(__stdcall*)(long code, const char** text);

// The main range as the session keeps it: three blocks of 64 and one of 48,
// each indexed by number minus the first number of its block.
struct MainTable {
    std::array<const char*, 64> block1{};  // 109-172
    std::array<const char*, 64> block2{};  // 173-236
    std::array<const char*, 64> block3{};  // 237-300
    std::array<const char*, 48> block4{};  // 301-348

    const char*& Slot(int number) {
        if (number < 173) return block1[number - 109];
        if (number < 237) return block2[number - 173];
        if (number < 301) return block3[number - 237];
        return block4[number - 301];
    }
};

struct Library {
    UniqueModule module;
    MainTable table;
    ErrorStrFunc errorStr = nullptr;
};

Library& Lib() {
    static Library lib;
    return lib;
}

const char* Fetch(HMODULE module, int number) {
    auto fn = reinterpret_cast<TextFunc>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(number))));
    if (!fn) return "";
    const char* text = fn();
    return text ? text : "";
}

}  // namespace

bool Load(const std::string& directory) {
    Library& lib = Lib();
    if (lib.module) return true;
    std::string path = directory;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += "Lumvika.dll";
    lib.module.reset(LoadLibraryA(path.c_str()));
    if (!lib.module) return false;
    for (int n = txt::kFirstMainText; n <= txt::kLastMainText; ++n)
        lib.table.Slot(n) = Fetch(lib.module.get(), n);
    lib.errorStr = reinterpret_cast<ErrorStrFunc>(reinterpret_cast<void*>(
        GetProcAddress(lib.module.get(), MAKEINTRESOURCEA(txt::kErrorTextOrdinal))));
    return true;
}

void Unload() {
    Library& lib = Lib();
    lib.table = MainTable{};
    lib.errorStr = nullptr;
    lib.module.reset();
}

bool Loaded() { return static_cast<bool>(Lib().module); }

const char* Get(int number) {
    Library& lib = Lib();
    if (!lib.module || number < 1 || number > txt::kLastText) return "";
    if (number >= txt::kFirstMainText && number <= txt::kLastMainText) {
        const char* text = lib.table.Slot(number);
        return text ? text : "";
    }
    return Fetch(lib.module.get(), number);
}

std::string Accel(int number) { return std::string("&") + Get(number); }

std::string ErrorText(long code) {
    Library& lib = Lib();
    if (!lib.errorStr) return {};
    const char* text = nullptr;
    lib.errorStr(code, &text);
    return text ? text : "";
}

}  // namespace orv::texts
