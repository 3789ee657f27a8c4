#include "ui/file_names.h"

#include <cctype>

namespace orv::ui {

namespace {

bool Forbidden(unsigned char c) {
    return c < 32 || c == '"' || c == '*' || c == '<' || c == '>' || c == '?' || c == '|';
}

bool IsDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CLOCK$") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '0' && stem[3] <= '9';
}

}  // namespace

std::string SafeFileName(std::string_view name) {
    const std::size_t separator = name.find_last_of("\\/:");
    if (separator != std::string_view::npos) name.remove_prefix(separator + 1);
    std::string result;
    result.reserve(name.size());
    for (char c : name)
        if (!Forbidden(static_cast<unsigned char>(c))) result += c;
    // The file system drops trailing dots and blanks; leading ones hide or
    // misname the file.
    std::size_t b = 0, e = result.size();
    while (b < e && (result[b] == ' ' || result[b] == '.')) ++b;
    while (e > b && (result[e - 1] == ' ' || result[e - 1] == '.')) --e;
    result = result.substr(b, e - b);
    if (!result.empty() && IsDeviceName(result)) result = "_" + result;
    return result;
}

}  // namespace orv::ui
