// The main library's texts, read from the string library by ordinal.
#include "strings/text_client.h"
#include "tests/ui/product_texts.h"

#include <gtest/gtest.h>

using namespace orv;

namespace {

class TextsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::LoadProductTexts()); }
    void TearDown() override { texts::Unload(); }
};

struct TextRow {
    int number;
    const char* text;
};

}  // namespace

TEST_F(TextsTest, MainRangeIsReadIntoTheTables) {
    const TextRow rows[] = {
        {txt::ENTER_PHRASE, "Enter your passphrase:"},
        {txt::WARN_PASS,
         "Storing the passphrase is a security risk if any unauthorized person can access\r\n"
         "your computer either directly or via an open network/internet connection"},
        {txt::NO_CHANGE,
         "These parameters can only be changed if the program has been started from within Pegasus Mail!"},
        {txt::ENC_SIG, "No button\nEncrypt > send\nSign > send\nEncrypt + Sign > send\nMenu options"},
        {txt::_WARN, "Warning:"},
        {txt::_ERROR, "Error:"},
        {txt::_INFO, "Info:"},
        {txt::_CANCEL, "&Cancel"},
        {txt::_CONFIRM, "Confirm:"},
        {txt::_YES, "Yes"},
        {txt::_NO, "No"},
        {txt::OPEN_FILE, "OPEN Input File:"},
        {txt::SAVE_FILE, "SAVE Output as:"},
        {txt::RE_START, "You have to restart Pegasus Mail for changes to take effect.\r\nRestart program now"},
    };
    for (const TextRow& row : rows) EXPECT_STREQ(texts::Get(row.number), row.text) << row.number;
}

TEST_F(TextsTest, TextsOutsideTheMainRangeComeByOrdinal) {
    EXPECT_STREQ(texts::Get(txt::ERROR_TITLE), "KVSEC-Error:");
    EXPECT_STREQ(texts::Get(txt::MAN_ID), "Launch Orvane");
    EXPECT_STREQ(texts::Get(txt::TYPE_PUB), "Public Key");
    EXPECT_STREQ(texts::Get(txt::ALGOR_DHDSS), "DH/DSS Key");
}

TEST_F(TextsTest, MissingEntriesGiveTheEmptyText) {
    EXPECT_STREQ(texts::Get(txt::EBASE_ID), "");
    EXPECT_STREQ(texts::Get(txt::TRUST_XXX), "");
    EXPECT_STREQ(texts::Get(txt::TRUST_YYY), "");
    EXPECT_STREQ(texts::Get(0), "");
    EXPECT_STREQ(texts::Get(370), "");
    EXPECT_STREQ(texts::Get(371), "");
}

TEST_F(TextsTest, ButtonCaptionsGetTheirAccelerator) {
    EXPECT_EQ(texts::Accel(txt::_YES), "&Yes");
    EXPECT_EQ(texts::Accel(txt::_NO), "&No");
}

TEST_F(TextsTest, ErrorNumbersAreDescribedByTheStringLibrary) {
    EXPECT_EQ(texts::ErrorText(0), "Not an error");
    EXPECT_EQ(texts::ErrorText(-11987), "User cancelled");
    EXPECT_EQ(texts::ErrorText(-11980), "Unknown error");
    EXPECT_EQ(texts::ErrorText(-11993), "Undescribed PGP error -11993");
}

TEST_F(TextsTest, LoadingTwiceKeepsTheFirstLibrary) {
    const char* before = texts::Get(txt::_YES);
    EXPECT_TRUE(texts::Load("C:\\no\\such\\place\\"));
    EXPECT_EQ(texts::Get(txt::_YES), before);
}

TEST(TextsWithoutLibrary, EveryTextIsEmpty) {
    texts::Unload();
    EXPECT_FALSE(texts::Load("C:\\no\\such\\place\\"));
    EXPECT_FALSE(texts::Loaded());
    EXPECT_STREQ(texts::Get(txt::_YES), "");
    EXPECT_STREQ(texts::Get(txt::ERROR_TITLE), "");
    EXPECT_EQ(texts::Accel(txt::_YES), "&");
    EXPECT_EQ(texts::ErrorText(0), "");
}
