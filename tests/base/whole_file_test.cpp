// The one file-replacement routine of every deliverable: the new content
// in place or the file unchanged, nothing left beside it, the old content
// wiped (seen through a second name of the old file), files another program
// protects left alone, and what a killed process left found and wiped at
// the next start. The killed process is this program run again as a child
// that replaces a file over and over until it is killed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "base/whole_file.h"

namespace {

using namespace orv;

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
    return names;
}

void Empty(const std::string& dir) {
    for (const auto& f : FilesIn(dir)) {
        SetFileAttributesA((dir + f).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((dir + f).c_str());
    }
}

std::string Read(const std::string& path) {
    std::string bytes;
    ReadWholeFile(path, bytes);
    return bytes;
}

bool AllZero(const std::string& bytes) { return bytes.find_first_not_of('\0') == std::string::npos; }

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
    EXPECT_EQ(Read(path), "first");
    ASSERT_TRUE(ReplaceWholeFile(path, "second, longer"));
    EXPECT_EQ(Read(path), "second, longer");
    ASSERT_TRUE(ReplaceWholeFile(path, ""));
    EXPECT_EQ(Read(path), "");
    EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"message.PM$"});
    EXPECT_TRUE(FileExists(path));
    EXPECT_FALSE(FileExists(dir_)) << "a folder is no file";
    EXPECT_FALSE(FileExists(dir_ + "nothing"));
}

TEST_F(WholeFile, TheOldContentIsWipedNotOnlyUnlinked) {
    const std::string path = dir_ + "message.PM$";
    const std::string witness = dir_ + "second name";
    ASSERT_TRUE(ReplaceWholeFile(path, "secret plain text of the old message"));
    // A second name of the old file shows what became of its bytes.
    ASSERT_TRUE(CreateHardLinkA(witness.c_str(), path.c_str(), nullptr)) << GetLastError();
    ASSERT_TRUE(ReplaceWholeFile(path, "-----BEGIN PGP MESSAGE-----"));
    EXPECT_EQ(Read(path), "-----BEGIN PGP MESSAGE-----");
    const std::string old = Read(witness);
    EXPECT_EQ(old.size(), 36u);
    EXPECT_TRUE(AllZero(old)) << old;
}

TEST_F(WholeFile, FilesAnotherOwnerProtectsAreLeftAsTheyWere) {
    const std::string path = dir_ + "message.PM$";
    ASSERT_TRUE(ReplaceWholeFile(path, "as it was"));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(ReplaceWholeFile(path, "new"));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Read(path), "as it was");
    {
        UniqueHandle reader(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(reader);
        EXPECT_FALSE(ReplaceWholeFile(path, "new")) << "held open against writers";
    }
    EXPECT_EQ(Read(path), "as it was");
    EXPECT_FALSE(ReplaceWholeFile(dir_, "new")) << "a folder";
    EXPECT_FALSE(ReplaceWholeFile(dir_ + "no such folder\\file.txt", "new"));
    EXPECT_FALSE(ReplaceWholeFile("", "new"));
    EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"message.PM$"});
}

TEST_F(WholeFile, WhatAKilledProcessLeftIsWipedAtTheNextStart) {
    const std::string path = dir_ + "message.PM$";
    ASSERT_TRUE(ReplaceWholeFile(path, Filled('A', kLarge)));
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
        ASSERT_TRUE(started) << GetLastError();
        Sleep(1500 + 137 * round);
        TerminateProcess(pi.hProcess, 9);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hThread);

        // The file is whole at any moment.
        const std::string now = Read(path);
        EXPECT_TRUE(now == Filled('A', kLarge) || now == Filled('B', kLarge)) << "round " << round;
        // A second name for each side file shows whether it is wiped.
        std::vector<std::string> witnesses;
        for (const auto& name : FilesIn(dir_)) {
            if (name == "message.PM$") continue;
            ++leftovers;
            const std::string witness = dir_ + "witness" + std::to_string(witnesses.size());
            ASSERT_TRUE(CreateHardLinkA(witness.c_str(), (dir_ + name).c_str(), nullptr));
            witnesses.push_back(witness);
        }
        WipeStaleSideFiles();
        CloseHandle(pi.hProcess);
        EXPECT_EQ(Read(path), now) << "the file stays as the kill left it";
        for (const auto& witness : witnesses) {
            const std::string bytes = Read(witness);
            // A side file that was only a second name of the file itself is
            // removed, not wiped; every other is overwritten.
            EXPECT_TRUE(AllZero(bytes) || bytes == now) << "round " << round << ": " << bytes.substr(0, 8);
            DeleteFileA(witness.c_str());
        }
        EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"message.PM$"}) << "round " << round;
        EXPECT_EQ(WipeStaleSideFiles(), 0) << "nothing is noted twice";
    }
    // Not every kill falls inside a replacement, but most do: the rounds
    // must have met side files at all.
    EXPECT_GT(leftovers, 0);
}

}  // namespace
