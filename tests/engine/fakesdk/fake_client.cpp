// The fake client library: __stdcall, decorated names with release 7 (the
// functions are named with a leading underscore so that the exported names
// are "_PGPcl...@n"), plain names with release 6.5 (linked with --kill-at).
// The key-server preference holds two entries whose first byte is the index.
#include <cstring>

#include "tests/engine/fakesdk/fake_log.h"

FAKE_DLLMAIN(FAKE_LIB_NAME)

namespace {
PGPPrefRef const kClientPrefs = reinterpret_cast<PGPPrefRef>(0xC1);
PGPPrefRef const kAdminPrefs = reinterpret_cast<PGPPrefRef>(0xAD);

PGPError GetData(PGPPrefRef prefs, PGPPrefIndex index, PGPSize* len, void** data) {
    fake::Log("GetPrefData", long(reinterpret_cast<intptr_t>(prefs)), index);
    const PGPSize size = 2 * kPGPPrefKeyServerEntrySize;
    auto* bytes = static_cast<PGPByte*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
    bytes[0] = 1;
    bytes[kPGPPrefKeyServerEntrySize] = 2;
    *data = bytes;
    *len = size;
    return 0;
}
PGPError SetData(PGPPrefRef prefs, PGPPrefIndex index, PGPSize len, const void*) {
    fake::Log("SetPrefData", long(reinterpret_cast<intptr_t>(prefs)), long(index) * 10000 + long(len));
    return 0;
}
}  // namespace

#if FAKE_RELEASE == 7
FAKE_EXPORT PGPError __stdcall _PGPclInitLibrary(PGPContextRef, PGPFlags flags) {
    fake::Log("PGPclInitLibrary7", long(flags));
    return 0;
}
FAKE_EXPORT PGPError __stdcall _PGPclCloseLibrary() {
    fake::Log("PGPclCloseLibrary7");
    return 0;
}
FAKE_EXPORT PGPError __stdcall _PGPclNotifyKeyringChanges(PGPFlags flags, PGPUInt32 pid) {
    fake::Log("PGPclNotifyKeyringChanges7", long(flags), long(pid));
    return 0;
}
FAKE_EXPORT PGPError __stdcall _PGPclPeekClientLibPrefRefs(PGPPrefRef* client, PGPPrefRef* admin) {
    *client = kClientPrefs;
    *admin = kAdminPrefs;
    return 0;
}
FAKE_EXPORT PGPError __stdcall _PGPclGetPrefData(PGPPrefRef p, PGPPrefIndex i, PGPSize* len, void** data) {
    return GetData(p, i, len, data);
}
FAKE_EXPORT PGPError __stdcall _PGPclSetPrefData(PGPPrefRef p, PGPPrefIndex i, PGPSize len, const void* data) {
    return SetData(p, i, len, data);
}
FAKE_EXPORT PGPError __stdcall _PGPclFlushClientLibPrefs(PGPPrefRef client, PGPPrefRef admin) {
    fake::Log("FlushClientLibPrefs", long(reinterpret_cast<intptr_t>(client)), long(reinterpret_cast<intptr_t>(admin)));
    return 0;
}
#else
FAKE_EXPORT PGPError __stdcall PGPclInitLibrary(PGPContextRef) {
    fake::Log("PGPclInitLibrary");
    return 0;
}
FAKE_EXPORT PGPError __stdcall PGPclCloseLibrary() {
    fake::Log("PGPclCloseLibrary");
    return 0;
}
FAKE_EXPORT PGPError __stdcall PGPclNotifyKeyringChanges(PGPUInt32 pid) {
    fake::Log("PGPclNotifyKeyringChanges", long(pid));
    return 0;
}
FAKE_EXPORT PGPError __stdcall PGPclOpenClientPrefs(PGPMemoryMgrRef, PGPPrefRef* out) {
    fake::Log("PGPclOpenClientPrefs");
    *out = kClientPrefs;
    return 0;
}
FAKE_EXPORT PGPError __stdcall PGPclCloseClientPrefs(PGPPrefRef, PGPBoolean save) {
    fake::Log("PGPclCloseClientPrefs", save);
    return 0;
}
FAKE_EXPORT PGPError __stdcall PGPclGetPrefData(PGPPrefRef p, PGPPrefIndex i, PGPSize* len, void** data) {
    return GetData(p, i, len, data);
}
FAKE_EXPORT PGPError __stdcall PGPclSetPrefData(PGPPrefRef p, PGPPrefIndex i, PGPSize len, const void* data) {
    return SetData(p, i, len, data);
}
#endif
