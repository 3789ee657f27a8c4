#pragma once
// The window messages the deliverables exchange, by number: the mail
// client's forms messages, the messages its host window and its message
// editors answer, and the messages between the main library and the
// automation plug-in's hidden window (class "ORVAUTOCRYPT"). Free of Win32
// types, so that the message formats and the windows share this one list.

#include <cstddef>
#include <cstdint>

namespace orv::host {

// ---- Messages from the client to a form window -------------------------

constexpr unsigned kFormMsgFirst = 0x0B08;
constexpr unsigned kFormMsgLast = 0x0B12;
// The client is about to act on a message window (the main library takes the
// first window at the host form window's level); the automation plug-in runs
// its configuration upgrade on it.
constexpr unsigned kFormMsgStart = 2825;        // 0x0B09
constexpr unsigned kFormMsgQuery = 2828;        // answered 2 by the main library
constexpr unsigned kFormQueryAnswer = 2;
constexpr unsigned kFormMsgHide = 2829;         // hide the host form window
constexpr unsigned kFormMsgCommand = 2831;      // 0x0B0F, command routing
constexpr unsigned kFormMsgSendCheck = 2832;    // 0x0B10, before a send
constexpr std::intptr_t kSendCheckStop = 0x9999;  // answer that stops the send
constexpr unsigned kFormMsgNotify = 2833;       // 0x0B11, notifications by wParam

// 2831 parameters.
constexpr std::uint16_t kCommandRawView = 153;       // low word; high word: run anyway
constexpr std::intptr_t kCommandStart = 1036;      // lParam: start the form
constexpr std::intptr_t kCommandForce = 1025;      // lParam: route whatever the foreground

// 2833 wParam values.
constexpr std::uintptr_t kNotifyClosing = 15;       // before the client closes; 0x9999 holds it
constexpr std::uintptr_t kNotifyUnloading = 16;     // lParam: library path
constexpr std::uintptr_t kNotifyFormOpened = 19;    // lParam: form window
constexpr std::uintptr_t kNotifyDialogOpened = 25;  // lParam: DialogNotice
constexpr std::uintptr_t kNotifyFileWritten = 28;   // lParam: FileNotice

// ---- Messages to the client's host window ------------------------------

constexpr unsigned kHostMsgFirst = 0x0BD0;
constexpr unsigned kHostMsgLast = 0x0C22;

// wParam: buffer room without the zero (260); lParam: buffer.
constexpr unsigned kHostGetMailboxDir = 0x0BE6;
constexpr std::uintptr_t kHostDirBufferRoom = 260;
// Address field texts (wParam 1, 3, 4) or, with wParam 8, a pointer to a byte
// that is non-zero when the message being sent will be encoded. The result
// points into the client's memory.
constexpr unsigned kHostGetSendField = 0x0C02;
constexpr std::uintptr_t kSendFieldTo = 1;
constexpr std::uintptr_t kSendFieldCc = 3;
constexpr std::uintptr_t kSendFieldBcc = 4;
constexpr std::uintptr_t kSendFieldEncodeFlag = 8;
// Status line: wParam 0 progress, 3 signature status (or hint); lParam the
// text, 0 clears.
constexpr unsigned kHostStatusLine = 0x0C03;  // 3075
constexpr std::uintptr_t kStatusProgress = 0;
constexpr std::uintptr_t kStatusSignature = 3;
// wParam 0 the frame window, 2 the active MDI window.
constexpr unsigned kHostGetWindow = 0x0C09;
constexpr std::uintptr_t kWindowFrame = 0;
constexpr std::uintptr_t kWindowActiveMdi = 2;
// wParam 1 the frame's menu bar; 8 the menu of the host form window.
constexpr unsigned kHostGetMenu = 0x0C0F;  // 3087
constexpr std::uintptr_t kMenuFrameBar = 1;
constexpr std::uintptr_t kMenuForm = 8;
// lParam: FormRecord; result the form window or 0.
constexpr unsigned kHostOpenForm = 0x0C10;
// wParam 260, lParam buffer: the client's program directory.
constexpr unsigned kHostGetProgramDir = 0x0C11;
// wParam 255: open a new message editor; result its window or 0.
constexpr unsigned kHostNewEditor = 0x0C12;  // 3090
constexpr std::uintptr_t kNewEditorAny = 255;
// lParam: ToolbarButton; result the button identifier (0 refused).
constexpr unsigned kHostAddButton = 0x0C19;
// wParam: button identifier.
constexpr unsigned kHostRemoveButton = 0x0C1A;
// lParam: FolderChoice the client fills; result 0 when nothing was chosen.
constexpr unsigned kHostChooseFolder = 0x0BF7;  // 3063
// Settings: wParam the setting; 3064 answers it (or fills lParam), 3065
// stores lParam.
constexpr unsigned kHostGetSetting = 0x0BF8;  // 3064
constexpr unsigned kHostSetSetting = 0x0BF9;  // 3065

// Setting numbers.
constexpr std::uintptr_t kSettingRightMargin = 1;
constexpr std::uintptr_t kSettingCharset = 26;        // lParam: buffer of 261 bytes, filled
constexpr std::uintptr_t kSettingEncloseAttachments = 32;
constexpr std::uintptr_t kSettingLinesToScan = 34;
constexpr std::uintptr_t kSettingEncodeStart = 80;    // asked at the start of an encode
constexpr std::size_t kCharsetRoom = 260;

// Sent to a message editor: set one of its fields. lParam a text pointer or
// a number (check states, list index).
constexpr unsigned kEditorSetField = 1152;
constexpr std::uintptr_t kFieldTo = 0;
constexpr std::uintptr_t kFieldSubject = 1;
constexpr std::uintptr_t kFieldCc = 2;
constexpr std::uintptr_t kFieldBody = 3;             // replaces the message text
constexpr std::uintptr_t kFieldCopySelf = 4;
constexpr std::uintptr_t kFieldConfirmDelivery = 5;
constexpr std::uintptr_t kFieldConfirmReading = 6;
constexpr std::uintptr_t kFieldUrgent = 7;
constexpr std::uintptr_t kFieldUseMime = 9;
constexpr std::uintptr_t kFieldBcc = 10;
constexpr std::uintptr_t kFieldSignature = 11;       // signature list index minus one
constexpr std::uintptr_t kFieldInsertText = 12;      // inserted at the caret
constexpr std::uintptr_t kFieldIdentity = 14;
constexpr std::uintptr_t kFieldReplyTo = 16;
constexpr std::uintptr_t kFieldAttachment = 17;      // adds one attachment line
constexpr std::uintptr_t kFieldRichText = 19;
constexpr std::uintptr_t kFieldReady = 103;          // done: the text gets the focus

// ---- Command numbers (WM_COMMAND to the frame) -------------------------

constexpr std::uint16_t kCmdOpenFolderManager = 103;
constexpr std::uint16_t kCmdCloseForm = 111;
constexpr std::uint16_t kCmdCopy = 133;
constexpr std::uint16_t kCmdFind = 146;
constexpr std::uint16_t kCmdFindNext = 147;
constexpr std::uint16_t kCmdVerify = 181;
constexpr std::uint16_t kCmdAddKey = 182;
constexpr std::uint16_t kCmdExit = 189;
constexpr std::uint16_t kCmdFolderOpen195 = 195;
constexpr std::uint16_t kCmdFolderOpen201 = 201;
constexpr std::uint16_t kCmdFolderOpen202 = 202;
constexpr std::uint16_t kCmdSaveAttachment = 206;
constexpr std::uint16_t kCmdExitCheck = 211;
constexpr std::uint16_t kCmdExitCancel = 212;
constexpr std::uint16_t kCmdSave = 230;
constexpr std::uint16_t kCmdUserName = 249;
constexpr std::uint16_t kCmdReaderNext = 261;
constexpr std::uint16_t kCmdReaderPrevious = 262;
constexpr std::uint16_t kCmdUserAdmin = 322;

}  // namespace orv::host

