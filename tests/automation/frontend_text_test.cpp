// The texts behind the reader's signature block and the frontend menu: the
// block's colour and lines, the key or address a selection names, the parts
// of a reader's text handed on, the toolbar chosen by the configuration and
// the hints of the menu items.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/address_text.h"
#include "automation/info_block.h"
#include "automation/menu.h"
#include "automation/pl_text.h"
#include "strings/text_list.h"

using namespace orv::automation;
namespace txt = orv::txt;

namespace {

// The string library's own texts, by number.
std::string LibraryText(txt::TextNo n) {
#define ORV_TEXT_CASE(number, name, text) \
    case number: return text;
    switch (static_cast<int>(n)) {
        ORV_ALL_TEXTS(ORV_TEXT_CASE)
    default: return "";
    }
#undef ORV_TEXT_CASE
}

constexpr const char* kGoodLine =
    "Good signature (made 2026-12-08 09:30) from bob <bob@example.org>, (0x7ACE6A48): complete validity";

}  // namespace

TEST(InfoBlock, ColoursFollowTheResultCode) {
    EXPECT_EQ(InfoBlockColour(2), 0x008000u);
    EXPECT_EQ(InfoBlockColour(3), 0x008000u);
    EXPECT_EQ(InfoBlockColour(4), 0x0000FFu);
    EXPECT_EQ(InfoBlockColour(5), 0x0080FFu);
    for (int code : {0, 1, 6, 7, -1}) EXPECT_FALSE(InfoBlockColour(code).has_value()) << code;
    // Result code 1 (no signature) writes nothing.
    EXPECT_FALSE(BuildInfoBlock("no signature", false, 1).has_value());
}

TEST(InfoBlock, GoodAndBadResultsReadAsThreeLines) {
    auto plain = BuildInfoBlock(kGoodLine, false, 2);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->prefix, "PGP-Info:\t");
    EXPECT_EQ(plain->body,
              "Good signature (made 2026-12-08 09:30)\r\n\tfrom bob <bob@example.org>\r\n\t(0x7ACE6A48): complete "
              "validity");
    EXPECT_EQ(plain->trailer, "\t\r\n\r\n");
    EXPECT_EQ(plain->colour, 0x008000u);

    auto tabbed = BuildInfoBlock(kGoodLine, true, 4);
    ASSERT_TRUE(tabbed);
    EXPECT_EQ(tabbed->prefix, "\tPGP-Info:\t");
    EXPECT_EQ(tabbed->body.substr(tabbed->body.find("\r\n")), "\r\n\t\tfrom bob <bob@example.org>\r\n\t\t(0x7ACE6A48): "
                                                              "complete validity");
    EXPECT_EQ(tabbed->trailer, "");
    EXPECT_EQ(tabbed->colour, 0x0000FFu);
}

TEST(InfoBlock, NoKeyTextsStayAsTheyCameWithTheIndentAfterTheirFirstLine) {
    auto block = BuildInfoBlock("UNSIGNED data found:\r\nNo key [ 0x89ABCDEF ] for signature", false, 5);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->body, "UNSIGNED data found:\r\n\tNo key [ 0x89ABCDEF ] for signature");
    EXPECT_EQ(block->colour, 0x0080FFu);
    // Texts without a bracket or comma are not cut apart.
    auto odd = BuildInfoBlock("Bad signature", false, 4);
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->body, "Bad signature");
}

TEST(InfoBlock, AFirstLineWithTheMarkAlreadyHoldsTheBlock) {
    EXPECT_TRUE(StartsWithInfoBlock("PGP-Info:\tGood signature"));
    // Regression: a block of the tabbed layout was written a second time.
    EXPECT_TRUE(StartsWithInfoBlock("\tPGP-Info:\tGood signature"));
    EXPECT_FALSE(StartsWithInfoBlock("PGP-Info: Good signature"));
    EXPECT_FALSE(StartsWithInfoBlock("From: bob"));
}

TEST(ReaderText, EncryptedAndPgpMimeTextsAreRecognised) {
    std::string armoured = "Hi\r\n-----BEGIN PGP MESSAGE-----\r\nabc\r\n-----END PGP MESSAGE-----\r\n";
    EXPECT_EQ(EncryptedTextOf(armoured), armoured);
    EXPECT_EQ(EncryptedTextOf("-----BEGIN PGP SIGNED MESSAGE-----\r\n"), "");
    std::string mime =
        "Content-Type: multipart/encrypted; protocol=\"application/pgp-encrypted\"; boundary=b\r\n\r\n--b\r\nbody\r\n";
    EXPECT_EQ(PgpMimeBodyOf(mime), "--b\r\nbody\r\n");
    EXPECT_EQ(PgpMimeBodyOf("Content-Type: text/plain\r\n\r\nprotocol=\"application/pgp-x\"\r\n"), "");
    EXPECT_EQ(PgpMimeBodyOf("protocol=\"application/pgp-signature\" without a blank line"), "");
}

// Regression: the key server was asked for the 32-bit ID of a 64-bit one,
// which other keys share.
TEST(ReaderText, AKeyIsNamedByTheWholeIdTheTextHolds) {
    EXPECT_EQ(ExtractHexID("key 0xe8750b357ace6a48 of alice"), "0xE8750B357ACE6A48");
    EXPECT_EQ(ExtractHexID("No key [ 0x7ace6a48 ] for signature"), "0x7ACE6A48");
    // Twelve digits are no whole ID: the first eight name the key.
    EXPECT_EQ(ExtractHexID("0X0123456789AB"), "0x01234567");
    EXPECT_EQ(ExtractHexID("0x1234"), "");
    EXPECT_EQ(ExtractHexID("no identifier"), "");
}

