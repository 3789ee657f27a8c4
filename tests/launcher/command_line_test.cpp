// The launcher's command-line rules: the job chosen, the restart count, the
// help topic, the restarted client's command line, and "Users.cfg".
#include <gtest/gtest.h>

#include <cstdint>

#include "base/installation.h"
#include "launcher/command_line.h"
#include "launcher/restart.h"

using namespace orv;
using namespace orv::launcher;

namespace {

std::vector<Argument> Args(const std::string& line) { return SplitCommandLine(line); }

TEST(LauncherCommandLine, FirstArgumentChoosesTheJob) {
    struct Row {
        const char* line;
        Command command;
    } rows[] = {
        {"Tolvane.exe RESTART 12", Command::Restart},
        {"Tolvane.exe restart 12", Command::Server},  // only the exact case restarts
        {"Tolvane.exe Restart", Command::Server},
        {"Tolvane.exe pgphelp topic", Command::Help},
        {"Tolvane.exe USERCONFIG", Command::UserConfig},
        {"\"C:\\Program Files\\Fennick\\Tolvane.exe\" userupdate", Command::UserUpdate},
        {"Tolvane.exe UserUninst", Command::UserUninst},
        {"Tolvane.exe cleanup", Command::Cleanup},
        {"Tolvane.exe", Command::Server},
        {"Tolvane.exe C:\\mail\\letter.asc", Command::Server},
    };
    for (const Row& row : rows) EXPECT_EQ(CommandOf(Args(row.line)), row.command) << row.line;
}

TEST(LauncherCommandLine, RestartTakesTheHandleAndAtMostOneUserName) {
    EXPECT_FALSE(RestartArgumentsValid(Args("Tolvane.exe RESTART")));
    EXPECT_TRUE(RestartArgumentsValid(Args("Tolvane.exe RESTART 132")));
    EXPECT_TRUE(RestartArgumentsValid(Args("Tolvane.exe RESTART 132 \"John Smith\"")));
    EXPECT_FALSE(RestartArgumentsValid(Args("Tolvane.exe RESTART 132 John Smith")));
    EXPECT_FALSE(RestartArgumentsValid(Args("Tolvane.exe RESTART 132 a b c")));
    const auto quoted = Args("Tolvane.exe RESTART 132 \"John Smith\"");
    ASSERT_EQ(quoted.size(), 4u);
    EXPECT_EQ(quoted[3].text, "John Smith");
}

TEST(LauncherCommandLine, HelpTopicIsTheRestOfTheRawLine) {
    EXPECT_EQ(HelpTopic("Tolvane.exe PGPHelp Key \"servers\"  x"), "Key \"servers\"  x");
    EXPECT_EQ(HelpTopic("Tolvane.exe pgphelp"), "");
}

TEST(LauncherCommandLine, RestartReplacesTheUserAfterAMinusIOfItsOwn) {
    struct Row {
        const char* stored;
        const char* user;
        const char* expected;
    } rows[] = {
        {"C:\\PMAIL\\winpm-32.exe -I olduser -A", "newuser", "C:\\PMAIL\\winpm-32.exe -I newuser -A"},
        {"C:\\PMAIL\\winpm-32.exe -i olduser", "John Smith", "C:\\PMAIL\\winpm-32.exe -i \"John Smith\""},
        // A path holding "-i" is no switch.
        {"C:\\mail-i\\winpm-32.exe -I old rest", "new", "C:\\mail-i\\winpm-32.exe -I new rest"},
        {"\"C:\\Pegasus -I\\winpm-32.exe\" -Z", "new", "\"C:\\Pegasus -I\\winpm-32.exe\" -Z"},
        {"C:\\PMAIL\\winpm-32.exe -I", "new", "C:\\PMAIL\\winpm-32.exe -I new"},
        {"C:\\PMAIL\\winpm-32.exe -I \"Old Name\" -A", "new", "C:\\PMAIL\\winpm-32.exe -I new -A"},
        // The client's C runtime takes a backslash before the closing quote
        // for an escaped quote: it is doubled, so the switches stay switches.
        {"C:\\PMAIL\\winpm-32.exe -I old -A", "Bob Smith\\", "C:\\PMAIL\\winpm-32.exe -I \"Bob Smith\\\\\" -A"},
        {"C:\\PMAIL\\winpm-32.exe -I old -A", "bob\\", "C:\\PMAIL\\winpm-32.exe -I bob\\ -A"},
        // Without the switch the line starts unchanged.
        {"C:\\PMAIL\\winpm-32.exe -A", "new", "C:\\PMAIL\\winpm-32.exe -A"},
    };
    for (const Row& row : rows) EXPECT_EQ(RestartCommandLine(row.stored, row.user), row.expected) << row.stored;
}

TEST(LauncherCommandLine, RestartHandleIsADecimalHandleOfAnotherProcess) {
    EXPECT_EQ(RestartHandle("132"), reinterpret_cast<void*>(132));
    EXPECT_EQ(RestartHandle("4294967292"), reinterpret_cast<void*>(static_cast<std::uintptr_t>(0xFFFFFFFCu)));
    // The pseudo handles of the launcher itself, numbers beyond 32 bits and
    // anything but digits would have it wait on itself or on nothing.
    for (const char* text : {"", "0", "-1", "4294967295", "4294967294", "4294967296", "99999999999", "0x84", "13 2",
                             "131"})
        EXPECT_EQ(RestartHandle(text), nullptr) << text;
}

TEST(LauncherCommandLine, UsersFileGivesSectionUserAndMailbox) {
    const std::string text =
        "[DefaultUser]\r\ntester=\"C:\\Mail\\tester\\\"\r\nsecond=\"D:\\Mail\\second\\\"\r\n"
        "junk line\r\nnoquote=C:\\x\r\n\r\n[Other]\r\nthird=\"E:\\m\\\"\r\n[bracket=\"F:\\b\\\"\r\n";
    const auto users = ReadRegisteredUsers(text);
    ASSERT_EQ(users.size(), 4u);
    // A user name may begin with "[": its entry is no section.
    EXPECT_EQ(users[3].section, "Other");
    EXPECT_EQ(users[3].user, "[bracket");
    EXPECT_EQ(users[3].mailbox, "F:\\b\\");
    EXPECT_EQ(users[0].section, "DefaultUser");
    EXPECT_EQ(users[0].user, "tester");
    EXPECT_EQ(users[0].mailbox, "C:\\Mail\\tester\\");
    EXPECT_EQ(users[1].mailbox, "D:\\Mail\\second\\");
    EXPECT_EQ(users[2].section, "Other");
    EXPECT_EQ(users[2].mailbox, "E:\\m\\");
}

}  // namespace
