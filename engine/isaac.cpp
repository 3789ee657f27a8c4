#include "engine/isaac.h"

#include <windows.h>

#include "base/wipe_text.h"

namespace orv {

namespace {

constexpr std::uint32_t kGoldenRatio = 0x9e3779b9u;

struct Mixer {
    std::uint32_t a, b, c, d, e, f, g, h;

    void Mix() {
        a ^= b << 11; d += a; b += c;
        b ^= c >> 2;  e += b; c += d;
        c ^= d << 8;  f += c; d += e;
        d ^= e >> 16; g += d; e += f;
        e ^= f << 10; h += e; f += g;
        f ^= g >> 4;  a += f; g += h;
        g ^= h << 8;  b += g; h += a;
        h ^= a >> 9;  c += h; a += b;
    }
    void Add(const std::uint32_t* w) {
        a += w[0]; b += w[1]; c += w[2]; d += w[3];
        e += w[4]; f += w[5]; g += w[6]; h += w[7];
    }
    void Store(std::uint32_t* w) const {
        w[0] = a; w[1] = b; w[2] = c; w[3] = d;
        w[4] = e; w[5] = f; w[6] = g; w[7] = h;
    }
};

}  // namespace

TIsaac::~TIsaac() {
    // The state predicts every key the cache derives from it.
    WipeBytes(Results.data(), sizeof(Results));
    WipeBytes(Memory.data(), sizeof(Memory));
    A = B = C = 0;
}

void TIsaac::Generate() {
    std::uint32_t a = A;
    std::uint32_t b = B + (++C);
    for (int i = 0; i < kSize; ++i) {
        const std::uint32_t x = Memory[i];
        switch (i & 3) {
            case 0: a ^= a << 13; break;
            case 1: a ^= a >> 6; break;
            case 2: a ^= a << 2; break;
            default: a ^= a >> 16; break;
        }
        a += Memory[(i + kSize / 2) & (kSize - 1)];
        const std::uint32_t y = Memory[(x >> 2) & (kSize - 1)] + a + b;
        Memory[i] = y;
        b = Memory[(y >> 10) & (kSize - 1)] + x;
        Results[i] = b;
    }
    A = a;
    B = b;
}

void TIsaac::Init() {
    A = B = C = 0;
    Mixer m{kGoldenRatio, kGoldenRatio, kGoldenRatio, kGoldenRatio,
            kGoldenRatio, kGoldenRatio, kGoldenRatio, kGoldenRatio};
    for (int i = 0; i < 4; ++i) m.Mix();
    for (int i = 0; i < kSize; i += 8) {
        m.Add(&Results[i]);
        m.Mix();
        m.Store(&Memory[i]);
    }
    // The second pass lets every seed word affect every state word.
    for (int i = 0; i < kSize; i += 8) {
        m.Add(&Memory[i]);
        m.Mix();
        m.Store(&Memory[i]);
    }
    Generate();
    Index = 0;
}

void TIsaac::Seed(const std::array<std::uint32_t, 8>& seed) {
    Results.fill(0);
    for (int i = 0; i < 8; ++i) Results[i] = seed[i];
    Init();
    Generate();
    Index = 0;
}

std::int32_t TIsaac::Next() {
    const std::uint32_t value = Results[Index];
    if (++Index >= kSize) {
        Generate();
        Index = 0;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace orv
