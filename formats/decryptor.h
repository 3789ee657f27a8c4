#pragma once
// The receiving side of the encryptor interface (DECRYPT_FILE_EX,
// VERIFY_SIGNATURE, KEY_MANAGEMENT, DESTROY_FILE) is part of TPMEncryptor
// (formats/encryptor.h); this header names what it reports.

#include "formats/encryptor.h"
#include "interfaces/signature_codes.h"

namespace orv {

// The longest signature line VERIFY_SIGNATURE hands back, and the room it
// fills in the caller's buffer (the line and its terminating zero).
constexpr std::size_t kVerifyLineMax = 160;

}  // namespace orv
