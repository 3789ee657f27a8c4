// The recipient list's text logic: the header block, the sort and merge
// (two keys for one address stay), the old formats' conversions, address
// books in the host's format, and the texts exchanged with the main
// library's address dialogs.
#include "automation/autolist_upkeep.h"

#include <gtest/gtest.h>

#include "automation/address_text.h"

using namespace orv::automation;

namespace {

const char* kKeyA = "0x1111111111111111";
const char* kKeyB = "0x2222222222222222";

std::string Same(std::string s) { return s; }

TLines Sorted(TLines body) {
    SortEntries(body);
    return body;
}

// A book in the host's format: 128-byte name, 458-byte records with the
// alias at offset 2 and the e-mail address at offset 342.
std::string BookBytes(const std::string& name, const std::vector<std::pair<std::string, std::string>>& entries,
                      std::size_t trailing = 0) {
    std::string bytes(128, '\0');
    bytes.replace(0, name.size(), name);
    for (const auto& [alias, mail] : entries) {
        std::string record(458, '\0');
        record.replace(2, alias.size(), alias);
        record.replace(342, mail.size(), mail);
        bytes += record;
    }
    bytes += std::string(trailing, 'z');
    return bytes;
}

}  // namespace

TEST(AutoListSort, KeepsTwoKeysForOneAddress) {
    TLines body{"bob@example.org\\3x2222222222222222", "bob@example.org\\1x1111111111111111"};
    EXPECT_EQ(Sorted(body), (TLines{"bob@example.org\\1x1111111111111111", "bob@example.org\\3x2222222222222222"}));
    // The bare address beside the same address in brackets, each with its
    // own key: both stay.
    TLines two{"bob@example.org\\1x1111111111111111", "Bob <bob@example.org>\\2x2222222222222222"};
    EXPECT_EQ(Sorted(two).size(), 2u);
}

TEST(AutoListSort, DropsTheBareAddressBesideTheBracketedOneOfTheSameKey) {
    TLines body{"bob@example.org\\1x1111111111111111", "Bob Example <BOB@example.org>\\3x1111111111111111"};
    EXPECT_EQ(Sorted(body), (TLines{"Bob Example <BOB@example.org>\\3x1111111111111111"}));
}

TEST(AutoListSort, LinesDifferingInTheirFlagOnlyBecomeOneWithTheFirstFlag) {
    TLines body{"carol@example.org\\5x1111111111111111", "carol@example.org\\2x1111111111111111"};
    EXPECT_EQ(Sorted(body), (TLines{"carol@example.org\\5x1111111111111111"}));
}

TEST(AutoListSort, OrdersByKeyWithAnAliasFollowedByTheAddressesOfItsKey) {
    TLines body{"zed@example.org\\1x3333333333333333", "amy@example.org\\1x1111111111111111",
                "Amy\\3x1111111111111111", "old@example.org\\1x0000000000000001"};
    EXPECT_EQ(Sorted(body), (TLines{"old@example.org\\1x0000000000000001", "Amy\\3x1111111111111111",
                                    "amy@example.org\\1x1111111111111111", "zed@example.org\\1x3333333333333333"}));
}

TEST(AutoListSort, CommentsAndOtherLinesKeepTheirPlaces) {
    TLines body{"b@example.org\\1x2222222222222222", "# friends below", "a@example.org\\1x1111111111111111",
                "not an entry", "short@example.org\\1x1234"};
    TLines sorted = Sorted(body);
    EXPECT_EQ(sorted, (TLines{"a@example.org\\1x1111111111111111", "# friends below",
                              "b@example.org\\1x2222222222222222", "not an entry", "short@example.org\\1x1234"}));
    // Sorting again changes nothing.
    EXPECT_EQ(Sorted(sorted), sorted);
}

TEST(AutoListSort, ACapitalXAndLowerCaseDigitsAreOneKey) {
    TLines body{"dan@example.org\\3XABCDEF0123456789", "dan@example.org\\3xabcdef0123456789"};
    EXPECT_EQ(Sorted(body).size(), 1u);
}

TEST(AutoListHeader, TakenOffAndPutBackInFront) {
    std::string file = "#### AutoList Update 4.8.5 ####\r\n\r\n# keys #\r\nb@x.org\\1x2222222222\r\na@x.org\\1x1111111111\r\n";
    TAutoListText list = TakeHeader(file);
    EXPECT_EQ(list.Header, (TLines{"#### AutoList Update 4.8.5 ####", "", "# keys #"}));
    ASSERT_EQ(list.Body.size(), 2u);
    SortEntries(list.Body);
    EXPECT_EQ(WithHeader(list.Header, list.Body),
              "#### AutoList Update 4.8.5 ####\r\n\r\n# keys #\r\na@x.org\\1x1111111111\r\nb@x.org\\1x2222222222\r\n");
    // A comment that does not end with "#" belongs to the body.
    EXPECT_TRUE(TakeHeader("# note\r\na@x.org\\1x1111111111\r\n").Header.empty());
}

