#pragma once
// The stand-in's own numbers: commands of its menus that are not host
// commands the extensions know, the identifiers of its controls and the
// messages its windows post to themselves. Kept below 0x1000 and away from
// every host command, since an extension watching the frame acts on those.

#include <windows.h>

namespace orv::mailclient {

constexpr WORD kCmdNewMessage = 0x0E01;
constexpr WORD kCmdAddressBooks = 0x0E02;
constexpr WORD kCmdDecryptFile = 0x0E03;
constexpr WORD kCmdVerifyFile = 0x0E04;
constexpr WORD kCmdEncryptFile = 0x0E05;
constexpr WORD kCmdMailboxDir = 0x0E06;
constexpr WORD kCmdSystemMessages = 0x0E07;
constexpr WORD kCmdCascade = 0x0E08;
constexpr WORD kCmdTile = 0x0E09;
constexpr WORD kCmdArrange = 0x0E0A;
constexpr WORD kCmdCloseAll = 0x0E0B;
constexpr WORD kCmdAbout = 0x0E0C;

// Toolbar buttons added by the extensions.
constexpr WORD kFirstToolbarButton = 0x7000;

// Folder manager controls: the folder list, the "Open" button (201), the
// message list (202) and the preview.
constexpr int kIdFolderList = 200;
constexpr int kIdFolderOpen = 201;
constexpr int kIdFolderMessages = 202;
constexpr int kIdFolderPreview = 203;

// The reader's own command: headers in their control or in the text.
constexpr WORD kCmdReaderHeaders = 0x0E20;
constexpr LPARAM kReaderHeaderBit = 0x10;
// The reader's forward command, and the forward window's address field.
constexpr WORD kCmdReaderForward = 0x0E21;
constexpr int kIdForwardTo = 501;
constexpr int kIdForwardSubject = 502;

// Reader controls.
constexpr int kIdReaderHeader = 300;
constexpr int kIdReaderStrip = 301;
constexpr int kIdReaderBody = 302;

// Posted by the keys of a message editor.
constexpr UINT kEditorSendNow = WM_APP + 1;
constexpr UINT kEditorFocusField = WM_APP + 2;
constexpr WPARAM kFieldFocusText = 1;
constexpr WPARAM kFieldFocusAddress = 2;

// The hidden MDI child that carries an extension's form.
constexpr const char* kFormHostClass = "WPMFORMHOST";

}  // namespace orv::mailclient
