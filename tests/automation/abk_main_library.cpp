// A main library for the AutoList tests: its address and key exports answer
// from files the test puts beside it ("out_<export>.txt" is copied into the
// buffer, "ret_<export>.txt" holds the result) and write what they were
// given to "in_<export>.txt"; every call is logged to "main.log". Without an
// answer file an export writes nothing, as a refusing main library does.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "interfaces/merrowin_declared.h"

namespace {

HINSTANCE g_instance = nullptr;

std::string Beside(const std::string& name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(g_instance, path, MAX_PATH);
    std::string file(path);
    return file.substr(0, file.find_last_of('\\') + 1) + name;
}

void Append(const std::string& name, const std::string& text) {
    if (FILE* f = std::fopen(Beside(name).c_str(), "ab")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

bool Read(const std::string& name, std::string* text) {
    FILE* f = std::fopen(Beside(name).c_str(), "rb");
    if (!f) return false;
    text->clear();
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text->append(chunk, n);
    std::fclose(f);
    return true;
}

void Log(const std::string& line) { Append("main.log", line + "\n"); }

// Records the call and gives the scripted answer.
int Answer(const char* name, const std::string& input, char* buffer, const std::string& numbers) {
    Log(std::string(name) + numbers);
    DeleteFileA(Beside(std::string("in_") + name + ".txt").c_str());
    Append(std::string("in_") + name + ".txt", input);
    std::string out, ret;
    const bool wrote = Read(std::string("out_") + name + ".txt", &out);
    if (wrote && buffer) std::memcpy(buffer, out.c_str(), out.size() + 1);
    if (Read(std::string("ret_") + name + ".txt", &ret)) return std::atoi(ret.c_str());
    return wrote ? 1 : 0;
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

void __stdcall PlugInit(HWND, DWORD, HWND, const char*) { Log("PlugInit"); }

void __stdcall Error(const char* text) { Log(std::string("Error ") + (text ? text : "")); }
void __stdcall Info(const char* text) { Log(std::string("Info ") + (text ? text : "")); }

int __stdcall SetAddrOptions(const char* text, char* buffer) { return Answer("SetAddrOptions", text, buffer, ""); }

int __stdcall AddAddrOptions(const char* text, char* buffer, int options, int flag) {
    return Answer("AddAddrOptions", text, buffer, " " + std::to_string(options) + " " + std::to_string(flag));
}

int __stdcall GetABKAddr(const char* text, char* buffer, int options) {
    return Answer("GetABKAddr", text, buffer, " " + std::to_string(options));
}

int __stdcall GetPGPAddr(const char* a, const char* b, char* buffer, int options) {
    return Answer("GetPGPAddr", std::string(a) + "|" + b, buffer, " " + std::to_string(options));
}

int __stdcall FindKeys(const char* text, char* buffer, int flag) {
    return Answer("FindKeys", text, buffer, " " + std::to_string(flag));
}

}  // extern "C"