TEST(AutoListUpgrade, FormatsNamedByTheHeader) {
    struct Row {
        const char* header;
        int format;
    } rows[] = {{"# AutoList Update 4.8.5 #", 5}, {"# AutoList Update 4.7.0 #", 4}, {"# Update 4.5.7 #", 3},
                {"# Update 4.5.5 #", 2},          {"# Update 4.5.0 #", 1},          {"# Update 4.4.0 #", 0},
                {"# no update line #", 0}};
    for (const auto& r : rows) EXPECT_EQ(HeaderFormat({r.header}), r.format) << r.header;
    EXPECT_FALSE(HeaderNamesFormat({"# plain #"}));
    EXPECT_EQ(FormatOfVersion(0), 0);
    EXPECT_EQ(FormatOfVersion(450), 1);
    EXPECT_EQ(FormatOfVersion(457), 3);
    EXPECT_EQ(FormatOfVersion(1001), 5);
}

TEST(AutoListUpgrade, AListWithoutAFormatNameIsOldOnlyWithoutFlagsOrARecordedVersion) {
    const struct {
        TLines body;
        long recorded;
        int format;
    } rows[] = {
        {{"a@x.org\\0x11111111", "# note", "b@x.org\\0x22222222"}, 0, 0},
        {{"a@x.org\\0x11111111", "b@x.org\\8x2222222222222222"}, 0, 5},
        {{"b@x.org\\3x2222222222222222"}, 0, 5},
        {{"a@x.org\\0x11111111"}, 470, 4},
        {{"a@x.org\\0x11111111"}, 1001, 5},
        {{}, 0, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(UnnamedListFormat(row.body, row.recorded), row.format) << JoinLines(row.body) << row.recorded;
}

TEST(AutoListUpgrade, VersionNumberFromTheVersionText) {
    EXPECT_EQ(VersionNumber("1.0.0.1"), 1001);
    EXPECT_EQ(VersionNumber("4.8.5b3"), 485);
    EXPECT_EQ(VersionNumber("4.9.1/b2"), 491);
    EXPECT_EQ(VersionNumber(""), 0);
}

TEST(AutoListUpgrade, Format450DisablesEveryZeroFlag) {
    TLines body{"a@x.org\\0x11111111", "b@x.org\\1x22222222", "c@x.org\\0X33333333"};
    ConvertOldEntries(body, 1, '3');
    EXPECT_EQ(body, (TLines{"a@x.org\\8x11111111", "b@x.org\\1x22222222", "c@x.org\\8X33333333"}));
}

TEST(AutoListUpgrade, Format0SetsTheFlagDigitOpensCommentsAndCutsOtherEntries) {
    TLines body{"#  a@x.org\\0x11111111", "b@x.org\\ 0x22222222", "c@x.org\\key'", "plain line#"};
    ConvertOldEntries(body, 0, '1');
    EXPECT_EQ(body, (TLines{"a@x.org\\1x11111111", "b@x.org\\ 1x22222222", "c@x.org\\key", "plain line#"}));
}

TEST(AddressBooks, ReadInTheHostsFormat) {
    auto book = ReadAddressBook(BookBytes("Friends", {{"Alice \"A\" Example", "alice@example.org"}, {"", "bob@x.org"}}, 100),
                                Same);
    ASSERT_TRUE(book);
    EXPECT_EQ(book->Name, "Friends");
    ASSERT_EQ(book->Entries.size(), 2u);  // the 100 trailing bytes make no record
    EXPECT_EQ(book->Entries[0].Alias, "Alice A Example");
    EXPECT_EQ(book->Entries[0].Email, "alice@example.org");
    EXPECT_EQ(AddressLine(book->Entries[0], book->Name), "alice@example.org\xA0(Alice A Example)\tFriends");
    EXPECT_EQ(AddressLine(book->Entries[1], book->Name), "bob@x.org\tFriends");
    EXPECT_FALSE(ReadAddressBook(BookBytes("", {{"x", "y@z"}}), Same));
    EXPECT_FALSE(ReadAddressBook("short", Same));
    // An e-mail field that fills its 116 bytes ends there.
    std::string full(116, 'm');
    auto long_ = ReadAddressBook(BookBytes("B", {{"a", full + "overflow"}}), Same);
    ASSERT_TRUE(long_);
    EXPECT_EQ(long_->Entries[0].Email, full);
}

TEST(AddressBooks, ChosenAddressesGiveAnEntryForTheMailAndOneForTheAlias) {
    TLines entries = EntriesFromChosen("alice@example.org\xA0(Alice)\\3x1111111111111111\r\nbob@x.org\\1x2222222222222222\r\n");
    EXPECT_EQ(entries, (TLines{"alice@example.org\\3x1111111111111111", "Alice\\3x1111111111111111",
                               "bob@x.org\\1x2222222222222222"}));
}

TEST(AddressText, MailAndAlias) {
    EXPECT_EQ(ExtractEmail("Bob Example <bob@example.org>"), "bob@example.org");
    EXPECT_EQ(ExtractEmail("bob@example.org\xA0(Bob)"), "bob@example.org");
    EXPECT_EQ(ExtractEmail("no address"), "");
    EXPECT_EQ(ExtractEmail("@example.org"), "");
    EXPECT_EQ(ExtractAlias("Bob Example <bob@example.org>"), "Bob Example");
    EXPECT_EQ(ExtractAlias("bob@example.org\xA0(Bob)"), "Bob");
    EXPECT_EQ(ExtractAlias("bob@example.org"), "");
    EXPECT_EQ(ExtractAlias("\"Smith, Bob\" <bob@example.org>"), "Smith, Bob");
}

TEST(Recipients, PairedWithTheKeysOfTheSend) {
    bool paired = false;
    EXPECT_EQ(RecipientEntries("Bob <bob@x.org>\r\ncarol@x.org\\0x1111111111111111,0x2222222222222222", &paired),
              "Bob <bob@x.org>\\0x1111111111111111\r\ncarol@x.org\\0x2222222222222222");
    EXPECT_TRUE(paired);
    EXPECT_EQ(RecipientEntries("dan@x.org\r\nerin@x.org", &paired), "dan@x.org\r\nerin@x.org");
    EXPECT_FALSE(paired);
}

TEST(Recipients, ASingleRecipientKeepsTheAddressTheUserWrote) {
    EXPECT_EQ(SingleRecipientResult("dan@x.org", "Daniel <daniel@y.org>\\3x1111111111111111"),
              "dan@x.org\\3x1111111111111111");
    EXPECT_EQ(SingleRecipientResult("dan@x.org", "Dan <DAN@x.org>\\3x1111111111111111"),
              "Dan <DAN@x.org>\\3x1111111111111111");
    EXPECT_EQ(SingleRecipientResult("a@x.org\r\nb@x.org", "c\\1x1111111111"), "c\\1x1111111111");
}

TEST(KeyRing, ValidEntriesSplitIntoAddressesAndKeys) {
    std::string addresses, keys;
    SplitForKeyRing({"# c", "a@x.org\\1x1111111111111111", "bad line", "b@x.org\\1y2222222222", "Bob\\3x22222222"},
                    &addresses, &keys);
    EXPECT_EQ(addresses, "a@x.org\r\nBob");
    EXPECT_EQ(keys, "1x1111111111111111,3x22222222");
}

TEST(DeletedKeys, RemovedWithoutTouchingOtherLines) {
    TLines body{"# keep me", "a@x.org\\3x1111111111111111", "A\\1X1111111111111111", "b@x.org\\1x2222222222222222",
                "garbage"};
    EXPECT_EQ(RemoveKeys(body, std::string(kKeyA) + ", 0x9999"), 2);
    EXPECT_EQ(body, (TLines{"# keep me", "b@x.org\\1x2222222222222222", "garbage"}));
    EXPECT_EQ(RemoveKeys(body, kKeyB), 1);
}

TEST(Entries, PutInPlaceKeepsCommentsAndAppendsExtras) {
    TLines body{"a@x.org\\1x1111111111", "# c", "b@x.org\\1x2222222222"};
    PutEntriesInPlace(body, {"n@x.org\\3x1111111111"});
    EXPECT_EQ(body, (TLines{"n@x.org\\3x1111111111", "# c"}));
    PutEntriesInPlace(body, {"p@x.org\\3x1111111111", "q@x.org\\3x1111111111"});
    EXPECT_EQ(body, (TLines{"p@x.org\\3x1111111111", "# c", "q@x.org\\3x1111111111"}));
    EXPECT_EQ(EntriesOf(body), (TLines{"p@x.org\\3x1111111111", "q@x.org\\3x1111111111"}));
}

TEST(AutoListSort, AnAddressThatWouldTurnIntoACommentStaysAsItWas) {
    TLines body{"\t#team\\1x1111111111111111", "a@example.org\\1x2222222222222222"};
    EXPECT_EQ(Sorted(body), body);
}
