// The demo: plays the mail client's part on the path that stands so far.
// It loads the deliverables against the release 7 engine stand-in, fetches
// texts the way the main library does, and runs a real encrypt-and-sign job
// for an outgoing message, then decodes a reply written by GnuPG.
//
// Usage: orvane_demo.exe DEMO_DIR   (DEMO_DIR holds the demo user's rings,
// made by scripts/demo.sh on the first run, and receives the messages)

#include <windows.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "engine/loader.h"
#include "engine/pgp_time.h"
#include "engine/pgpsdk.h"

namespace {

// The engine stand-in's core library beside the companion libraries that
// every start needs (scripts/demo.sh puts them together).
constexpr const char* kEngineDir = "demo-engine";
constexpr const char* kPassphrase = "demo passphrase";

// The engine stand-in's directory beside the program, as a full path.
std::string EngineDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1) + kEngineDir;
}

std::string ReadFile(const std::string& path) {
    std::string data;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
        fclose(f);
    }
    return data;
}

bool WriteFile(const std::string& path, const std::string& data) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    return fclose(f) == 0 && ok;
}

std::string ProductVersion(const char* file) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(file, &handle);
    if (!size) return "?";
    std::string block(size, '\0');
    if (!GetFileVersionInfoA(file, 0, size, block.data())) return "?";
    char* value = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\ProductVersion",
                        reinterpret_cast<void**>(&value), &len))
        return "?";
    return value;
}

// The engine's entry points that the demo job needs, bound by name.
struct Engine {
    HMODULE module = nullptr;
#define ORV_DEMO_FUNCTIONS(X)                                                                               \
    X(PGPsdkInit) X(PGPsdkCleanup) X(PGPNewContext) X(PGPFreeContext) X(PGPNewFileSpecFromFullPath)          \
    X(PGPFreeFileSpec) X(PGPOpenKeyDBFile) X(PGPFreeKeyDB) X(PGPPeekKeyDBRootKeySet)                         \
    X(PGPNewKeyIterFromKeySet) X(PGPKeyIterNextKeyDBObj) X(PGPFreeKeyIter) X(PGPGetKeyDBObjBooleanProperty)   \
    X(PGPGetPrimaryUserIDName) X(PGPBuildOptionList) X(PGPFreeOptionList) X(PGPAddJobOptions) X(PGPEncode)   \
    X(PGPDecode) X(PGPOLastOption) X(PGPOInputBuffer) X(PGPOAllocatedOutputBuffer) X(PGPOEncryptToKeySet)   \
    X(PGPOSignWithKey) X(PGPOPassphrase) X(PGPOArmorOutput) X(PGPOCommentString) X(PGPOVersionString)        \
    X(PGPODataIsASCII) X(PGPOKeyDBRef) X(PGPOEventHandler) X(PGPFreeData) X(PGPGetKeyIDString)               \
    X(PGPGetErrorString)
#define ORV_DEMO_FIELD(n) PFN_##n n = nullptr;
    ORV_DEMO_FUNCTIONS(ORV_DEMO_FIELD)
#undef ORV_DEMO_FIELD

