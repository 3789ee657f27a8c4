// The fake networking, user-interface and support libraries (FAKE_KIND
// 1, 2, 3) of either release: their start and clean-up, and a name or two of
// each family.
#include <cstring>

#include "tests/engine/fakesdk/fake_log.h"

FAKE_DLLMAIN(FAKE_LIB_NAME)

#if FAKE_KIND == 1
FAKE_EXPORT PGPError PGPsdkNetworkLibInit(PGPFlags f) {
    fake::Log("PGPsdkNetworkLibInit", long(f));
    return 0;
}
FAKE_EXPORT PGPError PGPsdkNetworkLibCleanup() {
    fake::Log("PGPsdkNetworkLibCleanup");
    return 0;
}
FAKE_EXPORT PGPError PGPNewTLSContext(PGPContextRef, PGPtlsContextRef* out) {
    *out = reinterpret_cast<PGPtlsContextRef>(0x715);
    return 0;
}
FAKE_EXPORT PGPOptionListRef PGPONetURL(PGPContextRef, const char*) { return nullptr; }
#elif FAKE_KIND == 2
FAKE_EXPORT PGPError PGPsdkUILibInit(PGPFlags f) {
    fake::Log("PGPsdkUILibInit", long(f));
    return 0;
}
FAKE_EXPORT PGPError PGPsdkUILibCleanup() {
    fake::Log("PGPsdkUILibCleanup");
    return 0;
}
FAKE_EXPORT PGPOptionListRef PGPOUIWindowTitle(PGPContextRef, const char*) { return nullptr; }
#elif FAKE_KIND == 3
static PGPError LogMessage(PGPWindowRef, const char* text) {
    fake::Log(std::string("log:") + text);
    return 0;
}
#if FAKE_RELEASE == 7
FAKE_EXPORT PGPError PGPscSendPGPlogMsg(PGPWindowRef w, const char* text) { return LogMessage(w, text); }
FAKE_EXPORT PGPError PGPscPGPpath(char* buffer, PGPSize size) {
    std::strncpy(buffer, "C:\\PGP7\\", size);
    return 0;
}
#else
FAKE_EXPORT PGPError SendPGPlogMsg(PGPWindowRef w, const char* text) { return LogMessage(w, text); }
FAKE_EXPORT PGPError PGPpath(char* buffer, PGPSize size) {
    std::strncpy(buffer, "C:\\PGP65\\", size);
    return 0;
}
#endif
#endif
