// The address box behind the exports of the automation plug-in: each export
// reads its text into rows, describes each row's key from the user's ring,
// runs the box modally and copies the result into the caller's buffer within
// the room interfaces/address_room.h states. No exception leaves an export.
#include "plugin/address_exports.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "interfaces/address_room.h"
#include "interfaces/host_messages.h"
#include "engine/key_rings.h"
#include "formats/autolist.h"
#include "interfaces/address_room.h"
#include "interfaces/host_messages.h"
#include "interfaces/merrowin_declared.h"
#include "plugin/key_ops.h"
#include "plugin/msgbox.h"
#include "plugin/session.h"
#include "strings/text_client.h"
#include "ui/address_box.h"
#include "ui/sel_box.h"

namespace orv {

namespace {

using ui::AddrUse;
using ui::TAddrRow;

constexpr std::uint32_t kKeyMask = kPropUserName | kPropAlgorithm | kPropSizeText | kPropFingerprint | kPropUserIDs;
constexpr char kNoBreakSpace = '\xA0';

std::string T(int number) { return texts::Get(number); }

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), int(a.size()),
                                                  b.data(), int(b.size())) == CSTR_EQUAL;
}

// The user's keys, listed once for one box and released after it.
class TRingKeys {
public:
    TRingKeys() : list_(0, kKeyMask) {}
    bool Load() {
        TKeyRings* rings = KeyRings();
        if (!rings) return false;
        PGPContextRef context = nullptr;
        PGPKeySetRef keySet = nullptr;
        if (rings->OpenKeyRings(context, keySet) != kPGPError_NoErr) return false;
        TKeyPropsList* list = &list_;
        const int count = ListKeys(context, keySet, 0, kKeyMask, kPGPKeyOrdering_UserID, list);
        rings->CloseKeyRings();
        return count >= 0;
    }
    const TKeyPropsList& List() const { return list_; }
    // The key whose ID ends in these digits (8 or 16 of them), -1 when none.
    int IndexOf(std::string_view digits) const {
        if (digits.empty()) return -1;
        for (int i = 0; i < list_.Count(); ++i) {
            const std::string& id = list_.Strings(i);
            if (id.size() >= digits.size() && SameText(std::string_view(id).substr(id.size() - digits.size()), digits))
                return i;
        }
        return -1;
    }
    // Column 5 of a row.
    std::string TypeText(int index) const {
        if (index < 0) return T(txt::_MISS);
        const int algorithm = list_.Objects(index).Algorithm;
        if (algorithm >= 1 && algorithm <= 3) return "RSA";
        if (algorithm >= 16 && algorithm <= 18) return "DH/DSS";
        return T(txt::IN_VAL);
    }
    void Describe(TAddrRow& row) const {
        row.keyIndex = IndexOf(row.keyDigits);
        row.keyType = TypeText(row.keyIndex);
    }
    std::vector<std::string> UserIDs(int index) const {
        const TKeyProps& key = list_.Objects(index);
        if (key.UserIDs && !key.UserIDs->empty()) return *key.UserIDs;
        return {key.UserName};
    }
    std::string Digits(int index) const {
        const std::string& id = list_.Strings(index);
        return id.size() > 2 ? id.substr(2) : id;
    }

private:
    TKeyPropsList list_;
};

class TBoxServices : public ui::TAddrBoxServices {
public:
    TBoxServices(TPluginParams& session, const TRingKeys& keys) : s_(session), keys_(keys) {}
    bool Confirm(const std::string& text) override { return s_.MsgBox && s_.MsgBox->Confirm(text.c_str()); }
    void Info(const std::string& text) override {
        if (s_.MsgBox) s_.MsgBox->Info(text.c_str());
    }
    void ShowKeyDetails(const TAddrRow& row) override {
        if (row.keyIndex < 0 || row.keyIndex >= keys_.List().Count()) {
            Info(row.KeyIDText() + "\r\n" + T(txt::_MISS));
            return;
        }
        const TKeyProps& key = keys_.List().Objects(row.keyIndex);
        const std::string algorithm = s_.PGPData ? s_.PGPData->AlgorithmText(key.Algorithm) : "";
        Info(T(txt::KEY_INFO) + "\r\n\r\n" + key.UserName + "\r\n" + keys_.List().Strings(row.keyIndex) + "\r\n" +
             algorithm + ", " + key.SizeText + "\r\n" + SplitFingerprint(key.Fingerprint));
    }
    void Help(int context) override { s_.ShowHelp(context); }
    unsigned CommandMessage() const override { return host::kFormMsgCommand; }
    void BoxOpened(ui::Form* box) override { s_.SetOpenWindow(TWindowKind::AddrBox, box); }

private:
    TPluginParams& s_;
    const TRingKeys& keys_;
};

