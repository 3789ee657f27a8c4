// The sending side of the encryptor interface: the request taken over, the
// outgoing message encoded and written back, and what the user, the host
// and the automation plug-in are told.

#include "formats/encryptor.h"

#include <cstring>

#include "engine/pgpsdk.h"
#include "formats/mcfuncs.h"
#include "formats/mime_text.h"
#include "formats/text_source.h"
#include "interfaces/host_messages.h"

namespace orv {

using namespace mime;

namespace {

constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;


int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

std::uint32_t ReadU32(const unsigned char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

std::string TextAt(const unsigned char* p) {
    std::uint32_t v = ReadU32(p);
    const char* s = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(v));
    return s ? std::string(s) : std::string();
}

}  // namespace

TPMEncryptor::TPMEncryptor(TPMFuncs& pm, TEncryptorHost host, const TSettings& settings,
                           std::array<std::uint8_t, 4>& outcomeFlags)
    : PM(pm), Host(std::move(host)), Settings(settings), OutcomeFlags(outcomeFlags) {
    // The assembly's "move to a new editor" answer (the non-MIME question
    // answered no) is this object's.
    PM.Services.CopyMessage = [this] { return CopyMessage(); };
}

std::string TPMEncryptor::T(int number) const { return Host.Text ? Host.Text(number) : std::string(); }

bool TPMEncryptor::AutomationListens() const {
    return Host.HasAutomation && Host.HasAutomation() && Host.SendAutomation;
}

void TPMEncryptor::Status(int wp, const std::string& text) {
    if (Host.SendHost) Host.SendHost(host::kHostStatusLine, static_cast<std::uintptr_t>(wp), reinterpret_cast<std::intptr_t>(text.c_str()));
}

void TPMEncryptor::ShowPGPError(int error) {
    if (error == 0 || error == kPGPError_UserAbort || error == kPGPError_FilePermissions || !Host.Error) return;
    Host.Error(Host.ErrorText ? Host.ErrorText(error) : std::string());
}

bool TPMEncryptor::ReadCryptEx(const void* request) {
    if (Host.HostToBottom) Host.HostToBottom();
    const bool ok = Host.CheckPGPConfig ? Host.CheckPGPConfig() : false;
    EngineMissing = !ok;
    HostRecipients.clear();
    PM.MessageFile.clear();
    OutputFile.clear();
    HostWord = 0;
    if (request) {
        const auto* p = static_cast<const unsigned char*>(request);
        HostWord = ReadU32(p + 8);
        PM.MessageFile = TextAt(p + 16);
        OutputFile = TextAt(p + 20);
        HostRecipients = TextAt(p + 24);
    }
    ResultText.clear();
    AutoListEntry.clear();
    PM.RecipientSpec.clear();
    PM.SignKeyID.clear();
    SignerName.clear();
    return ok;
}

void TPMEncryptor::GetSignKey() {
    PM.SignKeyID.clear();
    SignerName.clear();
    auto take = [&](const TFoundKey& key) {
        PM.SignKeyID = key.KeyID;
        SignerName = key.UserID;
    };
    if (AutomationListens()) {
        char buffer[automation::kSignKeyChars + 1] = {};
        Host.SendAutomation(automation::AM_SIGNKEY, 0, reinterpret_cast<std::intptr_t>(buffer));
        buffer[automation::kSignKeyChars] = 0;
        const std::string id(Trim(buffer));
        if (id.size() > 2 && StartsWithNoCase(id, "0x") && Host.FindSigningKeys) {
            const auto keys = Host.FindSigningKeys(id);
            if (!keys.empty()) return take(keys.front());
        }
    }
    std::string identity;
    if (!Settings.Always && Host.EditorIdentity && Host.EditorIdentity(identity) && Host.PmailIni) {
        identity = std::string(Trim(identity));
        const std::string address =
            LowerCase(identity) == LowerCase(T(txt::DEF_IDENTITY))
                ? Host.PmailIni("Pegasus Mail for Windows - built-in TCP/IP Mail",
                                "Alternative From: field for message       ")
                : Host.PmailIni("WinPMail Identity - " + identity, "Alternative From: field for message       ");
        const std::string from(Trim(address));
        if (!from.empty() && Host.FindSigningKeys) {
            const auto keys = Host.FindSigningKeys(from);
            if (!keys.empty()) {
                const TFoundKey* chosen = &keys.front();
                if (keys.size() > 1)
                    for (const auto& k : keys)
                        if (LowerCase(k.KeyID) == LowerCase(Settings.DefaultKeyID)) chosen = &k;
                return take(*chosen);
            }
        }
    }
    PM.SignKeyID = Settings.DefaultKeyID;
    SignerName = Settings.DefaultUserName;
}

bool TPMEncryptor::AdkDeclined(const std::string& recipientSpec) {
    if (!Host.HasADK || !Host.HasADK(recipientSpec) || !Host.CustomDlg) return false;
    return Host.CustomDlg(T(txt::_WARN), T(txt::RECIP_ADK), T(txt::_SELCOPY), T(txt::_CONTINUE), 304) == kAnswerNo;
}

void TPMEncryptor::AutomationOptions() {
    if (!Settings.Auto || !AutomationListens()) return;
    automation::EntryRecord record{};
    Host.SendAutomation(automation::AM_GETENTRY, 0, reinterpret_cast<std::intptr_t>(&record));
    if (record.automatic) {
        // The entry's first item starts with the option digit.
        const char* first = record.entry && *record.entry ? record.entry : record.firstItem;
        const int bits = first && *first ? HexDigit(first[0]) : 0;
        PM.DoEncrypt = bits & 1;
        PM.DoSign = (bits & 2) != 0;
        if (!PM.DoEncrypt) {
            std::string entry = record.entry ? record.entry : "";
            const std::size_t comma = entry.find(',');
            std::string head = entry.substr(0, comma);
            std::string rest = comma == npos ? std::string() : entry.substr(comma + 1);
            automation::EntryRecord split{rest.c_str(), head.c_str(), record.automatic, record.pgpMimeWanted};
            Host.SendAutomation(automation::AM_NEXTENTRY, 0, reinterpret_cast<std::intptr_t>(&split));
        }
    } else if (!Settings.PGPMime) {
        PGPMimeSwitch = record.pgpMimeWanted != 0;
    }
}

void TPMEncryptor::Recipients() {
    if (!PM.DoEncrypt) return;
    if (Settings.Hide && Settings.Auto && AutomationListens()) {
        automation::EntryRecord record{};
        Host.SendAutomation(automation::AM_GETENTRY, 0, reinterpret_cast<std::intptr_t>(&record));
        const std::string entry = record.entry ? record.entry : "";
        const std::size_t comma = entry.find(',');
        std::string first = entry.substr(0, comma);
        const std::string rest = comma == npos ? std::string() : entry.substr(comma + 1);
        automation::EntryRecord split{rest.c_str(), first.c_str(), record.automatic, record.pgpMimeWanted};
        Host.SendAutomation(automation::AM_NEXTENTRY, 0, reinterpret_cast<std::intptr_t>(&split));
        // The leading option digit becomes "0" so that "0x…" key IDs stand.
        if (!first.empty() && first.size() != 2) {
            first[0] = '0';
            if (Host.CountKeys && Host.CountKeys(first) > 0) PM.RecipientSpec = first;
        }
    }
    if (PM.RecipientSpec.empty()) PM.RecipientSpec = HostRecipients;
}

int TPMEncryptor::Assemble() {
    std::string bytes;
    if (!Host.ReadFile || !Host.ReadFile(PM.MessageFile, bytes)) {
        if (Host.Error)
            Host.Error(T(Host.FileExists && !Host.FileExists(PM.MessageFile) ? txt::NO_FILE : txt::READ_ERROR));
        return 0;
    }
    if (Host.SendHost) {
        Host.SendHost(host::kHostGetSetting, host::kSettingEncodeStart, 0);
        char charset[261] = {};
        Host.SendHost(host::kHostGetSetting, host::kSettingCharset, reinterpret_cast<std::intptr_t>(charset));
        charset[260] = 0;
        if (charset[0]) PM.HostCharset = charset;
    }
    std::string header, body, mixed, alt;
    PM.TakeMainHeader(bytes, header, body, mixed, alt);
    if (header.empty()) {
        WipeText(bytes);
        WipeText(body);
        return 0;
    }
    if (!PM.IsMime) {
        const int r = PM.NonMimeMessage(bytes, header);
        WipeText(bytes);
        WipeText(body);
        if (CopyFailed) return kEncodeFailed;
        return r < 0 && r != kEncodeMoved ? 0 : r;
    }
    WipeText(bytes);
    AutomationOptions();
    Recipients();
    if (!PM.DoEncrypt && !PM.DoSign) {
        WipeText(body);
        return PM.Unencoded();
    }

    PM.AdkCheck = Settings.ADKWarn;
    GetSignKey();
    PM.AttachMode = Settings.Encrypt ? 1 : -1;
    int lastError = 0;
    auto encode = PM.Services.Encode;
    auto adk = PM.Services.AdkDeclined;
    auto mimeLoaded = PM.Services.PGPMimeLoaded;
    PM.Services.Encode = [&](const TEncodeOrder& order, std::string& recipients, std::string& signer) {
        TEncodeOutcome o = encode ? encode(order, recipients, signer) : TEncodeOutcome{};
        lastError = o.Error;
        return o;
    };
    PM.Services.AdkDeclined = [this](const std::string& spec) { return AdkDeclined(spec); };
    PM.Services.PGPMimeLoaded = [this] { return Settings.PGPMime; };
    std::string output;
    int result = -1;
    try {
        result = PGPMimeSwitch ? PM.PGPMimeEncoded(header, body, mixed, alt, output)
                               : PM.PGPEncoded(header, body, mixed, alt, output);
    } catch (...) {
        PM.Services.Encode = encode;
        PM.Services.AdkDeclined = adk;
        PM.Services.PGPMimeLoaded = mimeLoaded;
        WipeText(body);
        if (Host.CacheTimer) Host.CacheTimer(Settings.Store);
        throw;
    }
    PM.Services.Encode = encode;
    PM.Services.AdkDeclined = adk;
    PM.Services.PGPMimeLoaded = mimeLoaded;
    WipeText(body);
    if (Host.CacheTimer) Host.CacheTimer(Settings.Store);
    if (result == 1) BuildAutoListEntry();
    result = HandleResult(result, output, lastError);
    WipeText(output);
    Report(result);
    return result;
}

void TPMEncryptor::BuildAutoListEntry() {
    AutoListEntry.clear();
    if (!PM.DoEncrypt || !Host.KeysOf) return;
    AutoListEntry = AutoListEntryOf(Host.KeysOf(PM.RecipientSpec));
}

int TPMEncryptor::HandleResult(int result, const std::string& output, int error) {
    if (result == -2) return CopyMessage();
    std::string failure = output;
    if (result > 0) {
        // The new message is complete on disk before the old content is
        // wiped; a failed write leaves the message as the client wrote it
        // and the user chooses what happens to it.
        if (PM.Services.ReplaceMessage && PM.Services.ReplaceMessage(PM.MessageFile, output)) return 1;
        failure = T(txt::WRITE_ERROR);
        error = 0;
    }
    std::string message = error == kPGPError_UserAbort ? std::string() : failure + "!\r\n\r\n";
    message += T(txt::COPY_MESSAGE);
    const int answer =
        Host.CustomDlg ? Host.CustomDlg(T(txt::_SELMSG), message, T(txt::_SELSEND), T(txt::_SELCOPY), 32) : 0;
    if (answer == kAnswerYes) return CopyMessage();
    PM.Unencoded();
    return -1;
}

void TPMEncryptor::Report(int result) {
    const std::string words = [&] {
        if (PM.DoEncrypt && PM.DoSign) return T(txt::ENC_BEG) + "/" + T(txt::SIGN_BEG);
        if (PM.DoEncrypt) return T(txt::ENC_BEG);
        if (PM.DoSign) return T(txt::SIGN_BEG);
        return std::string();
    }();
    const std::string status = words.empty() ? std::string()
                                             : words + " " + T(result < 0 ? txt::_CANCELLED : txt::_FINISHED);
    if (!status.empty()) Status(0, status);
    const bool toAutomation = AutomationListens();
    if (result > 0) {
        if (PM.DoEncrypt && Settings.Confirm && Host.Popup && !status.empty()) Host.Popup(status);
        if (PM.DoSign && toAutomation)
            Host.SendAutomation(automation::AM_SIGNKEY, 1, reinterpret_cast<std::intptr_t>(PM.SignKeyID.c_str()));
    } else if (result < 0) {
        if (Host.UncheckEncrypt) Host.UncheckEncrypt();
        if (toAutomation) Host.SendAutomation(automation::AM_ENCODEFAILED, 0, 0);
    }
    OfferAutoListEntry();
}

void TPMEncryptor::OfferAutoListEntry() {
    if (AutoListEntry.empty() || !Settings.Auto || !AutomationListens()) return;
    Host.SendAutomation(automation::AM_ADDTOLIST, 0, reinterpret_cast<std::intptr_t>(AutoListEntry.c_str()));
}

int TPMEncryptor::Encode() {
    PM.IsMime = PM.DoEncrypt = PM.DoSign = false;
    CopyFailed = false;
    if (PM.MessageFile.empty()) return 0;
    PGPMimeSwitch = Settings.PGPMime;
    int result = 0;
    if (!OutputFile.empty()) {
        if (AutomationListens() && Host.SendAutomation(automation::AM_SENDCANCELLED, 0, 0) == 1) return 0;
        std::string bytes;
        if (!Host.ReadFile || !Host.ReadFile(PM.MessageFile, bytes)) {
            if (Host.Error)
                Host.Error(T(Host.FileExists && !Host.FileExists(PM.MessageFile) ? txt::NO_FILE : txt::READ_ERROR));
            return 0;
        }
        const bool written = Host.WriteFile && Host.WriteFile(OutputFile, {bytes});
        if (!written && Host.Error) Host.Error(T(133));
        const std::size_t dot = PM.MessageFile.rfind('.');
        const std::string ext = dot == npos ? std::string() : LowerCase(PM.MessageFile.substr(dot));
        if (written) result = ext == ".pm$" ? (TMCFuncs::IsBinary(bytes) ? 2 : 1) : 2;
        WipeText(bytes);
        return result;
    }
    result = Assemble();
    OutcomeFlags[0] = 1;
    // A failed encode whose message went out as it is counts as nothing
    // encoded; one whose message could be neither sent nor moved stays a failure.
    return result == kEncodeFailed && !CopyFailed ? 0 : result;
}

int TPMEncryptor::CopyMessage() {
    const std::string marker = "To: " + T(txt::TO_DELETE) + "\r\nSubject: " + T(txt::SUBJ_CANCEL);
    const bool marked = PM.Services.ReplaceMessage && PM.Services.ReplaceMessage(PM.MessageFile, marker);
    // The text goes to the new editor either way, so that nothing the user
    // wrote is lost when the client drops the message.
    try {
        if (Host.MoveToNewEditor) Host.MoveToNewEditor(T(txt::MSG_COPIED));
    } catch (...) {
    }
    if (marked) return kEncodeMoved;
    // The file still holds the whole message: reporting it moved would let
    // the client take a file that is not the marker for one.
    CopyFailed = true;
    if (Host.Error) Host.Error(T(txt::WRITE_ERROR));
    return kEncodeFailed;
}

// ---- Texts of the signature report ------------------------------------------

std::string AutoListEntryOf(const std::vector<TFoundKey>& keys) {
    if (keys.empty()) return {};
    std::string names, ids;
    for (const auto& k : keys) {
        if (!names.empty()) names += "\r\n";
        if (!ids.empty()) ids += ",";
        names += k.UserID;
        ids += k.KeyID;
    }
    return names + "\\" + ids;
}

}  // namespace orv
