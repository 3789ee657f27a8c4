#include "formats/mcfuncs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using orv::TMCFuncs;
using namespace std::string_literals;

const std::string kEnd = std::string(orv::kMailEndLine) + "\r\n\r\n";

// ---- first alternative ------------------------------------------------------

TEST(StripHtml, KeepsTheFirstAlternativeDecoded) {
    struct Row {
        std::string name, text, result;
    };
    const std::vector<Row> rows = {
        {"quoted-printable first part",
         "preamble\r\n--alt\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n\r\nGr=FC=DFe=\r\n Welt\r\n"
         "--alt\r\nContent-Type: text/html\r\n\r\n<p>x</p>\r\n--alt--\r\n",
         "Gr\xFC\xDF" "e Welt"},
        {"plain first part",
         "--alt\r\nContent-Type: text/plain\r\n\r\nplain text\r\nline2\r\n--alt\r\nContent-Type: text/html\r\n\r\nh\r\n",
         "plain text\r\nline2"},
        {"no closing boundary", "--alt\r\nContent-Type: text/plain\r\n\r\nonly part", "only part"},
        {"longer boundary with the same start is text",
         "--alt\r\nContent-Type: text/plain\r\n\r\nx\r\n--alternative\r\ny\r\n--alt--", "x\r\n--alternative\r\ny"},
        {"delimiter must start a line", "x--alt\r\nContent-Type: text/plain\r\n\r\nbody",
         "x--alt\r\nContent-Type: text/plain\r\n\r\nbody"},
        {"header never ends", "--alt\r\nContent-Type: text/plain\r\nno blank line\r\n--alt--\r\n", ""},
        {"no header lines", "--alt\r\n\r\nbare\r\n--alt--", "bare"},
    };
    for (const Row& r : rows) EXPECT_EQ(TMCFuncs::StripHtml("alt", r.text), r.result) << r.name;
}

// ---- readable multipart -----------------------------------------------------

const std::string kMixedBody =
    "This is a MIME message\r\n"
    "--b1\r\n"
    "Content-Type: text/plain; charset=ISO-8859-1\r\n"
    "Content-Transfer-Encoding: quoted-printable\r\n"
    "\r\n"
    "Hallo =FC\r\n"
    "--b1\r\n"
    "Content-Type: application/pdf; name=\"a.pdf\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename=\"a.pdf\"\r\n"
    "\r\n"
    "JVBERi0=\r\n"
    "--b1\r\n"
    "Content-Type: text/plain; name=\"notes.txt\"\r\n"
    "Content-Disposition: attachment; filename=\"notes.txt\"\r\n"
    "\r\n"
    "notes\r\n"
    "--b1--\r\n"
    "epilogue\r\n";

const std::string kMixedText =
    "Hallo \xFC\r\n"
    "\r\n=> Attachment: Content-Type: application/pdf\r\n"
    "\r\n=> Attachment: Content-Type: text/plain\r\n";

TEST(ExtractMime, TextPartsAndAttachmentLines) {
    EXPECT_EQ(TMCFuncs::ExtractMime("b1", kMixedBody), kMixedText);
}

TEST(ExtractMime, DescendsOnceIntoANestedMultipart) {
    const std::string body =
        "--b1\r\nContent-Type: multipart/alternative; boundary=\"b1-alt\"\r\n\r\n"
        "--b1-alt\r\nContent-Type: text/plain\r\n\r\nfirst alt\r\n"
        "--b1-alt\r\nContent-Type: text/html\r\n\r\n<b>html</b>\r\n--b1-alt--\r\n\r\n"
        "--b1\r\nContent-Description: =?ISO-8859-1?Q?Gr=FC=DFe?=\r\nContent-Type: image/png\r\n\r\nPNG\r\n"
        "--b1--\r\n";
    EXPECT_EQ(TMCFuncs::ExtractMime("b1", body),
              "first alt\r\n\r\n=> Attachment: Content-Description: Gr\xFC\xDF" "e\r\n");
}

