// DECRYPT_FILE_EX, VERIFY_SIGNATURE, KEY_MANAGEMENT and DESTROY_FILE as the
// mail client calls them over the engine stand-in: decoded result files
// with their signature status line, what the automation window hears, the
// caller's buffer filled within its bounds, keys taken out of messages and
// the clipboard, files wiped; and the texts of the signature report.
#include "tests/formats/encryptor_fixture.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "base/key_id.h"
#include "engine/decode_job.h"
#include "formats/decryptor.h"
#include "formats/signature_line.h"
#include "tests/formats/pm_test_texts.h"
#include "tests/support/unix_scratch.h"
#include "tests/ui/box_view.h"

namespace {

using namespace orv;
using namespace orv::test;

// ---- Texts of the signature report ----------------------------------------------

TEST(SignatureReport, StatusCodesOfTheDecodingJobsRecord) {
    struct Row {
        int status, validity;
        bool marginalInvalid;
        int code;
    } rows[] = {
        {kSigNone, 0, false, 1},  {kSigGood, 3, false, 2},       {kSigGood, 2, false, 2},
        {kSigGood, 2, true, 3},   {kSigGood, 1, false, 3},       {kSigBad, 3, false, 4},
        {kSigUnknownKey, 0, false, 5}, {kSigNotSigningKey, 0, false, 5},
    };
    for (const auto& r : rows)
        EXPECT_EQ(SignatureStatusCode(r.status, r.validity, r.marginalInvalid), r.code)
            << r.status << "/" << r.validity << "/" << r.marginalInvalid;
}

TEST(SignatureReport, LinesForEachCode) {
    const TTextSource t = LibraryTexts();
    EXPECT_EQ(SignatureLine(2, false, "", "alice <alice@example.org>", kAliceID, 3, t),
              "Good signature from alice <alice@example.org>, (0x7ACE6A48): complete validity");
    EXPECT_EQ(SignatureLine(4, false, "", "bob", "0xB2A16278", 0, t), "Bad signature from bob, (0xB2A16278): unknown validity");
    EXPECT_EQ(SignatureLine(3, false, "expired key", "bob", kBobID, 2, t),
              "Good signature (expired key) from bob, (0xB2A16278): marginal validity");
    EXPECT_EQ(SignatureLine(5, true, "", "", kBobID, 0, t), "No key [ 0xB2A16278 ] for signature");
    EXPECT_EQ(SignatureLine(5, false, "", "", "", 0, t), "Unknown algorithm for signature");
    EXPECT_EQ(SignatureLine(1, false, "", "", "", 0, t), "");
}

TEST(SignatureReport, TheRecordsNoteStandsBeforeFrom) {
    const TTextSource t = LibraryTexts();
    TSignatureInfo info;
    info.Status = kSigGood;
    info.Verified = true;
    info.Validity = 3;
    info.UserID = "bob";
    info.KeyIDText = kBobID;
    EXPECT_EQ(SignatureReportOf(info, false, t).Line, "Good signature from bob, (0xB2A16278): complete validity");
    struct Row {
        bool revoked, disabled, expired;
        const char* line;
    } rows[] = {
        {false, false, true, "Good signature (expired key) from bob, (0xB2A16278): complete validity"},
        {true, false, false, "Good signature (revoked key) from bob, (0xB2A16278): complete validity"},
        {false, true, false, "Good signature (disabled key) from bob, (0xB2A16278): complete validity"},
    };
    for (const auto& r : rows) {
        TSignatureInfo s = info;
        s.Revoked = r.revoked;
        s.Disabled = r.disabled;
        s.Expired = r.expired;
        const TSignatureReport report = SignatureReportOf(s, false, t);
        EXPECT_EQ(report.Line, r.line);
        EXPECT_EQ(report.Code, kSigCodeGoodValid);
    }
    info.Status = kSigBad;
    info.Verified = false;
    EXPECT_EQ(SignatureReportOf(info, false, t).Line,
              "Bad signature (bad signature) from bob, (0xB2A16278): complete validity");
    info.Status = kSigNone;
    EXPECT_EQ(SignatureReportOf(info, false, t).Line, "");
    EXPECT_EQ(StatusLineOf("Good signature", true, t), "UNSIGNED data found: Good signature");
    EXPECT_EQ(StatusLineOf("Good signature", false, t), "Good signature");
    EXPECT_EQ(WithUnsignedDataNote("Good signature", t), "UNSIGNED data found:\r\nGood signature");
}

TEST(SignatureReport, ShortKeyIDsOnlyOfKeyIDTexts) {
    EXPECT_EQ(ShortKeyID(kAliceID), "0x7ACE6A48");
    EXPECT_EQ(ShortKeyID("0x7ACE6A48"), "0x7ACE6A48");
    EXPECT_EQ(ShortKeyID("0x7ACE6A4"), "");
    EXPECT_EQ(ShortKeyID("0xE8750B357ACE6AZZ"), "");
    EXPECT_EQ(ShortKeyID("alice@example.org"), "");
}

TEST(SignatureReport, PopupLayoutAndTheCutForTheCaller) {
    EXPECT_EQ(ReformatSignatureLine("Good signature from alice <a@x>, (0x7ACE6A48): complete validity"),
              "Good signature from alice <a@x>\r\n(0x7ACE6A48)\r\n: complete validity");
    const std::string longLine(200, 'x');
    const std::string cut = CutSignatureLine(longLine);
    EXPECT_EQ(cut.size(), 160u);
    EXPECT_EQ(cut, std::string(156, 'x') + " ...");
    EXPECT_EQ(CutSignatureLine(std::string(160, 'y')), std::string(160, 'y'));
    EXPECT_EQ(AutoListEntryOf({{"0x1", "a"}, {"0x2", "b"}}), "a\r\nb\\0x1,0x2");
}

// ---- Through the main library ---------------------------------------------------

class User {
public:
    User& Passphrase(const std::string& p) {
        script_.Expect(kEngineDialog, "", [p](HWND dlg) { TypePassphrase(dlg, p); });
        return *this;
    }
    User& CancelPassphrase() {
        script_.Expect(kEngineDialog, "", [](HWND dlg) { ClickId(dlg, IDCANCEL); });
        return *this;
    }
    User& Box(const std::string& button) {
        script_.Expect(kLibraryBox, "", [this, button](HWND box) {
            boxes.push_back(ViewBox(box).text);
            if (!ClickButton(box, button) && !ClickButton(box, "&" + button)) PostKey(box, VK_RETURN);
        });
        return *this;
    }
    // The client library's key selection: every key offered is chosen.
    User& ChooseAllKeys() {
        script_.Expect(kEngineDialog, "PGP Key Selection", [this](HWND dlg) {
            HWND list = FindChildById(dlg, 2002);
            offered = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            LVITEMA item{};
            item.stateMask = LVIS_SELECTED;
            item.state = LVIS_SELECTED;
            SendMessageA(list, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&item));
            Sleep(100);
            ClickId(dlg, IDOK);
        });
        return *this;
    }
    User& Start() {
        script_.Start(20000);
        return *this;
    }
    bool Finish() { return script_.Finish(); }
    std::string Failure() const { return script_.Failure(); }
    std::vector<std::string> boxes;
    int offered = 0;

private:
    ModalScript script_;
};

