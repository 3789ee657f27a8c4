#pragma once
// Byte-string helpers of the MIME reader, beside the ones every deliverable
// shares (base/text.h: trimming, case, prefixes).

#include <cstddef>
#include <string>
#include <string_view>

#include "base/text.h"

namespace orv::mime {

inline constexpr std::size_t npos = std::string_view::npos;

// Position of needle (already lower case) in s, ignoring ASCII case of s.
std::size_t FindNoCase(std::string_view s, std::string_view lowerNeedle, std::size_t from = 0);
bool ContainsNoCase(std::string_view s, std::string_view lowerNeedle);

// Every lone CR or LF becomes CR LF.
std::string NormaliseLineEnds(std::string_view s);
// The same for a text handed over: one that has CR LF line ends already
// comes back as it is, without a copy.
std::string NormaliseLineEnds(std::string&& s);

// One logical header line: the first line right-trimmed, each following line
// that begins with TAB or blank trimmed and appended after one blank. The view
// is advanced past what was consumed. maxContinuations < 0 joins them all.
std::string TakeHeaderLine(std::string_view& text, int maxContinuations = -1);

// A multipart delimiter: "--" + boundary at a line start, followed on its line
// only by "--" (the closing one) and/or transport padding. A boundary that is
// a prefix of another one therefore never matches the longer one's lines.
struct Delimiter {
    std::size_t pos = npos;   // start of the "--"
    std::size_t next = npos;  // first byte after the delimiter line (after its LF)
    bool closing = false;
    explicit operator bool() const { return pos != npos; }
};
Delimiter FindDelimiter(std::string_view text, std::string_view boundary, std::size_t from = 0);

// Splits the text of one part (after its delimiter line) into its header
// block, ending in the blank line, and its body. A part that begins with the
// blank line has no header; one without any blank line is header only.
void SplitPart(std::string_view part, std::string_view& header, std::string_view& body);

// End of the content before a delimiter: the CR LF (or LF) in front of it
// belongs to the delimiter.
std::size_t ContentEndBefore(std::string_view text, std::size_t delimiterPos);

}  // namespace orv::mime
