// Splitting outgoing messages of the mail client: main header, parts,
// attachment names, text part headers, base64 attachments, crypt headers.
#include "formats/mcfuncs.h"
#include "formats/pm_funcs.h"
#include "pm_test_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using orv::TMailPart;
using orv::TPMFuncs;

// A message as the mail client writes it: a text part and one attachment.
const std::string kMixedMessage =
    "From: Alice <alice@example.org>\r\n"
    "To: bob@example.org\r\n"
    "Subject: Report\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-type: Multipart/Mixed; boundary=Message-Boundary-4711\r\n"
    "X-PM-Encryptor: ORVPGP-PM32, 5\r\n"
    "\r\n"
    "\r\n"
    "--Message-Boundary-4711\r\n"
    "Content-type: text/plain; charset=ISO-8859-1\r\n"
    "Content-transfer-encoding: Quoted-printable\r\n"
    "Content-description: Mail message body\r\n"
    "\r\n"
    "Gr=FC=DFe, Bob\r\n"
    "\r\n"
    "--Message-Boundary-4711\r\n"
    "Content-type: Application/Octet-stream; name=\"data.bin\"; type=Unknown\r\n"
    "Content-disposition: attachment; filename=\"data.bin\"\r\n"
    "Content-transfer-encoding: BASE64\r\n"
    "\r\n"
    "AAECAw==\r\n"
    "\r\n"
    "--Message-Boundary-4711--\r\n";

TPMFuncs Funcs(bool pgpMime = false) {
    orv::TAssemblyServices s;
    s.Text = orv::test::LibraryTexts();
    s.PGPMimeLoaded = [pgpMime] { return pgpMime; };
    s.PGPExt = [] { return true; };
    return TPMFuncs(std::move(s));
}

std::vector<TMailPart> AllParts(std::string_view body, std::string_view boundary, std::string& alt) {
    std::vector<TMailPart> parts;
    while (!body.empty()) parts.push_back(TPMFuncs::PartExtract(body, boundary, alt));
    return parts;
}

TEST(AddSpaceLine, EndsInExactlyOneBlankLine) {
    EXPECT_EQ(TPMFuncs::AddSpaceLine("a\r\n\r\n"), "a\r\n\r\n");
    EXPECT_EQ(TPMFuncs::AddSpaceLine("a\r\n"), "a\r\n\r\n");
    EXPECT_EQ(TPMFuncs::AddSpaceLine("a"), "a\r\n\r\n");
    EXPECT_EQ(TPMFuncs::AddSpaceLine(""), "");
    EXPECT_EQ(TPMFuncs::DelQuotes("\"a\"b\"c\""), "a\"b\"c");
    EXPECT_EQ(TPMFuncs::DelQuotes("plain"), "plain");
}

TEST(GetMainHeader, SplitsTheHeaderAndFindsBoundaryAndFlags) {
    TPMFuncs pm = Funcs();
    std::string header, body, mixed, alt;
    pm.GetMainHeader("\r\n  " + kMixedMessage, header, body, mixed, alt);
    EXPECT_EQ(header,
              "From: Alice <alice@example.org>\r\nTo: bob@example.org\r\nSubject: Report\r\nMIME-Version: 1.0\r\n"
              "Content-type: Multipart/Mixed; boundary=Message-Boundary-4711\r\nX-PM-Encryptor: ORVPGP-PM32, 5");
    EXPECT_EQ(mixed, "--Message-Boundary-4711");
    EXPECT_EQ(alt, "");
    EXPECT_TRUE(body.starts_with("--Message-Boundary-4711\r\nContent-type: text/plain"));
    EXPECT_TRUE(pm.IsMime);
    EXPECT_TRUE(pm.DoEncrypt);
    EXPECT_TRUE(pm.DoSign);
}

TEST(GetMainHeader, PGPMimeSwitchDropsTheMixedLineWithItsContinuation) {
    TPMFuncs pm = Funcs(true);
    std::string header, body, mixed, alt;
    // The boundary on a continuation line is joined before the 40 characters are skipped.
    pm.GetMainHeader("MIME-Version: 1.0\r\nContent-type: Multipart/Mixed;\r\n boundary=\"B\"\r\n"
                     "X-PM-Encryptor: ORVPGP-PM32, 1\r\n\r\npreamble\r\n--B\r\n\r\ntext\r\n--B--\r\n",
                     header, body, mixed, alt);
    EXPECT_EQ(header, "MIME-Version: 1.0\r\nX-PM-Encryptor: ORVPGP-PM32, 1");
    EXPECT_EQ(mixed, "--B");
    EXPECT_EQ(body, "--B\r\n\r\ntext\r\n--B--\r\n");
    EXPECT_TRUE(pm.DoEncrypt);
    EXPECT_FALSE(pm.DoSign);
}

