// Time and peak memory of inline and PGP/MIME assembly of a message with a
// large attachment (20 MB unless other sizes in MB are given), against the
// engine's own encryption of the same bytes; then the same figures for a
// tenth of the size, to show whether the cost grows linearly. Three rounds;
// each ratio is printed as its minimum and median.
// Each figure comes from a process of its own, so that peaks do not mix:
// without arguments the program writes the input files and runs itself once
// per mode; each run reads its input before the peak is taken and, as the
// encryptor does, lets go of the message once its body is split off.
// "engine-mime" is the engine alone on the text that PGP/MIME hands it (the
// whole base64 body, in PGP/MIME mode): the part of the PGP/MIME time that
// the engine itself takes.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "base/whole_file.h"
#include "engine/encode_job.h"
#include "engine/key_rings.h"
#include "engine/secure_cache.h"
#include "formats/encode_order.h"
#include "formats/mcfuncs.h"
#include "formats/pm_funcs.h"
#include "tests/support/bench_ratio.h"
#include "tests/support/stand_in_engine.h"

namespace {

using namespace orv;

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

std::string Attachment(std::size_t size) {
    std::mt19937 rng(11);
    std::string s(size, '\0');
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

std::string TempPath(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name;
}

std::string InputName(const std::string& mode) {
    return mode == "engine" ? "orv_bench_attachment.bin" : "orv_bench_message.eml";
}

bool WriteInput(const std::string& path, const std::string& bytes) {
    return ReplaceWholeFile(path, bytes);
}

constexpr DWORD kRunTimeoutMs = 600000;

struct Figures {
    double ms = 0;
    double peakMB = 0;
    bool ok = false;
};

int RunMode(const std::string& mode) {
    test::StandInEngine engine(test::SourcePath(ORV_KEY_DATA));
    loader::EngineObjectHooks hooks;
    hooks.createKeyRings = CreateKeyRings;
    hooks.freeKeyRings = FreeKeyRings;
    if (!engine.Load(hooks) || !KeyRings()) {
        std::printf("%-11s engine did not load\n", mode.c_str());
        return 1;
    }
    KeyRings()->SetRingFiles(engine.PublicRing(), engine.SecretRing());
    TSecure secure;
    TPGPEncode job;
    job.Secure = &secure;
    job.OmitMIMEVersion = true;

    std::string input;
    if (!ReadWholeFile(TempPath(InputName(mode)), input)) {
        std::printf("%-11s no input file\n", mode.c_str());
        return 1;
    }
    TAssemblyServices s;
    // Time inside the encoding job, so that the MIME work can be told apart.
    double jobMs = 0;
    s.Encode = [&job, &jobMs](const TEncodeOrder& order, std::string& recipients, std::string& signer) {
        const auto t0 = std::chrono::steady_clock::now();
        TEncodeOutcome outcome = RunEncodeOrder(job, order, recipients, signer);
        jobMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        return outcome;
    };
    s.Random32 = [] { return 0x01020304u; };
    s.PGPMimeLoaded = [&mode] { return mode == "pgpmime" || mode == "engine-mime"; };
    s.PGPExt = [] { return true; };
    TPMFuncs pm(std::move(s));
    pm.RecipientSpec = "0xD91F7A27B2A16278";
    pm.SignKeyID = "0xE8750B357ACE6A48";
    pm.AttachMode = 1;

    // The engine on the PGP/MIME text: the body is split off before the clock starts.
    std::string header, body, mixed, alt;
    const std::size_t inputSize = input.size();
    if (mode == "engine-mime") {
        pm.TakeMainHeader(input, header, body, mixed, alt);
        WipeText(input);
        input = std::move(body);
        body.clear();
    }

    const std::size_t before = gLive;
    gPeak = before;
    const auto start = std::chrono::steady_clock::now();
    int result = 0;
    std::size_t size = 0;
    if (mode == "engine" || mode == "engine-mime") {
        job.Recipients = pm.RecipientSpec;
        job.SignerKeyID = pm.SignKeyID;
        job.Armor = true;
        job.PGPMIME = mode == "engine-mime";
        job.TextMode = mode == "engine-mime";
        result = job.EncryptBuffer(input, false) == 0 ? 1 : -1;
        size = job.OutputText.size();
    } else {
        std::string out;
        pm.TakeMainHeader(input, header, body, mixed, alt);
        WipeText(input);
        result = mode == "pgpmime" ? pm.PGPMimeEncoded(header, body, mixed, alt, out)
                                   : pm.PGPEncoded(header, body, mixed, alt, out);
        size = out.size();
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const std::size_t peak = gPeak;
    const double peakMB = double(peak > before ? peak - before : 0) / (1 << 20);
    if (mode == "engine" || mode == "engine-mime") jobMs = ms;
    std::printf("%-11s result %2d  input %10zu bytes  output %10zu bytes  %8.0f ms (job %6.0f ms)  "
                "heap peak +%6.1f MB over the input\n",
                mode.c_str(), result, inputSize, size, ms, jobMs, peakMB);
    std::fflush(stdout);
    if (FILE* f = std::fopen(TempPath("orv_bench_" + mode + ".txt").c_str(), "w")) {
        std::fprintf(f, "%f %f\n", ms, peakMB);
        std::fclose(f);
    }
    return result == 1 ? 0 : 1;
}

Figures RunChild(const char* mode) {
    Figures f;
    const std::string result = TempPath(std::string("orv_bench_") + mode + ".txt");
    DeleteFileA(result.c_str());
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string cmd = std::string("\"") + exe + "\" " + mode;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return f;
    // A run that crashed into a debugger or waits on a dialog must not hold
    // the whole benchmark.
    if (WaitForSingleObject(pi.hProcess, kRunTimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        std::printf("%-11s did not finish within %u s\n", mode, unsigned(kRunTimeoutMs / 1000));
        std::fflush(stdout);
    }
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (FILE* in = std::fopen(result.c_str(), "r")) {
        f.ok = std::fscanf(in, "%lf %lf", &f.ms, &f.peakMB) == 2 && code == 0;
        std::fclose(in);
    }
    DeleteFileA(result.c_str());
    return f;
}

// One size's runs, a figure per round and mode.
struct Row {
    std::size_t mb = 0;
    std::vector<Figures> engine, engineMime, inl, mime;
};

std::vector<double> Seconds(const std::vector<Figures>& runs) {
    std::vector<double> s;
    for (const Figures& f : runs)
        if (f.ok) s.push_back(f.ms / 1000);
    return s;
}

double MedianSeconds(const std::vector<Figures>& runs) { return orv::test::MinMedian(Seconds(runs)).second; }

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
    std::vector<std::size_t> sizes;
    if (argc > 1) {
        const std::string first = argv[1];
        if (first == "engine" || first == "engine-mime" || first == "inline" || first == "pgpmime") {
            // A crash ends the run instead of opening a crash dialog.
            SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
            return RunMode(first);
        }
        for (int i = 1; i < argc; ++i)
            if (const long mb = std::strtol(argv[i], nullptr, 10); mb > 0) sizes.push_back(std::size_t(mb));
    }
    if (sizes.empty()) sizes = {20, 2};

    int status = 0;
    std::vector<Row> rows;
    for (const std::size_t mb : sizes) {
        std::printf("assembly of a message with a %zu MB attachment (encrypting to one key)\n", mb);
        std::fflush(stdout);
        {
            const std::string bytes = Attachment(mb << 20);
            if (!WriteInput(TempPath(InputName("engine")), bytes) || !WriteInput(TempPath(InputName("inline")), Message(bytes)))
                return 1;
        }
        Row row;
        row.mb = mb;
        for (int round = 0; round < orv::test::kBenchRounds; ++round) {
            row.engine.push_back(RunChild("engine"));
            row.engineMime.push_back(RunChild("engine-mime"));
            row.inl.push_back(RunChild("inline"));
            row.mime.push_back(RunChild("pgpmime"));
            for (const auto* runs : {&row.engine, &row.engineMime, &row.inl, &row.mime})
                status |= runs->back().ok ? 0 : 1;
        }
        const std::string size = " of " + std::to_string(mb) + " MB";
        using orv::test::PrintRatio;
        PrintRatio(("inline assembly" + size).c_str(), "engine alone", Seconds(row.inl), Seconds(row.engine));
        PrintRatio(("PGP/MIME assembly" + size).c_str(), "engine alone", Seconds(row.mime), Seconds(row.engine));
        PrintRatio(("PGP/MIME assembly" + size).c_str(), "engine on the PGP/MIME text", Seconds(row.mime),
                   Seconds(row.engineMime));
        rows.push_back(row);
    }
    DeleteFileA(TempPath(InputName("engine")).c_str());
    DeleteFileA(TempPath(InputName("inline")).c_str());

    // Linearity: each size against the first one, by the medians.
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const Row& a = rows[i];
        const Row& b = rows[0];
        auto ratio = [](const std::vector<Figures>& big, const std::vector<Figures>& small) {
            const double s = MedianSeconds(small);
            return s > 0 ? MedianSeconds(big) / s : 0.0;
        };
        std::printf("[bench] linearity %zu MB -> %zu MB (size x%.1f): time engine x%.1f, inline x%.1f, PGP/MIME x%.1f\n",
                    a.mb, b.mb, double(b.mb) / double(a.mb), ratio(b.engine, a.engine), ratio(b.inl, a.inl),
                    ratio(b.mime, a.mime));
    }
    return status;
}
