// The client preferences of the stand-in: numbered values of four kinds, kept
// in a text file of its own (format in client_ids.h).
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace sdkclient {

struct PrefValue {
    char kind = 'd';    // 'b' boolean, 'n' number, 's' string, 'd' data
    std::string bytes;  // the value: "0"/"1" and decimal digits for b and n
};

class TPrefStore {
public:
    // Reads the file; a missing file is an empty store, a damaged line is skipped.
    void Load(const std::string& path);
    // Writes the whole file next to the old one, then replaces it.
    bool Save(const std::string& path) const;

    const PrefValue* Find(int index) const;
    void Set(int index, char kind, const std::string& bytes);
    bool Remove(int index);
    bool Dirty() const { return dirty_; }
    void MarkSaved() { dirty_ = false; }

    // The file text and its reading, apart from the file (tests, fuzzing).
    std::string Text() const;
    void Parse(const std::string& text);

private:
    std::map<int, PrefValue> values_;
    bool dirty_ = false;
};

}  // namespace sdkclient
