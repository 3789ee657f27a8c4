// The loading and unloading steps of the PGP SDK binding.
#include "engine/loader.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "engine/sdk_table.h"

namespace orv::sdk {
Table& Sdk() {
    static Table table;
    return table;
}
}  // namespace orv::sdk

namespace orv::loader {
namespace {

using sdk::Sdk;

struct State {
    HMODULE core = nullptr;
    HMODULE network = nullptr;
    HMODULE ui = nullptr;
    HMODULE client = nullptr;
    HMODULE support = nullptr;
    bool attempted = false;
    int fatalCode = 0;
    bool isSDK7 = false;
    PGPKeyIDStringType keyIDFormatShort = 0;
    PGPKeyIDStringType keyIDFormatFull = 0;
    // Clean-ups run only for the starts that succeeded.
    bool sdkStarted = false;
    bool networkStarted = false;
    bool uiStarted = false;
    bool engineObjectsMade = false;
};

State g_state;
EngineObjectHooks g_hooks;
char g_versionText[kVersionTextSize];

// The fallback is copied whole, so the text is "N/A" followed by zeros.
constexpr char kNoVersionText[kVersionTextSize] = "N/A";

const char* const kFatalTexts[] = {
    "PGP Software Development Kit Core Library not found",
    "PGP Software Development Kit Networking Library not found",
    "PGP Software Development Kit User Interface Library not found",
    "PGP Client Library not found",
    "PGP Cryptographic Support Library not found",
    "Wrong PGP version: 6.5.X or 7.X.X required",
};

template <class Fn>
void Bind(HMODULE module, Fn& slot, const char* name) {
    FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
    slot = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

#define ORV_BIND_FROM(module) [&](auto& slot, const char* name) { Bind(module, slot, name); }
#define ORV_BIND_ENTRY(slot, name) bind(sdk.slot, name);

// The directory of the deliverable that holds the loader, with a trailing
// backslash; empty when it cannot be told.
std::string OwnDirectory() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&OwnDirectory), &self))
        return {};
    std::string path(32768, '\0');
    const DWORD n = GetModuleFileNameA(self, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return {};
    path.resize(n);
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The engine installed with the deliverables, beside them, comes first under
// either of its names (its libraries then find each other there); else the
// system's search: the program's directory, the system directories, PATH.
HMODULE LoadEither(const char* first, const char* second = nullptr) {
    const std::string dir = OwnDirectory();
    for (const char* name : {first, second}) {
        const std::string beside = dir + (name ? name : "");
        if (name && !dir.empty() && GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES)
            if (HMODULE module = LoadLibraryExA(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) return module;
    }
    HMODULE module = LoadLibraryA(first);
    if (!module && second) module = LoadLibraryA(second);
    return module;
}

bool g_quiet = false;

bool Fatal(int code) {
    g_state.fatalCode = code;
    if (!g_quiet) MessageBoxA(nullptr, FatalText(code), kFatalTitle, MB_OK | MB_ICONERROR);
    return false;
}

// Steps 1 and 2: the five libraries, each one fatal when missing.
bool LoadLibraries() {
    g_state.core = LoadEither("PGPSDK.dll", "PGP_SDK.dll");
    if (!g_state.core) return Fatal(1);
    g_state.network = LoadEither("PGPsdkNL.dll");
    if (!g_state.network) return Fatal(2);
    g_state.ui = LoadEither("PGPsdkUI.dll");
    if (!g_state.ui) return Fatal(3);
    g_state.client = LoadEither("PGPclientLib.dll", "PGPcl.dll");
    if (!g_state.client) return Fatal(4);
    g_state.support = LoadEither("PGPsc.dll");
    if (!g_state.support) return Fatal(5);
    return true;
}

// Steps 3 to 5: start the engine, tell the releases apart, read its text.
bool StartCore() {
    auto& sdk = Sdk();
    Bind(g_state.core, sdk.PGPsdkInit, "PGPsdkInit");
    Bind(g_state.core, sdk.PGPsdkCleanup, "PGPsdkCleanup");
    Bind(g_state.core, sdk.PGPGetSDKVersion, "PGPGetSDKVersion");
    if (!sdk.PGPGetSDKVersion) Bind(g_state.core, sdk.PGPGetSDKVersion, "PGPGetPGPsdkVersion");
    sdk.PGPGetPGPsdkVersion = sdk.PGPGetSDKVersion;
    if (sdk.PGPsdkInit) g_state.sdkStarted = sdk.PGPsdkInit(0) == kPGPError_NoErr;

    // Without a version function the release cannot be told: as wrong a
    // version as one that reports too little.
    if (!sdk.PGPGetSDKVersion) return Fatal(6);
    PGPUInt32 out = 0;
    PGPInt32 result = sdk.PGPGetSDKVersion(&out);
    if (result >= kPGPsdk7VersionBase) {
        g_state.isSDK7 = true;
    } else if (static_cast<PGPInt32>(out) < kPGPsdk65MinimumVersion) {
        return Fatal(6);
    }

    PFN_PGPGetPGPsdkVersionString versionText = nullptr;
    if (g_state.isSDK7) {
        Bind(g_state.core, sdk.PGPGetPGPsdkVersionString, "PGPGetPGPsdkVersionString");
        versionText = sdk.PGPGetPGPsdkVersionString;
    } else {
        Bind(g_state.core, sdk.PGPGetSDKString, "PGPGetSDKString");
        versionText = sdk.PGPGetSDKString;
    }
    std::memset(g_versionText, 0, sizeof g_versionText);
    if (!versionText || versionText(g_versionText) != kPGPError_NoErr)
        std::memcpy(g_versionText, kNoVersionText, sizeof g_versionText);
    g_versionText[kVersionTextSize - 1] = '\0';
    return true;
}

// Steps 6 to 16: the main library's full binding.
void BindAll() {
    auto& sdk = Sdk();
    const bool r7 = g_state.isSDK7;

    {  // 6
        auto bind = ORV_BIND_FROM(g_state.network);
        ORV_SDK_NETWORK(ORV_BIND_ENTRY)
        if (sdk.PGPsdkNetworkLibInit) g_state.networkStarted = sdk.PGPsdkNetworkLibInit(0) == kPGPError_NoErr;
    }
    auto bindCore = ORV_BIND_FROM(g_state.core);
    {  // 7, 8
        auto& bind = bindCore;
        ORV_SDK_JOBS(ORV_BIND_ENTRY)
        ORV_SDK_KEYS_COMMON(ORV_BIND_ENTRY)
        if (r7) {
            ORV_SDK_KEYS_7(ORV_BIND_ENTRY)
            g_state.keyIDFormatShort = kPGPKeyIDString_Abbreviated;
            g_state.keyIDFormatFull = kPGPKeyIDString_Full;
        } else {
            ORV_SDK_KEYS_65(ORV_BIND_ENTRY)
            g_state.keyIDFormatShort = kPGPKeyIDString65_Abbreviated;
            g_state.keyIDFormatFull = kPGPKeyIDString65_Full;
        }
        ORV_SDK_KEY_OPTIONS(ORV_BIND_ENTRY)
    }
    {  // 9
        auto bind = ORV_BIND_FROM(g_state.network);
        ORV_SDK_KEY_SERVER(ORV_BIND_ENTRY)
    }
    {  // 10
        auto& bind = bindCore;
        ORV_SDK_MEMORY(ORV_BIND_ENTRY)
    }
    {  // 11
        auto bind = ORV_BIND_FROM(g_state.client);
        if (r7) {
            ORV_SDK_CLIENT_7(ORV_BIND_ENTRY)
        } else {
            ORV_SDK_CLIENT_65(ORV_BIND_ENTRY)
        }
    }
    {  // 12, 13
        auto& bind = bindCore;
        ORV_SDK_GROUPS(ORV_BIND_ENTRY)
        ORV_SDK_CONTEXT(ORV_BIND_ENTRY)
        ORV_SDK_OPTIONS(ORV_BIND_ENTRY)
        if (r7) {
            ORV_SDK_OPTIONS_7(ORV_BIND_ENTRY)
        } else {
            ORV_SDK_OPTIONS_65(ORV_BIND_ENTRY)
        }
    }
    {  // 14
        auto& bind = bindCore;
        if (g_hooks.createKeyRings) g_hooks.createKeyRings();
        ORV_SDK_PREFS(ORV_BIND_ENTRY)
        if (g_hooks.createPrefsFile) g_hooks.createPrefsFile();
        g_state.engineObjectsMade = true;
    }
    {  // 15
        auto bind = ORV_BIND_FROM(g_state.ui);
        ORV_SDK_UI(ORV_BIND_ENTRY)
        if (sdk.PGPsdkUILibInit) g_state.uiStarted = sdk.PGPsdkUILibInit(0) == kPGPError_NoErr;
    }
    {  // 16
        auto bind = ORV_BIND_FROM(g_state.support);
        if (r7) {
            ORV_SDK_SUPPORT_7(ORV_BIND_ENTRY)
        } else {
            ORV_SDK_SUPPORT_65(ORV_BIND_ENTRY)
        }
    }
}

void Free(HMODULE& module) {
    if (module) FreeLibrary(module);
    module = nullptr;
}

}  // namespace

bool Load(Scope scope) {
    if (g_state.attempted) return g_state.fatalCode == 0;
    g_state.attempted = true;
    if (!LoadLibraries() || !StartCore()) return false;
    if (scope == Scope::Full && g_state.fatalCode == 0) BindAll();
    return g_state.fatalCode == 0;
}

void Unload() {
    auto& sdk = Sdk();
    if (g_state.uiStarted && sdk.PGPsdkUILibCleanup) sdk.PGPsdkUILibCleanup();
    if (g_state.engineObjectsMade) {
        if (g_hooks.freePrefsFile) g_hooks.freePrefsFile();
        if (g_hooks.freeKeyRings) g_hooks.freeKeyRings();
    }
    if (g_state.networkStarted && sdk.PGPsdkNetworkLibCleanup) sdk.PGPsdkNetworkLibCleanup();
    if (g_state.sdkStarted && sdk.PGPsdkCleanup) sdk.PGPsdkCleanup();
    Free(g_state.support);
    Free(g_state.client);
    Free(g_state.ui);
    Free(g_state.network);
    Free(g_state.core);
    sdk = sdk::Table{};
    g_state = State{};
    std::memset(g_versionText, 0, sizeof g_versionText);
}

int FatalCode() { return g_state.fatalCode; }

void SetQuiet(bool quiet) { g_quiet = quiet; }

const char* FatalText(int code) {
    if (code < 1 || code > 6) return "";
    return kFatalTexts[code - 1];
}

bool IsSDK7() { return g_state.isSDK7; }
PGPKeyIDStringType KeyIDFormatShort() { return g_state.keyIDFormatShort; }
PGPKeyIDStringType KeyIDFormatFull() { return g_state.keyIDFormatFull; }
PGPSize KeyIDSize() { return g_state.isSDK7 ? kPGPKeyIDSize : kPGPKeyIDSize65; }
char* VersionText() { return g_versionText; }

void SetEngineObjectHooks(const EngineObjectHooks& hooks) { g_hooks = hooks; }

}  // namespace orv::loader
