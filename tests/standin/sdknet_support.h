// Key servers for the tests of the networking library, the search dialog and
// the product's key-server search: a real SKS server on a free loopback port
// (started as a Unix process from the Wine test program, stopped by its pid),
// a scripted HTTP server inside the test for hostile or slow answers, and a
// loopback port where nobody listens.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orv::test {

// The SKS server over the build tree's database (bob, carol and dave).
class SksServer {
public:
    SksServer();
    ~SksServer();
    SksServer(const SksServer&) = delete;
    SksServer& operator=(const SksServer&) = delete;

    int Port() const { return port_; }  // 0 when it did not start
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    const std::string& Failure() const { return failure_; }

private:
    int port_ = 0;
    std::string pid_;
    std::string dir_;
    std::string failure_;
};

// Answers each connection with what the responder returns for the request
// (its first line, e.g. "GET /pks/lookup?... HTTP/1.0"). The responder runs on
// the server's thread and may wait.
class FakeHttpServer {
public:
    using Responder = std::function<std::string(const std::string& requestLine)>;
    explicit FakeHttpServer(Responder responder);
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    int Port() const { return port_; }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> Requests() const;

private:
    void Run();
    Responder responder_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// Points the user's application-data folder, below which the PGP preferences
// file of release 7 is looked for, at a private folder while it lives, and
// restores the registry value and removes the folder afterwards.
class PrivateAppData {
public:
    PrivateAppData();
    ~PrivateAppData();
    PrivateAppData(const PrivateAppData&) = delete;
    PrivateAppData& operator=(const PrivateAppData&) = delete;

    // "<folder>\Network Associates\PGP\PGPprefs.txt"
    std::string PrefsPath() const { return pgp_ + "PGPprefs.txt"; }
    void WritePrefs(const std::string& text) const;

private:
    std::string folder_, pgp_, saved_;
    bool hadValue_ = false;
};

// A loopback port that was free a moment ago: nobody listens there.
int ClosedLoopbackPort();

// Winsock for the test program.
struct SocketsInUse {
    SocketsInUse();
    ~SocketsInUse();
};

// "HTTP/1.0 <status> X\r\n...\r\n\r\n<body>".
std::string HttpAnswer(int status, const std::string& body, const std::string& type = "text/plain");

// A file of the test key data directory, read whole.
std::string ReadDataFile(const std::string& name);

}  // namespace orv::test
