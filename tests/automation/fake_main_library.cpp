// A main library for the plug-in's tests. Built twice: with only part of its
// exports (FORMINIT, a plain window for the host form, PlugInit and Info),
// and with every export the plug-in's menu reaches. It writes what it was
// given into "main.log" beside itself.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "interfaces/merrowin_declared.h"

namespace {

HINSTANCE g_instance = nullptr;
HWND g_automation = nullptr;

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
    g_automation = automationWindow;
}

void __stdcall Info(const char* text) { Log(std::string("Info ") + (text ? text : "")); }

void* __stdcall ShowManager() {
    Log("ShowManager");
    return reinterpret_cast<void*>(1);
}

// The viewer takes the text the plug-in copied out of the reader.
void* __stdcall ShowViewer() {
    auto text = reinterpret_cast<const char*>(SendMessageA(g_automation, 0x0402, 0, 0));
    Log(std::string("ShowViewer ") + (text ? std::string(text).substr(0, std::string(text).find('\r')) : "-"));
    return reinterpret_cast<void*>(1);
}

int __stdcall ShowConfig() {
    Log("ShowConfig");
    return 1;
}

int __stdcall ShowAbout() {
    Log("ShowAbout");
    return 1;
}

int __stdcall WipeCache() {
    Log("WipeCache");
    return 1;
}

// Answers "yes" unless "no.txt" lies beside the library.
int __stdcall Confirm(const char* text) {
    Log(std::string("Confirm ") + (text ? text : ""));
    char path[MAX_PATH] = {};
    GetModuleFileNameA(g_instance, path, MAX_PATH);
    std::string no(path);
    no = no.substr(0, no.find_last_of('\\') + 1) + "no.txt";
    return GetFileAttributesA(no.c_str()) == INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int __stdcall SaveMimeAttachments(const char* text) {
    Log(std::string("SaveMimeAttachments ") + (text ? std::string(text).substr(0, 40) : ""));
    return 1;
}

int __stdcall GetKeyFromServer(const char* keyId) {
    Log(std::string("GetKeyFromServer ") + (keyId ? keyId : ""));
    return 1;
}

// Three keys on the ring.
int __stdcall FindKeys(const char* pattern, char* buffer, int) {
    Log(std::string("FindKeys [") + (pattern ? pattern : "") + "]");
    if (buffer) buffer[0] = '\0';
    return 3;
}

// Reports the key it deleted.
int __stdcall KeyDelete(char* buffer) {
    const char* deleted = "0x1234ABCD";
    Log("KeyDelete");
    if (buffer) std::memcpy(buffer, deleted, std::strlen(deleted) + 1);
    return 1;
}

int __stdcall KeyExtract() {
    Log("KeyExtract");
    return 1;
}

int __stdcall ShowFingerPrint() {
    Log("ShowFingerPrint");
    return 1;
}

int __stdcall ExecPGPkeys() {
    Log("ExecPGPkeys");
    return 1;
}

}  // extern "C"
