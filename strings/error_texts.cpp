// Descriptions of the PGP engine's error numbers and GetErrorStr.
#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "strings/texts.h"

namespace orv::strings {
namespace {

struct ErrorDescription {
    int32_t number;
    const char* text;
};

// D: a described number; S: a number that describes itself.
#define ORV_ERROR_TEXTS(D, S)                                              \
    /* general and file errors */                                          \
    D(-12000, "Bad parameters")                                            \
    D(-11999, "Out of memory")                                             \
    D(-11998, "Buffer too small")                                          \
    D(-11997, "File not found")                                            \
    D(-11996, "Cannot open file")                                          \
    D(-11995, "File permission denied")                                    \
    D(-11994, "File is locked")                                            \
    D(-11992, "Illegal file operation")                                    \
    D(-11991, "File operation failed")                                     \
    D(-11990, "Read failed")                                               \
    D(-11989, "Write failed")                                              \
    D(-11988, "End of file reached")                                       \
    D(-11987, "User cancelled")                                            \
    D(-11986, "Unknown request")                                           \
    D(-11985, "Unknown error")                                             \
    D(-11984, "Item not found")                                            \
    D(-11983, "Item already exists")                                       \
    D(-11982, "Internal consistency check failed")                         \
    D(-11981, "Bad memory address")                                        \
    D(-11980, "Unknown error")                                             \
    D(-11979, "Preference not found")                                      \
    D(-11978, "End of iteration")                                          \
    D(-11977, "PGP library not loaded or not initialized")                 \
    D(-11976, "Corrupt data")                                              \
    D(-11975, "Feature not available")                                     \
    /* operating-system errors */                                          \
    D(-11960, "Out of system resources")                                   \
    D(-11959, "Operating system call failed")                              \
    D(-11956, "System object could not be created")                        \
    D(-11955, "Cannot load library")                                       \
    D(-11954, "Entry point not found in library")                          \
    D(-11953, "Cannot create thread")                                      \
    D(-11952, "Cannot create mutex")                                       \
    D(-11951, "Cannot create event")                                       \
    D(-11950, "Waiting for a system object failed")                        \
    D(-11949, "Timeout waiting for a system object")                       \
    D(-11947, "Access to the system registry denied")                      \
    D(-11946, "Registry key not found")                                    \
    D(-11945, "Registry value not found")                                  \
    D(-11944, "Cannot read from the system registry")                      \
    D(-11943, "Cannot write to the system registry")                       \
    D(-11942, "Disk full")                                                 \
    D(-11941, "Disk is write-protected")                                   \
    D(-11940, "Drive not ready")                                           \
    D(-11939, "Path not found")                                            \
    D(-11938, "Too many open files")                                       \
    /* encode/decode job errors */                                         \
    D(-11500, "Bad passphrase")                                            \
    D(-11499, "Required option missing")                                   \
    D(-11498, "Option not allowed here")                                   \
    D(-11497, "Key has been revoked")                                      \
    D(-11496, "Key has expired")                                           \
    D(-11495, "Key has been disabled")                                     \
    D(-11494, "Key validity is low or none")                               \
    D(-11493, "Key can't be used for encryption")                          \
    D(-11492, "Key can't be used for signing")                             \
    D(-11491, "Conflicting options")                                       \
    D(-11490, "Incompatible output options")                               \
    D(-11489, "Needed passphrase is missing")                              \
    D(-11488, "Too many passphrase attempts")                              \
    D(-11487, "No key set given for this operation")                       \
    D(-11486, "No input given")                                            \
    D(-11485, "No output given")                                           \
    D(-11484, "Too many inputs")                                           \
    D(-11483, "Too many outputs")                                          \
    D(-11482, "Detached signature not allowed here")                       \
    D(-11481, "Signature without signed data")                             \
    D(-11480, "Cannot encrypt to this key")                                \
    D(-11479, "No recipients given")                                       \
    D(-11478, "Data file of the detached signature not found")             \
    D(-11477, "Unable to decrypt, no key")                                 \
    D(-11476, "Unsupported output format")                                 \
    D(-11475, "User says to skip this section")                            \
    D(-11474, "Operation refused by the event handler")                    \
    D(-11473, "Section not processed")                                     \
    D(-11472, "Conventional encryption not allowed")                       \
    D(-11471, "Key not usable for this operation")                         \
    /* library version */                                                  \
    D(-11460, "Library version too old or too new")                        \
    /* data and signature errors */                                        \
    D(-11450, "Invalid data")                                              \
    D(-11449, "Data truncated")                                            \
    D(-11448, "Bad signature")                                             \
    D(-11447, "Signature has expired")                                     \
    D(-11446, "Signature not yet valid")                                   \
    D(-11445, "Unknown signature type")                                    \
    D(-11444, "Signed data not present")                                   \
    D(-11443, "Unknown hash algorithm")                                    \
    D(-11442, "Unknown compression algorithm")                             \
    D(-11440, "Decompression failed")                                      \
    D(-11439, "Compression failed")                                        \
    D(-11438, "Unknown cipher algorithm")                                  \
    D(-11437, "Data integrity check failed")                               \
    D(-11436, "Unsupported data format")                                   \
    D(-11435, "Data too large")                                            \
    /* key ring and packet errors */                                       \
    D(-11420, "Key ring is read-only")                                     \
    D(-11419, "Key ring is corrupt")                                       \
    D(-11418, "Cannot open key ring")                                      \
    D(-11417, "Cannot write key ring")                                     \
    D(-11416, "Key ring is locked")                                        \
    D(-11415, "Key not found in key ring")                                 \
    D(-11414, "Duplicate key")                                             \
    D(-11413, "Duplicate user ID")                                         \
    D(-11412, "Duplicate signature")                                       \
    D(-11411, "Cannot decrypt message")                                    \
    D(-11410, "Cannot verify signature")                                   \
    D(-11409, "Key is not a secret key")                                   \
    D(-11408, "Secret key is damaged")                                     \
    D(-11407, "Public key is damaged")                                     \
    D(-11406, "Key has no user ID")                                        \
    D(-11405, "User ID not found")                                         \
    D(-11404, "Signature not found")                                       \
    D(-11403, "Subkey not found")                                          \
    D(-11402, "No secret key found")                                       \
    D(-11401, "Key is split and cannot be used")                           \
    D(-11400, "Key is already revoked")                                    \
    D(-11399, "Cannot revoke key")                                         \
    D(-11398, "Cannot delete key")                                         \
    D(-11397, "Cannot add key")                                            \
    D(-11396, "Key set is empty")                                          \
    D(-11395, "Key is not signed")                                         \
    D(-11394, "Unknown key version")                                       \
    D(-11393, "Unknown packet type")                                       \
    D(-11392, "ASCII armor input incomplete")                              \
    D(-11391, "Bad ASCII armor checksum")                                  \
    D(-11390, "Bad ASCII armor header")                                    \
    D(-11389, "Unknown ASCII armor type")                                  \
    D(-11388, "Bad packet length")                                         \
    D(-11387, "Bad packet header")                                         \
    D(-11386, "Packet truncated")                                          \
    D(-11385, "Packet data corrupt")                                       \
    D(-11384, "Unsupported packet version")                                \
    D(-11383, "Bad key ID")                                                \
    D(-11382, "Bad key fingerprint")                                       \
    D(-11381, "Key is too large")                                          \
    D(-11380, "Key is too small")                                          \
    D(-11379, "Bad public key data")                                       \
    D(-11378, "Bad secret key data")                                       \
    D(-11377, "Bad signature packet")                                      \
    D(-11376, "Bad user ID packet")                                        \
    D(-11375, "Trust packet corrupt")                                      \
    D(-11374, "Key database object has been deleted")                      \
    D(-11373, "Invalid key database object")                               \
    D(-11372, "Key property not available")                                \
    D(-11371, "Property value too large")                                  \
    D(-11370, "Property cannot be changed")                                \
    D(-11369, "Bug introduced by legal_kludge")                            \
    D(-11368, "Bug introduced by legal_kludge")                            \
    D(-11367, "Key ring update failed")                                    \
    D(-11366, "Key ring has changed on disk")                              \
    D(-11365, "Too many key rings open")                                   \
    D(-11364, "Key ring file is empty")                                    \
    D(-11363, "Unknown key ring format")                                   \
    D(-11350, "Key generation failed")                                     \
    D(-11349, "Invalid key size")                                          \
    D(-11348, "Public-key algorithm not supported")                        \
    D(-11347, "Unknown public-key algorithm")                              \
    D(-11346, "Public-key operation failed")                               \
    D(-11345, "Bad encryption key")                                        \
    D(-11344, "Bad signing key")                                           \
    D(-11343, "Invalid key expiration date")                               \
    D(-11342, "Prime number search failed")                                \
    D(-11341, "Random number pool not ready")                              \
    D(-11340, "Not enough random data")                                    \
    D(-11339, "Key is not valid yet")                                      \
    D(-11338, "Cannot create certification")                               \
    D(-11337, "Bad certification")                                         \
    D(-11336, "Key is not certified")                                      \
    D(-11330, "Passphrase too short")                                      \
    D(-11329, "Passphrase change failed")                                  \
    D(-11328, "Invalid key share file")                                    \
    D(-11327, "Not enough key shares")                                     \
    D(-11326, "Key share already used")                                    \
    D(-11325, "Additional decryption key missing")                         \
    D(-11324, "Additional decryption key not allowed")                     \
    D(-11320, "Filter type not supported")                                 \
    D(-11319, "Invalid filter")                                            \
    D(-11318, "Invalid property name")                                     \
    D(-11317, "Invalid property value")                                    \
    D(-11316, "Property type mismatch")                                    \
    D(-11315, "Invalid sort order")                                        \
    D(-11314, "Invalid key set")                                           \
    D(-11313, "Key set is read-only")                                      \
    D(-11312, "Invalid key iterator")                                      \
    /* key-server errors */                                                \
    D(-11300, "Key server error")                                          \
    D(-11299, "Cannot connect to the key server")                          \
    D(-11298, "Key server not found")                                      \
    D(-11297, "The request was rejected by the server")                    \
    D(-11296, "Invalid answer from the key server")                        \
    D(-11295, "Key server is busy")                                        \
    D(-11294, "Request not supported by the key server")                   \
    D(-11293, "Key not found on the key server")                           \
    D(-11292, "Key server search failed")                                  \
    D(-11291, "Too many keys found on the key server")                     \
    D(-11290, "Upload to the key server failed")                           \
    D(-11289, "Server request timed out")                                  \
    D(-11288, "Key server requires authorization")                         \
    D(-11287, "Key server authorization failed")                           \
    D(-11286, "Key server closed the connection")                          \
    D(-11285, "Invalid key server address")                                \
    D(-11284, "Unknown key server protocol")                               \
    D(-11283, "Key server is read-only")                                   \
    D(-11282, "Cannot delete key on the key server")                       \
    D(-11281, "Key server request cancelled")                              \
    D(-11280, "Key server support not initialized")                        \
    D(-11279, "Key server operation already in progress")                  \
    /* TLS errors */                                                       \
    D(-11250, "The TLS connection was unexpectedly shutdown")              \
    D(-11249, "TLS handshake failed")                                      \
    D(-11248, "TLS protocol violation")                                    \
    D(-11247, "TLS certificate not accepted")                              \
    D(-11246, "TLS session cancelled")                                     \
    D(-11245, "TLS key exchange failed")                                   \
    D(-11244, "TLS message authentication failed")                         \
    D(-11243, "TLS version not supported")                                 \
    D(-11242, "TLS cipher suite not supported")                            \
    D(-11240, "TLS session expired")                                       \
    D(-11239, "TLS remote key is invalid")                                 \
    D(-11238, "TLS session not established")                               \
    D(-11237, "TLS alert received")                                        \
    S(-11220) S(-11219) S(-11218) S(-11217) S(-11216) S(-11215)            \
    S(-11214) S(-11213) S(-11212)                                          \
    /* big-number error */                                                 \
    D(-11150, "Big number arithmetic failed")                              \
    /* socket errors */                                                    \
    D(-11100, "Network down")                                              \
    D(-11099, "Network unreachable")                                       \
    D(-11098, "Network dropped the connection")                            \
    D(-11097, "Connection aborted")                                        \
    D(-11096, "Connection reset by peer")                                  \
    D(-11095, "Connection refused")                                        \
    D(-11094, "Connection timed out")                                      \
    D(-11093, "Host unreachable")                                          \
    D(-11092, "Address already in use")                                    \
    D(-11091, "Address not available")                                     \
    D(-11090, "Socket is not connected")                                   \
    D(-11089, "Socket is already connected")                               \
    D(-11088, "Socket operation would block")                              \
    D(-11087, "Socket has been shut down")                                 \
    D(-11086, "Socket initialization failed")                              \
    D(-11085, "Invalid socket")                                            \
    /* name-resolution errors */                                           \
    D(-11050, "Host not found")                                            \
    D(-11049, "Host name lookup failed, try again later")                  \
    /* X.509 and PKCS-7 errors */                                          \
    D(-10999, "Invalid X.509 certificate")                                 \
    D(-10998, "X.509 certificate has expired")                             \
    D(-10997, "X.509 certificate not yet valid")                           \
    D(-10996, "X.509 certificate has been revoked")                        \
    D(-10995, "Unknown X.509 certificate issuer")                          \
    D(-10994, "Bad X.509 certificate signature")                           \
    D(-10993, "Unsupported X.509 certificate extension")                   \
    D(-10992, "Invalid X.509 certificate request")                         \
    D(-10991, "Invalid PKCS-7 data")                                       \
    D(-10990, "Unsupported PKCS-7 content type")                           \
    D(-10989, "Bad PKCS-7 signature")                                      \
    D(-10988, "Required public key not found")                             \
    D(-10979, "Certificate request rejected by the certificate authority") \
    D(-10978, "Certificate request is pending")                            \
    D(-10977, "Certificate not found")                                     \
    D(-10976, "Invalid certificate revocation list")                       \
    D(-10975, "Certificate revocation list has expired")                   \
    D(-10974, "Invalid distinguished name")                                \
    D(-10973, "Unsupported certificate version")                           \
    D(-10972, "Certificate chain is incomplete")                           \
    D(-10971, "Certificate chain is too long")                             \
    S(-10950) S(-10949) S(-10948) S(-10947) S(-10946) S(-10945)            \
    S(-10944) S(-10943) S(-10942) S(-10941) S(-10940) S(-10939)            \
    S(-10938) S(-10937) S(-10936) S(-10935) S(-10934) S(-10933)            \
    S(-10932) S(-10931) S(-10930) S(-10929) S(-10928) S(-10927)            \
    S(-10926) S(-10925) S(-10924) S(-10923) S(-10922) S(-10921)            \
    S(-10920) S(-10919) S(-10918) S(-10917) S(-10916) S(-10915)            \
    S(-10914) S(-10913) S(-10912) S(-10911) S(-10910) S(-10909)            \
    S(-10908)                                                              \
    S(-10880) S(-10879) S(-10878)                                          \
    S(-10850) S(-10849) S(-10848) S(-10847) S(-10846)                      \
    D(0, "Not an error")

#define ORV_DESCRIBED(number, text) ErrorDescription{number, text},
#define ORV_SELF_DESCRIBED(number) ErrorDescription{number, #number},
constexpr ErrorDescription kDescriptions[] = {ORV_ERROR_TEXTS(ORV_DESCRIBED, ORV_SELF_DESCRIBED)};
#undef ORV_DESCRIBED
#undef ORV_SELF_DESCRIBED

// Ascending order keeps the search binary and rules out a number listed twice.
constexpr bool StrictlyAscending() {
    for (std::size_t i = 1; i < std::size(kDescriptions); ++i)
        if (kDescriptions[i - 1].number >= kDescriptions[i].number) return false;
    return true;
}
static_assert(StrictlyAscending(), "error descriptions must be in ascending order");
static_assert(std::size(kDescriptions) == 316, "316 error numbers are described");

constexpr char kFallbackPrefix[] = "Undescribed PGP error ";

// Fallback texts are kept, one per number, until the library is unloaded, so
// a pointer handed out stays valid however many calls follow. The set grows
// only with the distinct undescribed numbers that callers ask about.
class FallbackTexts {
public:
    const char* For(int32_t err) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = texts_.find(err);
        if (found == texts_.end())
            found = texts_.emplace(err, kFallbackPrefix + std::to_string(err)).first;
        return found->second.c_str();
    }

private:
    std::mutex mutex_;
    std::map<int32_t, std::string> texts_;  // nodes never move: c_str() stays put
};

FallbackTexts& Fallbacks() {
    static FallbackTexts fallbacks;
    return fallbacks;
}

}  // namespace

const char* FindErrorDescription(int32_t err) {
    std::size_t low = 0, high = std::size(kDescriptions);
    while (low < high) {
        std::size_t mid = low + (high - low) / 2;
        if (kDescriptions[mid].number < err)
            low = mid + 1;
        else
            high = mid;
    }
    if (low < std::size(kDescriptions) && kDescriptions[low].number == err)
        return kDescriptions[low].text;
    return nullptr;
}

std::size_t DescribedErrorCount() { return std::size(kDescriptions); }

const char* ErrorText(int32_t err) {
    if (const char* text = FindErrorDescription(err)) return text;
    try {
        return Fallbacks().For(err);
    } catch (...) {
        // Without memory for a new text the number is left out.
        static constexpr char kBare[] = "Undescribed PGP error";
        return kBare;
    }
}

}  // namespace orv::strings

// Ordinal 372. Always 0; the description is stored at *out.
extern "C" int32_t __stdcall GetErrorStr(int32_t err, const char** out) {
    const char* text = orv::strings::ErrorText(err);
    if (out) *out = text;
    return 0;
}
