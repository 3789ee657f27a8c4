#pragma once
// The host's controls that the automatic encryption on send works through:
// check boxes found by caption, the send control, the identity of the
// message, its default blind copies, and the send keystrokes.

#include <windows.h>

#include <string>

namespace orv::automation {

// The first "BUTTON" descendant whose caption, its first "&" removed,
// contains the text; 0 when there is none.
HWND FindButtonWith(HWND parent, const std::string& text);
bool IsChecked(HWND button);

// The identity the editor sends with: the combo box after the label.
std::string EditorIdentity(HWND editor, const std::string& label);

// "Default BCC field" of the identity in "PMAIL.INI", trimmed.
std::string DefaultBcc(const std::string& mailboxDir, const std::string& identity, const std::string& defaultIdentity);

// The client's send keystrokes (Control+Enter, with the F9 F8 prefix on a
// repeated send) to the editor that has the send control; false when the
// editor has none.
bool PushSendKeys(HWND editor, const std::string& sendLabel, bool prefix);

}  // namespace orv::automation
