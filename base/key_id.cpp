#include "base/key_id.h"

namespace orv {

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

}  // namespace

bool IsKeyIDText(std::string_view text) {
    if ((text.size() != 10 && text.size() != 18) || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return false;
    for (std::size_t i = 2; i < text.size(); ++i)
        if (!IsHexDigit(text[i])) return false;
    return true;
}

std::string ShortKeyID(std::string_view keyID) {
    if (!IsKeyIDText(keyID)) return {};
    return "0x" + std::string(keyID.substr(keyID.size() - 8));
}

}  // namespace orv