std::string InteropDir() {
    const char* d = std::getenv("ORV_INTEROP_DIR");
    return d ? std::string(d) + "\\" : std::string();
}

class Decode : public EncryptorTest {
protected:
    // A message of the test encrypted (flags 1) or signed too (5) to alice.
    std::string EncodedForAlice(const std::string& name, int flags, bool sign) {
        const std::string file = Path(name);
        Write(file, MixedMessage(flags, "attached bytes"));
        User user;
        if (sign) user.Passphrase(kAlicePass).Passphrase(kAlicePass);
        user.Start();
        EXPECT_EQ(Call(encryptFileEx, file, "", "alice@example.org"), 1);
        EXPECT_TRUE(user.Finish()) << user.Failure();
        windows_->Clear();
        return file;
    }
};

TEST_F(Decode, AnEncryptedMessageDecodesIntoTheResultFile) {
    const std::string file = EncodedForAlice("dec1.PM$", 1, false);
    const std::string output = Path("dec1.out");
    User user;
    user.Passphrase(kAlicePass).Start();
    const int result = Call(decryptFileEx, file, output, "");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    EXPECT_EQ(result, 2);
    const std::string out = ReadAll(output);
    EXPECT_NE(out.find("Hello Bob,\r\n\r\nthe report is attached."), std::string::npos) << out.substr(0, 800);
    EXPECT_NE(out.find("Subject: Report"), std::string::npos) << "the header comes along";
    EXPECT_EQ(windows_->StatusLines(0),
              (std::vector<std::string>{"Decrypting/Verifying ...", "Decrypting/Verifying finished"}));
    const auto decoded = windows_->Automation(automation::AM_DECODED);
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded[0].wp, WPARAM(kSigCodeEncrypted | kSigCodeNone)) << "encrypted, no signature";
    EXPECT_EQ(decoded[0].lp, 0);
}

