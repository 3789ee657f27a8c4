// Times the stand-in's PGPEncode: encrypt to and sign with the test user's
// RSA key, file in, file out. Not a test: bench_encode.sh runs it beside gpg.
// Usage: sdk_bench.exe RINGDIR INPUT OUTPUT armor(0|1) compress(0|1) runs
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/standin/sdk_bind.h"

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: sdk_bench RINGDIR INPUT OUTPUT armor compress runs\n");
        return 2;
    }
    Sdk& s = sdk();
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
    for (int i = 0; i < runs; ++i) {
        PGPOptionListRef L = s.PGPOLastOption(ctx);
        QueryPerformanceCounter(&a);
        PGPError err = s.PGPEncode(ctx, s.PGPOInputFile(ctx, in), s.PGPOOutputFile(ctx, out),
                                   s.PGPOEncryptToKeySet(ctx, to),
                                   s.PGPOSignWithKey(ctx, alice, s.PGPOPassphrase(ctx, "alice pass"), L),
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
