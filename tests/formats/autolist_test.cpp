#include "formats/autolist.h"

#include <gtest/gtest.h>

using namespace formats;

TEST(AutoListLine, SplitsAtTheLastBackslashAndTrims) {
  auto e = SplitAutoLine("  Bob \\ Smith <bob@example.org> \t\\ 5x0123456789ABCDEF \r");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Address, "Bob \\ Smith <bob@example.org>");
  EXPECT_EQ(e->KeyField, "5x0123456789ABCDEF");
  EXPECT_TRUE(IsKeyField(e->KeyField));
  EXPECT_EQ(KeyFlags(e->KeyField), autoflag::kEncrypt | autoflag::kAsk);
  EXPECT_EQ(KeyDigits(e->KeyField), "0123456789ABCDEF");
}

TEST(AutoListLine, CommentsAndLinesWithoutKeyAreNoEntries) {
  EXPECT_FALSE(SplitAutoLine(""));
  EXPECT_FALSE(SplitAutoLine("   \t"));
  EXPECT_FALSE(SplitAutoLine("# alice@example.org\\1x12345678"));
  EXPECT_FALSE(SplitAutoLine("alice@example.org"));
  EXPECT_TRUE(IsAutoComment("#"));
  EXPECT_FALSE(IsAutoComment(" #x"));
}

TEST(AutoListLine, KeyFieldRules) {
  EXPECT_FALSE(IsKeyField("1x1234567"));   // 9 characters
  EXPECT_TRUE(IsKeyField("1x12345678"));   // 10
  EXPECT_FALSE(IsKeyField("1y12345678"));
  EXPECT_EQ(KeyFlags("Bx12345678"), 11);
  EXPECT_EQ(KeyFlags("gx12345678"), -1);
  EXPECT_EQ(KeyDigits("1x123"), "");
  EXPECT_EQ(KeyToken(autoflag::kDisabled | autoflag::kAsk | autoflag::kSign, "ABCDEF0123456789"),
            "ExABCDEF0123456789");
  EXPECT_EQ(AutoLine("carol@example.org", KeyToken(0, "12345678")), "carol@example.org\\0x12345678");
}
