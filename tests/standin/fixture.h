// Test fixture: a context, a scratch directory with copies of the test rings,
// and helpers that run jobs and record their events.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/standin/sdk_bind.h"
#include "tests/support/files.h"

std::string DataDir();  // Windows path of tests\standin\data, with a trailing backslash
using orv::test::ReadAll;
void WriteAll(const std::string& path, const std::string& data);

class SdkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    Sdk& S() { return sdk(); }
    PGPOptionListRef Last() { return S().PGPOLastOption(ctx); }
    std::string Temp(const std::string& name) { return dir + name; }
    // Copies the user's rings into the scratch directory and opens them.
    PGPKeyDBRef OpenRings(PGPFlags flags = kPGPOpenKeyDBFileOptions_Mutable);
    PGPKeyDBRef OpenRingFiles(const std::string& pub, const std::string& sec, PGPFlags flags);
    PGPKeyDBRef ImportFile(const std::string& name);  // a data file read into a new key database
    PGPKeyDBObjRef Key(PGPKeyDBRef db, const char* keyIDText);
    PGPKeyDBObjRef KeyByName(PGPKeyDBRef db, const char* nameSubstring);
    std::string KeyIDText(PGPKeyDBObjRef key, PGPKeyIDStringType type = kPGPKeyIDString_Full);

    PGPContextRef ctx = nullptr;
    std::string dir;
    std::vector<PGPKeyDBRef> dbs;
};

// What a decoding job reported, event by event.
struct DecodeLog {
    struct Sig {
        std::string keyID;
        bool known = false, checked = false, verified = false, revoked = false;
        PGPValidity validity = 0;
        PGPTime created = 0;
    };
    std::vector<std::string> events;  // "begin 0", "analyze 1", "pass", "output", "sig", "end 0", ...
    std::vector<Sig> sigs;
    std::vector<std::string> outputs;  // per output event, filled afterwards
    std::vector<int> passphraseSections;
    std::vector<PGPUInt32> recipientCounts;
    std::vector<std::string> suggestedNames;
    std::vector<bool> eyesOnly;
    int keyFound = 0;
    PGPUInt32 keysInFound = 0;
    PGPError lastError = 0;
};

// Runs PGPDecode on data with the handler of the test: answers passphrase
// events with the given answers in turn, attaches one allocated buffer per
// output event, and joins the outputs.
struct DecodeRun {
    PGPError result = 0;
    std::string output;
    DecodeLog log;
};
DecodeRun Decode(PGPContextRef ctx, PGPKeyDBRef db, const std::string& data, std::vector<std::string> passphrases,
                 PGPOptionListRef extra = nullptr);

// Runs PGPEncode on data with the given options (a list made with
// PGPBuildOptionList, freed here) plus input and allocated output.
PGPError Encode(PGPContextRef ctx, const std::string& data, std::string& out, PGPOptionListRef options);
