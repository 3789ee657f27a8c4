// Both sides of the mail client interface state it on their own: the
// product in its header, the mail client stand-in in its own. Every number,
// text, record size and field offset that both declare must agree, so that a
// misreading on either side fails here rather than passing silently.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <type_traits>

#include "interfaces/mail_client.h"
#include "standin/mailclient/host_interface.h"

namespace product = orv::host;
namespace client = orv::mailclient::host;

namespace {

struct Row {
    const char* name;
    std::string productValue;
    std::string clientValue;
};

std::string Value(const char* text) { return std::string("\"") + text + "\""; }
template <typename T>
std::string Value(T number) {
    static_assert(std::is_integral_v<T>);
    return std::to_string(static_cast<long long>(number));
}

#define SAME(name) Row{#name, Value(product::name), Value(client::name)}

const Row kRows[] = {
    SAME(kAddressAliasOffset),
    SAME(kAddressBookExt),
    SAME(kAddressBookNameSize),
    SAME(kAddressEmailOffset),
    SAME(kAddressEmailSize),
    SAME(kAddressRecordSize),
    SAME(kCharsetRoom),
    SAME(kCheckConfirmDelivery),
    SAME(kCheckConfirmReading),
    SAME(kCheckCopySelf),
    SAME(kCheckEncrypt),
    SAME(kCheckRichText),
    SAME(kCheckUrgent),
    SAME(kCheckUseMime),
    SAME(kClipboardSource),
    SAME(kCmdAddKey),
    SAME(kCmdCloseForm),
    SAME(kCmdExit),
    SAME(kCmdExitCancel),
    SAME(kCmdExitCheck),
    SAME(kCmdFind),
    SAME(kCmdFindNext),
    SAME(kCmdFolderOpen195),
    SAME(kCmdFolderOpen201),
    SAME(kCmdFolderOpen202),
    SAME(kCmdOpenFolderManager),
    Row{"kCmdRawView", Value(product::kCommandRawView), Value(client::kCmdRawView)},
    SAME(kCmdReaderNext),
    SAME(kCmdReaderPrevious),
    SAME(kCmdSaveAttachment),
    SAME(kCmdUserAdmin),
    SAME(kCmdUserName),
    SAME(kCmdVerify),
    SAME(kCommandForce),
    SAME(kCommandRawView),
    SAME(kCommandStart),
    SAME(kDecodeNothing),
    SAME(kDecodeWritten),
    SAME(kDecryptFileExName),
    SAME(kDefaultIdentity),
    SAME(kDeleteMarkerTo),
    SAME(kDestroyFileName),
    SAME(kDialogEditor),
    SAME(kDialogEncryption),
    SAME(kDialogMailboxDir),
    SAME(kDialogReader),
    SAME(kDialogReaderAlt),
    SAME(kDraftExt),
    SAME(kDraftExt2),
    SAME(kEditorCaptionMessage),
    SAME(kEditorCaptionReply),
    SAME(kEditorClass),
    SAME(kEditorControlClass),
    SAME(kEditorLibrary),
    SAME(kEditorSetField),
    SAME(kEncodeCopyText),
    SAME(kEncodeDone),
    SAME(kEncodeMovedToEditor),
    SAME(kEncodeNothing),
    SAME(kEncryptFileExName),
    SAME(kEncryptorEntry),
    SAME(kEncryptorEntryInline),
    SAME(kEncryptorEntryMime),
    SAME(kEncryptorFlagEncrypt),
    SAME(kEncryptorFlagSign),
    SAME(kEncryptorHeader),
    SAME(kEncryptorName),
    SAME(kFieldAttachment),
    SAME(kFieldBcc),
    SAME(kFieldBody),
    SAME(kFieldCc),
    SAME(kFieldConfirmDelivery),
    SAME(kFieldConfirmReading),
    SAME(kFieldCopySelf),
    SAME(kFieldIdentity),
    SAME(kFieldInsertText),
    SAME(kFieldReady),
    SAME(kFieldReplyTo),
    SAME(kFieldRichText),
    SAME(kFieldSignature),
    SAME(kFieldSubject),
    SAME(kFieldTo),
    SAME(kFieldUrgent),
    SAME(kFieldUseMime),
    SAME(kFolderDialogClass),
    SAME(kFolderExt),
    SAME(kFolderManagerClass),
    SAME(kFormFileExt),
    SAME(kFormInitFailed),
    SAME(kFormInitName),
    SAME(kFormInitOk),
    SAME(kFormInterfaceMaxMajor),
    SAME(kFormInterfaceVersion),
    SAME(kFormLineBitmap),
    SAME(kFormLineData),
    SAME(kFormLineLibrary),
    SAME(kFormLineFlags),
    SAME(kFormFlagStartup),
    SAME(kFormFlagEncryptor),
    SAME(kFormModeClient),
    SAME(kFormModeLauncher),
    SAME(kFormMsgCommand),
    SAME(kFormMsgFirst),
    SAME(kFormMsgHide),
    SAME(kFormMsgLast),
    SAME(kFormMsgNotify),
    SAME(kFormMsgQuery),
    SAME(kFormMsgSendCheck),
    SAME(kFormMsgStart),
    SAME(kFormQueryAnswer),
    SAME(kFormRecordKind),
    SAME(kForwardClass),
    SAME(kForwardMark),
    SAME(kFrameCaption),
    SAME(kFrameClass),
    SAME(kHeaderControlClass),
    SAME(kHostAddButton),
    SAME(kHostChooseFolder),
    SAME(kHostDirBufferRoom),
    SAME(kHostGetMailboxDir),
    SAME(kHostGetMenu),
    SAME(kHostGetProgramDir),
    SAME(kHostGetSendField),
    SAME(kHostGetSetting),
    SAME(kHostGetWindow),
    SAME(kHostMsgFirst),
    SAME(kHostMsgLast),
    SAME(kHostNewEditor),
    SAME(kHostOpenForm),
    SAME(kHostRemoveButton),
    SAME(kHostSetSetting),
    SAME(kHostStatusLine),
    SAME(kIniKeyAlternativeFrom),
    SAME(kIniKeyDefaultBcc),
    SAME(kIniSectionIdentityPrefix),
    SAME(kIniSectionMain),
    SAME(kIniSectionTcpIp),
    SAME(kKeyManagementName),
    SAME(kLabelBcc),
    SAME(kLabelCc),
    SAME(kLabelIdentity),
    SAME(kLabelReplyTo),
    SAME(kLabelSignature),
    SAME(kLabelSubject),
    SAME(kLabelTo),
    SAME(kLanguageFile),
    SAME(kLanguageFilePattern),
    SAME(kListWindowClass),
    SAME(kMdiClientClass),
    SAME(kMenuForm),
    SAME(kMenuFrameBar),
    SAME(kMessageFileExt),
    SAME(kMessageFilePattern),
    SAME(kNewEditorAny),
    SAME(kNotifyClosing),
    SAME(kNotifyDialogOpened),
    SAME(kNotifyFileWritten),
    SAME(kNotifyFormOpened),
    SAME(kNotifyUnloading),
    SAME(kPegasusIni),
    SAME(kPegasusIniKeyPmr),
    SAME(kPegasusIniSectionEnv),
    SAME(kPmailIni),
    SAME(kPmrEnvironment),
    SAME(kQueueManagerClass),
    SAME(kQueueRefresh),
    SAME(kReaderClass),
    SAME(kReaderDialogClass),
    SAME(kReaderDialogClass2),
    SAME(kReaderDialogClass3),
    SAME(kReaderMdiClass),
    SAME(kReaderState),
    SAME(kRegBaseDir),
    SAME(kRegCommand),
    SAME(kRegMailbox),
    SAME(kRegRoot),
    SAME(kRegUsername),
    SAME(kSendCheckStop),
    SAME(kSendFieldBcc),
    SAME(kSendFieldCc),
    SAME(kSendFieldEncodeFlag),
    SAME(kSendFieldTo),
    SAME(kSendLabel),
    SAME(kSettingCharset),
    SAME(kSettingEncloseAttachments),
    SAME(kSettingEncodeStart),
    SAME(kSettingLinesToScan),
    SAME(kSettingRightMargin),
    SAME(kSignFileExName),
    SAME(kStatusBarClass),
    SAME(kStatusProgress),
    SAME(kStatusSignature),
    SAME(kToolbarStripClass),
    SAME(kUserSwitch),
    SAME(kVerifyBad),
    SAME(kVerifyGood),
    SAME(kVerifyNoSignature),
    SAME(kVerifyResultSize),
    SAME(kVerifySignatureName),
    SAME(kWindowActiveMdi),
    SAME(kWindowFrame),
};

#undef SAME

}  // namespace

