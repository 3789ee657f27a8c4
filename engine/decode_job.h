#pragma once
// The decoding job: decrypts PGP data, verifies signatures, offers keys found
// in a message for import and tells what kind of PGP data a text or file
// holds. It drives the engine's decoder through its event handler and leaves
// a plain result behind: the decoded bytes (text or file), the analysis kind
// and the signature record.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/key_props.h"
#include "engine/pgpsdk.h"

namespace orv {

class TSecure;

// Analysis kinds of the engine, as `AnalyzeResult` holds them.
enum : int {
    kAnalyzeEncrypted = 0,
    kAnalyzeSigned = 1,
    kAnalyzeDetachedSignature = 2,
    kAnalyzeKey = 3,
    kAnalyzeNotPGP = 4,
};

// `SignatureInfo.Status` values.
enum : int {
    kSigNone = 0,         // no signature seen
    kSigBad = 1,          // checked, not verified
    kSigGood = 2,         // checked and verified
    kSigUnknownKey = 3,   // signer's key not on the key rings
    kSigNotSigningKey = 4 // signer's key present but not a signing key
};

// Errors of the decoding job's own, in the engine's numbering.
enum : PGPError {
    kDecodeErrNoInputFile = kPGPError_FileNotFound,              // -11997
    kDecodeErrEmptyText = kPGPError_EmptyInput,                  // -11984
    kDecodeErrEmptyFile = kPGPError_ReadFailed,                  // -11990
    kDecodeErrNoOutput = kPGPError_CantOpenFile,                 // -11996
    kDecodeErrShortWrite = kPGPError_WriteFailed,                // -11989
    kDecodeErrNoDetachedData = kPGPError_DetachedSignatureWithoutData,  // -11478
    kDecodeErrLogNotDelivered = kPGPError_LogNotDelivered,       // -11975
    // The analysis pass stopping early; counts as success.
    kDecodeAnalysisStopped = -11444,
};

// How much a signature can be relied on, for choosing the one to report
// among several: one that did not verify (0), an unknown or unusable
// signer (1), a good signature by a key that is not valid (2), a good one
// (3); no signature (4) gives way to any.
int SignatureStrength(int status, bool validKey);

// The job's signature record: thirteen slots, zeroed at the start of every
// job. A job that meets several signatures keeps the weakest, so that a bad
// signature is never hidden behind a good one.
struct TSignatureInfo {
    std::int32_t Status = kSigNone;
    std::string KeyIDText;  // full key-ID text of the signer
    std::string UserID;     // signer's primary user ID; empty when the key is unknown
    std::string DateText;   // creation time as date text
    PGPTime Time = 0;       // creation time, seconds since 1970
    bool Checked = false;
    bool Verified = false;
    std::int32_t Validity = 0;  // 0-1 invalid, 2 marginal, 3 complete
    bool Revoked = false;
    bool Disabled = false;
    bool Expired = false;
    bool Detached = false;
    bool Axiomatic = false;

    void Clear() { *this = TSignatureInfo(); }
};

// The note texts the status text and the signature line choose from.
struct TSignatureNotes {
    std::string BadSignature;
    std::string DisabledKey;
    std::string ExpiredKey;
    std::string RevokedKey;
    std::string UnknownKey;
    std::string UnusableKey;
};

// The note that applies to a signature record ("" when none).
std::string SignatureNote(const TSignatureInfo& info, const TSignatureNotes& notes);
// The status text for the PGP log window; "" while `Status` is 0. fileName
// is the name without directory, "" when there is no file.
std::string SignatureStatusText(const TSignatureInfo& info, const std::string& fileName,
                                const TSignatureNotes& notes);
// The output name rule: a set output name stays; else the trimmed input name
// without ".sig" (detached signature) or without ".pgp"/".asc" (otherwise).
// "" when the rule gives no usable name, among them the input file itself.
std::string DeriveOutputName(const std::string& outputFile, const std::string& inputFile, bool detached);
// The file name part of a path ("" for "").
std::string FileNameOf(const std::string& path);

class TPGPDecode {
public:
    TPGPDecode();
    ~TPGPDecode();
    TPGPDecode(const TPGPDecode&) = delete;
    TPGPDecode& operator=(const TPGPDecode&) = delete;

    // Every run returns an engine error number (0 = success).
    PGPError AnalyzeBuffer(const std::string& text);
    PGPError AnalyzeFile(const std::string& path);
    PGPError DecodeBuffer(const std::string& text);
    // Takes the text over and frees it as soon as the engine has read it,
    // before the result is collected: a large message and its plain text
    // are not held twice.
    PGPError DecodeBuffer(std::string&& text);
    PGPError DecodeFile(const std::string& path);

    // On: the environment (context, key rings, TLS context) opens now and
    // stays open between jobs, and so does the passphrase of the last job.
    // Off: the passphrase is freed and the environment closed.
    PGPError SetKeepOpen(bool keepOpen);
    // -1 never uses the cache and wipes both of its slots.
    void SetCacheMode(int mode);
    void SetWipeCount(int count);
    // On also passes clear-signed text through.
    void SetRecursive(bool recursive);

