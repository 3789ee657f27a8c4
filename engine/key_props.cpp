// Lists of keys and their property records.
#include "engine/key_props.h"

#include <stdexcept>

namespace orv {

TKeyPropsList::TKeyPropsList(int count, std::uint32_t mask) : mask_(mask) {
    for (int i = 0; i < count; ++i) Add(std::string());
}

std::unique_ptr<TKeyProps> TKeyPropsList::NewRecord() const {
    auto props = std::make_unique<TKeyProps>();
    if (mask_ & kPropUserIDs) props->UserIDs = std::make_unique<TUserIDs>();
    if (mask_ & kPropUserIDSigs) props->Signatures = std::make_unique<TUserIDs>();
    if (mask_ & kPropADKState) props->ADKeys = std::make_unique<TUserIDs>();
    if (mask_ & kPropRevokerState) props->RevocationKeys = std::make_unique<TUserIDs>();
    return props;
}

int TKeyPropsList::IndexOf(const std::string& text) const {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].text == text) return static_cast<int>(i);
    return -1;
}

int TKeyPropsList::Add(const std::string& text) {
    entries_.push_back({text, NewRecord()});
    return Count() - 1;
}

void TKeyPropsList::Insert(int index, const std::string& text) {
    if (index < 0 || index > Count()) throw std::out_of_range("key list index");
    entries_.insert(entries_.begin() + index, Entry{text, NewRecord()});
}

void TKeyPropsList::Delete(int index) {
    if (index < 0 || index >= Count()) throw std::out_of_range("key list index");
    entries_.erase(entries_.begin() + index);
}

void TKeyPropsList::Clear() { entries_.clear(); }

void TKeyPropsList::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count()) throw std::out_of_range("key list index");
    if (from == to) return;
    Entry moving = std::move(entries_[from]);
    entries_.erase(entries_.begin() + from);
    entries_.insert(entries_.begin() + to, std::move(moving));
}

}  // namespace orv
