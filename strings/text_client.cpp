#include "strings/text_client.h"

#include "base/installation.h"
#include "base/text.h"
#include "strings/text_table.h"

namespace orv::texts {

namespace {

using ErrorStrFunc = long(__stdcall*)(long code, const char** text);

TextTable& Table() {
    static TextTable table(txt::kFirstMainText, txt::kLastMainText);
    return table;
}

}  // namespace

bool Load(const std::string& directory) { return Table().Load(StringLibraryPath(WithBackslash(directory))); }

void Unload() { Table().Unload(); }

bool Loaded() { return Table().Loaded(); }

const char* Get(int number) { return Table().Text(number); }

std::string Accel(int number) { return std::string("&") + Get(number); }

std::string ErrorText(long code) {
    auto errorStr = reinterpret_cast<ErrorStrFunc>(reinterpret_cast<void*>(Table().Entry(txt::kErrorTextOrdinal)));
    if (!errorStr) return {};
    const char* text = nullptr;
    errorStr(code, &text);
    return text ? text : "";
}

}  // namespace orv::texts
