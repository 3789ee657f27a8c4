#include "launcher/command_line.h"

#include <cctype>

namespace orv::launcher {

namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (IsBlank(text[b]) || text[b] == '\r' || text[b] == '\n')) ++b;
    while (e > b && (IsBlank(text[e - 1]) || text[e - 1] == '\r' || text[e - 1] == '\n')) --e;
    return text.substr(b, e - b);
}

// The mail client splits its command line as the C runtime does: backslashes
// before the closing quote would escape it and take the switches after the
// name into the name, so they are doubled.
std::string QuotedForClient(const std::string& user) {
    std::size_t trailing = 0;
    while (trailing < user.size() && user[user.size() - 1 - trailing] == '\\') ++trailing;
    return "\"" + user + std::string(trailing, '\\') + "\"";
}

}  // namespace

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

std::vector<Argument> SplitCommandLine(const std::string& line) {
    std::vector<Argument> args;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        Argument arg;
        arg.begin = i;
        bool inQuotes = false;
        for (; i < line.size() && (inQuotes || !IsBlank(line[i])); ++i) {
            if (line[i] == '"') {
                inQuotes = !inQuotes;
                arg.quoted = true;
            } else {
                arg.text += line[i];
            }
        }
        arg.end = i;
        args.push_back(arg);
    }
    return args;
}

Command CommandOf(const std::vector<Argument>& args) {
    if (args.size() < 2) return Command::Server;
    const std::string& first = args[1].text;
    if (first == "RESTART") return Command::Restart;
    if (SameText(first, "PGPHelp")) return Command::Help;
    if (SameText(first, "UserConfig")) return Command::UserConfig;
    if (SameText(first, "UserUpdate")) return Command::UserUpdate;
    if (SameText(first, "UserUninst")) return Command::UserUninst;
    if (SameText(first, "Cleanup")) return Command::Cleanup;
    return Command::Server;
}

bool RestartArgumentsValid(const std::vector<Argument>& args) {
    const std::size_t count = args.empty() ? 0 : args.size() - 1;
    return count == 2 || count == 3;
}

std::string HelpTopic(const std::string& line) {
    static const std::string word = "PGPHELP";
    for (std::size_t i = 0; i + word.size() <= line.size(); ++i) {
        std::size_t k = 0;
        while (k < word.size() && Upper(line[i + k]) == word[k]) ++k;
        if (k < word.size()) continue;
        const std::size_t start = i + word.size() + 1;
        return start < line.size() ? line.substr(start) : std::string();
    }
    return {};
}

std::string RestartCommandLine(const std::string& stored, const std::string& user) {
    const std::vector<Argument> args = SplitCommandLine(stored);
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i].quoted || !SameText(args[i].text, "-I")) continue;
        const std::string name = user.find_first_of(" \t") == std::string::npos ? user : QuotedForClient(user);
        // The old user name goes; what follows it stays as it was.
        const std::size_t rest = i + 1 < args.size() ? args[i + 1].end : stored.size();
        return stored.substr(0, args[i].end) + " " + name + stored.substr(rest);
    }
    return stored;
}

std::vector<RegisteredUser> ReadRegisteredUsers(const std::string& text) {
    std::vector<RegisteredUser> users;
    std::string section;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t mark = line.find("=\"");
        // A user name may begin with "[": only a line without an entry's
        // "=\"" names a section.
        if (line.empty() || (line[0] == '[' && mark == std::string::npos)) {
            section = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string();
            continue;
        }
        if (mark == std::string::npos) continue;
        RegisteredUser entry;
        entry.section = section;
        entry.user = Trim(line.substr(0, mark));
        const std::size_t open = mark + 2;
        // The directory ends before the line's last character, its closing quote.
        entry.mailbox = line.size() > open ? line.substr(open, line.size() - 1 - open) : std::string();
        if (!line.empty() && line.back() != '"') entry.mailbox = line.substr(open);
        users.push_back(entry);
    }
    return users;
}

}  // namespace orv::launcher
