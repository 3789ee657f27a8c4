// The encoding job: recipients, signing key and passphrase, the encoder's
// option list in its fixed order, and the result as a text or a file.
#include "engine/encode_job.h"

#include <climits>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "base/key_id.h"
#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "base/wipe_text.h"
#include "engine/adapters.h"
#include "engine/key_dialogs.h"
#include "engine/key_rings.h"
#include "engine/loader.h"
#include "engine/message_pump.h"
#include "engine/sdk_table.h"
#include "engine/secure_cache.h"

namespace orv {
namespace {

using sdk::Call;
using sdk::Sdk;

// The keys the key selection dialog shows, with what its tree needs.
constexpr std::uint32_t kSelectListMask = kPropShortKeyID | kPropUserName | kPropAlgorithm | kPropKeyValidity |
                                          kPropADKState | kPropUserIDs | kPropGroups;

// Only errors end the job; every other event goes on.
PGPError PGP_CALL ErrorEventsOnly(PGPContextRef, PGPEvent* event, PGPUserValue) {
    if (event && event->type == kPGPEvent_ErrorEvent) return event->data.errorData.error;
    return kPGPError_NoErr;
}

void FreeSet(PGPKeySetRef& set) {
    if (set && Sdk().PGPFreeKeySet) Sdk().PGPFreeKeySet(set);
    set = nullptr;
}

void FreeData(void*& data) {
    if (data && Sdk().PGPFreeData) Sdk().PGPFreeData(data);
    data = nullptr;
}

PGPUInt32 CountSet(PGPKeySetRef set) {
    PGPUInt32 n = 0;
    if (!set || Call(Sdk().PGPCountKeys, set, &n) != kPGPError_NoErr) return 0;
    return n;
}

// The first key of a set in the engine's order.
PGPKeyDBObjRef FirstKey(PGPKeySetRef set) {
    auto& t = Sdk();
    PGPKeyListRef list = nullptr;
    PGPKeyIterRef iter = nullptr;
    PGPKeyDBObjRef key = nullptr;
    if (sdk::OrderKeySet(set, kPGPKeyOrdering_Any, false, &list) == kPGPError_NoErr &&
        Call(t.PGPNewKeyIter, list, &iter) == kPGPError_NoErr) {
        if (sdk::KeyIterNext(iter, kPGPKeyIter_Key, &key) != kPGPError_NoErr) key = nullptr;
    }
    if (iter && t.PGPFreeKeyIter) t.PGPFreeKeyIter(iter);
    if (list && t.PGPFreeKeyList) t.PGPFreeKeyList(list);
    return key;
}

// Options appended one at a time, so that the list keeps the order in which
// they are made; the first failure is kept and later options are not made.
class OptionList {
public:
    explicit OptionList(PGPContextRef context) : context_(context) {
        auto& t = Sdk();
        if (!t.PGPNewOptionList || !t.PGPAppendOptionList || !t.PGPOLastOption || !t.PGPFreeOptionList)
            error_ = kPGPError_EngineNotLoaded;
        else
            error_ = t.PGPNewOptionList(context, &list_);
    }
    ~OptionList() { Free(); }
    OptionList(const OptionList&) = delete;
    OptionList& operator=(const OptionList&) = delete;