TEST_F(Decode, TheSignatureLineGoesToTheStatusLineAndTheReader) {
    WriteConfig("[CheckMessage]\r\nInclude=1\r\n");
    const std::string file = EncodedForAlice("dec2.PM$", 5, true);
    const std::string output = Path("dec2.out");
    User user;
    user.Passphrase(kAlicePass).Start();
    const int result = Call(decryptFileEx, file, output, "");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    EXPECT_EQ(result, 2);
    const auto signature = windows_->StatusLines(3);
    ASSERT_EQ(signature.size(), 1u);
    EXPECT_EQ(signature[0].rfind("Good signature from alice <alice@example.org>, (0x7ACE6A48): ", 0), 0u)
        << signature[0];
    const auto decoded = windows_->Automation(automation::AM_DECODED);
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded[0].wp & 0xFFFF, 2u) << decoded[0].wp;
    EXPECT_EQ(decoded[0].text, signature[0]);
}

TEST_F(Decode, UnsignedTextBesideASignedMessageIsReportedOnTheStatusLineAndInThePopup) {
    WriteConfig("[CheckMessage]\r\nInclude=2\r\n");
    const std::string file = EncodedForAlice("injected.PM$", 5, true);
    std::string message = ReadAll(file);
    const std::size_t begin = message.find("-----BEGIN PGP MESSAGE-----");
    ASSERT_NE(begin, std::string::npos);
    message.insert(begin, "Pay the bearer 1000 EUR.\r\n\r\n");
    Write(file, message);
    const std::string output = Path("injected.out");
    User user;
    user.Passphrase(kAlicePass).Box("OK").Start();
    const int result = Call(decryptFileEx, file, output, "");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    EXPECT_EQ(result, 2);
    EXPECT_NE(ReadAll(output).find("Pay the bearer 1000 EUR."), std::string::npos);
    const auto signature = windows_->StatusLines(3);
    ASSERT_EQ(signature.size(), 1u);
    EXPECT_EQ(signature[0].rfind("UNSIGNED data found: Good signature from alice <alice@example.org>, ", 0), 0u)
        << signature[0];
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].rfind("UNSIGNED data found:\r\nGood signature from alice", 0), 0u) << user.boxes[0];
    // Without the injected text the same message reads as signed.
    windows_->Clear();
    const std::string clean = EncodedForAlice("clean.PM$", 5, true);
    User again;
    again.Passphrase(kAlicePass).Box("OK").Start();
    EXPECT_EQ(Call(decryptFileEx, clean, Path("clean.out"), ""), 2);
    EXPECT_TRUE(again.Finish()) << again.Failure();
    ASSERT_EQ(windows_->StatusLines(3).size(), 1u);
    EXPECT_EQ(windows_->StatusLines(3)[0].rfind("Good signature from alice", 0), 0u) << windows_->StatusLines(3)[0];
}

