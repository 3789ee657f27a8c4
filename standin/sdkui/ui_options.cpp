#include "standin/sdkui/ui_options.h"

#include "standin/sdkui/core_access.h"

namespace sdkui {

namespace {

void take(const ORVsdkUIOption& o, UIOptions& out) {
    const std::string text = o.text ? std::string(o.text, o.textLength) : std::string();
    switch (o.tag) {
        case kORVsdkUI_ParentWindowHandle: out.parent = o.ptr; break;
        case kORVsdkUI_WindowTitle: out.title = text; break;
        case kORVsdkUI_DialogPrompt:
            out.hasPrompt = true;
            out.prompt = text;
            break;
        case kORVsdkUI_Checkbox: {
            Checkbox c;
            c.itemID = static_cast<PGPUInt32>(o.num);
            c.initialValue = static_cast<PGPUInt32>(o.num2);
            c.title = text;
            if (o.text2) c.description.assign(o.text2, o.text2Length);
            c.result = static_cast<PGPUInt32*>(o.ptr);
            out.checkboxes.push_back(c);
            break;
        }
        case kORVsdkUI_OutputPassphrase: out.outPassphrase = static_cast<char**>(o.ptr); break;
        case kORVsdkUI_MinimumPassphraseLength: out.minimumLength = static_cast<PGPUInt32>(o.num); break;
        case kORVsdkUI_MinimumPassphraseQuality: out.minimumQuality = static_cast<PGPUInt32>(o.num); break;
        case kORVsdkUI_ShowPassphraseQuality: out.showQuality = o.num != 0; break;
        case kORVsdkUI_VerifyPassphrase: out.verifyPassphrase = o.num != 0; break;
        case kORVsdkUI_FindMatchingKey: out.findMatchingKey = o.num != 0; break;
        case kORVsdkUI_RecipientGroups: out.recipientGroups = static_cast<PGPGroupSetRef>(o.ptr); break;
        case kORVsdkUI_DefaultRecipients:
            out.defaultRecipients = text;
            out.defaultRecipientCount = static_cast<PGPUInt32>(o.num);
            break;
        case kORVsdkUI_DefaultKey: out.defaultKey = static_cast<PGPKeyDBObjRef>(o.ptr); break;
        case kORVsdkUI_DisplayMarginalValidity: out.displayMarginalValidity = o.num != 0; break;
        case kORVsdkUI_IgnoreMarginalValidity: out.ignoreMarginalValidity = o.num != 0; break;
        case kORVsdkUI_KeyServerSearchFilter: out.searchFilter = static_cast<PGPFilterRef>(o.ptr); break;
        case kORVsdkUI_KeyServerSearchKey: out.searchKey = static_cast<PGPKeyDBObjRef>(o.ptr); break;
        case kORVsdkUI_KeyServerSearchKeySet: out.searchKeySet = static_cast<PGPKeySetRef>(o.ptr); break;
        case kORVsdkUI_KeyServerSearchKeyIDList:
            out.searchKeyIDs = text;
            out.searchKeyIDCount = static_cast<PGPUInt32>(o.num);
            break;
        default: break;  // grouping markers and the core's own options
    }
}

}  // namespace

PGPError ReadOptions(PGPOptionListRef first, va_list ap, UIOptions& out) {
    const companion::Core& c = companion::core();
    if (!c.complete) return kPGPError_EngineNotLoaded;
    PGPOptionListRef last = c.PGPOLastOption(nullptr);
    PGPError err = kPGPError_NoErr;
    PGPOptionListRef cur = first;
    for (int guard = 0; cur != last; ++guard) {
        if (!cur || guard > 4096) return kPGPError_BadParams;  // the rest cannot be walked safely
        PGPUInt32 count = 0;
        PGPBoolean temporary = 0;
        PGPError e = c.ORVsdkCountOptions(cur, &count, &temporary);
        if (e != kPGPError_NoErr) err = kPGPError_BadParams;
        if (e == kPGPError_NoErr) {
            for (PGPUInt32 i = 0; i < count; ++i) {
                ORVsdkUIOption o{};
                if (c.ORVsdkGetUIOption(cur, i, &o) == kPGPError_NoErr) take(o, out);
            }
        }
        // A list the core does not know (count 0, not temporary) is not freed.
        if (temporary) c.PGPFreeOptionList(cur);
        cur = va_arg(ap, PGPOptionListRef);
    }
    return err;
}

}  // namespace sdkui
