#include "formats/mcfuncs.h"
#include "base/whole_file.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using orv::test::ReadAll;

using orv::TMCFuncs;
using orv::TMimePart;
using namespace std::string_literals;

std::string FakeText(int number) {
    static const std::map<int, std::string> texts = {
        {orv::txt::WRITE_ERROR, "Error writing data"},
        {orv::txt::_FILE, " File:"},
        {orv::txt::BASE64_ERROR, "BASE64 error"},
        {orv::txt::MIME_SAVE, "View/save PGP/MIME attachments:"},
        {orv::txt::MVIEW_HINT, "&View"},
        {orv::txt::MSAVE_HINT, "&Save"},
        {orv::txt::MCLOSE_HINT, "&Close"},
        {orv::txt::_SAVE, "Save"},
        {orv::txt::FILE_AS, "file as:"},
        {orv::txt::MM_BODY, "Message body"},
    };
    const auto it = texts.find(number);
    return it == texts.end() ? "?" : it->second;
}

// Records what the toolkit asks of the session.
struct Session {
    std::vector<std::string> errors, shown, decodeInputs;
    std::map<std::string, std::string> files;
    std::optional<std::string> decodeAnswer;
    bool writeFails = false;

    orv::TMimeServices Services() {
        orv::TMimeServices s;
        s.Text = FakeText;
        s.Error = [this](const std::string& t) { errors.push_back(t); };
        s.ShowText = [this](const std::string& t) { shown.push_back(t); };
        s.Decode = [this](const std::string& in) {
            decodeInputs.push_back(in);
            return decodeAnswer;
        };
        s.WriteFile = [this](const std::string& path, std::string_view bytes) {
            if (writeFails) return false;
            files[path] = std::string(bytes);
            return true;
        };
        return s;
    }
};

TEST(GetHeaderFlags, KindFlagsAndDisplayLine) {
    struct Row {
        std::string header;
        std::uint32_t flags;
        std::string line;
    };
    const std::vector<Row> rows = {
        {"Content-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n", orv::pkQuoted,
         "+ Message body\r\n\r\n"},
        {"Content-Type: application/pdf\r\nContent-Transfer-Encoding: BASE64\r\nContent-Disposition: attachment;\r\n "
         "filename=\"a b.pdf\"\r\n\r\n",
         orv::pkBase64 | orv::pkHasFileName, "+ File: a b.pdf\r\n\r\n"},
        {"Content-Disposition: attachment; filename=plain.txt\r\n", orv::pkHasFileName, "+ File: plain.txt\r\n\r\n"},
        {"Content-Disposition: attachment; filename=\"=?ISO-8859-1?Q?Gr=FC=DFe.txt?=\"\r\n", orv::pkHasFileName,
         "+ File: Gr\xFC\xDF" "e.txt\r\n\r\n"},
        {"Content-Disposition: attachment; filename=\"a\"b.txt\"; size=3\r\n", orv::pkHasFileName,
         "+ File: a\"b.txt\r\n\r\n"},
        // a decoded name cannot add lines to the entry
        {"Content-Disposition: attachment; filename=\"=?ISO-8859-1?Q?a=0D=0A=0D=0Ab?=\"\r\n", orv::pkHasFileName,
         "+ File: a    b\r\n\r\n"},
        {"Content-Type: application/pdf; name=\"only-type.pdf\"\r\n", orv::pkNone, "+ Message body\r\n\r\n"},
        {"Content-Disposition: inline\r\nContent-Transfer-Encoding: 7bit\r\n", orv::pkNone, "+ Message body\r\n\r\n"},
        {"", orv::pkNone, "+ Message body\r\n\r\n"},
    };
    TMCFuncs mc;
    mc.Services.Text = FakeText;
    mc.NestingLevel = 1;
    for (const Row& r : rows) {
        std::string header = r.header;
        std::string line;
        EXPECT_EQ(mc.GetHeaderFlags(header, line), r.flags) << r.header;
        EXPECT_EQ(line, r.line) << r.header;
        EXPECT_EQ(header, "");
    }
}

TEST(GetHeaderFlags, IndentsByNestingLevel) {
    TMCFuncs mc;
    mc.Services.Text = FakeText;
    mc.NestingLevel = 3;
    std::string header = "Content-Disposition: attachment; filename=\"x\"\r\n";
    std::string line;
    mc.GetHeaderFlags(header, line);
    EXPECT_EQ(line, "        + File: x\r\n\r\n");
}

const std::string kMixedMessage =
    "From: Alice <a@x>\r\n"
    "To: Bob\r\n"
    "Subject: =?ISO-8859-1?Q?Gr=FC=DFe?=\r\n"
    "Date: Tue, 2 Jan 2024\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed;\r\n boundary=\"mix\"\r\n"
    "\r\n"
    "preamble\r\n"
    "--mix\r\n"
    "Content-Type: text/plain; charset=iso-8859-1\r\n"
    "Content-Transfer-Encoding: quoted-printable\r\n"
    "\r\n"
    "Hallo =FC\r\n"
    "--mix\r\n"
    "Content-Type: application/octet-stream\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename=\"data.bin\"\r\n"
    "\r\n"
    "AAEC/w==\r\n"
    "--mix\r\n"
    "Content-Type: message/rfc822\r\n"
    "Content-Disposition: attachment; filename=\"fwd.eml\"\r\n"
    "\r\n"
    "From: Carol\r\n"
    "Subject: inner\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: text/plain\r\n"
    "\r\n"
    "inner body\r\n"
    "--mix--\r\n";

