#pragma once
// Lets windows paint and dialogs answer while a long engine job runs on the
// user-interface thread.

namespace orv {
// Removes and dispatches every message waiting in this thread's queue.
void PumpMessages();
}  // namespace orv
