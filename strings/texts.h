#pragma once
// Lookups of the string library: texts by number, error numbers to texts.

#include <cstddef>
#include <cstdint>

namespace orv::strings {

constexpr int kFirstText = 1;
constexpr int kLastText = 369;

// Each lookup serves one consumer's range; a number of the range without a
// text, or outside the range, gives "".
const char* LauncherText(int number);  // 1-11
const char* PluginText(int number);    // 12-108
const char* MainText(int number);      // 109-369

// The stored description of an engine error number, or nullptr when the
// number is not described.
const char* FindErrorDescription(int32_t err);
std::size_t DescribedErrorCount();

// The description of any error number: stored, or the fallback
// "Undescribed PGP error " + number, which stays valid while the library is
// loaded.
const char* ErrorText(int32_t err);

}  // namespace orv::strings