TEST_F(Decode, APGPMimeMessageWithoutItsEncryptedPartIsLeftAsItCame) {
    const std::string head =
        "From: bob <bob@example.org>\r\nTo: alice@example.org\r\nSubject: broken\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/encrypted; protocol=\"application/pgp-encrypted\"; boundary=\"b1\"\r\n\r\n";
    const std::string control =
        "--b1\r\nContent-Type: application/pgp-encrypted\r\n\r\nVersion: 1\r\n\r\n";
    struct Row {
        const char* name;
        std::string message;
    } rows[] = {
        {"missing", head + control + "--b1--\r\n"},
        {"empty", head + control + "--b1\r\nContent-Type: application/octet-stream\r\n\r\n\r\n--b1--\r\n"},
        {"plain", head + control +
                      "--b1\r\nContent-Type: application/octet-stream\r\n\r\nJust plain words.\r\n--b1--\r\n"},
    };
    for (const auto& row : rows) {
        windows_->Clear();
        const std::string file = Path(std::string("broken_") + row.name + ".PM$");
        const std::string output = Path(std::string("broken_") + row.name + ".out");
        Write(file, row.message);
        DeleteFileA(output.c_str());
        User user;
        user.Box("OK").Start();
        const int result = Call(decryptFileEx, file, output, "");
        EXPECT_TRUE(user.Finish()) << row.name << ": " << user.Failure();
        EXPECT_EQ(result, 2) << row.name;
        EXPECT_EQ(ReadAll(output), row.message) << row.name << ": the message as it came, once";
        ASSERT_EQ(user.boxes.size(), 1u) << row.name;
        EXPECT_EQ(user.boxes[0], "Cannot decrypt message!") << row.name;
        EXPECT_EQ(windows_->StatusLines(0).back(), "Decrypting/Verifying finished") << row.name;
    }
}

TEST_F(Decode, ACancelledDecodeShowsTheMessageAsItIs) {
    const std::string file = EncodedForAlice("dec3.PM$", 1, false);
    const std::string output = Path("dec3.out");
    User user;
    user.CancelPassphrase().Start();
    const int result = Call(decryptFileEx, file, output, "");
    EXPECT_TRUE(user.Finish()) << user.Failure();
    EXPECT_EQ(result, 2);
    EXPECT_EQ(ReadAll(output), ReadAll(file));
    EXPECT_TRUE(user.boxes.empty());
}

TEST_F(Decode, TextWithoutPGPIsCopiedUnchanged) {
    const std::string file = Path("nopgp.PM$"), output = Path("nopgp.out");
    Write(file, "From: a@example.org\r\nSubject: hi\r\n\r\njust text\r\n");
    EXPECT_EQ(Call(decryptFileEx, file, output, ""), 2);
    EXPECT_EQ(ReadAll(output), ReadAll(file));
}

TEST_F(Decode, AResultFileWithAnotherNameLeavesTheOtherNamesFileAsItWas) {
    // The result file's name is a hard link, or a symbolic link made from
    // the Linux side, of a file that is not the mail client's: only the
    // name is replaced, nothing is wiped through it.
    const std::string file = Path("linked.PM$");
    Write(file, "From: a@example.org\r\nSubject: hi\r\n\r\njust text\r\n");
    const std::string theirs = "the other name's own text\r\n";
    const std::string hardOther = Path("linked-other.txt"), hardOutput = Path("linked.out");
    Write(hardOther, theirs);
    ASSERT_TRUE(CreateHardLinkA(hardOutput.c_str(), hardOther.c_str(), nullptr)) << GetLastError();
    UnixScratch scratch("orv_linked_result");
    Write(scratch.Win() + "other.txt", theirs);
    scratch.Run("ln -s other.txt " + scratch.Unix() + "linked.out");
    const std::string symOutput = scratch.Win() + "linked.out";
    ASSERT_EQ(ReadAll(symOutput), theirs) << "the symbolic link leads to the other file";
    for (const std::string& output : {hardOutput, symOutput}) {
        EXPECT_EQ(Call(decryptFileEx, file, output, ""), 2) << output;
        EXPECT_EQ(ReadAll(output), ReadAll(file)) << output;
    }
    EXPECT_EQ(ReadAll(hardOther), theirs) << "through a hard link";
    EXPECT_EQ(ReadAll(scratch.Win() + "other.txt"), theirs) << "through a symbolic link";
    EXPECT_EQ(scratch.Files(), (std::vector<std::string>{"linked.out", "other.txt"}));
    for (const std::string& name : {file, hardOther, hardOutput}) DeleteFileA(name.c_str());
}

