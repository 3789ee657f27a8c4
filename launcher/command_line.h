#pragma once
// The launcher's command line and the texts it derives from command lines:
// the job chosen by the first argument, the help topic, and the mail client's
// command line for a restart under another user. Free of Win32.

#include <cstddef>
#include <string>
#include <vector>

namespace orv::launcher {

// One argument of a command line and where it stands in the raw text.
struct Argument {
    std::string text;  // without its grouping double quotes
    std::size_t begin = 0;
    std::size_t end = 0;  // one past its last character
    bool quoted = false;
};

// Splits as the system's start-up code does: blanks and tabs separate,
// double quotes group. The first argument is the program.
std::vector<Argument> SplitCommandLine(const std::string& line);

enum class Command { Restart, Help, UserConfig, UserUpdate, UserUninst, Cleanup, Server };

// The job of the first argument after the program: "RESTART" in exactly
// that case, the others in any case; anything else starts the server.
Command CommandOf(const std::vector<Argument>& args);

// "RESTART", the process handle and at most the user name: any other count
// is not a restart the launcher carries out.
bool RestartArgumentsValid(const std::vector<Argument>& args);

// The raw command line after the first "PGPHelp" (any case) and one more
// character; "" without it.
std::string HelpTopic(const std::string& line);

// The mail client's stored command line for a start under the user: the
// argument after a "-I" of its own (any case) is replaced by the user name,
// quoted when it holds a blank; everything else stays as it was. Without
// such a "-I" the line is returned unchanged.
std::string RestartCommandLine(const std::string& stored, const std::string& user);

}  // namespace orv::launcher
