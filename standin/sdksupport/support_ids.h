/*
 * Windows of the stand-in's support library "PGPsc.dll".
 *
 * Secure viewer (PGPscTempestViewer): a top-level window of class
 * SDKSC_VIEWER_CLASS captioned SDKSC_VIEWER_CAPTION (SDKSC_VIEWER_EYES_CAPTION
 * for the reader's eyes only), owned by the caller's window, modal (the owner
 * is disabled until it closes). The text is painted, not held by any control:
 * it cannot be selected, copied or read through window texts, and it is wiped
 * when the window closes. IDC_SDKSC_VIEWER_INFO says how many bytes and lines
 * it shows; IDC_SDKSC_VIEWER_CLOSE "Close" closes it, as do Esc and the close box.
 *
 * PGP log window (PGPscSendPGPlogMsg): a top-level window of class
 * SDKSC_LOG_CLASS captioned SDKSC_LOG_CAPTION, made on the first message and
 * kept until the library is unloaded; IDC_SDKSC_LOG_LINES is a list box with
 * one item per line of the messages ("\n" separates lines).
 *
 * Key manager (PGPscDoLaunchKeys): a top-level window of class
 * SDKSC_KEYS_CLASS captioned SDKSC_KEYS_CAPTION listing the keys of the rings
 * named by the PGP preferences (PGPprefs.txt, else pubring.pkr and
 * secring.skr beside the library) in the list view IDC_SDKSC_KEYS_LIST with
 * the columns "User ID", "Key ID", "Type", "Size", "Secret" and "Default", and
 * a status line IDC_SDKSC_KEYS_STATUS. Its menu "Keys" holds "New Key Pair..."
 * (IDM_SDKSC_KEYS_NEW), "Change Passphrase..." (IDM_SDKSC_KEYS_PASSPHRASE),
 * "Set as Default Key" (IDM_SDKSC_KEYS_DEFAULT), "Refresh" and "Close". Rings
 * that are not there yet are offered in a box captioned SDKSC_KEYS_CAPTION
 * ("Create new, empty key rings there?"); the other boxes carry that caption
 * as well.
 *
 * New key pair dialog IDD_SDKSC_NEWKEY "New Key Pair": IDC_SDKSC_NEWKEY_NAME,
 * IDC_SDKSC_NEWKEY_EMAIL, IDC_SDKSC_NEWKEY_SIZE (drop-down list "2048",
 * "3072", "4096"), IDC_SDKSC_NEWKEY_PASS and IDC_SDKSC_NEWKEY_CONFIRM, IDOK
 * "OK", IDCANCEL "Cancel".
 * Passphrase dialog IDD_SDKSC_PASSPHRASE "Change Passphrase": the key in
 * IDC_SDKSC_PASS_KEY, IDC_SDKSC_PASS_OLD, IDC_SDKSC_PASS_NEW,
 * IDC_SDKSC_PASS_CONFIRM, IDOK "OK", IDCANCEL "Cancel".
 */
#ifndef ORV_STANDIN_SDKSUPPORT_SUPPORT_IDS_H
#define ORV_STANDIN_SDKSUPPORT_SUPPORT_IDS_H

#define SDKSC_VIEWER_CLASS "PGPscTempestViewer"
#define SDKSC_VIEWER_CAPTION "PGP Secure Viewer"
#define SDKSC_VIEWER_EYES_CAPTION "PGP Secure Viewer - For Your Eyes Only"
#define SDKSC_LOG_CLASS "PGPscLogWindow"
#define SDKSC_LOG_CAPTION "PGP Log"
#define SDKSC_KEYS_CLASS "PGPscKeyManager"
#define SDKSC_KEYS_CAPTION "PGPkeys"

#define IDC_SDKSC_VIEWER_INFO 3001
#define IDC_SDKSC_VIEWER_CLOSE 3002
#define IDC_SDKSC_LOG_LINES 3101
#define IDC_SDKSC_KEYS_LIST 3201
#define IDC_SDKSC_KEYS_STATUS 3202

#define IDM_SDKSC_KEYS_NEW 3210
#define IDM_SDKSC_KEYS_PASSPHRASE 3211
#define IDM_SDKSC_KEYS_DEFAULT 3212
#define IDM_SDKSC_KEYS_REFRESH 3213
#define IDM_SDKSC_KEYS_CLOSE 3214

#define IDD_SDKSC_NEWKEY 3300
#define IDD_SDKSC_PASSPHRASE 3301
#define IDC_SDKSC_NEWKEY_NAME 3310
#define IDC_SDKSC_NEWKEY_EMAIL 3311
#define IDC_SDKSC_NEWKEY_SIZE 3312
#define IDC_SDKSC_NEWKEY_PASS 3313
#define IDC_SDKSC_NEWKEY_CONFIRM 3314
#define IDC_SDKSC_PASS_KEY 3320
#define IDC_SDKSC_PASS_OLD 3321
#define IDC_SDKSC_PASS_NEW 3322
#define IDC_SDKSC_PASS_CONFIRM 3323

#endif /* ORV_STANDIN_SDKSUPPORT_SUPPORT_IDS_H */
