#pragma once
// The test user the stand-in plays: the client's registry keys, the mailbox
// directory and the identities in its "PMAIL.INI".

#include <string>
#include <vector>

namespace orv::mailclient {

struct Identity {
    std::string name;          // as shown in the editor's identity box
    std::string fromAddress;   // "Alternative From" of the identity
    std::string defaultBcc;    // "Default BCC field" of the identity
};

struct UserSetup {
    std::string userName = "tester";
    std::string mailboxDir;     // ends in "\"
    std::string programDir;     // ends in "\"; the client's base directory
    std::string commandLine;    // stored as the client's command
    // The default identity's addresses, then the named identities.
    std::string fromAddress;
    std::string defaultBcc;
    std::vector<Identity> identities;
    // Directory of the global address books, written as the PMR line of
    // "PEGASUS.INI" in the program directory when not empty.
    std::string globalBookDir;
};

// Directory text with exactly one trailing backslash ("" stays "").
std::string WithBackslash(std::string dir);
// The directory of the running program, ending in "\".
std::string ProgramDirectory();

// Creates the mailbox directory (and its parents), writes the registry
// values under "Software\Pegasus Mail" and the "PMAIL.INI". False with a
// reason on failure.
bool ApplyUserSetup(const UserSetup& user, std::string* error);

// The text of "PMAIL.INI" for the user.
std::string PmailIniText(const UserSetup& user);

// Reads the default value of a key below HKEY_CURRENT_USER; "" when absent.
std::string ReadUserRegistryDefault(const char* subKey);
bool WriteUserRegistryDefault(const char* subKey, const std::string& value);

}  // namespace orv::mailclient
