#include "formats/mcfuncs.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using orv::TMCFuncs;
using namespace std::string_literals;

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

std::vector<std::string> SplitCrLf(const std::string& s) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t p = s.find("\r\n", start);
        lines.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos) break;
        start = p + 2;
    }
    return lines;
}

struct Case {
    std::string in;
    std::string out;
};

TEST(ConvertText, DecodesByTheQuotedPrintableRules) {
    const std::vector<Case> cases = {
        {"a=3Db=\r\nc=ZZ", "a=bc=ZZ"},          // soft break removed, invalid code kept
        {"=41=42", "AB"},
        {"=4a=4A", "JJ"},                        // either case of hex digits
        {"=FC=DF", "\xFC\xDF"},
        {"=00", "=00"},                          // would give byte 0: stays
        {"x=", "x="},                            // fewer than two characters after "="
        {"x=4", "x=4"},
        {"=4", "=4"},
        {"a=\r\n", "a"},
        {"=\r", "=\r"},
        {"=G1=41", "=G1A"},                      // scanning resumes right after a kept "="
        {"==41", "=A"},
        {"=3D3D", "=3D"},                        // a decoded "=" is not decoded again
        {"=\n41", "=\n41"},                      // only CR LF is a soft break
        {"", ""},
        {"no codes at all\r\n", "no codes at all\r\n"},
        {"nul\0byte=41"s, "nul\0byteA"s},
    };
    for (const Case& c : cases) EXPECT_EQ(TMCFuncs::ConvertText(c.in), c.out) << c.in;
}

TEST(EncodeHeader, WritesOneLatin1WordOrLeavesTheText) {
    const std::vector<Case> cases = {
        {"Gr\xFC\xDF" "e Datei.txt", "=?ISO-8859-1?Q?Gr=FC=DFe_Datei.txt?="},
        {"plain name.txt", "plain name.txt"},    // nothing to encode: blanks stay
        {"", ""},
        {"a=b", "=?ISO-8859-1?Q?a=3Db?="},       // "=" itself is encoded
        {"a=b \xE9", "=?ISO-8859-1?Q?a=3Db_=E9?="},
        {"\x7F", "=?ISO-8859-1?Q?=7F?="},
        {"a\x01", "=?ISO-8859-1?Q?a=01?="},
        {"a\tb\xFC", "=?ISO-8859-1?Q?a\tb=FC?="},
        // inside a word "?" and "_" are written as codes so that they survive decoding
        {"my_file \xFC?.txt", "=?ISO-8859-1?Q?my=5Ffile_=FC=3F.txt?="},
        {"x =?iso-8859-1?q?ab?= \xFC", "x =?iso-8859-1?q?ab?= \xFC"},  // already encoded
    };
    for (const Case& c : cases) EXPECT_EQ(TMCFuncs::EncodeHeader(c.in), c.out) << c.in;
}

