#pragma once
// The key operations behind the main library's key exports (and the
// manager's key buttons): deletion, export to the editor or the clipboard,
// the fingerprint display, the key fetch from a key server and the key-ID
// upgrade of the AutoList.

#include <functional>
#include <string>
#include <vector>

namespace orv {

class TPluginParams;

// Deletes the keys the user chooses. The deleted keys' IDs come back
// comma-separated; true only when the user wants their AutoList entries
// removed too (fromManager: the report is shown with Info instead).
bool DeleteChosenKeys(TPluginParams& session, bool fromManager, std::string& deletedKeyIDs);
// Exports the chosen keys: with no path to the current message editor, or
// to the clipboard when there is none; to the clipboard for the path
// ":CLIP:"; else to the file. True when they went to the editor.
bool ExtractChosenKeys(TPluginParams& session, const std::string& path);
void ShowChosenFingerprint(TPluginParams& session);
// Fetches the key from the key server and imports it; true when keys came.
bool FetchKey(TPluginParams& session, const std::string& keyIDText);
bool LaunchPGPkeys(TPluginParams& session);
// Number of keys on the user's rings, negative on failure.
int CountRingKeys();

// The fingerprint text with one more blank after its first half of groups.
std::string SplitFingerprint(const std::string& fingerprint);
// The one line of an exported key: user ID, algorithm name, size text.
std::string ExportLine(const std::string& userID, const std::string& algorithm, const std::string& size);

// AutoList entries "address\Fx" + 8 hexadecimal digits get the full 16-digit
// key ID that `fullKeyID` finds for "0x" + the 8 digits ("" when none or
// more than one key matches). Every other line stays as it is. The number
// of entries changed.
int UpgradeAutoListKeyIDs(const std::string& text, const std::function<std::string(const std::string&)>& fullKeyID,
                          std::string& upgraded);
// The same with the full key IDs from the user's rings, read once for the
// whole list.
int UpgradeAutoListKeyIDsFromRings(const std::string& text, std::string& upgraded);

}  // namespace orv
