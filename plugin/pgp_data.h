#pragma once
// TPGPData: the session's holder of the user's settings from "Merrowin.cfg"
// and of the objects that reach the engine (passphrase cache, encoding and
// decoding jobs, a key list). Every operation runs its PGP configuration
// check first; the passphrase-cache timer and its notice to the automation
// window live here too.

#include <windows.h>

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "engine/key_props.h"
#include "engine/pgpsdk.h"
#include "formats/pgp_recognition.h"
#include "formats/settings.h"
#include "formats/config_file.h"

namespace orv {

class TMsgBox;
class TSecure;
class TPGPEncode;
class TPGPDecode;

// The cache-timer operation's argument for an explicit wipe.
constexpr int kWipeNow = -1;

// The configuration help file in the install directory.
constexpr const char* kHelpFileName = "PGPCfg.hlp";

// The facts of the session that the store and the windows' jobs need. The
// session is one of these (TPluginParams derives from it), so the store
// reads the session's own values; a test gives a record of its own.
struct TSessionContext {
    TSessionContext();
    ~TSessionContext();
    TSessionContext(const TSessionContext&) = delete;
    TSessionContext& operator=(const TSessionContext&) = delete;

    std::string ConfigFile;
    std::string MailboxDir;
    std::string InstallDir;
    std::string SetupCommand;  // "USERCONFIG", "USERUPDATE" or ""
    bool SilentSetup = false;  // the launcher's silent switch: no dialog, no box
    HWND AutomationWindow = nullptr;
    HWND OwnerWindow = nullptr;
    std::unique_ptr<TMsgBox> MsgBox;

    bool InSetup() const { return SetupCommand == "USERCONFIG" || SetupCommand == "USERUPDATE"; }
    // The automation window while it exists.
    HWND Automation() const;
    // The owner for the next dialog: never a window that is gone.
    HWND Owner() const;
};

class TPGPData {
public:
    explicit TPGPData(TSessionContext& context);
    ~TPGPData();
    TPGPData(const TPGPData&) = delete;
    TPGPData& operator=(const TPGPData&) = delete;

    // Rows "DefaultUser"/"Always" to "WipeCount"/"Count"; hands Store and
    // Count on. False when there is no configuration file name.
    bool LoadSettings();
    // True when both key rings exist; asks to retry while they do not.
    bool CheckPGPConfig();
    // A run of many decodes (the viewer's folder load): the configuration is
    // checked once for the whole run, and the cache timer waits for its end
    // instead of being reset by every message.
    void BeginRun();
    void EndRun();

    // Whole file into memory / memory over the file (complete, then
    // replaced); LastResult -1 on failure, 0 on success.
    bool ReadMessageFile(const std::string& path, std::string& bytes);
    bool ReadMessageFile(const std::string& path, char separator, std::size_t blockSize,
                         std::deque<std::string>& blocks);
    bool WriteMessageFile(const std::string& path, const std::string& bytes);
    void WipeFile(const std::string& path);

    // Stops the running timer; -1 wipes now, n > 0 starts an n-second
    // timer, 0 leaves the cache. Tells the automation window how the cache
    // stands. True when the cache is empty afterwards.
    bool CacheTimer(int store);
    bool CacheTimerRunning() const { return CacheTimerID != 0; }

    // The form-definition files of the mailbox directory, for the setup
    // commands; NEWPATH_ERR on any failure.
    bool UpdateFormFiles();

    // ---- Jobs for the windows -----------------------------------------------
    // -1 when the PGP configuration check fails; else the engine's result,
    // encrypted set for encrypted data.
    PGPError AnalyzeFile(const std::string& path, bool& encrypted);
    // Encrypts to the default key, or decodes, from one file into another.
    PGPError FileJob(const std::string& path, const std::string& outputPath, bool encrypt);
    // The viewer's decode: the decoded text behind a "PGP-Info: " block with
    // the signature report; the input unchanged on failure.
    std::string DecodeText(const std::string& text);
    // The viewer's encrypted save; true on success.
    // True when the job encrypted; written says whether the file holds it.
    bool EncryptTextToFile(const std::string& text, const std::string& outputPath, bool& written);
    // The PGP error display: the engine's text with Error, never for the
    // user's cancel or -11995.
    void ShowPGPError(PGPError err);

