#pragma once
// The engine's passphrase dialogs answered as a user answers them.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/support/ui_robot.h"

namespace orv::test {

// The passphrase of the test rings' keys (tests/standin/data).
inline constexpr const char* kAlicePass = "alice pass";
// The passphrase field of the engine's passphrase dialogs.
inline constexpr int kPassphraseEdit = 1002;

inline void TypePassphrase(HWND dlg, const std::string& passphrase) {
    SetText(FindChildById(dlg, kPassphraseEdit), passphrase);
    ClickId(dlg, IDOK);
}

// Answers every passphrase dialog of the engine that shows while it lives.
class PassphraseTypist {
public:
    explicit PassphraseTypist(std::string passphrase = kAlicePass)
        : passphrase_(std::move(passphrase)), thread_([this] {
              while (!stop_) {
                  for (HWND dlg : ListTopWindows("#32770", "")) {
                      if (!FindChildById(dlg, kPassphraseEdit)) continue;
                      TypePassphrase(dlg, passphrase_);
                      ++answered;
                      // The answered dialog goes before the next is looked for.
                      const DWORD answeredAt = GetTickCount();
                      while (IsWindow(dlg) && IsWindowVisible(dlg) && GetTickCount() - answeredAt < 10000) Sleep(20);
                  }
                  // Looked for often: a benchmark's time holds the wait for the answer.
                  Sleep(10);
              }
          }) {}
    ~PassphraseTypist() {
        stop_ = true;
        thread_.join();
    }
    PassphraseTypist(const PassphraseTypist&) = delete;
    PassphraseTypist& operator=(const PassphraseTypist&) = delete;
    std::atomic<int> answered{0};

private:
    const std::string passphrase_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace orv::test
