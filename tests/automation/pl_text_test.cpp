// The plug-in's text routines, the restart's command line as the launcher
// itself splits it, and the blank drafts deleted when the client closes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "automation/message_files.h"
#include "automation/pl_text.h"
#include "base/installation.h"
#include "launcher/command_line.h"
#include "tests/standin/mailclient/test_support.h"

using namespace orv;
using namespace orv::automation;

namespace {

// The arguments as the launcher reads its own command line.
std::vector<std::string> SplitLikeTheLauncher(const std::string& commandLine) {
    std::vector<std::string> out;
    for (const auto& arg : orv::launcher::SplitCommandLine(commandLine)) out.push_back(arg.text);
    return out;
}

}  // namespace

TEST(PlText, SplitsUserAndKeyAtTheRightBackslash) {
    struct Row {
        const char* text;
        const char* user;
        const char* key;
    };
    for (const Row& r : std::vector<Row>{{" bob@x.org \\ 0x1234 ", "bob@x.org", "0x1234"},
                                         {"a\\b\\0x99", "a\\b", "0x99"},
                                         {" alone ", "alone", ""},
                                         {"", "", ""}}) {
        UserAndKey uk = ExtractUserAndKey(r.text);
        EXPECT_EQ(uk.user, r.user) << r.text;
        EXPECT_EQ(uk.key, r.key) << r.text;
    }
    UserAndKey ku = ExtractKeyAndUser("0x55 \\ carol\\x");
    EXPECT_EQ(ku.key, "0x55");
    EXPECT_EQ(ku.user, "carol\\x");
    EXPECT_EQ(ExtractKeyAndUser("nobody").user, "nobody");
    EXPECT_EQ(ExtractKeyAndUser("nobody").key, "");
}

TEST(PlText, CutsPiecesOffTheFront) {
    std::string text = " a , b,,c ";
    EXPECT_EQ(CommaExtract(text), "a");
    EXPECT_EQ(CommaExtract(text), "b");
    EXPECT_EQ(CommaExtract(text), "");
    EXPECT_EQ(CommaExtract(text), "c");
    EXPECT_EQ(text, "");
    std::string lines = " one \r\ntwo\nstill two\r\n";
    EXPECT_EQ(GetLine(lines), "one");
    EXPECT_EQ(GetLine(lines), "two\nstill two");
    EXPECT_EQ(GetLine(lines), "");
    EXPECT_EQ(lines, "");
    EXPECT_EQ(DelAmp("&File && more"), "File && more");
    EXPECT_EQ(DelQuotes("\"Bob \"Q\" Smith\""), "Bob Q Smith");
    std::string s = "0123456789";
    EXPECT_EQ(ExtractStr(s, 2, 3), "234");
    EXPECT_EQ(s, "0156789");
    EXPECT_EQ(ExtractStr(s, 20, 3), "");
    EXPECT_EQ(WithBackslash(""), "");
    EXPECT_EQ(WithBackslash("C:\\m"), "C:\\m\\");
    EXPECT_EQ(WithBackslash("C:\\m\\"), "C:\\m\\");
}

TEST(PlText, RestartParametersArriveWholeAtTheLauncher) {
    for (const std::string user : {"alice", "Bob Smith", "  two  blanks ", "ends\\", "back\\slash", "tab\tname"}) {
        const std::string parameters = RestartParameters(1234, user);
        auto args = SplitLikeTheLauncher("Tolvane.exe " + parameters);
        ASSERT_EQ(args.size(), 4u) << user;
        EXPECT_EQ(args[1], "RESTART");
        EXPECT_EQ(args[2], "1234");
        EXPECT_EQ(args[3], user);
        EXPECT_EQ(orv::launcher::CommandOf(orv::launcher::SplitCommandLine("Tolvane.exe " + parameters)),
                  orv::launcher::Command::Restart);
    }
    // Without a user the launcher gets two arguments and keeps the user.
    auto args = SplitLikeTheLauncher("Tolvane.exe " + RestartParameters(77, ""));
    ASSERT_EQ(args.size(), 3u);
    EXPECT_EQ(args[2], "77");
}

TEST(PlText, ANameTheLauncherCannotReadWholeStartsNoRestart) {
    // A double quote only groups at the launcher: the name would arrive cut
    // or joined with others, and the client would come back as someone else.
    for (const std::string user : {"a \"quoted\" name", "back\\\"quote", "\""})
        EXPECT_EQ(RestartParameters(1234, user), "") << user;
}

TEST(PlText, TellsMailboxChangesAndPerUserFiles) {
    EXPECT_TRUE(IsMailboxChange("D:\\new", "C:\\old", "<Default>"));
    EXPECT_FALSE(IsMailboxChange("<Default>", "C:\\old", "<Default>"));
    EXPECT_FALSE(IsMailboxChange("c:\\OLD", "C:\\old", "<Default>"));
    EXPECT_FALSE(IsMailboxChange("", "C:\\old", "<Default>"));
    for (const char* name : {"Pellatch.fff", "MERROWIN.FFF", "Merrowin.f01", "pellatch.Fxy"})
        EXPECT_TRUE(IsPerUserFormFile(name)) << name;
    for (const char* name : {"Pellatch.ff", "Merrowin.cfg", "Other.fff", "Pellatch.ffff", "Pellatch"})
        EXPECT_FALSE(IsPerUserFormFile(name)) << name;
    EXPECT_TRUE(IsDraftFile("A1.pmw"));
    EXPECT_TRUE(IsDraftFile("A1.PMX"));
    EXPECT_FALSE(IsDraftFile("A1.PM$"));
    EXPECT_FALSE(IsDraftFile("PMW"));
}

TEST(BlankDrafts, DeletesOnlyShortDraftsWithFewLines) {
    std::string dir = mctest::ScratchDir("blank_drafts");
    auto draft = [](size_t size, int lineFeeds) {
        std::string text(size, 'x');
        for (int i = 0; i < lineFeeds; ++i) text[i * 2] = '\n';
        return text;
    };
    ASSERT_TRUE(mctest::WriteAll(dir + "keep7.PMW", draft(399, 7)));
    ASSERT_TRUE(mctest::WriteAll(dir + "gone6.PMW", draft(399, 6)));
    ASSERT_TRUE(mctest::WriteAll(dir + "keep400.pmx", draft(400, 0)));
    ASSERT_TRUE(mctest::WriteAll(dir + "gone0.pmx", ""));
    ASSERT_TRUE(mctest::WriteAll(dir + "sent.PM$", ""));
    ASSERT_TRUE(mctest::WriteAll(dir + "note.txt", ""));
    EXPECT_EQ(DeleteBlankMessageFiles(dir), 2);
    EXPECT_TRUE(mctest::Exists(dir + "keep7.PMW"));
    EXPECT_TRUE(mctest::Exists(dir + "keep400.pmx"));
    EXPECT_FALSE(mctest::Exists(dir + "gone6.PMW"));
    EXPECT_FALSE(mctest::Exists(dir + "gone0.pmx"));
    EXPECT_TRUE(mctest::Exists(dir + "sent.PM$"));
    EXPECT_TRUE(mctest::Exists(dir + "note.txt"));
    // A draft the client holds open is counted as kept.
    ASSERT_TRUE(mctest::WriteAll(dir + "held.PMW", ""));
    HANDLE held = CreateFileA((dir + "held.PMW").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(DeleteBlankMessageFiles(dir), 3);
    CloseHandle(held);
    EXPECT_EQ(DeleteBlankMessageFiles(dir), 2);
    EXPECT_EQ(DeleteBlankMessageFiles(dir + "missing\\"), -1);
}
