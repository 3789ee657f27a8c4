#pragma once
// The mail client's side of its interface with the extensions, as the
// stand-in plays it: entry points and the records handed across them, the
// forms messages it sends, the messages its windows answer, its window
// classes, captions and command numbers, its files and registry keys.
//
// The stand-in states these on its own, so that a misreading on the
// extensions' side shows up as a disagreement between the two (the
// declaration comparison test) instead of agreeing silently.

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace orv::mailclient::host {

static_assert(sizeof(void*) == 4, "the mail client is a 32-bit program");

// ---- Forms extension entry --------------------------------------------

constexpr WORD kFormInterfaceVersion = 0x0100;
constexpr WORD kFormInterfaceMaxMajor = 1;
constexpr int kFormModeClient = 0;
constexpr int kFormModeLauncher = -1;

// FORMINIT(version, mode, host form window, form data, out form window, out
// callback name); WINAPI, so the library removes the 24 bytes.
using FormInitFn = WORD(WINAPI*)(WORD version, int mode, HWND hostWindow, const char* parameter,
                                 HWND* formWindow, char** callbackName);
constexpr const char* kFormInitName = "FORMINIT";
constexpr WORD kFormInitOk = 1;
constexpr WORD kFormInitFailed = 0;

// ---- Encryptor entry ---------------------------------------------------

// Handed by pointer to the _EX functions; 44 bytes.
struct CryptRequest {
    uint32_t Reserved0[2];
    uint32_t HostWord;
    uint32_t Reserved12;
    const char* MessageFile;
    const char* OutputFile;
    const char* HostRecipients;
    uint32_t Reserved28[4];
};
static_assert(sizeof(CryptRequest) == 44);

using CryptFileExFn = int(WINAPI*)(CryptRequest* request);
using VerifySignatureFn = int(WINAPI*)(const char* path, char* result);
using KeyManagementFn = int(WINAPI*)(const char* pathOrClipboard);
using DestroyFileFn = int(WINAPI*)(const char* path);

constexpr const char* kEncryptFileExName = "ENCRYPT_FILE_EX";
constexpr const char* kSignFileExName = "SIGN_FILE_EX";
constexpr const char* kDecryptFileExName = "DECRYPT_FILE_EX";
constexpr const char* kVerifySignatureName = "VERIFY_SIGNATURE";
constexpr const char* kKeyManagementName = "KEY_MANAGEMENT";
constexpr const char* kDestroyFileName = "DESTROY_FILE";
constexpr const char* kClipboardSource = ":CLIP:";
constexpr size_t kVerifyResultSize = 1024;

constexpr int kEncodeDone = 1;
constexpr int kEncodeNothing = 0;
constexpr int kEncodeMovedToEditor = -2;
constexpr int kEncodeCopyText = 2;
constexpr int kDecodeNothing = 0;
constexpr int kDecodeWritten = 2;
constexpr int kVerifyNoSignature = -1;
constexpr int kVerifyBad = 0;
constexpr int kVerifyGood = 1;

constexpr const char* kEncryptorHeader = "X-PM-Encryptor: ";
constexpr const char* kEncryptorName = "ORVPGP-PM32";
constexpr int kEncryptorFlagEncrypt = 1;
constexpr int kEncryptorFlagSign = 4;
constexpr const char* kDeleteMarkerTo = "(delete)";

// ---- Forms messages the client sends to a form window -------------------

constexpr UINT kFormMsgFirst = 0x0B08;
constexpr UINT kFormMsgLast = 0x0B12;
constexpr UINT kFormMsgStart = 2825;        // 0x0B09: about to act on a message window
constexpr UINT kFormMsgQuery = 2828;
constexpr UINT kFormQueryAnswer = 2;
constexpr UINT kFormMsgHide = 2829;
constexpr UINT kFormMsgCommand = 2831;      // 0x0B0F
constexpr UINT kFormMsgSendCheck = 2832;    // 0x0B10
constexpr LRESULT kSendCheckStop = 0x9999;
constexpr UINT kFormMsgNotify = 2833;       // 0x0B11

constexpr WORD kCommandRawView = 153;
constexpr LPARAM kCommandStart = 1036;
constexpr LPARAM kCommandForce = 1025;

constexpr WPARAM kNotifyClosing = 15;       // 0x9999 holds the client open
constexpr WPARAM kNotifyUnloading = 16;     // lParam: the library's path
constexpr WPARAM kNotifyFormOpened = 19;    // lParam: the form window
constexpr WPARAM kNotifyDialogOpened = 25;  // lParam: DialogNotice
constexpr WPARAM kNotifyFileWritten = 28;   // lParam: FileNotice

struct DialogNotice {
    HWND Window;
    WORD Kind;
    WORD Reserved;
};
static_assert(sizeof(DialogNotice) == 8);

constexpr WORD kDialogEditor = 1;
constexpr WORD kDialogEncryption = 4;
constexpr WORD kDialogReader = 5;
constexpr WORD kDialogMailboxDir = 18;
constexpr WORD kDialogReaderAlt = 23;

struct FileNotice {
    const char* FileName;
};

// ---- Messages the client's windows answer --------------------------------

constexpr UINT kHostMsgFirst = 0x0BD0;
constexpr UINT kHostMsgLast = 0x0C22;

constexpr UINT kHostGetMailboxDir = 0x0BE6;
constexpr WPARAM kHostDirBufferRoom = 260;
constexpr UINT kHostGetSendField = 0x0C02;
constexpr WPARAM kSendFieldTo = 1;
constexpr WPARAM kSendFieldCc = 3;
constexpr WPARAM kSendFieldBcc = 4;
constexpr WPARAM kSendFieldEncodeFlag = 8;
constexpr UINT kHostStatusLine = 0x0C03;
constexpr WPARAM kStatusProgress = 0;
constexpr WPARAM kStatusSignature = 3;
constexpr UINT kHostGetWindow = 0x0C09;
constexpr WPARAM kWindowFrame = 0;
constexpr WPARAM kWindowActiveMdi = 2;
constexpr UINT kHostGetMenu = 0x0C0F;
constexpr WPARAM kMenuFrameBar = 1;
constexpr WPARAM kMenuForm = 8;
constexpr UINT kHostOpenForm = 0x0C10;
constexpr UINT kHostGetProgramDir = 0x0C11;
constexpr UINT kHostNewEditor = 0x0C12;
constexpr WPARAM kNewEditorAny = 255;
constexpr UINT kHostAddButton = 0x0C19;
constexpr UINT kHostRemoveButton = 0x0C1A;
constexpr UINT kHostChooseFolder = 0x0BF7;
constexpr UINT kHostGetSetting = 0x0BF8;
constexpr UINT kHostSetSetting = 0x0BF9;

constexpr WPARAM kSettingRightMargin = 1;
constexpr WPARAM kSettingCharset = 26;
constexpr WPARAM kSettingEncloseAttachments = 32;
constexpr WPARAM kSettingLinesToScan = 34;
constexpr WPARAM kSettingEncodeStart = 80;
constexpr size_t kCharsetRoom = 260;

// Sent to a message editor to set one of its fields.
constexpr UINT kEditorSetField = 1152;
constexpr WPARAM kFieldTo = 0;
constexpr WPARAM kFieldSubject = 1;
constexpr WPARAM kFieldCc = 2;
constexpr WPARAM kFieldBody = 3;
constexpr WPARAM kFieldCopySelf = 4;
constexpr WPARAM kFieldConfirmDelivery = 5;
constexpr WPARAM kFieldConfirmReading = 6;
constexpr WPARAM kFieldUrgent = 7;
constexpr WPARAM kFieldUseMime = 9;
constexpr WPARAM kFieldBcc = 10;
constexpr WPARAM kFieldSignature = 11;
constexpr WPARAM kFieldInsertText = 12;
constexpr WPARAM kFieldIdentity = 14;
constexpr WPARAM kFieldReplyTo = 16;
constexpr WPARAM kFieldAttachment = 17;
constexpr WPARAM kFieldRichText = 19;
constexpr WPARAM kFieldReady = 103;

// The form record of 0x0C10: library path at 0, a zero word at 128, the form
// name at 130, the title at 258 and the word 28 at 322.
#pragma pack(push, 1)
struct FormRecord {
    char LibraryPath[128];
    WORD Reserved128;
    char FormName[128];
    char Title[64];
    WORD RecordKind;
};
#pragma pack(pop)
static_assert(sizeof(FormRecord) == 324);
constexpr WORD kFormRecordKind = 28;

// The toolbar button record of 0x0C19 (208 bytes): a click sends
// Message(WParam, LParam) to NotifyWindow.
struct ToolbarButton {
    char BitmapPath[128];
    char Tooltip[64];
    HWND NotifyWindow;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
};
static_assert(sizeof(ToolbarButton) == 208);

// The record of 0x0BF7 that the client fills: the chosen folder's name
// (file name without extension) at its fixed place.
struct FolderChoice {
    char Title[64];
    char FolderName[260];
};

// ---- Window classes and captions ---------------------------------------

constexpr const char* kFrameClass = "FRAME";
constexpr const char* kFrameCaption = "Pegasus Mail";
constexpr const char* kMdiClientClass = "MDICLIENT";
constexpr const char* kEditorClass = "EDMAIL";
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

constexpr const char* kEditorCaptionMessage = "Message";
constexpr const char* kEditorCaptionReply = "Reply";

constexpr const char* kLabelTo = "To:";
constexpr const char* kLabelSubject = "Subj:";
constexpr const char* kLabelCc = "Cc:";
constexpr const char* kLabelBcc = "Blind CC:";
constexpr const char* kLabelReplyTo = "Send replies to:";
constexpr const char* kLabelIdentity = "Identity:";
constexpr const char* kLabelSignature = "Sig:";
constexpr const char* kCheckConfirmReading = "Confirm reading";
constexpr const char* kCheckConfirmDelivery = "Confirm delivery";
constexpr const char* kCheckCopySelf = "Copy self";
constexpr const char* kCheckUrgent = "Urgent";
constexpr const char* kCheckRichText = "Rich text";
constexpr const char* kCheckUseMime = "Use MIME features";
constexpr const char* kCheckEncrypt = "E&ncrypt...";
constexpr const char* kSendLabel = "Send";
constexpr const char* kForwardMark = "(Fwd)";
constexpr const char* kDefaultIdentity = "<Default>";

constexpr const char* kEncryptorEntry = "Orvane";
constexpr const char* kEncryptorEntryMime = "Orvane (PGP/MIME)";
constexpr const char* kEncryptorEntryInline = "Orvane (X-PM-PGP)";

// The Window menu: its first item names the system messages, a separator
// follows.
constexpr const char* kWindowMenuTitle = "&Window";
constexpr const char* kWindowMenuSystemItem = "&System messages";

// ---- Command numbers (WM_COMMAND to the frame) -------------------------

constexpr WORD kCmdOpenFolderManager = 103;
constexpr WORD kCmdCloseForm = 111;
constexpr WORD kCmdCopy = 133;
constexpr WORD kCmdFind = 146;
constexpr WORD kCmdFindNext = 147;
constexpr WORD kCmdRawView = 153;
constexpr WORD kCmdVerify = 181;
constexpr WORD kCmdAddKey = 182;
constexpr WORD kCmdExit = 189;
constexpr WORD kCmdFolderOpen195 = 195;
constexpr WORD kCmdFolderOpen201 = 201;
constexpr WORD kCmdFolderOpen202 = 202;
constexpr WORD kCmdSaveAttachment = 206;
constexpr WORD kCmdExitCheck = 211;
constexpr WORD kCmdExitCancel = 212;
constexpr WORD kCmdSave = 230;
constexpr WORD kCmdUserName = 249;
constexpr WORD kCmdReaderNext = 261;
constexpr WORD kCmdReaderPrevious = 262;
constexpr WORD kCmdUserAdmin = 322;

constexpr UINT kQueueRefresh = 8500;
constexpr UINT kReaderState = 0x0AAC;
constexpr WPARAM kReaderHeaderChanged = 11;
constexpr WPARAM kReaderActivated = 12;
constexpr WPARAM kReaderDeactivated = 13;

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

constexpr const char* kIniSectionMain = "Pegasus Mail for Windows";
constexpr const char* kIniSectionIdentityPrefix = "WinPMail Identity - ";
constexpr const char* kIniSectionTcpIp = "Pegasus Mail for Windows - built-in TCP/IP Mail";
// Key names padded with blanks to 42 characters, as the client writes them.
constexpr const char* kIniKeyDefaultBcc = "Default BCC field                         ";
constexpr const char* kIniKeyAlternativeFrom = "Alternative From: field for message       ";

constexpr const char* kPegasusIniSectionEnv = "WinPMail 32-bit environment";
constexpr const char* kPegasusIniKeyPmr = "PMR";
constexpr const char* kPmrEnvironment = "PMR";

// Address book: a 128-byte name, then records of 458 bytes with the alias at
// 2 and the address at 342 (116 bytes), in the OEM code page.
constexpr size_t kAddressBookNameSize = 128;
constexpr size_t kAddressRecordSize = 458;
constexpr size_t kAddressAliasOffset = 2;
constexpr size_t kAddressEmailOffset = 342;
constexpr size_t kAddressEmailSize = 116;

// Folder: a 128-byte header (the folder's name from its start), then the
// messages, each ended by character 26.
constexpr size_t kFolderHeaderSize = 128;
constexpr char kFolderSeparator = 26;

constexpr const char* kFormLineLibrary = "Form DLL = ";
constexpr const char* kFormLineBitmap = "Bitmap file = ";
constexpr const char* kFormLineData = "Form data =";
// "Form flags = " (decimal or "0x"): bit 0 starts the form with the client,
// its "Form data" being the parameter; bit 1 makes the library the client's
// encryptor module.
constexpr const char* kFormLineFlags = "Form flags = ";
constexpr unsigned kFormFlagStartup = 0x1;
constexpr unsigned kFormFlagEncryptor = 0x2;

// ---- Registry (HKEY_CURRENT_USER, default values) ----------------------

constexpr const char* kRegRoot = "Software\\Pegasus Mail";
constexpr const char* kRegCommand = "Software\\Pegasus Mail\\Command";
constexpr const char* kRegUsername = "Software\\Pegasus Mail\\Username";
constexpr const char* kRegMailbox = "Software\\Pegasus Mail\\Mailbox";
constexpr const char* kRegBaseDir = "Software\\Pegasus Mail\\BaseDir";
constexpr const char* kUserSwitch = "-I";

}  // namespace orv::mailclient::host
