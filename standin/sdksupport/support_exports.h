// The exports of the stand-in's support library, declared from the function
// types of engine/pgpsdk.h under the release 7 names (PGPsc...).
#pragma once

#include <type_traits>

#include "engine/pgpsdk.h"
#include "engine/sdk_table.h"

#define SDKSC_DECLARE(slot, name) extern "C" __declspec(dllexport) std::remove_pointer_t<PFN_##slot> slot;
ORV_SDK_SUPPORT_7(SDKSC_DECLARE)
#undef SDKSC_DECLARE