// The configuration read again and the rings checked, then the keys listed;
// without key rings no box opens.
bool Prepare(TPluginParams& s, TRingKeys& keys) {
    if (!s.PGPData || !s.MsgBox) return false;
    s.PGPData->LoadSettings();
    return s.CheckPGPConfig() && keys.Load();
}

struct TBoxOutcome {
    bool ok = false;
    std::vector<TAddrRow> rows;
    int current = -1;
};

TBoxOutcome RunBox(TPluginParams& s, const TRingKeys& keys, AddrUse use, const std::string& caption,
                   const std::string& prompt, std::vector<TAddrRow> rows) {
    TBoxServices services(s, keys);
    ui::TfrmAddrBox box(use, services);
    TBoxOutcome outcome;
    struct Forget {
        TBoxServices& services;
        ~Forget() { services.BoxOpened(nullptr); }
    } forget{services};
    if (!box.Create(caption, prompt, std::move(rows))) return outcome;
    outcome.ok = box.Execute() == ui::mrOk;
    outcome.rows = box.Rows();
    outcome.current = box.CurrentRow();
    return outcome;
}

// The result in the caller's buffer, or the visible refusal.
int Deliver(TPluginParams& s, char* buffer, std::size_t room, const std::string& result) {
    if (CopyResult(buffer, room, result)) return 1;
    if (s.MsgBox) s.MsgBox->Error(T(txt::NO_MEM).c_str());
    return 0;
}

std::string AddCaption() { return T(txt::SET_ADDR) + T(txt::FOR_AUTO); }

// The add box over the rows; the marked entries in the caller's buffer, 0
// when the user cancels or marks nothing.
int AddChosen(TPluginParams& s, const TRingKeys& keys, AddrUse use, std::vector<TAddrRow> rows, char* buffer,
              std::size_t room) {
    const TBoxOutcome outcome = RunBox(s, keys, use, AddCaption(), T(txt::SET_HINT), std::move(rows));
    if (!outcome.ok) return 0;
    const std::string result = ui::AddResult(outcome.rows);
    if (result.empty()) return 0;
    return Deliver(s, buffer, room, result);
}

// The e-mail address of an address-book line ("a@b" NBSP "(alias)"), or its
// alias when it has none: what its keys are looked up by.
std::string LookupText(const std::string& address) {
    const std::size_t nbsp = address.find(kNoBreakSpace);
    std::string head(Trim(address.substr(0, nbsp)));
    if (!head.empty() && head.front() != '(') return ui::EmailOf(head);
    const std::size_t open = address.find('(');
    const std::size_t close = address.rfind(')');
    if (open != std::string::npos && close != std::string::npos && close > open)
        return std::string(Trim(address.substr(open + 1, close - open - 1)));
    return std::string(Trim(address));
}

// Whether a user ID belongs to the address: the address is the user ID, or
// the e-mail address inside it, ignoring case. A text that only contains the
// address ("hal@example.org" for "al@example.org") is someone else's.
bool HoldsAddress(const std::string& uid, std::string_view address) {
    const std::string email = ui::EmailOf(uid);
    return SameText(address, uid) || SameText(address, email) || SameText(ui::EmailOf(address), email);
}

// Rows of every key on the ring with a user ID of the looked-up address; each
// row shows that user ID, so that two keys of one address are told apart.
std::vector<TAddrRow> KeysFor(const TRingKeys& keys, const std::string& address, const std::string& lookup,
                              int flags) {
    std::vector<TAddrRow> rows;
    if (lookup.empty()) return rows;
    for (int i = 0; i < keys.List().Count(); ++i) {
        for (const std::string& uid : keys.UserIDs(i)) {
            if (!HoldsAddress(uid, lookup)) continue;
            TAddrRow row;
            row.address = address;
            row.holder = uid;
            row.keyDigits = keys.Digits(i);
            row.flags = flags & 15;
            keys.Describe(row);
            rows.push_back(std::move(row));
            break;
        }
    }
    return rows;
}

