// Readable text of arbitrary messages, with a decoding job stand-in that
// answers with part of its input so that the decrypting paths run too.
#include "formats/mcfuncs.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

using orv::TMCFuncs;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);

    TMCFuncs mc;
    mc.ViewDecrypt = size > 0 && (data[0] & 1);
    mc.Services.ViewDecode = [](const std::string& block) {
        const std::size_t lf = block.find('\n');
        return lf == std::string::npos ? block : "PGP-Info: \tx\r\n___________\r\n\r\n" + block.substr(lf + 1);
    };
    const std::string text = mc.ExtractBody(in);
    if (text.find(orv::kMailEndLine) == std::string::npos) std::abort();

    const std::size_t lf = in.find('\n');
    const std::string boundary = in.substr(0, lf == std::string::npos ? 0 : std::min<std::size_t>(lf, 70));
    TMCFuncs::StripHtml(boundary, in);
    TMCFuncs::ExtractMime(boundary, in);
    TMCFuncs::ConvertDecQPCodes(in);
    std::string body = in;
    const std::string header = TMCFuncs::GetHeader(body);
    TMCFuncs::ConvertEncQPCodes(header, body);
    return 0;
}
