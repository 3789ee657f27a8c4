#include "engine/wipe_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/isaac.h"

namespace {

using orv::TIsaac;

// The table as the destruction operation defines it, row by row.
const std::uint16_t kExpectedRows[22][3] = {
    {0x0055, 0x0055, 0x0055}, {0x00aa, 0x00aa, 0x00aa}, {0x0092, 0x0049, 0x0024},
    {0x0049, 0x0024, 0x0092}, {0x0024, 0x0092, 0x0049}, {0x0000, 0x0000, 0x0000},
    {0x00ff, 0x00ff, 0x00ff}, {0x0011, 0x0011, 0x0011}, {0x0022, 0x0022, 0x0022},
    {0x0033, 0x0033, 0x0033}, {0x0044, 0x0044, 0x0044}, {0x0066, 0x0066, 0x0066},
    {0x0077, 0x0077, 0x0077}, {0x0088, 0x0088, 0x0088}, {0x0099, 0x0099, 0x0099},
    {0x00bb, 0x00bb, 0x00bb}, {0x00cc, 0x00cc, 0x00cc}, {0x00dd, 0x00dd, 0x00dd},
    {0x00ee, 0x00ee, 0x00ee}, {0x006d, 0x00b6, 0x00db}, {0x00b6, 0x00db, 0x006d},
    {0x00db, 0x006d, 0x00b6},
};

int RowOfUnit(const unsigned char* unit) {
    for (int r = 0; r < 22; ++r) {
        bool same = true;
        for (int w = 0; w < 3; ++w) {
            const std::uint16_t v = static_cast<std::uint16_t>(unit[2 * w] | (unit[2 * w + 1] << 8));
            if (v != kExpectedRows[r][w]) same = false;
        }
        if (same) return r;
    }
    return -1;
}

TEST(WipePatternTable, RowsAreTheDefinedOnes) {
    ASSERT_EQ(orv::kWipePatterns.size(), 22u);
    for (int r = 0; r < 22; ++r)
        for (int w = 0; w < 3; ++w)
            EXPECT_EQ(orv::kWipePatterns[r][w], kExpectedRows[r][w]) << "row " << r << " word " << w;
}

TEST(WipeFillBlock, EachUnitIsTheRowChosenByTheNextDraw) {
    TIsaac fill, mirror;
    fill.Seed({5, 4, 3, 2, 1, 0, 0, 0});
    mirror.Seed({5, 4, 3, 2, 1, 0, 0, 0});
    std::vector<unsigned char> block(512, 0xee);
    orv::FillWipeBlock(block.data(), block.size(), fill);

    bool sawNegativeDraw = false;
    const std::size_t units = (block.size() + 5) / 6;  // the last one is cut to 2 bytes
    for (std::size_t u = 0; u < units; ++u) {
        const std::int32_t r = mirror.Next();
        sawNegativeDraw |= r < 0;
        const int row = r % 22 < 0 ? -(r % 22) : r % 22;
        const std::size_t bytes = std::min<std::size_t>(6, block.size() - 6 * u);
        unsigned char expected[6];
        for (int w = 0; w < 3; ++w) {
            expected[2 * w] = static_cast<unsigned char>(kExpectedRows[row][w] & 0xff);
            expected[2 * w + 1] = static_cast<unsigned char>(kExpectedRows[row][w] >> 8);
        }
        ASSERT_EQ(0, memcmp(&block[6 * u], expected, bytes)) << "unit " << u;
    }
    EXPECT_TRUE(sawNegativeDraw) << "the sample should cover draws with the sign bit set";
    // Nothing beyond the draws the block needs was taken.
    EXPECT_EQ(fill.Next(), mirror.Next());
}

class WipeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, tmp), 0u);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::string(tmp) + "orv_wipe_" + info->name() + "_" +
               std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
        path_ = dir_ + "\\victim.txt";
        link_ = dir_ + "\\witness.txt";
        rng_.Seed({1, 1, 2, 3, 5, 8, 13, 21});
    }
    void TearDown() override {
        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path_.c_str());
        DeleteFileA(link_.c_str());
        RemoveDirectoryA(dir_.c_str());
    }

    void Write(const std::string& bytes) {
        std::ofstream out(path_, std::ios::binary);
        out << bytes;
    }
    // A second name for the same file, made before the wipe, shows what the
    // wiper left in the file's data after the first name is gone.
    void MakeWitness() {
        ASSERT_TRUE(CreateHardLinkA(link_.c_str(), path_.c_str(), nullptr)) << GetLastError();
    }
    std::string ReadWitness() {
        std::ifstream in(link_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::string dir_, path_, link_;
    TIsaac rng_;
};

TEST_F(WipeFileTest, ContentIsOverwrittenWithPatternRowsBeforeDeletion) {
    const std::string secret(5000, 'S');
    Write(secret);
    MakeWitness();

    orv::WipeFile(path_.c_str(), 3, rng_);

    EXPECT_FALSE(Exists(path_));
    const std::string left = ReadWitness();
    ASSERT_GE(left.size(), secret.size());
    EXPECT_EQ(left.find('S'), std::string::npos);
    EXPECT_LE(left.size(), secret.size() + orv::kWipeMaxBlock);

    // The data are whole blocks of 6-byte pattern units, each block starting
    // with a whole unit; the block is the drive's sector size capped at 3072.
    DWORD spc = 0, bps = 0, fc = 0, tc = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA((dir_.substr(0, 3)).c_str(), &spc, &bps, &fc, &tc));
    const std::size_t block = std::min<std::size_t>(bps, orv::kWipeMaxBlock);
    EXPECT_EQ(left.size() % block, 0u);
    const auto* bytes = reinterpret_cast<const unsigned char*>(left.data());
    for (std::size_t b = 0; b < left.size(); b += block)
        for (std::size_t u = b; u + 6 <= b + block; u += 6)
            ASSERT_GE(RowOfUnit(bytes + u), 0) << "offset " << u;
}