TEST(ReaderText, TheAddressOfASelection) {
    EXPECT_EQ(ExtractEmail("bob <bob@example.org>"), "bob@example.org");
    EXPECT_EQ(ExtractEmail("write to  carol@example.org\tsoon"), "carol@example.org");
    EXPECT_EQ(ExtractEmail("<  dave@example.org >"), "dave@example.org");
    EXPECT_EQ(ExtractEmail("at @ sign"), "");
    EXPECT_EQ(ExtractEmail("trailing@"), "");
    EXPECT_EQ(ExtractEmail("no address"), "");
}

TEST(Toolbar, ButtonMaskFollowsTheConfiguration) {
    struct Row {
        ToolbarOptions options;
        std::uint16_t mask;
    };
    ToolbarOptions none;
    ToolbarOptions defaults;
    defaults.fileExists = true;
    auto with = [&](auto change) {
        ToolbarOptions o = defaults;
        change(o);
        return o;
    };
    std::vector<Row> rows = {
        {none, 0x1FF},
        {defaults, 0x1E4},
        {with([](ToolbarOptions& o) { o.wipePass = true; }), 0x1E5},
        {with([](ToolbarOptions& o) { o.encSign = 0; }), 0x1E0},
        {with([](ToolbarOptions& o) { o.encSign = 1; }), 0x1E2},
        {with([](ToolbarOptions& o) { o.encSign = 3; }), 0x1E8},
        {with([](ToolbarOptions& o) { o.encSign = 4; }), 0x1F0},
        {with([](ToolbarOptions& o) { o.encSign = 7; }), 0x1FE},
        {with([](ToolbarOptions& o) {
             o.decrypt = false;
             o.verify = false;
             o.manage = false;
             o.pgpKeys = false;
         }),
         0x004},
    };
    for (const Row& r : rows) EXPECT_EQ(ButtonMaskOf(r.options), r.mask) << std::hex << r.mask;
}

TEST(Toolbar, ButtonsTheirTooltipsAndCommands) {
    auto tips = [](std::uint16_t mask) {
        std::vector<std::string> out;
        for (const ButtonSpec& b : ToolbarButtonsOf(mask, LibraryText)) out.push_back(b.bitmap + "|" + b.tooltip);
        return out;
    };
    EXPECT_EQ(tips(0x1FF), (std::vector<std::string>{"EditList.bmp|Edit AutoList",
                                                     "WipePass.bmp|Wipe passphrase cache", "EncOnly.bmp|Encrypt message",
                                                     "Decrypt.bmp|Decrypt message", "VerSig.bmp|Verify signature",
                                                     "ManKey.bmp|Key management", "PGPkeys.bmp|Launch PGPkeys"}));
    EXPECT_EQ(tips(0x004), (std::vector<std::string>{"EditList.bmp|Edit AutoList", "SignOnly.bmp|Sign message"}));
    EXPECT_EQ(tips(0x008), (std::vector<std::string>{"EditList.bmp|Edit AutoList", "EncSign.bmp|Encrypt/Sign message"}));
    EXPECT_EQ(tips(0x010), (std::vector<std::string>{"EditList.bmp|Edit AutoList",
                                                     "EncSign.bmp|Encrypt/Sign message (options menu)"}));
    // "EncSign" = 0: no encrypt/sign button at all.
    EXPECT_EQ(tips(0x000), (std::vector<std::string>{"EditList.bmp|Edit AutoList"}));

    auto all = ToolbarButtonsOf(0x1FF, LibraryText);
    ASSERT_EQ(all.size(), 7u);
    EXPECT_EQ(all[0].lParam, kButtonAutoList);
    EXPECT_EQ(all[1].lParam, kButtonWipe);
    EXPECT_EQ(all[2].wParam, WPARAM(kCmdEncrypt));
    EXPECT_EQ(all[2].lParam, 0);
    EXPECT_EQ(all[6].lParam, kButtonPgpKeys);
    EXPECT_EQ(ToolbarButtonsOf(0x010, LibraryText)[1].lParam, kButtonEncryptSignMenu);
}

TEST(FrontendMenu, HintsAreTheStringLibrarysTextsInTheTablesOrder) {
    EXPECT_EQ(HintTextNumber(0x2001), txt::WND_ID);
    EXPECT_EQ(HintTextNumber(0x3002), txt::MAN_ID);
    EXPECT_EQ(HintTextNumber(0x200D), txt::MSG_ID);
    EXPECT_EQ(HintTextNumber(0x3014), txt::PGP_ID);
    for (WORD id : {0x2000, 0x2015, 0x3000, 0x3015, 0x401D, 0x401E, 0x1001}) EXPECT_EQ(HintTextNumber(id), 0) << id;
    EXPECT_EQ(VerifyItemText(LibraryText(txt::VER_BTN)), "Ve&rify signature");
    EXPECT_EQ(PgpKeysItemText(LibraryText(txt::EXEC_PGPKEYS_BTN)), "Launch &PGPkeys");
}
