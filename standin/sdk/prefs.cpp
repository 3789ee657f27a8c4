// The SDK preferences: file names (key rings, random seed, groups) and data
// (the default key) by selector. They are read from a text file, by default
// "PGPsdk.dat" beside the core library, one preference a line:
// "<selector> file <path>" or "<selector> data <hex bytes>". Without a file
// the rings, seed and groups file are those beside the core library.
//
// Release 7 keeps the user's rings and default key in PGP's own preference
// file "PGPprefs.txt" in the application-data folder, which the front-end
// reads too: when that file names rings, its rings, seed file, groups file
// and default key stand above the SDK's own file, so that both open the same
// rings and sign with the same key.
#include <windows.h>

#include <cstdio>
#include <new>

#include "standin/export_guard.h"
#include "standin/sdk/internal.h"
#include "standin/sdk/packets.h"
#include "standin/sdk/pgp_prefs_text.h"

using namespace sdk;

namespace {

constexpr const char* kDefaultFile = "PGPsdk.dat";

bool isFileSelector(PGPsdkPrefSelector s) { return s >= kPGPsdkPref_PublicKeyring && s <= kPGPsdkPref_GroupsFile; }
bool isDataSelector(PGPsdkPrefSelector s) { return s == kPGPsdkPref_DefaultKeyID; }

void setDefaults(SdkPrefs& p) {
    p.files.clear();
    p.data.clear();
    p.borrowed.clear();
    p.pgpPrefsPath.clear();
    p.forPGPprefs.clear();
    std::string dir = libraryDir();
    p.files[kPGPsdkPref_PublicKeyring] = dir + "pubring.pkr";
    p.files[kPGPsdkPref_PrivateKeyring] = dir + "secring.skr";
    p.files[kPGPsdkPref_RandomSeedFile] = dir + "randseed.bin";
    p.files[kPGPsdkPref_GroupsFile] = dir + "PGPgroup.pgr";
}

bool fromHex(const std::string& hex, std::string& out) {
    out.clear();
    if (hex.size() % 2) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        unsigned v = 0;
        if (!std::isxdigit(static_cast<unsigned char>(hex[i])) ||
            !std::isxdigit(static_cast<unsigned char>(hex[i + 1])) || std::sscanf(hex.c_str() + i, "%2x", &v) != 1)
            return false;
        out += static_cast<char>(v);
    }
    return true;
}

#if ORV_SDK_RELEASE == 7
std::string appDataFolder() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    char buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof(buffer) - 1;
    DWORD type = 0;
    LONG r = RegQueryValueExA(key, "AppData", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    return buffer;
}

