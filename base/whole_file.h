#pragma once
// Whole files in and out of memory, and the one way every deliverable puts
// new content in place of a file. Files the user or the mail client owns are
// never left half-written, and text that was in them does not stay on disk:
//  - the new content goes completely into a side file beside the target
//    (a unique name, so that the last step is a rename on one drive) and is
//    flushed;
//  - the old content gets a second name, the side file is renamed over the
//    target, and the old content is wiped under its second name;
//  - every side file is claimed (a named object the job holds while it
//    exists) and noted in the registry before it is made, and its folder is
//    kept in a list, so that the next start of a library finds what a killed
//    process left, by the note or by the name, and wipes it
//    (WipeStaleSideFiles);
//  - bytes that another name shows as well (the target is a symbolic link
//    or has a further hard link) are the other name's: the target's name
//    gets the new content, and the other name keeps its file untouched.
// A kill at any moment leaves the target whole: its old content or the
// complete new one.

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// The most characters a side file's name adds to its target's
// (".~orv<process id>_<n>" and its tag): a target leaves this room within a
// path's limit, or no side file can be made for it.
constexpr std::size_t kSideNameRoom = 28;

// A file (not a folder) of that name exists.
bool FileExists(const std::string& path);

// The whole file; false (and no bytes) when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// The whole file in blocks of at least blockSize bytes, each cut just after
// a separator byte (the last block ends with the file): a caller working
// through a large file of separated records lets each block go when it is
// done with it, and no record spans two blocks. False (and no blocks) as
// above.
bool ReadWholeFile(const std::string& path, char separator, std::size_t blockSize, std::deque<std::string>& blocks);

// Overwrites a file's bytes and deletes it.
using FileWiper = std::function<void(const std::string& path)>;

// The wiper the replacement uses for old content and stale side files (the
// engine's file wiper with the configured passes, once a session has one).
// Without one, the bytes are overwritten once with zeros.
void SetFileWiper(FileWiper wiper);

// The plain wiper: zeros over every byte, flushed, then the file deleted.
void OverwriteAndDelete(const std::string& path) noexcept;

// Puts the bytes in place of the file (or makes it). False, with the file
// unchanged and nothing left beside it, when the path is empty or a folder,
// the file is read-only or held open against writers by another program,
// or the new content cannot be written completely.
bool ReplaceWholeFile(const std::string& path, std::string_view bytes);
// The same with the new content given in pieces, written one after the
// other (a large text is not joined in memory first).
bool ReplaceWholeFile(const std::string& path, std::initializer_list<std::string_view> pieces);

// Wipes the side files that ended jobs left: those noted in the registry and
// those found by their names in %TEMP%, in the folders side files were made
// in and in the given folders; a target that a killed run had moved aside
// gets its old content back. Side files that a live job claims are left
// alone. Returns how many it wiped or put back.
int WipeStaleSideFiles(const std::vector<std::string>& folders = {});

}  // namespace orv
