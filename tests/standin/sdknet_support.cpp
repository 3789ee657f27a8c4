#include "tests/standin/sdknet_support.h"

#include <chrono>
#include <fstream>
#include <sstream>

#ifndef ORV_SKS_DB
#error ORV_SKS_DB names the key server database built for the tests
#endif
#ifndef ORV_SKS_SCRIPTS
#error ORV_SKS_SCRIPTS names the directory of the key server scripts
#endif
#ifndef ORV_SKS_DATA
#error ORV_SKS_DATA names the test key data
#endif

namespace orv::test {
namespace {

std::string WindowsPath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

// Runs a Unix command line through Wine's start program and waits for start
// itself (the command goes on in the background).
bool RunUnix(const std::string& command) {
    std::string line = "start.exe /unix " + command;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

bool ReadFileText(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

bool PortAnswers(int port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<u_short>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    closesocket(s);
    return ok;
}

}  // namespace

SocketsInUse::SocketsInUse() {
    WSADATA d;
    WSAStartup(MAKEWORD(2, 2), &d);
}
SocketsInUse::~SocketsInUse() { WSACleanup(); }

SksServer::SksServer() {
    SocketsInUse sockets;
    const std::string info = "/tmp/orv-sks-info-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(GetTickCount());
    if (!RunUnix("/bin/bash " ORV_SKS_SCRIPTS "/start.sh " ORV_SKS_DB " " + info)) {
        failure_ = "cannot run start.sh";
        return;
    }
    std::string text;
    const std::string infoWin = WindowsPath(info);
    for (int i = 0; i < 600 && !ReadFileText(infoWin, text); ++i) Sleep(100);
    DeleteFileA(infoWin.c_str());
    std::istringstream in(text);
    in >> port_ >> pid_ >> dir_;
    if (!in || port_ <= 0) {
        failure_ = "the key server did not start: " + text;
        port_ = 0;
    }
}

SksServer::~SksServer() {
    if (pid_.empty()) return;
    SocketsInUse sockets;
    RunUnix("/bin/bash " ORV_SKS_SCRIPTS "/stop.sh " + pid_ + " " + dir_);
    for (int i = 0; i < 100 && port_ && PortAnswers(port_); ++i) Sleep(100);
}

FakeHttpServer::FakeHttpServer(Responder responder) : responder_(std::move(responder)) {
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    listen(listener_, 8);
    thread_ = std::thread([this] { Run(); });
}

FakeHttpServer::~FakeHttpServer() {
    stop_ = true;
    closesocket(listener_);
    if (thread_.joinable()) thread_.join();
}

std::vector<std::string> FakeHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void FakeHttpServer::Run() {
    while (!stop_) {
        fd_set r;
        FD_ZERO(&r);
        FD_SET(listener_, &r);
        timeval tv{0, 50000};
        if (select(0, &r, nullptr, nullptr, &tv) <= 0) continue;
        SOCKET c = accept(listener_, nullptr, nullptr);
        if (c == INVALID_SOCKET) continue;
        std::string request;
        char buf[4096];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            const int n = recv(c, buf, sizeof buf, 0);
            if (n <= 0) break;
            request.append(buf, n);
        }
        const std::string line = request.substr(0, request.find("\r\n"));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(line);
        }
        const std::string answer = responder_(line);
        std::size_t sent = 0;
        while (sent < answer.size()) {
            const int n = send(c, answer.data() + sent, static_cast<int>(answer.size() - sent), 0);
            if (n <= 0) break;
            sent += n;
        }
        shutdown(c, SD_SEND);
        closesocket(c);
    }
}

namespace {

const char* const kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool ReadAppData(std::string& out) {
    HKEY key = nullptr;
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof value - 1;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    const bool ok = RegQueryValueExA(key, "AppData", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                    ERROR_SUCCESS;
    RegCloseKey(key);
    if (ok) out = value;
    return ok;
}

void WriteAppData(const std::string* folder) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (folder)
        RegSetValueExA(key, "AppData", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder->c_str()),
                       static_cast<DWORD>(folder->size() + 1));
    else
        RegDeleteValueA(key, "AppData");
    RegCloseKey(key);
}

}  // namespace

PrivateAppData::PrivateAppData() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    folder_ = std::string(temp) + "orv_appdata_" + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(++serial);
    pgp_ = folder_ + "\\Network Associates\\PGP\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    CreateDirectoryA((folder_ + "\\Network Associates").c_str(), nullptr);
    CreateDirectoryA(pgp_.c_str(), nullptr);
    hadValue_ = ReadAppData(saved_);
    WriteAppData(&folder_);
}

PrivateAppData::~PrivateAppData() {
    WriteAppData(hadValue_ ? &saved_ : nullptr);
    DeleteFileA(PrefsPath().c_str());
    RemoveDirectoryA(pgp_.c_str());
    RemoveDirectoryA((folder_ + "\\Network Associates").c_str());
    RemoveDirectoryA(folder_.c_str());
}

void PrivateAppData::WritePrefs(const std::string& text) const {
    std::ofstream out(PrefsPath(), std::ios::binary | std::ios::trunc);
    out << text;
}

int ClosedLoopbackPort() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    closesocket(s);
    return ntohs(a.sin_port);
}

std::string HttpAnswer(int status, const std::string& body, const std::string& type) {
    return "HTTP/1.0 " + std::to_string(status) + " X\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string ReadDataFile(const std::string& name) {
    std::string text;
    ReadFileText(WindowsPath(ORV_SKS_DATA "/" + name), text);
    return text;
}

}  // namespace orv::test
