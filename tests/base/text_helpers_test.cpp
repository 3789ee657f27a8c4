// The text helpers every layer shares: key-ID texts and their short form,
// the wipe of strings that held plain text, and the search for line ends.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "base/key_id.h"
#include "base/text.h"
#include "base/wipe_text.h"

namespace {

using namespace orv;

TEST(KeyIDText, EightOrSixteenHexDigitsAfterTheX) {
    EXPECT_TRUE(IsKeyIDText("0xB2A16278"));
    EXPECT_TRUE(IsKeyIDText("0Xb2a16278"));
    EXPECT_TRUE(IsKeyIDText("0xD91F7A27B2A16278"));
    EXPECT_FALSE(IsKeyIDText("0x6278"));
    EXPECT_FALSE(IsKeyIDText("0xB2A1627"));
    EXPECT_FALSE(IsKeyIDText("0xB2A16278G"));
    EXPECT_FALSE(IsKeyIDText("0xG2A16278"));
    EXPECT_FALSE(IsKeyIDText("1xB2A16278"));
    EXPECT_FALSE(IsKeyIDText(""));
}

TEST(KeyIDText, TheShortFormIsTheLastEightDigitsOfAKeyIDOnly) {
    EXPECT_EQ(ShortKeyID("0xE8750B357ACE6A48"), "0x7ACE6A48");
    EXPECT_EQ(ShortKeyID("0x7ACE6A48"), "0x7ACE6A48");
    EXPECT_EQ(ShortKeyID("0x7ACE6A4"), "");
    EXPECT_EQ(ShortKeyID("0xE8750B357ACE6AZZ"), "");
    EXPECT_EQ(ShortKeyID("alice@example.org"), "");
    EXPECT_EQ(ShortKeyID("0xE8750B357ACE6A48 "), "") << "no trimming: callers pass key-ID texts";
}

bool Holds(const void* object, std::size_t size, const char* text) {
    const auto* bytes = static_cast<const unsigned char*>(object);
    const std::size_t n = std::strlen(text);
    for (std::size_t i = 0; i + n <= size; ++i)
        if (std::memcmp(bytes + i, text, n) == 0) return true;
    return false;
}

TEST(WipeText, ALongTextIsZeroedAndItsMemoryGivenBack) {
    std::string text(1000, 'p');
    WipeText(text);
    EXPECT_TRUE(text.empty());
    EXPECT_LT(text.capacity(), 1000u);
}

TEST(WipeText, AShortTextMovedAwayLeavesNothingInTheStringItLeft) {
    // A short text lives inside the string object; moving it copies the
    // bytes and leaves them behind in the old object.
    std::string secret = "pass-1234567";
    ASSERT_TRUE(Holds(&secret, sizeof secret, "1234567"));
    std::string taken = std::move(secret);
    WipeText(secret);
    EXPECT_FALSE(Holds(&secret, sizeof secret, "1234567"));
    EXPECT_EQ(taken, "pass-1234567");
    WipeText(taken);
    EXPECT_FALSE(Holds(&taken, sizeof taken, "1234567"));
}

TEST(AppendWiped, GrowsPieceByPieceToTheWholeText) {
    std::string text, expected;
    for (int i = 0; i < 2000; ++i) {
        const std::string piece = "piece " + std::to_string(i) + (i % 7 ? "\r\n" : "");
        AppendWiped(text, piece);
        expected += piece;
    }
    EXPECT_EQ(text, expected);
    // Growth still doubles: the text moves only a few times.
    EXPECT_LT(text.capacity(), 2 * expected.size() + 64);
    AppendWiped(text, "");
    EXPECT_EQ(text, expected);
}

TEST(FindLineEnd, FindsTheFirstCrOrLfWhereverItLiesInTheWordsItReads) {
    // Each place before, inside and after the eight-byte words, each from.
    for (const char end : {'\r', '\n'}) {
        for (std::size_t length = 0; length < 40; ++length) {
            for (std::size_t at = 0; at < length; ++at) {
                std::string text(length, 'x');
                text[at] = end;
                // Bytes that differ from CR and LF by one bit are not taken.
                if (at + 1 < length) text[at + 1] = '\x0c';
                for (std::size_t from = 0; from <= length; ++from)
                    EXPECT_EQ(FindLineEnd(text, from), from <= at ? at : std::string_view::npos)
                        << length << " " << at << " " << from;
            }
            EXPECT_EQ(FindLineEnd(std::string(length, '\x8d')), std::string_view::npos) << length;
        }
    }
    EXPECT_EQ(FindLineEnd("abcdefghij\n\r", 3), 10u);
}

TEST(FindText, AgreesWithTheStringSearchOnTextsWithHighBytesAndNearMatches) {
    // Bytes one bit away from the one searched for, high bytes, matches cut
    // off by the text's end, and every start.
    const std::string texts[] = {"", "-", "a-b--c---d", std::string("\x80\xad-\x2c\x2f-\xff--x", 11),
                                 "=_PGP=_PGX=_PG", "0123456789abcdef=_PGP", "=_PGP=_PGP"};
    for (const std::string& text : texts) {
        for (std::size_t from = 0; from <= text.size() + 1; ++from) {
            EXPECT_EQ(FindByte(text, '-', from), std::string_view(text).find('-', from)) << text << " " << from;
            EXPECT_EQ(FindByte(text, '\xad', from), std::string_view(text).find('\xad', from)) << from;
            for (const std::string_view what : {"--", "=_PGP", "=_PGPX", "x", ""})
                EXPECT_EQ(FindText(text, what, from), std::string_view(text).find(what, from))
                    << text << " " << what << " " << from;
        }
    }
}

}  // namespace
