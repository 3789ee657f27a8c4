#pragma once
// Text rules for paths: the short names of the file window's caption, the
// names its outputs get by rule, the comparison that keeps an output from
// landing on its own source, and the names proposed for files saved from a
// message. Free of Win32.

#include <string>
#include <string_view>

namespace orv::ui {

// Texts of a path up to and including its last "\" (or "/" or ":"), the part
// after it, and that part's last extension with its dot ("" without one).
std::string DirectoryOf(const std::string& path);
std::string FileNameOf(const std::string& path);
std::string ExtensionOf(const std::string& path);
// The path without the last extension of its file name.
std::string WithoutExtension(const std::string& path);

// The caption's form of a path: its file name; a name longer than 12
// characters as a double quote, its first 7 characters, "~", its extension
// and a double quote.
std::string ShortName(const std::string& path);

// Outputs named by rule in same-extension mode: an encrypted file goes next
// to its source with the extension added; a decrypted one into the output
// directory under the source's name without its last extension, plus the
// extension.
std::string OutputByRule(bool encrypt, const std::string& source, const std::string& outputDir,
                         const std::string& outputExt);

// Full paths compared as the file system does: without regard to case.
bool SamePath(const std::string& a, const std::string& b);

// A temporary output, which the caption shows as " ..." (the system's
// temporary names end in ".TMP").
bool IsTemporaryName(const std::string& path);

// True when the text begins as rich text does ("{\rtf").
bool IsRichText(const std::string& text);
// True when a zero byte comes before the last character.
bool HasBinaryData(const std::string& bytes);

// A name taken from a message (an attachment's name, a subject) is written
// by its sender: it is reduced to a bare name that can only land in the
// folder the user chose.
// The part after the last path separator ("\", "/" or ":"), without the
// characters a file name cannot hold, blanks and dots trimmed off the ends;
// a device name ("CON", "LPT1.txt", ...) gets a leading "_". Empty when
// nothing is left.
std::string SafeFileName(std::string_view name);

// The characters a path may hold: the system's 260 less the closing zero.
// The file dialogs build the chosen path in a buffer of that room.
constexpr std::size_t kPathChars = 259;

// A name cut so that the folder it goes to, a separator, the name and
// `reserved` characters more (an extension the dialog may append) stay within
// kPathChars: the end of its stem goes, its extension stays where the room
// allows. Empty when the folder leaves no room.
std::string NameFittingFolder(std::string_view folder, std::string_view name, std::size_t reserved = 0);

}  // namespace orv::ui
