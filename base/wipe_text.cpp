#include "base/wipe_text.h"

#include <algorithm>
#include <cstring>

namespace orv {

void WipeBytes(void* bytes, std::size_t n) noexcept {
    if (!bytes || !n) return;
    std::memset(bytes, 0, n);
    // The memory counts as read afterwards, so the stores stay.
    __asm__ __volatile__("" : : "r"(bytes) : "memory");
}

void WipeText(std::string& text) noexcept {
    // Growing to the capacity cannot allocate, and fills the spare room
    // with zeros; the bytes in use are then wiped.
    const std::size_t used = text.size();
    text.resize(text.capacity());
    WipeBytes(text.data(), used);
    std::string().swap(text);
}

void AppendWiped(std::string& text, std::string_view more) {
    const std::size_t needed = text.size() + more.size();
    if (needed > text.capacity()) {
        std::string larger;
        larger.reserve(std::max(needed, text.capacity() * 2));
        larger.append(text);
        WipeText(text);
        text.swap(larger);
    }
    text.append(more);
}

}  // namespace orv