TEST(SaveMimeAttachments, ListsPartsAndAttachedMessages) {
    Session session;
    TMCFuncs mc(session.Services());
    ASSERT_TRUE(mc.SaveMimeAttachments(kMixedMessage));
    ASSERT_EQ(mc.slMimeParts.size(), 3u);
    EXPECT_EQ(mc.slMimeParts[0].Entry,
              "+ Message body\r\n\r\nFrom: Alice <a@x>\r\nSubject: Gr\xFC\xDF" "e\r\nDate: Tue, 2 Jan 2024\r\n\r\n"
              "Hallo =FC");
    EXPECT_EQ(mc.slMimeParts[0].Flags, orv::pkQuoted);
    EXPECT_EQ(mc.slMimeParts[1].Entry, "+ File: data.bin\r\n\r\nAAEC/w==");
    EXPECT_EQ(mc.slMimeParts[1].Flags, orv::pkBase64 | orv::pkHasFileName);
    EXPECT_EQ(mc.slMimeParts[2].Entry, "    + Message body\r\n\r\nFrom: Carol\r\nSubject: inner\r\n\r\ninner body");
    EXPECT_EQ(mc.slMimeParts[2].Flags, orv::pkNone);
    EXPECT_EQ(mc.slMimeParts[2].Caption(), "    + Message body");
    EXPECT_EQ(mc.slMimeParts[1].Data(), "AAEC/w==");
    EXPECT_EQ(mc.NestingLevel, 0);
    EXPECT_TRUE(session.decodeInputs.empty());
}

const std::string kEncryptedMessage =
    "From: a\r\nSubject: s\r\n\r\n  \r\n-----BEGIN PGP MESSAGE-----\r\nxx\r\n-----END PGP MESSAGE-----\r\n";

TEST(SaveMimeAttachments, DecryptsFirst) {
    Session session;
    session.decodeAnswer =
        "Content-Type: multipart/mixed; boundary=\"in\"\r\n\r\n--in\r\nContent-Type: text/plain\r\n\r\nsecret\r\n"
        "--in\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; filename=\"s.pdf\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0=\r\n--in--\r\n";
    TMCFuncs mc(session.Services());
    ASSERT_TRUE(mc.SaveMimeAttachments(kEncryptedMessage));
    ASSERT_EQ(session.decodeInputs.size(), 1u);
    EXPECT_EQ(session.decodeInputs[0], "-----BEGIN PGP MESSAGE-----\r\nxx\r\n-----END PGP MESSAGE-----");
    ASSERT_EQ(mc.slMimeParts.size(), 2u);
    EXPECT_EQ(mc.slMimeParts[0].Entry, "+ Message body\r\n\r\nFrom: a\r\nSubject: s\r\n\r\nsecret");
    EXPECT_EQ(mc.slMimeParts[1].Entry, "+ File: s.pdf\r\n\r\nJVBERi0=");
}

TEST(SaveMimeAttachments, UndecryptableMessageIsOneEntry) {
    Session session;  // the decoding fails
    TMCFuncs mc(session.Services());
    ASSERT_TRUE(mc.SaveMimeAttachments(kEncryptedMessage));
    ASSERT_EQ(mc.slMimeParts.size(), 1u);
    EXPECT_EQ(mc.slMimeParts[0].Entry,
              "+ Message body\r\n\r\nFrom: a\r\nSubject: s\r\n\r\n"
              "-----BEGIN PGP MESSAGE-----\r\nxx\r\n-----END PGP MESSAGE-----\r\n");
}

TEST(SaveMimeAttachments, AlternativeIsReducedAndBase64NeverCarriesTheHeaderLines) {
    const std::string message =
        "Subject: s\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename=a.bin\r\n\r\nAAEC\r\n"
        "--b\r\nContent-Type: multipart/alternative; boundary=\"b-alt\"\r\n\r\n"
        "--b-alt\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\nfirst =FC\r\n"
        "--b-alt\r\nContent-Type: text/html\r\n\r\n<p>\r\n--b-alt--\r\n"
        "--b--\r\n";
    Session session;
    TMCFuncs mc(session.Services());
    ASSERT_TRUE(mc.SaveMimeAttachments(message));
    ASSERT_EQ(mc.slMimeParts.size(), 2u);
    EXPECT_EQ(mc.slMimeParts[0].Entry, "+ File: a.bin\r\n\r\nAAEC");
    EXPECT_EQ(mc.slMimeParts[1].Entry, "+ Message body\r\n\r\nSubject: s\r\n\r\nfirst \xFC");
    EXPECT_EQ(mc.slMimeParts[1].Flags, orv::pkNone);
}

