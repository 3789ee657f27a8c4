// Fuzz target for the preference-file text rules: any bytes must load, join
// and split without fault, in time linear in their size.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/text.h"
#include "engine/prefs_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto lines = orv::SplitPrefLines(bytes);
    const std::string joined = orv::JoinPrefLines(lines);
    // Joining only adds the CR LF after each line and only removes text.
    std::size_t total = 0;
    for (const auto& l : lines) total += l.size() + 2;
    if (joined.size() > total) __builtin_trap();

    for (const auto& line : orv::SplitPrefLines(joined)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string value = orv::CleanPrefValue(line.substr(eq + 1));
        if (value.size() > line.size()) __builtin_trap();
        const auto fields = orv::SplitPrefFields(value);
        const auto raw = orv::SplitRawPrefFields(value);
        if (fields.size() != raw.size() || fields.empty()) __builtin_trap();
        int number = 0;
        for (const auto& f : fields) orv::ParsePrefInt(f, number);
        if (fields.size() > 4) {
            const std::string url = orv::KeyServerURL(number, fields[3], fields[4]);
            if (!url.empty() && url.find("://") == std::string::npos) __builtin_trap();
        }
        const std::string id = orv::FullHexID(value);
        if (id.size() > value.size()) __builtin_trap();
        if (id.size() > 18 && id[0] == '0' && (id[1] == 'x' || id[1] == 'X')) __builtin_trap();
        orv::SameTextNoCase(line.substr(0, eq), "DefaultKeyID");
    }
    return 0;
}