    // The note texts as a record.
    TSignatureNotes Notes() const;
    // The note of the current signature record.
    std::string SignatureNote() const;
    // The status text of the current signature record, as the log gets it.
    std::string StatusText() const;

    // ---- Job state --------------------------------------------------------
    PGPContextRef Context = nullptr;
    PGPKeySetRef KeySet = nullptr;
    PGPtlsContextRef TLSContext = nullptr;
    void* OutData = nullptr;  // engine buffer of output fixed before the decoding pass
    PGPSize OutLength = 0;
    int InputSize = 0;
    std::string InputFile;
    std::string OutputText;
    bool ForYourEyesOnly = false;
    bool PGPDataFound = false;
    bool SignedFound = false;
    bool DetachedFound = false;
    bool OutputAttached = false;
    PGPError SavedError = 0;
    bool Conventional = false;
    int Pass = 0;  // 0 analysis only; 1 full decode, analysis pass; 2 decoding pass
    char* Passphrase = nullptr;  // engine buffer
    int PassphraseSection = 0;
    PGPKeySetRef RecipientKeys = nullptr;
    int RecipientKeyIDCount = 0;
    std::vector<PGPByte> RecipientKeyIDs;
    int Section = 0;
    char* Collected = nullptr;  // engine secure buffer
    PGPSize CollectedLength = 0;
    int AnalyzeResult = kAnalyzeNotPGP;

    // ---- Configuration ----------------------------------------------------
    int CacheMode = 0;
    bool ToFile = false;
    bool LookupOnServer = false;
    std::string NoteBadSignature;
    std::string NoteDisabledKey;
    std::string NoteExpiredKey;
    std::string NoteRevokedKey;
    std::string NoteUnknownKey;
    std::string NoteUnusableKey;
    bool KeepOpen = false;
    PGPWindowRef ParentWindow = nullptr;
    bool PassThroughClearSigned = false;
    bool PassThroughUnrecognized = false;
    bool PassThroughKeys = false;
    bool ImportFoundKeys = false;
    bool Recursive = false;
    bool ReportAlways = false;
    std::string ImportPrompt;
    std::string PassphrasePrompt;
    std::string OutputFile;
    TSecure* Secure = nullptr;  // shared with the encoding job, not owned

    // ---- Results ------------------------------------------------------------
    TKeyPropsList ImportedKeys;
    TSignatureInfo SignatureInfo;

    // The mask of the records listed into `ImportedKeys`.
    static constexpr std::uint32_t kImportedKeysMask = kPropShortKeyID | kPropUserName;

private:
    struct Job;
    // taken: the text itself, which the job takes over.
    PGPError Run(const std::string* text, const std::string* path, std::string* taken = nullptr);
    // One run: the analysis pass, then (from the second pass on) the decoding pass.
    PGPError RunJob(Job& job);
    void ResetForJob(const Job& job);
    // The key-ring context for decoding; for analysis a bare one, the held one kept aside.
    PGPError OpenContextFor(Job& job);
    PGPOptionListRef InputOption(const Job& job);
    // Finds what the input holds; text that looks binary is prefixed to be read as text.
    PGPError AnalysisPass(Job& job);
    PGPError BuildDecodingOptions(Job& job);
    PGPError ChooseOutput(Job& job);
    // The decoded bytes to the viewer, the output file or OutputText.
    PGPError DeliverResult(Job& job);
    PGPError TakeSections(Job& job);
    // The input's memory, once the engine is done with it.
    void ReleaseInput(Job& job);
    void CleanUp(Job& job, bool hasOutput, const void* outputBytes, std::size_t outputLength);
    PGPError OpenJobContext();
    void CloseJobContext();
    void FreePassphrase();
    void FreeRecipients();
    void FreeCollected();
    void FreeOutData();
    PGPError AppendToCollected(const void* bytes, PGPSize length);
    PGPError CollectSections(Job& job);
    PGPError WriteOutputFile(const void* bytes, std::size_t length);

    static PGPError PGP_CALL EventHandler(PGPContextRef context, PGPEvent* event, PGPUserValue userValue);
    PGPError OnEvent(PGPEvent& event);
    PGPError OnPassphrase(PGPEvent& event);
    PGPError OnAnalyze(const PGPEvent& event);
    PGPError OnRecipients(const PGPEvent& event);
    PGPError OnKeyFound(PGPEvent& event);
    PGPError OnOutput(PGPEvent& event);
    PGPError OnSignature(PGPEvent& event);
    PGPError SendStatusText();
    void LookUpSigner(PGPJobRef job, const std::string& keyIDText);

    Job* job_ = nullptr;            // the running job
    bool environmentOpen_ = false;  // context and rings from the key-ring holder
    bool bareContext_ = false;      // analysis-only context of our own
    bool prefixedAt_ = false;       // "@" was put in front of the input text
    bool statusReported_ = false;   // the current signature went to the log
};

}  // namespace orv
