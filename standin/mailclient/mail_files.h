#pragma once
// The client's own files: folders (".PMM": a 128-byte header, then the
// messages separated by character 26), address books (".PMR": a 128-byte
// name, then 458-byte records, texts in the OEM code page), and the one
// routine that writes a file the client owns.

#include <string>
#include <vector>

namespace orv::mailclient {

// Writes the whole text beside the file, then puts it in the file's place,
// so that a failure never leaves the file half-written.
bool WriteOwnedFile(const std::string& path, const std::string& text);
// Whole-file read; false when the file cannot be opened (a folder held open
// by the folder manager cannot).
bool ReadFileText(const std::string& path, std::string* text);

struct Folder {
    std::string name;                   // from the header
    std::vector<std::string> messages;  // each with header and body, CR LF
};

std::string FolderText(const Folder& folder);
// False when the text is shorter than the header.
bool ParseFolder(const std::string& text, Folder* folder);
// The folder's name from its header alone: a large folder is not read for it.
bool ReadFolderName(const std::string& path, std::string* name);
// Adds a message to the folder file, making the file when it is missing.
bool AppendToFolder(const std::string& path, const std::string& name, const std::string& message);
// Folder files ("*.PMM") of a directory, file names only, sorted.
std::vector<std::string> FolderFiles(const std::string& dir);

struct AddressEntry {
    std::string alias;
    std::string address;
};

struct AddressBook {
    std::string name;
    std::vector<AddressEntry> entries;
};

// Texts are given and returned in the ANSI code page; the file holds OEM.
std::string AddressBookText(const AddressBook& book);
bool ParseAddressBook(const std::string& text, AddressBook* book);
// Address books ("*.PMR") of a directory with a non-empty name.
std::vector<AddressBook> AddressBooksIn(const std::string& dir);

// The addresses of an address field: split at commas outside double quotes
// (a display name may hold a comma), trimmed, empty items left out.
std::vector<std::string> SplitAddressField(const std::string& field);

}  // namespace orv::mailclient
