#pragma once
// Byte-string helpers shared by the MIME reader. Texts are 8-bit strings in the
// ANSI code page; case folding touches ASCII letters only, so encoded bytes of
// other code pages pass unchanged.

#include <cstddef>
#include <string>
#include <string_view>

namespace orv::mime {

inline constexpr std::size_t npos = std::string_view::npos;

inline char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
inline char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

std::string LowerCase(std::string_view s);
std::string UpperCase(std::string_view s);

// Trimming removes blanks and control characters (bytes up to 32), as the mail
// client's own header reader does.
std::string_view TrimLeft(std::string_view s);
std::string_view TrimRight(std::string_view s);
std::string_view Trim(std::string_view s);

bool StartsWith(std::string_view s, std::string_view prefix);
// Prefix compared without regard to ASCII case.
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
// Position of needle (already lower case) in s, ignoring ASCII case of s.
std::size_t FindNoCase(std::string_view s, std::string_view lowerNeedle, std::size_t from = 0);
bool ContainsNoCase(std::string_view s, std::string_view lowerNeedle);

// Every lone CR or LF becomes CR LF.
std::string NormaliseLineEnds(std::string_view s);

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
