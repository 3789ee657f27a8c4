// The one file-replacement routine of every deliverable: the new content
// in place or the file unchanged, nothing left beside it, the old content
// wiped (seen through a handle held open on the old file), a second name of
// the target left with its file, files another program protects left alone,
// and what a killed process left found and wiped at the next start, with or
// without its registry note. The killed process is this program run again
// as a child that replaces a file over and over until it is killed.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "base/whole_file.h"
#include "base/whole_file_sides.h"
#include "tests/support/files.h"

namespace {

using namespace orv;
using orv::test::ReadAll;

constexpr std::size_t kLarge = 4u << 20;

std::string TempDir(const char* name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string dir = std::string(temp) + name + "_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

void Empty(const std::string& dir) {
    for (const auto& f : FilesIn(dir)) {
        SetFileAttributesA((dir + f).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((dir + f).c_str());
    }
}

bool AllZero(const std::string& bytes) { return bytes.find_first_not_of('\0') == std::string::npos; }

// A handle held open on a file shows what becomes of its bytes without
// giving the file another name.
class Witness {
public:
    explicit Witness(const std::string& path)
        : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr)) {}
    bool ok() const { return bool(file_); }
    std::string Bytes() const {
        std::string bytes;
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file_.get(), &size) || SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN)) return bytes;
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        if (!bytes.empty() && !ReadFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
            got = 0;
        bytes.resize(got);
        return bytes;
    }

private:
    UniqueHandle file_;
};

void DropSideFileNotes() {
    RegDeleteKeyA(HKEY_CURRENT_USER, side_files::kNotesKey);
}

std::string Filled(char c, std::size_t size) { return std::string(size, c); }

// The child: replaces the file named by ORV_REPLACE_CHILD with 'A's and
// 'B's in turn until it is killed.
[[maybe_unused]] const bool g_child = [] {
    char target[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("ORV_REPLACE_CHILD", target, sizeof target)) return false;
    const std::string a = Filled('A', kLarge), b = Filled('B', kLarge);
    for (unsigned i = 0;; ++i) ReplaceWholeFile(target, i % 2 ? b : a);
}();

class WholeFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = TempDir("orv_wholefile");
        Empty(dir_);
    }
    void TearDown() override {
        Empty(dir_);
        RemoveDirectoryA(dir_.c_str());
    }
    std::string dir_;
};

TEST_F(WholeFile, TheNewContentTakesThePlaceAndNothingIsLeftBeside) {
    const std::string path = dir_ + "message.PM$";
    ASSERT_TRUE(ReplaceWholeFile(path, "first"));
    EXPECT_EQ(ReadAll(path), "first");
    ASSERT_TRUE(ReplaceWholeFile(path, "second, longer"));
    EXPECT_EQ(ReadAll(path), "second, longer");
    ASSERT_TRUE(ReplaceWholeFile(path, ""));
    EXPECT_EQ(ReadAll(path), "");
    // Content given in pieces lands whole, in their order.
    ASSERT_TRUE(ReplaceWholeFile(path, {"header\r\n", "", "\r\nbody", "\r\ntrailer"}));
    EXPECT_EQ(ReadAll(path), "header\r\n\r\nbody\r\ntrailer");
    EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"message.PM$"});
    EXPECT_TRUE(FileExists(path));
    // Read in blocks: each at least the block size and cut after a separator,
    // a record longer than a block kept whole, the file's bytes all there.
    std::string records;
    for (int i = 0; i < 600; ++i) records += "record " + std::to_string(i) + std::string(i % 7 * 50, 'x') + '\x1A';
    records += std::string(150000, 'L') + '\x1A' + "tail without separator";
    ASSERT_TRUE(ReplaceWholeFile(path, records));
    std::deque<std::string> blocks;
    ASSERT_TRUE(ReadWholeFile(path, '\x1A', 4096, blocks));
    ASSERT_GT(blocks.size(), 10u);
    std::string joined;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        joined += blocks[i];
        if (i + 1 == blocks.size()) break;
        EXPECT_GE(blocks[i].size(), 4096u);
        EXPECT_EQ(blocks[i].back(), '\x1A');
        EXPECT_EQ(blocks[i].find('\x1A', 4095), blocks[i].size() - 1) << "cut at the first separator from the block size on";
    }
    EXPECT_EQ(joined, records);
    EXPECT_EQ(blocks.back(), "tail without separator");
    ASSERT_TRUE(ReadWholeFile(path, '\x1A', 1u << 20, blocks));
    EXPECT_EQ(blocks, std::deque<std::string>{records});
    ASSERT_TRUE(ReplaceWholeFile(path, ""));
    ASSERT_TRUE(ReadWholeFile(path, '\x1A', 4096, blocks));
    EXPECT_EQ(blocks, std::deque<std::string>{""});
    EXPECT_FALSE(ReadWholeFile(dir_ + "nothing", '\x1A', 4096, blocks));
    EXPECT_TRUE(blocks.empty());
    EXPECT_FALSE(FileExists(dir_)) << "a folder is no file";
    EXPECT_FALSE(FileExists(dir_ + "nothing"));
}

