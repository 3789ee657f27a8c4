// Recognition of PGP content in arbitrary incoming texts.
#include "formats/pgp_recognition.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);

    std::size_t start = 0, end = 0;
    const int kind = orv::FindArmor(in, start, end);
    if (kind < 0 || kind > 4 || kind == 1) std::abort();
    if (kind && (start >= end || end > in.size() || in.compare(start, 15, "-----BEGIN PGP ") != 0)) std::abort();

    for (int analysis : {0, 4}) {
        const orv::TPGPSplit split = orv::SplitPGPMessage(in, [analysis](const std::string&) { return analysis; });
        if (split.Kind < 0 || split.Kind > 4) std::abort();
        if (split.Kind == 0 && !split.Block.empty()) std::abort();
        if (split.Kind >= 2 && split.Block.compare(0, 15, "-----BEGIN PGP ") != 0) std::abort();
        // Decoding may only shrink the text; the line ends may grow it at most twice.
        if (split.Head.size() + split.Block.size() + split.Trailing.size() > 2 * in.size() + 4 && split.Kind != 1)
            std::abort();
    }

    const std::string stripped = orv::StripClearSigned(in);
    if (stripped.size() > in.size()) std::abort();
    return 0;
}