TEST(DecodeHeader, DecodesLatin1WordsOnly) {
    const std::vector<Case> cases = {
        {"=?iso-8859-1?q?a_b?=", "a b"},
        {"Subject: =?ISO-8859-1?Q?Gr=FC=DFe?= und =?ISO-8859-1?Q?mehr?=!", "Subject: Gr\xFC\xDF" "e und mehr!"},
        {"=?UTF-8?B?w7w=?=", "=?UTF-8?B?w7w=?="},        // other charsets and B stay
        {"=?ISO-8859-1?B?w7w=?=", "=?ISO-8859-1?B?w7w=?="},
        {"x =?ISO-8859-1?Q?abc", "x =?ISO-8859-1?Q?abc"},  // no closing "?="
        {"a=?ISO-8859-1?Q?" "?=b", "ab"},                      // empty word
        {"=?ISO-8859-1?Q?=00?=", "=00"},
        {"=?ISO-8859-1?Q?a?= =?ISO-8859-1?Q?b", "a =?ISO-8859-1?Q?b"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(TMCFuncs::DecodeHeader(c.in), c.out) << c.in;
}

TEST(DecodeHeader, RoundTripsEncodedNames) {
    const std::vector<std::string> names = {
        "Gr\xFC\xDF" "e.txt", "my_file \xE4.doc", "what?=now \xFC", "50% = \xBD", "tab\there \xFF",
    };
    for (const std::string& name : names) {
        const std::string word = TMCFuncs::EncodeHeader(name);
        EXPECT_NE(word, name);
        EXPECT_EQ(TMCFuncs::DecodeHeader(word), name) << word;
    }
}

TEST(Base64, StandardVectorsBothWays) {
    const std::vector<Case> cases = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
        {"\xFF\xFE\x00"s, "//4A"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TMCFuncs::Base64EncodeBuffer(c.in), c.out);
        EXPECT_EQ(TMCFuncs::Base64DecodeBuffer(c.out), c.in);
    }
}

TEST(Base64, LinesOf76CharactersWithoutFinalLineEnd) {
    const std::string one = TMCFuncs::Base64EncodeBuffer(std::string(57, 'a'));
    EXPECT_EQ(one.size(), 76u);
    EXPECT_EQ(one.find('\r'), std::string::npos);

    const std::string two = TMCFuncs::Base64EncodeBuffer(std::string(58, 'a'));
    ASSERT_EQ(two.size(), 76u + 2 + 4);
    EXPECT_EQ(two.substr(76, 2), "\r\n");
    EXPECT_EQ(two.substr(78), "YQ==");
}

TEST(Base64, BlockBoundaryDoesNotShowInTheLines) {
    for (std::size_t n : {10943u, 10944u, 10945u, 10944u * 3 + 1}) {
        const std::string data = RandomBytes(n, unsigned(n));
        const std::string text = TMCFuncs::Base64EncodeBuffer(data);
        const std::vector<std::string> lines = SplitCrLf(text);
        ASSERT_EQ(lines.size(), (n + 56) / 57) << n;
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) ASSERT_EQ(lines[i].size(), 76u) << n << " line " << i;
        EXPECT_EQ(lines.back().size(), ((n % 57 == 0 ? 57 : n % 57) + 2) / 3 * 4) << n;
        EXPECT_EQ(TMCFuncs::Base64DecodeBuffer(text), data) << n;
    }
}

TEST(Base64, DecodingSkipsForeignCharacters) {
    EXPECT_EQ(TMCFuncs::Base64DecodeBuffer("Zm9v\r\nYmFy"), "foobar");
    EXPECT_EQ(TMCFuncs::Base64DecodeBuffer(" Zm 9v!Ym*Fy\t"), "foobar");
    EXPECT_EQ(TMCFuncs::Base64DecodeBuffer("Zm9v\0YmFy"s), "foobar");
    EXPECT_EQ(TMCFuncs::Base64DecodeBuffer("Zg"), "f");         // padding missing
    EXPECT_EQ(TMCFuncs::Base64DecodeBuffer("Zg==Zg=="), "ff");  // concatenated groups
}

TEST(Base64, InvalidTextGivesEmptyResult) {
    for (const std::string bad : {"Z", "Zm9vY", "Z===", "Zm9vY=", "####", "====", ""})
        EXPECT_EQ(TMCFuncs::Base64DecodeBuffer(bad), "") << bad;
}

TEST(Base64, RoundTripsEveryByte) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(TMCFuncs::Base64DecodeBuffer(TMCFuncs::Base64EncodeBuffer(all)), all);
    const std::string big = RandomBytes(100000, 7);
    EXPECT_EQ(TMCFuncs::Base64DecodeBuffer(TMCFuncs::Base64EncodeBuffer(big)), big);
}

TEST(Base64, DecodingInPlaceGivesTheSameBytes) {
    // Attachments are decoded where they lie in the message: every kind of
    // text gives the bytes of the copying decoder, or -1 where that fails.
    std::vector<std::string> texts = {"Zm9vYmFy", "Zg==", "Zm8=", "Zm9v\r\nYmFy", " Zm 9v!Ym*Fy\t", "Zm9v\0YmFy"s,
                                      "Zg", "Zg==Zg==", "Zg==\r\nZm8=\r\n", "\r\n"};
    texts.push_back(TMCFuncs::Base64EncodeBuffer(RandomBytes(100000, 9)));
    texts.push_back(TMCFuncs::Base64EncodeBuffer(RandomBytes(10944 * 2 + 5, 4)) + "\r\n\r\n");
    for (std::string text : texts) {
        const std::string expected = TMCFuncs::Base64DecodeBuffer(text);
        const std::ptrdiff_t n = TMCFuncs::Base64DecodeInPlace(text.data(), text.size());
        ASSERT_GE(n, 0) << text.substr(0, 40);
        EXPECT_EQ(text.substr(0, std::size_t(n)), expected) << text.substr(0, 40);
    }
    for (std::string bad : {"Z", "Zm9vY", "Z===", "Zm9vY=", "Zm9vYmFy\r\nZ"})
        EXPECT_EQ(TMCFuncs::Base64DecodeInPlace(bad.data(), bad.size()), -1) << bad;
    // Only the part's own bytes change: what lies behind it is left alone.
    std::string message = "Zm9vYmFy\r\n--Message-Boundary-1--";
    ASSERT_EQ(TMCFuncs::Base64DecodeInPlace(message.data(), 10), 6);
    EXPECT_EQ(message.substr(0, 6), "foobar");
    EXPECT_EQ(message.substr(10), "--Message-Boundary-1--");
}

