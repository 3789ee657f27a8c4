// Objects behind the stand-in's opaque handles. Every handle starts with a tag
// so that a stale or foreign pointer is refused with kPGPError_BadParams
// instead of being used.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <rnp/rnp.h>
#include <rnp/rnp_err.h>

#include "standin/sdk/sdk_interface.h"
#include "standin/sdk/secure_bytes.h"

namespace sdk {

enum class Tag : uint32_t {
    Context = 0x43545854,
    MemoryMgr = 0x4d4d4752,
    FileSpec = 0x46535043,
    OptionList = 0x4f50544c,
    KeyDB = 0x4b594442,
    KeySet = 0x4b595354,
    KeyObj = 0x4b594f42,
    Filter = 0x46494c54,
    KeyList = 0x4b594c53,
    KeyIter = 0x4b594954,
    Job = 0x4a4f4242,
    GroupSet = 0x47525053,
    GroupIter = 0x47524954,
    Dead = 0xdeaddead
};

template <Tag T>
struct Tagged {
    Tag tag = T;
    ~Tagged() { tag = Tag::Dead; }
    bool valid() const { return tag == T; }
};

template <class P>
P* check(P* p) {
    return (p && p->valid()) ? p : nullptr;
}

}  // namespace sdk

struct PGPMemoryMgr : sdk::Tagged<sdk::Tag::MemoryMgr> {
    PGPMemoryMgrAllocationProc alloc = nullptr;
    PGPMemoryMgrDeallocationProc dealloc = nullptr;
    PGPUserValue customValue = nullptr;
};

namespace sdk {
// The SDK preferences of a context: file names by selector and data values.
struct SdkPrefs {
    bool loaded = false;
    std::string path;  // the file they were read from and are saved to
    std::map<int, std::string> files;
    std::map<int, std::string> data;
    // Taken from PGP's own preference file (data by negative selector): not
    // written to the SDK's file unless set anew.
    std::set<int> borrowed;
    // Release 7: PGP's own preference file, where the rings, the seed file
    // and the default key set anew are saved (data by negative selector).
    std::string pgpPrefsPath;
    std::set<int> forPGPprefs;
};
}  // namespace sdk

struct PGPContext : sdk::Tagged<sdk::Tag::Context> {
    PGPMemoryMgrRef mgr = nullptr;
    PGPUserValue userValue = nullptr;
    sdk::SdkPrefs prefs;
};

struct PGPFileSpec : sdk::Tagged<sdk::Tag::FileSpec> {
    PGPContextRef context = nullptr;
    std::string path;  // Windows path, handed only to Win32 file functions
};

namespace sdk {

enum class Opt {
    InputBuffer, InputFile, DiscardOutput, AllocatedOutputBuffer, OutputBuffer, OutputFile,
    PGPMIMEEncoding, OmitMIMEVersion, LocalEncoding, OutputLineEndType, DetachedSig,
    ConventionalEncrypt, CipherAlgorithm, EncryptToKey, EncryptToKeySet, HashAlgorithm, SignWithKey,
    WarnBelowValidity, FailBelowValidity, AskUserForEntropy, DataIsASCII, RawPGPInput, ForYourEyesOnly,
    ArmorOutput, FileNameString, ClearSign, PassThroughIfUnrecognized, PassThroughClearSigned,
    PassThroughKeys, SendEventIfKeyFound, RecursivelyDecode, AdditionalRecipientRequestKeySet,
    KeyGenName, KeyGenMasterKey, ExportPrivateKeys, KeyGenFast, KeyGenParams, CreationDate, Expiration,
    Exportable, SigRegularExpression, SigTrust, RevocationKeySet, KeyFlags, Null, Compression,
    CommentString, VersionString, Passphrase, Passkey, PreferredAlgorithms, KeyDBRef, KeySetRef,
    SendNullEvents, ExportFormat, ExportKeySet, ExportPrivateSubkeys, ImportKeysTo, EventHandler,
    // user-interface options are kept as they come; the core ignores them
    UI
};

struct Option {
    Opt type;
    int32_t num = 0, num2 = 0;
    void* ptr = nullptr;
    void* ptr2 = nullptr;
    void* ptr3 = nullptr;
    std::string text;
    SecureBytes secret;
    std::vector<int32_t> numbers;
    std::vector<Option> sub;  // nested options (signing key passphrase, detached data)
};

}  // namespace sdk

struct PGPOptionList : sdk::Tagged<sdk::Tag::OptionList> {
    PGPContextRef context = nullptr;
    bool persistent = false;  // made by PGPNewOptionList/PGPBuildOptionList: the caller frees it
    bool failed = false;      // an option function met a bad argument
    std::vector<sdk::Option> options;
};

// ---- keys -------------------------------------------------------------------

namespace sdk {
struct KeyRecord;
}

