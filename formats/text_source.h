#pragma once
// Texts shown to the user come from the string library by number (its export
// ordinal). The MIME toolkit takes them through this function so that it stays
// free of the library loading and can be given fixed texts in tests.

#include <functional>
#include <string>

namespace orv {

using TTextSource = std::function<std::string(int number)>;

// Numbers of the string library texts used by the message formats.
namespace text {
inline constexpr int WRITE_ERROR = 133;   // "Error writing data"
inline constexpr int FILE_ = 160;         // " File:"
inline constexpr int BASE64_ERROR = 209;  // "BASE64 error"
inline constexpr int MIME_SAVE = 263;     // "View/save PGP/MIME attachments:"
inline constexpr int MVIEW_HINT = 264;    // "&View"
inline constexpr int MSAVE_HINT = 265;    // "&Save"
inline constexpr int MCLOSE_HINT = 266;   // "&Close"
inline constexpr int SAVE_ = 306;         // "Save"
inline constexpr int FILE_AS = 307;       // "file as:"
inline constexpr int MM_BODY = 342;       // "Message body"
}  // namespace text

}  // namespace orv