TEST(UUEncode, LayoutOfLinesAndClosingLine) {
    EXPECT_EQ(TMCFuncs::UUEncode("Cat"), "#0V%T\r\n`");
    EXPECT_EQ(TMCFuncs::UUEncode("\0\0\0"s), "#````\r\n`");  // zero is a backquote
    EXPECT_EQ(TMCFuncs::UUEncode(""), "`");

    const std::string text = TMCFuncs::UUEncode(std::string(46, 'x'));
    const std::vector<std::string> lines = SplitCrLf(text);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 61u);  // length character + 60 for 45 bytes
    EXPECT_EQ(lines[0][0], 'M');
    EXPECT_EQ(lines[1], "!>```");  // one byte, zero-padded group
    EXPECT_EQ(lines[2], "`");
}

TEST(UUEncode, OnlyTableCharactersAreWritten) {
    const std::string text = TMCFuncs::UUEncode(RandomBytes(5000, 3));
    for (char c : text)
        ASSERT_TRUE(c == '\r' || c == '\n' || c == '`' || (c >= 33 && c <= 95)) << int(c);
}

TEST(UUDecode, ReadsLengthCharacterPerLine) {
    EXPECT_EQ(TMCFuncs::UUDecode("#0V%T\r\n`\r\n"), "Cat");
    EXPECT_EQ(TMCFuncs::UUDecode("\r\n#0V%T\r\n"), "Cat");      // empty lines are skipped
    EXPECT_EQ(TMCFuncs::UUDecode("#0V%T\r\n`\r\n#0V%T"), "Cat");  // zero-length line ends the data
    EXPECT_EQ(TMCFuncs::UUDecode("#0V%T\n#0V%T"), "CatCat");
    EXPECT_EQ(TMCFuncs::UUDecode("#0V"), "C`\0"s);  // a short line is zero-padded, not overread
}

TEST(UUDecode, LineStartOutsideTheTableGivesEmptyResult) {
    for (const std::string bad : {"#0V%T\r\nend\r\n", " 0V%T", "begin 660 a\r\n#0V%T", "\x7F"})
        EXPECT_EQ(TMCFuncs::UUDecode(bad), "") << bad;
}

TEST(UUDecode, RoundTrips) {
    for (std::size_t n : {0u, 1u, 44u, 45u, 46u, 90u, 1000u}) {
        const std::string data = RandomBytes(n, unsigned(n) + 1);
        EXPECT_EQ(TMCFuncs::UUDecode(TMCFuncs::UUEncode(data)), data) << n;
    }
}

TEST(ByteTests, Is8BitAndIsBinary) {
    struct Row {
        std::string text;
        bool is8Bit;
        bool isBinary;
    };
    const std::vector<Row> rows = {
        {"\t\r\n abc~", false, false},
        {"", false, false},
        {"\x7F", true, false},
        {"\x80\xFF", true, false},
        {"\0"s, true, true},
        {"\x08", true, true},
        {"\x0B", true, true},
        {"\x0C", true, true},
        {"\x0E", true, true},
        {"\x1B", true, true},
        {"\x1F", true, true},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(TMCFuncs::Is8Bit(r.text), r.is8Bit) << int(static_cast<unsigned char>(r.text.empty() ? 0 : r.text[0]));
        EXPECT_EQ(TMCFuncs::IsBinary(r.text), r.isBinary) << int(static_cast<unsigned char>(r.text.empty() ? 0 : r.text[0]));
    }
}

}  // namespace
