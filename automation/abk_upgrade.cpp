// The upgrade after installation: an older recipient list and configuration
// converted once. The list is done first, since it may fail; the
// configuration is converted only after it, and the version is recorded only
// when every step worked, so that no conversion ever runs twice.
#include <windows.h>

#include <string>

#include "automation/abk.h"
#include "automation/merrowin_bridge.h"
#include "automation/pl_utils.h"
#include "automation/string_library.h"
#include "base/installation.h"
#include "interfaces/address_room.h"
#include "base/whole_file.h"
#include "formats/config_file.h"
#include "interfaces/address_room.h"

namespace orv::automation {

namespace {

bool HasSection(const std::string& cfg, const char* section) {
    char buffer[64] = {};
    return GetPrivateProfileSectionA(section, buffer, sizeof buffer, cfg.c_str()) > 0;
}

// The header of a list file; empty when it cannot be read.
TLines HeaderOf(const std::string& path) {
    std::string text;
    if (!ReadWholeFile(path, text)) return {};
    return TakeHeader(text).Header;
}

// Steps 3, 4 and 7 for the user's list: false when a step failed.
bool UpgradeList(const TPLUtils& utils, TMerrowin& merrowin, char flagDigit, long recorded, int* listFormat,
                 bool* named) {
    const std::string path = utils.MailboxDir() + kAutoListFileName;
    *listFormat = kCurrentListFormat;
    *named = false;
    if (!FileExists(path)) return true;
    std::string text;
    if (!ReadWholeFile(path, text)) return false;
    TAutoListText list = TakeHeader(text);
    *named = HeaderNamesFormat(list.Header);
    *listFormat = *named ? HeaderFormat(list.Header) : UnnamedListFormat(list.Body, recorded);
    if (*listFormat >= kCurrentListFormat) return true;
    const TLines delivered = HeaderOf(utils.InstallDir() + kAutoListFileName);
    // The delivered header says the new format; without it the list cannot
    // be rewritten, and the upgrade waits for a complete installation.
    if (delivered.empty()) return false;
    if (*listFormat < 2) ConvertOldEntries(list.Body, *listFormat, flagDigit);
    if (!list.Body.empty()) {
        const std::string body = JoinLines(list.Body);
        const std::size_t room = addrroom::FindKeys(body);
        std::string buffer = UnwrittenBuffer(room);
        const int result = merrowin.FindKeysDirect(body, buffer, true);
        if (result < 0 || !ExportWrote(buffer)) return false;
        list.Body = SplitLines(buffer);
    }
    return ReplaceWholeFile(path, WithHeader(delivered, list.Body));
}

// Steps 5 and 6, with the version: one replacement of the file.
bool ConvertConfig(const TConfigFile& cfg, int format, long current) {
    std::vector<ProfileValue> values;
    std::vector<std::string> erased;
    if (format < 3) {
        const int signOnly = cfg.Read(Cfg::OldSignOnly);
        values.push_back(TConfigFile::Value(Cfg::MixedWarn, 1));
        values.push_back(TConfigFile::Value(Cfg::ADKWarn, 1));
        values.push_back(TConfigFile::Value(Cfg::CheckKey, 0));
        values.push_back(TConfigFile::Value(Cfg::CheckSig, cfg.Read(Cfg::OldCheckSig)));
        values.push_back(TConfigFile::Value(Cfg::Include, 2 - cfg.Read(Cfg::OldInclude)));
        values.push_back(TConfigFile::Value(Cfg::EncSign, 4 - 2 * signOnly));
        erased.push_back(KeyOf(Cfg::OldCheckSig).section);
    }
    // The old Store counted from 0 and had no range.
    const ConfigKey& store = KeyOf(Cfg::Store);
    if (format < 4) values.push_back(TConfigFile::Value(Cfg::Store, cfg.ReadInteger(store.section, store.key, 0) - 1));
    values.push_back(TConfigFile::Value(Cfg::Version, static_cast<int>(current)));
    return cfg.Write(values, erased);
}

}  // namespace

bool UpgradeAfterInstall(TPLUtils& utils, TMerrowin& merrowin, const TStringLibrary& texts) {
    const TConfigFile cfg(utils.ConfigFile());
    const long current = VersionNumber(utils.VersionText());
    if (!cfg.Exists()) return true;
    const long recorded = cfg.Read(Cfg::Version);
    if (recorded >= current) return true;
    const bool fullAuto = cfg.ReadFlag(Cfg::FullAuto);
    const bool signedToo = cfg.ReadFlag(Cfg::FullAutoSigned);
    const char flagDigit = fullAuto && !signedToo ? '1' : '3';

    int listFormat = kCurrentListFormat;
    bool named = false;
    if (!UpgradeList(utils, merrowin, flagDigit, recorded, &listFormat, &named)) {
        merrowin.Error(texts.Text(txt::IDS_ERR));
        merrowin.ReleaseProc();
        return false;
    }
    // The configuration's own version decides its conversions. Without a
    // recorded one, the list's header (installed with it) speaks for it;
    // without that, only an old section proves an old configuration.
    int configFormat = kCurrentListFormat;
    if (recorded > 0) configFormat = FormatOfVersion(recorded);
    else if (named) configFormat = listFormat;
    else if (HasSection(cfg.Path(), KeyOf(Cfg::OldCheckSig).section)) configFormat = 2;
    return ConvertConfig(cfg, configFormat, current);
}

}  // namespace orv::automation
