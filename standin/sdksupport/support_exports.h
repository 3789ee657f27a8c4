// The exports of the stand-in's support library, declared with the function
// types of standin/sdk/sdk_interface.h under the release 7 names (PGPsc...).
// Release 6.5 exports the same functions under its own names (support65.def)
// and none of these.
#pragma once

#include <type_traits>

#include "standin/sdk/sdk_interface.h"

#ifndef ORV_SDKSC_RELEASE
#define ORV_SDKSC_RELEASE 7
#endif

#if ORV_SDKSC_RELEASE == 7
#define SDKSC_DECLARE(name, name65) extern "C" __declspec(dllexport) std::remove_pointer_t<PFN_##name> name;
#else
#define SDKSC_DECLARE(name, name65) extern "C" std::remove_pointer_t<PFN_##name> name;
#endif
SDK_SUPPORT_ENTRY_POINTS(SDKSC_DECLARE)
#undef SDKSC_DECLARE
