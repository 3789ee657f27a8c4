#pragma once
// The encryptor operations the mail client calls with a message file:
// taking over its request, encoding an outgoing message (ENCRYPT_FILE_EX,
// SIGN_FILE_EX) and, in decryptor.cpp, decoding, verifying, key import and
// file destruction. The flow works on TPMFuncs' assembly; everything that
// reaches the host's windows, the automation plug-in, the boxes, the files
// and the key rings comes in through TEncryptorHost, filled in by the
// main library's exports.

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "formats/pgp_recognition.h"
#include "formats/pm_funcs.h"
#include "formats/settings.h"
#include "formats/signature_line.h"

namespace orv {

class TPGPEncode;
class TPGPDecode;
class TKeyPropsList;

// A key found by a search: full key-ID text and first user ID.
struct TFoundKey {
    std::string KeyID;
    std::string UserID;
};

struct TEncryptorHost {
    TTextSource Text;
    std::function<std::string(int error)> ErrorText;
    // The PGP configuration check: true when both key rings exist.
    std::function<bool()> CheckPGPConfig;
    // The host window to the bottom of the z-order, not activated.
    std::function<void()> HostToBottom;
    // Synchronous sends; 0 when the window is not there.
    std::function<std::intptr_t(unsigned msg, std::uintptr_t wp, std::intptr_t lp)> SendHost;
    std::function<bool()> HasAutomation;
    std::function<std::intptr_t(unsigned msg, std::uintptr_t wp, std::intptr_t lp)> SendAutomation;
    // Boxes.
    std::function<void(const std::string&)> Error, Warn, Info, Popup;
    std::function<int(const std::string& title, const std::string& text, const std::string& rightCaption,
                      const std::string& leftCaption, int flags)>
        CustomDlg;
    // Files. Write puts the whole content in place of the file or leaves
    // the file as it was.
    std::function<bool(const std::string& path)> FileExists;
    std::function<bool(const std::string& path, std::string& bytes)> ReadFile;
    // The pieces one after the other make the file's new content.
    std::function<bool(const std::string& path, std::initializer_list<std::string_view> pieces)> WriteFile;
    // The file wiper with the configured passes; it deletes the file.
    std::function<bool(const std::string& path)> WipeFile;
    // Key searches on the user's rings.
    std::function<std::vector<TFoundKey>(const std::string& text)> FindSigningKeys;
    std::function<int(const std::string& text)> CountKeys;
    std::function<bool(const std::string& text)> HasADK;
    std::function<std::vector<TFoundKey>(const std::string& keyIDs)> KeysOf;
    // Keys in a text offered for import; the imported ones listed.
    std::function<int(const std::string& text, std::vector<TFoundKey>& imported)> ImportKeys;
    // A key fetched from the key server by its key ID.
    std::function<int(const std::string& keyID)> FetchKey;
    std::function<std::string()> ClipboardText;
    // The passphrase-cache timer with the Store value.
    std::function<void(int store)> CacheTimer;
    // The current message window as a message editor: its identity (false
    // when it is none), its content, the encryption box unchecked.
    std::function<bool(std::string& identity)> EditorIdentity;
    std::function<void()> UncheckEncrypt;
    // The current editor's fields into a new editor, then the copied-message
    // note (the text given) and the focus to it.
    std::function<void(const std::string& copiedNote)> MoveToNewEditor;
    // An edit field of the current message window begins with the text.
    std::function<bool(const std::string& prefix)> MessageWindowFieldBegins;
    // A value of the host's "PMAIL.INI" in the mailbox directory.
    std::function<std::string(const std::string& section, const std::string& key)> PmailIni;
    // The session's form parameter ("PGPMIME" makes a decoded message PGP/MIME).
    std::function<std::string()> FormParameter;
    // The PGP preference "MarginalValidityIsInvalid" is "TRUE".
    std::function<bool()> MarginalIsInvalid;
    // The session's decoding job, set up for each run by the caller.
    TPGPDecode* Decoder = nullptr;
};

// The entry the AutoList gets: user IDs joined by CR LF, "\", key IDs by ",".
std::string AutoListEntryOf(const std::vector<TFoundKey>& keys);

// Encode results beside 1 (encoded) and 0 (send as it is): moved to a new
// editor, the file holding the "(delete)" marker; failed, not to be sent.
constexpr int kEncodeMoved = -2;
constexpr int kEncodeFailed = -1;

class TPMEncryptor {
public:
    // The settings are the configuration store's record, read as they stand
    // at each call.
    TPMEncryptor(TPMFuncs& pm, TEncryptorHost host, const TSettings& settings,
                 std::array<std::uint8_t, 4>& outcomeFlags);
    TPMEncryptor(const TPMEncryptor&) = delete;
    TPMEncryptor& operator=(const TPMEncryptor&) = delete;

