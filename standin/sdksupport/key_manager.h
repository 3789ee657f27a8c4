// The key manager window of the support library (PGPscDoLaunchKeys): the
// keys of the rings the SDK preferences name, and what a user needs to begin
// with them: empty rings made where the preferences say, a new key pair, a
// new passphrase, the default key.
#pragma once

#include <windows.h>

#include "standin/sdk/sdk_interface.h"

namespace keymanager {

void registerClass(HINSTANCE module);
// Windows of a library that is going must not outlive their procedures.
void unregisterClass(HINSTANCE module);
// Shows the window (made on the first call) over the rings as they are now.
PGPError show(HINSTANCE module);

}  // namespace keymanager