std::vector<std::string> TextLines(std::string_view text) {
    std::vector<std::string> lines;
    for (const ui::TAddrLine& line : ui::SplitLines(text)) lines.push_back(line.text);
    return lines;
}

bool AllKeyFields(const std::vector<std::string>& lines) {
    bool any = false;
    for (const std::string& line : lines) {
        const std::string t(Trim(line));
        if (t.empty()) continue;
        if (!formats::IsKeyField(t)) return false;
        any = true;
    }
    return any;
}

int AddPerAddress(TPluginParams& s, const TRingKeys& keys, const std::string& text, char* buffer, int options) {
    std::string result;
    for (const std::string& line : TextLines(text)) {
        const std::string address(Trim(line));
        if (address.empty()) continue;
        std::vector<TAddrRow> rows = KeysFor(keys, address, ui::EmailOf(address), options);
        if (rows.empty()) continue;  // no key, no choice: the address is dropped
        const std::string caption = T(txt::SET_ADDR) + T(txt::FOR_ADDR) + "\"" + UpperCase(ui::EmailOf(address)) + "\"";
        const TBoxOutcome outcome = RunBox(s, keys, AddrUse::AddPerAddress, caption, T(txt::SET_HINT), rows);
        if (!outcome.ok) return 0;
        const std::string chosen = ui::AddResult(outcome.rows);
        if (chosen.empty()) continue;
        if (!result.empty()) result += "\r\n";
        result += chosen;
    }
    if (result.empty()) return 0;
    return Deliver(s, buffer, addrroom::AddAddrOptions(text), result);
}

int AddEntries(TPluginParams& s, const TRingKeys& keys, const std::string& text, char* buffer, int options) {
    std::vector<ui::TAddrLine> lines = ui::SplitLines(text);
    std::vector<TAddrRow> rows = ui::ReadEntries(lines, options);
    if (rows.empty()) return 0;
    for (TAddrRow& row : rows) keys.Describe(row);
    return AddChosen(s, keys, AddrUse::AddEntries, std::move(rows), buffer, addrroom::AddAddrOptions(text));
}

// Whether a ring key's user ID is already among the given entries: the same
// key, and the address is the user ID's.
bool Known(const std::vector<std::pair<std::string, std::string>>& given, const std::string& uid,
           const std::string& digits) {
    for (const auto& [address, key] : given) {
        const std::string_view keyDigits = formats::IsKeyField(key) ? formats::KeyDigits(key) : std::string_view(key);
        if (keyDigits.empty() || keyDigits.size() > digits.size()) continue;
        if (!SameText(std::string_view(digits).substr(digits.size() - keyDigits.size()), keyDigits)) continue;
        if (HoldsAddress(uid, address)) return true;
    }
    return false;
}

}  // namespace

bool ResultFits(const std::string& text, std::size_t room) {
    return text.size() < room;
}

