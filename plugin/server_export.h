#pragma once
// The file encryption window in launcher mode: FORMINIT "SERVER" shows it
// modally over the session's jobs.

namespace orv {

class TPluginParams;

// Shows the window with the process's command-line files; on its end the
// session window goes too, which ends the stand-alone program.
void RunServerForm(TPluginParams& session);

}  // namespace orv
