#include "ui/config_values.h"

#include <tuple>

#include "base/text.h"

namespace orv::ui {

namespace {

auto ToolbarTie(const ConfigValues& v) {
    return std::tie(v.wipePass, v.encSigBtn, v.decrypt, v.verify, v.manage, v.pgpKeys);
}

auto OptionsTie(const ConfigValues& v) {
    return std::tie(v.always, v.autoEncryption, v.hideKeyDialog, v.encryptAttach, v.confirmEncrypt, v.mixedWarn,
                    v.adkWarn, v.checkKey, v.serverLookup, v.checkSig, v.include, v.storeSeconds, v.wipeCount,
                    v.standardColors);
}

auto ServerTie(const ConfigValues& v) { return std::tie(v.serverProtocol, v.serverName, v.serverPort); }

}  // namespace

bool ToolbarChanged(const ConfigValues& opening, const ConfigValues& working) {
    return ToolbarTie(opening) != ToolbarTie(working);
}

bool ConfigChanged(const ConfigValues& opening, const ConfigValues& working, bool withHostValues) {
    if (ServerTie(opening) != ServerTie(working)) return true;
    if (opening.name != working.name || opening.comment != working.comment) return true;
    if (!SamePath(opening.secRing, working.secRing) || !SamePath(opening.pubRing, working.pubRing) ||
        !SamePath(opening.groups, working.groups))
        return true;
    if (OptionsTie(opening) != OptionsTie(working)) return true;
    if (withHostValues && (opening.lines != working.lines || opening.margin != working.margin ||
                           opening.mimeEnclosure != working.mimeEnclosure))
        return true;
    return ToolbarChanged(opening, working);
}

bool ParsePortText(const std::string& text, int current, int& port) {
    const std::string digits(Trim(text));
    if (digits.empty()) {
        port = current;
        return true;
    }
    if (digits.size() > 5) return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > kPortMax) return false;
    port = value;
    return true;
}

int EstimateHeaderLength(const std::string& folder) {
    int longest = 0;
    size_t pos = 0;
    for (int message = 0; message < 10 && pos < folder.size(); ++message) {
        size_t end = folder.find('\x1a', pos);
        if (end == std::string::npos) end = folder.size();
        // The header ends at the first empty line; its lines are counted by
        // their line feeds, so that a header of 30 lines estimates 30.
        int feeds = 0;
        bool lineEmpty = true;
        bool headerSeen = false;
        for (size_t i = pos; i < end; ++i) {
            const char c = folder[i];
            if (c == '\n') {
                if (lineEmpty && headerSeen) break;
                ++feeds;
                headerSeen = true;
                lineEmpty = true;
            } else if (c != '\r') {
                lineEmpty = false;
            }
        }
        if (feeds > longest) longest = feeds;
        pos = end + 1;
    }
    return longest;
}

std::string KeyListItem(const std::string& userID, const std::string& algorithmAndSize) {
    return userID + " (" + algorithmAndSize + ")";
}

int SelectKeyItem(const std::vector<SecretKeyItem>& items, const std::string& storedName) {
    if (items.empty()) return -1;
    const size_t cut = storedName.rfind('\\');
    const std::string userID(Trim(cut == std::string::npos ? storedName : storedName.substr(0, cut)));
    const std::string keyID = cut == std::string::npos ? std::string() : std::string(Trim(storedName.substr(cut + 1)));
    if (!keyID.empty())
        for (size_t i = 0; i < items.size(); ++i)
            if (SamePath(items[i].keyID, keyID)) return int(i);
    if (!userID.empty())
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].text.find(userID) != std::string::npos) return int(i);
    return 0;
}

}  // namespace orv::ui
