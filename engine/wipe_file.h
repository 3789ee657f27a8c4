#pragma once
// The file wiper behind the system's file-destruction operation: the file's
// bytes are overwritten with random rows of a fixed pattern table before the
// file is deleted.

#include <array>
#include <cstddef>
#include <cstdint>

namespace orv {

class TIsaac;

using WipePattern = std::array<std::uint16_t, 3>;
extern const std::array<WipePattern, 22> kWipePatterns;

// The fill block never exceeds this many bytes.
constexpr std::size_t kWipeMaxBlock = 3072;

// Fills a block with 6-byte units, each a random row of kWipePatterns as
// three little-endian words; a last partial unit is cut.
void FillWipeBlock(unsigned char* block, std::size_t size, TIsaac& random);

// Overwrites the file `passes` times and deletes it. A missing file is left
// alone; every fault is swallowed and the deletion by name runs in any case.
void WipeFile(const char* path, int passes, TIsaac& random) noexcept;

}  // namespace orv
