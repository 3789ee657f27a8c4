#pragma once
// The user's settings from "Merrowin.cfg", as the configuration store read
// them. The store owns the one record; the encryptor operations, the jobs'
// set-up and the windows read it by reference, so a value changed by the
// store is the value every reader sees.

#include <cstdint>
#include <string>

namespace orv {

// Store value that keeps no passphrase at all.
constexpr int kStoreNever = -1;

struct TSettings {
    // [DefaultUser] Name, split into its halves by the configuration check.
    std::string DefaultUserName;
    std::string DefaultKeyID;
    bool Always = false;  // [DefaultUser] Always
    std::string Comment;  // [DefaultComment] Comment
    bool Standard = false;  // [StandardColor] Standard
    bool Auto = true;       // [Pellatch] Auto
    bool Hide = false;      // [HideKeyDialog] Hide
    bool Encrypt = true;    // [EncryptAttach] Encrypt
    bool Confirm = false;   // [ConfirmEncrypt] Confirm
    bool MixedWarn = true;  // [MixedOptions] Warn
    bool ADKWarn = true;    // [ADKWarning] Warn
    bool CheckKey = false;  // [CheckMessage] CheckKey
    bool Lookup = false;    // [CheckMessage] Lookup
    bool CheckSig = true;   // [CheckMessage] CheckSig
    std::uint8_t Include = 0;  // [CheckMessage] Include
    int Store = kStoreNever;   // [StorePassphrase] Store, seconds
    int Count = 3;             // [WipeCount] Count
    // Read by the configuration check; a ring that does not exist is "".
    std::string SecRing;   // [FilePaths] SecRing
    std::string PubRing;   // [FilePaths] PubRing
    std::string PGPGroup;  // [FilePaths] PGPgroup
    bool PGPMime = false;  // [MenuOptions] PGPMime
    bool PGPExt = false;   // [MenuOptions] PGPExt
};

}  // namespace orv
