// A mail client process killed while the main library encrypts or decodes a
// message: at whatever moment the kill comes, the message file is whole
// (the original or the complete result), a decode's result file is absent
// or complete, and after the next start of the library no other file holds
// the message's plain text, also when the registry notes of the side files
// never reached the disk, and whatever process the notes name. The client
// is encryptor_job_child, killed at moments spread over the length of a
// whole run or the moment one of its side files shows.
#include "tests/formats/encryptor_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

#include "base/text.h"
#include "base/whole_file_sides.h"

namespace {

using namespace orv;
using namespace orv::test;

constexpr std::size_t npos = std::string::npos;
constexpr const char* kMarker = "the report is attached";
constexpr DWORD kRunLimitMs = 120000;

// A text part large enough that writing it takes a while, with the marker
// on every line.
std::string LargeMessage(int flags) {
    std::string body;
    body.reserve(3 << 20);
    for (int i = 0; body.size() < (3u << 20); ++i) body += "Line " + std::to_string(i) + ": " + kMarker + ".\r\n";
    return "From: Alice <alice@example.org>\r\nTo: bob@example.org\r\nSubject: Report\r\nMIME-Version: 1.0\r\n"
           "Content-type: text/plain; charset=US-ASCII\r\nContent-transfer-encoding: 7BIT\r\n"
           "X-PM-Encryptor: ORVPGP-PM32, " +
           std::to_string(flags) + "\r\n\r\n" + body;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

struct ChildRun {
    int exitCode = -1;  // -1: killed
    DWORD ms = 0;
};

// Runs the child with the arguments; killAfterMs < 0 waits for its end.
// beforeRun learns the child's process id before it runs.
ChildRun RunChild(const std::string& args, int killAfterMs, const std::function<void(DWORD)>& beforeRun = {}) {
    std::string command = Quoted(ProgramDir() + "encryptor_job_child.exe") + " " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ChildRun run;
    const DWORD start = GetTickCount();
    const DWORD flags = beforeRun ? CREATE_SUSPENDED : 0;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &pi)) return run;
    if (beforeRun) {
        beforeRun(pi.dwProcessId);
        ResumeThread(pi.hThread);
    }
    CloseHandle(pi.hThread);
    const DWORD wait = killAfterMs < 0 ? kRunLimitMs : static_cast<DWORD>(killAfterMs);
    if (WaitForSingleObject(pi.hProcess, wait) == WAIT_TIMEOUT) {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 10000);
    } else {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        run.exitCode = static_cast<int>(code);
    }
    run.ms = GetTickCount() - start;
    CloseHandle(pi.hProcess);
    return run;
}

// Runs the child and kills it as soon as seen() holds, polled while it runs;
// met tells whether the kill came that way rather than the child ending.
struct SeenRun {
    bool met = false;
    int exitCode = -1;
};
SeenRun RunChildUntil(const std::string& args, const std::function<bool()>& seen) {
    std::string command = Quoted(ProgramDir() + "encryptor_job_child.exe") + " " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    SeenRun run;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return run;
    CloseHandle(pi.hThread);
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(pi.hProcess, 1) == WAIT_TIMEOUT) {
        if (seen() || GetTickCount() - start > kRunLimitMs) {
            run.met = GetTickCount() - start <= kRunLimitMs;
            TerminateProcess(pi.hProcess, 99);
            WaitForSingleObject(pi.hProcess, 10000);
            break;
        }
    }
    if (!run.met) {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        run.exitCode = static_cast<int>(code);
    }
    CloseHandle(pi.hProcess);
    return run;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += n + " ";
    return out;
}