    // The 44-byte request: its check result.
    bool ReadCryptEx(const void* request);
    int Encode();
    void GetSignKey();
    int CopyMessage();

    int Decode();
    int VerifySignature(const char* path);
    int KeyManagement(const char* pathOrClip);
    int DestroyFile(const char* path);

    TPMFuncs& PM;
    TEncryptorHost Host;
    const TSettings& Settings;
    std::array<std::uint8_t, 4>& OutcomeFlags;

    std::string HostRecipients;
    std::string OutputFile;
    std::uint32_t HostWord = 0;
    std::string ResultText;
    std::string AutoListEntry;
    std::string SignerName;
    bool EngineMissing = false;
    // Set when a successful sign reported the key it used.
    bool PGPMimeSwitch = false;
    // The message could not be replaced by the "(delete)" marker in this encode.
    bool CopyFailed = false;

private:
    std::string T(int number) const;
    void Status(int wp, const std::string& text);
    void ShowPGPError(int error);
    bool AdkDeclined(const std::string& recipientSpec);
    void AutomationOptions();
    void Recipients();
    int Assemble();
    int HandleResult(int result, const std::string& output, int error);
    void Report(int result);
    void BuildAutoListEntry();
    void OfferAutoListEntry();
    struct TDecodeRun;
    int RunDecoder(const std::string& block, bool verify, const std::string& title, TDecodeRun& run);
    // The same with the block handed over to the decoding job.
    int RunDecoder(std::string&& block, bool verify, const std::string& title, TDecodeRun& run);
    int RunDecoderOn(const std::string& block, std::string* taken, bool verify, const std::string& title,
                     TDecodeRun& run);
    // The block and every signature it leads to, reported by the weakest.
    void DecodeAll(TPGPSplit& split, bool verify, const std::string& title, TDecodeRun& run);
    void UnwrapEntities(bool verify, const std::string& title, TDecodeRun& run);
    void DecodeFurtherBlocks(TPGPSplit& split, bool verify, const std::string& title, TDecodeRun& run);
    // The decoding job's analysis, for the recognition of a text.
    TAnalyzeText Analysis();
    TPGPSplit Recognise(std::string&& text);
    // The message text, handed over, decoded into the output file.
    int DecodeText(std::string&& text);
    // The message file as it came to the output file (read again: its text
    // went into the decoding).
    bool WriteMessageAsItCame();
    // The bytes to the output file; false with the write error shown.
    bool WriteResultFile(std::string_view bytes) { return WriteResultFile({bytes}); }
    bool WriteResultFile(std::initializer_list<std::string_view> pieces);
    // A form parameter of "PGPMIME" makes the whole text one PGP/MIME block.
    TPGPSplit SplitForDecoding(std::string&& text);
    // The run's result text; a failure shown and its message kept as it came
    // (false), a success made ready for writing with its signature line shown.
    bool TakeRunResult(TPGPSplit& split, TDecodeRun& run, bool unsignedData);
    void ShowSignatureLine(TDecodeRun& run, bool unsignedData);
    void ReportDecodedToAutomation(const TDecodeRun& run, bool attachment);
    // The decoded header, plain text and trailing text to the output file.
    bool WriteDecoded(const TPGPSplit& split, TDecodeRun& run);
    // Keys the message carries offered for import: the report of those
    // added, or of the failure (failed set).
    std::string ImportOfferedKeys(const TPGPSplit& split, const TDecodeRun& run, bool& failed);
    void ShowDecodeStatus(const TDecodeRun& run, bool unsignedData);
    void TellImport(const std::string& report, bool failed, bool toAutomation);
    bool AutomationListens() const;
};

}  // namespace orv
