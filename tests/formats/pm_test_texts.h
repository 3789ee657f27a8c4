#pragma once
// The string library's own English texts by number, for the message formats.

#include "formats/text_source.h"
#include "strings/text_list.h"

#include <map>
#include <string>

namespace orv::test {

inline TTextSource LibraryTexts() {
    return [](int number) {
        static const std::map<int, std::string> texts = {
#define ORV_TEXT_ENTRY(n, name, text) {n, text},
            ORV_ALL_TEXTS(ORV_TEXT_ENTRY)
#undef ORV_TEXT_ENTRY
        };
        const auto it = texts.find(number);
        return it == texts.end() ? std::string() : it->second;
    };
}

}  // namespace orv::test
