#pragma once
// The main library's exports: ordinal, name, result and parameters, in one
// table. The library declares its exports from it (so a definition that
// strays is a compile error), the plug-in's bridge binds by its ordinals and
// types, the tests' fakes bind from it, and the deliverables check compares
// it with the library's .def file. All are WINAPI (the callee pops its
// arguments).
//
// X(ordinal, name, result, (parameters))

#include <windows.h>

#include "interfaces/mail_client.h"

#define ORV_MERROWIN_EXPORTS(X)                                                                    \
    X(1, FORMINIT, WORD, (WORD version, int mode, HWND hostWindow, const char* parameter,           \
                          HWND* formWindow, char** callbackName))                                  \
    X(2, ENCRYPT_FILE_EX, int, (const orv::host::CryptRequest* request))                           \
    X(3, DECRYPT_FILE_EX, int, (const orv::host::CryptRequest* request))                           \
    X(4, SIGN_FILE_EX, int, (const orv::host::CryptRequest* request))                              \
    X(5, VERIFY_SIGNATURE, int, (const char* path, char* result))                                  \
    X(6, KEY_MANAGEMENT, int, (const char* pathOrClip))                                            \
    X(7, DESTROY_FILE, int, (const char* path))                                                    \
    X(10, PlugInit, void, (HWND clientMain, DWORD clientMdi, HWND automationWindow, const char* mailboxDir)) \
    X(11, ShowManager, void*, ())                                                                  \
    X(12, ShowViewer, void*, ())                                                                   \
    X(13, ShowConfig, int, ())                                                                     \
    X(14, ShowAbout, int, ())                                                                      \
    X(15, WipeCache, int, ())                                                                      \
    X(16, Error, void, (const char* text))                                                         \
    X(17, Warn, void, (const char* text))                                                          \
    X(18, Info, void, (const char* text))                                                          \
    X(19, Confirm, int, (const char* text))                                                        \
    X(20, Cancel, int, (const char* text))                                                         \
    X(21, ConfCanc, WORD, (const char* text))                                                      \
    X(22, CustomDlg, WORD, (const char* title, const char* text, const char* rightCaption,         \
                            const char* leftCaption, int flags))                                   \
    X(23, SaveMimeAttachments, int, (const char* text))                                            \
    X(24, GetKeyFromServer, int, (const char* keyID))                                              \
    X(25, SetAddrOptions, int, (const char* text, char* buffer))                                   \
    X(26, AddAddrOptions, int, (const char* text, char* buffer, int options, int plainAddresses))  \
    X(27, GetABKAddr, int, (const char* text, char* buffer, int options))                          \
    X(28, GetPGPAddr, int, (const char* addresses, const char* keys, char* buffer, int options))   \
    X(29, FindKeys, int, (const char* text, char* buffer, int flag))                               \
    X(30, KeySelect, int, (const char* recipient, const char* candidates))                         \
    X(31, KeyDelete, int, (char* buffer))                                                          \
    X(32, KeyExtract, int, ())                                                                     \
    X(33, ShowFingerPrint, int, ())                                                                \
    X(34, ExecPGPkeys, int, ())

namespace orv::merrowin {

// Ordinals: kFORMINIT, kPlugInit, ...
enum Ordinal : int {
#define ORV_MERROWIN_ORDINAL(ordinal, name, result, params) k##name = ordinal,
    ORV_MERROWIN_EXPORTS(ORV_MERROWIN_ORDINAL)
#undef ORV_MERROWIN_ORDINAL
};

// Pointer types: FORMINITFn, PlugInitFn, ...
#define ORV_MERROWIN_TYPE(ordinal, name, result, params) using name##Fn = result(WINAPI*) params;
ORV_MERROWIN_EXPORTS(ORV_MERROWIN_TYPE)
#undef ORV_MERROWIN_TYPE

// The export of an ordinal: Export<kFindKeys>::Fn, Export<kFindKeys>::name.
template <int Ordinal>
struct Export;
#define ORV_MERROWIN_EXPORT(ordinal, name_, result, params) \
    template <>                                             \
    struct Export<ordinal> {                                \
        using Fn = name_##Fn;                               \
        static constexpr const char* name = #name_;        \
    };
ORV_MERROWIN_EXPORTS(ORV_MERROWIN_EXPORT)
#undef ORV_MERROWIN_EXPORT

struct ExportEntry {
    int ordinal;
    const char* name;
};
inline constexpr ExportEntry kExports[] = {
#define ORV_MERROWIN_ENTRY(ordinal, name, result, params) {ordinal, #name},
    ORV_MERROWIN_EXPORTS(ORV_MERROWIN_ENTRY)
#undef ORV_MERROWIN_ENTRY
};

// FORMINIT's parameter: the window or the job a form start is for.
constexpr const char* kFormManager = "MANAGER";
constexpr const char* kFormViewer = "VIEWER";
constexpr const char* kFormFolder = "FOLDER";
constexpr const char* kFormConfig = "CONFIG";
constexpr const char* kFormServer = "SERVER";
constexpr const char* kFormAbout = "ABOUT";
constexpr const char* kFormUtilities = "UTILS";

// The ordinals the automation plug-in calls: the window and utility exports.
constexpr int kFirstPlugInOrdinal = kPlugInit;
constexpr int kLastPlugInOrdinal = kExecPGPkeys;

}  // namespace orv::merrowin
