#pragma once
// Numbers of the texts of the string library, made from its one list of
// texts: each text function is exported under an ordinal equal to its number.

#include "strings/text_list.h"

namespace orv::txt {

#define ORV_TEXT_NUMBER(number, name, text) name = number,
enum TextNo : int { ORV_ALL_TEXTS(ORV_TEXT_NUMBER) };
#undef ORV_TEXT_NUMBER

constexpr int kFirstMainText = BAD_SIG;  // 109
constexpr int kLastMainText = RE_START;  // 348
constexpr int kLastText = ALGOR_DHDSS;   // 369
constexpr int kErrorTextOrdinal = 372;

// A text as the list holds it, for what must be told even when the string
// library itself cannot be loaded.
constexpr const char* BuiltInText(TextNo number) {
    switch (number) {
#define ORV_TEXT_CASE(number, name, text) \
    case name:                            \
        return text;
        ORV_ALL_TEXTS(ORV_TEXT_CASE)
#undef ORV_TEXT_CASE
    }
    return "";
}

}  // namespace orv::txt
