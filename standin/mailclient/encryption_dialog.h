#pragma once
// The client's encryption dialog, opened when the editor's "E&ncrypt..." box
// is ticked: the encryptor and its encrypt and sign choices for one message.

#include <windows.h>

#include <string>

namespace orv::mailclient {

class Host;

constexpr const char* kEncryptionDialogCaption = "Encryption";

struct EncryptionChoice {
    std::string encryptor;  // entry of the encryptor list
    bool encrypt = false;
    bool sign = false;
};

// Runs the dialog modally over the editor; false when it was cancelled.
// The forms are told of the dialog (notification 25, kind 4) once it shows.
bool RunEncryptionDialog(HWND editor, Host* host, EncryptionChoice* choice);

// The number the message file's "X-PM-Encryptor: " line carries.
int EncryptorNumber(const EncryptionChoice& choice);

}  // namespace orv::mailclient