TEST(SaveMimeAttachments, HostileStructures) {
    Session session;
    TMCFuncs mc(session.Services());

    // no closing boundary: the last part runs to the end
    ASSERT_TRUE(mc.SaveMimeAttachments(
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\none\r\n--b\r\n\r\ntwo"));
    ASSERT_EQ(mc.slMimeParts.size(), 2u);
    EXPECT_EQ(mc.slMimeParts[1].Data(), "two");
    mc.ClearMimeParts();

    // no delimiter: nothing listed
    EXPECT_FALSE(mc.SaveMimeAttachments("Content-Type: multipart/mixed; boundary=b\r\n\r\nno parts"));
    EXPECT_TRUE(mc.slMimeParts.empty());

    // messages attached inside attached messages, without end
    std::string nested;
    for (int i = 0; i < 200; ++i) {
        const std::string b = "n" + std::to_string(i);
        nested += "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=" + b + "\r\n\r\n--" + b +
                  "\r\nContent-Disposition: attachment; filename=m.eml\r\n\r\n";
    }
    nested += "MIME-Version: 1.0\r\n\r\nend\r\n";
    EXPECT_TRUE(mc.SaveMimeAttachments(nested));
    EXPECT_EQ(mc.NestingLevel, 0);
    mc.ClearMimeParts();
    EXPECT_TRUE(mc.slMimeParts.empty());
}

TEST(MimeListBox, TextsFromTheStringLibrary) {
    Session session;
    TMCFuncs mc(session.Services());
    const orv::TMimeListBox box = mc.MimeListBox();
    EXPECT_EQ(box.Caption, "View/save PGP/MIME attachments:");
    EXPECT_EQ(box.ViewHint, "&View");
    EXPECT_EQ(box.SaveHint, "&Save");
    EXPECT_EQ(box.CloseHint, "&Close");
    EXPECT_EQ(box.SaveTitle, "Save file as:");
    EXPECT_EQ(box.SaveFilter, "All (*.*)|*.*");
}

TEST(ViewAndSave, ByTransferEncoding) {
    Session session;
    TMCFuncs mc(session.Services());
    const TMimePart plain{"+ Message body\r\n\r\nline=3D\r\n", orv::pkNone};
    const TMimePart quoted{"+ File: q.txt\r\n\r\nline=3D\r\n", orv::pkQuoted | orv::pkHasFileName};
    const TMimePart binary{"+ File: b.bin\r\n\r\nAAEC/w==", orv::pkBase64 | orv::pkHasFileName};

    EXPECT_TRUE(mc.ViewData(plain));
    EXPECT_TRUE(mc.ViewData(quoted));
    EXPECT_FALSE(mc.ViewData(binary));  // binary parts are only saved
    EXPECT_EQ(session.shown, (std::vector<std::string>{"line=3D\r\n", "line=\r\n"}));

    EXPECT_TRUE(mc.SaveData(plain, "p"));
    EXPECT_TRUE(mc.SaveData(quoted, "q"));
    EXPECT_TRUE(mc.SaveData(binary, "b"));
    EXPECT_EQ(session.files["p"], "line=3D\r\n");
    EXPECT_EQ(session.files["q"], "line=\r\n");
    EXPECT_EQ(session.files["b"], "\x00\x01\x02\xFF"s);
    EXPECT_TRUE(session.errors.empty());
}

TEST(ViewAndSave, FailuresAreReported) {
    Session session;
    TMCFuncs mc(session.Services());
    EXPECT_FALSE(mc.SaveData({"+ File: b.bin\r\n\r\n!!!", orv::pkBase64 | orv::pkHasFileName}, "b"));
    EXPECT_EQ(session.errors, std::vector<std::string>{"BASE64 error"});
    EXPECT_TRUE(session.files.empty());

    session.writeFails = true;
    EXPECT_FALSE(mc.SaveData({"+ Message body\r\n\r\ntext", orv::pkNone}, "x"));
    ASSERT_EQ(session.errors.size(), 2u);
    EXPECT_EQ(session.errors[1], "Error writing data");
}

std::string TempPath(const char* name) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

// A saved part goes through the one file replacement, as the session's
// toolkit is given it.
TEST(SavedPart, ReplacesTheFile) {
    const std::string path = TempPath("orv_formats_save.bin");
    ASSERT_TRUE(orv::ReplaceWholeFile(path, std::string(5000, 'x')));
    ASSERT_TRUE(orv::ReplaceWholeFile(path, "\0ab\r\n"s));
    EXPECT_EQ(ReadAll(path), "\0ab\r\n"s);

    // through the toolkit
    TMCFuncs mc;
    mc.Services.WriteFile = [](const std::string& p, std::string_view bytes) { return orv::ReplaceWholeFile(p, bytes); };
    ASSERT_TRUE(mc.SaveData({"+ File: b.bin\r\n\r\nAAEC/w==", orv::pkBase64}, path));
    EXPECT_EQ(ReadAll(path), "\x00\x01\x02\xFF"s);
    DeleteFileA(path.c_str());
}

TEST(SavedPart, MissingDirectoryFails) {
    EXPECT_FALSE(orv::ReplaceWholeFile(TempPath("orv-no-such-dir\\x.bin"), "data"));
}

}  // namespace
