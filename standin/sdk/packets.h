// OpenPGP packet framing and ASCII armour, as far as the stand-in must see
// them itself: cutting rings into key blocks (with their trust packets),
// fingerprints, recipients of a message, and the lexical sections of a text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sdk {

struct Packet {
    int tag = 0;
    size_t start = 0;      // offset of the header
    size_t bodyStart = 0;  // offset of the body
    size_t end = 0;        // offset after the body
};

// Splits binary packets; false when the data is not a clean packet sequence.
bool splitPackets(const std::string& data, std::vector<Packet>& out);
// First packet tag of binary data, or -1.
int firstPacketTag(const std::string& data);
// Fingerprint (upper-case hex) of a version 4 public or secret key packet body.
std::string keyPacketFingerprint(const std::string& body, bool secret);
// Key IDs (16 hex digits) of the public-key session key packets that open a message.
// The head of a message is enough: the walk stops at the encrypted data.
std::vector<std::string> sessionKeyRecipients(std::string_view data, bool* hasSymmetric);
// The message with the hidden (zero) key IDs of its session key packets
// replaced by the given key ID, so that RNP tries that key.
std::string withRecipient(std::string_view data, const std::string& keyidHex);
std::string sha1(const std::string& data);
std::string trustPacket(uint8_t value);

// Where a byte or a text first lies at or after from; npos without one.
// They look at eight bytes at a time: whole messages are searched, and the
// C library's search here goes a byte at a time.
size_t findByte(std::string_view text, char c, size_t from = 0);
// The first CR or LF at or after from.
size_t findLineEnd(std::string_view text, size_t from = 0);
size_t findText(std::string_view text, std::string_view what, size_t from = 0);

struct Section {
    size_t start = 0, end = 0;
    enum Kind { Text, Message, Signed, Signature, PublicKey, PrivateKey, Binary, Broken } kind = Text;
};
// Cuts a text into lexical sections: armoured blocks and the text between them.
std::vector<Section> lexSections(std::string_view text);
// Armour body to binary; false when the armour does not decode.
bool dearmor(std::string_view armored, std::string& binary);
// The first packet tag of an armoured block, read from the head of its body
// alone; -1 when the head does not tell.
int firstArmoredPacketTag(std::string_view armored);
// The first bytes (at most count) of an armoured block's binary, decoded
// from the head of its body alone.
std::string dearmorHead(std::string_view armored, size_t count);

std::string toHex(const std::string& bytes);
std::string upper(std::string s);

}  // namespace sdk
