/*
 * Windows of the stand-in's user-interface library, as a user (or the UI
 * robot) finds them. Every dialog is a "#32770" window owned by the
 * PGPOUIParentWindowHandle window and captioned with the PGPOUIWindowTitle
 * text ("PGP" without one). Shared by the resource script and the tests.
 *
 * Passphrase dialog (conventional decryption, decryption, plain and key
 * passphrase):  IDC_SDKUI_PROMPT, IDC_SDKUI_PASSPHRASE, IDC_SDKUI_STATUS,
 *               the decryption dialog also IDC_SDKUI_RECIPIENTS (list box of
 *               the message's recipient keys), IDOK "OK", IDCANCEL "Cancel".
 * Signing dialog: IDC_SDKUI_KEYS (drop-down list of the secret signing keys,
 *               "user ID (0x + 16 hex digits)"), then as above.
 * Confirmation dialog (conventional encryption, confirmation passphrase):
 *               IDC_SDKUI_PASSPHRASE and IDC_SDKUI_CONFIRMATION, as above.
 * PGPOUICheckbox options become check boxes IDC_SDKUI_CHECKBOX + n (in the
 * order given) below the fields; IDC_SDKUI_QUALITY shows the passphrase
 * quality when PGPOUIShowPassphraseQuality asks for it.
 * Recipient dialog: IDC_SDKUI_PROMPT, IDC_SDKUI_RECIPIENT_KEYS (list box of
 *               the offered keys, "user ID (0x + 16 hex digits)", several
 *               chosen at once, the default recipients chosen first),
 *               IDC_SDKUI_STATUS, IDOK "OK", IDCANCEL "Cancel".
 */
#ifndef ORV_STANDIN_SDKUI_DIALOG_IDS_H
#define ORV_STANDIN_SDKUI_DIALOG_IDS_H

#define IDD_SDKUI_PASSPHRASE 100
#define IDD_SDKUI_SIGNING 101
#define IDD_SDKUI_CONFIRMATION 102
#define IDD_SDKUI_DECRYPTION 103
#define IDD_SDKUI_RECIPIENTS 104

#define IDC_SDKUI_PROMPT 1001
#define IDC_SDKUI_PASSPHRASE 1002
#define IDC_SDKUI_CONFIRMATION 1003
#define IDC_SDKUI_KEYS 1004
#define IDC_SDKUI_RECIPIENTS 1005
#define IDC_SDKUI_STATUS 1006
#define IDC_SDKUI_QUALITY 1007
#define IDC_SDKUI_CONFIRM_LABEL 1008
#define IDC_SDKUI_RECIPIENT_KEYS 1009
#define IDC_SDKUI_CHECKBOX 1100

/* Status texts shown in IDC_SDKUI_STATUS when a dialog asks again. */
#define SDKUI_TEXT_WRONG_PASSPHRASE "The passphrase is not correct. Please try again."
#define SDKUI_TEXT_MISMATCH "The passphrases do not match. Please type them again."
#define SDKUI_TEXT_TOO_SHORT "The passphrase is too short."
#define SDKUI_TEXT_TOO_WEAK "The passphrase quality is too low."
#define SDKUI_TEXT_NO_KEY "No secret key can be used."
#define SDKUI_TEXT_NO_RECIPIENT "Choose at least one recipient."

#endif /* ORV_STANDIN_SDKUI_DIALOG_IDS_H */
