/*
 * What the stand-in's networking library shares with the core and with the
 * user-interface library beyond the SDK interface of standin/sdk/sdk_interface.h:
 *  - the core's filter accessor (exported by "PGP_SDK.dll"), through which
 *    a key-server query reads what a filter asks for;
 *  - the tags of the networking options, which travel in the core's option
 *    lists like the user-interface options (standin/sdkui/companion_api.h);
 *  - the key-server query that the search dialog runs;
 *  - the key-server error numbers the library reports.
 *
 * Plain C; every function is __cdecl.
 */
#ifndef ORV_STANDIN_SDKNET_NET_API_H
#define ORV_STANDIN_SDKNET_NET_API_H

/* Tests that act as the front-end read this with the front-end's own
   declarations of the base types (engine/pgpsdk.h, included first); the
   interface test keeps the two statements alike. */
#ifndef ORV_ENGINE_PGPSDK_H
#include "standin/sdk/sdk_interface.h"
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Filters (core) ---- */

enum {
    kORVsdkFilter_Boolean = 0,
    kORVsdkFilter_Numeric = 1,
    kORVsdkFilter_Time = 2,
    kORVsdkFilter_Data = 3,
    kORVsdkFilter_Not = 4,
    kORVsdkFilter_And = 5,
    kORVsdkFilter_Or = 6
};

/* data points into the filter and stays valid while the filter lives; a and
   b are the operands of Not (a only), And and Or, still owned by the filter. */
typedef struct ORVsdkFilterInfo {
    PGPInt32 kind;
    PGPKeyDBObjProperty property;
    PGPMatchCriterion match;
    PGPBoolean boolValue;
    PGPByte reserved[3];
    PGPUInt32 number;
    const void* data;
    PGPSize dataLength;
    PGPFilterRef a;
    PGPFilterRef b;
} ORVsdkFilterInfo;

PGPError PGP_CALL ORVsdkGetFilterInfo(PGPFilterRef filter, ORVsdkFilterInfo* outInfo);
typedef PGPError(PGP_CALL* PFN_ORVsdkGetFilterInfo)(PGPFilterRef filter, ORVsdkFilterInfo* outInfo);

/* ---- Networking options: tags of the core's opaque options ---- */

enum {
    kORVsdkNet_URL = 0x101,             /* text */
    kORVsdkNet_HostName = 0x102,        /* text, num = port */
    kORVsdkNet_HostAddress = 0x103,     /* num = IPv4 address in host order, num2 = port */
    kORVsdkNet_Protocol = 0x104,        /* num */
    kORVsdkNet_KeySpace = 0x105,        /* num */
    kORVsdkNet_AccessType = 0x106,      /* num */
    kORVsdkNet_SearchFilter = 0x107     /* ptr = PGPFilterRef, not taken over */
};

/* Key-server protocols (the numbers of the PGP preferences). */
enum {
    kPGPKeyServerProtocol_Invalid = 0,
    kPGPKeyServerProtocol_LDAP = 1,
    kPGPKeyServerProtocol_HTTP = 2,
    kPGPKeyServerProtocol_LDAPS = 3,
    kPGPKeyServerProtocol_HTTPS = 4
};

/* States of the key-server event (PGPEventKeyServerData.state). */
enum {
    kPGPKeyServerState_Invalid = 0,
    kPGPKeyServerState_Opening = 1,
    kPGPKeyServerState_Querying = 2,
    kPGPKeyServerState_ReceivingResults = 3,
    kPGPKeyServerState_ProcessingResults = 4,
    kPGPKeyServerState_Closing = 8
};

/* ---- Key-server query ---- */

/* Asks the open server for the keys the filter names (key IDs, user-ID
   texts) and returns those of them that pass the whole filter in a new key
   database (free with PGPFreeKeyDB); no match gives an empty database.
   Exported by the networking library as PGPQueryKeyServer. */
typedef PGPError(PGP_CALL* PFN_PGPQueryKeyServer)(PGPKeyServerRef server, PGPFilterRef filter,
                                                  PGPKeyDBRef* outFoundKeys);
/* Release 6.5: the keys come back in a new key set (free with PGPFreeKeySet). */
typedef PGPError(PGP_CALL* PFN65_PGPQueryKeyServer)(PGPKeyServerRef server, PGPFilterRef filter,
                                                    PGPKeySetRef* outFoundKeys);

/* ---- Error numbers ---- */

enum {
    kPGPError_ServerGeneric = -11300,
    kPGPError_ServerConnectFailed = -11299,
    kPGPError_ServerNotFound = -11298,
    kPGPError_ServerRequestRejected = -11297,
    kPGPError_ServerUnknownResponse = -11296,
    kPGPError_ServerRequestNotSupported = -11294,
    kPGPError_ServerTooManyResults = -11291,
    kPGPError_ServerTimedOut = -11289,
    kPGPError_ServerBadAddress = -11285,
    kPGPError_ServerUnknownProtocol = -11284,
    kPGPError_ServerCancelled = -11281,
    kPGPError_ServerNotInitialized = -11280,
    kPGPError_ServerInProgress = -11279,
    kPGPError_TLSHandshakeFailed = -11249,
    kPGPError_TLSNotEstablished = -11238
};

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ORV_STANDIN_SDKNET_NET_API_H */
