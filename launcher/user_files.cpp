#include "launcher/user_files.h"

#include <windows.h>

#include "base/unique_handle.h"
#include "launcher/command_line.h"
#include "base/whole_file.h"

namespace orv::launcher {

namespace {

constexpr const char* kAutoList = "AutoList.txt";
constexpr const char* kConfigFile = "Merrowin.cfg";
constexpr const char* kFormsNames[] = {"Pellatch", "Merrowin"};

using orv::FileExists;

std::string Directory(std::string dir) {
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    return dir;
}

// The first file matching the pattern in the directory; "" when none.
std::string FirstMatch(const std::string& dir, const std::string& pattern) {
    WIN32_FIND_DATAA fd;
    UniqueFind find(FindFirstFileA((dir + pattern).c_str(), &fd));
    if (!find) return {};
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return fd.cFileName;
    } while (FindNextFileA(find.get(), &fd));
    return {};
}

// The mail client reads its forms files at any time: a copy is written whole
// beside the target and then takes its name.
bool CopyWhole(const std::string& from, const std::string& to) {
    std::string bytes;
    return ReadWholeFile(from, bytes) && ReplaceWholeFile(to, bytes);
}

}  // namespace

std::string UserFiles::FormsPattern(const char* name) const { return std::string(name) + texts_[FFF_EXT]; }

bool UserFiles::CopyFormsFiles(const std::string& fromDir, const std::string& toDir) const {
    bool all = true;
    for (const char* name : kFormsNames) {
        const std::string found = FirstMatch(fromDir, FormsPattern(name));
        all = !found.empty() && CopyWhole(fromDir + found, toDir + found) && all;
    }
    return all;
}

bool UserFiles::SetUpCopy() {
    const std::string& install = paths_.installDir;
    const std::string& mailbox = paths_.mailboxDir;
    DeleteFileA((install + "VORE.DLL").c_str());
    if (mailbox.empty()) return false;
    // The user's list of recipients is never replaced by the template.
    if (!FileExists(mailbox + kAutoList)) CopyFileA((install + kAutoList).c_str(), (mailbox + kAutoList).c_str(), TRUE);
    return CopyFormsFiles(install, mailbox);
}

void UserFiles::Register() {
    const std::string value = "\"" + paths_.mailboxDir + "\"";
    WritePrivateProfileStringA(paths_.windowsUser.c_str(), paths_.clientUser.c_str(), value.c_str(),
                               UsersFile(paths_).c_str());
}

void UserFiles::Unregister() {
    WritePrivateProfileStringA(paths_.windowsUser.c_str(), paths_.clientUser.c_str(), nullptr,
                               UsersFile(paths_).c_str());
}

bool UserFiles::VerifyAndReport(bool setUp) {
    if (paths_.clientUser.empty() || paths_.mailboxDir.empty()) return false;
    const std::string& dir = paths_.mailboxDir;
    const std::string files[] = {dir + kAutoList, dir + kConfigFile, dir + FormsPattern(kFormsNames[0]),
                                 dir + FormsPattern(kFormsNames[1])};
    for (const std::string& file : files)
        if (FileExists(file) != setUp) return false;
    ShowBox(texts_[setUp ? SETUP : UNINST] + paths_.clientUser, texts_[INFO_TITLE], MB_ICONINFORMATION);
    return true;
}

bool UserFiles::RemoveFiles(const std::string& mailboxDir) {
    const std::string dir = Directory(mailboxDir);
    if (dir.empty()) return false;
    if (!DeleteFileA((dir + kConfigFile).c_str())) return false;
    if (!DeleteFileA((dir + kAutoList).c_str())) return false;
    for (const char* name : kFormsNames) {
        WIN32_FIND_DATAA fd;
        UniqueFind find(FindFirstFileA((dir + name + ".f??").c_str(), &fd));
        if (!find) continue;
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            if (!DeleteFileA((dir + fd.cFileName).c_str())) return false;
        } while (FindNextFileA(find.get(), &fd));
    }
    return true;
}

void UserFiles::UninstallCurrent() {
    if (!RemoveFiles(paths_.mailboxDir)) return;
    Unregister();
    VerifyAndReport(false);
}

void UserFiles::RemoveAllUsers() {
    std::string text;
    if (!ReadWholeFile(UsersFile(paths_), text)) return;
    for (const RegisteredUser& entry : ReadRegisteredUsers(text)) RemoveFiles(entry.mailbox);
}

void UserFiles::UpdateAllUsers() {
    std::string text;
    if (!ReadWholeFile(UsersFile(paths_), text)) return;
    if (ShowBox(texts_[UPDATE], texts_[CONF_TITLE], MB_ICONQUESTION | MB_YESNO) != IDYES) return;
    bool others = false;
    for (const RegisteredUser& entry : ReadRegisteredUsers(text)) {
        const std::string dir = Directory(entry.mailbox);
        if (SameText(dir, paths_.mailboxDir)) continue;
        others = true;
        const std::string who = entry.section + "/" + entry.user;
        if (CopyFormsFiles(paths_.mailboxDir, dir))
            ShowBox(texts_[SETUP] + who, texts_[INFO_TITLE], MB_ICONINFORMATION);
        else
            ShowBox(texts_[FAILURE] + who + "!", texts_[WARN_TITLE], MB_ICONWARNING);
    }
    if (!others) ShowBox(texts_[NO_USERS], texts_[INFO_TITLE], MB_ICONINFORMATION);
}

}  // namespace orv::launcher
