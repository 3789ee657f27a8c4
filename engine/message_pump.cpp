#include "engine/message_pump.h"

#include <windows.h>

namespace orv {
void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // A quit request belongs to the thread's own message loop: put it back
        // and stop, or the program would never end.
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
}  // namespace orv
