#pragma once
// What Orvane relies on of the mail client (Pegasus Mail, 32-bit): the forms
// and encryptor entry points, the records handed across them, the forms
// messages, the messages its host window answers, its window classes and
// command numbers, and its files and registry keys.
//
// This is the one place where these numbers are written down. The product
// and the mail client stand-in both include it, so that both sides of every
// call agree. Plain declarations only; nothing here is linked.

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "interfaces/host_messages.h"

namespace orv::host {

// ---- Forms extension entry --------------------------------------------

// The interface version the client passes; a high byte above 1 is refused.
constexpr WORD kFormInterfaceVersion = 0x0100;
constexpr WORD kFormInterfaceMaxMajor = 1;
// Mode of a start by the launcher, outside the client.
constexpr int kFormModeLauncher = -1;
constexpr int kFormModeClient = 0;

// FORMINIT, bound by its plain name, called with WINAPI (callee pops 24 bytes).
// parameter names the form ("MANAGER", "VIEWER", "CONFIG", ...); formWindow
// receives the created window; callbackName is an out place for the name of
// a callback, which the extensions set to 0 (32-bit zero). Result: 1 success,
// 0 failure (16-bit).
using FormInitFn = WORD(WINAPI*)(WORD version, int mode, HWND hostWindow, const char* parameter,
                                 HWND* formWindow, char** callbackName);
constexpr const char* kFormInitName = "FORMINIT";

constexpr WORD kFormInitOk = 1;
constexpr WORD kFormInitFailed = 0;

// ---- Encryptor entry ---------------------------------------------------

// The record the client passes by pointer to the _EX functions. 44 bytes,
// little-endian 32-bit fields; the parts marked reserved carry host data that
// the encryptor does not read.
struct CryptRequest {
    uint32_t Reserved0[2];
    uint32_t HostWord;          // copied by the encryptor, not interpreted
    uint32_t Reserved12;
    const char* MessageFile;    // the message file: read, and rewritten by encoding
    const char* OutputFile;     // may be null or empty: decoding writes here; encoding only in copy mode
    const char* HostRecipients; // recipients as the client knows them
    uint32_t Reserved28[4];
};
static_assert(sizeof(void*) == 4, "the mail client is a 32-bit program");
static_assert(sizeof(CryptRequest) == 44);
static_assert(offsetof(CryptRequest, HostWord) == 8);
static_assert(offsetof(CryptRequest, MessageFile) == 16);
static_assert(offsetof(CryptRequest, OutputFile) == 20);
static_assert(offsetof(CryptRequest, HostRecipients) == 24);
static_assert(offsetof(CryptRequest, Reserved28) == 28);

// ENCRYPT_FILE_EX, SIGN_FILE_EX, DECRYPT_FILE_EX.
using CryptFileExFn = int(WINAPI*)(CryptRequest* request);
// VERIFY_SIGNATURE: path, result buffer (the status line or an error text).
using VerifySignatureFn = int(WINAPI*)(const char* path, char* result);
// KEY_MANAGEMENT: path, or kClipboardSource for the clipboard's text.
using KeyManagementFn = int(WINAPI*)(const char* pathOrClipboard);
// DESTROY_FILE: path.
using DestroyFileFn = int(WINAPI*)(const char* path);

constexpr const char* kEncryptFileExName = "ENCRYPT_FILE_EX";
constexpr const char* kSignFileExName = "SIGN_FILE_EX";
constexpr const char* kDecryptFileExName = "DECRYPT_FILE_EX";
constexpr const char* kVerifySignatureName = "VERIFY_SIGNATURE";
constexpr const char* kKeyManagementName = "KEY_MANAGEMENT";
constexpr const char* kDestroyFileName = "DESTROY_FILE";

constexpr const char* kClipboardSource = ":CLIP:";

// Room the client gives VERIFY_SIGNATURE for its result text.
constexpr size_t kVerifyResultSize = 1024;

// Results of ENCRYPT_FILE_EX and SIGN_FILE_EX.
constexpr int kEncodeDone = 1;          // the message file holds the PGP message
constexpr int kEncodeNothing = 0;       // send the file as it is
constexpr int kEncodeMovedToEditor = -2;  // file carries the "(delete)" marker; do not send
constexpr int kEncodeCopyText = 2;      // copy mode, file other than ".PM$"
// Results of DECRYPT_FILE_EX.
constexpr int kDecodeNothing = 0;
constexpr int kDecodeWritten = 2;       // OutputFile holds the result
// Results of VERIFY_SIGNATURE.
constexpr int kVerifyNoSignature = -1;
constexpr int kVerifyBad = 0;
constexpr int kVerifyGood = 1;
// KEY_MANAGEMENT: 1 keys imported, 0 none. DESTROY_FILE: 1 wiped, 0 failed.

// Header line the client writes into a message file for this encryptor,
// followed by a decimal number (bit 0 encrypt, bit 2 sign).
constexpr const char* kEncryptorHeader = "X-PM-Encryptor: ";
constexpr const char* kEncryptorName = "ORVPGP-PM32";
constexpr int kEncryptorFlagEncrypt = 1;
constexpr int kEncryptorFlagSign = 4;
// Marker the encryptor leaves in a message file it moved to a new editor.
constexpr const char* kDeleteMarkerTo = "(delete)";

// Forms messages and their parameters: interfaces/host_messages.h.

// Record of notification 25.
struct DialogNotice {
    HWND Window;
    WORD Kind;
    WORD Reserved;
};
static_assert(sizeof(DialogNotice) == 8);
static_assert(offsetof(DialogNotice, Kind) == 4);

// DialogNotice kinds.
constexpr WORD kDialogEditor = 1;
constexpr WORD kDialogEncryption = 4;
constexpr WORD kDialogReader = 5;
constexpr WORD kDialogReaderAlt = 23;
constexpr WORD kDialogMailboxDir = 18;

// Record of notification 28: the message file just written.
struct FileNotice {
    const char* FileName;
};

// Messages to the host window and the editor: interfaces/host_messages.h.

// Form record of 0x0C10, zero-filled before use.
#pragma pack(push, 1)
struct FormRecord {
    char LibraryPath[128];
    WORD Reserved128;   // 0
    char FormName[128];
    char Title[64];
    WORD RecordKind;    // kFormRecordKind
};
#pragma pack(pop)
static_assert(sizeof(FormRecord) == 324);
static_assert(offsetof(FormRecord, FormName) == 130);
static_assert(offsetof(FormRecord, Title) == 258);
static_assert(offsetof(FormRecord, RecordKind) == 322);
constexpr WORD kFormRecordKind = 28;

// Toolbar button record of 0x0C19: a click sends Message(WParam, LParam) to
// NotifyWindow.
struct ToolbarButton {
    char BitmapPath[128];
    char Tooltip[64];
    HWND NotifyWindow;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
};
static_assert(sizeof(ToolbarButton) == 208);
static_assert(offsetof(ToolbarButton, Tooltip) == 128);
static_assert(offsetof(ToolbarButton, NotifyWindow) == 192);
static_assert(offsetof(ToolbarButton, LParam) == 204);

// Record of 0x0BF7: the client writes the chosen folder's name (file name
// without extension, possibly with a path) at FolderName.
struct FolderChoice {
    char Title[64];
    char FolderName[260];
};
static_assert(offsetof(FolderChoice, FolderName) == 64);

// ---- Window classes and captions ---------------------------------------

constexpr const char* kFrameClass = "FRAME";
constexpr const char* kFrameCaption = "Pegasus Mail";
constexpr const char* kMdiClientClass = "MDICLIENT";
constexpr const char* kEditorClass = "EDMAIL";           // exact case
constexpr const char* kReaderMdiClass = "WPMMDI";
constexpr const char* kReaderClass = "READER";
constexpr const char* kFolderManagerClass = "FOLMAN";
constexpr const char* kEditorControlClass = "TER32CLASS";
constexpr const char* kEditorLibrary = "TER32.dll";
constexpr const char* kReaderDialogClass = "WPMDLG_MRC";
constexpr const char* kReaderDialogClass2 = "WPMDLG_RDR";
constexpr const char* kReaderDialogClass3 = "WPMDLG_RDRC";
constexpr const char* kStatusBarClass = "WPMDLG_STB";
constexpr const char* kFolderDialogClass = "wpmdlg_fol";
constexpr const char* kQueueManagerClass = "QMAN";
constexpr const char* kListWindowClass = "LDUWIN";
constexpr const char* kForwardClass = "FWD";
constexpr const char* kHeaderControlClass = "HEADCTRL_DH";
constexpr const char* kToolbarStripClass = "DH_NTLBAR";
constexpr const char* kPgpDialogClass = "PGPDLGCLASS";

// Editor captions begin with one of these.
constexpr const char* kEditorCaptionMessage = "Message";
constexpr const char* kEditorCaptionReply = "Reply";

// Labels of the editor's fields: each field follows its label in the window
// order. Edit fields:
constexpr const char* kLabelTo = "To:";
constexpr const char* kLabelSubject = "Subj:";
constexpr const char* kLabelCc = "Cc:";
constexpr const char* kLabelBcc = "Blind CC:";
constexpr const char* kLabelReplyTo = "Send replies to:";
// Combo boxes:
constexpr const char* kLabelIdentity = "Identity:";
constexpr const char* kLabelSignature = "Sig:";
// Check boxes:
constexpr const char* kCheckConfirmReading = "Confirm reading";
constexpr const char* kCheckConfirmDelivery = "Confirm delivery";
constexpr const char* kCheckCopySelf = "Copy self";
constexpr const char* kCheckUrgent = "Urgent";
constexpr const char* kCheckRichText = "Rich text";
constexpr const char* kCheckUseMime = "Use MIME features";
constexpr const char* kCheckEncrypt = "E&ncrypt...";
// The editor's send control is a static whose caption contains this.
constexpr const char* kSendLabel = "Send";
// Text of an edit field of a forwarded message.
constexpr const char* kForwardMark = "(Fwd)";
// The default identity, compared case-insensitively.
constexpr const char* kDefaultIdentity = "<Default>";

// Encryption dialog entries of this encryptor.
constexpr const char* kEncryptorEntry = "Orvane";
constexpr const char* kEncryptorEntryMime = "Orvane (PGP/MIME)";
constexpr const char* kEncryptorEntryInline = "Orvane (X-PM-PGP)";

// Posted to the queue manager after an encode ran.
constexpr UINT kQueueRefresh = 8500;
// Posted to a reader dialog: wParam 11 (lParam bit 4) header change, 12
// activated, 13 deactivated.
constexpr UINT kReaderState = 0x0AAC;

// ---- Files -------------------------------------------------------------

constexpr const char* kPmailIni = "PMAIL.INI";
constexpr const char* kPegasusIni = "PEGASUS.INI";
constexpr const char* kLanguageFile = "WINPM-32.dat";
constexpr const char* kLanguageFilePattern = "WPM32??.dat";
constexpr const char* kAddressBookExt = ".PMR";
constexpr const char* kFolderExt = ".PMM";
constexpr const char* kFormFileExt = ".fff";
constexpr const char* kMessageFilePattern = "*.PM?";
constexpr const char* kDraftExt = ".PMW";
constexpr const char* kDraftExt2 = ".PMX";
constexpr const char* kMessageFileExt = ".PM$";

// "PMAIL.INI" in the mailbox directory. Key names carry the trailing blanks
// the client writes.
constexpr const char* kIniSectionMain = "Pegasus Mail for Windows";
constexpr const char* kIniSectionIdentityPrefix = "WinPMail Identity - ";
constexpr const char* kIniSectionTcpIp = "Pegasus Mail for Windows - built-in TCP/IP Mail";
constexpr const char* kIniKeyDefaultBcc = "Default BCC field                         ";  // 17 + 25 blanks
constexpr const char* kIniKeyAlternativeFrom = "Alternative From: field for message       ";  // 7 blanks
static_assert(sizeof("Default BCC field                         ") - 1 == 42);
static_assert(sizeof("Alternative From: field for message       ") - 1 == 42);

// "PEGASUS.INI": directory of the global address books.
constexpr const char* kPegasusIniSectionEnv = "WinPMail 32-bit environment";
constexpr const char* kPegasusIniKeyPmr = "PMR";
constexpr const char* kPmrEnvironment = "PMR";

// Address book (".PMR"): a 128-byte name, then 458-byte records.
constexpr size_t kAddressBookNameSize = 128;
constexpr size_t kAddressRecordSize = 458;
constexpr size_t kAddressAliasOffset = 2;
constexpr size_t kAddressEmailOffset = 342;
constexpr size_t kAddressEmailSize = 116;

// Form-definition files (".fff"), lines rewritten at set-up.
constexpr const char* kFormLineLibrary = "Form DLL = ";
constexpr const char* kFormLineBitmap = "Bitmap file = ";
constexpr const char* kFormLineData = "Form data =";
// "Form flags = " holds what the client does with a form's library at its
// start, as a decimal or "0x" number: it starts the form with itself (the
// "Form data" line is the form's parameter), and it attaches the library as
// its encryptor module. Set-up keeps both bits on the installed files.
constexpr const char* kFormLineFlags = "Form flags = ";
constexpr unsigned kFormFlagStartup = 0x1;
constexpr unsigned kFormFlagEncryptor = 0x2;

// ---- Registry (HKEY_CURRENT_USER), each read from the key's default value --

constexpr const char* kRegRoot = "Software\\Pegasus Mail";
constexpr const char* kRegCommand = "Software\\Pegasus Mail\\Command";    // client command line
constexpr const char* kRegUsername = "Software\\Pegasus Mail\\Username";  // current user
constexpr const char* kRegMailbox = "Software\\Pegasus Mail\\Mailbox";    // mailbox directory
constexpr const char* kRegBaseDir = "Software\\Pegasus Mail\\BaseDir";    // program directory
// The client's command-line switch that names the user.
constexpr const char* kUserSwitch = "-I";

}  // namespace orv::host
