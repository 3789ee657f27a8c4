// HKP, the key servers' HTTP protocol: addresses, requests and the
// machine-readable index, and one HTTP exchange over Winsock that waits in
// short slices so that the caller's idle routine can keep a window alive or
// cancel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Tests that act as the front-end read this with the front-end's own
// declarations of the base types (engine/pgpsdk.h, included first); the
// interface test keeps the two statements alike.
#ifndef ORV_ENGINE_PGPSDK_H
#include "standin/sdk/sdk_interface.h"
#endif

namespace orvnet {

// HKP's own port, used for an http address without one.
constexpr std::uint16_t kHkpDefaultPort = 11371;

struct ServerAddress {
    PGPKeyServerProtocol protocol = 0;  // kPGPKeyServerProtocol_...
    std::string host;
    std::uint16_t port = 0;
    std::string path;  // "/pks/lookup" unless the address names one
};

// "http://host[:port][/path]", "hkp://..." (as http), "ldap://", "ldaps://",
// "https://". kPGPError_ServerBadAddress for a malformed address,
// kPGPError_ServerUnknownProtocol for another scheme.
PGPError ParseServerAddress(const std::string& url, ServerAddress& out);
// "http://host:port" as the dialog shows it.
std::string AddressText(const ServerAddress& address);
const char* ProtocolName(PGPKeyServerProtocol protocol);

// Percent-encoding of a search text for the query string.
std::string EncodeQueryText(const std::string& text);
// "/pks/lookup?op=get&options=mr&search=0x<hex>" and op=index for a text.
std::string GetRequest(const std::string& path, const std::string& keyIDHex);
std::string IndexRequest(const std::string& path, const std::string& text);

// The key IDs or fingerprints (hexadecimal, upper case) of the "pub:" lines of
// a machine-readable index, in order, without repeats.
std::vector<std::string> ParseIndexKeys(const std::string& body);

struct HttpResponse {
    int status = 0;
    std::string body;
};

// Splits a whole HTTP/1.x answer into status and body; false when it is not one.
bool ParseHttpResponse(const std::string& raw, HttpResponse& out);

// Called between waiting slices; a non-zero result ends the exchange with it.
using IdleRoutine = std::function<PGPError()>;

struct HttpLimits {
    int connectTimeoutMs = 5000;
    int idleTimeoutMs = 15000;  // without a byte from the server
    std::size_t maxBytes = 8u << 20;
};

// One GET over a fresh connection (HTTP/1.0, closed by the server).
// kPGPError_ServerNotFound when the host does not resolve,
// kPGPError_ServerConnectFailed when nobody answers on the port,
// kPGPError_ServerTimedOut, kPGPError_ServerTooManyResults past maxBytes,
// kPGPError_ServerUnknownResponse for an answer that is not HTTP.
PGPError HttpGet(const std::string& host, std::uint16_t port, const std::string& target, const IdleRoutine& idle,
                 const HttpLimits& limits, HttpResponse& out);

// Winsock for the library's lifetime.
bool StartSockets();
void StopSockets();

}  // namespace orvnet
