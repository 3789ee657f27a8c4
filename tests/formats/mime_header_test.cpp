#include "formats/mcfuncs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using orv::TMCFuncs;
using namespace std::string_literals;

TEST(GetHeaderLine, JoinsContinuationLinesAndCutsThemOff) {
    struct Row {
        std::string text, line, rest;
    };
    const std::vector<Row> rows = {
        {"Subject: a\r\n b\r\n\tc\r\nTo: x\r\n", "Subject: a b c", "To: x\r\n"},
        {"Subject: a   \r\n", "Subject: a", ""},
        {"A: 1\r\n    2   \r\n\r\nbody", "A: 1 2", "\r\nbody"},
        {"no line end", "no line end", ""},
        {"\r\n\r\nbody", "", "\r\nbody"},
        {" leading\r\nX", " leading", "X"},  // only the first line's end is trimmed
        {"A: 1\n 2\nB", "A: 1 2", "B"},
        {"", "", ""},
    };
    for (const Row& r : rows) {
        std::string text = r.text;
        EXPECT_EQ(TMCFuncs::GetHeaderLine(text), r.line) << r.text;
        EXPECT_EQ(text, r.rest) << r.text;
    }
}

TEST(GetHeaderLine, EndlessContinuationBecomesOneLine) {
    std::string text = "X-Long: start\r\n";
    for (int i = 0; i < 200000; ++i) text += " x\r\n";
    text += "Next: 1\r\n";
    const std::string line = TMCFuncs::GetHeaderLine(text);
    EXPECT_EQ(line.size(), std::string("X-Long: start").size() + 200000 * 2);
    EXPECT_EQ(line.substr(line.size() - 4), " x x");
    EXPECT_EQ(text, "Next: 1\r\n");
}

TEST(GetHeader, CutsTheBlockWithItsBlankLine) {
    std::string text = "A: 1\r\nB: 2\r\n\r\nbody\r\n\r\nmore";
    EXPECT_EQ(TMCFuncs::GetHeader(text), "A: 1\r\nB: 2\r\n\r\n");
    EXPECT_EQ(text, "body\r\n\r\nmore");

    text = "\r\n\r\n";
    EXPECT_EQ(TMCFuncs::GetHeader(text), "\r\n\r\n");
    EXPECT_EQ(text, "");
}

TEST(GetHeader, WithoutBlankLineNothingIsCut) {
    for (const std::string original : {"A: 1\r\nbody", "A: 1\n\nbody", "", "\r\n\r"}) {
        std::string text = original;
        EXPECT_EQ(TMCFuncs::GetHeader(text), "");
        EXPECT_EQ(text, original);
    }
}

TEST(GetBounds, TakesTheParameterValue) {
    struct Row {
        std::string header, boundary;
    };
    const std::vector<Row> rows = {
        {"Content-Type: multipart/mixed; boundary=\"abc\"\r\n", "abc"},
        {"Content-Type: multipart/mixed; BOUNDARY=  \"Ab;c\"", "Ab"},  // cut at the first ";"
        {"Content-Type: multipart/mixed; boundary=xyz; charset=x", "xyz"},
        {"boundary=xyz  \r\nnext: 1", "xyz"},
        {"Content-Type: multipart/mixed;\r\n boundary=\"q\"\r\n", "q"},
        {"boundary=\"a\"\"b\"", "ab"},
        {"Content-Type: text/plain\r\n", ""},
        {"boundary=", ""},
        {"Content-Type: multipart/mixed; boundary=\r\n \"abc\"\r\n", "abc"},  // value on the next line
        {"Boundary=CaseKept", "CaseKept"},
    };
    for (const Row& r : rows) EXPECT_EQ(TMCFuncs::GetBounds(r.header), r.boundary) << r.header;
}

