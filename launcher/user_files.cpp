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

std::string UserFiles::Shortfall(const std::string& mailboxDir, bool setUp) const {
    const std::string dir = Directory(mailboxDir);
    std::string list;
    for (const std::string& name : {std::string(kAutoList), std::string(kConfigFile), FormsPattern(kFormsNames[0]),
                                    FormsPattern(kFormsNames[1])}) {
        const bool present = setUp ? FileExists(dir + name) : !FirstMatch(dir, name).empty();
        if (present != setUp) list += (list.empty() ? "" : " ") + name;
    }
    return list;
}

void UserFiles::Tell(const std::string& text, const std::string& title, unsigned icon) const {
    report_.Note(text);
    report_.Ask(text, title, icon, IDOK);
}

int UserFiles::VerifyAndReport(bool setUp) {
    if (paths_.clientUser.empty() || paths_.mailboxDir.empty())
        return report_.Fail(LauncherExit::NoMailUser, failure::kNoMailUser, texts_[ERROR_TITLE]);
    const std::string shortfall = Shortfall(paths_.mailboxDir, setUp);
    if (!shortfall.empty())
        return report_.Fail(LauncherExit::SetupIncomplete,
                            std::string(setUp ? failure::kMissingAfterSetup : failure::kLeftAfterRemoval) +
                                paths_.mailboxDir + ": " + shortfall,
                            texts_[ERROR_TITLE]);
    Tell(texts_[setUp ? SETUP : UNINST] + paths_.clientUser, texts_[INFO_TITLE], MB_ICONINFORMATION);
    return static_cast<int>(LauncherExit::Done);
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

int UserFiles::UninstallCurrent() {
    if (paths_.clientUser.empty() || paths_.mailboxDir.empty())
        return report_.Fail(LauncherExit::NoMailUser, failure::kNoMailUser, texts_[ERROR_TITLE]);
    if (RemoveFiles(paths_.mailboxDir)) Unregister();
    return VerifyAndReport(false);
}

int UserFiles::RemoveAllUsers() {
    std::string text;
    if (!FileExists(UsersFile(paths_))) return static_cast<int>(LauncherExit::Done);
    if (!ReadWholeFile(UsersFile(paths_), text))
        return report_.Fail(LauncherExit::SetupIncomplete, "Cannot read " + UsersFile(paths_), texts_[ERROR_TITLE]);
    bool all = true;
    for (const RegisteredUser& entry : ReadRegisteredUsers(text)) {
        RemoveFiles(entry.mailbox);
        // A user counts as removed when none of the files is left, also when
        // they were gone before.
        const std::string left = Shortfall(entry.mailbox, false);
        if (left.empty()) continue;
        all = false;
        report_.Note(std::string(failure::kLeftAfterRemoval) + entry.mailbox + ": " + left);
    }
    return static_cast<int>(all ? LauncherExit::Done : LauncherExit::SetupIncomplete);
}

int UserFiles::UpdateAllUsers() {
    std::string text;
    if (!ReadWholeFile(UsersFile(paths_), text)) return static_cast<int>(LauncherExit::Done);
    if (report_.Ask(texts_[UPDATE], texts_[CONF_TITLE], MB_ICONQUESTION | MB_YESNO, IDYES) != IDYES)
        return static_cast<int>(LauncherExit::Done);
    bool others = false, all = true;
    for (const RegisteredUser& entry : ReadRegisteredUsers(text)) {
        const std::string dir = Directory(entry.mailbox);
        if (SameText(dir, paths_.mailboxDir)) continue;
        others = true;
        const std::string who = entry.section + "/" + entry.user;
        if (CopyFormsFiles(paths_.mailboxDir, dir)) {
            Tell(texts_[SETUP] + who, texts_[INFO_TITLE], MB_ICONINFORMATION);
        } else {
            all = false;
            Tell(texts_[FAILURE] + who + "!", texts_[WARN_TITLE], MB_ICONWARNING);
        }
    }
    if (!others) Tell(texts_[NO_USERS], texts_[INFO_TITLE], MB_ICONINFORMATION);
    return static_cast<int>(all ? LauncherExit::Done : LauncherExit::UpdateIncomplete);
}

}  // namespace orv::launcher
