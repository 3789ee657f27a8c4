#pragma once
// The manager window and the configuration dialog as the session starts
// them: the exports ShowManager and ShowConfig, the launcher's forms
// "MANAGER" and "CONFIG", and the mapping between the session's settings and
// the dialog's record.

#include <string>
#include <vector>

#include "formats/profile_text.h"
#include "ui/config_values.h"

namespace orv {

class TPluginParams;
class TPGPData;
class TConfigFile;

// The launcher's form of mode -1: "MANAGER" shows the manager modally,
// "CONFIG" runs the per-user setup (the configuration dialog when the setup
// needs it). True only when the window ran, or the setup did its work.
bool RunLauncherWindow(TPluginParams& session);

// The session's configure operation: the PGP configuration check, the
// dialog, an open manager's colours, and inside the mail client the restart
// question after a saved toolbar change. True when the dialog ran.
bool Configure(TPluginParams& session);

// ---- The settings and the dialog's record, one function each way --------------
// The file's values with the dialog's defaults; name and paths fall back to
// what the session knows (`data`).
ui::ConfigValues ReadConfigValues(const TConfigFile& file, const TPGPData& data);
// Every key the dialog writes, with its text.
std::vector<ProfileValue> ConfigProfileValues(const ui::ConfigValues& values);
// The saved values in the session's settings.
void ApplyConfigValues(const ui::ConfigValues& values, TPGPData& data);
// Message 1028's wParam for the automation plug-in.
unsigned OptionsNotice(const ui::ConfigValues& values);

}  // namespace orv
