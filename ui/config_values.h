#pragma once
// The values the configuration dialog edits: one plain record for the three
// stores (configuration file, the engine's first key server, the host's
// settings), and the rules that compare two copies of it. Free of Win32.

#include <string>
#include <vector>

#include "formats/settings.h"
#include "ui/file_names.h"

namespace orv::ui {

struct ConfigValues {
    // PGP Defaults
    std::string name;  // user ID, "\", key ID
    bool always = KeyOf(Cfg::Always).fallback;
    int serverProtocol = 1;  // 1 ldap, 2 http, 3 ldaps, 4 https
    std::string serverName;
    int serverPort = 0;
    int serverExtra = 0;  // the engine's own number, kept as read
    std::string secRing;
    std::string pubRing;
    std::string groups;
    std::string comment;
    // Pegasus/Toolbar: the host's settings 34, 1 and 32
    int lines = 25;
    int margin = 80;
    bool mimeEnclosure = false;
    // Pegasus/Toolbar: the automation plug-in's buttons
    bool wipePass = KeyOf(Cfg::WipePass).fallback;
    int encSigBtn = KeyOf(Cfg::EncSign).fallback;
    bool decrypt = KeyOf(Cfg::Decrypt).fallback;
    bool verify = KeyOf(Cfg::Verify).fallback;
    bool manage = KeyOf(Cfg::Manage).fallback;
    bool pgpKeys = KeyOf(Cfg::PGPkeys).fallback;
    // Plugin Options
    bool autoEncryption = KeyOf(Cfg::Auto).fallback;
    bool hideKeyDialog = KeyOf(Cfg::Hide).fallback;
    bool encryptAttach = KeyOf(Cfg::Encrypt).fallback;
    bool confirmEncrypt = KeyOf(Cfg::Confirm).fallback;
    bool mixedWarn = KeyOf(Cfg::MixedWarn).fallback;
    bool adkWarn = KeyOf(Cfg::ADKWarn).fallback;
    bool checkKey = KeyOf(Cfg::CheckKey).fallback;
    bool serverLookup = KeyOf(Cfg::Lookup).fallback;
    bool checkSig = false;  // the dialog's own default, unlike the table's
    int include = KeyOf(Cfg::Include).fallback;  // 0 none, 1 reader window, 2 separate window
    int storeSeconds = KeyOf(Cfg::Store).fallback;
    int wipeCount = KeyOf(Cfg::Count).fallback;
    bool standardColors = KeyOf(Cfg::Standard).fallback;
};

// Ranges of the number fields; those of "Merrowin.cfg" are its table's.
constexpr int kLinesMin = 20, kLinesMax = 999;
constexpr int kMarginMin = 1, kMarginMax = 256;
constexpr int kSecondsMin = KeyOf(Cfg::Store).lowest, kSecondsMax = KeyOf(Cfg::Store).highest;
constexpr int kWipeCountMin = KeyOf(Cfg::Count).lowest, kWipeCountMax = KeyOf(Cfg::Count).highest;
constexpr int kPortMax = 65535;
constexpr int kEncSigChoices = KeyOf(Cfg::EncSign).highest + 1;

// A toolbar button setting differs: the automation plug-in rebuilds its
// buttons only when the mail client starts again.
bool ToolbarChanged(const ConfigValues& opening, const ConfigValues& working);
// The dialog counts as changed: names and comment exactly, paths ignoring
// case, everything else by value. Host values only count inside the host.
bool ConfigChanged(const ConfigValues& opening, const ConfigValues& working, bool withHostValues);

// The port field's text: digits only, at most five of them, at most 65535.
// Empty text leaves the port as it was. False for anything else.
bool ParsePortText(const std::string& text, int current, int& port);

// The largest header of the first ten messages of a folder text (messages
// separated by character 26) in lines: the line feeds up to the first empty
// line. 0 for an empty folder.
int EstimateHeaderLength(const std::string& folder);

// The key list's item for a secret key: user ID, a blank and the
// algorithm and size text in parentheses.
std::string KeyListItem(const std::string& userID, const std::string& algorithmAndSize);

// One secret key of the default-key list.
struct SecretKeyItem {
    std::string keyID;      // the list's string: the full key-ID text
    std::string text;       // KeyListItem
    std::string algorithm;  // the algorithm's name, for the label above the list
};

// The item to select for a stored name "user ID\key ID": the one with the
// same key ID, else the first whose text contains the user ID, else the
// first; -1 without items.
int SelectKeyItem(const std::vector<SecretKeyItem>& items, const std::string& storedName);

}  // namespace orv::ui
