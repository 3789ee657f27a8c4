#include "tests/standin/fixture.h"

#include <deque>
#include <memory>

#ifndef ORV_STANDIN_DATA
#error ORV_STANDIN_DATA names the test data directory
#endif

std::string DataDir() {
    // The data directory is a Unix path; Wine shows the Unix root as drive Z:.
    std::string p = "Z:" ORV_STANDIN_DATA "/";
    for (auto& c : p)
        if (c == '/') c = '\\';
    return p;
}


void WriteAll(const std::string& path, const std::string& data) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD put = 0;
    WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr);
    CloseHandle(h);
    ASSERT_EQ(put, data.size());
}

void SdkTest::SetUp() {
    ASSERT_NE(S().module, nullptr) << "bin\\sdk7\\PGP_SDK.dll did not load";
    ASSERT_TRUE(S().missing.empty()) << "missing entry point " << S().missing.front();
    ASSERT_EQ(S().PGPsdkInit(0), 0);
    ASSERT_EQ(S().PGPNewContext(kPGPsdkAPIVersion, &ctx), 0);
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::string(base) + "orv_sdk_" + info->test_suite_name() + "_" + info->name() + "_" +
          std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
}

void SdkTest::TearDown() {
    for (auto* db : dbs) S().PGPFreeKeyDB(db);
    if (ctx) S().PGPFreeContext(ctx);
    S().PGPsdkCleanup();
    // The scratch directory holds only files that the test made.
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((dir + "*").c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((dir + fd.cFileName).c_str());
        } while (FindNextFileA(f, &fd));
        FindClose(f);
    }
    RemoveDirectoryA(dir.c_str());
}

PGPKeyDBRef SdkTest::OpenRingFiles(const std::string& pub, const std::string& sec, PGPFlags flags) {
    PGPFileSpecRef p = nullptr, s = nullptr;
    EXPECT_EQ(S().PGPNewFileSpecFromFullPath(ctx, pub.c_str(), &p), 0);
    EXPECT_EQ(S().PGPNewFileSpecFromFullPath(ctx, sec.c_str(), &s), 0);
    PGPKeyDBRef db = nullptr;
    EXPECT_EQ(S().PGPOpenKeyDBFile(ctx, flags, p, s, &db), 0);
    S().PGPFreeFileSpec(p);
    S().PGPFreeFileSpec(s);
    if (db) dbs.push_back(db);
    return db;
}

PGPKeyDBRef SdkTest::OpenRings(PGPFlags flags) {
    CopyFileA((DataDir() + "pubring.pkr").c_str(), Temp("pubring.pkr").c_str(), FALSE);
    CopyFileA((DataDir() + "secring.skr").c_str(), Temp("secring.skr").c_str(), FALSE);
    return OpenRingFiles(Temp("pubring.pkr"), Temp("secring.skr"), flags);
}

PGPKeyDBRef SdkTest::ImportFile(const std::string& name) {
    std::string data = ReadAll(DataDir() + name);
    EXPECT_FALSE(data.empty()) << name;
    PGPKeyDBRef db = nullptr;
    EXPECT_EQ(S().PGPImport(ctx, &db, S().PGPOInputBuffer(ctx, data.data(), data.size()), Last()), 0);
    if (db) dbs.push_back(db);
    return db;
}

PGPKeyDBObjRef SdkTest::Key(PGPKeyDBRef db, const char* keyIDText) {
    PGPKeyID id;
    if (S().PGPNewKeyIDFromString(keyIDText, 0, &id)) return nullptr;
    PGPKeyDBObjRef key = nullptr;
    S().PGPFindKeyByKeyID(db, &id, &key);
    return key;
}

PGPKeyDBObjRef SdkTest::KeyByName(PGPKeyDBRef db, const char* name) {
    PGPFilterRef f = nullptr;
    PGPKeyDBObjRef key = nullptr;
    if (S().PGPNewKeyDBObjDataFilter(ctx, kPGPUserIDProperty_Name, name, strlen(name), kPGPMatchSubString, &f))
        return nullptr;
    PGPKeySetRef found = nullptr;
    if (S().PGPFilterKeySet(S().PGPPeekKeyDBRootKeySet(db), f, &found) == 0) {
        PGPKeyIterRef it = nullptr;
        if (S().PGPNewKeyIterFromKeySet(found, &it) == 0) {
            S().PGPKeyIterNextKeyDBObj(it, kPGPKeyIter_Key, &key);
            S().PGPFreeKeyIter(it);
        }
        S().PGPFreeKeySet(found);
    }
    S().PGPFreeFilter(f);
    return key;
}

std::string SdkTest::KeyIDText(PGPKeyDBObjRef key, PGPKeyIDStringType type) {
    PGPKeyID id;
    char text[kPGPMaxKeyIDStringSize];
    if (S().PGPGetKeyID(key, &id) || S().PGPGetKeyIDString(&id, type, text)) return {};
    return text;
}

