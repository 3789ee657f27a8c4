#pragma once
// Resource numbers of the main library beside those the windows use
// (cursor, glyphs and picture: ui/look.h).

namespace orv {
constexpr int kIconResource = 101;
}  // namespace orv