namespace orv::automation {

constexpr const char* kWindowClass = "ORVAUTOCRYPT";

// WM_USER, the first message number a window class may use for itself.
constexpr unsigned kUserMessage = 0x0400;
// Posted when a form window of the main library closes: wParam an encode
// ran, lParam a decode handled a PGP/MIME message.
constexpr unsigned AM_SESSIONCLOSED = kUserMessage;
constexpr unsigned AM_COPIEDTEXT = kUserMessage + 2;
constexpr unsigned AM_ADDTOLIST = kUserMessage + 3;
constexpr unsigned AM_OPTIONS = kUserMessage + 4;
constexpr unsigned AM_SIGNKEY = kUserMessage + 5;
constexpr unsigned AM_GETENTRY = kUserMessage + 6;
constexpr unsigned AM_NEXTENTRY = kUserMessage + 7;
constexpr unsigned AM_SENDCANCELLED = kUserMessage + 8;
constexpr unsigned AM_ENCODEFAILED = kUserMessage + 9;
constexpr unsigned AM_DECODED = kUserMessage + 10;
// wParam 1: the passphrase cache holds a passphrase; 0: it is empty.
constexpr unsigned AM_CACHESTATE = kUserMessage + 11;

// AM_OPTIONS wParam bits: the settings the plug-in follows.
constexpr unsigned kOptionAutoEncryption = 1;
constexpr unsigned kOptionHideKeyDialog = 2;
constexpr unsigned kOptionWarnMixed = 4;
// Clear: passphrases are not kept, so the plug-in grays its wipe command.
constexpr unsigned kOptionCacheKept = 8;

// AM_SIGNKEY wParam 0: the key ID the plug-in writes, at most this many
// characters and a zero after them.
constexpr std::size_t kSignKeyChars = 18;

// The record of AM_GETENTRY, filled by the plug-in, and of AM_NEXTENTRY,
// handed back split: entry is the text after the first comma, firstItem
// the first item (an option digit, bit 0 encrypt, bit 1 sign, and the
// recipient key text). automatic: the plug-in chose this send's options
// itself; pgpMimeWanted: the active editor was armed for PGP/MIME.
// Either text may be absent (null).
#pragma pack(push, 1)
struct EntryRecord {
    const char* entry;
    const char* firstItem;
    std::uint8_t automatic;
    std::uint8_t pgpMimeWanted;
};
#pragma pack(pop)
static_assert(sizeof(void*) != 4 || sizeof(EntryRecord) == 10);

}  // namespace orv::automation