class KilledJob : public EncryptorTest {
protected:
    void SetUp() override {
        EncryptorTest::SetUp();
        dir_ = std::make_unique<ScratchDir>("killedjob");
    }
    std::string Args(const std::string& rest) const {
        std::string mailbox = mailbox_->Path();
        mailbox.pop_back();
        std::string engine = engine_->Dir();
        engine.pop_back();
        return Quoted(engine) + " " + Quoted(mailbox) + " " + rest;
    }
    // The next start of the library: it finds what a killed run left.
    void StartLibrary() { EXPECT_EQ(RunChild(Args("start"), -1).exitCode, 100); }
    // Names of the files that hold the marker, other than those allowed.
    std::vector<std::string> PlainTextHolders(const std::vector<std::string>& allowed) const {
        return PlainTextHolders(*dir_, allowed);
    }
    static std::vector<std::string> PlainTextHolders(const ScratchDir& dir, const std::vector<std::string>& allowed) {
        std::vector<std::string> holders;
        for (const auto& name : dir.Files()) {
            if (std::find(allowed.begin(), allowed.end(), name) != allowed.end()) continue;
            if (ReadAll(dir.Path() + name).find(kMarker) != npos) holders.push_back(name);
        }
        return holders;
    }
    std::vector<std::string> SideFiles() const { return SideFiles(*dir_); }
    static std::vector<std::string> SideFiles(const ScratchDir& dir) {
        std::vector<std::string> side;
        for (const auto& name : dir.Files())
            if (name.find(".~") != npos || name.find(".orv") != npos) side.push_back(name);
        return side;
    }
    static bool HasSideFile(const ScratchDir& dir, const char* tag) {
        for (const auto& name : SideFiles(dir))
            if (EndsWith(name, tag)) return true;
        return false;
    }
    // Kill moments spread over the second half of the job after the
    // library's start, where its replacements are (the last part of a run;
    // on a slow machine the start is most of it).
    static std::vector<int> KillMoments(DWORD startMs, DWORD wholeMs, int count = 12) {
        std::vector<int> moments;
        const int from = static_cast<int>(wholeMs > startMs ? startMs + (wholeMs - startMs) / 2 : startMs * 3 / 4);
        const int to = static_cast<int>(wholeMs);
        for (int k = 0; k < count; ++k) moments.push_back(from + (to - from) * k / (count - 1));
        return moments;
    }
    // The whole system died with the killed job: what the job noted in the
    // registry last never reached the disk.
    static void LoseTheNotes(bool foldersToo) {
        RegDeleteKeyA(HKEY_CURRENT_USER, side_files::kNotesKey);
        if (foldersToo) RegDeleteKeyA(HKEY_CURRENT_USER, side_files::kFoldersKey);
    }
    // A side file with the marker beside the target, noted as a job of the
    // process with that id would note it.
    static std::string PlantSideFile(const std::string& target, DWORD pid) {
        char middle[40];
        std::snprintf(middle, sizeof middle, ".~orv%lx_0.new", pid);
        const std::string side = target + middle;
        Write(side, LargeMessage(1));
        HKEY raw = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, side_files::kNotesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                            nullptr) == ERROR_SUCCESS) {
            UniqueRegKey key(raw);
            const std::string note = std::to_string(pid) + "\t" + target;
            RegSetValueExA(key.get(), side.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(note.c_str()),
                           static_cast<DWORD>(note.size() + 1));
        }
        return side;
    }
    // A clear-signed message: its decode writes the plain text without a
    // passphrase, so the child needs no user.
    void WriteSigned(const std::string& message) {
        Write(message, LargeMessage(4));
        ModalScript user;
        user.Expect(kEngineDialog, "", [](HWND dlg) { TypePassphrase(dlg, kAlicePass); });
        user.Start(30000);
        ASSERT_EQ(Call(signFileEx, message, "", "bob@example.org"), 1);
        EXPECT_TRUE(user.Finish(60000)) << user.Failure();
    }
    std::string EncryptArgs(const std::string& message) const {
        return Args("encrypt " + Quoted(message) + " bob@example.org");
    }
    // How long the library's start alone takes, and a whole encrypt of the
    // original.
    struct Lengths {
        DWORD startMs;
        ChildRun whole;
    };
    Lengths TimeWholeEncrypt(const std::string& message, const std::string& original) const {
        Lengths lengths{RunChild(Args("start"), -1).ms, {}};
        Write(message, original);
        lengths.whole = RunChild(EncryptArgs(message), -1);
        return lengths;
    }
    std::unique_ptr<ScratchDir> dir_;
};

