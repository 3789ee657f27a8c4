#include "launcher/command_line.h"

#include "base/text.h"

namespace orv::launcher {

namespace {

// The mail client splits its command line as the C runtime does: backslashes
// before the closing quote would escape it and take the switches after the
// name into the name, so they are doubled.
std::string QuotedForClient(const std::string& user) {
    std::size_t trailing = 0;
    while (trailing < user.size() && user[user.size() - 1 - trailing] == '\\') ++trailing;
    return "\"" + user + std::string(trailing, '\\') + "\"";
}

}  // namespace

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
    if (SameTextNoCase(first, "PGPHelp")) return Command::Help;
    if (SameTextNoCase(first, "UserConfig")) return Command::UserConfig;
    if (SameTextNoCase(first, "UserUpdate")) return Command::UserUpdate;
    if (SameTextNoCase(first, "UserUninst")) return Command::UserUninst;
    if (SameTextNoCase(first, "Cleanup")) return Command::Cleanup;
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
        while (k < word.size() && UpperChar(line[i + k]) == word[k]) ++k;
        if (k < word.size()) continue;
        const std::size_t start = i + word.size() + 1;
        return start < line.size() ? line.substr(start) : std::string();
    }
    return {};
}

std::string RestartCommandLine(const std::string& stored, const std::string& user) {
    const std::vector<Argument> args = SplitCommandLine(stored);
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i].quoted || !SameTextNoCase(args[i].text, "-I")) continue;
        const std::string name = user.find_first_of(" \t") == std::string::npos ? user : QuotedForClient(user);
        // The old user name goes; what follows it stays as it was.
        const std::size_t rest = i + 1 < args.size() ? args[i + 1].end : stored.size();
        return stored.substr(0, args[i].end) + " " + name + stored.substr(rest);
    }
    return stored;
}

}  // namespace orv::launcher