TEST(ExtractMime, HostileStructures) {
    struct Row {
        std::string name, boundary, text, result;
    };
    const std::vector<Row> rows = {
        {"no closing boundary", "b", "--b\r\nContent-Type: text/plain\r\n\r\nunterminated", "unterminated"},
        {"header only", "b", "--b\r\nContent-Type: text/plain\r\n--b--", ""},
        {"headerless part is text", "b", "--b\r\n\r\nbody\r\n--b--", "body\r\n"},
        {"no delimiter at all", "b", "Content-Type: text/plain\r\n\r\ntext", ""},
        {"empty boundary", "", "--\r\n\r\ntext\r\n----", ""},
        {"delimiter with trailing garbage is content", "b", "--b\r\n\r\nx\r\n--bogus\r\n--b\r\n\r\ny\r\n--b--",
         "x\r\n--bogus\r\ny\r\n"},
        {"transport padding after delimiter", "b", "--b  \r\n\r\nx\r\n--b-- \t\r\n", "x\r\n"},
        {"text part with a file name is an attachment", "b",
         "--b\r\nContent-Type: TEXT/plain\r\nContent-Disposition: attachment; FILENAME=x.txt\r\n\r\nx\r\n--b--",
         "\r\n=> Attachment: Content-Type: TEXT/plain\r\n"},
        {"NUL bytes pass", "b", "--b\r\n\r\na\0b\r\n--b--"s, "a\0b\r\n"s},
        {"boundary holding a line end matches nothing", "x\ny", "--x\ny\r\n\r\ntext\r\n--x\ny--", ""},
        {"long boundary", std::string(3000, 'a'),
         "--" + std::string(3000, 'a') + "\r\n\r\nbody\r\n--" + std::string(2999, 'a') + "\r\n--" +
             std::string(3000, 'a') + "--",
         "body\r\n--" + std::string(2999, 'a') + "\r\n"},
    };
    for (const Row& r : rows) EXPECT_EQ(TMCFuncs::ExtractMime(r.boundary, r.text), r.result) << r.name;
}

TEST(ExtractMime, ManyParts) {
    std::string body;
    for (int i = 0; i < 20000; ++i) body += "--m\r\nContent-Type: text/plain\r\n\r\nline\r\n";
    body += "--m--\r\n";
    const std::string text = TMCFuncs::ExtractMime("m", body);
    EXPECT_EQ(text.size(), 20000u * 6);
}

// ---- readable message -------------------------------------------------------

TEST(ExtractBody, LayoutsOfPlainMessages) {
    struct Row {
        std::string name, message, result;
    };
    const std::vector<Row> rows = {
        {"bare line feeds become CR LF",
         "From: Alice <a@x>\nTo: Bob\nSubject: Hi\nDate: Tue, 2 Jan 2024\n\nHello Bob\nBye\n",
         "From: Alice <a@x>\r\nSubject: Hi\r\nDate: Tue, 2 Jan 2024\r\n\r\nHello Bob\r\nBye\r\n\r\n" + kEnd},
        {"lone carriage returns and mixed ends become CR LF", "From: a\r\rone\rtwo\nthree\r\n\n\rfour\r",
         "From: a\r\n\r\none\r\ntwo\r\nthree\r\n\r\n\r\nfour\r\n\r\n" + kEnd},
        {"single quoted-printable part",
         "From: a\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
         "Gr=FC=DFe\r\n",
         "From: a\r\n\r\nGr\xFC\xDF" "e\r\n\r\n" + kEnd},
        {"copy to self is shown as it is",
         "X-cs: 1\r\nTo: you\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: "
         "quoted-printable\r\n\r\nraw=FC",
         "To: you\r\n\r\nraw=FC\r\n\r\n" + kEnd},
        {"zero byte ends the body", "From: a\r\n\r\nabc\0def\r\n"s,
         "From: a\r\n\r\nabc => Attachment: ???\r\n\r\n" + kEnd},
        {"body without line end", "From: a\r\n\r\nabc", "From: a\r\n\r\nabc\r\n\r\n" + kEnd},
        {"body ending in a blank line", "From: a\r\n\r\nabc\r\n\r\n", "From: a\r\n\r\nabc\r\n\r\n" + kEnd},
        {"empty body", "From: a\r\n\r\n", "From: a\r\n\r\n" + kEnd},
        {"no header block", "just text", "\r\njust text\r\n\r\n" + kEnd},
        {"mixed message",
         "From: a\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n" + kMixedBody,
         "From: a\r\n\r\n" + kMixedText + "\r\n" + kEnd},
        {"alternative message",
         "Subject: alt\r\nContent-Type: multipart/alternative; boundary=alt\r\n\r\n--alt\r\nContent-Type: "
         "text/plain\r\n\r\nfirst\r\n--alt\r\nContent-Type: text/html\r\n\r\n<p>first</p>\r\n--alt--\r\n",
         "Subject: alt\r\n\r\nfirst\r\n\r\n" + kEnd},
    };
    TMCFuncs mc;
    for (const Row& r : rows) EXPECT_EQ(mc.ExtractBody(r.message), r.result) << r.name;
}

