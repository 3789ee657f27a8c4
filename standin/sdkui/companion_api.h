/*
 * The stand-in core's private interface for its companion libraries (user
 * interface, client, support). The user-interface options (PGPOUI...) are
 * made by the user-interface library but travel in the core's option lists:
 * the core keeps them as opaque entries that every list function copies and
 * frees like its own, and hands them back to the dialogs that read them.
 *
 * Plain C, shared by the core and the companions; every
 * function is __cdecl and exported by "PGP_SDK.dll" under the name given.
 */
#ifndef ORV_STANDIN_COMPANION_API_H
#define ORV_STANDIN_COMPANION_API_H

#include "standin/sdk/sdk_interface.h"

#ifdef __cplusplus
extern "C" {
#endif

/* One user-interface option as the companions see it. Texts are copied into
   the list on making and point into the list's storage on reading. */
typedef struct ORVsdkUIOption {
    PGPInt32 tag; /* kORVsdkUI_...; 0 for an option of the core itself */
    PGPInt32 num;
    PGPInt32 num2;
    void* ptr;
    void* ptr2;
    const char* text;
    PGPUInt32 textLength;
    const char* text2;
    PGPUInt32 text2Length;
} ORVsdkUIOption;

enum {
    kORVsdkUI_ParentWindowHandle = 1,
    kORVsdkUI_WindowTitle,
    kORVsdkUI_DialogPrompt,
    kORVsdkUI_DialogOptions,
    kORVsdkUI_Checkbox,
    kORVsdkUI_OutputPassphrase,
    kORVsdkUI_MinimumPassphraseLength,
    kORVsdkUI_MinimumPassphraseQuality,
    kORVsdkUI_ShowPassphraseQuality,
    kORVsdkUI_VerifyPassphrase,
    kORVsdkUI_FindMatchingKey,
    kORVsdkUI_RecipientGroups,
    kORVsdkUI_DefaultRecipients,
    kORVsdkUI_DefaultKey,
    kORVsdkUI_DisplayMarginalValidity,
    kORVsdkUI_IgnoreMarginalValidity,
    kORVsdkUI_KeyServerSearchFilter,
    kORVsdkUI_KeyServerSearchKey,
    kORVsdkUI_KeyServerSearchKeySet,
    kORVsdkUI_KeyServerSearchKeyIDList
};

/* A new temporary option list holding the option, followed by the options of
   nested (0 for none), which is taken over like any consumed list. A tag of 0
   or less, an invalid context or a bad nested list give a list that makes its
   consuming call fail with kPGPError_BadParams. */
PGPOptionListRef PGP_CALL ORVsdkNewUIOption(PGPContextRef context, const ORVsdkUIOption* option,
                                            PGPOptionListRef nested);
/* The number of options in a list and whether it is temporary (freed by the
   call that consumes it). kPGPError_BadParams for a list that is not valid
   or that an option function marked as failed (outCount still filled). */
PGPError PGP_CALL ORVsdkCountOptions(PGPOptionListRef list, PGPUInt32* outCount, PGPBoolean* outTemporary);
/* Reads option index of a list; tag 0 for the core's own options. */
PGPError PGP_CALL ORVsdkGetUIOption(PGPOptionListRef list, PGPUInt32 index, ORVsdkUIOption* outOption);

typedef PGPOptionListRef(PGP_CALL* PFN_ORVsdkNewUIOption)(PGPContextRef context, const ORVsdkUIOption* option,
                                                          PGPOptionListRef nested);
typedef PGPError(PGP_CALL* PFN_ORVsdkCountOptions)(PGPOptionListRef list, PGPUInt32* outCount,
                                                   PGPBoolean* outTemporary);
typedef PGPError(PGP_CALL* PFN_ORVsdkGetUIOption)(PGPOptionListRef list, PGPUInt32 index,
                                                  ORVsdkUIOption* outOption);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ORV_STANDIN_COMPANION_API_H */
