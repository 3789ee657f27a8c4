#pragma once
// One binding of the string library "Lumvika.dll" for the deliverable that
// loads it: a range of texts fetched once when loaded, any other number by
// ordinal when asked. A missing library or entry gives the empty text; the
// texts stay valid while the table holds the library.

#include <windows.h>

#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "strings/text_numbers.h"

namespace orv::texts {

class TextTable {
public:
    // The numbers fetched on loading, first to last.
    TextTable(int first, int last) : first_(first), last_(last) {}
    TextTable(const TextTable&) = delete;
    TextTable& operator=(const TextTable&) = delete;

    // Loads the library from the path and fetches the range; false when it
    // cannot be loaded. Loading again keeps the library already held.
    bool Load(const std::string& path);
    void Unload();
    bool Loaded() const { return static_cast<bool>(module_); }

    // The text; "" for a number the library lacks.
    const char* Text(int number) const;
    const char* operator[](txt::TextNo number) const { return Text(number); }
    // The library's export of that ordinal; null when it lacks it.
    FARPROC Entry(int ordinal) const;

private:
    int first_;
    int last_;
    UniqueModule module_;
    std::vector<const char*> texts_;
};

}  // namespace orv::texts