TEST(ExtractBody, SignedMessageIsExtractedOnce) {
    const std::string message =
        "From: a\r\nContent-Type: multipart/signed; micalg=pgp-sha1;\r\n protocol=\"application/pgp-signature\"; "
        "boundary=\"sig\"\r\n\r\n"
        "--sig\r\nContent-Type: multipart/mixed; boundary=\"in\"\r\n\r\n"
        "--in\r\nContent-Type: text/plain\r\n\r\nsigned text\r\n"
        "--in\r\nContent-Type: image/gif\r\nContent-Disposition: attachment; filename=\"x.gif\"\r\n\r\nGIF\r\n"
        "--in--\r\n"
        "--sig\r\nContent-Type: application/pgp-signature\r\n\r\n-----BEGIN PGP SIGNATURE-----\r\nabc\r\n"
        "-----END PGP SIGNATURE-----\r\n--sig--\r\n";
    TMCFuncs mc;
    EXPECT_EQ(mc.ExtractBody(message),
              "From: a\r\n\r\n\r\nsigned text\r\n\r\n=> Attachment: Content-Type: image/gif\r\n\r\n" + kEnd);
}

const std::string kBlock = "-----BEGIN PGP MESSAGE-----\r\n\r\nhQEMA\r\n-----END PGP MESSAGE-----";
const std::string kEncrypted =
    "From: a\r\nSubject: secret\r\nContent-Type: multipart/encrypted; protocol=\"application/pgp-encrypted\"; "
    "boundary=\"enc\"\r\n\r\n--enc\r\nContent-Type: application/pgp-encrypted\r\n\r\nVersion: 1\r\n"
    "--enc\r\nContent-Type: application/octet-stream\r\n\r\n" + kBlock + "\r\n--enc--\r\n";
const std::string kReport = "PGP-Info: \tGood signature\r\n___________\r\n\r\n";

struct FakeDecoder {
    std::vector<std::string> inputs;
    std::string answer;
    std::string operator()(const std::string& in) {
        inputs.push_back(in);
        return answer.empty() ? in : answer;
    }
};

TEST(ExtractBody, EncryptedMessageIsDecryptedOnlyForTheViewer) {
    FakeDecoder decoder;
    decoder.answer = kReport +
                     "Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                     "Geheim =FC\r\n";
    TMCFuncs mc;
    mc.Services.ViewDecode = [&](const std::string& in) { return decoder(in); };

    EXPECT_EQ(mc.ExtractBody(kEncrypted),
              "From: a\r\nSubject: secret\r\n\r\n" + kEncrypted.substr(kEncrypted.find("--enc\r\n")) + "\r\n" + kEnd);
    EXPECT_TRUE(decoder.inputs.empty());

    mc.ViewDecrypt = true;
    EXPECT_EQ(mc.ExtractBody(kEncrypted),
              "From: a\r\nSubject: secret\r\n\r\n" + kReport + "\r\nGeheim \xFC\r\n\r\n" + kEnd);
    ASSERT_EQ(decoder.inputs.size(), 1u);
    EXPECT_EQ(decoder.inputs[0], kBlock);
}

TEST(ExtractBody, DecryptedPlainTextKeepsItsFirstParagraph) {
    FakeDecoder decoder;
    decoder.answer = "Hello Bob,\r\n\r\nsecret text\r\n";
    TMCFuncs mc;
    mc.ViewDecrypt = true;
    mc.Services.ViewDecode = [&](const std::string& in) { return decoder(in); };
    EXPECT_EQ(mc.ExtractBody(kEncrypted),
              "From: a\r\nSubject: secret\r\n\r\n\r\nHello Bob,\r\n\r\nsecret text\r\n\r\n" + kEnd);
}

TEST(ExtractBody, FailedDecryptionShowsTheBlock) {
    FakeDecoder decoder;  // gives its input back: nothing decoded
    TMCFuncs mc;
    mc.ViewDecrypt = true;
    mc.Services.ViewDecode = [&](const std::string& in) { return decoder(in); };
    EXPECT_EQ(mc.ExtractBody(kEncrypted), "From: a\r\nSubject: secret\r\n\r\n" + kBlock + "\r\n\r\n" + kEnd);
}

