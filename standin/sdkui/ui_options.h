// The user-interface options of one dialog call, read from the option lists
// of its variable argument list (which ends with PGPOLastOption). Temporary
// lists are freed as the SDK's consuming calls free them.
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

#include "standin/sdk/sdk_interface.h"

namespace sdkui {

struct Checkbox {
    PGPUInt32 itemID = 0;
    std::string title;
    std::string description;
    PGPUInt32 initialValue = 0;
    PGPUInt32* result = nullptr;
};

struct UIOptions {
    PGPWindowRef parent = nullptr;
    std::string title = "PGP";
    bool hasPrompt = false;
    std::string prompt;
    char** outPassphrase = nullptr;
    PGPUInt32 minimumLength = 0;
    PGPUInt32 minimumQuality = 0;
    bool showQuality = false;
    bool verifyPassphrase = false;
    bool findMatchingKey = false;
    PGPKeyDBObjRef defaultKey = nullptr;
    PGPGroupSetRef recipientGroups = nullptr;
    std::string defaultRecipients;  // key IDs, packed
    PGPUInt32 defaultRecipientCount = 0;
    bool displayMarginalValidity = false;
    bool ignoreMarginalValidity = false;
    PGPFilterRef searchFilter = nullptr;
    PGPKeyDBObjRef searchKey = nullptr;
    PGPKeySetRef searchKeySet = nullptr;
    std::string searchKeyIDs;  // key IDs, packed
    PGPUInt32 searchKeyIDCount = 0;
    std::vector<Checkbox> checkboxes;
};

// Reads every list from first up to the end marker; kPGPError_BadParams for a
// null or failed list (the remaining temporary lists are still freed).
PGPError ReadOptions(PGPOptionListRef first, va_list ap, UIOptions& out);

}  // namespace sdkui
