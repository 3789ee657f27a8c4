#pragma once
// What the deliverables know of an installation: where it is recorded, and
// how the installer asks the launcher for a set-up that nobody watches.

namespace orv {

// Local machine: the installation directory.
constexpr const char* kInstallKey = "Software\\Tamberlow\\Fennick";
constexpr const char* kInstallValue = "InstallDir1";

// Argument after a set-up command ("UserConfig /S"): no boxes and no
// dialogs; the launcher's exit code and a line in its log tell the result.
constexpr const char* kSilentSwitch = "/S";
// The launcher's log, beside "Users.cfg" in the installation directory.
constexpr const char* kLauncherLogName = "Tolvane.log";

}  // namespace orv
