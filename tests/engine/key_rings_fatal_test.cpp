// The key rings after the engine failed to load: every way in reports
// "engine not loaded" instead of touching an unbound engine.
#include <gtest/gtest.h>

#include "engine/key_rings.h"
#include "engine/loader.h"
#include "tests/engine/loader_test_support.h"

namespace {

using namespace orv;
using namespace orv::test;

TEST(KeyRingsAfterAFatalLoad, OpeningGivesEngineNotLoaded) {
    // Core library present, networking library missing: fatal condition 2.
    EngineDir dir("r7", Without(Release7Files(), "PGPsdkNL.dll"));
    FatalBoxWatch box;
    box.script.Start();
    ASSERT_FALSE(loader::Load(loader::Scope::Full));
    ASSERT_TRUE(box.script.Finish()) << box.script.Failure();
    ASSERT_EQ(loader::FatalCode(), 2);

    TKeyRings rings;
    ASSERT_TRUE(rings.SetRingFiles("C:\\pubring.pkr", "C:\\secring.skr"));
    PGPContextRef ctx = reinterpret_cast<PGPContextRef>(1);
    PGPKeySetRef set = reinterpret_cast<PGPKeySetRef>(1);
    EXPECT_EQ(rings.OpenKeyRings(ctx, set), -11977);
    EXPECT_EQ(ctx, nullptr);
    EXPECT_EQ(set, nullptr);
    EXPECT_EQ(rings.OpenCount, 0);
    PGPtlsContextRef tls = nullptr;
    EXPECT_EQ(rings.OpenEnvironment(ctx, set, tls), -11977);
    EXPECT_EQ(rings.OpenCount, 0);

    // No holder was made: the look-ups say so too.
    EXPECT_EQ(KeyRings(), nullptr);
    EXPECT_EQ(CountKeys("alice"), -11977);
    TKeyPropsList* list = nullptr;
    EXPECT_EQ(FindKeys("alice", 0, 0, list), -11977);
    EXPECT_EQ(list, nullptr);
    EXPECT_FALSE(IsPassphraseValid("0xE8750B357ACE6A48", "alice pass"));
    loader::Unload();
}

}  // namespace
