#pragma once
// A private engine directory for tests that run the product over the engine
// stand-in: the release 7 core library of <bin>/sdk7 with its companion
// libraries (those of <bin>/sdk7 where they are built, the fake ones of
// <bin>/fakesdk/r7 otherwise) and a copy of the test key rings. The loader
// finds the directory through SetDllDirectoryA. With the environment
// variable ORV_ENGINE_RELEASE=65 the release 6.5 flavour (<bin>/sdk65,
// <bin>/fakesdk/r65) takes its place, so that one test program runs over
// either release.

#include <string>

#include "engine/loader.h"

namespace orv::test {

class StandInEngine {
public:
    static constexpr const char* kReleaseVariable = "ORV_ENGINE_RELEASE";
    // 65 or 7, as the environment chooses.
    static int Release();

    // dataDir: Windows path of a directory holding pubring.pkr and secring.skr
    // (empty: no rings copied).
    explicit StandInEngine(const std::string& dataDir = std::string());
    ~StandInEngine();
    StandInEngine(const StandInEngine&) = delete;
    StandInEngine& operator=(const StandInEngine&) = delete;

    // Installs the hooks and loads the engine in full; true when it loaded.
    bool Load(const loader::EngineObjectHooks& hooks = {});
    void Unload();

    // The directory, with a trailing backslash, and the rings copied into it.
    const std::string& Dir() const { return dir_; }
    std::string PublicRing() const { return dir_ + "pubring.pkr"; }
    std::string SecretRing() const { return dir_ + "secring.skr"; }
    // Copies the rings of dataDir over the private ones again.
    void ResetRings();

private:
    std::string dir_;
    std::string data_;
    bool loaded_ = false;
};

// Windows path of a source-tree directory given with forward slashes, as the
// build passes it ("/work/x" becomes "Z:\work\x\").
std::string SourcePath(const char* unixPath);

// Directory of the running test program, with a trailing backslash.
std::string ProgramDir();

}  // namespace orv::test
