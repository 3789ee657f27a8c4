// The rows of the address box: how a recipient list becomes rows and comes
// back, the flag digits, the marking rules and the sort order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interfaces/address_room.h"
#include "ui/address_rows.h"

using namespace orv::ui;
namespace room = orv::addrroom;

namespace {

const std::string kList =
    "# Orvane AutoList\r\n"
    "# Update 4.8.5 #\r\n"
    "\r\n"
    "alice@example.org\\3x0123456789ABCDEF\r\n"
    "  Bob Builder <bob@example.org> \\ 1xfedcba9876543210  \r\n"
    "# a comment in the middle\n"
    "carol@example.org\\8x00112233\r\n"
    "not an entry without a backslash\r\n"
    "dave@example.org\\nokey\r\n"
    "erin@example.org\\ax0011223344556677";

std::vector<TAddrRow> Rows(std::vector<TAddrLine>& lines, int flags = 0) { return ReadEntries(lines, flags); }

}  // namespace

TEST(AddressRows, FlagDigitsAreTheHexadecimalSumOfTheMarks) {
    struct Case {
        int flags;
        char digit;
    };
    for (const Case& c : {Case{1 + 4, '5'}, Case{8, '8'}, Case{0, '0'}, Case{1 + 2, '3'}, Case{1 + 2 + 4 + 8, 'F'},
                          Case{2 + 8, 'A'}}) {
        EXPECT_EQ(FlagDigit(c.flags), c.digit) << c.flags;
        TAddrRow row;
        row.address = "x@y";
        row.keyDigits = "0123456789ABCDEF";
        row.flags = c.flags;
        EXPECT_EQ(RowEntry(row), std::string("x@y\\") + c.digit + "x0123456789ABCDEF");
    }
}

TEST(AddressRows, EntriesBecomeRowsAndEveryOtherLineIsKept) {
    std::vector<TAddrLine> lines = SplitLines(kList);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[5].end, "\n");
    EXPECT_EQ(lines[9].end, "");
    const auto rows = Rows(lines);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].address, "alice@example.org");
    EXPECT_EQ(rows[0].flags, 3);
    EXPECT_EQ(rows[1].address, "Bob Builder <bob@example.org>");
    EXPECT_EQ(rows[1].keyDigits, "fedcba9876543210");
    EXPECT_EQ(rows[2].flags, 8);
    EXPECT_EQ(rows[2].KeyIDText(), "0x00112233");
    EXPECT_EQ(rows[3].flags, 10);
    EXPECT_EQ(rows[3].source, 9);
    for (int i : {0, 1, 2, 5, 7, 8}) EXPECT_FALSE(lines[std::size_t(i)].entry) << i;
    // A caller's flag value overrides the entries' own.
    std::vector<TAddrLine> again = SplitLines(kList);
    for (const auto& row : Rows(again, 5)) EXPECT_EQ(row.flags, 5);
}

TEST(AddressRows, NothingChangedComesBackByteForByte) {
    std::vector<TAddrLine> lines = SplitLines(kList);
    const auto rows = Rows(lines);
    EXPECT_EQ(SetOptionsResult(lines, rows), kList);
    // Also a list of bare line feeds without a last line end, and one of entries only.
    for (const std::string text : {std::string("a@b\\1x11112222\nc@d\\2x33334444\n"), std::string("a@b\\1x11112222")}) {
        std::vector<TAddrLine> l = SplitLines(text);
        EXPECT_EQ(SetOptionsResult(l, Rows(l)), text);
    }
}

TEST(AddressRows, ChangedRowsAreRewrittenTrimmedAndDeletedOnesLeaveNoLine) {
    std::vector<TAddrLine> lines = SplitLines(kList);
    auto rows = Rows(lines);
    ASSERT_TRUE(ToggleMark(rows, 1, addrcol::kAsk, false));  // bob: 1 -> 5
    rows.erase(rows.begin() + 2);                             // carol deleted
    const std::string result = SetOptionsResult(lines, rows);
    EXPECT_EQ(result,
              "# Orvane AutoList\r\n# Update 4.8.5 #\r\n\r\n"
              "alice@example.org\\3x0123456789ABCDEF\r\n"
              "Bob Builder <bob@example.org>\\5xfedcba9876543210\r\n"
              "# a comment in the middle\n"
              "not an entry without a backslash\r\n"
              "dave@example.org\\nokey\r\n"
              "erin@example.org\\ax0011223344556677");
    // The result never needs more room than the list it came from.
    EXPECT_LE(result.size() + 1, room::SetAddrOptions(kList));
    // The only row emptied: its line goes, the others stay.
    std::vector<TAddrLine> one = SplitLines("# head\r\nx@y\\1x11112222\r\n");
    auto single = Rows(one);
    single[0] = TAddrRow{};
    EXPECT_EQ(SetOptionsResult(one, single), "# head\r\n");
}