    bool Bind() {
        SetDllDirectoryA(EngineDir().c_str());
        module = LoadLibraryA("PGP_SDK.dll");
        SetDllDirectoryA(nullptr);
        if (!module) return false;
        bool all = true;
#define ORV_DEMO_BIND(n)                                                 \
    n = reinterpret_cast<PFN_##n>(GetProcAddress(module, #n)); \
    if (!n) {                                                            \
        printf("   engine lacks %s\n", #n);                              \
        all = false;                                                     \
    }
        ORV_DEMO_FUNCTIONS(ORV_DEMO_BIND)
#undef ORV_DEMO_BIND
        return all;
    }
};

Engine g_engine;

std::string ErrorText(PGPError err) {
    char text[256] = {};
    if (g_engine.PGPGetErrorString) g_engine.PGPGetErrorString(err, sizeof text, text);
    return std::to_string(err) + " " + text;
}

// What the decoding job reported.
struct DecodeState {
    PGPContextRef ctx = nullptr;
    int passphraseAsks = 0;
    std::string signer;
    bool verified = false, checked = false;
    void* out = nullptr;
    PGPSize outLen = 0;
};

PGPError PGP_CALL DemoDecodeEvents(PGPContextRef ctx, PGPEvent* e, PGPUserValue uv) {
    auto* st = static_cast<DecodeState*>(uv);
    Engine& s = g_engine;
    switch (e->type) {
    case kPGPEvent_PassphraseEvent:
        if (st->passphraseAsks++ > 0) return kPGPError_UserAbort;
        return s.PGPAddJobOptions(e->job, s.PGPOPassphrase(ctx, kPassphrase), s.PGPOLastOption(ctx));
    case kPGPEvent_OutputEvent:
        return s.PGPAddJobOptions(e->job, s.PGPOAllocatedOutputBuffer(ctx, &st->out, 0xFFFFFFFFu, &st->outLen),
                                  s.PGPOLastOption(ctx));
    case kPGPEvent_SignatureEvent: {
        char id[kPGPMaxKeyIDStringSize] = {};
        s.PGPGetKeyIDString(&e->data.signatureData.signingKeyID, kPGPKeyIDString_Full, id);
        st->signer = id;
        st->checked = e->data.signatureData.checked;
        st->verified = e->data.signatureData.verified;
        return 0;
    }
    default: return 0;
    }
}

int RunEngineJobs(const std::string& dir) {
    Engine& s = g_engine;
    if (!s.Bind()) {
        printf("!! the engine stand-in could not be bound\n");
        return 1;
    }
    s.PGPsdkInit(0);
    PGPContextRef ctx = nullptr;
    if (PGPError err = s.PGPNewContext(kPGPsdkAPIVersion, &ctx)) {
        printf("!! no engine context: %s\n", ErrorText(err).c_str());
        return 1;
    }
    PGPFileSpecRef pub = nullptr, sec = nullptr;
    s.PGPNewFileSpecFromFullPath(ctx, (dir + "pubring.pkr").c_str(), &pub);
    s.PGPNewFileSpecFromFullPath(ctx, (dir + "secring.skr").c_str(), &sec);
    PGPKeyDBRef db = nullptr;
    PGPError err = s.PGPOpenKeyDBFile(ctx, 0, pub, sec, &db);
    s.PGPFreeFileSpec(pub);
    s.PGPFreeFileSpec(sec);
    if (err) {
        printf("!! the demo user's rings do not open: %s\n", ErrorText(err).c_str());
        return 1;
    }

    // The demo user's own key signs; every key on the rings is a recipient.
    PGPKeySetRef all = s.PGPPeekKeyDBRootKeySet(db);
    PGPKeyIterRef iter = nullptr;
    s.PGPNewKeyIterFromKeySet(all, &iter);
    PGPKeyDBObjRef key = nullptr, signer = nullptr;
    printf("   keys on the demo user's rings:\n");
    while (s.PGPKeyIterNextKeyDBObj(iter, 1 /* key */, &key) == 0 && key) {
        char name[256] = {};
        PGPSize len = 0;
        s.PGPGetPrimaryUserIDName(key, name, sizeof name, &len);
        PGPBoolean secret = 0;
        s.PGPGetKeyDBObjBooleanProperty(key, kPGPKeyProperty_IsSecret, &secret);
        printf("     %s%s\n", name, secret ? "  (secret key: signs)" : "");
        if (secret && !signer) signer = key;
    }
    s.PGPFreeKeyIter(iter);
    if (!signer) {
        printf("!! no secret key on the rings\n");
        return 1;
    }

    const std::string message =
        "Dear Bob,\r\n\r\nthe minutes of Tuesday's meeting are below.\r\n\r\n-- \r\nAlice\r\n";
    void* out = nullptr;
    PGPSize outLen = 0;
    err = s.PGPEncode(ctx, s.PGPOInputBuffer(ctx, message.data(), PGPSize(message.size())),
                      s.PGPOAllocatedOutputBuffer(ctx, &out, 0xFFFFFFFFu, &outLen),
                      s.PGPOEncryptToKeySet(ctx, all),
                      s.PGPOSignWithKey(ctx, signer, s.PGPOPassphrase(ctx, kPassphrase), s.PGPOLastOption(ctx)),
                      s.PGPODataIsASCII(ctx, 1), s.PGPOArmorOutput(ctx, 1),
                      s.PGPOCommentString(ctx, "Orvane demo"), s.PGPOVersionString(ctx, "Orvane"),
                      s.PGPOLastOption(ctx));
    if (err) {
        printf("!! encrypting and signing failed: %s\n", ErrorText(err).c_str());
        return 1;
    }
    std::string armoured(static_cast<char*>(out), outLen);
    s.PGPFreeData(out);
    WriteFile(dir + "outgoing.asc", armoured);
    printf("== encrypted and signed the outgoing message: outgoing.asc (%u bytes)\n", unsigned(outLen));
    printf("%.*s   ...\n", int(armoured.find("\n", armoured.find("\n", armoured.find("\n") + 1) + 1) + 1),
           armoured.c_str());

    // The engine reads its own output back, and GnuPG's reply when there is one.
    for (const char* name : {"outgoing.asc", "reply.asc"}) {
        std::string data = ReadFile(dir + name);
        if (data.empty()) continue;
        DecodeState st;
        st.ctx = ctx;
        err = s.PGPDecode(ctx, s.PGPOInputBuffer(ctx, data.data(), PGPSize(data.size())), s.PGPOKeyDBRef(ctx, db),
                          s.PGPOEventHandler(ctx, DemoDecodeEvents, &st), s.PGPOLastOption(ctx));
        std::string plain = st.out ? std::string(static_cast<char*>(st.out), st.outLen) : std::string();
        if (st.out) s.PGPFreeData(st.out);
        printf("== decoded %s: %s\n", name, err ? ErrorText(err).c_str() : "ok");
        printf("   signature: %s by %s\n",
               st.signer.empty() ? "none" : st.verified ? "good" : st.checked ? "BAD" : "not checked",
               st.signer.c_str());
        printf("   plain text:\n%s\n", plain.c_str());
        SecureZeroMemory(plain.data(), plain.size());
    }
    s.PGPFreeKeyDB(db);
    s.PGPFreeContext(ctx);
    s.PGPsdkCleanup();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);  // the story shows as it happens
    std::string dir = argc > 1 ? argv[1] : ".";
    if (!dir.empty() && dir.back() != '\\') dir += '\\';

