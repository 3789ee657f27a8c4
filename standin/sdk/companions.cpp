// The private interface of the core for its companion libraries: the
// user-interface options ride in the core's option lists as opaque entries.
#include <new>

#include "standin/export_guard.h"
#include "standin/sdk/internal.h"
#include "standin/sdkui/companion_api.h"

using namespace sdk;

namespace {

// The second text of an option rides in its first nested entry.
const std::string& secondText(const Option& o) {
    static const std::string none;
    return o.sub.empty() ? none : o.sub.front().text;
}

}  // namespace

extern "C" {

PGPOptionListRef PGP_CALL ORVsdkNewUIOption(PGPContextRef context, const ORVsdkUIOption* option,
                                            PGPOptionListRef nested) {
    try {
        bool ok = check(context) && option && option->tag > 0;
        auto* l = new (std::nothrow) PGPOptionList;
        if (!l) {
            if (check(nested) && !nested->persistent) delete nested;
            return nullptr;
        }
        l->context = context;
        Option o{Opt::UI};
        if (option) {
            o.num = option->tag;
            o.numbers = {option->num, option->num2};
            o.ptr = option->ptr;
            o.ptr2 = option->ptr2;
            if (option->text) o.text.assign(option->text, option->textLength);
            if (option->text2) {
                Option second{Opt::UI};
                second.text.assign(option->text2, option->text2Length);
                o.sub.push_back(std::move(second));
            }
        }
        l->options.push_back(std::move(o));
        if (nested) {
            if (check(nested) && !nested->failed) {
                for (const auto& n : nested->options) l->options.push_back(n);
            } else {
                ok = false;
            }
            if (check(nested) && !nested->persistent) delete nested;
        }
        l->failed = !ok;
        return l;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL ORVsdkCountOptions(PGPOptionListRef list, PGPUInt32* outCount, PGPBoolean* outTemporary) {
    try {
        if (outCount) *outCount = 0;
        if (outTemporary) *outTemporary = 0;
        if (!check(list)) return kPGPError_BadParams;
        if (outCount) *outCount = static_cast<PGPUInt32>(list->options.size());
        if (outTemporary) *outTemporary = list->persistent ? 0 : 1;
        return list->failed ? kPGPError_BadParams : kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL ORVsdkGetUIOption(PGPOptionListRef list, PGPUInt32 index, ORVsdkUIOption* outOption) {
    try {
        if (!outOption) return kPGPError_BadParams;
        *outOption = ORVsdkUIOption{};
        if (!check(list) || index >= list->options.size()) return kPGPError_BadParams;
        const Option& o = list->options[index];
        if (o.type != Opt::UI) return kPGPError_NoErr;
        outOption->tag = o.num;
        outOption->num = o.numbers.size() > 0 ? o.numbers[0] : 0;
        outOption->num2 = o.numbers.size() > 1 ? o.numbers[1] : 0;
        outOption->ptr = o.ptr;
        outOption->ptr2 = o.ptr2;
        outOption->text = o.text.c_str();
        outOption->textLength = static_cast<PGPUInt32>(o.text.size());
        const std::string& second = secondText(o);
        outOption->text2 = second.c_str();
        outOption->text2Length = static_cast<PGPUInt32>(second.size());
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT(ORVsdkNewUIOption);
SDK_EXPORT(ORVsdkCountOptions);
SDK_EXPORT(ORVsdkGetUIOption);