TEST_F(KilledJob, AKilledEncryptLeavesTheMessageWholeAndNoPlainTextBeside) {
    const std::string message = dir_->Path() + "message.PM$";
    const std::string original = LargeMessage(1);
    const std::string encrypt = EncryptArgs(message);
    const auto [startMs, whole] = TimeWholeEncrypt(message, original);
    ASSERT_EQ(whole.exitCode, 1) << "a whole run encrypts the message";
    const std::string result = ReadAll(message);
    ASSERT_EQ(result.find(kMarker), npos);
    ASSERT_NE(result.find("-----END PGP MESSAGE-----"), npos);

    for (int moment : KillMoments(startMs, whole.ms)) {
        ASSERT_TRUE(ReplaceWholeFile(message, original))
            << GetLastError() << " attributes " << GetFileAttributesA(message.c_str()) << " " << Joined(dir_->Files());
        const ChildRun killed = RunChild(encrypt, moment);
        const std::string now = ReadAll(message);
        const bool isOriginal = now == original;
        // Random session keys make each result a few bytes longer or shorter.
        const bool isResult = now.find(kMarker) == npos && now.size() + 64 > result.size() &&
                              now.size() < result.size() + 64 && now.rfind("-----END PGP MESSAGE-----") != npos;
        EXPECT_TRUE(isOriginal || isResult) << "killed after " << moment << " ms: " << now.size() << " bytes of "
                                            << result.size() << ", marker " << (now.find(kMarker) != npos);
        std::printf("encrypt killed after %d ms: %s, %s; beside: %s\n", moment, killed.exitCode < 0 ? "killed" : "ended",
                    isOriginal ? "original" : "result", Joined(SideFiles()).c_str());
        StartLibrary();
        EXPECT_EQ(SideFiles(), std::vector<std::string>()) << "after " << moment << " ms";
        EXPECT_EQ(PlainTextHolders({"message.PM$"}), std::vector<std::string>())
            << "killed after " << moment << " ms (" << (killed.exitCode < 0 ? "killed" : "ended") << ")";
    }
}

TEST_F(KilledJob, AKilledDecodeLeavesNoPartOfThePlainText) {
    const std::string message = dir_->Path() + "signed.PM$";
    ASSERT_NO_FATAL_FAILURE(WriteSigned(message));
    const std::string signedText = ReadAll(message);
    ASSERT_NE(signedText.find("-----BEGIN PGP SIGNED MESSAGE-----"), npos) << signedText.substr(0, 600);
    const std::string output = dir_->Path() + "result.txt";
    const std::string decode = Args("decrypt " + Quoted(message) + " " + Quoted(output));
    const DWORD startMs = RunChild(Args("start"), -1).ms;
    const ChildRun whole = RunChild(decode, -1);
    ASSERT_EQ(whole.exitCode, 2);
    const std::string result = ReadAll(output);
    ASSERT_NE(result.find(kMarker), npos);
    ASSERT_EQ(result.find("-----BEGIN PGP SIGNED MESSAGE-----"), npos);

    for (int moment : KillMoments(startMs, whole.ms)) {
        DeleteFileA(output.c_str());
        const ChildRun killed = RunChild(decode, moment);
        if (GetFileAttributesA(output.c_str()) != INVALID_FILE_ATTRIBUTES) {
            EXPECT_EQ(ReadAll(output), result) << "a result file is complete (killed after " << moment << " ms)";
        }
        EXPECT_EQ(ReadAll(message), signedText);
        std::printf("decode killed after %d ms: %s; result %s; beside: %s\n", moment,
                    killed.exitCode < 0 ? "killed" : "ended",
                    GetFileAttributesA(output.c_str()) != INVALID_FILE_ATTRIBUTES ? "written" : "absent",
                    Joined(SideFiles()).c_str());
        StartLibrary();
        EXPECT_EQ(SideFiles(), std::vector<std::string>()) << "after " << moment << " ms";
        EXPECT_EQ(PlainTextHolders({"signed.PM$", "result.txt"}), std::vector<std::string>())
            << "killed after " << moment << " ms (" << (killed.exitCode < 0 ? "killed" : "ended") << ")";
    }
}

