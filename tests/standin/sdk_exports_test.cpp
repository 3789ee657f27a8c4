// Every entry point that the product's loader binds from the core library is
// exported by the stand-in under exactly its name, and the names of the other
// release are not: a missing export would only be noticed when the product
// calls the empty slot. Built once per flavour (ORV_SDK_FLAVOUR 7 or 65).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/sdk_table.h"

#ifndef ORV_SDK_FLAVOUR
#error ORV_SDK_FLAVOUR names the release of the stand-in under test
#endif

namespace {

#if ORV_SDK_FLAVOUR == 65
const char* const kDir = "sdk65";
const char* const kLibrary = "PGPSDK.dll";
#else
const char* const kDir = "sdk7";
const char* const kLibrary = "PGP_SDK.dll";
#endif

struct Names {
    std::vector<const char*> list;
};

#define ORV_NAME(slot, name) n.list.push_back(name);

// What the loader binds from the core library of this release.
Names Expected() {
    Names n;
    ORV_SDK_JOBS(ORV_NAME)
    ORV_SDK_KEYS_COMMON(ORV_NAME)
    ORV_SDK_KEY_OPTIONS(ORV_NAME)
    ORV_SDK_MEMORY(ORV_NAME)
    ORV_SDK_GROUPS(ORV_NAME)
    ORV_SDK_CONTEXT(ORV_NAME)
    ORV_SDK_OPTIONS(ORV_NAME)
    ORV_SDK_PREFS(ORV_NAME)
    n.list.insert(n.list.end(), {"PGPsdkInit", "PGPsdkCleanup", "PGPGetSDKVersion"});
#if ORV_SDK_FLAVOUR == 65
    ORV_SDK_KEYS_65(ORV_NAME)
    ORV_SDK_OPTIONS_65(ORV_NAME)
    n.list.push_back("PGPGetSDKString");
#else
    ORV_SDK_KEYS_7(ORV_NAME)
    ORV_SDK_OPTIONS_7(ORV_NAME)
    n.list.push_back("PGPGetPGPsdkVersionString");
#endif
    return n;
}

// Names only the other release has.
Names Foreign() {
    Names n;
#if ORV_SDK_FLAVOUR == 65
    ORV_SDK_KEYS_7(ORV_NAME)
    ORV_SDK_OPTIONS_7(ORV_NAME)
    n.list.push_back("PGPGetPGPsdkVersionString");
#else
    ORV_SDK_KEYS_65(ORV_NAME)
    ORV_SDK_OPTIONS_65(ORV_NAME)
    n.list.push_back("PGPGetSDKString");
#endif
    return n;
}

#undef ORV_NAME

std::string Join(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& x : v) s += (s.empty() ? "" : ", ") + x;
    return s;
}

// Loaded once, as a deliverable does.
HMODULE Library() {
    static HMODULE module = [] {
        SetDllDirectoryA(kDir);
        HMODULE m = LoadLibraryA(kLibrary);
        SetDllDirectoryA(nullptr);
        return m;
    }();
    return module;
}

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        module = Library();
        ASSERT_NE(module, nullptr) << kDir << "\\" << kLibrary << " did not load";
    }
    HMODULE module = nullptr;
};

TEST_F(ExportsTest, EveryCoreSlotOfTheReleaseIsExported) {
    std::vector<std::string> missing;
    for (const char* name : Expected().list)
        if (!GetProcAddress(module, name)) missing.push_back(name);
    EXPECT_TRUE(missing.empty()) << missing.size() << " missing: " << Join(missing);
}

TEST_F(ExportsTest, NoNameOfTheOtherRelease) {
    std::vector<std::string> present;
    for (const char* name : Foreign().list)
        if (GetProcAddress(module, name)) present.push_back(name);
    EXPECT_TRUE(present.empty()) << "exported by the wrong release: " << Join(present);
}

TEST_F(ExportsTest, VersionFunctionSelectsTheRelease) {
    auto version = reinterpret_cast<PFN_PGPGetSDKVersion>(
        reinterpret_cast<void*>(GetProcAddress(module, "PGPGetSDKVersion")));
    ASSERT_NE(version, nullptr);
    PGPUInt32 out = 0;
    PGPInt32 result = version(&out);
#if ORV_SDK_FLAVOUR == 65
    EXPECT_LT(result, kPGPsdk7VersionBase);
    EXPECT_GE(static_cast<PGPInt32>(out), kPGPsdk65MinimumVersion);
    auto text = reinterpret_cast<PFN_PGPGetSDKString>(reinterpret_cast<void*>(GetProcAddress(module, "PGPGetSDKString")));
#else
    EXPECT_GE(result, kPGPsdk7VersionBase);
    auto text = reinterpret_cast<PFN_PGPGetPGPsdkVersionString>(
        reinterpret_cast<void*>(GetProcAddress(module, "PGPGetPGPsdkVersionString")));
#endif
    ASSERT_NE(text, nullptr);
    char buffer[kPGPsdkVersionStringSize];
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(text(buffer), 0);
    EXPECT_LT(std::strlen(buffer), sizeof buffer);
    EXPECT_NE(std::strstr(buffer, "PGPsdk"), nullptr) << buffer;
}

// What an export throws inside stays inside: a request that makes the
// library's C++ code throw (a group-set buffer longer than any string can
// hold) comes back as an engine error number, and the caller goes on.
TEST_F(ExportsTest, AThrowInsideAnExportBecomesAnErrorNumber) {
    auto bind = [this](const char* name) { return reinterpret_cast<void*>(GetProcAddress(module, name)); };
    auto init = reinterpret_cast<PFN_PGPsdkInit>(bind("PGPsdkInit"));
    auto newContext = reinterpret_cast<PFN_PGPNewContext>(bind("PGPNewContext"));
    auto freeContext = reinterpret_cast<PFN_PGPFreeContext>(bind("PGPFreeContext"));
    auto import = reinterpret_cast<PFN_PGPImportGroupSetFromBuffer>(bind("PGPImportGroupSetFromBuffer"));
    ASSERT_TRUE(init && newContext && freeContext && import);
    ASSERT_EQ(init(0), 0);
    PGPContextRef context = nullptr;
    ASSERT_EQ(newContext(kPGPsdkAPIVersion, &context), 0);
    const char byte = 'x';
    PGPGroupSetRef set = reinterpret_cast<PGPGroupSetRef>(1);
    const PGPError err = import(context, &byte, static_cast<PGPSize>(0xFFFFFFF0u), &set);
    EXPECT_TRUE(err == -11985 || err == kPGPError_OutOfMemory) << err;
    EXPECT_EQ(set, nullptr);
    freeContext(context);
}

}  // namespace
