// Splitting arbitrary outgoing messages: main header, every part, attachment
// names, base64 attachments and the removal of the crypt headers; then inline
// and PGP/MIME assembly over a job that reads every byte lent to it.
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

    // Assembly: the job touches every byte it is lent, so that a view past
    // the message shows under the sanitizer.
    orv::TAssemblyServices a;
    a.Text = [](int) { return std::string("text"); };
    a.PGPMimeLoaded = [pgpMime] { return pgpMime; };
    a.PGPExt = [flags = data[0]] { return (flags & 4) != 0; };
    // The user tries again at most twice, as a person would not forever.
    a.Cancel = [flags = data[0], retries = 2](const std::string&) mutable { return (flags & 8) != 0 && retries-- > 0; };
    a.Random32 = [] { return 0x0BADF00Du; };
    a.Encode = [flags = data[0]](const orv::TEncodeOrder& order, std::string&, std::string&) {
        const std::string_view lent = order.DataView.data() ? order.DataView : std::string_view(order.Data);
        unsigned sum = 0;
        for (const char c : lent) sum += static_cast<unsigned char>(c);
        orv::TEncodeOutcome o;
        o.Error = (flags & 16) && (sum & 1) ? -11987 : 0;
        if (order.PGPMIME) {
            o.MIMESeparator = flags & 32 ? "=s" : "=separator-longer-than-the-boundary-it-becomes";
            const std::string& m = o.MIMESeparator;
            o.Output = "boundary=\"" + m + "\"\r\n\r\n--" + m + "\r\nA\r\n--" + m + "\r\nB\r\n--" + m + "--\r\n";
        } else {
            o.Output = "-----BEGIN PGP MESSAGE-----\r\n\r\n" + std::to_string(sum) + "\r\n-----END PGP MESSAGE-----\r\n";
        }
        if (order.AppendTo && o.Error == 0) {
            *order.AppendTo += o.Output;
            o.Output.clear();
        }
        return o;
    };
    TPMFuncs assembly(std::move(a));
    assembly.DoEncrypt = (data[0] & 64) == 0;
    assembly.DoSign = !assembly.DoEncrypt || (data[0] & 128);
    assembly.AttachMode = data[0] & 2 ? -1 : 1;
    std::string assembled, used = body;
    const int r = assembly.PGPEncoded(header, used, mixed, alt, assembled);
    if (r != 1 && r != -1 && r != -2) std::abort();
    used = body;
    assembly.AttachMode = 1;
    if (const int m = assembly.PGPMimeEncoded(header, used, mixed, alt, assembled); m != 1 && m != -1 && m != -2)
        std::abort();
    return 0;
}
