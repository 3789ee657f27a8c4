/*
 * Windows and files of the stand-in's client library: "PGPcl.dll" (release
 * 7) and "PGPclientLib.dll" (release 6.5).
 *
 * Key selection dialog ("_PGPclSelectKeys@28", release 6.5 PGPclSelectKeysEx): a "#32770" dialog captioned
 * "PGP Key Selection", owned by the caller's window; IDC_SDKCL_PROMPT shows
 * the caller's prompt, IDC_SDKCL_KEYS is a list view ("SysListView32", report
 * view, several rows may be selected) with the columns "User ID", "Key ID"
 * (0x + 16 hex digits), "Type" and "Size"; IDOK "OK" (enabled while a row is
 * selected) returns the selected keys, a double click on a row returns that
 * key alone, IDCANCEL "Cancel" gives -11987.
 *
 * Preferences live in "PGPclient.prf" in the directory of the client library
 * itself, one line per preference: "<index>=<kind>:<value>" with kind b
 * (boolean 0/1), n (decimal number), s (string, hexadecimal bytes) or d (data,
 * hexadecimal bytes); the file is written whole and then put in place.
 * Release 6.5 opens them per use (PGPclOpenClientPrefs reads the file when
 * none is open) and writes them when PGPclCloseClientPrefs is told to save.
 *
 * Notifications are appended to "PGPclient.log" beside it, one line each:
 * "keyring <flags> <process id>" (flags 0 on release 6.5), "prefs <process id>",
 * "keyserverprefs <process id>".
 */
#ifndef ORV_STANDIN_SDKCLIENT_CLIENT_IDS_H
#define ORV_STANDIN_SDKCLIENT_CLIENT_IDS_H

#define IDD_SDKCL_SELECT 200
#define IDC_SDKCL_PROMPT 2001
#define IDC_SDKCL_KEYS 2002

#define SDKCL_SELECT_CAPTION "PGP Key Selection"
#define SDKCL_PREFS_FILE "PGPclient.prf"
#define SDKCL_LOG_FILE "PGPclient.log"

#endif /* ORV_STANDIN_SDKCLIENT_CLIENT_IDS_H */
