// The text rules of the automatic encryption on send: what the AutoList
// keeps, how recipients of an address text are matched and turned into key
// tokens, entries sharing an address, the blind-copy merge, and the header
// fix-up of a written message file, and the default blind copies of an
// identity in the client's settings.
#include <gtest/gtest.h>
#include <windows.h>

#include "automation/auto_send.h"
#include "automation/address_text.h"
#include "automation/auto_send_text.h"

using namespace orv::automation;

namespace {

constexpr const char* kBob = "D91F7A27B2A16278";
constexpr const char* kCarol = "6533671D0C89AF89";

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

TAutoList List(const std::string& text) { return ParseAutoList(Lower(text)); }

struct Checked {
    int result;
    TRecipientCheck check;
};

Checked Check(const TAutoList& list, const std::string& text, std::uint32_t autoMode = 0,
              std::function<int(const std::string&, const std::string&)> select = nullptr) {
    TRecipientCheck check;
    check.list = &list;
    check.autoMode = autoMode;
    check.resolveDuplicates = bool(select);
    check.keySelect = std::move(select);
    const int r = CheckAddressText(text, check);
    return {r, check};
}

}  // namespace

TEST(AutoListLoading, KeepsOnlyValidEnabledEntries) {
    const TAutoList list = List(
        "# comment\\1x0123456789ABCDEF\r\n"
        "\r\n"
        "bob@example.org\\1xd91f7a27b2a16278\r\n"
        "Carol Peer <carol@example.org>\\2X6533671D0C89AF89\n"  // capital X, LF only
        "disabled@example.org\\9x0123456789ABCDEF\r\n"
        "eight@example.org\\8x0123456789ABCDEF\r\n"
        "letter@example.org\\Ax0123456789ABCDEF\r\n"
        "short@example.org\\1x0123456\r\n"
        "nox@example.org\\1y0123456789ABCDEF\r\n"
        "\\1x0123456789ABCDEF\r\n"
        "a\\b@example.org\\3x0011223344556677\r\n");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.slNames[0], "bob@example.org");
    EXPECT_EQ(list.slFlags[0], "0xD91F7A27B2A16278");
    EXPECT_EQ(list.flags[0], 1);
    EXPECT_EQ(list.slNames[1], "carol peer <carol@example.org>");
    EXPECT_EQ(list.slFlags[1], "0x6533671D0C89AF89");
    EXPECT_EQ(list.flags[1], 2);
    // Split at the last backslash: the first stays in the address.
    EXPECT_EQ(list.slNames[2], "a\\b@example.org");
    EXPECT_EQ(list.flags[2], 3);
    EXPECT_EQ(ParseAutoList("").Count(), 0);
}

TEST(AddressTexts, EmailAndAliasOfATextAsTheListReadsThem) {
    EXPECT_EQ(ExtractEmail("Bob <bob@example.org>"), "bob@example.org");
    EXPECT_EQ(ExtractEmail("bob@example.org (Bob)"), "bob@example.org");
    EXPECT_EQ(ExtractEmail("to bob@example.org\xA0now"), "bob@example.org");
    EXPECT_EQ(ExtractEmail("Bob"), "");
    EXPECT_EQ(ExtractEmail("@example.org"), "");
    EXPECT_EQ(ExtractAlias("\"Peer, Bob\" <bob@example.org>"), "Peer, Bob");
    EXPECT_EQ(ExtractAlias("bob@example.org (Bob Peer)"), "Bob Peer");
    EXPECT_EQ(ExtractAlias("bob@example.org"), "");
    EXPECT_EQ(ExtractAlias("Bob Peer"), "Bob Peer");
    std::string text = "\"Peer, Bob\" <bob@example.org>, carol@example.org";
    EXPECT_EQ(NextAddressItem(text), "\"Peer, Bob\" <bob@example.org>,");
    EXPECT_EQ(NextAddressItem(text), " carol@example.org");
    EXPECT_EQ(text, "");
}

