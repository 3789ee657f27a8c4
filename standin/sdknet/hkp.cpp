#include "standin/sdknet/hkp.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "standin/sdknet/net_api.h"

namespace orvnet {
namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool AllHex(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// Closes the socket on every way out.
class Socket {
public:
    Socket() : s_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
    ~Socket() {
        if (s_ != INVALID_SOCKET) closesocket(s_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET get() const { return s_; }

private:
    SOCKET s_;
};

constexpr int kSliceMs = 50;

// Waits up to one slice for the socket to become readable or writable.
int WaitSlice(SOCKET s, bool forWrite, bool& failed) {
    fd_set rw, ex;
    FD_ZERO(&rw);
    FD_ZERO(&ex);
    FD_SET(s, &rw);
    FD_SET(s, &ex);
    timeval tv{0, kSliceMs * 1000};
    const int n = select(0, forWrite ? nullptr : &rw, forWrite ? &rw : nullptr, &ex, &tv);
    failed = n == SOCKET_ERROR || FD_ISSET(s, &ex);
    return n;
}

PGPError Resolve(const std::string& host, in_addr& out) {
    const unsigned long numeric = inet_addr(host.c_str());
    if (numeric != INADDR_NONE || host == "255.255.255.255") {
        out.s_addr = numeric;
        return kPGPError_NoErr;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return kPGPError_ServerNotFound;
    out = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return kPGPError_NoErr;
}

}  // namespace

bool StartSockets() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void StopSockets() { WSACleanup(); }

const char* ProtocolName(PGPKeyServerProtocol protocol) {
    switch (protocol) {
    case kPGPKeyServerProtocol_LDAP: return "ldap";
    case kPGPKeyServerProtocol_HTTP: return "http";
    case kPGPKeyServerProtocol_LDAPS: return "ldaps";
    case kPGPKeyServerProtocol_HTTPS: return "https";
    default: return "";
    }
}

PGPError ParseServerAddress(const std::string& url, ServerAddress& out) {
    out = ServerAddress{};
    const auto sep = url.find("://");
    if (sep == std::string::npos || sep == 0) return kPGPError_ServerBadAddress;
    const std::string scheme = Lower(url.substr(0, sep));
    std::uint16_t defaultPort = 0;
    if (scheme == "http" || scheme == "hkp") {
        out.protocol = kPGPKeyServerProtocol_HTTP;
        defaultPort = kHkpDefaultPort;
    } else if (scheme == "https") {
        out.protocol = kPGPKeyServerProtocol_HTTPS;
        defaultPort = 443;
    } else if (scheme == "ldap") {
        out.protocol = kPGPKeyServerProtocol_LDAP;
        defaultPort = 389;
    } else if (scheme == "ldaps") {
        out.protocol = kPGPKeyServerProtocol_LDAPS;
        defaultPort = 636;
    } else {
        return kPGPError_ServerUnknownProtocol;
    }
    std::string rest = url.substr(sep + 3);
    const auto slash = rest.find('/');
    std::string hostPort = rest.substr(0, slash);
    out.path = slash == std::string::npos ? std::string("/pks/lookup") : rest.substr(slash);
    if (out.path == "/") out.path = "/pks/lookup";
    const auto colon = hostPort.rfind(':');
    std::string portText;
    if (colon != std::string::npos) {
        portText = hostPort.substr(colon + 1);
        hostPort.resize(colon);
    }
    if (hostPort.empty() || hostPort.size() > 255) return kPGPError_ServerBadAddress;
    for (char c : hostPort)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_'))
            return kPGPError_ServerBadAddress;
    out.host = hostPort;
    out.port = defaultPort;
    if (colon != std::string::npos) {
        if (portText.empty() || portText.size() > 5 ||
            !std::all_of(portText.begin(), portText.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return kPGPError_ServerBadAddress;
        const long port = std::stol(portText);
        if (port < 1 || port > 65535) return kPGPError_ServerBadAddress;
        out.port = static_cast<std::uint16_t>(port);
    }
    for (char c : out.path)
        if (static_cast<unsigned char>(c) <= ' ' || c == '?' || c == '#') return kPGPError_ServerBadAddress;
    return kPGPError_NoErr;
}

std::string AddressText(const ServerAddress& address) {
    return std::string(ProtocolName(address.protocol)) + "://" + address.host + ":" + std::to_string(address.port);
}

std::string EncodeQueryText(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    return out;
}

std::string GetRequest(const std::string& path, const std::string& keyIDHex) {
    return path + "?op=get&options=mr&search=0x" + EncodeQueryText(keyIDHex);
}

std::string IndexRequest(const std::string& path, const std::string& text) {
    return path + "?op=index&options=mr&search=" + EncodeQueryText(text);
}

std::vector<std::string> ParseIndexKeys(const std::string& body) {
    std::vector<std::string> keys;
    std::size_t pos = 0;
    while (pos < body.size()) {
        auto end = body.find('\n', pos);
        if (end == std::string::npos) end = body.size();
        std::string line = body.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, 4, "pub:") != 0) continue;
        const auto colon = line.find(':', 4);
        std::string id = line.substr(4, colon == std::string::npos ? std::string::npos : colon - 4);
        if (id.compare(0, 2, "0x") == 0 || id.compare(0, 2, "0X") == 0) id.erase(0, 2);
        if (!AllHex(id) || (id.size() != 8 && id.size() != 16 && id.size() != 32 && id.size() != 40 && id.size() != 64))
            continue;
        for (char& c : id) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (std::find(keys.begin(), keys.end(), id) == keys.end()) keys.push_back(id);
    }
    return keys;
}

bool ParseHttpResponse(const std::string& raw, HttpResponse& out) {
    out = HttpResponse{};
    if (raw.compare(0, 5, "HTTP/") != 0) return false;
    const auto sp = raw.find(' ');
    const auto lineEnd = raw.find('\n');
    if (sp == std::string::npos || lineEnd == std::string::npos || sp > lineEnd) return false;
    if (sp + 4 > raw.size()) return false;
    const std::string code = raw.substr(sp + 1, 3);
    if (!std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    out.status = std::stoi(code);
    auto headEnd = raw.find("\r\n\r\n");
    std::size_t bodyStart;
    if (headEnd != std::string::npos) {
        bodyStart = headEnd + 4;
    } else {
        headEnd = raw.find("\n\n");
        if (headEnd == std::string::npos) return false;
        bodyStart = headEnd + 2;
    }
    // Chunked answers would need reassembly; an HTTP/1.0 request gets none.
    const std::string head = Lower(raw.substr(0, headEnd));
    if (head.find("transfer-encoding: chunked") != std::string::npos) return false;
    out.body = raw.substr(bodyStart);
    return true;
}

PGPError HttpGet(const std::string& host, std::uint16_t port, const std::string& target, const IdleRoutine& idle,
                 const HttpLimits& limits, HttpResponse& out) {
    out = HttpResponse{};
    in_addr address{};
    PGPError err = Resolve(host, address);
    if (err != kPGPError_NoErr) return err;
    Socket s;
    if (s.get() == INVALID_SOCKET) return kPGPError_ServerConnectFailed;
    u_long nonBlocking = 1;
    ioctlsocket(s.get(), FIONBIO, &nonBlocking);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr = address;
    if (connect(s.get(), reinterpret_cast<sockaddr*>(&to), sizeof to) == SOCKET_ERROR) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) return kPGPError_ServerConnectFailed;
        for (int waited = 0;; waited += kSliceMs) {
            bool failed = false;
            const int n = WaitSlice(s.get(), true, failed);
            if (failed) return kPGPError_ServerConnectFailed;
            if (n > 0) break;
            if (idle && (err = idle()) != kPGPError_NoErr) return err;
            if (waited >= limits.connectTimeoutMs) return kPGPError_ServerTimedOut;
        }
        int soError = 0;
        int len = sizeof soError;
        if (getsockopt(s.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) == 0 && soError != 0)
            return kPGPError_ServerConnectFailed;
    }
    const std::string request = "GET " + target + " HTTP/1.0\r\nHost: " + host + ":" + std::to_string(port) +
                                "\r\nAccept: */*\r\nConnection: close\r\n\r\n";
    std::size_t sent = 0;
    for (int waited = 0; sent < request.size();) {
        const int n = send(s.get(), request.data() + sent, static_cast<int>(request.size() - sent), 0);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            waited = 0;
            continue;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK) return kPGPError_ServerConnectFailed;
        bool failed = false;
        WaitSlice(s.get(), true, failed);
        if (failed) return kPGPError_ServerConnectFailed;
        if (idle && (err = idle()) != kPGPError_NoErr) return err;
        if ((waited += kSliceMs) >= limits.idleTimeoutMs) return kPGPError_ServerTimedOut;
    }
    std::string raw;
    char buffer[8192];
    for (int waited = 0;;) {
        const int n = recv(s.get(), buffer, sizeof buffer, 0);
        if (n > 0) {
            raw.append(buffer, static_cast<std::size_t>(n));
            if (raw.size() > limits.maxBytes) return kPGPError_ServerTooManyResults;
            waited = 0;
            continue;
        }
        if (n == 0) break;
        const int why = WSAGetLastError();
        if (why == WSAECONNRESET) break;  // some servers reset after the last byte
        if (why != WSAEWOULDBLOCK) return kPGPError_ServerConnectFailed;
        bool failed = false;
        WaitSlice(s.get(), false, failed);
        if (idle && (err = idle()) != kPGPError_NoErr) return err;
        if ((waited += kSliceMs) >= limits.idleTimeoutMs) return kPGPError_ServerTimedOut;
    }
    if (!ParseHttpResponse(raw, out)) return raw.empty() ? kPGPError_ServerConnectFailed : kPGPError_ServerUnknownResponse;
    return kPGPError_NoErr;
}

}  // namespace orvnet
