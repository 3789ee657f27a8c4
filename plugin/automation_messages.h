#pragma once
// The window messages between the main library and the automation plug-in's
// hidden window (class "ORVAUTOCRYPT"). Both sides include this file.

#include <windows.h>

namespace orv::automation {

constexpr const char* kWindowClass = "ORVAUTOCRYPT";

// Posted when a form window of the main library closes: wParam an encode
// ran, lParam a decode handled a PGP/MIME message.
constexpr UINT AM_SESSIONCLOSED = WM_USER;
constexpr UINT AM_COPIEDTEXT = WM_USER + 2;
constexpr UINT AM_ADDTOLIST = WM_USER + 3;
constexpr UINT AM_OPTIONS = WM_USER + 4;
constexpr UINT AM_SIGNKEY = WM_USER + 5;
constexpr UINT AM_GETENTRY = WM_USER + 6;
constexpr UINT AM_NEXTENTRY = WM_USER + 7;
constexpr UINT AM_SENDCANCELLED = WM_USER + 8;
constexpr UINT AM_ENCODEFAILED = WM_USER + 9;
constexpr UINT AM_DECODED = WM_USER + 10;
// wParam 1: the passphrase cache holds a passphrase; 0: it is empty.
constexpr UINT AM_CACHESTATE = WM_USER + 11;

}  // namespace orv::automation
