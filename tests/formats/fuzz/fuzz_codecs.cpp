// Decoders on arbitrary bytes; encoders must round-trip through them.
#include "formats/mcfuncs.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

using orv::TMCFuncs;

namespace {

// The base64 rules one character at a time, for the fast codecs to agree with.
std::string PlainEncode(const std::string& in) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t line = 0; line < in.size(); line += 57) {
        if (line) out += "\r\n";
        const std::size_t end = std::min(in.size(), line + 57);
        for (std::size_t k = line; k < end; k += 3) {
            const std::size_t n = std::min<std::size_t>(3, end - k);
            unsigned v = 0;
            for (std::size_t i = 0; i < 3; ++i) v = v << 8 | (i < n ? static_cast<unsigned char>(in[k + i]) : 0u);
            for (std::size_t i = 0; i < 4; ++i) out += i <= n ? alphabet[(v >> (18 - 6 * i)) & 63] : '=';
        }
    }
    return out;
}

std::string PlainDecode(const std::string& text) {
    std::string out;
    unsigned quantum = 0;
    int count = 0;
    auto finish = [&] {
        if (count == 1) return false;
        if (count >= 2) out += char(quantum >> (count == 2 ? 4 : 10));
        if (count == 3) out += char(quantum >> 2);
        quantum = 0;
        count = 0;
        return true;
    };
    for (const char c : text) {
        int v = -1;
        if (c >= 'A' && c <= 'Z') v = c - 'A';
        else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
        else if (c >= '0' && c <= '9') v = c - '0' + 52;
        else if (c == '+') v = 62;
        else if (c == '/') v = 63;
        if (c == '=') {
            if (!finish()) return {};
            continue;
        }
        if (v < 0) continue;
        quantum = quantum << 6 | unsigned(v);
        if (++count == 4) {
            out += char(quantum >> 16);
            out += char(quantum >> 8);
            out += char(quantum);
            quantum = 0;
            count = 0;
        }
    }
    if (!finish()) return {};
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);

    TMCFuncs::ConvertText(in);
    TMCFuncs::DecodeHeader(in);
    const std::string plain = PlainDecode(in);
    if (TMCFuncs::Base64DecodeBuffer(in) != plain) std::abort();
    // In place: the same bytes, or -1 exactly where the copying decoder fails.
    {
        std::string copy = in;
        const std::ptrdiff_t n = TMCFuncs::Base64DecodeInPlace(copy.data(), copy.size());
        if (n > 0 && copy.compare(0, std::size_t(n), plain) != 0) std::abort();
        if (n >= 0 && std::size_t(n) != plain.size()) std::abort();
        if (n < 0 && !plain.empty()) std::abort();
    }
    if (TMCFuncs::Base64EncodeBuffer(in) != PlainEncode(in)) std::abort();
    TMCFuncs::UUDecode(in);
    TMCFuncs::Is8Bit(in);
    TMCFuncs::IsBinary(in);

    if (TMCFuncs::Base64DecodeBuffer(TMCFuncs::Base64EncodeBuffer(in)) != in) std::abort();
    if (TMCFuncs::UUDecode(TMCFuncs::UUEncode(in)) != in) std::abort();

    // A byte 0 is never decoded from "=00", and an already encoded text stays.
    const std::string word = TMCFuncs::EncodeHeader(in);
    if (in.find('\0') == std::string::npos && word != in && TMCFuncs::DecodeHeader(word) != in) std::abort();
    return 0;
}
