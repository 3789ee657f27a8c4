#pragma once
// The address box as the main library's exports open it (SetAddrOptions,
// AddAddrOptions, GetABKAddr, GetPGPAddr, KeySelect), and the one way every
// address and key export hands a result text to its caller's buffer.

#include <cstddef>
#include <string>

namespace orv {

// Whether a result text with its terminating zero fits the caller's room
// (interfaces/address_room.h): a list the caller sized from its own text may be
// longer than the fixed rooms of 64 KiB.
bool ResultFits(const std::string& text, std::size_t room);
// Copies the text and its zero when it fits; false otherwise, the buffer untouched.
bool CopyResult(char* buffer, std::size_t room, const std::string& text);

}  // namespace orv