TEST(HostDeclarations, EveryNumberAndTextAgrees) {
    for (const Row& row : kRows) EXPECT_EQ(row.productValue, row.clientValue) << row.name;
}

TEST(HostDeclarations, RecordsHaveTheSameSizeAndFieldOffsets) {
#define FIELD(record, field) \
    EXPECT_EQ(offsetof(product::record, field), offsetof(client::record, field)) << #record "." #field
    EXPECT_EQ(sizeof(product::CryptRequest), sizeof(client::CryptRequest));
    FIELD(CryptRequest, Reserved0);
    FIELD(CryptRequest, HostWord);
    FIELD(CryptRequest, Reserved12);
    FIELD(CryptRequest, MessageFile);
    FIELD(CryptRequest, OutputFile);
    FIELD(CryptRequest, HostRecipients);
    FIELD(CryptRequest, Reserved28);
    EXPECT_EQ(sizeof(product::DialogNotice), sizeof(client::DialogNotice));
    FIELD(DialogNotice, Window);
    FIELD(DialogNotice, Kind);
    EXPECT_EQ(sizeof(product::FileNotice), sizeof(client::FileNotice));
    FIELD(FileNotice, FileName);
    EXPECT_EQ(sizeof(product::FormRecord), sizeof(client::FormRecord));
    FIELD(FormRecord, LibraryPath);
    FIELD(FormRecord, Reserved128);
    FIELD(FormRecord, FormName);
    FIELD(FormRecord, Title);
    FIELD(FormRecord, RecordKind);
    EXPECT_EQ(sizeof(product::ToolbarButton), sizeof(client::ToolbarButton));
    FIELD(ToolbarButton, BitmapPath);
    FIELD(ToolbarButton, Tooltip);
    FIELD(ToolbarButton, NotifyWindow);
    FIELD(ToolbarButton, Message);
    FIELD(ToolbarButton, WParam);
    FIELD(ToolbarButton, LParam);
    EXPECT_EQ(sizeof(product::FolderChoice), sizeof(client::FolderChoice));
    FIELD(FolderChoice, Title);
    FIELD(FolderChoice, FolderName);
#undef FIELD
    // Field widths, where a text is copied in up to its room.
    EXPECT_EQ(sizeof(product::FormRecord::LibraryPath), sizeof(client::FormRecord::LibraryPath));
    EXPECT_EQ(sizeof(product::FormRecord::FormName), sizeof(client::FormRecord::FormName));
    EXPECT_EQ(sizeof(product::FormRecord::Title), sizeof(client::FormRecord::Title));
    EXPECT_EQ(sizeof(product::ToolbarButton::Tooltip), sizeof(client::ToolbarButton::Tooltip));
    EXPECT_EQ(sizeof(product::FolderChoice::FolderName), sizeof(client::FolderChoice::FolderName));
}

TEST(HostDeclarations, EntryPointsHaveTheSameTypes) {
    EXPECT_TRUE((std::is_same_v<product::FormInitFn, client::FormInitFn>));
    EXPECT_TRUE((std::is_same_v<product::VerifySignatureFn, client::VerifySignatureFn>));
    EXPECT_TRUE((std::is_same_v<product::KeyManagementFn, client::KeyManagementFn>));
    EXPECT_TRUE((std::is_same_v<product::DestroyFileFn, client::DestroyFileFn>));
}
