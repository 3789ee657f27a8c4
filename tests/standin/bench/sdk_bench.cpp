// Times the stand-in's PGPEncode (encrypt to and sign with the test user's
// RSA key; "encrypt" or "sign" alone, to tell the parts apart) or, with
// "decode", its PGPDecode of such a message (decrypt with that key, verify the
// signature), file in, file out. Not a test: bench_encode.sh runs it beside gpg.
// The core is bin\sdk7's, or the one in ORV_BENCH_CORE_DIR (relative to the
// current folder, as bin\winelib\sdk7).
// Usage: sdk_bench.exe RINGDIR INPUT OUTPUT armor(0|1) compress(0|1) runs [encode|encrypt|sign|decode]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/standin/sdk_bind.h"

namespace {

Sdk& bound() {
    static Sdk s(std::getenv("ORV_BENCH_CORE_DIR") ? std::getenv("ORV_BENCH_CORE_DIR") : "sdk7");
    return s;
}

struct Decoding {
    PGPContextRef ctx;
    PGPFileSpecRef out;
    bool verified = false;
};

PGPError OnDecodeEvent(PGPContextRef, PGPEvent* e, PGPUserValue value) {
    Sdk& s = bound();
    auto* d = static_cast<Decoding*>(value);
    switch (e->type) {
    case kPGPEvent_PassphraseEvent:
        return s.PGPAddJobOptions(e->job, s.PGPOPassphrase(d->ctx, "alice pass"), s.PGPOLastOption(d->ctx));
    case kPGPEvent_OutputEvent:
        return s.PGPAddJobOptions(e->job, s.PGPOOutputFile(d->ctx, d->out), s.PGPOLastOption(d->ctx));
    case kPGPEvent_SignatureEvent:
        d->verified = e->data.signatureData.checked && e->data.signatureData.verified;
        return 0;
    default: return 0;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 8 ? argv[7] : "encode";
    if ((argc != 7 && argc != 8) || (mode != "encode" && mode != "encrypt" && mode != "sign" && mode != "decode")) {
        std::fprintf(stderr, "usage: sdk_bench RINGDIR INPUT OUTPUT armor compress runs [encode|encrypt|sign|decode]\n");
        return 2;
    }
    const bool decode = mode == "decode";
    Sdk& s = bound();
    if (!s.module || !s.missing.empty()) {
        std::fprintf(stderr, "stand-in not loaded\n");
        return 1;
    }
    std::string rings = argv[1];
    bool armor = std::atoi(argv[4]) != 0, compress = std::atoi(argv[5]) != 0;
    int runs = std::atoi(argv[6]);
    s.PGPsdkInit(0);
    PGPContextRef ctx = nullptr;
    s.PGPNewContext(kPGPsdkAPIVersion, &ctx);
    PGPFileSpecRef pub = nullptr, sec = nullptr, in = nullptr, out = nullptr;
    s.PGPNewFileSpecFromFullPath(ctx, (rings + "\\pubring.pkr").c_str(), &pub);
    s.PGPNewFileSpecFromFullPath(ctx, (rings + "\\secring.skr").c_str(), &sec);
    s.PGPNewFileSpecFromFullPath(ctx, argv[2], &in);
    s.PGPNewFileSpecFromFullPath(ctx, argv[3], &out);
    PGPKeyDBRef db = nullptr;
    if (s.PGPOpenKeyDBFile(ctx, 0, pub, sec, &db)) return 1;
    PGPKeyID id;
    PGPKeyDBObjRef alice = nullptr;
    const char* aliceID = std::getenv("ORV_BENCH_KEYID");
    if (!aliceID || s.PGPNewKeyIDFromString(aliceID, 0, &id) || s.PGPFindKeyByKeyID(db, &id, &alice)) return 1;
    PGPKeySetRef to = nullptr;
    s.PGPNewOneKeySet(alice, &to);
    std::vector<double> times;
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    for (int i = 0; i < runs && decode; ++i) {
        Decoding d{ctx, out};
        QueryPerformanceCounter(&a);
        PGPError err = s.PGPDecode(ctx, s.PGPOInputFile(ctx, in), s.PGPOKeyDBRef(ctx, db),
                                   s.PGPOEventHandler(ctx, OnDecodeEvent, &d), s.PGPOLastOption(ctx));
        QueryPerformanceCounter(&b);
        if (err || !d.verified) {
            std::fprintf(stderr, "PGPDecode failed: %ld, signature %s\n", static_cast<long>(err),
                         d.verified ? "good" : "not verified");
            return 1;
        }
        times.push_back(double(b.QuadPart - a.QuadPart) / double(f.QuadPart));
    }
    for (int i = 0; i < runs && !decode; ++i) {
        PGPOptionListRef L = s.PGPOLastOption(ctx);
        PGPOptionListRef encrypt = mode == "sign" ? s.PGPONullOption(ctx) : s.PGPOEncryptToKeySet(ctx, to);
        PGPOptionListRef sign = mode == "encrypt" ? s.PGPONullOption(ctx)
                                                  : s.PGPOSignWithKey(ctx, alice, s.PGPOPassphrase(ctx, "alice pass"), L);
        QueryPerformanceCounter(&a);
        PGPError err = s.PGPEncode(ctx, s.PGPOInputFile(ctx, in), s.PGPOOutputFile(ctx, out), encrypt, sign,
                                   s.PGPOHashAlgorithm(ctx, 8), s.PGPOCipherAlgorithm(ctx, 9),
                                   s.PGPOArmorOutput(ctx, armor), s.PGPOCompression(ctx, compress), L);
        QueryPerformanceCounter(&b);
        if (err) {
            std::fprintf(stderr, "PGPEncode failed: %ld\n", static_cast<long>(err));
            return 1;
        }
        times.push_back(double(b.QuadPart - a.QuadPart) / double(f.QuadPart));
    }
    std::sort(times.begin(), times.end());
    std::printf("%.3f\n", times[times.size() / 2]);
    return 0;
}
