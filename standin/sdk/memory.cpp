// Memory managers and engine-allocated data. Every block carries a header so
// that PGPFreeData knows its manager, its size and whether it is secure;
// secure blocks sit in locked pages and are wiped before they are released.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "standin/export_guard.h"
#include "standin/sdk/internal.h"

namespace {

constexpr uint32_t kBlockMagic = 0x424c4b31;
struct BlockHeader {
    uint32_t magic;
    PGPMemoryMgrRef mgr;
    uint32_t size;
    uint32_t secure;
};
static_assert(sizeof(BlockHeader) == 16);

PGPMemoryMgr gDefaultMgr;
PGPMemoryMgrRef gCurrentDefault = &gDefaultMgr;

BlockHeader* headerOf(void* block) {
    if (!block) return nullptr;
    auto* h = reinterpret_cast<BlockHeader*>(static_cast<char*>(block) - sizeof(BlockHeader));
    return h->magic == kBlockMagic ? h : nullptr;
}

void releaseRaw(BlockHeader* h) {
    PGPMemoryMgrRef mgr = h->mgr;
    size_t total = sizeof(BlockHeader) + h->size;
    if (h->secure) {
        sdk::wipe(h, total);
        VirtualUnlock(h, total);
        VirtualFree(h, 0, MEM_RELEASE);
    } else {
        h->magic = 0;
        if (mgr && mgr != &gDefaultMgr && mgr->dealloc)
            mgr->dealloc(mgr, mgr->customValue, h, total);
        else
            ::operator delete(h);
    }
}

}  // namespace

