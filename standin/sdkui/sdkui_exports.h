// The exports of the stand-in's user-interface library "PGPsdkUI.dll", each
// declared with its function type of standin/sdk/sdk_interface.h, so that a
// definition with another parameter list does not compile.
#pragma once

#include <type_traits>

#include "standin/sdk/sdk_interface.h"

#ifndef ORV_SDKUI_RELEASE
#define ORV_SDKUI_RELEASE 7
#endif

#define SDKUI_DECLARE(name) extern "C" __declspec(dllexport) std::remove_pointer_t<PFN_##name> name;
SDK_UI_ENTRY_POINTS(SDKUI_DECLARE)
#undef SDKUI_DECLARE

#define SDKUI_EXPORT(name) static_assert(std::is_same_v<decltype(&name), PFN_##name>, #name)

namespace sdkui {

// Bytes of one key ID in the key-ID arrays of the release.
constexpr PGPUInt32 kKeyIDSize = ORV_SDKUI_RELEASE == 7 ? kPGPKeyIDSize : kPGPKeyIDSize65;

}  // namespace sdkui