TEST(GetMainHeader, SinglePartContentHeadersMoveInFrontOfTheBody) {
    TPMFuncs pm = Funcs();
    std::string header, body, mixed, alt;
    pm.GetMainHeader("To: b@x\r\nMIME-Version: 1.0\r\nContent-type: text/plain;\r\n charset=ISO-8859-1;\r\n"
                     "\tformat=flowed\r\nSubject: s\r\nContent-transfer-encoding: 7BIT\r\nX-PM-Encryptor: ORVPGP-PM32, 4\r\n"
                     "\r\nHello\r\n",
                     header, body, mixed, alt);
    // A moved line takes all its continuation lines along: none is left
    // behind to join the line before it.
    EXPECT_EQ(header, "To: b@x\r\nMIME-Version: 1.0\r\nSubject: s\r\nX-PM-Encryptor: ORVPGP-PM32, 4");
    EXPECT_EQ(body,
              "Content-type: text/plain;\r\n charset=ISO-8859-1;\r\n\tformat=flowed\r\nContent-transfer-encoding: 7BIT"
              "\r\n\r\nHello\r\n");
    EXPECT_FALSE(pm.DoEncrypt);
    EXPECT_TRUE(pm.DoSign);
}

TEST(GetMainHeader, AlternativeBoundaryAndOddInput) {
    TPMFuncs pm = Funcs();
    std::string header, body, mixed, alt;
    pm.GetMainHeader("MIME-Version: 1.0\r\nContent-type: Multipart/Alternative; boundary=\"alt-1\"\r\n\r\n"
                     "junk\r\n--alt-1\r\nContent-type: text/plain\r\n\r\nA\r\n--alt-1--",
                     header, body, mixed, alt);
    EXPECT_EQ(alt, "--alt-1");
    EXPECT_EQ(body, "--alt-1\r\nContent-type: text/plain\r\n\r\nA\r\n--alt-1--");
    EXPECT_EQ(header, "MIME-Version: 1.0\r\nContent-type: Multipart/Alternative; boundary=\"alt-1\"");

    TPMFuncs other = Funcs();
    other.GetMainHeader("no blank line at all", header, body, mixed, alt);
    EXPECT_EQ(header, "");
    EXPECT_EQ(body, "no blank line at all");
    other.GetMainHeader("X-PM-Encryptor: ORVPGP-PM32, x5\r\nContent-type: Multipart/Mixed; boundary=\r\n\r\nb",
                        header, body, mixed, alt);
    EXPECT_FALSE(other.DoEncrypt || other.DoSign) << "a flags number that is no number sets nothing";
    EXPECT_EQ(mixed, "") << "an empty boundary is no boundary";
}

TEST(GetMainHeader, TakingTheMessageSplitsItAlikeInItsOwnBuffer) {
    const std::string messages[] = {
        "\r\n  " + kMixedMessage,
        "To: b@x\r\nMIME-Version: 1.0\r\nContent-type: text/plain;\r\n charset=ISO-8859-1;\r\n\tformat=flowed\r\n"
        "Content-transfer-encoding: 7BIT\r\n\r\nHello\r\n",
        "MIME-Version: 1.0\r\nContent-type: Multipart/Alternative; boundary=\"alt-1\"\r\n\r\njunk\r\n--alt-1\r\n\r\nA\r\n",
        "To: b@x\r\nSubject: not MIME\r\n\r\nplain text\r\n", "no blank line at all"};
    for (const std::string& original : messages) {
        TPMFuncs given = Funcs(), taking = Funcs();
        std::string header, body, mixed, alt, header2, body2, mixed2, alt2;
        given.GetMainHeader(original, header, body, mixed, alt);
        std::string message = original;
        const char* const buffer = message.data();
        taking.TakeMainHeader(message, header2, body2, mixed2, alt2);
        EXPECT_EQ(header2, header);
        EXPECT_EQ(body2, body);
        EXPECT_EQ(mixed2, mixed);
        EXPECT_EQ(alt2, alt);
        if (given.IsMime) {
            EXPECT_TRUE(message.empty());
            EXPECT_EQ(body2.data(), buffer) << "the body stays in the message's buffer";
        } else {
            EXPECT_EQ(message, original) << "a message that is not MIME is still needed whole";
        }
    }
}