    printf("== Orvane %s\n", ProductVersion("Merrowin.dll").c_str());
    for (const char* file : {"Merrowin.dll", "Pellatch.dll", "Tolvane.exe", "Lumvika.dll"})
        printf("   %-13s ProductVersion %s\n", file, ProductVersion(file).c_str());

    // The loader core, as every deliverable runs it, against the engine stand-in.
    SetDllDirectoryA(EngineDir().c_str());
    bool loaded = orv::loader::Load(orv::loader::Scope::Core);
    printf("== PGP SDK loader core: %s, release %s, version text \"%s\"\n", loaded ? "loaded" : "FAILED",
           orv::loader::IsSDK7() ? "7" : "6.5", orv::loader::VersionText());
    printf("   now: %s\n", orv::FormatPGPTime(std::uint32_t(time(nullptr))).c_str());

    // The string library, bound by ordinal as the main library binds it.
    HMODULE strings = LoadLibraryA("Lumvika.dll");
    SetDllDirectoryA(nullptr);
    if (!strings) {
        printf("!! Lumvika.dll did not load (error %lu)\n", GetLastError());
        return 1;
    }
    using TextFn = const char*(WINAPI*)();
    auto text = [&](int number) {
        auto fn = reinterpret_cast<TextFn>(GetProcAddress(strings, MAKEINTRESOURCEA(number)));
        return fn ? fn() : "";
    };
    using ErrorFn = int(WINAPI*)(int, const char**);
    auto errorText = reinterpret_cast<ErrorFn>(GetProcAddress(strings, MAKEINTRESOURCEA(372)));
    const char* bad = "";
    if (errorText) errorText(-11500, &bad);
    printf("== string library: text 1 \"%s\", text 13 \"%s\", text 123 \"%s\", error -11500 \"%s\"\n", text(1),
           text(13), text(123), bad);

    int rc = RunEngineJobs(dir);
    FreeLibrary(strings);
    orv::loader::Unload();
    return rc;
}
