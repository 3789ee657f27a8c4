#include "base/wipe_text.h"

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

}  // namespace orv
