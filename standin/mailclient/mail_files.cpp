#include "standin/mailclient/mail_files.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "standin/mailclient/handles.h"
#include "standin/mailclient/host_interface.h"

namespace orv::mailclient {

bool WriteOwnedFile(const std::string& path, const std::string& text) {
    std::string temp = path + ".new";
    {
        UniqueHandle file(
            CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), text.data(), DWORD(text.size()), &written, nullptr) ||
            written != text.size() || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileA(temp.c_str());
            return false;
        }
    }
    if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

bool ReadFileText(const std::string& path, std::string* text) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) return false;
    text->assign(size, '\0');
    DWORD got = 0;
    if (size && (!ReadFile(file.get(), text->data(), size, &got, nullptr) || got != size)) return false;
    return true;
}

namespace {

// A zero-terminated text at a fixed place, at most room bytes.
std::string FixedText(const std::string& data, size_t at, size_t room) {
    if (at >= data.size()) return {};
    size_t end = std::min(data.size(), at + room);
    size_t zero = data.find('\0', at);
    if (zero != std::string::npos && zero < end) end = zero;
    return data.substr(at, end - at);
}

void PutFixed(std::string& data, size_t at, size_t room, const std::string& text) {
    size_t n = std::min(text.size(), room - 1);
    std::memcpy(&data[at], text.data(), n);
}

std::string Convert(const std::string& text, bool toOem) {
    if (text.empty()) return text;
    std::string out(text.size(), '\0');
    if (toOem) CharToOemBuffA(text.c_str(), out.data(), DWORD(text.size()));
    else OemToCharBuffA(text.c_str(), out.data(), DWORD(text.size()));
    return out;
}

std::vector<std::string> FilesLike(const std::string& dir, const char* ext) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    UniqueFind find(FindFirstFileA((dir + "*" + ext).c_str(), &fd));
    if (!find) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(fd.cFileName);
    } while (FindNextFileA(find.get(), &fd));
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::string FolderText(const Folder& folder) {
    std::string text(host::kFolderHeaderSize, '\0');
    PutFixed(text, 0, host::kFolderHeaderSize, folder.name);
    for (size_t i = 0; i < folder.messages.size(); ++i) {
        if (i) text += host::kFolderSeparator;
        text += folder.messages[i];
    }
    return text;
}

bool ParseFolder(const std::string& text, Folder* folder) {
    if (text.size() < host::kFolderHeaderSize) return false;
    folder->name = FixedText(text, 0, host::kFolderHeaderSize);
    folder->messages.clear();
    size_t pos = host::kFolderHeaderSize;
    while (pos < text.size()) {
        size_t end = text.find(host::kFolderSeparator, pos);
        if (end == std::string::npos) end = text.size();
        folder->messages.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return true;
}

bool ReadFolderName(const std::string& path, std::string* name) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    std::string header(host::kFolderHeaderSize, '\0');
    DWORD got = 0;
    if (!ReadFile(file.get(), header.data(), DWORD(header.size()), &got, nullptr) || got != header.size()) return false;
    *name = FixedText(header, 0, host::kFolderHeaderSize);
    return true;
}

bool AppendToFolder(const std::string& path, const std::string& name, const std::string& message) {
    Folder folder;
    std::string text;
    if (!ReadFileText(path, &text)) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;  // held open
        folder.name = name;
    } else if (!ParseFolder(text, &folder)) {
        return false;
    }
    folder.messages.push_back(message);
    return WriteOwnedFile(path, FolderText(folder));
}

std::vector<std::string> FolderFiles(const std::string& dir) { return FilesLike(dir, host::kFolderExt); }

std::string AddressBookText(const AddressBook& book) {
    std::string text(host::kAddressBookNameSize, '\0');
    PutFixed(text, 0, host::kAddressBookNameSize, Convert(book.name, true));
    for (const AddressEntry& e : book.entries) {
        std::string record(host::kAddressRecordSize, '\0');
        PutFixed(record, host::kAddressAliasOffset, host::kAddressEmailOffset - host::kAddressAliasOffset,
                 Convert(e.alias, true));
        PutFixed(record, host::kAddressEmailOffset, host::kAddressEmailSize, Convert(e.address, true));
        text += record;
    }
    return text;
}

bool ParseAddressBook(const std::string& text, AddressBook* book) {
    if (text.size() < host::kAddressBookNameSize) return false;
    book->name = Convert(FixedText(text, 0, host::kAddressBookNameSize), false);
    book->entries.clear();
    for (size_t at = host::kAddressBookNameSize; at + host::kAddressRecordSize <= text.size();
         at += host::kAddressRecordSize) {
        AddressEntry e;
        e.alias = Convert(FixedText(text, at + host::kAddressAliasOffset,
                                    host::kAddressEmailOffset - host::kAddressAliasOffset),
                          false);
        e.address = Convert(FixedText(text, at + host::kAddressEmailOffset, host::kAddressEmailSize), false);
        book->entries.push_back(e);
    }
    return true;
}

std::vector<AddressBook> AddressBooksIn(const std::string& dir) {
    std::vector<AddressBook> books;
    if (dir.empty()) return books;
    for (const std::string& name : FilesLike(dir, host::kAddressBookExt)) {
        std::string text;
        AddressBook book;
        if (ReadFileText(dir + name, &text) && ParseAddressBook(text, &book) && !book.name.empty())
            books.push_back(book);
    }
    return books;
}

std::vector<std::string> SplitAddressField(const std::string& field) {
    std::vector<std::string> items;
    std::string item;
    bool quoted = false;
    auto finish = [&] {
        const size_t first = item.find_first_not_of(" \t");
        if (first != std::string::npos) items.push_back(item.substr(first, item.find_last_not_of(" \t") - first + 1));
        item.clear();
    };
    for (char ch : field) {
        if (ch == '"') quoted = !quoted;
        if (ch == ',' && !quoted) finish();
        else item += ch;
    }
    finish();
    return items;
}

}  // namespace orv::mailclient
