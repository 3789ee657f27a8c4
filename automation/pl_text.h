#pragma once
// The plug-in's small text routines: no Win32, so that they can be checked on
// their own. Texts are 8-bit ANSI strings.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text.h"

namespace orv::automation {

struct UserAndKey {
    std::string user;
    std::string key;
};
// Split at the last "\": trimmed user before, key after; without one the
// whole text is the user.
UserAndKey ExtractUserAndKey(std::string_view text);
// Split at the first "\": trimmed key before, user after; without one the
// whole text is the user.
UserAndKey ExtractKeyAndUser(std::string_view text);
// Cuts the text up to and including its first comma and returns that piece
// trimmed, without the comma; without a comma the whole text, which empties.
std::string CommaExtract(std::string& text);
// The same for the first CR LF.
std::string GetLine(std::string& text);
std::string DelAmp(std::string text);
std::string DelQuotes(std::string text);
// Copies count characters from pos and removes them from the text.
std::string ExtractStr(std::string& text, std::size_t pos, std::size_t count);

// Message files of the mailbox that the plug-in may delete when the client
// closes: drafts (".PMW", ".PMX") with no more than 6 line feeds and fewer
// than 400 bytes.
bool IsDraftFile(std::string_view fileName);
bool IsBlankDraft(std::uint64_t size, std::string_view content);

// The mailbox edit field's text at close names a new mailbox directory.
bool IsMailboxChange(std::string_view text, std::string_view textAtOpen, std::string_view defaultText);
// Per-user files that move with the mailbox besides the configuration and
// the AutoList: "Pellatch.f??" and "Merrowin.f??".
bool IsPerUserFormFile(std::string_view fileName);

// The key identifier a text names: "0x" and the hexadecimal digits after the
// first "0x" (any case), upper-cased: sixteen when it holds a whole 64-bit
// ID, else eight; "" without "0x" and eight digits after it.
std::string ExtractHexID(std::string_view text);

}  // namespace orv::automation
