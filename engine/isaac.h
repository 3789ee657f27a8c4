#pragma once
// ISAAC, Bob Jenkins' published cryptographic random generator (256-word
// state), with the seeding and drawing the passphrase cache and the file
// wiper rely on.

#include <array>
#include <cstdint>

namespace orv {

class TIsaac {
public:
    static constexpr int kSize = 256;

    TIsaac() = default;
    ~TIsaac();
    TIsaac(const TIsaac&) = delete;
    TIsaac& operator=(const TIsaac&) = delete;

    // Words 0-7 of Results take the seed, the rest are zeroed; the generator
    // is initialised from Results and one batch is generated.
    void Seed(const std::array<std::uint32_t, 8>& seed);

    // The next word of the current batch; a fresh batch follows word 255.
    std::int32_t Next();

    // The published initialisation from Results (four scrambling passes,
    // two passes over the seed) followed by its first batch.
    void Init();
    // One batch of 256 results.
    void Generate();

    int Index = 0;
    std::array<std::uint32_t, kSize> Results{};
    std::array<std::uint32_t, kSize> Memory{};
    std::uint32_t A = 0;
    std::uint32_t B = 0;
    std::uint32_t C = 0;
};

}  // namespace orv
