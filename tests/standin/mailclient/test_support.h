#pragma once
// Helpers of the stand-in's tests: scratch directories, files, the message
// pump and the test encryptor's log.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/files.h"

namespace mctest {

// A fresh directory below the working directory, ending in "\".
std::string ScratchDir(const std::string& name);
using orv::test::ReadAll;
bool WriteAll(const std::string& path, const std::string& text);
bool Exists(const std::string& path);
// Lines of a text file, without their line ends.
std::vector<std::string> Lines(const std::string& path);
bool HasLine(const std::vector<std::string>& lines, const std::string& line);
// First line that begins with the prefix, or "".
std::string LineStarting(const std::vector<std::string>& lines, const std::string& prefix);
// Handles the thread's pending messages for the given time.
void PumpFor(int ms);
// The directory of the test program (bin/), ending in "\".
std::string BinDir();

// Clicks a static control that reacts to clicks (the editor's "Send"), as
// the mouse does; false when there is none with that text.
bool ClickStatic(HWND parent, const std::string& text);

// Points the test encryptor's log at a fresh file and returns its path.
std::string FreshEncryptorLog(const std::string& dir);

}  // namespace mctest
