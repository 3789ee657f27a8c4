// Time and peak memory of inline and PGP/MIME assembly of a message with a
// 20 MB attachment, against the engine's own encryption of the same bytes.
// Each figure comes from a process of its own, so that peaks do not mix:
// without arguments the program writes the input files and runs itself once
// per mode; each run reads its input before the peak is taken.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <cstdio>
#include <random>
#include <string>

#include "engine/encode_job.h"
#include "engine/key_rings.h"
#include "engine/secure_cache.h"
#include "formats/encode_order.h"
#include "formats/mcfuncs.h"
#include "formats/message_file.h"
#include "formats/pm_funcs.h"
#include "tests/support/stand_in_engine.h"

namespace {

using namespace orv;

constexpr std::size_t kAttachmentSize = 20u << 20;

// The program's own heap: every operator new counted, so that the peak of
// one assembly can be told from the input read before it. The engine's
// allocations live in the engine's own heap and are not counted.
std::atomic<std::size_t> gLive{0}, gPeak{0};

void Count(std::size_t n) {
    const std::size_t now = gLive += n;
    std::size_t peak = gPeak;
    while (now > peak && !gPeak.compare_exchange_weak(peak, now)) {
    }
}

std::string Attachment() {
    std::mt19937 rng(11);
    std::string s(kAttachmentSize, '\0');
    for (std::size_t i = 0; i < s.size(); i += 4) {
        const std::uint32_t v = rng();
        for (std::size_t k = 0; k < 4 && i + k < s.size(); ++k) s[i + k] = char(v >> (8 * k));
    }
    return s;
}

std::string Message(const std::string& bytes) {
    return "From: alice@example.org\r\nTo: bob@example.org\r\nSubject: big\r\nMIME-Version: 1.0\r\n"
           "Content-type: Multipart/Mixed; boundary=Message-Boundary-1\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\n\r\n"
           "--Message-Boundary-1\r\nContent-type: text/plain; charset=US-ASCII\r\nContent-transfer-encoding: 7BIT\r\n"
           "Content-description: Mail message body\r\n\r\nThe file is attached.\r\n\r\n"
           "--Message-Boundary-1\r\nContent-type: Application/Octet-stream; name=\"big.bin\"\r\n"
           "Content-disposition: attachment; filename=\"big.bin\"\r\nContent-transfer-encoding: BASE64\r\n\r\n" +
           TMCFuncs::Base64EncodeBuffer(bytes) + "\r\n\r\n--Message-Boundary-1--\r\n";
}

std::string InputPath(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name;
}

bool WriteInput(const std::string& path, const std::string& bytes) {
    return ReplaceMessageFile(path, bytes, [](const std::string& old) { DeleteFileA(old.c_str()); });
}

int RunMode(const std::string& mode) {
    test::StandInEngine engine(test::SourcePath(ORV_KEY_DATA));
    loader::EngineObjectHooks hooks;
    hooks.createKeyRings = CreateKeyRings;
    hooks.freeKeyRings = FreeKeyRings;
    if (!engine.Load(hooks) || !KeyRings()) {
        std::printf("%-10s engine did not load\n", mode.c_str());
        return 1;
    }
    KeyRings()->SetRingFiles(engine.PublicRing(), engine.SecretRing());
    TSecure secure;
    TPGPEncode job;
    job.Secure = &secure;
    job.OmitMIMEVersion = true;

    std::string bytes, message;
    if (!ReadWholeFile(InputPath(mode == "engine" ? "orv_bench_attachment.bin" : "orv_bench_message.eml"),
                       mode == "engine" ? bytes : message)) {
        std::printf("%-10s no input file\n", mode.c_str());
        return 1;
    }
    TAssemblyServices s;
    s.Encode = [&job](const TEncodeOrder& order, std::string& recipients, std::string& signer) {
        return RunEncodeOrder(job, order, recipients, signer);
    };
    s.Random32 = [] { return 0x01020304u; };
    s.PGPMimeLoaded = [&mode] { return mode == "pgpmime"; };
    s.PGPExt = [] { return true; };
    TPMFuncs pm(std::move(s));
    pm.RecipientSpec = "0xD91F7A27B2A16278";
    pm.SignKeyID = "0xE8750B357ACE6A48";
    pm.AttachMode = 1;

    const std::size_t before = gLive;
    gPeak = before;
    const auto start = std::chrono::steady_clock::now();
    int result = 0;
    std::size_t size = 0;
    if (mode == "engine") {
        job.Recipients = pm.RecipientSpec;
        job.SignerKeyID = pm.SignKeyID;
        job.Armor = true;
        result = job.EncryptBuffer(bytes, false) == 0 ? 1 : -1;
        size = job.OutputText.size();
    } else {
        std::string header, body, mixed, alt, out;
        pm.GetMainHeader(message, header, body, mixed, alt);
        result = mode == "pgpmime" ? pm.PGPMimeEncoded(header, body, mixed, alt, out)
                                   : pm.PGPEncoded(header, body, mixed, alt, out);
        size = out.size();
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const std::size_t peak = gPeak;
    std::printf("%-10s result %2d  input %10zu bytes  output %10zu bytes  %8.0f ms  heap peak +%6.1f MB over the input\n",
                mode.c_str(), result, mode == "engine" ? bytes.size() : message.size(), size, ms,
                double(peak > before ? peak - before : 0) / (1 << 20));
    return result == 1 ? 0 : 1;
}

}  // namespace

void* operator new(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    Count(_msize(p));
    return p;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    gLive -= _msize(p);
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

int main(int argc, char** argv) {
    if (argc > 1) return RunMode(argv[1]);
    std::printf("assembly of a message with a %zu MB attachment (encrypting to one key)\n", kAttachmentSize >> 20);
    {
        const std::string bytes = Attachment();
        if (!WriteInput(InputPath("orv_bench_attachment.bin"), bytes) ||
            !WriteInput(InputPath("orv_bench_message.eml"), Message(bytes)))
            return 1;
    }
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    int status = 0;
    for (const char* mode : {"engine", "inline", "pgpmime"}) {
        std::string cmd = std::string("\"") + exe + "\" " + mode;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 1;
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        status |= int(code);
    }
    DeleteFileA(InputPath("orv_bench_attachment.bin").c_str());
    DeleteFileA(InputPath("orv_bench_message.eml").c_str());
    return status;
}
