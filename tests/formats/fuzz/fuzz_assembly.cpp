// Splitting arbitrary outgoing messages: main header, every part, attachment
// names, base64 attachments and the removal of the crypt headers.
#include "formats/pm_funcs.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using orv::TMailPart;
using orv::TPMFuncs;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the switches; the rest is the message.
    const bool pgpMime = data[0] & 1;
    const std::string in(reinterpret_cast<const char*>(data + 1), size - 1);

    orv::TAssemblyServices s;
    s.Text = [](int) { return std::string("BASE64 error"); };
    s.PGPMimeLoaded = [pgpMime] { return pgpMime; };
    TPMFuncs pm(std::move(s));

    std::string header, body, mixed, alt;
    pm.GetMainHeader(in, header, body, mixed, alt);
    // Lone LFs come back as CR LF; nothing else grows.
    if (header.size() > 2 * in.size()) std::abort();
    if (!mixed.empty() && !mixed.starts_with("--")) std::abort();

    std::string_view rest = body;
    const std::string boundary = mixed.empty() ? alt : mixed;
    while (!rest.empty()) {
        const std::size_t before = rest.size();
        TMailPart part = TPMFuncs::PartExtract(rest, boundary, alt);
        if (!rest.empty() && rest.size() >= before) std::abort();  // every part consumes
        if (part.Header.size() + part.Body.size() > before) std::abort();
        std::string h = part.Header;
        TPMFuncs::GetAttachmentName(h, data[0] & 2 ? 0 : 1);
        if (part.IsAlternative) {
            std::string_view inner = part.Body;
            while (!inner.empty()) TPMFuncs::PartExtract(inner, alt, alt);
        }
        if (part.Body.size() < 4096) TPMFuncs::EncodeAttachment(part.Header, part.Body, 0);
        pm.SetBodyHeader(part.Body, part.Header);
    }

    const std::string out = pm.RemoveCryptHeaders(in, "");
    if (out.find(orv::kEncryptionParameter) != std::string::npos &&
        in.find(orv::kEncryptionParameter) == std::string::npos)
        std::abort();  // nothing is made up
    if (!mixed.empty()) pm.RemoveCryptHeaders(body, mixed);
    return 0;
}
