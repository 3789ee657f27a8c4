// The stand-in core as a companion library reaches it: by name in the
// process's loaded core module, never by linking, exactly as the product
// binds the engine. Header-only so that the networking library and the
// search dialog of the user-interface library share it.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>
#include <vector>

#include "standin/sdk/sdk_interface.h"
#include "standin/sdknet/net_api.h"
#include "standin/sdkui/companion_api.h"

namespace orvnet {

// The core under either of its names; null when no core is loaded.
inline HMODULE CoreModule() {
    HMODULE m = GetModuleHandleA("PGPSDK.dll");
    if (!m) m = GetModuleHandleA("PGP_SDK.dll");
    return m;
}

template <class Fn>
Fn CoreProc(const char* name) {
    HMODULE m = CoreModule();
    if (!m) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(m, name)));
}

#define ORVNET_CORE(name) (::orvnet::CoreProc<PFN_##name>(#name))

// One option of a list, its texts copied out of the core's storage.
struct Option {
    PGPInt32 tag = 0;
    PGPInt32 num = 0;
    PGPInt32 num2 = 0;
    void* ptr = nullptr;
    void* ptr2 = nullptr;
    std::string text;
    std::string text2;
};

// Walks the option lists of a variable argument list up to PGPOLastOption,
// copies every option out and frees the temporary lists as a consuming call
// must. A null or broken list ends the walk (nothing after it can be reached
// safely) with kPGPError_BadParams; a list an option function marked as
// failed is read on but makes the result kPGPError_BadParams.
inline PGPError GatherOptions(PGPOptionListRef first, va_list ap, std::vector<Option>& out) {
    auto lastOption = ORVNET_CORE(PGPOLastOption);
    auto count = ORVNET_CORE(ORVsdkCountOptions);
    auto get = ORVNET_CORE(ORVsdkGetUIOption);
    auto freeList = ORVNET_CORE(PGPFreeOptionList);
    if (!lastOption || !count || !get || !freeList) return kPGPError_EngineNotLoaded;
    const PGPOptionListRef last = lastOption(nullptr);
    PGPError result = kPGPError_NoErr;
    PGPOptionListRef cur = first;
    for (int guard = 0; cur != last; ++guard) {
        if (!cur || guard > 4096) return kPGPError_BadParams;
        PGPUInt32 n = 0;
        PGPBoolean temporary = 0;
        PGPError err = count(cur, &n, &temporary);
        if (err != kPGPError_NoErr) {
            if (n == 0 && !temporary) return kPGPError_BadParams;
            result = kPGPError_BadParams;
        }
        for (PGPUInt32 i = 0; i < n; ++i) {
            ORVsdkUIOption raw{};
            if (get(cur, i, &raw) != kPGPError_NoErr) continue;
            Option o;
            o.tag = raw.tag;
            o.num = raw.num;
            o.num2 = raw.num2;
            o.ptr = raw.ptr;
            o.ptr2 = raw.ptr2;
            if (raw.text) o.text.assign(raw.text, raw.textLength);
            if (raw.text2) o.text2.assign(raw.text2, raw.text2Length);
            out.push_back(std::move(o));
        }
        if (temporary) freeList(cur);
        cur = va_arg(ap, PGPOptionListRef);
    }
    return result;
}

// The last option with this tag, or null.
inline const Option* FindOption(const std::vector<Option>& options, PGPInt32 tag) {
    const Option* found = nullptr;
    for (const auto& o : options)
        if (o.tag == tag) found = &o;
    return found;
}

// A new temporary core option list holding one option of a companion.
inline PGPOptionListRef NewOption(PGPContextRef context, PGPInt32 tag, PGPInt32 num, PGPInt32 num2, void* ptr,
                                  const char* text, PGPUInt32 textLength) {
    auto make = ORVNET_CORE(ORVsdkNewUIOption);
    if (!make) return nullptr;
    ORVsdkUIOption o{};
    o.tag = tag;
    o.num = num;
    o.num2 = num2;
    o.ptr = ptr;
    o.text = text;
    o.textLength = textLength;
    return make(context, &o, nullptr);
}

}  // namespace orvnet
