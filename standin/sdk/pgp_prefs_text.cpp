#include "standin/sdk/pgp_prefs_text.h"

#include <cctype>
#include <vector>

namespace sdk::pgpprefs {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(const std::string& s) {
    size_t first = 0, last = s.size();
    while (first < last && isBlank(s[first])) ++first;
    while (last > first && isBlank(s[last - 1])) --last;
    return s.substr(first, last - first);
}

bool sameName(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

// Length of the line end at i (CR LF, LF or CR), 0 when there is none.
size_t lineEndAt(const std::string& text, size_t i) {
    if (i >= text.size()) return 0;
    if (text[i] == '\r') return (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    return text[i] == '\n' ? 1 : 0;
}

// The logical lines of the file: a line ending in " \" goes on in the next
// one; when the broken part ends in a quote and the next begins with one, both
// quotes go too, so that the value reads as one quoted text.
std::vector<std::string> logicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size();) {
        const size_t end = lineEndAt(text, i);
        if (end == 0) {
            line += text[i++];
            continue;
        }
        i += end;
        if (line.size() >= 2 && line.compare(line.size() - 2, 2, " \\") == 0) {
            line.resize(line.size() - 2);
            if (!line.empty() && line.back() == '"' && i < text.size() && text[i] == '"') {
                line.pop_back();
                ++i;
            }
            continue;
        }
        lines.push_back(line);
        line.clear();
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string cleaned(std::string value) {
    if (value.size() >= 2 && value.compare(value.size() - 2, 2, " \\") == 0) value.resize(value.size() - 2);
    value = trimmed(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

std::string valueOf(const std::string& fileText, const char* name) {
    for (const std::string& line : logicalLines(fileText)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && sameName(trimmed(line.substr(0, eq)), name)) return cleaned(line.substr(eq + 1));
    }
    return {};
}

std::string fullKeyID(const std::string& text) {
    constexpr size_t kFull = 18;  // "0x" + 16 digits
    std::string id = text;
    while (id.size() > kFull && id.back() == '0') id.pop_back();
    if (id.size() > kFull && id[0] == '0' && (id[1] == 'x' || id[1] == 'X')) id = id.substr(0, 2) + id.substr(id.size() - 16);
    return id;
}

std::string withValue(const std::string& fileText, const char* name, const std::string& value) {
    const std::string line = std::string(name) + "=" + value;
    size_t logicalStart = 0;
    for (size_t i = 0; i < fileText.size();) {
        size_t end = i;
        while (end < fileText.size() && lineEndAt(fileText, end) == 0) ++end;
        const size_t next = end + lineEndAt(fileText, end);
        // A line ending in " \" goes on in the next one.
        const bool continued = end - i >= 2 && fileText.compare(end - 2, 2, " \\") == 0 && next > end;
        if (!continued) {
            const std::string logical = fileText.substr(logicalStart, end - logicalStart);
            const size_t eq = logical.find('=');
            if (eq != std::string::npos && sameName(trimmed(logical.substr(0, eq)), name))
                return fileText.substr(0, logicalStart) + line + fileText.substr(end);
            logicalStart = next;
        }
        i = next;
    }
    std::string text = fileText;
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') text += "\r\n";
    return text + line + "\r\n";
}

}  // namespace sdk::pgpprefs