TEST(IsQP, OnlyLatin1QuotedPrintableAndThenTheLineGoes) {
    struct Row {
        std::string header;
        bool qp;
        std::string after;
    };
    const std::vector<Row> rows = {
        {"Content-Type: text/plain; charset=ISO-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n", true,
         "Content-Type: text/plain; charset=ISO-8859-1\r\n\r\n"},
        {"Content-Transfer-Encoding:\r\n quoted-printable\r\nContent-Type: text/plain;\r\n charset=\"iso-8859-1\"\r\n",
         true, "Content-Type: text/plain;\r\n charset=\"iso-8859-1\"\r\n"},
        {"Content-type: text/plain; charset=iso-8859-1\r\nContent-transfer-encoding: Quoted-Printable", true,
         "Content-type: text/plain; charset=iso-8859-1\r\n"},
        // a look-alike header name is neither tested nor cut
        {"X-Old-Content-Transfer-Encoding: base64\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n",
         true, "X-Old-Content-Transfer-Encoding: base64\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"},
        // another charset is encrypted without decoding
        {"Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n", false,
         "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n"},
        {"Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: base64\r\n", false,
         "Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: base64\r\n"},
        {"Content-Transfer-Encoding: quoted-printable\r\n", false, "Content-Transfer-Encoding: quoted-printable\r\n"},
        {"", false, ""},
    };
    for (const Row& r : rows) {
        std::string header = r.header;
        EXPECT_EQ(TMCFuncs::IsQP(header), r.qp) << r.header;
        EXPECT_EQ(header, r.after) << r.header;
    }
}

TEST(CompressHeader, DisplayHeaderKindAndBoundary) {
    struct Row {
        std::string header, display;
        int kind;
        std::string boundary;
    };
    const std::vector<Row> rows = {
        {"From: A <a@x>\r\nTo: b@y\r\nSubject: =?ISO-8859-1?Q?Gr=FC=DFe?=\r\nDate: Mon, 1 Jan 2024\r\n"
         "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n",
         "From: A <a@x>\r\nSubject: Gr\xFC\xDF" "e\r\nDate: Mon, 1 Jan 2024\r\n", orv::bkText, "b1"},
        // a copy to self shows the recipient instead of the sender
        {"X-cs: 1\r\nFrom: me\r\nTo: you\r\nSubject: s\r\n\r\n", "To: you\r\nSubject: s\r\n", orv::bkNone, ""},
        {"Subject: s\r\nContent-Type: multipart/alternative;\r\n boundary=\"alt\"\r\n\r\n", "Subject: s\r\n",
         orv::bkAlternative, "alt"},
        {"Content-Type: multipart/encrypted; protocol=\"application/pgp-encrypted\";\r\n boundary=\"enc\"\r\n", "",
         orv::bkEncrypted, "enc"},
        {"Content-Type: multipart/signed; micalg=pgp-sha1; protocol=\"application/pgp-signature\"; boundary=sig\r\n",
         "", orv::bkSigned, "sig"},
        // after the quoted-printable line no further line is examined
        {"Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n"
         "Content-Type: multipart/mixed; boundary=x\r\nSubject: still kept\r\n",
         "Subject: still kept\r\n", orv::bkQuoted, ""},
        {"Content-Transfer-Encoding:quoted-printable\r\n", "", orv::bkQuoted, ""},
        {"Subject: long\r\n\tsubject\r\n", "Subject: long subject\r\n", orv::bkNone, ""},
        {"DATE: x\r\nfrom: y\r\nReply-To: z\r\n", "DATE: x\r\nfrom: y\r\n", orv::bkNone, ""},
        // the first content type gives the boundary, the last one the kind
        {"Content-Type: multipart/mixed; boundary=one\r\nContent-Type: multipart/alternative; boundary=two\r\n", "",
         orv::bkAlternative, "one"},
        {"Content-Type: text/plain\r\nContent-Transfer-Encoding: 7bit\r\n", "", orv::bkText, ""},
        {"", "", orv::bkNone, ""},
    };
    for (const Row& r : rows) {
        std::string header = r.header;
        std::string boundary = "stale";
        EXPECT_EQ(TMCFuncs::CompressHeader(header, boundary), r.kind) << r.header;
        EXPECT_EQ(header, r.display) << r.header;
        EXPECT_EQ(boundary, r.boundary) << r.header;
    }
}

TEST(CompressHeader, MegabyteHeaderWithNulBytes) {
    std::string header = "Subject: big\r\n";
    for (int i = 0; i < 20000; ++i) header += "X-Junk: " + std::string(40, 'a') + "\0\r\n"s;
    header += "Content-Type: multipart/signed; boundary=s\r\n\r\n";
    std::string boundary;
    EXPECT_EQ(TMCFuncs::CompressHeader(header, boundary), orv::bkSigned);
    EXPECT_EQ(header, "Subject: big\r\n");
    EXPECT_EQ(boundary, "s");
}

}  // namespace