TEST(AddressRows, DisableLocksTheOtherMarksAndAddPerAddressIsASingleChoice) {
    std::vector<TAddrRow> rows(3);
    for (auto& r : rows) {
        r.address = "a@b";
        r.keyDigits = "11112222";
    }
    ASSERT_TRUE(ToggleMark(rows, 0, addrcol::kEncrypt, false));
    ASSERT_TRUE(ToggleMark(rows, 0, addrcol::kDisable, false));
    EXPECT_EQ(rows[0].flags, 9);
    for (int c : {addrcol::kEncrypt, addrcol::kSign, addrcol::kAsk}) {
        EXPECT_FALSE(MarkEnabled(rows[0], c));
        EXPECT_FALSE(ToggleMark(rows, 0, c, false));
    }
    EXPECT_EQ(rows[0].flags, 9) << "locked marks keep their state";
    EXPECT_TRUE(ToggleMark(rows, 0, addrcol::kAdd, false));
    ASSERT_TRUE(ToggleMark(rows, 0, addrcol::kDisable, false));
    EXPECT_TRUE(ToggleMark(rows, 0, addrcol::kEncrypt, false));
    EXPECT_EQ(rows[0].flags, 0);

    // Several adds, or one.
    rows[0].add = false;
    ToggleMark(rows, 0, addrcol::kAdd, false);
    ToggleMark(rows, 2, addrcol::kAdd, false);
    EXPECT_TRUE(rows[0].add && rows[2].add);
    ToggleMark(rows, 1, addrcol::kAdd, true);
    EXPECT_FALSE(rows[0].add || rows[2].add);
    EXPECT_TRUE(rows[1].add);
    // An empty row has nothing to mark.
    std::vector<TAddrRow> empty(1);
    EXPECT_FALSE(ToggleMark(empty, 0, addrcol::kAdd, false));
}

TEST(AddressRows, AddResultHoldsOnlyTheRowsMarkedForAdding) {
    std::vector<TAddrRow> rows(3);
    const char* names[] = {"a@b", "c@d", "e@f"};
    for (int i = 0; i < 3; ++i) {
        rows[std::size_t(i)].address = names[i];
        rows[std::size_t(i)].keyDigits = "0123456789ABCDEF";
        rows[std::size_t(i)].flags = 1 + 4;
    }
    EXPECT_EQ(AddResult(rows), "");
    rows[0].add = rows[2].add = true;
    EXPECT_EQ(AddResult(rows), "a@b\\5x0123456789ABCDEF\r\ne@f\\5x0123456789ABCDEF");
    // One plain address and its new key field fit the room its caller gives.
    EXPECT_EQ(std::string("a@b\\5x0123456789ABCDEF").size() + 1, room::AddAddrOptions("a@b"));
}

TEST(AddressRows, SortingUsesTheAddressKeyAndASecondClickReverses) {
    EXPECT_EQ(AddressSortKey("\"Zoe O'Neil\" <ZOE@x.org>"), "zoeoneilzoexorg");
    EXPECT_EQ(AddressSortKey("\xC4rger-1"), "\xE4rger1");
    std::vector<TAddrRow> rows(4);
    const char* names[] = {"b.x@y", "A@y", "_c@y", "bx@y"};
    const char* keys[] = {"22", "11", "33", "11"};
    for (int i = 0; i < 4; ++i) {
        rows[std::size_t(i)].address = names[i];
        rows[std::size_t(i)].keyDigits = keys[i];
    }
    rows[2].flags = 1;
    SortRows(rows, addrcol::kAddress, false);
    // "A@y" < "b.x@y" == "bx@y" by the key (then key ID) < "_c@y".
    EXPECT_EQ(rows[0].address, "A@y");
    EXPECT_EQ(rows[1].address, "bx@y");
    EXPECT_EQ(rows[2].address, "b.x@y");
    EXPECT_EQ(rows[3].address, "_c@y");
    SortRows(rows, addrcol::kAddress, true);
    EXPECT_EQ(rows[0].address, "_c@y");
    EXPECT_EQ(rows[3].address, "A@y");
    // Marked rows first when sorted by a mark column.
    SortRows(rows, addrcol::kEncrypt, false);
    EXPECT_EQ(rows[0].address, "_c@y");
}

TEST(AddressRows, FindLooksCaseInsensitivelyFromTheRowAfterTheCurrent) {
    std::vector<TAddrRow> rows(3);
    rows[0].address = "alice@example.org";
    rows[1].address = "Bob <bob@example.org>";
    rows[2].address = "bobby@example.net";
    EXPECT_EQ(FindRow(rows, -1, "BOB"), 1);
    EXPECT_EQ(FindRow(rows, 1, "bob"), 2);
    EXPECT_EQ(FindRow(rows, 2, "bob"), -1);
    EXPECT_EQ(FindRow(rows, 0, ""), -1);
    EXPECT_EQ(EmailOf("Bob <bob@example.org>"), "bob@example.org");
    EXPECT_EQ(EmailOf("plain@example.org"), "plain@example.org");
}

TEST(AddressRoom, TheRoomsTheCallersGive) {
    EXPECT_EQ(room::SetAddrOptions("abc"), 4u);
    EXPECT_EQ(room::AddAddrOptions("a@b"), 3u + 19 + 1);
    EXPECT_EQ(room::AddAddrOptions("a@b\r\nc@d"), 65536u);
    EXPECT_EQ(room::GetABKAddr(), 65536u);
    EXPECT_EQ(room::GetPGPAddr(), 65536u);
    EXPECT_EQ(room::FindKeys("a\\1x11112222\r\nb\\1x33334444"), 26u + 16 + 1);
    EXPECT_EQ(room::KeyDelete(), 65536u);
}
