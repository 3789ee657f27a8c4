#include "ui/file_names.h"

#include <cctype>

#include "base/text.h"

namespace orv::ui {

namespace {

std::size_t NameStart(const std::string& path) {
    const std::size_t p = path.find_last_of("\\/:");
    return p == std::string::npos ? 0 : p + 1;
}

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

std::string DirectoryOf(const std::string& path) { return path.substr(0, NameStart(path)); }

std::string FileNameOf(const std::string& path) { return path.substr(NameStart(path)); }

std::string ExtensionOf(const std::string& path) {
    const std::string name = FileNameOf(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string WithoutExtension(const std::string& path) {
    return path.substr(0, path.size() - ExtensionOf(path).size());
}

std::string ShortName(const std::string& path) {
    const std::string name = FileNameOf(path);
    if (name.size() <= 12) return name;
    return "\"" + name.substr(0, 7) + "~" + ExtensionOf(name) + "\"";
}

std::string OutputByRule(bool encrypt, const std::string& source, const std::string& outputDir,
                         const std::string& outputExt) {
    if (encrypt) return source + outputExt;
    return outputDir + WithoutExtension(FileNameOf(source)) + outputExt;
}

bool SamePath(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] == '/' ? '\\' : LowerChar(a[i]);
        char y = b[i] == '/' ? '\\' : LowerChar(b[i]);
        if (x != y) return false;
    }
    return true;
}

bool IsTemporaryName(const std::string& path) {
    const std::string ext = ExtensionOf(path);
    return ext.size() == 4 && LowerChar(ext[1]) == 't' && LowerChar(ext[2]) == 'm' && LowerChar(ext[3]) == 'p';
}

bool IsRichText(const std::string& text) {
    return text.size() >= 5 && text.compare(0, 5, "{\\rtf") == 0;
}

bool HasBinaryData(const std::string& bytes) {
    if (bytes.size() < 2) return false;
    return bytes.find('\0') < bytes.size() - 1;
}

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

std::string NameFittingFolder(std::string_view folder, std::string_view name, std::size_t reserved) {
    const bool separated = folder.empty() || folder.back() == '\\' || folder.back() == '/' || folder.back() == ':';
    const std::size_t used = folder.size() + (separated ? 0 : 1) + reserved;
    if (used >= kPathChars) return {};
    const std::size_t room = kPathChars - used;
    if (name.size() <= room) return std::string(name);
    const std::string whole(name);
    std::string extension = ExtensionOf(whole);
    // An extension longer than half the room is part of what is cut.
    if (extension.size() > room / 2) extension.clear();
    std::string stem = whole.substr(0, room - extension.size());
    // The file system drops trailing blanks and dots: the stem keeps none.
    while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) stem.pop_back();
    return stem + extension;
}

}  // namespace orv::ui
