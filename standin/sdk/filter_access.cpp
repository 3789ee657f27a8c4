// What a filter asks for, for the networking library: a key-server query
// turns key-ID and user-ID conditions into server requests and applies the
// rest of the filter to the keys that come back.
#include "standin/export_guard.h"
#include "standin/sdk/internal.h"
#include "standin/sdknet/net_api.h"

using namespace sdk;

extern "C" {

PGPError PGP_CALL ORVsdkGetFilterInfo(PGPFilterRef filter, ORVsdkFilterInfo* outInfo) {
    try {
        if (!outInfo) return kPGPError_BadParams;
        *outInfo = ORVsdkFilterInfo{};
        if (!check(filter)) return kPGPError_BadParams;
        switch (filter->kind) {
        case PGPFilter::Boolean: outInfo->kind = kORVsdkFilter_Boolean; break;
        case PGPFilter::Numeric: outInfo->kind = kORVsdkFilter_Numeric; break;
        case PGPFilter::Time: outInfo->kind = kORVsdkFilter_Time; break;
        case PGPFilter::Data: outInfo->kind = kORVsdkFilter_Data; break;
        case PGPFilter::Not: outInfo->kind = kORVsdkFilter_Not; break;
        case PGPFilter::And: outInfo->kind = kORVsdkFilter_And; break;
        case PGPFilter::Or: outInfo->kind = kORVsdkFilter_Or; break;
        }
        outInfo->property = filter->property;
        outInfo->match = filter->match;
        outInfo->boolValue = filter->boolValue;
        outInfo->number = filter->number;
        outInfo->data = filter->data.data();
        outInfo->dataLength = static_cast<PGPSize>(filter->data.size());
        outInfo->a = filter->a;
        outInfo->b = filter->b;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT(ORVsdkGetFilterInfo);