TEST(PartExtract, WalksTheClientsParts) {
    TPMFuncs pm = Funcs();
    std::string header, body, mixed, alt;
    pm.GetMainHeader(kMixedMessage, header, body, mixed, alt);
    const auto parts = AllParts(body, mixed, alt);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].Header,
              "Content-type: text/plain; charset=ISO-8859-1\r\nContent-transfer-encoding: Quoted-printable\r\n"
              "Content-description: Mail message body");
    EXPECT_EQ(parts[0].Body, "Gr=FC=DFe, Bob\r\n");
    EXPECT_FALSE(parts[0].IsAttachment);
    EXPECT_TRUE(parts[1].IsAttachment);
    EXPECT_EQ(parts[1].Body, "AAECAw==\r\n");
}

TEST(PartExtract, AlternativeContainerAndItsSubParts) {
    const std::string body =
        "--M\r\nContent-type: Multipart/Alternative; boundary=\"A\"\r\n\r\npre\r\n--A\r\nContent-type: text/plain\r\n"
        "\r\nplain\r\n--A\r\nContent-type: text/html\r\n\r\n<p>html</p>\r\n--A--\r\n\r\n--M\r\nContent-type: x/y\r\n"
        "Content-Disposition: attachment;\r\n filename=\"f\"\r\n\r\nF\r\n--M--\r\n";
    std::string alt;
    std::string_view rest = body;
    const TMailPart container = TPMFuncs::PartExtract(rest, "--M", alt);
    EXPECT_TRUE(container.IsAlternative);
    EXPECT_EQ(alt, "--A");
    EXPECT_EQ(container.Header, "");
    EXPECT_TRUE(container.Body.starts_with("--A\r\nContent-type: text/plain"));
    std::string_view inner = container.Body;
    const TMailPart first = TPMFuncs::PartExtract(inner, alt, alt);
    EXPECT_EQ(first.Body, "plain");
    EXPECT_FALSE(first.IsAttachment);
    const TMailPart second = TPMFuncs::PartExtract(inner, alt, alt);
    EXPECT_EQ(second.Body, "<p>html</p>");
    EXPECT_TRUE(inner.empty()) << "the closing delimiter ends the container";
    const TMailPart file = TPMFuncs::PartExtract(rest, "--M", alt);
    EXPECT_TRUE(file.IsAttachment) << "filename= on the disposition's continuation line";
    EXPECT_TRUE(rest.empty());
}

TEST(PartExtract, HostileBoundariesAndMissingEnds) {
    // A boundary that is a prefix of another one never cuts at the longer one's lines.
    std::string alt;
    const std::string body = "--b\r\n\r\none\r\n--b2\r\nnot a delimiter\r\n--b\r\n\r\ntwo\r\n--b--";
    auto parts = AllParts(body, "--b", alt);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].Body, "one\r\n--b2\r\nnot a delimiter");
    EXPECT_EQ(parts[1].Body, "two");

    // No closing delimiter: the last part runs to the end.
    parts = AllParts("--b\r\nContent-type: a/b\r\n\r\nrest without end\r\n", "--b", alt);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].Body, "rest without end\r\n");

    // Delimiters right after each other, and NUL bytes inside a part.
    parts = AllParts(std::string("--b\r\n--b\r\n\r\nx\0y\r\n--b--", 22), "--b", alt);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].Body, "");
    EXPECT_EQ(parts[1].Body, std::string("x\0y", 3));

    // A text that does not begin with a header keeps its first paragraph.
    std::string_view plain = "Dear Bob, hello.\r\nSecond line\r\n\r\nMore";
    const TMailPart whole = TPMFuncs::PartExtract(plain, "", alt);
    EXPECT_EQ(whole.Header, "");
    EXPECT_EQ(whole.Body, "Dear Bob, hello.\r\nSecond line\r\n\r\nMore");
}

