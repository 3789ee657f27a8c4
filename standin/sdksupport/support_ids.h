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
 * the columns "User ID", "Key ID", "Type", "Size" and "Secret".
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

#endif /* ORV_STANDIN_SDKSUPPORT_SUPPORT_IDS_H */