    // Key searches on the user's rings: the number of keys found (negative
    // on failure), listed into KeyPropsList with the mask.
    int FindKeysByText(const std::string& text, std::uint32_t mask);
    int FindSecretKeys(const std::string& text, std::uint32_t mask);
    int FindKeysWithADK(const std::string& text, std::uint32_t mask);

    // ---- Recognition of incoming mail ---------------------------------------
    // The first armoured block at a line start: its kind (TMessageKind) and
    // place; kind 0 when it is none of the three kinds or has no end line.
    static int FindArmor(std::string_view text, std::size_t& start, std::size_t& end);
    // Head, armoured block and trailing text of an incoming message; its
    // body is decoded from quoted-printable first unless the decoding job's
    // analysis finds encrypted data in it.
    TPGPSplit SplitPGPMessage(std::string_view text);
    // The signed text of a clear-signed message without its frame.
    static std::string StripClearSigned(std::string_view text);

    // The key-attribute names, indexed by the engine's values ("" outside).
    const std::string& KeyTypeText(int type) const;
    const std::string& TrustText(int trust) const;
    const std::string& ValidityText(int validity) const;
    const std::string& AlgorithmText(int algorithm) const;

    TConfigFile Config() const { return TConfigFile(context_.ConfigFile); }

    // The encoding job with the settings and the session's owner, for a job
    // of the encryptor operations or the windows; text mode and output are
    // the caller's.
    TPGPEncode& EncodeJob();
    // The decoding job likewise.
    TPGPDecode& DecodeJob();

    // ---- In memory, in this order -----------------------------------------
    PGPError LastResult = 0;
    std::unique_ptr<TSecure> Secure;
    std::unique_ptr<TPGPEncode> PGPEncode;
    std::unique_ptr<TPGPDecode> PGPDecode;
    std::unique_ptr<TKeyPropsList> KeyPropsList;
    std::string PGPPath;
    // "Merrowin.cfg" as last read: the one record every reader uses.
    TSettings Settings;
    UINT_PTR CacheTimerID = 0;
    std::array<std::string, 2> KeyTypeTexts;
    std::array<std::string, 8> TrustTexts;
    std::array<std::string, 4> ValidityTexts;
    std::array<std::string, 19> AlgorithmTexts;

private:
    bool ReadPathSettings(const TConfigFile& config, std::string& name);
    void SetDefaultUser(const TConfigFile& config, const std::string& name);
    void ExpandDefaultKeyID(const TConfigFile& config);
    void NotifyCache(bool wasEmpty, bool empty);
    void PrepareEncryption(const std::string& outputPath, bool textMode);
    void PrepareDecoding(bool toFile, const std::string& outputPath);
    void StopCacheTimer();
    std::optional<bool> runConfig_;  // the run's configuration check
    static void CALLBACK CacheTimerExpired(HWND, UINT, UINT_PTR id, DWORD) noexcept;

    TSessionContext& context_;
};

// "Win " + platform + " (" + major + "." + minor + ")".
std::string WindowsVersionText();
// "PGP 7.X.X" or "PGP 6.5.X" for the loaded engine.
std::string PGPVersionText();

struct TSignatureInfo;

// The viewer's report block: "PGP-Info: \t", the line up to its first ")",
// the rest on lines that begin with two TABs, a rule and a blank line.
std::string PGPInfoBlock(const std::string& signatureLine);

// Splits "user ID\key ID" at its last "\" into trimmed halves; without "\"
// the whole text is the user ID.
void SplitDefaultUser(const std::string& name, std::string& userName, std::string& keyID);

}  // namespace orv
