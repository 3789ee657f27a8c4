#pragma once
// Resource numbers of the main library.

namespace orv {
constexpr int kIconResource = 101;
constexpr int kHandCursorResource = 102;
// Button glyphs OK, Help, Cancel, Picture, Key, Find: 103-108 in this order.
constexpr int kFirstGlyphResource = 103;
}  // namespace orv