namespace sdk {

PGPMemoryMgrRef contextMgr(PGPContextRef context) {
    if (check(context) && check(context->mgr)) return context->mgr;
    return gCurrentDefault;
}

void* allocData(PGPMemoryMgrRef mgr, size_t size, bool secure, bool clear) {
    if (!check(mgr)) mgr = gCurrentDefault;
    if (size > 0x7ff00000u) return nullptr;
    size_t total = sizeof(BlockHeader) + size;
    void* raw = nullptr;
    if (secure) {
        raw = VirtualAlloc(nullptr, total, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (raw) VirtualLock(raw, total);  // best effort: the wipe on free is what counts
    } else if (mgr != &gDefaultMgr && mgr->alloc) {
        raw = mgr->alloc(mgr, mgr->customValue, total, 0);
    } else {
        raw = ::operator new(total, std::nothrow);
    }
    if (!raw) return nullptr;
    auto* h = static_cast<BlockHeader*>(raw);
    h->magic = kBlockMagic;
    h->mgr = mgr;
    h->size = static_cast<uint32_t>(size);
    h->secure = secure ? 1 : 0;
    void* p = h + 1;
    if (clear || secure) std::memset(p, 0, size);
    return p;
}

void* allocGrowable(PGPMemoryMgrRef mgr, size_t room) {
    if (!check(mgr)) mgr = gCurrentDefault;
    if (room > 0x7ff00000u) room = 0x7ff00000u;
    const size_t total = sizeof(BlockHeader) + room;
    void* raw = VirtualAlloc(nullptr, total, MEM_RESERVE, PAGE_READWRITE);
    if (!raw) return nullptr;
    if (!VirtualAlloc(raw, sizeof(BlockHeader), MEM_COMMIT, PAGE_READWRITE)) {
        VirtualFree(raw, 0, MEM_RELEASE);
        return nullptr;
    }
    auto* h = static_cast<BlockHeader*>(raw);
    h->magic = kBlockMagic;
    h->mgr = mgr;
    h->size = 0;
    h->secure = 1;
    return h + 1;
}

bool growBlock(void*& block, size_t size) {
    BlockHeader* h = headerOf(block);
    if (!h || !h->secure || size > 0x7ff00000u) return false;
    if (size <= h->size) return true;
    const size_t need = sizeof(BlockHeader) + size;
    MEMORY_BASIC_INFORMATION used{}, rest{};
    if (!VirtualQuery(h, &used, sizeof used)) return false;
    size_t committed = used.RegionSize;
    if (need > committed && VirtualQuery(reinterpret_cast<char*>(h) + committed, &rest, sizeof rest) &&
        rest.AllocationBase == h && rest.State == MEM_RESERVE && need - committed <= rest.RegionSize) {
        // Pages are committed a megabyte or more at a time; untouched ones cost nothing.
        const size_t step = std::min<size_t>(rest.RegionSize, std::max<size_t>(need - committed, 1u << 20));
        if (VirtualAlloc(reinterpret_cast<char*>(h) + committed, step, MEM_COMMIT, PAGE_READWRITE)) committed += step;
    }
    if (need <= committed) {
        h->size = static_cast<uint32_t>(size);
        return true;
    }
    // The reserved room is used up: the block moves once to twice the room.
    void* fresh = allocGrowable(h->mgr, size < 0x3ff00000u ? size * 2 : 0x7ff00000u);
    if (!fresh) return false;
    if (!growBlock(fresh, size)) {
        releaseRaw(headerOf(fresh));
        return false;
    }
    std::memcpy(fresh, block, h->size);
    releaseRaw(h);
    block = fresh;
    return true;
}

void* allocCopy(PGPMemoryMgrRef mgr, const void* p, size_t size, bool secure) {
    void* d = allocData(mgr, size + 1, secure, false);
    if (!d) return nullptr;
    if (size) std::memcpy(d, p, size);
    static_cast<char*>(d)[size] = 0;
    return d;
}

}  // namespace sdk

using namespace sdk;

extern "C" {

PGPError PGP_CALL PGPNewMemoryMgr(PGPFlags, PGPMemoryMgrRef* outMgr) {
    try {
        if (!outMgr) return kPGPError_BadParams;
        *outMgr = new (std::nothrow) PGPMemoryMgr;
        return *outMgr ? kPGPError_NoErr : kPGPError_OutOfMemory;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPNewMemoryMgrCustom(const PGPNewMemoryMgrStruct* custom, PGPMemoryMgrRef* outMgr) {
    try {
        if (!outMgr) return kPGPError_BadParams;
        *outMgr = nullptr;
        if (!custom || !custom->allocProc || !custom->deallocProc) return kPGPError_BadParams;
        auto* m = new (std::nothrow) PGPMemoryMgr;
        if (!m) return kPGPError_OutOfMemory;
        m->alloc = custom->allocProc;
        m->dealloc = custom->deallocProc;
        m->customValue = custom->customValue;
        *outMgr = m;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFreeMemoryMgr(PGPMemoryMgrRef mgr) {
    try {
        if (!check(mgr) || mgr == &gDefaultMgr) return kPGPError_BadParams;
        if (gCurrentDefault == mgr) gCurrentDefault = &gDefaultMgr;
        delete mgr;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetMemoryMgrCustomValue(PGPMemoryMgrRef mgr, PGPUserValue* outValue) {
    try {
        if (!check(mgr) || !outValue) return kPGPError_BadParams;
        *outValue = mgr->customValue;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSetMemoryMgrCustomValue(PGPMemoryMgrRef mgr, PGPUserValue value) {
    try {
        if (!check(mgr)) return kPGPError_BadParams;
        mgr->customValue = value;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

void* PGP_CALL PGPNewData(PGPMemoryMgrRef mgr, PGPSize size, PGPFlags flags) {
    try {
        return allocData(mgr, size, false, flags & kPGPMemoryMgrFlags_Clear);
    } ORV_EXPORT_GUARD
}

void* PGP_CALL PGPNewSecureData(PGPMemoryMgrRef mgr, PGPSize size, PGPFlags flags) {
    try {
        return allocData(mgr, size, true, true);
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPReallocData(PGPMemoryMgrRef mgr, void** block, PGPSize newSize, PGPFlags flags) {
    try {
        if (!block) return kPGPError_BadParams;
        BlockHeader* h = headerOf(*block);
        if (*block && !h) return kPGPError_BadParams;
        bool secure = h && h->secure;
        void* fresh = allocData(h ? h->mgr : mgr, newSize, secure, flags & kPGPMemoryMgrFlags_Clear);
        if (!fresh) return kPGPError_OutOfMemory;
        if (h) {
            std::memcpy(fresh, *block, h->size < newSize ? h->size : newSize);
            releaseRaw(h);
        }
        *block = fresh;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPFreeData(void* block) {
    try {
        if (!block) return kPGPError_NoErr;
        BlockHeader* h = headerOf(block);
        if (!h) return kPGPError_BadParams;
        releaseRaw(h);
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPMemoryMgrRef PGP_CALL PGPGetDefaultMemoryMgr(void) {
    try {
        return gCurrentDefault;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPSetDefaultMemoryMgr(PGPMemoryMgrRef mgr) {
    try {
        if (!check(mgr)) return kPGPError_BadParams;
        gCurrentDefault = mgr;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

PGPError PGP_CALL PGPGetMemoryMgrDataInfo(void* block, PGPMemoryMgrRef* outMgr, PGPSize* outSize,
                                          PGPBoolean* outIsSecure) {
    try {
        BlockHeader* h = headerOf(block);
        if (!h) return kPGPError_BadParams;
        if (outMgr) *outMgr = h->mgr;
        if (outSize) *outSize = h->size;
        if (outIsSecure) *outIsSecure = h->secure ? 1 : 0;
        return kPGPError_NoErr;
    } ORV_EXPORT_GUARD
}

}  // extern "C"

SDK_EXPORT(PGPNewMemoryMgr);
SDK_EXPORT(PGPNewMemoryMgrCustom);
SDK_EXPORT(PGPFreeMemoryMgr);
SDK_EXPORT(PGPGetMemoryMgrCustomValue);
SDK_EXPORT(PGPSetMemoryMgrCustomValue);
SDK_EXPORT(PGPNewData);
SDK_EXPORT(PGPNewSecureData);
SDK_EXPORT(PGPReallocData);
SDK_EXPORT(PGPFreeData);
SDK_EXPORT(PGPGetDefaultMemoryMgr);
SDK_EXPORT(PGPSetDefaultMemoryMgr);
SDK_EXPORT(PGPGetMemoryMgrDataInfo);
