// The folder benchmark's anchor: RNP alone, in one 32-bit process, decrypting
// and verifying the OpenPGP blocks of a mail folder with the secret keys
// unlocked once. With --message, one message as a one-off job does it: the
// timed run reads the file, unlocks the key the message needs with the
// passphrase and writes the plain text to REPORT.out.
// Usage: rnp_folder PUBRING SECRING PASSPHRASE FILE REPORT [--message]
// Writes to REPORT: "messages N blocks B decrypted D good G seconds S peak P"
// (P: the process's peak private bytes in MB).
#include <windows.h>
#include <psapi.h>

#include <rnp/rnp.h>
#include <rnp/rnp_err.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/files.h"

namespace {

constexpr std::size_t kFolderHeader = 128;

bool LoadRing(rnp_ffi_t ffi, const char* path, uint32_t flags) {
    rnp_input_t input = nullptr;
    if (rnp_input_from_path(&input, path) != RNP_SUCCESS) return false;
    const bool ok = rnp_load_keys(ffi, "GPG", input, flags) == RNP_SUCCESS;
    rnp_input_destroy(input);
    return ok;
}

// Every secret key and subkey the passphrase opens stays open for the run.
int UnlockAll(rnp_ffi_t ffi, const char* passphrase) {
    rnp_identifier_iterator_t it = nullptr;
    if (rnp_identifier_iterator_create(ffi, &it, "keyid") != RNP_SUCCESS) return 0;
    int unlocked = 0;
    const char* id = nullptr;
    while (rnp_identifier_iterator_next(it, &id) == RNP_SUCCESS && id) {
        rnp_key_handle_t key = nullptr;
        if (rnp_locate_key(ffi, "keyid", id, &key) != RNP_SUCCESS || !key) continue;
        bool secret = false;
        if (rnp_key_have_secret(key, &secret) == RNP_SUCCESS && secret && rnp_key_unlock(key, passphrase) == RNP_SUCCESS)
            ++unlocked;
        rnp_key_handle_destroy(key);
    }
    rnp_identifier_iterator_destroy(it);
    return unlocked;
}

// The armoured blocks of one message, from "-----BEGIN PGP" to the end of
// its "-----END PGP" line.
std::vector<std::string_view> Blocks(std::string_view message) {
    std::vector<std::string_view> blocks;
    std::size_t at = 0;
    while ((at = message.find("-----BEGIN PGP ", at)) != std::string_view::npos) {
        std::size_t end = message.find("-----END PGP ", at);
        if (end == std::string_view::npos) break;
        end = message.find('\n', end);
        end = end == std::string_view::npos ? message.size() : end + 1;
        blocks.push_back(message.substr(at, end - at));
        at = end;
    }
    return blocks;
}

struct Outcome {
    bool decrypted = false;
    int goodSignatures = 0;
};

// The plain text goes to the file named, or nowhere.
Outcome DecryptAndVerify(rnp_ffi_t ffi, std::string_view block, const char* plainFile = nullptr) {
    Outcome outcome;
    rnp_input_t input = nullptr;
    rnp_output_t output = nullptr;
    rnp_op_verify_t op = nullptr;
    const rnp_result_t opened = plainFile ? rnp_output_to_path(&output, plainFile) : rnp_output_to_null(&output);
    if (rnp_input_from_memory(&input, reinterpret_cast<const uint8_t*>(block.data()), block.size(), false) ==
            RNP_SUCCESS &&
        opened == RNP_SUCCESS && rnp_op_verify_create(&op, ffi, input, output) == RNP_SUCCESS) {
        const rnp_result_t result = rnp_op_verify_execute(op);
        outcome.decrypted = result == RNP_SUCCESS || result == RNP_ERROR_SIGNATURE_INVALID;
        size_t count = 0;
        rnp_op_verify_get_signature_count(op, &count);
        for (size_t i = 0; i < count; ++i) {
            rnp_op_verify_signature_t signature = nullptr;
            if (rnp_op_verify_get_signature_at(op, i, &signature) == RNP_SUCCESS &&
                rnp_op_verify_signature_get_status(signature) == RNP_SUCCESS)
                ++outcome.goodSignatures;
        }
    }
    rnp_op_verify_destroy(op);
    rnp_output_destroy(output);
    rnp_input_destroy(input);
    return outcome;
}

bool GivePassphrase(rnp_ffi_t, void* passphrase, rnp_key_handle_t, const char*, char buf[], size_t room) {
    const std::string_view given(static_cast<const char*>(passphrase));
    if (given.size() >= room) return false;
    std::memcpy(buf, given.data(), given.size());
    buf[given.size()] = '\0';
    return true;
}

// One message as a one-off job, timed from reading its file to the plain
// text written.
int OneMessage(rnp_ffi_t ffi, char** argv) {
    const std::string plainFile = std::string(argv[5]) + ".out";
    rnp_ffi_set_pass_provider(ffi, GivePassphrase, argv[3]);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const std::string message = orv::test::ReadAll(argv[4]);
    const std::vector<std::string_view> blocks = Blocks(message);
    Outcome outcome;
    if (blocks.size() == 1) outcome = DecryptAndVerify(ffi, blocks[0], plainFile.c_str());
    QueryPerformanceCounter(&end);
    const long long plainBytes = orv::test::ReadAll(plainFile).size();
    DeleteFileA(plainFile.c_str());
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    if (FILE* report = std::fopen(argv[5], "w")) {
        std::fprintf(report, "messages 1 blocks %zu decrypted %d good %d seconds %.3f peak %.1f plain %lld\n",
                     blocks.size(), outcome.decrypted ? 1 : 0, outcome.goodSignatures,
                     double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart),
                     memory.PeakPagefileUsage / 1048576.0, plainBytes);
        std::fclose(report);
    }
    rnp_ffi_destroy(ffi);
    return outcome.decrypted && plainBytes > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 && !(argc == 7 && std::string_view(argv[6]) == "--message")) {
        std::fprintf(stderr, "usage: rnp_folder PUBRING SECRING PASSPHRASE FILE REPORT [--message]\n");
        return 2;
    }
    rnp_ffi_t ffi = nullptr;
    if (rnp_ffi_create(&ffi, "GPG", "GPG") != RNP_SUCCESS) return 1;
    if (!LoadRing(ffi, argv[1], RNP_LOAD_SAVE_PUBLIC_KEYS) || !LoadRing(ffi, argv[2], RNP_LOAD_SAVE_SECRET_KEYS)) {
        std::fprintf(stderr, "the key rings could not be read\n");
        rnp_ffi_destroy(ffi);
        return 1;
    }
    if (argc == 7) return OneMessage(ffi, argv);
    if (UnlockAll(ffi, argv[3]) == 0) {
        std::fprintf(stderr, "the passphrase opens no secret key\n");
        rnp_ffi_destroy(ffi);
        return 1;
    }
    const std::string folder = orv::test::ReadAll(argv[4]);
    if (folder.size() <= kFolderHeader) {
        std::fprintf(stderr, "no messages in %s\n", argv[4]);
        rnp_ffi_destroy(ffi);
        return 1;
    }

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    int messages = 0, blocks = 0, decrypted = 0, good = 0;
    std::string_view rest = std::string_view(folder).substr(kFolderHeader);
    for (;;) {
        const std::size_t cut = rest.find('\x1A');
        ++messages;
        for (std::string_view block : Blocks(rest.substr(0, cut))) {
            ++blocks;
            const Outcome outcome = DecryptAndVerify(ffi, block);
            decrypted += outcome.decrypted;
            good += outcome.goodSignatures;
        }
        if (cut == std::string_view::npos) break;
        rest.remove_prefix(cut + 1);
    }
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    if (FILE* report = std::fopen(argv[5], "w")) {
        std::fprintf(report, "messages %d blocks %d decrypted %d good %d seconds %.3f peak %.1f\n", messages, blocks,
                     decrypted, good, double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart),
                     memory.PeakPagefileUsage / 1048576.0);
        std::fclose(report);
    }
    rnp_ffi_destroy(ffi);
    return blocks == decrypted ? 0 : 1;
}
