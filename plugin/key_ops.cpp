#include "plugin/key_ops.h"

#include <windows.h>

#include <cctype>
#include <memory>

#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "engine/adapters.h"
#include "engine/key_props.h"
#include "engine/key_rings.h"
#include "engine/sdk_table.h"
#include "interfaces/mail_client.h"
#include "plugin/msgbox.h"
#include "plugin/session.h"
#include "strings/text_client.h"
#include "ui/window.h"

namespace orv {

namespace {

using sdk::Call;
using sdk::Sdk;

std::string Text(int number) { return texts::Get(number); }

// The file name the file dialogs give for their clipboard button.
constexpr const char* kClipboardName = ":CLIP:";
// The cancel question: question kind, No as the default button.
constexpr int kCancelBoxFlags = 288;

PGPWindowRef Owner(const TPluginParams& session) { return reinterpret_cast<PGPWindowRef>(session.Owner()); }

void ShowError(TPluginParams& session, PGPError err) {
    if (err == 0 || err == kPGPError_UserAbort || !session.MsgBox) return;
    const std::string text = texts::ErrorText(err);
    session.MsgBox->Error(text.c_str());
}

// The user's rings for one operation, closed again at the end of the scope.
class OpenRings {
public:
    OpenRings() {
        err_ = KeyRings() ? KeyRings()->OpenKeyRings(context_, keySet_) : kPGPError_EngineNotLoaded;
    }
    ~OpenRings() {
        if (err_ == kPGPError_NoErr && KeyRings()) KeyRings()->CloseKeyRings();
    }
    OpenRings(const OpenRings&) = delete;
    OpenRings& operator=(const OpenRings&) = delete;
    PGPError error() const { return err_; }
    PGPContextRef context() const { return context_; }
    PGPKeySetRef keySet() const { return keySet_; }

private:
    PGPError err_ = kPGPError_EngineNotLoaded;
    PGPContextRef context_ = nullptr;
    PGPKeySetRef keySet_ = nullptr;
};

struct KeySet {
    PGPKeySetRef set = nullptr;
    ~KeySet() {
        if (set && Sdk().PGPFreeKeySet) Sdk().PGPFreeKeySet(set);
    }
};

std::string IDsOf(const TKeyPropsList& list, const char* separator) {
    std::string ids;
    for (int i = 0; i < list.Count(); ++i) ids += (i ? separator : "") + list.Strings(i);
    return ids;
}

bool CopyToClipboard(HWND owner, const std::string& text) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool ok = false;
    if (mem) {
        {
            GlobalLock lock(mem);
            if (lock.get()) {
                memcpy(lock.get(), text.c_str(), text.size() + 1);
                ok = true;
            }
        }
        ok = ok && SetClipboardData(CF_TEXT, mem) != nullptr;
        if (!ok) GlobalFree(mem);
    }
    CloseClipboard();
    return ok;
}

bool IsMessageEditor(HWND wnd) {
    if (!wnd || !IsWindow(wnd)) return false;
    char name[32] = {};
    GetClassNameA(wnd, name, sizeof name);
    return std::string(name) == host::kEditorClass;
}

}  // namespace

std::string SplitFingerprint(const std::string& fingerprint) {
    std::vector<size_t> blanks;
    for (size_t i = 0; i < fingerprint.size(); ++i)
        if (fingerprint[i] == ' ') blanks.push_back(i);
    if (blanks.empty()) {
        std::string out = fingerprint;
        out.insert(out.size() / 2, " ");
        return out;
    }
    // groups = blanks + 1; the blank after the first half of the groups.
    const size_t groups = blanks.size() + 1;
    std::string out = fingerprint;
    out.insert(blanks[groups / 2 - 1], " ");
    return out;
}

std::string ExportLine(const std::string& userID, const std::string& algorithm, const std::string& size) {
    return userID + ", " + algorithm + ", " + size;
}