TEST_F(Decode, VerifySignatureResultsAndTheCallersBuffer) {
    // A clear-signed text part: the inline signing of the message text.
    windows_->automatic = true;
    windows_->entry = "2";
    windows_->entryFirst = "2";
    const std::string file = Path("signed.PM$");
    Write(file, MixedMessage(4, "x"));
    {
        User user;
        user.Passphrase(kAlicePass).Passphrase(kAlicePass).Start();
        ASSERT_EQ(Call(encryptFileEx, file, "", ""), 1);
        ASSERT_TRUE(user.Finish()) << user.Failure();
    }
    const std::string signedText = ReadAll(file);
    const std::size_t begin = signedText.find("-----BEGIN PGP SIGNED MESSAGE-----");
    const std::size_t end = signedText.find("-----END PGP SIGNATURE-----");
    ASSERT_NE(begin, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    const std::string block = signedText.substr(begin, end + 27 - begin);

    char buffer[400];
    auto verify = [&](const std::string& name, const std::string& content) {
        std::memset(buffer, 'Z', sizeof buffer);
        Write(Path(name), content);
        return verifySignature(Path(name).c_str(), buffer);
    };
    auto untouchedAfterLine = [&] {
        const std::size_t n = strnlen(buffer, sizeof buffer);
        if (n > 160) return false;
        for (std::size_t i = n + 1; i < sizeof buffer; ++i)
            if (buffer[i] != 'Z') return false;
        return true;
    };

    EXPECT_EQ(verify("good.txt", "Subject: x\r\n\r\n" + block + "\r\n"), 1);
    EXPECT_EQ(std::string(buffer).rfind("Good signature from alice <alice@example.org>, (0x7ACE6A48): ", 0), 0u)
        << buffer;
    EXPECT_TRUE(untouchedAfterLine());

    EXPECT_EQ(verify("extra.txt", "Subject: x\r\n\r\nnot signed text\r\n" + block + "\r\n"), 1);
    EXPECT_EQ(std::string(buffer).rfind("UNSIGNED data found:\r\nGood signature from", 0), 0u) << buffer;

    std::string tampered = block;
    const std::size_t hello = tampered.find("Hello Bob");
    ASSERT_NE(hello, std::string::npos);
    tampered[hello] = 'J';
    EXPECT_EQ(verify("bad.txt", "Subject: x\r\n\r\n" + tampered + "\r\n"), 0);
    EXPECT_EQ(std::string(buffer).rfind("Bad signature (bad signature) from", 0), 0u) << buffer;

    EXPECT_EQ(verify("none.txt", "Subject: x\r\n\r\nno PGP here\r\n"), -1);

    // A broken block gives an error text, cut at the buffer's room.
    User user;
    user.Box("OK").Start();
    EXPECT_EQ(verify("broken.txt",
                     "Subject: x\r\n\r\n-----BEGIN PGP MESSAGE-----\r\n\r\nnot base64 at all !!!\r\n"
                     "-----END PGP MESSAGE-----\r\n"),
              -1);
    user.Finish();
    EXPECT_TRUE(untouchedAfterLine());
}

TEST_F(Decode, KeyManagementImportsAKeyFromAFileAndTheClipboard) {
    const std::string dave = ReadAll(SourcePath(ORV_KEY_DATA) + "dave_pub.asc");
    ASSERT_FALSE(dave.empty());
    {
        Write(Path("dave.txt"), "Here is my key:\r\n\r\n" + dave + "\r\nregards\r\n");
        User user;
        user.ChooseAllKeys().Start();
        EXPECT_EQ(keyManagement(Path("dave.txt").c_str()), 1);
        EXPECT_TRUE(user.Finish()) << user.Failure();
        EXPECT_EQ(user.offered, 1);
        const auto offered = windows_->Automation(automation::AM_ADDTOLIST);
        ASSERT_EQ(offered.size(), 1u);
        EXPECT_NE(offered[0].text.find("dave@example.org"), std::string::npos) << offered[0].text;
    }
    engine_->ResetRings();
    windows_->Clear();
    {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, dave.size() + 1);
        std::memcpy(::GlobalLock(mem), dave.c_str(), dave.size() + 1);
        ::GlobalUnlock(mem);
        SetClipboardData(CF_TEXT, mem);
        CloseClipboard();
        User user;
        user.ChooseAllKeys().Start();
        EXPECT_EQ(keyManagement(":CLIP:"), 1);
        EXPECT_TRUE(user.Finish()) << user.Failure();
        EXPECT_EQ(windows_->Automation(automation::AM_ADDTOLIST).size(), 1u);
    }
    {
        Write(Path("nokey.txt"), "nothing here\r\n");
        User user;
        user.Box("OK").Start();
        EXPECT_EQ(keyManagement(Path("nokey.txt").c_str()), 0);
        EXPECT_TRUE(user.Finish()) << user.Failure();
        ASSERT_EQ(user.boxes.size(), 1u);
        EXPECT_EQ(user.boxes[0], "No key found!");
    }
}

