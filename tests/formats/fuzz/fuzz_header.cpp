// Header reading on arbitrary bytes.
#include "formats/mcfuncs.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using orv::TMCFuncs;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);

    std::string_view rest(in);
    while (!rest.empty()) {
        const std::size_t before = rest.size();
        TMCFuncs::GetHeaderLine(rest);
        if (rest.size() >= before) std::abort();  // every call consumes
    }

    std::string text = in;
    const std::string header = TMCFuncs::GetHeader(text);
    if (header + text != in) std::abort();

    std::string copy = in;
    TMCFuncs::GetHeaderLine(copy);
    if (copy.size() > in.size() || in.compare(in.size() - copy.size(), copy.size(), copy) != 0) std::abort();

    TMCFuncs::GetBounds(in);
    std::string qp = in;
    if (TMCFuncs::IsQP(qp) ? qp.size() >= in.size() : qp != in) std::abort();

    std::string display = in, boundary;
    const int kind = TMCFuncs::CompressHeader(display, boundary);
    if (kind < 0 || kind > 5) std::abort();
    return 0;
}
