#pragma once
// The signature result as a reader shows it: the colour of the "PGP-Info"
// block by the main library's result code, the block's lines, and the parts
// of a reader's text that the plug-in hands on. No Win32, so that the layout
// can be checked on its own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv::automation {

constexpr const char* kInfoBlockMark = "PGP-Info:\t";

// Windows colour values (red in the low byte): 2 and 3 good, 4 bad, 5 no key.
std::optional<std::uint32_t> InfoBlockColour(int resultCode);

// What InsertSigText writes, in order: the prefix, the body in the result
// colour (followed by CR LF), then the trailer in the text colour.
struct InfoBlock {
    std::string prefix;
    std::string body;
    std::string trailer;
    std::uint32_t colour = 0;
};
// None for a result code without a colour.
std::optional<InfoBlock> BuildInfoBlock(std::string_view info, bool tabbed, int resultCode);
// A first line that already starts the block (behind the tabs of the
// tabbed layout).
bool StartsWithInfoBlock(std::string_view line0);

// The whole text when it holds an armoured PGP message, else "".
std::string EncryptedTextOf(std::string_view text);
// Everything after the first blank line when the header up to it names a
// PGP/MIME protocol, else "".
std::string PgpMimeBodyOf(std::string_view text);

}  // namespace orv::automation