TEST(GetAttachmentName, RewritesTheNameOntoItsOwnLineAndHandlesTheParameter) {
    struct Row {
        std::string header;
        int mode;
        std::string name, rewritten;
    };
    const std::vector<Row> rows = {
        {"Content-type: Application/Octet-stream\r\nContent-disposition: attachment; filename=\"report.pdf\"\r\n"
         "Content-transfer-encoding: BASE64",
         0, "report.pdf",
         "Content-type: Application/Octet-stream\r\nContent-disposition: attachment; filename=\r\n \"report.pdf\"\r\n"
         "Content-transfer-encoding: BASE64"},
        // Our own layout: mode 1 drops the parameter, mode 0 keeps it.
        {"Content-disposition: attachment; filename=\r\n \"a.txt.pgp\";\r\n"
         " x-encryption=\"ORVPGP-PM32\"; x-encryption-flags=5",
         1, "a.txt.pgp", "Content-disposition: attachment; filename=\r\n \"a.txt.pgp\""},
        {"Content-disposition: attachment; filename=\r\n \"a.txt.pgp\";\r\n"
         " x-encryption=\"ORVPGP-PM32\"; x-encryption-flags=5",
         0, "a.txt.pgp",
         "Content-disposition: attachment; filename=\r\n \"a.txt.pgp\";\r\n"
         " x-encryption=\"ORVPGP-PM32\"; x-encryption-flags=5"},
        // Latin-1 names become an encoded word; the content type's name follows it.
        {"Content-type: Application/Octet-stream; name=\"Gr\xFC\xDF" "e.txt\"; type=Unknown\r\n"
         "Content-disposition: attachment; filename=\"Gr\xFC\xDF" "e.txt\"",
         1, "=?ISO-8859-1?Q?Gr=FC=DFe.txt?=",
         "Content-type: Application/Octet-stream; name=\r\n \"=?ISO-8859-1?Q?Gr=FC=DFe.txt?=\"; type=Unknown\r\n"
         "Content-disposition: attachment; filename=\r\n \"=?ISO-8859-1?Q?Gr=FC=DFe.txt?=\""},
        // The description takes the name in single quotes; the walk stops there.
        {"Content-type: text/plain; name=\"keep\"\r\nContent-description: File 'x.doc'\r\n"
         "Content-disposition: attachment; filename=\"x.doc\"",
         1, "x.doc",
         "Content-type: text/plain; name=\"keep\"\r\nContent-description: File\r\n 'x.doc'\r\n"
         "Content-disposition: attachment; filename=\r\n \"x.doc\""},
        {"Content-type: text/plain", 1, "", "Content-type: text/plain"},
    };
    for (const Row& r : rows) {
        std::string header = r.header;
        EXPECT_EQ(TPMFuncs::GetAttachmentName(header, r.mode), r.name) << r.header;
        EXPECT_EQ(header, r.rewritten) << r.header;
    }
}

TEST(SetBodyHeader, ClientsContentTypeWithCharsetAndEncoding) {
    TPMFuncs pm = Funcs();
    pm.HostCharset = "ISO-8859-1";
    EXPECT_EQ(pm.SetBodyHeader("-----BEGIN PGP MESSAGE-----\r\n", "Content-type: text/plain; charset=ISO-8859-1\r\n"
                                                                  "Content-transfer-encoding: 8BIT"),
              "Content-type: text/plain; charset=US-ASCII\r\nContent-transfer-encoding: 7BIT\r\n"
              "Content-description: Mail message body");
    EXPECT_EQ(pm.SetBodyHeader("caf\xE9", "X: 1\r\ncontent-type: Text/HTML"),
              "content-type: Text/HTML; charset=ISO-8859-1\r\nContent-transfer-encoding: 8BIT\r\n"
              "Content-description: Mail message body");
    EXPECT_EQ(pm.SetBodyHeader("x", "Content-description: only"), "");
}

TEST(EncodeAttachment, BodiesGoOutAsBase64) {
    std::string header = "Content-type: Application/Octet-stream\r\nContent-transfer-encoding: 7BIT\r\n"
                         "Content-disposition: attachment; filename=\"f.bin\"";
    std::string body("\x00\x01\x02\xFF", 4);
    EXPECT_EQ(TPMFuncs::EncodeAttachment(header, body, 1), 1);
    EXPECT_EQ(body, "AAEC/w==");
    EXPECT_EQ(header, "Content-type: Application/Octet-stream\r\nContent-transfer-encoding: BASE64\r\n"
                      "Content-disposition: attachment; filename=\r\n \"f.bin\"");
    // Already base64: left as it is.
    EXPECT_EQ(TPMFuncs::EncodeAttachment(header, body, 1), 1);
    EXPECT_EQ(body, "AAEC/w==");
    // Without a transfer-encoding line one is added; an empty file stays empty.
    header = "Content-type: a/b";
    body.clear();
    EXPECT_EQ(TPMFuncs::EncodeAttachment(header, body, 1), 1);
    EXPECT_EQ(header, "Content-type: a/b\r\nContent-transfer-encoding: BASE64");
    EXPECT_EQ(body, "");
}