int UpgradeAutoListKeyIDs(const std::string& text, const std::function<std::string(const std::string&)>& fullKeyID,
                          std::string& upgraded) {
    upgraded.clear();
    upgraded.reserve(text.size() + text.size() / 4);
    int changed = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        const size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos) end = text.size();
        size_t contentEnd = end;
        if (contentEnd > pos && text[contentEnd - 1] == '\r') --contentEnd;
        std::string line = text.substr(pos, contentEnd - pos);
        const std::string lineEnd = text.substr(contentEnd, next - contentEnd);
        pos = next;
        const size_t cut = line.rfind('\\');
        if (!line.empty() && line[0] != '#' && cut != std::string::npos) {
            size_t k = cut + 1;
            while (k < line.size() && line[k] == ' ') ++k;
            size_t e = line.size();
            while (e > k && (line[e - 1] == ' ' || line[e - 1] == '\t')) --e;
            const std::string field = line.substr(k, e - k);
            bool shortID = field.size() == 10 && (field[1] == 'x' || field[1] == 'X');
            for (size_t i = 2; shortID && i < field.size(); ++i)
                shortID = std::isxdigit(static_cast<unsigned char>(field[i])) != 0;
            if (shortID) {
                const std::string full = fullKeyID("0x" + field.substr(2));
                if (full.size() == 18) {
                    std::string digits = full.substr(2);
                    for (char& c : digits) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                    line = line.substr(0, k) + field.substr(0, 2) + digits + line.substr(e);
                    ++changed;
                }
            }
        }
        upgraded += line + lineEnd;
    }
    return changed;
}

int UpgradeAutoListKeyIDsFromRings(const std::string& text, std::string& upgraded) {
    // Held open across the lines: each look-up alone would read the whole
    // rings anew, seconds for a list of a few thousand entries.
    OpenRings held;
    return UpgradeAutoListKeyIDs(
        text,
        [](const std::string& id) {
            std::string first;
            return CountKeys(id, &first) == 1 ? first : std::string();
        },
        upgraded);
}

int CountRingKeys() {
    OpenRings rings;
    if (rings.error() != kPGPError_NoErr) return rings.error();
    PGPUInt32 n = 0;
    const PGPError err = Call(Sdk().PGPCountKeys, rings.keySet(), &n);
    return err != kPGPError_NoErr ? err : static_cast<int>(n);
}

bool DeleteChosenKeys(TPluginParams& session, bool fromManager, std::string& deletedKeyIDs) {
    deletedKeyIDs.clear();
    if (!session.CheckPGPConfig() || !session.MsgBox) return false;
    TKeyPropsList chosen(0, kPropShortKeyID | kPropUserName);
    PGPError err = SelectKeys(Text(txt::DEL_KEYS), &chosen, Owner(session), 0);
    if (err != kPGPError_NoErr || chosen.Count() == 0) {
        ShowError(session, err);
        return false;
    }
    std::string question;
    for (int i = 0; i < chosen.Count(); ++i) question += chosen.Objects(i).UserName + "\r\n";
    question += "\r\n" + Text(txt::CONFIRM_DEL) + "?";
    // Only Yes deletes: the box closed without an answer deletes nothing.
    if (session.MsgBox->Show("", question, "", kCancelBoxFlags, "") != ui::mrYes) return false;

    {
        OpenRings rings;
        err = rings.error();
        KeySet keys;
        if (err == kPGPError_NoErr) err = ResolveKeys(rings.context(), rings.keySet(), IDsOf(chosen, " "), keys.set);
        if (err == kPGPError_NoErr) err = sdk::RemoveKeys(keys.set, rings.keySet());
        if (err == kPGPError_NoErr) err = KeyRings()->CommitKeyRings();
    }
    if (err != kPGPError_NoErr) {
        ShowError(session, err);
        return false;
    }
    const std::string report = std::to_string(chosen.Count()) + Text(txt::KEYS_REMOVED);
    if (fromManager) {
        session.MsgBox->Info(report.c_str());
        return false;
    }
    // The automation plug-in calls without a form start: the user's
    // AutoList choice is read from the configuration file now.
    if (!session.PGPData ||
        !session.PGPData->Config().ReadFlag(Cfg::Auto, session.PGPData->Settings.Auto))
        return false;
    const std::string offer = report + ".\r\n\r\n" + Text(txt::LIST_REMOVE);
    if (!session.MsgBox->Confirm(offer.c_str())) return false;
    deletedKeyIDs = IDsOf(chosen, ",");
    return true;
}

