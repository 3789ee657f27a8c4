#include "formats/profile_text.h"

#include "base/text.h"

namespace orv {

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        pos = end + 1;
    }
    return lines;
}

// "[name]" gives the name; nothing for any other line.
bool SectionName(const std::string& line, std::string& name) {
    const std::string t(Trim(line));
    if (t.size() < 2 || t.front() != '[') return false;
    const size_t close = t.find(']');
    if (close == std::string::npos) return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

bool KeyName(const std::string& line, std::string& key) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(line.substr(0, eq));
    return !key.empty() && key[0] != ';';
}

void SetOne(std::vector<std::string>& lines, const ProfileValue& v) {
    const std::string entry = v.key + "=" + v.value;
    bool inSection = false;
    size_t lastOfSection = 0;
    bool sectionFound = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (SectionName(lines[i], name)) {
            if (sectionFound && inSection) break;  // the section ended without the key
            inSection = SameTextNoCase(name, v.section);
            if (inSection) {
                sectionFound = true;
                lastOfSection = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (!Trim(lines[i]).empty()) lastOfSection = i;
        std::string key;
        if (KeyName(lines[i], key) && SameTextNoCase(key, v.key)) {
            lines[i] = entry;
            return;
        }
    }
    if (sectionFound) {
        lines.insert(lines.begin() + std::ptrdiff_t(lastOfSection + 1), entry);
        return;
    }
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + v.section + "]");
    lines.push_back(entry);
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string out;
    size_t room = 0;
    for (const std::string& line : lines) room += line.size() + 2;
    out.reserve(room);
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace

std::string SetProfileValues(const std::string& text, const std::vector<ProfileValue>& values) {
    std::vector<std::string> lines = SplitLines(text);
    for (const ProfileValue& v : values) SetOne(lines, v);
    return JoinLines(lines);
}

std::string EraseProfileSection(const std::string& text, const std::string& section) {
    std::vector<std::string> kept;
    bool erasing = false;
    for (std::string& line : SplitLines(text)) {
        std::string name;
        if (SectionName(line, name)) erasing = SameTextNoCase(name, section);
        if (!erasing) kept.push_back(std::move(line));
    }
    return JoinLines(kept);
}

}  // namespace orv
