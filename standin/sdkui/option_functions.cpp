// The user-interface option functions. Each makes one entry of the core's
// option lists (through the core's companion interface), so that the lists
// can be joined, copied and freed with the core's list functions and read back
// by the dialogs of this library.
#include <windows.h>

#include <cstdarg>
#include <cstring>
#include <type_traits>

#include "standin/export_guard.h"
#include "standin/sdkui/core_access.h"
#include "standin/sdkui/sdkui_exports.h"

namespace {

using companion::core;

PGPOptionListRef make(PGPContextRef context, ORVsdkUIOption o, PGPOptionListRef nested = nullptr) {
    const auto& c = core();
    if (!c.ORVsdkNewUIOption) return nullptr;
    return c.ORVsdkNewUIOption(context, &o, nested);
}

ORVsdkUIOption option(PGPInt32 tag, PGPInt32 num = 0) {
    ORVsdkUIOption o{};
    o.tag = tag;
    o.num = num;
    return o;
}

ORVsdkUIOption textOption(PGPInt32 tag, const char* text) {
    ORVsdkUIOption o = option(text ? tag : 0);  // a null text fails the consuming call
    o.text = text;
    o.textLength = text ? static_cast<PGPUInt32>(std::strlen(text)) : 0;
    return o;
}

ORVsdkUIOption keyIDsOption(PGPInt32 tag, PGPUInt32 count, const PGPByte* keyIDs) {
    ORVsdkUIOption o = option((keyIDs || count == 0) && count < 65536 ? tag : 0, static_cast<PGPInt32>(count));
    o.text = reinterpret_cast<const char*>(keyIDs);
    o.textLength = keyIDs ? count * sdkui::kKeyIDSize : 0;
    return o;
}

// Joins the option lists of a variable argument list into one list of the
// caller's; false when one of them is bad.
bool joinNested(PGPContextRef context, PGPOptionListRef first, va_list ap, PGPOptionListRef& joined) {
    const auto& c = core();
    joined = nullptr;
    if (!c.complete || c.PGPNewOptionList(context, &joined) != kPGPError_NoErr) return false;
    PGPOptionListRef last = c.PGPOLastOption(context);
    bool ok = true;
    for (PGPOptionListRef cur = first; cur != last; cur = va_arg(ap, PGPOptionListRef)) {
        if (!cur) return false;  // the rest cannot be walked safely
        if (c.PGPAppendOptionList(joined, cur, last) != kPGPError_NoErr) ok = false;
    }
    return ok;
}

}  // namespace

