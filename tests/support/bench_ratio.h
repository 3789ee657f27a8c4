#pragma once
// The benchmarks' figures against their anchors: minimum and median of a few
// runs, and the ratio of each on a line of its own.
#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace orv::test {

inline constexpr int kBenchRounds = 3;

inline std::pair<double, double> MinMedian(std::vector<double> v) {
    if (v.empty()) return {0, 0};
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2]};
}

// Seconds of the product and of the anchor, one per round.
inline void PrintRatio(const char* figure, const char* anchorName, const std::vector<double>& product,
                       const std::vector<double>& anchor) {
    const auto [pMin, pMedian] = MinMedian(product);
    const auto [aMin, aMedian] = MinMedian(anchor);
    std::printf("[bench] %s: product %.2f %.2f s, %s %.2f %.2f s (minimum, median)\n", figure, pMin, pMedian,
                anchorName, aMin, aMedian);
    if (aMin > 0 && aMedian > 0)
        std::printf("[bench] ratio %s / %s: %.2f %.2f\n", figure, anchorName, pMin / aMin, pMedian / aMedian);
    std::fflush(stdout);
}

}  // namespace orv::test
