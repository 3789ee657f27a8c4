// Input and output of jobs, and armour headers.
#include <cstring>

#include "standin/sdk/job.h"
#include "standin/sdk/packets.h"

namespace sdk {

PGPError startJob(JobState& job, PGPOptionListRef first, va_list ap) {
    PGPError err = gatherOptions(first, ap, job.options);
    if (!check(job.context)) return kPGPError_BadParams;
    if (err) return err;
    if (const Option* h = findOption(job.options, Opt::EventHandler)) {
        job.handler = reinterpret_cast<PGPEventHandlerProcPtr>(h->ptr);
        job.userValue = h->ptr2;
    }
    return kPGPError_NoErr;
}

PGPError readInput(const std::vector<Option>& opts, std::string& out, std::string* fileName) {
    out.clear();
    const Option* buf = findOption(opts, Opt::InputBuffer);
    const Option* file = findOption(opts, Opt::InputFile);
    if (buf && file) return kPGPError_BadParams;
    if (buf) {
        if (buf->num < 0) return kPGPError_BadParams;
        if (buf->num) out.assign(static_cast<const char*>(buf->ptr), static_cast<size_t>(buf->num));
        return kPGPError_NoErr;
    }
    if (file) {
        if (!fileExists(file->text)) return kPGPError_FileNotFound;
        if (!readFile(file->text, out)) return kPGPError_ReadFailed;
        if (fileName) {
            size_t s = file->text.find_last_of("\\/:");
            *fileName = s == std::string::npos ? file->text : file->text.substr(s + 1);
        }
        return kPGPError_NoErr;
    }
    return kPGPError_BadParams;
}

PGPError readInputView(const std::vector<Option>& opts, std::string& stored, std::string_view& view,
                       std::string* fileName) {
    view = std::string_view();
    const Option* buf = findOption(opts, Opt::InputBuffer);
    if (buf && !findOption(opts, Opt::InputFile)) {
        if (buf->num < 0) return kPGPError_BadParams;
        if (buf->num) view = std::string_view(static_cast<const char*>(buf->ptr), static_cast<size_t>(buf->num));
        return kPGPError_NoErr;
    }
    const PGPError err = readInput(opts, stored, fileName);
    view = stored;
    return err;
}

PGPError handOverOutput(const Option& out, void*& block, size_t length) {
    if (out.type != Opt::AllocatedOutputBuffer) return kPGPError_BadParams;
    auto** dest = static_cast<void**>(out.ptr);
    auto* len = static_cast<PGPSize*>(out.ptr2);
    const uint32_t limit = static_cast<uint32_t>(out.num);
    if (limit && length > limit) return kErrBufferTooSmall;
    if (*dest) PGPFreeData(*dest);  // an earlier part of this job's output
    *dest = block;
    block = nullptr;
    if (len) *len = static_cast<PGPSize>(length);
    return kPGPError_NoErr;
}

const Option* outputOption(const std::vector<Option>& opts) {
    const Option* found = nullptr;
    for (const auto& o : opts)
        if (o.type == Opt::AllocatedOutputBuffer || o.type == Opt::OutputBuffer || o.type == Opt::OutputFile ||
            (o.type == Opt::DiscardOutput && o.num))
            found = &o;
    return found;
}

PGPError writeOutput(PGPContextRef context, const Option& out, std::string_view data) {
    switch (out.type) {
    case Opt::DiscardOutput: return kPGPError_NoErr;
    case Opt::AllocatedOutputBuffer: {
        auto** dest = static_cast<void**>(out.ptr);
        auto* len = static_cast<PGPSize*>(out.ptr2);
        uint32_t limit = static_cast<uint32_t>(out.num);
        if (limit && data.size() > limit) return kErrBufferTooSmall;
        void* p = allocCopy(contextMgr(context), data.data(), data.size(), false);
        if (!p) return kPGPError_OutOfMemory;
        if (*dest) PGPFreeData(*dest);  // an earlier part of this job's output
        *dest = p;
        if (len) *len = static_cast<PGPSize>(data.size());
        return kPGPError_NoErr;
    }
    case Opt::OutputBuffer: {
        auto* len = static_cast<PGPSize*>(out.ptr2);
        size_t room = static_cast<uint32_t>(out.num);
        size_t n = data.size() < room ? data.size() : room;
        if (n) std::memcpy(out.ptr, data.data(), n);
        if (len) *len = static_cast<PGPSize>(n);
        return data.size() <= room ? kPGPError_NoErr : kErrBufferTooSmall;
    }
    case Opt::OutputFile:
        return writeFile(out.text, data.data(), data.size()) ? kPGPError_NoErr : kPGPError_CantOpenFile;
    default: return kPGPError_BadParams;
    }
}

std::string addArmorHeaders(std::string_view armored, const std::string& version, const std::string& comment) {
    if (version.empty() && comment.empty()) return std::string(armored);
    auto clean = [](std::string s) {
        for (auto& c : s)
            if (c == '\r' || c == '\n') c = ' ';
        return s;
    };
    std::string headers;
    if (!version.empty()) headers += "Version: " + clean(version) + "\r\n";
    if (!comment.empty()) headers += "Comment: " + clean(comment) + "\r\n";
    std::string out;
    out.reserve(armored.size() + headers.size() * 2);
    // Armour headers follow each BEGIN line (RNP writes none of its own); the
    // armour between them is copied whole.
    constexpr std::string_view kBegin = "-----BEGIN PGP ";
    size_t done = 0;
    for (size_t at = findText(armored, kBegin); at != std::string_view::npos; at = findText(armored, kBegin, at + 1)) {
        if ((at > 0 && armored[at - 1] != '\n') || armored.substr(at, 34) == "-----BEGIN PGP SIGNED MESSAGE-----")
            continue;
        size_t end = findByte(armored, '\n', at);
        end = end == std::string_view::npos ? armored.size() : end + 1;
        out += armored.substr(done, end - done);
        out += headers;
        done = end;
    }
    out += armored.substr(done);
    return out;
}

SecureBytes passphraseOf(const std::vector<Option>& opts) {
    const Option* p = findOption(opts, Opt::Passphrase);
    if (!p) p = findOption(opts, Opt::Passkey);
    return p ? p->secret : SecureBytes();
}

SecureBytes messagePassword(const SecureBytes& pass) {
    if (std::memchr(pass.data(), 0, pass.size()) == nullptr) return pass;
    static const char* d = "0123456789abcdef";
    std::vector<char> hex(pass.size() * 2);
    for (size_t i = 0; i < pass.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(pass.data()[i]);
        hex[i * 2] = d[c >> 4];
        hex[i * 2 + 1] = d[c & 15];
    }
    SecureBytes out(hex.data(), hex.size());
    wipe(hex.data(), hex.size());
    return out;
}

bool hasPassphrase(const std::vector<Option>& opts) {
    return findOption(opts, Opt::Passphrase) || findOption(opts, Opt::Passkey);
}

}  // namespace sdk
