#pragma once
// The small text routines every deliverable uses: trimming, case and
// directory texts. Texts are 8-bit strings in the ANSI code page; case
// folding touches ASCII letters only, so bytes of other code pages pass
// unchanged. No Win32, so that the formats core builds them natively too.

#include <string>
#include <string_view>

namespace orv {

// A blank is a space or a control character (bytes up to 32), as the mail
// client's own header reader has it: what surrounds a typed value, and the
// tabs and line ends of the files read.
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Views into the text without the blanks at its start, end or both.
std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);
std::string_view Trim(std::string_view text);

inline char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
inline char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);

// Equal without regard to ASCII case, as the file system compares names.
bool SameTextNoCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view text, std::string_view prefix);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view tail);

// Where the first CR or LF lies at or after from; npos without one. Looks at
// eight bytes at a time: whole messages are searched for their line ends.
std::size_t FindLineEnd(std::string_view text, std::size_t from = 0);
// The same for one byte, and for a text (by its first byte, then compared):
// string::find goes through the C library's memchr, a byte at a time under Wine.
std::size_t FindByte(std::string_view text, char c, std::size_t from = 0);
std::size_t FindText(std::string_view text, std::string_view what, std::size_t from = 0);

// A directory with one trailing "\"; an empty text stays empty.
std::string WithBackslash(std::string dir);

}  // namespace orv
