#pragma once
// What the file replacement and the start-up clean-up share about side
// files: their names, their registry notes, the claims that live jobs hold
// on them, and how their bytes are wiped.

#include <string>

#include "base/unique_handle.h"

namespace orv::side_files {

// One value per side file in progress: the side file's full path as the
// name, "<process id>\t<target>" as the data.
constexpr const char* kNotesKey = "Software\\Tamberlow\\Fennick\\Side files";
// One value per folder a side file was ever made in: the folder as the name,
// when it was first noted (a FILETIME) as the data.
constexpr const char* kFoldersKey = "Software\\Tamberlow\\Fennick\\Side file folders";
constexpr const char* kMark = ".~orv";
constexpr const char* kNewTag = ".new";
constexpr const char* kOldTag = ".old";

bool Exists(const std::string& path);
// The folder part of a full path, ending in "\".
std::string FolderOf(const std::string& path);

// "<target>.~orv<process id>_<n><tag>".
std::string SideName(const std::string& target, unsigned n, const char* tag);
// The target a side file stands beside; empty when the name is no side file's.
std::string TargetOf(const std::string& side);

// The named object a live job holds while the side file exists: held, the
// claim tells the job from a killed one whatever process ids were reused.
// Empty when another live job claims that name.
UniqueHandle Claim(const std::string& side);
bool Claimed(const std::string& side);

void Note(const std::string& side, const std::string& target);
void Forget(const std::string& side);
// Keeps the folder in the list the start-up clean-up searches, so that a
// side file whose note never reached the disk is found by its name.
void NoteFolder(const std::string& target);

// The bytes also show under another name: a symbolic link, or a further
// hard link. Wiping through such a name would overwrite the other's file.
bool SharedWithAnotherName(const std::string& path);
// The bytes overwritten (the engine's wiper where there is one) and the name
// deleted; when the bytes are shared with another name, only this name goes.
void Wipe(const std::string& path);
// Both names lead to the same file.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace orv::side_files
