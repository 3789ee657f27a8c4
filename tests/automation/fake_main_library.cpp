// A main library for the plug-in's tests that offers only part of its
// exports: FORMINIT (a plain window for the host form), PlugInit and Info.
// It writes what it was given into "main.log" beside itself.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

HINSTANCE g_instance = nullptr;

void Log(const std::string& line) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(g_instance, path, MAX_PATH);
    std::string file(path);
    file = file.substr(0, file.find_last_of('\\') + 1) + "main.log";
    if (FILE* f = std::fopen(file.c_str(), "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_instance = instance;
    return TRUE;
}

extern "C" {

WORD __stdcall FORMINIT(WORD, int, HWND hostWindow, const char* parameter, HWND* formWindow, char**) {
    HWND wnd = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 0, 0, hostWindow, nullptr, g_instance, nullptr);
    Log(std::string("FORMINIT ") + (parameter ? parameter : ""));
    if (formWindow) *formWindow = wnd;
    return wnd ? 1 : 0;
}

void __stdcall PlugInit(HWND clientMain, DWORD clientMdi, HWND automationWindow, const char* mailboxDir) {
    char line[512];
    std::snprintf(line, sizeof line, "PlugInit %lu %lu %lu %s", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(clientMain)),
                  static_cast<unsigned long>(clientMdi),
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(automationWindow)), mailboxDir ? mailboxDir : "");
    Log(line);
}

void __stdcall Info(const char* text) { Log(std::string("Info ") + (text ? text : "")); }

}  // extern "C"
