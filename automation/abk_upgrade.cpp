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
#include "interfaces/address_room.h"

namespace orv::automation {

namespace {

constexpr const char* kVersionSection = "Version";
constexpr const char* kVersionKey = "No";

int ReadInt(const std::string& cfg, const char* section, const char* key, int fallback) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, cfg.c_str()));
}

bool WriteInt(const std::string& cfg, const char* section, const char* key, long value) {
    return WritePrivateProfileStringA(section, key, std::to_string(value).c_str(), cfg.c_str()) != FALSE;
}

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

// Steps 5 and 6.
bool ConvertConfig(const std::string& cfg, int format) {
    bool ok = true;
    if (format < 3) {
        const int check = ReadInt(cfg, "CheckSig", "Check", 1);
        const int include = ReadInt(cfg, "CheckSig", "Include", 0);
        const int signOnly = ReadInt(cfg, "Toolbar", "SignOnly", 0);
        ok = ok && WriteInt(cfg, "MixedOptions", "Warn", 1);
        ok = ok && WriteInt(cfg, "ADKWarning", "Warn", 1);
        ok = ok && WriteInt(cfg, "CheckMessage", "CheckKey", 0);
        ok = ok && WriteInt(cfg, "CheckMessage", "CheckSig", check);
        ok = ok && WriteInt(cfg, "CheckMessage", "Include", 2 - include);
        ok = ok && WriteInt(cfg, "Toolbar", "EncSign", 4 - 2 * signOnly);
        ok = ok && WritePrivateProfileStringA("CheckSig", nullptr, nullptr, cfg.c_str()) != FALSE;
    }
    if (ok && format < 4) ok = WriteInt(cfg, "StorePassphrase", "Store", ReadInt(cfg, "StorePassphrase", "Store", 0) - 1);
    return ok;
}

}  // namespace

bool UpgradeAfterInstall(TPLUtils& utils, TMerrowin& merrowin, const TStringLibrary& texts) {
    const std::string cfg = utils.ConfigFile();
    const long current = VersionNumber(utils.VersionText());
    if (!FileExists(cfg)) return true;
    const long recorded = ReadInt(cfg, kVersionSection, kVersionKey, 0);
    if (recorded >= current) return true;
    const bool fullAuto = ReadInt(cfg, "FullAuto", "Checked", 0) != 0;
    const bool signedToo = ReadInt(cfg, "FullAuto", "Signed", 0) != 0;
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
    else if (HasSection(cfg, "CheckSig")) configFormat = 2;
    if (!ConvertConfig(cfg, configFormat)) return false;
    return WriteInt(cfg, kVersionSection, kVersionKey, current);
}

}  // namespace orv::automation
