// The configuration dialog's record: what counts as a change, the port
// field, the header-length estimate and the default-key list.
#include <gtest/gtest.h>

#include "ui/config_values.h"

using namespace orv::ui;

TEST(ConfigValues, PathsDifferingOnlyInCaseAreNoChangeNamesAndCommentsAre) {
    ConfigValues opening;
    opening.pubRing = "C:\\PGP\\pubring.pkr";
    opening.name = "alice\\0xE8750B357ACE6A48";
    opening.comment = "Hello";
    ConfigValues working = opening;
    working.pubRing = "c:\\pgp\\PUBRING.PKR";
    EXPECT_FALSE(ConfigChanged(opening, working, true));
    working.comment = "hello";
    EXPECT_TRUE(ConfigChanged(opening, working, true));
    working = opening;
    working.name = "Alice\\0xE8750B357ACE6A48";
    EXPECT_TRUE(ConfigChanged(opening, working, true));
}

TEST(ConfigValues, HostValuesCountOnlyInsideTheHostAndToolbarChangesAreTold) {
    ConfigValues opening;
    ConfigValues working = opening;
    working.lines = 40;
    EXPECT_FALSE(ConfigChanged(opening, working, false));
    EXPECT_TRUE(ConfigChanged(opening, working, true));
    EXPECT_FALSE(ToolbarChanged(opening, working));
    working = opening;
    working.standardColors = true;
    EXPECT_TRUE(ConfigChanged(opening, working, false));
    EXPECT_FALSE(ToolbarChanged(opening, working));
    for (auto change : {+[](ConfigValues& v) { v.wipePass = true; }, +[](ConfigValues& v) { v.encSigBtn = 4; },
                        +[](ConfigValues& v) { v.decrypt = false; }, +[](ConfigValues& v) { v.verify = false; },
                        +[](ConfigValues& v) { v.manage = false; }, +[](ConfigValues& v) { v.pgpKeys = false; }}) {
        working = opening;
        change(working);
        EXPECT_TRUE(ToolbarChanged(opening, working));
        EXPECT_TRUE(ConfigChanged(opening, working, false));
    }
    working = opening;
    working.serverPort = 11371;
    EXPECT_TRUE(ConfigChanged(opening, working, false));
}

TEST(ConfigValues, PortsAboveFiveDigitsOrAbove65535AreRefused) {
    int port = 0;
    EXPECT_TRUE(ParsePortText("", 11371, port));
    EXPECT_EQ(port, 11371);  // empty leaves the port
    EXPECT_TRUE(ParsePortText("65535", 1, port));
    EXPECT_EQ(port, 65535);
    EXPECT_TRUE(ParsePortText(" 80 ", 1, port));
    EXPECT_EQ(port, 80);
    port = 7;
    for (const char* bad : {"65536", "70000", "99999", "123456", "8o", "-1", "1 2"}) {
        EXPECT_FALSE(ParsePortText(bad, 1, port)) << bad;
        EXPECT_EQ(port, 7) << bad;
    }
}

namespace {
std::string Header(int lines) {
    std::string h;
    for (int i = 0; i < lines; ++i) h += "X-Line-" + std::to_string(i) + ": v\r\n";
    return h + "\r\nbody line\r\nmore\r\n";
}
}  // namespace

TEST(ConfigValues, HeaderLengthIsTheLongestOfTheFirstTenMessages) {
    EXPECT_EQ(EstimateHeaderLength(""), 0);
    EXPECT_EQ(EstimateHeaderLength(Header(12) + "\x1a" + Header(30) + "\x1a" + Header(5)), 30);
    // Only the first ten messages count.
    std::string folder;
    for (int i = 0; i < 10; ++i) folder += Header(8) + "\x1a";
    folder += Header(50);
    EXPECT_EQ(EstimateHeaderLength(folder), 8);
    // A message without a body still counts its header; LF-only lines too.
    EXPECT_EQ(EstimateHeaderLength("A: 1\nB: 2\nC: 3\n"), 3);
}

TEST(ConfigValues, TheStoredKeyIsSelectedByIDThenByUserID) {
    const std::vector<SecretKeyItem> keys = {
        {"0x1111111111111111", KeyListItem("alice <a@x>", "DSS/ElGamal 2048/1024 bits"), "DSS"},
        {"0x2222222222222222", KeyListItem("bob <b@x>", "RSA 2048 bits"), "RSA"},
    };
    EXPECT_EQ(keys[1].text, "bob <b@x> (RSA 2048 bits)");
    EXPECT_EQ(SelectKeyItem(keys, "whoever\\0x2222222222222222"), 1);
    EXPECT_EQ(SelectKeyItem(keys, "bob\\0x9999999999999999"), 1);
    EXPECT_EQ(SelectKeyItem(keys, "carol\\0x9999999999999999"), 0);
    EXPECT_EQ(SelectKeyItem(keys, ""), 0);
    EXPECT_EQ(SelectKeyItem({}, "bob\\0x2222222222222222"), -1);
}
