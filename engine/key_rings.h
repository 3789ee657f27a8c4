#pragma once
// The user's key rings, shared by every job and window of the process, and the
// key look-ups and listings built on them. Everything goes through the
// loader's release adapters.

#include <cstdint>
#include <string>
#include <vector>

#include "base/key_id.h"
#include "engine/key_props.h"
#include "engine/pgp_prefs.h"
#include "engine/pgpsdk.h"

namespace orv {

// Errors of our own, in the engine's numbering.
enum : PGPError {
    kKeyErrNotLoaded = kPGPError_EngineNotLoaded,  // -11977
    kKeyErrNoKeyForItem = kPGPError_EmptyInput,     // -11984
    kKeyErrListAlloc = kPGPError_OutOfMemory,       // -11999
    kKeyErrNothingToImport = kPGPError_ItemNotFound // -10988
};

// Capability flags of a key filter; the first boolean flag and the first
// algorithm flag present count.
enum : std::uint32_t {
    kCapCanEncrypt = 0x1,
    kCapCanDecrypt = 0x2,
    kCapCanSign = 0x4,
    kCapCanVerify = 0x8,
    kCapEnabled = 0x10,
    kCapDisabled = 0x20,
    kCapAlgDSA = 0x100,
    kCapAlgRSA = 0x200,
    kCapVersion4 = 0x400,
    kCapVersion3 = 0x800,
};

class TKeyRings {
public:
    TKeyRings() = default;
    ~TKeyRings();
    TKeyRings(const TKeyRings&) = delete;
    TKeyRings& operator=(const TKeyRings&) = delete;

    // Opens the ring pair on first use; later users share it. -11977 while
    // the engine failed to load.
    PGPError OpenKeyRings(PGPContextRef& context, PGPKeySetRef& keySet);
    void CloseKeyRings();
    // Writes changes and tells the client library that the rings changed.
    PGPError CommitKeyRings();
    bool SetRingFiles(const std::string& publicRing, const std::string& privateRing);
    // Ring and groups paths from the PGP preferences; the preference error
    // (and the paths unchanged) when they cannot be read.
    int ReadRingFiles(TPgpPrefs& prefs);

    // Rings, TLS context and client library for one job or window.
    PGPError OpenEnvironment(PGPContextRef& context, PGPKeySetRef& keySet, PGPtlsContextRef& tls);
    void CloseEnvironment(PGPtlsContextRef tls);

    int OpenCount = 0;
    PGPKeyDBRef KeyDB = nullptr;
    PGPKeySetRef RootSet = nullptr;
    PGPContextRef RingContext = nullptr;
    std::string PublicRingFile;
    std::string PrivateRingFile;
    std::string GroupFile;

private:
    void FreeHandles();
};

// The process's holder; null before CreateKeyRings and after FreeKeyRings.
TKeyRings* KeyRings();
// The loader's hooks for its key-ring step.
void CreateKeyRings();
void FreeKeyRings();

// Splits a recipient text: commas and blanks separate, double quotes group.
std::vector<std::string> SplitRecipientText(const std::string& text);

// Every item of the text must match at least one key; the result set holds
// the keys of all items (free with PGPFreeKeySet).
PGPError ResolveKeys(PGPContextRef context, PGPKeySetRef keySet, const std::string& text, PGPKeySetRef& outSet);
// Keys matching the text in the user's rings, and the first one's key-ID text;
// negative on failure.
int CountKeys(const std::string& text, std::string* firstKeyID = nullptr);
PGPError FindKeyByID(PGPKeySetRef keySet, const std::string& keyIDText, PGPKeyDBObjRef& outKey);
bool IsPassphraseValid(const std::string& keyIDText, const char* passphrase);

// The filter of capability flags; a null filter (and 0) when no flag applies.
PGPError NewCapabilityFilter(PGPContextRef context, std::uint32_t flags, PGPFilterRef& outFilter);
// Keys of the set that pass the flags (a new reference even with no flags).
PGPError FilterByCapability(PGPContextRef context, PGPKeySetRef keySet, std::uint32_t flags, PGPKeySetRef& outSet);

// The key's full key-ID text, "" when it cannot be read.
std::string KeyIDText(PGPKeyDBObjRef key, bool full = true);
std::string FingerprintText(const PGPByte* bytes, std::size_t length);
// "2048 bits", "2048/1024 bits" or "".
std::string KeySizeText(int algorithm, int keyBits, int subkeyBits);

// Appends the keys (filtered, ordered) to `list`, or makes a new list with
// `mask` when `list` is null. The count of the list, or a negative error.
int ListKeys(PGPContextRef context, PGPKeySetRef keySet, std::uint32_t flags, std::uint32_t mask,
             PGPKeyOrdering order, TKeyPropsList*& list);
// The keys matching the text and the flags, from the user's rings.
int FindKeys(const std::string& text, std::uint32_t flags, std::uint32_t mask, TKeyPropsList*& list);

// Writes the keys as armoured text to a file (non-empty path) or into `text`,
// and lists them into `list` (with its own mask) when given.
PGPError ExportKeys(PGPContextRef context, PGPKeySetRef keys, bool withPrivate, const std::string& path,
                    std::string* text, TKeyPropsList* list);

// Offers the keys in the client library's selection dialog and adds the
// chosen ones to the user's rings (open while this runs), commits them and
// lists them into `list` (with its own mask) when given. -10988 when nothing
// is offered.
PGPError ImportKeys(PGPContextRef context, PGPKeySetRef offered, const std::string& prompt, PGPWindowRef owner,
                    TKeyPropsList* list, PGPtlsContextRef tls = nullptr);
// Shows the user's keys (filtered by the flags when any) in the client
// library's selection dialog and lists the chosen ones into `list`; 0 when
// keys were chosen.
PGPError SelectKeys(const std::string& prompt, TKeyPropsList* list, PGPWindowRef owner, std::uint32_t flags);
// Reads keys from a file (isFile) or from the text itself and offers them
// with ImportKeys.
PGPError ImportFromFile(const std::string& pathOrText, bool isFile, const std::string& prompt, PGPWindowRef owner,
                        TKeyPropsList* list);

// Runs the key-server search dialog over the servers of the PGP preferences;
// the found keys come back in a new set, released with ReleaseServerKeys
// (under release 7 the set is the root of a key database of its own).
PGPError SearchKeyServer(PGPContextRef context, PGPtlsContextRef tls, PGPFilterRef textFilter, std::uint32_t capabilityFlags, PGPWindowRef owner, PGPKeySetRef& outFound);
// Frees a set SearchKeyServer returned, with its key database; null after.
void ReleaseServerKeys(PGPKeySetRef& set);
PGPError FetchKeyFromServer(const std::string& text, const std::string& prompt, TKeyPropsList*& list, PGPWindowRef owner, std::uint32_t mask);

}  // namespace orv