    template <class Fn, class... Args>
    PGPError Add(Fn fn, Args... args) {
        if (error_ != kPGPError_NoErr) return error_;
        if (!fn) return error_ = kPGPError_EngineNotLoaded;
        PGPOptionListRef option = fn(context_, args...);
        error_ = Sdk().PGPAppendOptionList(list_, option, Sdk().PGPOLastOption(context_));
        return error_;
    }
    PGPError error() const { return error_; }
    PGPOptionListRef get() const { return list_; }
    void Free() {
        if (list_ && Sdk().PGPFreeOptionList) Sdk().PGPFreeOptionList(list_);
        list_ = nullptr;
    }

private:
    PGPContextRef context_;
    PGPOptionListRef list_ = nullptr;
    PGPError error_ = kPGPError_NoErr;
};

class WaitCursor {
public:
    WaitCursor() { SetCursor(LoadCursor(nullptr, IDC_WAIT)); }
    ~WaitCursor() { SetCursor(LoadCursor(nullptr, IDC_ARROW)); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

std::string GroupRecipients(const std::string& entry) {
    std::string out;
    std::size_t pos = entry.find('\n');
    while (pos != std::string::npos) {
        const std::size_t start = pos + 1;
        pos = entry.find('\n', start);
        std::string line = entry.substr(start, pos == std::string::npos ? std::string::npos : pos - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        const std::size_t tab = line.rfind(kGroupMemberKeyID);
        const std::string keyID = tab == std::string::npos ? line : line.substr(tab + 1);
        if (!IsKeyIDText(keyID)) continue;
        if (!out.empty()) out += ',';
        out += keyID;
    }
    return out;
}

int HashForAlgorithm(int algorithm) {
    if (algorithm >= kPGPPublicKeyAlgorithm_RSA && algorithm <= kPGPPublicKeyAlgorithm_RSASignOnly)
        return kPGPHashAlgorithm_MD5;
    if (algorithm >= kPGPPublicKeyAlgorithm_ElGamal && algorithm <= kPGPPublicKeyAlgorithm_DHDSS)
        return kPGPHashAlgorithm_SHA;
    return 0;
}

struct TPGPEncode::Input {
    bool file = false;
    std::string_view text;
};

// The job's own state between option building and clean-up.
struct TPGPEncode::JobState {
    OptionList options;
    PGPFileSpecRef inputSpec = nullptr;
    bool signingPassphrase = false;  // Passphrase is the signing key's
    explicit JobState(PGPContextRef context) : options(context) {}
};

TPGPEncode::TPGPEncode() = default;

TPGPEncode::~TPGPEncode() {
    FreePassphrase();
    void* out = OutData;
    FreeData(out);
    OutData = nullptr;
}

void TPGPEncode::SetClearSign(bool on) {
    ClearSign = on;
    if (!on) return;
    Sign = true;
    Armor = true;
    TextMode = true;
    Encrypt = false;
    Compress = false;
    Conventional = false;
    Detached = false;
}

void TPGPEncode::SetEncrypt(bool on) {
    Encrypt = on;
    if (!on) return;
    Detached = false;
    Conventional = false;
    ClearSign = false;
}

void TPGPEncode::SetSign(bool on) {
    Sign = on;
    if (on) Conventional = false;
}

void TPGPEncode::SetCacheMode(int mode) {
    CacheMode = mode;
    if (mode == -1 && Secure) Secure->WipeAll();
}

void TPGPEncode::SetWipeCount(int count) {
    if (Secure) Secure->SetWipeCount(count);
}

PGPError TPGPEncode::EncryptBuffer(std::string_view text, bool sign) {
    Compress = true;
    SetSign(sign);
    SetEncrypt(true);
    Input in;
    in.text = text;
    return Run(in);
}

PGPError TPGPEncode::EncryptFile(const std::string& path, bool sign) {
    Compress = true;
    SetSign(sign);
    SetEncrypt(true);
    InputFile = path;
    Input in;
    in.file = true;
    return Run(in);
}

PGPError TPGPEncode::ClearSignBuffer(std::string_view text) {
    Armor = true;
    TextMode = true;
    SetClearSign(true);
    Input in;
    in.text = text;
    return Run(in);
}

PGPError TPGPEncode::ArmorBuffer(std::string_view text) {
    Armor = true;
    ClearSign = false;
    Compress = true;
    Detached = false;
    Encrypt = false;
    Sign = false;
    Input in;
    in.text = text;
    return Run(in);
}

PGPError TPGPEncode::DetachedSignBuffer(std::string_view text) {
    Conventional = false;
    Encrypt = false;
    Sign = false;
    Detached = true;
    Input in;
    in.text = text;
    return Run(in);
}

void TPGPEncode::FreePassphrase() {
    if (Passphrase && Sdk().PGPFreeData) Sdk().PGPFreeData(Passphrase);
    Passphrase = nullptr;
}

PGPError TPGPEncode::Run(const Input& input) {
    // 1. Input.
    if (input.file) {
        const DWORD attributes = GetFileAttributesA(InputFile.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return kEncodeErrInputFileMissing;
    } else if (input.text.empty()) {
        return kEncodeErrEmptyText;
    }

    // 2. Reset and open.
    FreePassphrase();
    WipeText(OutputText);
    OutLength = 0;
    OutData = nullptr;
    MIMESeparator.clear();
    MIMEBodyOffset = 0;
    ChosenKeys.Clear();
    RecipientKeys = nullptr;
    TKeyRings* rings = KeyRings();
    if (!rings) return kKeyErrNotLoaded;
    PGPError err = rings->OpenEnvironment(Context, KeySet, TLSContext);
    if (err != kPGPError_NoErr) {
        Context = nullptr;
        KeySet = nullptr;
        TLSContext = nullptr;
        return err;
    }
    Prefs = PrefsRecord{};
    if (TPgpPrefs* prefs = PgpPrefs()) prefs->ReadPrefs(Prefs, kPrefsGroupsFile | kPrefsDefaultKey);

    JobState job(Context);
    try {
        err = RunOpened(input, job);
    } catch (const std::bad_alloc&) {
        err = kEncodeErrStoreResult;
    } catch (const std::exception&) {
        err = kEncodeErrStoreResult;
    }
    CleanUp(job);
    return err;
}

PGPError TPGPEncode::RunOpened(const Input& input, JobState& job) {
    auto& t = Sdk();
    PGPError err = kPGPError_NoErr;
    // 3. The input file.
    if (input.file) {
        err = Call(t.PGPNewFileSpecFromFullPath, Context, InputFile.c_str(), &job.inputSpec);
        if (err != kPGPError_NoErr) return err;
        // An empty or unreadable file is known before any dialog asks.
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExA(InputFile.c_str(), GetFileExInfoStandard, &data)) return kEncodeErrInputFileEmpty;
        const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        InputSize = size > static_cast<unsigned long long>(INT_MAX) ? INT_MAX : static_cast<int>(size);
        UniqueHandle probe(CreateFileA(InputFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
        if (size == 0 || !probe) return kEncodeErrInputFileEmpty;
    } else {
        InputSize = static_cast<int>(input.text.size());
    }

    // 4. Options.
    err = BuildOptions(job);
    if (err != kPGPError_NoErr) return err;

    // 5. Input option.
    if (input.file)
        err = job.options.Add(t.PGPOInputFile, job.inputSpec);
    else
        err = job.options.Add(t.PGPOInputBuffer, static_cast<const void*>(input.text.data()),
                              static_cast<PGPSize>(input.text.size()));
    if (err != kPGPError_NoErr) return err;

    // 6. Output option.
    if (ToFile && OutputFile.empty()) return kEncodeErrOutputFile;
    err = job.options.Add(t.PGPOAllocatedOutputBuffer, &OutData, PGPSize(0xFFFFFFFFu), &OutLength);
    if (err != kPGPError_NoErr) return err;

    // 7. The encoder.
    {
        WaitCursor wait;
        err = Call(t.PGPEncode, Context, job.options.get(), t.PGPOLastOption(Context));
    }
    if (err != kPGPError_NoErr) return err;

    // 8. The result.
    if (OutData && OutLength > 0) return StoreResult();
    return kPGPError_NoErr;
}

PGPError TPGPEncode::BuildOptions(JobState& job) {
    auto& t = Sdk();
    OptionList& o = job.options;
    if (o.error() != kPGPError_NoErr) return o.error();
    const PGPEventHandlerProcPtr handler = ErrorEventsOnly;
    if (Detached) {
        o.Add(t.PGPOEventHandler, handler, static_cast<PGPUserValue>(this));
        o.Add(t.PGPOArmorOutput, PGPBoolean(Armor));
        if (!t.PGPODetachedSig) return kPGPError_EngineNotLoaded;
        if (o.error() == kPGPError_NoErr) {
            PGPOptionListRef detached = t.PGPODetachedSig(Context, t.PGPOLastOption(Context));
            PGPError err = t.PGPAppendOptionList(o.get(), detached, t.PGPOLastOption(Context));
            if (err != kPGPError_NoErr) return err;
        }
        o.Add(t.PGPOCommentString, Comment.c_str());
        o.Add(t.PGPOVersionString, static_cast<const char*>(loader::VersionText()));
    } else {
        o.Add(t.PGPOEventHandler, handler, static_cast<PGPUserValue>(this));
        o.Add(t.PGPOArmorOutput, PGPBoolean(Armor));
        o.Add(t.PGPOClearSign, PGPBoolean(ClearSign));
        o.Add(t.PGPOCompression, PGPBoolean(Compress));
        o.Add(t.PGPOForYourEyesOnly, PGPBoolean(ForYourEyesOnly));
        o.Add(t.PGPODataIsASCII, PGPBoolean(TextMode));
        o.Add(t.PGPOCommentString, Comment.c_str());
        o.Add(t.PGPOVersionString, static_cast<const char*>(loader::VersionText()));
        if (PGPMIME) {
            MIMESeparator.assign(kPGPMIMESeparatorSize, '\0');
            MIMEBodyOffset = 0;
            o.Add(t.PGPOPGPMIMEEncoding, PGPBoolean(1), &MIMEBodyOffset, &MIMESeparator[0]);
            o.Add(t.PGPOOmitMIMEVersion, PGPBoolean(OmitMIMEVersion));
        }
    }
    if (o.error() != kPGPError_NoErr) return o.error();

    // Conventional encryption takes nothing further.
    if (Conventional) {
        if (o.Add(t.PGPOCipherAlgorithm, PGPCipherAlgorithm(CipherIndex + 1)) != kPGPError_NoErr) return o.error();
        PGPError err = ConventionalEncryptionPassphrase(Context, PassphrasePrompt, ParentWindow, Passphrase);
        if (err != kPGPError_NoErr) return err;
        if (!t.PGPOConventionalEncrypt || !t.PGPOPassphrase) return kPGPError_EngineNotLoaded;
        PGPOptionListRef conv =
            t.PGPOConventionalEncrypt(Context, t.PGPOPassphrase(Context, Passphrase), t.PGPOLastOption(Context));
        return t.PGPAppendOptionList(o.get(), conv, t.PGPOLastOption(Context));
    }

    if (Sign || Detached) {
        PGPError err = AddSigning(job);
        if (err != kPGPError_NoErr) return err;
    }
    if (Encrypt) return AddEncryption(job);
    return kPGPError_NoErr;
}

int TPGPEncode::MatchSigningKeys(const std::string& text, PGPKeyDBObjRef* first) {
    if (first) *first = nullptr;
    if (text.empty()) return 0;
    PGPKeySetRef signers = nullptr, found = nullptr;
    PGPError err = FilterByCapability(Context, KeySet, kCapCanSign, signers);
    if (err == kPGPError_NoErr) err = ResolveKeys(Context, signers, text, found);
    int count = 0;
    if (err == kPGPError_NoErr) {
        count = static_cast<int>(CountSet(found));
        if (first && count > 0) *first = FirstKey(found);
    }
    FreeSet(found);
    FreeSet(signers);
    return count;
}

void TPGPEncode::CheckSigner() {
    if (SignerKeyID.empty() || MatchSigningKeys(SignerKeyID, nullptr) != 1) SignerKeyID = Prefs.DefaultKeyID;
}

PGPError TPGPEncode::AddSigning(JobState& job) {
    auto& t = Sdk();
    CheckSigner();
    PGPKeyDBObjRef key = nullptr;

    // A cached passphrase counts only when it opens the one key the signer names.
    bool cached = false;
    if (CacheMode != -1 && Secure) {
        char* stored = nullptr;
        if (Secure->FetchPassphrase(Context, kSignSlot, stored) == kPGPError_NoErr && stored) {
            PGPKeyDBObjRef match = nullptr;
            const bool valid = MatchSigningKeys(SignerKeyID, &match) == 1 && match && t.PGPPassphraseIsValid &&
                               t.PGPOPassphrase && t.PGPOLastOption &&
                               t.PGPPassphraseIsValid(match, t.PGPOPassphrase(Context, stored),
                                                      t.PGPOLastOption(Context)) != 0;
            if (valid) {
                Passphrase = stored;
                cached = true;
                SignerKeyID = KeyIDText(match);
                if (FindKeyByID(KeySet, SignerKeyID, key) != kPGPError_NoErr || !key) return kEncodeErrNoSigningKey;
            } else {
                t.PGPFreeData(stored);
            }
        }
    }
    if (!cached) {
        PGPError err =
            SigningPassphrase(Context, KeySet, PassphrasePrompt, SignerKeyID, true, ParentWindow, Passphrase, key);
        if (err != kPGPError_NoErr) return err;
        if (!key) return kEncodeErrNoSigningKey;
    }
    job.signingPassphrase = true;

    int hash = HashAlgorithm;
    if (hash == 0) {
        PGPInt32 algorithm = 0;
        sdk::GetNumericProperty(key, kPGPKeyProperty_AlgorithmID, &algorithm);
        hash = HashForAlgorithm(algorithm);
        if (hash == 0) return kEncodeErrUnknownAlgorithm;
    }
    if (!t.PGPOSignWithKey || !t.PGPOPassphrase) return kPGPError_EngineNotLoaded;
    PGPOptionListRef sign =
        t.PGPOSignWithKey(Context, key, t.PGPOPassphrase(Context, Passphrase), t.PGPOLastOption(Context));
    PGPError err = t.PGPAppendOptionList(job.options.get(), sign, t.PGPOLastOption(Context));
    if (err != kPGPError_NoErr) return err;
    err = job.options.Add(t.PGPOHashAlgorithm, PGPHashAlgorithm(hash));
    if (err != kPGPError_NoErr) return err;

    const std::string used = KeyIDText(key);
    if (!used.empty()) SignerKeyID = used;
    return kPGPError_NoErr;
}

PGPError TPGPEncode::AddEncryption(JobState& job) {
    auto& t = Sdk();
    PGPError err = ResolveRecipients();
    if (err != kPGPError_NoErr) return err;
    err = ResolveKeys(Context, KeySet, Recipients, RecipientKeys);
    if (err != kPGPError_NoErr) return err;
    err = job.options.Add(t.PGPOEncryptToKeySet, RecipientKeys);
    if (err != kPGPError_NoErr) return err;
    std::vector<int> algorithms;
    TPgpPrefs* prefs = PgpPrefs();
    if (prefs && prefs->ReadPreferredAlgorithms(algorithms) == 0 && !algorithms.empty()) {
        std::vector<PGPCipherAlgorithm> list(algorithms.begin(), algorithms.end());
        err = job.options.Add(t.PGPOPreferredAlgorithms, static_cast<const PGPCipherAlgorithm*>(list.data()),
                              static_cast<PGPUInt32>(list.size()));
    }
    return err;
}

PGPError TPGPEncode::ResolveRecipients() {
    TKeyRings* rings = KeyRings();
    if (rings && rings->GroupFile.empty()) rings->GroupFile = Prefs.GroupsFile;
    CheckSigner();
    bool single = false;
    if (!RecipientsConfirmed && !AlwaysSelectKeys) {
        PGPKeySetRef found = nullptr;
        if (ResolveKeys(Context, KeySet, Recipients, found) == kPGPError_NoErr) single = CountSet(found) == 1;
        FreeSet(found);
    }
    if (!RecipientsConfirmed && !single) {
        PGPError err = SelectRecipients();
        if (err != kPGPError_NoErr) return err;
    }
    // The signer is always the last recipient, so that the sender can read the message.
    if (!Recipients.empty()) Recipients += "," + SignerKeyID;
    return kPGPError_NoErr;
}

PGPError TPGPEncode::SelectRecipients() {
    TKeyPropsList* list = nullptr;
    const int listed = ListKeys(Context, KeySet, kCapCanEncrypt, kSelectListMask, kPGPKeyOrdering_UserID, list);
    if (listed < 0) return listed;
    std::unique_ptr<TKeyPropsList> keys(list);

    if (!KeySelector) return kEncodeErrNoKeyDialog;
    TKeySelectRequest request;
    request.Parent = ParentWindow;
    request.Prompt = SelectPrompt;
    request.GroupCaption = GroupCaption;
    request.OKCaption = OKCaption;
    request.CancelCaption = CancelCaption;
    request.ServerCaption = ServerCaption;
    request.AutoListCaption = AutoListCaption;
    request.HelpFile = HelpFile;
    request.HelpContext = HelpContext;

    const std::string given = Recipients;
    std::string text = Recipients;
    bool groupChosen = false;
    std::string selection;
    const int answer = KeySelector(request, text, *keys, groupChosen, selection);
    if (groupChosen) RecipientsConfirmed = true;

    switch (answer) {
        case kSelKeyCancelled:
            return kEncodeErrCancelled;
        case kSelKeyChosen:
            // A group resolves through its members; its name is no key.
            Recipients = groupChosen ? GroupRecipients(selection) : text;
            return kPGPError_NoErr;
        case kSelKeyFromServer:
            return FetchRecipient(given);
        case kSelKeyAddToList: {
            // The list keeps the short key ID of the chosen key: the last 8
            // digits of its key ID, not the first.
            int index = keys->IndexOf(selection);
            std::string shortID =
                index >= 0 && !keys->Objects(index).ShortKeyID.empty() ? keys->Objects(index).ShortKeyID
                                                                        : ShortKeyID(selection);
            const int entry = ChosenKeys.Add(shortID);
            ChosenKeys.Objects(entry).ShortKeyID = shortID;
            ChosenKeys.Objects(entry).UserName = text;
            Recipients = shortID;
            return kPGPError_NoErr;
        }
        default:
            return kEncodeErrNoKeyDialog;
    }
}

PGPError TPGPEncode::FetchRecipient(const std::string& given) {
    const auto items = SplitRecipientText(given);
    if (items.empty()) return kEncodeErrEmptyText;
    const std::string& item = items.front();
    PGPFilterRef filter = nullptr;
    PGPError err = kPGPError_NoErr;
    if (IsKeyIDText(item)) {
        PGPKeyID id{};
        err = sdk::NewKeyIDFromString(item.c_str(), 0, &id);
        if (err == kPGPError_NoErr)
            err = sdk::NewDataFilter(Context, kPGPKeyProperty_KeyID, &id, loader::KeyIDSize(), kPGPMatchEqual, &filter);
    } else {
        err = sdk::NewDataFilter(Context, kPGPUserIDProperty_Name, item.data(), static_cast<PGPSize>(item.size()),
                                 kPGPMatchSubString, &filter);
    }
    if (err != kPGPError_NoErr) return err;
    PGPKeySetRef found = nullptr;
    err = SearchKeyServer(Context, TLSContext, filter, kCapCanEncrypt, ParentWindow, found);
    if (filter && Sdk().PGPFreeFilter) Sdk().PGPFreeFilter(filter);
    if (err == kPGPError_NoErr) err = ImportKeys(Context, found, SelectPrompt, ParentWindow, &ChosenKeys, TLSContext);
    ReleaseServerKeys(found);
    if (err != kPGPError_NoErr) return err;
    if (ChosenKeys.Count() == 1) Recipients = ChosenKeys.Strings(0);
    return kPGPError_NoErr;
}

PGPError TPGPEncode::StoreResult() {
    const char* bytes = static_cast<const char*>(OutData);
    if (!ToFile) {
        std::string& target = AppendOutputTo ? *AppendOutputTo : OutputText;
        if (target.capacity() - target.size() < OutLength) {
            // Room given at once in a fresh buffer: growing in place may
            // double it; the text it held may be message text and is wiped.
            std::string room;
            room.reserve(target.size() + OutLength + (AppendOutputTo ? AppendRoom : 0));
            room.append(target);
            target.swap(room);
            WipeBytes(room.data(), room.size());
        }
        target.append(bytes, OutLength);
        return kPGPError_NoErr;
    }
    if (!ReplaceWholeFile(OutputFile, std::string_view(bytes, OutLength))) return kEncodeErrOutputFile;
    return kPGPError_NoErr;
}

void TPGPEncode::CleanUp(JobState& job) {
    auto& t = Sdk();
    // The separator room holds a zero-terminated text.
    const auto end = MIMESeparator.find('\0');
    if (end != std::string::npos) MIMESeparator.resize(end);
    job.options.Free();
    if (job.inputSpec && t.PGPFreeFileSpec) t.PGPFreeFileSpec(job.inputSpec);
    job.inputSpec = nullptr;
    FreeSet(RecipientKeys);
    // Only a signing passphrase is kept for the next signature.
    if ((Sign || Detached) && job.signingPassphrase && CacheMode != -1 && Secure && Passphrase && OutData &&
        OutLength > 0)
        Secure->CachePassphrase(Context, Passphrase, kSignSlot, OutData, OutLength);
    void* out = OutData;
    FreeData(out);
    OutData = nullptr;
    FreePassphrase();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    if (TKeyRings* rings = KeyRings()) rings->CloseEnvironment(TLSContext);
    Context = nullptr;
    KeySet = nullptr;
    TLSContext = nullptr;
}

}  // namespace orv
