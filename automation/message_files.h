#pragma once
// The client's unsent drafts in the mailbox directory.

#include <string>

namespace orv::automation {

// Deletes the blank drafts ("*.PMW", "*.PMX") of the directory when the
// client closes; the number of drafts kept, -1 when the directory cannot be
// searched.
int DeleteBlankMessageFiles(const std::string& mailboxDir);

}  // namespace orv::automation