TEST(Recipients, MatchAddressesDisplayNamesAndAliasesAndGiveTheirTokens) {
    const TAutoList list = List("Carol Peer <carol@example.org>\\2x" + std::string(kCarol) + "\r\nbob@example.org\\1x" +
                                kBob + "\r\nthe team\\5x0011223344556677\r\n");
    // A bare address in any case, and another display name, find the entry.
    auto one = Check(list, "CAROL@Example.ORG");
    EXPECT_EQ(one.result, 2);
    EXPECT_EQ(one.check.lastKeys, std::string("2x") + kCarol);
    EXPECT_EQ(one.check.recipientFlags, 2u);
    auto other = Check(list, "C. Peer <carol@example.org>");
    EXPECT_EQ(other.check.lastKeys, std::string("2x") + kCarol);
    // A quoted display name with a comma stays one recipient; an alias
    // matches an entry that is a name; the unlisted one gives "0x".
    auto mixed = Check(list, "\"Peer, Bob\" <bob@example.org>, The Team <team@example.org>, dave@example.org");
    EXPECT_EQ(mixed.result, 3);
    EXPECT_EQ(mixed.check.lastKeys, std::string("1x") + kBob + ",5x0011223344556677,0x");
    EXPECT_EQ(mixed.check.unlisted, "dave@example.org");
    EXPECT_EQ(mixed.check.recipientFlags, 1u);
    // Once a mode is set, the stored tokens are given without flags.
    auto moded = Check(list, "bob@example.org", 5);
    EXPECT_EQ(moded.check.lastKeys, std::string("0x") + kBob);
    // Quotes are removed from an unlisted recipient as written.
    auto quoted = Check(list, "\"Dave\" <dave@example.org>, , \"Eve, E.\" <eve@example.org>");
    EXPECT_EQ(quoted.result, 1);
    EXPECT_EQ(quoted.check.unlisted, "Dave <dave@example.org>\r\nEve, E. <eve@example.org>");
    EXPECT_EQ(quoted.check.lastKeys, "0x,0x");
    // Without a list nothing is evaluated.
    TRecipientCheck none;
    EXPECT_EQ(CheckAddressText("bob@example.org", none), 0);
}

TEST(Recipients, EntriesSharingAnAddressAreOfferedUnlessTheyAgree) {
    const std::string entries = "bob@example.org\\2x" + std::string(kBob) + "\r\nbob@example.org\\2x" + kCarol + "\r\n";
    int asked = 0;
    auto choose = [&asked](int answer) {
        return [&asked, answer](const std::string&, const std::string&) {
            ++asked;
            return answer;
        };
    };
    // Both only signing, a single recipient: the first entry, no question.
    auto single = Check(List(entries), "bob@example.org", 0, choose(1));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(single.check.lastKeys, std::string("2x") + kBob);
    // Wanting encryption: the user picks among the lines as the file has them.
    std::string seenItem, seenLines;
    const std::string encrypting = "bob@example.org\\1x" + std::string(kBob) + "\r\nbob@example.org\\3x" + kCarol + "\r\n";
    auto picked = Check(List(encrypting), "bob@example.org", 0, [&](const std::string& item, const std::string& lines) {
        seenItem = item;
        seenLines = lines;
        return 1;
    });
    EXPECT_EQ(seenItem, "bob@example.org");
    EXPECT_EQ(seenLines, "bob@example.org\\1x" + std::string(kBob) + "\r\nbob@example.org\\3x" + kCarol);
    EXPECT_EQ(picked.check.lastKeys, std::string("3x") + kCarol);
    // Cancelled: nothing counts and no keys are handed on.
    auto cancelled = Check(List(encrypting), "bob@example.org, dave@example.org", 0, choose(-1));
    EXPECT_TRUE(cancelled.check.sendCancelled);
    EXPECT_EQ(cancelled.result, 0);
    EXPECT_EQ(cancelled.check.lastKeys, "");
    EXPECT_EQ(cancelled.check.unlisted, "") << "the check stops at the cancelled recipient";
}

TEST(KeyTokens, FlagDigitsAndTheBlindCopyMerge) {
    std::string keys = "1xAAAA,0x,2xBBBB";
    EXPECT_EQ(FlagDigitsOr(keys), 3);
    SetFlagDigits(keys, 1);
    EXPECT_EQ(keys, "1xAAAA,1x,1xBBBB");
    std::string empty;
    SetFlagDigits(empty, 1);
    EXPECT_EQ(empty, "");

    // The blind copies' listed tokens take the options of the others.
    std::string merged = "1xAAAA,0x";
    MergeBccTokens(merged, 2, [](std::string& k) { k += ",0xCCCC,0x"; });
    EXPECT_EQ(merged, "1xAAAA,0x,3xCCCC,0x");
    std::string cancelled = "1xAAAA";
    MergeBccTokens(cancelled, 0, [](std::string& k) { k.clear(); });
    EXPECT_EQ(cancelled, "");
}

