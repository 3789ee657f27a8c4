// The configuration file's text with keys set in memory, as the
// configuration dialog writes it in one replacement.
#include <gtest/gtest.h>

#include "formats/profile_text.h"

using orv::ProfileValue;
using orv::SetProfileValues;

TEST(ProfileText, ExistingKeysAreReplacedInPlaceIgnoringCase) {
    const std::string text = "; kept comment\r\n[DefaultUser]\r\nname=old\r\nAlways=0\r\n[Other]\r\nKey=x\r\n";
    EXPECT_EQ(SetProfileValues(text, {{"defaultuser", "Name", "alice\\0x1"}, {"DefaultUser", "ALWAYS", "1"}}),
              "; kept comment\r\n[DefaultUser]\r\nName=alice\\0x1\r\nALWAYS=1\r\n[Other]\r\nKey=x\r\n");
}

TEST(ProfileText, NewKeysJoinTheirSectionAndNewSectionsComeLast) {
    const std::string text = "[Toolbar]\r\nDecrypt=1\r\n\r\n[Pellatch]\r\nAuto=1\r\n";
    EXPECT_EQ(SetProfileValues(text, {{"Toolbar", "Verify", "0"}, {"WipeCount", "Count", "7"}}),
              "[Toolbar]\r\nDecrypt=1\r\nVerify=0\r\n\r\n[Pellatch]\r\nAuto=1\r\n\r\n[WipeCount]\r\nCount=7\r\n");
}

TEST(ProfileText, AnEmptyFileGetsEverySectionAndLoneLineFeedsBecomeCrLf) {
    EXPECT_EQ(SetProfileValues("", {{"A", "k", "1"}, {"B", "k", "2"}, {"A", "j", "3"}}),
              "[A]\r\nk=1\r\nj=3\r\n\r\n[B]\r\nk=2\r\n");
    EXPECT_EQ(SetProfileValues("[A]\nk=0\n", {{"A", "k", "1"}}), "[A]\r\nk=1\r\n");
}

TEST(ProfileText, ValuesAreWrittenAsGivenAndOtherProgramsKeysStay) {
    // A value with "=" and blanks, a key of the automation plug-in untouched.
    const std::string text = "[Pellatch]\r\nAuto=1\r\nLastVersion=2.1\r\n";
    EXPECT_EQ(SetProfileValues(text, {{"Pellatch", "Auto", "0"}, {"DefaultComment", "Comment", "a = b "}}),
              "[Pellatch]\r\nAuto=0\r\nLastVersion=2.1\r\n\r\n[DefaultComment]\r\nComment=a = b \r\n");
}

TEST(ProfileText, AnErasedSectionGoesWithItsLinesAndOnlyItself) {
    const std::string text = "[CheckSig]\r\nCheck=0\r\n\r\n[CheckMessage]\r\nCheckSig=1\r\n[checksig]\nInclude=1\n";
    EXPECT_EQ(orv::EraseProfileSection(text, "CheckSig"), "[CheckMessage]\r\nCheckSig=1\r\n");
    EXPECT_EQ(orv::EraseProfileSection(text, "Other"), "[CheckSig]\r\nCheck=0\r\n\r\n[CheckMessage]\r\nCheckSig=1\r\n"
                                                       "[checksig]\r\nInclude=1\r\n");
}
