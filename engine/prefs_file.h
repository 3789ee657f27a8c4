#pragma once
// Release 7 keeps its preferences in "PGPprefs.txt", name=value lines in
// which a long value may continue over several lines with " \" at the end.

#include <string>
#include <vector>

#include "engine/pgp_prefs.h"

namespace orv {

class TPrefsFile : public TPgpPrefs {
public:
    // Paths below the user's application-data folder.
    TPrefsFile();
    TPrefsFile(std::string prefsPath, std::string groupsPath);

    bool LoadPrefs();
    // Replaces the file as a whole: a failed save leaves the old file intact.
    bool SavePrefs();

    // The cleaned value of the first line named `name` (case-insensitive),
    // empty when there is none.
    std::string Value(const std::string& name) const;
    void SetValue(const std::string& name, const std::string& value);

    static std::string GetFullHexID(const std::string& keyID);
    static std::string GetPGPKeyIDString(const unsigned char (&keyID)[36]);

    int ReadPrefs(PrefsRecord& record, unsigned mask) override;
    int ReadKeyServerURLs(std::vector<std::string>& urls) override;
    int ReadFirstKeyServer(KeyServerEntry& entry) override;
    int WriteFirstKeyServer(const KeyServerEntry& entry) override;
    bool MarginalIsInvalid() override;
    int ReadPreferredAlgorithms(std::vector<int>& algorithms) override;

    std::vector<std::string> PrefsData;
    std::string PrefsPath;
    std::string GroupsPath;

private:
    // Each reading operation loads the file and empties PrefsData afterwards.
    class Session;
};

}  // namespace orv
