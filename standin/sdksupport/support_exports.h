// The exports of the stand-in's support library, declared from the function
// types of engine/pgpsdk.h under the release 7 names (PGPsc...). Release 6.5
// exports the same functions under its own names (support65.def) and none of
// these.
#pragma once

#include <type_traits>

#include "engine/pgpsdk.h"
#include "engine/sdk_table.h"

#ifndef ORV_SDKSC_RELEASE
#define ORV_SDKSC_RELEASE 7
#endif

#if ORV_SDKSC_RELEASE == 7
#define SDKSC_DECLARE(slot, name) extern "C" __declspec(dllexport) std::remove_pointer_t<PFN_##slot> slot;
#else
#define SDKSC_DECLARE(slot, name) extern "C" std::remove_pointer_t<PFN_##slot> slot;
#endif
ORV_SDK_SUPPORT_7(SDKSC_DECLARE)
#undef SDKSC_DECLARE
