// The exports of the stand-in's client library, declared from the function
// types of standin/sdk/sdk_interface.h (so that a definition with another parameter list
// does not compile). Release 7 exports decorated __stdcall names
// ("_PGPclInitLibrary@8"): the C names carry a leading underscore and MinGW
// adds the "@n". Release 6.5 links with --kill-at and exports plain names.
#pragma once

#include <type_traits>

#include "standin/sdk/sdk_interface.h"

#ifndef ORV_SDKCL_RELEASE
#define ORV_SDKCL_RELEASE 7
#endif

#define SDKCL_DECLARE(cname, type) extern "C" __declspec(dllexport) std::remove_pointer_t<type> cname;

#if ORV_SDKCL_RELEASE == 7
SDKCL_DECLARE(_PGPclInitLibrary, PFN_PGPclInitLibrary7)
SDKCL_DECLARE(_PGPclCloseLibrary, PFN_PGPclCloseLibrary7)
SDKCL_DECLARE(_PGPclPreferences, PFN_PGPclPreferences7)
SDKCL_DECLARE(_PGPclGetPrefBoolean, PFN_PGPclGetPrefBoolean7)
SDKCL_DECLARE(_PGPclSetPrefBoolean, PFN_PGPclSetPrefBoolean7)
SDKCL_DECLARE(_PGPclGetPrefNumber, PFN_PGPclGetPrefNumber7)
SDKCL_DECLARE(_PGPclSetPrefNumber, PFN_PGPclSetPrefNumber7)
SDKCL_DECLARE(_PGPclGetPrefStringAlloc, PFN_PGPclGetPrefStringAlloc7)
SDKCL_DECLARE(_PGPclGetPrefStringBuffer, PFN_PGPclGetPrefStringBuffer7)
SDKCL_DECLARE(_PGPclSetPrefString, PFN_PGPclSetPrefString7)
SDKCL_DECLARE(_PGPclGetPrefData, PFN_PGPclGetPrefData7)
SDKCL_DECLARE(_PGPclSetPrefData, PFN_PGPclSetPrefData7)
SDKCL_DECLARE(_PGPclRemovePref, PFN_PGPclRemovePref7)
SDKCL_DECLARE(_PGPclPeekClientLibPrefRefs, PFN_PGPclPeekClientLibPrefRefs7)
SDKCL_DECLARE(_PGPclFlushClientLibPrefs, PFN_PGPclFlushClientLibPrefs7)
SDKCL_DECLARE(_PGPclNotifyPrefsChanges, PFN_PGPclNotifyPrefsChanges7)
SDKCL_DECLARE(_PGPclNotifyKeyringChanges, PFN_PGPclNotifyKeyringChanges7)
SDKCL_DECLARE(_PGPclNotifyKeyserverPrefsChanges, PFN_PGPclNotifyKeyserverPrefsChanges7)
SDKCL_DECLARE(_PGPclSelectKeys, PFN_PGPclSelectKeys7)

#else
SDKCL_DECLARE(PGPclInitLibrary, PFN_PGPclInitLibrary)
SDKCL_DECLARE(PGPclCloseLibrary, PFN_PGPclCloseLibrary)
SDKCL_DECLARE(PGPclPreferences, PFN_PGPclPreferences)
SDKCL_DECLARE(PGPclGetPrefBoolean, PFN_PGPclGetPrefBoolean)
SDKCL_DECLARE(PGPclSetPrefBoolean, PFN_PGPclSetPrefBoolean)
SDKCL_DECLARE(PGPclGetPrefNumber, PFN_PGPclGetPrefNumber)
SDKCL_DECLARE(PGPclSetPrefNumber, PFN_PGPclSetPrefNumber)
SDKCL_DECLARE(PGPclGetPrefStringAlloc, PFN_PGPclGetPrefStringAlloc)
SDKCL_DECLARE(PGPclGetPrefStringBuffer, PFN_PGPclGetPrefStringBuffer)
SDKCL_DECLARE(PGPclSetPrefString, PFN_PGPclSetPrefString)
SDKCL_DECLARE(PGPclGetPrefData, PFN_PGPclGetPrefData)
SDKCL_DECLARE(PGPclSetPrefData, PFN_PGPclSetPrefData)
SDKCL_DECLARE(PGPclRemovePref, PFN_PGPclRemovePref)
SDKCL_DECLARE(PGPclOpenClientPrefs, PFN_PGPclOpenClientPrefs)
SDKCL_DECLARE(PGPclCloseClientPrefs, PFN_PGPclCloseClientPrefs)
SDKCL_DECLARE(PGPclNotifyPrefsChanges, PFN_PGPclNotifyPrefsChanges)
SDKCL_DECLARE(PGPclNotifyKeyringChanges, PFN_PGPclNotifyKeyringChanges)
SDKCL_DECLARE(PGPclNotifyKeyserverPrefsChanges, PFN_PGPclNotifyKeyserverPrefsChanges)
SDKCL_DECLARE(PGPclSelectKeysEx, PFN_PGPclSelectKeysEx)
#endif

#undef SDKCL_DECLARE

// The C name of an export of this release: _PGPclX (7) or PGPclX (6.5).
#if ORV_SDKCL_RELEASE == 7
#define SDKCL(name) _PGPcl##name
#else
#define SDKCL(name) PGPcl##name
#endif