// One object kind for keys, subkeys, user IDs and signatures.
struct PGPKeyDBObj : sdk::Tagged<sdk::Tag::KeyObj> {
    int kind = kPGPKeyIter_Key;
    sdk::KeyRecord* key = nullptr;  // owning primary key
    int index = 0;                  // subkey, user ID or signature position
    PGPKeyDBObj* parent = nullptr;  // user ID of a certification, null for a direct signature
    std::string fpr;                // keys and subkeys: fingerprint, upper-case hex
    std::string keyid;              // keys and subkeys: 16 hex digits
    std::vector<std::unique_ptr<PGPKeyDBObj>> children;  // user ID: its signatures
};

namespace sdk {

// What the stand-in keeps beside RNP for each primary key: trust bytes as
// PGP writes them in trust packets, and the original packets of the ring
// file so that unchanged keys are written back as they were read.
struct TrustRecord {
    bool hasKeyTrust = false;
    uint8_t keyTrust = 0;  // low 3 bits owner trust, 0x20 disabled, 0x80 axiomatic
    std::map<std::string, uint8_t> userIDTrust;
};

struct KeyRecord {
    PGPKeyDB* db = nullptr;
    PGPKeyDBObj self;
    std::vector<std::unique_ptr<PGPKeyDBObj>> subkeys;
    std::vector<std::unique_ptr<PGPKeyDBObj>> userIDs;
    std::vector<std::unique_ptr<PGPKeyDBObj>> directSigs;
    bool deleted = false;
    bool changed = false;  // differs from the ring file's packets: written from RNP
    int cachedValidity = -1;
};

}  // namespace sdk

struct PGPKeyDB : sdk::Tagged<sdk::Tag::KeyDB> {
    PGPContextRef context = nullptr;
    rnp_ffi_t ffi = nullptr;
    int refs = 1;
    bool isMutable = true;
    bool updated = false;
    std::string pubPath, secPath;  // empty for an in-memory database
    bool pubArmored = false, secArmored = false;
    std::vector<std::unique_ptr<sdk::KeyRecord>> keys;
    std::map<std::string, sdk::KeyRecord*> byFpr;
    std::map<std::string, sdk::TrustRecord> trust;           // by primary fingerprint
    std::map<std::string, std::string> pubBlocks, secBlocks;  // original packets by fingerprint
    std::vector<std::string> pubUnknown, secUnknown;          // blocks RNP did not take: kept as read
    PGPKeySetRef root = nullptr;
    // Secret keys a decoding job unlocked and left unlocked, by fingerprint,
    // with a salted digest of the passphrase that unlocked them (never the
    // passphrase itself); the salt is made once per database.
    std::map<std::string, std::string> keptUnlocked;
    std::string keptSalt;
};

struct PGPKeySet : sdk::Tagged<sdk::Tag::KeySet> {
    PGPKeyDBRef db = nullptr;  // null for a release 6.5 set of keys from any rings
    PGPContextRef context = nullptr;
    std::vector<PGPKeyDBRef> held;  // release 6.5: rings kept open for the members
    bool isRoot = false;
    int refs = 1;
    std::vector<sdk::KeyRecord*> members;  // unused for the root set
};

struct PGPFilter : sdk::Tagged<sdk::Tag::Filter> {
    enum Kind { Boolean, Numeric, Time, Data, Not, And, Or } kind = Boolean;
    int refs = 1;
    PGPKeyDBObjProperty property = 0;
    PGPBoolean boolValue = 0;
    uint32_t number = 0;
    std::string data;
    PGPMatchCriterion match = kPGPMatchDefault;
    PGPFilterRef a = nullptr, b = nullptr;
};

struct PGPKeyList : sdk::Tagged<sdk::Tag::KeyList> {
    PGPKeySetRef set = nullptr;
    int refs = 1;
    std::vector<sdk::KeyRecord*> keys;
};

struct PGPKeyIter : sdk::Tagged<sdk::Tag::KeyIter> {
    PGPKeyListRef list = nullptr;
    bool ownsList = false;
    int key = -1;  // position of the current key, -1 before the first
    int sub = -1, uid = -1, sig = -1;
};

// ---- groups -----------------------------------------------------------------

namespace sdk {
struct Group {
    PGPGroupID id = 0;
    std::string name, description;
    PGPUserValue userValue = nullptr;
    std::vector<PGPGroupItem> items;
};
}  // namespace sdk

struct PGPGroupSet : sdk::Tagged<sdk::Tag::GroupSet> {
    PGPContextRef context = nullptr;
    std::vector<sdk::Group> groups;
    PGPGroupID nextID = 1;
    bool dirty = false;
};

struct PGPGroupItemIter : sdk::Tagged<sdk::Tag::GroupIter> {
    std::vector<PGPGroupItem> items;  // taken when the iterator was made
    size_t next = 0;
};
