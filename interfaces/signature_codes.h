#pragma once
// The signature status codes of a decode or verify, as the main library
// reports them: to the encryptor interface's caller, in AM_DECODED's wParam
// (the code in the low word, 1 in the high word for encrypted data), and as
// the plug-in's signature icons.

namespace orv {

enum : int {
    kSigCodeNone = 1,
    kSigCodeGoodValid = 2,
    kSigCodeGoodInvalid = 3,
    kSigCodeBad = 4,
    kSigCodeNoKey = 5,
    kSigCodeLast = kSigCodeNoKey,
    // Added when the data was encrypted.
    kSigCodeEncrypted = 0x10000,
};

}  // namespace orv