namespace {

struct Handler {
    PGPContextRef ctx;
    DecodeLog* log;
    std::vector<std::string> answers;
    size_t next = 0;
    int section = -1;
    std::deque<std::pair<void*, PGPSize>> buffers;
};

PGPError PGP_CALL OnEvent(PGPContextRef ctx, PGPEvent* e, PGPUserValue uv) {
    auto* h = static_cast<Handler*>(uv);
    Sdk& s = sdk();
    DecodeLog& log = *h->log;
    switch (e->type) {
    case kPGPEvent_BeginLexEvent:
        h->section = static_cast<int>(e->data.beginLexData.sectionNumber);
        log.events.push_back("begin " + std::to_string(h->section));
        return 0;
    case kPGPEvent_EndLexEvent:
        log.events.push_back("end " + std::to_string(e->data.endLexData.sectionNumber));
        return 0;
    case kPGPEvent_AnalyzeEvent:
        log.events.push_back("analyze " + std::to_string(e->data.analyzeData.sectionType));
        return 0;
    case kPGPEvent_RecipientsEvent:
        log.events.push_back("recipients");
        log.recipientCounts.push_back(e->data.recipientsData.keyCount);
        return 0;
    case kPGPEvent_PassphraseEvent:
        log.events.push_back(e->data.passphraseData.fConventional ? "conventional" : "passphrase");
        log.passphraseSections.push_back(h->section);
        if (h->next >= h->answers.size()) return kPGPError_UserAbort;
        return s.PGPAddJobOptions(e->job, s.PGPOPassphrase(ctx, h->answers[h->next++].c_str()), s.PGPOLastOption(ctx));
    case kPGPEvent_OutputEvent: {
        log.events.push_back("output");
        log.suggestedNames.push_back(e->data.outputData.suggestedName ? e->data.outputData.suggestedName : "");
        log.eyesOnly.push_back(e->data.outputData.forYourEyesOnly != 0);
        h->buffers.emplace_back(nullptr, 0);
        auto& b = h->buffers.back();
        return s.PGPAddJobOptions(e->job, s.PGPOAllocatedOutputBuffer(ctx, &b.first, 0xFFFFFFFFu, &b.second),
                                  s.PGPOLastOption(ctx));
    }
    case kPGPEvent_SignatureEvent: {
        log.events.push_back("sig");
        const auto& d = e->data.signatureData;
        DecodeLog::Sig sig;
        char text[kPGPMaxKeyIDStringSize];
        if (s.PGPGetKeyIDString(&d.signingKeyID, kPGPKeyIDString_Full, text) == 0) sig.keyID = text;
        sig.known = d.signingKey != nullptr;
        sig.checked = d.checked;
        sig.verified = d.verified;
        sig.revoked = d.keyRevoked;
        sig.validity = d.keyValidity;
        sig.created = d.creationTime;
        log.sigs.push_back(sig);
        return 0;
    }
    case kPGPEvent_KeyFoundEvent: {
        log.events.push_back("keyfound");
        ++log.keyFound;
        PGPUInt32 n = 0;
        s.PGPCountKeys(e->data.keyFoundData.keySet, &n);
        log.keysInFound += n;
        s.PGPFreeKeyDB(e->data.keyFoundData.keyDB);
        return 0;
    }
    case kPGPEvent_ErrorEvent:
        log.events.push_back("error");
        log.lastError = e->data.errorData.error;
        return 0;
    default: return 0;
    }
}

}  // namespace

DecodeRun Decode(PGPContextRef ctx, PGPKeyDBRef db, const std::string& data, std::vector<std::string> passphrases,
                 PGPOptionListRef extra) {
    Sdk& s = sdk();
    DecodeRun run;
    Handler h{ctx, &run.log, std::move(passphrases)};
    PGPOptionListRef opts = nullptr;
    s.PGPBuildOptionList(ctx, &opts, s.PGPOInputBuffer(ctx, data.data(), data.size()),
                         s.PGPOEventHandler(ctx, OnEvent, &h), s.PGPOLastOption(ctx));
    if (db) s.PGPAppendOptionList(opts, s.PGPOKeyDBRef(ctx, db), s.PGPOLastOption(ctx));
    if (extra) s.PGPAppendOptionList(opts, extra, s.PGPOLastOption(ctx));
    run.result = s.PGPDecode(ctx, opts, s.PGPOLastOption(ctx));
    s.PGPFreeOptionList(opts);
    for (auto& b : h.buffers) {
        std::string part = b.first ? std::string(static_cast<char*>(b.first), b.second) : std::string();
        run.log.outputs.push_back(part);
        run.output += part;
        if (b.first) s.PGPFreeData(b.first);
    }
    return run;
}

PGPError Encode(PGPContextRef ctx, const std::string& data, std::string& out, PGPOptionListRef options) {
    Sdk& s = sdk();
    void* buf = nullptr;
    PGPSize len = 0;
    PGPError err = s.PGPEncode(ctx, options, s.PGPOInputBuffer(ctx, data.data(), data.size()),
                               s.PGPOAllocatedOutputBuffer(ctx, &buf, 0xFFFFFFFFu, &len), s.PGPOLastOption(ctx));
    out = buf ? std::string(static_cast<char*>(buf), len) : std::string();
    if (buf) s.PGPFreeData(buf);
    s.PGPFreeOptionList(options);
    return err;
}
