#pragma once
// Helpers of the loader tests: engine directories assembled from the fake SDK
// libraries, the fake libraries' call log, and the fatal box.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/ui_robot.h"

namespace orv::test {

// The fake libraries' log since the last ClearFakeLog().
std::string FakeLog();
void ClearFakeLog();

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
};

// A fresh temporary directory holding copies of some fake SDK files, made the
// DLL search directory; removed (and the search reset) when destroyed.
class EngineDir {
public:
    EngineDir(const std::string& variant, const std::vector<std::string>& files);
    ~EngineDir();
    EngineDir(const EngineDir&) = delete;
    EngineDir& operator=(const EngineDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> files_;
};

// The five files of each fake release.
std::vector<std::string> Release7Files();
std::vector<std::string> Release65Files();
std::vector<std::string> Without(std::vector<std::string> files, const std::string& name);

// Expects one fatal box and records whether it showed the error icon.
struct FatalBoxWatch {
    ModalScript script;
    bool errorIcon = false;  // the shared error icon of this process
    bool iconShown = false;  // any icon (a box of another process has its own handles)
    FatalBoxWatch();
};

}  // namespace orv::test
