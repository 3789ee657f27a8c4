#include "base/wipe_text.h"

#include <algorithm>

namespace orv {

void WipeText(std::string& text) noexcept {
    // Growing to the capacity cannot allocate, and fills the spare room
    // with zeros; the bytes in use are then zeroed where the compiler
    // cannot leave the stores out.
    const std::size_t used = text.size();
    text.resize(text.capacity());
    volatile char* p = text.data();
    for (std::size_t i = 0; i < used; ++i) p[i] = 0;
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