TEST_F(WholeFile, TheOldContentIsWipedNotOnlyUnlinked) {
    const std::string path = dir_ + "message.PM$";
    ASSERT_TRUE(ReplaceWholeFile(path, "secret plain text of the old message"));
    // A file open elsewhere cannot be replaced, so the old bytes are
    // watched from the wiper, which the engine would otherwise be.
    std::string before, after;
    SetFileWiper([&](const std::string& old) {
        const Witness witness(old);
        before = witness.Bytes();
        OverwriteAndDelete(old);
        after = witness.Bytes();
    });
    const bool replaced = ReplaceWholeFile(path, "-----BEGIN PGP MESSAGE-----");
    SetFileWiper({});
    ASSERT_TRUE(replaced);
    EXPECT_EQ(ReadAll(path), "-----BEGIN PGP MESSAGE-----");
    EXPECT_EQ(before, "secret plain text of the old message");
    EXPECT_EQ(after.size(), 36u);
    EXPECT_TRUE(AllZero(after)) << after;
    EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"message.PM$"});
}

TEST_F(WholeFile, ASecondNameOfTheTargetKeepsItsFileAndIsNeverWiped) {
    const std::string path = dir_ + "result.txt";
    const std::string other = dir_ + "someone else's file.txt";
    ASSERT_TRUE(ReplaceWholeFile(other, "the other name's own text"));
    ASSERT_TRUE(CreateHardLinkA(path.c_str(), other.c_str(), nullptr)) << GetLastError();
    ASSERT_TRUE(ReplaceWholeFile(path, "decoded text"));
    EXPECT_EQ(ReadAll(path), "decoded text");
    EXPECT_EQ(ReadAll(other), "the other name's own text");
    EXPECT_EQ(FilesIn(dir_), (std::vector<std::string>{"result.txt", "someone else's file.txt"}));
}

TEST_F(WholeFile, FilesAnotherOwnerProtectsAreLeftAsTheyWere) {
    const std::string path = dir_ + "message.PM$";
    ASSERT_TRUE(ReplaceWholeFile(path, "as it was"));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(ReplaceWholeFile(path, "new"));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadAll(path), "as it was");
    {
        UniqueHandle reader(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(reader);
        EXPECT_FALSE(ReplaceWholeFile(path, "new")) << "held open against writers";
    }
    EXPECT_EQ(ReadAll(path), "as it was");
    EXPECT_FALSE(ReplaceWholeFile(dir_, "new")) << "a folder";
    EXPECT_FALSE(ReplaceWholeFile(dir_ + "no such folder\\file.txt", "new"));
    EXPECT_FALSE(ReplaceWholeFile("", "new"));
    EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"message.PM$"});
}

