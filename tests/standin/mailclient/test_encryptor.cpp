// A small encryptor module for the stand-in's tests: it exports the client's
// entry points, writes what it received into the log file named by
// ORV_TEST_ENCRYPTOR_LOG and answers as the message file asks ("Result: N"
// in its first line). It reads the request by its byte offsets, not through
// the shared record, so that both sides of the layout are checked.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "interfaces/mail_client.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

HWND g_host = nullptr;
HWND g_form = nullptr;

void Log(const std::string& line) {
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("ORV_TEST_ENCRYPTOR_LOG", path, MAX_PATH)) return;
    FILE* f = std::fopen(path, "ab");
    if (!f) return;
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
}

std::string ReadFile(const char* path) {
    std::string text;
    FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) return text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

bool WriteFile(const char* path, const std::string& text) {
    FILE* f = path ? std::fopen(path, "wb") : nullptr;
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

// The value of a header line "Name: value" of the message text.
std::string Header(const std::string& text, const std::string& name) {
    size_t pos = text.rfind("\n" + name, text.find("\r\n\r\n"));
    if (text.compare(0, name.size(), name) == 0) pos = 0;
    else if (pos == std::string::npos) return {};
    else ++pos;
    size_t end = text.find("\r\n", pos);
    return text.substr(pos + name.size(), end - pos - name.size());
}

int AskedResult(const std::string& text, int def) {
    std::string v = Header(text, "Result: ");
    return v.empty() ? def : std::atoi(v.c_str());
}

void Status(WPARAM kind, const char* text) {
    if (g_host) SendMessageA(g_host, orv::host::kHostStatusLine, kind, reinterpret_cast<LPARAM>(text));
}

std::string Str(const char* p) { return p ? std::string(p) : std::string("(null)"); }

// The request as bytes: HostWord at 8, the three texts at 16, 20 and 24.
void LogRequest(const char* name, const void* request) {
    const auto* bytes = static_cast<const unsigned char*>(request);
    uint32_t hostWord, message, output, recipients;
    std::memcpy(&hostWord, bytes + 8, 4);
    std::memcpy(&message, bytes + 16, 4);
    std::memcpy(&output, bytes + 20, 4);
    std::memcpy(&recipients, bytes + 24, 4);
    uint32_t unread[7];
    std::memcpy(unread, bytes, 8);
    std::memcpy(unread + 2, bytes + 12, 4);
    std::memcpy(unread + 3, bytes + 28, 16);
    bool zero = true;
    for (uint32_t u : unread) zero = zero && u == 0;
    Log(std::string(name) + " hostword=" + std::to_string(hostWord) +
        " message=" + Str(reinterpret_cast<const char*>(uintptr_t(message))) +
        " output=" + Str(reinterpret_cast<const char*>(uintptr_t(output))) +
        " recipients=" + Str(reinterpret_cast<const char*>(uintptr_t(recipients))) +
        " reserved=" + (zero ? "zero" : "set"));
}

// What the host answers, as the main library asks at the start of an encode.
[[maybe_unused]] void LogHostAnswers() {
    if (!g_host) {
        Log("host none");
        return;
    }
    char buf[261];
    std::memset(buf, 'x', sizeof buf);
    SendMessageA(g_host, orv::host::kHostGetMailboxDir, 260, reinterpret_cast<LPARAM>(buf));
    Log(std::string("mailbox=") + buf);
    std::memset(buf, 'x', sizeof buf);
    SendMessageA(g_host, orv::host::kHostGetProgramDir, 260, reinterpret_cast<LPARAM>(buf));
    Log(std::string("programdir=") + buf);
    LRESULT start = SendMessageA(g_host, orv::host::kHostGetSetting, orv::host::kSettingEncodeStart, 0);
    Log("setting80=" + std::to_string(start));
    char charset[261] = {};
    SendMessageA(g_host, orv::host::kHostGetSetting, orv::host::kSettingCharset, reinterpret_cast<LPARAM>(charset));
    Log(std::string("charset=") + charset);
}

LRESULT CALLBACK FormProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == orv::host::kFormMsgSendCheck) {
        char stop[8] = {};
        GetEnvironmentVariableA("ORV_TEST_STOP_SEND", stop, sizeof stop);
        Log(std::string("sendcheck ") + (stop[0] == '1' ? "stop" : "go"));
        return stop[0] == '1' ? orv::host::kSendCheckStop : 0;
    }
    if (msg == orv::host::kFormMsgCommand) {
        Log("command " + std::to_string(wp) + " " + std::to_string(lp));
        return 0;
    }
    if (msg == orv::host::kFormMsgNotify) {
        if (wp == orv::host::kNotifyDialogOpened && lp) {
            auto* notice = reinterpret_cast<const orv::host::DialogNotice*>(lp);
            char cls[64] = {};
            GetClassNameA(GetParent(notice->Window), cls, sizeof cls);
            Log("notify 25 kind=" + std::to_string(notice->Kind) + " parent=" + cls);
        } else if (wp == orv::host::kNotifyFormOpened && lp) {
            char cls[64] = {}, caption[128] = {};
            GetClassNameA(reinterpret_cast<HWND>(lp), cls, sizeof cls);
            GetWindowTextA(reinterpret_cast<HWND>(lp), caption, sizeof caption);
            Log(std::string("notify 19 class=") + cls + " caption=" + caption);
        } else if (wp == orv::host::kNotifyUnloading && lp) {
            Log("notify 16 " + Str(reinterpret_cast<const char*>(lp)));
        } else if (wp == orv::host::kNotifyClosing) {
            char hold[8] = {};
            GetEnvironmentVariableA("ORV_TEST_HOLD_EXIT", hold, sizeof hold);
            Log(std::string("notify 15 ") + (hold[0] == '1' ? "hold" : "go"));
            if (hold[0] == '1') return orv::host::kSendCheckStop;
        } else if (wp == orv::host::kNotifyFileWritten && lp) {
            Log("notify 28 " + Str(reinterpret_cast<const orv::host::FileNotice*>(lp)->FileName));
        } else {
            Log("notify " + std::to_string(wp));
        }
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

extern "C" {

WORD WINAPI FORMINIT(WORD version, int mode, HWND hostWindow, const char* parameter,
                                           HWND* formWindow, char** callbackName) {
    Log("FORMINIT version=" + std::to_string(version) + " mode=" + std::to_string(mode) +
        " param=" + Str(parameter) + " host=" + (IsWindow(hostWindow) ? "window" : "none"));
    if ((version >> 8) > 1) return 0;
    if (callbackName) *callbackName = nullptr;
    g_host = hostWindow;
    if (!parameter || !*parameter) return 0;
    WNDCLASSA wc{};
    wc.lpfnWndProc = FormProc;
    wc.hInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
    wc.lpszClassName = "ORVTESTFORM";
    RegisterClassA(&wc);
    g_form = CreateWindowExA(0, "ORVTESTFORM", parameter, WS_CHILD, 0, 0, 0, 0, hostWindow, nullptr, wc.hInstance,
                             nullptr);
    if (formWindow) *formWindow = g_form;
    return g_form ? 1 : 0;
}

#ifndef TEST_ENCRYPTOR_PARTIAL
int WINAPI ENCRYPT_FILE_EX(void* request) {
    LogRequest("ENCRYPT_FILE_EX", request);
    LogHostAnswers();
    const char* file = *reinterpret_cast<const char* const*>(static_cast<const char*>(request) + 16);
    std::string text = ReadFile(file);
    Log("message-to=" + Header(text, "To: "));
    Log("message-encryptor=" + Header(text, orv::host::kEncryptorHeader));
    Status(0, "Encrypting ...");
    int result = AskedResult(text, 1);
    if (result == 1) {
        WriteFile(file, Header(text, "To: ").empty() ? std::string("-----BEGIN PGP MESSAGE-----\r\n")
                                                    : "To: " + Header(text, "To: ") +
                                                          "\r\n\r\n-----BEGIN PGP MESSAGE-----\r\n");
    } else if (result == -2) {
        // Moving the message to a new editor, as the main library does.
        std::string to = Header(text, "To: "), subject = Header(text, "Subject: ");
        WriteFile(file, "To: (delete)\r\nSubject: (cancelled)");
        HWND editor = g_host ? reinterpret_cast<HWND>(SendMessageA(g_host, orv::host::kHostNewEditor,
                                                                   orv::host::kNewEditorAny, 0))
                             : nullptr;
        Log(std::string("neweditor=") + (editor ? "window" : "none"));
        if (editor) {
            SendMessageA(editor, orv::host::kEditorSetField, orv::host::kFieldTo, reinterpret_cast<LPARAM>(to.c_str()));
            SendMessageA(editor, orv::host::kEditorSetField, orv::host::kFieldSubject,
                         reinterpret_cast<LPARAM>(subject.c_str()));
            SendMessageA(editor, orv::host::kEditorSetField, orv::host::kFieldAttachment,
                         reinterpret_cast<LPARAM>("C:\\report.txt   "));
            PostMessageA(editor, orv::host::kEditorSetField, orv::host::kFieldUrgent, 1);
            PostMessageA(editor, orv::host::kEditorSetField, orv::host::kFieldReady, 0);
        }
    }
    Status(0, result < 0 ? "Encrypting cancelled" : "Encrypting finished");
    return result;
}

int WINAPI SIGN_FILE_EX(void* request) {
    LogRequest("SIGN_FILE_EX", request);
    Status(0, "Signing finished");
    return AskedResult(ReadFile(*reinterpret_cast<const char* const*>(static_cast<const char*>(request) + 16)), 1);
}

int WINAPI VERIFY_SIGNATURE(const char* path, char* result) {
    Log("VERIFY_SIGNATURE " + Str(path));
    std::string text = ReadFile(path);
    int r = AskedResult(text, 1);
    std::strcpy(result, r == 1 ? "Good signature from tester" : r == 0 ? "Bad signature from tester" : "");
    return r;
}

int WINAPI KEY_MANAGEMENT(const char* path) {
    Log("KEY_MANAGEMENT " + Str(path));
    if (path && std::strcmp(path, orv::host::kClipboardSource) == 0) return 1;
    return ReadFile(path).find("-----BEGIN PGP PUBLIC KEY BLOCK-----") != std::string::npos ? 1 : 0;
}

int WINAPI DESTROY_FILE(const char* path) {
    Log("DESTROY_FILE " + Str(path));
    return path && DeleteFileA(path) ? 1 : 0;
}
#endif

int WINAPI DECRYPT_FILE_EX(void* request) {
    LogRequest("DECRYPT_FILE_EX", request);
    const char* file = *reinterpret_cast<const char* const*>(static_cast<const char*>(request) + 16);
    const char* output = *reinterpret_cast<const char* const*>(static_cast<const char*>(request) + 20);
    std::string text = ReadFile(file);
    Status(0, "Decrypting/Verifying ...");
    int result = AskedResult(text, 2);
    if (result == 2 && !WriteFile(output, "decoded:\r\n" + text)) result = 0;
    Status(3, "Good signature from tester, (0x12345678): complete validity");
    return result;
}

}  // extern "C"

#ifdef TEST_ENCRYPTOR_NEEDS_SDK
// Like the deliverables, this variant cannot start without an engine library
// found by its plain name.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    return LoadLibraryA("mc_sdk_probe.dll") ? TRUE : FALSE;
}
#endif
