#pragma once
// The launcher's word to the plug-in that a restart of the mail client is
// under way: a named event that the plug-in creates before it starts the
// launcher and the launcher sets once it holds the client's process handle
// and a command line to start again. Only then does the plug-in close the
// client; a launcher that ended without setting it restarted nothing.

#include <string>

namespace orv {

// One event per client process, so that two clients never mistake each
// other's restart.
inline std::string RestartReadyEventName(unsigned long clientProcessId) {
    return "Orvane.RestartReady." + std::to_string(clientProcessId);
}

}  // namespace orv