TEST_F(KilledJob, AKilledJobWhoseNotesNeverReachedTheDiskLeavesNoPlainTextAfterTheNextStart) {
    // An encrypt of a message in the mailbox directory, with no note and no
    // noted folder left, and a decode into a folder noted by an earlier run;
    // each killed the moment one of its side files shows.
    const std::string message = mailbox_->Path() + "lost.PM$";
    const std::string original = LargeMessage(1);
    const std::string encrypt = EncryptArgs(message);
    for (const char* tag : {side_files::kNewTag, side_files::kOldTag}) {
        ASSERT_TRUE(ReplaceWholeFile(message, original));
        const SeenRun killed = RunChildUntil(encrypt, [&] { return HasSideFile(*mailbox_, tag); });
        ASSERT_TRUE(killed.met) << "no " << tag << " side file showed; the job ended with " << killed.exitCode;
        LoseTheNotes(true);
        StartLibrary();
        EXPECT_EQ(SideFiles(*mailbox_), std::vector<std::string>()) << "killed at the " << tag << " side file";
        EXPECT_EQ(PlainTextHolders(*mailbox_, {"lost.PM$"}), std::vector<std::string>())
            << "killed at the " << tag << " side file";
        const std::string now = ReadAll(message);
        EXPECT_TRUE(now == original || (now.find(kMarker) == npos && now.find("-----END PGP MESSAGE-----") != npos))
            << "killed at the " << tag << " side file: " << now.size() << " bytes";
    }
    DeleteFileA(message.c_str());

    const std::string signedMessage = dir_->Path() + "signed.PM$";
    ASSERT_NO_FATAL_FAILURE(WriteSigned(signedMessage));
    const std::string output = dir_->Path() + "result.txt";
    const SeenRun killed = RunChildUntil(Args("decrypt " + Quoted(signedMessage) + " " + Quoted(output)),
                                         [&] { return HasSideFile(*dir_, side_files::kNewTag); });
    ASSERT_TRUE(killed.met) << "no side file showed; the decode ended with " << killed.exitCode;
    LoseTheNotes(false);
    StartLibrary();
    EXPECT_EQ(SideFiles(), std::vector<std::string>());
    EXPECT_EQ(PlainTextHolders({"signed.PM$", "result.txt"}), std::vector<std::string>());
}

TEST_F(KilledJob, ANoteNamingALiveProcessKeepsNoDeadJobsSideFile) {
    // Process ids are reused: a killed job's note may name a process that
    // lives now, another program or the starting one itself.
    const std::string message = dir_->Path() + "message.PM$";
    Write(message, "-----BEGIN PGP MESSAGE-----\r\n");
    const std::string another = PlantSideFile(message, GetCurrentProcessId());
    std::string itself;
    const ChildRun start = RunChild(Args("start"), -1, [&](DWORD pid) { itself = PlantSideFile(dir_->Path() + "out.txt", pid); });
    EXPECT_EQ(start.exitCode, 100);
    EXPECT_FALSE(FileExists(another)) << "noted with the id of a live other process";
    EXPECT_FALSE(FileExists(itself)) << "noted with the id of the starting process";
    EXPECT_EQ(PlainTextHolders({}), std::vector<std::string>());
}

}  // namespace
