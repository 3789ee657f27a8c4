#pragma once
// The client's form-definition files (".fff"): each names an extension
// library ("Form DLL = "), its form data ("Form data = ") and, in "Form
// flags = ", whether the client starts the form with itself and whether the
// library is its encryptor module. Other lines ("Form name = ", "Bitmap
// file = ") are read and kept for the log.

#include <string>
#include <vector>

namespace orv::mailclient {

struct FormDefinition {
    std::string file;     // the ".fff" file
    std::string name;     // "Form name = "
    std::string library;  // full path; relative names are taken from the file's directory
    std::string data;     // "Form data = "
    unsigned flags = 0;   // "Form flags = "
    bool Startup() const;
    bool Encryptor() const;
};

// False when the text names no library.
bool ParseFormDefinition(const std::string& text, const std::string& dir, FormDefinition* form);
// Every ".fff" file of the directory that names a library.
std::vector<FormDefinition> FormDefinitionsIn(const std::string& dir);

}  // namespace orv::mailclient
