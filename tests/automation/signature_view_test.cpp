// The signature result on a reader: signed messages that gpg wrote are read
// from a folder of the mail client stand-in, the main library verifies them
// over the engine stand-in and reports to Pellatch.dll, and the reader shows
// the coloured "PGP-Info" block and the result icon in its caption.
#include "tests/automation/pellatch_fixture.h"

#include <richedit.h>

#include "interfaces/host_messages.h"
#include "interfaces/mail_client.h"
#include "standin/mailclient/mail_files.h"
#include "tests/support/stand_in_engine.h"

using namespace pltest;
using namespace orv::test;
namespace host = orv::host;
namespace mc = orv::mailclient;

namespace {

constexpr COLORREF kGreen = 0x008000, kRed = 0x0000FF, kOrange = 0x0080FF;

std::string Signed(const char* name) { return mctest::ReadAll(SourcePath(ORV_SIGNED_DATA) + name); }

// The colour of the text at a character position of a reader's body.
COLORREF ColourAt(HWND body, LONG at) {
    CHARRANGE keep{};
    SendMessageA(body, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    SendMessageA(body, EM_SETSEL, WPARAM(at), LPARAM(at + 1));
    CHARFORMAT2A cf{};
    cf.cbSize = sizeof cf;
    SendMessageA(body, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    SendMessageA(body, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    return (cf.dwEffects & CFE_AUTOCOLOR) ? GetSysColor(COLOR_WINDOWTEXT) : cf.crTextColor;
}

// The edit counts a line end as one character.
LONG EditPosition(const std::string& crlfText, size_t at) {
    LONG pos = 0;
    for (size_t i = 0; i < at; ++i)
        if (!(crlfText[i] == '\n' && i > 0 && crlfText[i - 1] == '\r')) ++pos;
    return pos;
}

// Pixels of the icon's place in the reader's caption.
struct IconPixels {
    int green = 0, red = 0;
};
IconPixels CaptionIcon(HWND reader) {
    IconPixels out;
    HDC dc = GetWindowDC(reader);
    int x0 = GetSystemMetrics(SM_CXFRAME) + 2, y0 = GetSystemMetrics(SM_CYFRAME) + 1;
    for (int y = y0; y < y0 + GetSystemMetrics(SM_CYSMICON); ++y) {
        for (int x = x0; x < x0 + GetSystemMetrics(SM_CXSMICON); ++x) {
            COLORREF c = GetPixel(dc, x, y);
            int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (g > 100 && r < 60 && b < 60) ++out.green;
            if (r > 180 && g < 60 && b < 60) ++out.red;
        }
    }
    ReleaseDC(reader, dc);
    return out;
}

}  // namespace

class SignatureView : public PellatchHost {
protected:
    void SetUp() override {
        Prepare(MainLibrary::Real);
        engine_ = std::make_unique<StandInEngine>(SourcePath(ORV_KEY_DATA));
        SetDllDirectoryA(engine_->Dir().c_str());
        ASSERT_TRUE(mctest::WriteAll(mailbox + "Merrowin.cfg",
                                     "[FilePaths]\r\nPubRing=" + engine_->PublicRing() + "\r\nSecRing=" +
                                         engine_->SecretRing() +
                                         "\r\n[DefaultUser]\r\nName=alice\\0xE8750B357ACE6A48"
                                         "\r\n[CheckMessage]\r\nCheckSig=1\r\nInclude=1\r\nLookup=0\r\n"));
        mc::Folder folder;
        folder.name = "Signed mail";
        folder.messages = {Signed("signed_good.msg"), Signed("signed_bad.msg"), Signed("signed_nokey.msg")};
        ASSERT_TRUE(mc::WriteOwnedFile(mailbox + "SIGNED.PMM", mc::FolderText(folder)));
        StartClient();
        ASSERT_NE(AutomationWindow(), nullptr);
        // The client decodes through the main library as its encryptor.
        mc::Extension* main = host->LoadExtension(MainLibraryPath());
        ASSERT_NE(main, nullptr);
        host->AttachEncryptor(*main);
    }
    void TearDown() override {
        PellatchHost::TearDown();
        SetDllDirectoryA(nullptr);
        engine_.reset();
    }
    HWND Read(int index) {
        HWND reader = host->OpenFolderMessage(mailbox + "SIGNED.PMM", index);
        PumpQueued();
        return reader;
    }
    std::string BodyText(HWND reader) const { return host->Ter().Text(mc::Host::ReaderBody(reader)); }
    // The colour of the text where the block's first line begins.
    COLORREF BlockColour(HWND reader, const char* word) const {
        std::string text = BodyText(reader);
        size_t at = text.find(word);
        return at == std::string::npos ? CLR_INVALID : ColourAt(mc::Host::ReaderBody(reader), EditPosition(text, at));
    }
    std::unique_ptr<StandInEngine> engine_;
};

TEST_F(SignatureView, AVerifiedMessageShowsItsGreenBlockAndIcon) {
    host->readerLayout = mc::ReaderLayout::Plain;
    HWND reader = Read(0);
    ASSERT_NE(reader, nullptr);
    std::string text = BodyText(reader);
    // Above header lines in the text: set off by a blank line.
    ASSERT_EQ(text.rfind("PGP-Info:\tGood signature", 0), 0u) << text;
    EXPECT_NE(text.find("validity\r\n\t\r\n\r\nFrom: bob"), std::string::npos) << text;
    // Broken after the first ")" (the key's ID: the main library's line has
    // no detail in brackets for a good signature), the rest indented.
    EXPECT_NE(text.find("from bob <bob@example.org>, (0x"), std::string::npos) << text;
    EXPECT_NE(text.find(")\r\n\t: unknown validity\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("the meeting moves to Thursday at ten."), std::string::npos) << text;
    EXPECT_EQ(BlockColour(reader, "Good signature"), kGreen);
    // The message itself keeps its colour.
    EXPECT_NE(BlockColour(reader, "the meeting"), kGreen);
    PumpQueued();
    IconPixels icon = CaptionIcon(reader);
    EXPECT_GT(icon.green, 10) << "no result icon in the caption";
    SaveScreenshot(host->Frame(), ShotPath("reader_good_signature.png"));

    // Painting again writes no second block.
    InvalidateRect(reader, nullptr, TRUE);
    RedrawWindow(reader, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpQueued();
    std::string again = BodyText(reader);
    EXPECT_EQ(again.find("PGP-Info:"), again.rfind("PGP-Info:"));
}

TEST_F(SignatureView, ABadSignatureShowsARedBlockAndAMissingKeyAnOrangeOne) {
    host->readerLayout = mc::ReaderLayout::Plain;
    HWND bad = Read(1);
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(BodyText(bad).rfind("PGP-Info:\tBad signature (bad signature)\r\n\tfrom bob", 0), 0u) << BodyText(bad);
    EXPECT_EQ(BlockColour(bad, "Bad signature"), kRed);
    PumpQueued();
    EXPECT_GT(CaptionIcon(bad).red, 10) << "no result icon in the caption";
    SaveScreenshot(host->Frame(), ShotPath("reader_bad_signature.png"));
    SendMessageA(bad, WM_CLOSE, 0, 0);

    HWND unknown = Read(2);
    ASSERT_NE(unknown, nullptr);
    std::string text = BodyText(unknown);
    ASSERT_EQ(text.rfind("PGP-Info:\tNo key [ 0x", 0), 0u) << text;
    EXPECT_EQ(BlockColour(unknown, "No key"), kOrange);
    SaveScreenshot(host->Frame(), ShotPath("reader_no_key.png"));
}

TEST_F(SignatureView, AnMdiReaderWithItsHeaderControlKeepsItsTextClean) {
    host->readerLayout = mc::ReaderLayout::Mdi;
    HWND reader = Read(0);
    ASSERT_NE(reader, nullptr);
    std::string text = BodyText(reader);
    EXPECT_EQ(text.find("PGP-Info:"), std::string::npos) << text;
    EXPECT_NE(text.find("the meeting moves"), std::string::npos) << text;
}

TEST_F(SignatureView, AReaderThatHoldsABlockAlreadyGetsNoSecond) {
    host->readerLayout = mc::ReaderLayout::Plain;
    const char* line = "Good signature (made today) from bob <bob@example.org>, (0x7ACE6A48): complete validity";
    SendMessageA(AutomationWindow(), orv::automation::AM_DECODED, 2, reinterpret_cast<LPARAM>(line));
    HWND reader = host->OpenReader("Saved", "PGP-Info:\tGood signature (made before)\r\n\r\nHello\r\n");
    PumpQueued();
    ASSERT_NE(reader, nullptr);
    std::string text = BodyText(reader);
    EXPECT_EQ(text.rfind("PGP-Info:\tGood signature (made before)", 0), 0u) << text;
    EXPECT_EQ(text.find("PGP-Info:"), text.rfind("PGP-Info:")) << text;

    // Result code 1 (no signature) writes nothing.
    SendMessageA(AutomationWindow(), orv::automation::AM_DECODED, 1, reinterpret_cast<LPARAM>("no signature"));
    HWND plain = host->OpenReader("Plain", "Hello\r\n");
    PumpQueued();
    EXPECT_EQ(BodyText(plain), "Hello\r\n");
}

TEST_F(SignatureView, BesideAHeaderControlTheBlockStandsIndentedAboveTheBody) {
    host->readerLayout = mc::ReaderLayout::PlainWithHeader;
    HWND reader = Read(1);
    ASSERT_NE(reader, nullptr);
    std::string text = BodyText(reader);
    EXPECT_EQ(text.rfind("\tPGP-Info:\tBad signature (bad signature)\r\n\t\tfrom bob <bob@example.org>\r\n\t\t(0x", 0),
              0u)
        << text;
    EXPECT_NE(text.find("validity\r\nHello Alice,"), std::string::npos) << text;
    EXPECT_EQ(BlockColour(reader, "Bad signature"), kRed);
}
