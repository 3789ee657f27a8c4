#pragma once
// The messages between the main library and the automation plug-in are
// declared with the other window messages in base/host_messages.h.
#include <windows.h>

#include "base/host_messages.h"

static_assert(orv::automation::kUserMessage == WM_USER);
