#pragma once
// The client's message editor: an MDI child of class "EDMAIL" whose fields
// follow their labels in the window order, as the extensions look for them.

#include <windows.h>

#include <string>
#include <vector>

namespace orv::mailclient {

class Host;

struct EditorContent {
    std::string to, subject, cc, bcc, replyTo;
    std::string identity;
    int signatureIndex = -1;  // list index minus one; -1 "None"
    std::string body;
    std::vector<std::string> attachments;
    bool confirmReading = false, confirmDelivery = false, copySelf = false, urgent = false;
    bool richText = false, useMime = true, encrypt = false;
};

// Registers the class once; the MDI child's creation parameter is the host.
bool RegisterEditorClass(HINSTANCE instance);
constexpr const char* kEditorCaption = "Message";
// Asked when an editor with text closes and the host asks before closing.
constexpr const char* kDiscardQuestion = "Discard the message you are writing?";
// The pane inside the editor that holds its fields.
constexpr const char* kEditorPaneClass = "WPMDLG_EDIT";
// Number of signatures the "Sig:" box offers after "None".
constexpr int kSignatureCount = 3;

EditorContent ReadEditor(HWND editor);
// Applies one field as message 1152 does; false for an unknown field.
bool SetEditorField(HWND editor, WPARAM field, LPARAM value);

}  // namespace orv::mailclient
