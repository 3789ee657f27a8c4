#pragma once
// The mail client's form-definition files in the mailbox directory: their
// library line is pointed at the install directory, their bitmap lines are
// dropped, the automation plug-in keeps only its editor form data, and the
// flags keep each library's role (the plug-in starts with the client, the
// main library is its encryptor).

#include <string>

namespace orv {

// Rewrites the lines of one file's text (CR LF or LF line ends, kept). True
// when a "Form DLL = " line was found, which is when the file is written back.
bool UpdateFormDefinition(const std::string& text, const std::string& installDir, bool automationPlugin,
                          std::string& updated);

// Every file "Pellatch.f*" and "Merrowin.f*" of the directory; false when a
// file could not be read or written back.
bool UpdateFormFiles(const std::string& mailboxDir, const std::string& installDir);

}  // namespace orv