extern "C" {

PGPOptionListRef PGP_CALL PGPOUIParentWindowHandle(PGPContextRef context, PGPWindowRef parent) {
    try {
        ORVsdkUIOption o = option(kORVsdkUI_ParentWindowHandle);
        o.ptr = parent;
        return make(context, o);
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIWindowTitle(PGPContextRef context, const char* title) {
    try {
        return make(context, textOption(kORVsdkUI_WindowTitle, title));
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIDialogPrompt(PGPContextRef context, const char* prompt) {
    try {
        return make(context, textOption(kORVsdkUI_DialogPrompt, prompt));
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIDialogOptions(PGPContextRef context, PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        PGPOptionListRef joined = nullptr;
        const bool ok = joinNested(context, firstOption, ap, joined);
        va_end(ap);
        PGPOptionListRef r = make(context, option(ok ? kORVsdkUI_DialogOptions : 0), joined);
        if (joined) core().PGPFreeOptionList(joined);
        return r;
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUICheckbox(PGPContextRef context, PGPUInt32 itemID, const char* title,
                                         const char* description, PGPUInt32 initialValue, PGPUInt32* resultPtr,
                                         PGPOptionListRef firstOption, ...) {
    try {
        va_list ap;
        va_start(ap, firstOption);
        PGPOptionListRef joined = nullptr;
        const bool ok = joinNested(context, firstOption, ap, joined);
        va_end(ap);
        ORVsdkUIOption o = textOption(kORVsdkUI_Checkbox, title);
        if (!ok || !resultPtr) o.tag = 0;
        o.num = static_cast<PGPInt32>(itemID);
        o.num2 = static_cast<PGPInt32>(initialValue);
        o.ptr = resultPtr;
        o.text2 = description;
        o.text2Length = description ? static_cast<PGPUInt32>(std::strlen(description)) : 0;
        if (resultPtr) *resultPtr = initialValue;
        PGPOptionListRef r = make(context, o, joined);
        if (joined) core().PGPFreeOptionList(joined);
        return r;
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIOutputPassphrase(PGPContextRef context, char** outPassphrase) {
    try {
        if (outPassphrase) *outPassphrase = nullptr;
        ORVsdkUIOption o = option(outPassphrase ? kORVsdkUI_OutputPassphrase : 0);
        o.ptr = outPassphrase;
        return make(context, o);
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIMinimumPassphraseLength(PGPContextRef context, PGPUInt32 length) {
    try {
        return make(context, option(kORVsdkUI_MinimumPassphraseLength, static_cast<PGPInt32>(length)));
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIMinimumPassphraseQuality(PGPContextRef context, PGPUInt32 quality) {
    try {
        return make(context, option(quality <= 100 ? kORVsdkUI_MinimumPassphraseQuality : 0, static_cast<PGPInt32>(quality)));
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIShowPassphraseQuality(PGPContextRef context, PGPBoolean show) {
    try {
        return make(context, option(kORVsdkUI_ShowPassphraseQuality, show != 0));
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIVerifyPassphrase(PGPContextRef context, PGPBoolean verify) {
    try {
        return make(context, option(kORVsdkUI_VerifyPassphrase, verify != 0));
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIFindMatchingKey(PGPContextRef context, PGPBoolean find) {
    try {
        return make(context, option(kORVsdkUI_FindMatchingKey, find != 0));
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIRecipientGroups(PGPContextRef context, PGPGroupSetRef groups) {
    try {
        ORVsdkUIOption o = option(kORVsdkUI_RecipientGroups);
        o.ptr = groups;
        return make(context, o);
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIDefaultRecipients(PGPContextRef context, PGPUInt32 count, const PGPByte* keyIDs) {
    try {
        return make(context, keyIDsOption(kORVsdkUI_DefaultRecipients, count, keyIDs));
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIDefaultKey(PGPContextRef context, PGPKeyDBObjRef key) {
    try {
        ORVsdkUIOption o = option(kORVsdkUI_DefaultKey);
        o.ptr = key;
        return make(context, o);
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIDisplayMarginalValidity(PGPContextRef context, PGPBoolean display) {
    try {
        return make(context, option(kORVsdkUI_DisplayMarginalValidity, display != 0));
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIIgnoreMarginalValidity(PGPContextRef context, PGPBoolean ignore) {
    try {
        return make(context, option(kORVsdkUI_IgnoreMarginalValidity, ignore != 0));
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIKeyServerSearchFilter(PGPContextRef context, PGPFilterRef filter) {
    try {
        ORVsdkUIOption o = option(filter ? kORVsdkUI_KeyServerSearchFilter : 0);
        o.ptr = filter;
        return make(context, o);
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIKeyServerSearchKey(PGPContextRef context, PGPKeyDBObjRef key) {
    try {
        ORVsdkUIOption o = option(key ? kORVsdkUI_KeyServerSearchKey : 0);
        o.ptr = key;
        return make(context, o);
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIKeyServerSearchKeySet(PGPContextRef context, PGPKeySetRef keySet) {
    try {
        ORVsdkUIOption o = option(keySet ? kORVsdkUI_KeyServerSearchKeySet : 0);
        o.ptr = keySet;
        return make(context, o);
    } ORV_EXPORT_GUARD
}

PGPOptionListRef PGP_CALL PGPOUIKeyServerSearchKeyIDList(PGPContextRef context, PGPUInt32 count,
                                                         const PGPByte* keyIDs) {
    try {
        return make(context, keyIDsOption(kORVsdkUI_KeyServerSearchKeyIDList, count, keyIDs));
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDKUI_EXPORT(PGPOUIParentWindowHandle);
SDKUI_EXPORT(PGPOUIWindowTitle);
SDKUI_EXPORT(PGPOUIDialogPrompt);
SDKUI_EXPORT(PGPOUIDialogOptions);
SDKUI_EXPORT(PGPOUICheckbox);
SDKUI_EXPORT(PGPOUIOutputPassphrase);
SDKUI_EXPORT(PGPOUIMinimumPassphraseLength);
SDKUI_EXPORT(PGPOUIMinimumPassphraseQuality);
SDKUI_EXPORT(PGPOUIShowPassphraseQuality);
SDKUI_EXPORT(PGPOUIVerifyPassphrase);
SDKUI_EXPORT(PGPOUIFindMatchingKey);
SDKUI_EXPORT(PGPOUIRecipientGroups);
SDKUI_EXPORT(PGPOUIDefaultRecipients);
SDKUI_EXPORT(PGPOUIDefaultKey);
SDKUI_EXPORT(PGPOUIDisplayMarginalValidity);
SDKUI_EXPORT(PGPOUIIgnoreMarginalValidity);
SDKUI_EXPORT(PGPOUIKeyServerSearchFilter);
SDKUI_EXPORT(PGPOUIKeyServerSearchKey);
SDKUI_EXPORT(PGPOUIKeyServerSearchKeySet);
SDKUI_EXPORT(PGPOUIKeyServerSearchKeyIDList);