TEST(HeaderFixUp, AddsTheEncryptorHeaderOnlyToArmouredBodies) {
    const std::string armour = "-----BEGIN PGP MESSAGE-----\r\n\r\nhQEMA\r\n-----END PGP MESSAGE-----\r\n";
    // Leading blank lines go; without MIME headers the plain-text block comes.
    EXPECT_EQ(FixedUpMessage("To: bob@example.org\r\nSubject: x\r\n\r\n\r\n\r\n" + armour, "ISO-8859-1"),
              "To: bob@example.org\r\nSubject: x\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\nMIME-Version: 1.0\r\n"
              "Content-type: text/plain; charset=US-ASCII\r\nContent-transfer-encoding: 7BIT\r\n"
              "Content-description: Mail message body\r\n\r\n" + armour);
    // A clear-signed body with 8-bit text gets the client's character set.
    const std::string signedBody = "-----BEGIN PGP SIGNED MESSAGE-----\r\n\r\nGr\xFC\xDF" "e\r\n";
    const std::string fixed = FixedUpMessage("To: bob@example.org\r\n\r\n" + signedBody, "ISO-8859-15");
    EXPECT_NE(fixed.find("X-PM-Encryptor: ORVPGP-PM32, 4\r\n"), std::string::npos);
    EXPECT_NE(fixed.find("charset=ISO-8859-15\r\nContent-transfer-encoding: 8BIT\r\n"), std::string::npos) << fixed;
    // A Content-type the client wrote stays the only one.
    const std::string typed = FixedUpMessage("To: b@x\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n" + armour, "");
    EXPECT_EQ(typed, "To: b@x\r\nContent-Type: text/plain; charset=UTF-8\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\n"
                     "MIME-Version: 1.0\r\n\r\n" + armour);
    // Nothing to do: header already there, plain body, no blank line.
    EXPECT_EQ(FixedUpMessage("To: b@x\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\n\r\n" + armour, ""), "");
    EXPECT_EQ(FixedUpMessage("To: b@x\r\n\r\nHello\r\n", ""), "");
    EXPECT_EQ(FixedUpMessage("To: b@x\r\n" + armour, ""), "");
}

TEST(HeaderFixUp, FindsTheArmourInTheFirstPartOfAMultipartBody) {
    const std::string header =
        "To: b@x\r\nMIME-Version: 1.0\r\nContent-type: Multipart/Mixed;\r\n\tboundary=\"B-1\"";
    const std::string part = "--B-1\r\nContent-type: text/plain\r\n";
    const std::string body = "-----BEGIN PGP MESSAGE-----\r\nx\r\n-----END PGP MESSAGE-----\r\n--B-1--\r\n";
    const std::string fixed = FixedUpMessage(header + "\r\n\r\n" + part + "\r\n" + body, "");
    EXPECT_EQ(fixed, header + "\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\n\r\n" + part + "\r\n" + body);
    // A first part that is plain text leaves the file alone.
    EXPECT_EQ(FixedUpMessage(header + "\r\n\r\n" + part + "\r\nHello\r\n--B-1--\r\n", ""), "");
}

TEST(DefaultBlindCopies, ReadFromTheIdentitysSectionOfTheClientsSettings) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "orv_bcc_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string ini = dir + "PMAIL.INI";
    const char* key = "Default BCC field                         ";
    ASSERT_TRUE(WritePrivateProfileStringA("Pegasus Mail for Windows", key, "  archive@example.org  ", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("WinPMail Identity - Work", key, "boss@example.org", ini.c_str()));
    EXPECT_EQ(DefaultBcc(dir, "<DEFAULT>", "<Default>"), "archive@example.org");
    EXPECT_EQ(DefaultBcc(dir, "Work", "<Default>"), "boss@example.org");
    EXPECT_EQ(DefaultBcc(dir, "Home", "<Default>"), "");
    DeleteFileA(ini.c_str());
    RemoveDirectoryA(dir.c_str());
}