TEST_F(Decode, DestroyFileWipesAndDeletes) {
    const std::string file = Path("secret.txt");
    const std::string secondName = Path("secret second name.txt");
    DeleteFileA(secondName.c_str());
    Write(file, std::string(5000, 's'));
    // A second name of the file keeps its bytes readable after the
    // deletion: they must be the wiper's, not the text's.
    ASSERT_TRUE(CreateHardLinkA(secondName.c_str(), file.c_str(), nullptr)) << GetLastError();
    EXPECT_EQ(destroyFile(file.c_str()), 1);
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    const std::string left = ReadAll(secondName);
    DeleteFileA(secondName.c_str());
    EXPECT_GE(left.size(), 5000u) << "overwritten in place, not cut";
    EXPECT_EQ(left.find('s'), std::string::npos) << "the text was overwritten";
    EXPECT_EQ(destroyFile(file.c_str()), 0) << "nothing to destroy";
    EXPECT_EQ(destroyFile(nullptr), 0);
}

// ---- Mail from gpg (written by the interop script) ------------------------------

TEST_F(Decode, InteropReadsMailFromGpg) {
    if (InteropDir().empty()) GTEST_SKIP() << "run by encryptor_interop.sh";
    const std::string file = InteropDir() + "gpg_mail.PM$";
    ASSERT_FALSE(ReadAll(file).empty()) << "gpg wrote no mail";
    WriteConfig("[CheckMessage]\r\nInclude=1\r\n");
    const std::string output = InteropDir() + "gpg_mail.out";
    User user;
    user.Passphrase(kAlicePass).Start();
    EXPECT_EQ(Call(decryptFileEx, file, output, ""), 2);
    EXPECT_TRUE(user.Finish()) << user.Failure();
    EXPECT_NE(ReadAll(output).find("A reply from gpg."), std::string::npos) << ReadAll(output);
    const auto signature = windows_->StatusLines(3);
    ASSERT_EQ(signature.size(), 1u);
    EXPECT_EQ(signature[0].rfind("Good signature from bob <bob@example.org>, (0xB2A16278): ", 0), 0u) << signature[0];
}

}  // namespace
