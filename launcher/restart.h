#pragma once
// "RESTART": waits for the mail client that asked for its restart to end,
// then starts it again from its stored command line, under the user named.

#include <string>
#include <vector>

#include "launcher/command_line.h"

namespace orv::launcher {

// How long the old client gets to end before the restart is given up.
constexpr unsigned long kRestartWaitMs = 60000;

// args: the launcher's arguments ("RESTART", the process handle in decimal,
// optionally the user name). "" when the client was started again, else why
// not, for the log.
std::string RestartClient(const std::vector<Argument>& args, const std::string& storedCommand);

// The process handle of the restart's second argument; null for anything
// but a decimal number of a handle this process may hold (not 0, not the
// pseudo handles of itself, nothing beyond 32 bits).
void* RestartHandle(const std::string& text);

}  // namespace orv::launcher