bool ExtractChosenKeys(TPluginParams& session, const std::string& path) {
    if (!session.CheckPGPConfig() || !session.MsgBox) return false;
    TKeyPropsList chosen(0, kPropShortKeyID | kPropUserName | kPropAlgorithm | kPropSizeText);
    PGPError err = SelectKeys(Text(txt::EXPORT_KEYS), &chosen, Owner(session), 0);
    if (err != kPGPError_NoErr || chosen.Count() == 0) {
        ShowError(session, err);
        return false;
    }
    std::string armoured;
    {
        OpenRings rings;
        err = rings.error();
        KeySet keys;
        if (err == kPGPError_NoErr) err = ResolveKeys(rings.context(), rings.keySet(), IDsOf(chosen, " "), keys.set);
        if (err == kPGPError_NoErr) err = ExportKeys(rings.context(), keys.set, false, "", &armoured, nullptr);
    }
    if (err != kPGPError_NoErr) {
        ShowError(session, err);
        return false;
    }
    std::string text, userIDs;
    for (int i = 0; i < chosen.Count(); ++i) {
        const TKeyProps& key = chosen.Objects(i);
        const std::string algorithm = session.PGPData ? session.PGPData->AlgorithmText(key.Algorithm) : "";
        text += ExportLine(key.UserName, algorithm, key.SizeText) + "\r\n";
        userIDs += key.UserName + "\r\n";
    }
    text += "\r\n" + armoured;

    if (!path.empty() && path != kClipboardName) {
        if (!ReplaceWholeFile(path, text)) {
            session.MsgBox->Error(texts::Get(txt::WRITE_ERROR));
            return false;
        }
        const std::string report = Text(txt::PUBKEY_FROM) + "\r\n\r\n" + userIDs + "\r\n" + Text(txt::COPY_KEY_TO) +
                                   "\"" + path + "\"";
        session.MsgBox->Info(report.c_str());
        return false;
    }
    if (path.empty() && IsMessageEditor(session.CurrentMessageWindow)) {
        SendMessageA(session.CurrentMessageWindow, host::kEditorSetField, host::kFieldReady, 0);
        SendMessageA(session.CurrentMessageWindow, host::kEditorSetField, host::kFieldInsertText,
                     reinterpret_cast<LPARAM>(text.c_str()));
        return true;
    }
    if (!CopyToClipboard(session.Owner(), text)) {
        session.MsgBox->Error(texts::Get(txt::WRITE_ERROR));
        return false;
    }
    if (path == kClipboardName) {
        const std::string report = Text(txt::PUBKEY_FROM) + "\r\n\r\n" + userIDs + "\r\n" + Text(txt::COPY_KEY_TO) +
                                   "\"" + Text(txt::_CLIPBOARD) + "\"";
        session.MsgBox->Info(report.c_str());
        return false;
    }
    const std::string report = Text(txt::NO_WINDOW) + "\r\n\r\n" + Text(txt::PUBKEY_FROM) + "\r\n\r\n" + userIDs +
                               "\r\n" + Text(txt::COPY_KEY_TO) + "\"" + Text(txt::_CLIPBOARD) + "\"";
    session.MsgBox->Info(report.c_str());
    return false;
}

void ShowChosenFingerprint(TPluginParams& session) {
    if (!session.CheckPGPConfig() || !session.MsgBox) return;
    TKeyPropsList chosen(0, kPropShortKeyID | kPropUserName | kPropAlgorithm | kPropSizeText | kPropFingerprint);
    const PGPError err = SelectKeys(Text(txt::KEY_INFO), &chosen, Owner(session), 0);
    if (err != kPGPError_NoErr || chosen.Count() != 1) {
        ShowError(session, err);
        return;
    }
    const TKeyProps& key = chosen.Objects(0);
    const std::string algorithm = session.PGPData ? session.PGPData->AlgorithmText(key.Algorithm) : "";
    const std::string text = key.UserName + "\r\n" + chosen.Strings(0) + "\r\n" + algorithm + ", " + key.SizeText +
                             "\r\n" + SplitFingerprint(key.Fingerprint);
    const std::string question = text + "\r\n" + Text(txt::COPY_DATA);
    if (session.MsgBox->Confirm(question.c_str()) && !CopyToClipboard(session.Owner(), text))
        session.MsgBox->Error(texts::Get(txt::WRITE_ERROR));
}

bool FetchKey(TPluginParams& session, const std::string& keyIDText) {
    if (!session.CheckPGPConfig() || !session.MsgBox) return false;
    std::unique_ptr<TKeyPropsList> owned = std::make_unique<TKeyPropsList>(0, kPropShortKeyID | kPropUserName);
    TKeyPropsList* list = owned.get();
    const PGPError err =
        FetchKeyFromServer(keyIDText, Text(txt::ADD_KEYS), list, Owner(session), kPropShortKeyID | kPropUserName);
    if (list != owned.get()) owned.reset(list);
    if (err != kPGPError_NoErr) {
        ShowError(session, err);
        return false;
    }
    const int count = owned ? owned->Count() : 0;
    const std::string report = std::to_string(count) + Text(txt::KEYS_ADDED);
    session.MsgBox->Info(report.c_str());
    return count > 0;
}

bool LaunchPGPkeys(TPluginParams& session) {
    return Call(Sdk().PGPscDoLaunchKeys, Owner(session)) == kPGPError_NoErr;
}

}  // namespace orv
