#pragma once
// The room that callers of the main library's address and key exports give
// for a result, in bytes with the terminating zero. The output buffers carry
// no length, so this is the one statement both sides keep to: the callers
// size their buffers at least this large, and the exports never write more.
// A result that does not fit is a failure the caller sees, never an empty
// success. Each rule is what the callers of the recipient list have always
// given (their texts' lengths, a few characters per line, or 64 KiB).

#include <cstddef>
#include <string_view>

namespace orv::addrroom {

// The 64 KiB of the lists built from the key ring and of several addresses.
constexpr std::size_t kListRoom = 65536;
// A new entry's key field ("5x" and a 16-digit key ID) and its backslash.
constexpr std::size_t kEntryTail = 19;
// A key ID that grows from 8 to 16 digits.
constexpr std::size_t kKeyIDGrowth = 8;

inline std::size_t Lines(std::string_view text) {
    std::size_t lines = 1;
    for (char c : text) lines += c == '\n';
    return lines;
}

// The list text itself (a changed option never makes an entry longer).
inline std::size_t SetAddrOptions(std::string_view text) { return text.size() + 1; }

// One address: the address and a new entry's key field; several: 64 KiB.
inline std::size_t AddAddrOptions(std::string_view text) {
    return Lines(text) == 1 ? text.size() + kEntryTail + 1 : kListRoom;
}

// One address-book line gives an entry for each of its address's keys, and
// only the ring knows how many there are: 64 KiB, as for the key ring's list.
inline std::size_t GetABKAddr() { return kListRoom; }

inline std::size_t GetPGPAddr() { return kListRoom; }

// The list and room for every line's key ID to grow from 8 to 16 digits: the
// upgrade after an installation and the update of the list both give it.
inline std::size_t FindKeys(std::string_view text) { return text.size() + kKeyIDGrowth * Lines(text) + 1; }

// The deleted keys' IDs: 64 KiB. The ring may change while the user chooses,
// so no count taken before or after the call is the caller's room.
inline std::size_t KeyDelete() { return kListRoom; }

}  // namespace orv::addrroom
