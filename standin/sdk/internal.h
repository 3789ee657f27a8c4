// Helpers shared by the files of the stand-in core library.
#pragma once

#include <cctype>
#include <cstdarg>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "standin/sdk/sdk_types.h"

// Entry points are defined with exactly the parameter lists of their PFN_
// types; this checks that they agree.
#define SDK_EXPORT(name) static_assert(std::is_same_v<decltype(&name), PFN_##name>, #name)
// Exported by one release only (gen_spec.py reads these markers for the export lists); a
// release 6.5 form whose type differs from release 7's is defined under
// another C name and exported under the SDK's name.
#define SDK_EXPORT7(name) SDK_EXPORT(name)
#define SDK_EXPORT65(name) SDK_EXPORT(name)
#define SDK_EXPORT65_AS(name, impl) static_assert(std::is_same_v<decltype(&impl), PFN65_##name>, #name)

#ifndef ORV_SDK_RELEASE
#define ORV_SDK_RELEASE 7
#endif

// Entry points the library also calls itself.
extern "C" {
PGPError PGP_CALL PGPFreeData(void* block);
PGPMemoryMgrRef PGP_CALL PGPGetDefaultMemoryMgr(void);
PGPError PGP_CALL PGPContextGetRandomBytes(PGPContextRef context, void* buffer, PGPSize count);
PGPError PGP_CALL PGPCountRevocationKeys(PGPKeyDBObjRef key, PGPUInt32* outCount);
PGPError PGP_CALL PGPFreeKeySet(PGPKeySetRef keySet);
PGPError PGP_CALL PGPNewOneKeySet(PGPKeyDBObjRef key, PGPKeySetRef* outKeySet);
PGPError PGP_CALL PGPDeleteKeys(PGPKeySetRef keysToDelete);
PGPError PGP_CALL PGPFreeKeyDB(PGPKeyDBRef keyDB);
PGPError PGP_CALL PGPOrderKeySet(PGPKeySetRef keySet, PGPKeyOrdering order, PGPBoolean reverseOrder,
                                 PGPKeyListRef* outKeyList);
PGPError PGP_CALL PGPNewKeyIter(PGPKeyListRef keyList, PGPKeyIterRef* outIter);
PGPError PGP_CALL PGPFreeKeyList(PGPKeyListRef keyList);
PGPError PGP_CALL PGPNewFileSpecFromFullPath(PGPContextRef context, const char* path, PGPFileSpecRef* outSpec);
}

