#pragma once
// What an encode job asks of the key selection dialog and what it answers.
// The dialog is a window of the main library's windows; whoever starts the
// job hands it in, so that the engine opens no window of its own.

#include <windows.h>

#include <functional>
#include <string>

#include "engine/key_props.h"

namespace orv {

// Answers of a key selection.
enum : int {
    kSelKeyCancelled = 0,
    kSelKeyChosen = 1,
    kSelKeyFromServer = 2,
    kSelKeyAddToList = 3,
    kSelKeyNoDialog = -1,  // the dialog could not be made
};

struct TKeySelectRequest {
    HWND Parent = nullptr;
    std::string Prompt;
    std::string GroupCaption;
    std::string OKCaption;
    std::string CancelCaption;
    std::string ServerCaption;
    std::string AutoListCaption;
    std::string HelpFile;
    int HelpContext = 0;
};

// recipient: the recipient text in; the chosen key-ID text (or group entry)
// out, empty after cancel, unchanged for a key from a server, the choice
// followed by the text given in for "add to the list". selection: the
// chosen item's own text.
using TKeySelector = std::function<int(const TKeySelectRequest& request, std::string& recipient, TKeyPropsList& keys,
                                       bool& groupChosen, std::string& selection)>;

}  // namespace orv
