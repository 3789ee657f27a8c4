#pragma once
// How the launcher tells why a command could not do its work: a box for the
// user who started it, or, in a silent set-up and in the restart that nobody
// watches, its exit code and a line in "Tolvane.log" beside "Users.cfg".

#include <string>

#include "base/installation.h"
#include "interfaces/mail_client.h"
#include "strings/text_numbers.h"

namespace orv::launcher {

// Exit codes of the launcher; the engine's fatal start keeps the loader's
// own code (1114).
enum class LauncherExit : int {
    Done = 0,
    NotInstalled = 2,     // no installation directory recorded
    NoStringLibrary = 3,
    NoEngine = 4,
    NoMainLibrary = 5,
    Busy = 6,             // another launcher holds the single-instance lock
    NoMailUser = 7,       // the mail client's user or mailbox is not recorded
    SetupRefused = 8,     // the main library's set-up failed
    SetupIncomplete = 9,  // files missing after set-up, or left after removal
    RestartFailed = 10,
    UpdateIncomplete = 11,
};

// The texts of the launcher's own failures: they must be told even when the
// string library is the part that is missing.
namespace failure {
inline std::string NotInstalled() {
    return std::string("Orvane's installation folder is not recorded (value \"") + kInstallValue + "\" under \"" +
           kInstallKey + "\"). Run the installer again.";
}
constexpr const char* kNoStringLibrary = "Cannot load Orvane's string library:\r\n";
constexpr const char* kNoMainLibrary = "Cannot load Orvane's main library:\r\n";
constexpr const char* kBusy =
    "Another Orvane launcher is at work. Wait until it has finished, then try again.";
inline std::string NoMailUser() {
    return std::string("No Pegasus Mail user is recorded for this Windows user (\"") + host::kRegRoot +
           "\": Username and Mailbox). Start Pegasus Mail once, then set up again.";
}
constexpr const char* kFormsNotCopied = "Cannot copy the forms files into the mailbox ";
constexpr const char* kSetupRefused = "The main library could not set up the user: ";
constexpr const char* kMissingAfterSetup = "The set-up did not finish; missing in the mailbox ";
constexpr const char* kLeftAfterRemoval = "The files could not all be removed from the mailbox ";
constexpr const char* kRestartFailed = "The mail client could not be restarted: ";
}  // namespace failure

class LauncherReport {
public:
    // command: the command as given, for the log; logFile: "" when the
    // installation directory is unknown.
    LauncherReport(std::string command, bool silent, std::string logFile);

    bool Silent() const { return silent_; }
    // The failure told; its exit code.
    int Fail(LauncherExit code, const std::string& text, const std::string& title = txt::BuiltInText(txt::ERROR_TITLE)) const;
    // A line in the log only (what a silent run did).
    void Note(const std::string& text) const;
    // A box the user answers, or nothing in a silent run (then: fallback).
    int Ask(const std::string& text, const std::string& title, unsigned icon, int fallback) const;

private:
    std::string command_;
    bool silent_;
    std::string logFile_;
};

}  // namespace orv::launcher