bool CopyResult(char* buffer, std::size_t room, const std::string& text) {
    if (!buffer || !ResultFits(text, room)) return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace orv

using namespace orv;

extern "C" {

int __stdcall SetAddrOptions(const char* text, char* buffer) {
    TPluginParams* s = Session();
    if (!s || !text || !buffer) return 0;
    try {
        TRingKeys keys;
        if (!Prepare(*s, keys)) return 0;
        const std::string input = text;
        std::vector<ui::TAddrLine> lines = ui::SplitLines(input);
        std::vector<TAddrRow> rows = ui::ReadEntries(lines, 0);
        if (rows.empty()) return 0;
        for (TAddrRow& row : rows) keys.Describe(row);
        const TBoxOutcome outcome =
            RunBox(*s, keys, AddrUse::SetOptions, T(txt::SET_ADDR), T(txt::SET_HINT), std::move(rows));
        if (!outcome.ok) return 0;
        return Deliver(*s, buffer, addrroom::SetAddrOptions(input), ui::SetOptionsResult(lines, outcome.rows));
    } catch (...) {
        return 0;
    }
}

int __stdcall AddAddrOptions(const char* text, char* buffer, int options, int /*plainAddresses*/) {
    TPluginParams* s = Session();
    if (!s || !text || !buffer) return 0;
    try {
        TRingKeys keys;
        if (!Prepare(*s, keys)) return 0;
        const std::string input = text;
        // Entries hold a backslash; plain addresses get one box each.
        if (input.find('\\') != std::string::npos) return AddEntries(*s, keys, input, buffer, options);
        return AddPerAddress(*s, keys, input, buffer, options);
    } catch (...) {
        return 0;
    }
}

int __stdcall GetABKAddr(const char* text, char* buffer, int options) {
    TPluginParams* s = Session();
    if (!s || !text || !buffer) return 0;
    try {
        TRingKeys keys;
        if (!Prepare(*s, keys)) return 0;
        const std::string input = text;
        std::vector<std::string> chosen;
        for (const std::string& line : TextLines(input))
            if (!Trim(line).empty()) chosen.push_back(line);
        TPluginParams& session = *s;
        if (!ui::ChooseAddressEntries(chosen, host::kFormMsgCommand, [&session](const std::string& warning) {
                if (session.MsgBox) session.MsgBox->Warn(warning.c_str());
            }))
            return 0;
        // The chosen addresses are meant to be added: their keys start marked.
        std::vector<TAddrRow> rows;
        for (const std::string& address : chosen)
            for (TAddrRow& row : KeysFor(keys, address, LookupText(address), options)) {
                row.add = true;
                rows.push_back(std::move(row));
            }
        if (rows.empty()) {
            s->MsgBox->Info(T(txt::NO_NEW).c_str());
            return 0;
        }
        return AddChosen(*s, keys, AddrUse::AddEntries, std::move(rows), buffer, addrroom::GetABKAddr());
    } catch (...) {
        return 0;
    }
}

int __stdcall GetPGPAddr(const char* textA, const char* textB, char* buffer, int options) {
    TPluginParams* s = Session();
    if (!s || !buffer) return 0;
    try {
        TRingKeys keys;
        if (!Prepare(*s, keys)) return 0;
        std::vector<std::string> addresses = TextLines(textA ? textA : "");
        std::vector<std::string> keyFields = TextLines(textB ? textB : "");
        // Whichever text holds the key fields, the other holds the addresses.
        if (AllKeyFields(addresses) && !AllKeyFields(keyFields)) std::swap(addresses, keyFields);
        std::vector<std::pair<std::string, std::string>> given;
        for (std::size_t i = 0; i < addresses.size() && i < keyFields.size(); ++i)
            given.emplace_back(Trim(addresses[i]), Trim(keyFields[i]));
        std::vector<TAddrRow> rows;
        for (int k = 0; k < keys.List().Count(); ++k) {
            const std::string digits = keys.Digits(k);
            for (const std::string& uid : keys.UserIDs(k)) {
                if (uid.empty() || Known(given, uid, digits)) continue;
                TAddrRow row;
                row.address = uid;
                row.keyDigits = digits;
                row.flags = options & 15;
                keys.Describe(row);
                rows.push_back(std::move(row));
            }
        }
        if (rows.empty()) {
            s->MsgBox->Info(T(txt::NO_NEW).c_str());
            return 0;
        }
        return AddChosen(*s, keys, AddrUse::AddFromRing, std::move(rows), buffer, addrroom::GetPGPAddr());
    } catch (...) {
        return 0;
    }
}

int __stdcall KeySelect(const char* recipient, const char* candidates) {
    TPluginParams* s = Session();
    if (!s || !candidates) return -1;
    try {
        TRingKeys keys;
        if (!Prepare(*s, keys)) return -1;
        std::vector<ui::TAddrLine> lines = ui::SplitLines(candidates);
        std::vector<TAddrRow> rows = ui::ReadEntries(lines, 0);
        if (rows.empty()) return -1;
        for (TAddrRow& row : rows) {
            keys.Describe(row);
            // The key is told apart by its user ID; a missing key keeps the address.
            if (row.keyIndex >= 0) row.holder = keys.List().Objects(row.keyIndex).UserName;
        }
        const TBoxOutcome outcome = RunBox(*s, keys, AddrUse::KeyChoice, T(txt::SEL_KEY),
                                           T(txt::FOR_RECIP) + (recipient ? recipient : ""), std::move(rows));
        if (!outcome.ok || outcome.current < 0 || outcome.current >= int(outcome.rows.size())) return -1;
        // The position of the chosen line among the candidates, however the rows were sorted.
        return outcome.rows[std::size_t(outcome.current)].source;
    } catch (...) {
        return -1;
    }
}

}  // extern "C"
