#pragma once
// Texts shown to the user come from the string library by number (its export
// ordinal). The MIME toolkit takes them through this function so that it stays
// free of the library loading and can be given fixed texts in tests.

#include <functional>
#include <string>

#include "strings/text_numbers.h"

namespace orv {

using TTextSource = std::function<std::string(int number)>;

}  // namespace orv