TEST_F(WipeFileTest, EveryPassDrawsItsOwnBlock) {
    Write(std::string(100, 'x'));
    MakeWitness();
    TIsaac mirror;
    mirror.Seed({1, 1, 2, 3, 5, 8, 13, 21});

    orv::WipeFile(path_.c_str(), 2, rng_);

    const std::string left = ReadWitness();
    ASSERT_FALSE(left.empty());
    std::vector<unsigned char> expected(left.size());
    orv::FillWipeBlock(expected.data(), expected.size(), mirror);  // pass 1
    orv::FillWipeBlock(expected.data(), expected.size(), mirror);  // pass 2 stays
    EXPECT_EQ(0, memcmp(left.data(), expected.data(), left.size()));
}

TEST_F(WipeFileTest, ReadOnlyFileIsWipedToo) {
    Write("read-only secret");
    MakeWitness();
    ASSERT_TRUE(SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY));

    orv::WipeFile(path_.c_str(), 1, rng_);

    EXPECT_FALSE(Exists(path_));
    EXPECT_EQ(ReadWitness().find("secret"), std::string::npos);
}

TEST_F(WipeFileTest, EmptyFileIsDeletedWithoutWriting) {
    Write("");
    MakeWitness();

    orv::WipeFile(path_.c_str(), 3, rng_);

    EXPECT_FALSE(Exists(path_));
    EXPECT_TRUE(Exists(link_));
    EXPECT_EQ(ReadWitness().size(), 0u);
}

TEST_F(WipeFileTest, ZeroPassesDeleteWithoutWriting) {
    Write("keep these bytes");
    MakeWitness();

    orv::WipeFile(path_.c_str(), 0, rng_);

    EXPECT_FALSE(Exists(path_));
    EXPECT_EQ(ReadWitness(), "keep these bytes");
}

TEST_F(WipeFileTest, MissingFileIsLeftAloneWithoutDrawing) {
    TIsaac mirror;
    mirror.Seed({1, 1, 2, 3, 5, 8, 13, 21});
    orv::WipeFile(path_.c_str(), 3, rng_);
    orv::WipeFile(nullptr, 3, rng_);
    EXPECT_EQ(rng_.Next(), mirror.Next());
}

TEST_F(WipeFileTest, FileOpenElsewhereIsStillDeletedByNameWhenPossible) {
    // An open handle that allows deletion blocks the unshared open; the
    // deletion by name runs anyway and must not crash or hang.
    Write("busy");
    HANDLE other = CreateFileA(path_.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    orv::WipeFile(path_.c_str(), 1, rng_);
    CloseHandle(other);
    EXPECT_FALSE(Exists(path_));
}

}  // namespace