namespace sdk {

// Bytes of a key ID value of this release; the rest of a PGPKeyID is left alone.
constexpr size_t kKeyIDBytes = ORV_SDK_RELEASE == 65 ? kPGPKeyIDSize65 : kPGPKeyIDSize;

// Error numbers the stand-in reports beyond those named by the interface.
constexpr PGPError kErrBufferTooSmall = -11998;
constexpr PGPError kErrUnknownError = -11985;
constexpr PGPError kErrBadPassphrase = -11500;
constexpr PGPError kErrKeyRevoked = -11497;
constexpr PGPError kErrKeyExpired = -11496;
constexpr PGPError kErrKeyDisabled = -11495;
constexpr PGPError kErrCantEncrypt = -11493;
constexpr PGPError kErrCantSign = -11492;
constexpr PGPError kErrNoDecryptionKey = -11477;
constexpr PGPError kErrBadSignature = -11448;
constexpr PGPError kErrCantDecrypt = -11411;
constexpr PGPError kErrSecretKeyNotFound = -11402;
constexpr PGPError kErrArmorIncomplete = -11392;
constexpr PGPError kErrKeyNotFound = -10988;

PGPError mapRnp(rnp_result_t r, PGPError fallback = kErrUnknownError);

// Memory of the engine (memory.cpp).
void* allocData(PGPMemoryMgrRef mgr, size_t size, bool secure, bool clear);
void* allocCopy(PGPMemoryMgrRef mgr, const void* p, size_t size, bool secure);
PGPMemoryMgrRef contextMgr(PGPContextRef context);
// A secure block that grows where it lies: room bytes of addresses are
// reserved and pages committed as it grows, so a large plain text is never
// copied to make room. It starts empty and is freed by PGPFreeData.
void* allocGrowable(PGPMemoryMgrRef mgr, size_t room);
// Makes the block size bytes long (the new bytes undefined); it moves, once,
// only when its room is used up. False when no memory is left.
bool growBlock(void*& block, size_t size);

// Whole-file access through Win32 (win_file.cpp).
bool readFile(const std::string& path, std::string& out);
// Writes a complete new file next to the old one, then replaces it.
bool replaceFile(const std::string& path, const std::string& data);
// durable: written through to the disk before returning (key rings).
bool writeFile(const std::string& path, const char* data, size_t size, bool durable = false);
bool fileExists(const std::string& path);
// Directory of the core library file, with a trailing backslash.
std::string libraryDir();
// Seconds between 1601-01-01 (Windows file times) and 1970-01-01 (PGP times).
constexpr unsigned long long kUnixEpochSeconds = 11644473600ULL;
// Now, in seconds since 1970 (UTC), from the system clock (core.cpp).
uint32_t unixTime();

// Options (options.cpp): gathers the option lists of a variable argument
// list that ends with PGPOLastOption; temporary lists are taken over.
PGPError gatherOptions(PGPOptionListRef first, va_list ap, std::vector<Option>& out);
void freeTemporaries(PGPOptionListRef first, va_list ap);
const Option* findOption(const std::vector<Option>& opts, Opt type);

// Key ID values (keysets.cpp).
void makeKeyID(const std::string& hex16, PGPKeyID* out);
std::string keyIDHex(const PGPKeyID* id);  // 16 (or 8 for an abbreviated ID) hex digits
bool keyIDMatches(const PGPKeyID* id, const std::string& hex16);

// A new RNP context that accepts SHA-1 signatures as PGP and gpg do (RNP
// alone rejects SHA-1 data signatures made after 2019).
rnp_ffi_t newFfi();

// Keys (keydb.cpp).
void refreshKeys(PGPKeyDBRef db);
// Refreshes the model and rebuilds the parts of keys whose packets changed.
void rebuildChanged(PGPKeyDBRef db, const std::vector<std::string>& fprs);
sdk::KeyRecord* findKey(PGPKeyDBRef db, const std::string& hex);  // by key ID or fingerprint of key or subkey
PGPKeyDBObj* findKeyObj(PGPKeyDBRef db, const std::string& keyidHex);  // key or subkey
std::vector<sdk::KeyRecord*> liveKeys(PGPKeyDBRef db);
std::vector<sdk::KeyRecord*> setMembers(PGPKeySetRef set);
rnp_key_handle_t keyHandle(const PGPKeyDBObj* obj);  // caller destroys
PGPError newKeySet(PGPKeyDBRef db, bool root, PGPKeySetRef* out);
// Release 6.5: the set keeps the database open while it lives (7: nothing).
void holdDB(PGPKeySetRef set, PGPKeyDBRef db);
PGPError freeKeySet(PGPKeySetRef set);
// step -1, 0 or 1 over the objects of one kind.
PGPError iterObj(PGPKeyIterRef it, PGPKeyIterKind kind, int step, PGPKeyDBObjRef* out);
// Rings from files, and the model read again from them.
PGPError openRings(PGPContextRef context, bool isMutable, const std::string& pub, const std::string& sec,
                   PGPKeyDBRef* out);
PGPError reloadRings(PGPKeyDBRef db);
PGPError saveRings(PGPKeyDBRef db);
PGPError newKeyDB(PGPContextRef context, PGPKeyDBRef* out);
PGPError importInto(PGPKeyDBRef db, std::string_view data, bool secretToo, std::vector<std::string>* fprs);
std::string exportKey(const sdk::KeyRecord* key, bool secret, bool armored);
bool hasSecret(const sdk::KeyRecord* key);
sdk::TrustRecord& trustOf(sdk::KeyRecord* key);

// Key work with the options already gathered (keyio.cpp, keyedit.cpp), for
// the entry points of both releases.
PGPError importKeys(PGPContextRef context, PGPKeyDBRef* outImportedKeys, const std::vector<Option>& opts);
PGPError exportKeys(PGPContextRef context, const std::vector<Option>& opts);
PGPError revokeKey(PGPKeyDBObjRef key, const std::vector<Option>& opts);
PGPError changePassphrase(PGPKeyDBObjRef key, const std::vector<Option>& opts);
PGPError passkeyOf(PGPKeyDBObjRef key, void* passkeyBuffer, const std::vector<Option>& opts);

// Properties (keyprops.cpp).
PGPError boolProperty(PGPKeyDBObj* obj, PGPKeyDBObjProperty prop, PGPBoolean* out);
PGPError numProperty(PGPKeyDBObj* obj, PGPKeyDBObjProperty prop, PGPInt32* out);
PGPError timeProperty(PGPKeyDBObj* obj, PGPKeyDBObjProperty prop, PGPTime* out);
PGPError dataProperty(PGPKeyDBObj* obj, PGPKeyDBObjProperty prop, std::string& out);
int keyValidity(sdk::KeyRecord* key);
bool isAxiomatic(sdk::KeyRecord* key);
std::string primaryUserID(sdk::KeyRecord* key);
// Finds the subkey (or the key itself) fit for a usage: "encrypt" or "sign".
PGPKeyDBObj* usableKey(sdk::KeyRecord* key, const char* usage);

// Signatures over keys (keycert.cpp): whether a certification was revoked by
// its signer, and the options it was made with.
bool sigIsRevoked(PGPKeyDBObj* sig);
void sigOptions(PGPKeyDBObj* sig, bool* exportable, int* trustLevel, int* trustAmount);
std::string preferredCiphers(sdk::KeyRecord* k);  // algorithm numbers, one byte each

// Pass keys (keyedit.cpp): the cipher that locks a secret key and the size of
// its pass key; the passphrase a pass key handed out earlier stands for.
void lockingCipher(PGPKeyDBObj* obj, PGPInt32* algorithm, PGPInt32* bits);
bool passphraseForPasskey(const void* passkey, size_t length, SecureBytes& out);

// Secret keys kept unlocked between decoding jobs (unlocked_keys.cpp). The
// handle comes back unlocked, or null when the passphrase does not unlock the
// key; releaseAfterDecoding locks it again unless it is kept. Every other use
// of a secret key of a database calls relockKeptKeys first.
rnp_key_handle_t unlockForDecoding(PGPKeyDBObj* part, const SecureBytes& pass);
void releaseAfterDecoding(PGPKeyDBObj* part, rnp_key_handle_t h);
void relockKeptKeys(PGPKeyDBRef db);

// Jobs: event delivery (encode.cpp).
struct JobState;
PGPError sendEvent(JobState& job, PGPEvent& event);

// RNP in-memory helpers.
struct RnpInput {
    rnp_input_t in = nullptr;
    RnpInput(const void* p, size_t n, bool copy = false) {
        rnp_input_from_memory(&in, static_cast<const uint8_t*>(p), n, copy);
    }
    ~RnpInput() { if (in) rnp_input_destroy(in); }
    RnpInput(const RnpInput&) = delete;
    RnpInput& operator=(const RnpInput&) = delete;
};
struct RnpOutput {
    rnp_output_t out = nullptr;
    RnpOutput() { rnp_output_to_memory(&out, 0); }
    ~RnpOutput() { if (out) rnp_output_destroy(out); }
    RnpOutput(const RnpOutput&) = delete;
    RnpOutput& operator=(const RnpOutput&) = delete;
    std::string take() const { return std::string(view()); }
    // What was written so far, where RNP keeps it (valid until the next write).
    std::string_view view() const {
        uint8_t* buf = nullptr;
        size_t len = 0;
        if (rnp_output_memory_get_buf(out, &buf, &len, false) != RNP_SUCCESS || !buf) return {};
        return std::string_view(reinterpret_cast<char*>(buf), len);
    }
    void wipe() const {
        const std::string_view written = view();
        if (!written.empty()) sdk::wipe(const_cast<char*>(written.data()), written.size());
    }
};
// Plain text as RNP writes it: one growing secure engine block, handed
// over whole to the job's output or wiped and freed with this object.
class OutputBlock {
public:
    OutputBlock(PGPMemoryMgrRef mgr, size_t room) : block_(allocGrowable(mgr, room)) {
        if (block_) rnp_output_to_callback(&out, &OutputBlock::write, nullptr, this);
    }
    ~OutputBlock() {
        if (out) rnp_output_destroy(out);
        if (block_) PGPFreeData(block_);
    }
    OutputBlock(const OutputBlock&) = delete;
    OutputBlock& operator=(const OutputBlock&) = delete;
    rnp_output_t out = nullptr;
    // What RNP wrote, once it is done (RNP's cache emptied).
    std::string_view finish() {
        if (out) rnp_output_finish(out);
        return block_ ? std::string_view(static_cast<const char*>(block_), length_) : std::string_view();
    }
    // The block for PGPFreeData, with the text's length; this object lets go of it.
    void* release(size_t& length) {
        length = length_;
        void* b = block_;
        block_ = nullptr;
        length_ = 0;
        return b;
    }

private:
    static bool write(void* self, const void* bytes, size_t n) {
        auto* o = static_cast<OutputBlock*>(self);
        if (!o->block_ || n > 0x7ff00000u - o->length_ || !growBlock(o->block_, o->length_ + n)) return false;
        std::memcpy(static_cast<char*>(o->block_) + o->length_, bytes, n);
        o->length_ += n;
        return true;
    }
    void* block_ = nullptr;
    size_t length_ = 0;
};
struct RnpString {
    char* s = nullptr;
    ~RnpString() { if (s) rnp_buffer_destroy(s); }
    std::string str() const { return s ? std::string(s) : std::string(); }
};
struct RnpKey {
    rnp_key_handle_t h = nullptr;
    RnpKey() = default;
    explicit RnpKey(rnp_key_handle_t k) : h(k) {}
    ~RnpKey() { if (h) rnp_key_handle_destroy(h); }
    RnpKey(const RnpKey&) = delete;
    RnpKey& operator=(const RnpKey&) = delete;
};

}  // namespace sdk