// Kills the replacing child at moments spread over six rounds; each round
// the next start must find what it left. Without its notes (they never
// reached the disk) the side files are found by name. Returns how many side
// files the rounds met.
int KillRounds(const std::string& dir, bool withoutNotes) {
    const std::string path = dir + "message.PM$";
    EXPECT_TRUE(ReplaceWholeFile(path, Filled('A', kLarge)));
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    int leftovers = 0;
    for (int round = 0; round < 6; ++round) {
        SetEnvironmentVariableA("ORV_REPLACE_CHILD", path.c_str());
        std::string command = std::string("\"") + self + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        const BOOL started =
            CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        SetEnvironmentVariableA("ORV_REPLACE_CHILD", nullptr);
        if (!started) {
            ADD_FAILURE() << GetLastError();
            return leftovers;
        }
        UniqueHandle child(pi.hProcess), thread(pi.hThread);
        Sleep(1500 + 137 * round);
        // A start meanwhile leaves the live job's side files alone, held
        // still where they are.
        SuspendThread(thread.get());
        // Asking for its registers waits until the thread has really stopped.
        CONTEXT registers{};
        registers.ContextFlags = CONTEXT_CONTROL;
        GetThreadContext(thread.get(), &registers);
        const std::vector<std::string> live = FilesIn(dir);
        WipeStaleSideFiles({dir});
        EXPECT_EQ(FilesIn(dir), live) << "round " << round << ": a live job's side file was taken";
        ResumeThread(thread.get());
        TerminateProcess(child.get(), 9);
        WaitForSingleObject(child.get(), 10000);

        // The file is whole at any moment.
        const std::string now = ReadAll(path);
        EXPECT_TRUE(now == Filled('A', kLarge) || now == Filled('B', kLarge)) << "round " << round;
        std::vector<std::unique_ptr<Witness>> witnesses;
        for (const auto& name : FilesIn(dir)) {
            if (name == "message.PM$") continue;
            ++leftovers;
            witnesses.push_back(std::make_unique<Witness>(dir + name));
            EXPECT_TRUE(witnesses.back()->ok()) << name;
        }
        if (withoutNotes) DropSideFileNotes();
        WipeStaleSideFiles();
        EXPECT_EQ(ReadAll(path), now) << "the file stays as the kill left it";
        for (const auto& witness : witnesses) {
            const std::string bytes = witness->Bytes();
            // A side file that was only a second name of the file itself is
            // removed, not wiped; every other is overwritten.
            EXPECT_TRUE(AllZero(bytes) || bytes == now) << "round " << round << ": " << bytes.substr(0, 8);
        }
        witnesses.clear();
        EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"message.PM$"}) << "round " << round;
        EXPECT_EQ(WipeStaleSideFiles(), 0) << "nothing is noted twice";
    }
    return leftovers;
}

TEST_F(WholeFile, WhatAKilledProcessLeftIsWipedAtTheNextStart) {
    // Not every kill falls inside a replacement, but most do: the rounds
    // must have met side files at all.
    EXPECT_GT(KillRounds(dir_, false), 0);
}

TEST_F(WholeFile, WhatAKilledProcessLeftIsFoundByNameWhenItsNoteNeverReachedTheDisk) {
    EXPECT_GT(KillRounds(dir_, true), 0);
}

TEST_F(WholeFile, ANoteNamingAnotherLiveProcessDoesNotKeepADeadJobsSideFile) {
    // Process ids are reused: the note of a killed job may name a process
    // that lives now, this one included.
    const std::string path = dir_ + "message.PM$";
    ASSERT_TRUE(ReplaceWholeFile(path, "-----BEGIN PGP MESSAGE-----"));
    const std::string side = side_files::SideName(path, 0, side_files::kOldTag);
    std::string plain = "plain text of the killed job";
    ASSERT_TRUE(ReplaceWholeFile(side, plain));
    auto witness = std::make_unique<Witness>(side);
    ASSERT_TRUE(witness->ok());
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, side_files::kNotesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                              nullptr),
              ERROR_SUCCESS);
    {
        UniqueRegKey key(raw);
        const std::string note = std::to_string(GetCurrentProcessId()) + "\t" + path;
        RegSetValueExA(key.get(), side.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(note.c_str()),
                       static_cast<DWORD>(note.size() + 1));
    }
    EXPECT_GE(WipeStaleSideFiles(), 1);
    const std::string bytes = witness->Bytes();
    EXPECT_EQ(bytes.size(), plain.size());
    EXPECT_TRUE(AllZero(bytes)) << bytes;
    // A deleted file's name stays while any handle to it is open.
    witness.reset();
    EXPECT_FALSE(FileExists(side));
    EXPECT_EQ(ReadAll(path), "-----BEGIN PGP MESSAGE-----");
    EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"message.PM$"});
}

}  // namespace
