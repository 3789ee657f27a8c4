#include "launcher/launcher_report.h"

#include <windows.h>

#include <cstdio>
#include <utility>

#include "base/unique_handle.h"

namespace orv::launcher {

LauncherReport::LauncherReport(std::string command, bool silent, std::string logFile)
    : command_(std::move(command)), silent_(silent), logFile_(std::move(logFile)) {}

void LauncherReport::Note(const std::string& text) const {
    if (logFile_.empty()) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char stamp[32] = {};
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    std::string line = stamp + command_ + ": " + text;
    // One line per entry, whatever the text's own line breaks.
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    line += "\r\n";
    // Appended whole by one write; another launcher may log at the same time.
    UniqueHandle file(CreateFileA(logFile_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

int LauncherReport::Fail(LauncherExit code, const std::string& text, const std::string& title) const {
    Note(text);
    if (!silent_) {
        MessageBeep(MB_ICONHAND);
        MessageBoxA(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }
    return static_cast<int>(code);
}

int LauncherReport::Ask(const std::string& text, const std::string& title, unsigned icon, int fallback) const {
    if (silent_) return fallback;
    return MessageBoxA(nullptr, text.c_str(), title.c_str(), icon | MB_SETFOREGROUND);
}

}  // namespace orv::launcher