TEST(RemoveCryptHeaders, WholeMessageGoesOutWithoutEncryptorHeaderAndParameters) {
    TPMFuncs pm = Funcs(true);
    const std::string message =
        "To: b@x\r\nMIME-Version: 1.0\r\nContent-type: Multipart/Mixed; boundary=MB\r\n"
        "X-PM-Encryptor: ORVPGP-PM32, 5\r\nSubject: s\r\n\r\n"
        "--MB\r\nContent-type: text/plain\r\n\r\nHi\r\n"
        "--MB\r\nContent-type: text/plain; charset=US-ASCII\r\nContent-transfer-encoding: 7BIT\r\n"
        "Content-disposition: attachment; filename=\r\n \"a.txt\";\r\n"
        " x-encryption=\"ORVPGP-PM32\"; x-encryption-flags=1\r\n\r\nabc\r\n"
        "--MB\r\nContent-type: Application/Octet-stream\r\nContent-transfer-encoding: BASE64\r\n"
        "Content-disposition: attachment; filename=\"old.CNM\"\r\n\r\n"
        + orv::TMCFuncs::Base64EncodeBuffer("From: x\r\n\r\nstored") + "\r\n--MB--\r\n";
    // Called for the whole message the mixed line stays, whatever the switch.
    std::string out = pm.RemoveCryptHeaders(message, "");
    EXPECT_EQ(out,
              "To: b@x\r\nMIME-Version: 1.0\r\nContent-type: Multipart/Mixed; boundary=MB\r\nSubject: s\r\n\r\n"
              "--MB\r\nContent-type: text/plain\r\n\r\nHi\r\n\r\n"
              "--MB\r\nContent-type: text/plain; charset=US-ASCII\r\nContent-transfer-encoding: BASE64\r\n"
              "Content-disposition: attachment; filename=\r\n \"a.txt\"\r\n\r\nYWJj\r\n\r\n"
              "--MB\r\nContent-type: Message/RFC822\r\n\r\nFrom: x\r\n\r\nstored\r\n\r\n--MB--");
}

TEST(RemoveCryptHeaders, SinglePartAndAlternativeMessages) {
    TPMFuncs pm = Funcs();
    EXPECT_EQ(pm.RemoveCryptHeaders("To: b@x\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\nContent-type: text/plain\r\n\r\nHi",
                                    ""),
              "To: b@x\r\nContent-type: text/plain\r\n\r\nHi");
    EXPECT_EQ(pm.RemoveCryptHeaders("To: b@x\r\nX-PM-Encryptor: ORVPGP-PM32, 1\r\n\r\nno content headers", ""),
              "To: b@x\r\n\r\nno content headers");
    const std::string alt = "To: b@x\r\nContent-type: Multipart/Alternative; boundary=A\r\n"
                            "X-PM-Encryptor: ORVPGP-PM32, 4\r\n\r\n--A\r\nContent-type: text/plain\r\n\r\np\r\n"
                            "--A\r\nContent-type: text/html\r\n\r\nh\r\n--A--\r\n";
    EXPECT_EQ(pm.RemoveCryptHeaders(alt, ""),
              "To: b@x\r\nContent-type: Multipart/Alternative; boundary=A\r\n\r\n--A\r\nContent-type: text/plain\r\n"
              "\r\np\r\n--A\r\nContent-type: text/html\r\n\r\nh\r\n--A--\r\n");
}

TEST(HostileInput, MegabyteHeadersEndlessContinuationsAndNulBytes) {
    TPMFuncs pm = Funcs();
    std::string big = "Subject: x\r\n";
    for (int i = 0; i < 100000; ++i) big += " continued line\r\n";
    big += "X-Long: " + std::string(1 << 20, 'h') + "\r\nMIME-Version: 1.0\r\n";
    big += "Content-type: Multipart/Mixed; boundary=" + std::string(5000, 'q') + "\r\n\r\n";
    big += std::string("--") + std::string(5000, 'q') + "\r\nContent-type: a/b\r\n\r\n" + std::string(1000, '\0');
    std::string header, body, mixed, alt;
    pm.GetMainHeader(big, header, body, mixed, alt);
    EXPECT_TRUE(pm.IsMime);
    EXPECT_EQ(mixed.size(), 5002u);
    const auto parts = AllParts(body, mixed, alt);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].Body, std::string(1000, '\0'));
    const std::string out = pm.RemoveCryptHeaders(big, "");
    EXPECT_TRUE(out.ends_with(mixed + "--"));
    EXPECT_GT(out.size(), big.size() / 2);

    std::string header2(200000, 'x');
    header2.insert(0, "Content-disposition: \"");
    EXPECT_EQ(TPMFuncs::GetAttachmentName(header2, 1).size(), 0u) << "one quote gives no name";
}

}  // namespace
