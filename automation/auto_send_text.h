#pragma once
// The text side of the automatic encryption on send: the AutoList as one send
// check loads it, the recipients of an address text matched against it, the
// key tokens handed to the main library, and the header fix-up of a written
// message file. No Win32, so that every rule can be checked on its own.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::automation {

// The entries kept for one send check: slNames[i] the address text (lower
// case), slFlags[i] the key as "0x" + upper-case digits, flags[i] the entry's
// flag value (the object riding with slFlags).
struct TAutoList {
    std::vector<std::string> slNames;
    std::vector<std::string> slFlags;
    std::vector<int> flags;
    int Count() const { return static_cast<int>(slNames.size()); }
};

// Reads the list from the file's whole text, already lower-cased.
TAutoList ParseAutoList(std::string_view loweredText);


// Cuts the next recipient off an address text: up to and including the next
// comma, a quoted display name with commas kept whole.
std::string NextAddressItem(std::string& text);

// Options of one recipient evaluation and what it changes.
struct TRecipientCheck {
    const TAutoList* list = nullptr;
    std::uint32_t autoMode = 0;
    // Hide key dialog on, AutoMode not 6 and the editor's low flag byte 0:
    // entries sharing an address may be offered for a choice.
    bool resolveDuplicates = false;
    // The main library's key selection: the chosen line's position or -1.
    std::function<int(const std::string& item, const std::string& candidates)> keySelect;

    std::string lastKeys;
    std::string unlisted;  // recipients not on the list, CR LF separated
    std::uint32_t recipientFlags = 0;
    bool sendCancelled = false;
};

// Checks one address text: bit 1 some recipient is unlisted, bit 2 some
// listed one has non-zero flags; 0 without a list or after a cancel.
int CheckAddressText(const std::string& text, TRecipientCheck& check);

// The key token of entry i as LastKeys carries it.
std::string KeyTokenOf(const TAutoList& list, int i, std::uint32_t autoMode);

// OR of the flag digits in front of every "x" of LastKeys.
int FlagDigitsOr(std::string_view lastKeys);
// Every flag digit in front of an "x" becomes the digit of value.
void SetFlagDigits(std::string& lastKeys, int value);

// Merges the default blind copies into LastKeys: the tokens checkBcc appends
// after the first n (those of the address fields) get the OR of the flags
// seen so far as their digit.
void MergeBccTokens(std::string& lastKeys, std::uint32_t recipientFlags,
                    const std::function<void(std::string& lastKeys)>& checkBcc);

// The header fix-up of a message file whose body is inline PGP armour: the
// new content, or "" when the file stays as it is. charset is the one the
// client writes 8-bit text in.
std::string FixedUpMessage(const std::string& content, const std::string& charset);

}  // namespace orv::automation
