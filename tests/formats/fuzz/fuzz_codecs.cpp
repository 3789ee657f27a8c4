// Decoders on arbitrary bytes; encoders must round-trip through them.
#include "formats/mcfuncs.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using orv::TMCFuncs;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);

    TMCFuncs::ConvertText(in);
    TMCFuncs::DecodeHeader(in);
    TMCFuncs::Base64DecodeBuffer(in);
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
