// The recipient list's text logic on arbitrary lists and address books,
// built natively with libFuzzer, ASan and UBSan:
//   clang++-14 -std=c++20 -g -O1 -fsanitize=address,undefined,fuzzer -I. \
//     automation/autolist_upkeep.cpp automation/address_text.cpp automation/pl_text.cpp \
//     formats/autolist.cpp tests/automation/fuzz/fuzz_autolist.cpp -o fuzz_autolist
// It stops on a sort that loses a key or a line that is no entry, or that
// changes its own result when run again.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "automation/autolist_upkeep.h"
#include "formats/autolist.h"

using namespace orv::automation;

namespace {

std::string KeyWithoutFlag(const std::string& line) {
    const std::string key = formats::SplitAutoLine(line)->KeyField;
    std::string out;
    for (size_t i = 1; i < key.size(); ++i) out += static_cast<char>(std::toupper(static_cast<unsigned char>(key[i])));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    TAutoListText list = TakeHeader(in);
    TLines others, before = list.Body;
    std::set<std::string> keys;
    for (const auto& l : before) {
        if (IsSortableEntry(l)) keys.insert(KeyWithoutFlag(l));
        else others.push_back(l);
    }
    TLines body = before;
    SortEntries(body);
    TLines othersAfter;
    std::set<std::string> keysAfter;
    for (const auto& l : body) {
        if (IsSortableEntry(l)) keysAfter.insert(KeyWithoutFlag(l));
        else othersAfter.push_back(l);
    }
    if (others != othersAfter || keys != keysAfter) std::abort();
    TLines again = body;
    SortEntries(again);
    if (again != body) std::abort();

    TLines converted = before;
    ConvertOldEntries(converted, size % 2, '3');
    RemoveKeys(converted, in.substr(0, 40));
    EntriesFromChosen(in);
    bool paired = false;
    SingleRecipientResult(RecipientEntries(in, &paired), in);
    ReadAddressBook(in, [](std::string s) { return s; });
    HeaderFormat(list.Header);
    VersionNumber(in);
    return 0;
}
