// The user-interface library's start and end, and the entry points that have
// no dialog of their own in the stand-in.
#include <windows.h>

#include <cstring>

#include "standin/export_guard.h"
#include "standin/sdkui/core_access.h"
#include "standin/sdkui/sdkui_exports.h"
#include "standin/sdkui/sdkui_module.h"

namespace {

HINSTANCE g_module = nullptr;
LONG g_initCount = 0;

}  // namespace

namespace sdkui {

HINSTANCE module() { return g_module; }

PGPUInt32 passphraseQuality(const char* text) {
    if (!text) return 0;
    const size_t n = std::strlen(text);
    bool lower = false, upper = false, digit = false, other = false;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char ch = static_cast<unsigned char>(text[i]);
        if (ch >= 'a' && ch <= 'z') lower = true;
        else if (ch >= 'A' && ch <= 'Z') upper = true;
        else if (ch >= '0' && ch <= '9') digit = true;
        else other = true;
    }
    const int alphabet = (lower ? 26 : 0) + (upper ? 26 : 0) + (digit ? 10 : 0) + (other ? 32 : 0);
    int bitsPerChar = 0;
    for (int a = alphabet; a > 1; a >>= 1) ++bitsPerChar;
    const size_t bits = n * static_cast<size_t>(bitsPerChar);
    return bits >= 128 ? 100 : static_cast<PGPUInt32>(bits * 100 / 128);
}

}  // namespace sdkui

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" {

// The dialogs reach the core loaded before this library.
PGPError PGP_CALL PGPsdkUILibInit(PGPFlags) {
    try {
        if (!companion::core().complete) return kPGPError_EngineNotLoaded;
        InterlockedIncrement(&g_initCount);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPsdkUILibCleanup(void) {
    try {
        if (InterlockedCompareExchange(&g_initCount, 0, 0) <= 0) return kPGPError_BadParams;
        InterlockedDecrement(&g_initCount);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPUInt32 PGP_CALL PGPEstimatePassphraseQuality(const char* passphrase) {
    try {
        return sdkui::passphraseQuality(passphrase);
    } ORV_EXPORT_GUARD
}

// The stand-in's generator is seeded by the engine itself: no entropy is
// asked of the user.
PGPError PGP_CALL PGPCollectRandomDataDialog(PGPContextRef, PGPUInt32, PGPOptionListRef firstOption, ...) {
    try {
        const auto& c = companion::core();
        if (!c.complete) return kPGPError_EngineNotLoaded;
        va_list ap;
        va_start(ap, firstOption);
        PGPOptionListRef last = c.PGPOLastOption(nullptr);
        for (PGPOptionListRef cur = firstOption; cur && cur != last; cur = va_arg(ap, PGPOptionListRef)) {
            PGPBoolean temporary = 0;
            c.ORVsdkCountOptions(cur, nullptr, &temporary);
            if (temporary) c.PGPFreeOptionList(cur);
        }
        va_end(ap);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDKUI_EXPORT(PGPsdkUILibInit);
SDKUI_EXPORT(PGPsdkUILibCleanup);
SDKUI_EXPORT(PGPEstimatePassphraseQuality);
SDKUI_EXPORT(PGPCollectRandomDataDialog);