namespace sdk {

// Job input and output (jobio.cpp).
PGPError readInput(const std::vector<Option>& opts, std::string& out, std::string* fileName);
// The job's input where it lies: the caller's buffer itself (never copied),
// or a file's bytes read into stored.
PGPError readInputView(const std::vector<Option>& opts, std::string& stored, std::string_view& view,
                       std::string* fileName = nullptr);
const Option* outputOption(const std::vector<Option>& opts);
// Hands an engine block whose first length bytes are the output to an
// allocated-buffer option as it is; the option's holder frees it.
PGPError handOverOutput(const Option& out, void*& block, size_t length);
// Writes to the allocated buffer, the caller's buffer or the file the option names.
PGPError writeOutput(PGPContextRef context, const Option& out, std::string_view data);
// Puts "Version:" and "Comment:" lines after the BEGIN line of every armoured block.
std::string addArmorHeaders(std::string_view armored, const std::string& version, const std::string& comment);
SecureBytes passphraseOf(const std::vector<Option>& opts);
// The text RNP gets for a message passphrase. A passphrase with zero bytes
// (a binary pass key) would be cut at the first one, so it is given as hex.
SecureBytes messagePassword(const SecureBytes& pass);
bool hasPassphrase(const std::vector<Option>& opts);

}  // namespace sdk