// "0x" + 16 (or 8) hex digits as the exported key ID the SDK keeps:
// length byte, then the ID bytes.
bool exportedKeyID(const std::string& text, std::string& out) {
    if (text.size() < 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
    std::string hex = text.substr(2);
    if (hex.size() != 16 && hex.size() != 8) return false;
    std::string bytes;
    if (!fromHex(hex, bytes)) return false;
    out = std::string(1, static_cast<char>(bytes.size())) + bytes;
    return true;
}

void overlayPGPprefs(SdkPrefs& p) {
    std::string folder = appDataFolder();
    if (folder.empty()) return;
    std::string base = folder + "\\Network Associates\\PGP\\";
    p.pgpPrefsPath = base + "PGPprefs.txt";
    std::string text;
    if (!fileExists(base + "PGPprefs.txt") || !readFile(base + "PGPprefs.txt", text)) return;
    std::string pub = pgpprefs::valueOf(text, "PublicKeyringFile");
    std::string sec = pgpprefs::valueOf(text, "PrivateKeyringFile");
    if (pub.empty() && sec.empty()) return;
    auto borrow = [&](int selector, const std::string& path) {
        if (path.empty()) return;
        p.files[selector] = path;
        p.borrowed.insert(selector);
    };
    borrow(kPGPsdkPref_PublicKeyring, pub);
    borrow(kPGPsdkPref_PrivateKeyring, sec);
    borrow(kPGPsdkPref_RandomSeedFile, pgpprefs::valueOf(text, "RNGSeedFile"));
    borrow(kPGPsdkPref_GroupsFile, base + "PGPgroup.pgr");
    std::string id;
    if (exportedKeyID(pgpprefs::fullKeyID(pgpprefs::valueOf(text, "DefaultKeyID")), id)) {
        p.data[kPGPsdkPref_DefaultKeyID] = id;
        p.borrowed.insert(-kPGPsdkPref_DefaultKeyID);
    }
}
// What was set anew of what PGP's own file holds goes back into that file,
// which the front-end reads as well; the rings go with a default key, since
// the file's other values count only where it names rings.
bool savePGPprefs(SdkPrefs& p) {
    if (p.forPGPprefs.empty() || p.pgpPrefsPath.empty()) return true;
    std::string text;
    if (fileExists(p.pgpPrefsPath) && !readFile(p.pgpPrefsPath, text)) return false;
    auto quoted = [](const std::string& path) { return "\"" + path + "\""; };
    const bool namesRings = !pgpprefs::valueOf(text, "PublicKeyringFile").empty();
    for (int selector : p.forPGPprefs) {
        if (selector == kPGPsdkPref_PublicKeyring || (!namesRings && selector < 0))
            text = pgpprefs::withValue(text, "PublicKeyringFile", quoted(p.files[kPGPsdkPref_PublicKeyring]));
        if (selector == kPGPsdkPref_PrivateKeyring || (!namesRings && selector < 0))
            text = pgpprefs::withValue(text, "PrivateKeyringFile", quoted(p.files[kPGPsdkPref_PrivateKeyring]));
        if (selector == kPGPsdkPref_RandomSeedFile)
            text = pgpprefs::withValue(text, "RNGSeedFile", quoted(p.files[kPGPsdkPref_RandomSeedFile]));
        if (selector == -kPGPsdkPref_DefaultKeyID) {
            const std::string& id = p.data[kPGPsdkPref_DefaultKeyID];
            if (id.size() > 1) text = pgpprefs::withValue(text, "DefaultKeyID", "0x" + toHex(id.substr(1)));
        }
    }
    // The folder is made on the first save, as PGP itself does.
    const std::string folder = p.pgpPrefsPath.substr(0, p.pgpPrefsPath.find_last_of('\\'));
    CreateDirectoryA(folder.substr(0, folder.find_last_of('\\')).c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    if (!replaceFile(p.pgpPrefsPath, text)) return false;
    p.forPGPprefs.clear();
    return true;
}

// Release 7 keeps these in PGP's own file when that is where they are read.
bool keptInPGPprefs(const SdkPrefs& p, int selector) {
    return !p.pgpPrefsPath.empty() &&
           (selector == kPGPsdkPref_PublicKeyring || selector == kPGPsdkPref_PrivateKeyring ||
            selector == kPGPsdkPref_RandomSeedFile || selector == -kPGPsdkPref_DefaultKeyID);
}
#else
// Release 6.5 has only the SDK's own preferences.
void overlayPGPprefs(SdkPrefs&) {}
bool savePGPprefs(SdkPrefs&) { return true; }
bool keptInPGPprefs(const SdkPrefs&, int) { return false; }
#endif

// Reads a preference file over the defaults; lines that do not parse are
// skipped, as a hand-edited file may hold them.
PGPError load(PGPContextRef context, const std::string& path, bool mustExist, bool usePGPprefs) {
    SdkPrefs& p = context->prefs;
    setDefaults(p);
    p.path = path;
    p.loaded = true;
    std::string text;
    if (!fileExists(path)) {
        if (mustExist) return kPGPError_FileNotFound;
        if (usePGPprefs) overlayPGPprefs(p);
        return kPGPError_NoErr;
    }
    if (!readFile(path, text)) return kPGPError_ReadFailed;
    size_t i = 0;
    while (i < text.size()) {
        size_t e = text.find('\n', i);
        std::string line = text.substr(i, e == std::string::npos ? std::string::npos : e - i);
        i = e == std::string::npos ? text.size() : e + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        int selector = 0, used = 0;
        char kind[8] = {};
        if (std::sscanf(line.c_str(), "%d %7s %n", &selector, kind, &used) < 2 || used <= 0) continue;
        std::string value = line.substr(static_cast<size_t>(used));
        if (std::string(kind) == "file" && isFileSelector(selector) && !value.empty()) {
            p.files[selector] = value;
        } else if (std::string(kind) == "data" && isDataSelector(selector)) {
            std::string bytes;
            if (fromHex(value, bytes)) p.data[selector] = bytes;
        }
    }
    if (usePGPprefs) overlayPGPprefs(p);
    return kPGPError_NoErr;
}

// A preference set by the caller (data by negative selector) is saved where
// it is read from.
void setAnew(SdkPrefs& p, int selector) {
    if (keptInPGPprefs(p, selector)) {
        p.borrowed.insert(selector);
        p.forPGPprefs.insert(selector);
    } else {
        p.borrowed.erase(selector);
    }
}

SdkPrefs* prefsOf(PGPContextRef context) {
    if (!check(context)) return nullptr;
    if (!context->prefs.loaded) load(context, libraryDir() + kDefaultFile, false, true);
    return &context->prefs;
}

}  // namespace

extern "C" {

PGPError PGP_CALL PGPsdkLoadPrefs(PGPContextRef context, PGPFileSpecRef prefFile) {
    try {
        if (!check(context) || !check(prefFile)) return kPGPError_BadParams;
        return load(context, prefFile->path, true, false);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPsdkLoadDefaultPrefs(PGPContextRef context) {
    try {
        if (!check(context)) return kPGPError_BadParams;
        return load(context, libraryDir() + kDefaultFile, false, true);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPsdkSavePrefs(PGPContextRef context) {
    try {
        SdkPrefs* p = prefsOf(context);
        if (!p) return kPGPError_BadParams;
        std::string text;
        // What PGP's own preference file gave stays there.
        for (const auto& [selector, path] : p->files)
            if (!p->borrowed.count(selector)) text += std::to_string(selector) + " file " + path + "\r\n";
        for (const auto& [selector, bytes] : p->data)
            if (!p->borrowed.count(-selector)) text += std::to_string(selector) + " data " + toHex(bytes) + "\r\n";
        if (!savePGPprefs(*p)) return kPGPError_WriteFailed;
        return replaceFile(p->path, text) ? kPGPError_NoErr : kPGPError_WriteFailed;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPsdkPrefSetFileSpec(PGPContextRef context, PGPsdkPrefSelector selector, PGPFileSpecRef spec) {
    try {
        SdkPrefs* p = prefsOf(context);
        if (!p || !check(spec) || !isFileSelector(selector)) return kPGPError_BadParams;
        // A line end in the path would split the preference file's line.
        if (spec->path.find_first_of("\r\n") != std::string::npos) return kPGPError_BadParams;
        p->files[selector] = spec->path;
        setAnew(*p, selector);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPsdkPrefGetFileSpec(PGPContextRef context, PGPsdkPrefSelector selector, PGPFileSpecRef* outSpec) {
    try {
        if (!outSpec) return kPGPError_BadParams;
        *outSpec = nullptr;
        SdkPrefs* p = prefsOf(context);
        if (!p || !isFileSelector(selector)) return kPGPError_BadParams;
        auto f = p->files.find(selector);
        if (f == p->files.end()) return kPGPError_PrefNotFound;
        return PGPNewFileSpecFromFullPath(context, f->second.c_str(), outSpec);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPsdkPrefSetData(PGPContextRef context, PGPsdkPrefSelector selector, const void* data,
                                    PGPSize size) {
    try {
        SdkPrefs* p = prefsOf(context);
        if (!p || !isDataSelector(selector) || (!data && size) || size > 4096) return kPGPError_BadParams;
        p->data[selector].assign(static_cast<const char*>(data), size);
        setAnew(*p, -selector);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPsdkPrefGetData(PGPContextRef context, PGPsdkPrefSelector selector, void** outData,
                                    PGPSize* outSize) {
    try {
        if (outData) *outData = nullptr;
        if (outSize) *outSize = 0;
        SdkPrefs* p = prefsOf(context);
        if (!p || !outData || !outSize || !isDataSelector(selector)) return kPGPError_BadParams;
        auto d = p->data.find(selector);
        if (d == p->data.end()) return kPGPError_PrefNotFound;
        *outData = allocCopy(contextMgr(context), d->second.data(), d->second.size(), false);
        if (!*outData) return kPGPError_OutOfMemory;
        *outSize = static_cast<PGPSize>(d->second.size());
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT(PGPsdkLoadPrefs);
SDK_EXPORT(PGPsdkLoadDefaultPrefs);
SDK_EXPORT(PGPsdkSavePrefs);
SDK_EXPORT(PGPsdkPrefSetFileSpec);
SDK_EXPORT(PGPsdkPrefGetFileSpec);
SDK_EXPORT(PGPsdkPrefSetData);
SDK_EXPORT(PGPsdkPrefGetData);
