// What the parts of the user-interface library share.
#pragma once

#include <windows.h>

#include "standin/sdk/sdk_interface.h"

namespace sdkui {

// The library's own module (dialog templates).
HINSTANCE module();

// 0-100: how hard the passphrase is to guess, from its length and the
// character classes it uses (128 bits count as 100).
PGPUInt32 passphraseQuality(const char* text);

}  // namespace sdkui
