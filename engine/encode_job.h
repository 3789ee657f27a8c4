#pragma once
// The encoding job: encrypts, signs, clear-signs, makes detached signatures
// and armours data through the engine's encoder. It chooses the recipients
// (the key selection dialog when the recipient text does not lead to one
// key), takes the signing passphrase from the passphrase cache or the
// engine's signing dialog, and returns the result as a text or a file.
//
// The configuration store owns one job, sets its fields before each
// operation and reads the results afterwards.

#include <cstdint>
#include <string>
#include <string_view>

#include <windows.h>

#include "engine/key_props.h"
#include "engine/key_select.h"
#include "engine/pgp_prefs.h"
#include "engine/pgpsdk.h"

namespace orv {

class TSecure;

// Errors of the job, in the engine's numbering.
enum : PGPError {
    kEncodeErrInputFileMissing = kPGPError_FileNotFound,        // -11997
    kEncodeErrEmptyText = kPGPError_EmptyInput,                 // -11984
    kEncodeErrInputFileEmpty = kPGPError_ReadFailed,            // -11990
    kEncodeErrOutputFile = kPGPError_CantOpenFile,              // -11996
    kEncodeErrShortWrite = kPGPError_WriteFailed,               // -11989
    kEncodeErrStoreResult = kPGPError_OutOfMemory,              // -11999
    kEncodeErrNoSigningKey = kPGPError_NoSigningKey,            // -11492
    kEncodeErrUnknownAlgorithm = kPGPError_UnknownPublicKeyAlgorithm,  // -11347
    kEncodeErrCancelled = kPGPError_UserAbort,                  // -11987
    kEncodeErrNoKeyDialog = kPGPError_ItemNotFound,             // -10988
};

// Fields of the key records in ChosenKeys.
constexpr std::uint32_t kChosenKeysMask = kPropShortKeyID | kPropUserName | kPropAlgorithm | kPropKeyValidity;

class TPGPEncode {
public:
    TPGPEncode();
    ~TPGPEncode();
    TPGPEncode(const TPGPEncode&) = delete;
    TPGPEncode& operator=(const TPGPEncode&) = delete;

    // Each operation returns an engine error number, 0 on success.
    // Encrypts to the recipients (and the signer), signing when asked.
    PGPError EncryptBuffer(std::string_view text, bool sign);
    PGPError EncryptFile(const std::string& path, bool sign);
    PGPError ClearSignBuffer(std::string_view text);
    PGPError ArmorBuffer(std::string_view text);
    PGPError DetachedSignBuffer(std::string_view text);
    // -1 never uses the cache and wipes both of its slots now.
    void SetCacheMode(int mode);
    void SetWipeCount(int count);

    // Switching on clears the modes that cannot go with it.
    void SetClearSign(bool on);  // on: Sign, Armor, TextMode on; Encrypt, Compress, Conventional, Detached off
    void SetEncrypt(bool on);    // on: Detached, Conventional, ClearSign off
    void SetSign(bool on);       // on: Conventional off

    // Open while a job runs.
    PGPContextRef Context = nullptr;
    PGPKeySetRef KeySet = nullptr;
    PGPtlsContextRef TLSContext = nullptr;
    PrefsRecord Prefs;
    void* OutData = nullptr;
    PGPSize OutLength = 0;
    int InputSize = 0;
    std::string InputFile;
    std::string OutputText;
    // Where set, a text job's output is appended here instead of going to
    // OutputText: the caller's message then holds a large armour only once.
    std::string* AppendOutputTo = nullptr;
    // Room left behind the appended output for what the caller adds next.
    std::size_t AppendRoom = 0;
    char* Passphrase = nullptr;
    PGPKeySetRef RecipientKeys = nullptr;

    // Modes; plain assignment leaves the other modes as they are.
    bool ClearSign = false;
    bool Compress = false;
    bool Conventional = false;
    bool Detached = false;
    bool Encrypt = false;
    bool Sign = false;
    bool Armor = false;
    int CacheMode = 0;
    std::string Comment;
    // 0-based; the engine gets CipherIndex + 1.
    int CipherIndex = 0;
    bool ForYourEyesOnly = false;
    bool ToFile = false;
    // In and out: no key selection is needed (set when a group was chosen).
    bool RecipientsConfirmed = false;
    bool PGPMIME = false;
    PGPSize MIMEBodyOffset = 0;
    // At most 80 characters after a PGP/MIME job.
    std::string MIMESeparator;
    bool OmitMIMEVersion = false;
    HWND ParentWindow = nullptr;
    // 0: chosen from the signing key's algorithm.
    int HashAlgorithm = 0;
    bool TextMode = false;
    bool AlwaysSelectKeys = false;
    // Recipient text in; the resolved key-ID list, signer last, out.
    std::string Recipients;
    // Signing key ID text in; the key actually used out.
    std::string SignerKeyID;
    std::string GroupCaption;
    std::string OKCaption;
    std::string CancelCaption;
    std::string ServerCaption;
    std::string AutoListCaption;
    std::string SelectPrompt;
    std::string PassphrasePrompt;
    std::string OutputFile;
    std::string HelpFile;
    // Shared, not owned.
    TSecure* Secure = nullptr;
    int HelpContext = 0;
    // Keys chosen or imported during recipient selection, and the entry made
    // for "use and add to the list".
    TKeyPropsList ChosenKeys{0, kChosenKeysMask};
    // Asks the user for recipients when the text names no single key;
    // without one, such a job fails with kEncodeErrNoKeyDialog.
    TKeySelector KeySelector;

private:
    struct Input;
    struct JobState;
    PGPError Run(const Input& input);
    PGPError RunOpened(const Input& input, JobState& job);
    PGPError BuildOptions(JobState& job);
    PGPError AddSigning(JobState& job);
    PGPError AddEncryption(JobState& job);
    PGPError ResolveRecipients();
    PGPError SelectRecipients();
    PGPError FetchRecipient(const std::string& given);
    PGPError StoreResult();
    void CleanUp(JobState& job);
    // Keys that can sign and match the text; the first of them when asked.
    int MatchSigningKeys(const std::string& text, PGPKeyDBObjRef* first);
    // The default key stands in for a signer that names no single key.
    void CheckSigner();
    void FreePassphrase();
};

// A group entry of the key selection dialog (the name, then one member per
// line ending in its key ID) as a recipient text of the members' key IDs.
// The name is no key, and a member without a key ID resolves to nothing:
// never to whatever key a user-ID substring would match.
std::string GroupRecipients(const std::string& groupEntry);

// The engine's hash number for a signing key's public-key algorithm; 0 for
// an algorithm that has none.
int HashForAlgorithm(int algorithm);

}  // namespace orv