TEST(ExtractBody, InlinePgpIsDecryptedOnlyForTheViewer) {
    const std::string message = "From: a\r\n\r\nHi\r\n" + kBlock + "\r\n";
    FakeDecoder decoder;
    decoder.answer = "DECODED\r\n";
    TMCFuncs mc;
    mc.Services.ViewDecode = [&](const std::string& in) { return decoder(in); };
    EXPECT_EQ(mc.ExtractBody(message), "From: a\r\n\r\nHi\r\n" + kBlock + "\r\n\r\n" + kEnd);
    mc.ViewDecrypt = true;
    EXPECT_EQ(mc.ExtractBody(message), "From: a\r\n\r\nDECODED\r\n\r\n" + kEnd);
    ASSERT_EQ(decoder.inputs.size(), 1u);
    EXPECT_EQ(decoder.inputs[0], "Hi\r\n" + kBlock + "\r\n");
}

TEST(ExtractBody, EndlessNestingStops) {
    std::string message;
    for (int i = 0; i < 5000; ++i) message += "Content-Type: multipart/signed; boundary=s\r\n\r\n";
    message += "innermost\r\n";
    TMCFuncs mc;
    const std::string text = mc.ExtractBody(message);
    EXPECT_NE(text.find(orv::kMailEndLine), std::string::npos);

    // a decryption that yields another encrypted message each time
    FakeDecoder decoder;
    decoder.answer = kEncrypted;
    mc.ViewDecrypt = true;
    mc.Services.ViewDecode = [&](const std::string& in) { return decoder(in); };
    const std::string decrypted = mc.ExtractBody(kEncrypted);
    EXPECT_NE(decrypted.find(orv::kMailEndLine), std::string::npos);
    EXPECT_LE(decoder.inputs.size(), 20u);
    EXPECT_GE(decoder.inputs.size(), 2u);
}

TEST(ExtractBody, MegabyteHeaderWithoutEnd) {
    std::string message = "Subject: x\r\n";
    while (message.size() < 1 << 20) message += " continued\r\n";
    TMCFuncs mc;
    // no blank line: everything is body
    EXPECT_EQ(mc.ExtractBody(message), "\r\n" + message + "\r\n" + kEnd);
}

// ---- body conversions for decryption ----------------------------------------

const std::string kQpHeader =
    "Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
const std::string kMixedEntity =
    "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
    "--m\r\nContent-Type: image/gif\r\n\r\nGIF\r\n--m--\r\n";

TEST(ConvertQPCodes, ChoosesTheConversionByHeader) {
    struct Row {
        std::string name, header, body, qp, encQp;
    };
    const std::vector<Row> rows = {
        {"quoted-printable", kQpHeader, "a=3Db", "a=b", "a=b"},
        {"7bit text", "Content-Type: text/plain\r\n\r\n", "a=3Db", "", "a=3Db"},
        {"no header", "", "a=3Db", "", "a=3Db"},
        {"alternative", "Content-Type: multipart/alternative; boundary=x\r\n\r\n",
         "--x\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n=FC\r\n--x--",
         "\xFC", "\xFC"},
        {"mixed", "Content-Type: multipart/mixed; boundary=m\r\n\r\n", kMixedEntity.substr(kMixedEntity.find("--m")),
         "body\r\n\r\n=> Attachment: Content-Type: image/gif\r\n", "body\r\n\r\n=> Attachment: Content-Type: image/gif\r\n"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(TMCFuncs::ConvertQPCodes(r.header, r.body), r.qp) << r.name;
        EXPECT_EQ(TMCFuncs::ConvertEncQPCodes(r.header, r.body), r.encQp) << r.name;
    }
}

TEST(ConvertDecQPCodes, ContinuesTheTopHeader) {
    struct Row {
        std::string name, entity, result;
    };
    const std::vector<Row> rows = {
        // the decoded body must not be decoded a second time by the mail client
        {"quoted-printable", kQpHeader + "Gr=FC=DFe\r\n",
         "\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-transfer-encoding: 8BIT\r\n\r\nGr\xFC\xDF" "e\r\n"},
        {"nothing to convert", "Content-Type: text/plain\r\n\r\nplain", "\r\nContent-Type: text/plain\r\n\r\nplain"},
        {"multipart", kMixedEntity,
         "\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\nbody\r\n\r\n=> Attachment: Content-Type: image/gif\r\n"},
        {"no header block", "no header", "\r\nno header"},
    };
    for (const Row& r : rows) EXPECT_EQ(TMCFuncs::ConvertDecQPCodes(r.entity), r.result) << r.name;
}

}  // namespace
